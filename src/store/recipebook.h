#pragma once
// The recipe book document: a root <recipebook> holding <category cname="">
// elements, each holding <recipe> elements with nine text children in a
// fixed order. A category is identified by its 0-based position among the
// root's children; a recipe by its title, unique in the book regardless of
// letter case.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHash>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QVector>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include <pugixml.hpp>
#include <type_traits>
#include <unordered_map>
#include <utility>

#include "store/diskstamp.h"
#include "store/names.h"
#include "store/recipe.h"

namespace bd {

struct CategoryEntry {
    QString name;
    int position = 0;
};

// The empty book, exactly as the program first writes it.
extern const QByteArray kEmptyBook;

// "aok" if path holds a well-formed book, "error" otherwise (also when the
// file is missing).
QString checkBook(const QString& path);

// Today's date as the system's short date text with a four-digit year.
QString shortDateText();

// The changes made to a book since it was last read or written, for a
// three-way merge with another version of the file: for every recipe
// changed, the version the file had (a hash of its category and texts;
// none when the file had no recipe of that title), and the category
// changes in order.
struct BookJournal {
    struct CategoryChange {
        enum Kind { Add, Rename, Remove } kind = Add;
        QString name;
        QString newName; // Rename
    };
    QHash<QString, std::optional<quint64>> base; // by lower-cased title
    QVector<CategoryChange> categories;
    // Recipes another program may write back as they were a moment ago: a
    // program that reads the file, changes it and writes it back, having
    // read it just before a save of this one (or just after a save that
    // replaced a version of its own), writes back what it read.
    // By title key: the version it would write (none: no recipe), until
    // when that is looked out for, and the save that wrote the book's (its
    // number; kAnySave for a version another program's was swapped for).
    // A version of the file that holds what was shown is taken for that
    // program's, and the recipe as the book holds it goes in; one that
    // holds what a save wrote was written after that save, and what it
    // lacks of that save and those before is its own doing.
    struct Shown {
        std::optional<quint64> version;
        QDeadlineTimer until;
        quint64 save = kAnySave;
    };
    static constexpr quint64 kAnySave = ~quint64(0);
    QHash<QString, Shown> shown;
    quint64 saves = 0; // saves so far, for Shown::save
    static constexpr int kShownMs = 10000;
    // Unsaved changes (what was shown stays remembered past a save).
    bool isEmpty() const { return base.isEmpty() && categories.isEmpty(); }
};

// The key a recipe's title is known by: titles are unique regardless of letter case.
inline QString titleKey(const QString& title) { return title.toLower(); }
// A hash of a recipe's category name and texts, as a book holds them.
quint64 recipeVersion(pugi::xml_node recipe);

class RecipeBook {
public:
    RecipeBook();
    RecipeBook(const RecipeBook&) = delete;
    RecipeBook& operator=(const RecipeBook&) = delete;

    // Parses data; on failure the book is left empty and false returned.
    // Characters XML 1.0 forbids (raw control characters, "&#0;", "&#1;",
    // ...) are dropped, so that they are never written back.
    bool loadBuffer(const QByteArray& data, QString* error = nullptr);
    // Reads a regular file (never a FIFO or a device); with followLinks
    // false a link is refused, as for every file of the book folder.
    bool loadFile(const QString& path, QString* error = nullptr, bool followLinks = true);
    void clear();
    // The document as it is written to disk (no declaration, no indentation).
    QByteArray serialize() const;
    // Writes the document to out as serialize() would; false if a write failed.
    bool writeTo(QIODevice& out) const;

    pugi::xml_node root() const;
    int categoryCount() const;
    pugi::xml_node category(int position) const;
    QString categoryName(int position) const;
    // Position of the first category whose name equals name exactly, or -1.
    int categoryPosition(const QString& name) const;
    QVector<CategoryEntry> categories() const;
    // The non-empty titles of a category's recipes, in book order.
    QStringList recipeTitles(int position) const;
    int recipeCount() const;

    // The recipe of the category with exactly this title (letter case counts).
    pugi::xml_node findRecipe(int position, const QString& title) const;
    // First recipe of the book whose title matches ignoring letter case.
    pugi::xml_node findTitle(const QString& title) const;
    bool titleExists(const QString& title) const { return bool(findTitle(title)); }

    static Recipe fields(pugi::xml_node recipe);
    static QString childText(pugi::xml_node recipe, int child);

