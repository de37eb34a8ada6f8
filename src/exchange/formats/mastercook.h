#pragma once
// Reading the two export formats of MasterCook into a list of
// recipes: its text export (MXP) and its XML export (MX2).
//
// A text recipe starts on a line "*  Exported from  MasterCook  *"; the
// title is the next line that is not blank, then come header lines
// ("Recipe By :", "Serving Size : 4  Preparation Time :0:45",
// "Categories : A   B"), the ingredient table under its rule of dashes
// (amount, measure, ingredient in the rule's columns), the directions, and
// a line "- - - - - -" after which notes ("NOTES :", "Source:") may follow.
// Text between recipes (a mailing-list digest's) is ignored.

#include "exchange/formats/readers.h"

#include <optional>

namespace bd {

// True when text holds a MasterCook text export's first line.
bool looksLikeMasterCookText(QStringView text);

// The recipes of a MasterCook text export,
// each under its first category (uncategorised when it has none). A
// recipe without ingredients and directions is left out and its first
// line listed.
RecipeList readMasterCookText(QStringView text, const ReadContext& context);
// The same from the bytes of the text, in UTF-8 (utf8; no byte order mark
// before them) or Windows-1252, as decodeRecipeText would decode them;
// nothing read where the bytes hold no export line.
std::optional<RecipeList> readMasterCookText(QByteArrayView bytes, bool utf8, const ReadContext& context);

// The <RcpE> recipes of MX2 bytes (in any
// encoding its declaration names). A picture a recipe names is kept as
// its file name, for the import to look for beside the file. Recipes of a
// file cut short are read up to the cut; the one it cuts is listed.
RecipeList readMasterCookXml(const QByteArray& bytes, const ReadContext& context);

// "1:15" or "0:45" (hours:minutes) as a cook writes it ("1 h 15 min",
// "45 min"); "0:00" is no time; other text is kept.
QString clockTimeText(QStringView time);

} // namespace bd
