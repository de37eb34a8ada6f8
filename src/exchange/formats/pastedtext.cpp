#include "exchange/formats/pastedtext.h"

#include "exchange/formats/exportnotes.h"
#include "exchange/formats/textlines.h"
#include "store/amounts.h"
#include "store/names.h"

#include <QRegularExpression>
#include <QStringList>

namespace bd {

namespace {

// s in lower case without accents, for comparing with the label words.
QString folded(QStringView s)
{
    QString out;
    for (QChar c : s.toString().normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing)
            out += c.toLower();
    return out;
}

int wordCount(QStringView s) { return int(s.split(QLatin1Char(' '), Qt::SkipEmptyParts).size()); }

// The line without a list mark before it ("- ", "* ", "• ", "▢ ", "[ ] ").
QString withoutBullet(const QString& line)
{
    static const QRegularExpression bullet(
        QStringLiteral("^(?:[-*+\\x{2022}\\x{00B7}\\x{25AA}\\x{25E6}\\x{25CB}\\x{25CF}\\x{25A2}\\x{2610}\\x{25A1}"
                       "\\x{2713}\\x{2714}\\x{2013}\\x{2014}>]|\\[ ?\\])\\s*"));
    QString t = line;
    t.remove(bullet);
    return t.trimmed();
}

// The length of a step's number before its text ("1. ", "2) ", "Step 3:",
// "Paso 4 -"), 0 for none.
qsizetype stepMarker(QStringView line)
{
    static const QRegularExpression step(
        QStringLiteral("^(?:(?:step|paso)\\s*\\d{1,2}\\s*[:.)\\-\\x{2013}]?\\s*|\\d{1,2}[.)]\\s+)(?=\\S)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = step.match(line);
    return m.hasMatch() ? m.capturedLength() : 0;
}

enum class Part { None, Ingredients, Directions, Notes };

// What a heading line ("Ingredients", "## Method:", "**Preparación**")
// starts; None for a line that is no heading.
Part headingPart(QStringView line)
{
    QString t = folded(line);
    static const QRegularExpression marks(QStringLiteral("^[#*_=\\s]+|[#*_=:\\s]+$"));
    t.remove(marks);
    if (t.size() > 40)
        return Part::None;
    // "Ingredients (for 4)" is a heading too.
    const qsizetype bracket = t.indexOf(QLatin1String(" ("));
    if (bracket > 0)
        t.truncate(bracket);
    static const struct {
        const char* word;
        Part part;
    } headings[] = {
        {"ingredients", Part::Ingredients},
        {"ingredient list", Part::Ingredients},
        {"you will need", Part::Ingredients},
        {"you'll need", Part::Ingredients},
        {"what you need", Part::Ingredients},
        {"what you'll need", Part::Ingredients},
        {"ingredientes", Part::Ingredients},
        {"lo que necesitas", Part::Ingredients},
        {"directions", Part::Directions},
        {"method", Part::Directions},
        {"instructions", Part::Directions},
        {"preparation", Part::Directions},
        {"steps", Part::Directions},
        {"procedure", Part::Directions},
        {"how to make it", Part::Directions},
        {"preparacion", Part::Directions},
        {"modo de preparacion", Part::Directions},
        {"elaboracion", Part::Directions},
        {"instrucciones", Part::Directions},
        {"pasos", Part::Directions},
        {"procedimiento", Part::Directions},
        {"notes", Part::Notes},
        {"note", Part::Notes},
        {"tips", Part::Notes},
        {"cook's notes", Part::Notes},
        {"notas", Part::Notes},
        {"nota", Part::Notes},
        {"consejos", Part::Notes},
    };
    for (const auto& h : headings)
        if (t == QLatin1String(h.word))
            return h.part;
    return Part::None;
}

enum class Field { None, Yield, Prep, Cook, Total, Source };

struct Label {
    const char* word;
    Field field;
    bool bare; // may stand without a colon before a number ("Serves 4")
};

const Label kLabels[] = {
    {"yield", Field::Yield, true},
    {"yields", Field::Yield, true},
    {"servings", Field::Yield, true},
    {"serves", Field::Yield, true},
    {"makes", Field::Yield, true},
    {"porciones", Field::Yield, true},
    {"raciones", Field::Yield, true},
    {"rinde", Field::Yield, true},
    {"para", Field::Yield, true},
    {"comensales", Field::Yield, false},
    {"prep time", Field::Prep, true},
    {"preparation time", Field::Prep, true},
    {"prep", Field::Prep, false},
    {"preparation", Field::Prep, false},
    {"active time", Field::Prep, true},
    {"tiempo de preparacion", Field::Prep, true},
    {"preparacion", Field::Prep, false},
    {"cook time", Field::Cook, true},
    {"cooking time", Field::Cook, true},
    {"bake time", Field::Cook, true},
    {"baking time", Field::Cook, true},
    {"cook", Field::Cook, false},
    {"bake", Field::Cook, false},
    {"tiempo de coccion", Field::Cook, true},
    {"tiempo de horneado", Field::Cook, true},
    {"coccion", Field::Cook, false},
    {"total time", Field::Total, true},
    {"total", Field::Total, false},
    {"ready in", Field::Total, true},
    {"tiempo total", Field::Total, true},
    {"source", Field::Source, false},
    {"fuente", Field::Source, false},
};

// A label and its value read from one part of a line ("Serves 4",
// "Prep time: 15 min", "Porciones: 4", "4 servings"); a label alone
// ("Prep Time") has an empty value.
struct FieldValue {
    Field field = Field::None;
    QString value;
};

FieldValue fieldOf(const QString& part)
{
    const QString t = part.trimmed();
    if (t.isEmpty() || t.size() > 60)
        return {};
    const QString f = folded(t);
    // "4 servings", "6 porciones": the yield without a label.
    static const QRegularExpression counted(QStringLiteral(
        "^\\d+(?:\\s*(?:-|to|a)\\s*\\d+)?\\s+(?:servings?|portions?|people|porciones|raciones|personas)$"));
    if (counted.match(f).hasMatch())
        return {Field::Yield, t};
    for (const Label& l : kLabels) {
        const qsizetype n = qsizetype(qstrlen(l.word));
        if (!f.startsWith(QLatin1String(l.word)))
            continue;
        // The label ends at a colon (a dot, a dash), or at a space before
        // a number.
        if (f.size() == n)
            return {l.field, QString()};
        QStringView rest = QStringView(t).mid(n);
        const QChar after = rest.front();
        if (after == QLatin1Char(':') || (after == QLatin1Char(' ') && rest.trimmed().startsWith(QLatin1Char(':')))) {
            rest = rest.trimmed().mid(1).trimmed();
            // "Preparación:" with nothing after it is a heading.
            if (rest.isEmpty() && l.field != Field::Source)
                return {l.field, QString()};
        } else if (after == QLatin1Char(' ') && l.bare && !rest.trimmed().isEmpty() && rest.trimmed()[0].isDigit()) {
            rest = rest.trimmed();
        } else {
            continue;
        }
        // A time needs a number; a label not made for standing alone
        // ("Prep", "Bake") needs it too.
        if (l.field != Field::Source && !rest.isEmpty() && !rest.contains(QRegularExpression(QStringLiteral("\\d"))) &&
            !l.bare)
            return {};
        return {l.field, rest.toString()};
    }
    return {};
}

// The fields of a line that holds nothing else, one or several of them
// apart ("Prep: 10 min | Cook: 20 min | Serves 4"); empty when the line
// holds anything else.
QList<FieldValue> fieldsOf(const QString& line)
{
    static const QRegularExpression apart(QStringLiteral("\\s*(?:[|\\x{2022}\\x{00B7}\\t]|\\s{2,})\\s*"));
    QList<FieldValue> found;
    for (const QString& part : line.split(apart, Qt::SkipEmptyParts)) {
        const FieldValue v = fieldOf(part);
        if (v.field == Field::None)
            return {};
        found << v;
    }
    return found;
}

// Words right after a number that make it no amount ("10 minutes",
// "350 degrees").
bool timeOrHeatWord(QStringView word)
{
    static const QRegularExpression words(
        QStringLiteral("^(?:minutes?|mins?|hours?|hrs?|seconds?|minutos?|horas?|segundos?|degrees?|grados?|°.*)$"));
    return words.match(folded(word)).hasMatch();
}

// Whether a line (its list mark removed) reads as an ingredient: an amount
// at its start, and no step number.
bool ingredientLike(const QString& t)
{
    if (stepMarker(t) || t.size() > 120)
        return false;
    const LineAmount a = readLineAmount(t);
    if (!a.found || a.textStart >= t.size())
        return false;
    const QStringView rest = QStringView(t).mid(a.textStart);
    const qsizetype space = rest.indexOf(QLatin1Char(' '));
    return a.unit != UnitId::None || !timeOrHeatWord(space < 0 ? rest : rest.left(space));
}

// Whether a line reads as a sentence of directions, not an ingredient:
// it ends one, or is long.
bool sentenceLike(const QString& t)
{
    return stepMarker(t) > 0 || wordCount(t) >= 12 ||
           (wordCount(t) >= 5 && (t.endsWith(QLatin1Char('.')) || t.endsWith(QLatin1Char('!'))));
}

bool titleLike(const QString& t)
{
    static const QString ends = QStringLiteral(".!?:,;");
    return !t.isEmpty() && t.size() <= 80 && wordCount(t) <= 12 && !ends.contains(t.back()) &&
           !t.startsWith(QLatin1String("http"), Qt::CaseInsensitive);
}

bool greeting(const QString& t)
{
    static const QRegularExpression hello(
        QStringLiteral("^(?:hi|hello|hey|dear|hola|querid[oa]s?|buen[oa]s(?: dias| tardes)?|estimad[oa])\\b"));
    return wordCount(t) <= 8 && hello.match(folded(t)).hasMatch();
}

bool signOff(const QString& t)
{
    static const QRegularExpression bye(QStringLiteral("^(?:enjoy|love|cheers|best|thanks|thank you|regards|xo|hugs|un "
                                                       "abrazo|besos|saludos|disfruta|buen provecho)\\b"));
    return wordCount(t) <= 5 && bye.match(folded(t)).hasMatch();
}

// An e-mail header line at the top of a forwarded message: the subject's
// text (without "Re:" and "Fwd:") in subject.
bool mailHeader(const QString& t, QString* subject)
{
    static const QRegularExpression header(
        QStringLiteral("^(from|to|cc|sent|date|subject|de|para|enviado|fecha|asunto)\\s*:\\s*(.*)$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = header.match(t);
    if (!m.hasMatch())
        return false;
    const QString name = m.captured(1).toLower();
    if (name == QLatin1String("subject") || name == QLatin1String("asunto")) {
        static const QRegularExpression reply(QStringLiteral("^(?:(?:re|fwd?|rv|reenv)\\s*:\\s*)+"),
                                              QRegularExpression::CaseInsensitiveOption);
        *subject = m.captured(2).remove(reply).trimmed();
    }
    return true;
}

// The directions as they are read: paragraphs of lines.
class Paragraphs {
public:
    void line(const QString& t)
    {
        // "Step 2" on a line of its own starts the step below it.
        static const QRegularExpression stepAlone(QStringLiteral("^(?:step|paso)\\s*\\d{1,2}\\s*[:.]?$"),
                                                  QRegularExpression::CaseInsensitiveOption);
        if (stepAlone.match(t).hasMatch()) {
            open_.clear();
            return;
        }
        const qsizetype step = stepMarker(t);
        if (step || open_.isEmpty())
            blocks_.append(QStringList());
        open_ = t.mid(step);
        blocks_.last() << open_;
    }
    void end() { open_.clear(); }
    bool isEmpty() const { return blocks_.isEmpty(); }
    QString text() const
    {
        QString out;
        for (const QStringList& block : blocks_) {
            QString paragraph;
            QList<QStringView> lines;
            for (const QString& l : block)
                lines << l;
            appendWrapped(paragraph, lines);
            addParagraph(out, paragraph);
        }
        return out;
    }
    // Takes the last block away when it is a sign-off ("Enjoy!", "Love,
    // Mom").
    void dropSignOff()
    {
        if (!blocks_.isEmpty() && blocks_.last().size() <= 3 && signOff(blocks_.last().first()))
            blocks_.removeLast();
    }

private:
    QList<QStringList> blocks_;
    QString open_;
};

} // namespace

bool pastedWebAddress(const QString& text)
{
    const QString t = text.trimmed();
    return (t.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
            t.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)) &&
           !t.contains(QRegularExpression(QStringLiteral("\\s")));
}

Recipe splitPastedRecipe(const QString& text, int langOffset)
{
    QStringList lines;
    for (QString l : text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n|\\x{2028}"))))
        lines << l.replace(QChar(0xA0), QLatin1Char(' ')).simplified();
    bool directionsHeading = false;
    for (const QString& l : lines)
        directionsHeading = directionsHeading || headingPart(l) == Part::Directions;

    Recipe r;
    QString subject, total, source;
    QStringList ingredients, intro, notes;
    Paragraphs directions;
    Part part = Part::None;
    bool atTop = true;       // nothing but e-mail headers so far
    bool blankBefore = true; // the line before was blank
    bool gap = false;        // a blank line between ingredients, kept if more follow
    bool implicitDirections = false;

    auto addIngredient = [&](const QString& t) {
        if (std::exchange(gap, false) && !ingredients.isEmpty())
            ingredients << QString();
        ingredients << t;
    };
    auto setField = [&](const FieldValue& v) {
        QString* target[] = {nullptr, &r.yield, &r.preptime, &r.cooktime, &total, &source};
        QString* into = target[int(v.field)];
        if (into && into->isEmpty())
            *into = v.value;
    };

    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.isEmpty()) {
            blankBefore = true;
            gap = part == Part::Ingredients || (part == Part::None && !implicitDirections);
            directions.end();
            if (part == Part::Notes && !notes.isEmpty() && !notes.last().isEmpty())
                notes << QString();
            continue;
        }
        const bool afterBlank = std::exchange(blankBefore, false);
        if (atTop && mailHeader(line, &subject))
            continue;
        atTop = false;
        if (const Part h = headingPart(line); h != Part::None) {
            part = h;
            gap = false;
            directions.end();
            continue;
        }
        // Label lines, or a label alone with its value on the next line
        // ("Prep Time" over "15 mins"), as web pages lay them out; a label
        // alone without a value below it ("Bake") is text.
        const QList<FieldValue> fields = fieldsOf(line);
        const bool valueBelow = i + 1 < lines.size() && !lines[i + 1].isEmpty() && lines[i + 1].size() <= 30 &&
                                lines[i + 1][0].isDigit();
        const bool alone = fields.size() == 1 && fields[0].value.isEmpty();
        if (!fields.isEmpty() && (!alone || valueBelow) &&
            (part != Part::Directions || fields.size() > 1 || wordCount(line) <= 4)) {
            if (alone)
                setField({fields[0].field, lines[++i]});
            else
                for (const FieldValue& v : fields)
                    if (!v.value.isEmpty())
                        setField(v);
            continue;
        }
        const QString t = withoutBullet(line);
        if (t.isEmpty())
            continue;
        if (r.title.isEmpty() && part == Part::None && ingredients.isEmpty()) {
            // Before the title: greetings and chatter are left out.
            if (titleLike(t) && !ingredientLike(t) && !greeting(t)) {
                r.title = t;
                continue;
            }
            if (!ingredientLike(t))
                continue;
        }
        if (part == Part::Ingredients && !directionsHeading && (stepMarker(t) || (afterBlank && sentenceLike(t)))) {
            part = Part::Directions;
            implicitDirections = true;
        }
        switch (part) {
        case Part::Ingredients: addIngredient(t); break;
        case Part::Directions: directions.line(t); break;
        case Part::Notes: notes << t; break;
        case Part::None:
            if (!implicitDirections && (ingredientLike(t) || (!ingredients.isEmpty() && !afterBlank &&
                                                              !sentenceLike(t) && wordCount(t) <= 8))) {
                addIngredient(t);
            } else if (!implicitDirections && ingredients.isEmpty() && !stepMarker(t)) {
                intro << t; // a description between the title and the ingredients
            } else {
                implicitDirections = true;
                directions.line(t);
            }
            break;
        }
    }
    if (r.title.isEmpty())
        r.title = subject;
    // A title as the book takes it ("Gran's" with a typographic apostrophe).
    r.title = allowedName(r.title);
    directions.dropSignOff();
    while (!notes.isEmpty() && notes.last().isEmpty())
        notes.removeLast();
    r.ing = ingredients.join(QLatin1Char('\n'));
    r.prep = directions.text();
    // A text with neither ingredients nor directions is all directions.
    if (r.ing.isEmpty() && r.prep.isEmpty()) {
        r.prep = intro.join(QLatin1Char('\n'));
        intro.clear();
    }
    ExportNotes other(langOffset, ExportNotes::Order::FieldsFirst);
    other.line(Str::NoteTotalTime, total);
    other.line(Str::NoteSource, source);
    other.text(intro.join(QLatin1Char('\n')));
    other.text(notes.join(QLatin1Char('\n')));
    r.other = other.notes();
    return r;
}

} // namespace bd