    // In-memory changes; the caller saves. Each is noted in the journal.
    int appendCategory(const QString& name);
    // The title must not be in the book yet.
    pugi::xml_node appendRecipe(int position, const Recipe& fields);
    bool removeRecipe(pugi::xml_node recipe);
    bool removeCategory(int position);
    void renameCategory(int position, const QString& name);
    // A recipe of a title the book did not hold was appended without the
    // calls above (an import's fast path, appendRecipeNode).
    void noteNewRecipe(pugi::xml_node recipe);

    const BookJournal& journal() const { return journal_; }
    void setJournal(BookJournal journal) { journal_ = std::move(journal); }

    pugi::xml_document& document() { return doc_; }
    const pugi::xml_document& document() const { return doc_; }

    // The file as loadFile read it or a save wrote it; unknown for a book
    // built in memory, which is then never compared with a file.
    const DiskStamp& diskStamp() const { return stamp_; }
    void setDiskStamp(const DiskStamp& stamp) { stamp_ = stamp; }
    // The book and the file are one again (read or written): the journal starts anew.
    // What the file held before of the recipes now written is looked out
    // for a while (BookJournal::shown).
    void markSaved(const DiskStamp& stamp);
    // Takes other's document, stamp and journal in place of this one's
    // (nodes of the old document are then invalid).
    void adopt(RecipeBook& other);

    // Walks over the book in book order. A callback may return bool: false
    // stops the walk, which then returns false. Nodes stay valid while the
    // book is not changed.

    // f(category, position) for every category.
    template <typename F>
    bool forEachCategory(F&& f) const;
    // f(recipe, categoryPosition) for every recipe.
    template <typename F>
    bool forEachRecipe(F&& f) const;
    // f(recipe) for every recipe of the category at position (none when
    // there is no such category).
    template <typename F>
    bool forEachRecipeIn(int position, F&& f) const;
    // f(recipe) for up to count recipes in book order from the one at
    // place (counted from 0) on, moving place past them. False when the walk
    // has reached the end of the book. A place names the same recipe only
    // while titlesVersion() stays the same.
    // The recipes to come are fetched from memory ahead of their turn while
    // fetchAhead is true, as it is unless the caller says otherwise (one that
    // reads no more than the titles, say, has no need of the recipes).
    static constexpr bool kFetchAhead = true;
    template <typename F>
    bool walkRecipes(int& place, int count, F&& f, const bool& fetchAhead = kFetchAhead) const;
    // Counts the changes that may leave nodes taken earlier invalid:
    // loading, clearing, adopting, removing.
    quint64 generation() const { return generation_; }
    // The book's titles as they stand: another value after every recipe
    // added or removed and every new generation.
    using TitlesVersion = std::pair<quint64, quint64>;
    TitlesVersion titlesVersion() const { return {generation_, titleChanges_}; }
    // The place in list order of every recipe's title, by the recipe's
    // place in book order, as kept for the titles as they stand now; null
    // when none is kept. Sorting a list of every title, which a search of
    // the whole book does, keeps one (keepTitleRanks), so that the next
    // lists are ordered without collating their titles again. Recipes
    // added and removed since keep it in step: those removed take their
    // places with them, and those added are given theirs when it is next
    // asked for, by before (whether one stored title comes before another
    // in list order; equal titles keep book order).
    using TitleRanks = std::vector<int>;
    using TitleOrder = std::function<bool(const char* a, const char* b)>;
    const TitleRanks* titleRanks(const TitleOrder& before) const;
    void keepTitleRanks(TitleRanks ranks, TitlesVersion version) const;
    // Every recipe's title in book order, one after another in one text,
    // with where each category's recipes begin. It is made for the titles
    // as they stand and never changed after: whoever holds it reads the
    // titles as they were, and a search over the titles alone reads them
    // one after another instead of from all over the book.
    class TitleList {
    public:
        int size() const { return int(starts_.size()) - 1; }
        // The title of the recipe at place (counted from 0 in book order):
        // the text of its first element, zero-terminated UTF-8 as the book holds it.
        const char* title(int place) const { return text_.data() + starts_[std::size_t(place)]; }
        qsizetype length(int place) const { return starts_[std::size_t(place) + 1] - starts_[std::size_t(place)] - 1; }
        // The categories that hold recipes, in book order: the place of each
        // one's first recipe and the category's position in the book.
        struct CategoryStart {
            int place;
            int position;
        };
        const std::vector<CategoryStart>& categories() const { return categories_; }

