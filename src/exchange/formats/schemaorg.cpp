#include "exchange/formats/schemaorg.h"

#include "exchange/formats/htmltags.h"
#include "exchange/formats/htmltext.h"
#include "exchange/formats/jsonview.h"

#include "resources/strings.h"
#include "store/charscan.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <optional>
#include <vector>

namespace bd {

namespace {

// Nesting deeper than this is not followed (no page nests a recipe so deep).
constexpr int kMaxDepth = 32;
// Microdata properties read of one recipe, and recipes of one page: more
// are no recipe page's, and each costs a walk through the page.
constexpr int kMaxProperties = 2000;
constexpr int kMaxPropertyTags = 1000;

// The readers below take Qt's JSON values (microdata is made into them)
// and simdjson's, seen through JsonView: Value is the one or the other.
template <typename Value>
using ObjectOf = decltype(std::declval<const Value&>().toObject());

// The entries of a list, read without copying it (a list that is not
// const detaches from the document when iterated).
const QJsonArray items(const QJsonValue& v) { return v.toArray(); }
JsonViewArray items(const JsonView& v) { return v.toArray(); }

// A string's text as htmlText would give it, where that is its bytes as
// they stand (plainSimpleAscii), as it is for most: none for others, and
// for Qt's values, which hold their strings as UTF-16.
std::optional<QLatin1String> plainString(const QJsonValue&) { return std::nullopt; }
std::optional<QLatin1String> plainString(const JsonView& v)
{
    const std::string_view s = v.utf8();
    if (s.empty() || !plainSimpleAscii(QByteArrayView(s.data(), qsizetype(s.size()))))
        return std::nullopt;
    return QLatin1String(s.data(), qsizetype(s.size()));
}

// f(key, value) for each field of an object, in the order of their names.
template <typename F>
void forEachField(const QJsonObject& o, F f)
{
    for (auto it = o.constBegin(); it != o.constEnd(); ++it)
        f(it.key(), QJsonValue(it.value()));
}

template <typename F>
void forEachField(const JsonViewObject& o, F f)
{
    o.forEachField([&f](const JsonViewObject::Field& field) { f(field.key(), field.value); });
}

// f(value) for each field's value, in the order of their names.
template <typename F>
void forEachValue(const QJsonObject& o, F f)
{
    for (auto it = o.constBegin(); it != o.constEnd(); ++it)
        f(QJsonValue(it.value()));
}

template <typename F>
void forEachValue(const JsonViewObject& o, F f)
{
    o.forEachField([&f](const JsonViewObject::Field& field) { f(field.value); });
}

template <typename Value>
bool isType(const Value& type, const char* wanted)
{
    if (type.isArray()) {
        for (const Value& t : items(type))
            if (isType(t, wanted))
                return true;
        return false;
    }
    // "Recipe", "schema:Recipe", "https://schema.org/Recipe"
    const QString t = type.toString();
    const QLatin1String w(wanted);
    return t.compare(w, Qt::CaseInsensitive) == 0 ||
           (t.endsWith(w, Qt::CaseInsensitive) && t.size() > w.size() &&
            (t[t.size() - w.size() - 1] == QLatin1Char('/') || t[t.size() - w.size() - 1] == QLatin1Char(':')));
}

template <typename Object>
bool isRecipe(const Object& o)
{
    return isType(o.value(QLatin1String("@type")), "Recipe");
}

// What a block holds: its Recipe objects (outermost, in document order)
// and every object with an "@id" by that id (pages name an author or a
// picture once and refer to it elsewhere: {"@id": "...#author"}).
template <typename Object>
struct BlockObjects {
    QVector<Object> recipes;
    QHash<QString, Object> references;
};

template <typename Value>
void findObjects(const Value& v, BlockObjects<ObjectOf<Value>>& out, bool inRecipe, int depth)
{
    if (depth > kMaxDepth)
        return;
    if (v.isArray()) {
        // Most entries are texts, with nothing to find in them.
        for (const Value& e : items(v))
            if (e.isObject() || e.isArray())
                findObjects(e, out, inRecipe, depth + 1);
    } else if (v.isObject()) {
        const auto o = v.toObject();
        if (o.value(QLatin1String("@id")).isString() && o.size() > 1)
            out.references.insert(o.value(QLatin1String("@id")).toString(), o);
        const bool recipe = !inRecipe && isRecipe(o);
        if (recipe)
            out.recipes << o;
        forEachValue(o, [&](const Value& e) {
            if (e.isObject() || e.isArray())
                findObjects(e, out, inRecipe || recipe, depth + 1);
        });
    }
}

// What the reading of one recipe looks objects up in: the objects of its
// block by "@id" (none while a large list is read piece by piece), and
// whether it met an object that only refers to another.
template <typename Object>
struct Lookup {
    const QHash<QString, Object>* references = nullptr;
    bool referred = false;
};

// An object that only refers to another by its "@id": that one, when the
// block holds it.
template <typename Object>
Object resolved(Lookup<Object>& lookup, const Object& o)
{
    if (o.size() == 1 && o.value(QLatin1String("@id")).isString()) {
        lookup.referred = true;
        if (lookup.references)
            return lookup.references->value(o.value(QLatin1String("@id")).toString(), o);
    }
    return o;
}

// The text of a value: a string (HTML read as text), a number, an object's
// name or text, a list's texts joined by commas.
template <typename Value>
QString textOf(Lookup<ObjectOf<Value>>& lookup, const Value& v, int depth = 0)
{
    if (const std::optional<QLatin1String> plain = plainString(v))
        return QString(*plain);
    if (v.isString())
        return htmlText(v.toString());
    if (v.isDouble())
        return QString::number(v.toDouble());
    if (depth > kMaxDepth)
        return QString();
    if (v.isObject()) {
        const auto o = resolved(lookup, v.toObject());
        for (const char* key : {"name", "text", "@value", "url"})
            if (o.contains(QLatin1String(key)))
                return textOf(lookup, o.value(QLatin1String(key)), depth + 1);
        return QString();
    }
    if (v.isArray()) {
        QStringList parts;
        for (const Value& e : items(v)) {
            const QString t = textOf(lookup, e, depth + 1);
            if (!t.isEmpty() && !parts.contains(t))
                parts << t;
        }
        return parts.join(QStringLiteral(", "));
    }
    return QString();
}

// A rating as "4.5/5 (120)": its value, out of its best where that is
// given, and how many rated; or a rating given as a plain value.
template <typename Value>
QString ratingOf(Lookup<ObjectOf<Value>>& lookup, const Value& v)
{
    if (!v.isObject())
        return oneLine(textOf(lookup, v));
    const auto o = resolved(lookup, v.toObject());
    QString rating = oneLine(textOf(lookup, o.value(QLatin1String("ratingValue"))));
    if (rating.isEmpty())
        return QString();
    if (const QString best = oneLine(textOf(lookup, o.value(QLatin1String("bestRating")))); !best.isEmpty())
        rating += QLatin1Char('/') + best;
    QString count = oneLine(textOf(lookup, o.value(QLatin1String("ratingCount"))));
    if (count.isEmpty())
        count = oneLine(textOf(lookup, o.value(QLatin1String("reviewCount"))));
    if (!count.isEmpty())
        rating += QStringLiteral(" (") + count + QLatin1Char(')');
    return rating;
}

// Nutrition facts on one line, "calories: 250 kcal, fat: 10 g, saturated
// fat: 3 g", each fact named by its property without "Content".
template <typename Value>
QString nutritionOf(Lookup<ObjectOf<Value>>& lookup, const Value& v)
{
    if (!v.isObject())
        return oneLine(textOf(lookup, v));
    const auto o = resolved(lookup, v.toObject());
    QStringList facts;
    forEachField(o, [&](QString name, const Value& value) {
        if (name.startsWith(QLatin1Char('@')))
            return;
        const QString amount = oneLine(textOf(lookup, value));
        if (amount.isEmpty())
            return;
        if (name.endsWith(QLatin1String("Content")))
            name.chop(7);
        QString words;
        for (const QChar c : std::as_const(name)) {
            if (c.isUpper() && !words.isEmpty())
                words += QLatin1Char(' ');
            words += c.toLower();
        }
        facts << words + QStringLiteral(": ") + amount;
    });
    return facts.join(QStringLiteral(", "));
}

// The texts of a value that may be one text or a list of them.
template <typename Value>
QStringList textsOf(Lookup<ObjectOf<Value>>& lookup, const Value& v)
{
    QStringList out;
    if (v.isArray()) {
        for (const Value& e : items(v))
            if (const QString t = textOf(lookup, e); !t.isEmpty())
                out << t;
    } else if (const QString t = textOf(lookup, v); !t.isEmpty()) {
        out << t;
    }
    return out;
}

// A text (as textOf gives it: its lines simplified) on one line.
QString oneLine(QString text)
{
    if (!text.contains(QLatin1Char('\n')))
        return text;
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return simplifiedText(std::move(text));
}

// Steps as paragraphs: a text (each of its lines a step), a list, HowToStep
// objects and HowToSection objects whose names become headings.
template <typename Value>
void readInstructions(Lookup<ObjectOf<Value>>& lookup, const Value& v, QString& prep, int depth)
{
    if (depth > kMaxDepth)
        return;
    if (const std::optional<QLatin1String> plain = plainString(v)) {
        addParagraph(prep, *plain);
    } else if (v.isString()) {
        const QString text = htmlText(v.toString());
        if (!text.contains(QLatin1Char('\n')))
            addParagraph(prep, text);
        else
            for (const QString& line : text.split(QLatin1Char('\n')))
                addParagraph(prep, line.trimmed());
    } else if (v.isArray()) {
        for (const Value& e : items(v))
            readInstructions(lookup, e, prep, depth + 1);
    } else if (v.isObject()) {
        const auto o = v.toObject();
        const Value items = o.value(QLatin1String("itemListElement"));
        const Value text = o.value(QLatin1String("text"));
        if (!items.isUndefined() && !items.isNull()) {
            if (isType(o.value(QLatin1String("@type")), "HowToSection") || !o.contains(QLatin1String("text")))
                addParagraph(prep, oneLine(textOf(lookup, o.value(QLatin1String("name")))));
            else
                readInstructions(lookup, text, prep, depth + 1);
            readInstructions(lookup, items, prep, depth + 1);
        } else if (text.isString()) {
            readInstructions(lookup, text, prep, depth + 1);
        } else {
            for (const char* key : {"name", "description"})
                if (o.value(QLatin1String(key)).isString()) {
                    readInstructions(lookup, o.value(QLatin1String(key)), prep, depth + 1);
                    break;
                }
        }
    }
}

// The yield: a number, a text, or a list (its most telling entry: one with
// words, such as "4 servings" beside "4").
template <typename Value>
QString yieldOf(Lookup<ObjectOf<Value>>& lookup, const Value& v)
{
    if (!v.isArray())
        return oneLine(textOf(lookup, v));
    QString first;
    for (const Value& e : items(v)) {
        const QString t = oneLine(textOf(lookup, e));
        if (first.isEmpty())
            first = t;
        for (QChar c : t)
            if (c.isLetter())
                return t;
    }
    return first;
}

template <typename Value>
QString pictureOf(Lookup<ObjectOf<Value>>& lookup, const Value& v, int depth = 0)
{
    if (depth > 4)
        return QString();
    if (v.isString())
        return v.toString().trimmed();
    if (v.isArray())
        return v.toArray().isEmpty() ? QString() : pictureOf(lookup, v.toArray().first(), depth + 1);
    if (v.isObject()) {
        const auto o = resolved(lookup, v.toObject());
        return pictureOf(lookup,
                         o.contains(QLatin1String("url")) ? o.value(QLatin1String("url"))
                                                          : o.value(QLatin1String("contentUrl")),
                         depth + 1);
    }
    return QString();
}

struct Found {
    Recipe recipe;
    QString category;
};

// A recipe as the reader takes it: whether it has neither ingredients nor
// steps, what tells it apart on its page, and its form in the book.
struct Taken {
    bool empty = false;
    QString key;
    Recipe ready;
};

// Where a reader of schema.org data is: the page's address (or none), the
// language of the notes, and the category of recipes that name none.
struct PageContext {
    const QString& address;
    const ReadContext& read;
};

template <typename Object>
Found recipeOf(const Object& o, const PageContext& page, Lookup<Object>& lookup);

// The recipe of o as the reader takes it; lookup tells whether it referred
// to other objects.
template <typename Object>
Taken taken(const Object& o, const PageContext& page, Lookup<Object>& lookup)
{
    const Found f = recipeOf(o, page, lookup);
    return {f.recipe.ing.isEmpty() && f.recipe.prep.isEmpty(), f.recipe.title + QChar(0) + f.recipe.ing,
            readyRecipe(f.recipe, f.category, page.read)};
}

template <typename Object>
Taken taken(const Object& o, const PageContext& page, const QHash<QString, Object>* references)
{
    Lookup<Object> lookup{references};
    return taken(o, page, lookup);
}

template <typename Object>
Found recipeOf(const Object& o, const PageContext& page, Lookup<Object>& lookup)
{
    const int lang = page.read.langOffset;
    auto value = [&o](const char* key) { return o.value(QLatin1String(key)); };
    Found f;
    Recipe& r = f.recipe;
    r.title = oneLine(textOf(lookup, value("name")));
    if (r.title.isEmpty())
        r.title = oneLine(textOf(lookup, value("headline")));
    auto ingredients = value("recipeIngredient");
    if (ingredients.isUndefined())
        ingredients = value("ingredients");
    if (ingredients.isString()) {
        r.ing = htmlText(ingredients.toString());
    } else {
        for (const decltype(ingredients)& e : items(ingredients))
            addLine(r.ing, oneLine(textOf(lookup, e)));
    }
    readInstructions(lookup, value("recipeInstructions"), r.prep, 0);
    r.yield = yieldOf(lookup, value("recipeYield"));
    if (r.yield.isEmpty())
        r.yield = yieldOf(lookup, value("yield"));
    r.preptime = durationText(oneLine(textOf(lookup, value("prepTime"))));
    r.cooktime = durationText(oneLine(textOf(lookup, value("cookTime"))));

    QStringList categories = textsOf(lookup, value("recipeCategory"));
    // A list given as one text: "Dinner, Main course, Side dish".
    if (categories.size() == 1 && categories.front().contains(QLatin1Char(','))) {
        categories = categories.front().split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (QString& c : categories)
            c = c.trimmed();
        categories.removeAll(QString());
    }
    f.category = categories.value(0);
    QStringList notes;
    notes << textOf(lookup, value("description"));
    QStringList lines;
    if (const QString author = oneLine(textOf(lookup, value("author"))); !author.isEmpty())
        lines << fetchText(Str::NoteBy, lang).arg(author);
    if (categories.size() > 1)
        lines << fetchText(Str::NoteCategories, lang).arg(categories.join(QStringLiteral(", ")));
    if (const QString cuisine = oneLine(textOf(lookup, value("recipeCuisine"))); !cuisine.isEmpty())
        lines << fetchText(Str::NoteCuisine, lang).arg(cuisine);
    if (const QString keywords = oneLine(textOf(lookup, value("keywords"))); !keywords.isEmpty())
        lines << fetchText(Str::NoteKeywords, lang).arg(keywords);
    if (const QString total = durationText(oneLine(textOf(lookup, value("totalTime")))); !total.isEmpty())
        lines << fetchText(Str::NoteTotalTime, lang).arg(total);
    if (const QString rating = ratingOf(lookup, value("aggregateRating")); !rating.isEmpty())
        lines << fetchText(Str::NoteRating, lang).arg(rating);
    if (const QString nutrition = nutritionOf(lookup, value("nutrition")); !nutrition.isEmpty())
        lines << fetchText(Str::NoteNutrition, lang).arg(nutrition);
    QString source = page.address;
    if (source.isEmpty())
        source = value("url").isString() ? value("url").toString().trimmed() : QString();
    if (!source.isEmpty())
        lines << fetchText(Str::NoteSource, lang).arg(source);
    notes << lines.join(QLatin1Char('\n'));
    for (const QString& n : std::as_const(notes))
        addParagraph(r.other, n);
    r.image = pictureOf(lookup, value("image"));
    return f;
}
// The ld+json blocks of a page, each with the position it starts at; a text
// that is JSON itself is one block.
QVector<QPair<QStringView, qsizetype>> jsonBlocks(QStringView text)
{
    QVector<QPair<QStringView, qsizetype>> out;
    const QStringView trimmed = text.trimmed();
    if (trimmed.startsWith(QLatin1Char('{')) || trimmed.startsWith(QLatin1Char('['))) {
        out.append({trimmed, text.indexOf(trimmed.front())});
        return out;
    }
    qsizetype from = 0;
    while ((from = text.indexOf(QLatin1String("<script"), from, Qt::CaseInsensitive)) >= 0) {
        const qsizetype tagEnd = text.indexOf(QLatin1Char('>'), from);
        if (tagEnd < 0)
            break;
        const qsizetype end = text.indexOf(QLatin1String("</script"), tagEnd, Qt::CaseInsensitive);
        const QStringView tag = text.mid(from, tagEnd - from);
        from = end < 0 ? text.size() : end;
        if (!tag.contains(QLatin1String("ld+json"), Qt::CaseInsensitive))
            continue;
        QStringView body = text.mid(tagEnd + 1, (end < 0 ? text.size() : end) - tagEnd - 1).trimmed();
        // Blocks hidden from old browsers.
        for (const char* open : {"<!--", "//<![CDATA[", "<![CDATA["})
            if (body.startsWith(QLatin1String(open)))
                body = body.mid(qsizetype(qstrlen(open))).trimmed();
        for (const char* close : {"-->", "//]]>", "]]>"})
            if (body.endsWith(QLatin1String(close)))
                body.chop(qsizetype(qstrlen(close)));
        out.append({body, tagEnd + 1});
    }
    return out;
}

} // namespace

namespace {

// ---------------------------------------------------------------------------
// Microdata: pages that mark their recipe with itemscope, itemtype and
// itemprop attributes instead of a JSON block.

// The value of a property on tag: its content, datetime, src or href
// attribute, or the text of its element (ending at end).
QString propertyValue(QStringView html, const Tag& tag, qsizetype end)
{
    for (const char* a : {"content", "datetime"})
        if (const QString v = tag.attribute(a); !v.isEmpty())
            return v;
    if (tag.name == QLatin1String("img") || tag.name == QLatin1String("source"))
        return tag.attribute("src").isEmpty() ? tag.attribute("data-src") : tag.attribute("src");
    if (tag.name == QLatin1String("a") || tag.name == QLatin1String("link"))
        if (const QString href = tag.attribute("href");
            !href.isEmpty() && !tag.attribute("itemprop").contains(QLatin1String("name")))
            return href;
    return htmlText(html.mid(tag.end, qMax<qsizetype>(0, end - tag.end)));
}

// The recipes a page marks with microdata, as the objects the ld+json
// reader takes, each with the position it starts at.
QVector<QPair<QJsonObject, qsizetype>> microdataRecipes(QStringView html)
{
    static const QSet<QString> lists{QStringLiteral("recipeIngredient"), QStringLiteral("ingredients"),
                                     QStringLiteral("recipeInstructions"), QStringLiteral("recipeCategory"),
                                     QStringLiteral("recipeYield")};
    QVector<QPair<QJsonObject, qsizetype>> out;
    qsizetype from = 0;
    while ((from = html.indexOf(QLatin1String("schema.org/Recipe"), from, Qt::CaseInsensitive)) >= 0 &&
           out.size() < kMaxProperties) {
        const qsizetype start = html.left(from).lastIndexOf(QLatin1Char('<'));
        from += 17;
        const Tag open = start < 0 ? Tag() : nextTag(html, start);
        if (open.start < 0 || open.start != start || open.end <= from || !open.has("itemtype"))
            continue;
        const qsizetype end = elementEnd(html, open, html.size());
        QHash<QString, QJsonArray> values;
        int properties = 0;
        for (Tag t = nextTag(html, open.end); t.start >= 0 && t.start < end && properties < kMaxProperties;
             t = nextTag(html, t.end)) {
            if (t.closing || !t.has("itemprop"))
                continue;
            ++properties;
            // A property's element is small: one left open ends soon.
            const qsizetype valueEnd = elementEnd(html, t, end, kMaxPropertyTags);
            const QString value = propertyValue(html, t, valueEnd);
            for (const QString& prop : t.attribute("itemprop").split(QLatin1Char(' '), Qt::SkipEmptyParts))
                if (!value.isEmpty() && (lists.contains(prop) || values.value(prop).isEmpty()))
                    values[prop].append(value);
            // A nested item (an author, a step) is read as one text.
            if (t.has("itemscope"))
                t.end = qMax(t.end, valueEnd);
        }
        QJsonObject recipe{{QStringLiteral("@type"), QStringLiteral("Recipe")}};
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            recipe.insert(it.key(), lists.contains(it.key()) ? QJsonValue(it.value()) : it.value().first());
        out.append({recipe, start});
        from = qMax(from, end);
    }
    return out;
}

} // namespace

namespace {

// Whether json (UTF-16 or UTF-8) needs cleaning at all: most pages' JSON
// does not.
// The characters JSON allows after a backslash.
bool knownEscape(char16_t c)
{
    switch (c) {
    case '"':
    case '\\':
    case '/':
    case 'b':
    case 'f':
    case 'n':
    case 'r':
    case 't':
    case 'u': return true;
    default: return false;
    }
}

// Where in p, from i on (before n), a string's text next stops: at a
// quote, a backslash or a raw control character; n where it does not.
// Sixteen bytes are looked at at once: strings are most of a recipe's JSON.
qsizetype stringStop(const char* p, qsizetype i, qsizetype n)
{
#ifdef BD_CHARSCAN_SSE2
    const __m128i quote = _mm_set1_epi8('"'), backslash = _mm_set1_epi8('\\'), control = _mm_set1_epi8(0x1F);
    for (; i + 16 <= n; i += 16) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i stop = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(b, quote), _mm_cmpeq_epi8(b, backslash)),
                                          _mm_cmpeq_epi8(_mm_min_epu8(b, control), b));
        if (const int mask = _mm_movemask_epi8(stop))
            return i + qCountTrailingZeroBits(unsigned(mask));
    }
