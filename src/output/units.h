#pragma once
// The unit tables: what each unit measures and how much, the densities of
// common ingredients, oven temperatures, and amounts rounded and written
// as a cook would ("1 1/2 cups", "125 g", "1,5 kg").

#include <QString>
#include <QStringView>

#include "output/cooking.h"
#include "store/amounts.h"

namespace bd {

enum class Dimension { Other, Volume, Weight };

// What a unit measures, its size in millilitres or grams (0 for the
// others), and the system it belongs to (AsWritten: neither).
struct UnitSize {
    Dimension dimension = Dimension::Other;
    double base = 0;
    UnitSystem system = UnitSystem::AsWritten;
};
UnitSize unitSize(UnitId unit);

// Whether a folded text (search/fold.h) holds name as whole words, the
// last also in the plural ("onion" in "2 red onions").
bool holdsName(const QString& folded, QStringView name);

// Grams in a US cup of the ingredient a line names ("all-purpose flour",
// "azúcar moreno"), 0 when the table does not know it.
double gramsPerCup(QStringView ingredient);

// Oven temperatures: °C to the nearest 5; °F to the nearest 25 from 300 °F
// up (oven dials), to the nearest 5 below.
int celsiusFrom(double fahrenheit);
int fahrenheitFrom(double celsius);

// The unit a cook measures an amount of base millilitres or grams in, in
// system: a spoon below a quarter cup, grams below a kilogram, ounces below
// a pound.
UnitId cookUnit(Dimension dimension, UnitSystem system, double base);

// value in unit rounded as a cook would: fractions down to 1/8 for cups
// and other units, halves of a tablespoon, teaspoons down to 1/8, quarters
// of a pound, halves of an ounce, halves for things counted (unit None), whole
// grams and millilitres below 100, then to 5 and to 10, kilograms and
// litres to one decimal.
double cookRounded(double value, UnitId unit);

// A rounded value written: "1 1/2", "2/3", "12" for fraction units; "125",
// "1.5" (Spanish "1,5") for metric ones.
QString amountText(double value, UnitId unit, int langOffset);

// The unit word the program writes for a unit ("cups", "tazas", "g"),
// empty for one the string table has no word for.
QString unitText(UnitId unit, bool plural, int langOffset);

} // namespace bd
