#pragma once
// The questions the browse window's category commands ask through the
// dialog seam; the changes themselves are the store's.

#include <QString>
#include <QStringList>
#include <optional>

namespace bd {

// Asks for a new name of the category current until the user gives an
// acceptable one or gives up. listEntries are the category list's entries.
// Returns the new name, or nothing when there is nothing to rename.
std::optional<QString> askNewCategoryName(const QStringList& listEntries, const QString& current);

// The questions before a category is deleted: a warning when the category
// lists recipes, then the confirmation. True to go ahead.
bool confirmCategoryDeletion(const QString& name, bool hasRecipes);

} // namespace bd
