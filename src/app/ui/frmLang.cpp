#include "app/ui/frmLang.h"

#include "app/base/globals.h"
#include "app/ui/modTopMost.h"
#include "app/base/settings.h"
#include "app/base/twips.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

namespace bd {

namespace {

// A small open book, drawn rather than shipped.
QPixmap bookPicture(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(QPen(QColor(66, 92, 118), s / 24));
    p.setBrush(QColor(168, 182, 144));
    QPolygonF left({{s * .08, s * .22}, {s * .5, s * .30}, {s * .5, s * .86}, {s * .08, s * .78}});
    QPolygonF right({{s * .92, s * .22}, {s * .5, s * .30}, {s * .5, s * .86}, {s * .92, s * .78}});
    p.drawPolygon(left);
    p.drawPolygon(right);
    p.setPen(QPen(QColor(66, 92, 118), s / 40));
    for (int i = 0; i < 4; ++i) {
        const qreal y = s * (.40 + i * .1);
        p.drawLine(QPointF(s * .16, y - s * .02), QPointF(s * .42, y + s * .02));
        p.drawLine(QPointF(s * .58, y + s * .02), QPointF(s * .84, y - s * .02));
    }
    return pm;
}

} // namespace

frmLang::frmLang(QWidget* parent) : QWidget(parent, Qt::Dialog)
{
    makeTopMost(this);
    setWindowTitle(QStringLiteral("Brindelle"));
    QFont verdana(QStringLiteral("Verdana"));
    verdana.setStyleHint(QFont::SansSerif);
    setFont(verdana);

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(bookPicture(pxX(1200)));
    Label1 = new QLabel(QStringLiteral("Please select your preferred language."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(QStringLiteral("Por favor escoge su lengua preferida."), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    cmdEng = new QPushButton(QStringLiteral("E&nglish"), this);
    cmdEng->setObjectName(QStringLiteral("cmdEng"));
    cmdEsp = new QPushButton(QStringLiteral("E&spañol"), this);
    cmdEsp->setObjectName(QStringLiteral("cmdEsp"));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(pxX(300), pxY(300), pxX(300), pxY(300));
    grid->setHorizontalSpacing(pxX(300));
    grid->addWidget(Picture1, 0, 0, 2, 1);
    grid->addWidget(Label1, 0, 1);
    grid->addWidget(cmdEng, 0, 2);
    grid->addWidget(Label2, 1, 1);
    grid->addWidget(cmdEsp, 1, 2);

    connect(cmdEng, &QPushButton::clicked, this, [this] {
        G.langOffset = 0;
        writeValue(QStringLiteral("language"), QStringLiteral("0"));
        close();
    });
    connect(cmdEsp, &QPushButton::clicked, this, [this] {
        G.langOffset = 300;
        writeValue(QStringLiteral("language"), QStringLiteral("1"));
        close();
    });
    cmdEng->setDefault(true);
    cmdEng->setFocus();

    adjustSize();
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
}

void frmLang::closeEvent(QCloseEvent* event)
{
    if (G.langOffset != 0 && G.langOffset != 300)
        G.langOffset = 0;
    event->accept();
    emit closed();
}

} // namespace bd
