// A pasted recipe split into fields, in the splitter and through Tools >
// Paste a Recipe into the add window; and the readers of text and table
// exports: Now You're Cooking! text, Saffron text, Plan to Eat and
// MyRecipeBox CSV (alone and zipped), told apart by the file check.

#include "app/application.h"
#include "app/base/globals.h"
#include "app/ui/windows.h"
#include "browse/frmBr.h"
#include "entry/frmAdd.h"
#include "entry/frmPaste.h"
#include "exchange/formats/csvrecipes.h"
#include "exchange/formats/pastedtext.h"
#include "exchange/importfile.h"
#include "resources/strings.h"
#include "store/store.h"
#include "testsupport.h"
#include "archivewriting.h"

#include <QAction>
#include <QBuffer>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace bd;

namespace {

const ReadContext kContext{QStringLiteral("Imported"), 0};

// The file read through the import's file check: its kind, its recipes.
ImportKind readFile(const QByteArray& bytes, const QString& name, RecipeList& read)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    bdtest::writeFile(path, bytes);
    read.clear();
    return readImportFile(path, read, kContext).kind;
}

using bdtest::zipOf;

QByteArray latin1(const QString& s) { return s.toLatin1(); }

// An ingredient line in RezKonv's columns: amount 7 wide, unit 9 wide,
// both to the right, text after a space.
QString rk(const char* amount, const char* unit, const char* text)
{
    return QString::fromUtf8(amount).rightJustified(7) + QLatin1Char(' ') + QString::fromUtf8(unit).rightJustified(9) +
           QLatin1Char(' ') + QString::fromUtf8(text) + QStringLiteral("\r\n");
}

} // namespace

