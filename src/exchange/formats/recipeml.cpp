#include "exchange/formats/recipeml.h"

#include "exchange/formats/xmlreading.h"
#include "resources/strings.h"

#include <cstring>

namespace bd {

namespace {

bool named(pugi::xml_node n, const char* name)
{
    return std::strcmp(n.name(), name) == 0 || qstricmp(n.name(), name) == 0;
}

QString simplified(pugi::xml_node n) { return n ? simplifiedText(xmlInnerText(n)) : QString(); }

// Adds part to out after a space.
void addWord(QString& out, const QString& part)
{
    if (part.isEmpty())
        return;
    if (!out.isEmpty())
        out += QLatin1Char(' ');
    out += part;
}

// Adds UTF-8 text, simplified, to out after a space. Plain ASCII words with
// single spaces between them, as most amounts, units and items are, go in
// as they are, without a copy of their own.
void addWordOf(QString& out, const char* text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    qsizetype n = 0;
    bool plain = *p != ' ';
    for (; plain && p[n]; ++n)
        plain = (p[n] > ' ' && p[n] < 0x7F) || (p[n] == ' ' && p[n + 1] != ' ' && p[n + 1]);
    if (!plain) {
        addWord(out, simplifiedText(QString::fromUtf8(text)));
        return;
    }
    if (n == 0)
        return;
    if (!out.isEmpty())
        out += QLatin1Char(' ');
    out += QLatin1String(text, n);
}

// Adds the text inside an element, simplified, to out after a space.
void addTextOf(QString& out, pugi::xml_node n)
{
    const pugi::xml_node only = n.first_child();
    if (only && !only.next_sibling() && (only.type() == pugi::node_pcdata || only.type() == pugi::node_cdata))
        addWordOf(out, only.value());
    else
        addWord(out, simplified(n));
}

// A quantity: text, a range ("2-3") or a fraction ("1/2"), possibly mixed.
QString quantity(pugi::xml_node n)
{
    QString out;
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata)
            addWordOf(out, c.value());
        else if (named(c, "range"))
            addWord(out, quantity(xmlChild(c, {"q1"})) + QLatin1Char('-') + quantity(xmlChild(c, {"q2"})));
        else if (named(c, "frac"))
            addWord(out, simplified(xmlChild(c, {"n"})) + QLatin1Char('/') + simplified(xmlChild(c, {"d"})));
        else if (c.type() == pugi::node_element)
            addWord(out, quantity(c));
    }
    return out;
}

// An amount: its quantity, size and unit, in the order given.
void addAmount(QString& out, pugi::xml_node amt)
{
    for (pugi::xml_node c = amt.first_child(); c; c = c.next_sibling()) {
        if (named(c, "qty"))
            addWord(out, quantity(c));
        else if (c.type() == pugi::node_element)
            addTextOf(out, c);
        else
            addWordOf(out, c.value());
    }
}

QString ingredientLine(pugi::xml_node ing)
{
    // The elements of an ingredient, as RecipeML spells them (lower case).
    pugi::xml_node amt, item, prep, modifier, note;
    for (pugi::xml_node c = ing.first_child(); c; c = c.next_sibling()) {
        const char* name = c.name();
        pugi::xml_node& slot = !std::strcmp(name, "amt")        ? amt
                               : !std::strcmp(name, "item")     ? item
                               : !std::strcmp(name, "prep")     ? prep
                               : !std::strcmp(name, "modifier") ? modifier
                                                                : note;
        if ((&slot != &note || !std::strcmp(name, "ing-note")) && !slot)
            slot = c;
    }
    QString line;
    line.reserve(64);
    addAmount(line, amt);
    const qsizetype before = line.size();
    if (item)
        addTextOf(line, item);
    if (line.size() == before && !amt)
        addWord(line, simplified(ing));
    for (pugi::xml_node extra : {prep, modifier})
        if (const QString text = simplified(extra); !text.isEmpty()) {
            line += QStringLiteral(", ");
            line += text;
        }
    if (const QString text = simplified(note); !text.isEmpty()) {
        line += QStringLiteral(" (");
        line += text;
        line += QLatin1Char(')');
    }
    return line;
}

