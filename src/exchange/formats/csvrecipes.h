#pragma once
// Reading recipe tables: the CSV exports of Plan to Eat (33 columns, Title
// ... Updated At; alone or in a zip) and of MyRecipeBox (title ...
// originalPicture), told apart by their header row. Fields may run over
// several lines.

#include "exchange/otherprograms.h"

#include <QList>
#include <QStringList>

namespace bd {

// The records of a CSV text: fields apart by commas, in double quotes
// where they hold commas, quotes (doubled) or line breaks; records end at
// a line break (CR LF, LF or CR) outside quotes. A byte order mark was
// dropped when the text was decoded.
QList<QStringList> csvRecords(QStringView text);

std::optional<RecipeList> readPlanToEat(const FileLook& file, const ReadContext& context);
std::optional<RecipeList> readMyRecipeBox(const FileLook& file, const ReadContext& context);

} // namespace bd
