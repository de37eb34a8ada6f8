// The readers of exports that come as XML, property lists and web pages:
// Living Cookbook (.fdx, .fdxz), MacGourmet, Recipe Keeper, CopyMeThat
// and BigOven, read through the import as a cook's file is, so that the
// check that tells the formats apart is tried too.

#include "exchange/formats/htmltags.h"
#include "exchange/importfile.h"
#include "resources/strings.h"
#include "testsupport.h"
#include "archivewriting.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

using namespace bd;

namespace {

const ReadContext kContext{QStringLiteral("Imported"), 0};

QString writeIn(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    bdtest::writeFile(path, bytes);
    return path;
}

using bdtest::zipOf;

// The picture a recipe came with, as the import unpacked it (empty: none).
QByteArray pictureOf(const ImportFileRead& read, const Recipe& r)
{
    return r.image.isEmpty() ? QByteArray() : bdtest::readFile(QDir(read.pictureFolder).filePath(r.image));
}

// A recipe's title, category, yield, times, ingredients and directions.
QStringList fields(const Recipe& r) { return {r.title, r.category, r.yield, r.preptime, r.cooktime, r.ing, r.prep}; }

// Which reader took a file read through the import, and how many recipes it read.
std::pair<ImportKind, int> took(const ImportFileRead& read, const RecipeList& source)
{
    return {read.kind, source.count()};
}

// The same for bytes written to a file name in dir.
std::pair<ImportKind, int> readIn(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes,
                                  RecipeList& source)
{
    const ImportFileRead read = readImportFile(writeIn(dir, name, bytes), source, kContext);
    return took(read, source);
}

QStringList noteLines(const Recipe& r) { return r.other.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }

const QByteArray kPng = bdtest::pngBytes(4, 3);

} // namespace

class TestReadersB : public QObject {
    Q_OBJECT

private slots:
    void livingCookbookFdx()
    {
        // As version 3 writes it: a BOM, chapters in a tree, a recipe in a
        // chapter and one in none, the picture inline.
        const QByteArray fdx =
            "\xef\xbb\xbf<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
            "<fdx Source=\"Living Cookbook 3.0\" FileVersion=\"2.0\">\r\n"
            "<Cookbooks><Cookbook Name=\"Family\" ID=\"3\" /></Cookbooks>\r\n"
            "<CookbookChapters><CookbookChapter Name=\"Soups\" ID=\"7\" CookbookID=\"3\" ParentChapterID=\"0\" />"
            "<CookbookChapter Name=\"Cold soups\" ID=\"8\" CookbookID=\"3\" ParentChapterID=\"7\" />"
            "</CookbookChapters>\r\n<Recipes>\r\n"
            "<Recipe Name=\"Gazpacho\" ID=\"1\" CookbookID=\"3\" CookbookChapterID=\"8\" Servings=\"4\" "
            "Yield=\"1 litre\" PreparationTime=\"20\" CookingTime=\"90\" ReadyInTime=\"150\" "
            "RecipeTypes=\"Summer, Vegetarian\" Source=\"Grandma\" WebPage=\"http://example.org/g\" "
            "Comments=\"Serve cold.&#xD;&#xA;&#xD;&#xA;Very cold.\">\r\n"
            "<RecipeIngredients>"
            "<RecipeIngredient Quantity=\"1\" Unit=\"kg\" Ingredient=\"tomatoes, peeled\" Heading=\"N\" />"
            "<RecipeIngredient Quantity=\"\" Unit=\"\" Ingredient=\"Topping\" Heading=\"Y\" />"
            "<RecipeIngredient Quantity=\"1/2\" Unit=\"\" Ingredient=\"cucumber\" Heading=\"N\" />"
            "</RecipeIngredients>\r\n<RecipeProcedures>"
            "<RecipeProcedure Heading=\"N\"><ProcedureText>Blend.\r\nSieve.</ProcedureText></RecipeProcedure>"
            "<RecipeProcedure Heading=\"Y\"><ProcedureText>To serve</ProcedureText></RecipeProcedure>"
            "<RecipeProcedure Heading=\"N\"><ProcedureText>Chill.</ProcedureText></RecipeProcedure>"
            "</RecipeProcedures>\r\n"
            "<RecipeTips><RecipeTip>Use ripe tomatoes.</RecipeTip></RecipeTips>"
            "<RecipeAuthorNotes><RecipeAuthorNote>From Seville.</RecipeAuthorNote></RecipeAuthorNotes>"
            "<RecipeReviews><RecipeReview Rating=\"4\" Reviewer=\"Ann\">Lovely.</RecipeReview></RecipeReviews>"
            "<RecipeImage xmlns:dt=\"urn:schemas-microsoft-com:datatypes\" dt:dt=\"bin.base64\" FileType=\"PNG\">" +
            kPng.toBase64(QByteArray::Base64Encoding) +
            "</RecipeImage></Recipe>\r\n"
            "<Recipe Name=\"Toast\" ID=\"2\" CookbookID=\"3\" CookbookChapterID=\"0\">"
            "<RecipeImage dt:dt=\"bin.base64\" xmlns:dt=\"urn:schemas-microsoft-com:datatypes\">" +
            QByteArray("no picture at all").toBase64() + "</RecipeImage></Recipe>\r\n</Recipes></fdx>\r\n";
        QTemporaryDir dir;
        RecipeList source;
        const ImportFileRead read = readImportFile(writeIn(dir, QStringLiteral("book.fdx"), fdx), source, kContext);
        QCOMPARE(took(read, source), std::pair(ImportKind::LivingCookbook, 2));
        const Recipe& g = source.recipes[0];
        // The chapter it is in names its category; its types are more.
        QCOMPARE(fields(g), QStringList({"Gazpacho", "Cold soups", "4", "20 min", "1 h 30 min",
                                         "1 kg tomatoes, peeled\n\nTopping\n1/2 cucumber",
                                         "Blend.\nSieve.\n\nTo serve\n\nChill."}));
        QCOMPARE(g.other.left(g.other.indexOf(QLatin1String("Yield:"))),
                 QStringLiteral("Serve cold.\n\nVery cold.\n\nUse ripe tomatoes.\n\nFrom Seville.\n\n"));
        const QStringList lines = noteLines(g);
        for (const char* line :
             {"Yield: 1 litre", "Total time: 2 h 30 min", "Source: Grandma", "Source: http://example.org/g",
              "Categories: Cold soups, Summer, Vegetarian", "Review: Ann, 4/5: Lovely."})
            QVERIFY2(lines.contains(QString::fromUtf8(line)), line);
        QCOMPARE(pictureOf(read, g), kPng);
        // A recipe in no chapter is in its cookbook; text that is no
        // picture is counted and left out.
        QCOMPARE(source.recipes[1].category, QStringLiteral("Family"));
        QVERIFY(source.recipes[1].image.isEmpty());
        QCOMPARE(read.notPictures, 1);
    }

