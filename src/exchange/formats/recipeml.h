#pragma once
// Reading RecipeML files into a list of recipes: <recipeml> holding
// <recipe> elements, each with a <head> (title, categories, yield, times),
// <ingredients> (<ing> with amount, unit and item, grouped in titled
// <ing-div> sections), <directions> (text or <step>s) and notes.

#include "exchange/formats/readers.h"

namespace bd {

// The recipes of RecipeML bytes, each under
// its first category (uncategorised when it has none). Section titles
// stay as headings among the ingredients. Recipes of a file cut short are
// read up to the cut; the one it cuts is listed.
RecipeList readRecipeML(const QByteArray& bytes, const ReadContext& context);

} // namespace bd
