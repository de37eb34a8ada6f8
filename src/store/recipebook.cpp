#include "store/recipebook.h"

#include "store/bookwriter.h"
#include "store/charscan.h"
#include "store/encoding.h"

#include <QBuffer>
#include <QDate>
#include <QFile>
#include <QLocale>

#include <algorithm>
#include <chrono>
#include <future>
#include <cstring>
#include <limits>

namespace bd {

const char* const kRecipeChildNames[RChildCount] = {
    "title", "preptime", "cooktime", "yield", "ing", "prep", "other", "date", "image"};

const QByteArray kEmptyBook("<recipebook></recipebook>\r\n");

QString& Recipe::operator[](int i)
{
    QString* f[] = {&title, &preptime, &cooktime, &yield, &ing, &prep, &other, &date, &image};
    return *f[i];
}

const QString& Recipe::operator[](int i) const { return const_cast<Recipe&>(*this)[i]; }

namespace {

bool isRecipeBook(const pugi::xml_document& doc)
{
    int elements = 0;
    for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling())
        if (n.type() == pugi::node_element)
            ++elements;
    return elements == 1 && std::strcmp(doc.document_element().name(), "recipebook") == 0;
}

bool checkParse(const pugi::xml_document& doc, const pugi::xml_parse_result& r, QString* error)
{
    if (!r) {
        if (error)
            *error = QString::fromUtf8(r.description()) + QStringLiteral(" (offset %1)").arg(qint64(r.offset));
        return false;
    }
    if (!isRecipeBook(doc)) {
        if (error)
            *error = QStringLiteral("the document is not a recipe book");
        return false;
    }
    return true;
}

// True when data is read as UTF-8: no UTF-16 or UTF-32 start and no
// declaration naming another encoding.
bool readAsUtf8(const char* data, size_t size)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    if (size >= 2 && ((p[0] == 0xFE && p[1] == 0xFF) || (p[0] == 0xFF && p[1] == 0xFE) || p[0] == 0 || p[1] == 0))
        return false;
    const QByteArray head = QByteArray::fromRawData(data, qsizetype(qMin<size_t>(size, 256)));
    if (!head.startsWith("<?xml"))
        return true;
    const qsizetype close = head.indexOf("?>");
    const qsizetype at = head.indexOf("encoding");
    if (close < 0 || at < 0 || at > close)
        return true;
    const QByteArray rest = head.mid(at, close - at).toLower();
    return rest.contains("utf-8") || rest.contains("utf8");
}

