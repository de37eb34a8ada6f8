#pragma once
// Search over the whole book. A recipe is found when its title,
// ingredients, preparation or notes, folded (search/fold.h), hold every
// word the cook asks for (search/query.h); its times, yield, date and
// picture are never searched, its category only when asked for.

#include "browse/brlayout.h"
#include "search/query.h"
#include "store/recipebook.h"

#include <QByteArray>
#include <QCollatorSortKey>
#include <QString>
#include <QStringList>

#include <QPair>
#include <QVector>

#include <cstddef>
#include <memory>
#include <vector>

namespace bd {

// Finds one keyword in UTF-8 texts as foldText() would see them, folding
// the text as it goes instead of converting it: a large book is searched
// at close to the speed of reading its bytes.
class KeywordMatcher {
public:
    // The keyword is folded here, white space at either end left out.
    explicit KeywordMatcher(const QString& keyword);

    // text holds size bytes of UTF-8; bytes that are not UTF-8 match nothing.
    bool foundIn(const char* text, std::size_t size) const;
    bool foundIn(const char* text) const; // zero-terminated

private:
    QByteArray key_;            // the folded keyword in UTF-8
    unsigned char first_ = 0;   // its first byte with bit 0x20 set
    unsigned char second_ = 0;  // its second byte with bit 0x20 set, when both are ASCII
    bool pairFilter_ = false;   // whether second_ narrows the candidates
    bool leadFirst_ = true;     // whether a match may start at a non-ASCII character
    bool leadSecond_ = false;   // whether one may follow the first byte
    bool terminatorSafe_ = true; // no zero byte in the keyword
};

// What a search found, in finding order (category by category, recipe by
// recipe, as stored): title(i) is a recipe of the category named
// category(i), and its title holds titleScores[i] of the query's wanted
// groups. Every recipe appears at most once. The titles are read from the
// book's list of titles the search was made over, which the hits hold on
// to: a search that finds every recipe of a large book copies no title.
class SearchHits {
public:
    SearchHits() = default;
    explicit SearchHits(std::shared_ptr<const RecipeBook::TitleList> titles) : titles_(std::move(titles)) {}
    int size() const { return int(places.size()); }
    QString title(int i) const;
    const QString& category(int i) const { return categoryNames_[categoryOf_[i]]; }
    QStringList titles() const;
    QStringList categories() const;

    // The hits that follow are of the category named name.
    void enterCategory(const QString& name);
    // The recipe at place in the list of titles, of the category entered last.
    void add(int titleScore, int place);

    QVector<int> titleScores;
    QVector<int> places; // of the recipes in book order, counted from 0 (see RecipeBook::titleRanks)

private:
    std::shared_ptr<const RecipeBook::TitleList> titles_;
    QStringList categoryNames_;
    QVector<int> categoryOf_;
};

// Whether recipes answer a query, their texts read as the book holds them.
class QueryMatcher {
public:
    explicit QueryMatcher(const SearchQuery& query);

    // The recipe's title, ingredients, preparation and notes, each
    // zero-terminated UTF-8 (empty when the recipe lacks it). Each is read
    // when first asked for, so that a search the title answers reads no
    // more of the recipe.
    class Texts {
    public:
        // The recipe's title may be known already (title, when not null).
        explicit Texts(pugi::xml_node recipe, const char* title = nullptr) : recipe_(recipe), titleKnown_(title)
        {
            if (title)
                texts_[0] = title;
        }
        const char* title() const { return text(RTitle); }
        const char* ingredients() const { return text(RIng); }
        const char* preparation() const { return text(RPrep); }
        const char* notes() const { return text(ROther); }
        // Whether more of the recipe than a title known already was read.
        bool readRecipe() const { return elements_ > 0 || ended_; }

    private:
        // The text of the recipe's child element at position child.
        const char* text(int child) const;

