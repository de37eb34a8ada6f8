#include "exchange/formats/durations.h"

#include <QString>
#include <QStringList>

namespace bd {

namespace {

// A number of digits with a fraction after a point or a comma, as
// toDouble reads it: the whole digits divided by a power of ten are that
// number exactly rounded, as long as both are exact.
double decimal(QStringView digits)
{
    quint64 whole = 0;
    int places = 0, count = 0;
    bool fraction = false;
    for (QChar c : digits) {
        if (c == QLatin1Char('.') || c == QLatin1Char(',')) {
            fraction = true;
            continue;
        }
        whole = whole * 10 + quint64(c.unicode() - '0');
        places += fraction;
        if (++count > 15)
            return digits.toString().replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
    }
    static constexpr double kPowers[] = {1,   1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    return double(whole) / kPowers[places];
}

} // namespace

QString durationText(QStringView iso)
{
    const QString s = iso.trimmed().toString();
    if (s.size() < 3 || (s[0] != QLatin1Char('P') && s[0] != QLatin1Char('p')))
        return s;
    // P, then numbers with their designators in this order: Y M W D, and
    // after a T: H M S; each may be missing, a number may have a fraction.
    static constexpr char kDesignators[] = "YMWDHMS";
    double values[7] = {};
    int next = 0; // the first designator still allowed
    bool time = false;
    const auto digit = [&s](qsizetype i) {
        return i < s.size() && s[i] >= QLatin1Char('0') && s[i] <= QLatin1Char('9');
    };
    for (qsizetype i = 1; i < s.size();) {
        if (!time && (s[i] == QLatin1Char('T') || s[i] == QLatin1Char('t'))) {
            time = true;
            next = 4;
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (digit(i))
            ++i;
        if (i == start)
            return s;
        if (i < s.size() && (s[i] == QLatin1Char('.') || s[i] == QLatin1Char(','))) {
            if (!digit(++i))
                return s;
            while (digit(i))
                ++i;
        }
        if (i >= s.size())
            return s;
        const char unit = char(s[i].toUpper().unicode() < 128 ? s[i].toUpper().unicode() : 0);
        int k = next;
        while (k < (time ? 7 : 4) && kDesignators[k] != unit)
            ++k;
        if (unit == 0 || k >= (time ? 7 : 4))
            return s;
        values[k] = decimal(QStringView(s).mid(start, i - start));
        next = k + 1;
        ++i;
    }
    // Everything in seconds, then shown in days, hours and minutes.
    const double seconds = values[2] * 7 * 86400 + values[3] * 86400 + values[4] * 3600 + values[5] * 60 + values[6];
    if (values[0] > 0 || values[1] > 0)
        return s; // years and months are no cooking times
    const qint64 total = qint64(seconds + 0.5);
    if (total <= 0)
        return QString();
    const qint64 days = total / 86400, hours = total % 86400 / 3600, minutes = total % 3600 / 60, secs = total % 60;
    QStringList parts;
    if (days)
        parts << QStringLiteral("%1 d").arg(days);
    if (hours)
        parts << QStringLiteral("%1 h").arg(hours);
    if (minutes)
        parts << QStringLiteral("%1 min").arg(minutes);
    if (secs && !days && !hours)
        parts << QStringLiteral("%1 s").arg(secs);
    return parts.join(QLatin1Char(' '));
}

} // namespace bd
