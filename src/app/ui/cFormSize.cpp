#include "app/ui/cFormSize.h"

#include "app/base/sizelimits.h"
#include "app/base/twips.h"

#include <QGuiApplication>
#include <QScreen>

namespace bd {

cFormSize::cFormSize()
{
    const QScreen* s = QGuiApplication::primaryScreen();
    const QSize screen = s ? s->geometry().size() : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    maxWidth_ = screen.width();
    maxHeight_ = screen.height();
}

void cFormSize::Init(QWidget* window)
{
    window_ = window;
    apply();
}

void cFormSize::MinWidth(double twips)
{
    minWidth_ = twipsToPixels(twips, twipsPerPixelX());
    apply();
}

void cFormSize::MinHeight(double twips)
{
    minHeight_ = twipsToPixels(twips, twipsPerPixelY());
    apply();
}

void cFormSize::MaxWidth(double twips)
{
    maxWidth_ = twipsToPixels(twips, twipsPerPixelX());
    apply();
}

void cFormSize::MaxHeight(double twips)
{
    maxHeight_ = twipsToPixels(twips, twipsPerPixelY());
    apply();
}

void cFormSize::apply()
{
    if (!window_)
        return;
    // The toolkit passes these to the window system, which honours them
    // whenever the user drags a border; resize() obeys them too.
    window_->setMinimumSize(minWidth_, minHeight_);
    window_->setMaximumSize(qMin(maxWidth_, QWIDGETSIZE_MAX), qMin(maxHeight_, QWIDGETSIZE_MAX));
}

void cFormSize::resizeTo(int width, int height)
{
    if (!window_)
        return;
    window_->move(window_->x() + 1, window_->y());
    window_->resize(width, height);
}

void cFormSize::ResizeToMax() { resizeTo(maxWidth_, maxHeight_); }

void cFormSize::ResizeToMin() { resizeTo(minWidth_, minHeight_); }

} // namespace bd
