#include "search/search.h"

#include "app/base/text.h"
#include "store/recipebook.h"

#include <QChar>

#include <array>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define BD_SEARCH_SSE2 1
#include <emmintrin.h>
#endif

namespace bd {

namespace {

// A code point lower-cased, as UTF-8. Lower-casing can lengthen a character
// (U+0130 becomes "i" and a combining dot), so a match may also begin
// inside a lowered form.
struct Lowered {
    unsigned char size = 0;
    char bytes[8] = {};
};

constexpr unsigned char asciiLower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

void encode(char32_t cp, Lowered& out)
{
    auto put = [&out](unsigned v) { out.bytes[out.size++] = char(v); };
    if (cp < 0x80) {
        put(cp);
    } else if (cp < 0x800) {
        put(0xC0 | (cp >> 6));
        put(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        put(0xE0 | (cp >> 12));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    } else {
        put(0xF0 | (cp >> 18));
        put(0x80 | ((cp >> 12) & 0x3F));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    }
}

// The two-byte characters (U+0080 to U+07FF: Latin, Greek, Cyrillic, ...)
// lower-cased exactly as QString does it, special cases included.
const std::array<Lowered, 0x800>& twoByteTable()
{
    static const std::array<Lowered, 0x800> table = [] {
        std::array<Lowered, 0x800> t{};
        for (char32_t cp = 0x80; cp < 0x800; ++cp) {
            const QByteArray lowered = QString(QChar(cp)).toLower().toUtf8();
            Lowered& l = t[cp];
            if (lowered.size() > int(sizeof l.bytes)) {
                encode(cp, l);
                continue;
            }
            for (char b : lowered)
                l.bytes[l.size++] = b;
        }
        return t;
    }();
    return table;
}

bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Lower-cases the character that starts at p (a byte of 0x80 or more);
// *used receives its length in bytes. end may be null in a zero-terminated
// text. A byte that does not start a UTF-8
// character stands for itself and, being no keyword's first byte, matches
// nothing.
Lowered lowerAt(const unsigned char* p, const unsigned char* end, int* used)
{
    const unsigned char c = *p;
    // Without an end the text's terminator, no continuation byte, stops the reading.
    const std::ptrdiff_t left = end ? end - p : 4;
    char32_t cp = 0;
    int n = 0;
    if (c >= 0xC2 && c <= 0xDF && left >= 2 && continuation(p[1])) {
        *used = 2;
        return twoByteTable()[((c & 0x1F) << 6) | (p[1] & 0x3F)];
    }
    if (c >= 0xE0 && c <= 0xEF && left >= 3 && continuation(p[1]) && continuation(p[2])) {
        cp = char32_t((c & 0x0F) << 12) | char32_t((p[1] & 0x3F) << 6) | char32_t(p[2] & 0x3F);
        n = (cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF)) ? 3 : 0;
    } else if (c >= 0xF0 && c <= 0xF4 && left >= 4 && continuation(p[1]) && continuation(p[2]) &&
               continuation(p[3])) {
        cp = char32_t((c & 0x07) << 18) | char32_t((p[1] & 0x3F) << 12) | char32_t((p[2] & 0x3F) << 6) |
             char32_t(p[3] & 0x3F);
        n = (cp >= 0x10000 && cp <= 0x10FFFF) ? 4 : 0;
    }
    Lowered l;
    if (n == 0) {
        *used = 1;
        l.bytes[l.size++] = char(c);
        return l;
    }
    *used = n;
    // Beyond U+07FF no character lower-cases to more than one.
    encode(QChar::toLower(cp), l);
    return l;
}

// Whether key follows in the lowered stream made of pending and then the
// text from p on (up to end, or to the terminator when end is null: no
// keyword byte matches it).
bool keyFollows(const QByteArray& key, const char* pending, int pendingSize, const unsigned char* p,
                const unsigned char* end)
{
    const int m = int(key.size());
    const char* k = key.constData();
    int i = 0;
    for (int j = 0; j < pendingSize; ++j, ++i) {
        if (i == m)
            return true;
        if (pending[j] != k[i])
            return false;
    }
    while (i < m) {
        if (p == end)
            return false;
        if (*p < 0x80) {
            if (char(asciiLower(*p)) != k[i])
                return false;
            ++p;
            ++i;
            continue;
        }
        int used = 1;
        const Lowered l = lowerAt(p, end, &used);
        p += used;
        for (int j = 0; j < l.size; ++j, ++i) {
            if (i == m)
                return true;
            if (l.bytes[j] != k[i])
                return false;
        }
    }
    return true;
}

// Whether the lowered text holds key at the character that starts at s.
bool matchesAt(const QByteArray& key, const unsigned char* s, const unsigned char* end)
{
    if (*s < 0x80)
        return keyFollows(key, nullptr, 0, s, end);
    int used = 1;
    const Lowered l = lowerAt(s, end, &used);
    for (int j = 0; j < l.size;) {
        if (keyFollows(key, l.bytes + j, l.size - j, s + used, end))
            return true;
        do
            ++j;
        while (j < l.size && continuation(static_cast<unsigned char>(l.bytes[j])));
    }
    return false;
}

// The ASCII characters that some other character lower-cases to (U+0130
// to "i" and a combining dot, U+212A to "k"): a keyword holding one of them
// there must look closely at every non-ASCII character. No supplementary
// character lower-cases outside its plane, so the BMP is enough.
const std::array<bool, 0x80>& asciiFromOthers()
{
    static const std::array<bool, 0x80> set = [] {
        std::array<bool, 0x80> s{};
        const auto& two = twoByteTable();
        for (char32_t cp = 0x80; cp < 0x800; ++cp)
            for (int i = 0; i < two[cp].size; ++i)
                if (static_cast<unsigned char>(two[cp].bytes[i]) < 0x80)
                    s[static_cast<unsigned char>(two[cp].bytes[i])] = true;
        for (char32_t cp = 0x800; cp < 0x10000; ++cp) {
            const char32_t lowered = QChar::toLower(cp);
            if (lowered < 0x80)
                s[lowered] = true;
        }
        return s;
    }();
    return set;
}

} // namespace

KeywordMatcher::KeywordMatcher(const QString& keyword) : key_(keyword.toLower().toUtf8())
{
    const auto byte = [this](int i) { return static_cast<unsigned char>(key_.at(i)); };
    if (key_.isEmpty())
        return;
    first_ = byte(0) | 0x20;
    leadFirst_ = byte(0) >= 0x80 || asciiFromOthers()[byte(0)];
    pairFilter_ = key_.size() >= 2 && byte(0) < 0x80 && byte(1) < 0x80;
    second_ = pairFilter_ ? (byte(1) | 0x20) : 0;
    leadSecond_ = pairFilter_ && asciiFromOthers()[byte(1)];
    // A zero byte in the keyword would match a text's terminator.
    terminatorSafe_ = !key_.contains('\0');
}

#ifdef BD_SEARCH_SSE2
namespace {

// Candidates are the bytes that may start a match: an ASCII byte equal to
// the keyword's first byte in either letter case (followed by one that may
// be its second), or, where the keyword needs it, the first byte of any
// other character, whose lower-case form is then looked at. Setting bit
// 0x20 folds letter case and pairs every other byte with one twin, so it
// only widens the candidates; each is then checked exactly.
struct Candidates {
    Candidates(unsigned char firstByte, unsigned char secondByte, bool pairFilter, bool leadMayFirst,
               bool leadMaySecond)
        : first(_mm_set1_epi8(char(firstByte))), second(_mm_set1_epi8(char(secondByte))), pair(pairFilter),
          leadFirst(leadMayFirst), leadSecond(leadMaySecond)
    {
    }

