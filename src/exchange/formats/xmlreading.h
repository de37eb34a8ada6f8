#pragma once
// Reading recipes out of other programs' XML files.

#include "exchange/formats/parallel.h"
#include "exchange/formats/readers.h"

#include <pugixml.hpp>

#include <QString>

#include <functional>
#include <utility>
#include <vector>
#include <initializer_list>

namespace bd {

// Whether two names (of elements, attributes, keys) are the same: short
// texts, compared here rather than by a call for each.
inline bool sameName(const char* a, const char* b)
{
    for (; *a && *a == *b; ++a, ++b) {
    }
    return *a == *b;
}

// All the text inside an element (CDATA too), its pieces joined by spaces.
QString xmlInnerText(pugi::xml_node n);
// The first child element of n named any of names (letter case ignored).
pugi::xml_node xmlChild(pugi::xml_node n, std::initializer_list<const char*> names);

// The outermost elements named element of XML text, where each starts and
// ends, gathered into pieces of some 64 KB to be parsed each on its own
// (elements with nothing but spaces between them). None where the text
// holds what a look through it cannot follow: the whole document is
// parsed then.
std::vector<std::pair<qsizetype, qsizetype>> xmlPieces(QByteArrayView data, QByteArrayView element);

// Reads the outermost elements named element of XML text in pieces (see
// xmlPieces) side by side: read(piece, items) makes the items of a piece's
// document, take(item) gets them in their order. False when the text cannot
// be looked through or a piece is no XML (what was taken before that is to
// be dropped): the whole document is parsed then. Each piece is parsed
// with pugixml's options.
// The same for pieces xmlPieces gave.
template <typename Item, typename Read, typename Take>
bool readXmlPieces(QByteArrayView data, const std::vector<std::pair<qsizetype, qsizetype>>& pieces, Read read,
                   Take take, unsigned options = pugi::parse_default)
{
    if (pieces.empty())
        return false;
    std::vector<std::vector<Item>> found(pieces.size());
    std::vector<char> broken(pieces.size(), false); // the pieces that are no XML
    bool whole = true;
    inParallelInOrder(
        qsizetype(pieces.size()),
        [&](qsizetype i) {
            const auto [from, to] = pieces[size_t(i)];
            pugi::xml_document piece;
            if (!piece.load_buffer(data.data() + from, size_t(to - from), options, pugi::encoding_utf8)) {
                broken[size_t(i)] = true;
                return;
            }
            read(piece, found[size_t(i)]);
        },
        [&](qsizetype i) {
            whole = whole && !broken[size_t(i)];
            if (whole)
                for (Item& item : found[size_t(i)])
                    take(item);
            std::vector<Item>().swap(found[size_t(i)]);
        });
    return whole;
}

template <typename Item, typename Read, typename Take>
bool readXmlPieces(QByteArrayView data, QByteArrayView element, Read read, Take take,
                   unsigned options = pugi::parse_default)
{
    return readXmlPieces<Item>(data, xmlPieces(data, element), read, take, options);
}

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
