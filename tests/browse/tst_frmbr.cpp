// The browse window driven as a user would: lists, display, remove, copy.

#include "app/application.h"
#include "app/base/globals.h"
#include "app/ui/helpwindow.h"
#include "app/ui/windows.h"
#include "app/base/bookwatch.h"
#include "browse/frmBr.h"
#include "browse/listwindow.h"
#include "store/booksave.h"
#include "store/names.h"
#include "store/store.h"
#include "app/base/text.h"
#include "guitest.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>
#include <unistd.h>
#include <memory>

using namespace bd;

namespace {

Recipe recipe(const QString& title, const QString& ing = {}, const QString& image = {})
{
    Recipe f;
    f.title = title;
    f.preptime = QStringLiteral("10 min");
    f.cooktime = QStringLiteral("1 h");
    f.yield = QStringLiteral("4");
    f.ing = ing;
    f.prep = QStringLiteral("Mix.\nBake.");
    f.date = QStringLiteral("12/5/2026");
    f.image = image;
    return f;
}

// pies (0), Bread (1), cakes (2), created in that order.
void fillBook(bdtest::TestEnv& env)
{
    RecipeBook& b = G.xmlDoc;
    b.appendCategory(QStringLiteral("pies"));
    b.appendCategory(QStringLiteral("Bread"));
    b.appendCategory(QStringLiteral("cakes"));
    b.appendRecipe(0, recipe(QStringLiteral("Pecan pie")));
    b.appendRecipe(0, recipe(QStringLiteral("apple pie"), QStringLiteral("apples\nbutter"),
                             QStringLiteral("recipes_pies_apple pie.png")));
    b.appendRecipe(2, recipe(QStringLiteral("Sponge")));
    b.appendRecipe(2, recipe(QStringLiteral("carrot cake")));
    env.write(QStringLiteral("images/recipes_pies_apple pie.png"), bdtest::pngBytes(400, 300));
    QVERIFY(bookStore().save());
}

using bdtest::texts;

void selectCategory(frmBr& w, const QString& name) { w.cboCats->setCurrentIndex(w.cboCats->findText(name)); }

} // namespace

