#pragma once
// Colour schemes. Entry 2000 + colorBase + role holds a 32-bit value as
// decimal text: 0x00BBGGRR, or, with the top bit set, a system colour whose
// index is in the low byte.

#include <QColor>
#include <QtGlobal>

namespace bd {

enum ColourRole {
    RoleButtonBack = 0,  // command buttons
    RoleContentBack = 1, // text boxes, lists, combo boxes, coloured panels
    RoleLabelFore = 2,   // labels
    RoleContentFore = 3, // text in content controls
    RoleFrameBack = 4    // frames grouping the controls
};

// Scheme names in preference-list order; the offset is position x 100.
constexpr int kSchemeCount = 7;

qint32 colourValue(int entry);
// Resolves a value to a colour; system colours come from the palette.
QColor colourFromValue(qint32 value);
// The colour of role in the current scheme (entry 2000 + colorBase + role).
QColor fetchColor(int role);

} // namespace bd
