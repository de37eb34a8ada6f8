// The MealMaster reader: framings, headers, ingredient columns, headings,
// directions, encodings, and the recipes it must leave out.

#include "exchange/exchange.h"
#include "exchange/mealmaster.h"
#include "testsupport.h"

#include <QtTest>

using namespace bd;

namespace {

// An ingredient column as the format lays it out: amount right-aligned in
// seven columns, a space, a two-column unit, a space, the text.
QByteArray ing(const char* amount, const char* unit, const char* text)
{
    return QByteArray(amount).rightJustified(7) + ' ' + QByteArray(unit).leftJustified(2) + ' ' + text;
}
// Two columns: the second starts at column 41.
QByteArray two(const QByteArray& left, const QByteArray& right) { return left.leftJustified(40) + right; }

QByteArray lines(const QList<QByteArray>& l) { return l.join("\r\n") + "\r\n"; }

struct Read {
    RecipeBook book;
    MealMasterRead read;
    explicit Read(const QByteArray& bytes) { read = readMealMaster(decodeRecipeText(bytes), book, QStringLiteral("Imported")); }
    RecipeFields recipe(int i) const
    {
        int n = 0;
        for (pugi::xml_node c = book.root().child("category"); c; c = c.next_sibling("category"))
            for (pugi::xml_node r = c.child("recipe"); r; r = r.next_sibling("recipe"))
                if (n++ == i)
                    return RecipeBook::fields(r);
        return {};
    }
    QStringList categories() const
    {
        QStringList out;
        for (const CategoryEntry& c : book.categories())
            out << c.name;
        return out;
    }
};

const QByteArray kSoup = lines({
    "MMMMM----- Recipe via Meal-Master (tm) v8.05", " ",
    "      Title: Mushroom Soup",
    " Categories: Soups, Vegetables",
    "      Yield: 4 servings", " ",
    ing("1 1/2", "c", "Sliced mushrooms"),
    ing("2", "tb", "Butter, melted and cooled a"),
    ing("", "", "-little"),
    ing("", "", "Salt"),
    "MMMMM--------------------------TOPPING---------------------------",
    ing("1/2", "c", "Cream"), " ",
    "  Melt the butter in a large pan, add the mushrooms and cook them",
    "  gently until soft.", "  ",
    "  Serve hot.",
    "  Garnish with the cream and a little parsley.",
    "MMMMM"});

} // namespace

