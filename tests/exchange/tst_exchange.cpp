// The export writer and the import engine without windows: order, pictures,
// clashes, categories, partial runs and crafted files.

#include "app/base/globals.h"
#include "exchange/exchange.h"
#include "exchange/frmImp.h"
#include "resources/strings.h"
#include "store/store.h"
#include "testsupport.h"

#include <QDir>
#include <QtTest>

using namespace bd;

namespace {

const QString kDate = QStringLiteral("1/2/2030");

Recipe recipe(const QString& title, const QString& image = QString(), const QString& ing = QStringLiteral("x"))
{
    Recipe f;
    f.title = title;
    f.preptime = QStringLiteral("5 min");
    f.ing = ing;
    f.date = QStringLiteral("old date");
    f.image = image;
    return f;
}

QString folderOf(const bdtest::TestEnv& env, const char* name) { return env.root() + QLatin1Char('/') + QLatin1String(name); }

using bdtest::readFile;
using bdtest::writeFile;

// "category: title title ..." for every category of a book.
QStringList outline(const RecipeBook& b)
{
    QStringList out;
    for (const CategoryEntry& c : b.categories())
        out << c.name + QStringLiteral(": ") + b.recipeTitles(c.position).join(QLatin1Char(' '));
    return out;
}

// The element names of every recipe's children, joined.
QStringList shapes(const RecipeBook& b)
{
    QStringList out;
    for (pugi::xml_node c = b.root().first_child(); c; c = c.next_sibling())
        for (pugi::xml_node r = c.first_child(); r; r = r.next_sibling()) {
            QStringList names;
            for (pugi::xml_node n = r.first_child(); n; n = n.next_sibling())
                names << QString::fromUtf8(n.name());
            out << names.join(QLatin1Char(','));
        }
    return out;
}

const QString kEight = QStringLiteral("title,preptime,cooktime,yield,ing,prep,other,date");
const QString kNine = kEight + QStringLiteral(",image");

// An import source read from a book file written as XML text: categories
// of recipes given as raw child lists.
struct Src : RecipeList {
    explicit Src(const QByteArray& xml)
    {
        RecipeBook b;
        b.loadBuffer(xml);
        recipes = b.allRecipes(&fieldCounts);
    }
};

QByteArray rec(const char* title, const char* image = nullptr, int extra = 0)
{
    QByteArray r = QByteArray("<recipe><title>") + title + "</title><preptime>p</preptime><cooktime/><yield/>"
                   "<ing>i</ing><prep/><other/><date>d</date>";
    if (image)
        r += QByteArray("<image>") + image + "</image>";
    for (int i = 0; i < extra; ++i)
        r += "<extra/>";
    return r + "</recipe>";
}

QByteArray cat(const char* name, const QByteArray& recipes)
{
    return QByteArray("<category cname=\"") + name + "\">" + recipes + "</category>";
}

QByteArray book(const QByteArray& categories) { return "<recipebook>" + categories + "</recipebook>"; }

QSet<int> all(const RecipeList& source)
{
    QSet<int> s;
    for (int i = 0; i < importList(source).size(); ++i)
        s.insert(i);
    return s;
}

// Answers the title questions from a list, recording what was shown.
struct Asker {
    QList<std::optional<QString>> answers;
    QStringList shown;
    TitleAsker fn()
    {
        return [this](const QString& s) {
            shown << s;
            return answers.isEmpty() ? std::nullopt : answers.takeFirst();
        };
    }
};

} // namespace

