#pragma once
// Cooking times as files write them.

#include <QString>
#include <QStringView>

namespace bd {

// An ISO 8601 duration ("PT1H15M", "P0DT0H30M", "PT90M") as a cook writes
// it ("1 h 15 min", "30 min", "1 h 30 min"); any other text is returned
// trimmed.
QString durationText(QStringView iso);

} // namespace bd
