#pragma once
// Geometry of the add and edit windows, in twips. The right column
// (fraStatic) keeps its designed size and sits at the right edge; the
// title, ingredients, preparation and notes fields on the left share the
// height in fixed proportions.

#include "app/base/twips.h"

namespace bd {

namespace EntryDesign {
constexpr double bannerHeight = 560;
constexpr double staticWidth = 2880, staticHeight = 5520, staticTop = 15;
constexpr double labelHeight = 285;      // lblTitle, lblIng, lblPrep, lblOther
constexpr double titleBoxHeight = 360;   // txtTitle
constexpr double boxLeft = 435, labelLeft = 120, boxMargin = 870;
constexpr double bigShare = 0.2429, notesShare = 0.1601;
constexpr double bigExtraShare = 0.378, notesExtraShare = 0.243;
constexpr double bottomGap = 155;
constexpr double minWidth = 9700, minHeight = 6900, maxSize = 60000;

// Controls inside fraStatic: they never move.
constexpr TRect lblCat{255, 0, 2415, 405};
constexpr TRect cboACats{90, 480, 2700, 360};
constexpr TRect Label7{-45, 1155, 1200, 285};
constexpr TRect txtPT{1260, 1110, 1500, 360};
constexpr TRect Label9{-45, 1590, 1200, 285};
constexpr TRect txtCT{1260, 1545, 1500, 360};
constexpr TRect Label8{90, 2010, 1050, 285};
constexpr TRect txtY{1260, 1995, 1500, 360};
constexpr TRect picAddImg{435, 2520, 2145, 380};
constexpr TRect cmdAddImg{105, 50, 1935, 270}; // inside picAddImg
constexpr TRect Frame1{450, 2895, 2145, 1150};
constexpr TRect lblClickImg{360, 4035, 2400, 195};
constexpr TRect Picture2{750, 4320, 1485, 1095};
constexpr TRect cmdAdd{120, 135, 1215, 340};   // inside Picture2
constexpr TRect cmdClear{120, 600, 1215, 340}; // inside Picture2; the edit window's cancel
} // namespace EntryDesign

struct EntryLayout {
    // Relative to the window's inner area.
    TRect lblBorder[2];
    TRect fraDyn;
    // Relative to fraDyn.
    TRect fraStatic;
    TRect lblTitle, txtTitle, lblIng, txtIng, lblPrep, txtPrep, lblOther, txtOther, lblDeg;
    // The right-aligned field labels of the right column keep their designed
    // right edge and top, but may reach left into the gap beside the large
    // boxes, where longer captions (Spanish) still fit.
    TRect Label7, Label9, Label8;
    // Relative to fraStatic: the boxes beside those labels, narrowed from the
    // left (never below kFieldBoxLeast) where a caption needs the room.
    TRect txtPT, txtCT, txtY;
};

// The least width of the preparation time, cooking time and yield boxes.
constexpr double kFieldBoxLeast = 900;

// Height left over in fraDyn (height F) once the labels, the title box and
// the base shares of the three large boxes are placed, less a bottom gap;
// rounded to a whole number, halves to even. Negative when the window is
// too low for the base shares.
int findExtraSpace(double F, double fixedHeights);

// The whole window for an inner area of innerWidth x innerHeight; the
// degree label measures degWidth x degHeight and the longest caption of the
// right column's field labels captionWidth.
EntryLayout layoutEntry(double innerWidth, double innerHeight, double degWidth, double degHeight,
                        double captionWidth = 0);

} // namespace bd
