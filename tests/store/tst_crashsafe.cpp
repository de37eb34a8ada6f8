// A book survives the program being killed at any moment of a save, and
// one book folder is used by one running copy of the program at a time.
// Pictures, imports, backups and exports survive kills and full disks too:
// every picture a book names is there with its own content.
//
// This test program doubles as the child processes it kills: with
// "--saver DIR FROM" it keeps changing and saving the book in DIR, step
// after step, with "--locker DIR" it holds DIR's lock until killed, and
// with "--work KIND ROOT FROM" it keeps doing one kind of work on pictures.
// BRINDELLE_KILLS sets how many kills each picture case gets (20).

#include "app/base/booklock.h"
#include "app/base/globals.h"
#include "app/startup.h"
#include "browse/backup.h"
#include "exchange/exchange.h"
#include "resources/strings.h"
#include "store/bookfile.h"
#include "store/store.h"
#include "store/trash.h"
#include "testsupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSysInfo>
#include <QThread>
#include <QLocale>
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

// ---------------------------------------------------------------------------
// Pictures under kills and full disks. In every book of these cases a
// recipe's ingredients hold the content of its picture, so that what is on
// disk can be checked against what the book says.

constexpr int kPictureRecipes = 12;

int killsPerCase()
{
    const int n = qEnvironmentVariableIntValue("BRINDELLE_KILLS");
    return n > 0 ? n : 20;
}

QString under(const QString& root, const char* relative) { return root + QLatin1Char('/') + QLatin1String(relative); }

Recipe withPicture(const QString& title, const QString& image, const QByteArray& content)
{
    Recipe r = bdtest::titled(title, image);
    r.ing = QString::fromUtf8(content);
    return r;
}

// A book folder of kPictureRecipes recipes "P0".."P11", each with its
// picture, and the cook's own recipe "Pie" with recipes_Desserts_Pie.jpg.
// Appends to book's first category a recipe named title whose picture
// name, written into folder, holds content.
void addWithPicture(RecipeBook& book, const QString& folder, const QString& title, const QString& name,
                    const QByteArray& content)
{
    bdtest::writeFile(folder + QLatin1Char('/') + name, content);
    book.appendRecipe(0, withPicture(title, name, content));
}

void writePictureBook(const QString& dir)
{
    QDir(dir).removeRecursively();
    RecipeBook book;
    book.appendCategory(QStringLiteral("Desserts"));
    const QString images = dir + QStringLiteral("/images");
    for (int i = 0; i < kPictureRecipes; ++i)
        addWithPicture(book, images, QStringLiteral("P%1").arg(i), QStringLiteral("recipes_Desserts_P%1.jpg").arg(i),
                       "first picture of P" + QByteArray::number(i));
    addWithPicture(book, images, QStringLiteral("Pie"), QStringLiteral("recipes_Desserts_Pie.jpg"), "cook's own");
    bdtest::writeFile(dir + QStringLiteral("/recipes.xml"), book.serialize());
}

// What is wrong with the book file at bookFile and the pictures in folder:
// a picture it names that is missing or holds other content than the
// recipe's ingredients. Empty when whole.
QString picturesWrong(const QString& bookFile, const QString& folder)
{
    RecipeBook book;
    if (!book.loadFile(bookFile))
        return QStringLiteral("the book cannot be read");
    for (const Recipe& f : bdtest::recipesOf(book)) {
        if (f.image.isEmpty())
            continue;
        const QString path = folder + QLatin1Char('/') + f.image;
        if (!QFileInfo::exists(path))
            return QStringLiteral("%1 names %2, which is missing").arg(f.title, f.image);
        if (QString::fromUtf8(bdtest::readFile(path)) != f.ing)
            return QStringLiteral("%1 names %2, which holds other content").arg(f.title, f.image);
    }
    return QString();
}

// The files of folder no recipe of the book names.
QStringList unnamedFiles(const QString& bookFile, const QString& folder)
{
    RecipeBook book;
    book.loadFile(bookFile);
    QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    for (const Recipe& f : bdtest::recipesOf(book))
        files.removeAll(f.image);
    return files;
}