// True for the characters XML 1.0 allows in a document.
bool xmlCharacter(quint32 c)
{
    return c == 0x09 || c == 0x0A || c == 0x0D || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// What one look over a book's bytes found.
struct TextLook {
    bool utf8 = true;              // no byte needs reading as Windows-1252
    bool mayHoldForbidden = false; // a raw control character or a character reference
};

// Looks over the bytes of a book read as UTF-8 for the two things that
// make it need work before it is parsed: bytes that are not UTF-8, and
// characters XML 1.0 forbids (a raw control character, or a character
// reference, checked closely by dropForbiddenCharacters). Only the bytes
// from 0x80 up, '&' and control characters are looked at one by one.
TextLook lookOver(const char* data, size_t size)
{
    using namespace charscan;
    TextLook look;
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    const auto* const end = p + size;
    unsigned kinds = kHighBytes | kXmlSuspects; // what is still to be found
    while (kinds && (p = firstOf(p, end, kinds)) != end) {
        if (*p >= 0x80) {
            if (const int n = utf8SequenceLength(p, end)) {
                p += n;
                continue;
            }
            look.utf8 = false;
            kinds &= ~unsigned(kHighBytes);
        } else if (*p != '&' || (end - p > 1 && p[1] == '#')) {
            look.mayHoldForbidden = true;
            kinds &= ~unsigned(kXmlSuspects);
        }
        ++p;
    }
    return look;
}

// The length of what dropForbiddenCharacters drops at p: a control
// character XML 1.0 forbids, or a reference to a character it forbids
// ("&#0;", "&#x1F;", surrogates, U+FFFE, beyond U+10FFFF); 0 for a
// character that stays.
size_t forbiddenLength(const unsigned char* p, const unsigned char* end)
{
    if (*p != '&')
        return charscan::ofKinds(*p, charscan::kXmlSuspects) ? 1 : 0;
    if (end - p < 3 || p[1] != '#')
        return 0;
    const unsigned char* q = p + 2;
    const bool hex = *q == 'x' || *q == 'X';
    if (hex)
        ++q;
    const unsigned char* const digits = q;
    quint64 value = 0;
    for (; q < end; ++q) {
        int v = -1;
        if (*q >= '0' && *q <= '9')
            v = *q - '0';
        else if (hex && *q >= 'a' && *q <= 'f')
            v = *q - 'a' + 10;
        else if (hex && *q >= 'A' && *q <= 'F')
            v = *q - 'A' + 10;
        if (v < 0)
            break;
        value = qMin<quint64>(value * (hex ? 16 : 10) + quint64(v), 0x110000);
    }
    return q > digits && q < end && *q == ';' && !xmlCharacter(quint32(value)) ? size_t(q + 1 - p) : 0;
}

// Drops from text in an ASCII-compatible encoding the characters XML 1.0
// forbids, written raw (control characters) or as references. A parser
// would read a NUL as the end of its field and write control characters
// back as references strict readers refuse. The text between them is
// moved down in runs. Returns the new size.
size_t dropForbiddenCharacters(char* data, size_t size)
{
    auto* const begin = reinterpret_cast<unsigned char*>(data);
    const unsigned char* const end = begin + size;
    unsigned char* out = begin;
    const unsigned char* kept = begin; // the start of the run not yet moved down
    const unsigned char* p = begin;
    while ((p = charscan::firstOf(p, end, charscan::kXmlSuspects)) != end) {
        const size_t dropped = forbiddenLength(p, end);
        if (!dropped) {
            ++p;
            continue;
        }
        std::memmove(out, kept, size_t(p - kept));
        out += p - kept;
        p += dropped;
        kept = p;
    }
    std::memmove(out, kept, size_t(end - kept));
    out += end - kept;
    return size_t(out - begin);
}

// The text of a book to be parsed in place, in a buffer from pugixml's
// allocator: bytes that are not UTF-8 read as their Windows-1252
// characters, so that every title can be found under the text it shows (a
// book written in another encoding by hand or by another program may hold
// them), and characters XML 1.0 forbids dropped. The size bytes at data
// are taken over when owned is data; otherwise they are copied (or
// repaired) into a new buffer. size becomes the text's size. Null when
// memory ran out (owned is freed all the same).
char* textToParse(const char* data, size_t& size, char* owned)
{
    const TextLook look = readAsUtf8(data, size) ? lookOver(data, size) : TextLook{};
    char* text = owned;
    if (!look.utf8 || !owned) {
        const size_t length = look.utf8 ? size : size_t(repairedUtf8Size(data, qsizetype(size)));
        text = static_cast<char*>(pugi::get_memory_allocation_function()(qMax<size_t>(length, 1)));
        if (text && look.utf8)
            std::memcpy(text, data, size);
        else if (text)
            repairUtf8Into(data, qsizetype(size), text);
        // The text as read goes at once: the two are never kept side by side.
        if (owned)
            pugi::get_memory_deallocation_function()(owned);
        if (!text)
            return nullptr;
        size = length;
    }
    if (look.mayHoldForbidden)
        size = dropForbiddenCharacters(text, size);
    return text;
}

// Parses text (from textToParse, taken over) into doc in place.
bool parseText(pugi::xml_document& doc, char* text, size_t size, QString* error)
{
    if (!text) {
        if (error)
            *error = QStringLiteral("out of memory");
        return false;
    }
    // Whitespace-only text is dropped and every line break reads back as LF.
    return checkParse(doc, doc.load_buffer_inplace_own(text, size, pugi::parse_default, pugi::encoding_auto), error);
}

// Lower-cased comparison of a stored UTF-8 title with a lower-cased needle.
// ASCII titles, the common case, are compared without building a QString.
bool titleMatches(const char* title, const QString& lowered)
{
    const int n = lowered.size();
    int i = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(title); *p; ++p, ++i) {
        if (*p >= 0x80)
            return QString::fromUtf8(title).toLower() == lowered;
        if (i >= n)
            return false;
        unsigned char c = *p;
        if (c >= 'A' && c <= 'Z')
            c = c - 'A' + 'a';
        if (lowered.at(i).unicode() != c)
            return false;
    }
    return i == n;
}

// The key of a title for the title index: a hash of its lower-cased UTF-16
// text. Stored titles in ASCII, the common case, are hashed as they are
// lowered, without building a QString.
class TitleHasher {
public:
    void add(char16_t unit)
    {
        hash_ = (hash_ ^ unit) * 0x100000001b3ull; // FNV-1a
    }
    quint64 result() const { return hash_; }

private:
    quint64 hash_ = 0xcbf29ce484222325ull;
};

quint64 loweredTitleKey(QStringView lowered)
{
    TitleHasher h;
    for (const QChar c : lowered)
        h.add(c.unicode());
    return h.result();
}

