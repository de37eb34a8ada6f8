#include "store/trash.h"

#include "resources/strings.h"
#include "store/booksave.h"
#include "store/leftovers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace bd {

namespace {
const char* const kRemoved = "removed";
} // namespace

QString trashPath(const QString& bookPath) { return QFileInfo(bookPath).dir().filePath(QStringLiteral("trash.xml")); }

Trash::Trash(QString path) : path_(std::move(path)) {}

bool Trash::load()
{
    if (!QFileInfo::exists(path_)) {
        book_.clear();
        return true;
    }
    return book_.loadFile(path_, nullptr, false);
}

bool Trash::loadBuffer(const QByteArray& bytes) { return book_.loadBuffer(bytes); }

QVector<TrashEntry> Trash::entries() const
{
    QVector<TrashEntry> out;
    book_.forEachRecipe([&out](pugi::xml_node r, int) {
        TrashEntry e;
        e.recipe = RecipeBook::fields(r);
        e.recipe.category = RecipeBook::categoryOf(r);
        e.removed = QDateTime::fromString(qstr(r.attribute(kRemoved).value()), Qt::ISODate);
        out.push_back(e);
    });
    return out;
}

namespace {
bool sameEntry(const TrashEntry& a, const TrashEntry& b)
{
    for (int i = 0; i < RChildCount; ++i)
        if (a.recipe[i] != b.recipe[i])
            return false;
    return a.recipe.category == b.recipe.category && a.removed == b.removed;
}
} // namespace

void Trash::removeEntries(const QVector<TrashEntry>& entries)
{
    QVector<TrashEntry> left = entries;
    QVector<int> positions;
    const QVector<TrashEntry> all = this->entries();
    for (int i = 0; i < all.size(); ++i)
        for (int k = 0; k < left.size(); ++k)
            if (sameEntry(all[i], left[k])) {
                positions << i;
                left.remove(k);
                break;
            }
    remove(positions);
}

bool Trash::namesPicture(const QString& name) const
{
    if (name.isEmpty())
        return false;
    return !book_.forEachRecipe([&](pugi::xml_node r, int) {
        return RecipeBook::childText(r, RImage).compare(name, Qt::CaseInsensitive) != 0;
    });
}

void Trash::add(const Recipe& recipe, const QDateTime& removed)
{
    int position = book_.categoryPosition(recipe.category);
    if (position < 0)
        position = book_.appendCategory(recipe.category);
    pugi::xml_node r = book_.appendRecipe(position, recipe);
    r.append_attribute(kRemoved).set_value(removed.toString(Qt::ISODate).toUtf8().constData());
}

void Trash::remove(const QVector<int>& positions)
{
    QVector<pugi::xml_node> gone;
    int index = 0;
    book_.forEachRecipe([&](pugi::xml_node r, int) {
        if (positions.contains(index++))
            gone.push_back(r);
    });
    for (pugi::xml_node r : gone) {
        pugi::xml_node category = r.parent();
        removeNode(r);
        if (!category.child("recipe"))
            removeNode(category);
    }
}

void Trash::clear() { book_.clear(); }

SaveResult changeTrash(const QString& path, const std::function<void(Trash&)>& edit)
{
    Trash trash(path);
    if (!trash.load())
        return SaveResult::refused(Str::TrashUnreadable);
    for (int round = 0; round < 16; ++round) {
        edit(trash);
        const RecipeBook& book = trash.book();
        const DiskStamp expected = book.diskStamp(); // unknown: there was no file
        const Placed placed = placeFile(path, &expected, [&book](QIODevice& out) { return book.writeTo(out); });
        if (placed.result.ok && !placed.replacedOther)
            return {};
        if (!placed.result.ok && !placed.replacedOther)
            return placed.result;
        if (!placed.result.ok) {
            // Changed at the last moment: read again.
            if (!placed.otherAt.isEmpty())
                keepOtherVersion(placed.otherAt, path);
            if (!trash.load())
                return SaveResult::refused(Str::TrashUnreadable);
            continue;
        }
        // Another version was written just before the swap: the edit is
        // made on it too, and saved over the one just placed.
        RecipeBook other;
        QByteArray bytes;
        if (!readOtherVersion(placed.otherAt, other, &bytes) || !trash.loadBuffer(bytes)) {
            // No list of recipes: kept beside it as it was.
            keepOtherVersion(placed.otherAt, path);
            return {};
        }
        removeLeftover(placed.otherAt); // read into the trash above
        trash.placedAs(placed.written);
    }
    return SaveResult::failure(QStringLiteral("the list of deleted recipes kept changing while it was being saved"));
}

} // namespace bd