#endif
    for (; i < n; ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        if (c == '"' || c == '\\' || c < 0x20)
            return i;
    }
    return n;
}

// Where in p, from i on (before n), the text between strings next stops: at
// a quote, a bracket or a comma; n where it does not. Sixteen bytes are
// looked at at once: most of that text is the spaces that indent it.
qsizetype structureStop(const char* p, qsizetype i, qsizetype n)
{
#ifdef BD_CHARSCAN_SSE2
    // '[' and '{', ']' and '}' differ only in the bit 0x20.
    const __m128i quote = _mm_set1_epi8('"'), comma = _mm_set1_epi8(','), bit = _mm_set1_epi8(0x20),
                  open = _mm_set1_epi8('{'), close = _mm_set1_epi8('}');
    for (; i + 16 <= n; i += 16) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i folded = _mm_or_si128(b, bit);
        const __m128i stop = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(b, quote), _mm_cmpeq_epi8(b, comma)),
                                          _mm_or_si128(_mm_cmpeq_epi8(folded, open), _mm_cmpeq_epi8(folded, close)));
        if (const int mask = _mm_movemask_epi8(stop))
            return i + qCountTrailingZeroBits(unsigned(mask));
    }
#endif
    for (; i < n; ++i) {
        const char c = p[i];
        if (c == '"' || c == ',' || c == '[' || c == ']' || c == '{' || c == '}')
            return i;
    }
    return n;
}

