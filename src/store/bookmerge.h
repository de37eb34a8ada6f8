#pragma once
// A three-way merge of the open book with another version of its file
// (written by a sync service or another computer meanwhile), recipe by
// recipe: the base is the file as the program last read or wrote it, as
// the open book's journal remembers it for the recipes the cook changed.

#include <QStringList>

#include "store/recipebook.h"

namespace bd {

struct MergeOutcome {
    // Recipes both sides changed or removed, each differently: the cook's
    // version went into the merged book.
    QStringList conflicts;
    // The journal of the merged book: the cook's changes, now against theirs.
    BookJournal journal;
};

// Makes theirs (the other version) carry every change mine's journal
// records, recipe by recipe: a recipe only the cook changed takes the
// cook's version, one only they changed keeps theirs, one both changed
// alike stays, one both changed differently takes the cook's version and
// is named in conflicts. Category changes follow: an added category is
// added, a renamed one renamed (with recipes they put in it meanwhile), a
// removed one removed once nothing is left in it.
// A recipe mine's journal looks out for (BookJournal::shown) that theirs
// holds as it was before goes in as mine holds it, and is looked out for
// still; the others are no longer.
MergeOutcome mergeInto(RecipeBook& theirs, const RecipeBook& mine);

// What a save showed in other's place when it put placed (the book as it
// was written) where other stood for a moment: every recipe other holds
// that placed lacks or holds differently, as placed held it.
QHash<QString, BookJournal::Shown> shownWithout(const RecipeBook& placed, const RecipeBook& other);

} // namespace bd
