// The add and edit windows driven as a user would: checks and their
// messages, new categories, pictures, the degree sign, the Edit menu and
// the hand-over back to the browse window.

#include "app/application.h"
#include "app/base/dialogs.h"
#include "app/base/globals.h"
#include "app/ui/windows.h"
#include "browse/frmBr.h"
#include "entry/entrylayout.h"
#include "entry/frmAdd.h"
#include "entry/frmEdit.h"
#include "app/base/text.h"
#include "store/names.h"
#include "store/store.h"
#include "testsupport.h"

#include <QAction>
#include <QDir>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

using namespace bd;
using Kind = bdtest::ScriptedDialogs::Kind;

namespace {

// The smallest GIF: one transparent pixel.
const QByteArray kGif = QByteArray::fromHex("47494638396101000100800000ffffff00000021f90401000000002c00000000010001000002024401003b");

QByteArray jpegBytes(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(180, 90, 30));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes;
}

using bdtest::titled;

// Desserts (0) with "Apple pie" and "Flan", Soups (1) with "Leek soup".
void fillBook()
{
    G.xmlDoc.appendCategory(QStringLiteral("Desserts"));
    G.xmlDoc.appendCategory(QStringLiteral("Soups"));
    G.xmlDoc.appendRecipe(0, titled(QStringLiteral("Apple pie")));
    G.xmlDoc.appendRecipe(0, titled(QStringLiteral("Flan")));
    G.xmlDoc.appendRecipe(1, titled(QStringLiteral("Leek soup")));
    QVERIFY(bookStore().save());
}

// Lets the windows finish loading (their category step runs once shown).
void settle() { QCoreApplication::processEvents(); }

frmAdd* openAdd()
{
    auto* w = static_cast<frmAdd*>(showWindow(WindowKind::Add));
    settle();
    return w;
}

frmEdit* openEdit(const QString& category, const QString& title, const QString& image = {})
{
    G.editCat = category;
    G.editTitle = title;
    G.editIng = QStringLiteral("flour\r\nsugar");
    G.editPrepTime = QStringLiteral("10 min");
    G.editImage = image;
    auto* w = static_cast<frmEdit*>(showWindow(WindowKind::Edit));
    settle();
    return w;
}

void selectCategory(EntryWindow* w, const QString& name)
{
    w->cboACats->setCurrentIndex(w->cboACats->findText(name));
}

void restartWindows()
{
    resetWindows();
    registerStandardWindows();
}

int inputCount(const bdtest::ScriptedDialogs& d)
{
    return int(std::count_if(d.calls.begin(), d.calls.end(), [](const auto& c) { return c.kind == Kind::Input; }));
}

} // namespace

class TestEntry : public QObject {
    Q_OBJECT
private slots:
    void init() { registerStandardWindows(); }
    void cleanup() { resetWindows(); }

