#pragma once
// The browse window's category commands without the window: the name
// checks, the questions they ask through the dialog seam, and the changes
// to the book.

#include <QString>
#include <QStringList>
#include <optional>

#include "store/bookfile.h"

namespace bd {

// True if no entry of the category list equals candidate when both are
// lower-cased.
bool catNameFree(const QStringList& listEntries, const QString& candidate);

// Renames the first category named oldName (exact text) and saves. With no
// such category nothing changes and nothing is saved.
SaveResult renameCategory(const QString& oldName, const QString& newName);

// Removes the first category named name (exact text) with its recipes and
// saves; the pictures of its recipes are deleted once the book without them
// is on disk. With no such category nothing changes.
SaveResult deleteCategory(const QString& name);

// Asks for a new name of the category current until the user gives an
// acceptable one or gives up. listEntries are the category list's entries.
// Returns the new name, or nothing when there is nothing to rename.
std::optional<QString> askNewCategoryName(const QStringList& listEntries, const QString& current);

// The questions before a category is deleted: a warning when the category
// lists recipes, then the confirmation. True to go ahead.
bool confirmCategoryDeletion(const QString& name, bool hasRecipes);

} // namespace bd
