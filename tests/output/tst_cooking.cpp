// Cooking with a recipe: amounts and units read from lines as cooks write
// them, the unit tables against the published figures, a recipe shown for
// other servings and in other units, the shopping list, and the steps and
// timers of the cook mode.

#include "output/cooking.h"
#include "output/units.h"
#include "store/amounts.h"

#include <QtTest>

using namespace bd;

Q_DECLARE_METATYPE(bd::UnitId)
Q_DECLARE_METATYPE(bd::UnitSystem)

namespace {

constexpr int kEs = 300;

Recipe recipe(const QString& yield, const QString& ing, const QString& prep = QString())
{
    Recipe r;
    r.title = QStringLiteral("Test");
    r.yield = yield;
    r.ing = ing;
    r.prep = prep;
    return r;
}

// One ingredient line as a recipe of yield shows it.
QString shownLine(const QString& line, double servings, UnitSystem units, int lang = 0,
                  const QString& yield = QStringLiteral("4"))
{
    return viewedRecipe(recipe(yield, line), {servings, units}, lang).ing;
}

QStringList texts(const std::vector<ShoppingItem>& items)
{
    QStringList out;
    for (const ShoppingItem& i : items)
        out << i.group + QStringLiteral(": ") + i.text;
    return out;
}

} // namespace

