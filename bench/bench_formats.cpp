// brindelle_bench_formats [--recipes N] [--pdf-recipes N] [--pdf-pictures N] [--runs N]
//
// The export formats on generated books: the MealMaster export of N
// recipes (10,000 by default) beside the recipe-book export of the same
// recipes, which it should stay within twice of; the cookbook PDF of
// --pdf-recipes recipes (1,000, no pictures) with its two-pass layout,
// with the pages it made and the peak memory of the process; and the
// cookbook PDF of --pdf-pictures recipes (1,000) with a 1600 x 1200 photo
// each, its time and the peak memory it reached beside their goals.

#include "exchange/exportformats.h"

#include "benchbook.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRadialGradient>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <unistd.h>

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

// Forgets the process's peak resident memory so far (Linux), so that
// peakSinceResetMb() covers what comes after only. False where it cannot.
bool resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}

// The peak resident memory since resetPeak() (VmHWM), in MB; -1 if unknown.
double peakSinceResetMb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

// A photograph-like picture: soft blobs of colour over a gradient, with
// grain, so that it decodes and compresses as a camera's JPEG would.
QImage photo(int width, int height, quint32 seed)
{
    QRandomGenerator rng(seed);
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor::fromHsv(int(rng.bounded(360)), 90, 230));
    sky.setColorAt(1, QColor::fromHsv(int(rng.bounded(360)), 160, 90));
    p.fillRect(image.rect(), sky);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 60; ++i) {
        const QPointF centre(rng.bounded(width), rng.bounded(height));
        const qreal radius = 40 + rng.bounded(260);
        QRadialGradient blob(centre, radius);
        blob.setColorAt(0, QColor::fromHsv(int(rng.bounded(360)), 200, 250, 220));
        blob.setColorAt(1, QColor(0, 0, 0, 0));
        p.setBrush(blob);
        p.drawEllipse(centre, radius, radius);
    }
    p.end();
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int grain = int(rng.bounded(25)) - 12;
            const QRgb c = line[x];
            line[x] = qRgb(qBound(0, qRed(c) + grain, 255), qBound(0, qGreen(c) + grain, 255),
                           qBound(0, qBlue(c) + grain, 255));
        }
    }
    return image;
}

// Pictures named picture-N.jpg for recipes 0 .. count-1 in folder: a few
// photos written once, each name a hard link to one of them.
void writePictures(const QString& folder, int count)
{
    constexpr int kDistinct = 8;
    check(QDir().mkpath(folder), QStringLiteral("cannot make %1").arg(folder));
    QStringList originals;
    for (int i = 0; i < kDistinct; ++i) {
        originals << QDir(folder).filePath(QStringLiteral("photo-%1.jpg").arg(i));
        check(photo(1600, 1200, quint32(i + 1)).save(originals.last(), "JPEG", 88),
              QStringLiteral("cannot write %1").arg(originals.last()));
    }
    for (int i = 0; i < count; ++i) {
        const QString name = QDir(folder).filePath(QStringLiteral("picture-%1.jpg").arg(i));
        check(::link(QFile::encodeName(originals[i % kDistinct]).constData(), QFile::encodeName(name).constData()) == 0,
              QStringLiteral("cannot link %1").arg(name));
    }
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
    const QCommandLineOption picturesOption(QStringLiteral("pdf-pictures"),
                                            QStringLiteral("Recipes with a picture for the cookbook PDF."),
                                            QStringLiteral("N"), QStringLiteral("1000"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Runs of each export (median)."),
                                        QStringLiteral("N"), QStringLiteral("5"));
    parser.addOptions({recipesOption, pdfOption, picturesOption, runsOption});
    parser.addHelpOption();
    parser.process(app);
    const int n = parser.value(recipesOption).toInt();
    const int pdfRecipes = parser.value(pdfOption).toInt();
    const int pictured = parser.value(picturesOption).toInt();
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

        // The cookbook of the first pictured recipes, each with a photo of
        // its own, as a camera takes them.
        if (pictured > 0) {
            const QString photos = dir.filePath(QStringLiteral("photos"));
            writePictures(photos, int(pictured));
            bd::RecipeBook withPictures;
            bd::RecipeFinder finder(book);
            QHash<QString, int> positions;
            QVector<bd::RecipeRef> listed;
            for (int i = 0; i < pictured && i < items.size(); ++i) {
                std::optional<bd::Recipe> r = finder.find(items[i]);
                check(bool(r), QStringLiteral("a listed recipe is missing"));
                r->image = QStringLiteral("picture-%1.jpg").arg(i);
                auto at = positions.find(r->category);
                if (at == positions.end())
                    at = positions.insert(r->category, withPictures.appendCategory(r->category));
                withPictures.appendRecipe(*at, *r);
                listed.push_back({*at, r->title});
            }
            job.imagesFolder = photos;
            job.path = dir.filePath(QStringLiteral("pictures.pdf"));
            const bool reset = resetPeak();
            const double cpu = cpuMs();
            const double wall = timedMs([&] {
                check(bd::exportAs(withPictures, listed, job, options).outcome == bd::RunOutcome::Done,
                      QStringLiteral("cookbook export with pictures failed"));
            });
            const double peak = reset ? peakSinceResetMb() : peakRssMb();
            say(QStringLiteral("Cookbook PDF of %1 recipes with a 1600x1200 picture each: %2 s (goal <= 10 s), "
                               "%3 s processor; peak resident memory %4 MB (goal <= 300 MB%5); file %6")
                    .arg(listed.size())
                    .arg(wall / 1000, 0, 'f', 2)
                    .arg((cpuMs() - cpu) / 1000, 0, 'f', 2)
                    .arg(peak, 0, 'f', 0)
                    .arg(reset ? QString() : QStringLiteral(", whole process"))
                    .arg(megabytes(double(QFileInfo(job.path).size()))));
        }
    } catch (const BenchError& e) {
        say(QStringLiteral("error: ") + e.what);
        return 1;
    }
    return 0;
}
