// A book shared with another program (a sync service, a second computer):
// what either side changes ends in the book or in a conflict copy, never
// nowhere; and nothing of the book folder is written through a link, read
// from a FIFO or handed a picture the book still names.
//
// This test program doubles as the other programs: with "--writer DIR
// MODE PAUSE COUNT" it adds COUNT recipes to the book in DIR, one every 0
// to PAUSE microseconds, by rename or in place, and with "--cook DIR SIDE SEED STEPS" it is the program of one of
// two computers sharing a book, making STEPS random changes.

#include "app/base/bookwatch.h"
#include "app/base/globals.h"
#include "resources/strings.h"
#include "store/booksave.h"
#include "store/bookfile.h"
#include "store/picturefiles.h"
#include "store/store.h"
#include "store/trash.h"
#include "testsupport.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <QtTest>

#include <cstring>
#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#endif

using namespace bd;

namespace {

const QString kDesserts = QStringLiteral("Desserts");
const QString kSoups = QStringLiteral("Soups");

Recipe made(const QString& title, const QString& prep = {}, const QString& image = {})
{
    Recipe r;
    r.title = title;
    r.prep = prep;
    r.image = image;
    r.date = QStringLiteral("1/1/2026");
    return r;
}

// Desserts: Flan, Pie; Soups: Gazpacho, Borscht; Empty.
QByteArray startingBook()
{
    RecipeBook b;
    const int desserts = b.appendCategory(kDesserts);
    const int soups = b.appendCategory(kSoups);
    b.appendCategory(QStringLiteral("Empty"));
    b.appendRecipe(desserts, made(QStringLiteral("Flan"), QStringLiteral("caramel")));
    b.appendRecipe(desserts, made(QStringLiteral("Pie"), QStringLiteral("apples")));
    b.appendRecipe(soups, made(QStringLiteral("Gazpacho"), QStringLiteral("cold")));
    b.appendRecipe(soups, made(QStringLiteral("Borscht"), QStringLiteral("beets")));
    return b.serialize();
}

void openBook(const bdtest::TestEnv& env, const QByteArray& bytes)
{
    env.write(QStringLiteral("recipes.xml"), bytes);
    QVERIFY(G.xmlDoc.loadFile(bookPath()));
}

// The other side: the book file as it is now, changed by f and put back
// by rename from another process.
void theirChange(const std::function<void(RecipeBook&)>& f)
{
    RecipeBook theirs;
    QVERIFY(theirs.loadFile(bookPath()));
    f(theirs);
    bdtest::replaceFromOutside(bookPath(), theirs.serialize());
}

void editIn(RecipeBook& b, const QString& title, const QString& prep)
{
    const pugi::xml_node r = b.findTitle(title);
    QVERIFY(r);
    Recipe f = RecipeBook::fields(r);
    const QString category = qstr(r.parent().attribute("cname").value());
    b.removeRecipe(r);
    f.prep = prep;
    b.appendRecipe(b.categoryPosition(category), f);
}

SaveResult cookEdits(const QString& title, const QString& prep, const QString& newTitle = {})
{
    const pugi::xml_node r = G.xmlDoc.findTitle(title);
    Recipe old = RecipeBook::fields(r);
    old.category = qstr(r.parent().attribute("cname").value());
    Recipe in = old;
    in.image.clear();
    in.prep = prep;
    if (!newTitle.isEmpty())
        in.title = newTitle;
    return bookStore().updateRecipe(old, G.xmlDoc.categoryPosition(old.category), in);
}

QString prepOf(const RecipeBook& b, const QString& title) { return RecipeBook::childText(b.findTitle(title), RPrep); }

QString categoryOf(const RecipeBook& b, const QString& title)
{
    return qstr(b.findTitle(title).parent().attribute("cname").value());
}

// Every text of the book folder that holds recipes: book, trash, conflict copies.
QByteArray everythingKept(const QString& folder)
{
    QByteArray all;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("*.xml")}, QDir::Files))
        all += bdtest::readFile(folder + QLatin1Char('/') + name);
    return all;
}

#ifdef Q_OS_LINUX
void setModified(const QString& path, qint64 ns)
{
    timespec times[2];
    times[0].tv_sec = times[1].tv_sec = time_t(ns / 1000000000);
    times[0].tv_nsec = times[1].tv_nsec = long(ns % 1000000000);
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

// Another program adding "Theirs N" to the book every 0 to pause
// microseconds, each time reading the file and writing it back by rename
// or in place.
int runWriter(const QString& folder, const QString& mode, int pause, int count)
{
    const QByteArray path = QFile::encodeName(folder + QStringLiteral("/recipes.xml"));
    QRandomGenerator random(quint32(::getpid()));
    std::puts("ready");
    std::fflush(stdout);
    for (int i = 0; i < count; ++i) {
        QThread::usleep(random.bounded(0, pause));
        QByteArray book;
        for (int attempt = 0; attempt < 100 && !book.contains("</recipebook>"); ++attempt) {
            QFile f(QString::fromLocal8Bit(path));
            book = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }
        const QByteArray recipe = "<category cname=\"Outside\"><recipe><title>Theirs " + QByteArray::number(i) +
                                  "</title><preptime/><cooktime/><yield/><ing/><prep/><other/><date/><image/>"
                                  "</recipe></category></recipebook>";
        book.replace("</recipebook>", recipe);
        if (mode == QLatin1String("rename")) {
            const QByteArray temporary = path + ".writer";
            const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0 || ::write(fd, book.constData(), size_t(book.size())) != book.size())
                return 1;
            ::close(fd);
            if (::rename(temporary.constData(), path.constData()) != 0)
                return 1;
        } else {
            const int fd = ::open(path.constData(), O_WRONLY | O_TRUNC);
            if (fd < 0 || ::write(fd, book.constData(), size_t(book.size())) != book.size())
                return 1;
            ::close(fd);
        }
    }
    return 0;
}

