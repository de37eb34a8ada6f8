#include "store/store.h"

#include "app/listsort.h"
#include "resources/strings.h"

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

// Copies source over target; true when target then holds the picture. The
// copy is made beside the target first, so a failed copy (a full disk, a
// folder that cannot be written) leaves a picture already there untouched.
bool copyReplacing(const QString& source, const QString& target)
{
    if (samePath(source, target))
        return true;
    QDir().mkpath(QFileInfo(target).absolutePath());
    const QString partial = target + QStringLiteral(".copying");
    QFile::remove(partial);
    if (!QFile::copy(source, partial)) {
        QFile::remove(partial);
        return false;
    }
    QFile::remove(target);
    if (QFile::rename(partial, target))
        return true;
    QFile::remove(partial);
    return false;
}

bool usablePicture(const QString& path)
{
    const QFileInfo fi(path);
    return fi.exists() && fi.isFile() && fi.size() > 0;
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

SaveResult Store::save() const
{
    return writeFileAtomically(place_.book, [this](QIODevice& out) { return book_.writeTo(out); });
}

QString Store::pictureName(const QString& category, const QString& title, const QString& sourcePath) const
{
    const QString prefix = place_.imgPrefix.isEmpty() ? QStringLiteral("recipes") : place_.imgPrefix;
    return storedPictureName(prefix, category, title, sourcePath);
}

SaveResult Store::addCategory(const QString& name, int* position)
{
    const int pos = book_.appendCategory(name);
    if (position)
        *position = pos;
    return save();
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

bool Store::pictureNamed(const QString& name) const
{
    if (name.isEmpty())
        return false;
    const QString lowered = name.toLower();
    for (pugi::xml_node c = book_.root().child("category"); c; c = c.next_sibling("category"))
        for (pugi::xml_node r = c.child("recipe"); r; r = r.next_sibling("recipe")) {
            const QString image = RecipeBook::childText(r, RImage);
            if (!image.isEmpty() && image.toLower() == lowered)
                return true;
        }
    return false;
}

QString Store::freePictureName(const QString& wanted, const QString& own) const
{
    const int dot = wanted.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? wanted.left(dot) : wanted;
    const QString ext = dot > 0 ? wanted.mid(dot) : QString();
    QString name = wanted;
    for (int n = 2;; ++n) {
        if (!own.isEmpty() && name.compare(own, Qt::CaseInsensitive) == 0)
            return name;
        if (!QFileInfo::exists(picturePath(name)) && !pictureNamed(name))
            return name;
        name = stem + QStringLiteral(" (%1)").arg(n) + ext;
    }
}

SaveResult Store::commit(const QStringList& retired, const QVector<int>& notices)
{
    SaveResult r = save();
    r.notices = notices;
    if (r.ok) {
        QStringList unused;
        for (const QString& name : retired)
            if (!pictureNamed(name))
                unused << picturePath(name);
        unused.removeAll(QString());
        removePictures(unused);
    }
    return r;
}

SaveResult Store::addRecipe(int categoryPos, const Recipe& in)
{
    if (!book_.category(categoryPos))
        return SaveResult::failure(QStringLiteral("the chosen category is not in the book"));
    Recipe f = storedFields(in);
    QVector<int> notices;
    if (!in.image.isEmpty()) {
        if (usablePicture(in.image)) {
            const QString name = freePictureName(pictureName(in.category, in.title, in.image));
            if (!copyReplacing(in.image, picturePath(name)))
                return SaveResult::refused(Str::PictureNotStored);
            f.image = name;
        } else {
            notices << Str::PictureUnreadable;
        }
    }
    book_.appendRecipe(categoryPos, f);
    return commit({}, notices);
}

SaveResult Store::updateRecipe(const Recipe& old, int categoryPos, const Recipe& in)
{
    // Without its category the new entry could not be written; the old one
    // then stays as it is rather than being lost.
    if (!book_.category(categoryPos))
        return SaveResult::failure(QStringLiteral("the chosen category is not in the book"));
    Recipe f = storedFields(in);
    QVector<int> notices;
    QStringList retired;

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
                const QString name = freePictureName(pictureName(in.category, in.title, old.image), old.image);
                const QString target = picturePath(name);
                if (name.compare(old.image, Qt::CaseInsensitive) == 0) {
                    // Only the letter case changes: renamed in place.
                    if (target != stored && renamePicture(stored, target))
                        f.image = name;
                } else if (copyReplacing(stored, target)) {
                    // The old file goes once the book names the new one;
                    // one that cannot be copied keeps its old name.
                    f.image = name;
                    retired << old.image;
                }
            }
        } else {
            // A new picture goes in beside the stored one, which goes once
            // the book no longer names it.
            const QString name = freePictureName(pictureName(in.category, in.title, in.image), old.image);
            if (!copyReplacing(in.image, picturePath(name)))
                return SaveResult::refused(Str::PictureNotStored);
            if (!stored.isEmpty() && name.compare(old.image, Qt::CaseInsensitive) != 0)
                retired << old.image;
            f.image = name;
        }
    }
    book_.removeRecipe(find(old));
    book_.appendRecipe(categoryPos, f);
    return commit(retired, notices);
}

SaveResult Store::deleteRecipe(const RecipeRef& ref)
{
    const pugi::xml_node recipe = book_.findRecipe(ref.category, ref.title);
    if (!recipe)
        return {};
    const QString picture = RecipeBook::childText(recipe, RImage);
    book_.removeRecipe(recipe);
    return commit({picture});
}

SaveResult Store::renameCategory(const QString& oldName, const QString& newName)
{
    const int position = book_.categoryPosition(oldName);
    if (position < 0)
        return {};
    book_.renameCategory(position, newName);
    return save();
}

SaveResult Store::deleteCategory(const QString& name)
{
    const int position = book_.categoryPosition(name);
    if (position < 0)
        return {};
    QStringList pictures;
    for (pugi::xml_node r = book_.category(position).child("recipe"); r; r = r.next_sibling("recipe"))
        pictures << RecipeBook::childText(r, RImage);
    book_.removeCategory(position);
    return commit(pictures);
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
