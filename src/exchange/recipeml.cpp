#include "exchange/recipeml.h"

#include "resources/strings.h"

#include <cstring>

namespace bd {

namespace {

bool named(pugi::xml_node n, const char* name)
{
    return std::strcmp(n.name(), name) == 0 || qstricmp(n.name(), name) == 0;
}

QString simplified(pugi::xml_node n) { return n ? simplifiedText(xmlInnerText(n)) : QString(); }

// A quantity: text, a range ("2-3") or a fraction ("1/2"), possibly mixed.
QString quantity(pugi::xml_node n)
{
    QString out;
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
        QString part;
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata)
            part = simplifiedText(qstr(c.value()));
        else if (named(c, "range"))
            part = quantity(xmlChild(c, {"q1"})) + QLatin1Char('-') + quantity(xmlChild(c, {"q2"}));
        else if (named(c, "frac"))
            part = simplified(xmlChild(c, {"n"})) + QLatin1Char('/') + simplified(xmlChild(c, {"d"}));
        else if (c.type() == pugi::node_element)
            part = quantity(c);
        if (!part.isEmpty())
            out += (out.isEmpty() ? QString() : QStringLiteral(" ")) + part;
    }
    return out;
}

// An amount: its quantity, size and unit, in the order given.
QString amount(pugi::xml_node amt)
{
    QString out;
    for (pugi::xml_node c = amt.first_child(); c; c = c.next_sibling()) {
        const QString part = named(c, "qty")                  ? quantity(c)
                             : c.type() == pugi::node_element ? simplified(c)
                                                              : simplifiedText(qstr(c.value()));
        if (!part.isEmpty())
            out += (out.isEmpty() ? QString() : QStringLiteral(" ")) + part;
    }
    return out;
}

QString ingredientLine(pugi::xml_node ing)
{
    // The elements of an ingredient, as RecipeML spells them (lower case).
    const pugi::xml_node amt = ing.child("amt");
    QString line = amount(amt);
    QString item = simplified(ing.child("item"));
    if (item.isEmpty() && !amt)
        item = simplified(ing);
    if (!item.isEmpty())
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + item;
    for (const char* extra : {"prep", "modifier"}) {
        const QString text = simplified(ing.child(extra));
        if (!text.isEmpty())
            line += QStringLiteral(", ") + text;
    }
    const QString note = simplified(ing.child("ing-note"));
    if (!note.isEmpty())
        line += QStringLiteral(" (") + note + QLatin1Char(')');
    return line;
}

void readIngredients(pugi::xml_node list, QString& ing, QStringList& notes)
{
    for (pugi::xml_node c = list.first_child(); c; c = c.next_sibling()) {
        if (named(c, "ing")) {
            addLine(ing, ingredientLine(c));
        } else if (named(c, "ing-div")) {
            addLine(ing, simplified(xmlChild(c, {"title"})));
            readIngredients(c, ing, notes);
        } else if (named(c, "note")) {
            notes << tidyLines(xmlInnerText(c));
        } else if (c.type() == pugi::node_pcdata) {
            // Ingredients given as plain text, one a line.
            addLine(ing, tidyLines(qstr(c.value())));
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

Recipe recipeOf(pugi::xml_node r, QStringList& categories)
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
            const QString type = qstr(c.attribute("type").value()).toLower();
            const QString time = timeText(c);
            if (type.contains(QLatin1String("cook")) || type.contains(QLatin1String("bak")))
                recipe.cooktime = time;
            else if (type.contains(QLatin1String("total")))
                tail << fetchText(Str::NoteTotalTime).arg(time);
            else if (recipe.preptime.isEmpty())
                recipe.preptime = time;
            else
                tail << (type.isEmpty() ? time : qstr(c.attribute("type").value()) + QStringLiteral(": ") + time);
        } else if (named(c, "source")) {
            tail << fetchText(Str::NoteSource)
                        .arg(tidyLines(xmlInnerText(c)).replace(QLatin1Char('\n'), QLatin1Char(' ')));
        } else if (named(c, "description")) {
            notes << tidyLines(xmlInnerText(c));
        }
    }
    for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling()) {
        if (named(c, "ingredients"))
            readIngredients(c, recipe.ing, tail);
        else if (named(c, "directions"))
            readDirections(c, recipe.prep);
        else if (named(c, "description") || named(c, "note") || named(c, "notes"))
            notes << tidyLines(xmlInnerText(c));
    }
    if (categories.size() > 1)
        tail << fetchText(Str::NoteCategories).arg(categories.join(QStringLiteral(", ")));
    for (const QString& n : std::as_const(notes) + tail)
        addParagraph(recipe.other, n);
    return recipe;
}

} // namespace

RecipeRead readRecipeML(const QByteArray& bytes, RecipeBook& book, const QString& uncategorised)
{
    return readXmlRecipes(bytes, "recipe", book, uncategorised, recipeOf);
}

} // namespace bd
