#include "exchange/formats/readers.h"

#include "resources/strings.h"

namespace bd {

Recipe readyRecipe(Recipe recipe, const QString& category, const ReadContext& context, unsigned storable)
{
    // Characters a book cannot hold are dropped, as xmlText drops them.
    for (int i = 0; i < RChildCount; ++i) {
        if (!(storable & (1u << i)))
            recipe[i] = storableText(recipe[i]);
        // Texts built line by line have room to spare (see addAfter in
        // textlines.cpp): a list of many thousand recipes keeps only what
        // they hold.
        if (recipe[i].capacity() > recipe[i].size() + 64)
            recipe[i].squeeze();
    }
    recipe.title = allowedName(recipe.title);
    if (recipe.title.isEmpty())
        recipe.title = fetchText(Str::UntitledRecipe, context.langOffset);
    recipe.category = allowedName(category);
    if (recipe.category.isEmpty())
        recipe.category = context.uncategorised;
    return recipe;
}

void RecipeList::add(Recipe recipe, const QString& category, const ReadContext& context, unsigned storable)
{
    add(readyRecipe(std::move(recipe), category, context, storable));
}

RecipeList readSideBySide(qsizetype count,
                          const std::function<std::optional<Recipe>(qsizetype i, QString& category)>& make,
                          const ReadContext& context)
{
    std::vector<std::optional<Recipe>> made(size_t(qMax<qsizetype>(count, 0)));
    RecipeList read;
    inParallelInOrder(
        count,
        [&](qsizetype i) {
            QString category;
            if (std::optional<Recipe> r = make(i, category))
                made[size_t(i)] = readyRecipe(std::move(*r), category, context);
        },
        [&](qsizetype i) {
            if (made[size_t(i)])
                read.add(std::move(*made[size_t(i)]));
        });
    return read;
}

void RecipeList::append(RecipeList&& other)
{
    const int offset = count();
    if (recipes.empty())
        recipes = std::move(other.recipes);
    else
        recipes.insert(recipes.end(), std::make_move_iterator(other.recipes.begin()),
                       std::make_move_iterator(other.recipes.end()));
    for (auto it = other.fieldCounts.cbegin(); it != other.fieldCounts.cend(); ++it)
        fieldCounts.insert(offset + it.key(), it.value());
    for (auto it = other.pictureBytes.cbegin(); it != other.pictureBytes.cend(); ++it)
        pictureBytes.insert(offset + it.key(), it.value());
    skipped += other.skipped;
    picturesNamed = picturesNamed || other.picturesNamed;
    other.clear();
}

} // namespace bd
