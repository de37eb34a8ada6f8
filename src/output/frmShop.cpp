#include "output/frmShop.h"

#include "app/base/dialogs.h"
#include "app/base/globals.h"
#include "app/base/preferences.h"
#include "app/base/text.h"
#include "app/ui/controls.h"
#include "app/ui/windows.h"
#include "browse/frmBr.h"
#include "output/emailtext.h"
#include "output/plaintext.h"
#include "output/printpage.h"
#include "store/listsort.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTextDocument>
#include <QVBoxLayout>

namespace bd {

namespace {

constexpr int kHeading = -1; // a group's heading in the list, not an item

QSpinBox* servingsBox(double own, double servings)
{
    auto* box = new QSpinBox;
    box->setObjectName(QStringLiteral("spnShopServings"));
    box->setToolTip(fetchText(Str::ShopServingsTip));
    if (own <= 0) {
        // A yield that counts nothing: the recipe as it is.
        box->setRange(0, 0);
        box->setSpecialValueText(QStringLiteral("\u2013"));
        box->setEnabled(false);
        return box;
    }
    box->setRange(1, 9999);
    box->setValue(qMax(1, qRound(servings > 0 ? servings : own)));
    return box;
}

} // namespace

frmShop::frmShop(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmShop"));
    setWindowTitle(fetchText(Str::ShopCaption));

    lblFind = label(this, "lblFind");
    lblFind->setText(fetchText(Str::ShopFind));
    txtFind = named(new QLineEdit(this), "txtFind");
    txtFind->setClearButtonEnabled(true);
    lblFind->setBuddy(txtFind);
    lstBook = named(new QListWidget(this), "lstBook");
    lstBook->setUniformItemSizes(true);
    cmdAddRecipe = named(new QPushButton(fetchText(Str::ShopAdd), this), "cmdAddRecipe");

    lblChosen = label(this, "lblChosen");
    lblChosen->setText(fetchText(Str::ShopChosen));
    tblChosen = named(new QTableWidget(0, 2, this), "tblChosen");
    tblChosen->setHorizontalHeaderLabels({fetchText(Str::ColumnTitle), fetchText(Str::ServingsHeading)});
    tblChosen->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    tblChosen->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    tblChosen->verticalHeader()->hide();
    tblChosen->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblChosen->setSelectionMode(QAbstractItemView::SingleSelection);
    tblChosen->setEditTriggers(QAbstractItemView::NoEditTriggers);
    cmdRemoveRecipe = named(new QPushButton(fetchText(Str::ShopRemove), this), "cmdRemoveRecipe");

    lblShopUnits = label(this, "lblShopUnits");
    lblShopUnits->setText(fetchText(Str::UnitsLabel));
    cboShopUnits = named(new QComboBox(this), "cboShopUnits");
    cboShopUnits->addItems({fetchText(Str::UnitsAsWritten), fetchText(Str::UnitsMetric), fetchText(Str::UnitsUS)});
    cboShopUnits->setCurrentIndex(unitsPreference());
    lblShopUnits->setBuddy(cboShopUnits);
    lblShopList = label(this, "lblShopList");
    lblShopList->setText(fetchText(Str::ShopList));
    lstShop = named(new QListWidget(this), "lstShop");
    lstShop->setWordWrap(true);
    QFont listFont = lstShop->font();
    listFont.setPointSize(qMax(listFont.pointSize(), G.textFontSize) + 1);
    lstShop->setFont(listFont);

    cmdShopPrint = named(new QPushButton(fetchText(Str::ShopPrint), this), "cmdShopPrint");
    cmdShopCopy = named(new QPushButton(fetchText(Str::ShopCopy), this), "cmdShopCopy");
    cmdShopSave = named(new QPushButton(fetchText(Str::ShopSave), this), "cmdShopSave");
    cmdShopEmail = named(new QPushButton(fetchText(Str::ShopEmail), this), "cmdShopEmail");
    cmdShopClose = named(new QPushButton(fetchText(Str::CloseButton), this), "cmdShopClose");

    // The book and the chosen recipes on the left, the list on the right.
    auto* left = new QVBoxLayout;
    left->addWidget(lblFind);
    left->addWidget(txtFind);
    left->addWidget(lstBook, 3);
    left->addWidget(cmdAddRecipe, 0, Qt::AlignRight);
    left->addSpacing(8);
    left->addWidget(lblChosen);
    left->addWidget(tblChosen, 2);
    left->addWidget(cmdRemoveRecipe, 0, Qt::AlignRight);
    auto* unitsRow = new QHBoxLayout;
    unitsRow->addWidget(lblShopList, 1);
    unitsRow->addWidget(lblShopUnits);
    unitsRow->addWidget(cboShopUnits);
    auto* right = new QVBoxLayout;
    right->addLayout(unitsRow);
    right->addWidget(lstShop, 1);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 2);
    columns->addSpacing(12);
    columns->addLayout(right, 3);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdShopPrint, cmdShopCopy, cmdShopSave, cmdShopEmail})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(cmdShopClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addLayout(buttons);
    resize(900, 620);

    connect(txtFind, &QLineEdit::textChanged, this, &frmShop::filterBook);
    connect(txtFind, &QLineEdit::returnPressed, this, &frmShop::addChosen);
    connect(lstBook, &QListWidget::itemDoubleClicked, this, &frmShop::addChosen);
    connect(cmdAddRecipe, &QPushButton::clicked, this, &frmShop::addChosen);
    connect(cmdRemoveRecipe, &QPushButton::clicked, this, [this] { removeRecipe(tblChosen->currentRow()); });
    connect(cboShopUnits, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] { refresh(); });
    connect(lstShop, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (item->data(Qt::UserRole).toInt() == kHeading)
            return;
        if (item->checkState() == Qt::Checked)
            ticked_.insert(item->text());
        else
            ticked_.remove(item->text());
        QFont f = item->font();
        f.setStrikeOut(item->checkState() == Qt::Checked);
        item->setFont(f);
    });
    connect(cmdShopPrint, &QPushButton::clicked, this, &frmShop::printList);
    connect(cmdShopCopy, &QPushButton::clicked, this, &frmShop::copyList);
    connect(cmdShopSave, &QPushButton::clicked, this, &frmShop::saveList);
    connect(cmdShopEmail, &QPushButton::clicked, this, &frmShop::emailList);
    connect(cmdShopClose, &QPushButton::clicked, this, &QWidget::close);

    fillBook();
    // The recipe the browse window shows comes first, for its servings there.
    if (const auto* br = qobject_cast<const frmBr*>(instance(WindowKind::Br))) {
        const Recipe& shown = br->storedRecipe();
        if (!shown.title.isEmpty()) {
            cboShopUnits->setCurrentIndex(int(br->cookView().units));
            addRecipe({br->selectedCategory(), shown.title}, br->cookView().servings);
        }
    }
    refresh();
    txtFind->setFocus();
}

