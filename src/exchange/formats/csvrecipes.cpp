#include "exchange/formats/csvrecipes.h"

#include "exchange/formats/exportnotes.h"

#include <QHash>

namespace bd {

QList<QStringList> csvRecords(QStringView text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false, fieldStarted = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (quoted) {
            // Up to the next quote at once.
            const qsizetype quote = text.indexOf(QLatin1Char('"'), i);
            if (quote < 0) {
                field += text.mid(i);
                break;
            }
            field += text.mid(i, quote - i);
            i = quote;
            if (i + 1 < n && text[i + 1] == QLatin1Char('"'))
                field += text[++i];
            else
                quoted = false;
        } else if (c == QLatin1Char('"') && !fieldStarted) {
            quoted = fieldStarted = true;
        } else if (c == QLatin1Char(',')) {
            record << std::exchange(field, QString());
            fieldStarted = false;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n'))
                ++i;
            record << std::exchange(field, QString());
            fieldStarted = false;
            // A blank line holds no record.
            if (record.size() > 1 || !record.first().isEmpty())
                records << record;
            record.clear();
        } else {
            // Up to the end of the field at once.
            qsizetype end = i + 1;
            while (end < n && text[end] != QLatin1Char(',') && text[end] != QLatin1Char('\r') &&
                   text[end] != QLatin1Char('\n'))
                ++end;
            field += text.mid(i, end - i);
            i = end - 1;
            fieldStarted = true;
        }
    }
    if (fieldStarted || !record.isEmpty()) {
        record << field;
        records << record;
    }
    return records;
}

