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
    searchSlice->stop();
    running_ = std::make_unique<BookSearch>(G.xmlDoc, txtKeyword->text());
    query_ = txtKeyword->text();
    running_->step(std::numeric_limits<int>::max());
    listHits();
    QApplication::restoreOverrideCursor();
}

void frmSearch::startSearch()
{
    searchSlice->stop();
    running_.reset();
    query_ = txtKeyword->text();
    // An emptied box lists nothing; the button still finds every recipe.
    if (query_.trimmed().isEmpty()) {
        lstResults->clear();
        lstResultHid->clear();
        lstResultCat->clear();
        lblCount->clear();
        return;
    }
    running_ = std::make_unique<BookSearch>(G.xmlDoc, query_);
    generation_ = G.xmlDoc.generation();
    searchOn();
}

void frmSearch::searchOn()
{
    if (!running_)
        return;
    // A book changed meanwhile (a change made outside and taken in) is
    // searched again from the start.
    if (G.xmlDoc.generation() != generation_) {
        startSearch();
        return;
    }
    QElapsedTimer slice;
    slice.start();
    while (!running_->step(2000))
        if (slice.elapsed() >= kSliceMs) {
            searchSlice->start();
            return;
        }
    searchSlice->stop();
    listHits();
}

void frmSearch::listHits()
{
    const SearchHits& hits = running_->hits();
    QStringList listed;
    listed.reserve(hits.size());
    for (int i : listOrder(hits))
        listed << hits.titles[i];
    {
        const QSignalBlocker block(lstResults);
        lstResults->clear();
        lstResults->addItems(listed);
    }
    lstResultHid->clear();
    lstResultHid->addItems(hits.titles);
    lstResultCat->clear();
    lstResultCat->addItems(hits.categories);
    lblCount->setText(resultCountLine(lstResults->count()));
    running_.reset();
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
    searchSlice->stop();
    running_.reset();
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