quint64 storedTitleKey(const char* title)
{
    TitleHasher h;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(title); *p; ++p) {
        if (*p >= 0x80)
            return loweredTitleKey(QString::fromUtf8(title).toLower());
        h.add(char16_t(*p >= 'A' && *p <= 'Z' ? *p - 'A' + 'a' : *p));
    }
    return h.result();
}

// Whether recipe a comes before recipe b in book order.
bool comesBefore(pugi::xml_node a, pugi::xml_node b)
{
    if (a.parent() != b.parent()) {
        a = a.parent();
        b = b.parent();
    }
    for (pugi::xml_node n = a.next_sibling(); n; n = n.next_sibling())
        if (n == b)
            return true;
    return false;
}

} // namespace

QString checkBook(const QString& path)
{
    RecipeBook book;
    return book.loadFile(path) ? QStringLiteral("aok") : QStringLiteral("error");
}

QString shortDateText()
{
    // Without a regional setting (the C locale) the United States form is used.
    QLocale locale = QLocale::system();
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return locale.toString(QDate::currentDate(), format);
}

namespace {
QString storableCopy(const QString& s);
}

QString storableText(const QString& s)
{
    // Most texts hold nothing to drop: they are shared, not copied. Only
    // blocks with a suspect character are looked at closely.
    using namespace charscan;
    const char16_t* p = reinterpret_cast<const char16_t*>(s.constData());
    const qsizetype n = s.size();
    auto refused = [](char16_t u) { return storeSuspect(u) && (u <= 0xDFFF || u >= 0xFFFE); };
    qsizetype i = 0;
    if constexpr (kBlocks) {
        for (; i + 8 <= n; i += 8) {
            if (!storeSuspects(load(p + i)))
                continue;
            for (qsizetype k = i; k < i + 8; ++k)
                if (refused(p[k]))
                    return storableCopy(s);
        }
    }
    for (; i < n; ++i)
        if (refused(p[i]))
            return storableCopy(s);
    return s;
}

namespace {
QString storableCopy(const QString& s)
{
    QString clean;
    clean.reserve(s.size());
    for (int i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        const ushort u = c.unicode();
        if (c.isHighSurrogate()) {
            if (i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
                clean += c;
                clean += s.at(++i);
            }
            continue;
        }
        if (c.isLowSurrogate())
            continue;
        if ((u < 0x20 && u != 0x09 && u != 0x0A && u != 0x0D) || u == 0xFFFE || u == 0xFFFF)
            continue;
        clean += c;
    }
    return clean;
}
} // namespace

std::string xmlText(const QString& s) { return storableText(s).toStdString(); }

RecipeBook::RecipeBook() { clear(); }

bool RecipeBook::loadBuffer(const QByteArray& data, QString* error)
{
    ++generation_;
    stamp_ = {};
    journal_ = {};
    size_t size = size_t(data.size());
    char* const text = textToParse(data.constData(), size, nullptr);
    if (parseText(doc_, text, size, error))
        return true;
    clear();
    return false;
}

bool RecipeBook::loadFile(const QString& path, QString* error, bool followLinks)
{
    // The file is read into a buffer the document then owns and parses in
    // place, so a large book is never held twice.
    ++generation_;
    QFile f;
    if (!openRegularFile(f, path, followLinks)) {
        if (error)
            *error = f.errorString().isEmpty() || f.error() == QFileDevice::NoError
                         ? QStringLiteral("not a regular file")
                         : f.errorString();
        clear();
        return false;
    }
    const FileIdentity identity = identityOf(f);
    const qint64 size = f.size();
    auto* buffer = static_cast<char*>(pugi::get_memory_allocation_function()(size_t(qMax<qint64>(size, 1))));
    if (!buffer || f.read(buffer, size) != size) {
        if (buffer)
            pugi::get_memory_deallocation_function()(buffer);
        if (error)
            *error = f.errorString();
        clear();
        return false;
    }
    const DiskStamp stamp = stampOfData(identity, buffer, size);
    size_t length = size_t(size);
    char* const text = textToParse(buffer, length, buffer);
    if (parseText(doc_, text, length, error)) {
        stamp_ = stamp;
        return true;
    }
    clear();
    return false;
}

