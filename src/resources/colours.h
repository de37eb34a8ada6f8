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
// The entry of role 0 of the first scheme.
constexpr int kSchemeBase = 2000;

qint32 colourValue(int entry);
// Resolves a value to a colour; system colours come from the palette.
QColor colourFromValue(qint32 value);
// The colour of role in the scheme at colorBase (entry 2000 + colorBase +
// role). The current scheme's are fetchColor(role) of app/base/text.h.
QColor fetchColor(int role, int colorBase);

// Text is read against what is behind it with at least this contrast.
constexpr double kReadableContrast = 4.5;

// The contrast of two colours from their relative luminance: 1 (the same)
// to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);
// fore, or the colour nearest to it on its way to black or to white (away
// from back) that reads on back with the readable contrast.
QColor readableOn(const QColor& fore, const QColor& back);
// Text of a control that is switched off: half way from fore to back, then
// as near to that as still reads on back.
QColor dimmedText(const QColor& fore, const QColor& back);

// The colours a scheme is shown in: its table's colours, with text colours
// (and, where the text is black or white already, the content background)
// moved just far enough for every text to read against what is behind it.
struct SchemeColours {
    QColor buttonBack, buttonText, buttonTextDisabled;
    QColor contentBack, contentText, contentTextDisabled;
    QColor highlight, highlightedText; // the chosen entry of a list
    QColor checkBox, checkMark;        // ticks in a list, on contentBack
    QColor frameBack, labelText;       // labels take labelText on frames and on the window
    QColor windowBack, windowText;     // the toolkit's window, and uncoloured labels on frames
};
SchemeColours schemeColours(int colorBase);

} // namespace bd