class TestReadersC : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { resetWindows(); }

    // A recipe copied from a web page: a description, times laid out as
    // label over value, list marks, sub-headings, numbered steps.
    void pastedWebPageCopy()
    {
        const Recipe r = splitPastedRecipe(QStringLiteral("Lemon Drizzle Cake\n"
                                                          "A light sponge soaked in lemon syrup.\n"
                                                          "Prep Time\n15 mins\nCook Time\n45 mins\n"
                                                          "Servings: 8\n\n"
                                                          "Ingredients\n"
                                                          "• 225 g butter, softened\n"
                                                          "• 4 eggs\n"
                                                          "• zest of 1 lemon\n"
                                                          "For the drizzle:\n"
                                                          "▢ 85 g caster sugar\n\n"
                                                          "Instructions\n"
                                                          "1. Heat the oven to 180C.\n"
                                                          "2. Beat the butter and sugar\n"
                                                          "until pale.\n"
                                                          "3) Bake for 45 minutes.\n"
                                                          "Notes\n"
                                                          "Keeps for 3 days in a tin.\n"),
                                           0);
        QCOMPARE(r.title, QStringLiteral("Lemon Drizzle Cake"));
        QCOMPARE(r.preptime, QStringLiteral("15 mins"));
        QCOMPARE(r.cooktime, QStringLiteral("45 mins"));
        QCOMPARE(r.yield, QStringLiteral("8"));
        QCOMPARE(r.ing, QStringLiteral("225 g butter, softened\n4 eggs\nzest of 1 lemon\nFor the drizzle:\n"
                                       "85 g caster sugar"));
        QCOMPARE(r.prep, QStringLiteral("Heat the oven to 180C.\n\nBeat the butter and sugar\nuntil pale.\n\n"
                                        "Bake for 45 minutes."));
        QCOMPARE(r.other, QStringLiteral("A light sponge soaked in lemon syrup.\n\nKeeps for 3 days in a tin."));
    }

    // An e-mail: headers, a greeting and chatter before the recipe, no
    // headings, wrapped lines, a sign-off.
    void pastedEmailWithoutHeadings()
    {
        const Recipe r = splitPastedRecipe(
            QStringLiteral(
                "From: Ann <ann@example.org>\r\nSubject: Re: Fwd: Gran's scones\r\n\r\n"
                "Hi Bea,\r\n\r\nHere is the recipe you asked me for at the weekend.\r\n\r\n"
                "Gran's Scones\r\nMakes 12 scones\r\nPrep: 10 min | Bake: 12 min | Total time: 25 min\r\n\r\n"
                "2 cups self-raising flour\r\n1/2 tsp salt\r\n3 tbsp butter\r\n"
                "milk to mix\r\n\r\n"
                "Rub the butter into the flour and salt until it looks like fine crumbs, then stir\r\n"
                "in enough milk to make a soft dough.\r\n\r\n"
                "Cut into rounds and bake in a hot oven until risen and golden.\r\n\r\n"
                "Enjoy!\r\nLove, Ann\r\n"),
            0);
        // The title as the book takes it: no straight apostrophe.
        QCOMPARE(r.title, QStringLiteral("Gran\u2019s Scones"));
        QCOMPARE(r.yield, QStringLiteral("12 scones"));
        QCOMPARE(r.preptime, QStringLiteral("10 min"));
        QCOMPARE(r.cooktime, QStringLiteral("12 min"));
        QCOMPARE(r.ing, QStringLiteral("2 cups self-raising flour\n1/2 tsp salt\n3 tbsp butter\nmilk to mix"));
        QCOMPARE(r.prep, QStringLiteral("Rub the butter into the flour and salt until it looks like fine crumbs, then "
                                        "stir in enough milk to make a soft dough.\n\n"
                                        "Cut into rounds and bake in a hot oven until risen and golden."));
        QCOMPARE(r.other, QStringLiteral("Total time: 25 min"));

        // Without a title line the subject names the recipe.
        QCOMPARE(splitPastedRecipe(QStringLiteral("Subject: FW: Pancakes\n\n1 cup flour\n1 egg\n"), 0).title,
                 QStringLiteral("Pancakes"));
    }

    // Spanish: headings that are also time labels ("Preparación"),
    // "Raciones", numbered steps, the notes written in Spanish.
    void pastedSpanishRecipe()
    {
        const Recipe r = splitPastedRecipe(QStringLiteral("Tortilla de patatas\n"
                                                          "Raciones: 4\n"
                                                          "Tiempo de preparación: 15 min\n"
                                                          "Tiempo de cocción: 30 min\n"
                                                          "Fuente: mi abuela\n\n"
                                                          "Ingredientes:\n"
                                                          "- 4 huevos\n"
                                                          "- 500 g de patatas\n"
                                                          "- Sal\n\n"
                                                          "Preparación:\n"
                                                          "Paso 1: Pelar y cortar las patatas.\n"
                                                          "Paso 2: Freírlas a fuego lento.\n"),
                                           300);
        QCOMPARE(r.title, QStringLiteral("Tortilla de patatas"));
        QCOMPARE(r.yield, QStringLiteral("4"));
        QCOMPARE(r.preptime, QStringLiteral("15 min"));
        QCOMPARE(r.cooktime, QStringLiteral("30 min"));
        QCOMPARE(r.ing, QStringLiteral("4 huevos\n500 g de patatas\nSal"));
        QCOMPARE(r.prep, QStringLiteral("Pelar y cortar las patatas.\n\nFreírlas a fuego lento."));
        QCOMPARE(r.other, fetchText(Str::NoteSource, 300).arg(QStringLiteral("mi abuela")));
    }

    // Texts that are only part of a recipe, and what ends an ingredient
    // list without a heading for the directions.
    void pastedPartsAndBoundaries()
    {
        // Only ingredients: no title is made up from the first of them.
        Recipe r = splitPastedRecipe(QStringLiteral("2 cups flour\n1 tsp salt\n3 eggs\n"), 0);
        QCOMPARE(r.title, QString());
        QCOMPARE(r.ing, QStringLiteral("2 cups flour\n1 tsp salt\n3 eggs"));
        QCOMPARE(r.prep, QString());

        // An "Ingredients" heading and no directions heading: the first
        // step or sentence after a blank line starts the directions; a
        // time at the start of a sentence is no amount.
        r = splitPastedRecipe(QStringLiteral("Rice\n\nIngredients\n1 cup rice\n2 cups water\n\n"
                                             "Rinse the rice well and drain it.\n"
                                             "10 minutes later, stir in the water.\n"),
                              0);
        QCOMPARE(r.ing, QStringLiteral("1 cup rice\n2 cups water"));
        QCOMPARE(r.prep, QStringLiteral("Rinse the rice well and drain it.\n10 minutes later, stir in the water."));

        // Labels over their values and "Step 1" over its text, as web
        // pages are copied.
        r = splitPastedRecipe(QStringLiteral("Banana Bread\nPrep Time:\n15 mins\nYield:\n1 loaf\nIngredients\n"
                                             "3 bananas\nDirections\nStep 1\nMash the bananas.\nStep 2\nBake.\n"),
                              0);
        QCOMPARE(r.preptime, QStringLiteral("15 mins"));
        QCOMPARE(r.yield, QStringLiteral("1 loaf"));
        QCOMPARE(r.prep, QStringLiteral("Mash the bananas.\n\nBake."));

        // Directions alone.
        r = splitPastedRecipe(QStringLiteral("Toast\n\nToast the bread and butter it while it is hot.\n"), 0);
        QCOMPARE(r.title, QStringLiteral("Toast"));
        QCOMPARE(r.prep, QStringLiteral("Toast the bread and butter it while it is hot."));

        QVERIFY(pastedWebAddress(QStringLiteral("  https://example.org/recipes/soup\n")));
        QVERIFY(pastedWebAddress(QStringLiteral("HTTP://example.org/x")));
        QVERIFY(!pastedWebAddress(QStringLiteral("see https://example.org/x")));
        QVERIFY(!pastedWebAddress(QStringLiteral("ftp://example.org/x")));
    }

    // Tools > Paste a Recipe: the pasted text fills the add window, where
    // the recipe is added as any other; a web address goes to the import.
    void pasteWindowFillsTheAddWindow()
    {
        bdtest::TestEnv env;
        registerStandardWindows();
        G.xmlDoc.appendCategory(QStringLiteral("Breads"));
        QVERIFY(bookStore().save());
        auto* br = qobject_cast<frmBr*>(showWindow(WindowKind::Br));
        QVERIFY(br);
        br->mnuPaste->trigger();
        auto* paste = qobject_cast<frmPaste*>(instance(WindowKind::Paste));
        QVERIFY(paste);
        QVERIFY(!br->isEnabled());
        paste->txtPaste->setPlainText(
            QStringLiteral("Ma's Soda Bread\nServes 6\n\nIngredients\n500 g flour\n1 tsp soda\n\n"
                           "Method\nMix and bake for 40 minutes.\n"));
        paste->cmdFill->click();
        QCoreApplication::processEvents();
        auto* add = qobject_cast<frmAdd*>(instance(WindowKind::Add));
        QVERIFY(add);
        QVERIFY(add->isVisible());
        QCOMPARE(add->txtTitle->text(), QStringLiteral("Ma\u2019s Soda Bread"));
        QCOMPARE(add->txtY->text(), QStringLiteral("6"));
        QCOMPARE(add->txtIng->toPlainText(), QStringLiteral("500 g flour\n1 tsp soda"));
        QCOMPARE(add->txtPrep->toPlainText(), QStringLiteral("Mix and bake for 40 minutes."));
        add->cboACats->setCurrentIndex(add->cboACats->findText(QStringLiteral("Breads")));
        add->cmdAdd->click();
        QVERIFY(G.xmlDoc.titleExists(QStringLiteral("Ma\u2019s Soda Bread")));

        // A web address is fetched as the import's web page is: here one
        // that cannot be reached, which the import says.
        resetWindows();
        registerStandardWindows();
        br = qobject_cast<frmBr*>(showWindow(WindowKind::Br));
        br->mnuPaste->trigger();
        paste = qobject_cast<frmPaste*>(instance(WindowKind::Paste));
        paste->txtPaste->setPlainText(QStringLiteral("http://127.0.0.1:9/recipe"));
        env.dialogs.clear();
        paste->cmdFill->click();
        QVERIFY(instance(WindowKind::Imp));
        QVERIFY(env.dialogs.shown(Str::WebNoConnection));
    }

    // Now You're Cooking! text: ISO-8859-1, categories apart by commas and
    // tabs, sections, wrapped directions, the program's own lines (and a
    // "Yield:" the cook typed in the directions, which stays there).
    void nowYoureCookingText()
    {
        const QByteArray file = latin1(
            QStringLiteral("@@@@@ Now You're Cooking! Export Format\r\n\r\n"
                           "Crème Brûlée\r\n\r\n"
                           "desserts,\tfrench\r\n\r\n"
                           "2 cup cream\r\n"
                           "5  egg yolks\r\n"
                           "1/2 cup sugar  divided\r\n"
                           "      ----TOPPING----\r\n"
                           "2 tablespoon brown sugar\r\n\r\n"
                           "Heat the cream until it steams. Whisk the yolks with half the sugar\r\n"
                           "until pale, then pour in the cream.\r\n\r\n"
                           "Bake in a water bath. Chill.\r\n"
                           "Yield: 6 ramekins.\r\n\r\n"
                           "NYC Nutrition Analysis (per serving or yield unit): calories=410; protein=5 g\r\n\r\n"
                           "Contributor: Jo Smith\r\n\r\n"
                           "Yield: 6 servings\r\n\r\n"
                           "  NYC Nutrilink: N123^01053,N0^00000\r\n\r\n"
                           "** Exported from Now You're Cooking! v5.71 **\r\n\r\n"
                           "@@@@@ Now You're Cooking! Export Format\r\n\r\n"
                           "Plain Toast\r\n\r\n"
                           "breakfast\r\n\r\n"
                           "1 slice bread\r\n\r\n"
                           "Toast it.\r\n\r\n"
                           "Yield: 1 servings\r\n\r\n"
                           "** Exported from Now You're Cooking! v5.71 **\r\n"));
        RecipeList read;
        QCOMPARE(readFile(file, QStringLiteral("export.txt"), read), ImportKind::NowYoureCooking);
        QCOMPARE(read.count(), 2);
        const Recipe& r = read.recipes[0];
        QCOMPARE(r.title, QStringLiteral("Crème Brûlée"));
        QCOMPARE(r.category, QStringLiteral("desserts"));
        QCOMPARE(r.yield, QStringLiteral("6 servings"));
        QCOMPARE(r.ing, QStringLiteral("2 cup cream\n5 egg yolks\n1/2 cup sugar, divided\nTOPPING\n"
                                       "2 tablespoon brown sugar"));
        QCOMPARE(r.prep,
                 QStringLiteral("Heat the cream until it steams. Whisk the yolks with half the sugar until "
                                "pale, then pour in the cream.\n\nBake in a water bath. Chill.\nYield: 6 ramekins."));
        QCOMPARE(r.other, QStringLiteral("Categories: desserts, french\n\n"
                                         "Nutrition: calories=410; protein=5 g\nContributor: Jo Smith"));
        QCOMPARE(read.recipes[1].title, QStringLiteral("Plain Toast"));
        QCOMPARE(read.recipes[1].category, QStringLiteral("breakfast"));
        QCOMPARE(read.recipes[1].ing, QStringLiteral("1 slice bread"));
        QCOMPARE(read.recipes[1].prep, QStringLiteral("Toast it."));
        QCOMPARE(read.recipes[1].other, QString());
    }

    // Saffron text: every label where it belongs, several recipes in a
    // file, a picture's address kept in the notes.
    void saffronText()
    {
        const QByteArray file = QStringLiteral("Title: Pea Soup\n"
                                               "Description: Green and quick.\n"
                                               "Source: Aunt May\n"
                                               "Original URL: https://example.org/pea-soup\n"
                                               "Yield: 4\nPrep: 5 minutes\nCook: 20 minutes\nTotal: 25 minutes\n"
                                               "Cookbook: Family\nSection: Soups\n"
                                               "Image: https://example.org/pea.jpg\n"
                                               "Ingredients: \n\t500 g peas\n\t1 onion, diced\n"
                                               "Instructions: \n\tSoften the onion.\n\tAdd the peas; simmer.\n"
                                               "Title: Toast\nDescription:\nSection:\nImage:\nIngredients:\n\t1 slice "
                                               "bread\nInstructions:\n\tToast it.")
                                    .toUtf8();
        RecipeList read;
        QCOMPARE(readFile(file, QStringLiteral("soup.txt"), read), ImportKind::Saffron);
        QCOMPARE(read.count(), 2);
        const Recipe& r = read.recipes[0];
        QCOMPARE(r.title, QStringLiteral("Pea Soup"));
        QCOMPARE(r.category, QStringLiteral("Soups"));
        QCOMPARE(r.yield, QStringLiteral("4"));
        QCOMPARE(r.preptime, QStringLiteral("5 minutes"));
        QCOMPARE(r.cooktime, QStringLiteral("20 minutes"));
        QCOMPARE(r.ing, QStringLiteral("500 g peas\n1 onion, diced"));
        QCOMPARE(r.prep, QStringLiteral("Soften the onion.\n\nAdd the peas; simmer."));
        QCOMPARE(r.other, QStringLiteral("Description: Green and quick.\nSource: Aunt May\n"
                                         "Web page: https://example.org/pea-soup\nTotal time: 25 minutes\n"
                                         "Cookbook: Family\nPicture: https://example.org/pea.jpg"));
        QCOMPARE(read.recipes[1].category, QStringLiteral("Imported"));
        QCOMPARE(read.recipes[1].ing, QStringLiteral("1 slice bread"));
        QCOMPARE(read.recipes[1].prep, QStringLiteral("Toast it."));
    }

    // RezKonv: German headers, its wide unit column, sections between runs
    // of "=", the source section in the notes, several recipes.
    void rezKonvText()
    {
        const QString rule = QString(31, QLatin1Char('='));
        const QByteArray file = (QStringLiteral("========== REZKONV-Rezept - RezkonvSuite v1.4\r\n\r\n"
                                                "     Titel:  Zwiebelkuchen\r\n"
                                                "Kategorien:  Backen, Herzhaft\r\n"
                                                "     Menge:  1 Blech\r\n\r\n") +
                                 rk("500", "g", "Zwiebeln") + rk("1 1/2", "EL", "Öl") + rk("2", "", "Eier") + rule +
                                 QStringLiteral(" TEIG ") + rule + QStringLiteral("\r\n") + rk("250", "g", "Mehl") +
                                 rk("1", "Prise", "Salz") + QStringLiteral("\r\n") + rule + QStringLiteral(" QUELLE ") +
                                 rule +
                                 QStringLiteral("\r\n"
                                                "                   Omas Kochbuch\r\n"
                                                "                   -- erfasst von Eva\r\n\r\n"
                                                "Die Zwiebeln in Ringe schneiden und im Öl glasig dünsten.\r\n\r\n"
                                                "Den Teig ausrollen, belegen und backen.\r\n"
                                                "=====\r\n\r\n"
                                                "========== REZKONV-Rezept - RezkonvSuite v1.4\r\n\r\n"
                                                "     Titel:  Tee\r\n"
                                                "Kategorien:  Getränke\r\n"
                                                "     Menge:  2 Tassen\r\n\r\n") +
                                 rk("2", "TL", "Tee") + QStringLiteral("\r\nAufgießen.\r\n=====\r\n"))
                                    .toUtf8();
        RecipeList read;
        QCOMPARE(readFile(file, QStringLiteral("rezepte.txt"), read), ImportKind::RezKonv);
        QCOMPARE(read.count(), 2);
        const Recipe& r = read.recipes[0];
        QCOMPARE(r.title, QStringLiteral("Zwiebelkuchen"));
        QCOMPARE(r.category, QStringLiteral("Backen"));
        QCOMPARE(r.yield, QStringLiteral("1 Blech"));
        QCOMPARE(r.ing, QStringLiteral("500 g Zwiebeln\n1 1/2 EL Öl\n2 Eier\nTEIG\n250 g Mehl\n1 Prise Salz"));
        QCOMPARE(r.prep, QStringLiteral("Die Zwiebeln in Ringe schneiden und im Öl glasig dünsten.\n\n"
                                        "Den Teig ausrollen, belegen und backen."));
        QCOMPARE(r.other, QStringLiteral("Source: Omas Kochbuch - erfasst von Eva\nCategories: Backen, Herzhaft"));
        QCOMPARE(read.recipes[1].title, QStringLiteral("Tee"));
        QCOMPARE(read.recipes[1].ing, QStringLiteral("2 TL Tee"));
        QCOMPARE(read.recipes[1].prep, QStringLiteral("Aufgießen."));
    }

    // The CSV records: quotes, doubled quotes, line breaks inside fields,
    // CR LF, LF and CR, blank lines, a last record without its line break.
    void csvRecordsAsWritten()
    {
        const QList<QStringList> records = csvRecords(
            QStringLiteral("a,b,c\r\n\"x, y\",\"say \"\"hi\"\"\",\"two\r\nlines\"\n\r\n1,,3\r4,5,"));
        QCOMPARE(records.size(), 4);
        QCOMPARE(records[0], QStringList({"a", "b", "c"}));
        QCOMPARE(records[1], QStringList({"x, y", "say \"hi\"", "two\r\nlines"}));
        QCOMPARE(records[2], QStringList({"1", "", "3"}));
        QCOMPARE(records[3], QStringList({"4", "5", ""}));
        // A quote inside a field is text; a quote never closed runs to the end.
        QCOMPARE(csvRecords(u"x,a\"b\"c,\"open, still\r\nopen"),
                 QList<QStringList>({{"x", "a\"b\"c", "open, still\r\nopen"}}));
    }

    // Plan to Eat: 33 columns, zipped or alone, a byte order mark,
    // sections of ingredients, times in minutes, what has no field in the
    // notes.
    void planToEatTable()
    {
        const QByteArray header =
            "Title,Course,Cuisine,Main Ingredient,Description,Source,Url,Url Host,Prep Time,Cook Time,Total Time,"
            "Servings,Yield,Ingredients,Directions,Tags,Rating,Public Url,Photo Url,Private,Nutritional Score "
            "(generic),Calories,Fat,Saturated Fat,Cholesterol,Sodium,Sugar,Carbohydrate,Fiber,Protein,Cost,Created "
            "At,Updated At\r\n";
        const QByteArray rows =
            "Bean Chili,Main Course,Mexican,Beans,\"Smoky.\nFeeds a crowd.\",Ma,https://example.org/chili,example.org,"
            "20,75,95,6,1 pot,\", For the chili\n2 cans beans, drained\n1 onion\n, Topping\n1 cup sour cream\n\n\","
            "\"Fry the onion.\n\nAdd the beans; simmer.\",\"Cheap, Vegan\",4,https://app.example/r/1,"
            "https://img.example/chili.jpg,yes,,350,12,,,,,,,,,2023-10-13 20:29:29,2023-10-13 20:32:48\r\n"
            // A row with neither title, ingredients nor directions is no recipe.
            ",,,,,,,,,,,,,,,,4,,,,,,,,,,,,,,,2023-10-13 20:29:29,2023-10-13 20:32:48\r\n"
            "Plain Rice,,,,,,,,,,,,,\"1 cup rice\",Boil.,,,,,,,,,,,,,,,,,2023-10-13 20:29:29,2023-10-13 20:32:48\r\n";
        RecipeList read;
        QCOMPARE(readFile(zipOf({{QStringLiteral("plantoeat.csv"), "\xEF\xBB\xBF" + header + rows}}),
                          QStringLiteral("export.zip"), read),
                 ImportKind::PlanToEat);
        QCOMPARE(read.count(), 2);
        const Recipe& r = read.recipes[0];
        QCOMPARE(r.title, QStringLiteral("Bean Chili"));
        QCOMPARE(r.category, QStringLiteral("Main Course"));
        QCOMPARE(r.preptime, QStringLiteral("20 min"));
        QCOMPARE(r.cooktime, QStringLiteral("1 h 15 min"));
        QCOMPARE(r.yield, QStringLiteral("1 pot"));
        QCOMPARE(r.ing, QStringLiteral("For the chili\n2 cans beans, drained\n1 onion\nTopping\n1 cup sour cream"));
        QCOMPARE(r.prep, QStringLiteral("Fry the onion.\n\nAdd the beans; simmer."));
        QCOMPARE(r.other,
                 QStringLiteral("Cuisine: Mexican\nMain Ingredient: Beans\nDescription: Smoky. Feeds a crowd.\n"
                                "Source: Ma\nWeb page: https://example.org/chili\nTotal time: 1 h 35 min\n"
                                "Tags: Cheap, Vegan\nRating: 4\nPublic Url: https://app.example/r/1\n"
                                "Picture: https://img.example/chili.jpg\nServings: 6\n"
                                "Nutrition: Calories 350, Fat 12"));
        QCOMPARE(read.recipes[1].title, QStringLiteral("Plain Rice"));
        QCOMPARE(read.recipes[1].category, QStringLiteral("Imported"));
        QCOMPARE(read.recipes[1].ing, QStringLiteral("1 cup rice"));

        // The same table alone.
        QCOMPARE(readFile(header + rows, QStringLiteral("plantoeat.csv"), read), ImportKind::PlanToEat);
        QCOMPARE(read.count(), 2);
        // A zip of another table is no Plan to Eat export.
        QCOMPARE(readFile(zipOf({{QStringLiteral("list.csv"), "name,amount\r\nflour,2\r\n"}}),
                          QStringLiteral("other.zip"), read),
                 ImportKind::None);
    }

    // MyRecipeBox: several categories apart by ";", notes, nutrition on
    // one line, the second picture address in a column without a name.
    void myRecipeBoxTable()
    {
        const QByteArray file =
            "title,description,preparationTime,cookingTime,inactiveTime,totalTime,quantity,ingredients,instructions,"
            "notes,nutrition,favorite,rating,categories,tags,video,source,originalPicture,\r\n"
            "Squash Soup ,,10,20,,30,4,\"1 squash\n1 onion, diced \",\"1. Roast.\n2. Blend.\",Freezes well.,"
            "\"calories : 210 kcal\nfat : 5 g\",false,,The main course;Soups,Autumn,,https://example.org/soup,"
            "https://example.org/soup-page,https://example.org/soup.jpg\r\n";
        RecipeList read;
        QCOMPARE(readFile(file, QStringLiteral("recipes.csv"), read), ImportKind::MyRecipeBox);
        QCOMPARE(read.count(), 1);
        const Recipe& r = read.recipes[0];
        QCOMPARE(r.title, QStringLiteral("Squash Soup"));
        QCOMPARE(r.category, QStringLiteral("The main course"));
        QCOMPARE(r.preptime, QStringLiteral("10 min"));
        QCOMPARE(r.cooktime, QStringLiteral("20 min"));
        QCOMPARE(r.yield, QStringLiteral("4"));
        QCOMPARE(r.ing, QStringLiteral("1 squash\n1 onion, diced"));
        QCOMPARE(r.prep, QStringLiteral("1. Roast.\n2. Blend."));
        QCOMPARE(r.other, QStringLiteral("Total time: 30 min\nNutrition: calories : 210 kcal; fat : 5 g\n"
                                         "Categories: The main course, Soups\nTags: Autumn\n"
                                         "Source: https://example.org/soup\nPicture: https://example.org/soup-page\n"
                                         "Picture: https://example.org/soup.jpg\n\nFreezes well."));
    }

    // Text and tables as other versions and systems write them: UTF-8
    // with a BOM, LF or CR LF line ends, Latin-1, a recipe without
    // categories, lists indented by spaces, a zip with a folder at its top
    // and names in capitals.
    void textAndTablesOfOtherVersions()
    {
        RecipeList read;
        const QByteArray nyc = "\xEF\xBB\xBF@@@@@ Now You're Cooking! Export Format\n\nCaf\xC3\xA9 Toast\n\n"
                               "1 slice bread\n1 tablespoon butter\n\nToast and butter it.\n\n"
                               "** Exported from Now You're Cooking! v5.81 **\n";
        QCOMPARE(readFile(nyc, QStringLiteral("EXPORT.TXT"), read), ImportKind::NowYoureCooking);
        QCOMPARE(read.count(), 1);
        QCOMPARE(read.recipes[0].title, QStringLiteral("Café Toast"));
        QCOMPARE(read.recipes[0].category, QStringLiteral("Imported"));
        QCOMPARE(read.recipes[0].ing, QStringLiteral("1 slice bread\n1 tablespoon butter"));
        QCOMPARE(read.recipes[0].prep, QStringLiteral("Toast and butter it."));
        QCOMPARE(read.recipes[0].other, QString());

        const QByteArray saffron = latin1(QStringLiteral("Title: Crème caramel\r\nYield: 6\r\nSection: Desserts\r\n"
                                                         "Ingredients:\r\n    4 eggs\r\n    100 g sugar\r\n"
                                                         "Instructions:\r\n    Caramelise.\r\n    Bake.\r\n"));
        QCOMPARE(readFile(saffron, QStringLiteral("caramel.txt"), read), ImportKind::Saffron);
        QCOMPARE(read.recipes[0].title, QStringLiteral("Crème caramel"));
        QCOMPARE(read.recipes[0].category, QStringLiteral("Desserts"));
        QCOMPARE(read.recipes[0].ing, QStringLiteral("4 eggs\n100 g sugar"));
        QCOMPARE(read.recipes[0].prep, QStringLiteral("Caramelise.\n\nBake."));
        QCOMPARE(read.recipes[0].other, QString());
        // A recipe of nothing but directions.
        QCOMPARE(readFile("Title: Tea\nInstructions:\n\tSteep.\n", QStringLiteral("tea.txt"), read),
                 ImportKind::Saffron);
        QCOMPARE(read.recipes[0].prep, QStringLiteral("Steep."));

        const QByteArray table =
            "\xEF\xBB\xBFTitle,Course,Cuisine,Main Ingredient,Description,Source,Url,Url Host,Prep Time,Cook Time,"
            "Total Time,Servings,Yield,Ingredients,Directions,Tags,Rating,Public Url,Photo Url,Private,Nutritional "
            "Score (generic),Calories,Fat,Saturated Fat,Cholesterol,Sodium,Sugar,Carbohydrate,Fiber,Protein,Cost,"
            "Created At,Updated At\n"
            "Dal,,,,,,,,,,,4,,\"1 cup lentils\n2 cups water\",Simmer.,,,,,,,,,,,,,,,,,2023-10-13 20:29:29,"
            "2023-10-13 20:32:48\n";
        QCOMPARE(readFile(zipOf({{QStringLiteral("PlanToEat_export/RECIPES.CSV"), table}}),
                          QStringLiteral("PLANTOEAT.ZIP"), read),
                 ImportKind::PlanToEat);
        QCOMPARE(read.count(), 1);
        QCOMPARE(read.recipes[0].yield, QStringLiteral("4"));
        QCOMPARE(read.recipes[0].ing, QStringLiteral("1 cup lentils\n2 cups water"));

        const QByteArray box = "\xEF\xBB\xBFtitle,description,preparationTime,cookingTime,inactiveTime,totalTime,"
                               "quantity,ingredients,instructions,notes,nutrition,favorite,rating,categories,tags,"
                               "video,source,originalPicture\nPlain rice,,,,,,2,1 cup rice,Boil.,,,true,5,,,,,\n";
        QCOMPARE(readFile(box, QStringLiteral("recipes.CSV"), read), ImportKind::MyRecipeBox);
        QCOMPARE(read.recipes[0].title, QStringLiteral("Plain rice"));
        QCOMPARE(read.recipes[0].category, QStringLiteral("Imported"));
        QCOMPARE(read.recipes[0].ing, QStringLiteral("1 cup rice"));
    }
};

QTEST_MAIN(TestReadersC)
#include "tst_readersC.moc"
