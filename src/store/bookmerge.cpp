#include "store/bookmerge.h"

namespace bd {

namespace {

using Change = BookJournal::CategoryChange;

// Every recipe of book by the key of its title (the first of a title a
// crafted file holds twice).
QHash<QString, pugi::xml_node> recipesByKey(const RecipeBook& book)
{
    QHash<QString, pugi::xml_node> out;
    book.forEachRecipe([&out](pugi::xml_node r, int) {
        const QString key = titleKey(qstr(RecipeBook::titleOf(r)));
        if (!out.contains(key))
            out.insert(key, r);
    });
    return out;
}

std::optional<quint64> versionOf(pugi::xml_node recipe)
{
    return recipe ? std::optional<quint64>(recipeVersion(recipe)) : std::nullopt;
}

int categoryMadeIfMissing(RecipeBook& book, const QString& name)
{
    const int at = book.categoryPosition(name);
    return at >= 0 ? at : book.appendCategory(name);
}

void applyCategoryChange(RecipeBook& book, const Change& c)
{
    switch (c.kind) {
    case Change::Add: categoryMadeIfMissing(book, c.name); break;
    case Change::Rename: {
        const int at = book.categoryPosition(c.name);
        if (at < 0)
            break;
        const int to = book.categoryPosition(c.newName);
        if (to < 0) {
            book.renameCategory(at, c.newName);
            break;
        }
        // Both names there: what is left under the old one joins the new one.
        const QVector<Recipe> moved = book.recipesIn(at);
        QVector<pugi::xml_node> gone;
        book.forEachRecipeIn(at, [&gone](pugi::xml_node r) { gone << r; });
        for (pugi::xml_node r : gone)
            book.removeRecipe(r);
        book.removeCategory(book.categoryPosition(c.name));
        const int target = book.categoryPosition(c.newName);
        Q_ASSERT(target >= 0); // it was there before the old one went
        for (const Recipe& r : moved)
            book.appendRecipe(target, r);
        break;
    }
    case Change::Remove: break; // once the recipes are merged
    }
}

} // namespace

MergeOutcome mergeInto(RecipeBook& theirs, const RecipeBook& mine)
{
    MergeOutcome out;
    const BookJournal& journal = mine.journal();
    for (const Change& c : journal.categories)
        applyCategoryChange(theirs, c);

    // Both books' recipes are looked up by title once, not once per change.
    const QHash<QString, pugi::xml_node> ours = recipesByKey(mine);
    QHash<QString, pugi::xml_node> other = recipesByKey(theirs);
    for (auto it = journal.base.cbegin(); it != journal.base.cend(); ++it) {
        const pugi::xml_node m = ours.value(it.key());
        const pugi::xml_node t = other.value(it.key());
        const std::optional<quint64> mv = versionOf(m), tv = versionOf(t);
        out.journal.base.insert(it.key(), tv);
        if (mv == tv || mv == it.value())
            continue; // the same on both sides, or changed by them alone
        if (tv != it.value())
            out.conflicts << qstr(RecipeBook::titleOf(m ? m : t));
        if (t)
            theirs.removeRecipe(t);
        if (m) {
            Recipe r = RecipeBook::fields(m);
            theirs.appendRecipe(categoryMadeIfMissing(theirs, RecipeBook::categoryOf(m)), r);
        }
    }

    // A recipe written back as the other program read it a moment ago,
    // before this program's version: the book's version goes in again,
    // unless that program had read a later save's file.
    quint64 seen = 0;
    auto looked = [&](auto it, std::optional<quint64>* mv, std::optional<quint64>* tv) {
        if (journal.base.contains(it.key()) || it->until.hasExpired())
            return false; // changed by the cook since: merged above
        *mv = versionOf(ours.value(it.key()));
        *tv = versionOf(other.value(it.key()));
        return true;
    };
    for (auto it = journal.shown.cbegin(); it != journal.shown.cend(); ++it) {
        std::optional<quint64> mv, tv;
        // (A recipe the save left as it was says nothing.)
        if (it->save != BookJournal::kAnySave && looked(it, &mv, &tv) && tv == mv && mv != it->version)
            seen = qMax(seen, it->save);
    }
    for (auto it = journal.shown.cbegin(); it != journal.shown.cend(); ++it) {
        std::optional<quint64> mv, tv;
        if ((it->save != BookJournal::kAnySave && it->save <= seen) || !looked(it, &mv, &tv) || tv == mv ||
            tv != it->version)
            continue; // seen, or they have this program's version, or a change of their own
        out.journal.base.insert(it.key(), tv);
        out.journal.shown.insert(it.key(), it.value());
        const pugi::xml_node m = ours.value(it.key());
        if (const pugi::xml_node t = other.value(it.key()))
            theirs.removeRecipe(t);
        if (m)
            theirs.appendRecipe(categoryMadeIfMissing(theirs, RecipeBook::categoryOf(m)), RecipeBook::fields(m));
    }
    out.journal.saves = journal.saves;

    for (const Change& c : journal.categories) {
        const int at = c.kind == Change::Remove ? theirs.categoryPosition(c.name) : -1;
        if (at >= 0 && !theirs.category(at).child("recipe"))
            theirs.removeCategory(at);
    }
    out.journal.categories = journal.categories;
    out.conflicts.sort(Qt::CaseInsensitive);
    return out;
}

QHash<QString, BookJournal::Shown> shownWithout(const RecipeBook& placed, const RecipeBook& other)
{
    QHash<QString, BookJournal::Shown> out;
    const QHash<QString, pugi::xml_node> shown = recipesByKey(placed);
    const QDeadlineTimer until(BookJournal::kShownMs);
    other.forEachRecipe([&](pugi::xml_node r, int) {
        const QString key = titleKey(qstr(RecipeBook::titleOf(r)));
        const std::optional<quint64> was = versionOf(shown.value(key));
        if (was != recipeVersion(r) && !out.contains(key))
            out.insert(key, {was, until});
    });
    return out;
}

} // namespace bd
