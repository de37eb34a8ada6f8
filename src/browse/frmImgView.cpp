#include "browse/frmImgView.h"

#include "app/base/globals.h"
#include "app/ui/modTopMost.h"
#include "app/base/twips.h"
#include "app/ui/windows.h"
#include "browse/viewerfit.h"
#include "store/picture.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

namespace bd {

bool typesCharacter(const QKeyEvent& event)
{
    switch (event.key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Backspace:
    case Qt::Key_Space:
        return true;
    default:
        break;
    }
    const QString text = event.text();
    return !text.isEmpty() && !text.at(0).isNull() && event.key() != Qt::Key_Delete;
}

frmImgView::frmImgView(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmImgView"));
    setWindowTitle(QStringLiteral("BD"));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    imgFullSize = new QLabel(this);
    imgFullSize->setObjectName(QStringLiteral("imgFullSize"));
    // Clicks on the picture reach the window.
    imgFullSize->setAttribute(Qt::WA_TransparentForMouseEvents);

    const QScreen* s = QGuiApplication::primaryScreen();
    const QRect screen = s ? s->geometry() : QRect(0, 0, 1024, 768);
    const QImage picture = loadPicture(G.viewImagePath);
    loaded_ = !picture.isNull();
    if (!loaded_) {
        // Nothing to show: gone again as soon as it is shown, which
        // hands the focus back to the opener like any other closing.
        resize(1, 1);
        move(screen.topLeft());
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return;
    }

    const QSize natural = himetricSize(picture);
    const ViewerFit fit = fitViewer(himetricToTwips(natural.width()), himetricToTwips(natural.height()),
                                    natural.width(), natural.height(), twipsX(screen.width()),
                                    twipsY(screen.height()));
    const QSize size(qMax(1, pxX(fit.width)), qMax(1, pxY(fit.height)));
    QPixmap shown;
    if (fit.stretched || size != picture.size()) {
        const qreal dpr = devicePixelRatioF();
        shown = QPixmap::fromImage(picture.scaled(size * dpr, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        shown.setDevicePixelRatio(dpr);
    } else {
        shown = QPixmap::fromImage(picture);
    }
    imgFullSize->setPixmap(shown);
    imgFullSize->setGeometry(0, 0, size.width(), size.height());
    setFixedSize(size);
    move(screen.left() + pxX(fit.left), screen.top() + pxY(fit.top));
    makeTopMost(this);
}

void frmImgView::keyPressEvent(QKeyEvent* event)
{
    if (typesCharacter(*event))
        close();
    else
        QWidget::keyPressEvent(event);
}

void frmImgView::mouseReleaseEvent(QMouseEvent* event)
{
    // On release, so that the click does not reach the window beneath.
    event->accept();
    close();
}

void frmImgView::closeEvent(QCloseEvent* event)
{
    imgFullSize->clear();
    const struct {
        bool& flag;
        WindowKind kind;
    } callers[] = {{G.calledFromEdit, WindowKind::Edit},
                   {G.calledFromAdd, WindowKind::Add},
                   {G.calledFromBr, WindowKind::Br}};
    for (const auto& c : callers) {
        if (!c.flag)
            continue;
        c.flag = false;
        // The control that had the keyboard gets it back as the viewer goes
        // (openOver()).
        if (QWidget* opener = instance(c.kind)) {
            opener->setEnabled(true);
            opener->activateWindow();
        }
    }
    event->accept();
}

} // namespace bd
