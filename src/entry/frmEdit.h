#pragma once
// The edit window: the recipe the browse window handed over (the edit
// buffer) is changed here; Update replaces it in the book and returns to
// the browse window with the recipe selected.

#include "entry/entrywindow.h"

namespace bd {

class frmEdit : public EntryWindow {
    Q_OBJECT
public:
    explicit frmEdit(QWidget* parent = nullptr);

    void update();
    // Fills the fields, the picture and the category from the edit buffer.
    void loadRecipe();

    QPushButton* cmdCancelEdit;
    QMenu *mnuEditEdit, *mnuEditRecipe;
    QAction *mnuEditCopy, *mnuEditCut, *mnuEditPaste;
    QAction *mnuEditBrowse, *mnuEditAddRec, *mnuEditSaveRec, *mnuEditAddImg;
    QAction *mnuHelpAboutEd, *mnuHelpContentsE;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void selectEditCategory();
    void leave(bool toAdd);
};

} // namespace bd
