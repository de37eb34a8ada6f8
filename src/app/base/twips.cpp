#include "app/base/twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace bd {

namespace {
double perPixel(bool horizontal)
{
    const QScreen* screen = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                ? QGuiApplication::primaryScreen()
                                : nullptr;
    if (!screen)
        return 15.0;
    const double dpi = horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}
} // namespace

double twipsPerPixelX() { return perPixel(true); }
double twipsPerPixelY() { return perPixel(false); }
int pxX(double twips) { return int(std::lround(twips / twipsPerPixelX())); }
int pxY(double twips) { return int(std::lround(twips / twipsPerPixelY())); }
double twipsX(int pixels) { return pixels * twipsPerPixelX(); }
double twipsY(int pixels) { return pixels * twipsPerPixelY(); }

QRect toPixels(const TRect& r) { return QRect(pxX(r.left), pxY(r.top), pxX(r.width), pxY(r.height)); }

} // namespace bd
