#include "exchange/formats/cooklang.h"

#include "exchange/formats/parallel.h"
#include "resources/strings.h"
#include "store/charscan.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace bd {

namespace {

using Metadata = QVector<QPair<QString, QString>>; // keys lower-cased, in file order

// The size characters of text from from on (both within it): as mid(), but
// made where it is used, for the many parts of a long text.
QStringView part(QStringView text, qsizetype from, qsizetype size) { return QStringView(text.data() + from, size); }

// v.trimmed(), answered at once for text that is empty or starts and ends
// with a visible ASCII character, as nearly all lines and a mark's parts do.
Q_ALWAYS_INLINE QStringView trimmedText(QStringView v)
{
    auto plain = [](QChar c) { return c.unicode() > u' ' && c.unicode() < 128; };
    return v.isEmpty() || (plain(v.front()) && plain(v.back())) ? v : v.trimmed();
}

QStringView unquoted(QStringView v)
{
    v = v.trimmed();
    if (v.size() >= 2 && (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\'')) && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v;
}

// "[a, b]" as "a, b"; anything else unquoted.
QString yamlValue(QStringView v)
{
    const QStringView t = v.trimmed();
    if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'))) {
        QString items;
        for (const QStringView item : t.mid(1, t.size() - 2).split(QLatin1Char(','))) {
            const QStringView value = unquoted(item);
            if (value.isEmpty())
                continue;
            if (!items.isEmpty())
                items += QStringLiteral(", ");
            items += value;
        }
        return items;
    }
    return unquoted(t).toString();
}

// The simple YAML of front matter: "key: value", lists under a key ("- a"
// lines), and one level of nested keys (read as "parent.key").
void readFrontMatter(const QList<QStringView>& lines, Metadata& meta)
{
    QString parent;
    int parentIndex = -1;
    for (const QStringView raw : lines) {
        const QStringView line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const bool indented = raw.front().isSpace();
        if (indented && line.startsWith(QLatin1String("- ")) && parentIndex >= 0) {
            QString& value = meta[parentIndex].second;
            if (!value.isEmpty())
                value += QStringLiteral(", ");
            value += unquoted(line.mid(2));
            continue;
        }
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            continue;
        QString key = line.left(colon).trimmed().toString().toLower();
        QString value = yamlValue(line.mid(colon + 1));
        if (indented && !parent.isEmpty()) {
            meta.append({parent + QLatin1Char('.') + key, std::move(value)});
            continue;
        }
        const bool opens = value.isEmpty();
        parent = opens ? key : QString();
        meta.append({std::move(key), std::move(value)});
        parentIndex = opens ? int(meta.size() - 1) : -1;
    }
}

QString metaValue(const Metadata& meta, std::initializer_list<const char*> keys)
{
    for (const char* key : keys)
        for (const auto& [k, v] : meta)
            if (k == QLatin1String(key) && !v.isEmpty())
                return v;
    return QString();
}

// Text without its comments: "[- ... -]" anywhere, "--" to the end of the
// line where it starts a word.
QString withoutComments(QStringView text)
{
    QString out;
    out.reserve(text.size());
    bool closings = true; // whether a "-]" may still follow
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (closings && text[i] == QLatin1Char('[') && i + 1 < text.size() && text[i + 1] == QLatin1Char('-')) {
            const qsizetype end = text.indexOf(QLatin1String("-]"), i + 2);
            closings = end >= 0;
            if (end >= 0) {
                i = end + 1;
                continue;
            }
        }
        if (text[i] == QLatin1Char('-') && i + 1 < text.size() && text[i + 1] == QLatin1Char('-') &&
            (i == 0 || text[i - 1].isSpace())) {
            while (i < text.size() && text[i] != QLatin1Char('\n'))
                ++i;
            if (i < text.size())
                out += QLatin1Char('\n');
            continue;
        }
        out += text[i];
    }
    return out;
}

// How far a mark's name, amount or note may reach.
constexpr qsizetype kMarkSpan = 200;

// What an ASCII character is to a mark: part of a one-word name, or where
// a name of several words stops short of braces. A name is read character
// by character; a table answers for nearly all of them.
enum AsciiKind : unsigned char { kNamePart = 1, kNameStop = 2 };

constexpr std::array<unsigned char, 128> asciiKinds()
{
    std::array<unsigned char, 128> kinds{};
    for (char16_t c = 0; c < 128; ++c)
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' || c == u'-')
            kinds[c] = kNamePart;
    for (const char c : "{@#~\n.,;:!?()[]")
        if (c != '\0')
            kinds[size_t(c)] = kNameStop;
    return kinds;
}

constexpr std::array<unsigned char, 128> kAsciiKinds = asciiKinds();

bool nameChar(QChar c)
{
    if (c.unicode() < 128)
        return kAsciiKinds[c.unicode()] & kNamePart;
    return c.isLetterOrNumber() || c.isMark();
}

