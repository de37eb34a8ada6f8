// The export formats besides the recipe book: MealMaster files read back by
// the import (columns, headings, wrapping, encodings), the web page with its
// pictures, and the choice of format by the file's type.

#include "exchange/exchange.h"
#include "exchange/exportformats.h"
#include "exchange/formats/mealmaster.h"
#include "testsupport.h"

#include <QDir>
#include <QtTest>

using namespace bd;

namespace {

Recipe make(const char* title, const char* category, const char* yield, const char* prep, const char* cook,
            const char* ing, const char* directions, const char* notes = "")
{
    Recipe r;
    r.title = QString::fromUtf8(title);
    r.category = QString::fromUtf8(category);
    r.yield = QString::fromUtf8(yield);
    r.preptime = QString::fromUtf8(prep);
    r.cooktime = QString::fromUtf8(cook);
    r.ing = QString::fromUtf8(ing);
    r.prep = QString::fromUtf8(directions);
    r.other = QString::fromUtf8(notes);
    return r;
}

// Recipes as cooks type them: long and short lines, headings, a dash list,
// numbered steps, accents, metric and US units.
QVector<Recipe> cookbook()
{
    return {
        make("Crème Brûlée", "Desserts", "6 servings", "20 min", "45 min",
             "2 c heavy cream\n"
             "1 vanilla bean, split lengthwise and the seeds scraped out with the tip of a small sharp knife, "
             "the pod kept for the sugar jar\n"
             "5 lg egg yolks\n"
             "1/2 c sugar, plus extra for the topping\n"
             "FOR THE TOPPING:\n"
             "4 tb demerara sugar\n"
             "Pinch of sea salt",
             "Heat the oven to 150 °C. Bring the cream and the vanilla to a simmer, take it off the heat and let "
             "it steep for fifteen minutes while you whisk the yolks with the sugar until pale and thick.\n"
             "\n"
             "Pour the cream slowly onto the yolks, whisking all the time, strain into six ramekins and bake in a "
             "bain-marie until just set but still trembling in the middle, about forty-five minutes.\n"
             "\n"
             "Chill overnight. Sprinkle with demerara and caramelise with a blowtorch just before serving.",
             "Keeps two days in the fridge before the sugar goes on."),
        make("Jalapeño Poppers", "Appetizers, Snacks", "24 pieces", "15 min", "",
             "12 jalapeños\n8 oz cream cheese, softened\n1 1/2 c shredded cheddar\n- optional: bacon bits\n"
             "SAUCE\n1/2 c sour cream\n1 ts lime juice",
             "1. Heat the oven to 200 °C.\n2. Halve the peppers lengthwise and scrape out the seeds.\n"
             "3. Fill with the cheeses and bake for 20 minutes until golden."),
        make("Grandma’s Bread", "Breads", "1 loaf", "", "1 h 30 min",
             "500 g strong white flour\n7 g dried yeast\n300 ml warm water\n1 ts salt\n"
             "aaaaaaaaaaaaaaaaaaaaaaaaaaaa 12 34 5 tb sugar and a few more words to make the line wrap",
             "Mix everything.\nKnead for ten minutes.\nLet it rise for an hour, shape, rise again and bake."),
        make("Plain Water", "Drinks", "", "", "", "", ""),
    };
}

// What the import must give back of each recipe written: every field as
// it was (a comma in a category comes back as its look-alike; an empty
// ingredient line is written as a blank line, which only sets groups apart
// when read).
void compareReadBack(const QVector<Recipe>& written, const QVector<Recipe>& read)
{
    QCOMPARE(read.size(), written.size());
    for (int i = 0; i < written.size(); ++i) {
        const Recipe& w = written[i];
        const Recipe& r = read[i];
        QCOMPARE(r.title, w.title);
        QString category = r.category;
        QCOMPARE(category.replace(QChar(0x201A), QLatin1Char(',')), w.category);
        QCOMPARE(r.yield, w.yield);
        QCOMPARE(r.preptime, w.preptime);
        QCOMPARE(r.cooktime, w.cooktime);
        QString ing = w.ing;
        while (ing.contains(QLatin1String("\n\n")))
            ing.replace(QLatin1String("\n\n"), QLatin1String("\n"));
        QCOMPARE(r.ing, ing);
        QCOMPARE(r.prep, w.prep);
        QCOMPARE(r.other, w.other);
    }
}

QVector<Recipe> readBack(const QByteArray& bytes)
{
    const RecipeList read = readMealMaster(decodeRecipeText(bytes), {QStringLiteral("Imported"), 0});
    if (!read.skipped.isEmpty())
        qWarning() << "skipped" << read.skipped;
    return QVector<Recipe>(read.recipes.begin(), read.recipes.end());
}

// A book holding recipes, with a picture for the first.
void fill(RecipeBook& book, const QVector<Recipe>& recipes)
{
    for (const Recipe& r : recipes) {
        int position = book.categoryPosition(r.category);
        if (position < 0)
            position = book.appendCategory(r.category);
        book.appendRecipe(position, r);
    }
}

QVector<RecipeRef> everything(const RecipeBook& book)
{
    QVector<RecipeRef> items;
    for (const CategoryEntry& c : book.categories())
        for (const QString& t : book.recipeTitles(c.position))
            items.push_back({c.position, t});
    return items;
}

} // namespace

