#include "store/store.h"

#include "app/listsort.h"
#include "store/trash.h"
#include "resources/strings.h"
#include "store/picturefiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>

namespace bd {

namespace {

bool samePath(const QString& a, const QString& b)
{
    return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) == QDir::cleanPath(QFileInfo(b).absoluteFilePath());
}

bool usablePicture(const QString& path)
{
    // A FIFO or a device is no picture, and reading one could wait for ever.
    const QFileInfo fi(path);
    return fi.isFile() && fi.size() > 0 && (fi.isSymLink() || regularFile(path));
}

Recipe storedFields(const Recipe& in)
{
    Recipe f = in;
    f.date = shortDateText();
    f.image.clear();
    f.category.clear();
    return f;
}

// Gives the stored picture at from the name to, replacing a file of that
// name. Goes through a temporary name, so that a target differing only in
// letter case on a case-insensitive disk is never taken for another file.
bool renamePicture(const QString& from, const QString& to)
{
    const QString temporary = from + QStringLiteral(".renaming");
    QFile::remove(temporary);
    if (!QFile::rename(from, temporary))
        return false;
    if (QFile::exists(to))
        QFile::remove(to);
    if (QFile::rename(temporary, to))
        return true;
    QFile::rename(temporary, from);
    return false;
}

void removePictures(const QStringList& paths)
{
    // One that cannot be deleted stays behind.
    for (const QString& path : paths)
        if (QFileInfo(path).isFile())
            QFile::remove(path);
}

} // namespace

Store::Store(RecipeBook& book, BookPlace place) : book_(book), place_(std::move(place)) {}

SaveResult Store::save(const Replay& replay)
{
    if (place_.readOnly)
        return SaveResult::refused(Str::BookReadOnly);
    return saveBook(book_, place_.book, replay, place_.snapshots);
}

QString Store::trashFile() const { return trashPath(place_.book); }

QString Store::pictureName(const QString& category, const QString& title, const QString& sourcePath) const
{
    const QString prefix = place_.imgPrefix.isEmpty() ? QStringLiteral("recipes") : place_.imgPrefix;
    return storedPictureName(prefix, category, title, sourcePath);
}

SaveResult Store::addCategory(const QString& name, int* position)
{
    if (place_.readOnly)
        return SaveResult::refused(Str::BookReadOnly);
    book_.appendCategory(name);
    const SaveResult r = save([name](RecipeBook& theirs) {
        if (theirs.categoryPosition(name) < 0)
            theirs.appendCategory(name);
        return true;
    });
    if (position)
        *position = book_.categoryPosition(name);
    return r;
}

pugi::xml_node Store::find(const Recipe& old) const
{
    if (const pugi::xml_node exact = book_.findRecipe(book_.categoryPosition(old.category), old.title))
        return exact;
    const std::string title = old.title.toStdString();
    for (pugi::xml_node c = book_.root().child("category"); c; c = c.next_sibling("category"))
        for (pugi::xml_node r = c.child("recipe"); r; r = r.next_sibling("recipe"))
            if (title == r.first_child().text().get())
                return r;
    return {};
}

bool Store::pictureNamed(const QString& name, Qt::CaseSensitivity cs) const
{
    if (name.isEmpty())
        return false;
    for (pugi::xml_node c = book_.root().child("category"); c; c = c.next_sibling("category"))
        for (pugi::xml_node r = c.child("recipe"); r; r = r.next_sibling("recipe")) {
            const QString image = RecipeBook::childText(r, RImage);
            if (!image.isEmpty() && image.compare(name, cs) == 0)
                return true;
        }
    return false;
}

QString Store::freePictureName(const QString& wanted, const QString& own) const
{
    return freeName(wanted, [&](const QString& name) {
        if (!own.isEmpty() && name.compare(own, Qt::CaseInsensitive) == 0)
            return false;
        const QFileInfo file(picturePath(name));
        return file.exists() || file.isSymLink() || pictureNamed(name);
    });
}

