#pragma once
// Reading recipes out of other programs' XML files.

#include "exchange/formats/readers.h"

#include <pugixml.hpp>

#include <QString>

#include <functional>
#include <initializer_list>

namespace bd {

// All the text inside an element (CDATA too), its pieces joined by spaces.
QString xmlInnerText(pugi::xml_node n);
// The first child element of n named any of names (letter case ignored).
pugi::xml_node xmlChild(pugi::xml_node n, std::initializer_list<const char*> names);

// The recipes of an XML file (in any encoding
// xmlAsUtf8 reads, a bare & read as itself): recipe(element, categories)
// reads each element named element, the first category naming the recipe's.
// When the file is not well-formed, each recipe element is read on its
// own, and those that still cannot be read are listed by their lines.
// langOffset: the language of the notes it writes.
using XmlRecipeFn = std::function<Recipe(pugi::xml_node element, QStringList& categories, int langOffset)>;
RecipeList readXmlRecipes(const QByteArray& bytes, const char* element, const ReadContext& context,
                          const XmlRecipeFn& recipe);

} // namespace bd