    private:
        friend class RecipeBook;
        std::string text_;
        std::vector<qsizetype> starts_{0};
        std::vector<CategoryStart> categories_;
    };
    // The titles as they stand now: made when first asked for after recipes
    // are added or removed.
    std::shared_ptr<const TitleList> titleList() const;
    // Works out the places of the titles as they stand by work, on a thread
    // of its own; titleRanks takes them once they are ready, when the titles
    // are still as they were. Nothing when places are kept already or on
    // their way. work is to give up, returning none, once stop is set.
    using RankWork = std::function<TitleRanks(const TitleList& titles, const std::atomic<bool>& stop)>;
    void rankAside(RankWork work) const;
    // Waits for places on their way, and takes them as titleRanks would.
    void finishRankingAside() const;
    // f(child, text) for the element children of recipe up to child last,
    // counted among the elements only; those whose bit (1 << child) is set
    // in skipped are passed over unread, so that their text is never touched.
    template <typename F>
    static bool forEachText(pugi::xml_node recipe, int last, F&& f, quint32 skipped = 0);

    // The text of the recipe's first child, the title lists and merges know
    // it by (childText(recipe, RTitle) counts elements only).
    static const char* titleOf(pugi::xml_node recipe) { return recipe.first_child().text().get(); }
    // The name of the category recipe is in.
    static QString categoryOf(pugi::xml_node recipe);
    // The recipe a list names, as findRecipe finds it, with its category's
    // name; nullopt when the book has no such recipe.
    std::optional<Recipe> recipe(const RecipeRef& ref) const;
    // The recipes of the category at position with its name, in book order.
    QVector<Recipe> recipesIn(int position) const;
    // The categories by name as storableText gives it, the first of equal names.
    QHash<QString, pugi::xml_node> categoriesByName() const;

    // Building a book in memory (an export file, a reader's result): the
    // nodes are appended without a note in the journal. A recipe gets the
    // first eight fields always and the image only when withImage.
    pugi::xml_node appendCategoryNode(const QString& name);
    static pugi::xml_node appendCategoryNode(pugi::xml_node root, const QString& name);
    static pugi::xml_node appendRecipeNode(pugi::xml_node category, const Recipe& fields, bool withImage);

private:
    template <typename F, typename... Args>
    static bool goOn(F& f, Args&&... args)
    {
        if constexpr (std::is_void_v<std::invoke_result_t<F&, Args...>>) {
            f(std::forward<Args>(args)...);
            return true;
        } else {
            return bool(f(std::forward<Args>(args)...));
        }
    }
    template <typename F>
    static bool eachRecipeOf(pugi::xml_node category, F&& f);
    friend class RecipeFinder;

    void noteRecipe(pugi::xml_node recipe);

    pugi::xml_document doc_;
    quint64 generation_ = 0;
    quint64 titleChanges_ = 0; // recipes added and removed
    mutable TitleRanks ranks_;
    mutable TitlesVersion ranksVersion_{~quint64(0), ~quint64(0)};
    DiskStamp stamp_;
    BookJournal journal_;

    // Every recipe by its title's key (a hash of the lower-cased title),
    // so that findTitle needs no walk. Made when asked for, it is good for
    // one generation of the book: appendRecipe, noteNewRecipe and
    // removeRecipe keep it in step, and any other change that takes nodes
    // away (a new generation) has it made again. Holds no copy of a title.
    struct TitleIndex {
        quint64 generation = ~quint64(0);
        std::unordered_multimap<quint64, pugi::xml_node_struct*> recipes;
        void add(pugi::xml_node recipe, quint64 now);
        void remove(pugi::xml_node recipe, quint64 now); // before the removal counts
    };
    mutable TitleIndex titles_;
    const TitleIndex& titleIndex() const;

