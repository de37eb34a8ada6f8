#include "entry/entrylayout.h"

#include <QtGlobal>

#include <cmath>

namespace bd {

using namespace EntryDesign;

int findExtraSpace(double F, double fixedHeights)
{
    const double extra = F - (fixedHeights + 2 * bigShare * F + notesShare * F) - bottomGap;
    return int(std::nearbyint(extra)); // the default rounding mode: halves to even
}

EntryLayout layoutEntry(double innerWidth, double innerHeight, double degWidth, double degHeight, double captionWidth)
{
    EntryLayout l;
    l.lblBorder[0] = {15, 0, innerWidth, bannerHeight};
    l.lblBorder[1] = {30, 30, innerWidth, bannerHeight};
    l.fraDyn = {0, bannerHeight, innerWidth, innerHeight - bannerHeight};
    l.fraStatic = {l.fraDyn.width - staticWidth, staticTop, staticWidth, staticHeight};

    // alignAddFrames / alignEditFrames
    const double F = l.fraDyn.height;
    const double extra = findExtraSpace(F, 4 * labelHeight + titleBoxHeight);
    const double a = bigExtraShare * extra, b = notesExtraShare * extra;
    const double w = l.fraDyn.width - staticWidth - boxMargin;
    const double labelWidth = boxLeft - labelLeft + w;
    l.lblTitle = {labelLeft, 0, labelWidth, labelHeight};
    l.txtTitle = {boxLeft, l.lblTitle.bottom(), w, titleBoxHeight};
    l.lblIng = {labelLeft, l.txtTitle.bottom(), labelWidth, labelHeight};
    l.txtIng = {boxLeft, l.lblIng.bottom(), w, bigShare * F + a};
    l.lblPrep = {labelLeft, l.txtIng.bottom(), labelWidth, labelHeight};
    l.txtPrep = {boxLeft, l.lblPrep.bottom(), w, bigShare * F + a};
    l.lblOther = {labelLeft, l.txtPrep.bottom(), labelWidth, labelHeight};
    l.txtOther = {boxLeft, l.lblOther.bottom(), w, notesShare * F + b};
    l.lblDeg = {boxLeft + w - degWidth, l.txtPrep.top - degHeight, degWidth, degHeight};

    const double reachLeft = l.txtTitle.right() + 60;
    // A caption longer than the room left of the boxes takes some of theirs.
    const double room = l.fraStatic.left + EntryDesign::Label7.right() - reachLeft;
    const double taken = qBound(0.0, captionWidth - room, EntryDesign::txtPT.width - kFieldBoxLeast);
    auto fieldLabel = [&](const TRect& design) {
        const double right = l.fraStatic.left + design.right() + taken;
        return TRect{reachLeft, l.fraStatic.top + design.top, right - reachLeft, design.height};
    };
    auto fieldBox = [taken](const TRect& design) {
        return TRect{design.left + taken, design.top, design.width - taken, design.height};
    };
    l.Label7 = fieldLabel(EntryDesign::Label7);
    l.Label9 = fieldLabel(EntryDesign::Label9);
    l.Label8 = fieldLabel(EntryDesign::Label8);
    l.txtPT = fieldBox(EntryDesign::txtPT);
    l.txtCT = fieldBox(EntryDesign::txtCT);
    l.txtY = fieldBox(EntryDesign::txtY);
    return l;
}

} // namespace bd