void readIngredients(pugi::xml_node list, QString& ing, QStringList& notes, int langOffset)
{
    for (pugi::xml_node c = list.first_child(); c; c = c.next_sibling()) {
        if (named(c, "ing")) {
            // Alternatives follow on lines of their own, as a cook writes
            // "1 cup butter, or" above "1 cup margarine".
            QString line = ingredientLine(c);
            for (pugi::xml_node alt = c.child("alt-ing"); alt; alt = alt.next_sibling("alt-ing")) {
                line = fetchText(Str::IngredientOr, langOffset).arg(line);
                addLine(ing, line);
                line = ingredientLine(alt);
            }
            addLine(ing, line);
        } else if (named(c, "ing-div")) {
            addLine(ing, simplified(xmlChild(c, {"title"})));
            readIngredients(c, ing, notes, langOffset);
        } else if (named(c, "note")) {
            notes << tidyLines(xmlInnerText(c));
        } else if (c.type() == pugi::node_pcdata) {
            // Ingredients given as plain text, one a line.
            addLine(ing, tidyLines(QString::fromUtf8(c.value())));
        }
    }
}

void readDirections(pugi::xml_node list, QString& prep)
{
    bool structured = false;
    for (pugi::xml_node c = list.first_child(); c; c = c.next_sibling()) {
        if (named(c, "step")) {
            structured = true;
            addParagraph(prep, flowText(xmlInnerText(c)));
        } else if (named(c, "dir-div")) {
            structured = true;
            addParagraph(prep, simplified(xmlChild(c, {"title"})));
            readDirections(c, prep);
        }
    }
    if (!structured)
        addParagraph(prep, tidyLines(xmlInnerText(list)));
}

// A time: <time><qty/><timeunit/></time> or text.
QString timeText(pugi::xml_node t)
{
    QStringList parts;
    for (pugi::xml_node time = t.child("time"); time; time = time.next_sibling("time"))
        parts << (quantity(xmlChild(time, {"qty"})) + QLatin1Char(' ') + simplified(xmlChild(time, {"timeunit"})))
                     .trimmed();
    const QString text = parts.isEmpty() ? simplified(t) : parts.join(QLatin1Char(' '));
    return durationText(text);
}

Recipe recipeOf(pugi::xml_node r, QStringList& categories, int langOffset)
{
    Recipe recipe;
    QStringList notes, tail;
    const pugi::xml_node head = xmlChild(r, {"head"}) ? xmlChild(r, {"head"}) : r;
    recipe.title = simplified(xmlChild(head, {"title"}));
    for (pugi::xml_node c = head.first_child(); c; c = c.next_sibling()) {
        if (named(c, "categories")) {
            for (pugi::xml_node cat = c.first_child(); cat; cat = cat.next_sibling())
                if (named(cat, "cat"))
                    categories << simplified(cat);
        } else if (named(c, "yield")) {
            recipe.yield = quantity(c);
            const QString unit = simplified(xmlChild(c, {"unit"}));
            if (!unit.isEmpty() && !recipe.yield.endsWith(unit))
                recipe.yield += QLatin1Char(' ') + unit;
            if (recipe.yield.isEmpty())
                recipe.yield = simplified(c);
        } else if (named(c, "preptime")) {
            const QString type = QString::fromUtf8(c.attribute("type").value()).toLower();
            const QString time = timeText(c);
            if (type.contains(QLatin1String("cook")) || type.contains(QLatin1String("bak")))
                recipe.cooktime = time;
            else if (type.contains(QLatin1String("total")))
                tail << fetchText(Str::NoteTotalTime, langOffset).arg(time);
            else if (recipe.preptime.isEmpty())
                recipe.preptime = time;
            else
                tail << (type.isEmpty() ? time
                                        : QString::fromUtf8(c.attribute("type").value()) + QStringLiteral(": ") + time);
        } else if (named(c, "source")) {
            // Several sources (srcitem) are listed apart by commas.
            QStringList items;
            for (pugi::xml_node item = c.child("srcitem"); item; item = item.next_sibling("srcitem"))
                items << simplified(item);
            const QString source = items.isEmpty()
                                       ? tidyLines(xmlInnerText(c)).replace(QLatin1Char('\n'), QLatin1Char(' '))
                                       : items.join(QStringLiteral(", "));
            tail << fetchText(Str::NoteSource, langOffset).arg(source);
        } else if (named(c, "description")) {
            notes << tidyLines(xmlInnerText(c));
        }
    }
    for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling()) {
        if (named(c, "ingredients"))
            readIngredients(c, recipe.ing, tail, langOffset);
        else if (named(c, "directions"))
            readDirections(c, recipe.prep);
        else if (named(c, "description") || named(c, "note") || named(c, "notes"))
            notes << tidyLines(xmlInnerText(c));
    }
    if (categories.size() > 1)
        tail << fetchText(Str::NoteCategories, langOffset).arg(categories.join(QStringLiteral(", ")));
    for (const QString& n : std::as_const(notes) + tail)
        addParagraph(recipe.other, n);
    return recipe;
}

} // namespace

RecipeList readRecipeML(const QByteArray& bytes, const ReadContext& context)
{
    return readXmlRecipes(bytes, "recipe", context, recipeOf);
}

} // namespace bd
