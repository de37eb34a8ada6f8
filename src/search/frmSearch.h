#pragma once
// The search window: finds recipes by what the cook types and shows a
// chosen one, its found words marked, in the browse window behind it,
// which stays disabled while this is open. Results follow the typing after
// a short pause; a large book is searched a slice at a time, so typing
// never waits for it.

#include <QVector>
#include <QWidget>

#include <memory>

class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTimer;

namespace bd {

class BookSearch;
class ListOrdering;

class frmSearch : public QWidget {
    Q_OBJECT
public:
    explicit frmSearch(QWidget* parent = nullptr);

    ~frmSearch() override;

    // Searches the book for the keyword box's text at once and lists what it finds.
    void searchRecs();
    // Whether a search started by typing is still going on.
    bool searching() const { return bool(running_); }
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

    QTimer* typingPause; // from the last key typed to the search
    QTimer* searchSlice; // the next slice of a search under way
    int sliceMs;         // how long one slice may keep the window from answering

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void resultActivated(QListWidgetItem* item);
    void startSearch();
    void searchOn();
    void begin(const QString& query);
    void stop();
    // Goes on with the search under way for up to budgetMs (to its end
    // when negative): searching, ordering the results, listing them.
    void advance(int budgetMs);

    std::unique_ptr<BookSearch> running_;
    std::unique_ptr<ListOrdering> ordering_;
    QVector<int> order_;
    int listedHidden_ = -1, listedShown_ = -1; // results listed so far, once listing began
    quint64 generation_ = 0;                   // the book's, when the search under way started
    QString query_;                            // what the results listed were found for
};

// Selects the category and then the title in the browse window, exactly as
// a user would, and marks the words query asks for in its fields (an empty
// query marks nothing); a title that is not listed leaves the category's
// first recipe shown.
void showFoundRecipe(const QString& category, const QString& title, const QString& query = QString());

} // namespace bd