SaveResult Store::commit(const QStringList& retired, const QVector<int>& notices, NewPictures* added,
                         const Replay& replay)
{
    QStringList unused;
    for (const QString& name : retired)
        if (!picturePath(name).isEmpty() && !pictureNamed(name))
            unused << name;
    // A kill after the save leaves the note for the next start.
    if (!unused.isEmpty())
        noteRetired(place_.images, unused);
    SaveResult r = save(replay);
    r.notices = notices + r.notices;
    if (!r.ok) {
        // The book on disk names none of the new pictures; one the cook may
        // still write over an unreadable file keeps them.
        if (added && r.unreadableOutside)
            added->keep();
        else if (added)
            added->discard();
        retiredDone(place_.images);
        return r;
    }
    if (added)
        added->keep();
    // Pictures stay while another version of the book, or the trash, may
    // name them; the book itself may have been read in again.
    Trash trash(trashFile());
    QStringList paths;
    if (r.conflictCopy.isEmpty() && (unused.isEmpty() || trash.load()))
        for (const QString& name : unused)
            if (!pictureNamed(name) && !trash.namesPicture(name))
                paths << picturePath(name);
    removePictures(paths);
    if (!unused.isEmpty())
        retiredDone(place_.images);
    return r;
}

SaveResult Store::addRecipe(int categoryPos, const Recipe& in)
{
    if (place_.readOnly)
        return SaveResult::refused(Str::BookReadOnly);
    if (!book_.category(categoryPos))
        return SaveResult::failure(QStringLiteral("the chosen category is not in the book"));
    Recipe f = storedFields(in);
    QVector<int> notices;
    NewPictures added(place_.images);
    if (!in.image.isEmpty()) {
        if (usablePicture(in.image)) {
            const QString name = freePictureName(pictureName(in.category, in.title, in.image));
            if (!added.add(in.image, name))
                return SaveResult::refused(Str::PictureNotStored);
            f.image = name;
        } else {
            notices << Str::PictureUnreadable;
        }
    }
    book_.appendRecipe(categoryPos, f);
    const QString category = book_.categoryName(categoryPos);
    return commit({}, notices, &added, [category, f](RecipeBook& theirs) {
        const int position = theirs.categoryPosition(category);
        if (position < 0 || theirs.titleExists(f.title))
            return false;
        theirs.appendRecipe(position, f);
        return true;
    });
}