// Pieces of a large JSON list are about this size.
constexpr qsizetype kPieceSize = 32 * 1024;

// A look through JSON text (UTF-8): whether it needs cleaning (see
// cleanJson) and, for a large list, its entries in pieces of whole
// entries that parse on their own, handed to onPiece as they are found
// with where the escapes in their strings start (offsets into json); the
// pieces count only when the look ends with pieces true. The escapes of
// a text too small for pieces go to allEscapes, when given.
struct JsonScan {
    bool clean = true;
    bool pieces = false;
};

using OnPiece = std::function<void(QByteArrayView piece, std::vector<qsizetype>&& escapes)>;

JsonScan scanJson(const QByteArray& json, const OnPiece& onPiece, std::vector<qsizetype>* allEscapes = nullptr)
{
    // The scan stops inside strings at their end, escapes and raw control
    // characters (stringStop); outside them at quotes and brackets, and at
    // commas, which may split the list (structureStop).
    const char* p = json.constData();
    const qsizetype n = json.size();
    qsizetype i = 0;
    while (i < n && std::isspace(static_cast<unsigned char>(p[i])))
        ++i;
    const bool list = n >= 2 * kPieceSize && i < n && p[i] == '[';
    qsizetype start = i + 1, end = -1;
    std::vector<qsizetype> escapes;
    int depth = 0;
    bool cut = false;
    for (; i < n; ++i) {
        i = structureStop(p, i, n);
        if (i >= n)
            break;
        const char c = p[i];
        if (c == '"') {
            for (++i; i < n; ++i) {
                i = stringStop(p, i, n);
                if (i >= n || p[i] == '"')
                    break;
                if (p[i] != '\\' || i + 1 >= n || !knownEscape(char16_t(static_cast<unsigned char>(p[i + 1]))))
                    return {false, false}; // a raw control character or an unknown escape
                if (list)
                    escapes.push_back(i);
                else if (allEscapes)
                    allEscapes->push_back(i);
                ++i;
            }
        } else if (c == '[' || c == '{') {
            ++depth;
        } else if (c == ']' || c == '}') {
            // A comma before a closing bracket, which JSON does not allow.
            qsizetype k = i - 1;
            while (k >= 0 && static_cast<unsigned char>(p[k]) <= 0x20)
                --k;
            if (k >= 0 && p[k] == ',')
                return {false, false};
            if (--depth == 0 && end < 0)
                end = i;
        } else if (list && depth == 1 && end < 0 && i - start >= kPieceSize) {
            onPiece(QByteArrayView(p + start, i - start), std::move(escapes));
            escapes.clear();
            start = i + 1;
            cut = true;
        }
    }
    // Anything but one whole list is parsed as one, which reports it.
    if (!cut || end < 0 || depth != 0)
        return {true, false};
    onPiece(QByteArrayView(p + start, end - start), std::move(escapes));
    return {true, true};
}

