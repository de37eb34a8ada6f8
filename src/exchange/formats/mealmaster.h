#pragma once
// Reading MealMaster text files, the plain-text exchange format of many
// recipe programs, into a list of recipes as the other readers make them.
//
// A recipe runs from a begin line ("MMMMM----- Recipe via ...",
// "---------- Recipe via ...", "----- Exported by ... [Meal-Master Export
// Format] -----", or any such line followed by a Title header) to a line
// "MMMMM" or a line of dashes, or to the next begin line when its end line
// is missing; text between recipes is ignored. After the header lines
// (Title, Categories, Yield or Servings) come the ingredients in fixed
// columns (amount 7, unit 2, text; a second column from column 41 or 42),
// then the directions. Section headings ("MMMMM-----SAUCE-----",
// "-----SAUCE-----") may come anywhere in the body; lines drawn across the
// text ("~-----", "=====") part paragraphs.

#include "exchange/formats/readers.h"

#include <QByteArray>
#include <QString>
#include <QVector>

namespace bd {

// The recipes of text, in file order: each
// in a category named by its first category (uncategorised when it has
// none), with title, yield, times, ingredients (one a line), directions
// and notes (header lines it does not use). A recipe without a title, or
// with a header value too long to be one, is left out and listed in
// skipped.
RecipeList readMealMaster(const QString& text, const ReadContext& context);

} // namespace bd
