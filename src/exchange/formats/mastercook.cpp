#include "exchange/formats/mastercook.h"

#include "exchange/formats/exportnotes.h"
#include "exchange/formats/mealmaster.h"

#include "exchange/formats/textlines.h"
#include "exchange/formats/xmlreading.h"
#include "resources/strings.h"

#include <QRegularExpression>
#include <QStringMatcher>

#include <cstring>
#include <optional>
#include <utility>

namespace bd {

namespace {

// "*  Exported from  MasterCook II  *" and its variants.
bool exportLine(QStringView line)
{
    const QStringView t = line.trimmed();
    if (!t.startsWith(QLatin1Char('*')) || t.size() > 120)
        return false;
    const qsizetype from = t.indexOf(QLatin1String("exported from"), 0, Qt::CaseInsensitive);
    return from >= 0 && t.indexOf(QLatin1String("mastercook"), from, Qt::CaseInsensitive) > from;
}

// The line that ends the directions: dashes with spaces between them.
bool endLine(QStringView line)
{
    const QStringView t = line.trimmed();
    // "- - - -" at the least, as some exports shorten it.
    if (t.size() < 7 || t.front() != QLatin1Char('-') || !t.contains(QLatin1String("- -")))
        return false;
    for (QChar c : t)
        if (c != QLatin1Char('-') && c != QLatin1Char(' '))
            return false;
    return true;
}

// The links of the program's nutrient data ("Nutr. Assoc. : 0 1374 0"),
// which mean nothing outside it.
bool nutrientLinks(QStringView line)
{
    return line.trimmed().startsWith(QLatin1String("Nutr. Assoc."), Qt::CaseInsensitive);
}

bool noIngredientsLine(QStringView line)
{
    const QStringView t = line.trimmed();
    if (!t.startsWith(QLatin1Char('*')) || !t.endsWith(QLatin1Char('*')))
        return false;
    qsizetype from = 0, to = t.size();
    while (from < to && (t[from] == QLatin1Char('*') || t[from].isSpace()))
        ++from;
    while (to > from && (t[to - 1] == QLatin1Char('*') || t[to - 1].isSpace()))
        --to;
    return t.mid(from, to - from).compare(QLatin1String("NONE"), Qt::CaseInsensitive) == 0;
}

// Where a digest's text resumes after a recipe: a mail header, another
// program's recipe, or a separator of at least minRun repeated characters.
bool mailHeader(QStringView line)
{
    static const char* const mailHeaders[] = {
        "From:", "Date:", "Subject:", "To:", "Message-ID:", "Reply-To:", "Message:", "Content-Type:"};
    const qsizetype colon = line.left(14).indexOf(QLatin1Char(':'));
    if (colon > 0 && line.front().isLetter())
        for (const char* h : mailHeaders)
            if (line.startsWith(QLatin1String(h), Qt::CaseInsensitive))
                return true;
    return false;
}

// next: the next line that is not blank. A "From:" line that no other mail
// header (but another "From:") follows names where the recipe came from,
// and is the recipe's.
bool digestLine(QStringView line, QStringView next, int minRun = 5)
{
    const QStringView t = line.trimmed();
    auto from = [](QStringView l) { return l.startsWith(QLatin1String("From:"), Qt::CaseInsensitive); };
    if (mailHeader(line) && (!from(line) || (mailHeader(next) && !from(next))))
        return true;
    // A MealMaster recipe after MasterCook ones.
    if (line.startsWith(QLatin1String("MMMMM")))
        return true;
    // A mailing list's footer, after its rule ("- -------------").
    if (t.startsWith(QLatin1String("To unsubscribe"), Qt::CaseInsensitive))
        return true;
    if (minRun <= 5 && t.contains(QLatin1String("----------"))) {
        bool rule = true;
        for (QChar c : t)
            rule = rule && (c == QLatin1Char('-') || c == QLatin1Char(' '));
        if (rule)
            return true;
    }
    if (t.size() >= minRun) {
        const QChar c = t.front();
        if (c == QLatin1Char('-') || c == QLatin1Char('=') || c == QLatin1Char('_') || c == QLatin1Char('*')) {
            int run = 0;
            while (run < t.size() && t[run] == c)
                ++run;
            return run >= minRun;
        }
    }
    return false;
}

bool amountChar(QChar c)
{
    const char16_t u = c.unicode();
    return c.isDigit() || u == ' ' || u == '/' || u == '.' || u == ',' || u == '-' || (u >= 0xBC && u <= 0xBE) ||
           (u >= 0x2150 && u <= 0x215E);
}

// The columns of the ingredient table, from its rule of dashes.
struct Columns {
    qsizetype measure = 10, ingredient = 24;

