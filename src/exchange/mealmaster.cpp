#include "exchange/mealmaster.h"

#include "exchange/exchange.h"
#include "resources/strings.h"

#include <QStringDecoder>

#include <optional>
#include <utility>
#include <vector>

namespace bd {

namespace {

// Header values longer than this are no MealMaster header (the format
// allows 60 characters for a title); such a recipe cannot be read.
constexpr int kMaxHeaderLength = 200;

// Windows-1252 at 0x80-0x9F; the five bytes it leaves undefined keep their
// C1 codes. Every other byte is its Latin-1 character.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool blank(QStringView line)
{
    for (QChar c : line)
        if (!c.isSpace())
            return false;
    return true;
}

bool startsWith(QStringView s, const char* prefix) { return s.startsWith(QLatin1String(prefix)); }

// The text between the dashes of a heading or begin line ("MMMMM-----x-----",
// "---------- x"), trimmed.
QStringView dashedText(QStringView line)
{
    QStringView s = line.trimmed();
    if (startsWith(s, "MMMMM"))
        s = s.mid(5);
    while (!s.isEmpty() && s.front() == QLatin1Char('-'))
        s = s.mid(1);
    while (!s.isEmpty() && s.back() == QLatin1Char('-'))
        s.chop(1);
    return s.trimmed();
}

// A section heading: "MMMMM-..." or "-----..." with text that ends in dashes
// and does not name the program that wrote the file.
bool heading(QStringView line, QStringView* text)
{
    const QStringView t = line.trimmed();
    if (!(startsWith(t, "MMMMM-") || startsWith(t, "-----")) || !t.endsWith(QLatin1Char('-')))
        return false;
    *text = dashedText(t);
    return !text->isEmpty() && !text->contains(QLatin1String("meal-master"), Qt::CaseInsensitive);
}

enum class Frame { None, M, Dash };

// The framing a line begins, or None.
Frame beginning(QStringView line)
{
    const Frame frame = startsWith(line, "MMMMM-----") ? Frame::M
                        : startsWith(line, "----------") ? Frame::Dash
                                                         : Frame::None;
    QStringView unused;
    if (frame == Frame::None || dashedText(line).isEmpty() || heading(line, &unused))
        return Frame::None;
    return frame;
}

bool ending(QStringView line, Frame frame)
{
    const QStringView t = line.trimmed();
    if (frame == Frame::M)
        return t == QLatin1String("MMMMM");
    if (!startsWith(t, "-----"))
        return false;
    for (QChar c : t)
        if (c != QLatin1Char('-') && c != QLatin1Char(' '))
            return false;
    return true;
}

// One column of an ingredient line: amount (7 wide), space, unit (2 wide),
// space, text.
struct Ingredient {
    QStringView amount, unit, text;
    bool continuation() const { return amount.isEmpty() && unit.isEmpty() && text.startsWith(QLatin1Char('-')); }
};

bool amountChar(QChar c)
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
bool ingredient(QStringView s, Ingredient* out, bool strict)
{
    if (blank(s))
        return false;
    const QStringView amount = s.left(7);
    for (QChar c : amount)
        if (!amountChar(c))
            return false;
    if (s.size() > 7 && s[7] != QLatin1Char(' '))
        return false;
    const QStringView unit = s.mid(8, 2);
    for (QChar c : unit)
        if (!c.isLetter() && c != QLatin1Char(' '))
            return false;
    if (unit.size() == 2 && unit[0] == QLatin1Char(' ') && unit[1] != QLatin1Char(' '))
        return false;
    if (s.size() > 10 && s[10] != QLatin1Char(' '))
        return false;
    out->amount = amount.trimmed();
    out->unit = unit.trimmed();
    out->text = s.mid(11).trimmed();
    if (strict) {
        if (!out->unit.isEmpty() && !knownUnit(out->unit))
            return false;
        if (out->amount.isEmpty() && out->unit.isEmpty() && (s.size() <= 11 || s[11].isSpace()))
            return false;
    }
    return true;
}

// An ingredient line in one or two columns; right is empty for one column.
bool ingredientLine(QStringView line, Ingredient* left, Ingredient* right)
{
    *left = *right = Ingredient();
    if (line.size() > 40 && line[39] == QLatin1Char(' ') && ingredient(line.mid(40), right, true)) {
        if (blank(line.left(40)))
            return true;
        if (ingredient(line.left(39), left, false))
            return true;
    }
    *right = Ingredient();
    return ingredient(line, left, false);
}

int firstWordLength(QStringView s)
{
    int n = 0;
    while (n < s.size() && !s[n].isSpace())
        ++n;
    return n;
}

bool listItem(QStringView s)
{
    if (s.startsWith(QLatin1Char('*')) || s.startsWith(QLatin1Char('-')) || s.startsWith(QChar(0x2022)))
        return true;
    int digits = 0;
    while (digits < s.size() && s[digits].isDigit())
        ++digits;
    return digits > 0 && digits < s.size() && (s[digits] == QLatin1Char('.') || s[digits] == QLatin1Char(')'));
}

// One recipe as it is read.
class Draft {
public:
    explicit Draft(int line) : first(line) {}

