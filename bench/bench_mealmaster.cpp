// brindelle_bench_mealmaster [--recipes N] [--runs N]
//
// The import of a generated MealMaster file into an empty book, beside the
// import of the same recipes from a recipe-book file. The book file is
// what the MealMaster reader makes of the generated file, so both imports
// end with the same book, which is checked. Each import is timed as the
// wizard runs it: the file check that reads the file (a MealMaster file is
// first offered to the book parser, as in the wizard), the check list, and
// the import with its one save.

#include "exchange/exchange.h"
#include "exchange/formats/mealmaster.h"

#include "benchbook.h"
#include "benchimport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTemporaryDir>

using namespace benchbook;
using namespace bd;

namespace {

const char* const kMmUnits[] = {"c", "tb", "ts", "g", "oz", "ml", "", "pn", "lg", "sm"};
const char* const kLongNotes[] = {", cut into thin strips about five centimetres long",
                                  ", at room temperature", ", or to taste", ""};

QString column(const QString& amount, const char* unit, const QString& text)
{
    return amount.rightJustified(7) + QLatin1Char(' ') + QString::fromLatin1(unit).leftJustified(2) +
           QLatin1Char(' ') + text;
}

// One ingredient: its first line and, for a long text, continuation lines
// of 28 columns.
QStringList ingredient(RecipeMaker& m)
{
    QString text = m.pick(kIngredients) + m.pick(kLongNotes);
    QStringList out;
    QString amount = m.pick(kAmounts);
    const char* unit = kMmUnits[m.below(int(std::size(kMmUnits)))];
    while (!text.isEmpty()) {
        int cut = text.size() <= 28 ? int(text.size()) : int(text.left(28).lastIndexOf(QLatin1Char(' ')));
        if (cut <= 0)
            cut = int(qMin<qsizetype>(28, text.size()));
        out << column(amount, unit, (out.isEmpty() ? QString() : QStringLiteral("-")) + text.left(cut).trimmed());
        text = text.mid(cut).trimmed();
        amount.clear();
        unit = "";
    }
    return out;
}

// Words wrapped at 70 columns, indented by two.
QStringList wrapped(const QString& paragraph)
{
    QStringList out;
    QString line;
    for (const QString& word : paragraph.split(QLatin1Char(' '))) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > 70) {
            out << QStringLiteral("  ") + line;
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    return out << QStringLiteral("  ") + line;
}

// A recipe as MealMaster writes it; every fourth in two columns (the right
// one at character 42), every third with a section heading, every fifth in
// the dash framing.
QString mealMasterRecipe(RecipeMaker& m, int i, const QString& title, const QString& category)
{
    const bool dashes = i % 5 == 0;
    QStringList out{dashes ? QStringLiteral("---------- Recipe via Meal-Master (tm) v8.02")
                           : QStringLiteral("MMMMM----- Recipe via Meal-Master (tm) v8.05"),
                    QStringLiteral(" "), QStringLiteral("      Title: ") + title,
                    QStringLiteral(" Categories: ") + category + QStringLiteral(", Dinner"),
                    QStringLiteral("      Yield: %1 servings").arg(2 + m.below(7)), QStringLiteral(" ")};
    QStringList left, right;
    const int count = 8 + m.below(8);
    for (int k = 0; k < count; ++k)
        (i % 4 == 0 && k >= (count + 1) / 2 ? right : left) << ingredient(m);
    for (int k = 0; k < left.size(); ++k)
        out << (k < right.size() ? left[k].leftJustified(41) + right[k] : left[k]);
    for (int k = int(left.size()); k < right.size(); ++k)
        out << QString(41, QLatin1Char(' ')) + right[k];
    if (i % 3 == 0) {
        out << (dashes ? QStringLiteral("-----------------------------GLAZE-----------------------------")
                       : QStringLiteral("MMMMM--------------------------GLAZE--------------------------"));
        out << column(QStringLiteral("2"), "tb", QStringLiteral("Honey")) << column(QStringLiteral("1"), "ts", QStringLiteral("Lemon juice"));
    }
    out << QStringLiteral(" ");
    const int paragraphs = 2 + m.below(3);
    for (int p = 0; p < paragraphs; ++p) {
        QStringList sentences;
        for (int s = 0; s < 3; ++s)
            sentences << m.pick(kSteps);
        out << wrapped(sentences.join(QLatin1Char(' '))) << QStringLiteral(" ");
    }
    out << (dashes ? QStringLiteral("-----") : QStringLiteral("MMMMM")) << QString();
    return out.join(QStringLiteral("\r\n"));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    bd::keepLargeBuffers(); // as the program does
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times the MealMaster import beside the book-file import."));
    parser.addHelpOption();
    const QCommandLineOption recipesOption(QStringLiteral("recipes"), QStringLiteral("Recipes in the file."),
                                           QStringLiteral("N"), QStringLiteral("10000"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Runs of each import."),
                                        QStringLiteral("N"), QStringLiteral("5"));
    parser.addOption(recipesOption);
    parser.addOption(runsOption);
    parser.process(app);
    try {
        const int n = parser.value(recipesOption).toInt();
        const int runs = std::max(1, parser.value(runsOption).toInt());
        check(n >= 1, QStringLiteral("not a number of recipes: ") + parser.value(recipesOption));
        QTemporaryDir dir;
        check(dir.isValid(), QStringLiteral("cannot create a temporary folder"));
        const QString mmFile = dir.filePath(QStringLiteral("recipes.mmf"));
        const QString xmlFile = dir.filePath(QStringLiteral("recipes-export.xml"));
        const QString bookFile = dir.filePath(QStringLiteral("book/recipes.xml"));
        QDir().mkpath(dir.filePath(QStringLiteral("book")));
        say(QStringLiteral("brindelle_bench_mealmaster: build type %1").arg(QStringLiteral(BRINDELLE_BUILD_TYPE)));

        RecipeMaker maker{quint32(n)};
        QString text;
        for (int i = 0; i < n; ++i)
            text += mealMasterRecipe(maker, i, maker.title(i, 6), categoryName(i % kCategories)) + QStringLiteral("Between the recipes.\r\n");
        const QByteArray mmBytes = text.toUtf8();
        check(writeFileAtomically(mmFile, mmBytes).ok, QStringLiteral("cannot write the MealMaster file"));
        RecipeBook asBook;
        const RecipeList read = readMealMaster(text, {QStringLiteral("Imported"), 0});
        check(read.count() == n && read.skipped.isEmpty(), QStringLiteral("the generated file does not read back"));
        fillBook(asBook, read);
        const QByteArray xmlBytes = asBook.serialize();
        check(writeFileAtomically(xmlFile, xmlBytes).ok, QStringLiteral("cannot write the book file"));
        say(QStringLiteral("%1 recipes: MealMaster file %2, book file %3").arg(n).arg(megabytes(double(mmBytes.size())),
                                                                              megabytes(double(xmlBytes.size()))));

        std::vector<double> bookCheck, bookWhole, mmCheck, mmWhole;
        QByteArray fromBook, fromMm;
        for (int run = 0; run < runs; ++run) {
            RecipeBook book;
            Timing t = importFiles({xmlFile}, bookFile, book, n);
            bookCheck.push_back(t.check);
            bookWhole.push_back(t.whole);
            fromBook = book.serialize();
            t = importFiles({mmFile}, bookFile, book, n);
            mmCheck.push_back(t.check);
            mmWhole.push_back(t.whole);
            fromMm = book.serialize();
        }
        check(fromBook == fromMm, QStringLiteral("the two imports made different books"));

        say(QStringLiteral("median of %1 runs, ms          file check   whole import (check, list, import, save)").arg(runs));
        say(QStringLiteral("book file                    ") + ms(median(bookCheck)).rightJustified(10) +
            ms(median(bookWhole)).rightJustified(15));
        say(QStringLiteral("MealMaster file              ") + ms(median(mmCheck)).rightJustified(10) +
            ms(median(mmWhole)).rightJustified(15));
        say(QStringLiteral("MealMaster / book, whole import: %1x (goal: at most 2x)")
                .arg(QString::number(median(mmWhole) / median(bookWhole), 'f', 2)));
    } catch (const BenchError& e) {
        std::fprintf(stderr, "brindelle_bench_mealmaster: %s\n", qUtf8Printable(e.what));
        return 1;
    }
    return 0;
}