class TestExportFormats : public QObject {
    Q_OBJECT
private slots:
    void ingredientColumns()
    {
        // Amount right-aligned in seven columns, a two-column unit, the text.
        QCOMPARE(mealMasterIngredient(QStringLiteral("1 1/2 c Sliced mushrooms")),
                 QStringList{QStringLiteral("  1 1/2 c  Sliced mushrooms")});
        QCOMPARE(mealMasterIngredient(QStringLiteral("2  cups flour")),
                 QStringList{QStringLiteral("      2    cups flour")});
        QCOMPARE(mealMasterIngredient(QStringLiteral("Salt")), QStringList{QStringLiteral("           Salt")});
        QCOMPARE(mealMasterIngredient(QStringLiteral("3 lb")), QStringList{QStringLiteral("      3 lb")});
        // An amount longer than seven columns is text; so is a unit without one.
        QCOMPARE(mealMasterIngredient(QStringLiteral("1 1/2 1/4 c milk")),
                 QStringList{QStringLiteral("  1 1/2    1/4 c milk")});
        // A unit stands in its column without an amount too; a step's
        // number is no amount, so that its spaces stay.
        QCOMPARE(mealMasterIngredient(QStringLiteral("c sugar")), QStringList{QStringLiteral("        c  sugar")});
        QCOMPARE(mealMasterIngredient(QStringLiteral("pn Salt")), QStringList{QStringLiteral("        pn Salt")});
        QCOMPARE(mealMasterIngredient(QStringLiteral("c")), QStringList{QStringLiteral("           c")});
        QCOMPARE(mealMasterIngredient(QStringLiteral("1.  Preheat the oven")),
                 QStringList{QStringLiteral("           1.  Preheat the oven")});
        QCOMPARE(mealMasterIngredient(QStringLiteral("1.5 c milk")), QStringList{QStringLiteral("    1.5 c  milk")});
        // A leading dash is no continuation.
        QCOMPARE(mealMasterIngredient(QStringLiteral("-pepper")), QStringList{QStringLiteral("      -    pepper")});

        // Long texts go on in "-" lines, none wider than 76 columns.
        const QStringList longLine = mealMasterIngredient(
            QString(30, QLatin1Char('x')) + QStringLiteral(" a b c d e f g h i j k l m n o p q r s t u v w "
                                                           "x y z one two three four five six seven"));
        QVERIFY(longLine.size() == 2);
        QVERIFY(longLine[1].startsWith(QStringLiteral("           -")));
        for (const QString& l : longLine)
            QVERIFY(l.size() <= kMealMasterWidth);
    }

    void roundTripThroughTheReader_data()
    {
        QTest::addColumn<int>("encoding");
        QTest::newRow("utf-8") << int(TextEncoding::Utf8);
        QTest::newRow("windows-1252") << int(TextEncoding::Windows1252);
    }

