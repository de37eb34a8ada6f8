// brindelle_bench_readers [--recipes N] [--runs N]
//
// The import of generated MasterCook text and XML, RecipeML, schema.org
// JSON, Living Cookbook and Cooklang files (one recipe a file) into an empty book, each
// beside the import of the same recipes from a recipe-book file: the book
// file is what the reader makes of the generated file, so both imports end
// with the same book, which is checked. Each import is timed as the wizard
// runs it: the file check, the check list, and the import with its one
// save (for Cooklang, every file's check, then one import of them all).
// One more Cooklang file holds a single recipe of 50,000 ingredient marks.

#include "exchange/exchange.h"
#include "exchange/importfile.h"

#include "benchbook.h"
#include "benchimport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using namespace benchbook;
using namespace bd;

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
    const QCommandLineOption onlyOption(QStringLiteral("only"),
                                        QStringLiteral("Time only the formats whose name holds this text."),
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
            {QStringLiteral("Cooklang files"), cookFiles},
            {QStringLiteral("Cooklang, long recipe"), {longCook}}};
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
            for (int i = 0; i < n; ++i) {
                const Recipe r = maker.recipe(maker.title(i, 6));
                const QString category = categoryName(i % kCategories);
                mxp += mxpRecipe(r, category);
                mx2 += mx2Recipe(r, category);
                rml += recipeMLRecipe(r, category);
                json.append(schemaRecipe(r, category));
                fdx += fdxRecipe(r, i + 1, i % kCategories);
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
                        .ok,
                QStringLiteral("cannot write the files"));
            // 20,000 different ingredients, each named two or three times.
            Recipe r = maker.recipe(maker.title(n, 6));
            QStringList ing;
            for (int i = 0; i < kLongMarks; ++i)
                ing << QStringLiteral("%1 g item %2").arg(1 + i % 2).arg(i % 20000);
            r.ing = ing.join(kLineBreak);
            check(writeFileAtomically(longCook, cooklangRecipe(r, categoryName(0)).toUtf8()).ok,
                  QStringLiteral("cannot write the long Cooklang file"));
        }

        say(QStringLiteral("median of %1 runs, ms   file check: book  format   whole import: book  format   "
                           "format / book (goal: at most 2x)")
                .arg(runs));
        for (const auto& [name, files] : formats) {
            if (parser.isSet(onlyOption) && !name.contains(parser.value(onlyOption), Qt::CaseInsensitive))
                continue;
            // The book file: what the reader made of the format's files.
            const int recipes = files.first() == longCook ? 1 : n;
            RecipeBook asBook;
            const QString xmlFile = dir.filePath(QStringLiteral("as-book.xml"));
            importFiles(files, bookFile, asBook, recipes);
            check(writeFileAtomically(xmlFile, asBook.serialize()).ok, QStringLiteral("cannot write the book file"));
            std::vector<double> bookTimes, formatTimes, bookChecks, formatChecks;
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
                fromFormat = book.serialize();
            }
            check(fromBook == fromFormat, name + QStringLiteral(": the two imports made different books"));
            say(name.leftJustified(22) + ms(median(bookChecks)).rightJustified(18) +
                ms(median(formatChecks)).rightJustified(8) + ms(median(bookTimes)).rightJustified(20) +
                ms(median(formatTimes)).rightJustified(8) +
                QStringLiteral("%1x")
                    .arg(QString::number(median(formatTimes) / median(bookTimes), 'f', 2))
                    .rightJustified(12));
        }
    } catch (const BenchError& e) {
        std::fprintf(stderr, "brindelle_bench_readers: %s\n", qUtf8Printable(e.what));
        return 1;
    }
    return 0;
}
