#include "browse/viewerfit.h"

#include <cmath>

namespace bd {

ViewerFit fitViewer(double w, double h, double pw, double ph, double sw, double sh)
{
    ViewerFit f;
    f.width = w;
    f.height = h;
    const double roomW = sw - kViewerMargin;
    const double roomH = sh - kViewerMargin;
    if ((roomW < w || roomH < h) && pw > 0 && ph > 0) {
        f.stretched = true;
        // Taller than wide (or square) pictures are limited by the height
        // first; either way the other side must fit too.
        bool byHeight = w <= h;
        if (byHeight && roomH * pw / ph > roomW)
            byHeight = false;
        else if (!byHeight && roomW * ph / pw > roomH)
            byHeight = true;
        if (byHeight) {
            f.height = roomH;
            f.width = f.height * pw / ph;
        } else {
            f.width = roomW;
            f.height = f.width * ph / pw;
        }
    }
    // Whole twips first, then halved with integer division.
    f.left = double(static_cast<long long>(std::nearbyint(sw - f.width)) / 2);
    f.top = double(static_cast<long long>(std::nearbyint(sh - f.height)) / 2);
    return f;
}

} // namespace bd