void RecipeBook::markSaved(const DiskStamp& stamp)
{
    stamp_ = stamp;
    for (auto it = journal_.shown.begin(); it != journal_.shown.end();)
        it = it->until.hasExpired() ? journal_.shown.erase(it) : std::next(it);
    const QDeadlineTimer until(BookJournal::kShownMs);
    const quint64 save = ++journal_.saves;
    for (auto it = journal_.base.cbegin(); it != journal_.base.cend(); ++it) {
        const auto known = journal_.shown.find(it.key());
        if (known == journal_.shown.end()) {
            journal_.shown.insert(it.key(), {it.value(), until, save});
        } else {
            // Put in again: looked out for no longer than at first.
            known->version = it.value();
            known->save = save;
        }
    }
    journal_.base.clear();
    journal_.categories.clear();
}

void RecipeBook::adopt(RecipeBook& other)
{
    aside_.reset();
    ++generation_;
    doc_ = std::move(other.doc_);
    stamp_ = other.stamp_;
    journal_ = std::move(other.journal_);
    other.clear();
}

void RecipeBook::clear()
{
    aside_.reset(); // its places would be for titles gone
    ++generation_;
    stamp_ = {};
    journal_ = {};
    // An empty book stays as it is, its memory kept for what comes next.
    const pugi::xml_node only = doc_.first_child();
    if (only && only.type() == pugi::node_element && !only.next_sibling() && !only.first_child() &&
        !only.first_attribute() && std::strcmp(only.name(), "recipebook") == 0)
        return;
    doc_.reset();
    doc_.append_child("recipebook");
}

bool RecipeBook::writeTo(QIODevice& out) const
{
    // Multi-line texts go to the file with CR LF line ends, as the text
    // boxes deliver them; the loader reads every line end back as LF.
    return writeBookText(doc_, out);
}

QByteArray RecipeBook::serialize() const
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    writeTo(buffer);
    return bytes;
}

pugi::xml_node RecipeBook::root() const
{
    return doc_.document_element();
}

int RecipeBook::categoryCount() const
{
    int n = 0;
    forEachCategory([&n](pugi::xml_node, int) { ++n; });
    return n;
}

pugi::xml_node RecipeBook::category(int position) const
{
    pugi::xml_node found;
    if (position >= 0)
        forEachCategory([&](pugi::xml_node c, int i) {
            if (i == position)
                found = c;
            return !found;
        });
    return found;
}

QString RecipeBook::categoryName(int position) const
{
    return qstr(category(position).attribute("cname").value());
}

int RecipeBook::categoryPosition(const QString& name) const
{
    const std::string wanted = name.toStdString();
    int found = -1;
    forEachCategory([&](pugi::xml_node c, int i) {
        if (wanted == c.attribute("cname").value())
            found = i;
        return found < 0;
    });
    return found;
}

QVector<CategoryEntry> RecipeBook::categories() const
{
    QVector<CategoryEntry> out;
    forEachCategory([&out](pugi::xml_node c, int i) { out.push_back({qstr(c.attribute("cname").value()), i}); });
    return out;
}

QStringList RecipeBook::recipeTitles(int position) const
{
    QStringList out;
    forEachRecipeIn(position, [&out](pugi::xml_node r) {
        const char* title = titleOf(r);
        if (*title)
            out << QString::fromUtf8(title);
    });
    return out;
}

int RecipeBook::recipeCount() const
{
    int n = 0;
    forEachRecipe([&n](pugi::xml_node, int) { ++n; });
    return n;
}

pugi::xml_node RecipeBook::findRecipe(int position, const QString& title) const
{
    const pugi::xml_node cat = category(position);
    if (!cat)
        return {};
    // The title is bound as a variable, so quotes in it cannot break the query.
    static pugi::xpath_variable_set vars = [] {
        pugi::xpath_variable_set v;
        v.add("title", pugi::xpath_type_string);
        return v;
    }();
    static const pugi::xpath_query query("recipe[title=$title]", &vars);
    vars.set("title", title.toStdString().c_str());
    return cat.select_node(query).node();
}

pugi::xml_node RecipeBook::findTitle(const QString& title) const
{
    const QString lowered = title.toLower();
    const TitleIndex& index = titleIndex();
    pugi::xml_node found;
    const auto [from, to] = index.recipes.equal_range(loweredTitleKey(lowered));
    for (auto it = from; it != to; ++it) {
        const pugi::xml_node r(it->second);
        // The first in book order, should a hand-made book hold a title twice.
        if (titleMatches(titleOf(r), lowered) && (!found || comesBefore(r, found)))
            found = r;
    }
    return found;
}

const RecipeBook::TitleIndex& RecipeBook::titleIndex() const
{
    if (titles_.generation != generation_) {
        titles_.recipes = {};
        titles_.recipes.reserve(size_t(recipeCount()));
        titles_.generation = generation_;
        forEachRecipe([this](pugi::xml_node r, int) { titles_.add(r, generation_); });
    }
    return titles_;
}