class TestExchange : public QObject {
    Q_OBJECT
private slots:
    void exportOrderDatesAndPictures()
    {
        bdtest::TestEnv env;
        RecipeBook b;
        const int a = b.appendCategory(QStringLiteral("A"));
        const int bb = b.appendCategory(QStringLiteral("B"));
        b.appendRecipe(a, recipe(QStringLiteral("A1"), QStringLiteral("recipes_A_A1.png")));
        b.appendRecipe(a, recipe(QStringLiteral("A2")));
        b.appendRecipe(a, recipe(QStringLiteral("Mom's \"best\" pie")));
        b.appendRecipe(bb, recipe(QStringLiteral("B1"), QStringLiteral("recipes_B_B1.png")));
        b.appendRecipe(bb, recipe(QStringLiteral("B2"), QStringLiteral("gone.png")));
        b.appendRecipe(bb, recipe(QStringLiteral("B3"), QStringLiteral("../outside.png")));
        writeFile(env.root() + QStringLiteral("/outside.png"), "not a picture of this book");
        const QString images = folderOf(env, "images");
        writeFile(images + QStringLiteral("/recipes_A_A1.png"), "pic a1");
        writeFile(images + QStringLiteral("/recipes_B_B1.png"), "pic b1");

        // Chosen alternately: A2, B1, A1, B2, the quoted title, B3.
        const QVector<RecipeRef> items = {{a, QStringLiteral("A2")},
                                          {bb, QStringLiteral("B1")},
                                          {a, QStringLiteral("A1")},
                                          {bb, QStringLiteral("B2")},
                                          {a, QStringLiteral("Mom's \"best\" pie")},
                                          {bb, QStringLiteral("B3")}};
        const QString file = folderOf(env, "out/export.xml");
        QDir().mkpath(folderOf(env, "out"));
        ExportJob job{file, images, QString(), kDate};

        // Pictures omitted: no image element, no exp_img.
        ExportResult r = exportRecipes(b, items, job);
        QCOMPARE(r.outcome, RunOutcome::Done);
        RecipeBook out;
        QVERIFY(out.loadFile(file));
        QCOMPARE(outline(out), QStringList({QStringLiteral("A: A2 A1 Mom's \"best\" pie"), QStringLiteral("B: B1 B2 B3")}));
        QCOMPARE(shapes(out), QStringList(6, kEight));
        QCOMPARE(RecipeBook::fields(out.findRecipe(0, QStringLiteral("A1"))).date, kDate);
        QVERIFY(!QFileInfo::exists(exchangePictureFolder(file)));

        // Pictures copied: only recipes with a picture name get an image
        // element; a missing file keeps its name but is not copied; a name
        // reaching out of the images folder is dropped.
        job.pictureFolder = exchangePictureFolder(file);
        r = exportRecipes(b, items, job);
        QCOMPARE(r.outcome, RunOutcome::Done);
        QVERIFY(out.loadFile(file));
        QCOMPARE(shapes(out), QStringList({kEight, kNine, kEight, kNine, kNine, kEight}));
        QVERIFY(!QFileInfo::exists(folderOf(env, "out/outside.png")));
        QCOMPARE(RecipeBook::fields(out.findRecipe(1, QStringLiteral("B2"))).image, QStringLiteral("gone.png"));
        QCOMPARE(QDir(job.pictureFolder).entryList(QDir::Files),
                 QStringList({QStringLiteral("recipes_A_A1.png"), QStringLiteral("recipes_B_B1.png")}));
        QCOMPARE(readFile(job.pictureFolder + QStringLiteral("/recipes_B_B1.png")), QByteArray("pic b1"));
        QCOMPARE(RecipeBook::fields(out.findRecipe(0, QStringLiteral("Mom's \"best\" pie"))).ing, QStringLiteral("x"));
    }

