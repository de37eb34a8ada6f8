#pragma once
// Recipes the cook removed, kept in "trash.xml" beside the book until the
// trash is emptied: a recipe book of the same form, each recipe under a
// category of its old name, with the time it was removed as the recipe's
// "removed" attribute. Their pictures stay in the images folder meanwhile.

#include <QDateTime>
#include <QString>
#include <QVector>

#include <functional>

#include "store/bookfile.h"
#include "store/recipebook.h"

namespace bd {

struct TrashEntry {
    Recipe recipe; // recipe.category: the category it was removed from
    QDateTime removed;
};

QString trashPath(const QString& bookPath);

class Trash {
public:
    explicit Trash(QString path);

    // Reads the trash file (a missing file is an empty trash); false when
    // it exists but cannot be read, or is a link or no regular file.
    bool load();
    // The trash as bytes hold it (another version of its file).
    bool loadBuffer(const QByteArray& bytes);
    const QString& path() const { return path_; }

    QVector<TrashEntry> entries() const;
    int count() const { return book_.recipeCount(); }
    // True when a recipe in the trash names the picture (letter case ignored).
    bool namesPicture(const QString& name) const;

    void add(const Recipe& recipe, const QDateTime& removed);
    // Takes out the entries at these positions (as entries() lists them).
    void remove(const QVector<int>& positions);
    // Takes out the entries equal to these (texts, category and time
    // removed), wherever they stand now.
    void removeEntries(const QVector<TrashEntry>& entries);
    void clear();

    const RecipeBook& book() const { return book_; }
    // The file now holds what was placed with this stamp.
    void placedAs(const DiskStamp& stamp) { book_.setDiskStamp(stamp); }

private:
    QString path_;
    RecipeBook book_;
};

// Changes the trash file by edit with the same care as the book: the file
// is read, edit made on it and the result put in its place only if the
// file is still the one read; a version another program wrote meanwhile
// is read and edit made on it again. Refused (TrashUnreadable) when the
// file cannot be read.
SaveResult changeTrash(const QString& path, const std::function<void(Trash&)>& edit);

} // namespace bd