void RecipeBook::TitleIndex::add(pugi::xml_node recipe, quint64 now)
{
    if (generation == now)
        recipes.emplace(storedTitleKey(titleOf(recipe)), recipe.internal_object());
}

void RecipeBook::TitleIndex::remove(pugi::xml_node recipe, quint64 now)
{
    if (generation != now)
        return;
    // The removal counts as a change of generation; the index stays good.
    ++generation;
    const auto [from, to] = recipes.equal_range(storedTitleKey(titleOf(recipe)));
    for (auto it = from; it != to; ++it)
        if (it->second == recipe.internal_object()) {
            recipes.erase(it);
            return;
        }
}

namespace {
bool named(pugi::xml_node n, const char* name) { return std::strcmp(n.name(), name) == 0; }
} // namespace

pugi::xml_node RecipeBook::lastRecipe() const
{
    for (pugi::xml_node c = root().last_child(); c; c = c.previous_sibling())
        if (named(c, "category"))
            for (pugi::xml_node r = c.last_child(); r; r = r.previous_sibling())
                if (named(r, "recipe"))
                    return r;
    return {};
}

const std::vector<pugi::xml_node_struct*>& RecipeBook::recipesInOrder() const
{
    // A recipe appended to the end of the book without a note (as a book
    // made in memory gets them) is caught here too.
    const pugi::xml_node_struct* last = order_.recipes.empty() ? nullptr : order_.recipes.back();
    if (order_.generation != generation_ || lastRecipe().internal_object() != last) {
        order_.recipes.clear();
        order_.generation = generation_;
        order_.changes = 0;
        forEachRecipe([this](pugi::xml_node r, int) { order_.recipes.push_back(r.internal_object()); });
    }
    return order_.recipes;
}

bool RecipeBook::RecipeOrder::keepsStep(quint64 now)
{
    if (generation != now)
        return false;
    // Each change moves the recipes after it: past a few hundred, making
    // the order again when it is next needed costs less.
    constexpr int kMostChanges = 256;
    if (++changes > kMostChanges) {
        generation = ~quint64(0);
        recipes = {};
        return false;
    }
    return true;
}

int RecipeBook::RecipeOrder::add(pugi::xml_node recipe, quint64 now)
{
    if (!keepsStep(now))
        return -1;
    // The new recipe goes after the one before it in its category or,
    // first in its category, before the first recipe of a later one.
    const auto find = [this](pugi::xml_node r) {
        return std::find(recipes.rbegin(), recipes.rend(), r.internal_object()).base();
    };
    auto at = recipes.end();
    if (const pugi::xml_node before = recipe.previous_sibling("recipe")) {
        at = find(before); // just after it
        if (at == recipes.begin()) {
            generation = ~quint64(0); // not in step after all
            return -1;
        }
    } else {
        for (pugi::xml_node c = recipe.parent().next_sibling("category"); c; c = c.next_sibling("category"))
            if (const pugi::xml_node next = c.child("recipe")) {
                at = find(next);
                if (at == recipes.begin()) {
                    generation = ~quint64(0);
                    return -1;
                }
                --at;
                break;
            }
    }
    return int(recipes.insert(at, recipe.internal_object()) - recipes.begin());
}

int RecipeBook::RecipeOrder::remove(pugi::xml_node recipe, quint64 now)
{
    if (!keepsStep(now))
        return -1;
    ++generation; // as TitleIndex::remove
    const auto at = std::find(recipes.rbegin(), recipes.rend(), recipe.internal_object());
    if (at == recipes.rend()) {
        generation = ~quint64(0);
        return -1;
    }
    const auto gone = std::next(at).base();
    const int place = int(gone - recipes.begin());
    recipes.erase(gone);
    return place;
}

QString RecipeBook::childText(pugi::xml_node recipe, int child)
{
    QString text;
    if (child >= 0)
        forEachText(
            recipe, child,
            [&](int i, const char* t) {
                if (i == child)
                    text = qstr(t);
            },
            child < 32 ? ~(quint32(1) << child) : 0);
    return text;
}

Recipe RecipeBook::fields(pugi::xml_node recipe)
{
    Recipe f;
    forEachText(recipe, RChildCount - 1, [&f](int i, const char* text) { f[i] = qstr(text); });
    return f;
}

quint64 recipeVersion(pugi::xml_node recipe)
{
    ContentHash h;
    const char* category = recipe.parent().attribute("cname").value();
    h.add(category, qint64(std::strlen(category)) + 1);
    // Each text with its end, so that texts cannot run into each other.
    RecipeBook::forEachText(recipe, std::numeric_limits<int>::max(),
                            [&h](int, const char* text) { h.add(text, qint64(std::strlen(text)) + 1); });
    return h.result();
}

