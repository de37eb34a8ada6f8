#pragma once
// Cooking with a recipe: its yield and amounts read as cooks write them,
// the recipe shown for other servings or in other units, the shopping list
// of several recipes, and the steps and timers of the cook mode. Nothing
// here changes a stored recipe: each function gives a new value.

#include <QString>

#include <vector>

#include "store/recipe.h"

namespace bd {

// The units a recipe is shown in: as the cook wrote them, or converted.
enum class UnitSystem { AsWritten = 0, Metric, US };

// How a recipe is shown: for servings (or yield count) other than its own
// (0 keeps its own), and in which units.
struct CookView {
    double servings = 0;
    UnitSystem units = UnitSystem::AsWritten;
    bool operator==(const CookView& o) const { return servings == o.servings && units == o.units; }
    bool operator!=(const CookView& o) const { return !(*this == o); }
};

// What a yield says: "4", "4 servings", "Serves 4-6", "2 loaves",
// "24 cookies", "2 hogazas". count is 0 when the yield holds no number.
struct YieldCount {
    double count = 0;
    QString what;         // what is counted ("loaves"), empty for servings
    bool servings = true; // counts people or servings, not things
};
YieldCount readYield(const QString& yield);

// The recipe as view shows it: ingredient amounts scaled (rounded as a cook
// would) and converted, temperatures in the preparation converted, the
// yield set to the new count with the original beside it. With the
// default view, the recipe unchanged. langOffset: 0 English, 300 Spanish,
// for the unit words written.
Recipe viewedRecipe(const Recipe& recipe, const CookView& view, int langOffset);

// One recipe chosen for the shopping list, for servings (0: its own).
struct ShoppingChoice {
    Recipe recipe;
    double servings = 0;
};

// One line of the list: like ingredients added up where their units allow,
// the rest as written; group names the part of the shop it belongs in.
struct ShoppingItem {
    QString text;
    QString group;
};

std::vector<ShoppingItem> shoppingList(const std::vector<ShoppingChoice>& choices, UnitSystem units, int langOffset);

// The list as plain text, by group, with CR LF line breaks, for copying,
// saving, printing and e-mail; items ticked as at home are left out.
QString shoppingListText(const std::vector<ShoppingItem>& items, const std::vector<bool>& atHome, int langOffset);

// The steps of a preparation, one at a time in the cook mode.
std::vector<QString> preparationSteps(const QString& prep);

// A time a step names ("bake 25 minutes", "1 1/2 hours", "hornear 10
// minutos"): where it stands in the step and how long it is.
struct StepTimer {
    int start = 0, length = 0; // in the step's text
    int seconds = 0;
};
std::vector<StepTimer> timersInStep(const QString& step);

} // namespace bd
