#pragma once
// The order of the program's sorted lists: the platform's collation with
// letter case ignored (punctuation such as "[" before digits and letters).

#include <QCollator>
#include <QCollatorSortKey>
#include <QStringList>
#include <QVector>
#include <utility>

namespace bd {

// Sorts texts into list order; equal texts keep their relative order.
void sortForList(QStringList& texts);

// Sorts (text, data) pairs by text into list order, stably.
void sortForList(QVector<std::pair<QString, int>>& entries);

// A key that orders texts as the lists do, for sorting many texts made
// ready a few at a time.
QCollatorSortKey listSortKey(const QString& text);

// A collator of list order of its own, for work on another thread.
QCollator listCollator();

// True if a comes before b in list order.
bool listLess(const QString& a, const QString& b);

} // namespace bd