    // A file of many recipes is parsed in pieces: each recipe still finds
    // its chapter (listed after the recipes here), a recipe outside the
    // file's <Recipes> is no more read than before, and a damaged file
    // gives the recipes before the damage, once each.
    void livingCookbookReadInPieces()
    {
        QByteArray recipes;
        for (int i = 0; i < 400; ++i)
            recipes += "<Recipe Name=\"Bake " + QByteArray::number(i) + "\" ID=\"" + QByteArray::number(i + 1) +
                       "\" CookbookChapterID=\"" + QByteArray::number(1 + i % 2) +
                       "\"><RecipeIngredients><RecipeIngredient Quantity=\"200\" Unit=\"g\" "
                       "Ingredient=\"flour\" Heading=\"N\" /></RecipeIngredients><RecipeProcedures>"
                       "<RecipeProcedure Heading=\"N\"><ProcedureText>Mix the flour with the water and knead it "
                       "for ten minutes.</ProcedureText></RecipeProcedure></RecipeProcedures></Recipe>\r\n";
        const QByteArray chapters = "<CookbookChapters><CookbookChapter Name=\"Breads\" ID=\"1\" />"
                                    "<CookbookChapter Name=\"Cakes\" ID=\"2\" /></CookbookChapters>";
        const QByteArray fdx = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<fdx Source=\"Living Cookbook 3.0\">"
                               "<Recipes>\r\n" +
                               recipes + "</Recipes>" + chapters + "</fdx>";
        QVERIFY(fdx.size() > 2 * 65536); // three pieces
        QTemporaryDir dir;
        RecipeList source;
        QCOMPARE(readIn(dir, QStringLiteral("many.fdx"), fdx, source), std::pair(ImportKind::LivingCookbook, 400));
        QCOMPARE(source.recipes[0].category, QStringLiteral("Breads"));
        QCOMPARE(source.recipes[399].title, QStringLiteral("Bake 399"));
        QCOMPARE(source.recipes[399].category, QStringLiteral("Cakes"));
        QCOMPARE(source.recipes[399].ing, QStringLiteral("200 g flour"));

        QByteArray outside = fdx;
        outside.replace("</fdx>", "<Extra><Recipe Name=\"Stray\" ID=\"999\" /></Extra></fdx>");
        QCOMPARE(readIn(dir, QStringLiteral("outside.fdx"), outside, source),
                 std::pair(ImportKind::LivingCookbook, 400));
        QCOMPARE(source.recipes.back().title, QStringLiteral("Bake 399"));

        // A tag left open in the 301st recipe, in a piece after the first:
        // the file is read whole, up to the damage.
        QByteArray damaged = fdx;
        damaged.replace("<Recipe Name=\"Bake 300\"", "<Recipe Name=\"Bake 300\"><Broken");
        QCOMPARE(readIn(dir, QStringLiteral("damaged.fdx"), damaged, source).second, 301);
        QCOMPARE(source.recipes[299].title, QStringLiteral("Bake 299"));
        QCOMPARE(source.recipes[300].title, QStringLiteral("Bake 300"));
    }

    void livingCookbookOldAndEmptyFiles()
    {
        // Version 1.05: all on one line, entities escaped twice, no BOM.
        const QByteArray old = "<?xml version=\"1.0\"?><fdx Source=\"Living Cookbook 1.05.28\" FileVersion=\"1.1\">"
                               "<Recipes><Recipe Name=\"Kids&amp;apos; &amp;quot;Pizza&amp;quot;\" ID=\"9\">"
                               "<RecipeProcedures><RecipeProcedure Heading=\"N\"><ProcedureText>Fill &amp;quot;Artie"
                               "&amp;quot; &amp;amp; bake at 200&amp;#176;C.</ProcedureText></RecipeProcedure>"
                               "</RecipeProcedures></Recipe></Recipes></fdx>";
        QTemporaryDir dir;
        RecipeList source;
        QCOMPARE(readIn(dir, QStringLiteral("old.fdx"), old, source), std::pair(ImportKind::LivingCookbook, 1));
        QCOMPARE(source.recipes[0].title, QStringLiteral("Kids’ “Pizza”"));
        QCOMPARE(source.recipes[0].prep, QStringLiteral("Fill \"Artie\" & bake at 200°C."));
        // A file of techniques alone holds no recipe to import.
        const QByteArray techniques = "<fdx Source=\"Living Cookbook 2.0\"><Techniques><Technique Name=\"Blanch\">"
                                      "<TextItems><TextItem><ItemText>Boil briefly.</ItemText></TextItem></TextItems>"
                                      "</Technique></Techniques></fdx>";
        QCOMPARE(readIn(dir, QStringLiteral("t.fdx"), techniques, source), std::pair(ImportKind::None, 0));
    }

    void livingCookbookArchive()
    {
        // .fdxz: Data.xml names each picture file in Images/ (in other
        // letter case than the archive); a name reaching out of the
        // archive finds nothing.
        const QByteArray data = "\xef\xbb\xbf<?xml version=\"1.0\" encoding=\"utf-8\"?><hixz Source=\"Living Cookbook "
                                "3.0\"><Recipes><Recipe Name=\"Chili\" ID=\"1\"><RecipeImages>"
                                "<RecipeImage FileName=\"ImageFile1.PNG\" FileType=\"PNG\" /></RecipeImages></Recipe>"
                                "<Recipe Name=\"Sly\" ID=\"2\"><RecipeImage FileName=\"../Images/ImageFile1.png\" />"
                                "</Recipe></Recipes></hixz>";
        QTemporaryDir dir;
        const QString path = writeIn(dir, QStringLiteral("chili.fdxz"),
                                     zipOf({{QStringLiteral("Data.xml"), data},
                                            {QStringLiteral("Images/ImageFile1.png"), kPng},
                                            {QStringLiteral("Manifest.xml"), "<manifest/>"}}));
        RecipeList source;
        const ImportFileRead read = readImportFile(path, source, kContext);
        QCOMPARE(took(read, source), std::pair(ImportKind::LivingCookbook, 2));
        QCOMPARE(pictureOf(read, source.recipes[0]), kPng);
        QVERIFY(source.recipes[1].image.isEmpty());
        // A zip without the program's Data.xml is none of its files.
        const QString other = writeIn(dir, QStringLiteral("other.zip"),
                                      zipOf({{QStringLiteral("Data.xml"), "<catalog><item/></catalog>"}}));
        QVERIFY(readImportFile(other, source, kContext).kind != ImportKind::LivingCookbook);
    }

