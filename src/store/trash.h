#pragma once
// Recipes the cook removed, kept in "trash.xml" beside the book until the
// trash is emptied: a recipe book of the same form, each recipe under a
// category of its old name, with the time it was removed as the recipe's
// "removed" attribute. Their pictures stay in the images folder meanwhile.

#include <QDateTime>
#include <QString>
#include <QVector>

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
    // it exists but cannot be read.
    bool load();
    const QString& path() const { return path_; }

    QVector<TrashEntry> entries() const;
    int count() const { return book_.recipeCount(); }
    // True when a recipe in the trash names the picture (letter case ignored).
    bool namesPicture(const QString& name) const;

    void add(const Recipe& recipe, const QDateTime& removed);
    // Takes out the entries at these positions (as entries() lists them).
    void remove(const QVector<int>& positions);
    void clear();

    SaveResult save();

private:
    QString path_;
    RecipeBook book_;
};

} // namespace bd
