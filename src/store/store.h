#pragma once
// Store operations on an open book: every change is saved at once by
// rewriting the whole file, and pictures in the images folder follow the
// recipes that name them. Operations return what happened; the caller
// tells the user (windows through the dialog seam, the command line on its
// output). Nothing here asks or shows anything.

#include <QString>
#include <QStringList>
#include <QVector>
#include <utility>

#include "store/bookfile.h"
#include "store/names.h"
#include "store/recipebook.h"

namespace bd {

// Where a book and its pictures are kept.
struct BookPlace {
    QString book;    // the book file
    QString images;  // its images folder
    QString imgPrefix = QStringLiteral("recipes"); // first part of stored picture names
};

class Store {
public:
    Store(RecipeBook& book, BookPlace place);

    RecipeBook& book() const { return book_; }
    const BookPlace& place() const { return place_; }

    // Writes the whole book.
    SaveResult save() const;

    // The images folder + name, or an empty string when name is not safe.
    QString picturePath(const QString& name) const { return picturePathIn(place_.images, name); }
    // The name a picture chosen at sourcePath is stored under.
    QString pictureName(const QString& category, const QString& title, const QString& sourcePath) const;

    // Appends a category named name; *position receives its position.
    SaveResult addCategory(const QString& name, int* position = nullptr);

    // Appends in (in.image: the chosen picture's path, empty for none) to
    // the category at categoryPos, storing its picture in the images folder.
    // A picture that is gone or empty is left out with a notice; one that
    // cannot be copied refuses the change (nothing is saved).
    SaveResult addRecipe(int categoryPos, const Recipe& in);

    // Replaces old (the recipe as the book held it: its title, category
    // name and stored picture name) with in, appended to the category at
    // categoryPos; the stored picture follows the recipe's new name.
    SaveResult updateRecipe(const Recipe& old, int categoryPos, const Recipe& in);

    // Removes the first recipe whose title matches ignoring letter case;
    // its picture is deleted once the book without it is on disk. Nothing
    // changes when no recipe matches.
    SaveResult deleteRecipe(const QString& title);

    // Renames the first category named oldName (exact text). With no such
    // category nothing changes and nothing is saved.
    SaveResult renameCategory(const QString& oldName, const QString& newName);

    // Removes the first category named name (exact text) with its recipes;
    // their pictures are deleted once the book without them is on disk.
    SaveResult deleteCategory(const QString& name);

private:
    RecipeBook& book_;
    BookPlace place_;
};

// Category names with their positions in book, in list order.
QVector<std::pair<QString, int>> categoryListEntries(const RecipeBook& book);

// The entries of an add or edit window's category list, in list order:
// "[new category..]" (data -1) and every category with its position.
QVector<std::pair<QString, int>> fillCategoryList(const RecipeBook& book);

} // namespace bd