    static std::optional<Columns> fromRule(QStringView line)
    {
        QVector<qsizetype> starts;
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (line[i] == QLatin1Char('-') && (i == 0 || line[i - 1] == QLatin1Char(' ')))
                starts << i;
            else if (line[i] != QLatin1Char('-') && line[i] != QLatin1Char(' '))
                return std::nullopt;
        }
        if (starts.size() != 3)
            return std::nullopt;
        return Columns{starts[1], starts[2]};
    }
};

// The parts of a table line, as views of the line (or of simplified, for
// a line out of the columns).
struct Row {
    QStringView amount, measure, text;
    QString simplified;

    QStringView ingredient() const { return simplified.isNull() ? text : QStringView(simplified); }
};

// A line of the ingredient table: an amount (or nothing) before the
// measure column, one word or nothing in the measure column, text after.
// strict: also the measure column must be in place, for telling a row
// from directions after a blank line.
std::optional<Row> tableRow(QStringView line, const Columns& c, bool strict)
{
    if (blankLine(line))
        return std::nullopt;
    // Inside the table a line out of the columns is an ingredient all the same.
    auto outOfColumns = [&]() -> std::optional<Row> {
        if (strict)
            return std::nullopt;
        Row row;
        row.simplified = simplifiedText(line);
        return row;
    };
    const QStringView amount = line.left(c.measure);
    for (QChar ch : amount)
        if (!amountChar(ch))
            return outOfColumns();
    Row row;
    row.amount = amount.trimmed();
    QStringView measure = line.mid(c.measure, c.ingredient - c.measure);
    if (!measure.isEmpty() && !blankLine(measure)) {
        // The measure's column ends with a space unless the text begins right there.
        const QStringView word = measure.trimmed();
        bool gap = false;
        for (qsizetype i = 1; i < word.size() && !gap; ++i)
            gap = word[i] == QLatin1Char(' ') && word[i - 1] == QLatin1Char(' ');
        if (strict && (gap || measure.front().isSpace()))
            return std::nullopt;
        if (line.size() > c.ingredient && !line[c.ingredient - 1].isSpace())
            return outOfColumns();
    }
    row.measure = measure.trimmed();
    row.text = line.mid(c.ingredient).trimmed();
    if (row.text.isEmpty() && row.measure.isEmpty())
        return row.amount.isEmpty() ? std::nullopt : std::optional<Row>(row);
    if (strict && row.amount.isEmpty() && row.measure.isEmpty() && line.size() > c.ingredient &&
        !blankLine(line.left(c.ingredient)))
        return std::nullopt;
    return row;
}

bool asciiSpace(QChar c)
{
    const char16_t u = c.unicode();
    return u == ' ' || (u >= '\t' && u <= '\r');
}

bool asciiLetter(QChar c)
{
    const char16_t u = c.unicode() | 0x20;
    return u >= 'a' && u <= 'z';
}

// Category names as the header lays them out: in columns separated by runs
// of spaces; a comma is part of a name ("Meat, Miscellaneous").
QStringList categoryNames(QStringView value)
{
    QStringList out;
    auto take = [&](QStringView name) {
        name = name.trimmed();
        if (!name.isEmpty())
            out << name.toString();
    };
    qsizetype start = 0;
    for (qsizetype i = 0; i < value.size();) {
        qsizetype end = i;
        while (end < value.size() && asciiSpace(value[end]))
            ++end;
        const bool separator = end - i >= 2 || value[i] == QLatin1Char('\t');
        if (separator) {
            take(value.mid(start, i - start));
            start = end > i ? end : i + 1;
        }
        i = end > i ? end : i + 1;
    }
    take(value.mid(start));
    return out;
}

struct Header {
    QStringView key, value;
};

// "Key : value", the key a letter and at most 24 more letters, spaces or
// dots; the value from its first character that is no space.
std::optional<Header> headerLine(QStringView line)
{
    qsizetype start = 0;
    while (start < line.size() && asciiSpace(line[start]))
        ++start;
    const qsizetype colon = line.indexOf(QLatin1Char(':'), start);
    if (colon < 0 || !asciiLetter(line[start]))
        return std::nullopt;
    qsizetype end = colon;
    while (asciiSpace(line[end - 1]))
        --end;
    if (end - start > 25)
        return std::nullopt;
    for (qsizetype i = start + 1; i < end; ++i)
        if (!asciiLetter(line[i]) && line[i] != QLatin1Char(' ') && line[i] != QLatin1Char('.'))
            return std::nullopt;
    qsizetype value = colon + 1;
    while (value < line.size() && asciiSpace(line[value]))
        ++value;
    return Header{line.mid(start, end - start), line.mid(value)};
}

// One recipe as it is read.
struct Draft {
    enum class Stage { Title, Header, Ingredients, Directions, Notes };