    void roundTripThroughTheReader()
    {
        QFETCH(int, encoding);
        const QVector<Recipe> recipes = cookbook();
        const QByteArray bytes = encodeRecipeText(mealMasterText(recipes), TextEncoding(encoding));
        compareReadBack(recipes, readBack(bytes));

        // The framing, header and heading lines as other programs expect them.
        const QString text = decodeRecipeText(bytes);
        QVERIFY(text.startsWith(QStringLiteral("MMMMM----- Recipe via Meal-Master (tm) v8.05\r\n")));
        QVERIFY(text.contains(QStringLiteral("\r\n      Title: Crème Brûlée\r\n Categories: Desserts\r\n"
                                             "      Yield: 6 servings\r\n  Prep Time: 20 min\r\n")));
        QVERIFY(text.contains(QStringLiteral("\r\nMMMMM-----FOR THE TOPPING:-----\r\n")));
        QVERIFY(!text.contains(QStringLiteral("Cook Time: \r\n")));
        QCOMPARE(text.count(QStringLiteral("\r\nMMMMM\r\n")), recipes.size());
        for (const QString& line : text.split(QStringLiteral("\r\n")))
            QVERIFY2(line.size() <= kMealMasterWidth || !line.contains(QLatin1Char(' ')), qPrintable(line));
        // Windows-1252 holds every character of these recipes.
        if (TextEncoding(encoding) == TextEncoding::Windows1252) {
            QVERIFY(bytes.contains("Cr\xe8me Br\xfbl\xe9"
                                   "e"));
            QVERIFY(!bytes.contains('?'));
        }

        // Read back and written again, the file stays the same byte for byte.
        const auto rewritten = [&](const QByteArray& file) {
            return encodeRecipeText(mealMasterText(readBack(file)), TextEncoding(encoding));
        };
        QCOMPARE(rewritten(bytes), bytes);
    }

    // A file written by hand from the format's description: header lines
    // right-aligned at their colon, the amount right-aligned in seven
    // columns (longer amounts are text), a two-column unit, headings over
    // the ingredients they head, the directions, the notes after "Notes:".
    void writtenAsTheFormatLaysItOut()
    {
        const QString heading60 = QString(59, QLatin1Char('X')) + QLatin1Char(':');
        const QString heading61 = QString(60, QLatin1Char('Y')) + QLatin1Char(':');
        Recipe r = make("Pea Soup", "Soups", "4 servings", "", "1 h", "1 1/2-3 c split peas\n12 1/2-3 c water\n",
                        "Simmer the peas for an hour.\nServe hot.", "Freezes well.");
        r.ing += heading60 + QStringLiteral("\n1 ts salt\n") + heading61 +
                 QStringLiteral("\n1 ts pepper\n-A BIG MOUTHFUL\n- or a small one\n\n2 tb butter\nGARNISH:");
        const QString expected = QStringLiteral("MMMMM----- Recipe via Meal-Master (tm) v8.05\r\n"
                                                "\r\n"
                                                "      Title: Pea Soup\r\n"
                                                " Categories: Soups\r\n"
                                                "      Yield: 4 servings\r\n"
                                                "  Cook Time: 1 h\r\n"
                                                "\r\n"
                                                "1 1/2-3 c  split peas\r\n"
                                                "     12    1/2-3 c water\r\n"
                                                "MMMMM-----") +
                                 heading60 +
                                 QStringLiteral("-----\r\n"
                                                "      1 ts salt\r\n"
                                                "           ") +
                                 heading61 +
                                 QStringLiteral("\r\n"
                                                "      1 ts pepper\r\n"
                                                "      -    A BIG MOUTHFUL\r\n"
                                                "      -     or a small one\r\n"
                                                "\r\n"
                                                "      2 tb butter\r\n"
                                                "           GARNISH:\r\n"
                                                "\r\n"
                                                "Simmer the peas for an hour.\r\n"
                                                "Serve hot.\r\n"
                                                "\r\n"
                                                "Notes:\r\n"
                                                "Freezes well.\r\n"
                                                "\r\n"
                                                "MMMMM\r\n"
                                                "\r\n");
        QCOMPARE(mealMasterRecipe(r).split(QStringLiteral("\r\n")), expected.split(QStringLiteral("\r\n")));
        compareReadBack({r}, readBack(expected.toUtf8()));

        // A prep time is written when there is one; an empty one is not.
        r.preptime = QStringLiteral("   ");
        QVERIFY(!mealMasterRecipe(r).contains(QStringLiteral("Prep Time")));
        r.preptime = QStringLiteral("10 min");
        QVERIFY(mealMasterRecipe(r).contains(QStringLiteral("      Yield: 4 servings\r\n  Prep Time: 10 min\r\n"
                                                            "  Cook Time: 1 h\r\n")));
    }

