// brindelle_bench_readers [--recipes N] [--runs N] [--folder FOLDER] [--only TEXT[,TEXT...]]
//
// The import of generated MasterCook text and XML, RecipeML, schema.org
// JSON, Cooklang files (one recipe a file), and the exports of Living
// Cookbook, Paprika, Nextcloud Cookbook, MacGourmet, Recipe Keeper, Now
// You're Cooking! and Plan to Eat (one reader of each kind: JSON in a zip
// of gzip streams, a zip of folders, a property list, a page, text and a
// table) into an empty book, each
// beside the import of the same recipes from a recipe-book file: the book
// file is what the reader makes of the generated file, so both imports end
// with the same book, which is checked. Each import is timed as the wizard
// runs it: the file check, the check list, and the import with its one
// save (for Cooklang, every file's check, then one import of them all).
// One more Cooklang file holds a single recipe of 50,000 ingredient marks.
//
// Each run imports the book file and then the format's files. Beside the
// ratio of the medians, "paired" gives the median of each run's ratio:
// the two imports of a run are taken one right after the other, so a
// machine that is slower for a while slows both.

#include "exchange/exchange.h"
#include "exchange/importfile.h"

#include "benchbook.h"
#include "benchimport.h"
#include "archivewriting.h"

#include <QBuffer>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>

using namespace benchbook;
using namespace bd;
using bdtest::gzipOf;
using bdtest::zipOf;

