#pragma once
// Readers of the exports of recipe programs that keep each recipe as JSON:
// alone, gzip-compressed, or in a zip with its pictures. Each tells its own
// files by their fields or by the names in the archive and gives nullopt
// for any other file.

#include "exchange/formats/archive.h"
#include "exchange/formats/readers.h"

#include <optional>

namespace bd {

// A .paprikarecipes zip of gzip-compressed JSON recipes, one of them alone
// (.paprikarecipe), or one as plain JSON; the picture from photo_data.
std::optional<RecipeList> readPaprika(const FileLook& file, const ReadContext& context);

// A zip of recipe folders, each a schema.org recipe.json with full.jpg as
// its picture; or one recipe.json picked from such a folder.
std::optional<RecipeList> readNextcloud(const FileLook& file, const ReadContext& context);

// An export zip with recipes/<slug>/<slug>.json and the pictures in
// recipes/<slug>/images.
std::optional<RecipeList> readMealie(const FileLook& file, const ReadContext& context);

// A zip of one zip per recipe, each of a recipe.json with steps and an
// image; or one of those inner zips alone.
std::optional<RecipeList> readTandoor(const FileLook& file, const ReadContext& context);

// A .melarecipe JSON file, or a .melarecipes zip of them.
std::optional<RecipeList> readMela(const FileLook& file, const ReadContext& context);

// A .crumb JSON file.
std::optional<RecipeList> readCrouton(const FileLook& file, const ReadContext& context);

} // namespace bd
