#pragma once
// Store operations on the open book (G.xmlDoc). Every change is saved at
// once by rewriting the whole file; a failed save is returned to the caller,
// which reports it with reportSaveFailure().

#include <QString>
#include <QStringList>
#include <QVector>
#include <utility>

#include "store/bookfile.h"
#include "store/recipebook.h"

namespace bd {

// A recipe as the add and edit windows hand it over.
struct RecipeInput {
    QString title, preptime, cooktime, yield, ing, prep, other;
    QString picturePath;  // chosen picture, empty for none
    QString categoryText; // name of the chosen category
};

SaveResult saveBook();

// Shows the save-failure message when r failed. Returns r.ok.
bool reportSaveFailure(const SaveResult& r);

// "recipes_<category>_<title><ext>", ext being the last four characters of
// sourcePath, with a ".jpeg" source stored as ".jpg". Characters that would
// make the name reach outside the images folder become "_".
QString storedPictureName(const QString& category, const QString& title, const QString& sourcePath);

// True when name can name a file in the images folder: not empty, not "."
// or "..", and free of folder separators, drive prefixes and NUL. The
// picture names in a book are used only when they pass this test.
bool safePictureName(const QString& name);
// The images folder + name, or an empty string when name is not safe.
QString storedPicturePath(const QString& name);

// True if no entry of a window's category list equals lowerName ignoring
// letter case; otherwise shows "That category exists." and returns false.
bool categoryNameFree(const QStringList& listEntries, const QString& lowerName);

// Category names with their positions in the book, in list order.
QVector<std::pair<QString, int>> categoryListEntries();

// The entries of an add or edit window's category list, in list order:
// "[new category..]" (data -1) and every category with its position.
QVector<std::pair<QString, int>> fillCategoryList();

// Appends a category named name and saves; *position receives its position.
SaveResult addCategory(const QString& name, int* position = nullptr);

// Appends a recipe to the category at categoryPos, storing its picture in
// the images folder, and saves.
SaveResult addRecipe(int categoryPos, const RecipeInput& in);

// Replaces the recipe named by the edit buffer (editTitle, editCat,
// editImage) with in, appended to the category at categoryPos; the stored
// picture follows the recipe's new name. One save, after all changes.
SaveResult updateRecipe(int categoryPos, const RecipeInput& in);

// Removes the first recipe whose title matches ignoring letter case and
// saves. Nothing changes when no recipe matches.
SaveResult deleteRecipe(const QString& title);

} // namespace bd
