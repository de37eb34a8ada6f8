#include "exchange/formats/macgourmet.h"

#include "exchange/formats/archive.h"

#include "exchange/formats/exportnotes.h"
#include "exchange/formats/parallel.h"
#include "exchange/formats/xmlreading.h"

#include <QVarLengthArray>

#include <cstring>
#include <optional>
#include <vector>

namespace bd {

QVariant plistValue(const pugi::xml_node& value, int depth)
{
    constexpr int kMaxDepth = 16;
    const char* type = value.name();
    // Most values are strings: asked for first.
    const auto is = [type](const char* name) { return sameName(type, name); };
    if (is("string"))
        return QString::fromUtf8(value.child_value());
    if (is("dict")) {
        QVariantMap map;
        if (depth >= kMaxDepth)
            return map;
        // Keys and values alternate.
        for (pugi::xml_node key = value.child("key"); key; key = key.next_sibling("key")) {
            pugi::xml_node v = key.next_sibling();
            while (v && v.type() != pugi::node_element)
                v = v.next_sibling();
            if (v && std::strcmp(v.name(), "key"))
                map.insert(QString::fromUtf8(key.child_value()), plistValue(v, depth + 1));
        }
        return map;
    }
    if (is("array")) {
        QVariantList list;
        if (depth < kMaxDepth)
            for (pugi::xml_node v = value.first_child(); v; v = v.next_sibling())
                if (v.type() == pugi::node_element)
                    list << plistValue(v, depth + 1);
        return list;
    }
    if (is("integer"))
        return QString::fromUtf8(value.child_value()).trimmed().toLongLong();
    if (is("real"))
        return QString::fromUtf8(value.child_value()).trimmed().toDouble();
    if (is("true") || is("false"))
        return is("true");
    if (is("data"))
        return pictureFromBase64(QByteArrayView(value.child_value()));
    return QString::fromUtf8(value.child_value());
}

namespace {

// Calls each(key, value) for the entries of a dict's element in order:
// keys and values alternate, and a key without a value counts for none.
// each returns false to stop; so then does this.
template <typename Each>
bool forEachEntry(pugi::xml_node dict, Each each)
{
    const char* key = nullptr;
    for (pugi::xml_node v = dict.first_child(); v; v = v.next_sibling()) {
        if (v.type() != pugi::node_element)
            continue;
        if (isName(v.name(), "key")) {
            key = v.child_value();
        } else if (key) {
            if (!each(key, v))
                return false;
            key = nullptr;
        }
    }
    return true;
}

// A value of the property list where it stands in the document: a dict's
// keys are listed once, with where each value stands, without a copy of
// the values.
class Plist {
public:
    explicit Plist(pugi::xml_node node = pugi::xml_node()) : node_(node)
    {
        if (is("dict"))
            forEachEntry(node_, [this](const char* key, pugi::xml_node v) {
                entries_.emplace_back(key, v);
                return true;
            });
    }
    explicit operator bool() const { return bool(node_); }
    bool is(const char* type) const
    {
        const char* name = node_.name(); // "" for none
        return sameName(name, type);
    }
    // A dict's value under key (the last of a key written twice); none for
    // anything but a dict.
    Plist operator[](const char* key) const
    {
        for (auto it = entries_.crbegin(); it != entries_.crend(); ++it)
            if (sameName(it->first, key))
                return Plist(it->second);
        return Plist();
    }
    // An array's items; none for anything but an array.
    // Calls each(item) for an array's items in order (none for anything
    // but an array); whether there were any.
    template <typename Each>
    bool forEachItem(Each each) const
    {
        return forEachNode([&each](pugi::xml_node v) { each(Plist(v)); });
    }
    // The same, each item's element as it stands in the document.
    template <typename Each>
    bool forEachNode(Each each) const
    {
        bool any = false;
        if (is("array"))
            for (pugi::xml_node v = node_.first_child(); v; v = v.next_sibling())
                if (v.type() == pugi::node_element) {
                    each(v);
                    any = true;
                }
        return any;
    }
    // A single value as text, as str() gives it: a string (or a value of a
    // type it does not know) as it is, a number as its digits; empty for
    // anything else.
    QString text() const
    {
        if (is("string"))
            return QString::fromUtf8(node_.child_value());
        if (!node_ || is("dict") || is("array") || is("true") || is("false") || is("data"))
            return QString();
        const QVariant v = plistValue(node_);
        if (v.typeId() == QMetaType::Double)
            return QString::number(v.toDouble()); // <real>0.5</real>
        return v.toString();
    }
    // A single value (string, number, true or false, data) as plistValue
    // makes it.
    QVariant value() const { return node_ && !is("dict") && !is("array") ? plistValue(node_) : QVariant(); }

private:
    pugi::xml_node node_;
    // Of a dict, in its order; most have a few keys, held without an allocation.
    QVarLengthArray<std::pair<const char*, pugi::xml_node>, 16> entries_;
};

QString str(const Plist& m, const char* key) { return m[key].text(); }

QString one(const Plist& m, const char* key) { return simplifiedText(str(m, key)); }

// Which part of an ingredient's line (QUANTITY, MEASUREMENT, DESCRIPTION,
// DIRECTION) a key of its dict names: 0 to 3, or -1 for none.
int ingredientPart(const char* key)
{
    switch (key[0]) {
    case 'Q': return isName(key + 1, "UANTITY") ? 0 : -1;
    case 'M': return isName(key + 1, "EASUREMENT") ? 1 : -1;
    case 'D': return isName(key + 1, "ESCRIPTION") ? 2 : isName(key + 1, "IRECTION") ? 3 : -1;
    default: return -1;
    }
}

// Adds to ing the line of an ingredient's dict that is no heading and
// whose parts are plain ASCII strings (plainAsciiLength) or none, as most
// are: written from the document's text into line, in one look through
// the dict (the last value of a key written twice, as a Plist gives it).
// False for any other, which a Plist then reads.
bool addPlainIngredient(pugi::xml_node dict, QString& ing, QVarLengthArray<char, 256>& line)
{
    if (!isName(dict.name(), "dict"))
        return false;
    const char* values[4] = {"", "", "", ""};
    const bool plainTexts = forEachEntry(dict, [&values](const char* key, pugi::xml_node v) {
        if (isName(key, "IS_DIVIDER"))
            return isName(v.name(), "false");
        const int k = ingredientPart(key);
        if (k < 0)
            return true;
        values[k] = v.child_value();
        return isName(v.name(), "string");
    });
    if (!plainTexts)
        return false;
    QByteArrayView plain[4];
    for (int k = 0; k < 4; ++k) {
        const qsizetype n = plainAsciiLength(values[k]);
        if (n < 0)
            return false;
        plain[k] = QByteArrayView(values[k], n);
    }
    writeIngredientLine(line, {plain[0], plain[1], plain[2]}, plain[3]);
    addLine(ing, QLatin1String(line.constData(), line.size()));
    return true;
}

QString ingredients(const Plist& list)
{
    QString ing, line;
    QVarLengthArray<char, 256> plainLine;
    list.forEachNode([&](pugi::xml_node node) {
        if (addPlainIngredient(node, ing, plainLine))
            return;
        const Plist i(node);
        if (i["IS_DIVIDER"].value().toBool()) {
            addIngredientHeading(ing, one(i, "DESCRIPTION"));
            return;
        }
        writeIngredientLine(line, {one(i, "QUANTITY"), one(i, "MEASUREMENT"), one(i, "DESCRIPTION")},
                            one(i, "DIRECTION"));
        addLine(ing, line);
    });
    return ing;
}

QString directions(const Plist& r)
{
    QString prep;
    if (!r["DIRECTIONS_LIST"].forEachItem([&prep](const Plist& step) {
            addParagraph(prep, one(step, "LABEL_TEXT"));
            addParagraph(prep, tidyLines(str(step, "DIRECTION_TEXT"), true));
        }))
        return tidyLines(str(r, "DIRECTIONS"), true);
    return prep;
}

// An amount of a time unit (as the program numbers them) in seconds, or a
// temperature's text; empty for an amount of nothing.
QString timeAmount(qlonglong amount, qlonglong unit, qint64& seconds)
{
    static constexpr qint64 kSeconds[] = {86400, 3600, 60, 1, 7 * 86400};
    if (unit >= 0 && unit < 5) {
        seconds += amount * kSeconds[unit];
        return QString();
    }
    if (amount == 0)
        return QString();
    return QString::number(amount) + (unit == 5 ? QStringLiteral(" °C") : QStringLiteral(" °F"));
}

// The kinds of time that are cooking, as the program numbers them: grill,
// poach, fry, roast, saute, steam, boil, simmer, brown, pressure cook and
// microwave.
bool cookingTime(qlonglong type)
{
    for (qlonglong t : {7, 13, 14, 15, 16, 17, 18, 20, 22, 24, 31})
        if (type == t)
            return true;
    return false;
}

void readTimes(const Plist& times, Recipe& recipe, ExportNotes& notes)
{
    constexpr qlonglong kPrep = 9, kReadyIn = 19;
    times.forEachItem([&](const Plist& t) {
        qint64 seconds = 0;
        QStringList parts;
        for (const auto& [amount, unit] :
             {std::pair("AMOUNT", "TIME_UNIT_ID"), std::pair("AMOUNT_2", "TIME_UNIT_2_ID")})
            if (const QString p = timeAmount(t[amount].value().toLongLong(), t[unit].value().toLongLong(), seconds);
                !p.isEmpty())
                parts << p;
        if (seconds > 0)
            parts.prepend(durationText(QStringLiteral("PT%1S").arg(seconds)));
        const QString time = parts.join(QStringLiteral(", "));
        const qlonglong type = t["TIME_TYPE_ID"].value().toLongLong();
        if (type == kPrep && recipe.preptime.isEmpty())
            recipe.preptime = time;
        else if (cookingTime(type) && recipe.cooktime.isEmpty())
            recipe.cooktime = time;
        else
            notes.line(type == kReadyIn ? Str::NoteTotalTime : Str::NoteTime, time);
    });
}

Recipe recipeOf(const Plist& r, QStringList& categories, int lang)
{
    Recipe recipe;
    recipe.title = one(r, "NAME");
    // Each category a dict with its name, or (as some versions write them) the name alone.
    r["CATEGORIES"].forEachItem([&categories](const Plist& c) {
        addNames(categories, c.is("string") ? c.value().toString() : one(c, "NAME"), QChar());
    });
    // "--" is the program's word for no course.
    if (const QString course = one(r, "COURSE_NAME"); course != QLatin1String("--"))
        addNames(categories, course, QChar());
    const qlonglong servings = r["SERVINGS"].value().toLongLong();
    const QString yield = one(r, "YIELD");
    recipe.yield = servings > 0 ? QString::number(servings) : yield;
    recipe.ing = ingredients(r["INGREDIENTS"]);
    recipe.prep = directions(r);

    ExportNotes notes(lang);
    notes.text(str(r, "SUMMARY"));
    if (!r["NOTES_LIST"].forEachItem([&notes](const Plist& n) { notes.text(str(n, "NOTE_TEXT")); }))
        notes.text(str(r, "NOTE"));
    readTimes(r["PREP_TIMES"], recipe, notes);
    if (servings > 0)
        notes.line(Str::NoteYield, yield);
    QStringList source;
    for (const char* key : {"SOURCE", "PUBLICATION_PAGE"})
        if (const QString s = one(r, key); !s.isEmpty())
            source << s;
    notes.line(Str::NoteSource, source.join(QStringLiteral(", ")));
    notes.line(Str::NoteSource, one(r, "URL"));
    notes.line(Str::NoteKeywords, one(r, "KEYWORDS"));
    notes.categories(categories);
    // The nutrition facts as a table of name, tab, value.
    QString facts = str(r, "NUTRITION");
    facts.replace(QLatin1Char('\t'), QLatin1Char(' '));
    notes.line(Str::NoteNutrition, tidyLines(facts, true).replace(QLatin1Char('\n'), QStringLiteral("; ")));
    recipe.other = notes.notes();
    return recipe;
}

// The picture: data, or (in an export as text) the same bytes in
// hexadecimal digits.
QByteArray pictureOf(const QVariant& image)
{
    if (image.typeId() != QMetaType::QString)
        return image.toByteArray();
    constexpr qsizetype kMaxDigits = qsizetype(128) << 20;
    const QString digits = image.toString().trimmed();
    if (digits.size() > kMaxDigits)
        return QByteArray();
    return QByteArray::fromHex(digits.toLatin1());
}

// A recipe of the property list and its picture; no recipe for a value
// that is none.
struct Read {
    std::optional<Recipe> recipe;
    QByteArray picture;
};

Read readRecipe(pugi::xml_node node, const ReadContext& context)
{
    const Plist r(node);
    if (!r.is("dict") || (!r["NAME"] && !r["INGREDIENTS"]))
        return {};
    QStringList categories;
    Recipe recipe = recipeOf(r, categories, context.langOffset);
    return {readyRecipe(std::move(recipe), categories.value(0), context), pictureOf(r["IMAGE"].value())};
}

void addRead(RecipeList& list, Read& r)
{
    if (!r.recipe)
        return;
    list.add(std::move(*r.recipe));
    list.setLastPicture(std::move(r.picture));
}

} // namespace

std::optional<RecipeList> readMacGourmet(const FileLook& file, const ReadContext& context)
{
    if (file.root != QLatin1String("plist") ||
        (file.suffix != QLatin1String("mgourmet") && !file.bytes.left(4096).contains("<key>INGREDIENTS</key>") &&
         !file.bytes.contains("<key>EXPORT_TYPE</key>")))
        return std::nullopt;
    QByteArray xml = xmlAsUtf8(file.bytes);
    RecipeList list;
    // The recipes (the outermost dicts) parsed in pieces side by side: a
    // list's text is three times the size of its recipes in the book.
    if (readXmlPieces<Read>(
            xml, "dict",
            [&](const pugi::xml_document& piece, std::vector<Read>& read) {
                for (pugi::xml_node v = piece.first_child(); v; v = v.next_sibling())
                    if (v.type() == pugi::node_element)
                        read.push_back(readRecipe(v, context));
            },
            [&](Read& r) { addRead(list, r); },
            // A value's text kept in its element, not in a node of its own:
            // a property list is mostly values of one text each.
            pugi::parse_default | pugi::parse_embed_pcdata))
        return list;
    list = RecipeList();
    // Parsed whole, in place: the text is not copied once more.
    pugi::xml_document doc;
    doc.load_buffer_inplace(xml.data(), size_t(xml.size()), pugi::parse_default, pugi::encoding_utf8);
    pugi::xml_node top = doc.document_element().first_child();
    while (top && top.type() != pugi::node_element)
        top = top.next_sibling();
    // One recipe may come as a dict of its own; those of an array are
    // read side by side.
    std::vector<pugi::xml_node> dicts;
    if (top && !std::strcmp(top.name(), "dict"))
        dicts.push_back(top);
    else if (top && !std::strcmp(top.name(), "array"))
        for (pugi::xml_node v = top.first_child(); v; v = v.next_sibling())
            if (v.type() == pugi::node_element)
                dicts.push_back(v);
    std::vector<Read> read(dicts.size());
    inParallelInOrder(
        qsizetype(dicts.size()), [&](qsizetype i) { read[size_t(i)] = readRecipe(dicts[size_t(i)], context); },
        [&](qsizetype i) { addRead(list, read[size_t(i)]); });
    return list;
}

} // namespace bd
