// brindelle_bench [--sizes 1000,10000,100000] [--runs N]
//
// Every change to the book rewrites the whole file, start-up parses all of
// it and the keyword search reads all of its text, so these operations grow
// with the book. For each size a book is
// generated in a temporary folder and the store operations are timed next
// to their floors: what reading plus a bare parse, or a raw write plus
// fsync, of the same bytes costs, or for the search a raw memmem scan of
// the book file for the same word. A ratio near 1 means the operation costs
// little beyond the unavoidable I/O and parsing. Last comes the peak memory
// of a program that opens the book, lists it and adds a recipe, measured in
// a process of its own (this program, run with a hidden option).

#include "app/base/booklock.h"
#include "app/base/globals.h"
#include "app/base/settings.h"
#include "app/startup.h"
#include "browse/frmBr.h"
#include "search/frmSearch.h"
#include "search/search.h"
#include "store/bookfile.h"
#include "store/recipebook.h"
#include "store/store.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>

#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <numeric>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <unistd.h>
#else
#include <QSaveFile>
#endif

#include "benchbook.h"

namespace {

using namespace benchbook;

constexpr int kTitleChecks = 20;    // title look-ups timed together per run
constexpr int kBigBook = 100000;    // from this size on the default runs are capped
constexpr int kBigBookRuns = 3;
constexpr int kDefaultRuns = 5;
constexpr int kSmallestBook = 100;

// ---------------------------------------------------------------------------
// Floors and memory

// A new file of the same bytes, synced to disk: the least any save costs.
double writeFloorMs(const QString& path, const QByteArray& data)
{
    bool ok = false;
    const double t = timedMs([&] {
#ifdef Q_OS_UNIX
        QFile f(path);
        ok = f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size() && f.flush() &&
             ::fsync(f.handle()) == 0;
#else
        QSaveFile f(path);
        ok = f.open(QIODevice::WriteOnly) && f.write(data) == data.size() && f.commit();
#endif
    });
    QFile::remove(path);
    if (!ok)
        throw BenchError{QStringLiteral("cannot write %1").arg(path)};
    return t;
}

// Hands freed memory back to the system, so that a timed parse faults in
// fresh pages as it would in a newly started program rather than reusing
// those the previous parse left behind.
void releaseFreeMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

// Peak resident memory in bytes, or -1 when unknown.
double peakResident()
{
#ifdef Q_OS_LINUX
    // The high-water mark of the process as the system counts it.
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly | QIODevice::Text))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toDouble() * 1024.0;
#endif
#ifdef Q_OS_UNIX
    rusage u{};
    if (getrusage(RUSAGE_SELF, &u) != 0)
        return -1;
#ifdef Q_OS_DARWIN
    return double(u.ru_maxrss); // bytes there
#else
    return double(u.ru_maxrss) * 1024.0;
#endif
#else
    return -1;
#endif
}

// ---------------------------------------------------------------------------
// Keyword search

// Words the generated book lacks, holds in many titles, and holds (in lower
// case, with a non-ASCII letter) in most ingredient lists; then three words
// at once, one typed without its accent, all in most recipes: each word is
// looked for until found, so the floor is one scan per word.
const char* const kSearchWords[] = {"saffron", "walnut", "JALAPEÑO", "Jalapeno walnut RECIPE"};
// The words the floor scans the file for, as the book stores them.
QList<QByteArray> floorWords(const QString& query)
{
    if (query.startsWith(QLatin1String("Jalapeno")))
        return {QByteArray("jalape\xC3\xB1o"), QByteArray("walnut"), QByteArray("recipe")};
    return {query.toLower().toUtf8()};
}
// The window's search, lists and all: a common word, and one in every title.
const char* const kWindowWords[] = {"walnut", "recipe"};

// Occurrences of word in bytes, by a case-sensitive scan of the raw bytes.
int rawScanCount(const QByteArray& bytes, const QByteArray& word)
{
    int n = 0;
    const char* p = bytes.constData();
    const char* const end = p + bytes.size();
    while (end - p >= word.size()) {
#ifdef Q_OS_UNIX
        const char* hit = static_cast<const char*>(memmem(p, size_t(end - p), word.constData(), size_t(word.size())));
#else
        const char* hit = std::search(p, end, std::boyer_moore_horspool_searcher(word.begin(), word.end()));
        hit = hit == end ? nullptr : hit;
#endif
        if (!hit)
            break;
        ++n;
        p = hit + word.size();
    }
    return n;
}

