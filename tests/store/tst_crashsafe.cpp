// A book survives the program being killed at any moment of a save, and
// one book folder is used by one running copy of the program at a time.
//
// This test program doubles as the child processes it kills: with
// "--saver DIR FROM" it keeps changing and saving the book in DIR, step
// after step, and with "--locker DIR" it holds DIR's lock until killed.

#include "app/globals.h"
#include "app/startup.h"
#include "resources/strings.h"
#include "store/bookfile.h"
#include "store/store.h"
#include "store/trash.h"
#include "testsupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThread>
#include <QtTest>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#endif

#include <cstdio>
#include <cstring>

using namespace bd;

namespace {

constexpr int kInitialRecipes = 1500;
constexpr int kSteps = 240;
constexpr int kCategories = 5;

Recipe input(const QString& title, int category)
{
    Recipe in;
    in.title = title;
    in.ing = QStringLiteral("flour\nwater\nsalt ") + title;
    in.prep = QStringLiteral("Knead well. ").repeated(20);
    in.category = G.xmlDoc.categoryName(category);
    return in;
}

// The book every run starts from.
void startBook()
{
    G.xmlDoc.clear();
    for (int c = 0; c < kCategories; ++c)
        G.xmlDoc.appendCategory(QStringLiteral("Category %1").arg(c));
    for (int i = 0; i < kInitialRecipes; ++i) {
        Recipe f;
        f.title = QStringLiteral("Init%1").arg(i);
        f.ing = QStringLiteral("one\ntwo\nthree");
        f.prep = QStringLiteral("Stir gently and bake. ").repeated(10);
        f.date = QStringLiteral("1/1/2026");
        G.xmlDoc.appendRecipe(i % kCategories, f);
    }
}

// Change number k, made through the store (which saves).
void applyStep(int k)
{
    switch (k % 4) {
    case 0: bookStore().addRecipe(k % kCategories, input(QStringLiteral("A%1").arg(k), k % kCategories)); break;
    case 1: // the recipe added just before is renamed and moved
        G.editTitle = QStringLiteral("A%1").arg(k - 1);
        G.editCat = G.xmlDoc.categoryName((k - 1) % kCategories);
        G.editImage.clear();
        bookStore().updateRecipe(G.editRecipe(), k % kCategories,
                                 input(QStringLiteral("B%1").arg(k - 1), k % kCategories));
        break;
    case 2: bookStore().deleteRecipe({k % kCategories, QStringLiteral("Init%1").arg(k)}); break;
    default: bookStore().addCategory(QStringLiteral("C%1").arg(k)); break;
    }
}

QByteArray hashOf(const QByteArray& bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1); }

int runSaver(const QString& dir, int from)
{
    G.appPath = dir;
    G.imgPrefix = QStringLiteral("recipes");
    if (!G.xmlDoc.loadFile(bookPath()))
        return 3;
    std::printf("ready\n");
    std::fflush(stdout);
    for (int k = from; k < kSteps; ++k) {
        applyStep(k);
        std::printf("%d\n", k);
        std::fflush(stdout);
    }
    return 0;
}

// Removes the book's recipes one after another, each into the trash,
// saying each title once it is done.
int runTrasher(const QString& dir)
{
    G.appPath = dir;
    if (!G.xmlDoc.loadFile(bookPath()))
        return 2;
    std::printf("ready\n");
    std::fflush(stdout);
    for (int c = 0; c < G.xmlDoc.categoryCount(); ++c)
        for (const QString& title : G.xmlDoc.recipeTitles(c)) {
            if (!bookStore().deleteRecipe({c, title}).ok)
                return 1;
            std::printf("%s\n", qPrintable(title));
            std::fflush(stdout);
        }
    return 0;
}

int runLocker(const QString& dir)
{
    if (!lockBookFolder(dir))
        return 3;
    std::printf("locked\n");
    std::fflush(stdout);
    for (;;)
        QThread::sleep(1);
}