    // What a cook typed comes back exactly: wrapped paragraphs joined, the
    // cook's own line breaks kept (also where a reader would take them for
    // the writer's), two spaces after a full stop, headings as typed.
    void exactRoundTrip()
    {
        const QString longLine = QStringLiteral(
            "Bring the stock to the boil in a large heavy pan, add the washed peas and the bay leaves, "
            "cover and simmer gently for about an hour.  Stir now and then, and add a little more water "
            "if the soup gets too thick before the peas are soft.");
        Recipe soup = make("Split Pea Soup", "Soups", "6", "15 min", "1 h 30 min",
                           "2 c split peas\n\nFOR  THE STOCK:\n2 qt water\n1 bay leaf\n-A BIG MOUTHFUL\n\n1 ts salt",
                           "");
        soup.prep = longLine + QStringLiteral("\nSeason to taste with salt and plenty of freshly ground black pepper "
                                              "and the\nlemon juice, then serve.\n\n"
                                              "1. Ladle into bowls\n2. Top with croutons\n"
                                              "and a swirl of cream, a few chopped chives and a little grated "
                                              "cheese if you like\nthem");
        soup.other = QStringLiteral("Categories: Soups, Winter\n\nFrom Aunt May's notebook, where the recipe is "
                                    "written on the back of an old envelope together with a list of groceries\n"
                                    "and a phone number.");
        const QVector<Recipe> recipes = {soup, make("Toast", "Breakfast", "", "", "", "1 slice bread", "Toast it.")};
        for (TextEncoding encoding : {TextEncoding::Utf8, TextEncoding::Windows1252}) {
            const QByteArray bytes = encodeRecipeText(mealMasterText(recipes), encoding);
            compareReadBack(recipes, readBack(bytes));
            for (const QString& line : decodeRecipeText(bytes).split(QStringLiteral("\r\n")))
                QVERIFY2(line.size() <= kMealMasterWidth, qPrintable(line));
        }
    }

    // Where the plain layout would not read back as it was written (a cut
    // inside a run of spaces, which a reader's join makes one space; a line
    // of marks alone, which reads as a rule; text that reads as a second
    // ingredient column; a unit without an amount after a line ending in
    // "or", which a reader joins to it), the writer lays the text out in
    // another way the format allows: the directions narrower, the
    // ingredient with a continuation line, the unit in its column.
    void laidOutSoThatAReaderGivesItBack()
    {
        const Recipe r = make("Bread", "Breads", "1 loaf", "", "",
                              "1.  Preheat the oven\npn Salt\n1 c butter or\nlb lard\n"
                              "1 cn salmon (14 3/4 oz) * OR * 2 - 7 1/2 oz cans, drained",
                              "Shape the dough into a round loaf and bake it until golden brown at 200 °C.  Cool it "
                              "on a rack before you cut it, or the crumb turns gummy and heavy.\n\n"
                              "This is great with a dip or in a sandwich, and I hope that you like it too! :-)");
        const QString expected = QStringLiteral(
            "MMMMM----- Recipe via Meal-Master (tm) v8.05\r\n"
            "\r\n"
            "      Title: Bread\r\n"
            " Categories: Breads\r\n"
            "      Yield: 1 loaf\r\n"
            "\r\n"
            "           1.  Preheat the oven\r\n"
            "        pn Salt\r\n"
            "      1 c  butter or\r\n"
            "        lb lard\r\n"
            "      1 cn salmon (14 3/4 oz) * OR * 2 - 7 1/2 oz\r\n"
            "           -cans, drained\r\n"
            "\r\n"
            "Shape the dough into a round loaf and bake it until golden brown at 200\r\n"
            "°C.  Cool it on a rack before you cut it, or the crumb turns gummy and\r\n"
            "heavy.\r\n"
            "\r\n"
            "This is great with a dip or in a sandwich, and I hope that you like it\r\n"
            "too! :-)\r\n"
            "\r\n"
            "MMMMM\r\n"
            "\r\n");
        QCOMPARE(mealMasterRecipe(r).split(QStringLiteral("\r\n")), expected.split(QStringLiteral("\r\n")));
        compareReadBack({r}, readBack(expected.toUtf8()));

        // A line break of the cook's inside a sentence: the line before it
        // ends in a piece too short for a reader to take the sentence on.
        const Recipe custard = make("Custard", "Desserts", "4", "", "", "2 c milk",
                                    "Stir the sauce over a low heat until it thickens and coats the\n"
                                    "back of a spoon, then take it off the heat.\n\nServe warm.");
        const QString custardText = QStringLiteral("MMMMM----- Recipe via Meal-Master (tm) v8.05\r\n"
                                                   "\r\n"
                                                   "      Title: Custard\r\n"
                                                   " Categories: Desserts\r\n"
                                                   "      Yield: 4\r\n"
                                                   "\r\n"
                                                   "      2 c  milk\r\n"
                                                   "\r\n"
                                                   "Stir the sauce over a low heat until it thickens and\r\n"
                                                   "coats the\r\n"
                                                   "back of a spoon, then take it off the heat.\r\n"
                                                   "\r\n"
                                                   "Serve warm.\r\n"
                                                   "\r\n"
                                                   "MMMMM\r\n"
                                                   "\r\n");
        QCOMPARE(mealMasterRecipe(custard).split(QStringLiteral("\r\n")), custardText.split(QStringLiteral("\r\n")));
        compareReadBack({custard}, readBack(custardText.toUtf8()));

        // At the format's width the run after "°C." would end the first line;
        // with one space there, the line is cut at the format's width.
        Recipe wide = r;
        wide.ing.clear();
        wide.prep = wide.prep.section(QStringLiteral("\n\n"), 0, 0);
        QVERIFY(mealMasterRecipe(wide).contains(QStringLiteral("golden brown at 200\r\n°C.  Cool")));
        wide.prep.replace(QStringLiteral("°C.  Cool"), QStringLiteral("°C. Cool"));
        QVERIFY(mealMasterRecipe(wide).contains(QStringLiteral("golden brown at 200 °C.\r\nCool it")));
    }