struct SearchTiming {
    QString word;
    double search = 0, floor = 0;
    int hits = 0, raw = 0;
};

// The search of the loaded book beside a raw scan of the book file's bytes
// for the lower-cased word, alternating run by run so that both meet the
// same machine state.
QVector<SearchTiming> timeSearches(const QString& bookFile, int runs)
{
    const QByteArray bytes = readWhole(bookFile);
    QVector<SearchTiming> out;
    for (const char* w : kSearchWords) {
        SearchTiming t;
        t.word = QString::fromUtf8(w);
        // The floor looks for each word as the book stores it, in lower case.
        const QList<QByteArray> words = floorWords(t.word);
        std::vector<double> search, floor;
        for (int run = 0; run < runs + 1; ++run) { // the first run warms the caches
            int hits = 0, raw = 0;
            const double s = timedMs([&] { hits = int(bd::searchRecs(bd::G.xmlDoc, t.word).size()); });
            const double f = timedMs([&] {
                for (const QByteArray& word : words)
                    raw += rawScanCount(bytes, word);
            });
            if (run == 0)
                continue;
            search.push_back(s);
            floor.push_back(f);
            t.hits = hits;
            t.raw = raw;
        }
        t.search = median(search);
        t.floor = median(floor);
        out << t;
    }
    return out;
}

// ---------------------------------------------------------------------------
// The memory of a program that opens the book

const QLatin1String kOpenBookOption("open-book");
const QLatin1String kPeakMark("peak bytes: ");

// What the program holds at most while it opens the book in folder, shows
// the first category's titles and adds one recipe: run in a process of its
// own, so that neither the generator nor the timed runs count. Prints the
// peak for the parent to read.
int openBookAndChange(const QString& folder)
{
    bd::G.reset();
    check(bd::initialise(folder) == bd::InitOutcome::Ready, QStringLiteral("start-up did not finish"));
    {
        bd::frmBr browse; // fills the category list and lists the first category
        check(browse.lstRecs->count() > 0, QStringLiteral("the recipe list is empty"));
        bd::rankTitlesAside(bd::G.xmlDoc); // as the program does once its first window shows
        bd::G.xmlDoc.finishRankingAside();
        RecipeMaker maker{1};
        const bd::Recipe input = maker.input(QStringLiteral("Recipe added to measure memory"), categoryName(0));
        const bd::SaveResult saved = bd::bookStore().addRecipe(0, input);
        check(saved.ok, QStringLiteral("adding a recipe failed: ") + saved.error);
        browse.loadRecipeList(0);
        QCoreApplication::processEvents();
    }
    bd::unlockBookFolder();
    say(kPeakMark + QString::number(peakResident(), 'f', 0));
    return 0;
}

// The peak openBookAndChange reports for the book in folder, or -1.
double peakOfOpening(const QString& folder)
{
    // Without the day's snapshot, which the timed runs took, the change is
    // the day's first and takes one, as it would in the program.
    QDir(folder + QStringLiteral("/snapshots")).removeRecursively();
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--") + kOpenBookOption, folder});
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        throw BenchError{QStringLiteral("the process that opens the book failed")};
    for (const QByteArray& line : child.readAllStandardOutput().split('\n'))
        if (line.startsWith(kPeakMark.data()))
            return line.mid(kPeakMark.size()).toDouble();
    return -1;
}

// ---------------------------------------------------------------------------
// One book size

QString row(const QString& name, double value, double floor, const QString& note = QString())
{
    QString line = name.leftJustified(26) + ms(value).rightJustified(9);
    if (floor > 0)
        line += ms(floor).rightJustified(11) + QString::number(value / floor, 'f', 2).rightJustified(8);
    else
        line += QStringLiteral("-").rightJustified(11) + QStringLiteral("-").rightJustified(8);
    if (!note.isEmpty())
        line += QStringLiteral("   ") + note;
    return line;
}

// The figures that must grow no faster than the book.
struct Growth {
    int recipes = 0;
    double everyTitle = 0;      // the search window listing every title
    double firstEveryTitle = 0; // the first such list since start-up
    double titleMiss = 0;       // titleExists of a title the book lacks
};

// The search window's lists of the recipes a word finds.
struct WindowTiming {
    QString word;
    double first = 0; // the first search
    double later = 0; // the median of those after it
    int listed = 0;
};