    // Every recipe in book order, so that a walk over the book can fetch
    // recipes from memory well before their turn (a walk along the nodes
    // learns where the next recipe is only once it has the one before).
    // Made when asked for and good for one generation of the book:
    // appendRecipe, noteNewRecipe and removeRecipe keep it in step, each at
    // the cost of a pass over it; after many such changes it is let go and
    // made again when next asked for. Of recipes appended without a note, as
    // a book made in memory gets them, it notices those that end the book.
    // Holds no copy of a recipe.
    struct RecipeOrder {
        quint64 generation = ~quint64(0);
        int changes = 0; // kept in step since it was made
        std::vector<pugi::xml_node_struct*> recipes;
        // Each gives the recipe's place, or -1 when the order is no longer in step.
        int add(pugi::xml_node recipe, quint64 now);
        int remove(pugi::xml_node recipe, quint64 now); // before the removal counts
        bool keepsStep(quint64 now);
    };
    mutable RecipeOrder order_;
    mutable std::shared_ptr<const TitleList> titleList_;
    mutable TitlesVersion titleListVersion_{~quint64(0), ~quint64(0)};
    struct AsideRanking;
    mutable std::shared_ptr<AsideRanking> aside_; // places being worked out on another thread
    void takeAsideRanks(bool wait) const;
    // Kept title ranks follow a recipe added (or removed) at place, when
    // they were kept for the titles before the change (ranked).
    void keepRanksInStep(bool ranked, int place, bool added);
    void rankNewTitles(const TitleOrder& before) const;
    mutable int unranked_ = 0; // recipes added since the ranks were kept
    const std::vector<pugi::xml_node_struct*>& recipesInOrder() const;
    pugi::xml_node lastRecipe() const;
    void noteNewTitle(const QString& title);

public:
    // Every recipe of the book in book order, each with its category's
    // name (storable text) and the texts of its first nine element
    // children, by position as fields reads them. fieldCounts, when given,
    // gets the position of each recipe with fewer than eight or more than
    // nine element children, and how many it has.
    std::vector<Recipe> allRecipes(QHash<int, int>* fieldCounts = nullptr) const;
};

template <typename F>
bool RecipeBook::forEachCategory(F&& f) const
{
    int position = 0;
    for (pugi::xml_node c = root().child("category"); c; c = c.next_sibling("category"), ++position)
        if (!goOn(f, c, position))
            return false;
    return true;
}

template <typename F>
bool RecipeBook::eachRecipeOf(pugi::xml_node category, F&& f)
{
    for (pugi::xml_node r = category.child("recipe"); r; r = r.next_sibling("recipe"))
        if (!goOn(f, r))
            return false;
    return true;
}

template <typename F>
bool RecipeBook::forEachRecipe(F&& f) const
{
    return forEachCategory([&f](pugi::xml_node c, int position) {
        return eachRecipeOf(c, [&f, position](pugi::xml_node r) { return goOn(f, r, position); });
    });
}

inline void prefetch(const void* p)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p);
#else
    Q_UNUSED(p);
#endif
}

template <typename F>
bool RecipeBook::walkRecipes(int& place, int count, F&& f, const bool& fetchAhead) const
{
    const std::vector<pugi::xml_node_struct*>& order = recipesInOrder();
    const int total = int(order.size());
    if (place < 0)
        place = 0;
    // A recipe's nodes are fetched from memory a few turns before the text
    // they point to, and that a few turns before the recipe's own turn.
    constexpr int kNodesAhead = 16, kTextAhead = 8;
    for (; place < total && count > 0; ++place, --count) {
        if (fetchAhead && place + kNodesAhead < total) {
            // The recipe's first children were made right after it.
            const char* node = reinterpret_cast<const char*>(order[size_t(place + kNodesAhead)]);
            for (int line = 0; line < 4; ++line)
                prefetch(node + 64 * line);
        }
        if (fetchAhead && place + kTextAhead < total) {
            const pugi::xml_node ahead(order[size_t(place + kTextAhead)]);
            prefetch(titleOf(ahead));
        }
        f(pugi::xml_node(order[size_t(place)]));
    }
    return place < total;
}

template <typename F>
bool RecipeBook::forEachRecipeIn(int position, F&& f) const
{
    return eachRecipeOf(category(position), f);
}

template <typename F>
bool RecipeBook::forEachText(pugi::xml_node recipe, int last, F&& f, quint32 skipped)
{
    int child = 0;
    for (pugi::xml_node n = recipe.first_child(); n && child <= last; n = n.next_sibling()) {
        if (n.type() != pugi::node_element)
            continue;
        const int at = child++;
        if (at < 32 && (skipped >> at) & 1u)
            continue;
        if (!goOn(f, at, n.child_value()))
            return false;
    }
    return true;
}

// Finds the recipes lists name by category position and exact title, the
// first of equal titles; a category's recipes are indexed when its first
// recipe is asked for, so that a long list is found in one pass.
class RecipeFinder {
public:
    explicit RecipeFinder(const RecipeBook& book) : book_(book) {}
    // The recipe item names, with its category's name as storableText
    // gives it; nullopt when the book has none.
    std::optional<Recipe> find(const RecipeRef& item);

private:
    struct Source {
        QString name;
        QHash<QString, pugi::xml_node> recipes;
    };
    const RecipeBook& book_;
    QHash<int, Source> sources_;
};

// Removes node and everything in it without recursion, so that however
// deeply a crafted file nests its elements the stack is never exhausted.
void removeNode(pugi::xml_node node);

// Text as the book holds it (storableText, store/names.h) as UTF-8.
std::string xmlText(const QString& s);
inline QString qstr(const pugi::char_t* s) { return QString::fromUtf8(s); }

} // namespace bd