        pugi::xml_node recipe_;
        mutable pugi::xml_node last_; // the last child looked at
        mutable int elements_ = 0;    // child elements counted so far
        mutable bool ended_ = false;  // all counted
        bool titleKnown_;
        mutable const char* texts_[4] = {"", "", "", ""};
    };
    // Finds which terms the category's name holds; call it before asking
    // about the recipes of another category.
    void enterCategory(const char* name);
    // Whether the recipe answers the query; titleScore, when given, gets how
    // many of the wanted groups its title alone holds.
    bool matches(const Texts& texts, int* titleScore = nullptr) const;

private:
    struct Term {
        KeywordMatcher matcher;
        unsigned fields;
    };
    bool found(const Term& term, int index, const Texts& texts) const;
    bool foundBesideTitle(const Term& term, int index, const Texts& texts) const;

    // Wanted groups, as ranges of terms_; the excluded terms follow them.
    QVector<QPair<int, int>> groups_;
    int firstExcluded_ = 0;
    std::vector<Term> terms_;
    std::vector<bool> inCategory_; // by term: the current category's name holds it
};

// A search of a book that may be done a slice at a time, so that a window
// stays answering while a large book is searched: each step searches the
// next recipes in book order. A book whose recipes change meanwhile is
// searched again from the start.
class BookSearch {
public:
    BookSearch(const RecipeBook& book, const QString& query);
    // Searches up to count more recipes; true when the whole book has been searched.
    bool step(int count);
    bool done() const { return done_; }
    const SearchHits& hits() const { return hits_; }
    // The book's titles as they stood when the search began.
    RecipeBook::TitlesVersion titlesVersion() const { return version_; }

private:
    const RecipeBook& book_;
    RecipeBook::TitlesVersion version_;
    int place_ = 0; // of the next recipe in book order
    QueryMatcher matcher_;
    std::shared_ptr<const RecipeBook::TitleList> titles_; // as they stood when the search began
    std::size_t nextCategory_ = 0;                        // in titles_->categories()
    bool fetchAhead_ = true;                              // whether the last recipe was read past its title
    SearchHits hits_;
    bool done_ = false;
};

// The whole search at once.
SearchHits searchRecs(const RecipeBook& book, const QString& query);

// The order results are listed in: titles holding more of the wanted words
// first, then in list order. Indexes into hits.
QVector<int> listOrder(const SearchHits& hits);

// Whether one title, as the book stores it, comes before another in list
// order (the order RecipeBook::titleRanks keeps).
bool storedTitleBefore(const char* a, const char* b);

// The same order made a slice at a time: each step readies the sort keys
// of count more titles; order() then sorts them, without collating again.
// Hits of a search of book begun when its titles were at version are
// ordered by the places the book keeps for its titles, when it keeps them
// for those titles, with no collating at all; a list of every title of
// the book leaves those places kept for the next.
class ListOrdering {
public:
    explicit ListOrdering(const SearchHits& hits, const RecipeBook* book = nullptr,
                          RecipeBook::TitlesVersion version = {});
    bool step(int count);
    QVector<int> order() const;

private:
    // The places of the hits' titles kept by the book; empty when it keeps none for them.
    std::vector<int> keptRanks() const;

    const SearchHits& hits_;
    const RecipeBook* book_;
    RecipeBook::TitlesVersion version_;
    std::vector<int> ranks_; // the hits' places kept by the book at the start; empty: none
    mutable std::vector<QCollatorSortKey> keys_;
};

// Starts working out the places of the book's titles in list order on a
// thread of its own, so that the lists to come are ordered without
// collating (see RecipeBook::rankAside).
void rankTitlesAside(const RecipeBook& book);

// The count line: "3 recipe(s) found".
QString resultCountLine(int count);

// The search window's measures in twips for a recipe text size (8, 10 or
// 12 points; any other size is laid out as 12). The window cannot be
// resized.
struct SearchLayout {
    double windowWidth = 0;         // outside the single border
    double clientWidth = 0, clientHeight = 0;
    // Relative to the client area.
    TRect lblHeader, txtKeyword, fraBtn, lstResults, lblCount;
    // Relative to fraBtn.
    TRect cmdSearch, cmdCancel;
};

SearchLayout layoutSearch(int textFontSize);

} // namespace bd
