#pragma once
// The lines that the readers of other programs' files write into a
// recipe's notes for what the book has no field for.

#include "resources/strings.h"

#include <QString>
#include <QStringList>

namespace bd {

// Adds "label: value" (label a text with %1, in the language langOffset
// names) to notes on a line of its own; nothing for an empty value.
void addNoteLine(QString& notes, Str label, const QString& value, int langOffset);

// The category of a recipe of several (names trimmed, empty ones left
// out): the first; when there are more, the notes list them all.
QString categoryOf(const QStringList& names, QString& notes, int langOffset);

} // namespace bd