// How a look through a text's lines ended.
struct LinesLooked {
    enum End { Whole, CarriageReturn, Comment } end = Whole;
    bool suspects = false; // whether what it looked at may hold characters charscan::storeSuspect names
    qsizetype from = 0;    // where the line it stopped in starts
};

// Calls line(view) for each line of text, in order, as views of it, until
// it comes to a carriage return or (where comments is true) the start of a
// comment, "--" or "[-": the one look at the text's characters, eight at a
// time.
template <typename Line>
LinesLooked lookThroughLines(QStringView text, bool comments, Line&& line)
{
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    LinesLooked looked;
    // Whether the character at i ends a line (else the look stops there).
    auto ends = [&](qsizetype i) {
        switch (p[i]) {
        case u'\n':
            line(part(text, looked.from, i - looked.from));
            looked.from = i + 1;
            return true;
        case u'\r': looked.end = LinesLooked::CarriageReturn; return false;
        default: // '-'
            if (comments && i > 0 && (p[i - 1] == u'-' || p[i - 1] == u'['))
                looked.end = LinesLooked::Comment;
            return looked.end == LinesLooked::Whole;
        }
    };
    charscan::SuspectLook suspects;
    qsizetype i = 0;
    auto stop = [&] {
        looked.suspects = suspects.found();
        return looked;
    };
    if constexpr (charscan::kBlocks) {
        for (; i + 8 <= n; i += 8) {
            const charscan::Block b = charscan::load(p + i);
            suspects.add(b);
            for (unsigned m = charscan::equal(b, u'\n') | charscan::equal(b, u'\r') | charscan::equal(b, u'-'); m;
                 m &= m - 1) {
                if (!ends(i + qsizetype(qCountTrailingZeroBits(m) / 2)))
                    return stop();
                m &= m - 1; // the character's second bit
            }
        }
    }
    for (; i < n; ++i) {
        suspects.add(p[i]);
        if ((p[i] == u'\n' || p[i] == u'\r' || p[i] == u'-') && !ends(i))
            return stop();
    }
    line(part(text, looked.from, n - looked.from));
    return stop();
}

// What reading a body came to.
enum class BodyRead {
    Storable,      // it holds only characters a book holds as they stand
    Suspects,      // it may hold others
    CarriageReturn // it holds a carriage return: not read to its end
};

// The line of text that starts at from, up to its line break.
QStringView lineAt(QStringView text, qsizetype from)
{
    const qsizetype end = text.indexOf(QLatin1Char('\n'), from);
    return part(text, from, (end < 0 ? text.size() : end) - from);
}

// text with "\r\n" and a lone "\r" made "\n", in one pass (QString::replace
// moves all the rest of the text again for every thousand or so of them).
QString withLineFeeds(QStringView text)
{
    QString out(text.size(), Qt::Uninitialized);
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    qsizetype written = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] != u'\r') {
            o[written++] = p[i];
            continue;
        }
        o[written++] = u'\n';
        if (i + 1 < n && p[i + 1] == u'\n')
            ++i;
    }
    out.truncate(written);
    return out;
}

// Where c is in text[from, to), or -1: for the short spans of a mark.
qsizetype findIn(QStringView text, qsizetype from, qsizetype to, char16_t c)
{
    const char16_t* p = text.utf16();
    for (qsizetype i = from; i < to; ++i)
        if (p[i] == c)
            return i;
    return -1;
}

// A hash of a line, worked out where it is used: four characters at a time,
// then mixed so that its low bits (which pick its slot) depend on all.
inline size_t lineHash(QStringView line)
{
    const char16_t* p = line.utf16();
    const qsizetype n = line.size();
    quint64 h = 0x9E3779B97F4A7C15ull ^ quint64(n);
    qsizetype i = 0;
    for (; i + 4 <= n; i += 4) {
        quint64 w;
        std::memcpy(&w, p + i, sizeof w);
        h = (h ^ w) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 32;
    }
    for (; i < n; ++i)
        h = (h ^ p[i]) * 0x100000001B3ull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return size_t(h);
}

// The ingredient lines of a recipe's marks, in their order, each listed
// once however often it is marked. A recipe's lines are gathered first and
// told apart at its end, all at once: a short list is scanned; a longer
// one is looked up by the lines' hashes in a table of its own (open
// addressing, no allocation per line), worked through in order with the
// slots of the lines ahead asked for early, so that a recipe of many
// thousands of ingredients is read neither in time growing with their
// square nor waiting on the memory for each.
class IngredientLines {
public:
    // Emptied, keeping its room.
    void clear()
    {
        size_ = 0;
        starts_.clear();
        hashes_.clear();
    }

    // Room for a line of at most size characters at the end, to be written
    // and then added by add().
    char16_t* room(qsizetype size)
    {
        const size_t needed = size_t(size_ + size + 1);
        if (chars_.size() < needed)
            chars_.resize(std::max(needed, 2 * chars_.size()));
        return chars_.data() + size_;
    }
    // Adds the line of size characters written into room().
    void add(qsizetype size)
    {
        starts_.push_back(size_);
        size_ += size;
        chars_[size_t(size_++)] = u'\n'; // no line holds one
    }