// Step k of the picture work: a recipe gets a new picture (k even), or is
// renamed, its picture following it.
void pictureStep(const QString& root, qint64 k)
{
    const int i = int(k % kPictureRecipes);
    const QString plain = QStringLiteral("P%1").arg(i), renamed = plain + QStringLiteral(" x");
    const QString title = G.xmlDoc.titleExists(plain) ? plain : renamed;
    Recipe old = RecipeBook::fields(G.xmlDoc.findRecipe(0, title));
    old.category = QStringLiteral("Desserts");
    Recipe in = old;
    if (k % 2 == 0) {
        const QByteArray content = "picture " + QByteArray::number(k) + " of P" + QByteArray::number(i);
        in.image = root + QStringLiteral("/src/") + QString::number(k) + QStringLiteral(".jpg");
        bdtest::writeFile(in.image, content);
        in.ing = QString::fromUtf8(content);
    } else {
        in.title = title == plain ? renamed : plain;
        in.image = storedPicturePath(old.image);
    }
    bookStore().updateRecipe(old, 0, in);
}

// The book of an import: recipes whose pictures are in exp_img beside it,
// among them one made to reach the cook's recipes_Desserts_Pie.jpg.
void writeImportSource(const QString& dir)
{
    RecipeBook source;
    source.appendCategory(QStringLiteral("Desserts"));
    const QString pictures = dir + QStringLiteral("/exp_img");
    for (int i = 0; i < 10; ++i)
        addWithPicture(source, pictures, QStringLiteral("Cake%1").arg(i),
                       QStringLiteral("recipes_Desserts_Cake%1.jpg").arg(i), "imported cake " + QByteArray::number(i));
    addWithPicture(source, pictures, QStringLiteral("Pie.jpg"), QStringLiteral("recipes_Desserts_x"), "crafted");
    bdtest::writeFile(dir + QStringLiteral("/src.xml"), source.serialize());
}

ImportJob importJob(const RecipeList& source, const QString& root)
{
    ImportJob job;
    for (int i = 0; i < importList(source).size(); ++i)
        job.selected.insert(i);
    job.pictures = true;
    job.pictureFolder = under(root, "in/exp_img");
    job.imagesFolder = imagesFolder();
    job.bookPath = bookPath();
    job.date = QStringLiteral("1/1/2026");
    return job;
}

// Two book folders, A (pic_0 to pic_29) and B (pic_10 to pic_39): the same
// book at two moments, some pictures gone, others new.
void writeTwoBooks(const QString& root)
{
    for (const char* which : {"A", "B"}) {
        const QString dir = root + QLatin1Char('/') + QLatin1String(which);
        RecipeBook book;
        book.appendCategory(QStringLiteral("Desserts"));
        for (int i = which[0] == 'A' ? 0 : 10, end = i + 30; i < end; ++i) {
            const QString name = QStringLiteral("pic_%1.jpg").arg(i);
            addWithPicture(book, dir + QStringLiteral("/images"), QStringLiteral("R%1").arg(i), name,
                           "pic:" + name.toUtf8());
        }
        bdtest::writeFile(dir + QStringLiteral("/recipes.xml"), book.serialize());
    }
}

// A backup or export of book A or B at file, written by turns.
bool writeCopy(const QString& kind, const QString& root, const char* which, const QString& file)
{
    const QString dir = root + QLatin1Char('/') + QLatin1String(which);
    if (kind == QLatin1String("backup"))
        return writeBackup(dir + QStringLiteral("/recipes.xml"), dir + QStringLiteral("/images"), file) ==
               BackupOutcome::Saved;
    RecipeBook book;
    book.loadFile(dir + QStringLiteral("/recipes.xml"));
    QVector<RecipeRef> items;
    for (const QString& title : book.recipeTitles(0))
        items.push_back({0, title});
    ExportJob job;
    job.path = file;
    job.imagesFolder = dir + QStringLiteral("/images");
    job.pictureFolder = exchangePictureFolder(file);
    job.date = QStringLiteral("1/1/2026");
    return exportRecipes(book, items, job).outcome == RunOutcome::Done;
}

QString copyFile(const QString& root, const QString& kind)
{
    return root + QLatin1Char('/') + kind + QStringLiteral("/copy.xml");
}