    void exportStoppedPartWayWritesWhatWasDone()
    {
        bdtest::TestEnv env;
        RecipeBook b;
        const int a = b.appendCategory(QStringLiteral("A"));
        for (const char* t : {"one", "two", "three"})
            b.appendRecipe(a, recipe(QLatin1String(t)));
        const QString file = folderOf(env, "export.xml");
        writeFile(file, "old contents");
        ExportJob job{file, folderOf(env, "images"), QString(), kDate};

        // A file already there is never replaced by a run that stopped part-way.
        const QVector<RecipeRef> withGone = {{a, QStringLiteral("one")},
                                             {a, QStringLiteral("gone")},
                                             {a, QStringLiteral("two")}};
        ExportResult r = exportRecipes(b, withGone, job);
        QCOMPARE(r.outcome, RunOutcome::Failed);
        QVERIFY(r.keptExisting && !r.saved.ok);
        QCOMPARE(readFile(file), QByteArray("old contents"));
        writeFile(folderOf(env, "exp_img"), "a file where the picture folder goes");
        job.pictureFolder = folderOf(env, "exp_img");
        QCOMPARE(exportRecipes(b, {{a, QStringLiteral("one")}}, job).outcome, RunOutcome::Failed);
        QCOMPARE(readFile(file), QByteArray("old contents"));
        job.pictureFolder.clear();

        // To a new file, what was done is written as a complete book.
        QFile::remove(file);
        r = exportRecipes(b, withGone, job);
        QCOMPARE(r.outcome, RunOutcome::Failed);
        QVERIFY(r.saved.ok);
        RecipeBook out;
        QVERIFY(out.loadFile(file));
        QCOMPARE(outline(out), QStringList{QStringLiteral("A: one")});

        // Cancelled after the second recipe.
        QFile::remove(file);
        r = exportRecipes(b, {{a, QStringLiteral("one")}, {a, QStringLiteral("two")}, {a, QStringLiteral("three")}}, job,
                          [](int done, int) { return done < 2; });
        QCOMPARE(r.outcome, RunOutcome::Cancelled);
        QVERIFY(out.loadFile(file));
        QCOMPARE(outline(out), QStringList{QStringLiteral("A: one two")});

        // A file that cannot be written is a failure, not a success.
        const ExportJob nowhere{folderOf(env, "missing/folder/x.xml"), QString(), QString(), kDate};
        r = exportRecipes(b, {{a, QStringLiteral("one")}}, nowhere);
        QCOMPARE(r.outcome, RunOutcome::Failed);
        QVERIFY(!r.saved.ok);
    }

    void importClashLoop()
    {
        bdtest::TestEnv env;
        G.xmlDoc.appendRecipe(G.xmlDoc.appendCategory(QStringLiteral("Pies")), recipe(QStringLiteral("Apple Pie")));
        const Src source(book(cat("Pies", rec("apple pie") + rec("Cake") + rec("Cake") + rec("Bad/Title") +
                                                                   rec("Tart") + rec("Mom's pie"))));
        Asker ask;
        ask.answers = {std::nullopt,                     // apple pie: cancelled, skipped
                       QStringLiteral("APPLE PIE"),      // second Cake: still taken ...
                       QStringLiteral("Cake?"),          // ... not allowed ...
                       QStringLiteral("Cake 2"),         // ... accepted
                       QString(),                        // Bad/Title: empty answer skips
                       QStringLiteral("Mum's pie"),      // a quote is not allowed
                       QStringLiteral("Mums pie")};
        ImportJob job;
        job.selected = all(source);
        job.bookPath = bookPath();
        job.date = kDate;
        const ImportResult r = importRecipes(G.xmlDoc, source, job, ask.fn());
        QCOMPARE(r.outcome, RunOutcome::Done);
        QCOMPARE(ask.shown, QStringList({QStringLiteral("apple pie"), QStringLiteral("Cake"), QStringLiteral("APPLE PIE"),
                                         QStringLiteral("Cake?"), QStringLiteral("Bad/Title"), QStringLiteral("Mom's pie"),
                                         QStringLiteral("Mum's pie")}));
        QCOMPARE(outline(G.xmlDoc), QStringList{QStringLiteral("Pies: Apple Pie Cake Cake 2 Tart Mums pie")});
        QCOMPARE(r.imported, 4);
        QCOMPARE(r.skipped, 2);
        // One save, with every imported recipe dated today and all nine fields.
        const bdtest::DiskBook disk;
        QCOMPARE(outline(disk), outline(G.xmlDoc));
        QCOMPARE(shapes(disk), QStringList(5, kNine));
        QCOMPARE(RecipeBook::fields(disk.findRecipe(0, QStringLiteral("Cake 2"))).date, kDate);
        QCOMPARE(RecipeBook::fields(disk.findRecipe(0, QStringLiteral("Cake 2"))).preptime, QStringLiteral("p"));

        // Only the ticked entries, told apart by position.
        job.selected = {4};
        const Src again(book(cat("Pies", rec("A") + rec("B") + rec("C") + rec("D") + rec("E"))));
        QCOMPARE(importRecipes(G.xmlDoc, again, job, ask.fn()).imported, 1);
        QCOMPARE(G.xmlDoc.recipeTitles(0).last(), QStringLiteral("E"));

        // The prompt of the real input box.
        env.dialogs.inputs << QStringLiteral("x");
        QCOMPARE(askNewTitle(QStringLiteral("Tart")), std::optional<QString>(QStringLiteral("x")));
        QCOMPARE(env.dialogs.last()->text,
                 QStringLiteral("The recipe title [Tart] already exists or is invalid.  Please enter a new title or press cancel to skip"));
    }

