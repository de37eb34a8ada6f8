#include "browse/brlayout.h"

namespace bd {

using namespace BrDesign;

double findExtraSpace(double b)
{
    return b - (ingLabelHeight + prepLabelHeight + otherLabelHeight + buttonBarHeight + ingShare * b * 2 +
                otherShare * b) -
           40;
}

BrLayout layoutBr(double innerWidth, double innerHeight)
{
    BrLayout l;
    l.lblBorder[0] = {-75, 0, innerWidth, bannerHeight};
    l.lblBorder[1] = {-45, 30, innerWidth, bannerHeight};
    l.fraBack = {0, bannerHeight, innerWidth, innerHeight - bannerHeight};

    const double b = l.fraBack.height;
    const double t = b - botLeftHeight;
    l.fraTopLeft = {120, 40, topLeftWidth, t};
    l.fraRight = {topLeftWidth + 120, 40, l.fraBack.width - topLeftWidth - 120, b};
    l.fraBotLeft = {60, t, topLeftWidth, botLeftHeight};

    // alignBrFrames
    const double e = findExtraSpace(b);
    const double r = l.fraRight.width;
    l.lblIng = {0, 0, r, ingLabelHeight};
    l.txtIng = {120, l.lblIng.bottom(), r - 2 * 120, ingShare * b + ingShare * e};
    l.lblPrep = {0, l.txtIng.bottom(), r, prepLabelHeight};
    l.txtPrep = {120, l.lblPrep.bottom(), r - 2 * 120, prepShare * b + prepShare * e};
    l.lblOther = {0, l.txtPrep.bottom(), r, otherLabelHeight};
    l.txtOther = {120, l.lblOther.bottom(), r - 2 * 120, otherShare * b + otherShare * e};
    const double controlTop = (ingLabelHeight - viewControlHeight) / 2;
    l.cmdAsWritten = {l.txtIng.right() - asWrittenWidth, controlTop, asWrittenWidth, viewControlHeight};
    l.cboUnits = {l.cmdAsWritten.left - viewControlGap - unitsWidth, controlTop, unitsWidth, viewControlHeight};
    l.spnServings = {l.cboUnits.left - viewControlGap - servingsWidth, controlTop, servingsWidth, viewControlHeight};
    l.picture1 = {buttonBarLeft, l.txtOther.bottom() + 125, buttonBarWidth, buttonBarHeight};

    l.cboCats = {0, 0, listWidth, comboHeight};
    l.lstRecs = {0, listTop, listWidth, 0.5305 * t};
    l.frame1 = {60, l.lstRecs.bottom() + 40, listWidth, 0.3082 * t};
    l.lblClickImg = {120, l.frame1.bottom(), 3015, clickLabelHeight};
    return l;
}

} // namespace bd
