#pragma once
// Shows a picture fitted into its frame on a label inside that frame.

#include "store/picture.h"

class QLabel;

namespace bd {

// Fits picture into a frame of frameWidth x frameHeight twips by rule and
// shows it on label (a child of the frame), stretched smoothly or at its
// natural size. Returns the fit; the label stays hidden for a null picture.
Fit showFittedPicture(QLabel* label, const QImage& picture, const FitRule& rule, double frameWidth, double frameHeight);

} // namespace bd
