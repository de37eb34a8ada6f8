#include "exchange/formats/mealmaster.h"

#include "store/encoding.h"

#include "resources/strings.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

namespace bd {

namespace {

// Header values longer than this are no MealMaster header (the format
// allows 60 characters for a title); such a recipe cannot be read.
constexpr int kMaxHeaderLength = 200;

Q_ALWAYS_INLINE bool blank(QStringView line)
{
    for (QChar c : line)
        if (!c.isSpace())
            return false;
    return true;
}

// line without the spaces and control characters (a DOS end-of-file mark)
// it ends with.
QStringView rightTrimmed(QStringView line)
{
    while (!line.isEmpty() && (line.back().isSpace() || line.back().unicode() < 0x20))
        line.chop(1);
    return line;
}

// s without spaces at either end (QStringView::trimmed, inline: it is
// called for every column of every ingredient).
Q_ALWAYS_INLINE QStringView trim(QStringView s)
{
    while (!s.isEmpty() && s.front().isSpace())
        s = s.mid(1);
    while (!s.isEmpty() && s.back().isSpace())
        s.chop(1);
    return s;
}

Q_ALWAYS_INLINE qsizetype indentOf(QStringView line)
{
    qsizetype n = 0;
    while (n < line.size() && line[n].isSpace())
        ++n;
    return n;
}

bool startsWith(QStringView s, const char* prefix)
{
    for (qsizetype i = 0; prefix[i]; ++i)
        if (i >= s.size() || s[i].unicode() != char16_t(prefix[i]))
            return false;
    return true;
}

// Whether s equals lower (ASCII in lower case) in any letter case.
bool sameAscii(QStringView s, const char* lower)
{
    qsizetype i = 0;
    for (; lower[i]; ++i) {
        if (i >= s.size())
            return false;
        char16_t u = s[i].unicode();
        if (u >= 'A' && u <= 'Z')
            u += 'a' - 'A';
        if (u != char16_t(lower[i]))
            return false;
    }
    return i == s.size();
}

bool startsWithAscii(QStringView s, const char* lower)
{
    return sameAscii(s.left(qsizetype(std::strlen(lower))), lower);
}

// Whether s holds lower (ASCII in lower case) in any letter case.
bool containsAscii(QStringView s, const char* lower)
{
    const qsizetype n = qsizetype(std::strlen(lower));
    for (qsizetype i = 0; i + n <= s.size(); ++i)
        if (sameAscii(s.mid(i, n), lower))
            return true;
    return false;
}

// The text between the dashes of a framing line or heading
// ("MMMMM-----x-----", "----- x -----"), trimmed; t is trimmed.
QStringView dashedText(QStringView t)
{
    if (startsWith(t, "MMMMM"))
        t = t.mid(5);
    while (!t.isEmpty() && t.front() == QLatin1Char('-'))
        t = t.mid(1);
    while (!t.isEmpty() && t.back() == QLatin1Char('-'))
        t.chop(1);
    // Control characters are nothing to show ("MMMMM-----^T-----").
    while (!t.isEmpty() && (t.front().isSpace() || t.front().unicode() < 0x20))
        t = t.mid(1);
    while (!t.isEmpty() && (t.back().isSpace() || t.back().unicode() < 0x20))
        t.chop(1);
    return t;
}

bool onlyDashes(QStringView t)
{
    for (QChar c : t)
        if (c != QLatin1Char('-'))
            return false;
    return true;
}

// A line that may begin a recipe: "MMMMM-" or five dashes, then text.
bool framing(QStringView t) { return (startsWith(t, "MMMMM-") || startsWith(t, "-----")) && !dashedText(t).isEmpty(); }

// A section heading: "MMMMM-" and text, or three dashes, text and dashes.
bool heading(QStringView t)
{
    return (startsWith(t, "MMMMM-") || (startsWith(t, "---") && t.endsWith(QLatin1Char('-')))) &&
           !dashedText(t).isEmpty();
}

// The name of a heading drawn as some writers draw a line across the
// text, with the name in it ("~-----GARNISH-----", "~-----FROSTING-+-----");
// empty for any other line.
QStringView tildeHeading(QStringView t)
{
    if (!startsWith(t, "~-") || !t.endsWith(QLatin1String("--")))
        return QStringView();
    QStringView name = t.mid(1);
    while (!name.isEmpty() && (name.front() == QLatin1Char('-') || name.front().isSpace()))
        name = name.mid(1);
    while (!name.isEmpty() &&
           (name.back() == QLatin1Char('-') || name.back() == QLatin1Char('+') || name.back().isSpace()))
        name.chop(1);
    return !name.isEmpty() && name.front().isLetterOrNumber() ? name : QStringView();
}

// A line drawn across the text ("~-----", "=====", "+++++", also
// "MMMMM-----" without text): no letter or digit, at least three marks.
bool separator(QStringView t)
{
    if (startsWith(t, "MMMMM-"))
        return dashedText(t).isEmpty();
    int marks = 0;
    for (QChar c : t) {
        if (c.isLetterOrNumber())
            return false;
        marks += !c.isSpace();
    }
    return marks >= 3;
}

bool namesFormat(QStringView text)
{
    for (const char* name : {"meal-master", "mealmaster", "meal master"})
        if (containsAscii(text, name))
            return true;
    return false;
}

enum class Key { Other, Title, Categories, Yield, PrepTime, CookTime };

// A header line "Name: value" (t trimmed): a name of letters, spaces,
// dots and dashes, at most 20 characters.
bool headerLine(QStringView t, Key* key, QStringView* value)
{
    qsizetype colon = 0;
    while (colon < t.size() && colon <= 20 && t[colon] != QLatin1Char(':'))
        ++colon;
    if (colon == 0 || colon > 20 || colon == t.size())
        return false;
    const QStringView name = t.left(colon).trimmed();
    for (QChar c : name)
        if (!c.isLetter() && c != QLatin1Char(' ') && c != QLatin1Char('.') && c != QLatin1Char('-'))
            return false;
    static const struct {
        const char* name;
        Key key;
    } keys[] = {{"title", Key::Title},        {"categories", Key::Categories}, {"category", Key::Categories},
                {"yield", Key::Yield},        {"servings", Key::Yield},        {"serves", Key::Yield},
                {"serving size", Key::Yield}, {"makes", Key::Yield},           {"preparation time", Key::PrepTime},
                {"prep time", Key::PrepTime}, {"cooking time", Key::CookTime}, {"cook time", Key::CookTime}};
    *key = Key::Other;
    for (const auto& k : keys)
        if (sameAscii(name, k.name))
            *key = k.key;
    *value = t.mid(colon + 1).trimmed();
    return !name.isEmpty();
}

// Whether the header lines that start rest name a title: what tells a
// recipe's begin line from a heading or a line between recipes.
bool titleFollows(QStringView rest)
{
    for (int lines = 0; lines < 8 && !rest.isEmpty(); ++lines) {
        qsizetype end = 0;
        while (end < rest.size() && rest[end] != QLatin1Char('\n') && rest[end] != QLatin1Char('\r'))
            ++end;
        const QStringView t = rest.left(end).trimmed();
        rest = rest.mid(qMin(end + 1, rest.size()));
        Key key;
        QStringView value;
        if (t.isEmpty() || separator(t))
            continue;
        if (!headerLine(t, &key, &value))
            return false;
        if (key == Key::Title)
            return true;
    }
    return false;
}

enum class Frame { M, Dash };

// Whether a framing line begins a recipe: it names the format, a title
// follows, or it is "MMMMM-----" or ten dashes and text that does not end
// in dashes as a heading does.
bool beginning(QStringView t, QStringView rest)
{
    if (!t.endsWith(QLatin1Char('-')) && (startsWith(t, "MMMMM-----") || startsWith(t, "----------")))
        return true;
    return namesFormat(dashedText(t)) || titleFollows(rest);
}

bool ending(QStringView t, Frame frame)
{
    return t == QLatin1String("MMMMM") || (frame == Frame::Dash && t.size() >= 5 && onlyDashes(t));
}

// One column of an ingredient line: amount (7 wide), space, unit (2 wide),
// space, text.
struct Ingredient {
    QStringView amount, unit, text;
    bool marked = false; // a continuation marked with ":" in the amount column, the mark not in text
    bool spaced = false; // the text starts a column after its place
    bool empty() const { return amount.isEmpty() && unit.isEmpty() && text.isEmpty(); }
    bool measured() const { return !amount.isEmpty() || !unit.isEmpty(); }
    // "-", or the "." some writers put there ("           .  sugar").
    bool continuation() const
    {
        return marked || (!measured() && (text.startsWith(QLatin1Char('-')) || text == QLatin1String(".") ||
                                          text.startsWith(QLatin1String(". "))));
    }
    // The text a continuation adds to the line above.
    QStringView continued() const { return marked ? text : trim(text.mid(1)); }
};

Q_ALWAYS_INLINE bool amountChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || u == ' ' || u == '/' || u == '.' || u == ',' || u == '-' || u == 0xBC ||
           u == 0xBD || u == 0xBE;
}

bool knownUnit(QStringView unit)
{
    static const char* const units[] = {"x",  "sm", "md", "lg", "cn", "pk", "pn", "dr", "ds", "ct", "bn", "sl",
                                        "ea", "t",  "ts", "T",  "tb", "fl", "c",  "pt", "qt", "ga", "oz", "lb",
                                        "ml", "cb", "cl", "dl", "l",  "mg", "cg", "dg", "g",  "kg"};
    for (const char* u : units)
        if (unit == QLatin1String(u))
            return true;
    return false;
}

// Reads s as one ingredient column. strict: the unit must be one of the
// format's and a line without amount and unit must start its text where
// the column puts it (for telling a second column from long text).
// anyUnit: a unit of letters the format lacks may stand a column right.
bool ingredient(QStringView s, Ingredient* out, bool strict, bool anyUnit = false)
{
    const qsizetype n = s.size();
    // The spaces after the amount and the unit first: they turn most
    // other lines away at once.
    if ((n > 7 && s[7] != QLatin1Char(' ')) || (n > 10 && s[10] != QLatin1Char(' ')))
        return false;
    // The amount and the unit in one pass, each from its first to its
    // last character that is not a space.
    qsizetype amountFrom = 7, amountTo = 0, unitFrom = 10, unitTo = 0;
    for (qsizetype i = 0; i < n && i < 10; ++i) {
        const QChar c = s[i];
        if (c == QLatin1Char(' '))
            continue;
        if (i < 7) {
            if (!amountChar(c))
                return false;
            amountFrom = qMin(amountFrom, i);
            amountTo = i + 1;
        } else {
            // A unit is letters, left-aligned; a one-letter unit may
            // stand a column to the right ("  1  c Flour").
            if (!c.isLetter() || (i == 9 && s[8] == QLatin1Char(' ') && !anyUnit && !knownUnit(s.mid(9, 1))))
                return false;
            unitFrom = qMin(unitFrom, i);
            unitTo = i + 1;
        }
    }
    out->amount = amountTo ? s.mid(amountFrom, amountTo - amountFrom) : QStringView();
    out->unit = unitTo ? s.mid(unitFrom, unitTo - unitFrom) : QStringView();
    out->text = n > 11 ? trim(s.mid(11)) : QStringView();
    out->spaced = n > 12 && s[11] == QLatin1Char(' ');
    if (out->empty())
        return false;
    if (strict) {
        if (!out->unit.isEmpty() && !knownUnit(out->unit))
            return false;
        if (!out->measured() && s[11].isSpace())
            return false;
    }
    return true;
}

// Where a second ingredient column may start (counted from 0): Meal-Master
// puts it at 41, other writers at 40; any start from 36 to 46 is taken.
constexpr int kRightColumns[] = {41, 40, 36, 37, 38, 39, 42, 43, 44, 45, 46};

// A two-column line split at p: the right column after a space, with an
// amount or unit, or text alone where the recipe's right column starts
// (known, or 40 or 41 while none is known) or after a blank left column.
Q_ALWAYS_INLINE bool twoColumns(QStringView line, int p, int known, Ingredient* left, Ingredient* right)
{
    // The spaces before the column and after its amount and unit first.
    if (p + 11 >= line.size() || line[p - 1] != QLatin1Char(' ') || line[p + 7] != QLatin1Char(' ') ||
        line[p + 10] != QLatin1Char(' '))
        return false;
    // Where the right column stands, an amount with a unit the format
    // lacks ("1  o  Cola") is one too.
    const bool atColumn = p == known || (known < 0 && (p == 40 || p == 41));
    if (!ingredient(line.mid(p), right, true) && !(atColumn && ingredient(line.mid(p), right, false, true) &&
                                                   !right->amount.isEmpty() && !right->unit.isEmpty()))
        return false;
    const QStringView l = line.left(p);
    if (blank(l)) {
        *left = Ingredient();
        return true;
    }
    if (!right->measured() && p != known && (known >= 0 || (p != 40 && p != 41)))
        return false;
    return ingredient(l, left, false);
}

// An ingredient line in one or two columns; right is empty for one column.
// rightAt: where the recipe's right column starts, -1 while unknown.
bool ingredientLine(QStringView line, Ingredient* left, Ingredient* right, int* rightAt)
{
    if (line.size() > kRightColumns[2] + 11) {
        if (*rightAt >= 0 && twoColumns(line, *rightAt, *rightAt, left, right))
            return true;
        for (int p : kRightColumns) {
            if (p != *rightAt && twoColumns(line, p, *rightAt, left, right)) {
                if (right->measured())
                    *rightAt = p;
                return true;
            }
        }
    }
    *left = *right = Ingredient();
    if (ingredient(line, left, false))
        return true;
    // Some writers set the whole list a column or two to the right, and
    // mark text that goes on with ":" ("  :          minced").
    const qsizetype lead = indentOf(line);
    if (lead < line.size() && line[lead] == QLatin1Char(':') && lead <= 6 && indentOf(line.mid(lead + 1)) >= 2) {
        left->marked = true;
        left->text = trim(line.mid(lead + 1));
        return true;
    }
    for (qsizetype shift : {1, 2})
        if (lead >= shift && ingredient(line.mid(shift), left, false))
            return true;
    *left = Ingredient();
    return false;
}

// Whether an ingredient's text went on in the line below without the
// format's "-": the line above stops short ("Butter or margarine,",
// "Cream of", "(10 oz"), or the line below cannot start an ingredient
// ("to remove shells", "Or 1 tb dried", "To taste").
bool textGoesOn(QStringView above, QStringView below)
{
    if (below.isEmpty())
        return false;
    return textStopsShort(above) || startsWithAscii(below, "or ") || startsWithAscii(below, "to ") ||
           sameAscii(below, "to taste");
}

int firstWordLength(QStringView s)
{
    int n = 0;
    while (n < s.size() && !s[n].isSpace())
        ++n;
    return n;
}

} // namespace