    Stage stage = Stage::Title;
    Recipe recipe;
    QStringList categories, headerNotes, noteLines;
    QList<QStringView> paragraph; // directions being read, as views of the text
    QString lastKey;
    Columns columns;
    bool afterBlank = false, hasTable = false;
    qsizetype lastRowLength = 0;
    int blankRun = 0;
    bool notesClosed = false;
    QString pendingKey;   // a key whose value is on the next line
    QStringView nextLine; // the line after the one being read that is not blank
    int langOffset = 0;   // the language of the notes it writes

    void addIngredient(const Row& row, bool afterLongLine);

    void endParagraph()
    {
        if (paragraph.isEmpty())
            return;
        if (!recipe.prep.isEmpty())
            recipe.prep += QLatin1String("\n\n");
        appendWrapped(recipe.prep, paragraph);
        paragraph.clear();
    }

    // A header line "Key : value"; false when the line is none.
    bool header(QStringView line);

    // A line after the end of the directions; false when the recipe's
    // notes are over.
    bool note(QStringView line);

    // A value given on the line after its key: the yield and the times go
    // into their fields, other times into the notes; false when the key is
    // none of those or its field is taken.
    bool keyedValue(const QString& keyLine, QStringView value);

    void line(QStringView line);

    Recipe finish();
};

// Whether an ingredient line stops short of its text: textStopsShort, or
// a preparation cut after its first words ("-- thinly", "-- cut").
bool stopsShort(QStringView line)
{
    // "pepper -- dash of", "lemon -- juice of": the preparation names the
    // part of the ingredient it takes, a whole phrase.
    const qsizetype dashes = line.lastIndexOf(QLatin1String("--"));
    if (dashes >= 0) {
        const QStringView preparation = line.mid(dashes + 2).trimmed();
        if (preparation.count(QLatin1Char(' ')) == 1 && preparation.endsWith(QLatin1String(" of"), Qt::CaseInsensitive))
            return false;
    }
    if (textStopsShort(line))
        return true;
    const QStringView last = line.mid(line.lastIndexOf(QLatin1Char(' ')) + 1);
    for (const char* word : {"cut", "thinly", "finely", "coarsely", "dry"})
        if (last.compare(QLatin1String(word), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void Draft::addIngredient(const Row& row, bool afterLongLine)
{
    QString& ing = recipe.ing;
    const QStringView text = row.ingredient();
    // A line of the ingredient text that did not fit, or its preparation;
    // also text in small letters after a line that stops short
    // ("2 apples -- peeled, cored, and" above "cubed").
    if (row.amount.isEmpty() && row.measure.isEmpty() && !ing.isEmpty() &&
        (afterLongLine || text.startsWith(QLatin1String("--")) || text.startsWith(QLatin1Char(';')) ||
         (!text.isEmpty() && text.front().isLower() && !text.contains(QLatin1String("--")) &&
          stopsShort(QStringView(ing).mid(ing.lastIndexOf(QLatin1Char('\n')) + 1))))) {
        ing += QLatin1Char(' ');
        ing += text;
        return;
    }
    // "amount measure text", leaving out the parts that are empty.
    bool first = true;
    for (QStringView part : {row.amount, row.measure, text}) {
        if (part.isEmpty())
            continue;
        if (first && !ing.isEmpty())
            ing += QLatin1Char('\n');
        else if (!first)
            ing += QLatin1Char(' ');
        ing += part;
        first = false;
    }
}

bool Draft::header(QStringView line)
{
    const std::optional<Header> h = headerLine(line);
    if (!h) {
        // The categories go on under their first line.
        if (lastKey == QLatin1String("categories") && line.startsWith(QLatin1String("    "))) {
            categories << categoryNames(line);
            return true;
        }
        return false;
    }
    const QString label = h->key.toString().simplified(), key = label.toLower();
    QString value = h->value.trimmed().toString();
    lastKey = key;
    if (key == QLatin1String("serving size") || key == QLatin1String("servings")) {
        // "5     Preparation Time :0:20"
        const QStringView v = value;
        for (qsizetype at = v.indexOf(QLatin1String("preparation time"), 0, Qt::CaseInsensitive); at >= 0;
             at = v.indexOf(QLatin1String("preparation time"), at + 1, Qt::CaseInsensitive)) {
            qsizetype colon = at + 16;
            while (colon < v.size() && asciiSpace(v[colon]))
                ++colon;
            if (at == 0 || !asciiSpace(v[at - 1]) || colon == v.size() || v[colon] != QLatin1Char(':'))
                continue;
            recipe.preptime = clockTimeText(v.mid(colon + 1));
            value = v.left(at).trimmed().toString();
            break;
        }
        if (value != QLatin1String("0"))
            recipe.yield = value;
    } else if (key == QLatin1String("preparation time")) {
        recipe.preptime = clockTimeText(value);
    } else if (key == QLatin1String("cooking time") || key == QLatin1String("cook time")) {
        recipe.cooktime = clockTimeText(value);
    } else if (key == QLatin1String("yield")) {
        recipe.yield = value;
    } else if (key == QLatin1String("categories") || key == QLatin1String("category")) {
        categories << categoryNames(value);
    } else if (key == QLatin1String("recipe by")) {
        if (!value.isEmpty())
            headerNotes << fetchText(Str::NoteBy, langOffset).arg(value);
    } else if (!value.isEmpty()) {
        headerNotes << label + QStringLiteral(": ") + value;
    }
    return true;
}

bool Draft::note(QStringView line)
{
    if (notesClosed)
        return false;
    if (blankLine(line)) {
        ++blankRun;
        if (blankRun >= 3 && !noteLines.isEmpty())
            notesClosed = true;
        return true;
    }
    if (digestLine(line, nextLine)) {
        notesClosed = true;
        return false;
    }
    static thread_local const QRegularExpression yield(QStringLiteral("^\\s*Yield\\s*:\\s*(\\S.*)$"),
                                                       QRegularExpression::CaseInsensitiveOption);
    const QStringView trimmed = line.trimmed();
    if (nutrientLinks(line))
        return true;
    const QRegularExpressionMatch m = trimmed.startsWith(QLatin1String("yield"), Qt::CaseInsensitive)
                                          ? yield.match(line)
                                          : QRegularExpressionMatch();
    if (!pendingKey.isEmpty()) {
        const QString key = std::exchange(pendingKey, QString());
        const QStringView value = line.trimmed();
        if (value.size() >= 2 && value.front() == QLatin1Char('"') && value.back() == QLatin1Char('"') &&
            keyedValue(key, value.mid(1, value.size() - 2).trimmed())) {
            blankRun = 0;
            return true;
        }
        noteLines << key;
    }
    if (m.hasMatch() && recipe.yield.isEmpty()) {
        recipe.yield = m.captured(1).trimmed();
    } else {
        if (blankRun > 0 && !noteLines.isEmpty())
            noteLines << QString();
        const QString text = trimmed.toString();
        // Later exports put a value on the line after its key, in quotes.
        static thread_local const QRegularExpression keyAlone(
            QStringLiteral("^(Yield|Start to Finish Time|T\\([A-Za-z ]{1,20}\\))\\s*:$"),
            QRegularExpression::CaseInsensitiveOption);
        if (text.endsWith(QLatin1Char(':')) && keyAlone.match(text).hasMatch())
            pendingKey = text;
        else
            noteLines << text;
    }
    blankRun = 0;
    return true;
}

bool Draft::keyedValue(const QString& keyLine, QStringView value)
{
    const QString label = keyLine.chopped(1).trimmed(), key = label.toLower();
    if (key == QLatin1String("yield")) {
        if (!recipe.yield.isEmpty())
            return false;
        recipe.yield = value.toString();
        return true;
    }
    const QString time = clockTimeText(value);
    if (time.isEmpty())
        return true; // a time of nothing: "0:00"
    if (key == QLatin1String("start to finish time")) {
        noteLines << fetchText(Str::NoteTotalTime, langOffset).arg(time);
    } else if ((key == QLatin1String("t(cook)") || key == QLatin1String("t(bake)")) && recipe.cooktime.isEmpty()) {
        recipe.cooktime = time;
    } else if (key == QLatin1String("t(prep)") && recipe.preptime.isEmpty()) {
        recipe.preptime = time;
    } else {
        noteLines << label.mid(2, label.size() - 3) + QStringLiteral(": ") + time; // "T(Chill)": "Chill"
    }
    return true;
}

void Draft::line(QStringView line)
{
    switch (stage) {
    case Stage::Title:
        if (blankLine(line))
            return;
        stage = Stage::Header;
        // A recipe without a title starts with its headers.
        if (!line.trimmed().startsWith(QLatin1String("Recipe By"), Qt::CaseInsensitive) &&
            !line.trimmed().startsWith(QLatin1String("Serving Size"), Qt::CaseInsensitive)) {
            recipe.title = line.trimmed().toString();
            return;
        }
        this->line(line);
        return;
    case Stage::Header:
        if (blankLine(line))
            return;
        static thread_local const QStringMatcher amount(u"Amount", Qt::CaseInsensitive),
            measure(u"Measure", Qt::CaseInsensitive);
        if (amount.indexIn(line) >= 0 && measure.indexIn(line) >= 0) {
            hasTable = true;
            return;
        }
        if (hasTable && line.trimmed().startsWith(QLatin1String("--"))) {
            if (const std::optional<Columns> c = Columns::fromRule(line))
                columns = *c;
            stage = Stage::Ingredients;
            return;
        }
        if (!hasTable && header(line))
            return;
        stage = tableRow(line, columns, true) ? Stage::Ingredients : Stage::Directions;
        this->line(line);
        return;
    case Stage::Ingredients:
        if (blankLine(line)) {
            afterBlank = true;
            return;
        }
        // "*****  NONE  *****": the export's word for a recipe without ingredients.
        if (noIngredientsLine(line))
            return;
        if (const std::optional<Row> row = tableRow(line, columns, afterBlank || (!hasTable && recipe.ing.isEmpty()))) {
            // A line filled to the export's width went on in the next one.
            addIngredient(*row, !afterBlank && lastRowLength >= 76);
            lastRowLength = line.size();
            while (lastRowLength > 0 && line[lastRowLength - 1].isSpace())
                --lastRowLength;
            afterBlank = false;
            return;
        }
        stage = Stage::Directions;
        [[fallthrough]];
    case Stage::Directions:
        if (digestLine(line, nextLine, 20)) {
            endParagraph();
            stage = Stage::Notes;
            notesClosed = true;
        } else if (endLine(line)) {
            endParagraph();
            stage = Stage::Notes;
        } else if (blankLine(line)) {
            endParagraph();
        } else if (!nutrientLinks(line)) {
            paragraph << line.trimmed();
        }
        return;
    case Stage::Notes: note(line); return;
    }
}

Recipe Draft::finish()
{
    endParagraph();
    if (!pendingKey.isEmpty())
        noteLines << pendingKey;
    QString notes = headerNotes.join(QLatin1Char('\n'));
    if (categories.size() > 1)
        addLine(notes, fetchText(Str::NoteCategories, langOffset).arg(categories.join(QStringLiteral(", "))));
    while (!noteLines.isEmpty() && noteLines.last().isEmpty())
        noteLines.removeLast();
    // The notes' paragraphs, their lines joined where they were wrapped.
    QString text;
    QList<QStringView> lines;
    for (qsizetype i = 0; i <= noteLines.size(); ++i) {
        if (i < noteLines.size() && !noteLines[i].isEmpty()) {
            lines << noteLines[i];
            continue;
        }
        if (!text.isEmpty())
            text += QLatin1String("\n\n");
        appendWrapped(text, lines);
        lines.clear();
    }
    addParagraph(notes, text);
    recipe.other = notes;
    return recipe;
}

// Calls f(line, number) for each line of text, whatever its line ends.
template <typename F>
void forEachLine(QStringView text, F&& f)
{
    qsizetype start = 0;
    int number = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r'))
            ++end;
        f(text.mid(start, end - start), ++number);
        start = end +
                (end + 1 < text.size() && text[end] == QLatin1Char('\r') && text[end + 1] == QLatin1Char('\n') ? 2 : 1);
    }
}

} // namespace

QString clockTimeText(QStringView time)
{
    const QStringView t = time.trimmed();
    const qsizetype colon = t.indexOf(QLatin1Char(':'));
    bool hoursOk = false, minutesOk = false;
    const int hours = colon > 0 && colon <= 4 ? t.left(colon).toInt(&hoursOk) : 0;
    const int minutes = colon > 0 && t.size() - colon - 1 <= 2 ? t.mid(colon + 1).toInt(&minutesOk) : 0;
    if (!hoursOk || !minutesOk || hours < 0 || minutes < 0)
        return t.toString();
    QString out;
    if (hours + minutes / 60 > 0)
        out = QString::number(hours + minutes / 60) + QStringLiteral(" h");
    if (minutes % 60 > 0)
        out += (out.isEmpty() ? QString() : QStringLiteral(" ")) + QString::number(minutes % 60) +
               QStringLiteral(" min");
    return out;
}

bool looksLikeMasterCookText(QStringView text)
{
    qsizetype from = 0;
    while ((from = text.indexOf(QLatin1String("exported from"), from, Qt::CaseInsensitive)) >= 0) {
        qsizetype start = from;
        while (start > 0 && text[start - 1] != QLatin1Char('\n') && text[start - 1] != QLatin1Char('\r'))
            --start;
        qsizetype end = from;
        while (end < text.size() && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r'))
            ++end;
        if (exportLine(text.mid(start, end - start)))
            return true;
        from = end;
    }
    return false;
}

namespace {

// A MasterCook export as its recipes are read from it: text decoded
// already, or the bytes of UTF-8 or Windows-1252 text, each recipe's part
// decoded where it is read (a large export is then never held decoded
// whole). Positions are in the source's own units; at() is only asked for
// line ends.
struct DecodedSource {
    QStringView text;

    qsizetype size() const { return text.size(); }
    char16_t at(qsizetype i) const { return text[i].unicode(); }
    qsizetype find(char c, qsizetype from) const { return text.indexOf(QLatin1Char(c), from); }
    // The characters (UTF-16 units) the unit at i begins.
    int units(qsizetype) const { return 1; }
    QStringView part(qsizetype from, qsizetype to) const { return text.mid(from, to - from); }
};

struct EncodedSource {
    QByteArrayView bytes;
    bool utf8 = true;

    qsizetype size() const { return bytes.size(); }
    char16_t at(qsizetype i) const { return static_cast<unsigned char>(bytes[i]); }
    qsizetype find(char c, qsizetype from) const { return bytes.indexOf(c, from); }
    int units(qsizetype i) const
    {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (!utf8)
            return 1;
        return (b & 0xC0) == 0x80 ? 0 : b >= 0xF0 ? 2 : 1;
    }
    QString part(qsizetype from, qsizetype to) const { return decodeRecipeText(bytes.sliced(from, to - from), utf8); }
};

// Where each recipe starts: at an export line; it runs to the next one.
// Only lines with a star among their first 40 characters may be one: the
// stars are looked for, not the lines.
template <typename Source>
QVector<qsizetype> exportLineStarts(const Source& source)
{
    auto lineEnd = [](char16_t c) { return c == '\n' || c == '\r'; };
    QVector<qsizetype> starts;
    for (qsizetype star = source.find('*', 0); star >= 0;) {
        qsizetype start = star;
        int before = 0; // characters between start and the star
        while (start > 0 && !lineEnd(source.at(start - 1)) && before < 40)
            before += source.units(--start);
        qsizetype end = star;
        while (end < source.size() && !lineEnd(source.at(end)))
            ++end;
        if ((start == 0 || lineEnd(source.at(start - 1))) && before < 40 && exportLine(source.part(start, end)))
            starts.append(start);
        star = source.find('*', end);
    }
    return starts;
}

template <typename Source>
RecipeList readMasterCook(const Source& source, const QVector<qsizetype>& starts, const ReadContext& context)
{
    RecipeList read;
    // The recipes are read side by side and taken in their order.
    struct Read {
        Recipe ready;
        bool skipped = false;
    };
    std::vector<Read> recipes(size_t(starts.size()));
    // Lines are counted as forEachLine counts them, only for recipes left out.
    qsizetype counted = 0;
    int line = 1;
    inParallelInOrder(
        starts.size(),
        [&](qsizetype k) {
            const qsizetype end = k + 1 < starts.size() ? starts[k + 1] : source.size();
            const auto part = source.part(starts[k], end);
            Draft draft;
            draft.langOffset = context.langOffset;
            // Room for the texts at once, not grown line by line.
            const qsizetype room = qMin<qsizetype>(part.size(), 32768);
            draft.recipe.ing.reserve(room / 2);
            draft.recipe.prep.reserve(room);
            bool over = false; // text after the notes is other text
            std::vector<QStringView> lines;
            forEachLine(part, [&](QStringView line, int number) {
                if (number > 1)
                    lines.push_back(line);
            });
            size_t next = 0; // the next line that is not blank
            for (size_t i = 0; i < lines.size() && !over; ++i) {
                if (next <= i)
                    for (next = i + 1; next < lines.size() && blankLine(lines[next]);)
                        ++next;
                draft.nextLine = next < lines.size() ? lines[next] : QStringView();
                if (draft.stage == Draft::Stage::Notes)
                    over = !draft.note(lines[i]);
                else
                    draft.line(lines[i]);
            }
            Recipe r = draft.finish();
            // A recipe the cook left empty is one still: a title and its
            // headers over an empty table ("***** NONE *****"). Text
            // after an export line without the table is none.
            if (r.ing.isEmpty() && r.prep.isEmpty() && (r.title.isEmpty() || !draft.hasTable))
                recipes[size_t(k)].skipped = true;
            else
                recipes[size_t(k)].ready = readyRecipe(std::move(r), draft.categories.value(0), context);
        },
        [&](qsizetype k) {
            if (!recipes[size_t(k)].skipped) {
                read.add(std::move(recipes[size_t(k)].ready));
                return;
            }
            for (; counted < starts[k]; ++counted)
                if (source.at(counted) == '\n' ||
                    (source.at(counted) == '\r' && !(counted + 1 < source.size() && source.at(counted + 1) == '\n')))
                    ++line;
            read.skipped << line;
        });
    return read;
}

} // namespace

RecipeList readMasterCookText(QStringView text, const ReadContext& context)
{
    const DecodedSource source{text};
    return readMasterCook(source, exportLineStarts(source), context);
}

std::optional<RecipeList> readMasterCookText(QByteArrayView bytes, bool utf8, const ReadContext& context)
{
    const EncodedSource source{bytes, utf8};
    const QVector<qsizetype> starts = exportLineStarts(source);
    if (starts.isEmpty())
        return std::nullopt;
    return readMasterCook(source, starts, context);
}

// ---------------------------------------------------------------------------
// MX2

namespace {

QString attr(pugi::xml_node n, const char* name) { return QString::fromUtf8(n.attribute(name).value()).trimmed(); }

// MX2 element names are compared exactly, as its writer spells them.
bool named(pugi::xml_node n, const char* name) { return sameName(n.name(), name); }

// A decimal amount as a cook writes it: "2.000000" as "2", "1.500000" as
// "1.5".
QString withoutTrailingZeros(QString qty)
{
    const qsizetype dot = qty.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return qty;
    for (qsizetype i = dot + 1; i < qty.size(); ++i)
        if (!qty[i].isDigit())
            return qty;
    while (qty.endsWith(QLatin1Char('0')))
        qty.chop(1);
    if (qty.endsWith(QLatin1Char('.')))
        qty.chop(1);
    return qty;
}

// A text of the MX2 file, its paragraphs' lines joined where they were
// wrapped: cooks pasted text wrapped at 70-odd columns into the steps.
QString unwrapped(pugi::xml_node n)
{
    const QString text = tidyLines(xmlInnerText(n));
    if (!text.contains(QLatin1Char('\n')))
        return text;
    QString out;
    for (QStringView paragraph : QStringView(text).split(QStringLiteral("\n\n"))) {
        if (!out.isEmpty())
            out += QStringLiteral("\n\n");
        appendWrapped(out, paragraph.split(QLatin1Char('\n')));
    }
    return out;
}

Recipe mx2Recipe(pugi::xml_node r, QStringList& categories, int langOffset)
{
    Recipe recipe;
    recipe.title = attr(r, "name");
    if (recipe.title.isEmpty())
        recipe.title = simplifiedText(xmlInnerText(xmlChild(r, {"Nam"})));
    QStringList notes, paragraphs, sources;
    QString servings, yield, line;
    if (const QString author = attr(r, "author"); !author.isEmpty())
        notes << fetchText(Str::NoteBy, langOffset).arg(author);
    for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element)
            continue;
        if (named(c, "IngR")) {
            // Most lines' parts are plain ASCII (plainAsciiLength), and the
            // line is then written from the document's text at once.
            const char* values[3];
            QLatin1String plain[3];
            bool allPlain = true;
            for (int k = 0; k < 3; ++k) {
                values[k] = c.attribute(k == 0 ? "qty" : k == 1 ? "unit" : "name").value();
                while (*values[k] == ' ')
                    ++values[k];
                const qsizetype n = allPlain ? plainAsciiLength(values[k]) : -1;
                allPlain = n >= 0;
                plain[k] = QLatin1String(values[k], qMax<qsizetype>(n, 0));
            }
            if (allPlain) {
                writeIngredientLine(line, {plain[0], plain[1], plain[2]}, QLatin1String());
            } else {
                line.resize(0);
                for (const char* value : values) {
                    if (!*value)
                        continue;
                    if (!line.isEmpty())
                        line += QLatin1Char(' ');
                    line += QString::fromUtf8(value);
                }
                line = line.trimmed();
            }
            if (line.isEmpty())
                line = simplifiedText(xmlInnerText(xmlChild(c, {"IngT"})));
            const pugi::xml_node preparation = c.child("IPrp");
            const QString prep = preparation ? simplifiedText(xmlInnerText(preparation)) : QString();
            if (!prep.isEmpty())
                line += (line.isEmpty() ? QString() : QStringLiteral(" -- ")) + prep;
            addLine(recipe.ing, line);
        } else if (named(c, "CatS")) {
            for (pugi::xml_node t = c.first_child(); t; t = t.next_sibling())
                if (named(t, "CatT"))
                    categories << simplifiedText(xmlInnerText(t));
        } else if (named(c, "Serv")) {
            servings = attr(c, "qty");
        } else if (named(c, "Yield")) {
            yield = (withoutTrailingZeros(attr(c, "qty")) + QLatin1Char(' ') + attr(c, "unit")).trimmed();
            if (yield.isEmpty())
                yield = simplifiedText(xmlInnerText(c));
        } else if (named(c, "PrpT")) {
            recipe.preptime = clockTimeText(attr(c, "elapsed"));
        } else if (named(c, "CTim") || named(c, "CookT") || named(c, "CooT")) {
            recipe.cooktime = clockTimeText(attr(c, "elapsed"));
        } else if (named(c, "TTim")) {
            const QString total = clockTimeText(attr(c, "elapsed"));
            if (!total.isEmpty())
                notes << fetchText(Str::NoteTotalTime, langOffset).arg(total);
        } else if (named(c, "DirS")) {
            for (pugi::xml_node t = c.first_child(); t; t = t.next_sibling())
                if (named(t, "DirT"))
                    paragraphs << unwrapped(t);
            if (!c.child("DirT"))
                paragraphs << unwrapped(c);
        } else if (named(c, "DirT")) {
            paragraphs << unwrapped(c);
        } else if (named(c, "Srce")) {
            sources << fetchText(Str::NoteSource, langOffset).arg(simplifiedText(xmlInnerText(c)));
        } else if (named(c, "AltS")) {
            const QString label = attr(c, "label"), source = attr(c, "source");
            if (!source.isEmpty())
                sources << (label.isEmpty() ? source : label + QStringLiteral(": ") + source);
        } else if (named(c, "AltT")) {
            // A further time under the cook's own label ("Cooking time").
            const QString label = attr(c, "label"), time = clockTimeText(attr(c, "elapsed"));
            if (!time.isEmpty() && recipe.cooktime.isEmpty() &&
                label.startsWith(QLatin1String("Cook"), Qt::CaseInsensitive))
                recipe.cooktime = time;
            else if (!time.isEmpty())
                notes << (label.isEmpty() ? time : label + QStringLiteral(": ") + time);
        } else if (named(c, "RatS")) {
            // The cook's ratings, one "Flavor: 10" a line.
            QStringList ratings;
            for (pugi::xml_node t = c.first_child(); t; t = t.next_sibling())
                if (named(t, "RatE") && !attr(t, "value").isEmpty())
                    ratings << attr(t, "name") + QStringLiteral(": ") + attr(t, "value");
            if (!ratings.isEmpty())
                notes << ratings.join(QLatin1Char('\n'));
        } else if (named(c, "Note") || named(c, "Natn") || named(c, "Nutr") || named(c, "Desc") || named(c, "CpyR") ||
                   named(c, "Wine") || named(c, "SrvI") || named(c, "Serve") || named(c, "Serving")) {
            const QString text = unwrapped(c);
            if (!text.isEmpty())
                notes << text;
        }
    }
    // A recipe kept only as its text form reads as the text export does.
    if (recipe.ing.isEmpty() && paragraphs.isEmpty()) {
        const QString text = xmlInnerText(r.child("RTxt"));
        const RecipeList asText = text.trimmed().isEmpty()
                                      ? RecipeList()
                                      : readMasterCookText(QStringLiteral("*  Exported from  MasterCook  *\n") + text,
                                                           {QString(), langOffset});
        if (!asText.isEmpty()) {
            const Recipe& read = asText.recipes.front();
            if (categories.isEmpty() && !read.category.isEmpty())
                categories << read.category;
            recipe.ing = read.ing;
            paragraphs << read.prep;
            notes << read.other;
            if (recipe.preptime.isEmpty())
                recipe.preptime = read.preptime;
            if (yield.isEmpty() && servings.isEmpty())
                yield = read.yield;
        }
    }
    recipe.yield = yield.isEmpty() ? servings : yield;
    if (!yield.isEmpty() && !servings.isEmpty() && servings != QLatin1String("0"))
        notes << fetchText(Str::NoteServings, langOffset).arg(servings);
    if (recipe.yield == QLatin1String("0"))
        recipe.yield.clear();
    for (const QString& p : std::as_const(paragraphs))
        addParagraph(recipe.prep, p);
    if (categories.size() > 1)
        notes << fetchText(Str::NoteCategories, langOffset).arg(categories.join(QStringLiteral(", ")));
    notes << sources;
    for (const QString& n : std::as_const(notes))
        addParagraph(recipe.other, n);
    // A picture the recipe names: an attribute or an element holding a file name.
    for (const char* name : {"img", "image", "picture", "pict"})
        if (recipe.image.isEmpty())
            recipe.image = attr(r, name);
    if (recipe.image.isEmpty())
        recipe.image = xmlInnerText(xmlChild(r, {"PicF", "Pict", "Img", "Image", "Picture"})).trimmed();
    return recipe;
}

} // namespace

RecipeList readMasterCookXml(const QByteArray& bytes, const ReadContext& context)
{
    return readXmlRecipes(bytes, "RcpE", context, mx2Recipe);
}

} // namespace bd
