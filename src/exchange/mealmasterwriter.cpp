#include "exchange/mealmasterwriter.h"

#include <QStringEncoder>

namespace bd {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");
constexpr int kAmountWidth = 7;
constexpr int kTextColumn = 11; // amount, space, unit, space
constexpr int kSecondColumn = 40; // where a reader looks for a second ingredient column

bool amountChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || u == '/' || u == '.' || u == ',' || u == '-' || u == 0xBC || u == 0xBD ||
           u == 0xBE;
}

bool amountToken(QStringView token)
{
    for (QChar c : token)
        if (!amountChar(c))
            return false;
    return !token.isEmpty();
}

// A line a reader could take for two ingredient columns: from column 41
// it holds what may be an amount.
bool looksLikeTwoColumns(QStringView line)
{
    if (line.size() <= kSecondColumn || line[kSecondColumn - 1] != QLatin1Char(' '))
        return false;
    const QStringView amount = line.mid(kSecondColumn, kAmountWidth);
    for (QChar c : amount)
        if (!amountChar(c) && c != QLatin1Char(' '))
            return false;
    return line.size() <= kSecondColumn + kAmountWidth || line[kSecondColumn + kAmountWidth] == QLatin1Char(' ');
}

// words laid into lines of at most width characters after prefix (the
// first line) or nextPrefix (the others). A word longer than a line
// stands alone; an ingredient line (columns) never looks like two.
QStringList wrap(const QStringList& words, const QString& prefix, const QString& nextPrefix, int width,
                 bool columns)
{
    QStringList out;
    int i = 0;
    while (i < words.size()) {
        const QString& lead = out.isEmpty() ? prefix : nextPrefix;
        QString line = lead + words[i];
        int taken = 1;
        while (i + taken < words.size() && line.size() + 1 + words[i + taken].size() <= width)
            line += QLatin1Char(' ') + words[i + taken++];
        while (columns && taken > 1 && looksLikeTwoColumns(line)) {
            --taken;
            line.chop(words[i + taken].size() + 1);
        }
        out << line;
        i += taken;
    }
    return out;
}

QStringList words(const QString& text) { return text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts); }

struct Columns {
    QString amount, unit, text;
};

Columns split(const QString& line)
{
    const QStringList w = words(line);
    Columns c;
    int i = 0;
    for (; i < w.size() && amountToken(w[i]); ++i) {
        const QString longer = c.amount.isEmpty() ? w[i] : c.amount + QLatin1Char(' ') + w[i];
        if (longer.size() > kAmountWidth)
            break;
        c.amount = longer;
    }
    if (!c.amount.isEmpty() && i < w.size() && isMealMasterUnit(w[i]))
        c.unit = w[i++];
    c.text = w.mid(i).join(QLatin1Char(' '));
    // A text that starts with "-" would read as the line above's
    // continuation: its dash stands in the amount column instead.
    if (c.amount.isEmpty() && c.text.startsWith(QLatin1Char('-'))) {
        c.amount = QStringLiteral("-");
        c.text = c.text.mid(1).trimmed();
    }
    return c;
}

// A line of the ingredients that names a part of the recipe ("FOR THE
// SAUCE", "Filling:"), written as a heading when ingredients follow it.
bool headingText(const QString& line)
{
    const QString t = line.simplified();
    if (t.isEmpty() || t.size() > 60 || t.startsWith(QLatin1Char('-')) || t.endsWith(QLatin1Char('-')) ||
        t.contains(QLatin1String("meal-master"), Qt::CaseInsensitive) || !split(t).amount.isEmpty())
        return false;
    if (t.endsWith(QLatin1Char(':')))
        return true;
    bool letters = false;
    for (QChar c : t) {
        if (c.isLower())
            return false;
        letters = letters || c.isLetter();
    }
    return letters;
}

bool blankLine(const QString& line) { return line.trimmed().isEmpty(); }

QStringList splitLines(const QString& text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t.split(QLatin1Char('\n'));
}