    void windows1252MarksWhatItCannotHold()
    {
        // The export says how many characters it replaced.
        MealMasterFile file(TextEncoding::Windows1252);
        file.add(make("Checks", "Tests", "", "", "", "1 c ✓ sugar", "Done ✓✓ é"));
        QCOMPARE(file.replaced(), 3);
        QVERIFY(file.bytes().contains("Done ?? \xe9"));
        MealMasterFile utf8(TextEncoding::Utf8);
        utf8.add(make("Checks", "Tests", "", "", "", "1 c ✓ sugar", "Done ✓✓ é"));
        QCOMPARE(utf8.replaced(), 0);
        QCOMPARE(replacedText(0), QString());
        QCOMPARE(replacedText(1), QStringLiteral("1 character that Windows-1252 lacks was written as \"?\"."));
        QCOMPARE(replacedText(3), QStringLiteral("3 characters that Windows-1252 lacks were written as \"?\"."));

        QCOMPARE(encodeRecipeText(QStringLiteral("é€ ✓"), TextEncoding::Windows1252), QByteArray("\xe9\x80 ?"));
        QCOMPARE(encodeRecipeText(QStringLiteral("é€ ✓"), TextEncoding::Utf8), QStringLiteral("é€ ✓").toUtf8());
    }

    void formatByFileType()
    {
        QCOMPARE(exportFormatOf(QStringLiteral("/a/b.XML")), std::optional<ExportFormat>(ExportFormat::Book));
        QCOMPARE(exportFormatOf(QStringLiteral("b.mmf")), std::optional<ExportFormat>(ExportFormat::MealMaster));
        QCOMPARE(exportFormatOf(QStringLiteral("b.pdf")), std::optional<ExportFormat>(ExportFormat::Cookbook));
        QCOMPARE(exportFormatOf(QStringLiteral("b.htm")), std::optional<ExportFormat>(ExportFormat::WebPage));
        QCOMPARE(exportFormatOf(QStringLiteral("b.txt")), std::nullopt);
        QCOMPARE(exportFormatOf(QStringLiteral("mmf")), std::nullopt);
    }

