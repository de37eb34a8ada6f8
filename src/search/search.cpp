#include "search/search.h"

#include "app/base/text.h"
#include "search/fold.h"
#include "store/listsort.h"
#include "store/recipebook.h"

#include <QChar>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <limits>
#include <numeric>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define BD_SEARCH_SSE2 1
#include <emmintrin.h>
#endif

namespace bd {

namespace {

// A character of the text folded, as UTF-8.
struct Folded {
    unsigned char size = 0;
    char bytes[12] = {};
};

constexpr unsigned char asciiFold(unsigned char c)
{
    return c >= 'A' && c <= 'Z'                                              ? c + ('a' - 'A')
           : (c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') ? ' '
                                                                             : c;
}

void encode(char32_t cp, Folded& out)
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

Folded folded(char32_t cp)
{
    const FoldedChar f = foldChar(cp);
    Folded out;
    for (int i = 0; i < f.size && out.size + 4 <= int(sizeof out.bytes); ++i)
        encode(f.cp[i], out);
    return out;
}

// The two-byte characters (U+0080 to U+07FF: Latin, Greek, Cyrillic, the
// combining marks, ...) folded ahead.
const std::array<Folded, 0x800>& twoByteTable()
{
    static const std::array<Folded, 0x800> table = [] {
        std::array<Folded, 0x800> t{};
        for (char32_t cp = 0x80; cp < 0x800; ++cp)
            t[cp] = folded(cp);
        return t;
    }();
    return table;
}

bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Folds the character that starts at p (a byte of 0x80 or more); *used
// receives its length in bytes. end may be null in a zero-terminated text.
// A byte that does not start a UTF-8 character stands for itself and,
// being no keyword's byte, matches nothing.
Folded foldAt(const unsigned char* p, const unsigned char* end, int* used)
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
    if (n == 0) {
        *used = 1;
        Folded l;
        l.bytes[l.size++] = char(c);
        return l;
    }
    *used = n;
    return folded(cp);
}

// Whether key follows in the folded stream made of pending and then the
// text from p on (up to end, or to the terminator when end is null: no
// keyword byte matches it). A space in the key stands for any run of white
// space in the text; characters that fold to nothing (combining marks) are
// passed over.
bool keyFollows(const QByteArray& key, const char* pending, int pendingSize, const unsigned char* p,
                const unsigned char* end)
{
    const int m = int(key.size());
    const char* k = key.constData();
    if (pendingSize == 0) {
        // Most texts and keys are ASCII: they are compared byte by byte
        // until a byte of either is not, or the key has a space.
        const unsigned char* q = p;
        int j = 0;
        for (; j < m && q != end && *q < 0x80 && k[j] != ' '; ++j, ++q)
            if (char(asciiFold(*q)) != k[j])
                return false;
        if (j == m)
            return true;
        if (q == end)
            return false;
    }
    int i = 0;
    bool inSpace = false; // a space of the key matched: more white space may follow
    const char* unit = pending;
    int unitSize = pendingSize;
    char ascii = 0;
    Folded wide;
    for (;;) {
        if (inSpace && unitSize == 1 && unit[0] == ' ') {
            unitSize = 0;
        } else if (unitSize > 0) {
            inSpace = false;
            for (int j = 0; j < unitSize; ++j, ++i) {
                if (i == m)
                    return true;
                if (unit[j] != k[i])
                    return false;
            }
            inSpace = k[i - 1] == ' ';
        }
        if (i == m)
            return true;
        if (p == end)
            return false;
        if (*p < 0x80) {
            ascii = char(asciiFold(*p++));
            unit = &ascii;
            unitSize = 1;
        } else {
            int used = 1;
            wide = foldAt(p, end, &used);
            p += used;
            unit = wide.bytes;
            unitSize = wide.size;
        }
    }
}

// Whether the folded text holds key at the character that starts at s.
bool matchesAt(const QByteArray& key, const unsigned char* s, const unsigned char* end)
{
    if (*s < 0x80)
        return keyFollows(key, nullptr, 0, s, end);
    int used = 1;
    const Folded l = foldAt(s, end, &used);
    for (int j = 0; j < l.size;) {
        if (keyFollows(key, l.bytes + j, l.size - j, s + used, end))
            return true;
        do
            ++j;
        while (j < l.size && continuation(static_cast<unsigned char>(l.bytes[j])));
    }
    return false;
}

// The ASCII characters that some other character folds to, or to a form
// holding them ("é" to "e", U+212A to "k"): a keyword starting with one of
// them must look closely at every non-ASCII character. No supplementary
// character folds outside its plane, so the BMP is enough.
const std::array<bool, 0x80>& asciiFromOthers()
{
    static const std::array<bool, 0x80> set = [] {
        std::array<bool, 0x80> s{};
        for (char32_t cp = 0x80; cp < 0x10000; ++cp) {
            if (cp >= 0xD800 && cp <= 0xDFFF)
                continue;
            const FoldedChar f = foldChar(cp);
            for (int i = 0; i < f.size; ++i)
                if (f.cp[i] < 0x80)
                    s[f.cp[i]] = true;
        }
        return s;
    }();
    return set;
}

} // namespace

KeywordMatcher::KeywordMatcher(const QString& keyword) : key_(foldText(keyword).trimmed().toUtf8())
{
    const auto byte = [this](int i) { return static_cast<unsigned char>(key_.at(i)); };
    if (key_.isEmpty())
        return;
    first_ = byte(0) | 0x20;
    leadFirst_ = byte(0) >= 0x80 || asciiFromOthers()[byte(0)];
    // The second byte narrows the candidates when both are ASCII and it is
    // no space (which stands for any white space). A combining mark may
    // come between the first character and the second.
    pairFilter_ = key_.size() >= 2 && byte(0) < 0x80 && byte(1) < 0x80 && byte(1) != ' ';
    second_ = pairFilter_ ? (byte(1) | 0x20) : 0;
    leadSecond_ = pairFilter_;
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

QueryMatcher::QueryMatcher(const SearchQuery& query)
{
    for (const QVector<SearchTerm>& group : query.required) {
        groups_.append({int(terms_.size()), int(terms_.size() + group.size())});
        for (const SearchTerm& t : group)
            terms_.push_back({KeywordMatcher(t.text), t.fields});
    }
    // Nothing asked for finds every recipe with some text, as an empty keyword always has.
    if (query.isEmpty()) {
        groups_.append({0, 1});
        terms_.push_back({KeywordMatcher(QString()), InRecipeTexts});
    }
    firstExcluded_ = int(terms_.size());
    for (const SearchTerm& t : query.excluded)
        terms_.push_back({KeywordMatcher(t.text), t.fields});
    inCategory_.assign(terms_.size(), false);
}

void QueryMatcher::enterCategory(const char* name)
{
    for (std::size_t i = 0; i < terms_.size(); ++i)
        inCategory_[i] = (terms_[i].fields & InCategory) && terms_[i].matcher.foundIn(name);
}

bool QueryMatcher::foundBesideTitle(const Term& term, int index, const Texts& texts) const
{
    const unsigned f = term.fields;
    return ((f & InIngredients) && term.matcher.foundIn(texts.ingredients())) ||
           ((f & InPreparation) && term.matcher.foundIn(texts.preparation())) ||
           ((f & InNotes) && term.matcher.foundIn(texts.notes())) || inCategory_[std::size_t(index)];
}

bool QueryMatcher::found(const Term& term, int index, const Texts& texts) const
{
    return ((term.fields & InTitle) && term.matcher.foundIn(texts.title())) || foundBesideTitle(term, index, texts);
}

const char* QueryMatcher::Texts::text(int child) const
{
    // The four searched, in the order of their elements.
    const auto slot = [](int element) {
        switch (element) {
        case RTitle: return 0;
        case RIng: return 1;
        case RPrep: return 2;
        case ROther: return 3;
        default: return -1;
        }
    };
    if (child == RTitle && titleKnown_)
        return texts_[0];
    while (elements_ <= child && !ended_) {
        last_ = elements_ == 0 && !last_ ? recipe_.first_child() : last_.next_sibling();
        if (!last_) {
            ended_ = true;
            break;
        }
        if (last_.type() != pugi::node_element)
            continue;
        const int at = elements_++;
        if (slot(at) >= 0)
            texts_[slot(at)] = last_.child_value();
    }
    return texts_[slot(child)];
}

bool QueryMatcher::matches(const Texts& texts, int* titleScore) const
{
    int score = 0;
    for (const QPair<int, int>& group : groups_) {
        // Each term's title first: a group the title holds counts for the score.
        bool any = false, inTitle = false;
        for (int i = group.first; i < group.second && !inTitle; ++i) {
            const Term& t = terms_[std::size_t(i)];
            inTitle = (t.fields & InTitle) && t.matcher.foundIn(texts.title());
            any = any || inTitle || foundBesideTitle(t, i, texts);
        }
        if (!any)
            return false;
        score += inTitle ? 1 : 0;
    }
    for (int i = firstExcluded_; i < int(terms_.size()); ++i)
        if (found(terms_[std::size_t(i)], i, texts))
            return false;
    if (titleScore)
        *titleScore = score;
    return true;
}

namespace {

// What of(i) gives for each of the first count hits.
template <typename F>
QStringList eachHit(int count, F&& of)
{
    QStringList out;
    out.reserve(count);
    for (int i = 0; i < count; ++i)
        out << of(i);
    return out;
}

} // namespace

QStringList SearchHits::titles() const
{
    return eachHit(size(), [this](int i) { return title(i); });
}

QStringList SearchHits::categories() const
{
    return eachHit(size(), [this](int i) { return category(i); });
}

void SearchHits::enterCategory(const QString& name) { categoryNames_ << name; }

QString SearchHits::title(int i) const
{
    const int place = places[i];
    return QString::fromUtf8(titles_->title(place), titles_->length(place));
}

void SearchHits::add(int titleScore, int place)
{
    categoryOf_ << int(categoryNames_.size()) - 1;
    titleScores << titleScore;
    places << place;
}

BookSearch::BookSearch(const RecipeBook& book, const QString& query)
    : book_(book), version_(book.titlesVersion()), matcher_(parseQuery(query)), titles_(book.titleList()),
      hits_(titles_)
{
}

bool BookSearch::step(int count)
{
    if (done_)
        return true;
    // Places in book order name other recipes once one is added or removed:
    // the search starts again.
    std::shared_ptr<const RecipeBook::TitleList> now = book_.titleList();
    if (book_.titlesVersion() != version_ || now != titles_) {
        version_ = book_.titlesVersion();
        titles_ = std::move(now);
        place_ = 0;
        nextCategory_ = 0;
        hits_ = SearchHits(titles_);
    }
    const RecipeBook::TitleList& titles = *titles_;
    const std::vector<RecipeBook::TitleList::CategoryStart>& categories = titles.categories();
    int place = place_;
    done_ = !book_.walkRecipes(
        place_, count,
        [&](pugi::xml_node recipe) {
            if (nextCategory_ < categories.size() && categories[nextCategory_].place == place) {
                const QString name = book_.categoryName(categories[nextCategory_++].position);
                matcher_.enterCategory(name.toUtf8().constData());
                hits_.enterCategory(name);
            }
            // The recipe itself is read only when its title does not answer.
            const QueryMatcher::Texts texts(recipe, titles.title(place));
            int titleScore = 0;
            if (matcher_.matches(texts, &titleScore))
                hits_.add(titleScore, place);
            fetchAhead_ = texts.readRecipe();
            ++place;
        },
        fetchAhead_);
    return done_;
}

SearchHits searchRecs(const RecipeBook& book, const QString& query)
{
    BookSearch search(book, query);
    search.step(std::numeric_limits<int>::max());
    return search.hits();
}

bool storedTitleBefore(const char* a, const char* b) { return listLess(QString::fromUtf8(a), QString::fromUtf8(b)); }

ListOrdering::ListOrdering(const SearchHits& hits, const RecipeBook* book, RecipeBook::TitlesVersion version)
    : hits_(hits), book_(book), version_(version)
{
    ranks_ = keptRanks();
}

std::vector<int> ListOrdering::keptRanks() const
{
    const RecipeBook::TitleRanks* kept = book_ && book_->titlesVersion() == version_ &&
                                                 hits_.places.size() == hits_.size()
                                             ? book_->titleRanks(storedTitleBefore)
                                             : nullptr;
    if (!kept)
        return {};
    std::vector<int> ranks(std::size_t(hits_.size()));
    for (int i = 0; i < hits_.size(); ++i) {
        const int place = hits_.places[i];
        if (place < 0 || std::size_t(place) >= kept->size())
            return {};
        ranks[std::size_t(i)] = (*kept)[std::size_t(place)];
    }
    return ranks;
}

bool ListOrdering::step(int count)
{
    const int total = hits_.size();
    if (!ranks_.empty())
        return true;
    keys_.reserve(std::size_t(total));
    for (int i = int(keys_.size()); i < total && count > 0; ++i, --count)
        keys_.push_back(listSortKey(hits_.title(i)));
    return int(keys_.size()) == total;
}

QVector<int> ListOrdering::order() const
{
    const int total = hits_.size();
    QVector<int> order(total);
    std::iota(order.begin(), order.end(), 0);
    if (total == 0)
        return order;
    // The places taken at the start serve while the book keeps them.
    const RecipeBook::TitleRanks* kept = ranks_.empty() || book_->titlesVersion() != version_
                                             ? nullptr
                                             : book_->titleRanks(storedTitleBefore);
    if (kept) {
        // Each title has a place of its own: the hits in place order, then
        // the scores from the highest, a pass over the places each.
        std::vector<int> byPlace(kept->size(), -1);
        for (int i = 0; i < total; ++i)
            byPlace[std::size_t(ranks_[std::size_t(i)])] = i;
        // A score counts the query's groups a title answers: there are few.
        std::vector<int> scores;
        for (const int score : hits_.titleScores)
            if (std::find(scores.cbegin(), scores.cend(), score) == scores.cend())
                scores.push_back(score);
        std::sort(scores.begin(), scores.end(), std::greater<int>());
        int at = 0;
        for (const int score : scores)
            for (const int i : byPlace)
                if (i >= 0 && hits_.titleScores[i] == score)
                    order[at++] = i;
        return order;
    }
    for (int i = int(keys_.size()); i < total; ++i) // the book changed since the start
        keys_.push_back(listSortKey(hits_.title(i)));
    // List order first, equal titles in book order; then by the titles' scores.
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return keys_[std::size_t(a)].compare(keys_[std::size_t(b)]) < 0; });
    if (book_ && total == book_->recipeCount() && hits_.places.size() == total && book_->titlesVersion() == version_) {
        // Every title of the book: their places serve the next lists.
        RecipeBook::TitleRanks kept(std::size_t(total), -1);
        bool each = true; // one hit for each recipe
        for (int rank = 0; rank < total && each; ++rank) {
            const int place = hits_.places[order[rank]];
            each = place >= 0 && place < total && kept[std::size_t(place)] < 0;
            if (each)
                kept[std::size_t(place)] = rank;
        }
        if (each)
            book_->keepTitleRanks(std::move(kept), version_);
    }
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return hits_.titleScores[a] > hits_.titleScores[b]; });
    return order;
}