class TestMealMaster : public QObject {
    Q_OBJECT
private slots:
    void framingsHeadersColumnsAndDirections()
    {
        const QByteArray pie = lines({
            "---------- Recipe via Meal-Master (tm) v8.02", "",
            "      Title: Apple Pie",
            "   Servings: 8", "",
            two(ing("4", "c", "Apples"), ing("1/2", "c", "Sugar")),
            two(ing("1", "ts", "Cinnamon, ground fine and"), ing("2", "tb", "Flour")),
            two(ing("", "", "-sifted"), ing("", "", "-or cornflour")),
            ing("1", "", "Pie crust"),
            "-----------------------------FILLING-----------------------------",
            ing("1", "lg", "Egg"), "",
            "Bake for 45 minutes.",
            "-----"});
        // Text before, between and after the recipes is ignored.
        const Read r("From the club's newsletter\r\n" + kSoup + "---- not a recipe ----\n" + pie + "Bye\n");
        QCOMPARE(r.read.recipes, 2);
        QVERIFY(r.read.skipped.isEmpty());
        QCOMPARE(importList(r.book), QStringList({QStringLiteral("Mushroom Soup"), QStringLiteral("Apple Pie")}));
        // The first category names the book's; none goes to the given one.
        QCOMPARE(r.categories(), QStringList({QStringLiteral("Soups"), QStringLiteral("Imported")}));

        const RecipeFields soup = r.recipe(0);
        QCOMPARE(soup.yield, QStringLiteral("4 servings"));
        QCOMPARE(soup.ing, QStringLiteral("1 1/2 c Sliced mushrooms\n2 tb Butter, melted and cooled a little\nSalt\n"
                                          "TOPPING\n1/2 c Cream"));
        // Wrapped lines are joined; short ones keep their break; paragraphs
        // stay apart.
        QCOMPARE(soup.prep, QStringLiteral("Melt the butter in a large pan, add the mushrooms and cook them gently until soft."
                                           "\n\nServe hot.\nGarnish with the cream and a little parsley."));
        for (const QString& empty : {soup.preptime, soup.cooktime, soup.other, soup.date, soup.image})
            QVERIFY(empty.isEmpty());

        // Two columns: the left one first, continuations in their own column.
        const RecipeFields applePie = r.recipe(1);
        QCOMPARE(applePie.yield, QStringLiteral("8"));
        QCOMPARE(applePie.ing, QStringLiteral("4 c Apples\n1 ts Cinnamon, ground fine and sifted\n1 Pie crust\n"
                                              "1/2 c Sugar\n2 tb Flour or cornflour\nFILLING\n1 lg Egg"));
        QCOMPARE(applePie.prep, QStringLiteral("Bake for 45 minutes."));

        // A heading among the directions stays there, as its own paragraph;
        // a long one-column line is not taken for two columns.
        const Read anyMeal(lines({
            "MMMMM----------------Meal-Master recipe exported by AnyMeal-----------------",
            "     Title: Flan", "Categories: Desserts",
            ing("3", "", "Eggs"),
            ing("1", "c", "Milk, warmed until it is hot and frothy"), "",
            "Whisk.", "",
            "MMMMM-----------------------------BAKING------------------------------",
            "Bake in a bain-marie.", "MMMMM"}));
        QCOMPARE(anyMeal.recipe(0).ing, QStringLiteral("3 Eggs\n1 c Milk, warmed until it is hot and frothy"));
        QCOMPARE(anyMeal.recipe(0).prep, QStringLiteral("Whisk.\n\nBAKING\n\nBake in a bain-marie."));
    }

    void encodingsAndNames()
    {
        const QByteArray latin = lines({"MMMMM----- Recipe", "Title: Cr\xe8me br\xfbl\xe9" "e",
                                        "Categories: Postres", ing("1", "", "Jalape\xf1o"), "",
                                        "Bake at 150\xb0, \x93gently\x94.", "MMMMM"});
        const Read r1252(latin);
        QCOMPARE(r1252.recipe(0).title, QString::fromUtf8("Crème brûlée"));
        QCOMPARE(r1252.recipe(0).ing, QString::fromUtf8("1 Jalapeño"));
        QCOMPARE(r1252.recipe(0).prep, QString::fromUtf8("Bake at 150°, “gently”."));
        // The same text in UTF-8, with or without a byte order mark.
        const QByteArray utf8 = decodeRecipeText(latin).toUtf8();
        for (const QByteArray& bytes : {utf8, "\xef\xbb\xbf" + utf8}) {
            const Read r(bytes);
            QCOMPARE(r.recipe(0).title, QString::fromUtf8("Crème brûlée"));
            QCOMPARE(r.recipe(0).prep, r1252.recipe(0).prep);
        }

        // UTF-8 cut short at the end is not UTF-8.
        QCOMPARE(decodeRecipeText("caf\xc3"), QString::fromUtf8("cafÃ"));

        // Titles and categories lose the characters names may not carry.
        const Read names(lines({"MMMMM----- Recipe", "Title: Mom's \"Best\" Pie: Deluxe?", "Categories: Pies/tarts",
                                "MMMMM"}));
        QCOMPARE(names.recipe(0).title, QString::fromUtf8("Mom’s “Best” Pie - Deluxe"));
        QCOMPARE(names.categories(), QStringList{QStringLiteral("Pies-tarts")});
    }

