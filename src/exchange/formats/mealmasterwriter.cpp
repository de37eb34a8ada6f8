#include "exchange/formats/mealmasterwriter.h"

#include "exchange/formats/mealmaster.h"
#include "exchange/formats/textlines.h"
#include "store/ingredients.h"

#include <QStringEncoder>

#include <vector>

namespace bd {

namespace {

constexpr int kAmountWidth = 7;
constexpr int kTextColumn = 11; // amount, space, unit, space
constexpr QStringView kCrLf = u"\r\n";

// QChar::isSpace with the common cases first.
inline bool space(QChar c)
{
    const char16_t u = c.unicode();
    return u == ' ' || (u >= 9 && u <= 13) || (u > 127 && c.isSpace());
}

// The lines of a text (LF, CR LF or CR), as views into it.
void splitLines(QStringView text, std::vector<QStringView>& lines)
{
    lines.clear();
    if (!text.contains(QLatin1Char('\r'))) {
        // A text read from a book has line feeds alone.
        qsizetype start = 0;
        for (qsizetype end; (end = text.indexOf(QLatin1Char('\n'), start)) >= 0; start = end + 1)
            lines.push_back(text.mid(start, end - start));
        lines.push_back(text.mid(start));
        return;
    }
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\n') && c != QLatin1Char('\r'))
            continue;
        lines.push_back(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    lines.push_back(text.mid(start));
}

// The words of line; with max, only the first max words, the rest of the
// line (trimmed) returned.
QStringView splitWords(QStringView line, std::vector<QStringView>& words, size_t max = size_t(-1))
{
    words.clear();
    const QChar* const begin = line.data();
    const QChar* const end = begin + line.size();
    const QChar* p = begin;
    while (p < end) {
        if (words.size() == max)
            return QStringView(p, end).trimmed();
        while (p < end && space(*p))
            ++p;
        const QChar* start = p;
        while (p < end && !space(*p))
            ++p;
        if (p > start)
            words.emplace_back(start, p);
    }
    return QStringView();
}

// A line a reader takes as it is written: no tabs, which it would expand.
bool noTabs(QStringView t) { return !t.contains(QLatin1Char('\t')); }

qsizetype indentOf(QStringView line)
{
    qsizetype n = 0;
    while (n < line.size() && line[n] == QLatin1Char(' '))
        ++n;
    return n;
}

bool startsListItem(QStringView s) { return mealMasterListMarker(s) > 0; }

// Indents deeper than this are not written: a reader may then join a line.
constexpr qsizetype kMaxIndent = 24;

// The narrowest width directions are laid out at to keep a run of spaces
// off the end of a line.
constexpr qsizetype kNarrowestWidth = 60;

// The line before the notes.
const QString& notesLine()
{
    static const QString line = QStringLiteral("Notes:");
    return line;
}

// The lines a text line is wrapped into, the first at most first wide,
// the others rest: cut where a single space stands, as a reader's join puts
// one back (runs of spaces, such as two after a full stop, stay inside a
// line), never before what reads as a list item ("3."). byWidth: a reader
// joins these lines as it joins directions (mealMasterLinesJoined); where
// it would not join at the last single space, the line is cut at its last
// space, a run of spaces then lost. A word longer than a line stands alone.
void wrapText(QStringView t, qsizetype first, qsizetype rest, bool byWidth, std::vector<QStringView>& pieces)
{
    pieces.clear();
    auto single = [&](qsizetype cut) {
        return t[cut] == QLatin1Char(' ') && t[cut - 1] != QLatin1Char(' ') && cut + 1 < t.size() &&
               t[cut + 1] != QLatin1Char(' ') && !startsListItem(t.mid(cut + 1));
    };
    for (qsizetype width = first; t.size() > width; width = rest) {
        qsizetype cut = width;
        while (cut > 0 && !single(cut))
            --cut;
        if (cut == 0 || (byWidth && !mealMasterLinesJoined(t.left(cut), t.mid(cut + 1), width))) {
            qsizetype last = t.lastIndexOf(QLatin1Char(' '), width);
            while (last > 0 && (t[last - 1] == QLatin1Char(' ') || startsListItem(t.mid(last + 1).trimmed())))
                last = t.lastIndexOf(QLatin1Char(' '), last - 1);
            if (last > 0)
                cut = last;
        }
        if (cut <= 0)
            cut = t.indexOf(QLatin1Char(' '), width);
        if (cut < 0)
            break;
        pieces.push_back(t.left(cut).trimmed());
        t = t.mid(cut + 1).trimmed();
    }
    pieces.push_back(t);
}

// Writes recipes into one text, reusing its buffers from line to line.
class Writer {
public:
    explicit Writer(QString& out) : out_(out) {}

    void recipe(const Recipe& r);

    // One ingredient line in columns (not blank).
    void ingredient(QStringView line);

    // A heading as the cook wrote it, spaces inside it kept.
    void headingLine(QStringView line)
    {
        out_ += QLatin1String("MMMMM-----");
        out_ += line.trimmed();
        out_ += QLatin1String("-----\r\n");
    }

    void blank()
    {
        if (!out_.endsWith(QLatin1String("\r\n\r\n")))
            out_ += kCrLf;
    }

    // The directions, then the notes after a line "Notes:", in paragraphs
    // (apart by blank lines) with their lines wrapped so that a reader joins
    // the wrapped lines and keeps the cook's own line breaks.
    void texts(const QString& prep, const QString& notes);

    // "      Title: value", the value on one line; commaLike: commas written
    // as their look-alike.
    void header(QLatin1String key, QStringView value, bool commaLike = false);

    std::vector<QStringView> lines_, ingredients_;

private:
    // Words from `from` laid into lines of at most the format's width after
    // prefix (the first line) or nextPrefix (the others). A word longer than
    // a line stands alone; an ingredient line never looks like two columns.
    void wrap(size_t from, QStringView prefix, QStringView nextPrefix, bool columns);

    // The cook's lines (an empty view between paragraphs) laid out into
    // laid_ with lines at most width wide; true when a reader joins them
    // back into the same lines.
    bool layOut(const std::vector<QStringView>& lines, qsizetype width);
    // Lays t into pieces_ at width so that its last piece is too short for
    // a reader to take the sentence on into the next line, where it can.
    void cutShortLast(QStringView t, qsizetype width);

    QString& out_;
    std::vector<QStringView> words_, pieces_;
    std::vector<QString> laid_;
    size_t laidCount_ = 0;
    std::vector<size_t> firstOf_;
    std::vector<qsizetype> indents_, widths_;
    std::vector<char> shortLast_;
    QString line_, prefix_;
};

void Writer::ingredient(QStringView line)
{
    // An amount is seven columns at most: four words, then the unit.
    const QStringView rest = splitWords(line, words_, 5);
    size_t i = 0;
    prefix_.clear();
    // The amount: leading words of amount characters, seven columns at most
    // (a dash alone is none: it starts the text).
    qsizetype amount = 0;
    const bool loneDash = !words_.empty() && words_.front() == QLatin1String("-");
    // A step's number ("1.  Preheat the oven") is no amount: written as
    // text, the line keeps its spaces.
    const bool step = !words_.empty() && words_.front().size() > 1 && words_.front().endsWith(QLatin1Char('.')) &&
                      mealMasterListMarker(words_.front()) == words_.front().size();
    for (; !loneDash && !step && i < words_.size() && amountWord(words_[i]); ++i) {
        const qsizetype longer = amount + (amount ? 1 : 0) + words_[i].size();
        if (longer > kAmountWidth)
            break;
        amount = longer;
    }
    const size_t amountWords = i;
    // A unit stands in its column, also without an amount ("pn Salt")
    // when text follows it.
    QStringView unit;
    if (i < words_.size() && isMealMasterUnit(words_[i]) && (amount > 0 || (!step && i + 1 < words_.size())))
        unit = words_[i++];
    // A text that starts with "-" would read as the line above's
    // continuation: its dash stands in the amount column instead.
    // A dash alone ("- optional") keeps its space: the text starts a
    // column further.
    bool dash = false, spacedDash = false;
    if (amount == 0 && unit.isEmpty() && i < words_.size() && words_[i].startsWith(QLatin1Char('-'))) {
        dash = true;
        amount = 1;
        words_[i] = words_[i].mid(1);
        if (words_[i].isEmpty()) {
            ++i;
            spacedDash = i < words_.size();
        }
    }
    prefix_.fill(QLatin1Char(' '), kAmountWidth - amount);
    if (dash) {
        prefix_ += QLatin1Char('-');
    } else {
        for (size_t a = 0; a < amountWords; ++a) {
            if (a > 0)
                prefix_ += QLatin1Char(' ');
            prefix_ += words_[a];
        }
    }
    prefix_ += QLatin1Char(' ');
    prefix_ += unit;
    while (prefix_.size() < kTextColumn)
        prefix_ += QLatin1Char(' ');
    if (spacedDash)
        prefix_ += QLatin1Char(' ');
    const QStringView text = i < words_.size() ? line.mid(words_[i].data() - line.data()).trimmed() : rest;
    if (text.isEmpty()) {
        QStringView only(prefix_);
        while (only.endsWith(QLatin1Char(' ')))
            only.chop(1);
        out_ += only;
        out_ += kCrLf;
        return;
    }
    line_ = prefix_;
    line_ += text;
    if (line_.size() <= kMealMasterWidth && noTabs(text) && !mealMasterTwoColumns(line_)) {
        out_ += line_;
        out_ += kCrLf;
        return;
    }
    static const QString continuation = QString(kTextColumn, QLatin1Char(' ')) + QLatin1Char('-');
    // Cut where a reader's join gives the text back as it was; where a line
    // would then look like two columns, word by word.
    if (noTabs(text)) {
        wrapText(text, kMealMasterWidth - prefix_.size(), kMealMasterWidth - continuation.size(), false, pieces_);
        bool columns = false;
        for (size_t k = 0; k < pieces_.size() && !columns; ++k)
            columns = mealMasterTwoColumns((k ? continuation : prefix_) + pieces_[k].toString());
        if (!columns) {
            for (size_t k = 0; k < pieces_.size(); ++k) {
                out_ += k ? continuation : prefix_;
                out_ += pieces_[k];
                out_ += kCrLf;
            }
            return;
        }
    }
    splitWords(text, words_);
    wrap(0, prefix_, continuation, true);
}

void Writer::texts(const QString& prep, const QString& notes)
{
    // The cook's lines, paragraph by paragraph (an empty view between two).
    std::vector<QStringView> lines;
    auto addParagraphs = [&](const QString& text) {
        splitLines(text, lines_);
        bool gap = false;
        for (QStringView line : lines_) {
            if (blankLine(line)) {
                gap = !lines.empty();
                continue;
            }
            if (gap)
                lines.push_back(QStringView());
            gap = false;
            lines.push_back(QStringView(line).trimmed());
        }
    };
    addParagraphs(prep);
    if (!blankLine(notes)) {
        if (!lines.empty())
            lines.push_back(QStringView());
        lines.push_back(notesLine());
        addParagraphs(notes);
    }
    // Laid out at the format's width, or, where a reader would not give the
    // text back from that layout (a cut inside a run of spaces, which its
    // join makes one), at the first narrower width that moves the cuts.
    bool exact = false;
    for (qsizetype width = kMealMasterWidth; width >= kNarrowestWidth && !exact; --width)
        exact = layOut(lines, width);
    if (!exact)
        layOut(lines, kMealMasterWidth);
    for (size_t k = 0; k < laidCount_; ++k) {
        const QString& l = laid_[k];
        if (l.isEmpty())
            blank();
        else {
            out_ += l;
            out_ += kCrLf;
        }
    }
}

void Writer::cutShortLast(QStringView t, qsizetype width)
{
    // The longest last piece that is short at any width a reader joins at
    // (three quarters of 50 columns), the piece before it joined to it.
    constexpr qsizetype kShort = 37;
    qsizetype best = -1;
    for (qsizetype cut = t.lastIndexOf(QLatin1Char(' ')); cut > 0 && t.size() - cut - 1 < kShort;
         cut = t.lastIndexOf(QLatin1Char(' '), cut - 1)) {
        if (t[cut - 1] == QLatin1Char(' ') || t[cut + 1] == QLatin1Char(' '))
            continue;
        wrapText(t.left(cut), width, width, true, pieces_);
        if (mealMasterLinesJoined(pieces_.back(), t.mid(cut + 1), width))
            best = cut;
    }
    if (best < 0) {
        wrapText(t, width, width, true, pieces_);
        return;
    }
    wrapText(t.left(best), width, width, true, pieces_);
    pieces_.push_back(t.mid(best + 1));
}

bool Writer::layOut(const std::vector<QStringView>& lines, qsizetype width)
{
    // Each line's indent: none, unless a reader would join it to the line
    // above, which a deeper indent prevents. A sentence the line above
    // leaves open goes on below whatever the indent: that line is cut so
    // that its last piece is short. Laid out again until nothing changes
    // (the widest line sets where a reader joins).
    std::vector<qsizetype>& indents = indents_;
    indents.assign(lines.size(), 0);
    std::vector<char>& shortLast = shortLast_;
    shortLast.assign(lines.size(), 0);
    std::vector<QString>& laid = laid_; // its strings kept from recipe to recipe, laidCount_ of them in use
    auto nextLine = [&]() -> QString& {
        if (laidCount_ == laid.size())
            laid.emplace_back();
        QString& line = laid[laidCount_++];
        line.truncate(0);
        return line;
    };
    std::vector<size_t>& firstOf = firstOf_; // the laid line each cook's line starts at
    firstOf.resize(lines.size());
    qsizetype readWidth = 0;
    for (int round = 0; round < 8; ++round) {
        laidCount_ = 0;
        for (size_t i = 0; i < lines.size(); ++i) {
            firstOf[i] = laidCount_;
            if (lines[i].isEmpty()) {
                nextLine();
                continue;
            }
            const qsizetype w = width - indents[i];
            wrapText(lines[i], w, w, true, pieces_);
            if (shortLast[i])
                cutShortLast(lines[i], w);
            for (QStringView piece : pieces_) {
                QString& line = nextLine();
                line.resize(indents[i], QLatin1Char(' '));
                line += piece;
            }
        }
        widths_.clear();
        for (size_t k = 0; k < laidCount_; ++k)
            if (!laid[k].isEmpty())
                widths_.push_back(laid[k].size());
        readWidth = mealMasterWrapWidth(widths_);
        bool changed = false;
        for (size_t i = 1; i < lines.size(); ++i) {
            if (lines[i].isEmpty() || lines[i - 1].isEmpty() || lines[i] == notesLine())
                continue;
            const QString& above = laid[firstOf[i] - 1];
            if (!mealMasterLinesJoined(above, laid[firstOf[i]], readWidth))
                continue;
            const qsizetype ia = indentOf(above);
            const QStringView text = QStringView(above).mid(ia);
            if (sentenceGoesOn(text, QStringView(laid[firstOf[i]]).trimmed(), readWidth)) {
                changed = changed || !shortLast[i - 1];
                shortLast[i - 1] = 1;
                continue;
            }
            // Deeper than the line above, and than a list item's text there.
            const qsizetype marker = mealMasterListMarker(text);
            const qsizetype deeper = qMax(ia + (marker ? marker + indentOf(text.mid(marker)) : 0) + 1, indents[i] + 1);
            if (deeper <= kMaxIndent) {
                indents[i] = deeper;
                changed = true;
            }
        }
        if (!changed)
            break;
    }
    // Read back as a reader joins them: the pieces of a line joined by one
    // space each, and no line joined to the one before it.
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        const size_t end = i + 1 < lines.size() ? firstOf[i + 1] : laidCount_;
        if (i > 0 && !lines[i - 1].isEmpty() &&
            mealMasterLinesJoined(laid[firstOf[i] - 1], laid[firstOf[i]], readWidth))
            return false;
        qsizetype at = 0;
        for (size_t k = firstOf[i]; k < end; ++k) {
            const QStringView piece = QStringView(laid[k]).trimmed();
            if (k > firstOf[i] && (!mealMasterLinesJoined(laid[k - 1], laid[k], readWidth) || at >= lines[i].size() ||
                                   lines[i][at++] != QLatin1Char(' ')))
                return false;
            if (lines[i].mid(at, piece.size()) != piece ||
                (piece.size() != lines[i].size() && mealMasterMarkLine(piece)))
                return false;
            at += piece.size();
        }
        if (at != lines[i].size())
            return false;
    }
    return true;
}

void Writer::header(QLatin1String key, QStringView value, bool commaLike)
{
    for (qsizetype i = key.size(); i < kTextColumn; ++i)
        out_ += QLatin1Char(' ');
    out_ += key;
    out_ += QLatin1Char(':');
    splitWords(value, words_);
    for (QStringView w : words_) {
        out_ += QLatin1Char(' ');
        const qsizetype start = out_.size();
        out_ += w;
        if (commaLike)
            for (qsizetype i = start; i < out_.size(); ++i)
                if (out_[i] == QLatin1Char(','))
                    out_[i] = QChar(0x201A);
    }
    out_ += kCrLf;
}

void Writer::wrap(size_t from, QStringView prefix, QStringView nextPrefix, bool columns)
{
    size_t i = from;
    bool first = true;
    while (i < words_.size()) {
        line_.clear();
        line_ += first ? prefix : nextPrefix;
        line_ += words_[i];
        size_t taken = 1;
        while (i + taken < words_.size() && line_.size() + 1 + words_[i + taken].size() <= kMealMasterWidth) {
            line_ += QLatin1Char(' ');
            line_ += words_[i + taken++];
        }
        while (columns && taken > 1 && mealMasterTwoColumns(line_)) {
            --taken;
            line_.chop(words_[i + taken].size() + 1);
        }
        out_ += line_;
        out_ += kCrLf;
        i += taken;
        first = false;
    }
}

void Writer::recipe(const Recipe& r)
{
    out_ += QLatin1String("MMMMM----- Recipe via Meal-Master (tm) v8.05\r\n\r\n");
    header(QLatin1String("Title"), r.title);
    // The first category is the one a reader files the recipe under; a
    // comma would split the name, so it is written as its look-alike.
    header(QLatin1String("Categories"), r.category, true);
    header(QLatin1String("Yield"), r.yield);
    if (!blankLine(r.preptime))
        header(QLatin1String("Prep Time"), r.preptime);
    if (!blankLine(r.cooktime))
        header(QLatin1String("Cook Time"), r.cooktime);
    blank();

    splitLines(r.ing, ingredients_);
    const std::vector<QStringView>& ingredients = ingredients_;
    bool any = false;
    for (size_t i = 0; i < ingredients.size(); ++i) {
        const QStringView line = ingredients[i];
        if (blankLine(line)) {
            if (any)
                blank();
            continue;
        }
        any = true;
        // A heading only names ingredients that follow it; otherwise a reader
        // would take it for a part of the directions.
        if (headsIngredients(ingredients, i)) {
            headingLine(line);
            continue;
        }
        ingredient(line);
    }
    if (any)
        blank();
    texts(r.prep, r.other);
    blank();
    out_ += QLatin1String("MMMMM\r\n\r\n");
}

} // namespace

bool isMealMasterUnit(QStringView unit)
{
    static constexpr QStringView units[] = {u"x",  u"sm", u"md", u"lg", u"cn", u"pk", u"pn", u"dr", u"ds",
                                            u"ct", u"bn", u"sl", u"ea", u"t",  u"ts", u"T",  u"tb", u"fl",
                                            u"c",  u"pt", u"qt", u"ga", u"oz", u"lb", u"ml", u"cb", u"cl",
                                            u"dl", u"l",  u"mg", u"cg", u"dg", u"g",  u"kg"};
    if (unit.size() > 2)
        return false;
    for (QStringView u : units)
        if (unit == u)
            return true;
    return false;
}

QStringList mealMasterIngredient(const QString& line)
{
    QString out;
    Writer writer(out);
    if (blankLine(line))
        return {QString()};
    writer.ingredient(line);
    out.chop(2);
    return out.split(QStringLiteral("\r\n"));
}

QString mealMasterRecipe(const Recipe& recipe)
{
    QString out;
    Writer(out).recipe(recipe);
    return out;
}

QString mealMasterText(const QVector<Recipe>& recipes)
{
    QString out;
    Writer writer(out);
    for (const Recipe& r : recipes)
        writer.recipe(r);
    return out;
}

// Text into bytes of the chosen encoding; a character Windows-1252 lacks
// becomes "?".
struct MealMasterFile::Encoder {
    explicit Encoder(TextEncoding e) : encoding(e), windows1252("windows-1252") {}
    TextEncoding encoding;
    QStringEncoder windows1252;