    void macGourmet()
    {
        // An array of recipe dicts; the first as a binary export writes
        // its picture (data), the second as a text export (hex digits).
        const QByteArray plist =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
            "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\">\n<array>\n<dict>\n"
            "\t<key>CATEGORIES</key><array><dict><key>NAME</key><string>Breads</string></dict>"
            "<dict><key>NAME</key><string>Breakfast</string></dict></array>\n"
            "\t<key>COURSE_NAME</key><string>Dessert</string>\n"
            "\t<key>DIRECTIONS_LIST</key><array>"
            "<dict><key>DIRECTION_TEXT</key><string>Mix.\n\nRest.</string><key>LABEL_TEXT</key><string>Dough</string>"
            "</dict><dict><key>DIRECTION_TEXT</key><string>Bake.</string><key>LABEL_TEXT</key><string></string>"
            "</dict></array>\n"
            "\t<key>IMAGE</key><data>\n" +
            kPng.toBase64() +
            "\n</data>\n"
            "\t<key>INGREDIENTS</key><array>"
            "<dict><key>DESCRIPTION</key><string>Crust</string><key>IS_DIVIDER</key><true/></dict>"
            "<dict><key>DESCRIPTION</key><string>butter</string><key>DIRECTION</key><string>soft</string>"
            "<key>IS_DIVIDER</key><false/><key>MEASUREMENT</key><string>sticks</string>"
            "<key>QUANTITY</key><string>2</string></dict></array>\n"
            "\t<key>KEYWORDS</key><string>easy</string>\n"
            "\t<key>NAME</key><string>Banana bread</string>\n"
            "\t<key>NOTES_LIST</key><array><dict><key>NOTE_TEXT</key><string>Freezes well.</string></dict></array>\n"
            "\t<key>PREP_TIMES</key><array>"
            "<dict><key>AMOUNT</key><integer>15</integer><key>AMOUNT_2</key><integer>0</integer>"
            "<key>TIME_TYPE_ID</key><integer>9</integer><key>TIME_UNIT_ID</key><integer>2</integer>"
            "<key>TIME_UNIT_2_ID</key><integer>2</integer></dict>"
            "<dict><key>AMOUNT</key><integer>1</integer><key>AMOUNT_2</key><integer>10</integer>"
            "<key>TIME_TYPE_ID</key><integer>15</integer><key>TIME_UNIT_ID</key><integer>1</integer>"
            "<key>TIME_UNIT_2_ID</key><integer>2</integer></dict>"
            "<dict><key>AMOUNT</key><integer>2</integer><key>AMOUNT_2</key><integer>4</integer>"
            "<key>TIME_TYPE_ID</key><integer>4</integer><key>TIME_UNIT_ID</key><integer>0</integer>"
            "<key>TIME_UNIT_2_ID</key><integer>6</integer></dict></array>\n"
            "\t<key>SERVINGS</key><integer>12</integer>\n\t<key>YIELD</key><string>2 loaves</string>\n"
            "\t<key>SOURCE</key><string>Aunt May</string>\n\t<key>URL</key><string>http://example.org/b</string>\n"
            "</dict>\n<dict>\n\t<key>COURSE_NAME</key><string>--</string>\n"
            "\t<key>DIRECTIONS</key><string>Stir.\n\nServe.</string>\n"
            "\t<key>IMAGE</key><string>" +
            kPng.toHex() +
            "</string>\n\t<key>NAME</key><string>Lemonade</string>\n\t<key>NOTE</key><string>Cold.</string>\n"
            "\t<key>SERVINGS</key><integer>0</integer>\n\t<key>YIELD</key><string>1 jug</string>\n"
            "</dict>\n</array>\n</plist>\n";
        QTemporaryDir dir;
        RecipeList source;
        const ImportFileRead read = readImportFile(writeIn(dir, QStringLiteral("export.mgourmet"), plist), source,
                                                   kContext);
        QCOMPARE(took(read, source), std::pair(ImportKind::MacGourmet, 2));
        const Recipe& b = source.recipes[0];
        QCOMPARE(fields(b), QStringList({"Banana bread", "Breads", "12", "15 min", "1 h 10 min",
                                         "Crust\n2 sticks butter, soft", "Dough\n\nMix.\n\nRest.\n\nBake."}));
        QVERIFY(b.other.startsWith(QLatin1String("Freezes well.\n\n")));
        const QStringList lines = noteLines(b);
        for (const char* line :
             {"Time: 2 d, 4 °F", "Yield: 2 loaves", "Source: Aunt May", "Source: http://example.org/b",
              "Keywords: easy", "Categories: Breads, Breakfast, Dessert"})
            QVERIFY2(lines.contains(QString::fromUtf8(line)), line);
        QCOMPARE(pictureOf(read, b), kPng);
        const Recipe& l = source.recipes[1];
        QCOMPARE(l.category, QStringLiteral("Imported"));
        QCOMPARE(l.yield, QStringLiteral("1 jug"));
        QCOMPARE(l.prep, QStringLiteral("Stir.\n\nServe."));
        QCOMPARE(l.other, QStringLiteral("Cold."));
        QCOMPARE(pictureOf(read, l), kPng);
        // Numbered in the recipes' order, the same in every import.
        QCOMPARE(QStringList({b.image, l.image}), QStringList({"picture1.png", "picture2.png"}));

        // Ingredients' parts with spaces to tidy, a tab, letters beyond
        // ASCII, a number, an empty part and a key given twice, each in an
        // ingredient otherwise plain; a heading among them.
        auto ingredient = [](const QByteArray& keys) { return "<dict>" + keys + "</dict>"; };
        const QByteArray parts =
            "<?xml version=\"1.0\"?>\n<plist version=\"1.0\"><dict><key>NAME</key><string>Parts</string>"
            "<key>INGREDIENTS</key><array>" +
            ingredient("<key>QUANTITY</key><string>1</string><key>MEASUREMENT</key><string>cup</string>"
                       "<key>DESCRIPTION</key><string>rolled  oats</string>") +
            ingredient("<key>QUANTITY</key><string> 2</string><key>DESCRIPTION</key><string>figs</string>") +
            ingredient("<key>IS_DIVIDER</key><true/><key>DESCRIPTION</key><string>Eggs</string>") +
            ingredient("<key>QUANTITY</key><integer>03</integer><key>MEASUREMENT</key><string></string>"
                       "<key>DESCRIPTION</key><string>eggs</string>") +
            ingredient(
                "<key>DESCRIPTION</key><string>eggs</string><key>DIRECTION</key><string>beaten\tlightly</string>") +
            ingredient("<key>DESCRIPTION</key><string>cr\xc3\xa8"
                       "me fra\xc3\xae"
                       "che</string>") +
            ingredient("<key>QUANTITY</key><string>2</string><key>DESCRIPTION</key><string>limes</string>"
                       "<key>DIRECTION</key><string></string>") +
            ingredient("<key>DESCRIPTION</key><string>salt</string><key>DESCRIPTION</key><string>sea salt</string>") +
            ingredient("<key>DESCRIPTION</key><string>pepper </string>") +
            // Keys that start as the parts' do are none of them.
            ingredient("<key>QUANTITY_2</key><string>9</string><key>DESCRIPTION</key><string>mint</string>"
                       "<key>DESCRIPTIONS</key><string>x</string><key>DIRECTIO</key><string>y</string>") +
            "</array></dict></plist>";
        RecipeList tidied;
        QCOMPARE(took(readImportFile(writeIn(dir, QStringLiteral("parts.mgourmet"), parts), tidied, kContext), tidied),
                 std::pair(ImportKind::MacGourmet, 1));
        QCOMPARE(tidied.recipes[0].ing,
                 QString::fromUtf8("1 cup rolled oats\n2 figs\n\nEggs\n3 eggs\neggs, beaten lightly\n"
                                   "cr\xc3\xa8"
                                   "me fra\xc3\xae"
                                   "che\n2 limes\nsea salt\npepper\nmint"));
    }

