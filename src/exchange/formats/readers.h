#pragma once
// What the readers of other programs' recipe files share: the decoding of
// their bytes, the book they fill, and the small text conversions most of
// them need (HTML entities and tags, ISO 8601 durations, line numbers).

#include "exchange/formats/htmltext.h"
#include "exchange/formats/parallel.h"
#include "exchange/formats/textdecoding.h"
#include "exchange/formats/textlines.h"
#include "exchange/formats/durations.h"
#include "store/names.h"
#include "store/recipebook.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <optional>
#include <vector>
#include <initializer_list>

namespace bd {

// What a reader made of a file: the recipes it put into the book and the
// line (counted from 1) where each recipe it had to leave out starts.
struct RecipeRead {
    int recipes = 0;
    QVector<int> skipped;
    bool picturesNamed = true; // false when no recipe it read names a picture
};

// Fills a recipe book in reading order: a category element for each change
// of category, titles and category names cleaned as allowedName does. A
// recipe without a title gets the untitled text; one without a category
// goes to the uncategorised one. Or collects the recipes, ready for a
// book filled later, when files are read side by side. Each reader built
// on it takes a filler of the caller's in place of its book, too.
class BookFiller {
public:
    // A recipe in the form the book stores it: names cleaned, texts UTF-8.
    struct Ready {
        QByteArray texts; // the fields' texts, each ended by a NUL
        QString category;
        bool namesPicture = false; // whether its image field holds a name
    };

    // Empties book.
    BookFiller(RecipeBook& book, const QString& uncategorised);
    // Empties collected, and adds to it instead of a book.
    BookFiller(std::vector<Ready>& collected, const QString& uncategorised);

    // What add makes of a recipe; may run on any thread.
    Ready prepare(Recipe recipe, const QString& category) const;
    void add(const Ready& recipe);
    void add(Recipe recipe, const QString& category);
    // The next recipe starts a category element of its own, as the first
    // of another file's does.
    void beginRun() { category_ = {}; }
    // Empties the book (or the list) again, for a reader to start over.
    void restart();
    int count() const { return count_; }
    // What the reader filled the book with: count() recipes, and whether
    // any of them names a picture.
    void report(RecipeRead& read) const
    {
        read.recipes = count_;
        read.picturesNamed = picturesNamed_;
    }

private:
    RecipeBook* book_ = nullptr;
    std::vector<Ready>* collected_ = nullptr;
    QString uncategorised_, current_;
    pugi::xml_node category_;
    int count_ = 0;
    bool picturesNamed_ = false;
};

// The entries of source (as importList numbers them) whose recipe is
// already in book: the same title (letter case ignored) and the same
// ingredients (spaces ignored; a recipe without ingredients is never
// taken for one in the book). The check list shows them as such and
// leaves them unticked, so that a file imported twice adds nothing.
QSet<int> entriesInBook(const RecipeBook& book, const RecipeBook& source);

} // namespace bd
