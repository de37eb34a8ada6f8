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
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace bd {

namespace {

// How long typing must pause before the search starts, and how long one
// slice of a search may keep the window from answering.
constexpr int kTypingPauseMs = 250;
constexpr int kSliceMs = 15;

QListWidget* hiddenList(QWidget* parent, const char* name)
{
    auto* l = named(new QListWidget(parent), name);
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
    lstResults = named(new QListWidget(this), "lstResults");
    lstResults->setSelectionMode(QAbstractItemView::SingleSelection);
    lstResults->setUniformItemSizes(true);
    lstResults->setMouseTracking(true);
    lstResultHid = hiddenList(this, "lstResultHid");
    lstResultCat = hiddenList(this, "lstResultCat");
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
    connect(lstResults, &QListWidget::itemEntered, this,
            [this](const QListWidgetItem* item) { lstResults->setToolTip(item->text()); });
    // A click, the arrow keys (which select) and Enter all choose a result.
    connect(lstResults, &QListWidget::itemClicked, this, &frmSearch::resultActivated);
    connect(lstResults, &QListWidget::itemActivated, this, &frmSearch::resultActivated);
    connect(lstResults, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> selected = lstResults->selectedItems();
        if (!selected.isEmpty())
            chooseResult(selected.first()->text());
    });

    // Typing replaces the hint text.
    txtKeyword->selectAll();
    txtKeyword->setFocus();
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
        lstResults->clear();
        lstResultHid->clear();
        lstResultCat->clear();
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
    order_.clear();
}

void frmSearch::begin(const QString& query)
{
    stop();
    query_ = query;
    running_ = std::make_unique<BookSearch>(G.xmlDoc, query);
    generation_ = G.xmlDoc.generation();
    listedHidden_ = listedShown_ = -1;
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
    // Search, ready the titles' sort keys, then list: the hidden pair in
    // finding order first, so that every title shown can be chosen.
    constexpr int kChunk = 2000;
    while (!running_->step(kChunk))
        if (timeUp())
            return;
    const SearchHits& hits = running_->hits();
    if (!ordering_)
        ordering_ = std::make_unique<ListOrdering>(hits);
    while (!ordering_->step(kChunk))
        if (timeUp())
            return;
    if (listedHidden_ < 0) {
        order_ = ordering_->order();
        const QSignalBlocker block(lstResults);
        lstResults->clear();
        lstResultHid->clear();
        lstResultCat->clear();
        listedHidden_ = listedShown_ = 0;
    }
    const auto listSome = [&](int& listed, const std::function<void(int, int)>& add) {
        while (listed < hits.size()) {
            const int end = qMin(listed + kChunk, hits.size());
            add(listed, end);
            listed = end;
            if (listed < hits.size() && timeUp())
                return false;
        }
        return true;
    };
    const bool hidden = listSome(listedHidden_, [&](int from, int to) {
        lstResultHid->addItems(hits.titles.mid(from, to - from));
        lstResultCat->addItems(hits.categories.mid(from, to - from));
    });
    if (!hidden)
        return;
    const bool shown = listSome(listedShown_, [&](int from, int to) {
        QStringList titles;
        titles.reserve(to - from);
        for (int i = from; i < to; ++i)
            titles << hits.titles[order_[i]];
        const QSignalBlocker block(lstResults);
        lstResults->addItems(titles);
    });
    if (!shown)
        return;
    lblCount->setText(resultCountLine(lstResults->count()));
    stop();
}

void frmSearch::resultActivated(QListWidgetItem* item)
{
    if (!item)
        return;
    if (!item->isSelected()) {
        const QSignalBlocker block(lstResults);
        lstResults->setCurrentItem(item);
    }
    chooseResult(item->text());
}

void frmSearch::chooseResult(const QString& title)
{
    // The hidden pair, in finding order, gives the title's category.
    for (int i = 0; i < lstResultHid->count(); ++i) {
        if (lstResultHid->item(i)->text() == title) {
            showFoundRecipe(lstResultCat->item(i)->text(), title, query_);
            return;
        }
    }
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
