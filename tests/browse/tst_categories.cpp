// Renaming and deleting categories from the browse window's Category menu.

#include "app/globals.h"
#include "app/windows.h"
#include "browse/categories.h"
#include "browse/frmBr.h"
#include "store/store.h"
#include "testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QtTest>

using namespace bd;

namespace {

RecipeFields recipe(const QString& title, const QString& image = {})
{
    RecipeFields f;
    f.title = title;
    f.image = image;
    return f;
}

// pies (0) with three recipes and two pictures, Bread (1) empty, cakes (2).
void fillBook(bdtest::TestEnv& env)
{
    RecipeBook& b = G.xmlDoc;
    b.appendCategory(QStringLiteral("pies"));
    b.appendCategory(QStringLiteral("Bread"));
    b.appendCategory(QStringLiteral("cakes"));
    b.appendRecipe(0, recipe(QStringLiteral("apple pie"), QStringLiteral("recipes_pies_apple pie.png")));
    b.appendRecipe(0, recipe(QStringLiteral("Pecan pie"), QStringLiteral("recipes_pies_Pecan pie.png")));
    b.appendRecipe(0, recipe(QStringLiteral("plain pie")));
    b.appendRecipe(2, recipe(QStringLiteral("Sponge"), QStringLiteral("recipes_cakes_Sponge.png")));
    for (const char* name : {"recipes_pies_apple pie.png", "recipes_pies_Pecan pie.png", "recipes_cakes_Sponge.png"})
        env.write(QStringLiteral("images/") + QLatin1String(name), bdtest::pngBytes(8, 8));
    QVERIFY(saveBook());
}

QStringList namesOnDisk(const bdtest::TestEnv& env)
{
    RecipeBook onDisk;
    if (!onDisk.loadFile(env.file(QStringLiteral("recipes.xml"))))
        return {};
    QStringList names;
    for (const CategoryEntry& c : onDisk.categories())
        names << c.name;
    return names;
}

void selectCategory(frmBr& w, const QString& name) { w.cboCats->setCurrentIndex(w.cboCats->findText(name)); }

const QStringList kOriginal{QStringLiteral("pies"), QStringLiteral("Bread"), QStringLiteral("cakes")};

} // namespace