namespace {

enum class Table { None, PlanToEat, MyRecipeBox };

// The header row's names, from the first line of bytes (a header holds no
// line break).
QStringList headerOf(const QByteArray& bytes)
{
    qsizetype end = bytes.indexOf('\n');
    QByteArray first = bytes.left(end < 0 ? qMin<qsizetype>(bytes.size(), 4096) : end);
    if (first.size() > 4096)
        return {};
    const QList<QStringList> records = csvRecords(decodeRecipeText(first));
    return records.value(0);
}

Table tableOf(const QStringList& header)
{
    auto has = [&](const char* name) { return header.contains(QLatin1String(name)); };
    if (has("Title") && has("Ingredients") && has("Directions") && (has("Url Host") || has("Photo Url")))
        return Table::PlanToEat;
    if (has("title") && has("ingredients") && has("instructions") && (has("originalPicture") || has("preparationTime")))
        return Table::MyRecipeBox;
    return Table::None;
}

// A time in minutes as a cook writes it ("1 h 15 min"); other text as it is.
QString minutesText(const QString& value)
{
    bool number = false;
    const int minutes = value.trimmed().toInt(&number);
    return number ? (minutes > 0 ? durationText(QStringLiteral("PT%1M").arg(minutes)) : QString()) : value.trimmed();
}

// Lines of a text field, trimmed, blank runs as one.
QString textField(const QString& value) { return tidyLines(QStringView(value)); }

// A text field on one line of the notes: its lines after one another,
// apart by "; " where a line does not end a sentence.
QString oneLine(const QString& value)
{
    QString out;
    for (const QString& line : textField(value).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (!out.isEmpty())
            out += QString::fromLatin1(".!?:;").contains(out.back()) ? QStringLiteral(" ") : QStringLiteral("; ");
        out += line;
    }
    return out;
}

// How a column goes into a recipe.
enum class Use {
    Title,
    Category, // the first of the categories, apart by ";"
    Ingredients,
    Directions,
    PrepTime, // minutes
    CookTime,
    Yield,
    Servings, // the yield when the table gives no other
    Note,     // a notes line under its label
    NoteMinutes,
    Paragraph, // notes of their own
    Nutrition, // a nutrient column, gathered on one notes line
    Dropped,   // the table's own bookkeeping
};

struct Column {
    const char* name;
    Use use;
    Str label = Str::NoteSource;
};

const Column kPlanToEat[] = {
    {"Title", Use::Title},
    {"Course", Use::Category},
    {"Cuisine", Use::Note, Str::NoteCuisine},
    {"Description", Use::Note, Str::NoteDescription},
    {"Source", Use::Note, Str::NoteSource},
    {"Url", Use::Note, Str::NoteWebPage},
    {"Url Host", Use::Dropped},
    {"Prep Time", Use::PrepTime},
    {"Cook Time", Use::CookTime},
    {"Total Time", Use::NoteMinutes, Str::NoteTotalTime},
    {"Servings", Use::Servings},
    {"Yield", Use::Yield},
    {"Ingredients", Use::Ingredients},
    {"Directions", Use::Directions},
    {"Tags", Use::Note, Str::NoteTags},
    {"Rating", Use::Note, Str::NoteRating},
    {"Photo Url", Use::Note, Str::NotePicture},
    {"Private", Use::Dropped},
    {"Nutritional Score (generic)", Use::Nutrition},
    {"Calories", Use::Nutrition},
    {"Fat", Use::Nutrition},
    {"Saturated Fat", Use::Nutrition},
    {"Cholesterol", Use::Nutrition},
    {"Sodium", Use::Nutrition},
    {"Sugar", Use::Nutrition},
    {"Carbohydrate", Use::Nutrition},
    {"Fiber", Use::Nutrition},
    {"Protein", Use::Nutrition},
    {"Created At", Use::Dropped},
    {"Updated At", Use::Dropped},
};

const Column kMyRecipeBox[] = {
    {"title", Use::Title},
    {"categories", Use::Category},
    {"description", Use::Note, Str::NoteDescription},
    {"preparationTime", Use::PrepTime},
    {"cookingTime", Use::CookTime},
    {"totalTime", Use::NoteMinutes, Str::NoteTotalTime},
    {"quantity", Use::Yield},
    {"ingredients", Use::Ingredients},
    {"instructions", Use::Directions},
    {"notes", Use::Paragraph},
    {"nutrition", Use::Note, Str::NoteNutrition},
    {"rating", Use::Note, Str::NoteRating},
    {"tags", Use::Note, Str::NoteTags},
    {"source", Use::Note, Str::NoteSource},
    {"originalPicture", Use::Note, Str::NotePicture},
    // Its rows give a second picture address in a column without a name.
    {"", Use::Note, Str::NotePicture},
};

template <size_t N>
const Column* columnNamed(const Column (&columns)[N], const QString& name)
{
    for (const Column& c : columns)
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

// Plan to Eat marks a section of the ingredients with a line ", Heading".
QString planToEatIngredients(const QString& value)
{
    QStringList lines;
    for (QString line : textField(value).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String(", ")))
            line = line.mid(2);
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

Recipe recipeOf(Table table, const QStringList& header, const QStringList& row, QString& category, int lang)
{
    Recipe r;
    QString servings;
    QStringList nutrition;
    // The fields first, then the paragraphs of the cook's texts.
    ExportNotes notes(lang, ExportNotes::Order::FieldsFirst);
    // Fields beyond the header's count go under the last column's name.
    for (qsizetype i = 0; i < row.size(); ++i) {
        const QString value = row[i].trimmed();
        if (value.isEmpty())
            continue;
        const QString name = header.value(qMin(i, header.size() - 1)).trimmed();
        const Column* column = table == Table::PlanToEat ? columnNamed(kPlanToEat, name)
                                                         : columnNamed(kMyRecipeBox, name);
        if (!column) {
            // A column the reader does not know keeps its name.
            if (value != QLatin1String("false"))
                notes.line(QString(name + QStringLiteral(": ") + value));
            continue;
        }
        switch (column->use) {
        case Use::Title: r.title = value; break;
        case Use::Category: category = notes.category(value.split(QLatin1Char(';'))); break;
        case Use::Ingredients:
            r.ing = table == Table::PlanToEat ? planToEatIngredients(value) : textField(value);
            break;
        case Use::Directions: r.prep = textField(value); break;
        case Use::PrepTime: r.preptime = minutesText(value); break;
        case Use::CookTime: r.cooktime = minutesText(value); break;
        case Use::Yield: r.yield = value; break;
        case Use::Servings: servings = value; break;
        case Use::Note:
            // Several lines ("calories : 150 kcal" ...) go on one.
            notes.line(column->label, oneLine(value));
            break;
        case Use::NoteMinutes: notes.line(column->label, minutesText(value)); break;
        case Use::Paragraph: notes.text(textField(value)); break;
        case Use::Nutrition: nutrition << name + QLatin1Char(' ') + value; break;
        case Use::Dropped: break;
        }
    }
    if (r.yield.isEmpty())
        r.yield = servings;
    else
        notes.line(Str::NoteServings, servings);
    notes.line(Str::NoteNutrition, nutrition.join(QStringLiteral(", ")));
    r.other = notes.notes();
    return r;
}

} // namespace

namespace {

std::optional<RecipeList> readTable(const QByteArray& fileBytes, Archive* archive, const ReadContext& context,
                                    Table wanted)
{
    // Plain text, or a zip of one table.
    if (!archive && (fileBytes.isEmpty() || fileBytes.front() == '<' || fileBytes.front() == '{'))
        return std::nullopt;
    QByteArray bytes;
    if (archive) {
        for (const QString& name : archive->names()) {
            if (!name.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
                continue;
            std::optional<QByteArray> entry = archive->read(name);
            if (entry && tableOf(headerOf(*entry)) == wanted) {
                bytes = std::move(*entry);
                break;
            }
        }
    } else if (tableOf(headerOf(fileBytes)) == wanted) {
        bytes = fileBytes;
    }
    if (bytes.isEmpty())
        return std::nullopt;
    const QList<QStringList> records = csvRecords(decodeRecipeText(bytes));
    // The rows after the header, read side by side.
    return readSideBySide(
        qMax<qsizetype>(records.size() - 1, 0),
        [&](qsizetype i, QString& category) -> std::optional<Recipe> {
            Recipe r = recipeOf(wanted, records[0], records[i + 1], category, context.langOffset);
            if (r.title.isEmpty() && r.ing.isEmpty() && r.prep.isEmpty())
                return std::nullopt;
            return r;
        },
        context);
}

} // namespace

std::optional<RecipeList> readPlanToEat(const QByteArray& bytes, Archive* archive, const ReadContext& context)
{
    return readTable(bytes, archive, context, Table::PlanToEat);
}

std::optional<RecipeList> readMyRecipeBox(const QByteArray& bytes, Archive* archive, const ReadContext& context)
{
    return readTable(bytes, archive, context, Table::MyRecipeBox);
}

} // namespace bd
