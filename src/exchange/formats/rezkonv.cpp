#include "exchange/formats/rezkonv.h"

#include "exchange/formats/mealmaster.h"
#include "exchange/formats/exportnotes.h"

#include <QHash>
#include <QRegularExpression>

namespace bd {

namespace {

bool amountColumn(QStringView s)
{
    for (QChar c : s)
        if (!c.isSpace() && !c.isDigit() && !QStringLiteral("/.,-\u00BC\u00BD\u00BE").contains(c))
            return false;
    return true;
}

// An ingredient line in RezKonv's columns as MealMaster's: the amount in
// its column, no unit, the unit at the start of the text.
QString ingredientLine(QStringView line)
{
    if (line.size() <= 18 || line[7] != QLatin1Char(' ') || line[17] != QLatin1Char(' ') || !amountColumn(line.left(7)))
        return QString();
    const QStringView unit = line.mid(8, 9).trimmed();
    for (QChar c : unit)
        if (!c.isLetter() && c != QLatin1Char('.'))
            return QString();
    const QStringView text = line.mid(18).trimmed();
    if (text.isEmpty() || (unit.isEmpty() && line.left(7).trimmed().isEmpty() && line[18].isSpace() &&
                           !text.startsWith(QLatin1Char('-'))))
        return QString();
    QString out = line.left(7).toString() + QStringLiteral("    ");
    if (!unit.isEmpty()) {
        out += unit;
        out += QLatin1Char(' ');
    }
    out += text;
    return out;
}

// The source section's lines, where the MealMaster reader put them (a
// heading "QUELLE" and the lines after it among the ingredients), moved to
// the notes.
void sourceToNotes(Recipe& r, int langOffset)
{
    QStringList lines = r.ing.split(QLatin1Char('\n'));
    const qsizetype at = lines.indexOf(
        QRegularExpression(QStringLiteral("^quelle:?$"), QRegularExpression::CaseInsensitiveOption));
    if (at < 0)
        return;
    qsizetype end = at + 1;
    while (end < lines.size() && !lines[end].trimmed().isEmpty())
        ++end;
    const QString source = lines.mid(at + 1, end - at - 1).join(QLatin1Char(' '));
    lines.erase(lines.begin() + at, lines.begin() + end);
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    r.ing = lines.join(QLatin1Char('\n'));
    QString notes = noteLine(Str::NoteSource, source, langOffset);
    addLine(notes, r.other);
    r.other = notes;
}

} // namespace

QString rezKonvAsMealMaster(QStringView text)
{
    static const QRegularExpression begin(QStringLiteral("^=+\\s*REZKONV-Rezept"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression heading(QStringLiteral("^=+\\s*(\\S.*?)\\s*=+$"));
    static const QRegularExpression header(QStringLiteral("^(\\s*)(Titel|Kategorien|Menge)(\\s*:)"));
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (QStringView line : text.split(QLatin1Char('\n'))) {
        const bool cr = line.endsWith(QLatin1Char('\r'));
        if (cr)
            line.chop(1);
        QString l;
        const QStringView t = line.trimmed();
        if (t.startsWith(QLatin1Char('='))) {
            QRegularExpressionMatch m;
            if (begin.match(t).hasMatch())
                l = QStringLiteral("MMMMM----- REZKONV-Rezept");
            else if (t.size() >= 5 && t.count(QLatin1Char('=')) == t.size())
                l = QStringLiteral("MMMMM");
            else if ((m = heading.match(t)).hasMatch())
                l = QStringLiteral("MMMMM-----") + m.captured(1) + QStringLiteral("-----");
            else
                l = line.toString();
        } else if (const QRegularExpressionMatch m = header.match(line); m.hasMatch()) {
            static const QHash<QString, QString> english = {
                {QStringLiteral("Titel"), QStringLiteral("Title")},
                {QStringLiteral("Kategorien"), QStringLiteral("Categories")},
                {QStringLiteral("Menge"), QStringLiteral("Yield")}};
            l = m.captured(1) + english.value(m.captured(2)) + line.mid(m.capturedEnd(2)).toString();
        } else {
            l = ingredientLine(line);
            if (l.isEmpty())
                l = line.toString();
        }
        out += l;
        out += cr ? QStringLiteral("\r\n") : QStringLiteral("\n");
    }
    if (!text.endsWith(QLatin1Char('\n')))
        out.chop(1);
    return out;
}

std::optional<RecipeList> readRezKonv(const QByteArray& bytes, const ReadContext& context)
{
    const QByteArray head = bytes.left(4096);
    const qsizetype at = head.indexOf("REZKONV-Rezept");
    if (at < 0 || !head.left(at).trimmed().endsWith('='))
        return std::nullopt;
    RecipeList read = readMealMaster(rezKonvAsMealMaster(decodeRecipeText(bytes)), context);
    for (Recipe& r : read.recipes)
        sourceToNotes(r, context.langOffset);
    return read;
}

} // namespace bd
