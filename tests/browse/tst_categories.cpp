// Renaming and deleting categories from the browse window's Category menu.

#include "app/base/globals.h"
#include "app/ui/windows.h"
#include "browse/categories.h"
#include "browse/frmBr.h"
#include "store/store.h"
#include "store/trash.h"
#include "testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QtTest>

using namespace bd;

namespace {

// pies (0) with three recipes, two of them with pictures; Bread (1) empty;
// cakes (2) with one recipe and its picture.
void fillBook(bdtest::TestEnv& env)
{
    G.xmlDoc.appendCategory(QStringLiteral("pies"));
    G.xmlDoc.appendCategory(QStringLiteral("Bread"));
    G.xmlDoc.appendCategory(QStringLiteral("cakes"));
    const char* rows[][3] = {{"0", "apple pie", "recipes_pies_apple pie.png"},
                             {"0", "Pecan pie", "recipes_pies_Pecan pie.png"},
                             {"0", "plain pie", ""},
                             {"2", "Sponge", "recipes_cakes_Sponge.png"}};
    for (const auto& row : rows) {
        const Recipe f = bdtest::titled(QString::fromUtf8(row[1]), QString::fromUtf8(row[2]));
        G.xmlDoc.appendRecipe(QByteArray(row[0]).toInt(), f);
        if (!f.image.isEmpty())
            env.write(QStringLiteral("images/") + f.image, bdtest::pngBytes(8, 8));
    }
    QVERIFY(bookStore().save());
}

QStringList namesOnDisk(const bdtest::TestEnv& env)
{
    RecipeBook onDisk;
    onDisk.loadFile(env.file(QStringLiteral("recipes.xml")));
    QStringList names;
    for (const CategoryEntry& c : onDisk.categories())
        names << c.name;
    return names;
}

bool picture(const bdtest::TestEnv& env, const char* name)
{
    return QFile::exists(env.file(QStringLiteral("images/") + QLatin1String(name)));
}

void blockSaving(const bdtest::TestEnv& env)
{
    QFile::remove(env.file(QStringLiteral("recipes.xml")));
    QDir().mkpath(env.file(QStringLiteral("recipes.xml")));
}

} // namespace

