#include "app/base/clock.h"

#include <QElapsedTimer>

namespace bd {

namespace {
std::function<qint64()>& clockInUse()
{
    static std::function<qint64()> clock;
    return clock;
}
} // namespace

qint64 steadyMs()
{
    if (const auto& clock = clockInUse())
        return clock();
    static QElapsedTimer started;
    if (!started.isValid())
        started.start();
    return started.elapsed();
}

void setSteadyClock(std::function<qint64()> clock) { clockInUse() = std::move(clock); }

namespace {
std::function<QDateTime()>& snapshotClock()
{
    static std::function<QDateTime()> clock;
    return clock;
}
} // namespace

QDateTime snapshotTime()
{
    if (const auto& clock = snapshotClock())
        return clock();
    return QDateTime::currentDateTime();
}

void setSnapshotClock(std::function<QDateTime()> clock) { snapshotClock() = std::move(clock); }

} // namespace bd
