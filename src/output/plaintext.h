#pragma once
// The shown recipe as plain text with CR LF line breaks, as the plain-text
// window displays, copies and saves it.

#include <QByteArray>
#include <QString>

#include "store/bookfile.h"
#include "store/recipe.h"

namespace bd {

// Title, the three times and yield, then ingredients, preparation and notes
// under their headings. Every section is written, also when it is empty;
// the fields keep their own line breaks, written as CR LF.
QString plainTextRecipe(const Recipe& recipe);

// The bytes of a saved text file: the text in UTF-8 and one more CR LF.
QByteArray plainTextFileBytes(const QString& text);

// Writes those bytes to path in one step: on failure nothing is left under
// path (an existing file there keeps its old content).
SaveResult savePlainText(const QString& path, const QString& text);

// Asks through the dialog seam where to save text (proposing the file name
// name) and saves it there; a file that cannot be written is said.
void saveTextAs(const QString& name, const QString& text);

} // namespace bd
