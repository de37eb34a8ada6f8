#pragma once
// The search window: finds recipes by what the cook types and shows a
// chosen one, its found words marked, in the browse window behind it,
// which stays disabled while this is open. Results follow the typing after
// a short pause; a large book is searched a slice at a time, so typing
// never waits for it.

#include "search/search.h"

#include <QVector>
#include <QWidget>

#include <memory>

class QFrame;
class QLabel;
class QLineEdit;
class QListView;
class QModelIndex;
class QPushButton;
class QTimer;

namespace bd {

class HitList;

class frmSearch : public QWidget {
    Q_OBJECT
public:
    explicit frmSearch(QWidget* parent = nullptr);

    ~frmSearch() override;

    // Searches the book for the keyword box's text at once and lists what it finds.
    void searchRecs();
    // Whether a search started by typing is still going on.
    bool searching() const { return bool(running_); }
    // Shows the recipe listed at row of lstResults in the browse window.
    void chooseResult(int row);

    QLabel* lblHeader;
    QLineEdit* txtKeyword;
    QFrame* fraBtn;
    QPushButton *cmdSearch, *cmdCancel;
    // The lists show the results of the last search done, read from them
    // as they are drawn: a list of every title of a large book costs no
    // item, and no copy of a title, per recipe.
    QListView* lstResults;   // titles, sorted
    QListView* lstResultHid; // hidden: titles in finding order
    QListView* lstResultCat; // hidden: the category of each of those
    QLabel* lblCount;

    QTimer* typingPause; // from the last key typed to the search
    QTimer* searchSlice; // the next slice of a search under way
    int sliceMs;         // how long one slice may keep the window from answering

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void resultActivated(const QModelIndex& index);
    void startSearch();
    void searchOn();
    void begin(const QString& query);
    void stop();
    // Goes on with the search under way for up to budgetMs (to its end
    // when negative): searching and ordering the results, then listing them.
    void advance(int budgetMs);
    // Lists hits in order (none: empty lists).
    void list(SearchHits hits, QVector<int> order);

    std::unique_ptr<BookSearch> running_;
    std::unique_ptr<ListOrdering> ordering_;
    quint64 generation_ = 0; // the book's, when the search under way started
    QString query_;          // what the search under way looks for
    // The results listed, in finding order, and the order they are shown in.
    SearchHits listed_;
    QVector<int> shownOrder_;
    QString listedQuery_;
    HitList *shown_, *hidden_, *hiddenCategories_;
};

// Selects the category and then the title in the browse window, exactly as
// a user would, and marks the words query asks for in its fields (an empty
// query marks nothing); a title that is not listed leaves the category's
// first recipe shown.
void showFoundRecipe(const QString& category, const QString& title, const QString& query = QString());

} // namespace bd
