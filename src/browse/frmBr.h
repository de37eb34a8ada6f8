#pragma once
// The browse window: categories and their recipes on the left, the chosen
// recipe read-only on the right. The program's main window.

#include "app/ui/windows.h"
#include "output/cooking.h"
#include "store/recipe.h"

#include <QImage>
#include <QPair>
#include <QVector>

#include <functional>

class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QMenu;
class QAction;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace bd {

class frmBr : public MainWindow {
    Q_OBJECT
public:
    explicit frmBr(QWidget* parent = nullptr);

    void showBookAgain() override;

    // Browsing procedures.
    void loadCategories();
    void loadRecipeList(int position);
    void showRecipe(int position);
    void showRecipeImage(const QString& name);
    void clearRecipe();
    void saveInfoToEdit();
    // The recipe shown: the chosen title, the displayed texts, the chosen
    // category's name and the stored picture's name.
    Recipe shownRecipe() const;
    // Selects the category named category, then its recipe titled title
    // (exact texts; each search stops at the first match).
    void selectRecipe(const QString& category, const QString& title);
    // Marks, in the recipe shown and in those shown after it, the
    // stretches (start, length) that marker finds in each text, by field
    // (RTitle in the list of titles, RIng, RPrep, ROther); an empty marker
    // marks nothing.
    using FoundMarker = std::function<QVector<QPair<int, int>>(int child, const QString& text)>;
    void markFound(FoundMarker marker);

    // Commands.
    void remove();
    void edit();
    void copy();
    void pictureView();
    void updateEditMenu();
    void catEdit();
    void catDel();
    void backup();
    // Prints the shown recipe (a recipe must be selected) or previews it.
    void print(bool preview);

    // How the recipe is shown: the servings (or count of the yield) and
    // the units chosen; the default view while they are the recipe's own.
    CookView cookView() const;
    // The shown recipe as the book holds it (title, texts, category name,
    // stored picture name), whatever the view; empty when none is shown.
    const Recipe& storedRecipe() const { return stored_; }
    // Shows the recipe in the chosen view; back to the recipe as written.
    void showView();
    void showAsWritten();
    // Keeps the recipe as shown (scaled, converted) as a new recipe in the
    // same category, under a title the cook confirms.
    void saveAsNewRecipe();

    // Category position of the selected category entry, or -1.
    int selectedCategory() const;
    QWidget* defaultFocus() const override;

    QLabel* lblBorder[2];
    QFrame *fraBack, *fraTopLeft, *fraBotLeft, *fraRight;
    QLabel *Label4, *Label5, *Label7, *Label6, *lblPT, *lblCT, *lblYld, *lblDC, *lblImgLoc;
    QComboBox* cboCats;
    QListWidget* lstRecs;
    QFrame* Frame1;
    QLabel *Image1, *lblClickImg, *picRecipe;
    QLabel *lblIng, *lblPrep, *lblOther;
    QPlainTextEdit *txtIng, *txtPrep, *txtOther;
    QFrame* Picture1;
    QPushButton *cmdPrint, *cmdEdit, *cmdRem;
    QSpinBox* spnServings;
    QComboBox* cboUnits;
    QToolButton* cmdAsWritten;

    QMenu *mnuFile, *mnuBrEdit, *mnuRecipe, *mnuCateg, *mnuTools, *mnuHelp;
    QAction *mnuPrint, *mnuPrintPrev, *mnuPrintCat, *mnuseppy, *mnuBackup, *mnuSnapshots, *mnuseppy22, *mnuBrExit;
    QAction* mnuTrash; // Recipe > Deleted Recipes...
    QAction* mnuBrCopy;
    QAction *mnuRecipeAdd, *mnuBrEditRec, *mnuBrRemRec, *mnuEmail, *mnuPlainText;
    QAction *mnuSaveScaled, *mnuCook, *mnuShopping;
    QAction *mnuCatEdit, *mnuCatDel;
    QAction *mnuExport, *mnuSearch, *mnuOps;
    QAction* mnuPaste; // Tools > Paste a Recipe
    QAction *mnuBrAbout, *mnuBrContents;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void applyColoursAndCaptions();
    void arrange();
    void categoryChanged();
    void fitThumbnail();
    void applyMarks();
    void setServingsFor(const Recipe& recipe);
    void updateViewCommands();

    QWidget* inner_;
    QImage picture_;     // the thumbnail's picture at full size
    QString pictureName_;
    QString backupProposal_; // the backup dialog's proposed file
    FoundMarker marker_;
    Recipe stored_;     // the shown recipe as the book holds it
    YieldCount yield_;  // what its yield counts
    QString yieldText_; // the yield shown, whole
};

} // namespace bd
