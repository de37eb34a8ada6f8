#pragma once
// The time that work in progress is measured by: milliseconds on a clock
// that only runs forward. Tests put a clock of their own in its place, so
// that what depends on time is checked without waiting for it.

#include <QDateTime>
#include <QtGlobal>

#include <functional>

namespace bd {

qint64 steadyMs();

// Replaces the clock; an empty function puts the system's back.
void setSteadyClock(std::function<qint64()> clock);

// The date and time the book's snapshots are named by: the system's, or
// the one a test puts in its place (an empty function puts it back).
// Every save of the book asks it, before the new file takes the old one's
// place.
QDateTime snapshotTime();
void setSnapshotClock(std::function<QDateTime()> clock);

} // namespace bd
