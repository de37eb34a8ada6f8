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
// "24 cookies", "2 hogazas", "Makes 12". count is 0 when the yield holds no
// number; of a range it is the lower end ("Serves 4-6" feeds at least 4,
// so 8 servings double the recipe). A yield without a word after its
// number, or with one that counts people ("servings", "porciones",
// "personas"), counts servings.
struct YieldCount {
    double count = 0;
    QString what;         // what is counted ("loaves"), empty for servings
    bool servings = true; // counts people or servings, not things
};
YieldCount readYield(const QString& yield);

// The recipe as view shows it: ingredient amounts scaled (rounded as a cook
// would) and converted, temperatures in the ingredients and the
// preparation converted, the yield set to the new count with the original
// beside it ("4 loaves (recipe: 2 loaves)"). With the default view, the
// recipe unchanged. A yield without a count has nothing to scale from:
// servings then change nothing (readYield(yield).count == 0 tells a
// window so). Lines without an amount, and headings, stay as they are.
// langOffset: 0 English, 300 Spanish, for the words the program writes
// (a unit it chose, the yield's "recipe:", a decimal comma in Spanish); a
// unit the cook wrote keeps the cook's word, in the singular or plural.
Recipe viewedRecipe(const Recipe& recipe, const CookView& view, int langOffset);

// One recipe chosen for the shopping list, for servings (0: its own).
struct ShoppingChoice {
    Recipe recipe;
    double servings = 0;
};

// One line of the list: like ingredients added up where their units allow,
// the rest as written; group names the part of the shop it belongs in.
// Like ingredients have the same name, letter case, accents, a plural
// ending, a size word ("large") and what is done to them (", chopped")
// aside, and measures of one kind (volume, weight, the same other unit,
// or a count). Of a range the upper end is bought. Headings are left out;
// the items come by group: fruit and vegetables, dairy and eggs, meat
// and fish, baking, spices, other; within a group in recipe order.
struct ShoppingItem {
    QString text;
    QString group;
};

std::vector<ShoppingItem> shoppingList(const std::vector<ShoppingChoice>& choices, UnitSystem units, int langOffset);

// The list as plain text, by group, with CR LF line breaks, for copying,
// saving, printing and e-mail: a heading ("Shopping list"), then each
// group's name after a blank line and its items as "- item"; items ticked
// as at home are left out, and a group with none left.
QString shoppingListText(const std::vector<ShoppingItem>& items, const std::vector<bool>& atHome, int langOffset);

// The steps of a preparation, one at a time in the cook mode: numbered
// lines ("1.", "2)", "Step 3:", "Paso 4.") start steps, without their
// numbers; else paragraphs between blank lines; else one paragraph's lines
// when each ends a sentence; else a long paragraph's sentences. Lines
// wrapped within a step are joined with spaces. None for an empty text.
std::vector<QString> preparationSteps(const QString& prep);

// A time a step names ("bake 25 minutes", "1 1/2 hours", "1 hour 15
// minutes", "hornear 10 minutos", "30 segundos"): where it stands in the
// step and how long it is. Of a range ("10-15 min") the lower end: the
// timer rings when it is time to look.
struct StepTimer {
    int start = 0, length = 0; // in the step's text
    int seconds = 0;
};
std::vector<StepTimer> timersInStep(const QString& step);

} // namespace bd