    void addChecksRunInOrderAndStopAtTheFirst()
    {
        bdtest::TestEnv env;
        fillBook();
        frmAdd* w = openAdd();
        env.dialogs.clear();

        // Empty title and no category: only the title is complained about.
        QCOMPARE(w->cboACats->currentText(), QStringLiteral("[new category..]"));
        w->txtTitle->setText(QStringLiteral("   "));
        w->cmdAdd->click();
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::NoTitle});
        QCOMPARE(w->txtTitle->text(), QString());

        w->txtTitle->setText(QStringLiteral("Tart"));
        w->cmdAdd->click();
        QCOMPARE(env.dialogs.messageIds().last(), Str::NoCategoryChosen);

        selectCategory(w, QStringLiteral("Soups"));
        w->txtTitle->setText(QStringLiteral("Pie: the best"));
        w->mnuAddRecipe->trigger();
        QCOMPARE(env.dialogs.messageIds().last(), Str::TitleChars);
        QCOMPARE(env.dialogs.last()->text,
                 fetchText(Str::TitleChars) + QStringLiteral("\r\n\" , ' , ? , \\ , / , : , * , | , < , >"));
        QCOMPARE(w->txtTitle->selectedText(), QStringLiteral("Pie: the best"));

        // Titles are unique in any letter case, across categories.
        w->txtTitle->setText(QStringLiteral("APPLE PIE"));
        w->cmdAdd->click();
        QCOMPARE(env.dialogs.messageIds().last(), Str::TitleTaken);
        // ... also when a pasted control character would vanish on storing.
        w->txtTitle->setText(QStringLiteral("Apple\x01 pie"));
        w->cmdAdd->click();
        QCOMPARE(env.dialogs.messageIds().last(), Str::TitleTaken);
        env.dialogs.calls.removeLast();
        QCOMPARE(G.xmlDoc.recipeCount(), 3);

        // A good recipe: trimmed, stored, and the form is ready for the next.
        w->txtTitle->setText(QStringLiteral("  Crème brûlée "));
        w->txtIng->setPlainText(QStringLiteral("cream\neggs"));
        w->txtPT->setText(QStringLiteral("20 min"));
        w->cmdAdd->click();
        QCOMPARE(env.dialogs.messageIds().size(), 4);
        const Recipe f = RecipeBook::fields(bdtest::DiskBook().findRecipe(1, QStringLiteral("Crème brûlée")));
        QCOMPARE(f.ing, QStringLiteral("cream\neggs"));
        QCOMPARE(f.preptime, QStringLiteral("20 min"));
        for (QLineEdit* t : {w->txtTitle, w->txtPT, w->txtCT, w->txtY})
            QVERIFY(t->text().isEmpty());
        for (QPlainTextEdit* t : {w->txtIng, w->txtPrep, w->txtOther})
            QVERIFY(t->toPlainText().isEmpty());
        QCOMPARE(w->cboACats->currentText(), QStringLiteral("Soups"));

        // A book opened read-only: the add is refused and said, the typing kept.
        G.readOnly = true;
        const QByteArray before = env.read(QStringLiteral("recipes.xml"));
        w->txtTitle->setText(QStringLiteral("Custard"));
        w->cmdAdd->click();
        QCOMPARE(env.dialogs.messageIds().last(), Str::BookReadOnly);
        QCOMPARE(w->txtTitle->text(), QStringLiteral("Custard"));
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), before);
        QVERIFY(!G.xmlDoc.titleExists(QStringLiteral("Custard")));
    }

    void editChecksHaveTheirOwnOrderAndDuplicateRule()
    {
        bdtest::TestEnv env;
        fillBook();
        // The question on the way is answered: the new category sorts after
        // the recipe's own, which is still the one selected.
        env.dialogs.inputs = {QStringLiteral("Zests")};
        frmEdit* w = openEdit(QStringLiteral("Desserts"), QStringLiteral("Apple pie"));
        QCOMPARE(G.xmlDoc.categoryCount(), 3);
        QCOMPARE(w->cboACats->currentText(), QStringLiteral("Desserts"));
        QCOMPARE(w->txtIng->toPlainText(), QStringLiteral("flour\nsugar"));
        QVERIFY(G.endOnUnload);
        env.dialogs.clear();

        // No category and an empty title: the category comes first.
        {
            const QSignalBlocker quiet(w->cboACats);
            w->cboACats->setCurrentIndex(0);
        }
        w->txtTitle->setText(QString());
        w->cmdAdd->click();
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::NoCategoryChosen});
        QVERIFY(!G.endOnUnload); // an Update attempt no longer ends the program on close

        selectCategory(w, QStringLiteral("Desserts"));
        w->txtTitle->setText(QStringLiteral("flan"));
        w->mnuEditSaveRec->trigger();
        QCOMPARE(env.dialogs.messageIds().last(), Str::TitleTaken);
        QCOMPARE(w->txtTitle->selectedText(), QStringLiteral("flan"));

        // Its own title in other letter case is no duplicate.
        w->txtTitle->setText(QStringLiteral("Apple Pie"));
        w->cmdAdd->click();
        QCOMPARE(env.dialogs.messageIds().size(), 2);
        QVERIFY(G.xmlDoc.findRecipe(0, QStringLiteral("Apple Pie")));
        QVERIFY(!G.xmlDoc.findRecipe(0, QStringLiteral("Apple pie")));
    }

    void newCategoryIsAskedForAndSelected()
    {
        bdtest::TestEnv env;
        // An empty book: the list holds only the new-category entry, and the
        // window asks at once. Cancel leaves it selected.
        frmAdd* w = openAdd();
        QCOMPARE(w->cboACats->count(), 1);
        QCOMPARE(env.dialogs.calls.size(), 1);
        QCOMPARE(env.dialogs.calls.first().id, Str::NewCategoryName);

        // A forbidden character, then a name taken in other letter case.
        G.xmlDoc.appendCategory(QStringLiteral("Soups"));
        w->fillCategoryList(); // asks once more (cancelled)
        env.dialogs.clear();
        env.dialogs.inputs = {QStringLiteral("Fish/Meat"), QStringLiteral(" soups ")};
        w->newCategory();
        w->newCategory();
        QCOMPARE(env.dialogs.messageIds(), (QList<Str>{Str::CategoryChars, Str::CategoryExists}));
        QCOMPARE(env.dialogs.calls[1].text,
                 fetchText(Str::CategoryChars) + QStringLiteral("\r\n\" , ' , ? , \\ , / , : , * , | , < , > "));
        QCOMPARE(G.xmlDoc.categoryCount(), 1);

        // A good name is added, saved, and asked for once more by the refill;
        // cancelling that leaves the new category selected.
        env.dialogs.clear();
        env.dialogs.inputs = {QStringLiteral("  Breads ")};
        w->newCategory();
        QCOMPARE(inputCount(env.dialogs), 2);
        QCOMPARE(w->cboACats->currentText(), QStringLiteral("Breads"));
        QCOMPARE(bdtest::DiskBook().categoryName(1), QStringLiteral("Breads"));

        // The edit window's twin has its own character text and no second question.
        restartWindows();
        frmEdit* e = openEdit(QStringLiteral("Soups"), QStringLiteral("x"));
        env.dialogs.clear();
        env.dialogs.inputs = {QStringLiteral("a*b"), QStringLiteral("Cakes")};
        e->cboACats->setCurrentIndex(0);
        QCOMPARE(env.dialogs.last()->text,
                 fetchText(Str::CategoryChars) + QStringLiteral("\r\n\" , ' , ? , \\ , / , : , *  , | , < , >"));
        e->newCategory();
        QCOMPARE(inputCount(env.dialogs), 2);
        QCOMPARE(e->cboACats->currentText(), QStringLiteral("Cakes"));
    }

    void picturesAreCheckedShownAndStored()
    {
        bdtest::TestEnv env;
        fillBook();
        env.write(QStringLiteral("pics/cake.jpg"), jpegBytes(640, 400));
        env.write(QStringLiteral("pics/dot.gif"), kGif);
        env.write(QStringLiteral("pics/cake.png"), bdtest::pngBytes(4, 4));
        env.write(QStringLiteral("pics/text.jpg"), "not a picture");
        env.write(QStringLiteral("pics/empty.jpg"), QByteArray());
        frmAdd* w = openAdd();
        selectCategory(w, QStringLiteral("Desserts"));
        env.dialogs.clear();

        // A .png is refused by name and the dialog comes back; cancel.
        env.dialogs.files = {env.file(QStringLiteral("pics/cake.png")), std::nullopt};
        w->cmdAddImg->click();
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::PictureTypeWrong});
        QCOMPARE(env.dialogs.calls[1].text,
                 fetchText(Str::PictureTypeWrong) + QStringLiteral(" (*.jpg, *.jpeg, *.jpe, *.gif, *.bmp)"));
        QVERIFY(w->cmdialog.fileName.isEmpty());
        // The dialog offers every type the window takes, under one label
        // that names them once; it comes back in the folder just chosen.
        const FileRequest asked = env.dialogs.calls[0].request;
        QCOMPARE(qtFilter(asked.filter), QStringLiteral("Pictures (*.jpg *.jpeg *.jpe *.gif *.bmp)"));
        QVERIFY(asked.kind == FileKind::Picture);
        QCOMPARE(env.dialogs.calls[2].request.folder, env.file(QStringLiteral("pics")));
        for (const char* name : {"a.jpg", "a.JPEG", "a.jpe", "a.gif", "a.Bmp"})
            QVERIFY2(pictureNameAccepted(QLatin1String(name)), name);

        // Not a picture, or an empty file: PictureCorrupt, no picture.
        for (const char* bad : {"pics/text.jpg", "pics/empty.jpg"}) {
            env.dialogs.clear();
            env.dialogs.files = {env.file(QLatin1String(bad))};
            w->mnuAddImg->trigger();
            QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::PictureCorrupt});
            QCOMPARE(env.dialogs.last()->icon, Icon::Information);
            QVERIFY(w->cmdialog.fileName.isEmpty());
        }

        // A real GIF is shown; the button now removes it, at once.
        env.dialogs.files = {env.file(QStringLiteral("pics/dot.gif"))};
        w->cmdAddImg->click();
        QVERIFY(!w->picture().isNull());
        QCOMPARE(w->cmdAddImg->text(), fetchText(Str::RemoveButton));
        w->cmdAddImg->click();
        QVERIFY(w->picture().isNull());
        QVERIFY(w->cmdialog.fileName.isEmpty());

        // A JPEG wider than the frame is scaled into it and stored on Add.
        env.dialogs.clear();
        env.dialogs.files = {env.file(QStringLiteral("pics/cake.jpg"))};
        w->cmdAddImg->click();
        QVERIFY(env.dialogs.messageIds().isEmpty());
        QVERIFY(w->Image1->width() <= w->Frame1->width());
        w->txtTitle->setText(QStringLiteral("Cake"));
        w->cmdAdd->click();
        QCOMPARE(G.xmlDoc.fields(G.xmlDoc.findTitle(QStringLiteral("Cake"))).image,
                 QStringLiteral("recipes_Desserts_Cake.jpg"));
        QCOMPARE(env.read(QStringLiteral("images/recipes_Desserts_Cake.jpg")), env.read(QStringLiteral("pics/cake.jpg")));
        QVERIFY(w->picture().isNull());

        // A JPEG named .jpe is taken and stored under that type.
        env.write(QStringLiteral("pics/cake.jpe"), env.read(QStringLiteral("pics/cake.jpg")));
        env.dialogs.files = {env.file(QStringLiteral("pics/cake.jpe"))};
        w->cmdAddImg->click();
        QVERIFY(!w->picture().isNull());
        w->txtTitle->setText(QStringLiteral("Jpe cake"));
        w->cmdAdd->click();
        QVERIFY(QFile::exists(env.file(QStringLiteral("images/recipes_Desserts_Jpe cake.jpe"))));

        // The add window may take another recipe's stored picture (as a copy).
        env.dialogs.files = {env.file(QStringLiteral("images/recipes_Desserts_Cake.jpg"))};
        w->cmdAddImg->click();
        w->txtTitle->setText(QStringLiteral("Cake 2"));
        w->cmdAdd->click();
        QVERIFY(QFile::exists(env.file(QStringLiteral("images/recipes_Desserts_Cake 2.jpg"))));
        QVERIFY(QFile::exists(env.file(QStringLiteral("images/recipes_Desserts_Cake.jpg"))));
    }

    void editedPictureFollowsItsRecipe()
    {
        bdtest::TestEnv env;
        fillBook();
        const QByteArray jpeg = jpegBytes(300, 200);
        env.write(QStringLiteral("images/recipes_Desserts_Flan.jpg"), jpeg);
        env.write(QStringLiteral("images/recipes_Soups_Leek soup.jpg"), jpeg);
        env.write(QStringLiteral("pics/new.gif"), kGif);

        // Opened with its stored picture fitted; the button removes it.
        frmEdit* w = openEdit(QStringLiteral("Desserts"), QStringLiteral("Flan"), QStringLiteral("recipes_Desserts_Flan.jpg"));
        QVERIFY(!w->picture().isNull());
        QCOMPARE(w->cmdialog.fileName, env.file(QStringLiteral("images/recipes_Desserts_Flan.jpg")));

        // Another recipe's stored picture cannot be chosen here.
        w->cmdAddImg->click(); // remove
        env.dialogs.clear();
        env.dialogs.files = {env.file(QStringLiteral("images/recipes_Soups_Leek soup.jpg"))};
        w->cmdAddImg->click();
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::PictureInBookFolder});
        QCOMPARE(env.dialogs.last()->icon, Icon::Exclamation);
        QVERIFY(w->cmdialog.fileName.isEmpty());

        // Saved without a picture: the stored file goes.
        w->cmdAdd->click();
        QVERIFY(!QFile::exists(env.file(QStringLiteral("images/recipes_Desserts_Flan.jpg"))));
        QCOMPARE(G.xmlDoc.fields(G.xmlDoc.findTitle(QStringLiteral("Flan"))).image, QString());
        restartWindows();

        // Renamed and moved to another category: the file follows the name.
        G.xmlDoc.removeRecipe(G.xmlDoc.findTitle(QStringLiteral("Leek soup")));
        G.xmlDoc.appendRecipe(1, titled(QStringLiteral("Leek soup"), QStringLiteral("recipes_Soups_Leek soup.jpg")));
        w = openEdit(QStringLiteral("Soups"), QStringLiteral("Leek soup"), QStringLiteral("recipes_Soups_Leek soup.jpg"));
        selectCategory(w, QStringLiteral("Desserts"));
        w->txtTitle->setText(QStringLiteral("Leek tart"));
        w->cmdAdd->click();
        QCOMPARE(env.read(QStringLiteral("images/recipes_Desserts_Leek tart.jpg")), jpeg);
        QVERIFY(!QFile::exists(env.file(QStringLiteral("images/recipes_Soups_Leek soup.jpg"))));
        QCOMPARE(G.xmlDoc.fields(G.xmlDoc.findRecipe(0, QStringLiteral("Leek tart"))).image,
                 QStringLiteral("recipes_Desserts_Leek tart.jpg"));
        restartWindows();

        // A new picture replaces the stored one.
        G.xmlDoc.removeRecipe(G.xmlDoc.findTitle(QStringLiteral("Leek tart")));
        G.xmlDoc.appendRecipe(0, titled(QStringLiteral("Leek tart"), QStringLiteral("recipes_Desserts_Leek tart.jpg")));
        w = openEdit(QStringLiteral("Desserts"), QStringLiteral("Leek tart"), QStringLiteral("recipes_Desserts_Leek tart.jpg"));
        w->cmdAddImg->click();
        env.dialogs.files = {env.file(QStringLiteral("pics/new.gif"))};
        w->cmdAddImg->click();
        w->cmdAdd->click();
        QVERIFY(!QFile::exists(env.file(QStringLiteral("images/recipes_Desserts_Leek tart.jpg"))));
        QCOMPARE(env.read(QStringLiteral("images/recipes_Desserts_Leek tart.gif")), kGif);
    }

    void letterCaseRenameKeepsThePicture()
    {
        bdtest::TestEnv env;
        fillBook();
        env.write(QStringLiteral("images/recipes_Desserts_Flan.jpg"), kGif);
        G.editCat = QStringLiteral("Desserts");
        G.editTitle = QStringLiteral("Flan");
        G.editImage = QStringLiteral("recipes_Desserts_Flan.jpg");
        Recipe in;
        in.title = QStringLiteral("FLAN");
        in.category = QStringLiteral("Desserts");
        in.image = env.file(QStringLiteral("images/recipes_Desserts_Flan.jpg"));
        QVERIFY(bookStore().updateRecipe(G.editRecipe(), 0, in).ok);
        QCOMPARE(env.read(QStringLiteral("images/recipes_Desserts_FLAN.jpg")), kGif);
        QCOMPARE(QDir(env.file(QStringLiteral("images"))).entryList(QDir::Files),
                 QStringList{QStringLiteral("recipes_Desserts_FLAN.jpg")});
    }

    void pictureNamesNeverReachOutsideTheImagesFolder()
    {
        bdtest::TestEnv env;
        QVERIFY(safePictureName(QStringLiteral("recipes_Desserts_Pie...jpg")));
        for (const char* bad : {"", ".", "..", "../x.jpg", "a/b.jpg", "a\\b.jpg", "C:x.jpg", "/etc/passwd"})
            QVERIFY2(!safePictureName(QLatin1String(bad)), bad);
        QVERIFY(storedPicturePath(QStringLiteral("../x.jpg")).isEmpty());
        QVERIFY(safePictureName(
            bookStore().pictureName(QStringLiteral("/../../x"), QStringLiteral("t"), QStringLiteral("/p/a/jpe"))));

        // A hand-edited book names files beside and above the book folder.
        env.write(QStringLiteral("victim.jpg"), kGif);
        env.write(QStringLiteral("../outside.jpg"), kGif);
        const QString above = QFileInfo(env.file(QStringLiteral("../outside.jpg"))).absoluteFilePath();
        G.xmlDoc.appendCategory(QStringLiteral("Desserts"));
        G.xmlDoc.appendRecipe(0, titled(QStringLiteral("Pie"), QStringLiteral("../victim.jpg")));
        G.xmlDoc.appendRecipe(0, titled(QStringLiteral("Tart"), above));
        QVERIFY(bookStore().save());

        // Browse: shown without a picture, and removing deletes no file.
        auto* br = static_cast<frmBr*>(showWindow(WindowKind::Br));
        br->lstRecs->setCurrentRow(0); // Pie
        QVERIFY(br->Image1->isHidden());
        br->remove();
        QVERIFY(QFile::exists(env.file(QStringLiteral("victim.jpg"))));

        // Edit: no picture taken from outside, and an update deletes nothing.
        frmEdit* w = openEdit(QStringLiteral("Desserts"), QStringLiteral("Tart"), above);
        QVERIFY(w->cmdialog.fileName.isEmpty());
        QVERIFY(w->picture().isNull());
        w->cmdCancelEdit->click();
        w = openEdit(QStringLiteral("Desserts"), QStringLiteral("Tart"), QStringLiteral("../victim.jpg"));
        QVERIFY(w->cmdialog.fileName.isEmpty());
        w->cmdAdd->click();
        QVERIFY(QFile::exists(env.file(QStringLiteral("victim.jpg"))));
        QVERIFY(QFile::exists(above));
        QCOMPARE(G.xmlDoc.fields(G.xmlDoc.findTitle(QStringLiteral("Tart"))).image, QString());
    }

    void degreeSignGoesWhereEachWindowPutsIt()
    {
        bdtest::TestEnv env;
        fillBook();
        frmAdd* a = openAdd();
        a->txtPrep->setPlainText(QStringLiteral("Bake at 180C"));
        QTextCursor c = a->txtPrep->textCursor();
        c.setPosition(11);
        c.setPosition(12, QTextCursor::KeepAnchor); // "C" selected
        a->txtPrep->setTextCursor(c);
        a->txtTitle->setFocus(); // the label serves the preparation box wherever the focus is
        QTest::mousePress(a->lblDeg, Qt::LeftButton);
        QCOMPARE(a->txtPrep->toPlainText(), QStringLiteral("Bake at 180°"));
        QCOMPARE(a->txtPrep->textCursor().position(), 12);
        // Esc in the preparation box inserts the sign at the cursor.
        a->txtPrep->setFocus();
        QTest::keyClick(a->txtPrep, Qt::Key_Escape);
        QCOMPARE(a->txtPrep->toPlainText(), QStringLiteral("Bake at 180°°"));

        restartWindows();
        frmEdit* e = openEdit(QStringLiteral("Desserts"), QStringLiteral("Flan"));
        e->txtIng->setPlainText(QStringLiteral("oven 200 C"));
        c = e->txtIng->textCursor();
        c.setPosition(8);
        c.setPosition(10, QTextCursor::KeepAnchor); // " C" selected: the sign goes in front
        e->txtIng->setTextCursor(c);
        QTest::mousePress(e->lblDeg, Qt::LeftButton);
        QCOMPARE(e->txtIng->toPlainText(), QStringLiteral("oven 200° C"));
        QCOMPARE(e->txtIng->textCursor().position(), 9);
        e->txtPrep->setPlainText(QStringLiteral("x"));
        QTest::keyClick(e->txtPrep, Qt::Key_Escape);
        QCOMPARE(e->txtPrep->toPlainText(), QStringLiteral("x"));
    }

    void editMenuFollowsTheFocusedBox()
    {
        bdtest::TestEnv env;
        fillBook();
        frmAdd* w = openAdd();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->setText(QStringLiteral("sugar"));

        w->txtIng->setFocus();
        w->updateEditMenu();
        QVERIFY(!w->mnuAddCopy->isEnabled() && !w->mnuAddCut->isEnabled() && w->mnuAddPaste->isEnabled());
        w->mnuAddPaste->trigger();
        QCOMPARE(w->txtIng->toPlainText(), QStringLiteral("sugar"));

        w->cboACats->setFocus();
        w->updateEditMenu();
        QVERIFY(!w->mnuAddCopy->isEnabled() && !w->mnuAddCut->isEnabled() && !w->mnuAddPaste->isEnabled());
        w->mnuAddPaste->trigger(); // nothing to serve
        QCOMPARE(w->txtIng->toPlainText(), QStringLiteral("sugar"));

        // Cut part of the title: exactly that text is on the clipboard.
        w->txtTitle->setText(QStringLiteral("Lemon tart"));
        w->txtTitle->setFocus();
        w->txtTitle->setSelection(0, 6);
        w->updateEditMenu();
        QVERIFY(w->mnuAddCut->isEnabled());
        w->mnuAddCut->trigger();
        QCOMPARE(w->txtTitle->text(), QStringLiteral("tart"));
        QCOMPARE(clipboard->text(), QStringLiteral("Lemon "));

        // Copy keeps line breaks from the large boxes.
        w->txtOther->setPlainText(QStringLiteral("a\nb"));
        w->txtOther->setFocus();
        w->txtOther->selectAll();
        w->mnuAddCopy->trigger();
        QCOMPARE(clipboard->text(), QStringLiteral("a\nb"));

        clipboard->clear();
        w->updateEditMenu();
        QVERIFY(!w->mnuAddPaste->isEnabled());
    }

    // Alt+E and the item's letter: the box that had the focus before the
    // menu opened, with its selection, in both windows and every line box.
    void editMenuFromTheKeyboardActsOnTheBoxBeforeIt()
    {
        bdtest::TestEnv env;
        fillBook();
        QClipboard* clipboard = QGuiApplication::clipboard();
        for (const bool editing : {false, true}) {
            EntryWindow* w = editing ? static_cast<EntryWindow*>(
                                           openEdit(QStringLiteral("Desserts"), QStringLiteral("Flan")))
                                     : openAdd();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            QApplication::setActiveWindow(w);
            // Opens the Edit menu from the keyboard and types key there.
            auto fromMenu = [w](Qt::Key key) {
                QTest::keyClick(w, Qt::Key_E, Qt::AltModifier);
                if (!QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }))
                    return false;
                QTest::keyClick(QApplication::activePopupWidget(), key);
                return QTest::qWaitFor([] { return !QApplication::activePopupWidget(); });
            };
            for (QLineEdit* box : {w->txtTitle, w->txtPT, w->txtCT, w->txtY}) {
                const QByteArray name = box->objectName().toLatin1() + (editing ? " (edit)" : " (add)");
                box->setText(QStringLiteral("Apple Pie"));
                box->setFocus();
                box->setSelection(0, 6);
                clipboard->setText(QStringLiteral("held"));
                QVERIFY2(fromMenu(Qt::Key_C), name);
                QVERIFY2(clipboard->text() == QStringLiteral("Apple ") && box->text() == QStringLiteral("Apple Pie"),
                         name);
                QVERIFY2(fromMenu(Qt::Key_T), name);
                QVERIFY2(clipboard->text() == QStringLiteral("Apple ") && box->text() == QStringLiteral("Pie"), name);
                // Opened and closed with Escape: Paste still goes where the
                // text cursor was.
                QVERIFY2(fromMenu(Qt::Key_Escape), name);
                QVERIFY2(fromMenu(Qt::Key_P), name);
                QVERIFY2(box->text() == QStringLiteral("Apple Pie"), name);
            }
        }
    }

    void editWindowHandsBack()
    {
        bdtest::TestEnv env;
        fillBook();
        const QByteArray before = env.read(QStringLiteral("recipes.xml"));

        // Cancel: back to the browse window, the same recipe selected.
        frmEdit* w = openEdit(QStringLiteral("Desserts"), QStringLiteral("Flan"));
        w->txtIng->setPlainText(QStringLiteral("changed"));
        w->cmdCancelEdit->click();
        auto* br = static_cast<frmBr*>(instance(WindowKind::Br));
        QVERIFY(br && br->isVisible());
        QCOMPARE(br->cboCats->currentText(), QStringLiteral("Desserts"));
        QCOMPARE(br->lstRecs->currentItem()->text(), QStringLiteral("Flan"));
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), before);
        QVERIFY(!endRequested());

        // Update into another category: the browse window shows it there.
        w = openEdit(QStringLiteral("Desserts"), QStringLiteral("Flan"));
        selectCategory(w, QStringLiteral("Soups"));
        w->cmdAdd->click();
        br = static_cast<frmBr*>(instance(WindowKind::Br));
        QCOMPARE(br->cboCats->currentText(), QStringLiteral("Soups"));
        QCOMPARE(br->lstRecs->currentItem()->text(), QStringLiteral("Flan"));
        QCOMPARE(br->txtIng->toPlainText().remove(QLatin1Char('\r')), QStringLiteral("flour\nsugar"));

        // Recipe > Add Recipes: to the add window, nothing saved.
        const QByteArray saved = env.read(QStringLiteral("recipes.xml"));
        w = openEdit(QStringLiteral("Soups"), QStringLiteral("Flan"));
        w->txtTitle->setText(QStringLiteral("Other"));
        w->mnuEditAddRec->trigger();
        settle();
        QVERIFY(instance(WindowKind::Add) && instance(WindowKind::Add)->isVisible());
        QVERIFY(!G.calledFromAdd);
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), saved);

        // The close box ends the program while the window is the main one.
        restartWindows();
        w = openEdit(QStringLiteral("Soups"), QStringLiteral("Flan"));
        w->close();
        QVERIFY(endRequested());
    }

    void storedValuesAndTypingSurviveTheWindows()
    {
        bdtest::TestEnv env;
        fillBook();
        // Values longer than the boxes' typing limits, as imports bring them.
        const QString title = QStringLiteral("Grandmother's Famous Walnut Bread with Raisins");
        Recipe longOne = titled(title);
        longOne.preptime = QStringLiteral("1 hour 15 minutes");
        longOne.cooktime = QStringLiteral("2 hours 30 minutes");
        longOne.yield = QStringLiteral("2 loaves, 24 slices");
        G.xmlDoc.appendRecipe(0, longOne);
        QVERIFY(bookStore().save());

        Recipe shown = longOne;
        shown.category = QStringLiteral("Desserts");
        G.setEditRecipe(shown);
        auto* w = static_cast<frmEdit*>(showWindow(WindowKind::Edit));
        settle();
        QCOMPARE(w->txtTitle->text(), title);
        QCOMPARE(w->txtPT->text(), longOne.preptime);
        w->cmdAdd->click(); // UPDATE with nothing changed
        const Recipe kept = RecipeBook::fields(bdtest::DiskBook().findRecipe(0, title));
        QCOMPARE(kept.title, title);
        QCOMPARE(kept.preptime, longOne.preptime);
        QCOMPARE(kept.cooktime, longOne.cooktime);
        QCOMPARE(kept.yield, longOne.yield);

        // A pasted two-line title is stored as it shows, on one line.
        restartWindows();
        frmAdd* a = openAdd();
        selectCategory(a, QStringLiteral("Soups"));
        a->txtTitle->setText(QStringLiteral("Plum\nCake"));
        a->txtY->setText(QStringLiteral("6\r\nslices"));
        a->cmdAdd->click();
        QVERIFY(bdtest::DiskBook().findRecipe(1, QStringLiteral("Plum Cake")));
        QCOMPARE(RecipeBook::fields(bdtest::DiskBook().findRecipe(1, QStringLiteral("Plum Cake"))).yield,
                 QStringLiteral("6 slices"));

#ifdef Q_OS_UNIX
        // A picture that cannot be stored: the edit window stays with the
        // cook's typing, and nothing is saved.
        restartWindows();
        env.write(QStringLiteral("pics/new.gif"), kGif);
        QVERIFY(QDir(env.file(QStringLiteral("images"))).removeRecursively());
        env.write(QStringLiteral("images"), "a file where the folder should be");
        const QByteArray before = env.read(QStringLiteral("recipes.xml"));
        w = openEdit(QStringLiteral("Desserts"), QStringLiteral("Flan"));
        w->txtIng->setPlainText(QStringLiteral("my careful typing"));
        w->cmdialog.fileName = env.file(QStringLiteral("pics/new.gif"));
        env.dialogs.clear();
        w->cmdAdd->click();
        settle();
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::PictureNotStored});
        QVERIFY(w->isVisible());
        QCOMPARE(w->txtIng->toPlainText(), QStringLiteral("my careful typing"));
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), before);
        w->close();
        QVERIFY(endRequested()); // still the main window