    const int first;
    QString title, category, yield, preptime, cooktime;
    bool unreadable = false; // a header too long to be one

    // A header line; false when the line is none.
    bool header(QStringView line)
    {
        const QStringView t = line.trimmed();
        const qsizetype colon = t.indexOf(QLatin1Char(':'));
        if (colon <= 0 || colon > 20)
            return false;
        const QString key = t.left(colon).trimmed().toString().toLower();
        const QStringView value = t.mid(colon + 1).trimmed();
        QString* field = nullptr;
        if (key == QLatin1String("title"))
            field = &title;
        else if (key == QLatin1String("categories") || key == QLatin1String("category"))
            field = &category;
        else if (key == QLatin1String("yield") || key == QLatin1String("servings"))
            field = &yield;
        else if (key == QLatin1String("preparation time") || key == QLatin1String("prep time"))
            field = &preptime;
        else if (key == QLatin1String("cooking time") || key == QLatin1String("cook time"))
            field = &cooktime;
        if (!field)
            return false;
        if (value.size() > kMaxHeaderLength) {
            unreadable = true;
        } else if (field == &category) {
            // The first of the categories names the book's category.
            for (QStringView name : value.split(QLatin1Char(',')))
                if (category.isEmpty())
                    category = allowedName(name);
        } else {
            *field = field == &title ? allowedName(value) : value.toString();
        }
        return true;
    }

    // A body line (not blank); marked: it starts with "M" or "-" (after
    // spaces), as a heading does; copy: the line does not outlive the call.
    void body(QStringView line, bool marked, bool copy)
    {
        QStringView text;
        if (marked && heading(line, &text)) {
            flushColumns();
            endParagraph();
            pendingHeading_ = text.toString();
            return;
        }
        Ingredient left, right;
        if ((inIngredients_ || !pendingHeading_.isEmpty()) && ingredientLine(line, &left, &right)) {
            if (!pendingHeading_.isEmpty())
                addLine(ing_, std::exchange(pendingHeading_, QString()));
            inIngredients_ = true;
            if (!left.amount.isEmpty() || !left.unit.isEmpty() || !left.text.isEmpty())
                leftOpen_ = add(ing_, leftOpen_, left);
            if (!right.text.isEmpty() || !right.amount.isEmpty())
                add(right_, !right_.isEmpty(), right);
            return;
        }
        flushColumns();
        inIngredients_ = false;
        if (!pendingHeading_.isEmpty()) {
            endParagraph();
            addParagraph(std::exchange(pendingHeading_, QString()));
        }
        if (copy) {
            kept_ << line.toString();
            line = kept_.last();
        }
        lines_.push_back(line);
    }

