#pragma once
// The add window: a new recipe is typed here, checked, added to the book,
// and the form is emptied for the next one.

#include "entry/entrywindow.h"

namespace bd {

class frmAdd : public EntryWindow {
    Q_OBJECT
public:
    explicit frmAdd(QWidget* parent = nullptr);

    void add();
    void clearAddForm();
    // Fills the form with a recipe to check before it is added (its
    // title, times, yield and texts; category and picture as they are).
    void fillForm(const Recipe& recipe);

    QPushButton* cmdClear;
    QMenu *mnuAddEdit, *mnuARec, *mnuAddTools;
    QAction *mnuAddCopy, *mnuAddCut, *mnuAddPaste;
    QAction *mnuABrowse, *mnuAddRecipe, *mnuAddImg, *mnuAddClear;
    QAction *mnuImport, *mnuAddOptions;
    QAction *mnuAddAbout, *mnuAddHelpContents;
};

} // namespace bd
