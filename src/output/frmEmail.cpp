#include "output/frmEmail.h"

#include "app/ui/controls.h"
#include "app/base/dialogs.h"
#include "app/base/globals.h"
#include "store/listsort.h"
#include "app/base/settings.h"
#include "app/base/twips.h"
#include "app/ui/windows.h"
#include "output/relay.h"
#include "resources/apply.h"
#include "resources/captions.h"
#include "app/base/text.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QGuiApplication>
#include <QVBoxLayout>

namespace bd {

namespace {
constexpr int kExtraEntry = -2; // the list's entry of a handed-over text
} // namespace

namespace {

QLabel* heading(QWidget* parent, const char* name)
{
    QLabel* l = label(parent, name);
    l->setFont(headingFont(l, 11));
    return l;
}

} // namespace

frmEmail::frmEmail(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmEmail"));
    relay = new RelaySender(this);
    connect(relay, &RelaySender::finished, this, &frmEmail::sent);

    // The heading, drawn over its shadow.
    banner_ = new QWidget(this);
    banner_->setObjectName(QStringLiteral("banner"));
    banner_->setFixedHeight(pxY(600));
    banner_->installEventFilter(this);
    buildBanner(banner_, lblBorder);

    Picture2 = named(new QFrame(this), "Picture2");
    Picture2->setFrameShape(QFrame::StyledPanel);
    lblYou = heading(Picture2, "lblYou");
    lblRecip = heading(Picture2, "lblRecip");
    lblNameY = label(Picture2, "lblNameY");
    lblEmailY = label(Picture2, "lblEmailY");
    lblNameR = label(Picture2, "lblNameR");
    lblEmailR = label(Picture2, "lblEmailR");
    txtYourN = named(new QLineEdit(Picture2), "txtYourN");
    txtYourE = named(new QLineEdit(Picture2), "txtYourE");
    txtRecipN = named(new QLineEdit(Picture2), "txtRecipN");
    txtRecipE = named(new QLineEdit(Picture2), "txtRecipE");
    lstEmailRecs = named(new QListWidget(Picture2), "lstEmailRecs");
    lstEmailRecs->setUniformItemSizes(true);
    shortenLongEntries(lstEmailRecs);
    cmdChkAll = named(new QPushButton(Picture2), "cmdChkAll");
    cmdUnchkAll = named(new QPushButton(Picture2), "cmdUnchkAll");
    lblInetCn = label(Picture2, "lblInetCn");
    lblStatus = label(Picture2, "lblStatus");
    lblStatus->setWordWrap(true);
    lblNameY->setBuddy(txtYourN);
    lblEmailY->setBuddy(txtYourE);
    lblNameR->setBuddy(txtRecipN);
    lblEmailR->setBuddy(txtRecipE);

    auto* grid = new QGridLayout(Picture2);
    grid->setContentsMargins(pxX(240), pxY(180), pxX(240), pxY(180));
    grid->setHorizontalSpacing(pxX(120));
    grid->setVerticalSpacing(pxY(90));
    grid->addWidget(lblYou, 0, 0, 1, 2);
    grid->addWidget(lblNameY, 1, 0);
    grid->addWidget(txtYourN, 1, 1);
    grid->addWidget(lblEmailY, 2, 0);
    grid->addWidget(txtYourE, 2, 1);
    grid->setRowMinimumHeight(3, pxY(180));
    grid->addWidget(lblRecip, 4, 0, 1, 2);
    grid->addWidget(lblNameR, 5, 0);
    grid->addWidget(txtRecipN, 5, 1);
    grid->addWidget(lblEmailR, 6, 0);
    grid->addWidget(txtRecipE, 6, 1);
    grid->setRowStretch(7, 1);
    grid->addWidget(lblInetCn, 8, 0, 1, 2);
    grid->addWidget(lstEmailRecs, 0, 2, 8, 1);
    auto* checks = new QHBoxLayout;
    checks->addWidget(cmdChkAll);
    checks->addWidget(cmdUnchkAll);
    grid->addLayout(checks, 8, 2);
    grid->addWidget(lblStatus, 9, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    grid->setColumnMinimumWidth(1, pxX(2800));
    grid->setColumnMinimumWidth(2, pxX(3600));

    Picture1 = named(new QFrame(this), "Picture1");
    cmdSend = named(new QPushButton(Picture1), "cmdSend");
    cmdCancelSend = named(new QPushButton(Picture1), "cmdCancelSend");
    cmdCancel = named(new QPushButton(Picture1), "cmdCancel");
    auto* bar = new QHBoxLayout(Picture1);
    bar->setContentsMargins(pxX(180), pxY(120), pxX(180), pxY(120));
    bar->addStretch();
    for (QPushButton* b : {cmdSend, cmdCancelSend, cmdCancel}) {
        b->setMinimumSize(pxX(1215), pxY(390));
        b->setFont(headingFont(b, font().pointSize()));
        bar->addWidget(b);
    }
    cmdCancelSend->hide();

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(pxX(120), 0, pxX(120), pxY(120));
    outer->setSpacing(pxY(90));
    outer->addWidget(banner_);
    outer->addWidget(Picture2, 1);
    outer->addWidget(Picture1);

    setTabOrder(txtYourN, txtYourE);
    setTabOrder(txtYourE, txtRecipN);
    setTabOrder(txtRecipN, txtRecipE);
    setTabOrder(txtRecipE, lstEmailRecs);
    setTabOrder(lstEmailRecs, cmdChkAll);
    setTabOrder(cmdChkAll, cmdUnchkAll);
    setTabOrder(cmdUnchkAll, cmdSend);
    setTabOrder(cmdSend, cmdCancel);

    connect(cmdChkAll, &QPushButton::clicked, this, &frmEmail::checkAll);
    connect(cmdUnchkAll, &QPushButton::clicked, this, &frmEmail::uncheckAll);
    connect(cmdSend, &QPushButton::clicked, this, &frmEmail::send);
    connect(cmdCancelSend, &QPushButton::clicked, this, &frmEmail::cancelSend);
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);
    cmdSend->setDefault(true);

    // Window load.
    applyCaptions(this, kEmailCaptions);
    txtYourN->setText(readValue(QStringLiteral("FromName")));
    txtYourE->setText(readValue(QStringLiteral("FromEmail")));
    applyColours(this, kEmailColours);
    colourBannerShadow(lblBorder[1]);
    InitEmailXML();
    resize(sizeHint().expandedTo(QSize(pxX(9600), pxY(6600))));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    (txtYourN->text().isEmpty() ? txtYourN : txtRecipN)->setFocus();
}

void frmEmail::InitEmailXML()
{
    QVector<std::pair<QString, int>> entries;
    const int categories = G.xmlDoc.categoryCount();
    for (int c = 0; c < categories; ++c)
        for (const QString& title : G.xmlDoc.recipeTitles(c))
            if (!title.isEmpty())
                entries.append({title, c});
    sortForList(entries);
    lstEmailRecs->clear();
    // A shopping list handed over comes first, ticked.
    if (!emailExtra().isEmpty()) {
        auto* item = new QListWidgetItem(fetchText(Str::ShoppingListHeading), lstEmailRecs);
        item->setData(Qt::UserRole, kExtraEntry);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    for (const auto& [title, position] : entries) {
        auto* item = new QListWidgetItem(title, lstEmailRecs);
        item->setData(Qt::UserRole, position);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

void frmEmail::checkAll()
{
    if (lstEmailRecs->count() == 0)
        return;
    for (int i = 0; i < lstEmailRecs->count(); ++i)
        lstEmailRecs->item(i)->setCheckState(Qt::Checked);
    lstEmailRecs->setCurrentRow(0);
}

void frmEmail::uncheckAll()
{
    for (int i = 0; i < lstEmailRecs->count(); ++i)
        lstEmailRecs->item(i)->setCheckState(Qt::Unchecked);
}

QList<RecipeRef> frmEmail::chosenRecipes() const
{
    QList<RecipeRef> chosen;
    for (int i = 0; i < lstEmailRecs->count(); ++i) {
        const QListWidgetItem* item = lstEmailRecs->item(i);
        if (item->checkState() == Qt::Checked && item->data(Qt::UserRole).toInt() != kExtraEntry)
            chosen.append({item->data(Qt::UserRole).toInt(), item->text()});
    }
    return chosen;
}

QString frmEmail::chosenExtra() const
{
    for (int i = 0; i < lstEmailRecs->count(); ++i) {
        const QListWidgetItem* item = lstEmailRecs->item(i);
        if (item->data(Qt::UserRole).toInt() == kExtraEntry)
            return item->checkState() == Qt::Checked ? emailExtra() : QString();
    }
    return QString();
}

EmailForm frmEmail::form() const
{
    return {txtYourN->text(), txtYourE->text(), txtRecipN->text(), txtRecipE->text(),
            !chosenRecipes().isEmpty() || !chosenExtra().isEmpty()};
}

bool frmEmail::checkEmailForm()
{
    for (QLineEdit* t : {txtYourN, txtRecipN, txtYourE, txtRecipE})
        t->setText(t->text().trimmed());
    const EmailCheck check = checkEmail(form());
    if (check.ok())
        return true;
    msgBox(check.messageId);
    QLineEdit* address = check.field == EmailField::YourEmail    ? txtYourE
                         : check.field == EmailField::RecipEmail ? txtRecipE
                                                                 : nullptr;
    if (address) {
        address->selectAll();
        address->setFocus();
    }
    return false;
}

void frmEmail::disableFormEmail()
{
    for (QWidget* w : std::initializer_list<QWidget*>{txtYourN, txtYourE, txtRecipN, txtRecipE, lstEmailRecs,
                                                      cmdChkAll, cmdUnchkAll, cmdSend, cmdCancel})
        w->setEnabled(false);
    cmdCancelSend->show();
    cmdCancelSend->setFocus();
    lblStatus->setText(fetchText(Str::EmailSending));
}

void frmEmail::enableFormEmail()
{
    for (QWidget* w : std::initializer_list<QWidget*>{txtYourN, txtYourE, txtRecipN, txtRecipE, lstEmailRecs,
                                                      cmdChkAll, cmdUnchkAll, cmdSend, cmdCancel})
        w->setEnabled(true);
    cmdCancelSend->hide();
    lblStatus->setText(fetchText(Str::EmailStatus));
}

void frmEmail::send()
{
    const Command command(this);
    if (!command)
        return;
    if (relay->busy() || !checkEmailForm())
        return;
    failed_ = false; // a new attempt starts clean
    disableFormEmail();
    writeValue(QStringLiteral("FromName"), txtYourN->text());
    writeValue(QStringLiteral("FromEmail"), txtYourE->text());
    const EmailForm f = form();
    relay->send(relayUrl(), formEncode(relayFields(f, emailMessage(f.recipName, chosenRecipes(), chosenExtra()))));
}

void frmEmail::cancelSend()
{
    relay->cancel();
    enableFormEmail();
    cmdSend->setFocus();
}

void frmEmail::sent(Str messageId)
{
    enableFormEmail();
    cmdSend->setFocus();
    if (messageId == Str::NoConnection) {
        failed_ = true;
        msgBox(Str::NoConnection, Buttons::Ok, Icon::Exclamation);
    } else {
        msgBox(messageId);
    }
}

void frmEmail::closeEvent(QCloseEvent* event)
{
    if (dialogOpen()) { // a question is open; it goes on with this window
        event->ignore();
        return;
    }
    relay->cancel();
    event->accept();
    if (returning_)
        return;
    // What the browse window handed over goes with this window.
    setEmailExtra(QString());
    setEmailView({}, {});
    returning_ = true;
    hide();
    // The browse window comes back in this window's place.
    G.endOnUnload = false;
    showWindow(WindowKind::Br);
}

bool frmEmail::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == banner_ && event->type() == QEvent::Resize) {
        lblBorder[0]->setGeometry(toPixels({15, 0, twipsX(banner_->width()), 570}));
        lblBorder[1]->setGeometry(toPixels({30, 30, twipsX(banner_->width()), 570}));
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace bd