    __m128i first, second, caseBit = _mm_set1_epi8(0x20), leadMin = _mm_set1_epi8(char(0xC0));
    bool pair, leadFirst, leadSecond;

    __m128i lead(__m128i v) const { return _mm_cmpeq_epi8(_mm_max_epu8(v, leadMin), v); }

    // a: 16 bytes of text; b: the 16 bytes one further on.
    unsigned operator()(__m128i a, __m128i b) const
    {
        __m128i hit = _mm_cmpeq_epi8(_mm_or_si128(a, caseBit), first);
        if (pair) {
            __m128i next = _mm_cmpeq_epi8(_mm_or_si128(b, caseBit), second);
            if (leadSecond)
                next = _mm_or_si128(next, lead(b));
            hit = _mm_and_si128(hit, next);
        }
        if (leadFirst)
            hit = _mm_or_si128(hit, lead(a));
        return unsigned(_mm_movemask_epi8(hit));
    }
};

} // namespace
#endif

bool KeywordMatcher::foundIn(const char* text, std::size_t size) const
{
    // An empty keyword is found in every text that is not empty.
    if (key_.isEmpty())
        return size > 0;
    const auto* i = reinterpret_cast<const unsigned char*>(text);
    const auto* const end = i + size;
#ifdef BD_SEARCH_SSE2
    const Candidates candidates(first_, second_, pairFilter_, leadFirst_, leadSecond_);
    for (; end - i >= 17; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(i + 1));
        for (unsigned mask = candidates(a, b); mask; mask &= mask - 1)
            if (matchesAt(key_, i + qCountTrailingZeroBits(mask), end))
                return true;
    }
#endif
    for (; i < end; ++i)
        if (((*i | 0x20) == first_ || (*i >= 0xC0 && leadFirst_)) && matchesAt(key_, i, end))
            return true;
    return false;
}

