#pragma once
// Reading Cooklang recipes (.cook files) into a list of recipes.
//
// Each paragraph is a step. Ingredients are marked "@salt", "@olive
// oil{2%tbsp}" or "@eggs{3}(beaten)", cookware "#pan" or "#baking dish{}",
// timers "~{25%minutes}". Metadata comes from YAML front matter between
// "---" lines or from ">> key: value" lines; "-- " starts a comment,
// "[- -]" encloses one, "= Name" starts a section, "> " a note.

#include "exchange/formats/readers.h"

namespace bd {

// The one recipe of text: the title from the
// metadata or else fileTitle; the ingredients built from the marks in
// order; the steps with the marks written as plain words; servings, times,
// the category (its "category" or "course", else its first tag) and the
// rest of the metadata (tags, source, author, description) into the notes.
RecipeList readCooklang(QStringView text, const QString& fileTitle, const ReadContext& context);

} // namespace bd
