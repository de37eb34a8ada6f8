#pragma once
// Reading the text export of Now You're Cooking!: each recipe starts with
// a line "@@@@@ ... Now You're Cooking! Export Format"; then come its
// title, a line of categories (apart by commas or tabs), the block of
// ingredient lines ("----NAME----" heading a section), the paragraphs of
// directions, and lines of the program's own ("Yield:", "Contributor:",
// "NYC Nutrition Analysis", "NYC Nutrilink:"), up to "** Exported from
// Now You're Cooking! vX **". The files are ISO-8859-1.

#include "exchange/formats/readers.h"

#include <optional>

namespace bd {

// The recipes of a file (its bytes), nullopt when it is none of this format.
std::optional<RecipeList> readNowYoureCooking(const QByteArray& bytes, const ReadContext& context);

} // namespace bd