Growth benchSize(int recipes, int runs)
{
    QTemporaryDir dir;
    check(dir.isValid(), QStringLiteral("cannot create a temporary folder"));
    const QString folder = dir.path();
    const QString book = folder + QStringLiteral("/recipes.xml");
    const QString scratch = folder + QStringLiteral("/floor.tmp");

    say(QStringLiteral("Generating a book of %1 recipes in %2 ...").arg(recipes).arg(folder));
    RecipeMaker maker{quint32(recipes)};
    QElapsedTimer generation;
    generation.start();
    const GeneratedBook gen = generateBook(book, recipes, maker);
    const double generationSeconds = double(generation.elapsed()) / 1000;

    const int addPosition = kCategories / 2;
    const QString addCategory = categoryName(addPosition);
    const QString missing = QStringLiteral("Recipe missing from the book");
    const int middle = recipes / 2;

    std::vector<double> startup, read, parse, loadFloor, add, serialize, writeFloor, remove, exists, list;
    for (int run = 0; run < runs; ++run) {
        // The program starts with no book in memory; freeing the previous
        // run's document is not part of start-up.
        bd::G.xmlDoc.clear();
        releaseFreeMemory();

        QByteArray bytes;
        read.push_back(timedMs([&] { bytes = readWhole(book); }));
        {
            pugi::xml_document doc;
            bool parsed = false;
            parse.push_back(timedMs([&] {
                parsed = bool(doc.load_buffer(bytes.constData(), size_t(bytes.size()), pugi::parse_default));
            }));
            check(parsed, QStringLiteral("the bare parse failed"));
        }
        loadFloor.push_back(read.back() + parse.back());
        bytes = QByteArray();
        releaseFreeMemory();

        bd::InitOutcome outcome = bd::InitOutcome::Quit;
        startup.push_back(timedMs([&] {
            bd::G.reset();
            outcome = bd::initialise(folder);
        }));
        bd::unlockBookFolder(); // the folder goes with this book
        check(outcome == bd::InitOutcome::Ready, QStringLiteral("start-up did not finish"));
        if (run == 0)
            check(bd::G.xmlDoc.recipeCount() == recipes, QStringLiteral("start-up loaded the wrong book"));

        const QString added =
            QStringLiteral("Recipe %1 added by run %2").arg(recipes + run, gen.titleWidth, 10, QLatin1Char('0')).arg(run);
        const bd::Recipe input = maker.input(added, addCategory);
        bd::SaveResult saved;
        // The disk's speed drifts from minute to minute: each save is
        // measured right after a floor of its own.
        const auto floorNow = [&] { writeFloor.push_back(writeFloorMs(scratch, readWhole(book))); };
        floorNow();
        add.push_back(timedMs([&] { saved = bd::bookStore().addRecipe(addPosition, input); }));
        check(saved.ok, QStringLiteral("adding a recipe failed: ") + saved.error);
        {
            QByteArray text;
            serialize.push_back(timedMs([&] { text = bd::G.xmlDoc.serialize(); }));
        }

        const QString victim = gen.titles.value((middle + run) % recipes);
        check(bd::G.xmlDoc.titleExists(victim), QStringLiteral("no recipe to delete"));
        int victimCategory = 0;
        while (!bd::G.xmlDoc.findRecipe(victimCategory, victim))
            ++victimCategory;
        floorNow();
        remove.push_back(timedMs([&] { saved = bd::bookStore().deleteRecipe({victimCategory, victim}); }));
        check(saved.ok, QStringLiteral("deleting a recipe failed: ") + saved.error);
        check(!bd::G.xmlDoc.titleExists(victim), QStringLiteral("the recipe was not deleted"));

        int found = 0;
        exists.push_back(timedMs([&] {
                             for (int i = 0; i < kTitleChecks; ++i)
                                 found += bd::G.xmlDoc.titleExists(missing) ? 1 : 0;
                         }) /
                         kTitleChecks);
        check(found == 0, QStringLiteral("a missing title was found"));
    }

    // Built once: its constructor fills the category list and shows the
    // first category, which also warms up the collator.
    int listed = 0;
    {
        auto browse = std::make_unique<bd::frmBr>();
        for (int run = 0; run < runs; ++run) {
            list.push_back(timedMs([&] { browse->loadRecipeList(0); }));
            QCoreApplication::processEvents();
        }
        listed = browse->lstRecs->count();
    }
    check(listed == gen.sizes[0], QStringLiteral("the recipe list holds %1 titles, not %2").arg(listed).arg(gen.sizes[0]));

    const QVector<SearchTiming> searches = timeSearches(book, std::max(runs, kDefaultRuns));
    // The window's searches, each run once before those timed together: the
    // first list of every title since start-up also sorts the titles by
    // collation, and the places it finds serve the lists after it. It is
    // shown on its own.
    // The titles put in list order on a thread of their own, as the program
    // does once its first window shows.
    const double ranking = timedMs([] {
        bd::rankTitlesAside(bd::G.xmlDoc);
        bd::G.xmlDoc.finishRankingAside();
    });
    std::vector<WindowTiming> windowSearches;
    {
        bd::frmSearch window;
        for (const char* w : kWindowWords) {
            window.txtKeyword->setText(QString::fromUtf8(w));
            WindowTiming t{QString::fromUtf8(w)};
            std::vector<double> times;
            for (int run = 0; run < std::max(runs, kDefaultRuns) + 1; ++run) {
                const double time = timedMs([&] { window.searchRecs(); });
                QCoreApplication::processEvents();
                if (run == 0)
                    t.first = time;
                else
                    times.push_back(time);
            }
            t.later = median(times);
            t.listed = window.lstResults->model()->rowCount();
            windowSearches.push_back(t);
        }
    }

    const double memory = peakOfOpening(folder);
    const double writeMedian = median(writeFloor);

    say(QString());
    say(QStringLiteral("Book: %1 recipes, %2 categories, %3").arg(recipes).arg(kCategories).arg(megabytes(double(gen.bytes))));
    say(QStringLiteral("operation                 median ms   floor ms   ratio"));
    say(row(QStringLiteral("start-up (check+load)"), median(startup), median(loadFloor),
            QStringLiteral("(floor: read + bare parse)")));
    say(row(QStringLiteral("add recipe + save"), median(add), writeMedian, QStringLiteral("(floor: raw write + fsync)")));
    say(row(QStringLiteral("delete recipe + save"), median(remove), writeMedian));
    say(row(QStringLiteral("title exists (miss)"), median(exists), 0));
    say(row(QStringLiteral("recipe list, largest cat."), median(list), 0, QStringLiteral("(%1 titles)").arg(listed)));
    for (const SearchTiming& t : searches)
        say(row(QStringLiteral("search \"%1\"").arg(t.word), t.search, t.floor,
                QStringLiteral("(floor: memmem of the file for each word in lower case; %1 found, %2 raw hits)")
                    .arg(t.hits)
                    .arg(t.raw)));
    say(row(QStringLiteral("titles put in list order"), ranking, 0,
            QStringLiteral("(on a thread of its own once the first window shows)")));
    for (const WindowTiming& w : windowSearches) {
        say(row(QStringLiteral("search window \"%1\"").arg(w.word), w.later, 0,
                QStringLiteral("(search, sort and list %1 titles)").arg(w.listed)));
        if (w.listed == recipes)
            say(row(QStringLiteral("  the first of them"), w.first, 0,
                    QStringLiteral("(the first list of every title since start-up)")));
    }
    say(QStringLiteral("parts: read %1 ms, bare parse %2 ms; serialize %3 ms, write + fsync %4 ms")
            .arg(ms(median(read)), ms(median(parse)), ms(median(serialize)), ms(writeMedian)));
    say(QStringLiteral("runs: %1; book generated in %2 s, %3 characters of text per recipe")
            .arg(runs)
            .arg(generationSeconds, 0, 'f', 1)
            .arg(gen.textPerRecipe, 0, 'f', 0));
    // Last, as the figure the book's size is measured against.
    if (memory >= 0)
        say(QStringLiteral("peak resident memory: %1 (%2x the book file; a program that opens the book, lists "
                           "it and adds a recipe)")
                .arg(megabytes(memory))
                .arg(memory / double(gen.bytes), 0, 'f', 2));
    say(QString());

    bd::G.reset();
    Growth growth;
    growth.recipes = recipes;
    growth.titleMiss = median(exists);
    for (const WindowTiming& w : windowSearches)
        if (w.listed == recipes) {
            growth.everyTitle = w.later;
            growth.firstEveryTitle = w.first;
        }
    return growth;
}

