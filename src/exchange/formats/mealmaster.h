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

#include <vector>

namespace bd {

// The recipes of text, in file order: each
// in a category named by its first category (uncategorised when it has
// none), with title, yield, times, ingredients (one a line), directions
// and notes (header lines it does not use). A recipe without a title, or
// with a header value too long to be one, is left out and listed in
// skipped.
RecipeList readMealMaster(const QString& text, const ReadContext& context);

// How the reader joins the lines of directions, for a writer that wants
// its lines read back as it meant them. Lines a and b (indents kept, no
// trailing spaces) are one line wrapped where b's first word would not
// have fitted within width, unless b starts a list item ("1.", "-", "*")
// or is indented deeper than a (than a list item's text on a); a long a
// that leaves a sentence open goes on into b in small letters whatever
// b's indent (sentenceGoesOn).
bool mealMasterLinesJoined(QStringView a, QStringView b, qsizetype width);
// The width the directions were wrapped at, from the widths of their
// lines (sorted here): the widest, leaving out lines over 80 columns that
// stand well clear of the next (an address the writer did not wrap).
qsizetype mealMasterWrapWidth(std::vector<qsizetype>& widths);
// Whether the reader takes line (trimmed) for one of the format's marks
// rather than text: a framing or end line, a heading, or a line drawn
// across the text (":-)", "=====").
bool mealMasterMarkLine(QStringView line);
// Whether the reader could take an ingredient line for two columns, the
// second starting anywhere it looks for one.
bool mealMasterTwoColumns(QStringView line);
// The length of a list item's marker that starts s ("*", "-", "12. ",
// "3)"; a step's number has one or two digits and a space or the end
// after it), 0 for none.
qsizetype mealMasterListMarker(QStringView s);

} // namespace bd
