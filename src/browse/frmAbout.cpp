#include "browse/frmAbout.h"

#include "app/base/globals.h"
#include "app/base/twips.h"
#include "app/base/text.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace bd {

void openWebPage(const QString& address)
{
    QDesktopServices::openUrl(QUrl::fromUserInput(address));
}

frmAbout::frmAbout(QWidget* parent) : QWidget(parent, Qt::Dialog)
{
    setWindowTitle(QStringLiteral("BD | ") + fetchText(Str::AboutCaption));
    setWindowModality(Qt::NonModal);

    lblProduct = new QLabel(QStringLiteral("Brindelle"), this);
    lblProduct->setObjectName(QStringLiteral("lblProduct"));
    QFont big = lblProduct->font();
    big.setPointSize(20);
    big.setBold(true);
    lblProduct->setFont(big);

    lblVersion = new QLabel(fetchText(Str::Version) + QLatin1Char(' ') + QStringLiteral(BRINDELLE_VERSION), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));

    lblDescription = new QLabel(fetchText(Str::AboutText), this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setWordWrap(true);

    const QString address = fetchText(Str::WebAddress);
    lblWeb = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(address.toHtmlEscaped()), this);
    lblWeb->setObjectName(QStringLiteral("lblWeb"));
    lblWeb->setTextInteractionFlags(Qt::TextBrowserInteraction);
    connect(lblWeb, &QLabel::linkActivated, this, &openWebPage);

    cmdOK = new QPushButton(fetchText(Str::BtnOk), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(pxX(300), pxY(300), pxX(300), pxY(300));
    layout->addWidget(lblProduct);
    layout->addWidget(lblVersion);
    layout->addSpacing(pxY(150));
    layout->addWidget(lblDescription);
    layout->addSpacing(pxY(150));
    layout->addWidget(lblWeb);
    layout->addSpacing(pxY(150));
    layout->addWidget(cmdOK, 0, Qt::AlignRight);
    setFixedWidth(pxX(6000));
    cmdOK->setFocus();
}

void frmAbout::closeEvent(QCloseEvent* event)
{
    // The opener is enabled and focused again as this window goes.
    G.calledFromBr = G.calledFromAdd = G.calledFromEdit = false;
    event->accept();
}

} // namespace bd