    void recipeKeeper()
    {
        const QByteArray recipe =
            "<div class=\"recipe-details\"><meta content=\"r1\" itemprop=\"recipeId\">"
            "<meta content=\"True\" itemprop=\"recipeIsFavourite\"><meta content=\"4\" itemprop=\"recipeRating\">"
            "<table><tr><td><img src=\"images/r1_0.jpg\" class=\"recipe-photo\"/></td><td>"
            "<h2 itemprop=\"name\">Lemon tart</h2><div>Courses: <span itemprop=\"recipeCourse\">Dessert</span></div>"
            "<div>Categories: <span>Tart, Baking</span><meta content=\"Tart\" itemprop=\"recipeCategory\">"
            "<meta content=\"Baking\" itemprop=\"recipeCategory\"></div><div>Collections: <span>Party</span></div>"
            "<div>Source: <span itemprop=\"recipeSource\"><a href=\"http://example.org/t\">http://example.org/t</a>"
            "</span></div><div>Serving size: <span itemprop=\"recipeYield\">8</span></div>"
            "<div>Preparation time: <span>1 hour</span><meta content=\"PT1H\" itemprop=\"prepTime\"></div>"
            "<div>Cooking time: <span>30 mins</span><meta content=\"PT30M\" itemprop=\"cookTime\"></div>"
            "</td></tr><tr><td><div class=\"recipe-ingredients\" itemprop=\"recipeIngredients\">"
            "<p><b>For the shell</b></p><p>200g flour</p><p>1 egg yolk</p><p></p><p><b><i>To serve</i></b></p>"
            "<p>Cream</p><p></p></div></td><td><div itemprop=\"recipeDirections\"><p>1. Rub in.</p><p>Chill.</p>"
            "<p></p><p>2. Bake at 180&#176;C.</p><p></p></div></td></tr></table>"
            "<div class=\"recipe-notes\" itemprop=\"recipeNotes\"><p>Best the same day.</p></div>"
            "<div>Calories: 480<meta content=\"480\" itemprop=\"recipeNutCalories\"></div><hr /></div>";
        const QByteArray second = "<div class=\"recipe-details\"><meta content=\"r2\" itemprop=\"recipeId\">"
                                  "<h2 itemprop=\"name\">Water</h2></div>";
        // A title left open takes the rest as its text; the ingredients after it are read all the same.
        const QByteArray third = "<div class=\"recipe-details\"><h2 itemprop=\"name\">Toast"
                                 "<div itemprop=\"recipeIngredients\"><p>Bread</p></div></div>";
        const QByteArray page = "<!DOCTYPE html><html><head></head><body>" + recipe + second + third + "</body></html>";
        QTemporaryDir dir;
        RecipeList source;
        // The page alone, its pictures in images/ beside it.
        writeIn(dir, QStringLiteral("export/images/r1_0.jpg"), kPng);
        ImportFileRead read = readImportFile(writeIn(dir, QStringLiteral("export/recipes.html"), page), source,
                                             kContext);
        QCOMPARE(took(read, source), std::pair(ImportKind::RecipeKeeper, 3));
        const Recipe t = source.recipes[0];
        QCOMPARE(fields(t), QStringList({"Lemon tart", "Tart", "8", "1 h", "30 min",
                                         "For the shell\n200g flour\n1 egg yolk\n\nTo serve\nCream",
                                         "1. Rub in.\nChill.\n\n2. Bake at 180°C."}));
        QCOMPARE(noteLines(t),
                 QStringList({"Best the same day.", "Source: http://example.org/t", "Categories: Tart, Baking, Dessert",
                              "Collections: Party", "Rating: 4/5", "Favourite", "Nutrition: Calories: 480"}));
        QCOMPARE(bdtest::readFile(QDir(read.pictureFolder).filePath(t.image)), kPng);
        QCOMPARE(source.recipes[1].title, QStringLiteral("Water"));
        QCOMPARE(source.recipes[2].ing, QStringLiteral("Bread"));
        // Classes named in character references: each recipe is read all the same.
        QByteArray referenced = page;
        referenced.replace("class=\"recipe-details\"><meta content=\"r2\"",
                           "class=\"recipe&#45;details\"><meta content=\"r2\"");
        referenced.replace("class=\"recipe-details\"><h2 itemprop=\"name\">Toast",
                           "class=\"recipe&#x2D;details\"><h2 itemprop=\"name\">Toast");
        QVERIFY(referenced.count("recipe-details") == 1);
        read = readImportFile(writeIn(dir, QStringLiteral("referenced.html"), referenced), source, kContext);
        QCOMPARE(took(read, source), std::pair(ImportKind::RecipeKeeper, 3));
        QCOMPARE(source.recipes[1].title, QStringLiteral("Water"));
        QCOMPARE(source.recipes[2].ing, QStringLiteral("Bread"));
        // The export's zip: page and pictures in it.
        const QString zip = writeIn(
            dir, QStringLiteral("RecipeKeeper.zip"),
            zipOf({{QStringLiteral("recipes.html"), page}, {QStringLiteral("images/r1_0.jpg"), kPng}}));
        read = readImportFile(zip, source, kContext);
        QCOMPARE(took(read, source), std::pair(ImportKind::RecipeKeeper, 3));
        QCOMPARE(pictureOf(read, source.recipes[0]), kPng);
        QCOMPARE(source.recipes[0].ing, t.ing);
    }

