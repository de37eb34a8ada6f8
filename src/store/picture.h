#pragma once
// Recipe pictures: loading, their natural size, and fitting them into a
// frame. Lengths are twips unless said otherwise; a picture's natural size
// is in HIMETRIC units (0.01 mm) as the picture reports it.

#include <QImage>
#include <QSize>
#include <QString>

namespace bd {

// Loads a picture (EXIF orientation applied). A null image when the file
// is missing, is no regular file (a folder, FIFO or device) or is not a
// picture the loader understands.
QImage loadPicture(const QString& path);

// The size of a picture as loadPicture would give it, read from the file's
// header without decoding it; invalid when loadPicture would give none.
QSize pictureSize(const QString& path);

// The picture scaled down to fit within fitIn (its shape kept; one that
// fits already comes as it is). A large JPEG is decoded at a half, a
// quarter or an eighth of its size where that still covers fitIn, so that
// its full size is never held in memory.
QImage loadPicture(const QString& path, const QSize& fitIn);

// Natural size in HIMETRIC: pixels x 2540 / the image's DPI, 96 DPI when the
// file states none. Whole numbers.
QSize himetricSize(const QImage& image);

// The size the picture takes on screen unstretched, in twips.
inline double himetricToTwips(double himetric) { return himetric * 1440.0 / 2540.0; }

struct FitRule {
    double naturalMargin;    // natural size when it fits inside frame - margin
    double widthInset;       // a scaled picture is frame width - inset wide ...
    double heightInset;      // ... or frame height - inset high
    double limitInset;       // the other side may reach frame - limit at most
    double naturalTopOffset; // drop below centre at natural size
    double scaledTopOffset;  // drop below centre when scaled
};
// Thumbnail in the browse window.
extern const FitRule kThumbnailFit;
// Picture frame of the add and edit windows.
extern const FitRule kEntryFit;

struct Fit {
    bool stretched = false;
    float width = 0, height = 0, top = 0, left = 0;
};

// Fits a picture of natural size pw x ph (HIMETRIC; compared with the frame's
// twips as plain numbers) into a frame of fw x fh twips. naturalW/H are the
// picture's unstretched size in twips.
Fit fitPicture(const FitRule& rule, double fw, double fh, double pw, double ph, double naturalW, double naturalH);

} // namespace bd
