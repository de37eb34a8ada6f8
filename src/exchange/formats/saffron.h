#pragma once
// Reading Saffron's text recipes: lines "Title:", "Description:",
// "Source:", "Original URL:", "Yield:", "Prep:", "Cook:", "Total:",
// "Cookbook:", "Section:" and "Image:", then "Ingredients:" and
// "Instructions:", each followed by its lines indented by a tab. A file
// may hold several recipes, each starting with its "Title:" line.

#include "exchange/formats/readers.h"

#include <optional>

namespace bd {

// The recipes of a file (its bytes), nullopt when it is none of this format.
std::optional<RecipeList> readSaffron(const QByteArray& bytes, const ReadContext& context);

} // namespace bd
