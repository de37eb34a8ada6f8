// The command line's export and import: options, whole books and chosen
// categories out to every format, files in with clashing titles renamed or
// skipped, pictures along, and failures that leave the book as it was.

#include "app/commandline.h"
#include "app/base/globals.h"
#include "app/base/settings.h"
#include "exchange/exchange.h"
#include "exchange/frmExp.h"
#include "output/cooking.h"
#include "output/plaintext.h"
#include "resources/strings.h"
#include "store/picturefiles.h"
#include "store/recipebook.h"
#include "testsupport.h"

#include <QDirIterator>
#include <QLockFile>
#include <QPushButton>
#include <QtTest>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/fsuid.h>
#endif

using namespace bd;

namespace {

Options parse(const QStringList& args) { return parseCommandLine(QStringList{QStringLiteral("brindelle")} + args); }

Recipe recipe(const QString& title, const QString& ing, const QString& image = QString())
{
    Recipe r;
    r.title = title;
    r.yield = QStringLiteral("4 servings");
    r.preptime = QStringLiteral("10 min");
    r.ing = ing;
    r.prep = QStringLiteral("Mix well.\n\nBake until golden.");
    r.other = QString();
    r.image = image;
    return r;
}

// A book folder holding a hand-written book and one picture.
void writeBook(const QString& folder)
{
    RecipeBook book;
    const int desserts = book.appendCategory(QStringLiteral("Desserts"));
    const int soups = book.appendCategory(QStringLiteral("Soups"));
    const int breads = book.appendCategory(QStringLiteral("Breads"));
    book.appendRecipe(desserts, recipe(QStringLiteral("Apple Pie"), QStringLiteral("6 apples\n1 c sugar"),
                                       QStringLiteral("recipes_Desserts_Apple Pie.png")));
    book.appendRecipe(desserts, recipe(QStringLiteral("Crème Caramel"), QStringLiteral("4 eggs\n2 c milk")));
    book.appendRecipe(soups, recipe(QStringLiteral("Gazpacho"), QStringLiteral("1 kg tomatoes\n1 cucumber")));
    book.appendRecipe(breads, recipe(QStringLiteral("Soda Bread"), QStringLiteral("500 g flour\n1 ts soda")));
    bdtest::writeFile(folder + QStringLiteral("/recipes.xml"), book.serialize());
    bdtest::writeFile(folder + QStringLiteral("/images/recipes_Desserts_Apple Pie.png"), bdtest::pngBytes(8, 8));
}

QStringList titlesIn(const QString& folder)
{
    RecipeBook book;
    book.loadFile(folder + QStringLiteral("/recipes.xml"));
    return importList(bdtest::importSource(book));
}

// Every file below folder (links and hidden ones too) with its content.
QMap<QString, QByteArray> filesBelow(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), bdtest::readFile(path));
    }
    return files;
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void options()
    {
        Options o = parse({QStringLiteral("--export"), QStringLiteral("out.mmf"), QStringLiteral("--category"),
                           QStringLiteral("Soups"), QStringLiteral("--category"), QStringLiteral("Breads"),
                           QStringLiteral("--windows-1252")});
        QVERIFY(o.error.isEmpty());
        QVERIFY(o.command());
        QCOMPARE(o.exportFile, QStringLiteral("out.mmf"));
        QCOMPARE(o.categories, QStringList({QStringLiteral("Soups"), QStringLiteral("Breads")}));
        QVERIFY(o.windows1252);

        o = parse({QStringLiteral("--data-dir"), QStringLiteral("d"), QStringLiteral("--import"),
                   QStringLiteral("a.mmf"), QStringLiteral("b.xml"), QStringLiteral("c.mmf"),
                   QStringLiteral("--skip-clashes")});
        QVERIFY(o.error.isEmpty());
        QCOMPARE(o.importFiles,
                 QStringList({QStringLiteral("a.mmf"), QStringLiteral("b.xml"), QStringLiteral("c.mmf")}));
        QVERIFY(o.skipClashes);
        QVERIFY(!parse({}).command());

        // Options of one command given to the other, or to none.
        for (const QStringList& wrong :
             {QStringList{QStringLiteral("--category"), QStringLiteral("Soups")},
              QStringList{QStringLiteral("--import"), QStringLiteral("a"), QStringLiteral("--category"),
                          QStringLiteral("S")},
              QStringList{QStringLiteral("--export"), QStringLiteral("a.pdf"), QStringLiteral("--skip-clashes")},
              QStringList{QStringLiteral("--export"), QStringLiteral("a.xml"), QStringLiteral("--import"),
                          QStringLiteral("b")},
              QStringList{QStringLiteral("--export"), QStringLiteral("a.xml"), QStringLiteral("stray")},
              QStringList{QStringLiteral("--export"), QStringLiteral(" ")}})
            QVERIFY2(!parse(wrong).error.isEmpty(), qPrintable(wrong.join(QLatin1Char(' '))));
    }

    void exportedBookImportsIntoAnEmptyOne_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("MealMaster") << QStringLiteral("book.mmf");
        QTest::newRow("recipe book") << QStringLiteral("book.xml");
    }

    void exportedBookImportsIntoAnEmptyOne()
    {
        QFETCH(QString, file);
        bdtest::TestEnv env;
        const QString from = env.file(QStringLiteral("from")), to = env.file(QStringLiteral("to"));
        writeBook(from);
        const QString path = env.file(file);

        CommandResult r = exportFromCommandLine(from, parse({QStringLiteral("--export"), path}));
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.err.isEmpty());
        QVERIFY2(r.out.startsWith(QStringLiteral("Exported 4 recipes in 3 categories to ")), qPrintable(r.out));
        QCOMPARE(r.out.count(QLatin1Char('\n')), 1);

        r = importFromCommandLine(to, parse({QStringLiteral("--import"), path}));
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.endsWith(QStringLiteral("Imported 4 recipes into ") + QDir::toNativeSeparators(to) +
                                QStringLiteral("/recipes.xml; skipped 0.\n")),
                 qPrintable(r.out));
        RecipeBook before, after;
        QVERIFY(before.loadFile(from + QStringLiteral("/recipes.xml")));
        QVERIFY(after.loadFile(to + QStringLiteral("/recipes.xml")));
        QCOMPARE(importList(bdtest::importSource(after)), importList(bdtest::importSource(before)));
        for (const QString& title : importList(bdtest::importSource(before))) {
            const Recipe a = RecipeBook::fields(before.findTitle(title));
            const Recipe b = RecipeBook::fields(after.findTitle(title));
            QCOMPARE(qstr(after.findTitle(title).parent().attribute("cname").value()),
                     qstr(before.findTitle(title).parent().attribute("cname").value()));
            QCOMPARE(b.ing, a.ing);
            QCOMPARE(b.prep, a.prep);
            QCOMPARE(b.yield, a.yield);
            QCOMPARE(b.preptime, a.preptime);
        }
        // A recipe book brings its pictures; MealMaster has none.
        const Recipe pie = RecipeBook::fields(after.findTitle(QStringLiteral("Apple Pie")));
        QCOMPARE(pie.image.isEmpty(), file.endsWith(QLatin1String(".mmf")));
        if (!pie.image.isEmpty())
            QCOMPARE(bdtest::readFile(to + QStringLiteral("/images/") + pie.image), bdtest::pngBytes(8, 8));
    }

    // Other programs' files bring the pictures they name, or that share
    // their name, as the wizard does; files whose pictures are in other
    // folders each bring their own.
    void otherProgramsFilesBringTheirPictures()
    {
        bdtest::TestEnv env;
        const QString to = env.file(QStringLiteral("to"));
        QStringList args{QStringLiteral("--import")};
        for (const char* name : {"a/Soup", "a/Stew", "b/Pie"}) {
            const QString base = env.file(QString::fromLatin1(name));
            bdtest::writeFile(base + QStringLiteral(".cook"), "Boil @water{1%l}.");
            args << base + QStringLiteral(".cook");
        }
        bdtest::writeFile(env.file(QStringLiteral("a/Soup.png")), bdtest::pngBytes(4, 4));
        bdtest::writeFile(env.file(QStringLiteral("b/Pie.png")), bdtest::pngBytes(6, 6));
        const CommandResult r = importFromCommandLine(to, parse(args));
        QCOMPARE(r.exitCode, 0);
        RecipeBook book;
        QVERIFY(book.loadFile(to + QStringLiteral("/recipes.xml")));
        for (const auto& [title, size] : {std::pair{"Soup", 4}, std::pair{"Stew", 0}, std::pair{"Pie", 6}}) {
            const Recipe got = RecipeBook::fields(book.findTitle(QString::fromLatin1(title)));
            QCOMPARE(got.image.isEmpty(), size == 0);
            if (size)
                QCOMPARE(bdtest::readFile(to + QStringLiteral("/images/") + got.image), bdtest::pngBytes(size, size));
        }
    }

    void clashingTitlesAreRenamedOrSkipped()
    {
        bdtest::TestEnv env;
        const QString folder = env.file(QStringLiteral("book"));
        writeBook(folder);
        const QString mmf = env.file(QStringLiteral("desserts.mmf"));
        QCOMPARE(exportFromCommandLine(folder, parse({QStringLiteral("--export"), mmf, QStringLiteral("--category"),
                                                      QStringLiteral("desserts")}))
                     .exitCode,
                 0);

        // Skipped: nothing to save, the book stays byte for byte.
        const QByteArray unchanged = bdtest::readFile(folder + QStringLiteral("/recipes.xml"));
        CommandResult r = importFromCommandLine(
            folder, parse({QStringLiteral("--import"), mmf, QStringLiteral("--skip-clashes")}));
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains(QStringLiteral(": 0 imported, 2 skipped (2 with a title the book has)")),
                 qPrintable(r.out));
        QCOMPARE(bdtest::readFile(folder + QStringLiteral("/recipes.xml")), unchanged);

        // Renamed, twice over: " (2)", then " (3)"; both files with one save,
        // each counted on its own line.
        r = importFromCommandLine(folder, parse({QStringLiteral("--import"), mmf, mmf}));
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.count(QStringLiteral(": 2 imported (2 renamed), 0 skipped")) == 2, qPrintable(r.out));
        const QStringList titles = titlesIn(folder);
        for (const char* t : {"Apple Pie (2)", "Apple Pie (3)", "Crème Caramel (2)", "Crème Caramel (3)"})
            QVERIFY2(titles.contains(QString::fromUtf8(t)), t);
        QCOMPARE(titles.size(), 8);
    }

    void chosenCategoriesAndEveryFormat()
    {
        bdtest::TestEnv env;
        const QString folder = env.file(QStringLiteral("book"));
        writeBook(folder);
        // Categories named as typed, spaces around them too.
        CommandResult r = exportFromCommandLine(
            folder,
            parse({QStringLiteral("--export"), env.file(QStringLiteral("two.html")), QStringLiteral("--category"),
                   QStringLiteral("  Soups "), QStringLiteral("--category"), QStringLiteral("Breads\t")}));
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.startsWith(QStringLiteral("Exported 2 recipes in 2 categories")));
        const QByteArray html = bdtest::readFile(env.file(QStringLiteral("two.html")));
        QVERIFY(html.contains("Gazpacho") && html.contains("Soda Bread") && !html.contains("Apple Pie"));

        r = exportFromCommandLine(folder, parse({QStringLiteral("--export"), env.file(QStringLiteral("book.pdf")),
                                                 QStringLiteral("--title"), QStringLiteral("Our Kitchen")}));
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains(QStringLiteral("(cookbook PDF)")));
        QVERIFY(bdtest::readFile(env.file(QStringLiteral("book.pdf"))).startsWith("%PDF-"));

        // A category the book lacks names those it has.
        r = exportFromCommandLine(folder, parse({QStringLiteral("--export"), env.file(QStringLiteral("x.mmf")),
                                                 QStringLiteral("--category"), QStringLiteral("Salads")}));
        QCOMPARE(r.exitCode, int(kCommandFailed));
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.contains(QStringLiteral("'Salads'")) &&
                     r.err.contains(QStringLiteral("Desserts, Soups, Breads")),
                 qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(env.file(QStringLiteral("x.mmf"))));
    }

    void failuresLeaveTheBookAsItWas()
    {
        bdtest::TestEnv env;
        const QString folder = env.file(QStringLiteral("book"));
        writeBook(folder);
        const QByteArray unchanged = bdtest::readFile(folder + QStringLiteral("/recipes.xml"));
        const QString good = env.file(QStringLiteral("good.mmf"));
        QCOMPARE(exportFromCommandLine(folder, parse({QStringLiteral("--export"), good})).exitCode, 0);
        bdtest::writeFile(env.file(QStringLiteral("junk.txt")), "just some words\nno recipes here\n");

        const auto refused = [&](const QStringList& args, const char* says) {
            const CommandResult r = importFromCommandLine(folder, parse(args));
            QCOMPARE(r.exitCode, int(kCommandFailed));
            QVERIFY2(r.err.startsWith(QStringLiteral("brindelle: ")) && r.err.contains(QLatin1String(says)),
                     qPrintable(r.err));
            QCOMPARE(bdtest::readFile(folder + QStringLiteral("/recipes.xml")), unchanged);
        };
        // A good file before an unreadable one: nothing is imported.
        refused({QStringLiteral("--import"), good, env.file(QStringLiteral("junk.txt"))}, "holds no recipes");
        refused({QStringLiteral("--import"), env.file(QStringLiteral("none.mmf"))}, "There is no file");
        refused({QStringLiteral("--import"), folder + QStringLiteral("/recipes.xml")}, "into itself");
        QCOMPARE(QDir(folder + QStringLiteral("/images")).entryList(QDir::Files).size(), 1);

        // Exports that cannot be: an unknown type, the book itself, no book.
        const auto exportFails = [&](const QString& dir, const QString& file, const char* says) {
            const CommandResult r = exportFromCommandLine(dir, parse({QStringLiteral("--export"), file}));
            QCOMPARE(r.exitCode, int(kCommandFailed));
            QVERIFY2(r.err.contains(QLatin1String(says)), qPrintable(r.err));
        };
        exportFails(folder, env.file(QStringLiteral("book.txt")), "use .xml, .mmf, .pdf or .html");
        exportFails(folder, folder + QStringLiteral("/recipes.xml"), "the recipe book itself");
        exportFails(env.file(QStringLiteral("empty")), env.file(QStringLiteral("x.mmf")), "There is no recipe book");
        QCOMPARE(bdtest::readFile(folder + QStringLiteral("/recipes.xml")), unchanged);
    }

    // What the command counts: a title twice in a category is one recipe;
    // recipes of a file that cannot be read are counted as skipped, with
    // the lines they start on.
    void countsAsTheCookWouldCount()
    {
        bdtest::TestEnv env;
        RecipeBook twice;
        const int pies = twice.appendCategory(QStringLiteral("Pies"));
        twice.appendRecipe(pies, recipe(QStringLiteral("Pear Tart"), QStringLiteral("4 pears")));
        twice.appendRecipe(pies, recipe(QStringLiteral("Pear Tart"), QStringLiteral("5 pears")));
        const QString other = env.file(QStringLiteral("twice"));
        bdtest::writeFile(other + QStringLiteral("/recipes.xml"), twice.serialize());
        const QString mmf = env.file(QStringLiteral("pies.mmf"));
        CommandResult r = exportFromCommandLine(other, parse({QStringLiteral("--export"), mmf}));
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.startsWith(QStringLiteral("Exported 1 recipe in 1 category to ")), qPrintable(r.out));
        QCOMPARE(bdtest::readFile(mmf).count("Title: Pear Tart"), 1);

        // An untitled recipe between two that read.
        twice.appendRecipe(pies, recipe(QStringLiteral("Plum Tart"), QStringLiteral("9 plums")));
        bdtest::writeFile(other + QStringLiteral("/recipes.xml"), twice.serialize());
        QCOMPARE(exportFromCommandLine(other, parse({QStringLiteral("--export"), mmf})).exitCode, 0);
        QByteArray text = bdtest::readFile(mmf);
        const qsizetype second = text.indexOf("MMMMM-----", 10);
        text.insert(second, "MMMMM----- Recipe\r\nCategories: Soups\r\n  No title.\r\nMMMMM\r\n");
        const int line = int(text.left(second).count('\n')) + 1;
        bdtest::writeFile(env.file(QStringLiteral("gaps.mmf")), text);
        r = importFromCommandLine(env.file(QStringLiteral("to")),
                                  parse({QStringLiteral("--import"), env.file(QStringLiteral("gaps.mmf"))}));
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains(
                     QStringLiteral(": 2 imported, 1 skipped (1 recipe unreadable, starting on line %1)\n").arg(line)),
                 qPrintable(r.out));
        QVERIFY2(r.out.endsWith(QStringLiteral("; skipped 1.\n")), qPrintable(r.out));
    }

    // Files that are no files, or that this user may not read, are named
    // for what they are; nothing is imported.
    void foldersAndUnreadableFilesAreSaidToBeSo()
    {
        bdtest::TestEnv env;
        const QString folder = env.file(QStringLiteral("book"));
        writeBook(folder);
        const QByteArray unchanged = bdtest::readFile(folder + QStringLiteral("/recipes.xml"));
        const QString good = env.file(QStringLiteral("in/good.mmf"));
        QVERIFY(QDir().mkpath(env.file(QStringLiteral("in"))));
        QCOMPARE(exportFromCommandLine(folder, parse({QStringLiteral("--export"), good})).exitCode, 0);

        CommandResult r = importFromCommandLine(
            folder, parse({QStringLiteral("--import"), good, env.file(QStringLiteral("in"))}));
        QCOMPARE(r.exitCode, int(kCommandFailed));
        QVERIFY2(r.err.contains(QDir::toNativeSeparators(env.file(QStringLiteral("in"))) +
                                QStringLiteral(" is a folder, not a file")),
                 qPrintable(r.err));
        QCOMPARE(bdtest::readFile(folder + QStringLiteral("/recipes.xml")), unchanged);

#ifdef Q_OS_LINUX
        // Read as another user than the file's own, who may not read it (as
        // root, the file system's checks apply to another user id).
        const QString locked = env.file(QStringLiteral("in/locked.mmf"));
        QVERIFY(QFile::copy(good, locked));
        QVERIFY(QFile::setPermissions(locked, QFile::WriteOwner));
        for (const QString& dir : {env.root(), env.appPath(), env.file(QStringLiteral("in"))})
            QVERIFY(QFile::setPermissions(dir, QFile::Permissions(0x7755)));
        const bool root = geteuid() == 0;
        if (root && (setfsuid(65534), int(setfsuid(uid_t(-1)))) != 65534) {
            setfsuid(0);
            QSKIP("no other user id to read the file as");
        }
        r = importFromCommandLine(folder, parse({QStringLiteral("--import"), good, locked}));
        if (root)
            setfsuid(0);
        QCOMPARE(r.exitCode, int(kCommandFailed));
        QVERIFY2(r.err.contains(QDir::toNativeSeparators(locked) + QStringLiteral(" cannot be read: ")) &&
                     r.err.contains(QStringLiteral("ermission denied")),
                 qPrintable(r.err));
        QCOMPARE(bdtest::readFile(folder + QStringLiteral("/recipes.xml")), unchanged);
#endif
    }

    // A category without recipes, or a book without any, exports nothing:
    // no file, an exit code that says so.
    void nothingToExportWritesNothing()
    {
        bdtest::TestEnv env;
        const QString folder = env.file(QStringLiteral("book"));
        writeBook(folder);
        RecipeBook book;
        QVERIFY(book.loadFile(folder + QStringLiteral("/recipes.xml")));
        book.appendCategory(QStringLiteral("Salads"));
        bdtest::writeFile(folder + QStringLiteral("/recipes.xml"), book.serialize());
        for (const char* file : {"salads.mmf", "salads.xml", "salads.pdf", "salads.html"}) {
            const QString path = env.file(QString::fromLatin1(file));
            const CommandResult r = exportFromCommandLine(
                folder,
                parse({QStringLiteral("--export"), path, QStringLiteral("--category"), QStringLiteral("Salads")}));
            QCOMPARE(r.exitCode, int(kCommandFailed));
            QVERIFY(r.out.isEmpty());
            QVERIFY2(r.err.contains(QStringLiteral("'Salads' holds none, so nothing was written")), qPrintable(r.err));
            QVERIFY2(!QFileInfo::exists(path), file);
        }
        const QString empty = env.file(QStringLiteral("empty"));
        bdtest::writeFile(empty + QStringLiteral("/recipes.xml"), RecipeBook().serialize());
        const CommandResult r = exportFromCommandLine(
            empty, parse({QStringLiteral("--export"), env.file(QStringLiteral("all.xml"))}));
        QCOMPARE(r.exitCode, int(kCommandFailed));
        QVERIFY2(r.err.contains(QStringLiteral("the recipe book holds none")), qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(env.file(QStringLiteral("all.xml"))));
    }

    // The command speaks the language the cook chose for the program.
    void messagesInTheChosenLanguage()
    {
        bdtest::TestEnv env;
        const QString folder = env.file(QStringLiteral("book"));
        writeBook(folder);
        writeValue(QStringLiteral("language"), QStringLiteral("1"));
        G.langOffset = 0;
        const QString pdf = env.file(QStringLiteral("libro.pdf"));
        QCOMPARE(runCommand(parse({QStringLiteral("--data-dir"), folder, QStringLiteral("--export"), pdf})), 0);
        QCOMPARE(G.langOffset, 300);
        CommandResult r = exportFromCommandLine(folder, parse({QStringLiteral("--export"), pdf}));
        QVERIFY2(r.out.startsWith(QString::fromUtf8("Se exportaron 4 recetas de 3 categorías a ")) &&
                     r.out.endsWith(QString::fromUtf8(" (libro de cocina PDF).\n")),
                 qPrintable(r.out));
        r = exportFromCommandLine(folder, parse({QStringLiteral("--export"), env.file(QStringLiteral("x.mmf")),
                                                 QStringLiteral("--category"), QStringLiteral("Ensaladas")}));
        QVERIFY2(r.err.contains(QString::fromUtf8("El recetario no tiene la categoría 'Ensaladas'")),
                 qPrintable(r.err));
        r = importFromCommandLine(folder, parse({QStringLiteral("--import"), env.file(QStringLiteral("nada.mmf"))}));
        QVERIFY2(r.err.contains(QStringLiteral("No existe el archivo")), qPrintable(r.err));
        r = importFromCommandLine(folder, parse({QStringLiteral("--import"), env.file(QStringLiteral("book"))}));
        QVERIFY2(r.err.contains(QStringLiteral("es una carpeta")), qPrintable(r.err));
    }

