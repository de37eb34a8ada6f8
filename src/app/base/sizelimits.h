#pragma once
// Minimum and maximum sizes of a main window: given in twips, kept in whole
// pixels.

namespace bd {

// twips / twipsPerPixel rounded to the nearest whole number, halves to even.
int twipsToPixels(double twips, double twipsPerPixel);

} // namespace bd