    // An element ends at the close tag that matches it: a tag closed by
    // "/>" opens nothing, and names match in any letter case.
    void elementEndsAtItsOwnCloseTag()
    {
        const QString html = QStringLiteral("<div class=\"r\"><div/><p>a</p><DIV>in</div> still in</DIV>after");
        const Tag open = nextTag(html, 0);
        QCOMPARE(open.name, QStringLiteral("div"));
        const qsizetype end = elementEnd(html, open, html.size());
        QCOMPARE(QStringView(html).sliced(end), QStringLiteral("after"));
        // An element left open runs to the limit.
        QCOMPARE(elementEnd(html, open, 20), qsizetype(20));
        // Other tags of the same first letter, a close tag in a comment,
        // and tags standing at every place of the blocks a page is looked
        // through in, to its very end.
        for (int pad = 0; pad < 10; ++pad) {
            const QString inner = QStringLiteral("<div>") + QString(pad, QLatin1Char('x')) +
                                  QStringLiteral("<dl><dd>d</dd></dl><!-- </div> --><Div><d></d></dIV><p>x</p>");
            const QString nested = inner + QStringLiteral("</Div><b>");
            const Tag outer = nextTag(nested, 0);
            QCOMPARE(elementEnd(nested, outer, nested.size()), nested.size() - 3);
            QCOMPARE(elementEnd(inner, outer, inner.size()), inner.size()); // not closed
        }
    }

    void copyMeThat()
    {
        const QByteArray page =
            "<!DOCTYPE html>\n<head>\n<meta name=\"copymethat_class_id_version\" content=\"2\">\n</head>\n<html>"
            "<body>\n<div class = \"recipe\">\n<div id = \"name\">\n    Stuffed shells\n</div>\n"
            "<div id = \"link\">Adapted from <a id = \"original_link\" href = \"https://example.org/s\">x</a></div>\n"
            "<img class= \"recipeImage\" src = \"images/stuffed_shells_ab1.jpg\" width=\"120px\"/>\n"
            "<div id = \"categories\"><span>Tags: </span><span class = \"recipeCategory\">pasta</span>"
            "<span class = \"recipeCategory\">dinner</span></div>\n"
            "<div id = \"extra_info\"><span id=\"starred\">Is starred. </span>"
            "<span id=\"rating\">Rated <span id = \"ratingValue\">5</span>/5</span></div>\n"
            "<div id = \"servings\">Servings: <a id=\"recipeYield\">6</a></div>\n<ul id = \"recipeIngredients\">\n"
            "<li class= \"recipeIngredient\">\n  24 shells\n</li>\n"
            "<li class= \"recipeIngredient_subheader\">Filling</li>\n"
            "<li class= \"recipeIngredient\">475 g ricotta</li>\n</ul>\n<ol id = \"recipeInstructions\">\n"
            "<li class = \"instruction\" value = \"1\">\n  Boil the shells.\n</li>\n"
            "<li class = \"instruction\" value = \"2\">Fill &amp; bake 9x13&quot; dish.</li>\n</ol>\n"
            "<ul id = \"recipeNotes\"><li class = \"recipeNote\">Freezes well.</li></ul>\n</div>\n"
            "<div class = \"recipe\">\n<div id = \"name\">Zoodles</div>\n</div>\n</body></html>\n";
        QTemporaryDir dir;
        const QString zip = writeIn(
            dir, QStringLiteral("copymethat.zip"),
            zipOf({{QStringLiteral("recipes.html"), page}, {QStringLiteral("images/stuffed_shells_ab1.jpg"), kPng}}));
        RecipeList source;
        ImportFileRead read = readImportFile(zip, source, kContext);
        QCOMPARE(took(read, source), std::pair(ImportKind::CopyMeThat, 2));
        const Recipe s = source.recipes[0];
        QCOMPARE(fields(s), QStringList({"Stuffed shells", "pasta", "6", "", "", "24 shells\n\nFilling\n475 g ricotta",
                                         "Boil the shells.\n\nFill & bake 9x13\" dish."}));
        QCOMPARE(noteLines(s), QStringList({"Freezes well.", "Source: https://example.org/s",
                                            "Categories: pasta, dinner", "Rating: 5/5", "Favourite"}));
        QCOMPARE(pictureOf(read, s), kPng);
        QCOMPARE(source.recipes[1].title, QStringLiteral("Zoodles"));
        // The page alone, the pictures beside it.
        writeIn(dir, QStringLiteral("cmt/images/stuffed_shells_ab1.jpg"), kPng);
        read = readImportFile(writeIn(dir, QStringLiteral("cmt/recipes.html"), page), source, kContext);
        QCOMPARE(read.kind, ImportKind::CopyMeThat);
        QCOMPARE(bdtest::readFile(QDir(read.pictureFolder).filePath(source.recipes[0].image)), kPng);
    }

