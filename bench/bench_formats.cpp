// brindelle_bench_formats [--recipes N] [--pdf-recipes N] [--runs N]
//
// The export formats on generated books: the MealMaster export of N
// recipes (10,000 by default) beside the recipe-book export of the same
// recipes, which it should stay within twice of; and the cookbook PDF of
// --pdf-recipes recipes (1,000, no pictures) with its two-pass layout,
// with the pages it made and the peak memory of the process.

#include "exchange/exportformats.h"

#include "benchbook.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <sys/resource.h>

using namespace benchbook;

namespace {

double peakRssMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
}

// Processor time of the process so far (user and system).
double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

QVector<bd::RecipeRef> everything(const bd::RecipeBook& book)
{
    QVector<bd::RecipeRef> items;
    for (const bd::CategoryEntry& c : book.categories())
        for (const QString& t : book.recipeTitles(c.position))
            items.push_back({c.position, t});
    return items;
}

} // namespace

int main(int argc, char** argv)
{
    // The cookbook lays out text: a GUI application, shown nowhere.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    bd::keepLargeBuffers(); // as the program does
    QCommandLineParser parser;
    const QCommandLineOption recipesOption(QStringLiteral("recipes"),
                                           QStringLiteral("Recipes for the MealMaster export."), QStringLiteral("N"),
                                           QStringLiteral("10000"));
    const QCommandLineOption pdfOption(QStringLiteral("pdf-recipes"), QStringLiteral("Recipes for the cookbook PDF."),
                                       QStringLiteral("N"), QStringLiteral("1000"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Runs of each export (median)."),
                                        QStringLiteral("N"), QStringLiteral("5"));
    parser.addOptions({recipesOption, pdfOption, runsOption});
    parser.addHelpOption();
    parser.process(app);
    const int n = parser.value(recipesOption).toInt();
    const int pdfRecipes = parser.value(pdfOption).toInt();
    const int runs = std::max(1, parser.value(runsOption).toInt());

    try {
        say(QStringLiteral("Build type: %1").arg(QStringLiteral(BRINDELLE_BUILD_TYPE)));
        QTemporaryDir dir;
        check(dir.isValid(), QStringLiteral("no temporary folder"));
        RecipeMaker maker(7);
        const QString bookFile = dir.filePath(QStringLiteral("recipes.xml"));
        const GeneratedBook generated = generateBook(bookFile, n, maker);
        bd::RecipeBook book;
        check(book.loadFile(bookFile), QStringLiteral("cannot load the generated book"));
        const QVector<bd::RecipeRef> items = everything(book);
        say(QStringLiteral("%1 recipes, book file %2").arg(n).arg(megabytes(double(generated.bytes))));

        bd::ExportJob job;
        job.imagesFolder = dir.filePath(QStringLiteral("images"));
        job.date = QStringLiteral("12/6/2026");
        // The two exports take turns, so that a busy machine slows both alike;
        // the processor time of each is given beside the wall-clock time.
        const auto exportTo = [&](bd::ExportFormat format, const QString& name) {
            bd::ExportOptions options;
            options.format = format;
            job.path = dir.filePath(name);
            check(bd::exportAs(book, items, job, options).outcome == bd::RunOutcome::Done,
                  QStringLiteral("export to %1 failed").arg(name));
        };
        std::vector<double> xmlWall, xmlCpu, mmfWall, mmfCpu;
        for (int i = 0; i < runs; ++i) {
            double cpu = cpuMs();
            xmlWall.push_back(timedMs([&] { exportTo(bd::ExportFormat::Book, QStringLiteral("out.xml")); }));
            xmlCpu.push_back(cpuMs() - cpu);
            cpu = cpuMs();
            mmfWall.push_back(timedMs([&] { exportTo(bd::ExportFormat::MealMaster, QStringLiteral("out.mmf")); }));
            mmfCpu.push_back(cpuMs() - cpu);
        }
        const auto size = [&](const char* name) {
            return megabytes(double(QFileInfo(dir.filePath(QLatin1String(name))).size()));
        };
        say(QStringLiteral("Recipe-book export:  %1 ms wall, %2 ms processor (%3)")
                .arg(ms(median(xmlWall)), ms(median(xmlCpu)), size("out.xml")));
        say(QStringLiteral("MealMaster export:   %1 ms wall, %2 ms processor (%3)")
                .arg(ms(median(mmfWall)), ms(median(mmfCpu)), size("out.mmf")));
        say(QStringLiteral("MealMaster / recipe book: %1x wall, %2x processor (limit 2x)")
                .arg(median(mmfWall) / median(xmlWall), 0, 'f', 2)
                .arg(median(mmfCpu) / median(xmlCpu), 0, 'f', 2));

        // The cookbook of the first pdfRecipes recipes.
        const QVector<bd::RecipeRef> some = items.mid(0, pdfRecipes);
        bd::ExportOptions options;
        options.format = bd::ExportFormat::Cookbook;
        job.path = dir.filePath(QStringLiteral("out.pdf"));
        const double before = peakRssMb();
        const double pdf = timedMs([&] {
            check(bd::exportAs(book, some, job, options).outcome == bd::RunOutcome::Done,
                  QStringLiteral("cookbook export failed"));
        });
        say(QStringLiteral("Cookbook PDF of %1 recipes: %2 s (%3), limit 20 s; peak RSS %4 MB (%5 MB before it)")
                .arg(some.size())
                .arg(pdf / 1000, 0, 'f', 2)
                .arg(megabytes(double(QFileInfo(job.path).size())))
                .arg(peakRssMb(), 0, 'f', 0)
                .arg(before, 0, 'f', 0));
    } catch (const BenchError& e) {
        say(QStringLiteral("error: ") + e.what);
        return 1;
    }
    return 0;
}