    void blankLine()
    {
        if (inIngredients_)
            flushColumns();
        else
            endParagraph();
    }

    Recipe fields()
    {
        flushColumns();
        endParagraph();
        if (!pendingHeading_.isEmpty())
            inIngredients_ ? addLine(ing_, pendingHeading_) : addParagraph(pendingHeading_);
        Recipe f;
        f.title = title;
        f.yield = yield;
        f.preptime = preptime;
        f.cooktime = cooktime;
        f.ing = ing_;
        f.prep = prep_;
        return f;
    }

private:
    static void addLine(QString& lines, QStringView line)
    {
        if (!lines.isEmpty())
            lines += QLatin1Char('\n');
        lines += line;
    }

    void addParagraph(QStringView paragraph)
    {
        if (!prep_.isEmpty())
            prep_ += QStringLiteral("\n\n");
        prep_ += paragraph;
    }

    // Appends i to a column (lines kept as text), or to its last line for a
    // continuation when open (the column's last line is an ingredient).
    // Returns true: the column is open now.
    static bool add(QString& column, bool open, const Ingredient& i)
    {
        if (i.continuation() && open) {
            column += QLatin1Char(' ');
            column += i.text.mid(1).trimmed();
            return true;
        }
        if (!column.isEmpty())
            column += QLatin1Char('\n');
        bool first = true;
        for (QStringView part : {i.amount, i.unit, i.text}) {
            if (part.isEmpty())
                continue;
            if (!first)
                column += QLatin1Char(' ');
            column += part;
            first = false;
        }
        return true;
    }

    // Two columns list the left one first: the left one goes straight into
    // the ingredients, the right one waits for the end of the block.
    void flushColumns()
    {
        if (!right_.isEmpty())
            addLine(ing_, right_);
        right_.clear();
        leftOpen_ = false;
    }

    // A paragraph's lines are joined where the writer wrapped them: where
    // the next line's first word would not have fitted on the line before.
    void endParagraph()
    {
        if (lines_.empty())
            return;
        qsizetype width = 0, length = 0;
        for (QStringView& l : lines_) {
            l = l.trimmed();
            width = qMax(width, l.size());
            length += l.size() + 1;
        }
        if (!prep_.isEmpty())
            prep_ += QStringLiteral("\n\n");
        prep_.reserve(prep_.size() + length);
        prep_ += lines_.front();
        for (size_t i = 1; i < lines_.size(); ++i) {
            const QStringView l = lines_[i];
            const bool wrapped = lines_[i - 1].size() + 1 + firstWordLength(l) > width && !listItem(l);
            prep_ += wrapped ? QLatin1Char(' ') : QLatin1Char('\n');
            prep_ += l;
        }
        lines_.clear();
        kept_.clear();
    }

    bool inIngredients_ = true;
    QString pendingHeading_;
    QString ing_, right_, prep_; // lines of the ingredients, the waiting right column, the directions
    bool leftOpen_ = false;     // the last ingredient line is the left column's, open to continuations
    std::vector<QStringView> lines_; // of the paragraph being read
    QStringList kept_;               // copies of its lines that need them
};

// Calls f(line, number, expanded) for every line of text; tabs are expanded
// to eight-column stops in a buffer (expanded), which the next line reuses.
template <typename F>
void forEachLine(QStringView text, F&& f)
{
    QString expanded;
    int number = 0;
    const qsizetype n = text.size();
    // The next LF, CR and tab at or after start (n for none), each found
    // with one fast scan that is only repeated once start has passed it.
    qsizetype start = 0, lf = -1, cr = -1, tab = -1;
    auto next = [&](qsizetype& at, char16_t c) {
        if (at < start) {
            at = text.indexOf(QChar(c), start);
            if (at < 0)
                at = n;
        }
        return at;
    };
    while (start < n) {
        const qsizetype end = qMin(next(lf, u'\n'), next(cr, u'\r'));
        QStringView line = text.mid(start, end - start);
        const bool tabs = next(tab, u'\t') < end;
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
        if (!f(line, ++number, tabs))
            return;
        start = end + (end + 1 < n && text[end] == QLatin1Char('\r') && text[end + 1] == QLatin1Char('\n') ? 2 : 1);
    }
}

} // namespace

QString decodeRecipeText(const QByteArray& bytes)
{
    // Stateless: a sequence cut short at the end is an error, not a
    // character held back for more input.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    text.resize(bytes.size());
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        out[i] = b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : char16_t(b);
    }
    return text;
}