namespace {

constexpr int kLongMarks = 50000; // in the one long Cooklang recipe

QStringList lines(const QString& text) { return text.split(kLineBreak); }

QString xmlEscaped(QString s)
{
    return s.replace(QLatin1Char('&'), QStringLiteral("&amp;"))
        .replace(QLatin1Char('<'), QStringLiteral("&lt;"))
        .replace(QLatin1Char('"'), QStringLiteral("&quot;"));
}

// "2 cups plain flour" as amount, unit and the rest.
QStringList ingredientParts(const QString& line)
{
    return {line.section(' ', 0, 0), line.section(' ', 1, 1), line.section(' ', 2)};
}

QString mxpRecipe(const Recipe& r, const QString& category)
{
    QStringList out{QStringLiteral("                     *  Exported from  MasterCook  *"),
                    QString(),
                    QStringLiteral("                   ") + r.title,
                    QString(),
                    QStringLiteral("Recipe By     : Bench"),
                    QStringLiteral("Serving Size  : %1     Preparation Time :0:%2")
                        .arg(r.yield.section(' ', 0, 0), r.preptime.section(' ', 0, 0)),
                    QStringLiteral("Categories    : ") + category + QStringLiteral("                         Dinner"),
                    QString(),
                    QStringLiteral("  Amount  Measure       Ingredient -- Preparation Method"),
                    QStringLiteral("--------  ------------  --------------------------------")};
    for (const QString& line : lines(r.ing)) {
        const QStringList p = ingredientParts(line);
        out << p[0].rightJustified(8) + QStringLiteral("  ") + p[1].leftJustified(12) + QStringLiteral("  ") + p[2];
    }
    out << QString();
    for (const QString& step : lines(r.prep))
        out << step << QString();
    out << QStringLiteral("                   - - - - - - - - - - - - - - - - - - -") << QString()
        << QStringLiteral("NOTES : ") + lines(r.other).join(QLatin1Char(' ')) << QString() << QString();
    return out.join(kLineBreak);
}

QString mx2Recipe(const Recipe& r, const QString& category)
{
    QString out = QStringLiteral("<RcpE name=\"%1\" author=\"Bench\"><Serv qty=\"%2\"/><PrpT elapsed=\"0:%3\"/>"
                                 "<CatS><CatT>%4</CatT></CatS>")
                      .arg(xmlEscaped(r.title), r.yield.section(' ', 0, 0), r.preptime.section(' ', 0, 0),
                           xmlEscaped(category));
    for (const QString& line : lines(r.ing)) {
        const QStringList p = ingredientParts(line);
        out += QStringLiteral("<IngR name=\"%1\" unit=\"%2\" qty=\"%3\"/>").arg(xmlEscaped(p[2]), p[1], p[0]);
    }
    out += QStringLiteral("<DirS>");
    for (const QString& step : lines(r.prep))
        out += QStringLiteral("<DirT>") + xmlEscaped(step) + QStringLiteral("</DirT>");
    return out + QStringLiteral("</DirS><Note>") + xmlEscaped(r.other) + QStringLiteral("</Note></RcpE>\r\n");
}

QString recipeMLRecipe(const Recipe& r, const QString& category)
{
    QString out = QStringLiteral("<recipe><head><title>%1</title><categories><cat>%2</cat></categories>"
                                 "<yield>%3</yield></head><ingredients>")
                      .arg(xmlEscaped(r.title), xmlEscaped(category), r.yield);
    for (const QString& line : lines(r.ing)) {
        const QStringList p = ingredientParts(line);
        out += QStringLiteral("<ing><amt><qty>%1</qty><unit>%2</unit></amt><item>%3</item></ing>")
                   .arg(p[0], p[1], xmlEscaped(p[2]));
    }
    out += QStringLiteral("</ingredients><directions>");
    for (const QString& step : lines(r.prep))
        out += QStringLiteral("<step>") + xmlEscaped(step) + QStringLiteral("</step>");
    return out + QStringLiteral("</directions></recipe>\n");
}

// A Living Cookbook recipe in chapter number chapter (one of kCategories).
QString fdxRecipe(const Recipe& r, int id, int chapter)
{
    QString out = QStringLiteral("<Recipe Name=\"%1\" ID=\"%2\" CookbookChapterID=\"%3\" Servings=\"%4\" "
                                 "PreparationTime=\"%5\" Comments=\"%6\"><RecipeIngredients>")
                      .arg(xmlEscaped(r.title))
                      .arg(id)
                      .arg(chapter + 1)
                      .arg(r.yield.section(' ', 0, 0), r.preptime.section(' ', 0, 0),
                           xmlEscaped(r.other).replace(kLineBreak, QStringLiteral("&#xD;&#xA;")));
    for (const QString& line : lines(r.ing)) {
        const QStringList p = ingredientParts(line);
        out += QStringLiteral("<RecipeIngredient Quantity=\"%1\" Unit=\"%2\" Ingredient=\"%3\" Heading=\"N\"/>")
                   .arg(p[0], p[1], xmlEscaped(p[2]));
    }
    out += QStringLiteral("</RecipeIngredients><RecipeProcedures>");
    for (const QString& step : lines(r.prep))
        out += QStringLiteral("<RecipeProcedure Heading=\"N\"><ProcedureText>") + xmlEscaped(step) +
               QStringLiteral("</ProcedureText></RecipeProcedure>");
    return out + QStringLiteral("</RecipeProcedures></Recipe>\r\n");
}

QJsonObject schemaRecipe(const Recipe& r, const QString& category)
{
    QJsonArray steps;
    for (const QString& step : lines(r.prep))
        steps.append(
            QJsonObject{{QStringLiteral("@type"), QStringLiteral("HowToStep")}, {QStringLiteral("text"), step}});
    return QJsonObject{{QStringLiteral("@type"), QStringLiteral("Recipe")},
                       {QStringLiteral("name"), r.title},
                       {QStringLiteral("recipeCategory"), category},
                       {QStringLiteral("recipeYield"), r.yield},
                       {QStringLiteral("prepTime"), QStringLiteral("PT%1M").arg(r.preptime.section(' ', 0, 0))},
                       {QStringLiteral("recipeIngredient"), QJsonArray::fromStringList(lines(r.ing))},
                       {QStringLiteral("recipeInstructions"), steps},
                       {QStringLiteral("description"), r.other}};
}

QString csvField(QString s)
{
    return QLatin1Char('"') + s.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

// A Paprika recipe: one gzip-compressed JSON object.
QByteArray paprikaRecipe(const Recipe& r, const QString& category)
{
    const QJsonObject o{{QStringLiteral("name"), r.title},
                        {QStringLiteral("ingredients"), QString(r.ing).replace(kLineBreak, QStringLiteral("\n"))},
                        {QStringLiteral("directions"), QString(r.prep).replace(kLineBreak, QStringLiteral("\n\n"))},
                        {QStringLiteral("notes"), QString(r.other).replace(kLineBreak, QStringLiteral("\n"))},
                        {QStringLiteral("servings"), r.yield},
                        {QStringLiteral("prep_time"), r.preptime.section(' ', 0, 0) + QStringLiteral(" mins")},
                        {QStringLiteral("categories"), QJsonArray{category}},
                        {QStringLiteral("uid"), QString::number(qHash(r.title), 16)}};
    return gzipOf(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

// A MacGourmet recipe: one dict of the export's property list.
QString macGourmetRecipe(const Recipe& r, const QString& category)
{
    QString out = QStringLiteral("<dict>\n\t<key>NAME</key><string>%1</string>\n\t<key>CATEGORIES</key><array><dict>"
                                 "<key>NAME</key><string>%2</string></dict></array>\n\t<key>SERVINGS</key><integer>%3"
                                 "</integer>\n\t<key>PREP_TIMES</key><array><dict><key>AMOUNT</key><integer>%4"
                                 "</integer><key>TIME_TYPE_ID</key><integer>9</integer><key>TIME_UNIT_ID</key>"
                                 "<integer>2</integer></dict></array>\n\t<key>INGREDIENTS</key><array>")
                      .arg(xmlEscaped(r.title), category, r.yield.section(' ', 0, 0), r.preptime.section(' ', 0, 0));
    for (const QString& line : lines(r.ing)) {
        const QStringList p = ingredientParts(line);
        out += QStringLiteral("<dict><key>QUANTITY</key><string>%1</string><key>MEASUREMENT</key><string>%2</string>"
                              "<key>DESCRIPTION</key><string>%3</string><key>IS_DIVIDER</key><false/></dict>")
                   .arg(p[0], p[1], xmlEscaped(p[2]));
    }
    out += QStringLiteral("</array>\n\t<key>DIRECTIONS_LIST</key><array>");
    for (const QString& step : lines(r.prep))
        out += QStringLiteral("<dict><key>DIRECTION_TEXT</key><string>%1</string></dict>").arg(xmlEscaped(step));
    return out + QStringLiteral("</array>\n\t<key>NOTE</key><string>%1</string>\n</dict>\n").arg(xmlEscaped(r.other));
}

// A Recipe Keeper recipe: one block of its export's page.
QString recipeKeeperRecipe(const Recipe& r, int id, const QString& category)
{
    QString out = QStringLiteral("<div class=\"recipe-details\"><meta content=\"r%1\" itemprop=\"recipeId\">"
                                 "<h2 itemprop=\"name\">%2</h2><meta content=\"%3\" itemprop=\"recipeCategory\">"
                                 "<div>Serving size: <span itemprop=\"recipeYield\">%4</span></div><div>Preparation "
                                 "time: <meta content=\"PT%5M\" itemprop=\"prepTime\"></div>"
                                 "<div class=\"recipe-ingredients\" itemprop=\"recipeIngredients\">")
                      .arg(id)
                      .arg(xmlEscaped(r.title), category, xmlEscaped(r.yield), r.preptime.section(' ', 0, 0));
    for (const QString& line : lines(r.ing))
        out += QStringLiteral("<p>") + xmlEscaped(line) + QStringLiteral("</p>");
    out += QStringLiteral("</div><div itemprop=\"recipeDirections\">");
    for (const QString& step : lines(r.prep))
        out += QStringLiteral("<p>") + xmlEscaped(step) + QStringLiteral("</p><p></p>");
    return out +
           QStringLiteral("</div><div class=\"recipe-notes\" itemprop=\"recipeNotes\"><p>%1</p></div><hr /></div>\r\n")
               .arg(xmlEscaped(r.other));
}

// A Now You're Cooking! recipe of its text export.
QString nowYoureCookingRecipe(const Recipe& r, const QString& category)
{
    QString out = QStringLiteral("@@@@@ Now You're Cooking! Export Format\r\n\r\n%1\r\n\r\n%2\r\n\r\n%3\r\n\r\n")
                      .arg(r.title, category, lines(r.ing).join(QStringLiteral("\r\n")));
    for (const QString& step : lines(r.prep))
        out += step + QStringLiteral("\r\n\r\n");
    return out + QStringLiteral("Yield: %1\r\n\r\n** Exported from Now You're Cooking! v5.71 **\r\n\r\n").arg(r.yield);
}

// A row of Plan to Eat's table.
QString planToEatRow(const Recipe& r, const QString& category)
{
    QStringList row(33);
    row[0] = csvField(r.title);
    row[1] = category;
    row[4] = csvField(r.other);
    row[8] = r.preptime.section(' ', 0, 0);
    row[12] = csvField(r.yield);
    row[13] = csvField(QString(r.ing).replace(kLineBreak, QStringLiteral("\n")));
    row[14] = csvField(QString(r.prep).replace(kLineBreak, QStringLiteral("\n\n")));
    row[31] = row[32] = QStringLiteral("2023-10-13 20:29:29");
    return row.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

const char kPlanToEatHeader[] =
    "Title,Course,Cuisine,Main Ingredient,Description,Source,Url,Url Host,Prep Time,Cook Time,Total Time,Servings,"
    "Yield,Ingredients,Directions,Tags,Rating,Public Url,Photo Url,Private,Nutritional Score (generic),Calories,Fat,"
    "Saturated Fat,Cholesterol,Sodium,Sugar,Carbohydrate,Fiber,Protein,Cost,Created At,Updated At\r\n";

QString cooklangRecipe(const Recipe& r, const QString& category)
{
    QString out = QStringLiteral("---\ntitle: %1\ntags: [%2]\nservings: %3\n---\n\n").arg(r.title, category, r.yield);
    QStringList ing = lines(r.ing);
    int k = 0;
    for (const QString& step : lines(r.prep)) {
        QString s = step;
        // Every step uses the next ingredients, so that all of them appear.
        for (int i = 0; i < 2 && k < ing.size(); ++i, ++k) {
            const QStringList p = ingredientParts(ing[k]);
            s += QStringLiteral(" Add @%1{%2%%3}.").arg(p[2].section(',', 0, 0), p[0], p[1]);
        }
        out += s + QStringLiteral("\n\n");
    }
    for (; k < ing.size(); ++k) {
        const QStringList p = ingredientParts(ing[k]);
        out += QStringLiteral("Add @%1{%2%%3}.\n").arg(p[2].section(',', 0, 0), p[0], p[1]);
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    bd::keepLargeBuffers(); // as the program does
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times the other programs' readers beside the book-file import."));
    parser.addHelpOption();
    const QCommandLineOption recipesOption(QStringLiteral("recipes"), QStringLiteral("Recipes in each file set."),
                                           QStringLiteral("N"), QStringLiteral("5000"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Runs of each import."),
                                        QStringLiteral("N"), QStringLiteral("5"));
    const QCommandLineOption folderOption(QStringLiteral("folder"),
                                          QStringLiteral("Write the generated files there and keep them."),
                                          QStringLiteral("FOLDER"));
    const QCommandLineOption onlyOption(
        QStringLiteral("only"),
        QStringLiteral("Time only the formats whose name holds this text (or one of several, apart by commas)."),
        QStringLiteral("TEXT"));
    parser.addOption(onlyOption);
    parser.addOption(recipesOption);
    parser.addOption(runsOption);
    parser.addOption(folderOption);
    parser.process(app);
    try {
        const int n = parser.value(recipesOption).toInt();
        const int runs = std::max(1, parser.value(runsOption).toInt());
        check(n >= 1, QStringLiteral("not a number of recipes: ") + parser.value(recipesOption));
        QTemporaryDir temporary;
        check(temporary.isValid(), QStringLiteral("cannot create a temporary folder"));
        const QDir dir(parser.isSet(folderOption) ? parser.value(folderOption) : temporary.path());
        QDir().mkpath(dir.filePath(QStringLiteral("book")));
        QDir().mkpath(dir.filePath(QStringLiteral("cook")));
        const QString bookFile = dir.filePath(QStringLiteral("book/recipes.xml"));
        say(QStringLiteral("brindelle_bench_readers: build type %1, %2 recipes")
                .arg(QStringLiteral(BRINDELLE_BUILD_TYPE))
                .arg(n));

        QStringList cookFiles;
        for (int i = 0; i < n; ++i)
            cookFiles << dir.filePath(QStringLiteral("cook/%1.cook").arg(i));
        const QString longCook = dir.filePath(QStringLiteral("long.cook"));
        const QList<QPair<QString, QStringList>> formats{
            {QStringLiteral("MasterCook text"), {dir.filePath(QStringLiteral("recipes.mxp"))}},
            {QStringLiteral("MasterCook XML"), {dir.filePath(QStringLiteral("recipes.mx2"))}},
            {QStringLiteral("RecipeML"), {dir.filePath(QStringLiteral("recipes.rml"))}},
            {QStringLiteral("schema.org JSON"), {dir.filePath(QStringLiteral("recipes.json"))}},
            {QStringLiteral("Living Cookbook"), {dir.filePath(QStringLiteral("recipes.fdx"))}},
            {QStringLiteral("Paprika"), {dir.filePath(QStringLiteral("recipes.paprikarecipes"))}},
            {QStringLiteral("Nextcloud Cookbook"), {dir.filePath(QStringLiteral("nextcloud.zip"))}},
            {QStringLiteral("MacGourmet"), {dir.filePath(QStringLiteral("recipes.mgourmet"))}},
            {QStringLiteral("Recipe Keeper"), {dir.filePath(QStringLiteral("keeper/recipes.html"))}},
            {QStringLiteral("Now You're Cooking!"), {dir.filePath(QStringLiteral("nyc.txt"))}},
            {QStringLiteral("Plan to Eat"), {dir.filePath(QStringLiteral("plantoeat.csv"))}},
            {QStringLiteral("Cooklang files"), cookFiles},
            {QStringLiteral("Cooklang, long recipe"), {longCook}}};
        const QStringList only = parser.value(onlyOption).split(QLatin1Char(','), Qt::SkipEmptyParts);
        auto wanted = [&](const QString& name) {
            return !parser.isSet(onlyOption) || std::any_of(only.cbegin(), only.cend(), [&](const QString& text) {
                return name.contains(text, Qt::CaseInsensitive);
            });
        };
        // Thousands of small files take a while to write.
        const bool cooklang = wanted(QStringLiteral("Cooklang files")) ||
                              wanted(QStringLiteral("Cooklang, long recipe"));
        {
            // The texts are let go once written: thousands of small pieces
            // of them left in memory would slow every import timed after.
            RecipeMaker maker{quint32(n)};
            QString mxp,
                mx2 = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<mx2 source=\"bench\">\r\n"),
                rml = QStringLiteral("<?xml version=\"1.0\"?>\n<recipeml version=\"0.5\">\n");
            QJsonArray json;
            QString fdx = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<fdx Source=\"bench\" "
                                         "FileVersion=\"2.0\">\r\n<CookbookChapters>");
            for (int c = 0; c < kCategories; ++c)
                fdx += QStringLiteral("<CookbookChapter Name=\"%1\" ID=\"%2\"/>").arg(categoryName(c)).arg(c + 1);
            fdx += QStringLiteral("</CookbookChapters>\r\n<Recipes>\r\n");
            QList<bdtest::ZipEntry> paprika, nextcloud;
            QString plist = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n"
                                           "<array>\n"),
                    keeper = QStringLiteral("<!DOCTYPE html><html><head></head><body>\r\n"), nyc,
                    planToEat = QString::fromLatin1(kPlanToEatHeader);
            for (int i = 0; i < n; ++i) {
                const Recipe r = maker.recipe(maker.title(i, 6));
                const QString category = categoryName(i % kCategories);
                mxp += mxpRecipe(r, category);
                mx2 += mx2Recipe(r, category);
                rml += recipeMLRecipe(r, category);
                json.append(schemaRecipe(r, category));
                fdx += fdxRecipe(r, i + 1, i % kCategories);
                paprika.append({QStringLiteral("%1.paprikarecipe").arg(i), paprikaRecipe(r, category)});
                nextcloud.append(
                    {QStringLiteral("%1/recipe.json").arg(i), QJsonDocument(schemaRecipe(r, category)).toJson()});
                plist += macGourmetRecipe(r, category);
                keeper += recipeKeeperRecipe(r, i + 1, category);
                nyc += nowYoureCookingRecipe(r, category);
                planToEat += planToEatRow(r, category);
                if (cooklang)
                    check(writeFileAtomically(cookFiles[i], cooklangRecipe(r, category).toUtf8()).ok,
                          QStringLiteral("cannot write a Cooklang file"));
            }
            check(
                writeFileAtomically(formats[0].second.first(), mxp.toUtf8()).ok &&
                    writeFileAtomically(formats[1].second.first(), (mx2 + QStringLiteral("</mx2>\r\n")).toUtf8()).ok &&
                    writeFileAtomically(formats[2].second.first(), (rml + QStringLiteral("</recipeml>\n")).toUtf8())
                        .ok &&
                    writeFileAtomically(formats[3].second.first(), QJsonDocument(json).toJson()).ok &&
                    writeFileAtomically(formats[4].second.first(),
                                        (fdx + QStringLiteral("</Recipes></fdx>\r\n")).toUtf8())
                        .ok &&
                    writeFileAtomically(formats[5].second.first(), zipOf(paprika)).ok &&
                    writeFileAtomically(formats[6].second.first(), zipOf(nextcloud)).ok &&
                    writeFileAtomically(formats[7].second.first(),
                                        (plist + QStringLiteral("</array>\n</plist>\n")).toUtf8())
                        .ok &&
                    QDir().mkpath(dir.filePath(QStringLiteral("keeper"))) &&
                    writeFileAtomically(formats[8].second.first(),
                                        (keeper + QStringLiteral("</body></html>\r\n")).toUtf8())
                        .ok &&
                    writeFileAtomically(formats[9].second.first(), nyc.toLatin1()).ok &&
                    writeFileAtomically(formats[10].second.first(), planToEat.toUtf8()).ok,
                QStringLiteral("cannot write the files"));
            // 20,000 different ingredients, each named two or three times.
            Recipe r = maker.recipe(maker.title(n, 6));
            QStringList ing;
            for (int i = 0; i < kLongMarks; ++i)
                ing << QStringLiteral("%1 g item %2").arg(1 + i % 2).arg(i % 20000);
            r.ing = ing.join(kLineBreak);
            check(!cooklang || writeFileAtomically(longCook, cooklangRecipe(r, categoryName(0)).toUtf8()).ok,
                  QStringLiteral("cannot write the long Cooklang file"));
        }

        say(QStringLiteral("median of %1 runs, ms   file check: book  format   whole import: book  format   "
                           "format / book (goal: at most 2x)   paired")
                .arg(runs));
        for (const auto& [name, files] : formats) {
            if (!wanted(name))
                continue;
            // The book file: what the reader made of the format's files.
            const int recipes = files.first() == longCook ? 1 : n;
            RecipeBook asBook;
            const QString xmlFile = dir.filePath(QStringLiteral("as-book.xml"));
            importFiles(files, bookFile, asBook, recipes);
            check(writeFileAtomically(xmlFile, asBook.serialize()).ok, QStringLiteral("cannot write the book file"));
            std::vector<double> bookTimes, formatTimes, bookChecks, formatChecks, ratios;
            QByteArray fromBook, fromFormat;
            for (int run = 0; run < runs; ++run) {
                RecipeBook book;
                Timing t = importFiles({xmlFile}, bookFile, book, recipes);
                bookTimes.push_back(t.whole);
                bookChecks.push_back(t.check);
                fromBook = book.serialize();
                t = importFiles(files, bookFile, book, recipes);
                formatTimes.push_back(t.whole);
                formatChecks.push_back(t.check);
                ratios.push_back(t.whole / bookTimes.back());
                fromFormat = book.serialize();
            }
            check(fromBook == fromFormat, name + QStringLiteral(": the two imports made different books"));
            say(name.leftJustified(22) + ms(median(bookChecks)).rightJustified(18) +
                ms(median(formatChecks)).rightJustified(8) + ms(median(bookTimes)).rightJustified(20) +
                ms(median(formatTimes)).rightJustified(8) +
                QStringLiteral("%1x")
                    .arg(QString::number(median(formatTimes) / median(bookTimes), 'f', 2))
                    .rightJustified(12) +
                QStringLiteral("%1x").arg(QString::number(median(ratios), 'f', 2)).rightJustified(39));
        }
    } catch (const BenchError& e) {
        std::fprintf(stderr, "brindelle_bench_readers: %s\n", qUtf8Printable(e.what));
        return 1;
    }
    return 0;
}
