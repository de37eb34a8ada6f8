#pragma once
// Reading recipe tables: the CSV exports of Plan to Eat (33 columns, Title
// ... Updated At; alone or in a zip) and of MyRecipeBox (title ...
// originalPicture), told apart by their header row. Fields may run over
// several lines.

#include "exchange/formats/archive.h"
#include "exchange/formats/readers.h"

#include <optional>

#include <QList>
#include <QStringList>

namespace bd {

// The records of a CSV text: fields apart by commas, in double quotes
// where they hold commas, quotes (doubled) or line breaks; records end at
// a line break (CR LF, LF or CR) outside quotes. A byte order mark was
// dropped when the text was decoded.
QList<QStringList> csvRecords(QStringView text);

// The recipes of a file (its bytes, and the file opened as a zip where it
// is one), nullopt when it is no such table.
std::optional<RecipeList> readPlanToEat(const QByteArray& bytes, Archive* archive, const ReadContext& context);
std::optional<RecipeList> readMyRecipeBox(const QByteArray& bytes, Archive* archive, const ReadContext& context);

} // namespace bd