#endif
    }

    void layoutKeepsTheRightColumnAndSharesTheHeight()
    {
        const EntryLayout l = layoutEntry(9700, 6000, 1500, 285);
        // The boxes reach down to the gap above the frame's bottom.
        QVERIFY(qAbs(l.txtOther.bottom() - (6000 - EntryDesign::bannerHeight - 155)) < 2);
        QCOMPARE(l.txtIng.height, l.txtPrep.height);
        // Halves round to even.
        QCOMPARE(findExtraSpace(0, 0.5), -156);
        QCOMPARE(findExtraSpace(0, 1.5), -156);
        // Shrunk below the base shares the boxes shrink together.
        QVERIFY(findExtraSpace(2000, 1500) < 0);

        // A caption that fits keeps the designed boxes; a longer one takes
        // room from its box's left, which keeps its right edge and a least
        // width, and stays clear of the large boxes on the left.
        QCOMPARE(l.txtPT.left, EntryDesign::txtPT.left);
        const EntryLayout wide = layoutEntry(9700, 6000, 1500, 285, l.Label7.width + 300);
        QCOMPARE(wide.Label7.width, l.Label7.width + 300);
        QCOMPARE(wide.txtCT.left, EntryDesign::txtCT.left + 300);
        QCOMPARE(wide.txtY.right(), EntryDesign::txtY.right());
        QVERIFY(wide.fraStatic.left + wide.txtPT.left > wide.Label7.right());
        const EntryLayout huge = layoutEntry(9700, 6000, 1500, 285, 99999);
        QCOMPARE(huge.txtPT.width, kFieldBoxLeast);
        QCOMPARE(huge.Label9.left, l.Label9.left);
    }
};

QTEST_MAIN(TestEntry)
#include "tst_entry.moc"