class TestFrmBr : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { resetWindows(); }

    // About, the picture viewer, search and the plain-text view, closed
    // each its own way, hand the keyboard back to the control that had it,
    // or to the recipe list when that control can no longer take it.
    void secondaryWindowsGiveTheKeyboardBack()
    {
        bdtest::TestEnv env;
        fillBook(env);
        registerStandardWindows();
        auto* br = static_cast<frmBr*>(showWindow(WindowKind::Br));
        QVERIFY(QTest::qWaitForWindowActive(br));
        selectCategory(*br, QStringLiteral("pies"));
        br->lstRecs->setCurrentRow(0); // apple pie, with its picture
        auto press = [](WindowKind kind, const char* button) {
            return [kind, button] { instance(kind)->findChild<QPushButton*>(QLatin1String(button))->click(); };
        };
        struct Case {
            const char* name;
            QWidget* control;
            WindowKind kind;
            std::function<void()> open, close;
        };
        const QList<Case> cases = {
            {"about", br->lstRecs, WindowKind::About, [br] { br->mnuBrAbout->trigger(); },
             press(WindowKind::About, "cmdOK")},
            {"picture viewer", br->txtIng, WindowKind::ImgView, [br] { br->pictureView(); },
             [] { QTest::keyClick(instance(WindowKind::ImgView), Qt::Key_Escape); }},
            {"search", br->cboCats, WindowKind::Search, [br] { br->mnuSearch->trigger(); },
             press(WindowKind::Search, "cmdCancel")},
            {"plain text", br->txtPrep, WindowKind::PlainText, [br] { br->mnuPlainText->trigger(); },
             press(WindowKind::PlainText, "cmdDone")},
        };
        for (const Case& c : cases) {
            c.control->setFocus();
            QTRY_COMPARE(QApplication::focusWidget(), c.control);
            c.open();
            QVERIFY2(instance(c.kind) && !br->isEnabled(), c.name);
            QTRY_VERIFY2(QApplication::focusWidget() != c.control, c.name);
            c.close();
            QTRY_VERIFY2(!instance(c.kind), c.name);
            QVERIFY(br->isEnabled());
            QTRY_VERIFY2(QApplication::focusWidget() == c.control, c.name);
        }
        // Down moves through the recipes again.
        br->lstRecs->setFocus();
        br->mnuBrAbout->trigger();
        press(WindowKind::About, "cmdOK")();
        QTRY_COMPARE(QApplication::focusWidget(), br->lstRecs);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(br->lstRecs->currentRow(), 1);
        // A control disabled meanwhile: the recipe list takes the keyboard.
        br->cmdEdit->setFocus();
        br->mnuBrAbout->trigger();
        br->cmdEdit->setEnabled(false);
        press(WindowKind::About, "cmdOK")();
        QTRY_COMPARE(QApplication::focusWidget(), br->lstRecs);
        // In the add window, typing goes on in the box it went to before.
        QWidget* add = switchTo(br, WindowKind::Add);
        QVERIFY(QTest::qWaitForWindowActive(add));
        auto* notes = add->findChild<QPlainTextEdit*>(QStringLiteral("txtOther"));
        notes->setFocus();
        add->findChild<QAction*>(QStringLiteral("mnuAddAbout"))->trigger();
        press(WindowKind::About, "cmdOK")();
        QTRY_COMPARE(QApplication::focusWidget(), notes);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("warm"));
        QCOMPARE(notes->toPlainText(), QStringLiteral("warm"));
    }

    void listsAreSortedAndKeepBookPositions()
    {
        bdtest::TestEnv env;
        fillBook(env);
        frmBr w;
        QCOMPARE(w.cboCats->itemText(0), QStringLiteral("Bread"));
        QCOMPARE(w.cboCats->itemText(2), QStringLiteral("pies"));
        // Bread is empty: nothing shown.
        QVERIFY(w.lblPT->text().isEmpty());

        selectCategory(w, QStringLiteral("cakes"));
        QCOMPARE(w.selectedCategory(), 2);
        QCOMPARE(texts(w.lstRecs), (QStringList{QStringLiteral("carrot cake"), QStringLiteral("Sponge")}));

        selectCategory(w, QStringLiteral("pies"));
        QCOMPARE(texts(w.lstRecs), (QStringList{QStringLiteral("apple pie"), QStringLiteral("Pecan pie")}));
        // The alphabetically first recipe is shown, line breaks and all.
        QCOMPARE(w.lblCT->text(), QStringLiteral("1 h"));
        QCOMPARE(w.txtIng->document()->blockCount(), 2);
        QCOMPARE(w.lblImgLoc->text(), QStringLiteral("recipes_pies_apple pie.png"));
        QVERIFY(!w.Image1->isHidden());
        // The edit window is handed what is shown.
        w.saveInfoToEdit();
        QCOMPARE(G.editCat, QStringLiteral("pies"));
        QCOMPARE(G.editIng, QStringLiteral("apples\nbutter"));
        QCOMPARE(G.editImage, QStringLiteral("recipes_pies_apple pie.png"));

        // Another recipe without a picture clears the picture reference.
        w.lstRecs->setCurrentRow(1);
        QVERIFY(w.Image1->isHidden());
        QVERIFY(w.txtIng->toPlainText().isEmpty());
    }

    void emptyBookAndMissingThingsDoNothing()
    {
        bdtest::TestEnv env;
        {
            frmBr w;
            w.remove();
            w.pictureView();
            w.copy();
            w.catEdit();
            w.catDel();
            QVERIFY(env.dialogs.calls.isEmpty());
        }
        // A recipe with an empty title is not listed; a missing picture file gives no thumbnail.
        G.xmlDoc.appendCategory(QStringLiteral("odd"));
        G.xmlDoc.appendRecipe(0, recipe(QString()));
        G.xmlDoc.appendCategory(QStringLiteral("pictures"));
        G.xmlDoc.appendRecipe(1, recipe(QStringLiteral("Lost"), {}, QStringLiteral("gone.jpg")));
        frmBr w;
        QCOMPARE(w.lstRecs->count(), 0);
        selectCategory(w, QStringLiteral("pictures"));
        QCOMPARE(w.lblPT->text(), QStringLiteral("10 min"));
        QVERIFY(w.lblImgLoc->text().isEmpty());
        QVERIFY(w.Image1->isHidden());
    }

    void removeAsksThenMovesTheRecipeToTheTrash()
    {
        bdtest::TestEnv env;
        fillBook(env);
        frmBr w;
        selectCategory(w, QStringLiteral("pies"));

        env.dialogs.answers << Answer::No;
        w.remove();
        QCOMPARE(env.dialogs.last()->id, Str::ConfirmDeletion);
        QCOMPARE(env.dialogs.last()->text, QString::fromUtf8("Confirm deletion of:  « apple pie »"));
        QVERIFY(G.xmlDoc.titleExists(QStringLiteral("apple pie")));

        // The Delete key in the list is the same command.
        w.lstRecs->setFocus();
        QTest::keyClick(w.lstRecs, Qt::Key_Delete);
        QCOMPARE(env.dialogs.messageIds(), (QList<Str>{Str::ConfirmDeletion, Str::ConfirmDeletion}));
        QVERIFY(QFile::exists(env.file(QStringLiteral("images/recipes_pies_apple pie.png")))); // in the trash
        QCOMPARE(bdtest::DiskBook().recipeTitles(0), QStringList{QStringLiteral("Pecan pie")});
        QCOMPARE(texts(w.lstRecs), QStringList{QStringLiteral("Pecan pie")});
        QCOMPARE(w.lblPT->text(), QStringLiteral("10 min"));

        // Removing the last recipe empties list and display.
        w.remove();
        QCOMPARE(w.lstRecs->count(), 0);
        QVERIFY(w.lblDC->text().isEmpty());
    }

    void failedSaveIsReportedAndKeepsThePicture()
    {
        bdtest::TestEnv env;
        fillBook(env);
        frmBr w;
        selectCategory(w, QStringLiteral("pies"));
        // A folder where the book should be cannot be replaced by a file.
        QFile::remove(env.file(QStringLiteral("recipes.xml")));
        QVERIFY(QDir().mkpath(env.file(QStringLiteral("recipes.xml"))));
        w.remove();
        QCOMPARE(env.dialogs.messageIds(), (QList<Str>{Str::ConfirmDeletion, Str::SaveFailed}));
        QVERIFY(QFile::exists(env.file(QStringLiteral("images/recipes_pies_apple pie.png"))));
    }

    void copyServesOnlyTheRecipeBoxes()
    {
        bdtest::TestEnv env;
        fillBook(env);
        frmBr w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        selectCategory(w, QStringLiteral("pies"));

        w.txtIng->setFocus();
        QTextCursor c = w.txtIng->textCursor();
        c.setPosition(0);
        c.setPosition(3, QTextCursor::KeepAnchor);
        w.txtIng->setTextCursor(c);
        w.updateEditMenu();
        QVERIFY(w.mnuBrCopy->isEnabled());
        w.mnuBrCopy->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("app"));

        // Focus in another box clears the first box's selection.
        w.txtPrep->setFocus();
        QVERIFY(!w.txtIng->textCursor().hasSelection());
        w.cboCats->setFocus();
        w.updateEditMenu();
        QVERIFY(!w.mnuBrCopy->isEnabled());
    }

    void helpNeedsItsGuide()
    {
        bdtest::TestEnv env;
        frmBr w;
        QVERIFY(!helpContents(&w));
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::HelpNotFound});
        bdtest::writeFile(G.helpFolder + QStringLiteral("/bdEs.html"), "<html><body><h1>Hola</h1></body></html>");
        G.langOffset = 300;
        QWidget* help = helpContents(&w);
        QVERIFY(help);
        QCOMPARE(helpContents(&w), help); // asked again: the same window
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::HelpNotFound});
    }

    // A book file replaced by another program shows at once, the chosen
    // category and recipe kept; removed recipes come back from the trash.
    void outsideChangesShowAndTheTrashRestores()
    {
        bdtest::TestEnv env;
        fillBook(env);
        frmBr w;
        w.show();
        selectCategory(w, QStringLiteral("pies"));
        w.lstRecs->setCurrentItem(w.lstRecs->findItems(QStringLiteral("apple pie"), Qt::MatchExactly).value(0));
        const BookWatcher watcher(
            bookPath(), G.xmlDoc, [] { return true; }, [&w] { w.showBookAgain(); });
        RecipeBook theirs;
        QVERIFY(theirs.loadFile(bookPath()));
        theirs.appendRecipe(0, recipe(QStringLiteral("Walnut tart")));
        bdtest::replaceFromOutside(bookPath(), theirs.serialize());
        QTRY_VERIFY(texts(w.lstRecs).contains(QStringLiteral("Walnut tart")));
        QCOMPARE(w.cboCats->currentText(), QStringLiteral("pies"));
        QCOMPARE(w.lstRecs->currentItem()->text(), QStringLiteral("apple pie"));

        // Removed, then restored from Recipe > Deleted Recipes.
        env.dialogs.answers << Answer::Yes;
        w.remove();
        QVERIFY(!G.xmlDoc.titleExists(QStringLiteral("apple pie")));
        w.mnuTrash->trigger(); // not registered here: nothing opens
        frmTrash trash;
        QCOMPARE(trash.list()->topLevelItemCount(), 1);
        QCOMPARE(trash.list()->topLevelItem(0)->text(1), QStringLiteral("pies"));
        QVERIFY(trash.cmdRestore->isEnabled()); // the first entry is chosen
        trash.cmdRestore->click();
        QVERIFY(bdtest::DiskBook().titleExists(QStringLiteral("apple pie")));
        QCOMPARE(trash.list()->topLevelItemCount(), 0);
        QVERIFY(!trash.cmdEmpty->isEnabled());
    }

    // Restored over a title the book has, a recipe is offered the title
    // with the first free number; a damaged or closed snapshot is listed,
    // with the reason, but cannot be chosen.
    void restoringOffersAFreeTitleAndShunsUnreadableSnapshots()
    {
        bdtest::TestEnv env;
        fillBook(env);
        frmBr w;
        selectCategory(w, QStringLiteral("pies"));
        w.lstRecs->setCurrentItem(w.lstRecs->findItems(QStringLiteral("apple pie"), Qt::MatchExactly).value(0));
        env.dialogs.answers << Answer::Yes;
        w.remove();
        G.xmlDoc.appendRecipe(1, recipe(QStringLiteral("Apple Pie")));
        G.xmlDoc.appendRecipe(1, recipe(QStringLiteral("apple pie (2)")));
        QVERIFY(bookStore().save());
        {
            frmTrash trash;
            env.dialogs.clear();
            env.dialogs.inputs << std::nullopt; // Cancel: it stays in the trash
            trash.cmdRestore->click();
            QCOMPARE(env.dialogs.last()->kind, bdtest::ScriptedDialogs::Kind::Input);
            QCOMPARE(env.dialogs.last()->defaultAnswer, QStringLiteral("apple pie (3)"));
            QCOMPARE(trash.list()->topLevelItemCount(), 1);
            env.dialogs.inputs << env.dialogs.last()->defaultAnswer; // Enter
            trash.cmdRestore->click();
            QVERIFY(bdtest::DiskBook().titleExists(QStringLiteral("apple pie (3)")));
            QCOMPARE(trash.list()->topLevelItemCount(), 0);
        }
        QCOMPARE(
            freeTitle(QStringLiteral("Soup (9)"), [](const QString& t) { return t == QLatin1String("Soup (10)"); }),
            QStringLiteral("Soup (11)"));

        const QString folder = snapshotFolder(bookPath());
        QDir(folder).removeRecursively(); // those the saves took
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::copy(bookPath(), folder + QStringLiteral("/recipes-2026-12-01-080000.xml")));
        bdtest::writeFile(folder + QStringLiteral("/recipes-2026-12-02-080000.xml"),
                          bdtest::readFile(bookPath()).left(200));
        const bool asRoot = ::geteuid() == 0; // root opens any file
        const QString closed = folder + QStringLiteral("/recipes-2026-12-03-080000.xml");
        QVERIFY(QFile::copy(bookPath(), closed));
        QFile(closed).setPermissions(QFileDevice::WriteOwner);
        frmSnapshots snaps;
        QTreeWidget* list = snaps.list();
        QCOMPARE(list->topLevelItemCount(), 3);
        const QTreeWidgetItem* damaged = list->topLevelItem(1);
        QCOMPARE(damaged->text(1), fetchText(Str::SnapshotDamaged));
        QCOMPARE(damaged->toolTip(0), fetchText(Str::SnapshotDamaged));
        QVERIFY(!(damaged->flags() & (Qt::ItemIsEnabled | Qt::ItemIsSelectable)));
        if (!asRoot) {
            QCOMPARE(list->topLevelItem(0)->text(1), fetchText(Str::SnapshotNoAccess));
            QVERIFY(!(list->topLevelItem(0)->flags() & Qt::ItemIsEnabled));
        }
        // The first readable one is chosen at the start.
        QTreeWidgetItem* readable = list->topLevelItem(asRoot ? 0 : 2);
        QCOMPARE(list->currentItem(), readable);
        QCOMPARE(readable->text(1), QString::number(G.xmlDoc.recipeCount()));
        list->clearSelection();
        list->setCurrentItem(list->topLevelItem(1));
        QVERIFY(list->selectedItems().isEmpty());
        QVERIFY(!snaps.cmdRestore->isEnabled());
        env.dialogs.clear();
        snaps.restore();
        QVERIFY(env.dialogs.calls.isEmpty());
        QFile(closed).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
};

QTEST_MAIN(TestFrmBr)
#include "tst_frmbr.moc"
