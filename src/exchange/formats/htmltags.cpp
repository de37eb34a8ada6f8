#include "exchange/formats/htmltags.h"

#include "exchange/formats/htmltext.h"
#include "store/charscan.h"

#include <algorithm>
#include <climits>

namespace bd {

namespace {

char16_t asciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; }

// Whether a tag's name has capitals: nextTag gives such a name in small
// letters, others as they stand.
bool hasCapitals(QStringView name)
{
    return std::any_of(name.begin(), name.end(), [](QChar c) {
        return c.unicode() < 128 ? c.unicode() >= u'A' && c.unicode() <= u'Z' : c.isUpper();
    });
}

// A letter, digit or '-': what a tag's name is made of, in ASCII.
bool isAsciiNameChar(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-';
}

// Where key (ASCII) next stands in text from from on,
// letter case ignored as indexOf(key, from, Qt::CaseInsensitive) ignores
// it; -1 for nowhere. A tag's attributes are short: a plain loop is many
// times quicker than that general search.
qsizetype findKey(QStringView text, QLatin1String key, qsizetype from)
{
    const char16_t* p = text.utf16();
    for (qsizetype at = from; at + key.size() <= text.size(); ++at) {
        qsizetype j = 0;
        for (; j < key.size(); ++j) {
            const char16_t c = p[at + j];
            const char16_t k = char16_t(key[j].unicode());
            if (c < 128 ? asciiLower(c) != asciiLower(k) : QChar(c).toCaseFolded().unicode() != asciiLower(k))
                break;
        }
        if (j == key.size())
            return at;
    }
    return -1;
}

} // namespace

QString Tag::attribute(const char* wanted) const
{
    const QLatin1String key(wanted);
    qsizetype from = 0;
    while ((from = findKey(attributes, key, from)) >= 0) {
        const bool wordStart = from == 0 || attributes[from - 1].isSpace();
        qsizetype i = from + key.size();
        from = i;
        while (i < attributes.size() && attributes[i].isSpace())
            ++i;
        if (!wordStart || i >= attributes.size() || attributes[i] != QLatin1Char('='))
            continue;
        ++i;
        while (i < attributes.size() && attributes[i].isSpace())
            ++i;
        if (i >= attributes.size())
            return QString();
        const QChar quote = attributes[i];
        qsizetype end;
        if (quote == QLatin1Char('"') || quote == QLatin1Char('\'')) {
            end = attributes.indexOf(quote, i + 1);
            ++i;
        } else {
            end = i;
            while (end < attributes.size() && !attributes[end].isSpace())
                ++end;
        }
        return decodeEntities(attributes.mid(i, (end < 0 ? attributes.size() : end) - i)).trimmed();
    }
    return QString();
}

namespace {

// Where c next stands from from, or -1. Tags mostly stand close together,
// where a look eight characters at a time, in place, beats the call of a
// search that is quicker only over long text.
qsizetype nextOf(QStringView html, char16_t c, qsizetype from)
{
    const char16_t* p = html.utf16();
    const qsizetype n = html.size();
    qsizetype i = qMax<qsizetype>(from, 0);
    if constexpr (charscan::kBlocks) {
        for (; i + 8 <= n; i += 8)
            if (const unsigned m = charscan::equal(charscan::load(p + i), c))
                return i + qsizetype(qCountTrailingZeroBits(m) / 2);
    }
    for (; i < n; ++i)
        if (p[i] == c)
            return i;
    return -1;
}

} // namespace

