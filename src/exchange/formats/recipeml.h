#pragma once
// Reading RecipeML files into an in-memory recipe book: <recipeml> holding
// <recipe> elements, each with a <head> (title, categories, yield, times),
// <ingredients> (<ing> with amount, unit and item, grouped in titled
// <ing-div> sections), <directions> (text or <step>s) and notes.

#include "exchange/formats/readers.h"

namespace bd {

// Replaces book's contents with the recipes of RecipeML bytes, each under
// its first category (uncategorised when it has none). Section titles
// stay as headings among the ingredients. Recipes of a file cut short are
// read up to the cut; the one it cuts is listed.
RecipeRead readRecipeML(const QByteArray& bytes, RecipeBook& book, const QString& uncategorised);
RecipeRead readRecipeML(const QByteArray& bytes, BookFiller& filler);

} // namespace bd
