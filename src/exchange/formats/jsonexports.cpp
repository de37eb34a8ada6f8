#include "exchange/formats/jsonexports.h"

#include "exchange/formats/exportnotes.h"
#include "exchange/formats/jsonview.h"
#include "exchange/formats/parallel.h"
#include "exchange/formats/schemaorg.h"
#include "resources/strings.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace bd {

namespace {

// A JSON object from a file's or an entry's bytes (a byte order mark
// allowed), JSON a program wrote carelessly cleaned first; nullopt when
// they hold none.
std::optional<QJsonObject> jsonObject(QByteArrayView bytes)
{
    if (bytes.startsWith("\xef\xbb\xbf"))
        bytes = bytes.sliced(3);
    QJsonParseError error{};
    QJsonDocument doc = parsedJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        if (!QUtf8StringView(bytes).isValidUtf8())
            return std::nullopt;
        doc = QJsonDocument::fromJson(cleanJson(QString::fromUtf8(bytes)), &error);
    }
    if (!doc.isObject())
        return std::nullopt;
    return doc.object();
}

// Whether a file starts as a JSON object and names all of keys: a quick
// look before the parse, so that other JSON files cost little.
bool mayName(QByteArrayView bytes, std::initializer_list<const char*> keys)
{
    const QByteArrayView start = bytes.first(qMin<qsizetype>(64, bytes.size())).trimmed();
    if (!start.startsWith('{') && !start.startsWith("\xef\xbb\xbf{"))
        return false;
    for (const char* key : keys) {
        // The key in quotes, made where it is looked for.
        char quoted[64];
        const size_t n = qMin(std::strlen(key), sizeof quoted - 2);
        quoted[0] = '"';
        std::memcpy(quoted + 1, key, n);
        quoted[n + 1] = '"';
        if (!bytes.contains(QByteArrayView(quoted, qsizetype(n + 2))))
            return false;
    }
    return true;
}

// Whether a JSON object holds all of keys.
template <typename Object>
bool holdsAll(const Object& o, std::initializer_list<const char*> keys)
{
    return std::all_of(keys.begin(), keys.end(), [&o](const char* key) { return o.contains(QLatin1String(key)); });
}

// A JSON object from a file that starts as one and names all of keys.
std::optional<QJsonObject> jsonNaming(QByteArrayView bytes, std::initializer_list<const char*> keys)
{
    if (!mayName(bytes, keys))
        return std::nullopt;
    std::optional<QJsonObject> o = jsonObject(bytes);
    return o && holdsAll(*o, keys) ? o : std::nullopt;
}

// An amount as a cook writes it: "2", "1 1/2", "1/3", "0.15".
QString numberText(double v)
{
    if (!std::isfinite(v) || v <= 0)
        return QString();
    struct Fraction {
        double value;
        const char* text;
    };
    static const Fraction fractions[] = {{0.125, "1/8"},   {0.25, "1/4"}, {1.0 / 3, "1/3"},
                                         {0.375, "3/8"},   {0.5, "1/2"},  {0.625, "5/8"},
                                         {2.0 / 3, "2/3"}, {0.75, "3/4"}, {0.875, "7/8"}};
    const double whole = std::floor(v + 0.005);
    const double part = v - whole;
    if (std::abs(part) < 0.005 && whole < 1e12)
        return QString::number(qint64(whole));
    for (const Fraction& f : fractions)
        if (std::abs(part - f.value) < 0.005)
            return (whole >= 1 ? QString::number(qint64(whole)) + QLatin1Char(' ') : QString()) + QLatin1String(f.text);
    return QString::number(v, 'g', 6);
}

// A value (QJsonValue or JsonView) as text: a string trimmed, a number as
// numberText writes it, anything else empty.
template <typename Value>
QString textOf(const Value& v)
{
    if (v.isString())
        return v.toString().trimmed();
    if (v.isDouble())
        return numberText(v.toDouble());
    return QString();
}

template <typename Object>
QString text(const Object& o, const char* key)
{
    return textOf(o.value(QLatin1String(key)));
}

// A name: a text, or an object's "name".
template <typename Value>
QString nameOf(const Value& v)
{
    return v.isObject() ? textOf(v.toObject().value(QLatin1String("name"))) : textOf(v);
}

// The names of a list of texts or of objects with a name; a text alone
// is a list of one.
template <typename Value>
QStringList names(const Value& v)
{
    QStringList out;
    const auto add = [&out](const Value& item) {
        if (const QString n = nameOf(item); !n.isEmpty() && !out.contains(n))
            out << n;
    };
    if (!v.isArray())
        add(v);
    else
        for (const Value& item : v.toArray())
            add(item);
    return out;
}