int runWork(const QString& kind, const QString& root, qint64 from)
{
    G.appPath = root + QStringLiteral("/book");
    G.imgPrefix = QStringLiteral("recipes");
    if (kind == QLatin1String("pictures") || kind == QLatin1String("import")) {
        if (!G.xmlDoc.loadFile(bookPath()))
            return 3;
    }
    RecipeBook source;
    if (kind == QLatin1String("import") && !source.loadFile(under(root, "in/src.xml")))
        return 3;
    const RecipeList list = bdtest::importSource(source);
    // One whole step first: every kill then falls on work over a finished
    // one, and the parent learns how long a step takes.
    QElapsedTimer timer;
    timer.start();
    for (qint64 k = from;; ++k) {
        if (kind == QLatin1String("pictures"))
            pictureStep(root, k);
        else if (kind == QLatin1String("import"))
            importRecipes(G.xmlDoc, list, importJob(list, root),
                          [](const QString& shown) { return std::optional<QString>(shown + QLatin1Char('+')); });
        else
            writeCopy(kind, root, k % 2 ? "B" : "A", copyFile(root, kind));
        if (k == from)
            std::printf("ready %lld\n", qMax<qint64>(1, timer.elapsed()));
        else
            std::printf("%lld\n", k);
        std::fflush(stdout);
    }
}

using bdtest::withFileLimit;

// Files and folders whose names carry the mark of unfinished work.
QStringList unfinished(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.contains(QLatin1String(".bdnew-")))
            found << path;
    }
    return found;
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
        const int firstWindowUs = int(qMax<qint64>(40000, 3 * clock.nsecsElapsed() / 1000 / kSteps));
        int killWindowUs = firstWindowUs;
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
            // In a slow spell of the machine the child's saves take longer
            // than measured here: the window widens while kills land before
            // any save, and narrows again once they don't.
            if (found == from)
                killWindowUs = qMin(killWindowUs * 3 / 2, 2000000);
            else if (found - from > 8)
                killWindowUs = qMax(firstWindowUs, killWindowUs * 2 / 3);
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

    // Kills during work on pictures: after each (and the next start, which
    // finishes or clears what the kill left), every picture the book, the
    // backup or the export names is there with its own content.
    void killedPictureWorkLosesNoPicture_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"pictures", "import", "backup", "export"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }

    void killedPictureWorkLosesNoPicture()
    {
        QFETCH(QString, kind);
        bdtest::TestEnv env;
        const QString root = env.root() + QStringLiteral("/work");
        const QString book = root + QStringLiteral("/book");
        const bool inBook = kind == QLatin1String("pictures") || kind == QLatin1String("import");
        const auto start = [&] {
            writePictureBook(book);
            writeImportSource(root + QStringLiteral("/in"));
        };
        start();
        writeTwoBooks(root);
        const QByteArray bookA = bdtest::readFile(under(root, "A/recipes.xml"));
        const QByteArray bookB = bdtest::readFile(under(root, "B/recipes.xml"));

        QRandomGenerator random(20261207);
        int kills = 0, steps = 0;
        qint64 from = 0;
        while (kills < killsPerCase()) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--work"), kind, root, QString::number(from)});
            QVERIFY(child.waitForStarted());
            QVERIFY(child.waitForReadyRead(30000));
            // Somewhere within the next two steps.
            const QByteArray ready = child.readLine();
            QVERIFY(ready.startsWith("ready "));
            const int stepTime = ready.mid(6).trimmed().toInt();
            QThread::usleep(random.bounded(1, 2 * 1000 * stepTime + 2));
            child.kill();
            QVERIFY(child.waitForFinished());
            ++kills;
            from += 1000000;
            const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
            steps += int(std::count_if(lines.begin(), lines.end(), [](const QByteArray& l) { return !l.isEmpty(); }));

            if (inBook) {
                QCOMPARE(initialise(book), InitOutcome::Ready);
                unlockBookFolder();
                QVERIFY(env.dialogs.calls.isEmpty());
                QCOMPARE(unfinished(book), QStringList());
                const QString wrong = picturesWrong(book + QStringLiteral("/recipes.xml"),
                                                    book + QStringLiteral("/images"));
                QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
                QCOMPARE(bdtest::readFile(book + QStringLiteral("/images/recipes_Desserts_Pie.jpg")),
                         QByteArray("cook's own"));
                // Nor is a picture left that no recipe names.
                const QStringList left = unnamedFiles(book + QStringLiteral("/recipes.xml"),
                                                      book + QStringLiteral("/images"));
                QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char(' '))));
                if (G.xmlDoc.recipeCount() > 120)
                    start();
            } else {
                const QString file = copyFile(root, kind);
                if (!QFileInfo::exists(file))
                    continue; // killed before the first copy was complete
                if (kind == QLatin1String("backup"))
                    QVERIFY(bdtest::readFile(file) == bookA || bdtest::readFile(file) == bookB);
                const QString wrong = picturesWrong(file, exchangePictureFolder(file));
                QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
            }
        }
        QVERIFY(steps > 0);
        qInfo("%s: %d kills, %d steps finished", qPrintable(kind), kills, steps);
    }

