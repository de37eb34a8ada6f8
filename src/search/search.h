#pragma once
// Keyword search over the whole book. A recipe is found when its title,
// ingredients, preparation or notes, lower-cased, contain the lower-cased
// keyword; its times, yield, date, picture and category are never searched.

#include "browse/brlayout.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>

namespace bd {

class RecipeBook;

// Finds one keyword in UTF-8 texts as QString::toLower() would see them,
// lower-casing the text as it goes instead of converting it: a large book
// is searched at close to the speed of reading its bytes.
class KeywordMatcher {
public:
    // The keyword is lower-cased here; it is not trimmed.
    explicit KeywordMatcher(const QString& keyword);

    // text holds size bytes of UTF-8; bytes that are not UTF-8 match nothing.
    bool foundIn(const char* text, std::size_t size) const;
    bool foundIn(const char* text) const; // zero-terminated

private:
    QByteArray key_;            // the lowered keyword in UTF-8
    unsigned char first_ = 0;   // its first byte with bit 0x20 set
    unsigned char second_ = 0;  // its second byte with bit 0x20 set, when both are ASCII
    bool pairFilter_ = false;   // whether second_ narrows the candidates
    bool leadFirst_ = true;     // whether a match may start at a non-ASCII character
    bool leadSecond_ = false;   // whether one may follow the first byte
    bool terminatorSafe_ = true; // no zero byte in the keyword
};

// What a search found, in finding order (category by category, recipe by
// recipe, as stored): titles[i] is a recipe of the category named
// categories[i]. Every recipe appears at most once.
struct SearchHits {
    QStringList titles;
    QStringList categories;
};

SearchHits searchRecs(const RecipeBook& book, const QString& keyword);

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