    void importCategoriesAndChildCounts()
    {
        bdtest::TestEnv env;
        G.xmlDoc.appendCategory(QStringLiteral("Desserts"));
        G.xmlDoc.appendCategory(QStringLiteral("Soups"));
        const Src source(book(cat("New", rec("n1")) + cat("Desserts", rec("d1", "")) + cat("desserts", rec("d2")) +
                              cat("New", rec("n2", "", 2)) + cat("Pies/Tarts: *best*", rec("p1")) +
                              cat(" ", rec("e1"))));
        ImportJob job;
        job.selected = all(source);
        job.bookPath = bookPath();
        job.uncategorised = QStringLiteral("Imported");
        QCOMPARE(importRecipes(G.xmlDoc, source, job).outcome, RunOutcome::Done);
        // Names the program forbids are cleaned; an empty one is never made.
        QCOMPARE(outline(G.xmlDoc),
                 QStringList({QStringLiteral("Desserts: d1"), QStringLiteral("Soups: "), QStringLiteral("New: n1 n2"),
                              QStringLiteral("desserts: d2"), QStringLiteral("Pies-Tarts - best: p1"),
                              QStringLiteral("Imported: e1")}));
        QCOMPARE(shapes(G.xmlDoc), QStringList(6, kNine));

        // A short recipe does not take the fields of the one before it.
        const Src shortOnes(
            book(cat("Soups", rec("full") + "<recipe><title>bare</title><preptime>q</preptime></recipe>")));
        job.selected = all(shortOnes);
        QCOMPARE(importRecipes(G.xmlDoc, shortOnes, job).imported, 2);
        QCOMPARE(RecipeBook::fields(G.xmlDoc.findRecipe(1, QStringLiteral("bare"))).ing, QString());

        // Twelve children: the run stops there; what came before is saved.
        const QByteArray before = env.read(QStringLiteral("recipes.xml"));
        const Src bad(book(cat("Soups", rec("ok1") + rec("twelve", "x.png", 3) + rec("ok2"))));
        job.selected = all(bad);
        const ImportResult r = importRecipes(G.xmlDoc, bad, job);
        QCOMPARE(r.outcome, RunOutcome::Failed);
        QCOMPARE(r.fault, ImportFault::Corrupt);
        QCOMPARE(r.handled, QSet<int>{0});
        QVERIFY(env.read(QStringLiteral("recipes.xml")) != before);
        bdtest::DiskBook disk;
        QCOMPARE(disk.recipeTitles(1), QStringList({QStringLiteral("full"), QStringLiteral("bare"), QStringLiteral("ok1")}));
        QCOMPARE(outline(disk), outline(G.xmlDoc));

        // Cancelled after the first recipe: that one is kept and saved.
        const Src two(book(cat("Soups", rec("c1") + rec("c2"))));
        job.selected = all(two);
        const ImportResult cancelled = importRecipes(G.xmlDoc, two, job, {}, [](int, int) { return false; });
        QCOMPARE(cancelled.outcome, RunOutcome::Cancelled);
        QVERIFY(disk.loadFile(bookPath()));
        QCOMPARE(disk.recipeTitles(1).mid(3), QStringList{QStringLiteral("c1")});

        // A clashing recipe with fewer than eight children stops it too.
        const Src shortClash(book(cat("Soups", "<recipe><title>OK1</title></recipe>")));
        job.selected = all(shortClash);
        QCOMPARE(importRecipes(G.xmlDoc, shortClash, job, [](const QString&) { return QStringLiteral("z"); }).fault,
                 ImportFault::Corrupt);
    }