// A piece of a list (from), with the escapes at the offsets given made
// plain (withPlainEscapes), as a list of its own.
QByteArray listOf(QByteArrayView piece, qsizetype from, const std::vector<qsizetype>& escapes)
{
    QByteArray list;
    list.reserve(piece.size() + 2);
    list.append('[');
    withPlainEscapes(list, piece, from, escapes);
    list.append(']');
    return list;
}

} // namespace

void withPlainEscapes(QByteArray& list, QByteArrayView piece, qsizetype from, const std::vector<qsizetype>& escapes)
{
    // Nothing is written longer than the escape it stands for: the piece is
    // written at once into room made for all of it, its parts between
    // escapes (mostly a line of text each) copied without a call.
    const qsizetype before = list.size();
    list.resize(before + piece.size());
    char* const start = list.data();
    char* out = start + before;
    const auto put = [&out](QByteArrayView bytes) {
        charscan::copyBytes(out, bytes.data(), size_t(bytes.size()));
        out += bytes.size();
    };
    qsizetype done = 0; // of piece, what is in list
    for (const qsizetype at : escapes) {
        const qsizetype i = at - from;
        if (i < done || i + 2 > piece.size())
            continue; // none of this piece's
        put(piece.sliced(done, i - done));
        done = i + 2;
        const char e = piece[i + 1];
        if (e == 'n' || e == 'r' || e == 't' || e == '/') {
            *out++ = e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : '/';
            continue;
        }
        bool ok = e == 'u' && i + 6 <= piece.size();
        uint code = 0;
        for (qsizetype k = i + 2; ok && k < i + 6; ++k) {
            const char c = piece[k];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            ok = digit >= 0;
            code = code * 16 + uint(digit);
        }
        if (ok && code >= 0x20 && code != '"' && code != '\\' && (code < 0xD800 || code > 0xDFFF)) {
            // In UTF-8: at most three bytes for the escape's six.
            if (code < 0x80) {
                *out++ = char(code);
            } else if (code < 0x800) {
                *out++ = char(0xC0 | (code >> 6));
                *out++ = char(0x80 | (code & 0x3F));
            } else {
                *out++ = char(0xE0 | (code >> 12));
                *out++ = char(0x80 | ((code >> 6) & 0x3F));
                *out++ = char(0x80 | (code & 0x3F));
            }
            done = i + 6;
            continue;
        }
        done = i; // kept as written
    }
    put(piece.sliced(done));
    list.truncate(out - start);
}

