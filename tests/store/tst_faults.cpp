// Hostile and broken books, and faults on disk: each book either opens,
// showing what can be shown, or is kept aside by the unreadable-book offer;
// each fault on disk is reported and leaves the book as it was.

#include "app/base/globals.h"
#include "app/startup.h"
#include "browse/browsing.h"
#include "resources/strings.h"
#include "store/picture.h"
#include "store/picturefiles.h"
#include "store/store.h"
#include "testsupport.h"

#include <QDir>
#include <QXmlStreamReader>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace bd;

namespace {

const QByteArray kBook =
    "<recipebook><category cname=\"Desserts\"><recipe><title>Flan</title><preptime>5</preptime><cooktime/>"
    "<yield/><ing>eggs\nmilk</ing><prep>Bake.</prep><other/><date>1/1/2026</date><image>recipes_Desserts_Flan.jpg"
    "</image></recipe></category><category cname=\"Soups\"/></recipebook>\r\n";

QByteArray nested(int depth)
{
    return "<recipebook><category cname=\"c\"><recipe><title>Deep</title><ing>" + QByteArray("<x>").repeated(depth) +
           "y" + QByteArray("</x>").repeated(depth) + "</ing></recipe></category></recipebook>";
}

// Reads everything the browse window reads from the open book.
int readLikeTheBrowseWindow()
{
    int fields = 0;
    for (const auto& category : categoryListEntries(G.xmlDoc)) {
        for (const QString& title : recipeListEntries(category.second)) {
            const Recipe f = RecipeBook::fields(G.xmlDoc.findRecipe(category.second, title));
            storedPicturePath(f.image);
            for (int i = 0; i < RChildCount; ++i)
                fields += f[i].isEmpty() ? 0 : 1;
        }
    }
    return fields;
}

Recipe withPicture(const QString& title, const QString& picture)
{
    Recipe in;
    in.title = title;
    in.category = QStringLiteral("Desserts");
    in.image = picture;
    return in;
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT
private slots:
    void hostileBooks_data()
    {
        QTest::addColumn<QByteArray>("book");
        QTest::addColumn<bool>("opens");
        for (int tenth = 0; tenth < 10; ++tenth)
            QTest::addRow("truncated at %d/10", tenth) << kBook.left(kBook.size() * tenth / 10) << false;
        QTest::newRow("whole") << kBook << true;
        QTest::newRow("internal entities") << QByteArray(
            "<!DOCTYPE recipebook [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">"
            "<!ENTITY ext SYSTEM \"file:///etc/passwd\">]>"
            "<recipebook><category cname=\"&b;&ext;\"><recipe><title>&b;</title></recipe></category></recipebook>")
                                           << true;
        QTest::newRow("other root") << QByteArray("<cookbook><category cname=\"x\"/></cookbook>") << false;
        QTest::newRow("two roots") << QByteArray("<recipebook/><recipebook/>") << false;
        QTest::newRow("deep nesting") << nested(200000) << true;
        QTest::newRow("50 MB field") << "<recipebook><category cname=\"c\"><recipe><title>Big</title><ing>" +
                                            QByteArray(50 << 20, 'a') + "</ing></recipe></category></recipebook>"
                                     << true;
        QTest::newRow("control characters")
            << QByteArray("<recipebook><category cname=\"a\x01\x02\"><recipe><title>t\x07</title><ing>\x1b[31m</ing>"
                          "</recipe></category></recipebook>")
            << true;
        QTest::newRow("invalid UTF-8") << QByteArray("<recipebook><category cname=\"\xff\xfe\xc3\"><recipe><title>"
                                                     "\xe2\x82</title></recipe></category></recipebook>")
                                       << true;
        QTest::newRow("byte-order mark") << "\xef\xbb\xbf" + kBook << true;
        QTest::newRow("CR line breaks") << QByteArray(kBook).replace('\n', '\r') << true;
        QTest::newRow("recipe without title")
            << QByteArray("<recipebook><category cname=\"c\"><recipe/><recipe><ing>x</ing></recipe></category>"
                          "</recipebook>")
            << true;
        QTest::newRow("category without cname")
            << QByteArray("<recipebook><category><recipe><title>t</title></recipe></category></recipebook>") << true;
        QTest::newRow("hostile picture names")
            << QByteArray("<recipebook><category cname=\"c\"><recipe><title>t</title><preptime/><cooktime/><yield/>"
                          "<ing/><prep/><other/><date/><image>../../../etc/passwd</image></recipe></category>"
                          "</recipebook>")
            << true;
        QTest::newRow("not XML") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << false;
        QTest::newRow("empty") << QByteArray() << false;
    }

    void hostileBooks()
    {
        QFETCH(QByteArray, book);
        QFETCH(bool, opens);
        bdtest::TestEnv env;
        env.write(QStringLiteral("recipes.xml"), book);
        QCOMPARE(initialise(env.appPath()), InitOutcome::Ready);
        if (opens) {
            QVERIFY(env.dialogs.calls.isEmpty());
            QCOMPARE(env.read(QStringLiteral("recipes.xml")), book); // opening writes nothing
            readLikeTheBrowseWindow();
        } else {
            QCOMPARE(env.dialogs.messageIds(), QList<Str>({Str::BookInvalid, Str::BadBookKeptAs}));
            QCOMPARE(env.read(QStringLiteral("recipes.xml.bad")), book); // never lost
            QCOMPARE(G.xmlDoc.categoryCount(), 0);
        }
    }

    void readableDetailsOfOddBooks()
    {
        bdtest::TestEnv env;
        // Entities are not expanded and nothing outside the file is read.
        env.write(QStringLiteral("recipes.xml"),
                  "<!DOCTYPE r [<!ENTITY ext SYSTEM \"file:///etc/hostname\">]><recipebook><category "
                  "cname=\"&ext;\"/></recipebook>");
        QCOMPARE(initialise(env.appPath()), InitOutcome::Ready);
        QCOMPARE(G.xmlDoc.categoryName(0), QStringLiteral("&ext;"));
        // CR-only line breaks read back as LF; the title survives a BOM.
        env.write(QStringLiteral("recipes.xml"), "\xef\xbb\xbf" + QByteArray(kBook).replace('\n', '\r'));
        QCOMPARE(initialise(env.appPath()), InitOutcome::Ready);
        QCOMPARE(RecipeBook::fields(G.xmlDoc.findRecipe(0, QStringLiteral("Flan"))).ing, QStringLiteral("eggs\nmilk"));
        // Characters XML 1.0 forbids, raw or as references, are dropped on
        // load: a NUL does not cut its field short, and none is written back.
        env.write(QStringLiteral("recipes.xml"),
                  "<recipebook><category cname=\"a\x01\"><recipe><title>t\x07</title><preptime/><cooktime/>"
                  "<yield/><ing>ab&#0;cd&#x1F;e&#1;f&#65;&#xFFFE;&#55296;&#1114112;</ing><prep>\x1b[0m</prep>"
                  "</recipe></category></recipebook>");
        QCOMPARE(initialise(env.appPath()), InitOutcome::Ready);
        QVERIFY(bookStore().save());
        const QByteArray saved = env.read(QStringLiteral("recipes.xml"));
        QVERIFY2(!saved.contains("&#"), saved.constData());
        QVERIFY(std::none_of(saved.begin(), saved.end(),
                             [](char c) { return uchar(c) < 0x20 && c != '\t' && c != '\n' && c != '\r'; }));
        QXmlStreamReader strict(saved);
        while (!strict.atEnd())
            strict.readNext();
        QVERIFY2(!strict.hasError(), qPrintable(strict.errorString()));
        QCOMPARE(initialise(env.appPath()), InitOutcome::Ready);
        QVERIFY(env.dialogs.calls.isEmpty());
        QCOMPARE(G.xmlDoc.categoryName(0), QStringLiteral("a"));
        const Recipe t = RecipeBook::fields(G.xmlDoc.findRecipe(0, QStringLiteral("t")));
        QCOMPARE(t.ing, QStringLiteral("abcdefA"));
        QCOMPARE(t.prep, QStringLiteral("[0m"));
    }

    void picturesFolderFaults()
    {
        bdtest::TestEnv env;
        env.write(QStringLiteral("recipes.xml"), kBook);
        QCOMPARE(initialise(env.appPath()), InitOutcome::Ready);
        QByteArray picture(64 * 1024, '\0'); // larger than the room left below
        for (int i = 0; i < picture.size(); ++i)
            picture[i] = char(i * 7919 % 251);
        env.write(QStringLiteral("pics/a.jpg"), picture);

        // A missing images folder is made again.
        QVERIFY(QDir(env.file(QStringLiteral("images"))).removeRecursively());
        QVERIFY(
            bookStore().addRecipe(0, withPicture(QStringLiteral("Tart"), env.file(QStringLiteral("pics/a.jpg")))).ok);
        QCOMPARE(env.read(QStringLiteral("images/recipes_Desserts_Tart.jpg")), picture);

        // A file where the folder should be: said, and nothing saved.
        QVERIFY(QDir(env.file(QStringLiteral("images"))).removeRecursively());
        env.write(QStringLiteral("images"), "not a folder");
        const QByteArray before = env.read(QStringLiteral("recipes.xml"));
        SaveResult r = bookStore().addRecipe(
            0, withPicture(QStringLiteral("Pie"), env.file(QStringLiteral("pics/a.jpg"))));
        QVERIFY(!r.ok);
        QVERIFY(!report(r)); // told once, not twice
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::PictureNotStored});
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), before);
        QVERIFY(!G.xmlDoc.titleExists(QStringLiteral("Pie")));
        QFile::remove(env.file(QStringLiteral("images")));
        QDir().mkpath(env.file(QStringLiteral("images")));

