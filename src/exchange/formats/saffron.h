#pragma once
// Reading Saffron's text recipes: lines "Title:", "Description:",
// "Source:", "Original URL:", "Yield:", "Prep:", "Cook:", "Total:",
// "Cookbook:", "Section:" and "Image:", then "Ingredients:" and
// "Instructions:", each followed by its lines indented by a tab. A file
// may hold several recipes, each starting with its "Title:" line.

#include "exchange/otherprograms.h"

namespace bd {

std::optional<RecipeList> readSaffron(const FileLook& file, const ReadContext& context);

} // namespace bd