namespace {

// Where the escapes in json's strings start.
std::vector<qsizetype> escapesIn(QByteArrayView json)
{
    std::vector<qsizetype> escapes;
    const char* p = json.data();
    const char* end = p + json.size();
    // From quote to quote, the backslashes between them and the
    // characters they escape skipped.
    while (const char* open = static_cast<const char*>(std::memchr(p, '"', size_t(end - p)))) {
        p = open + 1;
        for (;;) {
            const char* close = static_cast<const char*>(std::memchr(p, '"', size_t(end - p)));
            const char* stop = close ? close : end;
            // The quote found ends the string unless an escape takes it:
            // only then is the end looked for again.
            while (const char* escape = static_cast<const char*>(std::memchr(p, '\\', size_t(stop - p)))) {
                escapes.push_back(escape - json.data());
                p = escape + 2 < end ? escape + 2 : end;
                if (p > stop)
                    break;
            }
            if (p <= stop) {
                p = close ? close + 1 : end;
                break;
            }
        }
    }
    return escapes;
}

// json parsed as parsedJson does, its escapes where given.
QJsonDocument parsedWith(QByteArrayView json, const std::vector<qsizetype>& escapes, QJsonParseError* error)
{
    if (!escapes.empty()) {
        QByteArray plain;
        plain.reserve(json.size());
        withPlainEscapes(plain, json, 0, escapes);
        QJsonParseError quick{};
        QJsonDocument doc = QJsonDocument::fromJson(plain, &quick);
        if (quick.error == QJsonParseError::NoError) {
            if (error)
                *error = quick;
            return doc;
        }
    }
    // Should the parser refuse what the escapes became, the text as written.
    return QJsonDocument::fromJson(json.toByteArray(), error);
}

} // namespace