    void recipeSitesStayWebPages()
    {
        // Recipe sites use such class names too: a page with schema.org
        // data and no export's marks is read as a web page.
        const QByteArray page = "<html><head><script type=\"application/ld+json\">{\"@type\":\"Recipe\",\"name\":"
                                "\"Soup\",\"recipeIngredient\":[\"1 leek\"],\"recipeInstructions\":\"Cook.\"}"
                                "</script></head><body><div class=\"recipe-details\"><div class=\"recipe\">"
                                "<div id=\"name\">Soup</div></div></div></body></html>";
        QTemporaryDir dir;
        RecipeList source;
        QCOMPARE(readIn(dir, QStringLiteral("soup.html"), page, source), std::pair(ImportKind::WebPage, 1));
        QCOMPARE(source.recipes[0].ing, QStringLiteral("1 leek"));
    }

    void filesOfOtherVersions()
    {
        // What real files hold beside the fields above: another encoding,
        // a recipe without ingredients or picture, numbers as text, one
        // recipe without its array, an archive with a folder at its top
        // and names in capitals, CR LF line ends.
        QTemporaryDir dir;
        RecipeList source;
        // Living Cookbook in UTF-16 with its BOM: a recipe of directions
        // alone, in no chapter, its types its categories.
        const QString fdx = QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"utf-16\"?>\r\n<fdx Source=\"Living Cookbook 2.0\" FileVersion=\"1.2\">"
            "<Recipes><Recipe Name=\"Crêpes\" ID=\"4\" RecipeTypes=\"Breakfast, French\" Servings=\"2\">"
            "<RecipeProcedures><RecipeProcedure><ProcedureText>Whisk and fry.</ProcedureText></RecipeProcedure>"
            "</RecipeProcedures></Recipe></Recipes></fdx>");
        QByteArray utf16("\xff\xfe");
        utf16.append(reinterpret_cast<const char*>(fdx.utf16()), fdx.size() * 2);
        QCOMPARE(readIn(dir, QStringLiteral("CREPES.FDX"), utf16, source), std::pair(ImportKind::LivingCookbook, 1));
        QCOMPARE(fields(source.recipes[0]), QStringList({"Crêpes", "Breakfast", "2", "", "", "", "Whisk and fry."}));
        // An .fdxz unpacked and zipped again by the cook: its files in a
        // folder, the pictures' folder in other letter case.
        const QByteArray data = "<hixz Source=\"Living Cookbook 3.0\"><Recipes><Recipe Name=\"Chili\" ID=\"1\">"
                                "<RecipeImage FileName=\"ImageFile1.png\" /></Recipe></Recipes></hixz>";
        ImportFileRead read = readImportFile(writeIn(dir, QStringLiteral("Chili.zip"),
                                                     zipOf({{QStringLiteral("Chili/Data.xml"), data},
                                                            {QStringLiteral("Chili/IMAGES/ImageFile1.png"), kPng}})),
                                             source, kContext);
        QCOMPARE(took(read, source), std::pair(ImportKind::LivingCookbook, 1));
        QCOMPARE(pictureOf(read, source.recipes[0]), kPng);

        // MacGourmet: one recipe as a dict of its own, servings as text,
        // categories as names, no picture, CR LF; a key written twice (the
        // last counts), a key without a value, a stray value.
        const QByteArray plist =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<plist version=\"1.0\">\r\n<dict>\r\n"
            "<key>NAME</key><string>Draft</string>\r\n<key>URL</key>\r\n"
            "<key>SOURCE</key><string>Gran</string><string>stray</string>\r\n"
            "<key>NAME</key><string>Porridge</string>\r\n<key>SERVINGS</key><string>2</string>\r\n"
            "<key>CATEGORIES</key><array><string>Breakfast</string><string>Quick</string></array>\r\n"
            "<key>INGREDIENTS</key><array><dict><key>QUANTITY</key><real>0.5</real><key>MEASUREMENT</key>"
            "<string>cup</string><key>DESCRIPTION</key><string>oats</string></dict></array>\r\n"
            "<key>DIRECTIONS</key><string>Simmer.\r\nStir.</string>\r\n</dict>\r\n</plist>\r\n";
        read = readImportFile(writeIn(dir, QStringLiteral("Porridge.MGOURMET"), plist), source, kContext);
        QCOMPARE(took(read, source), std::pair(ImportKind::MacGourmet, 1));
        QCOMPARE(fields(source.recipes[0]),
                 QStringList({"Porridge", "Breakfast", "2", "", "", "0.5 cup oats", "Simmer.\nStir."}));
        QCOMPARE(source.recipes[0].other, QStringLiteral("Source: Gran\nCategories: Breakfast, Quick"));
        // A list with a tag left open: what comes before it is read all the same.
        read = readImportFile(writeIn(dir, QStringLiteral("Broken.mgourmet"),
                                      "<?xml version=\"1.0\"?>\n<plist version=\"1.0\"><array><dict><key>NAME</key>"
                                      "<string>Toast</string></dict>\n<dict><key>NAME</key><string>Jam</dict>"
                                      "</array></plist>"),
                              source, kContext);
        QCOMPARE(read.kind, ImportKind::MacGourmet);
        QVERIFY(!source.isEmpty());
        QCOMPARE(source.recipes[0].title, QStringLiteral("Toast"));

        // Recipe Keeper's zip with its export folder at the top, the page's
        // name in capitals, a recipe without a picture.
        const QByteArray page = "<html><body><div class=\"recipe-details\"><meta content=\"r7\" itemprop=\"recipeId\">"
                                "<img src=\"images/r7_0.jpg\"/><h2 itemprop=\"name\">Flan</h2><div "
                                "itemprop=\"recipeIngredients\"><p>4 eggs</p></div></div><div class=\"recipe-details\">"
                                "<meta content=\"r8\" itemprop=\"recipeId\"><h2 itemprop=\"name\">Tea</h2></div>"
                                "</body></html>";
        read = readImportFile(writeIn(dir, QStringLiteral("RecipeKeeper.ZIP"),
                                      zipOf({{QStringLiteral("RecipeKeeper_2024/RECIPES.HTML"), page},
                                             {QStringLiteral("RecipeKeeper_2024/images/r7_0.jpg"), kPng}})),
                              source, kContext);
        QCOMPARE(took(read, source), std::pair(ImportKind::RecipeKeeper, 2));
        QCOMPARE(pictureOf(read, source.recipes[0]), kPng);
        QVERIFY(source.recipes[1].image.isEmpty());