// One of two computers sharing a book: random changes, each logged with
// the mark it leaves (a title added, a line added to a recipe's notes)
// once its save went through. Between changes the program reads a file
// the sync put there, as its watcher does.
int runCook(const QString& folder, const QString& side, quint32 seed, int steps)
{
    RecipeBook book;
    const QString path = folder + QStringLiteral("/recipes.xml");
    if (!book.loadFile(path))
        return 2;
    BookPlace place;
    place.book = path;
    place.images = folder + QStringLiteral("/images");
    place.snapshots.kept = 0;
    Store store(book, place);
    QRandomGenerator random(seed);
    QFile log(folder + QStringLiteral("/../") + side + QStringLiteral(".log"));
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append))
        return 3;
    for (int step = 0; step < steps; ++step) {
        QThread::usleep(random.bounded(0, 3000));
        if (book.journal().isEmpty() && !sameOnDisk(book.diskStamp(), path)) {
            RecipeBook fresh;
            if (fresh.loadFile(path, nullptr, false))
                book.adopt(fresh);
        }
        const QString mark = QStringLiteral("%1-%2").arg(side).arg(step);
        const QStringList titles = [&] {
            QStringList t;
            for (const CategoryEntry& c : book.categories())
                t << book.recipeTitles(c.position);
            return t;
        }();
        const int kind = random.bounded(10);
        SaveResult r;
        if (kind < 4 || titles.size() < 5) {
            int category = book.categoryPosition(side);
            if (category < 0) {
                store.addCategory(side);
                category = book.categoryPosition(side);
            }
            Recipe in = made(mark);
            in.category = side;
            r = store.addRecipe(category, in);
        } else if (kind < 9) {
            const QString title = titles[random.bounded(int(titles.size()))];
            const pugi::xml_node node = book.findTitle(title);
            Recipe old = RecipeBook::fields(node);
            old.category = qstr(node.parent().attribute("cname").value());
            Recipe in = old;
            in.other += QStringLiteral("\n") + mark;
            r = store.updateRecipe(old, book.categoryPosition(old.category), in);
        } else {
            const QString title = titles[random.bounded(int(titles.size()))];
            const pugi::xml_node node = book.findTitle(title);
            const QString category = qstr(node.parent().attribute("cname").value());
            r = store.deleteRecipe({book.categoryPosition(category), title});
        }
        if (!r.ok)
            return 4;
        if (kind < 9 || titles.size() < 5)
            log.write(mark.toUtf8() + '\n');
        log.flush();
    }
    return 0;
}

// A book another program left without any permission, as a user who is
// not root meets it: the save asks first, and overwriting keeps that file
// (renamed, since it cannot be read) and gives the new book the usual
// permissions. Returns the number of the first check that failed, or 0.
int unreadableBookIsKept(const QString& folder)
{
    const QString path = folder + QStringLiteral("/recipes.xml");
    bdtest::writeFile(path, startingBook());
    RecipeBook book;
    if (!book.loadFile(path))
        return 10;
    if (!QFile::setPermissions(path, {}))
        return 11;
    if (QFile(path).open(QIODevice::ReadOnly))
        return 0; // this user reads it anyway: nothing to check here
    book.appendCategory(QStringLiteral("Bread"));
    const SaveResult refused = saveBook(book, path);
    if (refused.ok || !refused.unreadableOutside)
        return 12;
    const SaveResult written = overwriteBook(book, path);
    if (!written.ok || written.conflictCopy.isEmpty() || !identityOf(written.conflictCopy).regular)
        return 13;
    const QFileDevice::Permissions mode = QFile::permissions(path);
    if (!mode.testFlag(QFileDevice::ReadOwner) || !mode.testFlag(QFileDevice::WriteOwner))
        return 14;
    RecipeBook again;
    if (!again.loadFile(path) || again.categoryPosition(QStringLiteral("Bread")) < 0)
        return 15;
    return 0;
}
#endif

} // namespace

