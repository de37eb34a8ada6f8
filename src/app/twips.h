#pragma once
// Window and control measures are kept in twips (1/1440 inch) and turned
// into pixels only where a widget is placed.

namespace bd {

// Twips per pixel: 1440 / logical DPI of the primary screen (15 at 96 DPI).
double twipsPerPixelX();
double twipsPerPixelY();

int pxX(double twips); // twips to pixels, rounded
int pxY(double twips);
double twipsX(int pixels);
double twipsY(int pixels);

} // namespace bd
