#include "search/frmSearch.h"

#include "app/ui/controls.h"
#include "app/base/twips.h"
#include "app/base/globals.h"
#include "store/listsort.h"
#include "app/base/twips.h"
#include "app/ui/windows.h"
#include "browse/frmBr.h"
#include "resources/apply.h"
#include "resources/captions.h"
#include "search/search.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace bd {

namespace {

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

    setTabOrder(txtKeyword, cmdSearch);
    setTabOrder(cmdSearch, cmdCancel);
    setTabOrder(cmdCancel, lstResults);

    connect(cmdSearch, &QPushButton::clicked, this, &frmSearch::searchRecs);
    // Enter runs the search; a one-line box takes no line break.
    connect(txtKeyword, &QLineEdit::returnPressed, this, &frmSearch::searchRecs);
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);
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

void frmSearch::searchRecs()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const SearchHits hits = bd::searchRecs(G.xmlDoc, txtKeyword->text());
    QStringList sorted = hits.titles;
    sortForList(sorted);
    {
        const QSignalBlocker block(lstResults);
        lstResults->clear();
        lstResults->addItems(sorted);
    }
    lstResultHid->clear();
    lstResultHid->addItems(hits.titles);
    lstResultCat->clear();
    lstResultCat->addItems(hits.categories);
    lblCount->setText(resultCountLine(lstResults->count()));
    QApplication::restoreOverrideCursor();
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
            showFoundRecipe(lstResultCat->item(i)->text(), title);
            return;
        }
    }
}

void showFoundRecipe(const QString& category, const QString& title)
{
    auto* br = qobject_cast<frmBr*>(instance(WindowKind::Br));
    if (!br)
        return;
    br->selectRecipe(category, title);
}

void frmSearch::keyPressEvent(QKeyEvent* event)
{
    if (!closeOnEscape(this, event))
        QWidget::keyPressEvent(event);
}

} // namespace bd