qsizetype mealMasterListMarker(QStringView s)
{
    if (s.startsWith(QLatin1Char('*')) || s.startsWith(QLatin1Char('-')) || s.startsWith(QChar(0x2022)))
        return 1;
    // A step's number has one or two digits and a space after its mark:
    // "1986." and "1.80" are no steps.
    qsizetype digits = 0;
    while (digits < s.size() && s[digits].isDigit())
        ++digits;
    return digits > 0 && digits <= 2 && digits < s.size() &&
                   (s[digits] == QLatin1Char('.') || s[digits] == QLatin1Char(')')) &&
                   (digits + 1 == s.size() || s[digits + 1].isSpace())
               ? digits + 1
               : 0;
}

bool mealMasterTwoColumns(QStringView line)
{
    Ingredient left, right;
    for (int p : kRightColumns)
        if (twoColumns(line, p, p, &left, &right))
            return true;
    return false;
}

bool mealMasterMarkLine(QStringView line)
{
    return line == QLatin1String("MMMMM") || framing(line) || heading(line) || separator(line);
}

// Directions whose widest line is narrower than this were not wrapped.
constexpr qsizetype kMinWrapWidth = 50;

bool mealMasterLinesJoined(QStringView a, QStringView b, qsizetype width)
{
    const qsizetype ia = indentOf(a), ib = indentOf(b);
    const QStringView text = b.mid(ib);
    if (mealMasterListMarker(text))
        return false;
    if (ib > ia) {
        // Deeper lines go on under a list item's text, or under the text
        // after a label ("*Note: Spinach ..." over "       should be ...").
        const qsizetype marker = mealMasterListMarker(a.mid(ia));
        const qsizetype colon = a.mid(ia, 20).indexOf(QLatin1String(": "));
        const qsizetype label = colon < 0 ? -1 : ia + colon + 1 + indentOf(a.mid(ia + colon + 1));
        // Other deeper lines start a line of their own, unless they go on
        // with a sentence that a long line left open.
        if (ib != label && (!marker || ib > ia + marker + indentOf(a.mid(ia + marker))))
            return width >= kMinWrapWidth && sentenceGoesOn(a.mid(ia), text, width);
    }
    // Writers that fill lines to the width leave lines one column short of
    // it too; a recipe whose lines all stay short was not wrapped at all.
    // A long line that stops inside a sentence goes on too, as a cook's
    // line breaks typed near the width do.
    return width >= kMinWrapWidth &&
           (a.size() + 1 + firstWordLength(text) >= width || sentenceGoesOn(a.mid(ia), text, width));
}