    qsizetype count() const { return qsizetype(starts_.size()); }
    // Drops the lines from the count-th on.
    void truncate(qsizetype count)
    {
        if (count >= this->count())
            return;
        size_ = starts_[size_t(count)];
        starts_.resize(size_t(count));
        hashes_.resize(std::min(hashes_.size(), size_t(count)));
    }

    // Hashes the lines that have none yet, for unique(): done ahead by
    // the threads that read a long step's parts, to spare it the work.
    void hashAll()
    {
        for (size_t k = hashes_.size(); k < starts_.size(); ++k)
            hashes_.push_back(lineHash(line(k)));
    }

    // Adds the lines of other after these, and their hashes where other
    // has them all.
    void append(const IngredientLines& other)
    {
        if (!other.starts_.empty() && other.hashes_.size() == other.starts_.size()) {
            hashAll();
            hashes_.insert(hashes_.end(), other.hashes_.begin(), other.hashes_.end());
        }
        charscan::copyBytes(room(other.size_), other.chars_.data(), size_t(other.size_) * sizeof(char16_t));
        for (const qsizetype start : other.starts_)
            starts_.push_back(size_ + start);
        size_ += other.size_;
    }

    // The lines, each once where it is first marked, joined by line breaks.
    QString unique()
    {
        const size_t count = starts_.size();
        keep_.assign(count, 0);
        if (count <= kScanned) {
            for (size_t k = 0; k < count; ++k) {
                keep_[k] = 1;
                for (size_t j = 0; j < k && keep_[k]; ++j)
                    keep_[k] = !(keep_[j] && line(j) == line(k));
            }
        } else {
            hashAll();
            size_t size = 64;
            while (size < 2 * count)
                size *= 2;
            slots_.assign(size, 0);
            const size_t mask = size - 1;
            constexpr size_t kAhead = 8;
            for (size_t k = 0; k < count; ++k) {
#if defined(__GNUC__) || defined(__clang__)
                if (k + kAhead < count)
                    __builtin_prefetch(&slots_[hashes_[k + kAhead] & mask]);
#endif
                const QStringView l = line(k);
                const quint64 tag = quint64(hashes_[k] >> 40) << 40;
                size_t i = hashes_[k] & mask;
                bool found = false;
                for (; slots_[i] != 0 && !found; i = (i + 1) & mask)
                    found = (slots_[i] & kTagBits) == tag && sameLine(qsizetype(slots_[i] & kStartBits) - 1, l);
                if (!found)
                    slots_[i] = tag | quint64(starts_[k] + 1);
                keep_[k] = !found;
            }
        }
        qsizetype total = 0;
        for (size_t k = 0; k < count; ++k)
            total += keep_[k] ? line(k).size() + 1 : 0;
        if (total == 0)
            return QString();
        // Lines kept one after another stand together, each ended by its
        // line break: each such run is copied at once (a list without
        // repeats in one copy).
        QString out(total, Qt::Uninitialized);
        char16_t* o = reinterpret_cast<char16_t*>(out.data());
        for (size_t k = 0; k < count;) {
            if (!keep_[k]) {
                ++k;
                continue;
            }
            size_t end = k + 1;
            while (end < count && keep_[end])
                ++end;
            const qsizetype from = starts_[k], to = end < count ? starts_[end] : size_;
            std::memcpy(o, chars_.data() + from, size_t(to - from) * sizeof(char16_t));
            o += to - from;
            k = end;
        }
        out.chop(1); // the last line break
        return out;
    }

private:
    static constexpr size_t kScanned = 16;
    // A slot: the top 24 bits of a line's hash, then where the line
    // starts + 1 (0 for an empty slot).
    static constexpr quint64 kStartBits = (quint64(1) << 40) - 1, kTagBits = ~kStartBits;

    QStringView line(size_t k) const
    {
        const qsizetype from = starts_[k];
        const qsizetype to = (k + 1 < starts_.size() ? starts_[k + 1] : size_) - 1; // before its line break
        return QStringView(chars_.data() + from, to - from);
    }
    // Whether the line from start on is l.
    bool sameLine(qsizetype start, QStringView l) const
    {
        return start + l.size() < size_ && chars_[size_t(start + l.size())] == u'\n' &&
               charscan::sameBytes(chars_.data() + start, l.utf16(), size_t(l.size()) * sizeof(char16_t));
    }

    std::vector<char16_t> chars_; // the lines, each ended by a line break
    qsizetype size_ = 0;          // how much of chars_ they fill
    std::vector<qsizetype> starts_;
    std::vector<size_t> hashes_; // of the first lines, or all
    std::vector<quint64> slots_;
    std::vector<char> keep_; // whether each line is the first of its kind
};