void frmShop::fillBook()
{
    QVector<std::pair<QString, int>> entries;
    for (int c = 0; c < G.xmlDoc.categoryCount(); ++c)
        for (const QString& title : G.xmlDoc.recipeTitles(c))
            if (!title.isEmpty())
                entries.append({title, c});
    sortForList(entries);
    for (const auto& [title, position] : entries) {
        auto* item = new QListWidgetItem(title, lstBook);
        item->setData(Qt::UserRole, position);
    }
    if (lstBook->count() > 0)
        lstBook->setCurrentRow(0);
}

void frmShop::filterBook()
{
    const QString typed = txtFind->text().trimmed();
    QListWidgetItem* first = nullptr;
    for (int i = 0; i < lstBook->count(); ++i) {
        QListWidgetItem* item = lstBook->item(i);
        const bool shown = typed.isEmpty() || item->text().contains(typed, Qt::CaseInsensitive);
        item->setHidden(!shown);
        if (shown && !first)
            first = item;
    }
    if (first && (!lstBook->currentItem() || lstBook->currentItem()->isHidden()))
        lstBook->setCurrentItem(first);
}

void frmShop::addChosen()
{
    const QListWidgetItem* item = lstBook->currentItem();
    if (!item || item->isHidden())
        return;
    addRecipe({item->data(Qt::UserRole).toInt(), item->text()});
    refresh();
}

void frmShop::addRecipe(const RecipeRef& ref, double servings)
{
    const std::optional<Recipe> recipe = G.xmlDoc.recipe(ref);
    if (!recipe)
        return;
    for (const RecipeRef& c : chosen_)
        if (c.category == ref.category && c.title == ref.title)
            return; // once is enough: its servings say how much
    chosen_.push_back(ref);
    const int row = tblChosen->rowCount();
    tblChosen->insertRow(row);
    tblChosen->setItem(row, 0, new QTableWidgetItem(ref.title));
    QSpinBox* box = servingsBox(readYield(recipe->yield).count, servings);
    tblChosen->setCellWidget(row, 1, box);
    connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this, [this] { refresh(); });
    tblChosen->setCurrentCell(row, 0);
}