#ifdef Q_OS_LINUX
    // A full disk stops a change with a picture, an import, a backup and an
    // export part-way: what was on disk stays as it was, with no leftovers.
    void fullDiskLeavesEveryPictureWhole()
    {
        bdtest::TestEnv env;
        const QString root = env.root() + QStringLiteral("/work");
        const QString book = root + QStringLiteral("/book");
        writePictureBook(book);
        writeImportSource(root + QStringLiteral("/in"));
        G.appPath = book;
        G.imgPrefix = QStringLiteral("recipes");
        const QByteArray before = bdtest::readFile(bookPath());
        const QStringList picturesBefore = QDir(imagesFolder()).entryList(QDir::Files);
        const auto bookUnchanged = [&] {
            return bdtest::readFile(bookPath()) == before &&
                   QDir(imagesFolder()).entryList(QDir::Files) == picturesBefore &&
                   picturesWrong(bookPath(), imagesFolder()).isEmpty() && unfinished(root).isEmpty();
        };
        const auto reload = [] { return G.xmlDoc.loadFile(bookPath()); };
        QVERIFY(reload());

        // A new picture larger than the room left: refused before any change.
        Recipe old = RecipeBook::fields(G.xmlDoc.findRecipe(0, QStringLiteral("P0")));
        old.category = QStringLiteral("Desserts");
        Recipe in = old;
        in.image = under(root, "src/big.jpg");
        bdtest::writeFile(in.image, QByteArray(64 * 1024, 'x'));
        SaveResult r = withFileLimit(16 * 1024, [&] { return bookStore().updateRecipe(old, 0, in); });
        QCOMPARE(r.message, Str::PictureNotStored);
        QVERIFY(bookUnchanged());

        // The picture fits, the book does not: the new picture goes again.
        in.image = under(root, "src/small.jpg");
        bdtest::writeFile(in.image, "small");
        in.ing = QStringLiteral("small");
        r = withFileLimit(512, [&] { return bookStore().updateRecipe(old, 0, in); });
        QVERIFY(!r.ok);
        QCOMPARE(r.message, Str::None);
        QVERIFY(bookUnchanged());

        // The same for an import: no picture of it stays behind.
        QVERIFY(reload());
        RecipeBook source;
        QVERIFY(source.loadFile(under(root, "in/src.xml")));
        const ImportResult imported = withFileLimit(512, [&] {
            return importRecipes(G.xmlDoc, bdtest::importSource(source), importJob(bdtest::importSource(source), root));
        });
        QVERIFY(imported.imported > 0);
        QVERIFY(!imported.saved.ok);
        QVERIFY(bookUnchanged());

        // A backup and an export over older ones: the old ones stay whole,
        // whether a picture or the book does not fit.
        writeTwoBooks(root);
        for (const QString& kind : {QStringLiteral("backup"), QStringLiteral("export")}) {
            const QString file = copyFile(root, kind);
            QVERIFY(writeCopy(kind, root, "A", file));
            const QByteArray old = bdtest::readFile(file);
            for (rlim_t limit : {rlim_t(8), rlim_t(600)}) {
                QVERIFY(!withFileLimit(limit, [&] { return writeCopy(kind, root, "B", file); }));
                QCOMPARE(bdtest::readFile(file), old);
                QCOMPARE(picturesWrong(file, exchangePictureFolder(file)), QString());
                QCOMPARE(QDir(exchangePictureFolder(file)).entryList(QDir::Files).size(), 30);
                QCOMPARE(unfinished(root), QStringList());
            }
            QVERIFY(writeCopy(kind, root, "B", file));
            QCOMPARE(picturesWrong(file, exchangePictureFolder(file)), QString());
            // A backup holds the pictures of its book alone; an export keeps
            // those of other exports beside it.
            QCOMPARE(QDir(exchangePictureFolder(file)).entryList(QDir::Files).size(),
                     kind == QLatin1String("backup") ? 30 : 40);
        }
    }
