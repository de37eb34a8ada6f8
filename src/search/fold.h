#pragma once
// The search compares texts folded: letter case and diacritics set aside
// ("Azúcar", "AZUCAR" and "azucar" all fold to "azucar", "Muñeca" to
// "muneca"), and white space of any kind one space. A character folds to
// the lower case of its base letters: its canonical decomposition without
// the combining marks.

#include <QString>
#include <QVector>

namespace bd {

// One character folded: none (a combining mark) or a few code points.
struct FoldedChar {
    char32_t cp[4] = {};
    int size = 0;
};

FoldedChar foldChar(char32_t cp);

// The text folded character by character, every run of white space made
// one space. origins, when given, receives for each UTF-16 unit of the
// result the index in text of the character it came from.
QString foldText(const QString& text, QVector<int>* origins = nullptr);

} // namespace bd
