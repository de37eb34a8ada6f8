#pragma once
// Applies caption and colour tables to a window's controls, found by their
// objectNames.

#include "resources/captions.h"

#include <QPair>
#include <QString>
#include <QVector>

#include <functional>

class QWidget;
class QObject;
class QColor;
class QListView;

namespace bd {

void applyCaptions(QWidget* window, const CaptionTable& table);
void applyColours(QWidget* window, const ColourTable& table);
void applyBilingualCaptions(QWidget* window, const BilingualTable& table);

// Single-control helpers, also used by windows that colour themselves.
void setBackColour(QWidget* w, const QColor& c);
void setForeColour(QWidget* w, const QColor& c);
void setTextSize(QWidget* w, int points);
// A long entry of list wraps onto further lines rather than running out of
// sight.
void wrapLongEntries(QListView* list);
// A long entry of list ends in "..." and shows whole as a tip; for lists
// that may hold very many entries, which keep one height for all.
void shortenLongEntries(QListView* list);
// The stretches (start, length) of an entry's text to mark; empty for none.
using EntryMarks = std::function<QVector<QPair<int, int>>(const QString& entry)>;
// Marks in each entry of list what marks finds (a found word), dark on
// light yellow; an empty marks marks nothing.
void markEntries(QListView* list, EntryMarks marks);
// The text colour of w (and of a combo box's list) while it is switched off.
void setDisabledText(QWidget* w, const QColor& c);
// The banner's shadow copy takes the panel colour, so it shows behind the
// heading's text in every scheme.
void colourBannerShadow(QWidget* shadow);

} // namespace bd
