#pragma once
// The import wizard: a recipe-book or MealMaster file, the recipes to take
// from it, and whether their pictures come along (a MealMaster file has
// none, so its wizard ends on the recipe page). It takes the add window's
// place and returns to a fresh one.

#include "exchange/exchange.h"
#include "exchange/wizard.h"
#include "exchange/importfile.h"

#include <QTemporaryDir>

#include <memory>

class QListWidget;
class QRadioButton;

namespace bd {

// The question for another title of a recipe whose title clashes, with
// proposed as the answer offered.
std::optional<QString> askTitleInstead(const QString& shownTitle, const QString& proposed);
// The import's question: "new title" offered.
std::optional<QString> askNewTitle(const QString& shownTitle);

class frmImp : public Wizard {
    Q_OBJECT
public:
    explicit frmImp(QWidget* parent = nullptr);

    void NextPage() override;
    void PrevPage() override;
    void cmdBrowse_Click();
    // Asks for a web address, fetches the page and reads its recipes.
    void cmdWeb_Click();
    void cmdChkAll_Click();
    // Starts with path chosen and its recipes listed, those the book lacks ticked.
    void importFrom(const QString& path);
    void cmdUnchkAll_Click();
    // The chosen import file, empty when none.
    const QString& importPath() const { return file_; }

    QFrame *picFile, *picRecipes, *picImages;
    QLabel *lblImpBrowse, *lblImpImg;
    QPushButton *cmdBrowse, *cmdChkAll, *cmdUnchkAll;
    QPushButton* cmdWeb; // a web page instead of a file
    QListWidget* lstImpRecs;
    QRadioButton *optYesImg, *optNoImg;

private:
    void InitXML();
    void loadrecipes();
    // The file check: reads file_ into source_; false (and message 186)
    // when it is neither a book nor a MealMaster file with a recipe.
    bool readSource();

    RecipeList source_; // the recipes of the file being imported, as the list shows them
    ImportKind kind_ = ImportKind::None;
    QVector<int> unreadable_;                    // first lines of the recipes that could not be read
    QString pictureFolder_;                      // where the pictures of another program's file are
    QSet<int> inBook_;                           // entries whose recipe the book already holds
    bool fromWeb_ = false;                       // source_ holds a fetched page's recipes (file_ is its address)
    bool tickNew_ = false;                       // file_ was handed over (importFrom): what the book lacks comes ticked
    std::unique_ptr<QTemporaryDir> webPictures_; // the fetched page's pictures
    std::shared_ptr<QTemporaryDir> unpacked_;    // the pictures the file held, unpacked until the import is done
};

} // namespace bd