// A number of minutes (a number or its text) as the book writes a time;
// empty for none or 0.
QString minutesText(const QJsonValue& v)
{
    const double minutes = v.isString() ? v.toString().trimmed().toDouble() : v.toDouble();
    if (!std::isfinite(minutes) || minutes < 1 || minutes > 1e6)
        return QString();
    return durationText(QStringLiteral("PT%1M").arg(qint64(std::lround(minutes))));
}

// The objects of a list in the order their "order" field gives (file order
// where they have none).
std::vector<QJsonObject> inOrder(const QJsonValue& list)
{
    std::vector<QJsonObject> out;
    for (const QJsonValue& item : list.toArray())
        if (item.isObject())
            out.push_back(item.toObject());
    std::stable_sort(out.begin(), out.end(), [](const QJsonObject& a, const QJsonObject& b) {
        return a.value(QLatin1String("order")).toDouble() < b.value(QLatin1String("order")).toDouble();
    });
    return out;
}

// Each line of a text a paragraph of its own (steps written a line each);
// a line starting with '#' is a heading, the marks dropped.
QString stepsText(const QString& text)
{
    QString out;
    for (const QString& line : tidyLines(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        QStringView t(line);
        while (t.startsWith(QLatin1Char('#')))
            t = t.sliced(1);
        addParagraph(out, t.trimmed());
    }
    return out;
}

// Lines with headings marked by '#' as plain lines.
QString unmarkedLines(const QString& text)
{
    QStringList lines = tidyLines(text).split(QLatin1Char('\n'));
    for (QString& line : lines) {
        qsizetype marks = 0;
        while (marks < line.size() && line[marks] == QLatin1Char('#'))
            ++marks;
        if (marks > 0)
            line = line.mid(marks).trimmed();
    }
    return lines.join(QLatin1Char('\n'));
}

// A rating as the notes keep it: none for 0, which says the cook gave none.
template <typename Value>
QString ratingText(const Value& v)
{
    const QString r = textOf(v);
    return r == QLatin1String("0") ? QString() : r;
}

// Nutrition as the notes keep it: a text, or an object of amounts
// ("fat_content": "12") as "fat 12, ...".
QString nutritionText(const QJsonValue& v)
{
    if (!v.isObject())
        return textOf(v);
    QStringList parts;
    const QJsonObject o = v.toObject();
    for (auto it = o.begin(); it != o.end(); ++it) {
        const QString amount = textOf(it.value());
        if (amount.isEmpty() || it.key().startsWith(QLatin1Char('@')) || it.key() == QLatin1String("id"))
            continue;
        QString name = it.key();
        name.remove(QLatin1String("_content")).remove(QLatin1String("Content")).replace(QLatin1Char('_'), ' ');
        parts << name + QLatin1Char(' ') + amount;
    }
    return parts.join(QStringLiteral(", "));
}

// A picture's bytes from base64 text (a data: address allowed); empty for
// none, or for one larger than an archive's file may be.
template <typename Value>
QByteArray base64Picture(const Value& v)
{
    if (!v.isString())
        return QByteArray();
    QString s = v.toString();
    if (s.startsWith(QLatin1String("data:")))
        s = s.mid(s.indexOf(QLatin1Char(',')) + 1);
    if (s.size() / 4 * 3 > ArchiveLimits().entryBytes)
        return QByteArray();
    return QByteArray::fromBase64(s.toLatin1());
}

// The first picture of a list of base64 pictures.
QByteArray firstPicture(const QJsonValue& list)
{
    const QJsonArray images = list.toArray();
    return images.isEmpty() ? QByteArray() : base64Picture(images.first());
}

// The archive's files (junk left out) whose names end with ending.
QStringList entriesEnding(const Archive& archive, const QString& ending)
{
    QStringList out;
    for (const QString& name : archive.names())
        if (name.endsWith(ending, Qt::CaseInsensitive) && !junkEntry(name))
            out << name;
    return out;
}

// Reads each of entries: parse(bytes, piece), on any thread, makes an
// entry's bytes into a list of its own, side by side with the others;
// then(name, list) runs on this thread in order once the piece is
// added to the list, and may read the archive (a picture beside the
// entry). An entry that cannot be read or parsed is noted as skipped by
// its number.
template <typename Parse, typename Then>
RecipeList readEntries(Archive& archive, const QStringList& entries, Parse parse, Then then)
{
    const qsizetype n = entries.size();
    // Each file is found and counted against the archive's limits here,
    // then unpacked and parsed on any thread; one that cannot be found so
    // (packed in another way) is read here, and one that unpacks to other
    // than it should is read again here, in order.
    std::vector<std::optional<Archive::Packed>> packed(static_cast<size_t>(n));
    std::vector<std::optional<QByteArray>> bytes(static_cast<size_t>(n));
    std::vector<RecipeList> pieces(static_cast<size_t>(n));
    std::vector<char> parsed(static_cast<size_t>(n), 0), again(static_cast<size_t>(n), 0);
    RecipeList list;
    whileFound(
        n,
        [&](const std::function<void()>& publish) {
            // The archive is looked through on this thread only.
            for (qsizetype i = 0; i < n; ++i) {
                packed[size_t(i)] = archive.find(entries[i]);
                if (!packed[size_t(i)])
                    bytes[size_t(i)] = archive.read(entries[i]);
                publish();
            }
            return n;
        },
        [&](qsizetype i) {
            const size_t k = size_t(i);
            if (packed[k]) {
                bytes[k] = Archive::unpack(*packed[k]);
                again[k] = !bytes[k];
            }
            parsed[k] = bytes[k] && parse(*bytes[k], pieces[k]);
            // Let go of on the thread that made it: a free on another
            // thread waits for the making thread's heap.
            bytes[k].reset();
        },
        [&](qsizetype i) {
            const size_t k = size_t(i);
            if (again[k]) {
                const std::optional<QByteArray> read = archive.readAgain(*packed[k], entries[i]);
                parsed[k] = read && parse(*read, pieces[k]);
            }
            list.append(std::move(pieces[k]));
            if (!parsed[k])
                list.skipped << int(i) + 1;
            else
                then(entries[i], list);
        });
    return list;
}

// Where a program's JSON keeps the fields that most programs write as
// plain values: the keys of title, yield and times (nullptr for none),
// of the categories, of the texts that become the notes' paragraphs and of
// the fields that become their lines.
struct JsonFields {
    const char *title, *yield, *prepTime, *cookTime, *categories;
    std::initializer_list<const char*> texts;
    std::initializer_list<std::pair<Str, const char*>> lines;
};

// A recipe of these fields of o, its notes written; categories gets the
// recipe's categories.
template <typename Object>
Recipe jsonRecipe(const Object& o, const JsonFields& f, const ReadContext& context, QStringList& categories)
{
    Recipe r;
    r.title = text(o, f.title);
    r.yield = text(o, f.yield);
    if (f.prepTime)
        r.preptime = text(o, f.prepTime);
    if (f.cookTime)
        r.cooktime = text(o, f.cookTime);
    categories = names(o.value(QLatin1String(f.categories)));
    ExportNotes notes(context.langOffset);
    for (const char* key : f.texts)
        notes.text(text(o, key));
    notes.categories(categories);
    for (const auto& [label, key] : f.lines)
        notes.lines(label, label == Str::NoteRating ? ratingText(o.value(QLatin1String(key))) : text(o, key));
    r.other = notes.notes();
    return r;
}

// ---- Paprika

template <typename Object>
void addPaprika(RecipeList& list, const Object& o, const ReadContext& context)
{
    static const JsonFields fields{"name",
                                   "servings",
                                   "prep_time",
                                   "cook_time",
                                   "categories",
                                   {"description", "notes"},
                                   {{Str::NoteTotalTime, "total_time"},
                                    {Str::NoteDifficulty, "difficulty"},
                                    {Str::NoteRating, "rating"},
                                    {Str::NoteSource, "source"},
                                    {Str::NoteWebPage, "source_url"},
                                    {Str::NoteNutrition, "nutritional_info"}}};
    QStringList categories;
    Recipe r = jsonRecipe(o, fields, context, categories);
    r.ing = tidyLines(text(o, "ingredients"));
    r.prep = tidyLines(text(o, "directions"));
    r.image = text(o, "image_url");
    list.add(std::move(r), categories.value(0), context);
    list.setLastPicture(base64Picture(o.value(QLatin1String("photo_data"))));
}

// Adds the recipe of a Paprika recipe's JSON (gzip-compressed as the
// program writes it, or plain) to list; false when the bytes hold none.
// Parsed by simdjson, or (what it refuses) by Qt's parser as other
// programs' JSON is.
bool addPaprikaJson(const QByteArray& bytes, RecipeList& list, const ReadContext& context)
{
    static const std::initializer_list<const char*> keys = {"name", "ingredients", "directions"};
    std::optional<QByteArray> unpacked;
    if (isGzip(bytes) && !(unpacked = gunzip(bytes)))
        return false;
    const QByteArray& json = unpacked ? *unpacked : bytes;
    if (!mayName(json, keys))
        return false;
    const QByteArrayView text = json.startsWith("\xef\xbb\xbf") ? QByteArrayView(json).sliced(3) : json;
    if (const std::optional<ParsedJsonView> parsed = ParsedJsonView::parse(text)) {
        const JsonView root = parsed->root();
        if (!root.isObject() || !holdsAll(root.toObject(), keys))
            return false;
        addPaprika(list, root.toObject(), context);
        return true;
    }
    const std::optional<QJsonObject> o = jsonNaming(json, keys);
    if (o)
        addPaprika(list, *o, context);
    return o.has_value();
}

// ---- Mealie

// An ingredient of Mealie: its text alone, or amount, unit, food and note.
QString mealieIngredient(const QJsonObject& o)
{
    const QString note = text(o, "note");
    const QString food = nameOf(o.value(QLatin1String("food")));
    if (o.value(QLatin1String("disable_amount")).toBool() || food.isEmpty())
        return note;
    QStringList parts{textOf(o.value(QLatin1String("quantity"))), nameOf(o.value(QLatin1String("unit"))), food, note};
    parts.removeAll(QString());
    return parts.join(QLatin1Char(' '));
}

void addMealie(RecipeList& list, const QJsonObject& o, const ReadContext& context)
{
    Recipe r;
    r.title = text(o, "name");
    r.yield = text(o, "recipe_yield");
    r.preptime = text(o, "prep_time");
    r.cooktime = text(o, "perform_time");
    if (r.cooktime.isEmpty())
        r.cooktime = text(o, "cook_time");
    for (const QJsonValue& v : o.value(QLatin1String("recipe_ingredient")).toArray()) {
        const QJsonObject i = v.toObject();
        addLine(r.ing, text(i, "title"));
        addLine(r.ing, v.isString() ? textOf(v) : mealieIngredient(i));
    }
    for (const QJsonValue& v : o.value(QLatin1String("recipe_instructions")).toArray()) {
        const QJsonObject step = v.toObject();
        addParagraph(r.prep, text(step, "title"));
        addParagraph(r.prep, tidyLines(v.isString() ? textOf(v) : text(step, "text")));
    }
    const QStringList categories = names(o.value(QLatin1String("recipe_category")));
    ExportNotes notes(context.langOffset);
    notes.text(text(o, "description"));
    for (const QJsonValue& v : o.value(QLatin1String("notes")).toArray()) {
        const QJsonObject note = v.toObject();
        QString paragraph = text(note, "title");
        addLine(paragraph, text(note, "text"));
        notes.text(paragraph);
    }
    notes.categories(categories);
    notes.lines(Str::NoteKeywords, names(o.value(QLatin1String("tags"))).join(QStringLiteral(", ")));
    notes.lines(Str::NoteTotalTime, text(o, "total_time"));
    notes.lines(Str::NoteRating, ratingText(o.value(QLatin1String("rating"))));
    notes.lines(Str::NoteWebPage, text(o, "org_url"));
    notes.lines(Str::NoteNutrition, nutritionText(o.value(QLatin1String("nutrition"))));
    r.other = notes.notes();
    list.add(std::move(r), categories.value(0), context);
}

// A Mealie recipe's picture in its images/ folder (images: the folder's
// path in the archive, with its '/'), the largest there is; empty for none.
QByteArray mealiePicture(Archive& archive, const QString& images)
{
    for (const char* picture : {"original.webp", "min-original.webp", "tiny-original.webp", "original.jpg"})
        if (std::optional<QByteArray> bytes = archive.read(images + QLatin1String(picture), true))
            return std::move(*bytes);
    return QByteArray();
}

// An id as Mealie's tables write it, with or without its dashes.
QString mealieId(const QJsonValue& v) { return v.toString().remove(QLatin1Char('-')).toLower(); }

// Mealie's backup since version 1: database.json holds its tables, a recipe's
// parts each in a table of their own, joined by the recipe's id; its
// picture is data/recipes/<id>/images/. Each recipe is put together as the
// earlier exports wrote it and read as those are.
std::optional<RecipeList> readMealieBackup(Archive& archive, const ReadContext& context)
{
    const QStringList& names = archive.names();
    const auto at = std::find_if(names.cbegin(), names.cend(), [](const QString& n) {
        return n.count(QLatin1Char('/')) <= 1 && n.section(QLatin1Char('/'), -1) == QLatin1String("database.json");
    });
    if (at == names.cend())
        return std::nullopt;
    const std::optional<QByteArray> bytes = archive.read(*at);
    const std::optional<QJsonObject> db = bytes ? jsonObject(*bytes) : std::nullopt;
    if (!db || !db->value(QLatin1String("recipes")).isArray() || !db->contains(QLatin1String("recipes_ingredients")))
        return std::nullopt;
    auto table = [&](const char* name) { return db->value(QLatin1String(name)).toArray(); };
    // The names of a table's rows by their id.
    auto namesById = [&](const char* name) {
        QHash<QString, QString> out;
        for (const QJsonValue& row : table(name))
            out.insert(mealieId(row[QLatin1String("id")]), text(row.toObject(), "name"));
        return out;
    };
    const QHash<QString, QString> units = namesById("ingredient_units"), foods = namesById("ingredient_foods"),
                                  categories = namesById("categories"), tags = namesById("tags");
    // A recipe's rows of the other tables, by its id.
    struct Parts {
        std::vector<QJsonObject> ingredients, steps;
        QJsonArray categories, tags, notes;
        QJsonObject nutrition;
    };
    QHash<QString, Parts> parts;
    auto byRecipe = [&](const char* name, auto add) {
        for (const QJsonValue& row : table(name))
            add(parts[mealieId(row[QLatin1String("recipe_id")])], row.toObject());
    };
    byRecipe("recipes_ingredients", [&](Parts& p, const QJsonObject& i) {
        QJsonObject line{{QStringLiteral("title"), i.value(QLatin1String("title"))},
                         {QStringLiteral("note"), i.value(QLatin1String("note"))},
                         {QStringLiteral("quantity"), i.value(QLatin1String("quantity"))},
                         {QStringLiteral("disable_amount"), i.value(QLatin1String("disable_amount"))},
                         {QStringLiteral("position"), i.value(QLatin1String("position"))}};
        if (const QString unit = units.value(mealieId(i.value(QLatin1String("unit_id")))); !unit.isEmpty())
            line.insert(QStringLiteral("unit"), unit);
        if (const QString food = foods.value(mealieId(i.value(QLatin1String("food_id")))); !food.isEmpty())
            line.insert(QStringLiteral("food"), food);
        else if (text(i, "note").isEmpty())
            line.insert(QStringLiteral("note"), i.value(QLatin1String("original_text")));
        p.ingredients.push_back(line);
    });
    byRecipe("recipe_instructions", [](Parts& p, const QJsonObject& s) { p.steps.push_back(s); });
    byRecipe("recipes_to_categories", [&](Parts& p, const QJsonObject& c) {
        p.categories << categories.value(mealieId(c.value(QLatin1String("category_id"))));
    });
    byRecipe("recipes_to_tags",
             [&](Parts& p, const QJsonObject& t) { p.tags << tags.value(mealieId(t.value(QLatin1String("tag_id")))); });
    byRecipe("notes", [](Parts& p, const QJsonObject& n) { p.notes << n; });
    byRecipe("recipe_nutrition", [](Parts& p, QJsonObject n) {
        n.remove(QStringLiteral("recipe_id"));
        p.nutrition = n;
    });
    auto inPosition = [](std::vector<QJsonObject> rows) {
        std::stable_sort(rows.begin(), rows.end(), [](const QJsonObject& a, const QJsonObject& b) {
            return a.value(QLatin1String("position")).toDouble() < b.value(QLatin1String("position")).toDouble();
        });
        QJsonArray out;
        for (const QJsonObject& row : rows)
            out << row;
        return out;
    };
    // The pictures' folders by their recipe's id.
    QHash<QString, QString> pictures;
    static const QRegularExpression pictureFolder(QStringLiteral("^(.*data/recipes/([^/]+)/images/)[^/]+$"));
    for (const QString& name : names)
        if (const QRegularExpressionMatch m = pictureFolder.match(name); m.hasMatch())
            pictures.insert(mealieId(m.captured(2)), m.captured(1));
    RecipeList list;
    for (const QJsonValue& v : table("recipes")) {
        QJsonObject r = v.toObject();
        const QString id = mealieId(r.value(QLatin1String("id")));
        const Parts& p = parts[id];
        r.insert(QStringLiteral("recipe_ingredient"), inPosition(p.ingredients));
        r.insert(QStringLiteral("recipe_instructions"), inPosition(p.steps));
        r.insert(QStringLiteral("recipe_category"), p.categories);
        r.insert(QStringLiteral("tags"), p.tags);
        r.insert(QStringLiteral("notes"), p.notes);
        r.insert(QStringLiteral("nutrition"), p.nutrition);
        if (text(r, "recipe_yield").isEmpty())
            r.insert(QStringLiteral("recipe_yield"), r.value(QLatin1String("recipe_servings")));
        addMealie(list, r, context);
        if (pictures.contains(id))
            list.setLastPicture(mealiePicture(archive, pictures.value(id)));
    }
    return list;
}

// ---- Tandoor

// A recipe.json of Tandoor: the object, where it has steps.
std::optional<QJsonObject> tandoorJson(Archive& recipe)
{
    if (!recipe.names().contains(QLatin1String("recipe.json")))
        return std::nullopt;
    const std::optional<QByteArray> bytes = recipe.read(QStringLiteral("recipe.json"));
    std::optional<QJsonObject> o = bytes ? jsonNaming(*bytes, {"steps"}) : std::nullopt;
    if (!o || !o->value(QLatin1String("steps")).isArray())
        return std::nullopt;
    return o;
}

QString tandoorIngredient(const QJsonObject& o)
{
    const QString note = text(o, "note");
    const QString food = nameOf(o.value(QLatin1String("food")));
    if (o.value(QLatin1String("is_header")).toBool())
        return note.isEmpty() ? food : note;
    QStringList parts;
    if (!o.value(QLatin1String("no_amount")).toBool())
        parts << textOf(o.value(QLatin1String("amount"))) << nameOf(o.value(QLatin1String("unit")));
    parts << food;
    parts.removeAll(QString());
    QString line = parts.join(QLatin1Char(' '));
    if (!note.isEmpty())
        line += (line.isEmpty() ? QString() : QStringLiteral(", ")) + note;
    return line;
}

void addTandoor(RecipeList& list, const QJsonObject& o, Archive& archive, const ReadContext& context)
{
    Recipe r;
    r.title = text(o, "name");
    r.yield = text(o, "servings");
    if (const QString unit = text(o, "servings_text"); !unit.isEmpty())
        r.yield = r.yield.isEmpty() ? unit : r.yield + QLatin1Char(' ') + unit;
    r.preptime = minutesText(o.value(QLatin1String("working_time")));
    r.cooktime = minutesText(o.value(QLatin1String("waiting_time")));
    const std::vector<QJsonObject> steps = inOrder(o.value(QLatin1String("steps")));
    const auto withIngredients = std::count_if(steps.cbegin(), steps.cend(), [](const QJsonObject& s) {
        return !s.value(QLatin1String("ingredients")).toArray().isEmpty();
    });
    for (const QJsonObject& step : steps) {
        const QString name = text(step, "name");
        const QJsonArray ingredients = step.value(QLatin1String("ingredients")).toArray();
        // A step's name heads its ingredients where several steps have some.
        if (withIngredients > 1 && !ingredients.isEmpty())
            addLine(r.ing, name);
        for (const QJsonValue& i : ingredients)
            addLine(r.ing, tandoorIngredient(i.toObject()));
        addParagraph(r.prep, name);
        addParagraph(r.prep, unmarkedLines(text(step, "instruction")));
    }
    const QStringList keywords = names(o.value(QLatin1String("keywords")));
    ExportNotes notes(context.langOffset);
    notes.text(text(o, "description"));
    notes.lines(Str::NoteKeywords, keywords.join(QStringLiteral(", ")));
    notes.lines(Str::NoteWebPage, text(o, "source_url"));
    notes.lines(Str::NoteNutrition, nutritionText(o.value(QLatin1String("nutrition"))));
    r.other = notes.notes();
    list.add(std::move(r), QString(), context);
    for (const QString& name : archive.names())
        if (name.startsWith(QLatin1String("image."), Qt::CaseInsensitive)) {
            list.setLastPicture(archive.read(name).value_or(QByteArray()));
            break;
        }
}

// ---- Mela

void addMela(RecipeList& list, const QJsonObject& o, const ReadContext& context)
{
    static const JsonFields fields{
        "title",
        "yield",
        "prepTime",
        "cookTime",
        "categories",
        {"text", "notes"},
        {{Str::NoteTotalTime, "totalTime"}, {Str::NoteNutrition, "nutrition"}, {Str::NoteWebPage, "link"}}};
    QStringList categories;
    Recipe r = jsonRecipe(o, fields, context, categories);
    r.ing = unmarkedLines(text(o, "ingredients"));
    r.prep = stepsText(text(o, "instructions"));
    list.add(std::move(r), categories.value(0), context);
    list.setLastPicture(firstPicture(o.value(QLatin1String("images"))));
}

std::optional<QJsonObject> melaJson(const QByteArray& bytes)
{
    return jsonNaming(bytes, {"id", "title", "ingredients", "instructions"});
}

// ---- Crouton

// A Crouton amount's unit by its quantity type.
QString croutonUnit(const QString& type)
{
    static const QHash<QString, QString> units = {{QStringLiteral("ITEM"), QString()},
                                                  {QStringLiteral("GRAMS"), QStringLiteral("g")},
                                                  {QStringLiteral("KGS"), QStringLiteral("kg")},
                                                  {QStringLiteral("MILLS"), QStringLiteral("ml")},
                                                  {QStringLiteral("LITRES"), QStringLiteral("l")},
                                                  {QStringLiteral("TEASPOON"), QStringLiteral("tsp")},
                                                  {QStringLiteral("TABLESPOON"), QStringLiteral("tbsp")},
                                                  {QStringLiteral("CUP"), QStringLiteral("cup")},
                                                  {QStringLiteral("OUNCE"), QStringLiteral("oz")},
                                                  {QStringLiteral("FLUID_OUNCE"), QStringLiteral("fl oz")},
                                                  {QStringLiteral("POUND"), QStringLiteral("lb")},
                                                  {QStringLiteral("PINCH"), QStringLiteral("pinch")},
                                                  {QStringLiteral("CAN"), QStringLiteral("can")},
                                                  {QStringLiteral("BUNCH"), QStringLiteral("bunch")},
                                                  {QStringLiteral("PACKET"), QStringLiteral("packet")}};
    const auto it = units.constFind(type.toUpper());
    return it != units.cend() ? *it : type.toLower().replace(QLatin1Char('_'), QLatin1Char(' '));
}

std::optional<QJsonObject> croutonJson(const QByteArray& bytes)
{
    return jsonNaming(bytes, {"name", "ingredients", "steps"});
}

void addCrouton(RecipeList& list, const QJsonObject& o, const ReadContext& context)
{
    static const JsonFields fields{
        "name",
        "serves",
        nullptr,
        nullptr,
        "tags",
        {"notes"},
        {{Str::NoteSource, "sourceName"}, {Str::NoteWebPage, "webLink"}, {Str::NoteNutrition, "neutritionalInfo"}}};
    QStringList tags;
    Recipe r = jsonRecipe(o, fields, context, tags);
    r.preptime = minutesText(o.value(QLatin1String("duration")));
    r.cooktime = minutesText(o.value(QLatin1String("cookingDuration")));
    for (const QJsonObject& i : inOrder(o.value(QLatin1String("ingredients")))) {
        const QJsonObject quantity = i.value(QLatin1String("quantity")).toObject();
        QStringList parts{textOf(quantity.value(QLatin1String("amount"))), croutonUnit(text(quantity, "quantityType")),
                          nameOf(i.value(QLatin1String("ingredient")))};
        if (parts.front().isEmpty())
            parts[1].clear(); // a unit without an amount says nothing
        parts.removeAll(QString());
        addLine(r.ing, parts.join(QLatin1Char(' ')));
    }
    for (const QJsonObject& step : inOrder(o.value(QLatin1String("steps"))))
        addParagraph(r.prep, tidyLines(text(step, "step")));
    list.add(std::move(r), tags.value(0), context);
    list.setLastPicture(firstPicture(o.value(QLatin1String("images"))));
}

// Adds the recipe of a file's JSON, as Parse finds it, read by Add; false
// when there is none.
template <std::optional<QJsonObject> (*Parse)(const QByteArray&),
          void (*Add)(RecipeList&, const QJsonObject&, const ReadContext&)>
bool addParsed(const QByteArray& bytes, RecipeList& list, const ReadContext& context)
{
    const std::optional<QJsonObject> o = Parse(bytes);
    if (o)
        Add(list, *o, context);
    return o.has_value();
}

// The recipe of a file of one (read adds it to a list, false for none), or
// the recipes of a zip of such files (by their names' ending); nullopt for
// any other file.
std::optional<RecipeList> oneOrZipped(const FileLook& file, const QString& ending,
                                      bool (*read)(const QByteArray&, RecipeList&, const ReadContext&),
                                      const ReadContext& context)
{
    if (file.archive) {
        const QStringList entries = entriesEnding(*file.archive, ending);
        if (entries.isEmpty())
            return std::nullopt;
        return readEntries(
            *file.archive, entries,
            [&](const QByteArray& bytes, RecipeList& piece) { return read(bytes, piece, context); },
            [](const QString&, RecipeList&) {});
    }
    RecipeList list;
    if (!read(file.bytes, list, context))
        return std::nullopt;
    return list;
}

} // namespace