qsizetype mealMasterWrapWidth(std::vector<qsizetype>& widths)
{
    std::sort(widths.begin(), widths.end(), std::greater<>());
    size_t widest = 0;
    while (widest + 1 < widths.size() && widths[widest] > 80 && widths[widest] - widths[widest + 1] > 10)
        ++widest;
    return widths.empty() ? 0 : widths[widest];
}

namespace {

// One recipe as it is read; one draft serves every recipe of a text in
// turn, keeping its buffers.
class Draft {
public:
    // Starts a recipe at line; extracted: its begin line says it was
    // extracted from a Meal-Master database.
    void start(int line, bool extracted);

    explicit Draft(int langOffset) : langOffset_(langOffset) {}

    int first = 0;
    QString title, category, yield, preptime, cooktime;
    bool unreadable = false; // a header too long to be one

    // A header line (t trimmed); false when the line is none. Headers the
    // reader does not use go to the notes when other is true.
    bool header(QStringView t, bool other);

    // A section heading; copy: its text does not outlive the call.
    void heading(QStringView text, bool copy)
    {
        flushColumns();
        if (pending_.empty())
            closesIngredients_ = lastWasIngredient_;
        pending_.push_back(copy ? keep(text) : text);
    }

    // A separator line or blank line: the end of a block of ingredients or
    // of a paragraph.
    void blockEnd()
    {
        // A blank line between ingredients only sets groups apart: the
        // list gains no empty line.
        if (inIngredients_)
            flushColumns();
        else if (!directions_.empty() && directions_.back().kind != Item::Break)
            directions_.push_back({QStringView(), Item::Break});
        // A heading right under the last ingredient that a blank line
        // closes heads nothing: it stays at the end of the list.
        if (closesIngredients_ && !pending_.empty()) {
            for (QStringView h : pending_)
                addLine(ing_, h);
            pending_.clear();
        }
        closesIngredients_ = lastWasIngredient_ = false;
    }