    void unreadableRecipesAreLeftOutAndReported()
    {
        QByteArray text = kSoup;                                                      // lines 1-19
        text += lines({"MMMMM----- Recipe", "Categories: Soups", "  No title.", "MMMMM"}); // 20-23
        text += lines({"---------- Recipe", "Title: Unended", "Oops"});                   // 24-26
        text += kSoup;                                                                // 27-45
        text += lines({"MMMMM----- Recipe", "Title: Cut short", ing("1", "c", "Flour")}); // 46-48
        const Read r(text);
        QCOMPARE(r.read.recipes, 2);
        QCOMPARE(r.read.skipped, QVector<int>({20, 24, 46}));
        QCOMPARE(r.categories(), QStringList{QStringLiteral("Soups")});
        // Lines are counted alike whatever ends them.
        for (const char* end : {"\n", "\r"}) {
            const Read other(QByteArray(text).replace("\r\n", end));
            QCOMPARE(other.read.skipped, r.read.skipped);
            QCOMPARE(other.recipe(1).prep, r.recipe(1).prep);
        }

        QCOMPARE(importSummary(2, 1, r.read.skipped),
                 QStringLiteral("Recipes imported: 2\nRecipes skipped: 4\n"
                                "Unreadable recipes start on lines: 20, 24, 46"));
        QCOMPARE(importSummary(3, 0, {}), QStringLiteral("Recipes imported: 3\nRecipes skipped: 0"));
        QVERIFY(importSummary(0, 0, {1, 2, 3, 4, 5, 6, 7}).endsWith(QStringLiteral("1, 2, 3, 4, 5 and 2 more")));

        // Files that are no MealMaster at all, and the file check.
        bdtest::TestEnv env;
        QByteArray binary(4096, '\0');
        for (int i = 0; i < binary.size(); ++i)
            binary[i] = char(i * 7919 % 251);
        env.write(QStringLiteral("in/binary.mmf"), binary);
        env.write(QStringLiteral("in/empty.mmf"), "");
        env.write(QStringLiteral("in/letter.txt"), "Dear Ann,\n-----\nTitle: none\nMMMMM\n");
        env.write(QStringLiteral("in/soup.mmf"), kSoup);
        env.write(QStringLiteral("in/book.xml"), "<recipebook><category cname=\"A\"/></recipebook>");
        RecipeBook source;
        QVector<int> unreadable{99};
        for (const char* name : {"in/binary.mmf", "in/empty.mmf", "in/letter.txt", "in/missing.mmf"}) {
            QCOMPARE(loadImportFile(env.file(QLatin1String(name)), source, QStringLiteral("I"), &unreadable),
                     ImportKind::None);
            QCOMPARE(source.categoryCount(), 0);
        }
        QCOMPARE(loadImportFile(env.file(QStringLiteral("in/soup.mmf")), source, QStringLiteral("I"), &unreadable),
                 ImportKind::MealMaster);
        QCOMPARE(importList(source), QStringList{QStringLiteral("Mushroom Soup")});
        QCOMPARE(loadImportFile(env.file(QStringLiteral("in/book.xml")), source, QStringLiteral("I"), &unreadable),
                 ImportKind::Book);
        QVERIFY(unreadable.isEmpty());
    }

    void windows1252TableEndsAndLongestHeader()
    {
        // The first and last byte the table maps, and their neighbours.
        QCOMPARE(decodeRecipeText("\x7f\x80\x9f\xa0"), QStringView(u"\x7f\u20AC\u0178\u00A0").toString());

        // A header value may be 200 characters long; at 201 the recipe is unreadable.
        for (int length : {200, 201}) {
            const QByteArray title(length, 'x');
            const Read r(lines({"MMMMM----- Recipe", "Title: " + title, "MMMMM"}));
            QCOMPARE(r.read.recipes, length == 200 ? 1 : 0);
            QCOMPARE(r.read.skipped, length == 200 ? QVector<int>() : QVector<int>{1});
            if (length == 200)
                QCOMPARE(r.recipe(0).title, QString::fromLatin1(title));
        }
    }
};

QTEST_GUILESS_MAIN(TestMealMaster)
#include "tst_mealmaster.moc"