namespace {

// Where a tag stands, as nextTag finds it, without its name or attributes
// taken: a look for the end of an element passes over many tags and wants
// only their names compared.
struct TagSpan {
    qsizetype start = -1; // '<', or -1 for no tag
    qsizetype nameStart = 0, nameEnd = 0;
    qsizetype end = 0; // after '>'
    bool closing = false;
};

// Where the next '<' from from on stands that may open or close a tag
// whose name starts with the small letter first (in either case), or
// start a comment; -1 where none does. The many other tags of a page are
// passed over eight characters at a time where the processor can.
qsizetype nextTagOf(QStringView html, char16_t first, qsizetype from)
{
    const char16_t* p = html.utf16();
    const qsizetype n = html.size();
    const char16_t capital = first >= u'a' && first <= u'z' ? char16_t(first - 32) : first;
    qsizetype i = qMax<qsizetype>(from, 0);
    if constexpr (charscan::kBlocks) {
        using namespace charscan;
        for (; i + 10 <= n; i += 8) {
            const unsigned open = equal(load(p + i), u'<');
            if (!open)
                continue;
            const Block next = load(p + i + 1), after = load(p + i + 2);
            const unsigned named = equal(next, first) | equal(next, capital);
            const unsigned closing = equal(next, u'/') & (equal(after, first) | equal(after, capital));
            if (const unsigned m = open & (named | closing | equal(next, u'!')))
                return i + qsizetype(qCountTrailingZeroBits(m) / 2);
        }
    }
    for (; i < n; ++i) {
        const char16_t a = i + 1 < n ? p[i + 1] : u'\0', b = i + 2 < n ? p[i + 2] : u'\0';
        if (p[i] == u'<' && (a == first || a == capital || a == u'!' || (a == u'/' && (b == first || b == capital))))
            return i;
    }
    return -1;
}

// The next tag from from on; with first (a small ASCII letter), the next
// whose name starts with it, the others passed over.
TagSpan nextTagSpan(QStringView html, qsizetype from, char16_t first = 0)
{
    // The parts of the page are taken where they stand (not by mid(),
    // which is a call of its own): a page has tens of thousands of tags.
    const char16_t* p = html.utf16();
    const qsizetype n = html.size();
    auto nextOpen = [&](qsizetype at) { return first ? nextTagOf(html, first, at) : nextOf(html, u'<', at); };
    for (qsizetype i = nextOpen(from); i >= 0; i = nextOpen(i + 1)) {
        if (i + 3 < n && p[i + 1] == u'!' && p[i + 2] == u'-' && p[i + 3] == u'-') {
            const qsizetype end = html.indexOf(QLatin1String("-->"), i);
            if (end < 0)
                return {};
            i = end;
            continue;
        }
        qsizetype k = i + 1;
        const bool closing = k < n && p[k] == u'/';
        if (closing)
            ++k;
        const qsizetype nameStart = k;
        while (k < n && (p[k] < 128 ? isAsciiNameChar(p[k]) : QChar(p[k]).isLetterOrNumber()))
            ++k;
        if (k == nameStart)
            continue;
        const qsizetype end = nextOf(html, u'>', k);
        if (end < 0)
            return {};
        return {i, nameStart, k, end + 1, closing};
    }
    return {};
}

} // namespace

Tag nextTag(QStringView html, qsizetype from)
{
    const TagSpan span = nextTagSpan(html, from);
    Tag tag;
    if (span.start < 0)
        return tag;
    const char16_t* p = html.utf16();
    tag.start = span.start;
    tag.end = span.end;
    // Most pages write their names in small letters: such a name is not
    // copied (the tag points into the page as its attributes do).
    const QStringView name(p + span.nameStart, span.nameEnd - span.nameStart);
    tag.name = hasCapitals(name) ? name.toString().toLower() : QString::fromRawData(name.data(), name.size());
    tag.attributes = QStringView(p + span.nameEnd, span.end - 1 - span.nameEnd);
    tag.closing = span.closing;
    return tag;
}

bool voidElement(const QString& name)
{
    // Asked for each element whose end is looked for: compared in place.
    for (const QLatin1String v :
         {QLatin1String("meta"), QLatin1String("img"), QLatin1String("link"), QLatin1String("br"), QLatin1String("hr"),
          QLatin1String("input"), QLatin1String("source")})
        if (name == v)
            return true;
    return false;
}

qsizetype elementEnd(QStringView html, const Tag& open, qsizetype limit, int maxTags)
{
    if (voidElement(open.name) || open.attributes.endsWith(QLatin1Char('/')))
        return open.end;
    const char16_t* p = html.utf16();
    // A name as nextTag gives it (in small letters) is the open tag's.
    const auto sameName = [&](QStringView name) {
        if (name.size() != open.name.size())
            return false;
        return hasCapitals(name) ? name.toString().toLower() == open.name : name == open.name;
    };
    // Without a limit on the tags looked at, only those named with the
    // same first letter are.
    const char16_t lead = open.name.isEmpty() ? u'\0' : open.name.front().unicode();
    const char16_t first = maxTags == INT_MAX && lead >= u'a' && lead <= u'z' ? lead : u'\0';
    int depth = 1, tags = 0;
    for (TagSpan t = nextTagSpan(html, open.end, first); t.start >= 0 && t.start < limit;
         t = nextTagSpan(html, t.end, first)) {
        if (++tags > maxTags)
            return t.start;
        if (!sameName(QStringView(p + t.nameStart, t.nameEnd - t.nameStart)))
            continue;
        // A tag closed by "/>" opens nothing.
        const bool selfClosing = t.end - 1 > t.nameEnd && p[t.end - 2] == u'/';
        depth += t.closing ? -1 : (selfClosing ? 0 : 1);
        if (depth == 0)
            return t.end;
    }
    return limit;
}

} // namespace bd