// Where the next mark ('@', '#' or '~') of text is from i on, or n.
qsizetype nextMark(const char16_t* p, qsizetype i, qsizetype n)
{
    qsizetype plain = i;
    if constexpr (charscan::kBlocks) {
        for (; plain + 8 <= n; plain += 8) {
            const charscan::Block b = charscan::load(p + plain);
            if (const unsigned m = charscan::equal(b, u'@') | charscan::equal(b, u'#') | charscan::equal(b, u'~'))
                return plain + qsizetype(qCountTrailingZeroBits(m) / 2);
        }
    }
    while (plain < n && p[plain] != u'@' && p[plain] != u'#' && p[plain] != u'~')
        ++plain;
    return plain;
}

// Whether a mark's name is simplified already, as isSimplified tells, and
// at once for a name in ASCII, as most are: words apart by single spaces.
bool simpleName(QStringView name)
{
    char16_t before = u' '; // as if a space stood before the name
    for (const QChar ch : name) {
        const char16_t c = ch.unicode();
        if (c >= 128)
            return isSimplified(name);
        if (c <= u' ' && (c != u' ' || before == u' '))
            return false; // a space first or after another, or another white space
        before = c;
    }
    return before != u' ' || name.isEmpty();
}

// A mark of a step: an ingredient, cookware or a timer, its parts as views
// of the step.
struct Mark {
    QStringView rawName, quantity, unit, note;
    QString simplifiedName; // the name simplified, where it was not
    qsizetype nameEnd = 0;  // where its name ends in the step
    qsizetype next = 0;     // where the text after it starts

    QStringView name() const { return simplifiedName.isNull() ? rawName : QStringView(simplifiedName); }
};

// Reads into mark the mark whose sign is step[i]: false where the sign
// starts no mark. The one mark is filled again for each of a step's marks,
// each part set anew: a long step has tens of thousands of them.
bool readMark(QStringView step, qsizetype i, Mark& mark)
{
    const char16_t* p = step.utf16();
    const qsizetype n = step.size();
    const QChar c = step[i];
    if (i > 0 && nameChar(step[i - 1]))
        return false;
    qsizetype start = i + 1;
    // Ingredient modifiers: @&, @?, @+, @-.
    if (c == QLatin1Char('@') && start < n &&
        (p[start] == u'&' || p[start] == u'?' || p[start] == u'+' || p[start] == u'-'))
        ++start;
    qsizetype nameStart = start, nameEnd = start;
    bool simple = false; // known to be simple on the way, as most names are
    const QStringView ahead = part(step, start, qMin(n - start, kMarkSpan));
    const bool path = c == QLatin1Char('@') && ahead.startsWith(QLatin1Char('.')) &&
                      (ahead.startsWith(u"./") || ahead.startsWith(u"../"));
    const qsizetype brace = path ? ahead.indexOf(QLatin1Char('{')) : -1;
    if (brace > 0 && !ahead.left(brace).contains(QLatin1Char('\n'))) {
        // Another recipe as an ingredient, "@./sauces/Marinara{}": the
        // name is the path's last part.
        nameStart = start + ahead.left(brace).lastIndexOf(QLatin1Char('/')) + 1;
        nameEnd = start + brace;
    } else {
        // A name of several words runs to its braces. Whether it is simple
        // is told on the way where it is in ASCII, as simpleName tells.
        qsizetype j = start;
        bool ascii = true, spaced = false; // a space first or after another, or another white space
        char16_t before = u' ';
        for (; j < n && j - start < kMarkSpan; ++j) {
            const char16_t ch = p[j];
            if (ch >= 128) {
                ascii = false;
            } else if (kAsciiKinds[ch] & kNameStop) {
                break;
            } else if (ch <= u' ' && (ch != u' ' || before == u' ')) {
                spaced = true;
            }
            before = ch;
        }
        if (j < n && p[j] == u'{') {
            nameEnd = j;
            simple = ascii && !spaced && (before != u' ' || j == start);
        } else {
            while (nameEnd < n && nameChar(step[nameEnd])) {
                ascii = ascii && p[nameEnd] < 128;
                ++nameEnd;
            }
            simple = ascii; // name characters in ASCII are letters, digits, '_' and '-'
        }
    }
    // Names are mostly simple already, and then not copied.
    mark.rawName = part(step, nameStart, nameEnd - nameStart);
    if (!simple && !simpleName(mark.rawName))
        mark.simplifiedName = mark.rawName.toString().simplified();
    else if (!mark.simplifiedName.isNull())
        mark.simplifiedName = QString();
    mark.quantity = QStringView();
    mark.unit = QStringView();
    mark.note = QStringView();
    mark.nameEnd = nameEnd;
    mark.next = nameEnd;
    if (nameEnd < n && p[nameEnd] == u'{') {
        // Amounts are short: a brace further away closes something else.
        const qsizetype close = findIn(step, nameEnd, qMin(n, nameEnd + kMarkSpan), u'}');
        if (close < 0)
            return false;
        const QStringView inside = part(step, nameEnd + 1, close - nameEnd - 1);
        const qsizetype percent = findIn(inside, 0, inside.size(), u'%');
        mark.quantity = trimmedText(percent < 0 ? inside : inside.left(percent));
        if (mark.quantity.startsWith(QLatin1Char('=')))
            mark.quantity = mark.quantity.mid(1).trimmed();
        if (percent >= 0)
            mark.unit = trimmedText(part(inside, percent + 1, inside.size() - percent - 1));
        mark.next = close + 1;
    }
    if (mark.name().isEmpty() && (c != QLatin1Char('~') || mark.next == nameEnd))
        return false;
    if (c == QLatin1Char('@') && mark.next < n && p[mark.next] == u'(') {
        const qsizetype close = findIn(step, mark.next, qMin(n, mark.next + kMarkSpan), u')');
        if (close > 0) {
            mark.note = part(step, mark.next + 1, close - mark.next - 1);
            mark.next = close + 1;
        }
    }
    return true;
}