QJsonDocument parsedJson(QByteArrayView json, QJsonParseError* error)
{
    return parsedWith(json, escapesIn(json), error);
}

namespace {

// A list of at least twice kPieceSize read in pieces, as readJsonRecipes
// says; nullopt when json is no such list (json is then cleaned where it
// needs it, for reading whole), else whether every piece was JSON.
std::optional<bool> readJsonPieces(QByteArray& json, const PageContext& page,
                                   const std::function<void(const Taken&)>& take)
{
    // A large list: its pieces parsed and their recipes read side by side
    // while the rest is looked through, each piece's objects let go of by
    // the thread that made them, and taken as soon as the pieces before are.
    // A recipe that refers to an object elsewhere is read again once all
    // are parsed, and so taken only then, with those after it.
    struct Piece {
        QByteArrayView text;
        std::vector<qsizetype> escapes;
        BlockObjects<QJsonObject> objects;
        std::vector<Taken> recipes;
        std::vector<char> again;
        bool parsed = false, waits = false;
    };
    std::vector<Piece> parts;
    JsonScan scan;
    bool whole = true, waiting = false;
    auto takePiece = [&](qsizetype i) {
        Piece& part = parts[size_t(i)];
        whole = whole && part.parsed;
        waiting = waiting || std::find(part.again.begin(), part.again.end(), 1) != part.again.end();
        part.waits = waiting;
        if (waiting)
            return;
        for (const Taken& t : part.recipes)
            take(t);
    };
    for (bool cleaned = false;; cleaned = true) {
        // Pieces are at least kPieceSize long, but for the last.
        const qsizetype capacity = json.size() / kPieceSize + 2;
        parts = std::vector<Piece>(size_t(capacity));
        qsizetype found = 0;
        const qsizetype count = whileFound(
            capacity,
            [&](const std::function<void()>& publish) {
                scan = scanJson(json, [&](QByteArrayView piece, std::vector<qsizetype>&& escapes) {
                    parts[size_t(found)].escapes = std::move(escapes);
                    parts[size_t(found++)].text = piece;
                    publish();
                });
                return scan.clean && scan.pieces ? found : -1;
            },
            [&](qsizetype i) {
                Piece& part = parts[size_t(i)];
                const qsizetype from = part.text.data() - json.constData();
                QJsonDocument doc = QJsonDocument::fromJson(listOf(part.text, from, part.escapes));
                // Should the parser refuse what the escapes became, the piece as written.
                if (!doc.isArray() && !part.escapes.empty())
                    doc = QJsonDocument::fromJson(listOf(part.text, from, {}));
                if (!doc.isArray())
                    return;
                findObjects(QJsonValue(doc.array()), part.objects, false, 0);
                part.parsed = true;
                const qsizetype n = part.objects.recipes.size();
                part.recipes.resize(size_t(n));
                part.again.resize(size_t(n), 0);
                bool kept = !part.objects.references.isEmpty();
                for (qsizetype k = 0; k < n; ++k) {
                    Lookup<QJsonObject> lookup;
                    part.recipes[size_t(k)] = taken(part.objects.recipes[k], page, lookup);
                    part.again[size_t(k)] = lookup.referred;
                    kept = kept || lookup.referred;
                }
                if (!kept)
                    part.objects = {};
            },
            takePiece);
        parts.resize(size_t(qMax<qsizetype>(count, 0)));
        if (scan.clean || cleaned)
            break;
        json = cleanJson(QString::fromUtf8(json));
    }
    if (parts.empty())
        return std::nullopt;
    if (waiting) {
        QHash<QString, QJsonObject> references;
        for (const Piece& part : parts)
            // The first object of an id counts, as in a list read whole.
            for (auto it = part.objects.references.cbegin(); it != part.objects.references.cend(); ++it)
                if (!references.contains(it.key()))
                    references.insert(it.key(), it.value());
        for (Piece& part : parts) {
            for (size_t k = 0; part.waits && k < part.recipes.size(); ++k) {
                if (part.again[k])
                    part.recipes[k] = taken(part.objects.recipes[qsizetype(k)], page, &references);
                take(part.recipes[k]);
            }
        }
    }
    return whole;
}

// Hands the recipes of JSON text (UTF-8, cleaned where it needs it) to
// take, in order; false when it is no JSON, or a piece of a large list is
// none (the recipes of the other pieces are taken all the same).
// Hands the recipes of the objects found in a block to take, in order.
template <typename Object>
void takeRecipes(const BlockObjects<Object>& found, const PageContext& page,
                 const std::function<void(const Taken&)>& take)
{
    if (found.recipes.size() == 1) {
        // One recipe (a file of one, a zip's entry): no work to share.
        take(taken(found.recipes.front(), page, &found.references));
        return;
    }
    // The recipes are read side by side and taken in their order.
    std::vector<Taken> recipes(size_t(found.recipes.size()));
    inParallelInOrder(
        found.recipes.size(),
        [&](qsizetype i) { recipes[size_t(i)] = taken(found.recipes[i], page, &found.references); },
        [&](qsizetype i) { take(recipes[size_t(i)]); });
}

bool readJsonRecipes(QByteArray json, const PageContext& page, const std::function<void(const Taken&)>& take)
{
    // Most JSON is parsed by simdjson, whole. What it refuses (JSON written
    // carelessly) is cleaned and parsed by Qt's parser as below, and so is
    // a text larger than kQuickWhole: simdjson's document and parser need
    // several times the text, where a list read in pieces needs a few
    // pieces' worth.
    constexpr qsizetype kQuickWhole = qsizetype(16) << 20;
    if (const std::optional<ParsedJsonView> parsed = json.size() <= kQuickWhole ? ParsedJsonView::parse(json)
                                                                                : std::nullopt) {
        BlockObjects<JsonViewObject> found;
        findObjects(parsed->root(), found, false, 0);
        takeRecipes(found, page, take);
        return true;
    }
    // The escapes of a small text as the look for cleaning finds them.
    std::optional<std::vector<qsizetype>> escapes;
    if (json.size() < 2 * kPieceSize) {
        std::vector<qsizetype> found;
        if (scanJson(json, {}, &found).clean)
            escapes = std::move(found);
        else
            json = cleanJson(QString::fromUtf8(json));
    } else if (const std::optional<bool> whole = readJsonPieces(json, page, take)) {
        return *whole;
    }
    const QJsonDocument doc = escapes ? parsedWith(json, *escapes, nullptr) : parsedJson(json);
    if (doc.isNull())
        return false;
    BlockObjects<QJsonObject> found;
    findObjects(doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object()), found, false, 0);
    takeRecipes(found, page, take);
    return true;
}

} // namespace

