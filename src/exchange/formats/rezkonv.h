#pragma once
// Reading RezKonv text, the German variant of MealMaster: recipes between
// "========== REZKONV-Rezept ..." and "=====", headers "Titel:",
// "Kategorien:" and "Menge:", ingredients with a unit column nine wide
// (amount 7, unit 9, text from column 19), section headings between runs
// of "=" and a "QUELLE" section naming the source. The lines are read as
// the MealMaster reader reads its own, each turned into MealMaster's form
// first (one line for one, so that line numbers hold).

#include "exchange/formats/readers.h"

#include <optional>

namespace bd {

// Text in RezKonv's form as MealMaster text.
QString rezKonvAsMealMaster(QStringView text);

// The recipes of a file (its bytes), nullopt when it is none of this format.
std::optional<RecipeList> readRezKonv(const QByteArray& bytes, const ReadContext& context);

} // namespace bd
