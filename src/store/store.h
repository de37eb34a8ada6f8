#pragma once
// Store operations on an open book: every change is saved at once by
// rewriting the whole file, and pictures in the images folder follow the
// recipes that name them. Operations return what happened; the caller
// tells the user (windows through the dialog seam, the command line on its
// output). Nothing here asks or shows anything.

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <optional>
#include <utility>

#include "store/bookfile.h"
#include "store/booksave.h"
#include "store/names.h"
#include "store/recipebook.h"

namespace bd {

class NewPictures;

// Where a book and its pictures are kept.
struct BookPlace {
    QString book;                                  // the book file
    QString images;                                // its images folder
    QString imgPrefix = QStringLiteral("recipes"); // first part of stored picture names
    SnapshotRule snapshots;                        // daily copies of the book kept
    bool readOnly = false;                         // every change is refused (message BookReadOnly), nothing is written
};

class Store {
public:
    Store(RecipeBook& book, BookPlace place);

    RecipeBook& book() const { return book_; }
    const BookPlace& place() const { return place_; }

    // Writes the whole book (refused when the place is read-only); a book
    // file another program changed meanwhile is merged with it (see saveBook).
    SaveResult save();

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

    // Replaces old (the recipe as the book held it: its exact title, its
    // category's name and its stored picture's name) with in, appended to
    // the category at categoryPos; the stored picture follows the recipe's
    // new name. Old pictures are deleted only once the book is on disk.
    SaveResult updateRecipe(const Recipe& old, int categoryPos, const Recipe& in);

    // Moves the recipe of that category with exactly that title into the
    // trash (saved first, so a fault in between leaves it in both); its
    // picture stays while it is there. Nothing changes when no recipe
    // matches.
    SaveResult deleteRecipe(const RecipeRef& recipe);

    // Renames the first category named oldName (exact text). With no such
    // category nothing changes and nothing is saved.
    SaveResult renameCategory(const QString& oldName, const QString& newName);

    // Removes the first category named name (exact text); its recipes go
    // into the trash as deleteRecipe puts them there.
    SaveResult deleteCategory(const QString& name);

    // Puts the trash entries at these positions back into their categories
    // (made again when gone). A title the book holds already is passed to
    // newTitle: another title, or nothing to leave that entry in the trash.
    SaveResult restoreFromTrash(const QVector<int>& entries,
                                const std::function<std::optional<QString>(const QString&)>& newTitle);
    // Empties the trash; pictures no recipe of the book names go with it.
    SaveResult emptyTrash();
    QString trashFile() const;

    // The recipe old names: exactly its title in its category, else the
    // first recipe anywhere with exactly that title.
    pugi::xml_node find(const Recipe& old) const;

    // True when a recipe of the book names the picture name (letter case
    // ignored, as some disks ignore it).
    bool pictureNamed(const QString& name, Qt::CaseSensitivity cs = Qt::CaseInsensitive) const;
    // wanted, or wanted with " (2)", " (3)", ... before its extension: a
    // name no file in the images folder and no recipe of the book takes,
    // own (the recipe's present picture, in any letter case) excepted.
    QString freePictureName(const QString& wanted, const QString& own = QString()) const;

private:
    // Saves; once the book is on disk, deletes the pictures of retired
    // that no recipe names any more.
    // New pictures in added take their names once the book is saved, and
    // are removed when it cannot be.
    SaveResult commit(const QStringList& retired, const QVector<Str>& notices = {}, NewPictures* added = nullptr);
    // Those of names that the trash, the book file (changed by another
    // program) or the conflict copy name; all of them when one of those
    // cannot be read.
    QStringList namedElsewhere(const QStringList& names, const QString& conflictCopy) const;
    // Adds recipes to the trash and saves it.
    SaveResult toTrash(const QVector<Recipe>& recipes);

    RecipeBook& book_;
    BookPlace place_;
};

// True when a recipe of book names the picture name.
bool bookNamesPicture(const RecipeBook& book, const QString& name, Qt::CaseSensitivity cs = Qt::CaseInsensitive);

// Category names with their positions in book, in list order.
QVector<std::pair<QString, int>> categoryListEntries(const RecipeBook& book);

// The entries of an add or edit window's category list, in list order:
// newCategoryEntry ("[new category..]", data -1) and every category with
// its position.
QVector<std::pair<QString, int>> fillCategoryList(const RecipeBook& book, const QString& newCategoryEntry);

} // namespace bd