QString allowedName(QStringView name)
{
    QString out;
    out.reserve(name.size());
    bool opening = true;
    for (QChar c : name) {
        switch (c.unicode()) {
        case '\'': out += QChar(0x2019); break;
        case '"':
            out += QChar(opening ? 0x201C : 0x201D);
            opening = !opening;
            break;
        case '/':
        case '\\':
        case '|': out += QLatin1Char('-'); break;
        case ':': out += QStringLiteral(" - "); break;
        case '<': out += QLatin1Char('('); break;
        case '>': out += QLatin1Char(')'); break;
        case '?':
        case '*': break;
        default: out += c;
        }
    }
    return storableText(out).simplified();
}

MealMasterRead readMealMaster(const QString& text, RecipeBook& book, const QString& uncategorised)
{
    book.clear();
    MealMasterRead read;
    pugi::xml_node category;
    QString categoryName;
    std::optional<Draft> draft;
    Frame frame = Frame::None;
    bool inHeader = false;

    auto finish = [&] {
        const Recipe f = draft->fields();
        if (draft->unreadable || f.title.isEmpty()) {
            read.skipped << draft->first;
        } else {
            const QString name = draft->category.isEmpty() ? uncategorised : draft->category;
            if (!category || name != categoryName) {
                category = appendCategoryNode(book.root(), name);
                categoryName = name;
            }
            appendFields(category, f, true);
            ++read.recipes;
        }
        draft.reset();
    };

    forEachLine(text, [&](QStringView line, int number, bool expanded) {
        qsizetype lead = 0;
        while (lead < line.size() && line[lead].isSpace())
            ++lead;
        // Framing lines and headings start with "M" or "-".
        const bool marked = lead < line.size() && (line[lead] == QLatin1Char('M') || line[lead] == QLatin1Char('-'));
        if (draft && marked && ending(line, frame)) {
            finish();
            return true;
        }
        const Frame begins = marked && lead == 0 ? beginning(line) : Frame::None;
        if (begins != Frame::None) {
            if (draft) {
                read.skipped << draft->first;
                draft.reset();
            }
            draft.emplace(number);
            frame = begins;
            inHeader = true;
            return true;
        }
        if (!draft)
            return true;
        if (lead == line.size()) {
            if (!inHeader)
                draft->blankLine();
            return true;
        }
        if (inHeader && draft->header(line))
            return true;
        inHeader = false;
        draft->body(line, marked, expanded);
        return true;
    });
    if (draft)
        read.skipped << draft->first;
    return read;
}

QString importSummary(int imported, int skippedByUser, const QVector<int>& unreadable)
{
    constexpr int kShown = 5;
    QString text = fetchText(Str::ImportedCount).arg(imported) + QLatin1Char('\n') +
                   fetchText(Str::SkippedCount).arg(skippedByUser + unreadable.size());
    if (unreadable.isEmpty())
        return text;
    QStringList lines;
    for (int i = 0; i < unreadable.size() && i < kShown; ++i)
        lines << QString::number(unreadable[i]);
    QString list = lines.join(QStringLiteral(", "));
    if (unreadable.size() > kShown)
        list += QLatin1Char(' ') + fetchText(Str::AndMore).arg(unreadable.size() - kShown);
    return text + QLatin1Char('\n') + fetchText(Str::UnreadableLines).arg(list);
}

} // namespace bd
