#pragma once
// Geometry of the browse window for a given inner size, in twips. The left
// column keeps its width; the right column takes the rest, and its three
// recipe boxes share the height in fixed proportions.

#include "app/base/twips.h"

namespace bd {

struct BrLayout {
    // Relative to the window's inner area.
    TRect lblBorder[2];
    TRect fraBack;
    // Relative to fraBack.
    TRect fraTopLeft, fraBotLeft, fraRight;
    // Relative to fraTopLeft.
    TRect cboCats, lstRecs, frame1, lblClickImg;
    // Relative to fraRight.
    TRect lblIng, txtIng, lblPrep, txtPrep, lblOther, txtOther, picture1;
    // The servings, the units and the way back to the recipe as written, at
    // the right end of the ingredients' heading. Relative to fraRight.
    TRect spnServings, cboUnits, cmdAsWritten;
};

// Designed measures that no resize changes.
namespace BrDesign {
constexpr double bannerHeight = 560;
constexpr double topLeftWidth = 3242;
constexpr double botLeftHeight = 1185;
constexpr double listWidth = 3100;
constexpr double comboHeight = 360;
constexpr double listTop = 465;
constexpr double clickLabelHeight = 255;
constexpr double ingLabelHeight = 390;
constexpr double prepLabelHeight = 375;
constexpr double otherLabelHeight = 375;
constexpr double buttonBarLeft = 645;
constexpr double buttonBarWidth = 4200;
constexpr double buttonBarHeight = 630;
constexpr double viewControlHeight = 330;
constexpr double servingsWidth = 1650, unitsWidth = 1800, asWrittenWidth = 390, viewControlGap = 60;
constexpr double ingShare = 0.2445, prepShare = 0.2445, otherShare = 0.1319;
constexpr double innerWidth = 7830, innerHeight = 6240; // designed inner area
} // namespace BrDesign

// Height of the right column left over by the fixed parts and base shares,
// for a fraBack height of backHeight.
double findExtraSpace(double backHeight);

// The whole window's geometry (resize, then alignBrFrames).
BrLayout layoutBr(double innerWidth, double innerHeight);

} // namespace bd