class TestMerge : public QObject {
    Q_OBJECT
private slots:
    // The cook's one change against another program's change of the same
    // book, recipe by recipe: whatever does not collide is merged; where
    // both changed the same recipe the cook's version is in the book,
    // theirs in the conflict copy, and the message names it.
    void mergesRecipeByRecipe_data()
    {
        QTest::addColumn<std::function<SaveResult()>>("cook");
        QTest::addColumn<std::function<void(RecipeBook&)>>("theirs");
        QTest::addColumn<QStringList>("conflicts");
        QTest::addColumn<std::function<bool(const RecipeBook&)>>("result");

        const auto editFlan = [] { return cookEdits(QStringLiteral("Flan"), QStringLiteral("cook")); };
        const auto theyEditFlan = [](RecipeBook& b) { editIn(b, QStringLiteral("Flan"), QStringLiteral("theirs")); };
        const auto flanIsCooks = [](const RecipeBook& b) { return prepOf(b, QStringLiteral("Flan")) == "cook"; };
        const QStringList none, flan{QStringLiteral("Flan")};

        QTest::newRow("different recipes")
            << std::function<SaveResult()>(editFlan) << std::function<void(RecipeBook&)>([](RecipeBook& b) {
                   editIn(b, QStringLiteral("Gazpacho"), QStringLiteral("theirs"));
               })
            << none << std::function<bool(const RecipeBook&)>([=](const RecipeBook& b) {
                   return flanIsCooks(b) && prepOf(b, QStringLiteral("Gazpacho")) == "theirs";
               });
        QTest::newRow("both edit it") << std::function<SaveResult()>(editFlan)
                                      << std::function<void(RecipeBook&)>(theyEditFlan) << flan
                                      << std::function<bool(const RecipeBook&)>(flanIsCooks);
        QTest::newRow("cook renames, they edit")
            << std::function<SaveResult()>(
                   [] { return cookEdits(QStringLiteral("Flan"), QStringLiteral("cook"), QStringLiteral("Crème")); })
            << std::function<void(RecipeBook&)>(theyEditFlan) << flan
            << std::function<bool(const RecipeBook&)>([](const RecipeBook& b) {
                   return !b.titleExists(QStringLiteral("Flan")) && prepOf(b, QStringLiteral("Crème")) == "cook";
               });
        QTest::newRow("cook edits, they remove")
            << std::function<SaveResult()>(editFlan) << std::function<void(RecipeBook&)>([](RecipeBook& b) {
                   b.removeRecipe(b.findTitle(QStringLiteral("Flan")));
               })
            << flan << std::function<bool(const RecipeBook&)>(flanIsCooks);
        QTest::newRow("cook edits, they rename")
            << std::function<SaveResult()>(editFlan) << std::function<void(RecipeBook&)>([](RecipeBook& b) {
                   Recipe f = RecipeBook::fields(b.findTitle(QStringLiteral("Flan")));
                   b.removeRecipe(b.findTitle(QStringLiteral("Flan")));
                   f.title = QStringLiteral("Old flan");
                   b.appendRecipe(0, f);
               })
            << flan << std::function<bool(const RecipeBook&)>([=](const RecipeBook& b) {
                   return flanIsCooks(b) && b.titleExists(QStringLiteral("Old flan"));
               });
        QTest::newRow("cook removes, they edit") << std::function<SaveResult()>([] {
            return bookStore().deleteRecipe({0, QStringLiteral("Flan")});
        }) << std::function<void(RecipeBook&)>(theyEditFlan)
                                                 << flan
                                                 << std::function<bool(const RecipeBook&)>([](const RecipeBook& b) {
                                                        return !b.titleExists(QStringLiteral("Flan"));
                                                    });
        QTest::newRow("cook removes, they edit another")
            << std::function<SaveResult()>([] {
                   return bookStore().deleteRecipe({0, QStringLiteral("Pie")});
               })
            << std::function<void(RecipeBook&)>(theyEditFlan) << none
            << std::function<bool(const RecipeBook&)>([](const RecipeBook& b) {
                   return !b.titleExists(QStringLiteral("Pie")) && prepOf(b, QStringLiteral("Flan")) == "theirs";
               });
        QTest::newRow("both remove it") << std::function<SaveResult()>([] {
            return bookStore().deleteRecipe({0, QStringLiteral("Pie")});
        }) << std::function<void(RecipeBook&)>([](RecipeBook& b) {
            b.removeRecipe(b.findTitle(QStringLiteral("Pie")));
        }) << none << std::function<bool(const RecipeBook&)>([](const RecipeBook& b) {
            return !b.titleExists(QStringLiteral("Pie"));
        });
        QTest::newRow("both add one title") << std::function<SaveResult()>([] {
            Recipe in = made(QStringLiteral("Tart"), QStringLiteral("cook"));
            in.category = kDesserts;
            return bookStore().addRecipe(0, in);
        }) << std::function<void(RecipeBook&)>([](RecipeBook& b) {
            b.appendRecipe(1, made(QStringLiteral("TART"), QStringLiteral("theirs")));
        }) << QStringList{QStringLiteral("Tart")}
                                            << std::function<bool(const RecipeBook&)>([](const RecipeBook& b) {
                                                   return prepOf(b, QStringLiteral("tart")) == "cook" &&
                                                          b.recipeCount() == 5;
                                               });
        QTest::newRow("cook deletes a category they add to") << std::function<SaveResult()>([] {
            return bookStore().deleteCategory(kSoups);
        }) << std::function<void(RecipeBook&)>([](RecipeBook& b) {
            b.appendRecipe(1, made(QStringLiteral("Minestrone")));
        }) << none << std::function<bool(const RecipeBook&)>([](const RecipeBook& b) {
            return !b.titleExists(QStringLiteral("Gazpacho")) && !b.titleExists(QStringLiteral("Borscht")) &&
                   categoryOf(b, QStringLiteral("Minestrone")) == kSoups;
        });
        QTest::newRow("cook renames a category they add to") << std::function<SaveResult()>([] {
            return bookStore().renameCategory(kSoups, QStringLiteral("Broths"));
        }) << std::function<void(RecipeBook&)>([](RecipeBook& b) {
            b.appendRecipe(1, made(QStringLiteral("Minestrone")));
        }) << none << std::function<bool(const RecipeBook&)>([](const RecipeBook& b) {
            return b.categoryPosition(kSoups) < 0 && categoryOf(b, QStringLiteral("Minestrone")) == "Broths" &&
                   categoryOf(b, QStringLiteral("Gazpacho")) == "Broths";
        });
        QTest::newRow("each adds a category")
            << std::function<SaveResult()>([] { return bookStore().addCategory(QStringLiteral("Bread")); })
            << std::function<void(RecipeBook&)>([](RecipeBook& b) { b.appendCategory(QStringLiteral("Cakes")); })
            << none << std::function<bool(const RecipeBook&)>([](const RecipeBook& b) {
                   return b.categoryPosition(QStringLiteral("Bread")) >= 0 &&
                          b.categoryPosition(QStringLiteral("Cakes")) >= 0 && b.recipeCount() == 4;
               });
    }