    void importPicturesStayInsideTheirFolders()
    {
        bdtest::TestEnv env;
        const QString from = folderOf(env, "in/exp_img");
        writeFile(from + QStringLiteral("/recipes_Old_Pie.jpg"), "pie picture");
        writeFile(from + QStringLiteral("/plain.png"), "plain picture");
        writeFile(folderOf(env, "in/secret.jpg"), "outside");
        writeFile(folderOf(env, "secret.jpg"), "outside");
        G.xmlDoc.appendRecipe(G.xmlDoc.appendCategory(QStringLiteral("C")), recipe(QStringLiteral("Pie")));

        const QString outside = folderOf(env, "secret.jpg");
        const Src source(book(cat(
            "C", rec("pie", "recipes_Old_Pie.jpg") + rec("Plain", "plain.png") + rec("Up", "../secret.jpg") +
                     rec("Abs", outside.toUtf8().constData()) + rec("Drive", "C:secret.jpg") +
                     rec("Missing", "recipes_x_gone.jpg") + rec("None"))));
        ImportJob job;
        job.selected = all(source);
        job.pictures = true;
        job.pictureFolder = from;
        job.imagesFolder = imagesFolder();
        const ImportResult r = importRecipes(G.xmlDoc, source, job, [](const QString&) { return QStringLiteral("Pie 2"); });
        QCOMPARE(r.imported, 7);
        auto image = [](const char* title) {
            return RecipeBook::fields(G.xmlDoc.findRecipe(0, QLatin1String(title))).image;
        };
        // Renamed after the title it has in this book; the source stays.
        QCOMPARE(image("Pie 2"), QStringLiteral("recipes_Old_Pie 2.jpg"));
        QCOMPARE(image("Plain"), QStringLiteral("plain_Plain.png"));
        for (const char* t : {"Up", "Abs", "Drive", "Missing", "None"})
            QCOMPARE(image(t), QString());
        QCOMPARE(QDir(imagesFolder()).entryList(QDir::Files),
                 QStringList({QStringLiteral("plain_Plain.png"), QStringLiteral("recipes_Old_Pie 2.jpg")}));
        QCOMPARE(readFile(imagesFolder() + QStringLiteral("/recipes_Old_Pie 2.jpg")), QByteArray("pie picture"));
        QVERIFY(QFileInfo::exists(from + QStringLiteral("/recipes_Old_Pie.jpg")));

        // Pictures not wanted: none copied, names empty.
        job.pictures = false;
        const Src more(book(cat("C", rec("Other", "plain.png"))));
        job.selected = all(more);
        importRecipes(G.xmlDoc, more, job);
        QCOMPARE(image("Other"), QString());

        // A picture that cannot be written stops the run.
        job.pictures = true;
        job.imagesFolder = folderOf(env, "in/secret.jpg"); // a file, no folder
        const Src blocked(book(cat("C", rec("Blocked", "plain.png"))));
        job.selected = all(blocked);
        QCOMPARE(importRecipes(G.xmlDoc, blocked, job).fault, ImportFault::PictureNotCopied);
        QVERIFY(!G.xmlDoc.titleExists(QStringLiteral("Blocked")));
        QCOMPARE(readFile(folderOf(env, "in/secret.jpg")), QByteArray("outside"));
    }

