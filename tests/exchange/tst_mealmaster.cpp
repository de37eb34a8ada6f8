// The MealMaster reader: framings, headers, ingredient columns, headings,
// directions, encodings, and the recipes it must leave out.

#include "exchange/exchange.h"
#include "exchange/formats/mealmaster.h"
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
    RecipeList read;
    explicit Read(const QByteArray& bytes)
        : read(readMealMaster(decodeRecipeText(bytes), {QStringLiteral("Imported"), 0}))
    {
    }
    Recipe recipe(int i) const { return i < read.count() ? read.recipes[size_t(i)] : Recipe(); }
    // One for each run of recipes of the same category.
    QStringList categories() const
    {
        QStringList out;
        for (const Recipe& r : read.recipes)
            if (out.isEmpty() || out.last() != r.category)
                out << r.category;
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
        QCOMPARE(r.read.count(), 2);
        QVERIFY(r.read.skipped.isEmpty());
        QCOMPARE(importList(r.read), QStringList({QStringLiteral("Mushroom Soup"), QStringLiteral("Apple Pie")}));
        // The first category names the book's; none goes to the given one.
        QCOMPARE(r.categories(), QStringList({QStringLiteral("Soups"), QStringLiteral("Imported")}));

        const Recipe soup = r.recipe(0);
        QCOMPARE(soup.yield, QStringLiteral("4 servings"));
        QCOMPARE(soup.ing, QStringLiteral("1 1/2 c Sliced mushrooms\n2 tb Butter, melted and cooled a little\nSalt\n"
                                          "TOPPING\n1/2 c Cream"));
        // Wrapped lines are joined; short ones keep their break; paragraphs
        // stay apart.
        QCOMPARE(soup.prep, QStringLiteral("Melt the butter in a large pan, add the mushrooms and cook them gently until soft."
                                           "\n\nServe hot.\nGarnish with the cream and a little parsley."));
        QCOMPARE(soup.other, QStringLiteral("Categories: Soups, Vegetables"));
        for (const QString& empty : {soup.preptime, soup.cooktime, soup.date, soup.image})
            QVERIFY(empty.isEmpty());

        // Two columns: the left one first, continuations in their own column.
        const Recipe applePie = r.recipe(1);
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

        // A heading right under the last ingredient, a blank line after it,
        // heads nothing: it ends the list, as the file has it.
        const Read closing(
            lines({"MMMMM----- Recipe via Meal-Master (tm) v8.02", "", "      Title: Soup", " Categories: Soups", "",
                   two(ing("4", "tb", "Butter"), ing("1/2", "ts", "Salt")),
                   "MMMMM--------------------------HEADING-------------------------------", "", "  Simmer.", "MMMMM"}));
        QCOMPARE(closing.recipe(0).ing, QStringLiteral("4 tb Butter\n1/2 ts Salt\nHEADING"));
        QCOMPARE(closing.recipe(0).prep, QStringLiteral("Simmer."));
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
        text += lines({"---------- Recipe", "Yield: 2", "-----"});                        // 49-51
        const Read r(text);
        // Recipes whose end line is missing come in; recipes without a title
        // are left out.
        QCOMPARE(importList(r.read), QStringList({"Mushroom Soup", "Unended", "Mushroom Soup", "Cut short"}));
        QCOMPARE(r.read.skipped, QVector<int>({20, 49}));
        QCOMPARE(r.recipe(1).prep, QStringLiteral("Oops"));
        QCOMPARE(r.recipe(3).ing, QStringLiteral("1 c Flour"));
        // Lines are counted alike whatever ends them.
        for (const char* end : {"\n", "\r"}) {
            const Read other(QByteArray(text).replace("\r\n", end));
            QCOMPARE(other.read.skipped, r.read.skipped);
            QCOMPARE(other.recipe(2).prep, r.recipe(2).prep);
        }

        QCOMPARE(importSummary(4, 1, r.read.skipped), QStringLiteral("Recipes imported: 4\nRecipes skipped: 3\n"
                                                                     "Unreadable recipes start on lines: 20, 49"));
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
        RecipeList source;
        QVector<int> unreadable{99};
        for (const char* name : {"in/binary.mmf", "in/empty.mmf", "in/letter.txt", "in/missing.mmf"}) {
            QCOMPARE(loadImportFile(env.file(QLatin1String(name)), source, {QStringLiteral("I"), 0}, &unreadable),
                     ImportKind::None);
            QCOMPARE(source.count(), 0);
        }
        QCOMPARE(loadImportFile(env.file(QStringLiteral("in/soup.mmf")), source, {QStringLiteral("I"), 0}, &unreadable),
                 ImportKind::MealMaster);
        QCOMPARE(importList(source), QStringList{QStringLiteral("Mushroom Soup")});
        QCOMPARE(loadImportFile(env.file(QStringLiteral("in/book.xml")), source, {QStringLiteral("I"), 0}, &unreadable),
                 ImportKind::Book);
        QVERIFY(unreadable.isEmpty());
    }

    // Two-column lists as Meal-Master writes them (the right column at
    // character 42) and as other writers do (at 41): the left column of a
    // block first, continuations in their own column.
    void twoColumnIngredients()
    {
        const QList<QByteArray> at42 = {"  1 1/3 oz Cheese, monterey jack            3/16 c  Flour, all purpose",
                                        "      4 lg Eggs                                1 c  Milk, canned",
                                        "      2 cn Green chiles, whole (4 oz                -evaporated",
                                        "           -each), drained                   1/4 ts Salt",
                                        "      1    Onion, chopped",
                                        " ",
                                        "MMMMM---------------------------TOPPING--------------------------------",
                                        "      1 c  Tomato sauce                        2 tb Cilantro, chopped",
                                        "                                               1 pn Cayenne"};
        const QList<QByteArray> at41 = {"  1 1/3 oz Cheese, monterey jack           3/16 c  Flour, all purpose",
                                        "      4 lg Eggs                               1 c  Milk, canned",
                                        "      2 cn Green chiles, whole (4 oz               -evaporated",
                                        "           -each), drained                  1/4 ts Salt",
                                        "      1    Onion, chopped",
                                        "",
                                        "MMMMM---------------------------TOPPING--------------------------------",
                                        "      1 c  Tomato sauce                       2 tb Cilantro, chopped",
                                        "                                              1 pn Cayenne"};
        for (const QList<QByteArray>& list : {at42, at41}) {
            const Read r(lines(QList<QByteArray>{"MMMMM----- Recipe via Meal-Master (tm) v8.06", " ",
                                                 "      Title: Chile Relleno Casserole",
                                                 " Categories: Mexican, Casseroles", "      Yield: 6 servings", " "} +
                               list + QList<QByteArray>{" ", "  Bake at 350 degrees.", "MMMMM"}));
            QCOMPARE(r.recipe(0).ing,
                     QStringLiteral("1 1/3 oz Cheese, monterey jack\n4 lg Eggs\n"
                                    "2 cn Green chiles, whole (4 oz each), drained\n1 Onion, chopped\n"
                                    "3/16 c Flour, all purpose\n1 c Milk, canned evaporated\n1/4 ts Salt\n"
                                    "TOPPING\n1 c Tomato sauce\n2 tb Cilantro, chopped\n1 pn Cayenne"));
            QCOMPARE(r.recipe(0).prep, QStringLiteral("Bake at 350 degrees."));
        }

        // A writer that fills the left column first carries the text of its
        // last ingredient over to the top of the right column.
        const Read carried(
            lines({"---------- Recipe via Meal-Master (tm) v8.01", "", "      Title: Cannoli", "",
                   two(ing("1", "c", "Flour"), ing("", "", "- or dry white wine")),
                   two(ing("1", "tb", "Sugar"), ing("2", "c", "Oil")),
                   two(ing("4", "tb", "To 5 tb sweet Marsala"), ing("", "", "- for frying")), "", "  Mix.", "-----"}));
        QCOMPARE(carried.recipe(0).ing, QStringLiteral("1 c Flour\n1 tb Sugar\n4 tb To 5 tb sweet Marsala or dry "
                                                       "white wine\n2 c Oil for frying"));

        // A unit the format lacks, set a column to the right, where the
        // right column stands: the right column's ingredient all the same.
        const Read odd(lines({"---------- Recipe via Meal-Master (tm) v8.01", "", "      Title: Roast", "",
                              two(ing("1", "ts", "Salt"), ing("1", " o", "Cola")),
                              two(ing("4", "lb", "Beef"), ing("12", "oz", "Chili sauce")), "", "  Roast.", "-----"}));
        QCOMPARE(odd.recipe(0).ing, QStringLiteral("1 ts Salt\n4 lb Beef\n1 o Cola\n12 oz Chili sauce"));

        // One column with long text reaching past the middle stays one
        // ingredient, also where its text holds a run of spaces and digits.
        const Read one(lines({"MMMMM----- Recipe via Meal-Master (tm) v8.06", "      Title: Stew", "",
                              "      2 lb Beef chuck, cut in 1 inch cubes and dredged in flour",
                              "      1 c  Red wine (see note)   2 or 3 glasses more for the cook", "MMMMM"}));
        QCOMPARE(one.recipe(0).ing, QStringLiteral("2 lb Beef chuck, cut in 1 inch cubes and dredged in flour\n"
                                                   "1 c Red wine (see note)   2 or 3 glasses more for the cook"));
    }

    // Begin and end lines of other writers, recipes whose end line is
    // missing, and text between recipes that only looks like a begin line.
    void otherWritersFramings()
    {
        QByteArray text = lines({"-----Original Message-----",
                                 "From: Ann",
                                 "Subject: cakes",
                                 "",
                                 "----- Exported by Kitchen Scribe 3.1 [Meal-Master Export Format] -----",
                                 "",
                                 "      Title: Plain Cake   ",
                                 " Categories: Cakes",
                                 "   Servings: 8",
                                 "",
                                 "      2 c  Flour",
                                 "",
                                 "  Bake.",
                                 "-----",
                                 "",
                                 "----- Recipe via Kitchen Scribe 3.1 [Meal-Master Export Format] -----",
                                 "      Title: Lemon Cake",
                                 "      Yield: 1 cake",
                                 "      1    Lemon",
                                 "----- Recipe in Meal-Master v6.2 Importable Format",
                                 "",
                                 "Title: Orange Cake",
                                 "Categories: Cakes, Fruit",
                                 "      1 cn Oranges\t",
                                 "\tPeel the oranges.",
                                 "------------------------------------------------------------------------",
                                 "----- Meal-Master -----",
                                 "Title: Lime Cake",
                                 "MMMMM----- Recipe via Meal-Master (tm) v8.06",
                                 "      Title: Fig Cake",
                                 "MMMMM",
                                 "-----------------SPICED-----------------",
                                 "  Title: Spiced Cake",
                                 "  Category: Cakes",
                                 "  Cuisine: English",
                                 "      1 ts Nutmeg",
                                 "MMMMM",
                                 "---------- Recipe Extracted from Meal-Master (tm) Database ----------",
                                 "",
                                 "     Title: Black Forest Cake",
                                 "Categories: Chocolate Cakes Fruits Desserts",
                                 "     Yield: 12 servings",
                                 "",
                                 "----------",
                                 "------------------------------------------------------------------------",
                                 "Recipe Extracted from Meal-Master (tm) Database",
                                 "------------------------------------------------------------------------",
                                 "     Title: Sachertorte",
                                 "Categories: Chocolate, Cakes",
                                 "",
                                 "           Salt: a pinch",
                                 "------------------------------------------------------------------------",
                                 "MMMMM----- Recipe via Meal-Master (tm) v8.06",
                                 "      Title: Date Cake",
                                 "      1 c  Dates"});
        const Read r(text);
        QCOMPARE(importList(r.read), QStringList({"Plain Cake", "Lemon Cake", "Orange Cake", "Lime Cake", "Fig Cake",
                                                  "Spiced Cake", "Black Forest Cake", "Sachertorte", "Date Cake"}));
        QVERIFY(r.read.skipped.isEmpty());
        QCOMPARE(r.recipe(0).yield, QStringLiteral("8"));
        QCOMPARE(r.recipe(0).prep, QStringLiteral("Bake."));
        QCOMPARE(r.recipe(1).ing, QStringLiteral("1 Lemon"));
        QCOMPARE(r.recipe(2).ing, QStringLiteral("1 cn Oranges"));
        QCOMPARE(r.recipe(2).prep, QStringLiteral("Peel the oranges."));
        // Headers the reader does not use go to the notes.
        QCOMPARE(r.recipe(5).ing, QStringLiteral("1 ts Nutmeg"));
        QCOMPARE(r.recipe(5).other, QStringLiteral("Cuisine: English"));
        // Categories without commas: the first word names the category.
        QCOMPARE(r.categories(),
                 QStringList({"Cakes", "Imported", "Cakes", "Imported", "Cakes", "Chocolate", "Imported"}));
        QCOMPARE(r.recipe(6).other, QStringLiteral("Categories: Chocolate, Cakes, Fruits, Desserts"));
        QCOMPARE(r.recipe(7).other, QStringLiteral("Categories: Chocolate, Cakes"));
        QCOMPARE(r.recipe(7).ing, QStringLiteral("Salt: a pinch"));
        QCOMPARE(r.recipe(8).ing, QStringLiteral("1 c Dates"));

        // A file with LF or CR endings reads alike.
        for (const char* end : {"\n", "\r"}) {
            const Read other(QByteArray(text).replace("\r\n", end));
            QCOMPARE(importList(other.read), importList(r.read));
            QCOMPARE(other.recipe(2).ing, r.recipe(2).ing);
        }
    }

    // Directions: separators and headings part paragraphs, wrapped lines
    // are joined, indented steps and short lines keep their breaks.
    void directionsAsWritten()
    {
        const Read r(
            lines({"MMMMM----- Recipe via Meal-Master (tm) v8.06",
                   "      Title: Cheese Bread",
                   "      Yield: 2 loaves",
                   "",
                   "MMMMM-----------------------------DOUGH------------------------------",
                   "MMMMM--------------------------DRY INGREDIENTS-------------------------",
                   "      4 c  Flour                                1 ts Salt",
                   "MMMMM-----------------------------FILLING-----------------------------",
                   "      2 c  Cheddar, grated",
                   "",
                   "  Mix the flour and salt with enough warm water to make a soft dough,",
                   "  knead it well and leave it to rise for an hour. Salt is optional.",
                   "~---------------------------------------------------------------------",
                   "  In a large bowl, toss the cheese with the herbs.",
                   "MMMMM-----------------------------------------------------------------",
                   "++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++",
                   "      1.  Roll the dough out to 20 by 24 inches and sprinkle on half the",
                   "  grated cheese.",
                   "      2.  Fold the dough in half crosswise, roll it out again to 20 by",
                   "  24 inches, and sprinkle on remaining cheese.",
                   "  3. Cut into strips and twist them; set the twists on a greased sheet",
                   "     and bake them for 20 minutes at 400 degrees.",
                   "  Serve them warm with soup, or cool the twists on a rack and keep them.",
                   "      Variation: brush the twists with beaten egg before baking them.",
                   "======================================================================",
                   "MMMMM----TO SERVE----",
                   "-----WARM-----",
                   "  Serve warm with soup.",
                   "",
                   "  Typed by Joe from the club newsletter, http://www.example.org/newsletters/1998/spring.html",
                   "",
                   "  Recipe: \"Chinese Appetizers\", a cookbook",
                   "  Published 1981",
                   "MMMMM"}));
        const Recipe f = r.recipe(0);
        // A heading directly followed by another keeps both.
        QCOMPARE(f.ing, QStringLiteral("DOUGH\nDRY INGREDIENTS\n4 c Flour\n1 ts Salt\nFILLING\n2 c Cheddar, grated"));
        QCOMPARE(f.prep,
                 QStringLiteral(
                     "Mix the flour and salt with enough warm water to make a soft dough, knead it well and "
                     "leave it to rise for an hour. Salt is optional.\n\n"
                     "In a large bowl, toss the cheese with the herbs.\n\n"
                     "1.  Roll the dough out to 20 by 24 inches and sprinkle on half the grated cheese.\n"
                     "2.  Fold the dough in half crosswise, roll it out again to 20 by 24 inches, and "
                     "sprinkle on remaining cheese.\n"
                     "3. Cut into strips and twist them; set the twists on a greased sheet and bake them "
                     "for 20 minutes at 400 degrees.\n"
                     "Serve them warm with soup, or cool the twists on a rack and keep them.\n"
                     "Variation: brush the twists with beaten egg before baking them.\n\n"
                     "TO SERVE\n\nWARM\n\nServe warm with soup.\n\n"
                     "Typed by Joe from the club newsletter, http://www.example.org/newsletters/1998/spring.html\n\n"
                     "Recipe: \"Chinese Appetizers\", a cookbook\nPublished 1981"));
    }

    // Every category a recipe names is kept: the first files it, the notes
    // list them all, in the language of the notes.
    void everyCategoryKept()
    {
        const QByteArray recipe = lines({"MMMMM----- Recipe via Meal-Master (tm) v8.05", "", "      Title: Onion Dip",
                                         " Categories: Dips, Appetizers, Party food", "      Yield: 1 bowl", "",
                                         ing("1", "c", "Sour cream"), "", "  Stir and chill.", "MMMMM"});
        Read r(recipe);
        QCOMPARE(r.recipe(0).category, QStringLiteral("Dips"));
        QCOMPARE(r.recipe(0).other, QStringLiteral("Categories: Dips, Appetizers, Party food"));
        const RecipeList spanish = readMealMaster(decodeRecipeText(recipe), {QStringLiteral("Importadas"), 300});
        QCOMPARE(spanish.recipes.front().other, QStringLiteral("Categorías: Dips, Appetizers, Party food"));
        // One category alone says nothing more; an extracted recipe lists
        // its categories with spaces.
        QVERIFY(Read(lines({"MMMMM----- Recipe", "      Title: A", " Categories: Dips", "", ing("1", "c", "Milk"),
                            "MMMMM"}))
                    .recipe(0)
                    .other.isEmpty());
        // A word in small letters goes on with the name before it.
        r = Read(lines({"---------- Recipe Extracted from Meal-Master (tm) Database", "      Title: B",
                        " Categories: Breads Quick Main dish Soup/stew", "", ing("1", "c", "Flour"), "-----"}));
        QCOMPARE(r.recipe(0).category, QStringLiteral("Breads"));
        QCOMPARE(r.recipe(0).other, QStringLiteral("Categories: Breads, Quick, Main dish, Soup/stew"));
        r = Read(lines({"---------- Recipe Extracted from Meal-Master (tm) Database", "      Title: C",
                        " Categories: Main dish Meats", "", ing("1", "c", "Flour"), "-----"}));
        QCOMPARE(r.recipe(0).category, QStringLiteral("Main dish"));
    }

    // "Makes:" gives the yield; a line of two marks is text, three are a
    // line drawn across it.
    void yieldNamesAndMarks()
    {
        const Read r(
            lines({"MMMMM----- Recipe via Meal-Master (tm) v8.05", "", "      Title: Rolls", "      Makes: 12 rolls",
                   "", ing("2", "c", "Flour"), "", "  Knead well.", "  **", "  ~~~", "  Bake.", "MMMMM"}));
        QCOMPARE(r.recipe(0).yield, QStringLiteral("12 rolls"));
        QCOMPARE(r.recipe(0).prep, QStringLiteral("Knead well.\n**\n\nBake."));

        // Such a line with a name in it is a heading; a line that only
        // starts with the marks is text.
        const Read named(
            lines({"MMMMM----- Recipe via Meal-Master (tm) v8.05", "", "      Title: Pie", "", ing("2", "c", "Flour"),
                   "", "  ~--------------------------AMARETTO FROSTING-+---------------------------",
                   "  Beat the butter.", "  ~-GLAZE:--", "  ~-From a magazine.", "MMMMM"}));
        QCOMPARE(named.recipe(0).prep,
                 QStringLiteral("AMARETTO FROSTING\n\nBeat the butter.\n\nGLAZE:\n\n~-From a magazine."));
    }

    // Ingredient lines as writers other than Meal-Master lay them out.
    void ingredientLayoutsOfOtherWriters()
    {
        const Read r(lines({"----- Exported by a recipe program [Meal-Master Export Format] -----",
                            "",
                            "      Title: Cookies",
                            " Categories: Snacks",
                            "",                                       //
                            "      1  c Butter, or",                  // a one-letter unit a column to the right
                            "      2  t Vanilla",                     //
                            "      1 c  Butter or margarine,",        // text going on without its "-"
                            "           Softened",                    //
                            "    1/2 lb Lump crab meat, picked over", //
                            "           To remove shells",            //
                            "      1 c  Cream of",                    //
                            "           Mushroom soup",               //
                            "           Salt",                        // ingredients of their own
                            "           Pepper",                      //
                            "      1    Egg (large",                  //
                            "           Or extra large)",             //
                            "      -    A BIG MOUTHFUL",              // a text that starts with a dash
                            "",                                       // a blank line sets groups apart, no line
                            ing("2", "tb", "Sugar"),                  //
                            "           -",                           // a "-" alone adds nothing
                            ing("8", "oz", "Chocolate"),              //
                            "           .  melted with 1/3 cup",      // "." marking text that goes on
                            "           .  strong coffee",            //
                            "           .",                           //
                            "",
                            "  Bake.",
                            "-----"}));
        QCOMPARE(r.recipe(0).ing, QStringLiteral("1 c Butter, or\n2 t Vanilla\n1 c Butter or margarine, Softened\n"
                                                 "1/2 lb Lump crab meat, picked over To remove shells\n"
                                                 "1 c Cream of Mushroom soup\nSalt\nPepper\n"
                                                 "1 Egg (large Or extra large)\n-A BIG MOUTHFUL\n2 tb Sugar\n"
                                                 "8 oz Chocolate melted with 1/3 cup strong coffee"));
        QCOMPARE(r.recipe(0).prep, QStringLiteral("Bake."));

        // A list set two columns to the right, its text going on after ":".
        const Read shifted(
            lines({"MMMMM----- Recipe via Meal-Master (tm) v8.05", "", "      Title: Chicken", " Categories: Poultry",
                   "", "        4    Chicken breasts -- skinned an", "  :          d boned",
                   "    1 1/2 TB White-wine vinegar", "        3 TB Cornstarch", "", "  Mix everything.", "MMMMM"}));
        QCOMPARE(shifted.recipe(0).ing, QStringLiteral("4 Chicken breasts -- skinned an d boned\n"
                                                       "1 1/2 TB White-wine vinegar\n3 TB Cornstarch"));
        QCOMPARE(shifted.recipe(0).prep, QStringLiteral("Mix everything."));
    }

    // Directions as writers wrap them: at a fixed width, some leaving their
    // lines a column short of it; a cook's short lines and lists kept.
    void wrappedDirections()
    {
        const Read r(lines(
            {"MMMMM----- Recipe via Meal-Master (tm) v8.05", "", "      Title: Nougat", "", ing("2", "c", "Sugar"), "",
             "  DIRECTIONS: Mix first 4 ingredients in heavy saucepan. Cook, stirring,",
             "  until sugar is dissolved. Cook, without stirring, until a small",
             "  amount of the mixture dropped in cold water forms a hard ball.", "  Beat egg whites until stiff.",
             "  Serve cold.", "  1. Cut in squares", "  2. Wrap each piece", "",
             "  Notes: From an old magazine clipping, kept for the almond and the",
             "  walnut variation. Two spaces after a full stop.  Stay.", "MMMMM"}));
        QCOMPARE(r.recipe(0).prep,
                 QStringLiteral("DIRECTIONS: Mix first 4 ingredients in heavy saucepan. Cook, stirring, until sugar "
                                "is dissolved. Cook, without stirring, until a small amount of the mixture dropped "
                                "in cold water forms a hard ball.\nBeat egg whites until stiff.\nServe cold.\n"
                                "1. Cut in squares\n2. Wrap each piece"));
        // A closing paragraph "Notes:" is the notes.
        QCOMPARE(r.recipe(0).other, QStringLiteral("From an old magazine clipping, kept for the almond and the "
                                                   "walnut variation. Two spaces after a full stop.  Stay."));
        // Directions whose lines all stay short were not wrapped.
        const Read shortLines(lines({"MMMMM----- Recipe", "      Title: Tea", "", ing("1", "", "Tea bag"), "",
                                     "  Boil the water", "  and pour it", "MMMMM"}));
        QCOMPARE(shortLines.recipe(0).prep, QStringLiteral("Boil the water\nand pour it"));

        // A line set deeper goes on with a sentence a long line left open;
        // after a full stop, or under a short line, it stands on its own.
        const Read deeper(lines(
            {"MMMMM----- Recipe via Meal-Master (tm) v8.05", "      Title: Pie", "", ing("1", "c", "Butter"), "",
             "  2. Cream butter in medium-size bowl and gradually add sugar, creaming well",
             "      after each addition.", "  3. Cool melted chocolate; blend into butter-sugar mixture with coffee.",
             "      Chill well.", "  Bake in a hot oven until it is golden.", "    Or", "    cool it.", "MMMMM"}));
        // A number that starts a wrapped line is no step ("1986.", "1.80").
        const Read numbers(
            lines({"MMMMM----- Recipe via Meal-Master (tm) v8.05", "      Title: Pie", "", ing("1", "c", "Butter"), "",
                   "  From the recipe files of Sue Smith, a friend of ours. Formatted using",
                   "  1.80 of the program. In _The New Cuisine_ by Phyllis Meras. Boston:",
                   "  Houghton Mifflin Company, printed in the United States of America,", "  1986. Pg. 128.",
                   "  12. Serve.", "MMMMM"}));
        QCOMPARE(numbers.recipe(0).prep,
                 QStringLiteral("From the recipe files of Sue Smith, a friend of ours. Formatted using 1.80 of the "
                                "program. In _The New Cuisine_ by Phyllis Meras. Boston: Houghton Mifflin Company, "
                                "printed in the United States of America, 1986. Pg. 128.\n12. Serve."));
        QCOMPARE(deeper.recipe(0).prep,
                 QStringLiteral("2. Cream butter in medium-size bowl and gradually add sugar, creaming well after "
                                "each addition.\n3. Cool melted chocolate; blend into butter-sugar mixture with "
                                "coffee.\nChill well.\nBake in a hot oven until it is golden.\nOr\ncool it."));
    }

    void windows1252TableEndsAndLongestHeader()
    {
        // The first and last byte the table maps, and their neighbours.
        QCOMPARE(decodeRecipeText("\x7f\x80\x9f\xa0"), QStringView(u"\x7f\u20AC\u0178\u00A0").toString());

        // A header value may be 200 characters long; at 201 the recipe is unreadable.
        for (int length : {200, 201}) {
            const QByteArray title(length, 'x');
            const Read r(lines({"MMMMM----- Recipe", "Title: " + title, "MMMMM"}));
            QCOMPARE(r.read.count(), length == 200 ? 1 : 0);
            QCOMPARE(r.read.skipped, length == 200 ? QVector<int>() : QVector<int>{1});
            if (length == 200)
                QCOMPARE(r.recipe(0).title, QString::fromLatin1(title));
        }
    }
};

QTEST_GUILESS_MAIN(TestMealMaster)
#include "tst_mealmaster.moc"