// How each figure grew from one book size to the next, beside the growth
// of the book: no faster than the book, give or take a fifth.
void sayGrowth(const Growth& from, const Growth& to)
{
    const double books = double(to.recipes) / from.recipes;
    const auto line = [&](const char* what, double a, double b) {
        say(QStringLiteral("%1 %2 -> %3 recipes: %4x (goal <= %5x)")
                .arg(QString::fromLatin1(what).leftJustified(30))
                .arg(from.recipes)
                .arg(to.recipes)
                .arg(a > 0 ? b / a : 0, 0, 'f', 2)
                .arg(books * 1.2, 0, 'f', 1));
    };
    line("search window, every title", from.everyTitle, to.everyTitle);
    line("  the first list of them", from.firstEveryTitle, to.firstEveryTitle);
    line("title exists (miss)", from.titleMiss, to.titleMiss);
}

QList<int> parseSizes(const QString& text)
{
    QList<int> sizes;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int n = part.trimmed().toInt(&ok);
        if (!ok || n < kSmallestBook)
            throw BenchError{QStringLiteral("not a book size of at least %1 recipes: ").arg(kSmallestBook) + part};
        sizes << n;
    }
    if (sizes.isEmpty())
        throw BenchError{QStringLiteral("no book sizes given")};
    return sizes;
}

} // namespace

