#include "entry/frmAdd.h"

#include "app/ui/controls.h"
#include "app/base/dialogs.h"
#include "app/base/globals.h"
#include "app/ui/helpwindow.h"
#include "app/base/twips.h"
#include "entry/entrylayout.h"
#include "resources/captions.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace bd {

frmAdd::frmAdd(QWidget* parent) : EntryWindow(Twin::Add, parent)
{
    cmdClear = named(new QPushButton(Picture2), "cmdClear");
    cmdClear->setGeometry(toPixels(EntryDesign::cmdClear));
    cmdClear->setFont(cmdAdd->font());
    setTabOrder(cmdAdd, cmdClear);

    QMenuBar* bar = menuBar();
    mnuAddEdit = named(bar->addMenu(QString()), "mnuAddEdit");
    mnuAddCopy = action(mnuAddEdit, "mnuAddCopy");
    mnuAddCut = action(mnuAddEdit, "mnuAddCut");
    mnuAddPaste = action(mnuAddEdit, "mnuAddPaste");
    mnuARec = named(bar->addMenu(QString()), "mnuARec");
    mnuABrowse = action(mnuARec, "mnuABrowse");
    mnuAddRecipe = action(mnuARec, "mnuAddRecipe");
    mnuAddImg = action(mnuARec, "mnuAddImg");
    mnuAddClear = action(mnuARec, "mnuAddClear");
    mnuAddTools = named(bar->addMenu(QString()), "mnuAddTools");
    mnuImport = action(mnuAddTools, "mnuImport");
    mnuAddOptions = action(mnuAddTools, "mnuAddOptions");
    mnuAHelp = named(bar->addMenu(QString()), "mnuAHelp");
    mnuAddAbout = action(mnuAHelp, "mnuAddAbout");
    mnuAddHelpContents = action(mnuAHelp, "mnuAddHelpContents");
    useMenuItems(mnuAddEdit, mnuAddCopy, mnuAddCut, mnuAddPaste, mnuAddImg);

    connect(cmdAdd, &QPushButton::clicked, this, &frmAdd::add);
    connect(mnuAddRecipe, &QAction::triggered, this, &frmAdd::add);
    connect(cmdClear, &QPushButton::clicked, this, &frmAdd::clearAddForm);
    connect(mnuAddClear, &QAction::triggered, this, &frmAdd::clearAddForm);
    connect(mnuABrowse, &QAction::triggered, this, [this] { switchTo(this, WindowKind::Br); });
    connect(mnuImport, &QAction::triggered, this, [this] { switchTo(this, WindowKind::Imp); });
    connect(mnuAddOptions, &QAction::triggered, this, [this] { switchTo(this, WindowKind::Ops); });
    connect(mnuAddAbout, &QAction::triggered, this, &frmAdd::about);
    connect(mnuAddHelpContents, &QAction::triggered, this, [this] { helpContents(this); });

    // Window load.
    loadWindow(kAddCaptions, kAddColours);
    G.addWinActive = true;
    // The list is filled once the window is up: selecting its first entry,
    // "[new category..]", asks for a category over the open window.
    QTimer::singleShot(0, this, [this] { fillCategoryList(); });
}

void frmAdd::add()
{
    const Command command(this);
    if (!command)
        return;
    setLineText(txtTitle, enteredTitle());
    const EntryCheck check = checkNewRecipe(G.xmlDoc, txtTitle->text(), selectedCategory() >= 0);
    if (!check.ok()) {
        showCheckFailure(check);
        return;
    }
    const QString title = txtTitle->text();
    const BusyCursor busy;
    report(bookStore().addRecipe(selectedCategory(), recipeInput()));
    // Once the recipe is in the book (even if its save failed and waits for
    // the next one) the form is ready for the next recipe.
    if (G.xmlDoc.titleExists(title))
        clearAddForm();
}

void frmAdd::clearAddForm()
{
    setPictureCaptions(true);
    for (QLineEdit* t : {txtTitle, txtPT, txtCT, txtY})
        t->clear();
    for (QPlainTextEdit* t : {txtIng, txtPrep, txtOther})
        t->clear();
    clearPicture();
    txtTitle->setFocus();
}

void frmAdd::fillForm(const Recipe& recipe)
{
    setLineText(txtTitle, recipe.title);
    setLineText(txtPT, recipe.preptime);
    setLineText(txtCT, recipe.cooktime);
    setLineText(txtY, recipe.yield);
    txtIng->setPlainText(recipe.ing);
    txtPrep->setPlainText(recipe.prep);
    txtOther->setPlainText(recipe.other);
    txtTitle->setFocus();
}

} // namespace bd