    // A body line (not blank, without trailing spaces); copy: the line
    // does not outlive the call.
    void body(QStringView line, bool copy);

    Recipe fields();

private:
    struct Item {
        QStringView text;
        enum Kind : unsigned char { Line, Break, Heading } kind;
    };

    QStringView keep(QStringView text)
    {
        kept_ << text.toString();
        return kept_.last();
    }

    static void addLine(QString& lines, QStringView line)
    {
        if (!lines.isEmpty())
            lines += QLatin1Char('\n');
        lines += line;
    }

    void pendingToDirections()
    {
        for (QStringView h : pending_)
            directions_.push_back({h, Item::Heading});
        pending_.clear();
    }

    // Appends i to a column (lines kept as text), or to its last line for a
    // continuation when open (the column's last line is an ingredient).
    // Returns true: the column is open now.
    static bool add(QString& column, bool open, const Ingredient& i);

    // Two columns list the left one first: the left one goes straight into
    // the ingredients, the right one waits for the end of the block.
    // A continuation at the top of the right column goes on with the left
    // column's last ingredient, as writers that fill the left column first
    // carry it over.
    void flushColumns()
    {
        if (!carried_.isEmpty()) {
            if (leftOpen_)
                ing_ += QLatin1Char(' ');
            else if (!ing_.isEmpty())
                ing_ += QLatin1Char('\n');
            ing_ += carried_;
        }
        if (!right_.isEmpty())
            addLine(ing_, right_);
        right_.truncate(0);
        carried_.truncate(0);
        leftOpen_ = false;
    }