// Paragraphs (apart by blank lines) with their lines wrapped, one blank line
// between paragraphs.
void addText(QStringList& out, const QString& text)
{
    bool gap = false;
    for (const QString& line : splitLines(text)) {
        if (blankLine(line)) {
            gap = true;
            continue;
        }
        if (gap && !out.isEmpty() && !out.last().isEmpty())
            out << QString();
        gap = false;
        out << wrap(words(line), QString(), QString(), kMealMasterWidth, false);
    }
}

QString header(const char* key, const QString& value)
{
    return QString::fromLatin1(key).rightJustified(kTextColumn) + QStringLiteral(": ") + value.simplified();
}

} // namespace

bool isMealMasterUnit(QStringView unit)
{
    static const char* const units[] = {"x",  "sm", "md", "lg", "cn", "pk", "pn", "dr", "ds", "ct", "bn", "sl",
                                        "ea", "t",  "ts", "T",  "tb", "fl", "c",  "pt", "qt", "ga", "oz", "lb",
                                        "ml", "cb", "cl", "dl", "l",  "mg", "cg", "dg", "g",  "kg"};
    for (const char* u : units)
        if (unit == QLatin1String(u))
            return true;
    return false;
}

QStringList mealMasterIngredient(const QString& line)
{
    const Columns c = split(line);
    const QString prefix = c.amount.rightJustified(kAmountWidth) + QLatin1Char(' ') + c.unit.leftJustified(2) +
                           QLatin1Char(' ');
    if (c.text.isEmpty()) {
        QString only = prefix;
        while (only.endsWith(QLatin1Char(' ')))
            only.chop(1);
        return {only};
    }
    return wrap(words(c.text), prefix, QString(kTextColumn, QLatin1Char(' ')) + QLatin1Char('-'), kMealMasterWidth,
                true);
}

QString mealMasterRecipe(const Recipe& r)
{
    QStringList out;
    out << QStringLiteral("MMMMM----- Recipe via Meal-Master (tm) v8.05") << QString();
    out << header("Title", r.title);
    // The first category is the one a reader files the recipe under; a
    // comma would split the name, so it is written as its look-alike.
    QString category = r.category;
    category.replace(QLatin1Char(','), QChar(0x201A));
    out << header("Categories", category) << header("Yield", r.yield);
    if (!r.preptime.trimmed().isEmpty())
        out << header("Prep Time", r.preptime);
    if (!r.cooktime.trimmed().isEmpty())
        out << header("Cook Time", r.cooktime);
    out << QString();

    const QStringList ingredients = splitLines(r.ing);
    bool any = false;
    for (int i = 0; i < ingredients.size(); ++i) {
        const QString& line = ingredients[i];
        if (blankLine(line)) {
            if (any && !out.last().isEmpty())
                out << QString();
            continue;
        }
        any = true;
        // A heading only names ingredients that follow it; otherwise a reader
        // would take it for a part of the directions.
        int next = i + 1;
        while (next < ingredients.size() && blankLine(ingredients[next]))
            ++next;
        if (next < ingredients.size() && headingText(line) && !headingText(ingredients[next])) {
            out << QStringLiteral("MMMMM-----") + line.simplified() + QStringLiteral("-----");
            continue;
        }
        for (const QString& l : mealMasterIngredient(line))
            out << l;
    }
    if (any && !out.last().isEmpty())
        out << QString();

    const qsizetype bodyStart = out.size();
    addText(out, r.prep);
    if (!r.other.trimmed().isEmpty()) {
        if (out.size() > bodyStart)
            out << QString();
        addText(out, r.other);
    }
    if (!out.last().isEmpty())
        out << QString();
    out << QStringLiteral("MMMMM") << QString();
    return out.join(kLineEnd) + kLineEnd;
}

QByteArray encodeRecipeText(const QString& text, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8)
        return text.toUtf8();
    QStringEncoder encoder("windows-1252");
    if (!encoder.isValid())
        return text.toLatin1();
    // Characters the encoding lacks come out as SUB; a file shows "?".
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError() && !text.contains(QChar(0x1A)))
        bytes.replace('\x1a', '?');
    return bytes;
}

} // namespace bd