#endif

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
        const SaveResult r = bdtest::withFileLimit(
            1024, [] { return writeFileAtomically(bookPath(), QByteArray(4096, 'x')); });
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
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::BookInUse});
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
        QVERIFY(late.readAllStandardOutput().isEmpty());
    }

    // A lock of another computer, or one nobody can read, says who holds
    // it and is taken over only when the cook says so.
    void locksOfOtherComputersAndBrokenLocks()
    {
        bdtest::TestEnv env;
        const QString folder = env.root() + QStringLiteral("/shared");
        const QString lock = folder + QStringLiteral("/.brindelle.lock");
        bdtest::writeFile(lock, "4242\nBrindelle\nkitchen-laptop\n");
        env.dialogs.answers = {Answer::No};
        QCOMPARE(initialise(folder), InitOutcome::Quit);
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::LockHeldBy});
        QVERIFY(env.dialogs.calls[0].text.contains(QLatin1String("kitchen-laptop")));
        QVERIFY(env.dialogs.calls[0].text.contains(QLatin1String("Brindelle")));
        QCOMPARE(bdtest::readFile(lock), QByteArray("4242\nBrindelle\nkitchen-laptop\n"));
        // In Spanish, its date is written as Spanish writes dates.
        {
            const QDateTime since(QDate(2026, 12, 6), QTime(9, 30));
            QFile file(lock);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(since, QFileDevice::FileModificationTime));
            file.close();
            G.langOffset = 300;
            env.dialogs.clear();
            env.dialogs.answers = {Answer::No};
            QCOMPARE(initialise(folder), InitOutcome::Quit);
            QVERIFY2(env.dialogs.calls[0].text.contains(
                         QLocale(QLocale::Spanish, QLocale::Spain).toString(since, QLocale::ShortFormat)),
                     qPrintable(env.dialogs.calls[0].text));
            QVERIFY(env.dialogs.calls[0].text.contains(QLatin1String("Ordenador: kitchen-laptop")));
            G.langOffset = 0;
        }

        env.dialogs.clear();
        env.dialogs.answers = {Answer::Yes};
        QCOMPARE(initialise(folder), InitOutcome::Ready);
        QVERIFY(!G.readOnly);
        QCOMPARE(lockHolder(folder).computer, QSysInfo::machineHostName()); // now this copy's
        unlockBookFolder();

        for (const QByteArray& broken : {QByteArray(), QByteArray("\x01garbage\xff")}) {
            bdtest::writeFile(lock, broken);
            env.dialogs.clear();
            env.dialogs.answers = {Answer::Yes};
            QCOMPARE(initialise(folder), InitOutcome::Ready);
            QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::LockUnreadable});
            unlockBookFolder();
        }

#ifdef Q_OS_LINUX
        // No lock can be written (a full disk): the book opens read-only and
        // every change is refused, leaving the book as it was.
        QFile::remove(lock);
        env.dialogs.clear();
        const InitOutcome opened = withFileLimit(0, [&] { return initialise(folder); });
        QCOMPARE(opened, InitOutcome::Ready);
        QVERIFY(G.readOnly);
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::ReadOnlyAtStart});
        const QByteArray before = bdtest::readFile(folder + QStringLiteral("/recipes.xml"));
        QCOMPARE(bookStore().addCategory(QStringLiteral("New")).message, Str::BookReadOnly);
        QCOMPARE(bookStore().deleteCategory(QStringLiteral("New")).message, Str::BookReadOnly);
        QCOMPARE(bookStore().save().message, Str::BookReadOnly);
        QCOMPARE(G.xmlDoc.categoryCount(), 0);
        QCOMPARE(bdtest::readFile(folder + QStringLiteral("/recipes.xml")), before);
        unlockBookFolder();
#endif
    }
};

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--work") == 0) {
        QCoreApplication app(argc, argv);
        return runWork(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), std::atoll(argv[4]));
    }
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