std::optional<RecipeList> readPaprika(const FileLook& file, const ReadContext& context)
{
    return oneOrZipped(file, QStringLiteral(".paprikarecipe"), addPaprikaJson, context);
}

std::optional<RecipeList> readNextcloud(const FileLook& file, const ReadContext& context)
{
    if (!file.archive) {
        // A recipe.json picked from its folder, its picture beside it.
        if (QFileInfo(file.path).fileName().compare(QLatin1String("recipe.json"), Qt::CaseInsensitive) != 0)
            return std::nullopt;
        RecipeList list = readSchemaOrgJson(file.bytes.startsWith("\xef\xbb\xbf") ? file.bytes.mid(3) : file.bytes,
                                            context);
        if (list.count() != 1 || !QFileInfo(QFileInfo(file.path).dir().filePath(QStringLiteral("full.jpg"))).isFile())
            return std::nullopt; // read as any other schema.org file
        list.recipes.front().image = QStringLiteral("full.jpg");
        list.picturesNamed = true;
        return list;
    }
    QStringList entries;
    for (const QString& name : entriesEnding(*file.archive, QStringLiteral("/recipe.json")))
        if (name.endsWith(QLatin1String("/recipe.json"), Qt::CaseInsensitive))
            entries << name;
    if (entries.isEmpty())
        return std::nullopt;
    return readEntries(
        *file.archive, entries,
        [&](const QByteArray& bytes, RecipeList& piece) {
            piece = readSchemaOrgJson(bytes.startsWith("\xef\xbb\xbf") ? bytes.mid(3) : bytes, context);
            return piece.count() == 1;
        },
        [&](const QString& name, RecipeList& list) {
            // The folder's picture is its recipe's.
            const QString folder = name.left(name.lastIndexOf(QLatin1Char('/')) + 1);
            list.setLastPicture(file.archive->read(folder + QStringLiteral("full.jpg"), true).value_or(QByteArray()));
        });
}

