#pragma once
// What the cook types into the search box, understood: words that must all
// be found, anywhere in the recipe; "a phrase" in quotes; -word for a word
// that must not be found; a field before a colon (title:, ing:, prep:,
// notes:, cat:, or título:, ingredientes:, preparación:, notas:,
// categoría:) to look in that field alone; OR between words for either.

#include <QString>
#include <QVector>

namespace bd {

// The fields a term is looked for in.
enum SearchField : unsigned {
    InTitle = 1,
    InIngredients = 2,
    InPreparation = 4,
    InNotes = 8,
    InCategory = 16,
    // A term without a field: the category is not among them.
    InRecipeTexts = InTitle | InIngredients | InPreparation | InNotes,
};

struct SearchTerm {
    QString text; // as typed; a phrase may hold spaces
    unsigned fields = InRecipeTexts;
    bool operator==(const SearchTerm& o) const { return text == o.text && fields == o.fields; }
};

struct SearchQuery {
    // Every group must be found in a recipe; a group is found when one of
    // its terms is (words joined by OR).
    QVector<QVector<SearchTerm>> required;
    // A recipe holding one of these is not found.
    QVector<SearchTerm> excluded;
    bool isEmpty() const { return required.isEmpty() && excluded.isEmpty(); }
};

// The query a search text asks for. Terms that fold to nothing (a lone
// accent) are left out; "OR" at either end is a word-to-be, not a word.
SearchQuery parseQuery(const QString& text);

// A stretch of a text: where it starts and how long it is.
struct TextRange {
    int start = 0, length = 0;
    bool operator==(const TextRange& o) const { return start == o.start && length == o.length; }
};

// Where the query's wanted terms (not the excluded ones) stand in text,
// one of the fields field names: for showing a found recipe with its
// words marked. The ranges are in text order and do not overlap.
QVector<TextRange> foundRanges(const SearchQuery& query, SearchField field, const QString& text);

} // namespace bd