QByteArray cleanJson(QStringView json)
{
    QString out;
    out.reserve(json.size());
    bool inString = false;
    for (qsizetype i = 0; i < json.size(); ++i) {
        const QChar c = json[i];
        if (!inString) {
            if (c == QLatin1Char('"'))
                inString = true;
            // A comma before a closing bracket, which JSON does not allow.
            if (c == QLatin1Char('}') || c == QLatin1Char(']')) {
                qsizetype k = out.size();
                while (k > 0 && out[k - 1].isSpace())
                    --k;
                if (k > 0 && out[k - 1] == QLatin1Char(','))
                    out.remove(k - 1, 1);
            }
            out += c;
            continue;
        }
        if (c == QLatin1Char('\\') && i + 1 < json.size()) {
            const QChar e = json[i + 1];
            if (knownEscape(e.unicode())) {
                out += c;
                out += e;
            } else if (e.unicode() >= 0x20) {
                out += e; // "\'" and the like: the character itself
            }
            ++i;
            continue;
        }
        if (c == QLatin1Char('"'))
            inString = false;
        if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if (c.unicode() >= 0x20)
            out += c;
    }
    return out.toUtf8();
}

namespace {

// The JSON values (objects or lists) of a text that holds them one after
// another, apart by spaces or commas; none when it holds anything else.
std::vector<QByteArrayView> jsonValues(QByteArrayView json)
{
    std::vector<QByteArrayView> values;
    const char* p = json.data();
    const qsizetype n = json.size();
    for (qsizetype i = 0; i < n;) {
        const char c = p[i];
        if (std::isspace(static_cast<unsigned char>(c)) || c == ',') {
            ++i;
            continue;
        }
        if (c != '{' && c != '[')
            return {};
        const qsizetype start = i;
        int depth = 0;
        bool inString = false;
        for (; i < n; ++i) {
            const char k = p[i];
            if (inString) {
                if (k == '\\')
                    ++i;
                else if (k == '"')
                    inString = false;
            } else if (k == '"') {
                inString = true;
            } else if (k == '{' || k == '[') {
                ++depth;
            } else if ((k == '}' || k == ']') && --depth == 0) {
                break;
            }
        }
        if (i >= n)
            return {};
        values.push_back(json.sliced(start, ++i - start));
    }
    return values;
}

} // namespace