// Copies text to out + at, and moves at past it.
Q_ALWAYS_INLINE void putAt(char16_t* out, qsizetype& at, QStringView text)
{
    charscan::copyBytes(out + at, text.utf16(), size_t(text.size()) * sizeof(char16_t));
    at += text.size();
}

// Adds an ingredient's line, "quantity unit name, note", to ing.
void addIngredient(const Mark& mark, IngredientLines& ing)
{
    const QString note = trimmedText(mark.note).isEmpty() ? QString() : simplifiedText(mark.note);
    // The line is written at once into room made for it: a long list has
    // tens of thousands of them. The parts are taken by their pointers and
    // sizes, each read on its own: copied whole, as views, they would be
    // read back in one piece just after being written in two, which the
    // processor cannot hand on from its stores and waits for.
    const QStringView name = mark.name();
    const char16_t* const texts[] = {mark.quantity.utf16(), mark.unit.utf16(), name.utf16()};
    const qsizetype sizes[] = {mark.quantity.size(), mark.unit.size(), name.size()};
    qsizetype size = note.isEmpty() ? 0 : 2 + note.size();
    for (const qsizetype s : sizes)
        size += s > 0 ? s + 1 : 0;
    char16_t* const out = ing.room(size);
    qsizetype at = 0;
    for (size_t k = 0; k < 3; ++k) {
        if (sizes[k] == 0)
            continue;
        if (at > 0)
            out[at++] = u' ';
        putAt(out, at, QStringView(texts[k], sizes[k]));
    }
    if (!note.isEmpty()) {
        putAt(out, at, u", ");
        putAt(out, at, note);
    }
    ing.add(at);
}

// Text written at the end of a QString from a place on, its room made
// ahead and grown as it fills, so that the many short pieces of a step
// are each a copy and no more.
class EndWriter {
public:
    EndWriter(QString& text, qsizetype at, qsizetype expected) : text_(text), written_(at) { grow(at + expected); }
    Q_ALWAYS_INLINE void put(QStringView piece)
    {
        if (piece.isEmpty())
            return; // (and its characters may be no pointer at all)
        if (written_ + piece.size() > room_)
            grow(written_ + piece.size() + room_ / 2);
        charscan::copyBytes(base_ + written_, piece.utf16(), size_t(piece.size()) * sizeof(char16_t));
        written_ += piece.size();
    }
    qsizetype written() const { return written_; }
    // Takes back what was written from at on.
    void rewind(qsizetype at) { written_ = at; }
    // The text cut to what was written.
    void finish() { text_.truncate(written_); }

private:
    void grow(qsizetype room)
    {
        text_.resize(room);
        base_ = reinterpret_cast<char16_t*>(text_.data());
        room_ = room;
    }

    QString& text_;
    qsizetype written_, room_ = 0;
    char16_t* base_ = nullptr;
};

// Writes the text of step from from on as plain words, its marks as their
// names (a time as its amount), and adds the ingredients it marks to ing,
// until it comes to a place at or past to. Returns that place: to itself
// unless a mark goes on past to.
qsizetype plainWords(QStringView step, qsizetype from, qsizetype to, IngredientLines& ing, EndWriter& out)
{
    const char16_t* p = step.utf16();
    const qsizetype n = step.size();
    qsizetype i = from;
    Mark mark;
    while (i < to) {
        // Text up to the next mark as it is.
        const qsizetype plain = nextMark(p, i, n);
        out.put(part(step, i, plain - i));
        i = plain;
        if (i >= to)
            break;
        if (!readMark(step, i, mark)) {
            out.put(part(step, i, 1));
            ++i;
            continue;
        }
        const QChar c = step[i];
        if (c == QLatin1Char('~') && !(mark.quantity.isEmpty() && mark.unit.isEmpty())) {
            // A time: "quantity unit", either of them alone, or its name.
            out.put(mark.quantity);
            if (!mark.quantity.isEmpty() && !mark.unit.isEmpty())
                out.put(u" ");
            out.put(mark.unit);
        } else {
            if (c == QLatin1Char('@'))
                addIngredient(mark, ing);
            out.put(mark.name());
        }
        i = mark.next;
    }
    return i;
}

