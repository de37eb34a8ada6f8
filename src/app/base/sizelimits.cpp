#include "app/base/sizelimits.h"

#include <cmath>

namespace bd {

int twipsToPixels(double twips, double twipsPerPixel)
{
    if (twipsPerPixel <= 0)
        return 0;
    return int(std::nearbyint(twips / twipsPerPixel)); // the default rounding: halves to even
}

} // namespace bd
