#pragma once
// Browsing logic that needs no window: what the browse window's lists hold
// and how a recipe's texts are prepared for display.

#include <QString>
#include <QStringList>

namespace bd {

// Every LF becomes CR LF, for multi-line text boxes.
QString fixLineBreaks(const QString& text);

// The non-empty titles of a category, in list order.
QStringList recipeListEntries(int position);

} // namespace bd