// A step this long (in characters) is read in parts side by side.
constexpr qsizetype kLongStep = 32 * 1024;

// A part of a long step, as read on its own.
struct StepPart {
    IngredientLines ing;
    QString text;
    bool whole = false; // ended where the next part starts
    // Whether its text is simplified (isSimplified) but for a space first
    // or last, and whether it has one there.
    bool simple = false, spaceFirst = false, spaceLast = false;

    void lookAtText()
    {
        QStringView t(text);
        spaceFirst = t.startsWith(u' ');
        spaceLast = t.endsWith(u' ');
        t = t.mid(spaceFirst ? 1 : 0);
        if (spaceLast && !t.isEmpty())
            t.chop(1);
        simple = isSimplified(t);
    }
};

// Whether the text of parts one after another is simplified, as the parts
// tell it: false where they cannot (isSimplified then looks at it all).
bool partsSimplified(const std::vector<StepPart>& parts, size_t count)
{
    bool spaceBefore = true; // as if one stood before the text: none may start it
    for (size_t k = 0; k < count; ++k) {
        const StepPart& part = parts[k];
        if (part.text.isEmpty())
            continue;
        if (!part.simple || (spaceBefore && part.spaceFirst))
            return false;
        spaceBefore = part.spaceLast;
    }
    return !spaceBefore;
}

// plainWords over a long step, in parts side by side, each starting at a
// mark's sign: false (nothing added) where a mark of one part goes on into
// the next, as the step is then read whole. The parts are read into read,
// kept from step to step with their room: the memory for a long step's
// parts, new each time, would cost more than the copying. simple tells
// whether the parts found the text they wrote simplified.
bool plainWordsInParts(QStringView step, IngredientLines& ing, EndWriter& out, std::vector<StepPart>& read,
                       bool& simple)
{
    const char16_t* p = step.utf16();
    const qsizetype n = step.size();
    std::vector<qsizetype> starts{0};
    const qsizetype parts = std::min<qsizetype>(16, n / (kLongStep / 2));
    for (qsizetype k = 1; k < parts; ++k)
        if (const qsizetype sign = nextMark(p, std::max(starts.back() + 1, n * k / parts), n); sign < n)
            starts.push_back(sign);
    starts.push_back(n);
    const size_t count = starts.size() - 1;
    if (read.size() < count)
        read.resize(count);
    // Each part is added as soon as it and those before it are read, while
    // the others are still being read, and all are taken back where one
    // did not end where the next starts.
    const qsizetype linesBefore = ing.count(), textBefore = out.written();
    bool whole = true;
    inParallelInOrder(
        qsizetype(count),
        [&](qsizetype k) {
            StepPart& part = read[size_t(k)];
            const qsizetype from = starts[size_t(k)], to = starts[size_t(k) + 1];
            part.ing.clear();
            part.text.resize(0);
            EndWriter writer(part.text, 0, to - from);
            part.whole = plainWords(step, from, to, part.ing, writer) == to;
            writer.finish();
            part.ing.hashAll();
            part.lookAtText();
        },
        [&](qsizetype k) {
            const StepPart& part = read[size_t(k)];
            whole = whole && part.whole;
            if (whole) {
                ing.append(part.ing);
                out.put(part.text);
            }
        });
    if (!whole) {
        ing.truncate(linesBefore);
        out.rewind(textBefore);
    }
    simple = whole && partsSimplified(read, count);
    return whole;
}

// Adds a step to prep as a paragraph, its marks written as plain words,
// and adds its ingredients to ing, a line each.
void addPlainStep(QStringView step, IngredientLines& ing, QString& prep, std::vector<StepPart>& parts)
{
    // Written straight into prep, then simplified there if need be. A
    // mark's plain words are never longer than the mark, so the step's
    // length is room enough; the writer grows it all the same.
    const qsizetype before = prep.size();
    const qsizetype paragraph = before > 0 ? before + 2 : 0;
    EndWriter out(prep, before, paragraph - before + step.size());
    out.put(before > 0 ? QStringView(u"\n\n") : QStringView());
    bool simple = false; // known to be simplified
    if (step.size() < kLongStep || !plainWordsInParts(step, ing, out, parts, simple))
        plainWords(step, 0, step.size(), ing, out);
    out.finish();
    if (const QStringView added = QStringView(prep).mid(paragraph); !simple && !isSimplified(added)) {
        const QString simple = added.toString().simplified();
        prep.truncate(paragraph);
        prep += simple;
    }
    if (prep.size() == paragraph)
        prep.truncate(before); // nothing to say: no paragraph
}

} // namespace

