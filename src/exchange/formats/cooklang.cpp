#include "exchange/formats/cooklang.h"

#include "resources/strings.h"
#include "store/charscan.h"

#include <QHashFunctions>
#include <QRegularExpression>

#include <cstring>
#include <optional>
#include <vector>

namespace bd {

namespace {

using Metadata = QVector<QPair<QString, QString>>; // keys lower-cased, in file order

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
void readFrontMatter(const QList<QStringView>& lines, qsizetype from, qsizetype to, Metadata& meta)
{
    QString parent;
    int parentIndex = -1;
    for (qsizetype i = from; i < to; ++i) {
        const QStringView raw = lines[i];
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
// Whether text may hold a comment: "--" or "[-".
bool mayHoldComments(QStringView text)
{
    for (qsizetype i = text.indexOf(QLatin1Char('-'), 1); i > 0; i = text.indexOf(QLatin1Char('-'), i + 1))
        if (text[i - 1] == QLatin1Char('-') || text[i - 1] == QLatin1Char('['))
            return true;
    return false;
}

QString withoutComments(QStringView text)
{
    if (!mayHoldComments(text))
        return text.toString();
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

bool nameChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('-') || c.isMark(); }

// Where a name of several words stops short of braces.
bool nameStop(QChar c)
{
    switch (c.unicode()) {
    case '{':
    case '@':
    case '#':
    case '~':
    case '\n':
    case '.':
    case ',':
    case ';':
    case ':':
    case '!':
    case '?':
    case '(':
    case ')':
    case '[':
    case ']': return true;
    default: return false;
    }
}

// The lines of text, as views of it, into lines; false (lines then not
// whole) where the text holds a carriage return.
bool linesOf(QStringView text, QList<QStringView>& lines)
{
    lines.clear();
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    qsizetype from = 0;
    auto end = [&](qsizetype i) {
        if (p[i] == u'\r')
            return false;
        lines.append(text.mid(from, i - from));
        from = i + 1;
        return true;
    };
    qsizetype i = 0;
    if constexpr (charscan::kBlocks) {
        for (; i + 8 <= n; i += 8) {
            const charscan::Block b = charscan::load(p + i);
            for (unsigned m = charscan::equal(b, u'\n') | charscan::equal(b, u'\r'); m; m &= m - 1) {
                if (!end(i + qsizetype(qCountTrailingZeroBits(m) / 2)))
                    return false;
                m &= m - 1; // the character's second bit
            }
        }
    }
    for (; i < n; ++i)
        if ((p[i] == u'\n' || p[i] == u'\r') && !end(i))
            return false;
    lines.append(text.mid(from));
    return true;
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

// The lines of an ingredient list, for telling whether the line just added
// at its end was there already. A short list is scanned; a longer one is
// looked up by the lines' hashes in a table of its own (open addressing,
// no allocation per line), so that a recipe of many thousands of
// ingredients is not read in time growing with their square.
class ListedLines {
public:
    // Emptied, keeping its room.
    void clear()
    {
        starts_.clear();
        hashes_.clear();
        slots_.clear();
    }

    // Whether ing's last line, from start on, is one of its lines before;
    // if it is not, it is listed from now on.
    bool listed(QStringView ing, qsizetype start)
    {
        const QStringView line = ing.mid(start);
        const size_t count = starts_.size();
        if (count < kScanned) {
            for (size_t k = 0; k < count; ++k)
                if (lineAt(ing, k, start) == line)
                    return true;
            starts_.push_back(start);
            return false;
        }
        if (hashes_.size() < count) { // those scanned so far, once
            for (size_t k = hashes_.size(); k < count; ++k)
                hashes_.push_back(qHash(lineAt(ing, k, start)));
            rebuild();
        }
        const size_t hash = qHash(line);
        for (size_t i = hash & mask(); slots_[i] != 0; i = (i + 1) & mask())
            if (quint32(slots_[i] >> 32) == quint32(hash) && lineAt(ing, size_t(quint32(slots_[i])) - 1, start) == line)
                return true;
        starts_.push_back(start);
        hashes_.push_back(hash);
        if (4 * hashes_.size() > 3 * slots_.size())
            rebuild();
        else
            place(count);
        return false;
    }

private:
    static constexpr size_t kScanned = 16;

    // Listed line k of ing; end: where the line after the listed ones starts.
    QStringView lineAt(QStringView ing, size_t k, qsizetype end) const
    {
        const qsizetype from = starts_[k];
        const qsizetype to = (k + 1 < starts_.size() ? starts_[k + 1] : end) - 1; // before its line break
        return ing.mid(from, to - from);
    }

    size_t mask() const { return slots_.size() - 1; }
    // Puts line k in the first free slot from its hash's on.
    void place(size_t k)
    {
        size_t i = hashes_[k] & mask();
        while (slots_[i] != 0)
            i = (i + 1) & mask();
        slots_[i] = quint64(quint32(hashes_[k])) << 32 | quint64(k + 1);
    }
    // The table made again, at most half full.
    void rebuild()
    {
        size_t size = 64;
        while (size < 2 * hashes_.size())
            size *= 2;
        slots_.assign(size, 0);
        for (size_t k = 0; k < hashes_.size(); ++k)
            place(k);
    }

    std::vector<qsizetype> starts_; // where each line starts in the list
    std::vector<size_t> hashes_;    // each line's hash, once looked up by them
    // Where a line's hash leads: the hash's low half, then the line's
    // number + 1; 0 for none. A slot is mostly told apart from the lines
    // it does not hold without a look elsewhere: a long list is larger
    // than the processor's caches.
    std::vector<quint64> slots_;
};

// Where the next mark ('@', '#' or '~') of text is from i on, or n.
qsizetype nextMark(const char16_t* p, qsizetype i, qsizetype n)
{
    qsizetype plain = i;
    if constexpr (charscan::kBlocks) {
        for (; plain + 8 <= n; plain += 8) {
            const charscan::Block b = charscan::load(p + plain);
            if (charscan::equal(b, u'@') | charscan::equal(b, u'#') | charscan::equal(b, u'~'))
                break;
        }
    }
    while (plain < n && p[plain] != u'@' && p[plain] != u'#' && p[plain] != u'~')
        ++plain;
    return plain;
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

// The mark whose sign is step[i]; none where the sign starts no mark.
std::optional<Mark> readMark(QStringView step, qsizetype i)
{
    const char16_t* p = step.utf16();
    const qsizetype n = step.size();
    const QChar c = step[i];
    if (i > 0 && nameChar(step[i - 1]))
        return std::nullopt;
    qsizetype start = i + 1;
    // Ingredient modifiers: @&, @?, @+, @-.
    if (c == QLatin1Char('@') && start < n &&
        (p[start] == u'&' || p[start] == u'?' || p[start] == u'+' || p[start] == u'-'))
        ++start;
    qsizetype nameStart = start, nameEnd = start;
    const QStringView ahead = step.mid(start, qMin(n - start, kMarkSpan));
    const bool path = c == QLatin1Char('@') && (ahead.startsWith(u"./") || ahead.startsWith(u"../"));
    const qsizetype brace = path ? ahead.indexOf(QLatin1Char('{')) : -1;
    if (brace > 0 && !ahead.left(brace).contains(QLatin1Char('\n'))) {
        // Another recipe as an ingredient, "@./sauces/Marinara{}": the
        // name is the path's last part.
        nameStart = start + ahead.left(brace).lastIndexOf(QLatin1Char('/')) + 1;
        nameEnd = start + brace;
    } else {
        // A name of several words runs to its braces.
        qsizetype j = start;
        while (j < n && j - start < kMarkSpan && !nameStop(step[j]))
            ++j;
        if (j < n && p[j] == u'{') {
            nameEnd = j;
        } else {
            while (nameEnd < n && nameChar(step[nameEnd]))
                ++nameEnd;
        }
    }
    Mark mark;
    // Names are mostly simple already, and then not copied.
    mark.rawName = step.mid(nameStart, nameEnd - nameStart);
    if (!isSimplified(mark.rawName))
        mark.simplifiedName = mark.rawName.toString().simplified();
    mark.nameEnd = nameEnd;
    mark.next = nameEnd;
    if (nameEnd < n && p[nameEnd] == u'{') {
        // Amounts are short: a brace further away closes something else.
        const qsizetype close = findIn(step, nameEnd, qMin(n, nameEnd + kMarkSpan), u'}');
        if (close < 0)
            return std::nullopt;
        const QStringView inside = step.mid(nameEnd + 1, close - nameEnd - 1);
        const qsizetype percent = findIn(inside, 0, inside.size(), u'%');
        mark.quantity = (percent < 0 ? inside : inside.left(percent)).trimmed();
        if (mark.quantity.startsWith(QLatin1Char('=')))
            mark.quantity = mark.quantity.mid(1).trimmed();
        if (percent >= 0)
            mark.unit = inside.mid(percent + 1).trimmed();
        mark.next = close + 1;
    }
    if (mark.name().isEmpty() && (c != QLatin1Char('~') || mark.next == nameEnd))
        return std::nullopt;
    if (c == QLatin1Char('@') && mark.next < n && p[mark.next] == u'(') {
        const qsizetype close = findIn(step, mark.next, qMin(n, mark.next + kMarkSpan), u')');
        if (close > 0) {
            mark.note = step.mid(mark.next + 1, close - mark.next - 1);
            mark.next = close + 1;
        }
    }
    return mark;
}

// Adds an ingredient's line, "quantity unit name, note", to the end of ing
// unless ing holds it already (ingLines: the lines of ing).
void addIngredient(const Mark& mark, QString& ing, ListedLines& ingLines)
{
    const qsizetype before = ing.size();
    const qsizetype lineStart = before == 0 ? 0 : before + 1;
    const QString note = mark.note.trimmed().isEmpty() ? QString() : simplifiedText(mark.note);
    const QStringView parts[] = {mark.quantity, mark.unit, mark.name()};
    // The line is written at once into room made for it: a long list has
    // tens of thousands of them.
    qsizetype size = lineStart - before + (note.isEmpty() ? 0 : 2 + note.size());
    for (QStringView part : parts)
        size += part.isEmpty() ? 0 : part.size() + 1;
    ing.resize(before + size);
    char16_t* out = reinterpret_cast<char16_t*>(ing.data());
    qsizetype at = before;
    auto put = [&](QStringView text) {
        std::memcpy(out + at, text.utf16(), size_t(text.size()) * sizeof(char16_t));
        at += text.size();
    };
    if (before > 0)
        out[at++] = u'\n';
    for (QStringView part : parts) {
        if (part.isEmpty())
            continue;
        if (at > lineStart)
            out[at++] = u' ';
        put(part);
    }
    if (!note.isEmpty()) {
        put(u", ");
        put(note);
    }
    ing.truncate(at);
    if (ingLines.listed(ing, lineStart))
        ing.truncate(lineStart - 1);
}

// Adds a step to prep as a paragraph, its marks written as plain words,
// and adds its ingredients to ing, a line each, unless ing holds the line
// already (ingLines: the lines of ing).
void addPlainStep(QStringView step, QString& ing, ListedLines& ingLines, QString& prep)
{
    // Written straight into prep, then simplified there if need be. A
    // mark's plain words are never longer than the mark, so the step's
    // length is room enough; put() grows it all the same.
    const qsizetype before = prep.size();
    const qsizetype paragraph = before > 0 ? before + 2 : 0;
    const qsizetype n = step.size();
    qsizetype room = paragraph + n;
    prep.resize(room);
    char16_t* base = reinterpret_cast<char16_t*>(prep.data());
    if (before > 0)
        base[before] = base[before + 1] = u'\n';
    qsizetype written = paragraph;
    auto put = [&](QStringView text) {
        if (text.isEmpty())
            return; // (and its characters may be no pointer at all)
        if (written + text.size() > room) {
            room = written + text.size() + n;
            prep.resize(room);
            base = reinterpret_cast<char16_t*>(prep.data());
        }
        std::memcpy(base + written, text.utf16(), size_t(text.size()) * sizeof(char16_t));
        written += text.size();
    };
    const char16_t* p = step.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        // Text up to the next mark as it is.
        const qsizetype plain = nextMark(p, i, n);
        put(step.mid(i, plain - i));
        if (plain >= n)
            break;
        i = plain;
        const std::optional<Mark> mark = readMark(step, i);
        if (!mark) {
            put(step.mid(i, 1));
            continue;
        }
        const QChar c = step[i];
        if (c == QLatin1Char('~') && !(mark->quantity.isEmpty() && mark->unit.isEmpty())) {
            // A time: "quantity unit", either of them alone, or its name.
            put(mark->quantity);
            if (!mark->quantity.isEmpty() && !mark->unit.isEmpty())
                put(u" ");
            put(mark->unit);
        } else {
            if (c == QLatin1Char('@'))
                addIngredient(*mark, ing, ingLines);
            put(mark->name());
        }
        i = mark->next - 1;
    }
    prep.truncate(written);
    if (const QStringView added = QStringView(prep).mid(paragraph); !isSimplified(added)) {
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
    QList<QStringView> lines;
    QString ing, prep, joined;
    ListedLines ingLines;
    Metadata meta;
    QStringList noteLines;

    // Emptied, keeping their room.
    void clear()
    {
        lines.clear();
        meta.clear();
        noteLines.clear();
        ing.resize(0);
        prep.resize(0);
        joined.resize(0);
        ingLines.clear();
    }
};

// A copy of text of its own size, not sharing a scratch text's room.
QString ownCopy(const QString& text) { return text.isEmpty() ? QString() : QString(text.constData(), text.size()); }

// Reads the body's lines from first on into scratch: the steps as plain
// text with the ingredients they mark, the section names, the metadata
// lines and the note lines.
void readBody(const QList<QStringView>& body, qsizetype first, Scratch& scratch)
{
    Metadata& meta = scratch.meta;
    QStringList& noteLines = scratch.noteLines;
    // The step being read: its one line, or its lines joined by spaces.
    QStringView firstLine;
    QString& joined = scratch.joined;
    int stepLines = 0;
    auto endStep = [&] {
        if (stepLines > 0)
            addPlainStep(stepLines == 1 ? firstLine : QStringView(joined), scratch.ing, scratch.ingLines, scratch.prep);
        stepLines = 0;
    };
    static thread_local const QRegularExpression metaLine(QStringLiteral("^>>\\s*([^:]+):(.*)$"));
    for (auto it = body.cbegin() + first; it != body.cend(); ++it) {
        const QStringView raw = *it;
        const QStringView line = raw.trimmed();
        // Most lines are a step's: told by their first character.
        const char16_t lead = line.isEmpty() ? u'\0' : line.front().unicode();
        if (line.isEmpty()) {
            endStep();
        } else if (lead != u'>' && lead != u'=') {
            if (++stepLines == 1) {
                firstLine = line;
            } else {
                if (stepLines == 2) {
                    joined.resize(0); // keeps what it holds for the next step
                    joined += firstLine;
                }
                joined += QLatin1Char(' ');
                joined += line;
            }
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
    }
    endStep();
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

} // namespace

RecipeList readCooklang(QStringView text, const QString& fileTitle, const ReadContext& context)
{
    thread_local Scratch scratch;
    scratch.clear();
    RecipeList read;
    Metadata& meta = scratch.meta;
    // Lines as views of the text, its line ends made LF.
    QString unified;
    QList<QStringView>& lines = scratch.lines;
    if (!linesOf(text, lines)) {
        unified = withLineFeeds(text);
        text = unified;
        linesOf(text, lines);
    }
    // Front matter: between a first line "---" and the next one.
    qsizetype bodyStart = 0;
    while (bodyStart < lines.size() && lines[bodyStart].trimmed().isEmpty())
        ++bodyStart;
    if (bodyStart < lines.size() && lines[bodyStart].trimmed() == QLatin1String("---")) {
        for (qsizetype end = bodyStart + 1; end < lines.size(); ++end) {
            if (lines[end].trimmed() == QLatin1String("---")) {
                readFrontMatter(lines, bodyStart + 1, end, meta);
                bodyStart = end + 1;
                break;
            }
        }
    }
    const QStringView bodyText = bodyStart < lines.size() ? text.mid(lines[bodyStart].data() - text.data())
                                                          : QStringView();
    QString uncommented;
    QList<QStringView> uncommentedLines;
    const QList<QStringView>* body = &lines; // from its line bodyStart on
    if (mayHoldComments(bodyText)) {
        uncommented = withoutComments(bodyText);
        linesOf(uncommented, uncommentedLines);
        body = &uncommentedLines;
        bodyStart = 0;
    }

    readBody(*body, bodyStart, scratch);
    QString category;
    Recipe recipe = fromMetadata(meta, scratch.noteLines, fileTitle, context.langOffset, category);
    recipe.ing = ownCopy(scratch.ing);
    recipe.prep = ownCopy(scratch.prep);

    if (recipe.ing.isEmpty() && recipe.prep.isEmpty())
        read.skipped << 1;
    else
        read.add(std::move(recipe), category, context);
    return read;
}

} // namespace bd
