// Whether a file named for writing lies in the book folder: by what the
// names find on disk, through linked folders, "..", hard and symbolic
// links, and never a folder that only looks like the book folder.

#include "store/bookfolder.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

using namespace bd;

class TestBookFolder : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QString book_, out_;

    QString at(const char* relative) const { return dir_.path() + QLatin1Char('/') + QLatin1String(relative); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        book_ = at("book");
        out_ = at("out");
        for (const char* file : {"book/recipes.xml", "book/trash.xml", "book/snapshots/recipes-2024-05-01-0900.xml",
                                 "book/images/recipes_Soups_Leek.jpg", "out/mine.xml", "book-old/recipes.xml"})
            bdtest::writeFile(at(file), "<recipebook></recipebook>\r\n");
#ifndef Q_OS_WIN
        // Folders outside that are the book folder, or its images folder.
        QVERIFY(QFile::link(book_, at("out/linked-book")));
        QVERIFY(QFile::link(book_ + QStringLiteral("/images"), at("out/linked-images")));
        QVERIFY(QFile::link(book_, at("book-link")));
        // Other names of the book's files, and of a file outside.
        QVERIFY(QFile::link(book_ + QStringLiteral("/trash.xml"), at("out/trash-link.xml")));
        QVERIFY(QFile::link(book_ + QStringLiteral("/not-yet.xml"), at("out/dangling.xml")));
        QVERIFY(QFile::link(at("out/trash-link.xml"), at("out/link-to-link.xml")));
        QVERIFY(QFile::link(at("out/mine.xml"), at("out/mine-link.xml")));
        const auto hardLink = [this](const char* from, const char* to) {
            return ::link(QFile::encodeName(at(from)).constData(), QFile::encodeName(at(to)).constData()) == 0;
        };
        QVERIFY(hardLink("book/recipes.xml", "out/hard-book.xml"));
        QVERIFY(hardLink("book/snapshots/recipes-2024-05-01-0900.xml", "out/hard-snapshot.xml"));
        QVERIFY(hardLink("book/images/recipes_Soups_Leek.jpg", "out/hard-picture.jpg"));
        QVERIFY(hardLink("out/mine.xml", "out/hard-mine.xml"));
#endif
    }

    void namesInsideAndOutside_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("inside");
        const auto row = [this](const char* name, const char* target, bool inside) {
            QTest::newRow(name) << at(target) << inside;
        };
        row("the book", "book/recipes.xml", true);
        row("the trash", "book/trash.xml", true);
        row("a picture", "book/images/recipes_Soups_Leek.jpg", true);
        row("a new file in a new folder", "book/new/deeper/export.html", true);
        row("through ..", "out/../book/images/../trash.xml", true);
        row("the book folder itself", "book", true);
        row("a file outside", "out/mine.xml", false);
        row("a new file outside", "out/new.mmf", false);
        row("a folder named like it", "book-old/recipes.xml", false);
        row("the folder above", "export.pdf", false);
    }

    void namesInsideAndOutside()
    {
        QFETCH(QString, target);
        QFETCH(bool, inside);
        QCOMPARE(insideBookFolder(target, book_), inside);
        // A relative name is taken from the working folder.
        const QString here = QDir::currentPath();
        QVERIFY(QDir::setCurrent(out_));
        const bool relative = insideBookFolder(QDir(out_).relativeFilePath(target), book_);
        QDir::setCurrent(here);
        QCOMPARE(relative, inside);
    }

#ifndef Q_OS_WIN
    void linksLeadingIn_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("inside");
        const auto row = [this](const char* target, bool inside) { QTest::newRow(target) << at(target) << inside; };
        row("out/linked-book/recipes.xml", true);
        row("out/linked-book/new.xml", true);
        row("out/linked-images/new.html", true);
        row("out/trash-link.xml", true);
        row("out/dangling.xml", true);
        row("out/link-to-link.xml", true);
        row("out/hard-book.xml", true);
        row("out/hard-snapshot.xml", true);
        row("out/hard-picture.jpg", true);
        row("out/mine-link.xml", false);
        row("out/hard-mine.xml", false);
    }

    void linksLeadingIn()
    {
        QFETCH(QString, target);
        QFETCH(bool, inside);
        QCOMPARE(insideBookFolder(target, book_), inside);
    }

    // The book folder named through a link: its real files are its own.
    void bookFolderNamedThroughALink()
    {
        const QString linked = at("book-link");
        QVERIFY(insideBookFolder(book_ + QStringLiteral("/trash.xml"), linked));
        QVERIFY(insideBookFolder(linked + QStringLiteral("/images/new.jpg"), linked));
        QVERIFY(insideBookFolder(at("out/hard-book.xml"), linked));
        QVERIFY(!insideBookFolder(at("out/mine.xml"), linked));
        // Nothing is inside a book folder that is not there.
        QVERIFY(!insideBookFolder(at("gone/recipes.xml"), at("gone")));
    }
#endif
};

QTEST_GUILESS_MAIN(TestBookFolder)
#include "tst_bookfolder.moc"
