#include "store/store.h"

#include "app/dialogs.h"
#include "app/globals.h"
#include "app/listsort.h"
#include "resources/strings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <optional>

namespace bd {

namespace {

// Characters that let a file name reach another folder or drive.
bool leavesFolder(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c.isNull();
}

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
    QDir().mkpath(imagesFolder());
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

// Said when a chosen picture cannot be stored: the recipe is not saved, so
// that the user can make room and try again with nothing lost.
SaveResult pictureNotStored()
{
    msgBox(Str::PictureNotStored, Buttons::Ok, Icon::Exclamation);
    return SaveResult::toldFailure();
}

bool usablePicture(const QString& path)
{
    const QFileInfo fi(path);
    if (fi.exists() && fi.isFile() && fi.size() > 0)
        return true;
    msgBox(197);
    return false;
}

RecipeFields fieldsOf(const RecipeInput& in)
{
    RecipeFields f;
    f.title = in.title;
    f.preptime = in.preptime;
    f.cooktime = in.cooktime;
    f.yield = in.yield;
    f.ing = in.ing;
    f.prep = in.prep;
    f.other = in.other;
    f.date = shortDateText();
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

// The picture of an updated recipe: the new `image` text, or nothing when
// a new picture could not be stored (the update is then abandoned).
std::optional<QString> updatePicture(const RecipeInput& in)
{
    // A stored name that could reach outside the images folder is ignored.
    const QString stored = storedPicturePath(G.editImage);
    if (!stored.isEmpty() && in.picturePath.isEmpty()) {
        QFile::remove(stored);
        return QString();
    }
    if (in.picturePath.isEmpty() || !QFileInfo::exists(in.picturePath))
        return QString();
    if (!usablePicture(in.picturePath))
        return QString();

    const bool changed = in.categoryText != G.editCat || in.title != G.editTitle;
    if (!stored.isEmpty() && samePath(in.picturePath, stored)) {
        if (!changed && in.picturePath.contains(G.editCat))
            return G.editImage;
        const QString name = storedPictureName(in.categoryText, in.title, G.editImage);
        const QString target = storedPicturePath(name);
        if (target == stored)
            return G.editImage;
        // A picture that cannot be renamed keeps its old name.
        return renamePicture(stored, target) ? name : G.editImage;
    }
    // A new picture replaces the stored one, once it is safely in place.
    const QString name = storedPictureName(in.categoryText, in.title, in.picturePath);
    const QString target = storedPicturePath(name);
    if (!copyReplacing(in.picturePath, target))
        return std::nullopt;
    if (!stored.isEmpty() && stored != target)
        QFile::remove(stored);
    return name;
}

} // namespace

SaveResult saveBook()
{
    return writeFileAtomically(bookPath(), [](QIODevice& out) { return G.xmlDoc.writeTo(out); });
}

bool reportSaveFailure(const SaveResult& r)
{
    if (!r.ok && !r.told) {
        const QString detail = r.error.isEmpty() ? QString() : QStringLiteral("\r\n\r\n") + r.error;
        msgBox(Str::SaveFailed, Buttons::Ok, Icon::Exclamation, detail);
    }
    return r.ok;
}

QString storedPictureName(const QString& category, const QString& title, const QString& sourcePath)
{
    QString ext = sourcePath.right(4);
    if (ext.compare(QLatin1String("jpeg"), Qt::CaseInsensitive) == 0)
        ext = QStringLiteral(".jpg");
    const QString prefix = G.imgPrefix.isEmpty() ? QStringLiteral("recipes") : G.imgPrefix;
    QString name = prefix + QLatin1Char('_') + category + QLatin1Char('_') + title + ext;
    // Names in the book never hold these, but a hand-edited book or an odd
    // source path may.
    for (QChar& c : name)
        if (leavesFolder(c))
            c = QLatin1Char('_');
    return name;
}

bool safePictureName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    return std::none_of(name.begin(), name.end(), leavesFolder);
}

QString storedPicturePath(const QString& name)
{
    return safePictureName(name) ? imagesFolder() + QLatin1Char('/') + name : QString();
}

bool categoryNameFree(const QStringList& listEntries, const QString& lowerName)
{
    for (const QString& entry : listEntries) {
        if (entry.toLower() == lowerName) {
            msgBox(192);
            return false;
        }
    }
    return true;
}

namespace {
// entries plus every category with its position, in list order.
QVector<std::pair<QString, int>> withCategories(QVector<std::pair<QString, int>> entries)
{
    for (const CategoryEntry& c : G.xmlDoc.categories())
        entries.push_back({c.name, c.position});
    sortForList(entries);
    return entries;
}
} // namespace

QVector<std::pair<QString, int>> categoryListEntries()
{
    return withCategories({});
}

QVector<std::pair<QString, int>> fillCategoryList()
{
    return withCategories({{fetchText(162), -1}});
}

SaveResult addCategory(const QString& name, int* position)
{
    const int pos = G.xmlDoc.appendCategory(name);
    if (position)
        *position = pos;
    return saveBook();
}

SaveResult addRecipe(int categoryPos, const RecipeInput& in)
{
    if (!G.xmlDoc.category(categoryPos))
        return SaveResult::failure(QStringLiteral("the chosen category is not in the book"));
    RecipeFields f = fieldsOf(in);
    if (!in.picturePath.isEmpty() && usablePicture(in.picturePath)) {
        const QString name = storedPictureName(in.categoryText, in.title, in.picturePath);
        if (!copyReplacing(in.picturePath, storedPicturePath(name)))
            return pictureNotStored();
        f.image = name;
    }
    G.xmlDoc.appendRecipe(categoryPos, f);
    return saveBook();
}

SaveResult updateRecipe(int categoryPos, const RecipeInput& in)
{
    // Without its category the new entry could not be written; the old one
    // then stays as it is rather than being lost.
    if (!G.xmlDoc.category(categoryPos))
        return SaveResult::failure(QStringLiteral("the chosen category is not in the book"));
    RecipeFields f = fieldsOf(in);
    const std::optional<QString> image = updatePicture(in);
    if (!image)
        return pictureNotStored();
    f.image = *image;
    G.xmlDoc.removeRecipe(G.xmlDoc.findTitle(G.editTitle));
    G.xmlDoc.appendRecipe(categoryPos, f);
    return saveBook();
}

SaveResult deleteRecipe(const QString& title)
{
    if (!G.xmlDoc.removeRecipe(G.xmlDoc.findTitle(title)))
        return {};
    return saveBook();
}

} // namespace bd
