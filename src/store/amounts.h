#pragma once
// The amount an ingredient line starts with, read as cooks write it in
// English and Spanish: "2", "1.5", "1,5", "1 1/2", "1-1/2", "½", "1½",
// ranges "2-3", "2 to 3", "2 a 3", then a unit word ("cups", "T", "tsp",
// "oz", "g", "tazas", "cda", "pizca", ...), glued or not ("500g").
// MealMaster's columns ("  1 1/2 c  Flour") read the same way.

#include <QString>
#include <QStringView>

namespace bd {

// The units the program knows. Volumes and weights convert; the others
// (a pinch, a can, a clove) only scale.
enum class UnitId {
    None = 0,
    Cup,
    Tbsp,
    Tsp,
    FlOz,
    Pint,
    Quart,
    Gallon,
    Ml,
    Cl,
    Dl,
    L,
    Oz,
    Lb,
    G,
    Kg,
    Pinch,
    Dash,
    Can,
    Clove,
    Slice,
    Package,
    Stick,
    Bunch,
    Piece,
};

// A number or a range of two read from a text: where it stands and its
// values (high == low when it is no range).
struct Quantity {
    qsizetype start = 0, end = 0;
    double low = 0, high = 0;
    QString between; // the range's separator as written ("-", " to "), empty for one number
    bool range() const { return !between.isEmpty(); }
};

// Reads one number at s[pos] ("2", "1.5", "1,5", "3/4", "1 1/2", "1-1/2",
// "½", "1½"), moving pos past it. False (pos unchanged) when none starts there.
bool readNumber(QStringView s, qsizetype& pos, double& value);

// Reads a number or a range at s[pos]: "2-3", "2 – 3", "2 to 3", "2 a 3",
// "2 or 3", "2 o 3" (the second number greater). False when no number starts there.
bool readQuantity(QStringView s, qsizetype pos, Quantity& q);

// An ingredient line's amount and unit. found is false for a line that does
// not start with a number ("salt to taste"); a leading bullet ("- ", "* ",
// "• ") is passed over. A half after the unit ("1 taza y media", "1 cup and
// a half") is part of the amount.
struct LineAmount {
    bool found = false;
    Quantity amount;
    UnitId unit = UnitId::None;
    qsizetype unitStart = 0, unitEnd = 0; // the unit word(s) as written, with a dot after them
    qsizetype end = 0;       // where the amount and unit end: after "y media", "and a half" when they follow
    qsizetype textStart = 0; // where the rest of the line starts (spaces passed over)
};
LineAmount readLineAmount(QStringView line);

// The unit a word names ("cups", "Tbsp.", "T", "tazas", "cda"): letter case
// counts only for the one-letter words "t" (teaspoon) and "T" (tablespoon).
UnitId unitOfWord(QStringView word);

// The unit word written in the singular or plural, as the cook wrote it
// ("cup" -> "cups", "taza" -> "tazas", "Tbsp" stays), keeping its capitals
// and a dot after it. A word the table does not know comes back as it is.
QString inflectedUnitWord(QStringView written, bool plural);

// A counted thing's name after the amount ("egg", "huevos", "cebolla")
// in the singular or plural; empty when the word is not one the table
// knows as counted.
QString inflectedCountWord(QStringView written, bool plural);

// Whether a word ("large", "grandes") only says the size of what is
// counted, so that the name after it is the counted thing.
bool sizeWord(QStringView word);

} // namespace bd
