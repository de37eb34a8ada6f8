#include "exchange/formats/nowyourecooking.h"

#include "exchange/formats/exportnotes.h"
#include "exchange/formats/parallel.h"
#include "store/amounts.h"

#include <QRegularExpression>

#include <optional>
#include <vector>

namespace bd {

namespace {

constexpr char kMark[] = "@@@@@";

bool beginLine(QStringView line)
{
    return line.startsWith(QLatin1String(kMark)) && line.contains(QLatin1String("Cooking!"), Qt::CaseInsensitive);
}

// A section heading among the ingredients ("----FROSTING----"): its text.
QString sectionHeading(QStringView line)
{
    const QStringView t = line.trimmed();
    if (t.size() < 6 || !t.startsWith(QLatin1String("---")) || !t.endsWith(QLatin1String("---")))
        return QString();
    static const QRegularExpression dashes(QStringLiteral("^-{3,}\\s*(.*?)\\s*-{3,}$"));
    const QRegularExpressionMatch m = dashes.match(t);
    return m.hasMatch() ? m.captured(1) : QString();
}

// True when text holds two white-space characters in a row.
bool hasSpaceRun(QStringView text)
{
    bool space = false;
    for (const QChar c : text) {
        const bool now = c.isSpace();
        if (now && space)
            return true;
        space = now;
    }
    return false;
}

// An ingredient line as the cook reads it: spaces simplified, the
// program's gap before a preparation ("pineapple  drained") a comma.
QString ingredientLine(QStringView line)
{
    const QStringView t = line.trimmed();
    const LineAmount amount = readLineAmount(t);
    const qsizetype from = amount.found ? amount.textStart : 0;
    const QStringView lead = t.left(from).trimmed(), rest = t.sliced(from).trimmed();
    if (isSimplified(lead) && isSimplified(rest)) {
        // Most lines: the amount and the text as they stand, made at once.
        QString out;
        out.reserve(lead.size() + 1 + rest.size());
        out += lead;
        if (!lead.isEmpty() && !rest.isEmpty())
            out += QLatin1Char(' ');
        out += rest;
        return out;
    }
    static const QRegularExpression gap(QStringLiteral("(?<=\\w)\\s{2,}(?=\\w)"));
    QString text = rest.toString();
    if (hasSpaceRun(text))
        text.replace(gap, QStringLiteral(", "));
    text = text.simplified();
    return (lead.toString().simplified() + QLatin1Char(' ') + text).trimmed();
}

// The program's own lines after the directions.
enum class Tail { None, Yield, Dropped, Nutrition, Kept };

Tail tailLine(QStringView line, QStringView* value)
{
    const QStringView t = line.trimmed();
    if (t.startsWith(QLatin1String("Yield:"), Qt::CaseInsensitive)) {
        *value = t.mid(6).trimmed();
        return Tail::Yield;
    }
    // Links into the program's nutrient database, and its closing mark.
    if (t.startsWith(QLatin1String("NYC Nutrilink:")) || t.startsWith(QLatin1String("** Exported from")))
        return Tail::Dropped;
    if (t.startsWith(QLatin1String("NYC Nutrition Analysis"))) {
        const qsizetype colon = t.indexOf(QLatin1String("):"));
        *value = colon < 0 ? t : t.mid(colon + 2).trimmed();
        return Tail::Nutrition;
    }
    if (t.startsWith(QLatin1String("Contributor:")) || t.startsWith(QLatin1String("Preparation Time:")))
        return Tail::Kept;
    return Tail::None;
}

// One recipe: the lines after its begin line.
Recipe readRecipe(const QList<QStringView>& lines, QString& category, int langOffset)
{
    Recipe r;
    ExportNotes notes(langOffset);
    // The blocks of lines between blank lines.
    QList<QList<QStringView>> blocks;
    bool open = false;
    for (QStringView l : lines) {
        if (blankLine(l)) {
            open = false;
            continue;
        }
        if (!open)
            blocks.append(QList<QStringView>());
        open = true;
        blocks.last() << l;
    }
    qsizetype b = 0;
    if (b < blocks.size())
        r.title = blocks[b++].first().trimmed().toString();
    // A one-line block before the ingredients names the categories.
    if (b + 1 < blocks.size() && blocks[b].size() == 1 && !readLineAmount(blocks[b].first().trimmed()).found) {
        static const QRegularExpression apart(QStringLiteral("[,\\t]"));
        QStringList names;
        for (QStringView n : blocks[b].first().split(apart))
            names << n.trimmed().toString();
        category = notes.category(names);
        ++b;
    }
    // The ingredients, with blocks that start with a section heading.
    QStringList ingredients;
    for (bool first = true; b < blocks.size() && (first || !sectionHeading(blocks[b].first()).isEmpty()); ++b) {
        QStringView value;
        if (tailLine(blocks[b].first(), &value) != Tail::None)
            break;
        first = false;
        for (QStringView l : blocks[b]) {
            const QString heading = sectionHeading(l);
            ingredients << (heading.isEmpty() ? ingredientLine(l) : heading);
        }
    }
    r.ing = ingredients.join(QLatin1Char('\n'));
    // The program's own lines close the recipe: blocks of nothing else
    // (a "Yield:" line the cook typed in the directions stays there).
    qsizetype tail = blocks.size();
    auto ownBlock = [](const QList<QStringView>& block) {
        QStringView value;
        for (QStringView l : block)
            if (tailLine(l, &value) == Tail::None)
                return false;
        return true;
    };
    while (tail > b && ownBlock(blocks[tail - 1]))
        --tail;
    for (; b < tail; ++b) {
        QList<QStringView> paragraph;
        for (QStringView l : blocks[b])
            paragraph << l.trimmed();
        QString text;
        appendWrapped(text, paragraph);
        addParagraph(r.prep, text);
    }
    // The categories stand apart from the program's own lines.
    notes.endParagraph();
    for (; b < blocks.size(); ++b) {
        for (QStringView l : blocks[b]) {
            QStringView value;
            switch (tailLine(l, &value)) {
            case Tail::Yield: r.yield = value.toString(); break;
            case Tail::Nutrition: notes.line(Str::NoteNutrition, value); break;
            case Tail::Kept: notes.line(l); break;
            case Tail::Dropped:
            case Tail::None: break;
            }
        }
    }
    r.other = notes.notes();
    return r;
}

} // namespace

std::optional<RecipeList> readNowYoureCooking(const QByteArray& bytes, const ReadContext& context)
{
    // The begin line comes first, or after a few lines of the cook's.
    const QByteArray head = bytes.left(2048);
    const qsizetype at = head.indexOf(kMark);
    const qsizetype start = head.startsWith("\xEF\xBB\xBF") ? 3 : 0; // after a byte order mark
    if (at < 0 || (at > start && head[at - 1] != '\n') || !head.mid(at, 120).contains("Cooking!"))
        return std::nullopt;
    const QString text = decodeRecipeText(bytes);
    // Each recipe's lines, found here and read side by side.
    std::vector<QList<QStringView>> recipes;
    bool inRecipe = false;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (beginLine(line)) {
            recipes.emplace_back();
            inRecipe = true;
        } else if (inRecipe) {
            recipes.back() << line;
        }
    }
    return readSideBySide(
        qsizetype(recipes.size()),
        [&](qsizetype i, QString& category) -> std::optional<Recipe> {
            Recipe r = readRecipe(recipes[size_t(i)], category, context.langOffset);
            if (r.title.isEmpty())
                return std::nullopt;
            return r;
        },
        context);
}

} // namespace bd