namespace {

// Each title's place in list order, equal titles in book order, as a list of
// every title leaves them; none once stop is set.
RecipeBook::TitleRanks rankedTitles(const RecipeBook::TitleList& titles, const std::atomic<bool>& stop)
{
    const QCollator collator = listCollator(); // one of its own: this runs on another thread
    const int total = titles.size();
    std::vector<QCollatorSortKey> keys;
    keys.reserve(std::size_t(total));
    for (int place = 0; place < total; ++place) {
        if (place % 1024 == 0 && stop)
            return {};
        keys.push_back(collator.sortKey(QString::fromUtf8(titles.title(place), titles.length(place))));
    }
    std::vector<int> byRank(static_cast<std::size_t>(total));
    std::iota(byRank.begin(), byRank.end(), 0);
    std::stable_sort(byRank.begin(), byRank.end(),
                     [&keys](int a, int b) { return keys[std::size_t(a)].compare(keys[std::size_t(b)]) < 0; });
    if (stop)
        return {};
    RecipeBook::TitleRanks ranks(std::size_t(total), -1);
    for (int rank = 0; rank < total; ++rank)
        ranks[std::size_t(byRank[std::size_t(rank)])] = rank;
    return ranks;
}

} // namespace

void rankTitlesAside(const RecipeBook& book) { book.rankAside(rankedTitles); }

QVector<int> listOrder(const SearchHits& hits)
{
    ListOrdering ordering(hits);
    ordering.step(std::numeric_limits<int>::max());
    return ordering.order();
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
