#include "search/frmSearch.h"

#include "app/base/globals.h"
#include "app/base/text.h"
#include "app/base/twips.h"
#include "app/ui/controls.h"
#include "app/ui/windows.h"
#include "browse/frmBr.h"
#include "resources/apply.h"
#include "resources/captions.h"
#include "search/query.h"
#include "search/search.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <limits>
#include <QAbstractListModel>
#include <QComboBox>
#include <QFrame>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

namespace bd {

// A list of the results, its rows read from the hits as they are drawn.
class HitList : public QAbstractListModel {
public:
    enum Shows { Sorted, Titles, Categories };
    HitList(Shows shows, QObject* parent) : QAbstractListModel(parent), shows_(shows) {}

    void show(const SearchHits* hits, const QVector<int>* order)
    {
        beginResetModel();
        hits_ = hits;
        order_ = order;
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() || !hits_ ? 0 : hits_->size();
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!hits_ || !index.isValid() || index.row() >= hits_->size() ||
            (role != Qt::DisplayRole && role != Qt::ToolTipRole))
            return QVariant();
        switch (shows_) {
        case Sorted: return hits_->title((*order_)[index.row()]);
        case Titles: return hits_->title(index.row());
        case Categories: return hits_->category(index.row());
        }
        return QVariant();
    }

private:
    Shows shows_;
    const SearchHits* hits_ = nullptr;
    const QVector<int>* order_ = nullptr;
};

namespace {

// How long typing must pause before the search starts, and how long one
// slice of a search may keep the window from answering.
constexpr int kTypingPauseMs = 250;
constexpr int kSliceMs = 15;

QListView* resultList(QWidget* parent, const char* name, HitList* model)
{
    auto* l = named(new QListView(parent), name);
    l->setModel(model);
    l->setEditTriggers(QAbstractItemView::NoEditTriggers);
    l->setUniformItemSizes(true);
    return l;
}

QListView* hiddenList(QWidget* parent, const char* name, HitList* model)
{
    QListView* l = resultList(parent, name, model);
    l->hide();
    return l;
}

} // namespace

frmSearch::frmSearch(QWidget* parent) : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    lblHeader = named(new QLabel(this), "lblHeader");
    QFont heading = lblHeader->font();
    heading.setBold(true);
    heading.setPointSize(12);
    lblHeader->setFont(heading);
    txtKeyword = named(new QLineEdit(this), "txtKeyword");
    fraBtn = named(new QFrame(this), "fraBtn");
    fraBtn->setFrameShape(QFrame::StyledPanel);
    cmdSearch = named(new QPushButton(fraBtn), "cmdSearch");
    cmdCancel = named(new QPushButton(fraBtn), "cmdCancel");
    shown_ = new HitList(HitList::Sorted, this);
    hidden_ = new HitList(HitList::Titles, this);
    hiddenCategories_ = new HitList(HitList::Categories, this);
    lstResults = resultList(this, "lstResults", shown_);
    lstResults->setSelectionMode(QAbstractItemView::SingleSelection);
    lstResults->setMouseTracking(true);
    lstResultHid = hiddenList(this, "lstResultHid", hidden_);
    lstResultCat = hiddenList(this, "lstResultCat", hiddenCategories_);
    lblCount = named(new QLabel(this), "lblCount");
    lblCount->setIndent(pxX(45));
    typingPause = new QTimer(this);
    typingPause->setObjectName(QStringLiteral("typingPause"));
    typingPause->setSingleShot(true);
    typingPause->setInterval(kTypingPauseMs);
    searchSlice = new QTimer(this);
    searchSlice->setObjectName(QStringLiteral("searchSlice"));
    searchSlice->setInterval(0);
    sliceMs = kSliceMs;

    // Window load: colours and the text size, captions, then the measures
    // that follow the text size.
    applyColours(this, kSearchColours);
    applyCaptions(this, kSearchCaptions);
    const SearchLayout l = layoutSearch(G.textFontSize);
    lblHeader->setGeometry(toPixels(l.lblHeader));
    txtKeyword->setGeometry(toPixels(l.txtKeyword));
    fraBtn->setGeometry(toPixels(l.fraBtn));
    cmdSearch->setGeometry(toPixels(l.cmdSearch));
    cmdCancel->setGeometry(toPixels(l.cmdCancel));
    lstResults->setGeometry(toPixels(l.lstResults));
    lblCount->setGeometry(toPixels(l.lblCount));
    setFixedSize(pxX(l.clientWidth), pxY(l.clientHeight));
    txtKeyword->setToolTip(fetchText(Str::SearchHowTo));

    setTabOrder(txtKeyword, cmdSearch);
    setTabOrder(cmdSearch, cmdCancel);
    setTabOrder(cmdCancel, lstResults);

    connect(cmdSearch, &QPushButton::clicked, this, &frmSearch::searchRecs);
    // Enter runs the search; a one-line box takes no line break.
    connect(txtKeyword, &QLineEdit::returnPressed, this, &frmSearch::searchRecs);
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);
    // What the cook types is searched when the typing pauses; the hint
    // the box opens with is not.
    connect(txtKeyword, &QLineEdit::textEdited, typingPause, qOverload<>(&QTimer::start));
    connect(typingPause, &QTimer::timeout, this, &frmSearch::startSearch);
    connect(searchSlice, &QTimer::timeout, this, &frmSearch::searchOn);
    // Titles too long for the list can be read in its tool tip.
    connect(lstResults, &QListView::entered, this,
            [this](const QModelIndex& index) { lstResults->setToolTip(index.data().toString()); });
    // A click, the arrow keys (which select) and Enter all choose a result.
    connect(lstResults, &QListView::clicked, this, &frmSearch::resultActivated);
    connect(lstResults, &QListView::activated, this, &frmSearch::resultActivated);
    connect(lstResults->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const QModelIndexList selected = lstResults->selectionModel()->selectedIndexes();
        if (!selected.isEmpty())
            chooseResult(selected.first().row());
    });

    // Typing replaces the hint text.
    txtKeyword->selectAll();
    txtKeyword->setFocus();
    // The titles are put in list order while the cook types, unless that is
    // done already.
    rankTitlesAside(G.xmlDoc);
}

