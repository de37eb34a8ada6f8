#pragma once
// What the readers of other programs' recipe files share: the decoding of
// their bytes, the list of recipes they hand over, and the small text
// conversions most of them need (HTML entities and tags, ISO 8601
// durations, line numbers).

#include "exchange/formats/htmltext.h"
#include "exchange/formats/parallel.h"
#include "exchange/formats/textdecoding.h"
#include "exchange/formats/textlines.h"
#include "exchange/formats/durations.h"
#include "resources/strings.h"
#include "store/names.h"
#include "store/recipe.h"

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <optional>
#include <vector>
#include <initializer_list>

namespace bd {

// What a reader needs besides its input: the category of recipes that
// name none, and the language of the texts it writes into notes (read on
// any thread, never from the program's settings).
struct ReadContext {
    QString uncategorised;
    int langOffset = 0;
};

// What a reader made of a file: its recipes in file order, each with its
// category, titles and category names cleaned as allowedName cleans them
// (a recipe without a title has the untitled text, one without a category
// the uncategorised one) and texts as a book holds them; the line
// (counted from 1) where each recipe it had to leave out starts; and
// whether any recipe names a picture (its image field: a path or address
// the import looks for).
struct RecipeList {
    std::vector<Recipe> recipes;
    QVector<int> skipped;
    bool picturesNamed = false;
    // A book file's recipes with fewer than eight or more than nine fields,
    // by entry: how many they have (the import refuses some of them).
    QHash<int, int> fieldCounts;
    // Pictures the file holds itself (base64 text, property-list data,
    // archive entries), by recipe: their bytes as the file holds them.
    // The import checks each and unpacks it into a folder of its own; a
    // recipe with one has its image field empty. In recipe order, so that
    // the pictures are numbered the same in every import of the file.
    QMap<int, QByteArray> pictureBytes;

    int count() const { return int(recipes.size()); }
    bool isEmpty() const { return recipes.empty(); }
    // Adds a recipe made ready by readyRecipe.
    void add(Recipe ready)
    {
        picturesNamed = picturesNamed || !ready.image.isEmpty();
        recipes.push_back(std::move(ready));
    }
    // Adds a recipe as it was read, made ready here (storable as for
    // readyRecipe).
    void add(Recipe recipe, const QString& category, const ReadContext& context, unsigned storable = 0);
    // The picture of the recipe added last, from its bytes (none when empty).
    void setLastPicture(QByteArray bytes)
    {
        if (!recipes.empty() && !bytes.isEmpty())
            pictureBytes.insert(count() - 1, std::move(bytes));
    }
    // Another list's recipes after this one's, and its skipped lines.
    void append(RecipeList&& other);
    void clear() { *this = RecipeList(); }
};

class Archive;

// A file offered to the readers of other programs' files
// (exchange/otherprograms.h).
struct FileLook {
    const QByteArray& bytes; // the whole file, as it is on the disk
    QString root;            // the name of its first XML element, lower-cased, or ""
    QString suffix;          // its extension, lower-cased
    QString path;
    Archive* archive = nullptr; // the file opened as a zip archive, where it is one
};

// Another program's own cookbook (its database, not an export), which the
// import knows but cannot read: the message that tells the cook how to
// export it (Str::None for a file that is none) and the program's name.
struct OwnCookbook {
    Str message = Str::None;
    QString program;
};

// A recipe as a reader hands it over (see RecipeList); may run on any
// thread. The fields in storable (a bit for each, 1 << RIng and so on)
// the reader knows to hold only characters a book holds as they stand:
// they are not looked through again.
Recipe readyRecipe(Recipe recipe, const QString& category, const ReadContext& context, unsigned storable = 0);

// The recipes make(i, category) reads for i from 0 to count - 1 (none where
// it gives nullopt), read side by side and listed in that order, each made
// ready with the category make gave it. make runs on any thread.
RecipeList readSideBySide(qsizetype count,
                          const std::function<std::optional<Recipe>(qsizetype i, QString& category)>& make,
                          const ReadContext& context);

} // namespace bd