bool looksLikeSchemaOrg(QStringView text)
{
    const QStringView t = text.trimmed();
    // Blocks and microdata are in tags: text without a '<' (a large
    // MealMaster file, say) needs no further look. Case-sensitive searches
    // are much faster on large texts.
    if (t.startsWith(QLatin1Char('{')) || t.startsWith(QLatin1Char('[')))
        return true;
    return text.contains(QLatin1Char('<')) &&
           (text.contains(QLatin1String("ld+json")) || text.contains(QLatin1String("LD+JSON")) ||
            text.contains(QLatin1String("ld+JSON")) || text.contains(QLatin1String("schema.org/Recipe")) ||
            text.contains(QLatin1String("schema.org/recipe")));
}

namespace {

RecipeList readSchemaOrg(QStringView text, const QByteArray* utf8, const PageContext& page)
{
    RecipeList read;
    LineCounter<QStringView> lines(text);
    // Pages often describe one recipe in two blocks (two plugins each
    // writing one): the second is no recipe of its own.
    QSet<QString> seen;
    auto add = [&](const Taken& t, qsizetype position) {
        if (t.empty)
            read.skipped << lines.at(position);
        else if (!seen.contains(t.key))
            read.add(t.ready);
        seen.insert(t.key);
    };
    const auto blocks = utf8 ? QVector<QPair<QStringView, qsizetype>>{{text, 0}} : jsonBlocks(text);
    for (const auto& [block, position] : blocks) {
        const auto take = [&, position = position](const Taken& t) { add(t, position); };
        const QByteArray json = utf8 ? *utf8 : block.toUtf8();
        if (readJsonRecipes(json, page, take))
            continue;
        // A file may hold several JSON values one after another.
        const std::vector<QByteArrayView> values = jsonValues(json);
        bool any = false;
        if (values.size() < 2) {
            read.skipped << lines.at(position);
            continue;
        }
        for (QByteArrayView v : values)
            any = readJsonRecipes(v.toByteArray(), page, take) || any;
        if (!any)
            read.skipped << lines.at(position);
    }
    // Pages with a JSON block may mark the same recipe with microdata too.
    if (read.isEmpty())
        for (const auto& [o, position] : microdataRecipes(text))
            add(taken(o, page, static_cast<const QHash<QString, QJsonObject>*>(nullptr)), position);
    // Microdata may come before the blocks that had recipes left out.
    std::sort(read.skipped.begin(), read.skipped.end());
    return read;
}

} // namespace

RecipeList readSchemaOrg(QStringView text, const ReadContext& context, const QString& address)
{
    return readSchemaOrg(text, nullptr, PageContext{address, context});
}

RecipeList readSchemaOrgJson(const QByteArray& utf8, const ReadContext& context)
{
    const QString noAddress;
    return readSchemaOrg(QStringView(), &utf8, PageContext{noAddress, context});
}

} // namespace bd