void frmShop::removeRecipe(int row)
{
    if (row < 0 || row >= int(chosen_.size()))
        return;
    chosen_.erase(chosen_.begin() + row);
    tblChosen->removeRow(row);
    refresh();
}

void frmShop::refresh()
{
    std::vector<ShoppingChoice> choices;
    for (std::size_t row = 0; row < chosen_.size(); ++row) {
        const std::optional<Recipe> recipe = G.xmlDoc.recipe(chosen_[row]);
        if (!recipe)
            continue;
        const auto* box = qobject_cast<const QSpinBox*>(tblChosen->cellWidget(int(row), 1));
        const double own = readYield(recipe->yield).count;
        double servings = box && box->maximum() > 0 ? box->value() : 0;
        if (servings == qMax(1, qRound(own)))
            servings = 0;
        choices.push_back({*recipe, servings});
    }
    items_ = shoppingList(choices, UnitSystem(qBound(0, cboShopUnits->currentIndex(), 2)), G.langOffset);

    const QSignalBlocker block(lstShop);
    lstShop->clear();
    if (chosen_.empty()) {
        auto* hint = new QListWidgetItem(fetchText(Str::ShopEmpty), lstShop);
        hint->setData(Qt::UserRole, kHeading);
        hint->setFlags(Qt::NoItemFlags);
        return;
    }
    QString group;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const ShoppingItem& it = items_[i];
        if (i == 0 || it.group != group) {
            group = it.group;
            if (!group.isEmpty()) {
                auto* heading = new QListWidgetItem(group, lstShop);
                heading->setData(Qt::UserRole, kHeading);
                heading->setFlags(Qt::ItemIsEnabled);
                QFont f = heading->font();
                f.setBold(true);
                heading->setFont(f);
            }
        }
        auto* item = new QListWidgetItem(it.text, lstShop);
        item->setData(Qt::UserRole, int(i));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        const bool home = ticked_.contains(it.text);
        item->setCheckState(home ? Qt::Checked : Qt::Unchecked);
        QFont f = item->font();
        f.setStrikeOut(home);
        item->setFont(f);
    }
}

std::vector<bool> frmShop::atHome() const
{
    std::vector<bool> home(items_.size(), false);
    for (int i = 0; i < lstShop->count(); ++i) {
        const QListWidgetItem* item = lstShop->item(i);
        const int index = item->data(Qt::UserRole).toInt();
        if (index >= 0 && std::size_t(index) < home.size())
            home[std::size_t(index)] = item->checkState() == Qt::Checked;
    }
    return home;
}

QString frmShop::listText() const
{
    QStringList titles;
    for (const RecipeRef& c : chosen_)
        titles << c.title;
    // Under the list's heading, which recipes it is for.
    QString text = shoppingListText(items_, atHome(), G.langOffset);
    const QString crlf = QStringLiteral("\r\n");
    const int heading = text.indexOf(crlf);
    if (heading >= 0 && !titles.isEmpty())
        text.insert(heading + crlf.size(),
                    fetchText(Str::ShopForRecipes).arg(titles.join(QStringLiteral(", "))) + crlf);
    return text;
}

void frmShop::copyList()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(listText());
}

void frmShop::saveList()
{
    const Command command(this);
    if (!command)
        return;
    saveTextAs(fetchText(Str::ShoppingListHeading), listText());
}

void frmShop::printList()
{
    const Command command(this);
    if (!command)
        return;
    QTextDocument doc;
    QString text = listText();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const int heading = text.indexOf(QLatin1Char('\n'));
    doc.setHtml(QStringLiteral("<html><body style=\"font-size: 12pt\"><h2>") + pageText(text.left(heading)) +
                QStringLiteral("</h2><p>") + pageText(text.mid(heading + 1)) + QStringLiteral("</p></body></html>"));
    dialogs().print(doc);
}

void frmShop::emailList()
{
    // The e-mail window takes the browse window's place, with the list in
    // its message; the browse window comes back when it closes.
    setEmailExtra(listText());
    QWidget* br = instance(WindowKind::Br);
    close();
    if (br)
        switchTo(br, WindowKind::Email);
    else
        showWindow(WindowKind::Email);
}

void frmShop::closeEvent(QCloseEvent* event)
{
    if (dialogOpen())
        event->ignore();
    else
        QWidget::closeEvent(event);
}

void frmShop::keyPressEvent(QKeyEvent* event)
{
    if (!closeOnEscape(this, event))
        QWidget::keyPressEvent(event);
}

} // namespace bd