frmSearch::~frmSearch() = default;

void frmSearch::searchRecs()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    typingPause->stop();
    begin(txtKeyword->text());
    advance(-1);
    QApplication::restoreOverrideCursor();
}

void frmSearch::startSearch()
{
    // An emptied box lists nothing; the button still finds every recipe.
    if (txtKeyword->text().trimmed().isEmpty()) {
        stop();
        list({}, {});
        lblCount->clear();
        return;
    }
    begin(txtKeyword->text());
    advance(sliceMs);
}

void frmSearch::searchOn() { advance(sliceMs); }

void frmSearch::stop()
{
    searchSlice->stop();
    ordering_.reset(); // before the hits it orders
    running_.reset();
}

void frmSearch::begin(const QString& query)
{
    stop();
    query_ = query;
    running_ = std::make_unique<BookSearch>(G.xmlDoc, query);
    generation_ = G.xmlDoc.generation();
}

void frmSearch::advance(int budgetMs)
{
    if (!running_)
        return;
    // A book changed meanwhile (a change made outside and taken in) is
    // searched again from the start.
    if (G.xmlDoc.generation() != generation_)
        begin(query_);
    QElapsedTimer slice;
    slice.start();
    const auto timeUp = [&] {
        if (budgetMs < 0 || slice.elapsed() < budgetMs)
            return false;
        searchSlice->start();
        return true;
    };
    // Search, ready the titles' sort keys, then list.
    constexpr int kChunk = 2000;
    while (!running_->step(kChunk))
        if (timeUp())
            return;
    if (!ordering_)
        ordering_ = std::make_unique<ListOrdering>(running_->hits(), &G.xmlDoc, running_->titlesVersion());
    while (!ordering_->step(kChunk))
        if (timeUp())
            return;
    listedQuery_ = query_;
    list(running_->hits(), ordering_->order());
    lblCount->setText(resultCountLine(lstResults->model()->rowCount()));
    stop();
}

void frmSearch::list(SearchHits hits, QVector<int> order)
{
    // The lists let go of the results they show before these go.
    for (HitList* l : {shown_, hidden_, hiddenCategories_})
        l->show(nullptr, nullptr);
    listed_ = std::move(hits);
    shownOrder_ = std::move(order);
    shown_->show(&listed_, &shownOrder_);
    hidden_->show(&listed_, nullptr);
    hiddenCategories_->show(&listed_, nullptr);
    // A new list starts at its top, wherever the last one was scrolled to.
    lstResults->scrollToTop();
}

void frmSearch::resultActivated(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    // Selecting a result shows it; one selected already is shown again.
    if (lstResults->selectionModel()->isSelected(index))
        chooseResult(index.row());
    else
        lstResults->setCurrentIndex(index);
}

void frmSearch::chooseResult(int row)
{
    if (row < 0 || row >= shownOrder_.size())
        return;
    const int hit = shownOrder_[row];
    showFoundRecipe(listed_.category(hit), listed_.title(hit), listedQuery_);
}

void showFoundRecipe(const QString& category, const QString& title, const QString& query)
{
    auto* br = qobject_cast<frmBr*>(instance(WindowKind::Br));
    if (!br)
        return;
    const SearchQuery wanted = parseQuery(query);
    if (wanted.required.isEmpty()) {
        br->markFound({});
    } else {
        br->markFound([wanted](int child, const QString& text) {
            const SearchField field = child == RTitle  ? InTitle
                                      : child == RIng  ? InIngredients
                                      : child == RPrep ? InPreparation
                                                       : InNotes;
            QVector<QPair<int, int>> marks;
            for (const TextRange& r : foundRanges(wanted, field, text))
                marks.append({r.start, r.length});
            return marks;
        });
    }
    br->selectRecipe(category, title);
}

void frmSearch::closeEvent(QCloseEvent* event)
{
    typingPause->stop();
    stop();
    // The browse window shows its recipes plainly again.
    if (auto* br = qobject_cast<frmBr*>(instance(WindowKind::Br)))
        br->markFound({});
    QWidget::closeEvent(event);
}

void frmSearch::keyPressEvent(QKeyEvent* event)
{
    if (!closeOnEscape(this, event))
        QWidget::keyPressEvent(event);
}

} // namespace bd
