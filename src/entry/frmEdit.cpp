#include "entry/frmEdit.h"

#include "app/ui/controls.h"
#include "app/base/dialogs.h"
#include "app/base/globals.h"
#include "app/ui/helpwindow.h"
#include "app/base/twips.h"
#include "browse/frmBr.h"
#include "entry/entrylayout.h"
#include "resources/captions.h"
#include "resources/strings.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace bd {

namespace {
// Text boxes take LF line breaks; the buffer may hold CR LF.
QString boxText(QString s)
{
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}
} // namespace

frmEdit::frmEdit(QWidget* parent) : EntryWindow(Twin::Edit, parent)
{
    cmdCancelEdit = named(new QPushButton(Picture2), "cmdCancelEdit");
    cmdCancelEdit->setGeometry(toPixels(EntryDesign::cmdClear));
    cmdCancelEdit->setFont(cmdAdd->font());
    setTabOrder(cmdAdd, cmdCancelEdit);

    QMenuBar* bar = menuBar();
    mnuEditEdit = named(bar->addMenu(QString()), "mnuEditEdit");
    mnuEditCopy = action(mnuEditEdit, "mnuEditCopy");
    mnuEditCut = action(mnuEditEdit, "mnuEditCut");
    mnuEditPaste = action(mnuEditEdit, "mnuEditPaste");
    mnuEditRecipe = named(bar->addMenu(QString()), "mnuEditRecipe");
    mnuEditBrowse = action(mnuEditRecipe, "mnuEditBrowse");
    mnuEditAddRec = action(mnuEditRecipe, "mnuEditAddRec");
    mnuEditSaveRec = action(mnuEditRecipe, "mnuEditSaveRec");
    mnuEditAddImg = action(mnuEditRecipe, "mnuEditAddImg");
    mnuAHelp = named(bar->addMenu(QString()), "mnuAHelp");
    mnuHelpAboutEd = action(mnuAHelp, "mnuHelpAboutEd");
    mnuHelpContentsE = action(mnuAHelp, "mnuHelpContentsE");
    useMenuItems(mnuEditEdit, mnuEditCopy, mnuEditCut, mnuEditPaste, mnuEditAddImg);

    connect(cmdAdd, &QPushButton::clicked, this, &frmEdit::update);
    connect(mnuEditSaveRec, &QAction::triggered, this, &frmEdit::update);
    connect(cmdCancelEdit, &QPushButton::clicked, this, [this] { leave(false); });
    connect(mnuEditBrowse, &QAction::triggered, this, [this] { leave(false); });
    connect(mnuEditAddRec, &QAction::triggered, this, [this] { leave(true); });
    connect(mnuHelpAboutEd, &QAction::triggered, this, &frmEdit::about);
    connect(mnuHelpContentsE, &QAction::triggered, this, [this] { helpContents(this); });

    loadWindow(kEditCaptions, kEditColours);
    loadRecipe();
    // The category is found once the window is up, since passing
    // "[new category..]" asks for a category over the open window.
    QTimer::singleShot(0, this, [this] { selectEditCategory(); });
}

void frmEdit::loadRecipe()
{
    fillCategoryList();
    setLineText(txtTitle, G.editTitle);
    txtIng->setPlainText(boxText(G.editIng));
    txtPrep->setPlainText(boxText(G.editPrep));
    txtOther->setPlainText(boxText(G.editOther));
    setLineText(txtPT, G.editPrepTime);
    setLineText(txtCT, G.editCookTime);
    setLineText(txtY, G.editYield);

    clearPicture();
    const QString stored = storedPicturePath(G.editImage);
    if (stored.isEmpty() || !QFile::exists(stored)) {
        setPictureCaptions(true);
        return;
    }
    // A stored picture that does not load stays the recipe's picture; it is
    // just not shown, and the button can still remove it.
    cmdialog.fileName = stored;
    setPictureCaptions(false);
    fitPicture(stored);
}

void frmEdit::selectEditCategory()
{
    if (cboACats->count() == 0)
        return;
    cboACats->setCurrentIndex(0);
    while (cboACats->currentText() != G.editCat && cboACats->currentIndex() + 1 < cboACats->count())
        cboACats->setCurrentIndex(cboACats->currentIndex() + 1);
    // A category added through the question may have moved the selection
    // past the recipe's own; it is found wherever it is.
    const int own = cboACats->findText(G.editCat, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (cboACats->currentText() != G.editCat && own >= 0)
        cboACats->setCurrentIndex(own);
}

void frmEdit::update()
{
    const Command command(this);
    if (!command)
        return;
    G.endOnUnload = false;
    const bool categoryChosen = selectedCategory() >= 0;
    if (categoryChosen)
        setLineText(txtTitle, enteredTitle());
    const EntryCheck check = checkEditedRecipe(G.xmlDoc, enteredTitle(), categoryChosen, G.editTitle);
    if (!check.ok()) {
        showCheckFailure(check);
        return;
    }
    const BusyCursor busy;
    const SaveResult r = bookStore().updateRecipe(G.editRecipe(), selectedCategory(), recipeInput());
    report(r);
    // Refused (a picture that cannot be stored): nothing changed, and the
    // window stays with the cook's typing.
    if (!r.ok && r.message != Str::None) {
        G.endOnUnload = true;
        return;
    }
    close();
}

void frmEdit::leave(bool toAdd)
{
    G.endOnUnload = false;
    if (toAdd)
        G.calledFromAdd = true;
    close();
}

void frmEdit::closeEvent(QCloseEvent* event)
{
    MainWindow::closeEvent(event);
    if (!event->isAccepted() || G.endOnUnload)
        return;
    if (G.calledFromAdd) {
        G.calledFromAdd = false;
        showWindow(WindowKind::Add);
        return;
    }
    if (G.calledFromEdit)
        return;
    if (auto* br = qobject_cast<frmBr*>(showWindow(WindowKind::Br)))
        br->selectRecipe(cboACats->currentText(), txtTitle->text());
}

} // namespace bd