QStringList leftovers(const QString& dir)
{
    QStringList names = QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    names.removeAll(QStringLiteral("recipes.xml"));
    names.removeAll(QStringLiteral("images"));
    names.removeAll(QStringLiteral("recipes.xml.bad")); // kept on purpose
    names.removeAll(QStringLiteral("snapshots"));
    names.removeAll(QStringLiteral("trash.xml"));
    // A save's temporary name whose six random characters happen to be all
    // of one kind is left alone like a name a person gave (about 1 in 90).
    static const QRegularExpression oneKind(QStringLiteral("^recipes\\.xml\\.([a-z]{6}|[A-Z]{6}|[0-9]{6})$"));
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const QString& n) { return oneKind.match(n).hasMatch(); }),
                names.end());
    return names;
}

} // namespace

class TestCrashSafe : public QObject {
    Q_OBJECT
private slots:
    void killedDuringSavesLosesNothing()
    {
        bdtest::TestEnv env;
        // Every state the book passes through, worked out beforehand.
        startBook();
        QVERIFY(bookStore().save());
        const QByteArray start = env.read(QStringLiteral("recipes.xml"));
        QVector<QByteArray> states{hashOf(start)};
        QElapsedTimer clock;
        clock.start();
        for (int k = 0; k < kSteps; ++k) {
            applyStep(k);
            states << hashOf(G.xmlDoc.serialize());
        }
        // Kills fall within a few steps of the start, however slow the build.
        const int killWindowUs = int(qMax<qint64>(40000, 3 * clock.nsecsElapsed() / 1000 / kSteps));
        QCOMPARE(states.size(), kSteps + 1);
        env.write(QStringLiteral("recipes.xml"), start);

        QRandomGenerator random(20261206);
        int from = 0, kills = 0, stepsDone = 0;
        while (kills < 120) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--saver"), env.appPath(), QString::number(from)});
            QVERIFY(child.waitForStarted());
            QVERIFY(child.waitForReadyRead(10000));
            QThread::usleep(random.bounded(1, killWindowUs));
            child.kill(); // SIGKILL: no clean-up of any kind
            QVERIFY(child.waitForFinished());
            ++kills;

            // The last step the child finished, by its own word.
            int done = from - 1;
            for (const QByteArray& line : child.readAllStandardOutput().split('\n'))
                if (!line.isEmpty() && line != "ready")
                    done = line.toInt();
            const QByteArray disk = env.read(QStringLiteral("recipes.xml"));
            // After step k the disk holds state k + 1; a step whose save
            // finished just before the kill may not have been reported.
            const int found = int(states.indexOf(hashOf(disk), qMax(0, done + 1)));
            QVERIFY2(found == done + 1 || found == done + 2,
                     qPrintable(QStringLiteral("after step %1 the disk holds state %2").arg(done).arg(found)));
            stepsDone += found - from;
            // What the kill left is cleared by the next start, which reads the book whole.
            QCOMPARE(initialise(env.appPath()), InitOutcome::Ready);
            QCOMPARE(leftovers(env.appPath()), QStringList{QStringLiteral(".brindelle.lock")});
            QCOMPARE(hashOf(G.xmlDoc.serialize()), states[found]);
            unlockBookFolder();

            from = found;
            if (from >= kSteps) { // the run is complete: start over
                env.write(QStringLiteral("recipes.xml"), start);
                from = 0;
            }
        }
        QVERIFY(stepsDone > kills); // the kills fell among the saves, not before them
    }

    // A kill while recipes move into the trash leaves each recipe in the
    // book, in the trash, or (for a moment) in both, never in neither.
    void killedWhileTrashingLosesNothing()
    {
        bdtest::TestEnv env;
        const int rounds = qEnvironmentVariableIntValue("BRINDELLE_KILLS") > 0
                               ? qEnvironmentVariableIntValue("BRINDELLE_KILLS")
                               : 20;
        QRandomGenerator random(20261207);
        int both = 0;
        for (int round = 0; round < rounds; ++round) {
            startBook();
            QVERIFY(bookStore().save());
            QStringList all;
            for (int c = 0; c < G.xmlDoc.categoryCount(); ++c)
                all += G.xmlDoc.recipeTitles(c);
            QFile::remove(trashPath(bookPath()));
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--trasher"), env.appPath()});
            QVERIFY(child.waitForReadyRead(10000));
            QThread::usleep(random.bounded(1, 60000));
            child.kill();
            QVERIFY(child.waitForFinished());

            const bdtest::DiskBook book;
            Trash trash(trashPath(bookPath()));
            QVERIFY(trash.load());
            QSet<QString> trashed;
            for (const TrashEntry& e : trash.entries())
                trashed.insert(e.recipe.title);
            for (const QString& title : all) {
                const bool inBook = book.titleExists(title);
                QVERIFY2(inBook || trashed.contains(title), qPrintable(title + QStringLiteral(" was lost")));
                both += inBook && trashed.contains(title);
            }
        }
        qInfo("%d kills, %d recipes found in both book and trash", rounds, both);
    }

    void onlyUnfinishedSavesAreCleared()
    {
        // Only the names this program gives its unfinished saves go; the
        // cook's own copies (however they look) stay.
        bdtest::TestEnv env;
        const QStringList kept = {"other.xml.bdsave-AbC123", "recipes.xml",        "recipes.xml.2024v1",
                                  "recipes.xml.AbC123",      "recipes.xml.Backup", "recipes.xml.Jan026",
                                  "recipes.xml.bad",         "recipes.xml.bad2",   "recipes.xml.bak001",
                                  "recipes.xml.orig01",      "recipes.xml.v2copy"};
        for (const QString& name : kept)
            env.write(name, "x");
        env.write(QStringLiteral("recipes.xml.bdsave-AbC123"), "an interrupted save");
        removeStaleSaves(bookPath());
        QStringList left = QDir(env.appPath()).entryList(QDir::Files);
        left.sort();
        QCOMPARE(left, kept);

        // A save leaves nothing beside the book, and a full disk says why.
        QVERIFY(writeFileAtomically(bookPath(), QByteArray("<recipebook></recipebook>")).ok);
        QCOMPARE(QDir(env.appPath()).entryList(QDir::Files).size(), kept.size());
#ifdef Q_OS_LINUX
        rlimit old{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &old) == 0);
        const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit small{rlim_t(1024), old.rlim_max};
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        const SaveResult r = writeFileAtomically(bookPath(), QByteArray(4096, 'x'));
        setrlimit(RLIMIT_FSIZE, &old);
        signal(SIGXFSZ, oldHandler);
        QVERIFY(!r.ok);
        QCOMPARE(r.error, qt_error_string(EFBIG));
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), QByteArray("<recipebook></recipebook>"));
        QCOMPARE(QDir(env.appPath()).entryList(QDir::Files).size(), kept.size());