    void mergesRecipeByRecipe()
    {
        QFETCH(std::function<SaveResult()>, cook);
        QFETCH(std::function<void(RecipeBook&)>, theirs);
        QFETCH(QStringList, conflicts);
        QFETCH(std::function<bool(const RecipeBook&)>, result);
        bdtest::TestEnv env;
        openBook(env, startingBook());
        theirChange(theirs);
        const QByteArray theirBytes = env.read(QStringLiteral("recipes.xml"));
        const SaveResult r = cook();
        QVERIFY(r.ok && r.reloaded);
        QCOMPARE(r.conflicts, conflicts);
        const bdtest::DiskBook disk;
        QVERIFY(result(disk));
        QVERIFY(result(G.xmlDoc));
        QCOMPARE(disk.serialize(), G.xmlDoc.serialize());
        if (conflicts.isEmpty()) {
            QCOMPARE(r.notices, QVector<Str>{Str::OutsideChangesKept});
            QVERIFY(r.conflictCopy.isEmpty());
        } else {
            QCOMPARE(r.notices, QVector<Str>{Str::OutsideRecipesConflict});
            QCOMPARE(bdtest::readFile(r.conflictCopy), theirBytes);
            QVERIFY(report(r));
            QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::OutsideRecipesConflict});
            QVERIFY(
                env.dialogs.last()->text.contains(QStringLiteral("\r\n") + conflicts.first() + QStringLiteral("\r\n")));
            QVERIFY(env.dialogs.last()->text.endsWith(QDir::toNativeSeparators(r.conflictCopy)));
        }
        // Saved again at once: nothing is taken for a change from outside.
        const SaveResult again = bookStore().save();
        QVERIFY(again.ok && !again.reloaded && again.notices.isEmpty());
    }

    // Changes that never reached the disk (a failed save) are merged with
    // the other version at the next save, not dropped for it; a second
    // conflict in the same second gets a copy of its own.
    void unsavedChangesSurviveAndCopiesNeverOverwrite()
    {
#ifdef Q_OS_UNIX
        bdtest::TestEnv env;
        openBook(env, startingBook());
        const SaveResult failed = bdtest::withFileLimit(
            100, [] { return cookEdits(QStringLiteral("Flan"), QStringLiteral("cook").repeated(100)); });
        QVERIFY(!failed.ok);
        theirChange([](RecipeBook& b) { editIn(b, QStringLiteral("Gazpacho"), QStringLiteral("theirs")); });
        Recipe tart = made(QStringLiteral("Tart"));
        tart.category = kDesserts;
        QVERIFY(bookStore().addRecipe(0, tart).ok);
        const bdtest::DiskBook disk;
        QCOMPARE(prepOf(disk, QStringLiteral("Flan")), QStringLiteral("cook").repeated(100));
        QCOMPARE(prepOf(disk, QStringLiteral("Gazpacho")), QStringLiteral("theirs"));
        QVERIFY(disk.titleExists(QStringLiteral("Tart")));

        QStringList copies;
        for (int i = 0; i < 2; ++i) {
            theirChange([i](RecipeBook& b) { editIn(b, QStringLiteral("Pie"), QStringLiteral("theirs %1").arg(i)); });
            const SaveResult r = cookEdits(QStringLiteral("Pie"), QStringLiteral("cook %1").arg(i));
            QCOMPARE(r.conflicts, QStringList{QStringLiteral("Pie")});
            copies << r.conflictCopy;
        }
        QVERIFY(copies[0] != copies[1]);
        QVERIFY(bdtest::readFile(copies[0]).contains("theirs 0"));
        QVERIFY(bdtest::readFile(copies[1]).contains("theirs 1"));
#endif
    }

    // Changes the file's size and time do not show: written in place with
    // the same length and the old time put back, also beyond the first
    // block of a large book.
    void changesKeepingSizeAndTimeAreSeen()
    {
#ifdef Q_OS_LINUX
        for (const int padding : {0, 200000}) {
            bdtest::TestEnv env;
            RecipeBook start;
            QVERIFY(start.loadBuffer(startingBook()));
            start.appendRecipe(2, made(QStringLiteral("Zz filler"), QString(padding, QLatin1Char('x'))));
            openBook(env, start.serialize());
            QByteArray bytes = env.read(QStringLiteral("recipes.xml"));
            const qint64 modified = identityOf(bookPath()).modifiedNs;
            const qsizetype at = bytes.indexOf("caramel"); // within the first 64 KB
            bytes.replace(at, 7, "custard");
            {
                QFile f(bookPath());
                QVERIFY(f.open(QIODevice::ReadWrite));
                QVERIFY(f.seek(at));
                f.write("custard");
            }
            setModified(bookPath(), modified);
            QCOMPARE(identityOf(bookPath()).size, qint64(bytes.size()));
            const SaveResult r = cookEdits(QStringLiteral("Gazpacho"), QStringLiteral("cook"));
            QVERIFY(r.ok && r.reloaded);
            QCOMPARE(prepOf(bdtest::DiskBook(), QStringLiteral("Flan")), QStringLiteral("custard"));
        }
#endif
    }

    // A program that read the file just before a save, changed it and
    // writes it back brings the version the save replaced: the cook's
    // changes of that save are put in again, theirs kept. Once a version
    // holding the cook's has come, or the moment has passed, a removal
    // from outside is theirs to make.
    void writingBackAnOlderVersionKeepsTheSave()
    {
        bdtest::TestEnv env;
        openBook(env, startingBook());
        const QByteArray before = env.read(QStringLiteral("recipes.xml"));
        QVERIFY(bookStore().addRecipe(G.xmlDoc.categoryPosition(kDesserts), made(QStringLiteral("Tart"))).ok);
        QVERIFY(cookEdits(QStringLiteral("Flan"), QStringLiteral("burnt sugar")).ok);
        QVERIFY(bookStore().deleteRecipe({G.xmlDoc.categoryPosition(kSoups), QStringLiteral("Borscht")}).ok);
        RecipeBook older;
        QVERIFY(older.loadBuffer(before));
        older.appendRecipe(older.categoryPosition(kSoups), made(QStringLiteral("Theirs")));
        bdtest::replaceFromOutside(bookPath(), older.serialize());

        const SaveResult r = bookStore().save();
        QVERIFY(r.ok && r.reloaded && r.conflicts.isEmpty());
        const bdtest::DiskBook disk;
        for (const RecipeBook* b : {static_cast<const RecipeBook*>(&G.xmlDoc), static_cast<const RecipeBook*>(&disk)}) {
            QVERIFY(b->titleExists(QStringLiteral("Tart")) && b->titleExists(QStringLiteral("Theirs")));
            QCOMPARE(prepOf(*b, QStringLiteral("Flan")), QStringLiteral("burnt sugar"));
            QVERIFY(!b->titleExists(QStringLiteral("Borscht")));
        }
        // The same program writes it back once more: still kept.
        bdtest::replaceFromOutside(bookPath(), older.serialize());
        QVERIFY(bookStore().save().ok);
        QVERIFY(bdtest::DiskBook().titleExists(QStringLiteral("Tart")));

        // Having read the newest version, they remove the cook's recipe.
        theirChange([](RecipeBook& b) { b.removeRecipe(b.findTitle(QStringLiteral("Pie"))); });
        QVERIFY(bookStore().save().ok);
        theirChange([](RecipeBook& b) { b.removeRecipe(b.findTitle(QStringLiteral("Tart"))); });
        QVERIFY(bookStore().save().ok);
        QVERIFY(!bdtest::DiskBook().titleExists(QStringLiteral("Tart")));

        // Two saves in a row; they read the second's file and remove what
        // the first added: theirs to remove.
        QVERIFY(bookStore().addRecipe(G.xmlDoc.categoryPosition(kDesserts), made(QStringLiteral("Cake"))).ok);
        QVERIFY(bookStore().addRecipe(G.xmlDoc.categoryPosition(kDesserts), made(QStringLiteral("Jelly"))).ok);
        theirChange([](RecipeBook& b) { b.removeRecipe(b.findTitle(QStringLiteral("Cake"))); });
        QVERIFY(bookStore().save().ok);
        QVERIFY(!bdtest::DiskBook().titleExists(QStringLiteral("Cake")));
        QVERIFY(bdtest::DiskBook().titleExists(QStringLiteral("Jelly")));

        // Read in while nothing is saved: put in again, for the next save.
        const QByteArray beforeFlan = env.read(QStringLiteral("recipes.xml"));
        QVERIFY(cookEdits(QStringLiteral("Flan"), QStringLiteral("set")).ok);
        bdtest::replaceFromOutside(bookPath(), beforeFlan);
        BookWatcher watcher(bookPath(), G.xmlDoc, {}, {});
        QVERIFY(watcher.check());
        QCOMPARE(prepOf(G.xmlDoc, QStringLiteral("Flan")), QStringLiteral("set"));
        QVERIFY(!G.xmlDoc.journal().isEmpty());
        QVERIFY(bookStore().save().ok);
        QCOMPARE(prepOf(bdtest::DiskBook(), QStringLiteral("Flan")), QStringLiteral("set"));

        // A save long ago: an older version written back is theirs.
        QVERIFY(cookEdits(QStringLiteral("Gazpacho"), QStringLiteral("warm")).ok);
        BookJournal journal = G.xmlDoc.journal();
        for (BookJournal::Shown& shown : journal.shown)
            shown.until = QDeadlineTimer(0);
        G.xmlDoc.setJournal(journal);
        theirChange([](RecipeBook& b) { editIn(b, QStringLiteral("Gazpacho"), QStringLiteral("cold")); });
        QVERIFY(bookStore().save().ok);
        QCOMPARE(prepOf(bdtest::DiskBook(), QStringLiteral("Gazpacho")), QStringLiteral("cold"));
    }

    // Another program adding a recipe every 0-40 ms (or every 0-2 ms), by
    // rename or in place, while the cook keeps saving: none of its recipes
    // is lost, however the saves and its writes fall. It may read the file
    // in the moment a save's new version replaced one of its own, or open
    // that new version to write into it, and write back what it read.
    void racingWriterLosesNothing_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("pause");
        QTest::addColumn<int>("count");
        QTest::newRow("by rename") << QStringLiteral("rename") << 40000 << 100;
        QTest::newRow("in place") << QStringLiteral("inplace") << 40000 << 100;
        QTest::newRow("by rename, often") << QStringLiteral("rename") << 2000 << 1000;
        QTest::newRow("in place, often") << QStringLiteral("inplace") << 2000 << 1000;
    }

    void racingWriterLosesNothing()
    {
#ifdef Q_OS_LINUX
        QFETCH(QString, mode);
        QFETCH(int, pause);
        QFETCH(int, count);
        bdtest::TestEnv env;
        openBook(env, startingBook());
        QProcess writer;
        writer.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--writer"), env.appPath(), mode, QString::number(pause), QString::number(count)});
        QVERIFY(writer.waitForStarted());
        QVERIFY(writer.waitForReadyRead(10000));
        int mine = 0;
        while (writer.state() != QProcess::NotRunning) {
            Recipe in = made(QStringLiteral("Mine %1").arg(mine++));
            in.category = kDesserts;
            const int at = G.xmlDoc.categoryPosition(kDesserts);
            const SaveResult r = at >= 0 ? bookStore().addRecipe(at, in) : bookStore().addCategory(kDesserts);
            // A file rewritten without a pause may outrun every try of a
            // save: the save says so and the changes wait for the next one.
            QVERIFY2(r.ok || r.error.contains(QLatin1String("kept changing")), qPrintable(r.error));
            writer.waitForFinished(1);
        }
        QCOMPARE(writer.exitCode(), 0);
        QVERIFY(bookStore().save().ok);
        const QByteArray kept = everythingKept(env.appPath());
        QStringList lost;
        for (int i = 0; i < count; ++i)
            if (!kept.contains("<title>Theirs " + QByteArray::number(i) + "</title>"))
                lost << QString::number(i);
        QVERIFY2(lost.isEmpty(), qPrintable(QStringLiteral("lost: ") + lost.join(QLatin1Char(' '))));
        // The quick writer may be done after a few saves on a busy machine.
        QVERIFY(mine > (pause >= 40000 ? 10 : 1));
#endif
    }

    // Two computers share a book: each program changes its own copy, and a
    // sync copies a changed file to the other side by rename at random
    // moments (keeping a version it would overwrite as a conflict copy, as
    // sync services do). Every change of either side ends in a book or in
    // a conflict copy.
    void twoComputersLoseNoChange()
    {
#ifdef Q_OS_LINUX
        bdtest::TestEnv env;
        const int steps = qEnvironmentVariableIntValue("BRINDELLE_SYNC_STEPS") > 0
                              ? qEnvironmentVariableIntValue("BRINDELLE_SYNC_STEPS")
                              : 1000;
        const QString root = env.root() + QStringLiteral("/sync");
        const QStringList sides = {QStringLiteral("A"), QStringLiteral("B")};
        for (const QString& side : sides)
            bdtest::writeFile(root + QLatin1Char('/') + side + QStringLiteral("/recipes.xml"), startingBook());
        QByteArray synced = startingBook(); // what both sides had at the last sync
        QVector<QByteArray> last = {synced, synced};

        QVector<QProcess*> cooks;
        for (int i = 0; i < 2; ++i) {
            auto* p = new QProcess(this);
            p->start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--cook"), root + QLatin1Char('/') + sides[i], sides[i],
                      QString::number(20261207 + i), QString::number(steps)});
            QVERIFY(p->waitForStarted());
            cooks << p;
        }
        QRandomGenerator random(7);
        int copies = 0, conflicts = 0;
        const auto running = [&] {
            return cooks[0]->state() != QProcess::NotRunning || cooks[1]->state() != QProcess::NotRunning;
        };
        // The sync: a side whose file changed since the last sync is copied
        // over the other's when that one did not change; when both did, the
        // second is kept as a conflict copy and the first copied over it.
        const auto sync = [&] {
            QVector<QByteArray> now;
            for (int i = 0; i < 2; ++i)
                now << bdtest::readFile(root + QLatin1Char('/') + sides[i] + QStringLiteral("/recipes.xml"));
            const bool changed[2] = {now[0] != last[0], now[1] != last[1]};
            if (!changed[0] && !changed[1])
                return;
            const int from = changed[0] ? 0 : 1, to = 1 - from;
            if (now[from].isEmpty() || !now[from].contains("</recipebook>"))
                return;
            const QString target = root + QLatin1Char('/') + sides[to] + QStringLiteral("/recipes.xml");
            const QString temporary = target + QStringLiteral(".sync");
            bdtest::writeFile(temporary, now[from]);
            if (::renameat2(AT_FDCWD, QFile::encodeName(temporary).constData(), AT_FDCWD,
                            QFile::encodeName(target).constData(), RENAME_EXCHANGE) != 0)
                return;
            const QByteArray displaced = bdtest::readFile(temporary);
            if (displaced != last[to]) {
                QFile::rename(temporary, root + QLatin1Char('/') + sides[to] +
                                             QStringLiteral("/recipes.sync-conflict-%1.xml").arg(++conflicts));
            } else {
                QFile::remove(temporary);
            }
            last[from] = last[to] = now[from];
            ++copies;
        };
        while (running()) {
            QThread::usleep(random.bounded(0, 20000));
            sync();
            cooks[0]->waitForFinished(0);
            cooks[1]->waitForFinished(0);
        }
        for (QProcess* p : cooks) {
            QCOMPARE(p->exitStatus(), QProcess::NormalExit);
            QCOMPARE(p->exitCode(), 0);
        }
        QVERIFY(copies > 20);

        QByteArray kept;
        for (const QString& side : sides)
            kept += everythingKept(root + QLatin1Char('/') + side);
        QStringList lost;
        int marks = 0;
        for (const QString& side : sides)
            for (const QByteArray& mark :
                 bdtest::readFile(root + QLatin1Char('/') + side + QStringLiteral(".log")).split('\n'))
                if (!mark.isEmpty() && ++marks && !kept.contains(mark + '<') && !kept.contains(mark + '\r') &&
                    !kept.contains(mark + '\n'))
                    lost << QString::fromUtf8(mark);
        QVERIFY(marks > steps);
        QVERIFY2(lost.isEmpty(), qPrintable(QStringLiteral("%1 of %2 changes lost: ").arg(lost.size()).arg(marks) +
                                            lost.mid(0, 20).join(QLatin1Char(' '))));