class TestCooking : public QObject {
    Q_OBJECT

private slots:
    void amounts_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("found");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<UnitId>("unit");
        QTest::addColumn<QString>("rest");
        const auto row = [](const char* line, double low, double high, UnitId unit, const char* rest) {
            QTest::newRow(line) << QString::fromUtf8(line) << true << low << high << unit << QString::fromUtf8(rest);
        };
        row("2 cups flour, sifted", 2, 2, UnitId::Cup, "flour, sifted");
        row("  1 1/2 c  Flour", 1.5, 1.5, UnitId::Cup, "Flour");
        row("1-1/2 tsp salt", 1.5, 1.5, UnitId::Tsp, "salt");
        row("½ cdta sal", 0.5, 0.5, UnitId::Tsp, "sal");
        row("1½ tazas de harina", 1.5, 1.5, UnitId::Cup, "de harina");
        row("1 ½ T butter", 1.5, 1.5, UnitId::Tbsp, "butter");
        row("2 t baking powder", 2, 2, UnitId::Tsp, "baking powder");
        row("3/4 C. milk", 0.75, 0.75, UnitId::Cup, "milk");
        row("2 Tbsp. oil", 2, 2, UnitId::Tbsp, "oil");
        row("2-3 eggs", 2, 3, UnitId::None, "eggs");
        row("2 to 3 apples", 2, 3, UnitId::None, "apples");
        row("2 a 3 huevos", 2, 3, UnitId::None, "huevos");
        row("1/2-1 cup water", 0.5, 1, UnitId::Cup, "water");
        row("1,5 kg patatas", 1.5, 1.5, UnitId::Kg, "patatas");
        row("0.5 l leche", 0.5, 0.5, UnitId::L, "leche");
        row("500g flour", 500, 500, UnitId::G, "flour");
        row("250 gr de azúcar", 250, 250, UnitId::G, "de azúcar");
        row("8 fl. oz. cream", 8, 8, UnitId::FlOz, "cream");
        row("1 lb. ground beef", 1, 1, UnitId::Lb, "ground beef");
        row("3 lbs potatoes", 3, 3, UnitId::Lb, "potatoes");
        row("2 cucharadas de aceite", 2, 2, UnitId::Tbsp, "de aceite");
        row("1 cda azúcar", 1, 1, UnitId::Tbsp, "azúcar");
        row("1 pizca de sal", 1, 1, UnitId::Pinch, "de sal");
        row("2 dientes de ajo", 2, 2, UnitId::Clove, "de ajo");
        row("- 2 cups sugar", 2, 2, UnitId::Cup, "sugar");
        row("1 taza y media de leche", 1.5, 1.5, UnitId::Cup, "de leche");
        row("2 cups and a half water", 2.5, 2.5, UnitId::Cup, "water");
        row("1 (14 oz) can tomatoes", 1, 1, UnitId::None, "(14 oz) can tomatoes");
        row("2 large eggs", 2, 2, UnitId::None, "large eggs");
        row("1 1/2 quarts stock", 1.5, 1.5, UnitId::Quart, "stock");
        for (const char* none : {"Salt to taste", "FOR THE SAUCE:", "2% milk", "3rd layer of cake", ""})
            QTest::newRow(none) << QString::fromUtf8(none) << false << 0.0 << 0.0 << UnitId::None << QString();
    }
    void amounts()
    {
        QFETCH(QString, line);
        QFETCH(bool, found);
        const LineAmount a = readLineAmount(line);
        QCOMPARE(a.found, found);
        if (!found)
            return;
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(UnitId, unit);
        QFETCH(QString, rest);
        QCOMPARE(a.amount.low, low);
        QCOMPARE(a.amount.high, high);
        QCOMPARE(a.unit, unit);
        QCOMPARE(line.mid(a.textStart), rest);
    }

    void yields_data()
    {
        QTest::addColumn<QString>("yield");
        QTest::addColumn<double>("count");
        QTest::addColumn<QString>("what");
        const auto row = [](const char* yield, double count, const char* what) {
            QTest::newRow(yield) << QString::fromUtf8(yield) << count << QString::fromUtf8(what);
        };
        row("4", 4, "");
        row("Serves 4-6", 4, "");
        row("4 servings", 4, "");
        row("4 porciones", 4, "");
        row("Para 6 personas", 6, "");
        row("Makes 12", 12, "");
        row("2 loaves", 2, "loaves");
        row("24 cookies.", 24, "cookies");
        row("2 hogazas", 2, "hogazas");
        row("1 1/2 dozen", 1.5, "dozen");
        row("", 0, "");
        row("Lots", 0, "");
    }
    void yields()
    {
        QFETCH(QString, yield);
        QFETCH(double, count);
        QFETCH(QString, what);
        const YieldCount y = readYield(yield);
        QCOMPARE(y.count, count);
        QCOMPARE(y.what, what);
        QCOMPARE(y.servings, what.isEmpty());
    }

    // The tables against the published figures: the US cup is 236.6 ml,
    // the tablespoon 14.79, the teaspoon 4.93, the fluid ounce 29.57; the
    // ounce 28.35 g, the pound 453.6 g; °C = (°F - 32) x 5/9.
    void publishedFigures()
    {
        const auto near = [](UnitId unit, double published) {
            return std::fabs(unitSize(unit).base - published) < 0.006;
        };
        QVERIFY(near(UnitId::Cup, 236.59));
        QVERIFY(near(UnitId::Tbsp, 14.79));
        QVERIFY(near(UnitId::Tsp, 4.93));
        QVERIFY(near(UnitId::FlOz, 29.57));
        QVERIFY(near(UnitId::Pint, 473.18));
        QVERIFY(near(UnitId::Oz, 28.35));
        QVERIFY(near(UnitId::Lb, 453.59));
        QVERIFY(near(UnitId::L, 1000) && near(UnitId::Kg, 1000) && near(UnitId::Dl, 100));
        QCOMPARE(celsiusFrom(32), 0);
        QCOMPARE(celsiusFrom(212), 100);
        QCOMPARE(celsiusFrom(350), 175);
        QCOMPARE(celsiusFrom(425), 220);
        QCOMPARE(fahrenheitFrom(100), 210);
        QCOMPARE(fahrenheitFrom(180), 350);
        QCOMPARE(fahrenheitFrom(200), 400);
        QCOMPARE(fahrenheitFrom(220), 425);
        // Grams per cup, the particular name before the general one.
        QCOMPARE(gramsPerCup(u"all-purpose flour"), 125.0);
        QCOMPARE(gramsPerCup(u"de harina de trigo"), 125.0);
        QCOMPARE(gramsPerCup(u"brown sugar, packed"), 220.0);
        QCOMPARE(gramsPerCup(QString::fromUtf8("de azúcar moreno")), 220.0);
        QCOMPARE(gramsPerCup(QString::fromUtf8("AZÚCAR GLAS")), 120.0);
        QCOMPARE(gramsPerCup(u"granulated sugar"), 200.0);
        QCOMPARE(gramsPerCup(u"unsalted butter, melted"), 227.0);
        QCOMPARE(gramsPerCup(u"peanut butter"), 258.0);
        QCOMPARE(gramsPerCup(u"buttermilk"), 0.0);
        QCOMPARE(gramsPerCup(u"water"), 0.0);
    }

    // Scaled in the cook's own units, rounded as a cook would.
    void scaling_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<double>("factor");
        QTest::addColumn<int>("lang");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* line, double factor, const char* shown, int lang = 0) {
            QTest::newRow(qPrintable(QStringLiteral("%1 x%2").arg(QString::fromUtf8(line)).arg(factor)))
                << QString::fromUtf8(line) << factor << lang << QString::fromUtf8(shown);
        };
        row("1 cup sugar", 2, "2 cups sugar");
        row("1 taza de azúcar", 2, "2 tazas de azúcar");
        row("2 cups flour", 0.5, "1 cup flour");
        row("  1 1/2 c  Flour", 2, "  3 c  Flour");
        row("3/4 cup milk", 0.5, "6 tbsp milk");
        row("1 cup milk", 1.0 / 3, "1/3 cup milk");
        row("1/4 cup butter", 0.5, "2 tbsp butter");
        row("1/4 cup butter", 0.5, "2 cdas butter", kEs);
        row("1 tsp salt", 3, "1 tbsp salt");
        row("1 Tbsp. oil", 1.5, "1 1/2 Tbsp. oil");
        row("2 cups stock", 1.0 / 3, "2/3 cup stock");
        row("200 g flour", 1.5, "300 g flour");
        row("500 g harina", 3, "1,5 kg harina", kEs);
        row("500 g flour", 3, "1.5 kg flour");
        row("1 kg potatoes", 0.1, "100 g potatoes");
        row("130 g sugar", 1.5, "195 g sugar");
        row("330 ml milk", 1.5, "500 ml milk");
        row("1 lb beef", 2, "2 lbs beef");
        row("8 oz cheese", 2, "1 lb cheese");
        row("1 egg", 2, "2 eggs");
        row("2 eggs, beaten", 1.5, "3 eggs, beaten");
        row("3 large eggs", 0.5, "1 1/2 large eggs");
        row("2 huevos", 0.5, "1 huevo");
        row("      1 lg Egg", 3, "      3 lg Eggs");
        row("2-3 apples", 2, "4-6 apples");
        row("2-3 tbsp lemon juice", 0.5, "1 - 1 1/2 tbsp lemon juice");
        row("1 taza y media de leche", 2, "3 tazas de leche");
        row("2 a 3 manzanas", 2, "4 a 6 manzanas");
        row("1 pinch salt", 2, "2 pinches salt");
        row("1 can tomatoes", 2, "2 cans tomatoes");
        row("1 pizca de sal", 3, "3 pizcas de sal");
        row("Salt to taste", 2, "Salt to taste");
        row("1/8 tsp cloves", 0.5, "1/8 tsp cloves");
    }
    void scaling()
    {
        QFETCH(QString, line);
        QFETCH(double, factor);
        QFETCH(int, lang);
        QFETCH(QString, shown);
        QCOMPARE(shownLine(line, 4 * factor, UnitSystem::AsWritten, lang), shown);
    }

    void conversion_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<UnitSystem>("units");
        QTest::addColumn<int>("lang");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* line, UnitSystem units, const char* shown, int lang = 0) {
            QTest::newRow(qPrintable(QStringLiteral("%1 %2 %3").arg(QString::fromUtf8(line)).arg(int(units)).arg(lang)))
                << QString::fromUtf8(line) << units << lang << QString::fromUtf8(shown);
        };
        const UnitSystem metric = UnitSystem::Metric, us = UnitSystem::US;
        row("1 cup flour", metric, "125 g flour");
        row("1 1/2 cups sugar", metric, "300 g sugar");
        row("1 taza de azúcar", metric, "200 g de azúcar", kEs);
        row("1/2 cup butter", metric, "115 g butter");
        row("2 tbsp butter", metric, "28 g butter");
        row("1 cup water", metric, "235 ml water");
        row("2 cups milk", metric, "470 ml milk");
        row("1 1/2 cups milk", metric, "350 ml milk");
        row("1 tbsp oil", metric, "15 ml oil");
        row("1 tsp sugar", metric, "5 ml sugar");
        row("4 oz cheese", metric, "115 g cheese");
        row("1 lb beef", metric, "450 g beef");
        row("3 lb potatoes", metric, "1.4 kg potatoes");
        row("3 lb patatas", metric, "1,4 kg patatas", kEs);
        row("2 quarts stock", metric, "1.9 l stock");
        row("2-3 cups flour", metric, "250-380 g flour");
        row("250 ml milk", us, "1 cup milk");
        row("15 ml oil", us, "1 tbsp oil");
        row("5 ml vanilla", us, "1 tsp vanilla");
        row("100 g chocolate", us, "3 1/2 oz chocolate");
        row("500 g flour", us, "1 lb flour");
        row("1 l stock", us, "4 1/4 cups stock");
        row("1 l caldo", us, "4 1/4 tazas caldo", kEs);
        row("750 ml caldo", us, "3 1/4 tazas caldo", kEs);
        row("200 ml milk", us, "7/8 cup milk");
        row("2 pinches salt", metric, "2 pinches salt");
        row("1 cup flour", us, "1 cup flour");
        row("250 g flour", metric, "250 g flour");
        row("Heat 1 cup water to 110°F", metric, "Heat 1 cup water to 45 °C");
        row("1 cup water (110°F)", metric, "235 ml water (45 °C)");
    }
    void conversion()
    {
        QFETCH(QString, line);
        QFETCH(UnitSystem, units);
        QFETCH(int, lang);
        QFETCH(QString, shown);
        QCOMPARE(shownLine(line, 0, units, lang), shown);
    }

    void temperatures_data()
    {
        QTest::addColumn<QString>("prep");
        QTest::addColumn<UnitSystem>("units");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* prep, UnitSystem units, const char* shown) {
            QTest::newRow(prep) << QString::fromUtf8(prep) << units << QString::fromUtf8(shown);
        };
        const UnitSystem metric = UnitSystem::Metric, us = UnitSystem::US;
        row("Bake at 350°F for 25 minutes.", metric, "Bake at 175 °C for 25 minutes.");
        row("Preheat the oven to 350 degrees F.", metric, "Preheat the oven to 175 °C.");
        row("Heat to 375 ° F, then 400F.", metric, "Heat to 190 °C, then 205 °C.");
        row("Bake at 350-375°F.", metric, "Bake at 175-190 °C.");
        row("Oven at 425 degrees.", metric, "Oven at 220 °C.");
        row("Hornear a 180 °C.", us, "Hornear a 350 °F.");
        row("Hornear a 180 grados.", us, "Hornear a 350 °F.");
        row("Horno a 200ºC", us, "Horno a 400 °F");
        row("Bake at 180 °C.", metric, "Bake at 180 °C.");
        row("Add 12c water, heat to 40C.", us, "Add 12c water, heat to 105 °F.");
        row("Bake at 350°F.", us, "Bake at 350°F.");
        row("Bake at 350 for 25 minutes with 2 C flour.", metric, "Bake at 350 for 25 minutes with 2 C flour.");
    }
    void temperatures()
    {
        QFETCH(QString, prep);
        QFETCH(UnitSystem, units);
        QFETCH(QString, shown);
        const Recipe r = recipe(QStringLiteral("4"), QString(), prep);
        QCOMPARE(viewedRecipe(r, {0, units}, 0).prep, shown);
    }

    // The yield shown with the recipe's own beside it; the rest of the
    // recipe and its line breaks as they were; the recipe given unchanged.
    void wholeRecipe()
    {
        const Recipe bread = recipe(QStringLiteral("2 loaves"),
                                    QStringLiteral("FOR THE DOUGH:\r\n1 cup water\r\n\r\nSalt to taste"),
                                    QStringLiteral("Knead.\r\nBake at 400°F."));
        const Recipe copy = bread;
        Recipe shown = viewedRecipe(bread, {4, UnitSystem::AsWritten}, 0);
        QCOMPARE(shown.yield, QStringLiteral("4 loaves (recipe: 2 loaves)"));
        QCOMPARE(shown.ing, QStringLiteral("FOR THE DOUGH:\r\n2 cups water\r\n\r\nSalt to taste"));
        QCOMPARE(shown.prep, bread.prep);
        QCOMPARE(bread.ing, copy.ing);
        QCOMPARE(bread.yield, copy.yield);
        shown = viewedRecipe(bread, {4, UnitSystem::Metric}, 0);
        QCOMPARE(shown.ing, QStringLiteral("FOR THE DOUGH:\r\n470 ml water\r\n\r\nSalt to taste"));
        QCOMPARE(shown.prep, QStringLiteral("Knead.\r\nBake at 205 °C."));
        QCOMPARE(viewedRecipe(recipe(QStringLiteral("1 loaf"), QString()), {3, UnitSystem::AsWritten}, 0).yield,
                 QStringLiteral("3 loaves (recipe: 1 loaf)"));
        QCOMPARE(viewedRecipe(recipe(QStringLiteral("2 hogazas"), QString()), {1, UnitSystem::AsWritten}, kEs).yield,
                 QStringLiteral("1 hogaza (receta: 2 hogazas)"));
        QCOMPARE(viewedRecipe(recipe(QStringLiteral("Serves 4-6"), QString()), {8, UnitSystem::AsWritten}, 0).yield,
                 QStringLiteral("Serves 8 (recipe: Serves 4-6)"));
        // The view of the recipe's own servings, and one with no count to
        // scale from, leave it as it is.
        for (const CookView view : {CookView{}, CookView{2, UnitSystem::AsWritten}}) {
            const Recipe same = viewedRecipe(bread, view, 0);
            QCOMPARE(same.yield, bread.yield);
            QCOMPARE(same.ing, bread.ing);
        }
        const Recipe noCount = recipe(QStringLiteral("a big pot"), QStringLiteral("1 cup rice"));
        QCOMPARE(viewedRecipe(noCount, {6, UnitSystem::AsWritten}, 0).ing, noCount.ing);
        QCOMPARE(viewedRecipe(noCount, {6, UnitSystem::AsWritten}, 0).yield, noCount.yield);
    }

    void shopping()
    {
        const Recipe cake = recipe(QStringLiteral("4"),
                                   QStringLiteral("1 cup sugar\r\n2 eggs\r\nFOR THE TOP:\r\n"
                                                  "500 g flour\r\nsalt to taste\r\n1/2 cup sugar"));
        const Recipe bread = recipe(QStringLiteral("1 loaf"),
                                    QStringLiteral("1 kg Flour\n1 egg\nSalt to taste\n1 onion, chopped\n"
                                                   "1 cup flour\n1 tbsp sugar\n2 dientes de ajo"));
        std::vector<ShoppingItem> items = shoppingList({{cake, 0}, {bread, 0}}, UnitSystem::AsWritten, 0);
        QCOMPARE(texts(items), QStringList({
                                   QStringLiteral("Fruit and vegetables: 1 onion, chopped"),
                                   QStringLiteral("Fruit and vegetables: 2 dientes de ajo"),
                                   QStringLiteral("Dairy and eggs: 3 eggs"),
                                   QStringLiteral("Baking: 1 1/2 cups sugar"),
                                   QStringLiteral("Baking: 1.5 kg flour"),
                                   QStringLiteral("Baking: 1 cup flour"),
                                   QStringLiteral("Spices: salt to taste"),
                               }));
        // Servings scale a recipe before it is added; in metric the cups of
        // flour join the grams.
        items = shoppingList({{cake, 8}, {bread, 0}}, UnitSystem::Metric, kEs);
        QCOMPARE(texts(items), QStringList({
                                   QStringLiteral("Frutas y verduras: 1 onion, chopped"),
                                   QStringLiteral("Frutas y verduras: 2 dientes de ajo"),
                                   QString::fromUtf8("Lácteos y huevos: 5 eggs"),
                                   QString::fromUtf8("Repostería: 610 g sugar"),
                                   QString::fromUtf8("Repostería: 2,1 kg flour"),
                                   QStringLiteral("Especias: salt to taste"),
                               }));
        // A name the table does not count takes the plural of the line that had it.
        QCOMPARE(texts(shoppingList({{recipe(QStringLiteral("1"), QStringLiteral("1 bagel")), 0},
                                     {recipe(QStringLiteral("1"), QStringLiteral("2 bagels")), 0}},
                                    UnitSystem::AsWritten, 0)),
                 QStringList{QStringLiteral("Other: 3 bagels")});
        // Six tablespoons are no cup measure: never "1/3 cup" (a tablespoon short).
        QCOMPARE(texts(shoppingList({{recipe(QStringLiteral("1"), QStringLiteral("4 tbsp butter")), 0},
                                     {recipe(QStringLiteral("1"), QStringLiteral("2 tbsp butter")), 0}},
                                    UnitSystem::AsWritten, 0)),
                 QStringList{QStringLiteral("Dairy and eggs: 6 tbsp butter")});
        const QString text = shoppingListText(items, {true, true, false, false, false, true}, kEs);
        QCOMPARE(text, QString::fromUtf8("Lista de la compra\r\n\r\nLácteos y huevos\r\n- 5 eggs\r\n\r\nRepostería\r\n"
                                         "- 610 g sugar\r\n- 2,1 kg flour\r\n"));
    }

    void steps_data()
    {
        QTest::addColumn<QString>("prep");
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("numbered") << QStringLiteral("1. Mix the flour\nand the water.\r\n2) Knead.\n\nStep 3: Bake.")
                                  << QStringList{"Mix the flour and the water.", "Knead.", "Bake."};
        QTest::newRow("paragraphs") << QStringLiteral("Mix the flour\nand the water.\n\n\nKnead well.\n")
                                    << QStringList{"Mix the flour and the water.", "Knead well."};
        QTest::newRow("a step a line") << QStringLiteral("Mix.\nKnead well.\nBake")
                                       << QStringList{"Mix.", "Knead well.", "Bake"};
        QTest::newRow("wrapped") << QStringLiteral("Mix the flour with\nthe water and knead.")
                                 << QStringList{"Mix the flour with the water and knead."};
        const QString sentence = QStringLiteral("Mix the flour with the water and the salt until smooth. ");
        QTest::newRow("one long paragraph") << sentence.repeated(5).trimmed() << QStringList(5, sentence.trimmed());
        QTest::newRow("empty") << QStringLiteral(" \r\n") << QStringList();
    }
    void steps()
    {
        QFETCH(QString, prep);
        QFETCH(QStringList, steps);
        const std::vector<QString> found = preparationSteps(prep);
        QCOMPARE(QStringList(found.begin(), found.end()), steps);
    }

    void timers_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QStringList>("found"); // "text=seconds"
        const auto row = [](const char* step, QStringList found) {
            QTest::newRow(step) << QString::fromUtf8(step) << found;
        };
        row("Bake 25 minutes.", {"25 minutes=1500"});
        row("Simmer for 1 1/2 hours, stirring.", {"1 1/2 hours=5400"});
        row("Roast 1 hour 15 minutes, rest 10 min.", {"1 hour 15 minutes=4500", "10 min=600"});
        row("Bake 10-15 min or until golden.", {"10-15 min=600"});
        row("Hornear 10 minutos a 180 grados.", {"10 minutos=600"});
        row("Cocer 1 hora y 15 minutos.", {"1 hora y 15 minutos=4500"});
        row("Batir 30 segundos.", {"30 segundos=30"});
        row("Rise 2 h, 30 min.", {"2 h, 30 min=9000"});
        row("Add 2 cups of flour at 350 degrees.", {});
    }
    void timers()
    {
        QFETCH(QString, step);
        QFETCH(QStringList, found);
        QStringList got;
        for (const StepTimer& t : timersInStep(step))
            got << step.mid(t.start, t.length) + QLatin1Char('=') + QString::number(t.seconds);
        QCOMPARE(got, found);
    }
};

QTEST_MAIN(TestCooking)
#include "tst_cooking.moc"
