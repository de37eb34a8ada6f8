#pragma once
// Exports that recipe programs write as web pages: Recipe Keeper's and
// CopyMeThat's recipes.html (many recipes, the pictures in images/ beside
// it or in the zip that holds both) and BigOven's saved recipe page (the
// recipe in a block of its own inside a comment).

#include "exchange/formats/readers.h"

namespace bd {

// Recipe Keeper: a div.recipe-details a recipe, its fields marked by
// itemprop; courses and categories as categories, source, rating,
// favourite, collections and nutrition to the notes.
std::optional<RecipeList> readRecipeKeeper(const FileLook& file, const ReadContext& context);

// CopyMeThat: a div.recipe a recipe, its fields named by id and class;
// tags as categories, the address, rating and star to the notes.
std::optional<RecipeList> readCopyMeThat(const FileLook& file, const ReadContext& context);

// Paprika's page of a recipe (or several): a div.recipe a recipe, marked
// by microdata and the classes of the program's template; the picture
// beside the page, the fields as its export keeps them.
std::optional<RecipeList> readPaprikaPage(const FileLook& file, const ReadContext& context);

// BigOven: the <RECIPE> block between <!--@BOBEGIN-- and @BOEND-->, the
// picture the page shows from images\ beside it.
std::optional<RecipeList> readBigOven(const FileLook& file, const ReadContext& context);

} // namespace bd