#ifdef Q_OS_UNIX
        // The disk fills while a new picture replaces a stored one: the
        // update is not made and the stored picture is untouched.
        env.dialogs.clear();
        env.write(QStringLiteral("images/recipes_Desserts_Flan.jpg"), "old picture");
        G.editTitle = QStringLiteral("Flan");
        G.editCat = QStringLiteral("Desserts");
        G.editImage = QStringLiteral("recipes_Desserts_Flan.jpg");
        r = bdtest::withFileLimit(4096, [&] {
            return bookStore().updateRecipe(
                G.editRecipe(), 0, withPicture(QStringLiteral("Flan"), env.file(QStringLiteral("pics/a.jpg"))));
        });
        QVERIFY(!r.ok);
        QCOMPARE(r.message, Str::PictureNotStored);
        QCOMPARE(env.read(QStringLiteral("images/recipes_Desserts_Flan.jpg")), QByteArray("old picture"));
        QCOMPARE(QDir(env.file(QStringLiteral("images"))).entryList(QDir::Files),
                 QStringList{QStringLiteral("recipes_Desserts_Flan.jpg")}); // no partial copy left
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), before);

        // With room again the same update goes through. The new picture
        // takes a name of its own, so the book on disk never names a picture
        // changed under it; the old one goes once the book is saved.
        QVERIFY(bookStore()
                    .updateRecipe(G.editRecipe(), 0,
                                  withPicture(QStringLiteral("Flan"), env.file(QStringLiteral("pics/a.jpg"))))
                    .ok);
        QCOMPARE(QDir(env.file(QStringLiteral("images"))).entryList(QDir::Files),
                 QStringList{QStringLiteral("recipes_Desserts_Flan (2).jpg")});
        QCOMPARE(env.read(QStringLiteral("images/recipes_Desserts_Flan (2).jpg")), picture);
        QCOMPARE(RecipeBook::childText(bdtest::DiskBook().findRecipe(0, QStringLiteral("Flan")), RImage),
                 QStringLiteral("recipes_Desserts_Flan (2).jpg"));

        if (::geteuid() != 0) { // permissions do not hold back root
            QFile::setPermissions(env.file(QStringLiteral("images")), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            env.dialogs.clear();
            const SaveResult refused = bookStore().addRecipe(
                0, withPicture(QStringLiteral("Cake"), env.file(QStringLiteral("pics/a.jpg"))));
            QVERIFY(!refused.ok);
            QCOMPARE(refused.message, Str::PictureNotStored);
            QFile::setPermissions(env.file(QStringLiteral("images")),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }
#endif
    }

#ifdef Q_OS_UNIX
    // A FIFO named as a picture is never opened: opening one waits for a
    // writer that never comes (the program hung at start-up).
    void specialFilesAreNoPictures()
    {
        bdtest::TestEnv env;
        env.write(QStringLiteral("recipes.xml"), kBook);
        QCOMPARE(initialise(env.appPath()), InitOutcome::Ready);
        const QString fifo = env.file(QStringLiteral("images/recipes_Desserts_Flan.jpg"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(loadPicture(fifo).isNull());
        QVERIFY(!regularFile(fifo));

        // Chosen as a new recipe's picture: the recipe comes without it.
        const SaveResult r = bookStore().addRecipe(0, withPicture(QStringLiteral("Tart"), fifo));
        QVERIFY(r.ok);
        QCOMPARE(r.notices, QVector<Str>{Str::PictureUnreadable});
        QVERIFY(RecipeBook::fields(G.xmlDoc.findRecipe(0, QStringLiteral("Tart"))).image.isEmpty());
        QVERIFY(!copyNewFile(fifo, env.file(QStringLiteral("copy.jpg"))));
        QVERIFY(!QFileInfo::exists(env.file(QStringLiteral("copy.jpg"))));
    }
#endif
};

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
