#pragma once
// The search window: finds recipes by a keyword and shows a chosen one in
// the browse window behind it, which stays disabled while this is open.

#include <QWidget>

class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace bd {

class frmSearch : public QWidget {
    Q_OBJECT
public:
    explicit frmSearch(QWidget* parent = nullptr);

    // Searches the book for the keyword box's text and lists what it finds.
    void searchRecs();
    // Shows the recipe of a result entry in the browse window.
    void chooseResult(const QString& title);

    QLabel* lblHeader;
    QLineEdit* txtKeyword;
    QFrame* fraBtn;
    QPushButton *cmdSearch, *cmdCancel;
    QListWidget* lstResults;   // titles, sorted
    QListWidget* lstResultHid; // hidden: titles in finding order
    QListWidget* lstResultCat; // hidden: the category of each of those
    QLabel* lblCount;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void resultActivated(QListWidgetItem* item);
};

// Selects the category and then the title in the browse window, exactly as
// a user would; a title that is not listed leaves the category's first
// recipe shown.
void showFoundRecipe(const QString& category, const QString& title);

} // namespace bd