    void append(QByteArray& bytes, QStringView text)
    {
        QStringEncoder& encoder = encoding == TextEncoding::Utf8 || !windows1252.isValid() ? utf8 : windows1252;
        const qsizetype start = bytes.size();
        bytes.resize(start + encoder.requiredSpace(text.size()));
        char* end = encoder.appendToBuffer(bytes.data() + start, text);
        bytes.resize(end - bytes.constData());
        // The encoder marks what it cannot write with SUB.
        if (encoder.hasError()) {
            const qsizetype own = text.count(QChar(0x1A));
            qsizetype marks = 0;
            for (qsizetype i = start; i < bytes.size(); ++i)
                if (bytes[i] == '\x1a') {
                    ++marks;
                    if (!own)
                        bytes[i] = '?';
                }
            replaced += int(marks - own);
            encoder.resetState();
        }
    }
    int replaced = 0; // characters the encoding lacks
    QStringEncoder utf8{QStringEncoder::Utf8};
    // The recipe being written, by one writer whose buffers serve every
    // recipe of the file.
    QString text;
    Writer writer{text};
};

MealMasterFile::MealMasterFile(TextEncoding encoding) : encoder_(std::make_unique<Encoder>(encoding)) {}

MealMasterFile::~MealMasterFile() = default;

int MealMasterFile::replaced() const { return encoder_->replaced; }

void MealMasterFile::add(const Recipe& recipe)
{
    encoder_->text.truncate(0);
    encoder_->writer.recipe(recipe);
    encoder_->append(bytes_, encoder_->text);
}

QByteArray encodeRecipeText(const QString& text, TextEncoding encoding)
{
    QByteArray bytes;
    MealMasterFile::Encoder(encoding).append(bytes, text);
    return bytes;
}

} // namespace bd