        // BigOven's page saved in UTF-8.
        const QByteArray bigOven = "<html><head><meta charset=\"utf-8\"></head><body><!--@BOBEGIN--<RECIPE>"
                                   "<TITLE>Café crème</TITLE><INSTRUCTIONS>Froth.</INSTRUCTIONS></RECIPE>@BOEND-->"
                                   "</body></html>";
        QCOMPARE(readIn(dir, QStringLiteral("cafe.htm"), bigOven, source), std::pair(ImportKind::BigOven, 1));
        QCOMPARE(source.recipes[0].title, QStringLiteral("Café crème"));
    }

    void paprikaPage()
    {
        // Paprika's page of a recipe: microdata and the classes of its
        // template, the times and servings after bold labels in spans
        // without a property, the picture in Images/<id>/ beside it and
        // its address on the web around it.
        const QByteArray page =
            "\xef\xbb\xbf<!DOCTYPE html>\n<html><head><meta charset=\"UTF-8\"></head><body>\n"
            "<div class=\"recipe\" itemscope itemtype=\"http://schema.org/Recipe\" >\n"
            "<div class=\"infobox\"><div class=\"photobox\"><a href=\"https://example.com/p/stew.jpg\">"
            "<img src=\"Images/A1-B2/C3.jpg\" itemprop=\"image\" class=\"photo photoswipe\"/></a></div>\n"
            "<h1 itemprop=\"name\" class=\"name\">Caf&eacute; Stew</h1>\n"
            "<p itemprop=\"recipeCategory\" class=\"categories\">Soups, Winter</p>\n"
            "<p itemprop=\"aggregateRating\" class=\"rating\" value=\"4\">&#9733;&#9733;&#9733;&#9733;</p>\n"
            "<p class=\"metadata\">\n<b>Prep Time: </b><span itemprop=\"\">15 mins</span>\n"
            "<b>Cook Time: </b><span itemprop=\"\">1 hr</span>\n<b>Servings: </b><span itemprop=\"\">4 bowls</span>\n"
            "<b>Difficulty: </b><span itemprop=\"\">Easy</span>\n<b>Source: </b>\n"
            "<a itemprop=\"url\" href=\"https://example.com/stew\"><span itemprop=\"author\">Example "
            "Kitchen</span></a>\n"
            "</p><div class=\"clear\"></div></div>\n"
            "<div class=\"left-column\"><div class=\"ingredientsbox\"><h3 class=\"subhead\">Ingredients</h3>"
            "<div class=\"ingredients text\"><p class=\"line\" itemprop=\"recipeIngredient\"><strong>1 1/2</strong> "
            "pounds beef</p><p class=\"line\" itemprop=\"recipeIngredient\">For the <b>dumplings</b>:</p>"
            "<p class=\"line\" itemprop=\"recipeIngredient\">Salt &amp; pepper</p></div></div></div>\n"
            "<div class=\"right-column\"><div class=\"descriptionbox\"><div itemprop=\"description\" "
            "class=\"description text\"><p>A hearty stew.</p></div></div>\n"
            "<div class=\"directionsbox\"><h3 class=\"subhead\">Directions</h3><div itemprop=\"recipeInstructions\" "
            "class=\"directions text\"><p class=\"line\">Brown the beef.</p><p class=\"line\">Simmer for an hour."
            "</p></div></div>\n<div class=\"notesbox\"><h3 class=\"subhead\">Notes</h3><div itemprop=\"comment\" "
            "class=\"notes text\"><p>Better the next day.</p></div></div>\n"
            "<div class=\"nutritionbox textbox\"><h3 class=\"subhead\">Nutrition</h3><div itemprop=\"nutrition\" "
            "class=\"nutrition text\"><p>Calories 400<br/>Fat 20g</p></div></div></div></div>\n</body></html>\n";
        const QString expectedNotes = QStringLiteral(
            "A hearty stew.\n\nBetter the next day.\n\nCategories: Soups, Winter\nDifficulty: Easy\nRating: 4\n"
            "Source: Example Kitchen\nWeb page: https://example.com/stew\nNutrition: Calories 400\nFat 20g");
        {
            QTemporaryDir dir;
            writeIn(dir, QStringLiteral("Images/A1-B2/C3.jpg"), kPng);
            RecipeList source;
            const ImportFileRead read = readImportFile(writeIn(dir, QStringLiteral("Cafe Stew.html"), page), source,
                                                       kContext);
            QCOMPARE(took(read, source), std::pair(ImportKind::Paprika, 1));
            const Recipe& r = source.recipes[0];
            QCOMPARE(fields(r), QStringList({"Café Stew", "Soups", "4 bowls", "15 mins", "1 hr",
                                             "1 1/2 pounds beef\nFor the dumplings:\nSalt & pepper",
                                             "Brown the beef.\n\nSimmer for an hour."}));
            QCOMPARE(r.other, expectedNotes);
            QCOMPARE(bdtest::readFile(QDir(read.pictureFolder).filePath(r.image)), kPng);
        }
        {
            // Without its Images folder the picture's address stays in the notes.
            QTemporaryDir dir;
            RecipeList source;
            const ImportFileRead read = readImportFile(writeIn(dir, QStringLiteral("stew.html"), page), source,
                                                       kContext);
            QCOMPARE(took(read, source), std::pair(ImportKind::Paprika, 1));
            QCOMPARE(source.recipes[0].image, QString());
            QCOMPARE(noteLines(source.recipes[0]).last(), QStringLiteral("Picture: https://example.com/p/stew.jpg"));
        }
        {
            // Several recipes on one page, a version that names the
            // properties, no picture, no rating.
            QByteArray two;
            for (const char* name : {"Tea", "Toast"})
                two += QByteArray("<div class=\"recipe\" itemscope itemtype=\"http://schema.org/Recipe\"><h1 "
                                  "itemprop=\"name\" class=\"name\">") +
                       name +
                       "</h1><p itemprop=\"aggregateRating\" class=\"rating\" value=\"0\"></p><p class=\"metadata\">"
                       "<b>Total Time: </b><span itemprop=\"totalTime\">5 mins</span><b>Servings: </b>"
                       "<span itemprop=\"recipeYield\">2</span></p><h3 class=\"subhead\">Ingredients</h3><div "
                       "class=\"ingredients text\"><p class=\"line\" itemprop=\"recipeIngredient\">1 cup</p></div>"
                       "<div class=\"directions text\"><p class=\"line\">Make it.</p></div></div>";
            QTemporaryDir dir;
            RecipeList source;
            QCOMPARE(readIn(dir, QStringLiteral("export.htm"), "<html><body>" + two + "</body></html>", source),
                     std::pair(ImportKind::Paprika, 2));
            QCOMPARE(fields(source.recipes[1]), QStringList({"Toast", "Imported", "2", "", "", "1 cup", "Make it."}));
            QCOMPARE(source.recipes[1].other, QStringLiteral("Total time: 5 mins"));
        }
        {
            // A recipe site's page with the same microdata is a web page.
            const QByteArray site =
                "<html><body><div itemscope itemtype=\"http://schema.org/Recipe\"><h1 "
                "itemprop=\"name\">Soup</h1><ul><li class=\"line\" itemprop=\"recipeIngredient\">"
                "1 leek</li></ul><div itemprop=\"recipeInstructions\">Cook.</div></div></body></html>";
            QTemporaryDir dir;
            RecipeList source;
            QCOMPARE(readIn(dir, QStringLiteral("soup.html"), site, source), std::pair(ImportKind::WebPage, 1));
        }
    }

    void programsOwnCookbooks()
    {
        // Cookbooks that programs keep in files of their own are no
        // exports: the import says so, and how to export them, in the
        // cook's language.
        QTemporaryDir dir;
        const QByteArray index(96, '\0');
        const QByteArray nycZip = zipOf({{"casseroles.gcf", QByteArray("\x42\xae\x05\x00", 4) + QByteArray(200, ' ')},
                                         {"casseroles.cdx", index},
                                         {"casseroles.idx", index}});
        QByteArray jet(64, '\0');
        jet.replace(4, 15, "Standard Jet DB");
        struct Case {
            const char* name;
            QByteArray bytes;
            Str message;
        };
        const QList<Case> cases = {{"casseroles.zip", nycZip, Str::OwnCookbookText},
                                   {"casseroles.gcf", QByteArray("\x42\xae\x05\x00", 4), Str::OwnCookbookText},
                                   {"MY BOOK.GCF", QByteArray("\x42\xae\x05\x00", 4), Str::OwnCookbookText},
                                   {"family.crb", jet, Str::OwnCookbookPages},
                                   // A database of another program, or a zip with only macOS's shadow of one.
                                   {"family.mdb", jet, Str::None},
                                   {"shadow.zip", zipOf({{"__MACOSX/._casseroles.gcf", index}}), Str::None}};
        for (const Case& c : cases) {
            RecipeList source;
            const QString path = writeIn(dir, QLatin1String(c.name), c.bytes);
            const ImportFileRead read = readImportFile(path, source, kContext);
            QCOMPARE(read.kind, ImportKind::None);
            QVERIFY(source.isEmpty());
            QCOMPARE(read.ownCookbook.message, c.message);
            if (c.message == Str::None) {
                QCOMPARE(ownCookbookText(read, path), QString());
                continue;
            }
            const QString text = ownCookbookText(read, path);
            QVERIFY2(text.contains(QDir::toNativeSeparators(path)), qPrintable(text));
            const QString program = c.message == Str::OwnCookbookText ? QStringLiteral("Now You're Cooking!")
                                                                      : QStringLiteral("BigOven");
            QVERIFY2(text.contains(program), qPrintable(text));
            QVERIFY2(text.contains(c.message == Str::OwnCookbookText ? "as text" : "web pages"), qPrintable(text));
            // In Spanish, the cook addressed as tú.
            const QString spanish = fetchText(c.message, 300).arg(path, program);
            QVERIFY2(spanish.contains(QStringLiteral("Ábrelo en ") + program), qPrintable(spanish));
        }
    }

    void bigOven()
    {
        // A saved page in Windows-1252, the recipe in the comment block,
        // its picture in images\ as the page names it.
        const QByteArray page =
            "<HTML><BODY><IMG SRC='images\\star0.gif'><IMG SRC='images\\12_Caf\xe9 salad.jpg'><FONT>"
            "<!--@BOBEGIN--<RECIPE>\r\n<TITLE>Caf\xe9 salad</TITLE>\r\n<YIELDQTY>4.00</YIELDQTY>\r\n"
            "<INSTRUCTIONS>Toss.\r\nServe at once.</INSTRUCTIONS>\r\n<CUISINE>French</CUISINE>\r\n<YIELDTEXT/>\r\n"
            "<INGREDIENTLIST><INGREDIENTLINE><BHEADING>1</BHEADING><TEXTQTY/><MEASURE/><NAME>-- Dressing --</NAME>"
            "</INGREDIENTLINE><INGREDIENTLINE><BHEADING>0</BHEADING><TEXTQTY>2</TEXTQTY><MEASURE>tbsp</MEASURE>"
            "<NAME>oil</NAME><PREPNOTES>cold</PREPNOTES></INGREDIENTLINE></INGREDIENTLIST>\r\n"
            "<ACTIVEMINUTES>10</ACTIVEMINUTES><TOTALMINUTES>70</TOTALMINUTES>\r\n"
            "<CATEGORIES><CATEGORYNAME>Salads</CATEGORYNAME><CATEGORYNAME>Summer</CATEGORYNAME></CATEGORIES>\r\n"
            "</RECIPE>\r\n@BOEND--></FONT></BODY></HTML>";
        QTemporaryDir dir;
        writeIn(dir, QStringLiteral("images/12_Caf\u00e9 salad.jpg"), kPng);
        RecipeList source;
        const ImportFileRead read = readImportFile(writeIn(dir, QStringLiteral("salad.html"), page), source, kContext);
        QCOMPARE(took(read, source), std::pair(ImportKind::BigOven, 1));
        const Recipe& r = source.recipes[0];
        QCOMPARE(fields(r), QStringList({"Café salad", "Salads", "4", "10 min", "", "-- Dressing --\n2 tbsp oil, cold",
                                         "Toss.\nServe at once."}));
        QCOMPARE(noteLines(r),
                 QStringList({"Total time: 1 h 10 min", "Cuisine: French", "Categories: Salads, Summer"}));
        QCOMPARE(bdtest::readFile(QDir(read.pictureFolder).filePath(r.image)), kPng);
    }
};

QTEST_MAIN(TestReadersB)
#include "tst_readersB.moc"