    // An import never replaces a file in images, never gives two recipes one
    // picture, and reads pictures only from a real exp_img, regular files only.
    void importNeverTakesAPictureThatIsThere()
    {
        bdtest::TestEnv env;
        const QString from = folderOf(env, "in/exp_img");
        writeFile(from + QStringLiteral("/recipes_Desserts_x"), "crafted");
        writeFile(from + QStringLiteral("/a_x.jpg"), "first");
        writeFile(from + QStringLiteral("/a.jpg"), "second");
        writeFile(from + QStringLiteral("/Lemon Bread_Lemon Bread.jpg"), "exported");
        G.xmlDoc.appendRecipe(G.xmlDoc.appendCategory(QStringLiteral("Desserts")),
                              recipe(QStringLiteral("Pie"), QStringLiteral("recipes_Desserts_Pie.jpg")));
        env.write(QStringLiteral("images/recipes_Desserts_Pie.jpg"), "the cook's pie");
        env.write(QStringLiteral("images/a_x_Loose.jpg"), "a file no recipe names");
        QVERIFY(bookStore().save());

        // "Pie.jpg" with "recipes_Desserts_x" derives the cook's picture's
        // name; "a_x.jpg" + "T" and "a.jpg" + "x_T" derive one name; a name
        // derived before keeps its form (it never grows from trip to trip).
        const Src source(
            book(cat("Desserts", rec("Pie.jpg", "recipes_Desserts_x") + rec("T", "a_x.jpg") + rec("x_T", "a.jpg") +
                                     rec("Loose", "a_x.jpg") + rec("Lemon Bread", "Lemon Bread_Lemon Bread.jpg"))));
        ImportJob job;
        job.selected = all(source);
        job.pictures = true;
        job.pictureFolder = from;
        job.imagesFolder = imagesFolder();
        job.bookPath = bookPath();
        QCOMPARE(importRecipes(G.xmlDoc, source, job).imported, 5);
        const auto stored = [](const char* title) {
            return RecipeBook::fields(bdtest::DiskBook().findRecipe(0, QString::fromUtf8(title))).image;
        };
        QCOMPARE(stored("Pie"), QStringLiteral("recipes_Desserts_Pie.jpg"));
        QCOMPARE(env.read(QStringLiteral("images/recipes_Desserts_Pie.jpg")), QByteArray("the cook's pie"));
        QCOMPARE(stored("Pie.jpg"), QStringLiteral("recipes_Desserts_Pie (2).jpg"));
        QCOMPARE(env.read(QStringLiteral("images/recipes_Desserts_Pie (2).jpg")), QByteArray("crafted"));
        QCOMPARE(stored("T"), QStringLiteral("a_x_T.jpg"));
        QCOMPARE(stored("x_T"), QStringLiteral("a_x_T (2).jpg"));
        QCOMPARE(env.read(QStringLiteral("images/a_x_T.jpg")), QByteArray("first"));
        QCOMPARE(env.read(QStringLiteral("images/a_x_T (2).jpg")), QByteArray("second"));
        QCOMPARE(stored("Loose"), QStringLiteral("a_x_Loose (2).jpg"));
        QCOMPARE(env.read(QStringLiteral("images/a_x_Loose.jpg")), QByteArray("a file no recipe names"));
        QCOMPARE(stored("Lemon Bread"), QStringLiteral("Lemon Bread_Lemon Bread.jpg"));
        // Nothing half-done is left.
        for (const QString& name : QDir(imagesFolder()).entryList(QDir::Files | QDir::Hidden))
            QVERIFY2(!name.contains(QLatin1String(".bdnew-")), qPrintable(name));

#ifdef Q_OS_UNIX
        // A linked exp_img, or a link in a real one, brings nothing in.
        writeFile(folderOf(env, "secret/s.jpg"), "outside the book");
        QVERIFY(QDir().mkpath(folderOf(env, "linked")));
        QVERIFY(QFile::link(folderOf(env, "secret"), folderOf(env, "linked/exp_img")));
        QVERIFY(QFile::link(folderOf(env, "secret/s.jpg"), from + QStringLiteral("/s.jpg")));
        const Src more(book(cat("Desserts", rec("Secret", "s.jpg"))));
        job.selected = all(more);
        for (const QString& folder : {folderOf(env, "linked/exp_img"), from}) {
            job.pictureFolder = folder;
            G.xmlDoc.removeRecipe(G.xmlDoc.findRecipe(0, QStringLiteral("Secret")));
            QCOMPARE(importRecipes(G.xmlDoc, more, job).imported, 1);
            QVERIFY(RecipeBook::fields(G.xmlDoc.findRecipe(0, QStringLiteral("Secret"))).image.isEmpty());
        }
        for (const QString& name : QDir(imagesFolder()).entryList(QDir::Files))
            QVERIFY2(readFile(imagesFolder() + QLatin1Char('/') + name) != "outside the book", qPrintable(name));
#endif
    }

