// brindelle_bench_exchange [--sizes 1000,10000] [--runs N] [--time-limit S]
//
// The export writes its file once and the import saves the book once, so
// both grow linearly with the number of recipes. Beside each, the
// per-recipe way is timed on the same data: the export reloading and
// rewriting its file for every recipe, the import saving the whole book for
// every recipe. That way grows quadratically; it is stopped after a time
// limit and its total extrapolated as the mean time of the steps done times
// the number of recipes: a lower bound, since every step costs more than
// the ones before it as the file grows. The output says when it did so.

#include "app/base/globals.h"
#include "app/base/settings.h"
#include "exchange/exchange.h"

#include "benchbook.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

using namespace benchbook;

namespace {

const QString kDate = QStringLiteral("12/6/2026");


bd::SaveResult write(const bd::RecipeBook& b, const QString& path)
{
    return bd::writeFileAtomically(path, [&b](QIODevice& d) { return b.writeTo(d); });
}

// A per-recipe run, perhaps cut short: the steps done, their total time,
// and the total for all n steps (extrapolated when cut short).
struct Partial {
    int done = 0;
    double ms = 0;
    double extrapolated = 0;
};

class StepClock {
public:
    StepClock(int n, double limitMs) : n_(n), limitMs_(limitMs) { total_.start(); }
    // Times one step; false once the time limit is reached.
    template <typename F>
    bool step(F&& f)
    {
        times_.push_back(timedMs(f));
        return double(total_.nsecsElapsed()) / 1e6 < limitMs_;
    }
    Partial result() const
    {
        Partial p;
        p.done = int(times_.size());
        for (double t : times_)
            p.ms += t;
        p.extrapolated = p.done ? p.ms * n_ / p.done : 0;
        return p;
    }

private:
    int n_;
    double limitMs_;
    QElapsedTimer total_;
    std::vector<double> times_;
};

// The export as the program first did it: an empty file, then for every
// recipe a fresh load of the file, the category looked up (and added and
// saved when missing), the recipe appended and the file saved again.
Partial exportPerRecipe(const bd::RecipeBook& book, const QVector<bd::RecipeRef>& items, const QString& path,
                        double limitMs)
{
    check(bd::writeFileAtomically(path, bd::kEmptyBook).ok, QStringLiteral("cannot write the export file"));
    StepClock clock(int(items.size()), limitMs);
    for (const bd::RecipeRef& item : items) {
        const bool more = clock.step([&] {
            bd::RecipeBook out;
            check(out.loadFile(path), QStringLiteral("the export file does not load"));
            const QString name = book.categoryName(item.category);
            int position = out.categoryPosition(name);
            if (position < 0) {
                position = out.appendCategory(name);
                check(write(out, path).ok, QStringLiteral("cannot save the export file"));
            }
            bd::Recipe f = bd::RecipeBook::fields(book.findRecipe(item.category, item.title));
            f.date = kDate;
            f.image.clear();
            out.appendRecipe(position, f);
            check(write(out, path).ok, QStringLiteral("cannot save the export file"));
        });
        if (!more)
            break;
    }
    return clock.result();
}

// The import as the program first did it: for every recipe the title
// search, the category look-up and a save of the whole book.
Partial importPerRecipe(bd::RecipeBook& book, const bd::RecipeList& source, const QString& bookPath, double limitMs)
{
    const int n = source.count();
    StepClock clock(n, limitMs);
    for (const bd::Recipe& r : source.recipes) {
        const bool more = clock.step([&] {
            bd::Recipe f = r;
            check(!book.titleExists(f.title), QStringLiteral("unexpected title clash"));
            int position = book.categoryPosition(r.category);
            if (position < 0) {
                position = book.appendCategory(r.category);
                check(write(book, bookPath).ok, QStringLiteral("cannot save the book"));
            }
            f.date = kDate;
            book.appendRecipe(position, f);
            check(write(book, bookPath).ok, QStringLiteral("cannot save the book"));
        });
        if (!more)
            return clock.result();
    }
    return clock.result();
}

QString row(const QString& what, int n, double linear, const Partial& per)
{
    QString line = what.leftJustified(30) + QString::number(n).rightJustified(8) + ms(linear).rightJustified(12) +
                   ms(per.extrapolated).rightJustified(16) +
                   (QString::number(per.extrapolated / linear, 'f', 0) + QLatin1Char('x')).rightJustified(9);
    if (per.done < n)
        line += QStringLiteral("   per-recipe stopped after %1 of %2 recipes (%3 ms); total extrapolated as mean step x %2, a lower bound")
                    .arg(per.done)
                    .arg(n)
                    .arg(ms(per.ms));
    else
        line += QStringLiteral("   per-recipe run to the end");
    return line;
}

void benchSize(int n, int runs, double limitMs)
{
    QTemporaryDir dir;
    check(dir.isValid(), QStringLiteral("cannot create a temporary folder"));
    const QString folder = dir.path();
    bd::G.reset();
    bd::G.appPath = folder;
    QDir().mkpath(folder + QStringLiteral("/images"));
    const QString bookFile = folder + QStringLiteral("/recipes.xml");
    const QString exportFile = folder + QStringLiteral("/out/export.xml");
    const QString importFile = folder + QStringLiteral("/in/import.xml");
    QDir().mkpath(folder + QStringLiteral("/out"));
    QDir().mkpath(folder + QStringLiteral("/in"));

    say(QStringLiteral("Generating two books of %1 recipes in %2 ...").arg(n).arg(folder));
    RecipeMaker maker{quint32(n)};
    generateBook(bookFile, n, maker);
    // The file to import: another generated book whose titles clash with none.
    {
        RecipeMaker other{quint32(n) + 7};
        generateBook(importFile, n, other);
        bd::RecipeBook b;
        check(b.loadFile(importFile), QStringLiteral("cannot load the import file"));
        for (pugi::xml_node c = b.root().child("category"); c; c = c.next_sibling("category"))
            for (pugi::xml_node r = c.child("recipe"); r; r = r.next_sibling("recipe"))
                r.first_child().text().set((std::string("Imported ") + r.first_child().text().get()).c_str());
        check(write(b, importFile).ok, QStringLiteral("cannot write the import file"));
    }
    check(bd::G.xmlDoc.loadFile(bookFile), QStringLiteral("cannot load the book"));

    // Every recipe of the book, category by category.
    QVector<bd::RecipeRef> items;
    for (const bd::CategoryEntry& c : bd::G.xmlDoc.categories())
        for (const QString& t : bd::G.xmlDoc.recipeTitles(c.position))
            items.push_back({c.position, t});

    std::vector<double> exportTimes, importTimes;
    for (int run = 0; run < runs; ++run) {
        bd::ExportResult r;
        exportTimes.push_back(timedMs([&] {
            r = bd::exportRecipes(bd::G.xmlDoc, items, {exportFile, bd::imagesFolder(), QString(), kDate});
        }));
        check(r.outcome == bd::RunOutcome::Done && r.written == n, QStringLiteral("the export failed"));
    }
    {
        bd::RecipeBook written;
        check(written.loadFile(exportFile) && written.recipeCount() == n, QStringLiteral("the export file is wrong"));
    }
    const Partial exportOld = exportPerRecipe(bd::G.xmlDoc, items, exportFile, limitMs);

    bd::RecipeList source;
    check(bd::loadImportFile(importFile, source, {QStringLiteral("Imported"), 0}) == bd::ImportKind::Book,
          QStringLiteral("cannot load the import file"));
    bd::ImportJob job;
    for (int i = 0; i < n; ++i)
        job.selected.insert(i);
    job.bookPath = bookFile;
    job.imagesFolder = bd::imagesFolder();
    job.date = kDate;
    const QByteArray original = readWhole(bookFile);
    for (int run = 0; run < runs; ++run) {
        check(bd::writeFileAtomically(bookFile, original).ok && bd::G.xmlDoc.loadFile(bookFile),
              QStringLiteral("cannot restore the book"));
        bd::ImportResult r;
        importTimes.push_back(timedMs([&] { r = bd::importRecipes(bd::G.xmlDoc, source, job); }));
        check(r.outcome == bd::RunOutcome::Done && r.imported == n && r.saved.ok, QStringLiteral("the import failed"));
    }
    check(bd::writeFileAtomically(bookFile, original).ok && bd::G.xmlDoc.loadFile(bookFile),
          QStringLiteral("cannot restore the book"));
    const Partial importOld = importPerRecipe(bd::G.xmlDoc, source, bookFile, limitMs);

    say(QString());
    say(QStringLiteral("Books of %1 recipes, %2 categories; one file written per run (QSaveFile, synced)")
            .arg(n)
            .arg(kCategories));
    say(QStringLiteral("operation                      recipes   linear ms   per-recipe ms    ratio"));
    say(row(QStringLiteral("export all recipes"), n, median(exportTimes), exportOld));
    say(row(QStringLiteral("import into a book as large"), n, median(importTimes), importOld));
    say(QStringLiteral("linear: median of %1 runs").arg(runs));
    bd::G.reset();
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    QCoreApplication app(argc, argv);
    bd::keepLargeBuffers(); // as the program does
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times the export and the import against their per-recipe forms."));
    parser.addHelpOption();
    const QCommandLineOption sizesOption(QStringLiteral("sizes"), QStringLiteral("Numbers of recipes."),
                                         QStringLiteral("list"), QStringLiteral("1000,10000"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Runs of the linear forms."),
                                        QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption limitOption(QStringLiteral("time-limit"),
                                         QStringLiteral("Seconds after which a per-recipe form is stopped."),
                                         QStringLiteral("S"), QStringLiteral("20"));
    parser.addOption(sizesOption);
    parser.addOption(runsOption);
    parser.addOption(limitOption);
    parser.process(app);
    try {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path() + QStringLiteral("/config"));
        const int runs = std::max(1, parser.value(runsOption).toInt());
        const double limitMs = std::max(1.0, parser.value(limitOption).toDouble()) * 1000;
        say(QStringLiteral("brindelle_bench_exchange: build type %1").arg(QStringLiteral(BRINDELLE_BUILD_TYPE)));
        for (const QString& part : parser.value(sizesOption).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const int n = part.trimmed().toInt();
            check(n >= 100, QStringLiteral("not a size of at least 100 recipes: ") + part);
            benchSize(n, runs, limitMs);
        }
    } catch (const BenchError& e) {
        std::fprintf(stderr, "brindelle_bench_exchange: %s\n", qUtf8Printable(e.what));
        return 1;
    }
    return 0;
}