#ifndef Q_OS_WIN
    // Whatever name leads into the book folder (a linked folder, a hard
    // link, a file of its own), the export writes nothing there; the
    // wizard turns such a file down when it is chosen.
    void exportNeverWritesIntoTheBookFolder()
    {
        bdtest::TestEnv env;
        const QString folder = env.file(QStringLiteral("book"));
        writeBook(folder);
        bdtest::writeFile(folder + QStringLiteral("/trash.xml"), "<recipebook></recipebook>\r\n");
        bdtest::writeFile(folder + QStringLiteral("/snapshots/recipes-2024-05-01-0900.xml"), "a snapshot");
        const QString linked = env.file(QStringLiteral("linked"));
        QVERIFY(QFile::link(folder, linked));
        const QString hard = env.file(QStringLiteral("hard.xml"));
        QVERIFY(::link(QFile::encodeName(folder + QStringLiteral("/recipes.xml")).constData(),
                       QFile::encodeName(hard).constData()) == 0);
        const QMap<QString, QByteArray> before = filesBelow(folder);

        const QList<std::pair<QString, const char*>> refused = {
            {linked + QStringLiteral("/recipes.xml"), "the recipe book itself"},
            {hard, "the recipe book itself"},
            {folder + QStringLiteral("/trash.xml"), "in the folder of the recipe book"},
            {linked + QStringLiteral("/snapshots/recipes-2024-05-01-0900.xml"), "in the folder of the recipe book"},
            {folder + QStringLiteral("/images/all.html"), "in the folder of the recipe book"},
            {linked + QStringLiteral("/new/all.mmf"), "in the folder of the recipe book"}};
        for (const auto& [target, says] : refused) {
            const CommandResult r = exportFromCommandLine(folder, parse({QStringLiteral("--export"), target}));
            QVERIFY2(r.exitCode == int(kCommandFailed), qPrintable(target));
            QVERIFY(r.out.isEmpty());
            QVERIFY2(r.err.startsWith(QStringLiteral("brindelle: ")) && r.err.contains(QLatin1String(says)),
                     qPrintable(r.err));
            QCOMPARE(filesBelow(folder), before);
        }
        QCOMPARE(titlesIn(folder).size(), 4);
        // Beside the book folder, not in it: written.
        QCOMPARE(exportFromCommandLine(folder, parse({QStringLiteral("--export"), env.file(QStringLiteral("all.xml"))}))
                     .exitCode,
                 0);

        // The wizard, reaching the book folder of the open program through the link.
        G.appPath = folder;
        frmExp wizard;
        env.dialogs.files << linked + QStringLiteral("/trash.xml") << env.file(QStringLiteral("all.xml"));
        wizard.cmdSaveAs->click();
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::ExportIntoBookFolder});
        QVERIFY(wizard.exportPath().isEmpty());
        wizard.cmdSaveAs->click();
        QCOMPARE(wizard.exportPath(), env.file(QStringLiteral("all.xml")));
    }