    // The width the writer wrapped the directions at: their longest line,
    // leaving out lines over 80 columns that stand well clear of the next
    // longest (lines the writer did not wrap, such as an address).
    qsizetype wrapWidth();

    // The directions: paragraphs and headings apart by a blank line, lines
    // joined where the writer wrapped them; from a paragraph that starts
    // "Notes:" on, the text goes to notes instead.
    QString directions(QString& notes);

    int langOffset_ = 0;
    bool extracted_ = false;
    bool inIngredients_ = true;
    int rightAt_ = -1;                 // where the right ingredient column starts, -1 while unknown
    std::vector<QStringView> pending_; // headings waiting for the line that says where they belong
    QString ing_, right_, other_;      // lines of the ingredients, the waiting right column, the notes
    QString carried_;                  // continuations at the top of the right column
    bool leftOpen_ = false;            // the last ingredient line is the left column's, open to continuations
    bool lastWasIngredient_ = false;   // the last body line was an ingredient line
    bool closesIngredients_ = false;   // the headings waiting came right under an ingredient line
    std::vector<Item> directions_;
    QStringList kept_;              // copies of lines that need them
    std::vector<qsizetype> widths_; // of the directions' lines, while they are joined
};

void Draft::start(int line, bool extracted)
{
    first = line;
    extracted_ = extracted;
    for (QString* s : {&title, &category, &yield, &preptime, &cooktime, &other_})
        s->clear();
    unreadable = false;
    inIngredients_ = true;
    rightAt_ = -1;
    leftOpen_ = lastWasIngredient_ = closesIngredients_ = false;
    pending_.clear();
    ing_.truncate(0);
    right_.truncate(0);
    carried_.truncate(0);
    directions_.clear();
    kept_.clear();
}

bool Draft::header(QStringView t, bool other)
{
    Key key;
    QStringView value;
    if (!headerLine(t, &key, &value) || (key == Key::Other && !other))
        return false;
    if (value.size() > kMaxHeaderLength) {
        unreadable = true;
        return true;
    }
    switch (key) {
    case Key::Title: title = allowedName(value); break;
    case Key::Categories: {
        // The first of the categories names the book's; when there are
        // more, the notes list them all. Recipes extracted from a
        // Meal-Master database list them with spaces alone.
        if (!category.isEmpty())
            break;
        // A word in small letters goes on with the name before it ("Main
        // dish").
        QStringList names;
        const bool spaced = extracted_ && !value.contains(QLatin1Char(','));
        for (QStringView name : value.split(spaced ? QLatin1Char(' ') : QLatin1Char(','), Qt::SkipEmptyParts)) {
            name = name.trimmed();
            if (spaced && !names.isEmpty() && name.front().isLower()) {
                names.last() += QLatin1Char(' ');
                names.last() += name;
            } else if (!name.isEmpty()) {
                names << name.toString();
            }
        }
        category = allowedName(names.value(0));
        if (names.size() > 1)
            addLine(other_, fetchText(Str::NoteCategories, langOffset_).arg(names.join(QStringLiteral(", "))));
        break;
    }
    case Key::Yield: yield = value.toString(); break;
    case Key::PrepTime: preptime = value.toString(); break;
    case Key::CookTime: cooktime = value.toString(); break;
    case Key::Other: addLine(other_, t); break;
    }
    return true;
}

void Draft::body(QStringView line, bool copy)
{
    Ingredient left, right;
    if ((inIngredients_ || !pending_.empty()) && ingredientLine(line, &left, &right, &rightAt_)) {
        for (QStringView h : pending_)
            addLine(ing_, h);
        pending_.clear();
        inIngredients_ = true;
        if (!left.empty())
            leftOpen_ = add(ing_, leftOpen_, left);
        if (!right.empty() && right_.isEmpty() && right.continuation() && !right.continued().isEmpty()) {
            if (!carried_.isEmpty())
                carried_ += QLatin1Char(' ');
            carried_ += right.continued();
        } else if (!right.empty()) {
            add(right_, !right_.isEmpty(), right);
        }
        lastWasIngredient_ = true;
        return;
    }
    flushColumns();
    inIngredients_ = lastWasIngredient_ = false;
    pendingToDirections();
    directions_.push_back({copy ? keep(line) : line, Item::Line});
}

Recipe Draft::fields()
{
    flushColumns();
    if (inIngredients_) {
        for (QStringView h : pending_)
            addLine(ing_, h);
    } else {
        pendingToDirections();
    }
    Recipe f;
    f.title = title;
    f.yield = yield;
    f.preptime = preptime;
    f.cooktime = cooktime;
    f.ing = QString(ing_.constData(), ing_.size()); // a copy: the buffer serves the next recipe
    QString notes;
    f.prep = directions(notes);
    f.other = other_;
    if (!notes.isEmpty())
        f.other += (f.other.isEmpty() ? QString() : QStringLiteral("\n\n")) + notes;
    return f;
}

bool Draft::add(QString& column, bool open, const Ingredient& i)
{
    if (i.continuation() && open) {
        // A "-" alone adds nothing.
        if (!i.continued().isEmpty()) {
            column += QLatin1Char(' ');
            column += i.continued();
        }
        return true;
    }
    if (open && !i.measured() &&
        textGoesOn(QStringView(column).mid(column.lastIndexOf(QLatin1Char('\n')) + 1), i.text)) {
        column += QLatin1Char(' ');
        column += i.text;
        return true;
    }
    // "-" alone in the amount column: a text that starts with a dash.
    if (i.amount == QLatin1String("-") && i.unit.isEmpty() && !i.text.isEmpty()) {
        if (!column.isEmpty())
            column += QLatin1Char('\n');
        column += i.spaced ? QStringLiteral("- ") : QStringLiteral("-");
        column += i.text;
        return true;
    }
    // Built in place: this runs for every ingredient of a collection.
    const qsizetype at = column.size();
    column.resize(at + 1 + i.amount.size() + 1 + i.unit.size() + 1 + i.text.size());
    QChar* out = column.data() + at;
    if (at > 0)
        *out++ = QLatin1Char('\n');
    bool first = true;
    for (QStringView part : {i.amount, i.unit, i.text}) {
        if (part.isEmpty())
            continue;
        if (!first)
            *out++ = QLatin1Char(' ');
        std::copy(part.begin(), part.end(), out);
        out += part.size();
        first = false;
    }
    column.truncate(out - column.constData());
    return true;
}

qsizetype Draft::wrapWidth()
{
    std::vector<qsizetype>& widths = widths_;
    widths.clear();
    for (const Item& i : directions_)
        if (i.kind == Item::Line)
            widths.push_back(i.text.size());
    return mealMasterWrapWidth(widths);
}

QString Draft::directions(QString& notes)
{
    const qsizetype width = wrapWidth();
    qsizetype length = 0;
    for (const Item& i : directions_)
        length += i.text.size() + 2;
    QString prep;
    prep.reserve(length);
    QString* out = &prep;
    QStringView previous;
    for (const Item& i : directions_) {
        if (i.kind == Item::Break) {
            previous = QStringView();
            continue;
        }
        QStringView text = trim(i.text);
        // A closing paragraph that starts "Notes:" holds the notes.
        if (out == &prep && previous.isEmpty() && i.kind == Item::Line && startsWithAscii(text, "notes:")) {
            out = &notes;
            text = trim(text.mid(6));
            if (text.isEmpty())
                continue;
        } else if (i.kind == Item::Line && !previous.isEmpty()) {
            *out += mealMasterLinesJoined(previous, i.text, width) ? QLatin1Char(' ') : QLatin1Char('\n');
        } else if (!out->isEmpty()) {
            *out += QStringLiteral("\n\n");
        }
        *out += text;
        previous = i.kind == Item::Line ? i.text : QStringView();
    }
    return prep;
}

// Calls f(line, number, expanded, rest) for every line of text; tabs are
// expanded to eight-column stops in a buffer (expanded), which the next
// line reuses; rest is the text after the line.
template <typename F>
void forEachLine(QStringView text, F&& f)
{
    QString expanded;
    int number = 0;
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    qsizetype start = 0;
    while (start < n) {
        // One pass finds the line's end and whether it holds a tab. Blocks
        // of 16 characters are tested without branches (so that the
        // compiler can vectorise the test) for any control character up to
        // CR; only a block that holds one is looked at closely.
        qsizetype end = start;
        bool tabs = false;
        while (end < n) {
            if (end + 16 <= n) {
                unsigned control = 0;
                for (int i = 0; i < 16; ++i)
                    control |= unsigned(p[end + i] <= '\r');
                if (!control) {
                    end += 16;
                    continue;
                }
            }
            const qsizetype stop = qMin(n, end + 16);
            while (end < stop && p[end] != '\n' && p[end] != '\r') {
                tabs = tabs || p[end] == '\t';
                ++end;
            }
            if (end < stop)
                break;
        }
        QStringView line = text.mid(start, end - start);
        if (tabs) {
            expanded.clear();
            for (QChar c : line) {
                if (c == QLatin1Char('\t'))
                    expanded += QString(8 - expanded.size() % 8, QLatin1Char(' '));
                else
                    expanded += c;
            }
            line = expanded;
        }
        start = end + (end + 1 < n && p[end] == '\r' && p[end + 1] == '\n' ? 2 : 1);
        if (!f(line, ++number, tabs, text.mid(qMin(start, n))))
            return;
    }
}

} // namespace

