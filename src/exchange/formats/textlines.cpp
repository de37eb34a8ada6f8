#include "exchange/formats/textlines.h"

#include "store/names.h"

#include <algorithm>

namespace bd {

bool blankLine(QStringView line)
{
    for (QChar c : line)
        if (!c.isSpace())
            return false;
    return true;
}

namespace {

// Whether tidyLines would leave text of several lines as it is: each line
// simplified, no blank line at the start or end and none after another.
// Most texts of recipes are so, and are then kept without being built
// again line by line.
bool tidyAlready(QStringView text)
{
    bool blankBefore = true; // the start counts as a blank line
    for (qsizetype start = 0; start <= text.size();) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = text.size();
        const QStringView line = text.sliced(start, end - start);
        start = end + 1;
        if (line.isEmpty()) {
            if (blankBefore)
                return false;
            blankBefore = true;
            continue;
        }
        if (!isSimplified(line))
            return false; // a line of spaces, too
        blankBefore = false;
    }
    return !blankBefore;
}

} // namespace

QString tidyLines(QString&& text)
{
    if (!text.contains(QLatin1Char('\n')))
        return simplifiedText(std::move(text));
    if (tidyAlready(text))
        return std::move(text);
    return tidyLines(QStringView(text), false);
}

// The lines of text (and, where crBreaks, those a lone CR ends) tidied as
// tidyLines does.
QString tidyLines(QString&& text, bool crBreaks)
{
    if (tidyAlready(text))
        return std::move(text);
    return tidyLines(QStringView(text), crBreaks);
}

QString tidyLines(QStringView text, bool crBreaks)
{
    // A text tidy already has no carriage return: a lone one changes nothing.
    if (tidyAlready(text))
        return text.toString();
    QString out;
    out.reserve(text.size());
    bool pendingBlank = false;
    for (qsizetype start = 0; start <= text.size();) {
        qsizetype end = start;
        while (end < text.size() && text[end] != QLatin1Char('\n') && !(crBreaks && text[end] == QLatin1Char('\r')))
            ++end;
        const QStringView line = text.mid(start, end - start);
        start = end + 1;
        if (blankLine(line)) {
            pendingBlank = !out.isEmpty();
            continue;
        }
        if (!out.isEmpty())
            out += pendingBlank ? QStringLiteral("\n\n") : QStringLiteral("\n");
        pendingBlank = false;
        // Most lines are simple already, and go in as they are.
        if (isSimplified(line))
            out += line;
        else
            out += line.toString().simplified();
    }
    return out;
}

QString tidyLines(QStringView text)
{
    if (!text.contains(QLatin1Char('\n')))
        return simplifiedText(text);
    if (tidyAlready(text))
        return text.toString();
    return tidyLines(text, false);
}

QString flowText(QStringView text)
{
    // One line, as most steps are: only its spaces to simplify.
    if (!text.contains(QLatin1Char('\n')))
        return simplifiedText(text);
    QStringList paragraphs = tidyLines(text).split(QStringLiteral("\n\n"));
    for (QString& p : paragraphs)
        p.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return paragraphs.join(QStringLiteral("\n\n"));
}

bool textStopsShort(QStringView line)
{
    line = line.trimmed();
    if (line.isEmpty())
        return false;
    if (line.endsWith(QLatin1Char(',')) || line.endsWith(QLatin1Char('&')) ||
        line.count(QLatin1Char('(')) > line.count(QLatin1Char(')')))
        return true;
    const QStringView last = line.mid(line.lastIndexOf(QLatin1Char(' ')) + 1);
    for (const char* word : {"or", "and", "and/or", "of", "for", "with", "to", "in", "into", "a", "the"})
        if (last.compare(QLatin1String(word), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool sentenceGoesOn(QStringView a, QStringView b, qsizetype width)
{
    if (a.isEmpty() || b.isEmpty() || a.size() < qMin<qsizetype>(3 * width / 4, 50) || !b.front().isLower())
        return false;
    const QChar last = a.back();
    return last != QLatin1Char('.') && last != QLatin1Char('!') && last != QLatin1Char('?') && last != QLatin1Char(':');
}

void appendWrapped(QString& out, const QList<QStringView>& lines)
{
    qsizetype width = 0;
    for (QStringView l : lines)
        width = qMax(width, l.size());
    auto listItem = [](QStringView s) {
        if (s.startsWith(QLatin1Char('*')) || s.startsWith(QLatin1Char('-')) || s.startsWith(QChar(0x2022)))
            return true;
        qsizetype digits = 0;
        while (digits < s.size() && s[digits].isDigit())
            ++digits;
        return digits > 0 && digits < s.size() && (s[digits] == QLatin1Char('.') || s[digits] == QLatin1Char(')'));
    };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QStringView l = lines[i];
        if (i > 0) {
            const qsizetype space = l.indexOf(QLatin1Char(' '));
            const qsizetype word = space < 0 ? l.size() : space;
            // Short texts (under 40 columns) were not wrapped by a program.
            // A line that stops short ("for", "in a", "cream,") goes on in
            // small letters below, whatever the width: a cook who lengthened
            // some lines by hand left the others wrapped narrower.
            const bool wrapped = width >= 40 && !listItem(l) &&
                                 (lines[i - 1].size() + 1 + word > width - 2 ||
                                  sentenceGoesOn(lines[i - 1], l, width) ||
                                  (l.front().isLower() && textStopsShort(lines[i - 1])));
            out += wrapped ? QLatin1Char(' ') : QLatin1Char('\n');
        }
        out += l;
    }
}

namespace {

// Adds piece to text after separator (when text is not empty). The text
// is given room in large steps (readyRecipe gives back what is left over):
// each growth moves it (realloc), and where two threads read recipes a
// move waits whenever the other thread holds the C library's memory pool
// the text came from (which frees made by the other thread mix in). Grown
// line by line, the reading often spent a third of its time waiting.
template <typename Piece>
void addAfter(QString& text, Piece piece, QLatin1String separator)
{
    if (piece.isEmpty())
        return;
    const qsizetype needed = text.size() + separator.size() + piece.size();
    if (needed > text.capacity())
        text.reserve(qMax<qsizetype>(2 * needed, 512));
    if (!text.isEmpty())
        text += separator;
    text += piece;
}

} // namespace

void addLine(QString& text, QStringView line) { addAfter(text, line, QLatin1String("\n")); }

void addLine(QString& text, QLatin1String line) { addAfter(text, line, QLatin1String("\n")); }

void addParagraph(QString& text, QStringView paragraph) { addAfter(text, paragraph, QLatin1String("\n\n")); }

void addParagraph(QString& text, QLatin1String paragraph) { addAfter(text, paragraph, QLatin1String("\n\n")); }

} // namespace bd