int main(int argc, char** argv)
{
    // Settings, and the runtime folder Qt wants, live in a private folder.
    QTemporaryDir home;
    if (!home.isValid()) {
        std::fprintf(stderr, "brindelle_bench: cannot create a temporary folder\n");
        return 1;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtime = home.path() + QStringLiteral("/runtime");
        if (QDir().mkpath(runtime) &&
            QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    }
    QApplication app(argc, argv);
    bd::keepLargeBuffers(); // as the program does

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times the recipe store on large generated books."));
    parser.addHelpOption();
    const QCommandLineOption sizesOption(QStringLiteral("sizes"), QStringLiteral("Book sizes in recipes."),
                                         QStringLiteral("list"), QStringLiteral("1000,10000,100000"));
    const QCommandLineOption runsOption(
        QStringLiteral("runs"),
        QStringLiteral("Runs per size (default %1, at most %2 for books of %3 recipes or more).")
            .arg(kDefaultRuns)
            .arg(kBigBookRuns)
            .arg(kBigBook),
        QStringLiteral("N"));
    QCommandLineOption openOption(kOpenBookOption, QStringLiteral("Opens the book in folder, measuring memory."),
                                  QStringLiteral("folder"));
    openOption.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(sizesOption);
    parser.addOption(runsOption);
    parser.addOption(openOption);
    parser.process(app);

    try {
        const QList<int> sizes = parseSizes(parser.value(sizesOption));
        int runs = kDefaultRuns;
        if (parser.isSet(runsOption)) {
            bool ok = false;
            runs = parser.value(runsOption).toInt(&ok);
            if (!ok || runs < 1)
                throw BenchError{QStringLiteral("not a number of runs: ") + parser.value(runsOption)};
        }

        // Never the user's settings.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path() + QStringLiteral("/config"));
        bd::writeValue(QStringLiteral("language"), QStringLiteral("0"));
        if (parser.isSet(openOption))
            return openBookAndChange(parser.value(openOption));

        const QString buildType = QStringLiteral(BRINDELLE_BUILD_TYPE);
        say(QStringLiteral("brindelle_bench: build type %1, pugixml %2.%3, Qt %4")
                .arg(buildType.isEmpty() ? QStringLiteral("(none)") : buildType)
                .arg(PUGIXML_VERSION / 1000)
                .arg(PUGIXML_VERSION % 1000 / 10)
                .arg(QString::fromLatin1(qVersion())));
        if (buildType == QLatin1String("Debug"))
            say(QStringLiteral("note: an unoptimised build; the program's own code runs slower than it would."));

        QElapsedTimer total;
        total.start();
        std::vector<Growth> grown;
        for (const int n : sizes) {
            const int r = parser.isSet(runsOption) || n < kBigBook ? runs : std::min(runs, kBigBookRuns);
            grown.push_back(benchSize(n, r));
        }
        for (size_t i = 1; i < grown.size(); ++i)
            sayGrowth(grown[i - 1], grown[i]);
        say(QStringLiteral("total time: %1 s").arg(double(total.elapsed()) / 1000, 0, 'f', 1));
    } catch (const BenchError& e) {
        std::fprintf(stderr, "brindelle_bench: %s\n", qUtf8Printable(e.what));
        return 1;
    }
    return 0;
}