// The end of the text is found in the same pass as the candidates. The
// blocks read are 16-byte aligned, so none reaches into a page the text
// does not touch, although the first and the last may hold bytes before or
// after it; those are masked off.
#if defined(BD_SEARCH_SSE2) && (defined(__GNUC__) || defined(__clang__))
__attribute__((no_sanitize_address))
#endif
bool KeywordMatcher::foundIn(const char* text) const
{
#ifdef BD_SEARCH_SSE2
    if (key_.isEmpty() || !terminatorSafe_)
        return foundIn(text, std::char_traits<char>::length(text));
    const Candidates candidates(first_, second_, pairFilter_, leadFirst_, leadSecond_);
    const __m128i zero = _mm_setzero_si128();
    const auto* i = reinterpret_cast<const unsigned char*>(reinterpret_cast<quintptr>(text) & ~quintptr(15));
    unsigned inText = 0xFFFFu << (reinterpret_cast<const unsigned char*>(text) - i);
    __m128i a = _mm_load_si128(reinterpret_cast<const __m128i*>(i));
    for (;;) {
        const unsigned terminator = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(a, zero))) & inText;
        if (terminator) {
            const int length = qCountTrailingZeroBits(terminator);
            const unsigned before = (1u << length) - 1;
            for (unsigned mask = candidates(a, _mm_srli_si128(a, 1)) & inText & before; mask; mask &= mask - 1)
                if (matchesAt(key_, i + qCountTrailingZeroBits(mask), i + length))
                    return true;
            return false;
        }
        // The text goes on, so the next block holds at least one of its bytes.
        const __m128i next = _mm_load_si128(reinterpret_cast<const __m128i*>(i + 16));
        // A book's texts lie in reading order, so what follows is soon read:
        // the rest of this text, or the next fields and recipes.
        _mm_prefetch(reinterpret_cast<const char*>(i) + 1024, _MM_HINT_T0);
        const __m128i b = _mm_or_si128(_mm_srli_si128(a, 1), _mm_slli_si128(next, 15));
        // The end is not known yet; the terminator stops every comparison.
        for (unsigned mask = candidates(a, b) & inText; mask; mask &= mask - 1)
            if (matchesAt(key_, i + qCountTrailingZeroBits(mask), nullptr))
                return true;
        inText = 0xFFFFu;
        a = next;
        i += 16;
    }
#else
    return foundIn(text, std::char_traits<char>::length(text));
#endif
}

SearchHits searchRecs(const RecipeBook& book, const QString& keyword)
{
    const KeywordMatcher matcher(keyword);
    SearchHits hits;
    QString cname;
    int named = -1; // the category cname is the name of
    book.forEachRecipe([&](pugi::xml_node recipe, int position) {
        // The fields by position: the title, then ingredients, preparation
        // and notes; the first that holds the keyword ends the tests.
        const char* title = "";
        constexpr quint32 unsearched = (1u << RPrepTime) | (1u << RCookTime) | (1u << RYield);
        const bool found = !RecipeBook::forEachText(
            recipe, ROther,
            [&](int child, const char* text) {
                if (child == RTitle)
                    title = text;
                return !matcher.foundIn(text);
            },
            unsearched);
        if (!found)
            return;
        if (named != position) {
            cname = RecipeBook::categoryOf(recipe);
            named = position;
        }
        hits.titles << qstr(title);
        hits.categories << cname;
    });
    return hits;
}

QString resultCountLine(int count) { return QString::number(count) + QLatin1Char(' ') + fetchText(Str::RecipesFound); }

SearchLayout layoutSearch(int textFontSize)
{
    // Window width, width of the keyword box, result list and count line,
    // left of the button frame (from the window's outer edge), height of
    // the count line; and the heights chosen to fit each text size.
    struct Row {
        double window, content, buttonsLeft, countHeight, keywordHeight, listHeight;
    };
    static const Row small{3060, 2600, 398, 240, 315, 2400};
    static const Row medium{3945, 3500, 840, 300, 360, 2880};
    static const Row large{5100, 4700, 1418, 300, 405, 3360};
    const Row& r = textFontSize == 8 ? small : textFontSize == 10 ? medium : large;

    constexpr double border = 60; // each side of a fixed single border
    constexpr double gap = 120;
    SearchLayout l;
    l.windowWidth = r.window;
    l.clientWidth = r.window - 2 * border;
    const double left = (l.clientWidth - r.content) / 2;
    l.lblHeader = {left, 120, r.content, 420};
    l.txtKeyword = {left, l.lblHeader.bottom() + 60, r.content, r.keywordHeight};
    l.fraBtn = {r.buttonsLeft - border, l.txtKeyword.bottom() + gap, r.window - 2 * r.buttonsLeft, 585};
    const double buttonWidth = 990;
    l.cmdSearch = {90, 105, buttonWidth, 375};
    l.cmdCancel = {l.fraBtn.width - 90 - buttonWidth, 105, buttonWidth, 375};
    l.lstResults = {left, l.fraBtn.bottom() + gap, r.content, r.listHeight};
    l.lblCount = {left, l.lstResults.bottom() + 60, r.content, r.countHeight};
    l.clientHeight = l.lblCount.bottom() + gap;
    return l;
}

} // namespace bd