void RecipeBook::noteRecipe(pugi::xml_node recipe)
{
    const QString key = titleKey(qstr(titleOf(recipe)));
    if (!journal_.base.contains(key))
        journal_.base.insert(key, recipeVersion(recipe));
}

void RecipeBook::noteNewTitle(const QString& title)
{
    const QString key = titleKey(storableText(title));
    if (!journal_.base.contains(key))
        journal_.base.insert(key, std::nullopt);
}

const RecipeBook::TitleRanks* RecipeBook::titleRanks(const TitleOrder& before) const
{
    takeAsideRanks(false);
    if (ranksVersion_ == titlesVersion() && unranked_ > 0)
        rankNewTitles(before);
    if (ranksVersion_ == titlesVersion())
        return &ranks_;
    ranks_ = {}; // let go of what no longer serves
    unranked_ = 0;
    return nullptr;
}

void RecipeBook::keepTitleRanks(TitleRanks ranks, TitlesVersion version) const
{
    if (version != titlesVersion())
        return;
    ranks_ = std::move(ranks);
    ranksVersion_ = version;
    unranked_ = 0;
}

std::shared_ptr<const RecipeBook::TitleList> RecipeBook::titleList() const
{
    // The order notices recipes appended without a note, which leave the
    // titles' version as it was.
    const std::vector<pugi::xml_node_struct*>& order = recipesInOrder();
    if (titleList_ && titleListVersion_ == titlesVersion() && titleList_->size() == int(order.size()))
        return titleList_;
    titleList_.reset(); // let go of it before the next is made
    auto list = std::make_shared<TitleList>();
    QHash<const pugi::xml_node_struct*, int> positions;
    forEachCategory([&positions](pugi::xml_node c, int position) { positions.insert(c.internal_object(), position); });
    list->starts_.reserve(order.size() + 1);
    const pugi::xml_node_struct* category = nullptr;
    int place = 0;
    walkRecipes(place, int(order.size()), [&](pugi::xml_node recipe) {
        const pugi::xml_node_struct* parent = recipe.parent().internal_object();
        if (parent != category) {
            category = parent;
            list->categories_.push_back({list->size(), positions.value(parent, -1)});
        }
        const char* title = "";
        for (pugi::xml_node n = recipe.first_child(); n; n = n.next_sibling())
            if (n.type() == pugi::node_element) {
                title = n.child_value();
                break;
            }
        list->text_.append(title).push_back('\0');
        list->starts_.push_back(qsizetype(list->text_.size()));
    });
    titleList_ = std::move(list);
    titleListVersion_ = titlesVersion();
    return titleList_;
}

struct RecipeBook::AsideRanking {
    TitlesVersion version;
    std::atomic<bool> stop{false};
    std::future<TitleRanks> ranks;
    ~AsideRanking()
    {
        stop = true;
        if (ranks.valid())
            ranks.wait();
    }
};

void RecipeBook::rankAside(RankWork work) const
{
    takeAsideRanks(false);
    const TitlesVersion now = titlesVersion();
    if (ranksVersion_ == now || (aside_ && aside_->version == now))
        return;
    aside_.reset(); // the work for titles that have changed since stops
    auto aside = std::make_shared<AsideRanking>();
    aside->version = now;
    const std::atomic<bool>* stop = &aside->stop; // the work ends before it goes
    aside->ranks = std::async(std::launch::async,
                              [titles = titleList(), work = std::move(work), stop] { return work(*titles, *stop); });
    aside_ = std::move(aside);
}

void RecipeBook::finishRankingAside() const { takeAsideRanks(true); }

