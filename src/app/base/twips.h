#pragma once
// Window and control measures are kept in twips (1/1440 inch) and turned
// into pixels only where a widget is placed.

#include <QRect>

namespace bd {

// A control's place in twips, relative to its container.
struct TRect {
    double left = 0, top = 0, width = 0, height = 0;
    double bottom() const { return top + height; }
    double right() const { return left + width; }
};

// Twips per pixel: 1440 / logical DPI of the primary screen (15 at 96 DPI).
double twipsPerPixelX();
double twipsPerPixelY();

int pxX(double twips); // twips to pixels, rounded
int pxY(double twips);
double twipsX(int pixels);
double twipsY(int pixels);

// The rectangle in pixels.
QRect toPixels(const TRect& r);

} // namespace bd
