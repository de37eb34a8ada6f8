#include "browse/listwindow.h"

#include "app/ui/controls.h"
#include "app/base/dialogs.h"
#include "app/base/globals.h"
#include "app/base/twips.h"
#include "app/ui/windows.h"
#include "exchange/frmImp.h"
#include "app/base/text.h"
#include "store/booksave.h"
#include "store/names.h"
#include "resources/apply.h"
#include "resources/captions.h"
#include "store/trash.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QVBoxLayout>

namespace bd {

ListWindow::ListWindow(Str caption, const char* listName, const QVector<Str>& columns, QWidget* parent)
    : QWidget(parent, Qt::Dialog)
{
    setWindowTitle(fetchText(caption));
    list_ = named(new QTreeWidget(this), listName);
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setAllColumnsShowFocus(true);
    QStringList headings;
    for (Str id : columns)
        headings << fetchText(id);
    list_->setHeaderLabels(headings);
    cmdRestore = named(new QPushButton(fetchText(Str::RestoreButton), this), "cmdRestore");
    cmdClose = named(new QPushButton(fetchText(Str::CloseButton), this), "cmdClose");
    buttons_ = new QHBoxLayout;
    buttons_->addWidget(cmdRestore);
    buttons_->addStretch();
    buttons_->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(pxX(120), pxY(120), pxX(120), pxY(120));
    layout->addWidget(list_);
    layout->addLayout(buttons_);
    resize(pxX(7800), pxY(5400));
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(list_, &QTreeWidget::itemSelectionChanged, this,
            [this] { cmdRestore->setEnabled(!list_->selectedItems().isEmpty()); });
    setAttribute(Qt::WA_DeleteOnClose);
}

QPushButton* ListWindow::addButton(const char* name, Str caption)
{
    auto* button = named(new QPushButton(fetchText(caption), this), name);
    buttons_->insertWidget(1, button);
    return button;
}

void ListWindow::fitColumns()
{
    // The first column takes what the others leave: no sideways scrolling.
    QHeaderView* header = list_->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int c = 1; c < list_->columnCount(); ++c)
        header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    // The first entry that can be chosen is.
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        if (QTreeWidgetItem* item = list_->topLevelItem(i); item->flags() & Qt::ItemIsSelectable) {
            list_->setCurrentItem(item);
            break;
        }
    cmdRestore->setEnabled(!list_->selectedItems().isEmpty());
    list_->setFocus();
}

void ListWindow::keyPressEvent(QKeyEvent* event)
{
    if (!closeOnEscape(this, event))
        QWidget::keyPressEvent(event);
}

QVector<int> ListWindow::chosenRows() const
{
    QVector<int> rows;
    for (const QTreeWidgetItem* item : list_->selectedItems())
        rows << item->data(0, Qt::UserRole).toInt();
    return rows;
}

// ---- Deleted recipes ----

frmTrash::frmTrash(QWidget* parent)
    : ListWindow(Str::DeletedRecipesCaption, "lstTrash", {Str::ColumnTitle, Str::ColumnCategory, Str::ColumnRemoved},
                 parent)
{
    cmdEmpty = addButton("cmdEmpty", Str::EmptyTrashButton);
    applyColours(this, kListColours);
    connect(cmdRestore, &QPushButton::clicked, this, &frmTrash::restore);
    connect(cmdEmpty, &QPushButton::clicked, this, &frmTrash::emptyTrash);
    fill();
}

void frmTrash::fill()
{
    list()->clear();
    Trash trash(bookStore().trashFile());
    if (!trash.load())
        msgBox(Str::TrashUnreadable, Buttons::Ok, Icon::Exclamation);
    const QVector<TrashEntry> entries = trash.entries();
    const QLocale locale = programLocale();
    for (int i = 0; i < entries.size(); ++i) {
        auto* item = new QTreeWidgetItem({entries[i].recipe.title, entries[i].recipe.category,
                                          locale.toString(entries[i].removed, QLocale::ShortFormat)});
        item->setData(0, Qt::UserRole, i);
        item->setData(2, Qt::UserRole, entries[i].removed);
        list()->addTopLevelItem(item);
    }
    list()->sortItems(2, Qt::DescendingOrder);
    cmdEmpty->setEnabled(!entries.isEmpty());
    fitColumns();
}