class TestCategories : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { resetWindows(); }

    void renameSavesAndSelectsTheNewName()
    {
        bdtest::TestEnv env;
        fillBook(env);
        frmBr w;
        w.cboCats->setCurrentIndex(w.cboCats->findText(QStringLiteral("pies")));
        env.dialogs.inputs << QStringLiteral("  Tarts  ");
        w.mnuCatEdit->trigger();
        QCOMPARE(env.dialogs.calls.first().text, QString::fromUtf8("Please enter a new name for the category:\r\n« pies »"));
        QCOMPARE(env.dialogs.calls.size(), 1);
        // Trimmed, in the same place in the book; selected in its new list place.
        QCOMPARE(namesOnDisk(env), (QStringList{"Tarts", "Bread", "cakes"}));
        QCOMPARE(w.cboCats->currentIndex(), 2);
        QCOMPARE(w.cboCats->currentText(), QStringLiteral("Tarts"));
    }

    void renameThatChangesNothingStops_data()
    {
        QTest::addColumn<std::optional<QString>>("answer");
        QTest::newRow("cancelled") << std::optional<QString>();
        QTest::newRow("emptied") << std::optional<QString>(QStringLiteral("   "));
        QTest::newRow("unchanged") << std::optional<QString>(QStringLiteral("Bread"));
        QTest::newRow("spaces around") << std::optional<QString>(QStringLiteral(" Bread "));
    }

    void renameThatChangesNothingStops()
    {
        QFETCH(std::optional<QString>, answer);
        bdtest::TestEnv env;
        fillBook(env);
        const QByteArray before = env.read(QStringLiteral("recipes.xml"));
        frmBr w;
        env.dialogs.inputs << answer;
        w.catEdit();
        QCOMPARE(env.dialogs.calls.size(), 1);
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), before);
    }

    void renameRefusesBadAndUsedNames()
    {
        bdtest::TestEnv env;
        fillBook(env);
        frmBr w; // Bread is selected
        env.dialogs.inputs << QStringLiteral("Bread/rolls");
        w.catEdit();
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::CategoryChars});
        QCOMPARE(env.dialogs.last()->text,
                 QStringLiteral("You have used one of the following invalid characters in your category title\r\n"
                                "\" , ' , ? , \\ , / , : , * , | , < , > "));

        // Another category and its own name in other letters are both taken;
        // Retry asks again with the current name.
        env.dialogs.clear();
        env.dialogs.inputs << QStringLiteral("PIES") << QStringLiteral("bread") << QStringLiteral("Loaves");
        env.dialogs.answers << Answer::Retry << Answer::Retry;
        w.catEdit();
        QCOMPARE(env.dialogs.messageIds(), (QList<Str>{Str::CategoryExists, Str::CategoryExists}));
        QCOMPARE(env.dialogs.calls[1].buttons, Buttons::RetryCancel);
        QCOMPARE(env.dialogs.calls[4].defaultAnswer, QStringLiteral("Bread"));
        QCOMPARE(namesOnDisk(env), (QStringList{"pies", "Loaves", "cakes"}));
        QCOMPARE(w.cboCats->currentText(), QStringLiteral("Loaves"));

        // Cancel gives up.
        env.dialogs.clear();
        env.dialogs.inputs << QStringLiteral("Cakes");
        env.dialogs.answers << Answer::Cancel;
        w.catEdit();
        QCOMPARE(env.dialogs.calls.size(), 2);
        QCOMPARE(namesOnDisk(env), (QStringList{"pies", "Loaves", "cakes"}));
    }

    void deleteWarnsConfirmsAndTakesThePictures()
    {
        bdtest::TestEnv env;
        fillBook(env);
        const QByteArray before = env.read(QStringLiteral("recipes.xml"));
        frmBr w;
        w.cboCats->setCurrentIndex(w.cboCats->findText(QStringLiteral("pies")));
        env.dialogs.answers << Answer::Ok << Answer::No;
        w.mnuCatDel->trigger();
        QCOMPARE(env.dialogs.messageIds(), (QList<Str>{Str::CategoryHasRecipes, Str::ConfirmDeletion}));
        QCOMPARE(env.dialogs.last()->text, QString::fromUtf8("Confirm deletion of:\r\n« pies »"));
        QCOMPARE(env.dialogs.last()->buttons, Buttons::YesNo);
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), before);
        QVERIFY(picture(env, "recipes_pies_apple pie.png"));

        env.dialogs.clear();
        w.catDel(); // Yes
        QCOMPARE(namesOnDisk(env), (QStringList{"Bread", "cakes"}));
        QVERIFY(!G.xmlDoc.titleExists(QStringLiteral("plain pie")));
        // The recipes wait in the trash with their pictures.
        Trash trash(trashPath(bookPath()));
        QVERIFY(trash.load());
        QCOMPARE(trash.count(), 3);
        QVERIFY(picture(env, "recipes_pies_apple pie.png"));
        QVERIFY(bookStore().emptyTrash().ok);
        QVERIFY(!picture(env, "recipes_pies_apple pie.png"));
        QVERIFY(!picture(env, "recipes_pies_Pecan pie.png"));
        QVERIFY(picture(env, "recipes_cakes_Sponge.png"));
        QCOMPARE(w.cboCats->currentText(), QStringLiteral("Bread"));
        QCOMPARE(w.selectedCategory(), 0); // positions renumbered

        // An empty category: only the confirmation.
        env.dialogs.clear();
        w.catDel();
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::ConfirmDeletion});
        QCOMPARE(namesOnDisk(env), QStringList{"cakes"});
    }

    void failedSavesAreReportedAndKeepPictures()
    {
        bdtest::TestEnv env;
        fillBook(env);
        frmBr w;
        blockSaving(env);
        env.dialogs.inputs << QStringLiteral("Loaves");
        w.catEdit();
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::SaveFailed});
        QCOMPARE(w.cboCats->currentText(), QStringLiteral("Loaves")); // kept in memory

        env.dialogs.clear();
        w.cboCats->setCurrentIndex(w.cboCats->findText(QStringLiteral("pies")));
        w.catDel();
        QCOMPARE(env.dialogs.messageIds(),
                 (QList<Str>{Str::CategoryHasRecipes, Str::ConfirmDeletion, Str::SaveFailed}));
        QVERIFY(picture(env, "recipes_pies_apple pie.png"));
    }

    void deleteActsOnTheExactNameAndStaysInTheImagesFolder()
    {
        bdtest::TestEnv env;
        G.xmlDoc.appendCategory(QStringLiteral("Odd"));
        G.xmlDoc.appendCategory(QStringLiteral("odd"));
        // A hand-edited book naming files elsewhere.
        for (const char* image : {"../keep.png", "..", "sub/x.png", "..\\keep.png", "C:keep.png", "fine..png"})
            G.xmlDoc.appendRecipe(1, bdtest::titled(QLatin1String(image), QLatin1String(image)));
        env.write(QStringLiteral("images/sub/x.png"), "x");
        env.write(QStringLiteral("keep.png"), "k");
        env.write(QStringLiteral("images/fine..png"), "f");
        QVERIFY(bookStore().deleteCategory(QStringLiteral("odd")));
        QCOMPARE(G.xmlDoc.categoryCount(), 1);
        QCOMPARE(G.xmlDoc.categoryName(0), QStringLiteral("Odd"));
        QVERIFY(QFile::exists(env.file(QStringLiteral("images/sub/x.png"))));
        QVERIFY(QFile::exists(env.file(QStringLiteral("keep.png"))));
        QVERIFY(bookStore().emptyTrash().ok);
        QVERIFY(QFile::exists(env.file(QStringLiteral("images/sub/x.png"))));
        QVERIFY(QFile::exists(env.file(QStringLiteral("keep.png"))));
        QVERIFY(!QFile::exists(env.file(QStringLiteral("images/fine..png"))));
        QVERIFY(QDir(env.file(QStringLiteral("images"))).exists());
    }
};

QTEST_MAIN(TestCategories)
#include "tst_categories.moc"