std::optional<RecipeList> readMealie(const FileLook& file, const ReadContext& context)
{
    if (!file.archive)
        return std::nullopt;
    static const QRegularExpression recipeFile(QStringLiteral("(?:^|/)recipes/([^/]+)/\\1\\.json$"));
    QStringList entries;
    for (const QString& name : file.archive->names())
        if (name.endsWith(QLatin1String(".json")) && name.contains(QLatin1String("recipes/")) && !junkEntry(name) &&
            recipeFile.match(name).hasMatch())
            entries << name;
    if (entries.isEmpty())
        return readMealieBackup(*file.archive, context);
    return readEntries(
        *file.archive, entries,
        [&](const QByteArray& bytes, RecipeList& piece) {
            const std::optional<QJsonObject> o = jsonObject(bytes);
            if (!o || !o->contains(QLatin1String("name")))
                return false;
            addMealie(piece, *o, context);
            return true;
        },
        [&](const QString& name, RecipeList& list) {
            list.setLastPicture(mealiePicture(*file.archive, name.left(name.lastIndexOf(QLatin1Char('/')) + 1) +
                                                                 QStringLiteral("images/")));
        });
}

std::optional<RecipeList> readTandoor(const FileLook& file, const ReadContext& context)
{
    if (!file.archive)
        return std::nullopt;
    Archive& archive = *file.archive;
    if (std::optional<QJsonObject> o = tandoorJson(archive)) {
        // One recipe's zip.
        RecipeList list;
        addTandoor(list, *o, archive, context);
        return list;
    }
    // A zip of recipes' zips, and nothing else.
    QStringList entries;
    for (const QString& name : archive.names())
        if (!junkEntry(name))
            entries << name;
    if (entries.isEmpty() || !std::all_of(entries.cbegin(), entries.cend(), [](const QString& n) {
            return n.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive);
        }))
        return std::nullopt;
    RecipeList list;
    bool known = false;
    for (int i = 0; i < entries.size(); ++i) {
        const std::unique_ptr<Archive> recipe = archive.nested(entries[i]);
        const std::optional<QJsonObject> o = recipe ? tandoorJson(*recipe) : std::nullopt;
        if (!o) {
            list.skipped << i + 1;
            continue;
        }
        known = true;
        addTandoor(list, *o, *recipe, context);
    }
    if (!known && archive.fault() == ArchiveFault::None)
        return std::nullopt;
    return list;
}

std::optional<RecipeList> readMela(const FileLook& file, const ReadContext& context)
{
    return oneOrZipped(file, QStringLiteral(".melarecipe"), addParsed<melaJson, addMela>, context);
}

std::optional<RecipeList> readCrouton(const FileLook& file, const ReadContext& context)
{
    // Several recipes shared at once come as a zip of .crumb files.
    if (file.archive)
        return oneOrZipped(file, QStringLiteral(".crumb"), addParsed<croutonJson, addCrouton>, context);
    const std::optional<QJsonObject> o = croutonJson(file.bytes);
    // Tandoor's recipes have steps too, but neither this file ending nor these fields.
    if (!o || (file.suffix != QLatin1String("crumb") && !o->contains(QLatin1String("serves")) &&
               !o->contains(QLatin1String("folderIDs"))))
        return std::nullopt;
    RecipeList list;
    addCrouton(list, *o, context);
    return list;
}

} // namespace bd