    // The pictures of an export never go through a linked exp_img.
    void exportNeverWritesThroughALink()
    {
#ifdef Q_OS_UNIX
        bdtest::TestEnv env;
        G.xmlDoc.appendRecipe(G.xmlDoc.appendCategory(QStringLiteral("C")),
                              recipe(QStringLiteral("Pie"), QStringLiteral("pie.jpg")));
        env.write(QStringLiteral("images/pie.jpg"), "new pie");
        writeFile(folderOf(env, "elsewhere/pie.jpg"), "someone's file");
        QDir().mkpath(folderOf(env, "out"));
        QVERIFY(QFile::link(folderOf(env, "elsewhere"), folderOf(env, "out/exp_img")));
        ExportJob job;
        job.path = folderOf(env, "out/export.xml");
        job.imagesFolder = imagesFolder();
        job.pictureFolder = exchangePictureFolder(job.path);
        const ExportResult r = exportRecipes(G.xmlDoc, {{0, QStringLiteral("Pie")}}, job);
        QCOMPARE(r.outcome, RunOutcome::Failed);
        QCOMPARE(r.saved.message, Str::PictureFolderLinked);
        QCOMPARE(readFile(folderOf(env, "elsewhere/pie.jpg")), QByteArray("someone's file"));
        QVERIFY(!QFileInfo::exists(job.path));
#endif
    }

    // A book cut short or broken: the recipes whole before the fault, in
    // their categories, as a book is read; nothing when none is whole.
    void damagedBooksGiveTheirWholeRecipes()
    {
        bdtest::TestEnv env;
        const QByteArray whole = book(cat("Soups", rec("s1") + rec("s2")) +
                                      cat("Cakes", rec("c1", "c1.png") + rec("c2")));
        const QString path = env.file(QStringLiteral("in/damaged.xml"));
        auto read = [&](const QByteArray& bytes) {
            writeFile(path, bytes);
            RecipeList source;
            const ImportKind kind = loadImportFile(path, source, {QStringLiteral("Imported"), 0});
            QStringList got;
            for (const Recipe& r : source.recipes)
                got << r.category + QLatin1Char(':') + r.title;
            return std::make_pair(kind, got);
        };
        const qsizetype afterC1 = whole.indexOf("</recipe>", whole.indexOf("c1.png")) + 9;
        const auto [kind, got] = read(whole.left(afterC1));
        QCOMPARE(kind, ImportKind::Book);
        QCOMPARE(got,
                 QStringList({QStringLiteral("Soups:s1"), QStringLiteral("Soups:s2"), QStringLiteral("Cakes:c1")}));
        // Cut inside a recipe, or broken in it: that one and the rest are lost.
        QCOMPARE(read(whole.left(whole.indexOf("<prep/>", whole.indexOf("s2")))).second,
                 QStringList{QStringLiteral("Soups:s1")});
        QByteArray broken = whole;
        broken.replace("<title>c2</title>", "<title>c2</titel>");
        QCOMPARE(read(broken).second,
                 QStringList({QStringLiteral("Soups:s1"), QStringLiteral("Soups:s2"), QStringLiteral("Cakes:c1")}));
        QCOMPARE(read(whole.left(whole.indexOf("<prep/>"))).first, ImportKind::None);
        // The picture a whole recipe names comes along, as from a book.
        RecipeList source;
        writeFile(path, whole.left(afterC1));
        loadImportFile(path, source, {QStringLiteral("Imported"), 0});
        QCOMPARE(source.recipes.back().image, QStringLiteral("c1.png"));
    }