SaveResult Store::updateRecipe(const Recipe& old, int categoryPos, const Recipe& in)
{
    if (place_.readOnly)
        return SaveResult::refused(Str::BookReadOnly);
    // Without its category the new entry could not be written; the old one
    // then stays as it is rather than being lost.
    if (!book_.category(categoryPos))
        return SaveResult::failure(QStringLiteral("the chosen category is not in the book"));
    Recipe f = storedFields(in);
    QVector<int> notices;
    QStringList retired;

    // New files are written under names no file takes and named by the
    // book only once it is saved; the old ones go after that.
    NewPictures added(place_.images);
    std::pair<QString, QString> caseRename; // on a disk that ignores letter case
    QString leftBehind;                     // the old name of a letter-case change on a disk that keeps case

    // A stored name that could reach outside the images folder is ignored.
    const QString stored = picturePath(old.image);
    if (!stored.isEmpty() && in.image.isEmpty()) {
        retired << old.image;
    } else if (!in.image.isEmpty() && QFileInfo::exists(in.image)) {
        if (!usablePicture(in.image)) {
            notices << Str::PictureUnreadable;
        } else if (!stored.isEmpty() && samePath(in.image, stored)) {
            const bool changed = in.category != old.category || in.title != old.title;
            f.image = old.image;
            if (changed || !in.image.contains(old.category)) {
                const QString wanted = pictureName(in.category, in.title, old.image);
                QString name = freePictureName(wanted, old.image);
                const QString target = picturePath(name);
                const bool caseOnly = name != old.image && name.compare(old.image, Qt::CaseInsensitive) == 0;
                if (caseOnly && sameFile(stored, target)) {
                    // Both names find this one file: it is renamed once the book is saved.
                    caseRename = {stored, target};
                    f.image = name;
                } else if (name != old.image) {
                    if (caseOnly && QFileInfo::exists(target))
                        name = freePictureName(wanted); // another file has that name
                    // One that cannot be copied keeps its old name.
                    if (added.add(stored, name)) {
                        f.image = name;
                        if (caseOnly)
                            leftBehind = old.image;
                        else
                            retired << old.image;
                    }
                }
            }
        } else {
            // A new picture never replaces the stored one before the book
            // naming it is saved: it takes a name of its own.
            QString name = freePictureName(pictureName(in.category, in.title, in.image), old.image);
            if (!stored.isEmpty() && name.compare(old.image, Qt::CaseInsensitive) == 0)
                name = freePictureName(name);
            if (!added.add(in.image, name))
                return SaveResult::refused(Str::PictureNotStored);
            if (!stored.isEmpty())
                retired << old.image;
            f.image = name;
        }
    }
    book_.removeRecipe(find(old));
    book_.appendRecipe(categoryPos, f);
    const QString category = book_.categoryName(categoryPos);
    const SaveResult r = commit(retired, notices, &added, [old, category, f](RecipeBook& theirs) {
        const pugi::xml_node was = theirs.findRecipe(theirs.categoryPosition(old.category), old.title);
        const int position = theirs.categoryPosition(category);
        const bool retitled = f.title.compare(old.title, Qt::CaseInsensitive) != 0;
        if (!was || position < 0 || (retitled && theirs.titleExists(f.title)))
            return false;
        theirs.removeRecipe(was);
        theirs.appendRecipe(position, f);
        return true;
    });
    if (r.ok && !caseRename.first.isEmpty())
        renamePicture(caseRename.first, caseRename.second);
    if (r.ok && !leftBehind.isEmpty() && !pictureNamed(leftBehind, Qt::CaseSensitive))
        QFile::remove(picturePath(leftBehind));
    return r;
}

SaveResult Store::toTrash(const QVector<Recipe>& recipes)
{
    Trash trash(trashFile());
    if (!trash.load())
        return SaveResult::refused(Str::TrashUnreadable);
    const QDateTime now = QDateTime::currentDateTime();
    for (const Recipe& r : recipes)
        trash.add(r, now);
    return trash.save();
}

SaveResult Store::deleteRecipe(const RecipeRef& ref)
{
    if (place_.readOnly)
        return SaveResult::refused(Str::BookReadOnly);
    const pugi::xml_node recipe = book_.findRecipe(ref.category, ref.title);
    if (!recipe)
        return {};
    Recipe gone = RecipeBook::fields(recipe);
    gone.category = book_.categoryName(ref.category);
    if (SaveResult trashed = toTrash({gone}); !trashed.ok)
        return trashed;
    book_.removeRecipe(recipe);
    return commit({}, {}, nullptr, [gone](RecipeBook& theirs) {
        // Gone there too, or renamed: nothing of theirs is lost either way.
        theirs.removeRecipe(theirs.findRecipe(theirs.categoryPosition(gone.category), gone.title));
        return true;
    });
}

SaveResult Store::renameCategory(const QString& oldName, const QString& newName)
{
    if (place_.readOnly)
        return SaveResult::refused(Str::BookReadOnly);
    const int position = book_.categoryPosition(oldName);
    if (position < 0)
        return {};
    book_.renameCategory(position, newName);
    return save([oldName, newName](RecipeBook& theirs) {
        const int at = theirs.categoryPosition(oldName);
        if (at < 0 || theirs.categoryPosition(newName) >= 0)
            return false;
        theirs.renameCategory(at, newName);
        return true;
    });
}