void frmTrash::restore()
{
    const Command command(this);
    if (!command)
        return;
    const QVector<int> rows = chosenRows();
    if (rows.isEmpty())
        return;
    // A title the book has: the same with the first free number offered.
    const RecipeBook& book = bookStore().book();
    const auto ask = [&book](const QString& title) {
        return askTitleInstead(title, freeTitle(title, [&book](const QString& t) { return book.titleExists(t); }));
    };
    const BusyCursor busy;
    report(bookStore().restoreFromTrash(rows, ask));
    showBookAgainEverywhere();
    fill();
}

void frmTrash::emptyTrash()
{
    const Command command(this);
    if (!command)
        return;
    if (msgBox(Str::EmptyTrashQuestion, Buttons::YesNo, Icon::Exclamation) != Answer::Yes)
        return;
    const BusyCursor busy;
    report(bookStore().emptyTrash());
    fill();
}

// ---- Snapshots ----

frmSnapshots::frmSnapshots(QWidget* parent)
    : ListWindow(Str::SnapshotsCaption, "lstSnaps", {Str::ColumnTaken, Str::ColumnRecipes}, parent)
{
    list()->setSelectionMode(QAbstractItemView::SingleSelection);
    resize(pxX(9600), height()); // long dates, and why a snapshot cannot be read
    applyColours(this, kListColours);
    connect(cmdRestore, &QPushButton::clicked, this, &frmSnapshots::restore);
    connect(list(), &QTreeWidget::itemActivated, this, &frmSnapshots::restore);
    fill();
}

void frmSnapshots::fill()
{
    list()->clear();
    paths_.clear();
    const QLocale locale = programLocale();
    for (const Snapshot& s : listSnapshots(bookPath())) {
        const bool readable = s.fault == Str::None && s.recipes >= 0;
        auto* item = new QTreeWidgetItem({locale.toString(s.taken.date(), QLocale::LongFormat) + QStringLiteral("  ") +
                                              locale.toString(s.taken.time(), QLocale::ShortFormat),
                                          readable
                                              ? QString::number(s.recipes)
                                              : fetchText(s.fault == Str::None ? Str::SnapshotUnreadable : s.fault)});
        item->setData(0, Qt::UserRole, int(paths_.size()));
        item->setTextAlignment(1, (readable ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        if (!readable) {
            // Shown, with the reason, but it cannot be chosen.
            item->setFlags(item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
            QFont font = list()->font();
            font.setItalic(true);
            for (int c = 0; c < 2; ++c) {
                item->setToolTip(c, item->text(1));
                item->setFont(c, font);
            }
        }
        paths_ << s.path;
        list()->addTopLevelItem(item);
    }
    fitColumns();
    // The dates whole; the count, or why a snapshot cannot be read, after them.
    list()->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    list()->header()->setSectionResizeMode(1, QHeaderView::Stretch);
}

void frmSnapshots::restore()
{
    const Command command(this);
    if (!command)
        return;
    const QList<QTreeWidgetItem*> chosen = list()->selectedItems();
    if (chosen.isEmpty())
        return;
    if (G.readOnly) {
        msgBox(Str::BookReadOnly, Buttons::Ok, Icon::Exclamation);
        return;
    }
    const QString when = chosen.first()->text(0);
    if (dialogs().message(Str::RestoreSnapshotQuestion, fetchText(Str::RestoreSnapshotQuestion).arg(when),
                          Buttons::YesNo, Icon::Exclamation, QStringLiteral("BD")) != Answer::Yes)
        return;
    const BusyCursor busy;
    const SaveResult r = restoreSnapshot(
        G.xmlDoc, bookPath(), paths_.value(chosen.first()->data(0, Qt::UserRole).toInt()), bookPlace().snapshots);
    if (!report(r))
        return;
    showBookAgainEverywhere();
    msgBox(Str::SnapshotRestored, Buttons::Ok, Icon::Information);
    fill();
}

} // namespace bd