#endif
    }

    void oneCopyPerBookFolder()
    {
        bdtest::TestEnv env;
        const QString folder = env.root() + QStringLiteral("/shared");
        QProcess other;
        other.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--locker"), folder});
        QVERIFY(other.waitForReadyRead(10000));
        QCOMPARE(other.readAllStandardOutput(), QByteArray("locked\n"));

        // A second copy is turned away, saying why, and touches nothing.
        QCOMPARE(initialise(folder), InitOutcome::Quit);
        QCOMPARE(env.dialogs.messageIds(), QList<int>{Str::BookInUse});
        QVERIFY(!QFileInfo::exists(folder + QStringLiteral("/recipes.xml")));

        // The holder crashes: its lock is stale and is taken over.
        other.kill();
        QVERIFY(other.waitForFinished());
        env.dialogs.clear();
        QCOMPARE(initialise(folder), InitOutcome::Ready);
        QVERIFY(env.dialogs.calls.isEmpty());
        QVERIFY(QFileInfo::exists(folder + QStringLiteral("/recipes.xml")));

        // Now this copy holds it: another is turned away.
        QProcess late;
        late.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--locker"), folder});
        QVERIFY(late.waitForFinished(10000));
        QCOMPARE(late.exitCode(), 3);
    }
};

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--saver") == 0) {
        QCoreApplication app(argc, argv);
        return runSaver(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
    }
    if (argc == 3 && std::strcmp(argv[1], "--trasher") == 0) {
        QCoreApplication app(argc, argv);
        return runTrasher(QString::fromLocal8Bit(argv[2]));
    }
    if (argc == 3 && std::strcmp(argv[1], "--locker") == 0) {
        QCoreApplication app(argc, argv);
        return runLocker(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    TestCrashSafe test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crashsafe.moc"