    void exportFilesOfEveryFormat()
    {
        bdtest::TestEnv env;
        RecipeBook book;
        QVector<Recipe> recipes = cookbook();
        recipes[0].image = QStringLiteral("recipes_Desserts_Creme.png");
        bdtest::writeFile(env.file(QStringLiteral("images/recipes_Desserts_Creme.png")), bdtest::pngBytes(40, 30));
        fill(book, recipes);
        const QVector<RecipeRef> items = everything(book);
        ExportJob job;
        job.imagesFolder = env.file(QStringLiteral("images"));
        job.date = QStringLiteral("1/2/2030");

        // MealMaster: the import reads the file back, in list order.
        ExportOptions options;
        options.format = ExportFormat::MealMaster;
        job.path = env.file(QStringLiteral("out/book.mmf"));
        QDir().mkpath(env.file(QStringLiteral("out")));
        ExportResult r = exportAs(book, items, job, options);
        QCOMPARE(r.outcome, RunOutcome::Done);
        QCOMPARE(r.written, recipes.size());
        RecipeList source;
        QCOMPARE(loadImportFile(job.path, source, {QStringLiteral("Imported"), 0}), ImportKind::MealMaster);
        QVector<Recipe> expected;
        QVERIFY(listedRecipes(book, items, expected));
        compareReadBack(expected, QList<Recipe>(source.recipes.begin(), source.recipes.end()));

        // A web page with its pictures in a folder beside it, or inside it.
        options.format = ExportFormat::WebPage;
        options.title = QStringLiteral("Family <Favourites>");
        job.path = env.file(QStringLiteral("out/book.html"));
        r = exportAs(book, items, job, options);
        QCOMPARE(r.outcome, RunOutcome::Done);
        QString html = QString::fromUtf8(bdtest::readFile(job.path));
        QVERIFY(html.contains(QStringLiteral("<title>Family &lt;Favourites&gt;</title>")));
        QVERIFY(html.contains(QStringLiteral("src=\"book_files/recipes_Desserts_Creme.png\"")));
        QCOMPARE(bdtest::readFile(env.file(QStringLiteral("out/book_files/recipes_Desserts_Creme.png"))),
                 bdtest::pngBytes(40, 30));
        for (const Recipe& recipe : std::as_const(recipes))
            QVERIFY(html.contains(recipe.title.toHtmlEscaped()));
        // The contents link to every recipe, chapters A-Z.
        QVERIFY(html.indexOf(QStringLiteral(">Appetizers, Snacks</a>")) < html.indexOf(QStringLiteral(">Breads</a>")));
        QCOMPARE(html.count(QStringLiteral("<li><a href=\"#r")), 2 * recipes.size()); // contents and index

        options.webPictures = WebPictures::Embedded;
        job.path = env.file(QStringLiteral("out/inside.html"));
        QCOMPARE(exportAs(book, items, job, options).outcome, RunOutcome::Done);
        html = QString::fromUtf8(bdtest::readFile(job.path));
        QVERIFY(html.contains(QStringLiteral("src=\"data:image/png;base64,") +
                              QString::fromLatin1(bdtest::pngBytes(40, 30).toBase64())));
        QVERIFY(!QFileInfo::exists(env.file(QStringLiteral("out/inside_files"))));

        options.webPictures = WebPictures::None;
        QCOMPARE(exportAs(book, items, job, options).outcome, RunOutcome::Done);
        QVERIFY(!bdtest::readFile(job.path).contains("<img"));

        // The cookbook PDF.
        options.format = ExportFormat::Cookbook;
        job.path = env.file(QStringLiteral("out/book.pdf"));
        QCOMPARE(exportAs(book, items, job, options).outcome, RunOutcome::Done);
        QVERIFY(bdtest::readFile(job.path).startsWith("%PDF-"));

        // A recipe missing from the book fails the export.
        job.path = env.file(QStringLiteral("out/missing.mmf"));
        options.format = ExportFormat::MealMaster;
        r = exportAs(book, {{0, QStringLiteral("No such recipe")}}, job, options);
        QCOMPARE(r.outcome, RunOutcome::Failed);
        // A cancelled export writes what was done.
        r = exportAs(book, items, job, options, [](int done, int) { return done < 2; });
        QCOMPARE(r.outcome, RunOutcome::Cancelled);
        QCOMPARE(r.written, 2);
        QCOMPARE(bdtest::readFile(job.path).count("\r\nMMMMM\r\n"), 2);
    }
};

QTEST_MAIN(TestExportFormats)
#include "tst_exportformats.moc"