namespace {

// What a reading thread reads each file with, kept from file to file: a
// folder of thousands of recipes would otherwise grow these anew for
// each, and with two threads taking memory at once that growing costs
// more than the reading.
struct Scratch {
    IngredientLines ing;
    QString prep, joined;
    std::vector<QStringView> stepRuns;
    std::vector<StepPart> stepParts;
    Metadata meta;
    QStringList noteLines;

    // Emptied, keeping their room.
    void clear()
    {
        meta.clear();
        noteLines.clear();
        ing.clear();
        prep.resize(0);
        joined.resize(0);
        stepRuns.clear();
    }
};

// A copy of text of its own size, not sharing a scratch text's room.
QString ownCopy(QStringView text) { return text.isEmpty() ? QString() : text.toString(); }

// A scratch text as a recipe's own: a long one whose room is not much more
// than it holds taken as it is (its copy would cost more than new room for
// the next file), any other copied.
QString ownText(QString& text)
{
    if (text.size() >= kLongStep && text.capacity() <= text.size() + text.size() / 2)
        return std::exchange(text, QString());
    return ownCopy(text);
}

// Reads the body into scratch: the steps as plain text with the
// ingredients they mark, the section names, the metadata lines and the
// note lines. Stops at a carriage return (scratch then holds part of it).
BodyRead readBody(QStringView body, Scratch& scratch)
{
    Metadata& meta = scratch.meta;
    QStringList& noteLines = scratch.noteLines;
    // The step being read, as runs of its lines: lines that follow one
    // another in the text, a line break apart, stand in one run. The step
    // is read as one text: its one line itself, or its lines joined by
    // spaces, written at once when it ends. The run being added to is
    // kept by its start and size (see addIngredient).
    std::vector<QStringView>& runs = scratch.stepRuns;
    const char16_t* runFrom = nullptr;
    qsizetype runSize = 0, stepLines = 0, joinedSize = -1;
    auto endRun = [&] {
        if (runFrom)
            runs.emplace_back(runFrom, runSize);
        runFrom = nullptr;
    };
    auto stepLine = [&](QStringView line) {
        ++stepLines;
        joinedSize += 1 + line.size();
        if (runFrom && line.utf16() == runFrom + runSize + 1) {
            runSize += 1 + line.size();
            return;
        }
        endRun();
        runFrom = line.utf16();
        runSize = line.size();
    };
    auto endStep = [&] {
        endRun();
        if (stepLines > 1) {
            QString& joined = scratch.joined;
            joined.resize(joinedSize); // keeps its room for the next step
            char16_t* out = reinterpret_cast<char16_t*>(joined.data());
            // A run's only line breaks are those between its lines.
            for (size_t k = 0; k < runs.size(); ++k) {
                if (k > 0)
                    *out++ = u' ';
                charscan::copyReplacing(out, runs[k].utf16(), size_t(runs[k].size()), u'\n', u' ');
                out += runs[k].size();
            }
            addPlainStep(joined, scratch.ing, scratch.prep, scratch.stepParts);
        } else if (stepLines == 1) {
            addPlainStep(runs.front(), scratch.ing, scratch.prep, scratch.stepParts);
        }
        runs.clear();
        stepLines = 0;
        joinedSize = -1;
    };
    static thread_local const QRegularExpression metaLine(QStringLiteral("^>>\\s*([^:]+):(.*)$"));
    auto readLine = [&](QStringView raw) {
        const QStringView line = trimmedText(raw);
        // Most lines are a step's: told by their first character.
        const char16_t lead = line.isEmpty() ? u'\0' : line.front().unicode();
        if (line.isEmpty()) {
            endStep();
        } else if (lead != u'>' && lead != u'=') {
            stepLine(line);
        } else if (line.startsWith(QLatin1String(">>"))) {
            const QRegularExpressionMatch m = metaLine.match(line.toString());
            if (m.hasMatch())
                meta.append({m.captured(1).trimmed().toLower(), yamlValue(m.captured(2))});
        } else if (line.startsWith(QLatin1Char('>'))) {
            noteLines << line.mid(1).trimmed().toString();
        } else if (line.startsWith(QLatin1Char('='))) {
            endStep();
            QStringView name = line;
            while (name.startsWith(QLatin1Char('=')))
                name = name.mid(1);
            while (name.endsWith(QLatin1Char('=')))
                name.chop(1);
            addParagraph(scratch.prep, name.trimmed());
        }
    };
    LinesLooked looked = lookThroughLines(body, true, readLine);
    bool suspects = looked.suspects;
    // From the line where a comment starts on, the body is read without
    // its comments (none stands in the lines before it), its line ends made
    // LF first.
    QString uncommented;
    if (looked.end == LinesLooked::Comment) {
        const QStringView rest = body.sliced(looked.from);
        if (rest.contains(QLatin1Char('\r')))
            return BodyRead::CarriageReturn;
        uncommented = withoutComments(rest);
        looked = lookThroughLines(uncommented, false, readLine);
        suspects = suspects || looked.suspects;
    }
    if (looked.end == LinesLooked::CarriageReturn)
        return BodyRead::CarriageReturn;
    endStep();
    return suspects ? BodyRead::Suspects : BodyRead::Storable;
}

// What the metadata says of the recipe: its title (or else fileTitle),
// servings and times, its category, and its notes.
Recipe fromMetadata(const Metadata& meta, const QStringList& noteLines, const QString& fileTitle, int langOffset,
                    QString& category)
{
    Recipe recipe;
    recipe.title = metaValue(meta, {"title"});
    if (recipe.title.isEmpty())
        recipe.title = fileTitle;
    recipe.yield = metaValue(meta, {"servings", "serves", "yield", "portions"});
    recipe.preptime = durationText(metaValue(meta, {"prep time", "prep_time", "preptime", "time.prep", "prep"}));
    recipe.cooktime = durationText(metaValue(meta, {"cook time", "cook_time", "cooktime", "time.cook", "cook"}));
    const QString tags = metaValue(meta, {"tags", "tag", "keywords"});
    category = metaValue(meta, {"category", "course"});
    if (category.isEmpty())
        category = QStringView(tags).left(tags.indexOf(QLatin1Char(','))).trimmed().toString(); // its first

    // The notes: the description, the note lines, then a line for each
    // other value known.
    addParagraph(recipe.other, metaValue(meta, {"description", "introduction"}));
    addParagraph(recipe.other, noteLines.join(QLatin1Char('\n')));
    QString extra;
    auto addExtra = [&extra, langOffset](Str text, const QString& value) {
        if (value.isEmpty())
            return;
        if (!extra.isEmpty())
            extra += QLatin1Char('\n');
        extra += fetchText(text, langOffset).arg(value);
    };
    addExtra(Str::NoteBy, metaValue(meta, {"author", "source.author"}));
    addExtra(Str::NoteCuisine, metaValue(meta, {"cuisine"}));
    addExtra(Str::NoteKeywords, tags);
    addExtra(Str::NoteTotalTime, durationText(metaValue(meta, {"time", "total time", "duration", "time required"})));
    addExtra(Str::NoteSource, metaValue(meta, {"source", "source.url", "source.name", "url"}));
    addParagraph(recipe.other, extra);
    recipe.image = metaValue(meta, {"image", "picture"});
    return recipe;
}

// Reads the front matter of text, between a first line "---" and the next
// one, into meta. Returns where the body starts: after it, or at the first
// line that is not blank; -1 where the text before the body holds a
// carriage return.
qsizetype readFrontMatter(QStringView text, Metadata& meta)
{
    qsizetype bodyFrom = 0;
    QStringView line = lineAt(text, 0);
    while (bodyFrom + line.size() < text.size() && line.trimmed().isEmpty()) {
        bodyFrom += line.size() + 1;
        line = lineAt(text, bodyFrom);
    }
    if (line.trimmed() == QLatin1String("---")) {
        QList<QStringView> front;
        for (qsizetype at = bodyFrom + line.size() + 1; at <= text.size();) {
            const QStringView next = lineAt(text, at);
            if (next.trimmed() == QLatin1String("---")) {
                readFrontMatter(front, meta);
                bodyFrom = at + next.size() + 1;
                break;
            }
            front.append(next);
            at += next.size() + 1;
        }
    }
    return text.first(qMin(bodyFrom, text.size())).contains(QLatin1Char('\r')) ? -1 : bodyFrom;
}

} // namespace

