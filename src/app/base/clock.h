#pragma once
// The time that work in progress is measured by: milliseconds on a clock
// that only runs forward. Tests put a clock of their own in its place, so
// that what depends on time is checked without waiting for it.

#include <QtGlobal>

#include <functional>

namespace bd {

qint64 steadyMs();

// Replaces the clock; an empty function puts the system's back.
void setSteadyClock(std::function<qint64()> clock);

} // namespace bd