SaveResult Store::deleteCategory(const QString& name)
{
    if (place_.readOnly)
        return SaveResult::refused(Str::BookReadOnly);
    const int position = book_.categoryPosition(name);
    if (position < 0)
        return {};
    QVector<Recipe> gone;
    QStringList titles;
    for (pugi::xml_node r = book_.category(position).child("recipe"); r; r = r.next_sibling("recipe")) {
        gone << RecipeBook::fields(r);
        gone.back().category = name;
        titles << gone.back().title;
    }
    if (!gone.isEmpty())
        if (SaveResult trashed = toTrash(gone); !trashed.ok)
            return trashed;
    book_.removeCategory(position);
    return commit({}, {}, nullptr, [name, titles](RecipeBook& theirs) {
        const int at = theirs.categoryPosition(name);
        if (at < 0)
            return true;
        // A recipe added there meanwhile would go with the category unseen.
        for (pugi::xml_node r = theirs.category(at).child("recipe"); r; r = r.next_sibling("recipe"))
            if (!titles.contains(RecipeBook::childText(r, RTitle)))
                return false;
        theirs.removeCategory(at);
        return true;
    });
}

SaveResult Store::restoreFromTrash(const QVector<int>& entries,
                                   const std::function<std::optional<QString>(const QString&)>& newTitle)
{
    if (place_.readOnly)
        return SaveResult::refused(Str::BookReadOnly);
    Trash trash(trashFile());
    if (!trash.load())
        return SaveResult::refused(Str::TrashUnreadable);
    const QVector<TrashEntry> all = trash.entries();
    QVector<int> restored;
    QVector<Recipe> added;
    for (int index : entries) {
        if (index < 0 || index >= all.size())
            continue;
        Recipe r = all[index].recipe;
        while (book_.titleExists(r.title)) {
            const std::optional<QString> other = newTitle ? newTitle(r.title) : std::nullopt;
            if (!other || other->isEmpty()) {
                r.title.clear();
                break;
            }
            r.title = *other;
        }
        if (r.title.isEmpty())
            continue;
        addRecipesTo(book_, {r});
        restored << index;
        added << r;
    }
    if (restored.isEmpty())
        return {};
    // The book first: a fault before the trash is saved leaves the recipe
    // in both, never in neither.
    SaveResult r = commit({}, {}, nullptr, [added](RecipeBook& theirs) { return addRecipesTo(theirs, added); });
    if (!r.ok)
        return r;
    trash.remove(restored);
    if (!trash.save().ok)
        r.notices << Str::TrashNotSaved;
    return r;
}

SaveResult Store::emptyTrash()
{
    if (place_.readOnly)
        return SaveResult::refused(Str::BookReadOnly);
    Trash trash(trashFile());
    if (!trash.load())
        return SaveResult::refused(Str::TrashUnreadable);
    QStringList pictures;
    for (const TrashEntry& e : trash.entries())
        if (!e.recipe.image.isEmpty())
            pictures << e.recipe.image;
    trash.clear();
    const SaveResult r = trash.save();
    if (r.ok) {
        QStringList unused;
        for (const QString& name : pictures)
            if (!pictureNamed(name))
                unused << picturePath(name);
        unused.removeAll(QString());
        removePictures(unused);
    }
    return r;
}

namespace {
// entries plus every category of book with its position, in list order.
QVector<std::pair<QString, int>> withCategories(const RecipeBook& book, QVector<std::pair<QString, int>> entries)
{
    for (const CategoryEntry& c : book.categories())
        entries.push_back({c.name, c.position});
    sortForList(entries);
    return entries;
}
} // namespace

QVector<std::pair<QString, int>> categoryListEntries(const RecipeBook& book) { return withCategories(book, {}); }

QVector<std::pair<QString, int>> fillCategoryList(const RecipeBook& book)
{
    return withCategories(book, {{fetchText(162), -1}});
}

} // namespace bd