void RecipeBook::takeAsideRanks(bool wait) const
{
    if (!aside_)
        return;
    if (!wait && aside_->ranks.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return;
    TitleRanks ranks = aside_->ranks.get();
    const TitlesVersion version = aside_->version;
    aside_.reset();
    // A recipe appended without a note leaves the version as it was.
    if (ranksVersion_ != titlesVersion() && !ranks.empty() && ranks.size() == recipesInOrder().size())
        keepTitleRanks(std::move(ranks), version);
}

void RecipeBook::keepRanksInStep(bool ranked, int place, bool added)
{
    // Each title added is placed by a search through the others when the
    // ranks are next asked for: past a few dozen, sorting them all again
    // costs less.
    constexpr int kMostUnranked = 64;
    const bool inStep = ranked && place >= 0 &&
                        (added ? place <= int(ranks_.size()) && unranked_ < kMostUnranked : place < int(ranks_.size()));
    if (!inStep) {
        ranks_ = {};
        unranked_ = 0;
        ranksVersion_ = {~quint64(0), ~quint64(0)};
        return;
    }
    if (added) {
        ranks_.insert(ranks_.begin() + place, -1);
        ++unranked_;
    } else {
        const int rank = ranks_[size_t(place)];
        ranks_.erase(ranks_.begin() + place);
        if (rank < 0)
            --unranked_;
        else
            for (int& r : ranks_)
                if (r > rank)
                    --r;
    }
    ranksVersion_ = titlesVersion();
}

void RecipeBook::rankNewTitles(const TitleOrder& before) const
{
    const std::vector<pugi::xml_node_struct*>& order = recipesInOrder();
    if (order.size() != ranks_.size()) {
        ranksVersion_ = {~quint64(0), ~quint64(0)}; // appended without a note meanwhile
        return;
    }
    // The places of the ranked titles in list order.
    std::vector<int> byRank(ranks_.size() - size_t(unranked_), -1);
    for (size_t place = 0; place < ranks_.size(); ++place) {
        const int rank = ranks_[place];
        if (rank >= int(byRank.size()) || (rank >= 0 && byRank[size_t(rank)] >= 0)) {
            ranksVersion_ = {~quint64(0), ~quint64(0)};
            return;
        }
        if (rank >= 0)
            byRank[size_t(rank)] = int(place);
    }
    if (std::find(byRank.cbegin(), byRank.cend(), -1) != byRank.cend()) {
        ranksVersion_ = {~quint64(0), ~quint64(0)};
        return;
    }
    for (int place = 0; place < int(ranks_.size()); ++place) {
        if (ranks_[size_t(place)] >= 0)
            continue;
        const char* title = titleOf(pugi::xml_node(order[size_t(place)]));
        // After the titles before it in list order, and after those equal
        // to it that come before it in the book.
        const auto at = std::partition_point(byRank.begin(), byRank.end(), [&](int other) {
            const char* t = titleOf(pugi::xml_node(order[size_t(other)]));
            return before(t, title) || (other < place && !before(title, t));
        });
        const int rank = int(at - byRank.begin());
        for (int& r : ranks_)
            if (r >= rank)
                ++r;
        ranks_[size_t(place)] = rank;
        byRank.insert(at, place);
    }
    unranked_ = 0;
}

void RecipeBook::noteNewRecipe(pugi::xml_node recipe)
{
    const bool ranked = ranksVersion_ == titlesVersion();
    ++titleChanges_;
    noteNewTitle(qstr(titleOf(recipe)));
    titles_.add(recipe, generation_);
    keepRanksInStep(ranked, order_.add(recipe, generation_), true);
}

int RecipeBook::appendCategory(const QString& name)
{
    appendCategoryNode(name);
    journal_.categories.push_back({BookJournal::CategoryChange::Add, storableText(name), {}});
    return categoryCount() - 1;
}

pugi::xml_node RecipeBook::appendRecipe(int position, const Recipe& f)
{
    pugi::xml_node cat = category(position);
    if (!cat)
        return {};
    const bool ranked = ranksVersion_ == titlesVersion();
    noteNewTitle(f.title);
    ++titleChanges_;
    const pugi::xml_node recipe = appendRecipeNode(cat, f, true);
    titles_.add(recipe, generation_);
    keepRanksInStep(ranked, order_.add(recipe, generation_), true);
    return recipe;
}

bool RecipeBook::removeRecipe(pugi::xml_node recipe)
{
    if (!recipe || !recipe.parent())
        return false;
    const bool ranked = ranksVersion_ == titlesVersion();
    titles_.remove(recipe, generation_);
    const int place = order_.remove(recipe, generation_);
    noteRecipe(recipe);
    ++titleChanges_;
    ++generation_;
    removeNode(recipe);
    keepRanksInStep(ranked, place, false);
    return true;
}

bool RecipeBook::removeCategory(int position)
{
    const pugi::xml_node cat = category(position);
    if (!cat)
        return false;
    eachRecipeOf(cat, [this](pugi::xml_node r) { noteRecipe(r); });
    journal_.categories.push_back({BookJournal::CategoryChange::Remove, qstr(cat.attribute("cname").value()), {}});
    ++generation_;
    removeNode(cat);
    return true;
}

void RecipeBook::renameCategory(int position, const QString& name)
{
    pugi::xml_node cat = category(position);
    if (!cat)
        return;
    eachRecipeOf(cat, [this](pugi::xml_node r) { noteRecipe(r); });
    journal_.categories.push_back(
        {BookJournal::CategoryChange::Rename, qstr(cat.attribute("cname").value()), storableText(name)});
    pugi::xml_attribute a = cat.attribute("cname");
    if (!a)
        a = cat.append_attribute("cname");
    a.set_value(xmlText(name).c_str());
}

void removeNode(pugi::xml_node node)
{
    if (!node || !node.parent())
        return;
    // Leaves first, from the deepest up: each removal frees one node only.
    pugi::xml_node at = node;
    for (;;) {
        while (at.first_child())
            at = at.first_child();
        if (at == node)
            break;
        pugi::xml_node parent = at.parent();
        parent.remove_child(at);
        at = parent;
    }
    node.parent().remove_child(node);
}

QString RecipeBook::categoryOf(pugi::xml_node recipe) { return qstr(recipe.parent().attribute("cname").value()); }

std::optional<Recipe> RecipeBook::recipe(const RecipeRef& ref) const
{
    const pugi::xml_node node = findRecipe(ref.category, ref.title);
    if (!node)
        return std::nullopt;
    Recipe f = fields(node);
    f.category = categoryOf(node);
    return f;
}

QVector<Recipe> RecipeBook::recipesIn(int position) const
{
    QVector<Recipe> out;
    const pugi::xml_node cat = category(position);
    const QString name = qstr(cat.attribute("cname").value());
    eachRecipeOf(cat, [&](pugi::xml_node r) {
        out << fields(r);
        out.back().category = name;
    });
    return out;
}

QHash<QString, pugi::xml_node> RecipeBook::categoriesByName() const
{
    QHash<QString, pugi::xml_node> out;
    forEachCategory([&out](pugi::xml_node c, int) {
        const QString name = storableText(qstr(c.attribute("cname").value()));
        if (!out.contains(name))
            out.insert(name, c);
    });
    return out;
}

pugi::xml_node RecipeBook::appendCategoryNode(const QString& name)
{
    pugi::xml_node root = this->root();
    if (!root)
        root = doc_.append_child("recipebook");
    return appendCategoryNode(root, name);
}

pugi::xml_node RecipeBook::appendCategoryNode(pugi::xml_node root, const QString& name)
{
    Q_ASSERT(root);
    pugi::xml_node cat = root.append_child("category");
    cat.append_attribute("cname").set_value(xmlText(name).c_str());
    return cat;
}

pugi::xml_node RecipeBook::appendRecipeNode(pugi::xml_node category, const Recipe& f, bool withImage)
{
    Q_ASSERT(category);
    pugi::xml_node recipe = category.append_child("recipe");
    const int count = withImage ? RChildCount : RImage;
    for (int i = 0; i < count; ++i) {
        pugi::xml_node child = recipe.append_child(kRecipeChildNames[i]);
        if (!f[i].isEmpty())
            child.text().set(xmlText(f[i]).c_str());
    }
    return recipe;
}

std::optional<Recipe> RecipeFinder::find(const RecipeRef& item)
{
    auto source = sources_.find(item.category);
    if (source == sources_.end()) {
        Source s;
        const pugi::xml_node cat = book_.category(item.category);
        s.name = storableText(qstr(cat.attribute("cname").value()));
        RecipeBook::eachRecipeOf(cat, [&s](pugi::xml_node r) {
            const QString title = RecipeBook::childText(r, RTitle);
            if (!s.recipes.contains(title))
                s.recipes.insert(title, r);
        });
        source = sources_.insert(item.category, s);
    }
    const pugi::xml_node node = source->recipes.value(item.title);
    if (!node)
        return std::nullopt;
    Recipe f = RecipeBook::fields(node);
    f.category = source->name;
    return f;
}

std::vector<Recipe> RecipeBook::allRecipes(QHash<int, int>* fieldCounts) const
{
    std::vector<Recipe> out;
    for (pugi::xml_node c = root().child("category"); c; c = c.next_sibling("category")) {
        const QString category = storableText(qstr(c.attribute("cname").value()));
        for (pugi::xml_node r = c.child("recipe"); r; r = r.next_sibling("recipe")) {
            Recipe& f = out.emplace_back();
            int i = 0;
            for (pugi::xml_node n = r.first_child(); n; n = n.next_sibling()) {
                if (n.type() != pugi::node_element)
                    continue;
                if (i < RChildCount)
                    f[i] = qstr(n.text().get());
                ++i;
            }
            f.category = category;
            if (fieldCounts && (i < RImage || i > RChildCount))
                fieldCounts->insert(int(out.size()) - 1, i);
        }
    }
    return out;
}

} // namespace bd