RecipeList readCooklang(QStringView text, const QString& fileTitle, const ReadContext& context)
{
    thread_local Scratch scratch;
    RecipeList read;
    // The text is read as it stands, and only where it holds a carriage
    // return again, its line ends made LF.
    QString unified;
    BodyRead body = BodyRead::CarriageReturn;
    while (body == BodyRead::CarriageReturn) {
        scratch.clear();
        const qsizetype bodyFrom = readFrontMatter(text, scratch.meta);
        if (bodyFrom >= 0)
            body = readBody(bodyFrom < text.size() ? text.sliced(bodyFrom) : QStringView(), scratch);
        if (body == BodyRead::CarriageReturn) {
            if (!unified.isNull())
                break; // (none is left)
            unified = withLineFeeds(text);
            text = unified;
        }
    }
    QString category;
    Recipe recipe = fromMetadata(scratch.meta, scratch.noteLines, fileTitle, context.langOffset, category);
    recipe.ing = scratch.ing.unique();
    recipe.prep = ownText(scratch.prep);

    if (recipe.ing.isEmpty() && recipe.prep.isEmpty())
        read.skipped << 1;
    else
        // The ingredients and steps are made of the body's text, spaces
        // and punctuation: where the body holds only what a book holds as
        // it stands, so do they.
        read.add(std::move(recipe), category, context, body == BodyRead::Storable ? (1u << RIng) | (1u << RPrep) : 0u);
    return read;
}

} // namespace bd