#endif
    }

    // Pictures stay while anything may still name them: the book file
    // another program changed, a conflict copy, the trash in any letter case.
    void picturesStayWhileNamed()
    {
        bdtest::TestEnv env;
        env.write(QStringLiteral("images/p.png"), bdtest::pngBytes(2, 2));
        env.write(QStringLiteral("images/q.png"), bdtest::pngBytes(2, 2));
        RecipeBook start;
        QVERIFY(start.loadBuffer(startingBook()));
        editIn(start, QStringLiteral("Pie"), QStringLiteral("apples"));
        start.removeRecipe(start.findTitle(QStringLiteral("Pie")));
        start.appendRecipe(0, made(QStringLiteral("Pie"), QStringLiteral("apples"), QStringLiteral("p.png")));
        start.appendRecipe(1, made(QStringLiteral("Leek soup"), {}, QStringLiteral("q.png")));
        openBook(env, start.serialize());

        // Empty Trash while the book on disk, changed outside, names the picture.
        QVERIFY(bookStore().deleteRecipe({0, QStringLiteral("Pie")}).ok);
        theirChange(
            [](RecipeBook& b) { b.appendRecipe(0, made(QStringLiteral("Pie again"), {}, QStringLiteral("p.png"))); });
        QVERIFY(bookStore().emptyTrash().ok);
        QVERIFY(QFile::exists(env.file(QStringLiteral("images/p.png"))));

        // The cook drops a picture of a recipe they changed: their version,
        // kept as the conflict copy, still names it.
        QVERIFY(bookStore().save().ok);
        theirChange([](RecipeBook& b) { editIn(b, QStringLiteral("Leek soup"), QStringLiteral("theirs")); });
        const SaveResult r = cookEdits(QStringLiteral("Leek soup"), QStringLiteral("cook"));
        QCOMPARE(r.conflicts, QStringList{QStringLiteral("Leek soup")});
        QCOMPARE(RecipeBook::childText(G.xmlDoc.findTitle(QStringLiteral("Leek soup")), RImage), QString());
        QVERIFY(QFile::exists(env.file(QStringLiteral("images/q.png"))));

        // The trash names it in other letters; named by nothing, it goes.
        env.write(QStringLiteral("pics/s.png"), bdtest::pngBytes(2, 2));
        for (const bool inTrash : {true, false}) {
            const QString title = inTrash ? QStringLiteral("Soup 2") : QStringLiteral("Soup 3");
            QVERIFY(bookStore().addRecipe(1, made(title, {}, env.file(QStringLiteral("pics/s.png")))).ok);
            const QString stored = RecipeBook::childText(G.xmlDoc.findTitle(title), RImage);
            QVERIFY(!stored.isEmpty());
            if (inTrash)
                QVERIFY(changeTrash(trashPath(bookPath()), [&stored](Trash& t) {
                            t.add(made(QStringLiteral("Old"), {}, stored.toUpper()), QDateTime::currentDateTime());
                        }).ok);
            QVERIFY(cookEdits(title, QStringLiteral("no picture")).ok);
            QCOMPARE(QFile::exists(env.file(QStringLiteral("images/") + stored)), inTrash);
        }
    }

    // The book folder's own files are never written through a link, nor
    // read when a FIFO or a link stands in their place; a book written over
    // one left without read permission gets the usual ones.
    void linksFifosAndModes()
    {
#ifdef Q_OS_LINUX
        bdtest::TestEnv env;
        openBook(env, startingBook());
        const QString elsewhere = env.root() + QStringLiteral("/elsewhere");
        for (int day = 1; day <= 20; ++day)
            bdtest::writeFile(elsewhere +
                                  QStringLiteral("/recipes-2020-01-%1-120000.xml").arg(day, 2, 10, QLatin1Char('0')),
                              "the cook's own file");
        bdtest::writeFile(elsewhere + QStringLiteral("/precious.txt"), "precious");
        QVERIFY(QFile::link(elsewhere, env.file(QStringLiteral("snapshots"))));
        env.write(QStringLiteral("pics/p.png"), bdtest::pngBytes(2, 2));
        QVERIFY(QDir().mkpath(env.file(QStringLiteral("images"))));
        QVERIFY(
            QFile::link(elsewhere + QStringLiteral("/precious.txt"), env.file(QStringLiteral("images/.bdretired"))));
        QVERIFY(bookStore().addRecipe(0, made(QStringLiteral("Tart"), {}, env.file(QStringLiteral("pics/p.png")))).ok);
        const QString stored = RecipeBook::childText(G.xmlDoc.findTitle(QStringLiteral("Tart")), RImage);
        QVERIFY(cookEdits(QStringLiteral("Tart"), QStringLiteral("no picture")).ok); // retires it
        QCOMPARE(QDir(elsewhere).entryList(QDir::Files).size(), 21);
        QCOMPARE(bdtest::readFile(elsewhere + QStringLiteral("/precious.txt")), QByteArray("precious"));
        QVERIFY(listSnapshots(bookPath()).isEmpty());

        // A linked images folder receives no picture.
        QVERIFY(QDir(env.file(QStringLiteral("images"))).removeRecursively());
        QVERIFY(QFile::link(elsewhere, env.file(QStringLiteral("images"))));
        env.write(QStringLiteral("pics/new.png"), bdtest::pngBytes(2, 2));
        const SaveResult linked = bookStore().addRecipe(
            0, made(QStringLiteral("Cake"), {}, env.file(QStringLiteral("pics/new.png"))));
        QCOMPARE(linked.message, Str::PictureNotStored);
        QCOMPARE(QDir(elsewhere).entryList(QDir::Files).size(), 21);

        // FIFOs in place of the trash and the book: refused at once, no wait.
        QElapsedTimer clock;
        clock.start();
        QVERIFY(::mkfifo(QFile::encodeName(trashPath(bookPath())).constData(), 0644) == 0);
        QCOMPARE(bookStore().deleteRecipe({0, QStringLiteral("Flan")}).message, Str::TrashUnreadable);
        QVERIFY(G.xmlDoc.titleExists(QStringLiteral("Flan")));
        QFile::remove(bookPath());
        QVERIFY(::mkfifo(QFile::encodeName(bookPath()).constData(), 0644) == 0);
        RecipeBook fifo;
        QVERIFY(!fifo.loadFile(bookPath(), nullptr, false));
        QVERIFY(!bookStore().addCategory(QStringLiteral("Bread")).ok);
        QVERIFY(clock.elapsed() < 60000);
        QFile::remove(bookPath());

        // A linked book is not read through.
        bdtest::writeFile(elsewhere + QStringLiteral("/book.xml"), startingBook());
        QVERIFY(QFile::link(elsewhere + QStringLiteral("/book.xml"), bookPath()));
        QVERIFY(!fifo.loadFile(bookPath(), nullptr, false));
        QFile::remove(bookPath());

        // Modes: a sane one is kept, one without the owner's read and write is not passed on.
        openBook(env, startingBook());
        QVERIFY(QFile::setPermissions(bookPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QVERIFY(bookStore().addCategory(QStringLiteral("Bread")).ok);
        QVERIFY(QFile::permissions(bookPath()).testFlag(QFileDevice::ReadOwner));
        QVERIFY(!QFile::permissions(bookPath()).testFlag(QFileDevice::ReadGroup));
        QVERIFY(!QFile::permissions(bookPath()).testFlag(QFileDevice::ReadOther));
        QVERIFY(QFile::setPermissions(bookPath(), {}));
        QVERIFY(bookStore().addCategory(QStringLiteral("Cakes")).ok);
        QVERIFY(QFile::permissions(bookPath()).testFlag(QFileDevice::ReadOwner));
        QVERIFY(QFile::permissions(bookPath()).testFlag(QFileDevice::WriteOwner));
#endif
    }

    // Run as a user without root's right to read anything: as root, in a
    // child process that gives it up.
    void unreadableBookIsKeptAside()
    {
#ifdef Q_OS_LINUX
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        if (::geteuid() != 0) {
            QCOMPARE(unreadableBookIsKept(dir.path()), 0);
            return;
        }
        QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7777)));
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--nobody"), dir.path()});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
#endif
    }

    // A restore whose trash cannot be written says so; the recipe is then
    // in the book and still listed in the trash, never in neither.
    void restoreTellsOfATrashNotSaved()
    {
#ifdef Q_OS_UNIX
        bdtest::TestEnv env;
        openBook(env, startingBook());
        QVERIFY(changeTrash(trashPath(bookPath()), [](Trash& t) {
                    t.add(made(QStringLiteral("Big"), QString(80000, QLatin1Char('x'))), QDateTime::currentDateTime());
                    t.add(made(QStringLiteral("Small")), QDateTime::currentDateTime());
                }).ok);
        const SaveResult r = bdtest::withFileLimit(40000, [] { return bookStore().restoreFromTrash({1}, {}); });
        QVERIFY(r.ok);
        QCOMPARE(r.notices, QVector<Str>{Str::TrashNotSaved});
        QVERIFY(bdtest::DiskBook().titleExists(QStringLiteral("Small")));
        Trash trash(trashPath(bookPath()));
        QVERIFY(trash.load());
        QCOMPARE(trash.count(), 2);
#endif
    }

    // A crafted recipe nested a million elements deep goes into the trash
    // and comes back without exhausting the stack.
    void deepRecipesComeBackFromTheTrash()
    {
        bdtest::TestEnv env;
        openBook(env, startingBook());
        const int depth = 1000000;
        QByteArray deep = "<recipebook><category cname=\"Deep\"><recipe removed=\"2026-01-01T00:00:00\">"
                          "<title>Deep</title><preptime/><cooktime/><yield/><ing/><prep/><other>";
        deep += QByteArray("<b>").repeated(depth) + "x" + QByteArray("</b>").repeated(depth);
        deep += "</other><date/><image/></recipe></category></recipebook>";
        env.write(QStringLiteral("trash.xml"), deep);
        QVERIFY(bookStore().restoreFromTrash({0}, {}).ok);
        QVERIFY(G.xmlDoc.titleExists(QStringLiteral("Deep")));
        Trash trash(trashPath(bookPath()));
        QVERIFY(trash.load());
        QCOMPARE(trash.count(), 0);
    }
};

int main(int argc, char** argv)
{
#ifdef Q_OS_LINUX
    if (argc == 6 && std::strcmp(argv[1], "--writer") == 0) {
        QCoreApplication app(argc, argv);
        return runWriter(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), std::atoi(argv[4]),
                         std::atoi(argv[5]));
    }
    if (argc == 3 && std::strcmp(argv[1], "--nobody") == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            return 20;
        QCoreApplication app(argc, argv);
        return unreadableBookIsKept(QString::fromLocal8Bit(argv[2]));
    }
    if (argc == 6 && std::strcmp(argv[1], "--cook") == 0) {
        QCoreApplication app(argc, argv);
        return runCook(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), quint32(std::atoll(argv[4])),
                       std::atoi(argv[5]));
    }
#endif
    QCoreApplication app(argc, argv);
    TestMerge test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_merge.moc"