#endif

    // A book from elsewhere may name its pictures as this program names
    // its unfinished files; they come in under ordinary names and stay
    // when the next start clears what saves cut short left.
    void importedPicturesNeverCarryTheProgramsMarks()
    {
        bdtest::TestEnv env;
        const QString from = env.file(QStringLiteral("from/marked.xml"));
        const QList<std::pair<const char*, const char*>> recipes = {{"Leek", "photo.jpg.bdnew-abc123"},
                                                                    {"Pea", "pea.png.bdsave-Q1w2E3"},
                                                                    {"Bean", "bean.jpg.renaming"},
                                                                    {"Corn", ".bdretired"},
                                                                    {"Kale.bdnew-xyz789", "kale"}};
        RecipeBook source;
        const int soups = source.appendCategory(QStringLiteral("Soups"));
        int size = 2;
        for (const auto& [title, picture] : recipes) {
            source.appendRecipe(
                soups, recipe(QString::fromLatin1(title), QStringLiteral("water"), QString::fromLatin1(picture)));
            bdtest::writeFile(env.file(QStringLiteral("from/exp_img/")) + QLatin1String(picture),
                              bdtest::pngBytes(size, size));
            ++size;
        }
        bdtest::writeFile(from, source.serialize());
        const QString folder = env.file(QStringLiteral("book"));
        QCOMPARE(importFromCommandLine(folder, parse({QStringLiteral("--import"), from})).exitCode, 0);

        const QRegularExpression marked(QStringLiteral("\\.(bdnew-|bdsave-)[^.]*$|\\.renaming$|^\\.bdretired$"),
                                        QRegularExpression::CaseInsensitiveOption);
        RecipeBook book;
        QVERIFY(book.loadFile(folder + QStringLiteral("/recipes.xml")));
        finishNewPictures(folder + QStringLiteral("/images"), book);
        size = 2;
        for (const auto& [title, picture] : recipes) {
            const QString image = RecipeBook::fields(book.findTitle(QString::fromLatin1(title))).image;
            QVERIFY2(!image.isEmpty() && !marked.match(image).hasMatch(), qPrintable(image));
            // The picture's own type stays.
            const QString type = QString::fromLatin1(picture).section(QLatin1Char('.'), 1, 1);
            if (type == QLatin1String("jpg") || type == QLatin1String("png"))
                QVERIFY2(image.endsWith(QLatin1Char('.') + type), qPrintable(image));
            QCOMPARE(bdtest::readFile(folder + QStringLiteral("/images/") + image), bdtest::pngBytes(size, size));
            ++size;
        }
    }

    void importWaitsForAnotherCopyExportDoesNot()
    {
        bdtest::TestEnv env;
        const QString folder = env.file(QStringLiteral("book"));
        writeBook(folder);
        const QString mmf = env.file(QStringLiteral("all.mmf"));
        QLockFile other(folder + QStringLiteral("/.brindelle.lock"));
        QVERIFY(other.tryLock(0));

        QCOMPARE(exportFromCommandLine(folder, parse({QStringLiteral("--export"), mmf})).exitCode, 0);
        const CommandResult r = importFromCommandLine(folder, parse({QStringLiteral("--import"), mmf}));
        QCOMPARE(r.exitCode, int(kBookInUse));
        QVERIFY(r.err.contains(QStringLiteral("open in another copy")));
        QCOMPARE(titlesIn(folder).size(), 4);

        other.unlock();
        QCOMPARE(importFromCommandLine(folder, parse({QStringLiteral("--import"), mmf})).exitCode, 0);
        QCOMPARE(titlesIn(folder).size(), 8);
        QVERIFY(!QFileInfo::exists(folder + QStringLiteral("/.brindelle.lock"))); // given up again

        // A folder where the lock goes is no other copy: it is named, and left.
        QVERIFY(QDir().mkdir(folder + QStringLiteral("/.brindelle.lock")));
        const CommandResult blocked = importFromCommandLine(folder, parse({QStringLiteral("--import"), mmf}));
        QCOMPARE(blocked.exitCode, int(kCommandFailed));
        QVERIFY2(blocked.err.contains(QDir::toNativeSeparators(folder + QStringLiteral("/.brindelle.lock"))) &&
                     blocked.err.contains(QStringLiteral("not a file")),
                 qPrintable(blocked.err));
        QCOMPARE(titlesIn(folder).size(), 8);
        QVERIFY(QFileInfo(folder + QStringLiteral("/.brindelle.lock")).isDir());
    }
    // --show and --shopping-list: the titles in the order named, each
    // --servings for the title before it, one system of units.
    void cookingOptions()
    {
        const auto list = [](std::initializer_list<const char*> words) {
            QStringList out;
            for (const char* w : words)
                out << QString::fromUtf8(w);
            return out;
        };
        Options o = parse(list({"--shopping-list", "A", "--servings", "8", "B", "C", "--servings", "1 1/2", "--us"}));
        QVERIFY2(o.error.isEmpty(), qPrintable(o.error));
        QVERIFY(o.command() && o.shoppingList && !o.show);
        QCOMPARE(o.recipeTitles, list({"A", "B", "C"}));
        QCOMPARE(o.servings, QVector<double>({8, 0, 1.5}));
        QCOMPARE(o.units, UnitSystem::US);
        o = parse(list({"--servings=2,5", "--show", "Soda Bread", "--metric"}));
        QVERIFY2(o.error.isEmpty(), qPrintable(o.error));
        QVERIFY(o.command() && o.show);
        QCOMPARE(o.recipeTitles, list({"Soda Bread"}));
        QCOMPARE(o.servings, QVector<double>({2.5}));
        QCOMPARE(o.units, UnitSystem::Metric);
        o = parse(list({"--show", "-", "--", "x"}));
        QVERIFY(!o.error.isEmpty()); // one title only
        o = parse(list({"--show", "Pie"}));
        QCOMPARE(o.servings, QVector<double>({0}));
        QCOMPARE(o.units, UnitSystem::AsWritten);

        QCOMPARE(parse(list({"--shopping-list", "A", "--servings", "none"})).error,
                 fetchText(Str::CliBadServings, 0).arg(QStringLiteral("none")));
        QCOMPARE(parse(list({"--servings", "2", "--shopping-list", "A"})).error, fetchText(Str::CliServingsFirst, 0));
        QCOMPARE(parse(list({"--show", "A", "--metric", "--us"})).error, fetchText(Str::CliMetricOrUs, 0));
        for (const QStringList& wrong :
             {list({"--servings", "4"}), list({"--metric"}), list({"--export", "a.xml", "--us"}),
              list({"--show", "A", "--servings", "0"}), list({"--show", "A", "B"}),
              list({"--show", "A", "--search", "x"}), list({"--shopping-list", "A", "--import", "b.mmf"})})
            QVERIFY2(!parse(wrong).error.isEmpty(), qPrintable(wrong.join(QLatin1Char(' '))));
    }

    // A recipe shown scaled and converted, as the plain-text view shows it;
    // every recipe of the title; the shopping list of several recipes; a
    // title no recipe has. The book folder is left byte for byte as it was.
    void showAndShoppingListOnlyReadTheBook()
    {
        bdtest::TestEnv env;
        G.langOffset = 0;
        const QString folder = env.file(QStringLiteral("book"));
        RecipeBook book;
        const int breads = book.appendCategory(QStringLiteral("Breads"));
        const int cakes = book.appendCategory(QStringLiteral("Cakes"));
        Recipe soda = recipe(QStringLiteral("Soda Bread"),
                             QStringLiteral("500 g flour\r\n1 tsp soda\r\n2 cups buttermilk"));
        soda.yield = QStringLiteral("2 loaves");
        soda.prep = QString::fromUtf8("Bake at 400°F for 45 minutes.");
        book.appendRecipe(breads, soda);
        const Recipe sweet = recipe(QStringLiteral("Soda Bread"), QStringLiteral("1 cup sugar"));
        book.appendRecipe(cakes, sweet);
        Recipe stew = recipe(QStringLiteral("Stew"), QStringLiteral("1 onion\r\n1 cup stock"));
        stew.yield = QStringLiteral("a big pot");
        book.appendRecipe(cakes, stew);
        bdtest::writeFile(folder + QStringLiteral("/recipes.xml"), book.serialize());
        const QMap<QString, QByteArray> before = filesBelow(folder);
        soda.category = QStringLiteral("Breads");
        Recipe sweetShown = sweet;
        sweetShown.category = QStringLiteral("Cakes");

        CommandResult r = showFromCommandLine(
            folder, parse({QStringLiteral("--show"), QStringLiteral("Soda Bread"), QStringLiteral("--servings"),
                           QStringLiteral("4"), QStringLiteral("--metric")}));
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
        const auto lf = [](QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); };
        const QString first = lf(plainTextRecipe(viewedRecipe(soda, {4, UnitSystem::Metric}, 0)));
        QCOMPARE(r.out, first + QStringLiteral("\n\n") +
                            lf(plainTextRecipe(viewedRecipe(sweetShown, {4, UnitSystem::Metric}, 0))) +
                            QStringLiteral("\n"));
        for (const char* shown : {"4 loaves (recipe: 2 loaves)", "1 kg flour", "10 ml soda", "950 ml buttermilk",
                                  "Bake at 205 °C for 45 minutes.", "200 g sugar"})
            QVERIFY2(r.out.contains(QString::fromUtf8(shown)), shown);
        QVERIFY(!r.out.contains(QLatin1Char('\r')));

        // No count in the yield: shown as written, and said so.
        r = showFromCommandLine(folder, parse({QStringLiteral("--show"), QStringLiteral("Stew"),
                                               QStringLiteral("--servings"), QStringLiteral("8")}));
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains(QStringLiteral("1 onion\n1 cup stock")));
        QCOMPARE(r.err, QStringLiteral("brindelle: ") + fetchText(Str::CliNotScaled, 0).arg(QStringLiteral("Stew")) +
                            QLatin1Char('\n'));

        r = shoppingListFromCommandLine(
            folder, parse({QStringLiteral("--shopping-list"), QStringLiteral("Soda Bread"),
                           QStringLiteral("--servings"), QStringLiteral("4"), QStringLiteral("Stew")}));
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringLiteral("Shopping list\n\nFruit and vegetables\n- 1 onion\n\nDairy and eggs\n"
                                       "- 4 cups buttermilk\n\nBaking\n- 1 kg flour\n\nOther\n- 2 tsp soda\n"
                                       "- 1 cup stock\n"));

        // Exact titles only.
        for (const QString& option : {QStringLiteral("--show"), QStringLiteral("--shopping-list")}) {
            r = option == QLatin1String("--show")
                    ? showFromCommandLine(folder, parse({option, QStringLiteral("soda bread")}))
                    : shoppingListFromCommandLine(
                          folder, parse({option, QStringLiteral("Stew"), QStringLiteral("soda bread")}));
            QCOMPARE(r.exitCode, int(kNothingFound));
            QVERIFY(r.out.isEmpty());
            QCOMPARE(r.err, QStringLiteral("brindelle: No recipe is titled 'soda bread'.\n"));
        }
        QCOMPARE(
            runCommand(parse({QStringLiteral("--data-dir"), folder, QStringLiteral("--show"), QStringLiteral("Pie")})),
            int(kNothingFound));
        QCOMPARE(runCommand(parse({QStringLiteral("--data-dir"), folder, QStringLiteral("--shopping-list"),
                                   QStringLiteral("Stew"), QStringLiteral("--us")})),
                 0);
        QCOMPARE(filesBelow(folder), before);
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
