#pragma once
// The shopping list window: the cook picks recipes of the book and their
// servings, and sees what to buy for all of them, grouped as in a shop;
// what is at home is ticked off and left out of what is printed, copied,
// saved or e-mailed.

#include "output/cooking.h"
#include "store/recipe.h"

#include <QSet>
#include <QWidget>

#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace bd {

class frmShop : public QWidget {
    Q_OBJECT
public:
    explicit frmShop(QWidget* parent = nullptr);

    // Adds the recipe of the book at ref for servings (0: its own).
    void addRecipe(const RecipeRef& ref, double servings = 0);
    void removeRecipe(int row);
    // The list again from the chosen recipes, servings and units; what was
    // ticked stays ticked.
    void refresh();

    const std::vector<ShoppingItem>& items() const { return items_; }
    // Ticked items, by item position.
    std::vector<bool> atHome() const;
    // The list as copied, saved, printed and e-mailed.
    QString listText() const;

    void copyList();
    void saveList();
    void printList();
    void emailList();

    QLabel *lblFind, *lblChosen, *lblShopList, *lblShopUnits;
    QLineEdit* txtFind;
    QListWidget* lstBook;
    QPushButton *cmdAddRecipe, *cmdRemoveRecipe;
    QTableWidget* tblChosen;
    QComboBox* cboShopUnits;
    QListWidget* lstShop;
    QPushButton *cmdShopPrint, *cmdShopCopy, *cmdShopSave, *cmdShopEmail, *cmdShopClose;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fillBook();
    void filterBook();
    void addChosen();

    std::vector<RecipeRef> chosen_;
    std::vector<ShoppingItem> items_;
    QSet<QString> ticked_; // texts of the items at home
};

} // namespace bd
