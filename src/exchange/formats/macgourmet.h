#pragma once
// MacGourmet's .mgourmet export: an XML property list, an array of one
// dictionary a recipe, the picture as data in it.

#include "exchange/formats/readers.h"

#include <QVariant>

namespace pugi {
class xml_node;
}

namespace bd {

// A property list's value as a QVariant: a dict as a QVariantMap, an array
// as a QVariantList, a string or date as a QString, an integer as a
// qlonglong, a real as a double, true and false as a bool, data as the
// QByteArray it decodes to. Nesting deeper than a recipe's is left out.
QVariant plistValue(const pugi::xml_node& value, int depth = 0);

// The recipes of a .mgourmet file; nullopt when the file is none. Course
// and categories are the recipe's categories; ingredients keep their
// dividers as headings; the directions keep their labels; summary and
// notes go to the notes with keywords, source, address, nutrition and the
// times the book has no place for.
std::optional<RecipeList> readMacGourmet(const FileLook& file, const ReadContext& context);

} // namespace bd
