// Hostile and broken books, and faults on disk: each book either opens,
// showing what can be shown, or is kept aside by the unreadable-book offer;
// each fault on disk is reported and leaves the book as it was.

#include "app/globals.h"
#include "app/startup.h"
#include "browse/browsing.h"
#include "resources/strings.h"
#include "store/store.h"
#include "testsupport.h"

#include <QDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
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

#ifdef Q_OS_UNIX
// Runs f with files limited to bytes, as on a nearly full disk.
template <typename F>
auto withFileLimit(rlim_t bytes, F f)
{
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small{bytes, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    auto result = f();
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    return result;
}
#endif

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
            QCOMPARE(env.dialogs.messageIds(), QList<int>({263, 308}));
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
        // Characters XML 1.0 cannot carry do not stop the book opening,
        // before or after a save.
        env.write(QStringLiteral("recipes.xml"),
                  "<recipebook><category cname=\"a\x01\"><recipe><title>t\x07</title></recipe></category></recipebook>");
        QCOMPARE(initialise(env.appPath()), InitOutcome::Ready);
        QVERIFY(bookStore().save());
        QCOMPARE(initialise(env.appPath()), InitOutcome::Ready);
        QVERIFY(env.dialogs.calls.isEmpty());
        QVERIFY(G.xmlDoc.titleExists(QStringLiteral("t\a")));
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
        QCOMPARE(env.dialogs.messageIds(), QList<int>{Str::PictureNotStored});
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
        r = withFileLimit(4096, [&] {
            return bookStore().updateRecipe(
                G.editRecipe(), 0, withPicture(QStringLiteral("Flan"), env.file(QStringLiteral("pics/a.jpg"))));
        });
        QVERIFY(!r.ok);
        QCOMPARE(r.message, int(Str::PictureNotStored));
        QCOMPARE(env.read(QStringLiteral("images/recipes_Desserts_Flan.jpg")), QByteArray("old picture"));
        QCOMPARE(QDir(env.file(QStringLiteral("images"))).entryList(QDir::Files),
                 QStringList{QStringLiteral("recipes_Desserts_Flan.jpg")}); // no partial copy left
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), before);

        // With room again the same update goes through.
        QVERIFY(bookStore()
                    .updateRecipe(G.editRecipe(), 0,
                                  withPicture(QStringLiteral("Flan"), env.file(QStringLiteral("pics/a.jpg"))))
                    .ok);
        QCOMPARE(env.read(QStringLiteral("images/recipes_Desserts_Flan.jpg")), picture);

        if (::geteuid() != 0) { // permissions do not hold back root
            QFile::setPermissions(env.file(QStringLiteral("images")), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            env.dialogs.clear();
            const SaveResult refused = bookStore().addRecipe(
                0, withPicture(QStringLiteral("Cake"), env.file(QStringLiteral("pics/a.jpg"))));
            QVERIFY(!refused.ok);
            QCOMPARE(refused.message, int(Str::PictureNotStored));
            QFile::setPermissions(env.file(QStringLiteral("images")),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }
#endif
    }
};

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