RecipeList readMealMaster(const QString& text, const ReadContext& context)
{
    RecipeList read;
    Draft draft(context.langOffset);
    bool inRecipe = false;
    Frame frame = Frame::M;

    // A recipe ends at its end line, or where the next one begins or the
    // text ends when that line is missing.
    auto finish = [&] {
        Recipe f = draft.fields();
        if (draft.unreadable || f.title.isEmpty())
            read.skipped << draft.first;
        else
            read.add(std::move(f), draft.category, context);
        inRecipe = false;
    };

    // Where the reader is in a recipe: after its begin line, in its header
    // lines (a blank line after them: gap), or in its body.
    enum class Stage { Begun, Header, Body } stage = Stage::Body;
    bool gap = false;
    auto begin = [&](int number, Frame f, bool extracted) {
        if (inRecipe)
            finish();
        draft.start(number, extracted);
        inRecipe = true;
        frame = f;
        stage = Stage::Begun;
        gap = false;
    };

    forEachLine(text, [&](QStringView line, int number, bool expanded, QStringView rest) {
        line = rightTrimmed(line);
        const qsizetype lead = indentOf(line);
        if (lead == line.size()) {
            if (inRecipe && stage == Stage::Body)
                draft.blockEnd();
            gap = stage == Stage::Header;
            return true;
        }
        const QStringView t = line.mid(lead);
        const char16_t c = t[0].unicode();
        // Framing lines and headings start with "M" or "-".
        if (c == 'M' || c == '-') {
            // A line of dashes right after the begin line boxes it in.
            if (inRecipe && ending(t, frame) && !(stage == Stage::Begun && c == '-')) {
                finish();
                return true;
            }
            if (framing(t) && beginning(t, rest)) {
                begin(number, c == 'M' ? Frame::M : Frame::Dash, containsAscii(dashedText(t), "extracted"));
                return true;
            }
            if (inRecipe && heading(t)) {
                draft.heading(dashedText(t), expanded);
                stage = Stage::Body;
                return true;
            }
        } else if (c == '~' && inRecipe && !tildeHeading(t).isEmpty()) {
            draft.heading(tildeHeading(t), expanded);
            stage = Stage::Body;
            return true;
        } else if ((c == 'R' || c == 'r') && startsWithAscii(t, "recipe extracted from meal-master") &&
                   (!inRecipe || titleFollows(rest))) {
            begin(number, Frame::Dash, true);
            return true;
        }
        if (!inRecipe)
            return true;
        if ((c == 'M' || !t[0].isLetterOrNumber()) && separator(t)) {
            if (stage == Stage::Body)
                draft.blockEnd();
            return true;
        }
        // Headers the reader does not use are taken in the block of header
        // lines, and left of where an ingredient's text starts.
        if (stage != Stage::Body && draft.header(t, !gap && lead < 11)) {
            stage = Stage::Header;
            gap = false;
            return true;
        }
        stage = Stage::Body;
        draft.body(line, expanded);
        return true;
    });
    if (inRecipe)
        finish();
    return read;
}

} // namespace bd