    void newFileNamesAreBare()
    {
        QCOMPARE(getNewFileName(QStringLiteral("recipes_a_b_c.v1.gif"), QStringLiteral("T")), QStringLiteral("recipes_a_T.gif"));
        QCOMPARE(getNewFileName(QStringLiteral("pic"), QStringLiteral("T")), QStringLiteral("pic_T"));
        QCOMPARE(getNewFileName(QStringLiteral("recipes_x_y.jpg"), QStringLiteral("../../etc/passwd")),
                 QStringLiteral("recipes_x_.._.._etc_passwd.jpg"));
    }

    void roundTrip()
    {
        bdtest::TestEnv env;
        const int a = G.xmlDoc.appendCategory(QStringLiteral("Soups & Stews"));
        G.xmlDoc.appendRecipe(a, recipe(QStringLiteral("Leek & soup"), QStringLiteral("recipes_Soups & Stews_Leek & soup.png"),
                                        QStringLiteral("two\r\nlines «ñ»")));
        G.xmlDoc.appendRecipe(a, recipe(QStringLiteral("Broth")));
        const QByteArray picture = bdtest::pngBytes(3, 2);
        writeFile(imagesFolder() + QStringLiteral("/recipes_Soups & Stews_Leek & soup.png"), picture);
        const QString file = folderOf(env, "share/soups.xml");
        QDir().mkpath(folderOf(env, "share"));
        QCOMPARE(exportRecipes(G.xmlDoc, {{a, QStringLiteral("Leek & soup")}, {a, QStringLiteral("Broth")}},
                               {file, imagesFolder(), exchangePictureFolder(file), kDate})
                     .outcome,
                 RunOutcome::Done);

        // Into a fresh book elsewhere.
        bdtest::TestEnv fresh;
        RecipeBook fromFile;
        QVERIFY(fromFile.loadFile(file));
        RecipeList source;
        source.recipes = fromFile.allRecipes(&source.fieldCounts);
        ImportJob job;
        job.selected = all(source);
        job.pictures = true;
        job.pictureFolder = exchangePictureFolder(file);
        job.imagesFolder = imagesFolder();
        job.bookPath = bookPath();
        job.date = kDate;
        QCOMPARE(importRecipes(G.xmlDoc, source, job).imported, 2);
        const bdtest::DiskBook disk;
        QCOMPARE(outline(disk), QStringList{QStringLiteral("Soups & Stews: Leek & soup Broth")});
        const Recipe leek = RecipeBook::fields(disk.findRecipe(0, QStringLiteral("Leek & soup")));
        QCOMPARE(leek.ing, QStringLiteral("two\nlines «ñ»"));
        QCOMPARE(leek.image, QStringLiteral("recipes_Soups & Stews_Leek & soup.png"));
        QCOMPARE(readFile(imagesFolder() + QLatin1Char('/') + leek.image), picture);
    }
};

QTEST_MAIN(TestExchange)
#include "tst_exchange.moc"
