#pragma once
// Size and place of the full-size picture viewer, in twips.

namespace bd {

struct ViewerFit {
    bool stretched = false;
    double width = 0, height = 0; // the window's and the picture's size
    double left = 0, top = 0;     // the window's place on the screen
};

// Room kept free around a picture that does not fit on the screen.
constexpr double kViewerMargin = 2200;

// A picture of natural size pw x ph (HIMETRIC, for its proportions) that
// takes w x h twips unstretched, on a screen of sw x sh twips. A picture
// that fits inside the screen less the margin keeps its size; a larger one
// is scaled, proportions kept, to the margin on the side that limits it,
// so that it never runs off the screen. The window is centred.
ViewerFit fitViewer(double w, double h, double pw, double ph, double sw, double sh);

} // namespace bd
