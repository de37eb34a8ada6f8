#pragma once
// The import wizard: a recipe-book file, the recipes to take from it, and
// whether their pictures come along. It takes the add window's place and
// returns to a fresh one.

#include "exchange/wizard.h"
#include "store/recipebook.h"

class QListWidget;
class QRadioButton;

namespace bd {

class frmImp : public Wizard {
    Q_OBJECT
public:
    explicit frmImp(QWidget* parent = nullptr);

    void NextPage() override;
    void PrevPage() override;
    void cmdBrowse_Click();
    void cmdChkAll_Click();
    void cmdUnchkAll_Click();
    // The chosen import file, empty when none.
    const QString& importPath() const { return file_; }

    QFrame *picFile, *picRecipes, *picImages;
    QLabel *lblImpBrowse, *lblImpImg;
    QPushButton *cmdBrowse, *cmdChkAll, *cmdUnchkAll;
    QListWidget* lstImpRecs;
    QRadioButton *optYesImg, *optNoImg;

private:
    void InitXML();
    void loadrecipes();

    RecipeBook source_; // the file being imported, as the list shows it
};

} // namespace bd
