#pragma once
// Writing recipes as a MealMaster text file, the plain-text format that
// most recipe programs read, and that this program's own import reads back.
//
// Each recipe runs from "MMMMM----- Recipe via Meal-Master (tm) v8.05" to
// "MMMMM": the header (Title, Categories, Yield, and Prep Time and Cook Time
// when the recipe has them), the ingredients one a line in the format's
// columns, the directions wrapped at 76 columns (narrower where a run of
// spaces would otherwise end a line), then the notes.

#include "store/recipe.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

namespace bd {

enum class TextEncoding { Utf8, Windows1252 };

// Where the directions and long ingredient texts are wrapped.
constexpr int kMealMasterWidth = 76;

// True for the format's units ("c", "tb", "lb", "g", ...), letter case
// mattering ("t" teaspoon, "T" tablespoon).
bool isMealMasterUnit(QStringView unit);

// One ingredient line in the format's columns: an amount (at most seven
// characters of digits, fractions and separators) right-aligned in seven
// columns, a space, a unit of the format's in two columns, a space and the
// text. A unit stands in its column without an amount too ("pn Salt"); a
// line that starts with neither, or with a step's number ("1."), is all
// text; a long text goes on in "-" continuation lines, never laid out so
// that a reader would find a second column in it. A blank line gives one
// empty line.
QStringList mealMasterIngredient(const QString& line);

// The lines of one recipe (category: recipe.category), from the begin line
// to the end line, each ending in CR LF.
QString mealMasterRecipe(const Recipe& recipe);

// The whole text of recipes, in order.
QString mealMasterText(const QVector<Recipe>& recipes);

// A MealMaster file built recipe by recipe, each encoded as it is added.
class MealMasterFile {
public:
    explicit MealMasterFile(TextEncoding encoding);
    ~MealMasterFile();
    MealMasterFile(const MealMasterFile&) = delete;
    MealMasterFile& operator=(const MealMasterFile&) = delete;
    void add(const Recipe& recipe);
    const QByteArray& bytes() const { return bytes_; }
    // How many characters the encoding lacks were written as "?".
    int replaced() const;
    struct Encoder;

private:
    std::unique_ptr<Encoder> encoder_;
    QByteArray bytes_;
};

// text in the chosen encoding; a character Windows-1252 lacks becomes "?".
QByteArray encodeRecipeText(const QString& text, TextEncoding encoding);

} // namespace bd
