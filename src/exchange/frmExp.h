#pragma once
// The export wizard: recipes picked category by category, a target file,
// and whether their pictures go along. It takes the browse window's place
// and returns to a fresh one.

#include "exchange/exportformats.h"
#include "exchange/wizard.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QRadioButton;

namespace bd {

class frmExp : public Wizard {
    Q_OBJECT
public:
    explicit frmExp(QWidget* parent = nullptr);

    void NextPage() override;
    void PrevPage() override;
    void ExportRecipes();
    void cmdSaveAs_Click();
    void cmdROne_Click();
    void cmdRAll_Click();
    void cmdLOne_Click();
    void cmdLAll_Click();
    void cboCats_Click();
    // The chosen export file, empty when none.
    const QString& exportPath() const { return file_; }

    QFrame *picChoose, *picFileName, *picImages;
    QComboBox* cboCats;
    QListWidget *lstRecs, *lstExp, *lstHid;
    QLabel *lblAvail, *lblRec2Exp, *lblBrowseFolder, *lblExpOmit;
    QPushButton *cmdROne, *cmdRAll, *cmdLOne, *cmdLAll, *cmdSaveAs;
    QRadioButton *optNoImg, *optImg;
    // The options page of the formats besides the recipe book: a question,
    // the cookbook's title and up to three choices.
    QFrame* picOptions;
    QLabel* lblOptions;
    QLineEdit* txtTitle;
    QRadioButton *optFirst, *optSecond, *optThird;

private:
    void InitXML();
    // The format the chosen file's type names; a recipe book for any other.
    ExportFormat format() const;
    void showOptions();
    void updateRecipes(int position);
    void addToExport(const QString& title, int position);
};

} // namespace bd
