#include "store/store.h"

#include "store/listsort.h"
#include "store/trash.h"
#include "resources/strings.h"
#include "store/picturefiles.h"
#include "store/diskstamp.h"
#include "store/leftovers.h"

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
    removeLeftover(temporary); // one that stays makes the rename below fail
    if (!QFile::rename(from, temporary))
        return false;
    // A file that stays at to makes the rename fail, and the picture goes back.
    if (QFile::exists(to))
        removeLeftover(to);
    if (QFile::rename(temporary, to))
        return true;
    if (!QFile::rename(temporary, from))
        qWarning("the picture %s stays as %s", qPrintable(from), qPrintable(temporary));
    return false;
}

void removePictures(const QStringList& paths)
{
    // One that cannot be deleted stays behind.
    for (const QString& path : paths)
        if (QFileInfo(path).isFile())
            removeLeftover(path);
}

} // namespace

Store::Store(RecipeBook& book, BookPlace place) : book_(book), place_(std::move(place)) {}

SaveResult Store::save()
{
    if (place_.readOnly)
        return SaveResult::refused(Str::BookReadOnly);
    return saveBook(book_, place_.book, place_.snapshots);
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
    const SaveResult r = save();
    if (position)
        *position = book_.categoryPosition(name);
    return r;
}

pugi::xml_node Store::find(const Recipe& old) const
{
    if (const pugi::xml_node exact = book_.findRecipe(book_.categoryPosition(old.category), old.title))
        return exact;
    const std::string title = old.title.toStdString();
    pugi::xml_node found;
    book_.forEachRecipe([&](pugi::xml_node r, int) {
        if (title == RecipeBook::titleOf(r))
            found = r;
        return !found;
    });
    return found;
}

bool bookNamesPicture(const RecipeBook& book, const QString& name, Qt::CaseSensitivity cs)
{
    if (name.isEmpty())
        return false;
    return !book.forEachRecipe([&](pugi::xml_node r, int) {
        const QString image = RecipeBook::childText(r, RImage);
        return image.isEmpty() || image.compare(name, cs) != 0;
    });
}

bool Store::pictureNamed(const QString& name, Qt::CaseSensitivity cs) const
{
    return bookNamesPicture(book_, name, cs);
}

QStringList Store::namedElsewhere(const QStringList& names, const QString& conflictCopy) const
{
    if (names.isEmpty())
        return {};
    // Every other place that may name a picture: the trash, the book file
    // when another program changed it since, and a conflict copy. One that
    // cannot be read may name them all.
    Trash trash(trashFile());
    if (!trash.load())
        return names;
    RecipeBook onDisk;
    const bool diskDiffers = !sameOnDisk(book_.diskStamp(), place_.book) && identityOf(place_.book).exists;
    if (diskDiffers && !onDisk.loadFile(place_.book, nullptr, false))
        return names;
    RecipeBook copy;
    if (!conflictCopy.isEmpty() && !copy.loadFile(conflictCopy, nullptr, false))
        return names;
    QStringList out;
    for (const QString& name : names)
        if (trash.namesPicture(name) || bookNamesPicture(onDisk, name) || bookNamesPicture(copy, name))
            out << name;
    return out;
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

SaveResult Store::commit(const QStringList& retired, const QVector<Str>& notices, NewPictures* added)
{
    QStringList unused;
    for (const QString& name : retired)
        if (!picturePath(name).isEmpty() && !pictureNamed(name))
            unused << name;
    // A kill after the save leaves the note for the next start.
    if (!unused.isEmpty())
        noteRetired(place_.images, unused);
    SaveResult r = save();
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
    // name them; the book itself may have been merged with another version.
    QStringList gone;
    for (const QString& name : unused)
        if (!pictureNamed(name))
            gone << name;
    const QStringList kept = namedElsewhere(gone, r.conflictCopy);
    QStringList paths;
    for (const QString& name : gone)
        if (!kept.contains(name))
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
    QVector<Str> notices;
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
    return commit({}, notices, &added);
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
    QVector<Str> notices;
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
    const SaveResult r = commit(retired, notices, &added);
    // The book is saved: a picture left under the other letter case is
    // still found on the disks where that case is one, and one left behind
    // is only unused.
    if (r.ok && !caseRename.first.isEmpty() && !renamePicture(caseRename.first, caseRename.second))
        qWarning("could not rename %s", qPrintable(caseRename.first));
    if (r.ok && !leftBehind.isEmpty() && !pictureNamed(leftBehind, Qt::CaseSensitive))
        removeLeftover(picturePath(leftBehind));
    return r;
}

SaveResult Store::toTrash(const QVector<Recipe>& recipes)
{
    const QDateTime now = QDateTime::currentDateTime();
    return changeTrash(trashFile(), [&](Trash& trash) {
        for (const Recipe& r : recipes)
            trash.add(r, now);
    });
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
    return commit({});
}

SaveResult Store::renameCategory(const QString& oldName, const QString& newName)
{
    if (place_.readOnly)
        return SaveResult::refused(Str::BookReadOnly);
    const int position = book_.categoryPosition(oldName);
    if (position < 0)
        return {};
    book_.renameCategory(position, newName);
    return save();
}

SaveResult Store::deleteCategory(const QString& name)
{
    if (place_.readOnly)
        return SaveResult::refused(Str::BookReadOnly);
    const int position = book_.categoryPosition(name);
    if (position < 0)
        return {};
    QVector<Recipe> gone = book_.recipesIn(position);
    for (Recipe& r : gone)
        r.category = name; // the name asked for, which found this category
    if (!gone.isEmpty())
        if (SaveResult trashed = toTrash(gone); !trashed.ok)
            return trashed;
    book_.removeCategory(position);
    return commit({});
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
    QVector<TrashEntry> restored;
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
        restored << all[index];
    }
    if (restored.isEmpty())
        return {};
    // The book first: a fault before the trash is saved leaves the recipe
    // in both, never in neither.
    SaveResult r = commit({});
    if (!r.ok)
        return r;
    if (!changeTrash(trashFile(), [&restored](Trash& t) { t.removeEntries(restored); }).ok)
        r.notices << Str::TrashNotSaved;
    return r;
}

SaveResult Store::emptyTrash()
{
    if (place_.readOnly)
        return SaveResult::refused(Str::BookReadOnly);
    // The entries as they are now go; any another program puts there
    // meanwhile stay.
    std::optional<QVector<TrashEntry>> emptied;
    QStringList pictures;
    const SaveResult r = changeTrash(trashFile(), [&](Trash& t) {
        if (!emptied) {
            emptied = t.entries();
            for (const TrashEntry& e : std::as_const(*emptied))
                if (!e.recipe.image.isEmpty())
                    pictures << e.recipe.image;
        }
        t.removeEntries(*emptied);
    });
    if (r.ok) {
        QStringList unused;
        for (const QString& name : std::as_const(pictures))
            if (!pictureNamed(name) && !picturePath(name).isEmpty())
                unused << name;
        const QStringList kept = namedElsewhere(unused, QString());
        QStringList paths;
        for (const QString& name : std::as_const(unused))
            if (!kept.contains(name))
                paths << picturePath(name);
        removePictures(paths);
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

QVector<std::pair<QString, int>> fillCategoryList(const RecipeBook& book, const QString& newCategoryEntry)
{
    return withCategories(book, {{newCategoryEntry, -1}});
}

} // namespace bd
