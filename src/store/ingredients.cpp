#include "store/ingredients.h"

#include <QLatin1String>

namespace bd {

namespace {

constexpr qsizetype kMaxHeading = 60;

bool blank(QStringView line) { return line.trimmed().isEmpty(); }

} // namespace

bool amountChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || u == '/' || u == '.' || u == ',' || u == '-' || u == 0xBC || u == 0xBD ||
           u == 0xBE;
}

bool amountWord(QStringView word)
{
    for (QChar c : word)
        if (!amountChar(c))
            return false;
    return !word.isEmpty();
}

bool ingredientHeading(QStringView line)
{
    // Most ingredient lines start with an amount: no heading.
    const QStringView t = line.trimmed();
    if (t.isEmpty() || t.front().isDigit())
        return false;
    // The first and the last word, and the length with single spaces.
    QStringView first, last;
    qsizetype length = -1;
    bool letters = false, small = false;
    for (qsizetype i = 0; i < t.size();) {
        while (i < t.size() && t[i].isSpace())
            ++i;
        const qsizetype start = i;
        for (; i < t.size() && !t[i].isSpace(); ++i) {
            small = small || t[i].isLower();
            letters = letters || t[i].isLetter();
        }
        const QStringView word = t.mid(start, i - start);
        if (first.isEmpty())
            first = word;
        last = word;
        length += word.size() + 1;
    }
    if (amountWord(first) || length > kMaxHeading || first.startsWith(QLatin1Char('-')) ||
        last.endsWith(QLatin1Char('-')) || t.contains(QLatin1String("meal-master"), Qt::CaseInsensitive))
        return false;
    return last.endsWith(QLatin1Char(':')) || (letters && !small);
}

bool headsIngredients(const std::vector<QStringView>& lines, size_t i)
{
    if (i >= lines.size() || !ingredientHeading(lines[i]))
        return false;
    size_t next = i + 1;
    while (next < lines.size() && blank(lines[next]))
        ++next;
    return next < lines.size() && !ingredientHeading(lines[next]);
}

} // namespace bd
