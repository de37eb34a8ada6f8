#pragma once
// The lines of recipe texts: tidied, joined where a program wrapped them,
// added one to another, and counted.

#include <QList>
#include <QString>
#include <QStringView>
#include <QtGlobal>

namespace bd {

// Lines trimmed and simplified, runs of blank lines as one, none at the
// start or end.
QString tidyLines(QStringView text);
QString tidyLines(QString&& text);
// The same, a lone CR, too, ending a line where crBreaks.
QString tidyLines(QStringView text, bool crBreaks);
QString tidyLines(QString&& text, bool crBreaks);
// The same with the lines of each paragraph joined by spaces.
QString flowText(QStringView text);

// The lines (counted from 1) of positions in a text or in bytes, counted
// on from the last position asked for, so that asking in order costs one
// pass over the text.
template <typename View>
class LineCounter {
public:
    explicit LineCounter(View text) : text_(text) {}
    int at(qsizetype position)
    {
        position = qBound<qsizetype>(0, position, text_.size());
        if (position < counted_) {
            counted_ = 0;
            line_ = 1;
        }
        for (; counted_ < position; ++counted_)
            if (text_[counted_] == '\n')
                ++line_;
        return line_;
    }

private:
    View text_;
    qsizetype counted_ = 0;
    int line_ = 1;
};

// Appends to out the lines of one paragraph (trimmed), joined where a
// program wrapped them: where the next line's first word would not have
// fitted on the line before, the longest line giving the width, or where a
// line that stops short goes on in small letters. Lines that start a list
// item keep their break.
void appendWrapped(QString& out, const QList<QStringView>& lines);

// Whether line b goes on with the sentence of line a (both trimmed): a
// long line (three quarters of width, or 50 columns, at least) that does
// not end a sentence, and b starts with a small letter, as a cook's typed
// lines wrapped by hand do.
bool sentenceGoesOn(QStringView a, QStringView b, qsizetype width);

// Whether an ingredient's text stops short at the end of line: after a
// comma or "&", inside brackets, or after a word that joins
// ("Butter or", "Cream of", "peeled and").
bool textStopsShort(QStringView line);

// Whether a line holds nothing but spaces.
bool blankLine(QStringView line);

// The length of UTF-8 text when it is ASCII that simplifiedText keeps as
// it is: no white space but single spaces between words. -1 when it is not.
inline qsizetype plainAsciiLength(const char* text)
{
    qsizetype n = 0;
    for (char before = ' '; text[n]; before = text[n++]) {
        const auto c = static_cast<unsigned char>(text[n]);
        if (c >= 0x80 || (c <= ' ' && (c != ' ' || before == ' ')))
            return -1;
    }
    return n > 0 && text[n - 1] == ' ' ? -1 : n;
}

// Adds line to text, on a line of its own.
void addLine(QString& text, QStringView line);
void addLine(QString& text, QLatin1String line);
// Adds paragraph to text, after a blank line.
void addParagraph(QString& text, QStringView paragraph);
void addParagraph(QString& text, QLatin1String paragraph);

} // namespace bd
