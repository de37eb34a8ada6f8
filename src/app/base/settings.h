#pragma once
// Persistent settings: single text values under Quendrel/Brindelle in the
// platform's native store (the registry on Windows, an INI file under
// $XDG_CONFIG_HOME on Linux). A missing value reads as the empty text.

#include <QString>

namespace bd {

QString readValue(const QString& name);
void writeValue(const QString& name, const QString& text);

// True when path is non-empty and names a file (or, with folder, a folder).
bool fileExists(const QString& path, bool folder = false);

// The leading number of a text, as a lenient reader takes it: "1.0" is 1,
// "12abc" is 12, "abc" and "" are 0.
double numericValue(const QString& text);

// Window state as stored: 0 normal, 1 minimised, 2 maximised.
enum WindowStateValue { StateNormal = 0, StateMinimised = 1, StateMaximised = 2 };

// Size and position of a main window, in twips.
struct Placement {
    double width = 0, height = 0, left = 0, top = 0;
    int state = StateNormal;
};

// The restore rule applied to stored texts, for a screen of the given size
// in twips.
Placement restorePlacement(const QString& width, const QString& height, const QString& state, const QString& left,
                           const QString& top, double screenWidth, double screenHeight);
// Reads the stored values and applies the restore rule.
Placement readPlacement(double screenWidth, double screenHeight);
// Keeps a restored window inside the screen's free area (areaWidth x
// areaHeight twips, the placement being relative to its top-left corner),
// so that its menu bar is always within reach: a window larger than the
// area shrinks to it (not below the least size of a main window), and one
// that reaches beyond an edge moves back in. One inside stays as it is.
Placement keepWithin(Placement p, double areaWidth, double areaHeight);
// Stores the state, and the size and position only in the normal state.
void savePlacement(const Placement& p);

// Display settings from their stored texts.
int textSizePoints(const QString& stored); // 8, 10 or 12
int colourOffset(const QString& stored);   // 0, 100, ... 600

} // namespace bd