class TestCategories : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { resetWindows(); }

    void nameFreeIgnoresLetterCase()
    {
        const QStringList entries{QStringLiteral("Bread"), QStringLiteral("cakes")};
        QVERIFY(!catNameFree(entries, QStringLiteral("bread")));
        QVERIFY(!catNameFree(entries, QStringLiteral("CAKES")));
        QVERIFY(catNameFree(entries, QStringLiteral("Breads")));
        QVERIFY(catNameFree({}, QStringLiteral("x")));
    }

    void renameAsksWithTheCurrentNameAndSelectsTheNewOne()
    {
        bdtest::TestEnv env;
        fillBook(env);
        frmBr w;
        selectCategory(w, QStringLiteral("pies"));
        env.dialogs.inputs << QStringLiteral("  Tarts  ");
        w.mnuCatEdit->trigger();
        const auto& ask = env.dialogs.calls.first();
        QCOMPARE(ask.kind, bdtest::ScriptedDialogs::Kind::Input);
        QCOMPARE(ask.text, QString::fromUtf8("Please enter a new name for the category:\r\n« pies »"));
        QCOMPARE(ask.title, QStringLiteral("BD"));
        QCOMPARE(ask.defaultAnswer, QStringLiteral("pies"));
        QVERIFY(env.dialogs.messageIds().isEmpty());
        // Saved under the trimmed name, at the same place in the book.
        QCOMPARE(namesOnDisk(env), (QStringList{QStringLiteral("Tarts"), QStringLiteral("Bread"), QStringLiteral("cakes")}));
        // Selected in its new alphabetical place, with its recipes shown.
        QCOMPARE(w.cboCats->currentText(), QStringLiteral("Tarts"));
        QCOMPARE(w.cboCats->currentIndex(), 2);
        QCOMPARE(w.lstRecs->count(), 3);
        QCOMPARE(w.lstRecs->currentItem()->text(), QStringLiteral("apple pie"));
    }

    void renameThatChangesNothingStops_data()
    {
        QTest::addColumn<std::optional<QString>>("answer");
        QTest::newRow("cancelled") << std::optional<QString>();
        QTest::newRow("emptied") << std::optional<QString>(QStringLiteral("   "));
        QTest::newRow("unchanged") << std::optional<QString>(QStringLiteral("pies"));
        QTest::newRow("spaces around") << std::optional<QString>(QStringLiteral(" pies "));
    }

    void renameThatChangesNothingStops()
    {
        QFETCH(std::optional<QString>, answer);
        bdtest::TestEnv env;
        fillBook(env);
        const QByteArray before = env.read(QStringLiteral("recipes.xml"));
        frmBr w;
        selectCategory(w, QStringLiteral("pies"));
        env.dialogs.inputs << answer;
        w.catEdit();
        QCOMPARE(env.dialogs.calls.size(), 1);
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), before);
    }

    void renameRefusesForbiddenCharacters()
    {
        bdtest::TestEnv env;
        fillBook(env);
        frmBr w;
        selectCategory(w, QStringLiteral("pies"));
        env.dialogs.inputs << QStringLiteral("pies/tarts");
        w.catEdit();
        QCOMPARE(env.dialogs.messageIds(), QList<int>{295});
        QCOMPARE(env.dialogs.last()->text,
                 QStringLiteral("You have used one of the following invalid characters in your category title\r\n"
                                "\" , ' , ? , \\ , / , : , * , | , < , > "));
        QCOMPARE(env.dialogs.calls.size(), 2); // no second question
        QCOMPARE(namesOnDisk(env), kOriginal);
    }

    void renameToAUsedNameOffersRetry()
    {
        bdtest::TestEnv env;
        fillBook(env);
        frmBr w;
        selectCategory(w, QStringLiteral("pies"));
        // Another category in other letters, then its own name in other
        // letters, then Retry with a free name.
        env.dialogs.inputs << QStringLiteral("bread") << QStringLiteral("PIES") << QStringLiteral("Pastry");
        env.dialogs.answers << Answer::Retry << Answer::Retry;
        w.catEdit();
        QCOMPARE(env.dialogs.messageIds(), (QList<int>{192, 192}));
        QCOMPARE(env.dialogs.calls[1].buttons, Buttons::RetryCancel);
        QCOMPARE(env.dialogs.calls[1].text, QStringLiteral("That category exists.  Please try another."));
        // Each retry proposes the current name again.
        QCOMPARE(env.dialogs.calls[2].defaultAnswer, QStringLiteral("pies"));
        QCOMPARE(env.dialogs.calls[4].defaultAnswer, QStringLiteral("pies"));
        QCOMPARE(namesOnDisk(env), (QStringList{QStringLiteral("Pastry"), QStringLiteral("Bread"), QStringLiteral("cakes")}));
        QCOMPARE(w.cboCats->currentText(), QStringLiteral("Pastry"));

        // Cancel gives up.
        env.dialogs.clear();
        env.dialogs.inputs << QStringLiteral("CAKES");
        env.dialogs.answers << Answer::Cancel;
        w.catEdit();
        QCOMPARE(env.dialogs.calls.size(), 2);
        QCOMPARE(namesOnDisk(env).first(), QStringLiteral("Pastry"));
    }

    void renameReportsAFailedSave()
    {
        bdtest::TestEnv env;
        fillBook(env);
        frmBr w;
        QFile::remove(env.file(QStringLiteral("recipes.xml")));
        QVERIFY(QDir().mkpath(env.file(QStringLiteral("recipes.xml"))));
        env.dialogs.inputs << QStringLiteral("Loaves");
        w.catEdit(); // Bread, the first entry
        QCOMPARE(env.dialogs.messageIds(), QList<int>{307});
        // The change is kept in memory and shown.
        QCOMPARE(w.cboCats->currentText(), QStringLiteral("Loaves"));
    }

    void deleteWarnsAboutRecipesThenConfirms()
    {
        bdtest::TestEnv env;
        fillBook(env);
        const QByteArray before = env.read(QStringLiteral("recipes.xml"));
        frmBr w;
        selectCategory(w, QStringLiteral("pies"));
        env.dialogs.answers << Answer::Ok << Answer::No;
        w.mnuCatDel->trigger();
        QCOMPARE(env.dialogs.messageIds(), (QList<int>{259, 168}));
        QCOMPARE(env.dialogs.last()->text, QString::fromUtf8("Confirm deletion of:\r\n« pies »"));
        QCOMPARE(env.dialogs.last()->buttons, Buttons::YesNo);
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), before);
        QVERIFY(QFile::exists(env.file(QStringLiteral("images/recipes_pies_apple pie.png"))));

        env.dialogs.clear();
        w.catDel(); // Yes
        QCOMPARE(namesOnDisk(env), (QStringList{QStringLiteral("Bread"), QStringLiteral("cakes")}));
        QVERIFY(!G.xmlDoc.titleExists(QStringLiteral("Pecan pie")));
        QVERIFY(!QFile::exists(env.file(QStringLiteral("images/recipes_pies_apple pie.png"))));
        QVERIFY(!QFile::exists(env.file(QStringLiteral("images/recipes_pies_Pecan pie.png"))));
        QVERIFY(QFile::exists(env.file(QStringLiteral("images/recipes_cakes_Sponge.png"))));
        // The lists start again from the first category.
        QCOMPARE(w.cboCats->count(), 2);
        QCOMPARE(w.cboCats->currentText(), QStringLiteral("Bread"));
        QCOMPARE(w.selectedCategory(), 0);
    }

    void deleteOfAnEmptyCategoryOnlyConfirms()
    {
        bdtest::TestEnv env;
        fillBook(env);
        frmBr w;
        QCOMPARE(w.cboCats->currentText(), QStringLiteral("Bread"));
        w.catDel();
        QCOMPARE(env.dialogs.messageIds(), QList<int>{168});
        QCOMPARE(namesOnDisk(env), (QStringList{QStringLiteral("pies"), QStringLiteral("cakes")}));
    }

    void nothingToDoWithoutCategories()
    {
        bdtest::TestEnv env;
        frmBr w;
        w.catEdit();
        w.catDel();
        QVERIFY(env.dialogs.calls.isEmpty());
    }

    void deleteKeepsPicturesUntilTheBookIsSaved()
    {
        bdtest::TestEnv env;
        fillBook(env);
        frmBr w;
        selectCategory(w, QStringLiteral("pies"));
        QFile::remove(env.file(QStringLiteral("recipes.xml")));
        QVERIFY(QDir().mkpath(env.file(QStringLiteral("recipes.xml"))));
        w.catDel();
        QCOMPARE(env.dialogs.messageIds(), (QList<int>{259, 168, 307}));
        QVERIFY(QFile::exists(env.file(QStringLiteral("images/recipes_pies_apple pie.png"))));
    }

    void deleteNeverReachesOutsideTheImagesFolder()
    {
        bdtest::TestEnv env;
        G.xmlDoc.appendCategory(QStringLiteral("odd"));
        // A hand-edited book naming files elsewhere.
        G.xmlDoc.appendRecipe(0, recipe(QStringLiteral("a"), QStringLiteral("../recipes.xml")));
        G.xmlDoc.appendRecipe(0, recipe(QStringLiteral("b"), QStringLiteral("..")));
        G.xmlDoc.appendRecipe(0, recipe(QStringLiteral("c"), QStringLiteral("sub/x.png")));
        G.xmlDoc.appendRecipe(0, recipe(QStringLiteral("d"), QStringLiteral("..\\keep.png")));
        G.xmlDoc.appendRecipe(0, recipe(QStringLiteral("e"), QStringLiteral("C:keep.png")));
        G.xmlDoc.appendRecipe(0, recipe(QStringLiteral("f"), QStringLiteral("fine..png")));
        env.write(QStringLiteral("images/sub/x.png"), "x");
        env.write(QStringLiteral("keep.png"), "k");
        env.write(QStringLiteral("images/fine..png"), "f");
        QVERIFY(saveBook());
        QVERIFY(deleteCategory(QStringLiteral("odd")));
        QCOMPARE(G.xmlDoc.categoryCount(), 0);
        QVERIFY(QFile::exists(env.file(QStringLiteral("recipes.xml"))));
        QVERIFY(QFile::exists(env.file(QStringLiteral("images/sub/x.png"))));
        QVERIFY(QFile::exists(env.file(QStringLiteral("keep.png"))));
        QVERIFY(QDir(env.file(QStringLiteral("images"))).exists());
        QVERIFY(!QFile::exists(env.file(QStringLiteral("images/fine..png"))));
    }

    void documentOperationsActOnTheFirstExactMatch()
    {
        bdtest::TestEnv env;
        G.xmlDoc.appendCategory(QStringLiteral("Soup"));
        G.xmlDoc.appendCategory(QStringLiteral("soup"));
        G.xmlDoc.appendCategory(QStringLiteral("soup"));
        QVERIFY(renameCategory(QStringLiteral("soup"), QStringLiteral("Stew")));
        QCOMPARE(G.xmlDoc.categoryName(0), QStringLiteral("Soup"));
        QCOMPARE(G.xmlDoc.categoryName(1), QStringLiteral("Stew"));
        QCOMPARE(G.xmlDoc.categoryName(2), QStringLiteral("soup"));
        QVERIFY(deleteCategory(QStringLiteral("soup")));
        QCOMPARE(G.xmlDoc.categoryCount(), 2);
        // No match: nothing changes and nothing is written.
        QFile::remove(env.file(QStringLiteral("recipes.xml")));
        QVERIFY(renameCategory(QStringLiteral("none"), QStringLiteral("x")));
        QVERIFY(deleteCategory(QStringLiteral("none")));
        QVERIFY(!QFile::exists(env.file(QStringLiteral("recipes.xml"))));
    }
};

QTEST_MAIN(TestCategories)
#include "tst_categories.moc"
