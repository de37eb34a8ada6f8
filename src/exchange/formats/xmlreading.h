#pragma once
// Reading recipes out of other programs' XML files.

#include "exchange/formats/parallel.h"
#include "exchange/formats/readers.h"

#include <pugixml.hpp>

#include <QString>
#include <QVarLengthArray>

#include <functional>
#include <memory>
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

// The same where b is a name written in the code: its letters are
// compared one by one with what the compiler knows them to be.
template <size_t N>
inline bool isName(const char* a, const char (&b)[N])
{
    for (size_t i = 0; i + 1 < N; ++i)
        if (a[i] != b[i])
            return false;
    return a[N - 1] == '\0';
}

// An element's attributes, read once: a reader that asks for many of them
// by name finds them here, their names compared in place, where asking the
// element for each compares every name before it by a call.
class XmlAttributes {
public:
    explicit XmlAttributes(pugi::xml_node n)
    {
        for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute())
            list_.append({a.name(), a.value()});
    }
    // The value of the attribute named name, "" where there is none.
    const char* value(const char* name) const
    {
        for (const auto& [n, v] : list_)
            if (sameName(n, name))
                return v;
        return "";
    }

private:
    QVarLengthArray<std::pair<const char*, const char*>, 24> list_;
};

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
// The same pieces one after another: found(from, to) gets each as soon as
// it is whole, and returns false to stop the look. False where xmlPieces
// gives none, or found stopped the look.
bool findXmlPieces(QByteArrayView data, QByteArrayView element, const std::function<bool(qsizetype, qsizetype)>& found);

// Reads pieces of XML text side by side while find(place) goes on finding
// them: find calls place(from, to) for each piece in order (place returns
// false once capacity pieces are placed) and returns how many it found, or
// -1 when they are not to be read. read(piece, items) makes the items of a
// piece's document, parsed with pugixml's options; take(item) gets them in
// their order. False when no piece was read, or a piece is no XML (what
// was taken before that is to be dropped).
template <typename Item, typename Read, typename Take, typename Find>
bool readPiecesAsFound(QByteArrayView data, qsizetype capacity, Find find, Read read, Take take, unsigned options)
{
    const std::unique_ptr<std::pair<qsizetype, qsizetype>[]> pieces(
        new std::pair<qsizetype, qsizetype>[size_t(qMax<qsizetype>(capacity, 1))]);
    std::vector<std::vector<Item>> found(static_cast<size_t>(capacity));
    std::vector<char> broken(static_cast<size_t>(capacity), false); // the pieces that are no XML
    bool whole = true;
    const qsizetype count = whileFound(
        capacity,
        [&](const std::function<void()>& publish) {
            qsizetype placed = 0;
            return find([&](qsizetype from, qsizetype to) {
                if (placed == capacity)
                    return false;
                pieces[size_t(placed++)] = {from, to};
                publish();
                return true;
            });
        },
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
    return count > 0 && whole;
}

// Reads the pieces xmlPieces gave side by side, as readPiecesAsFound does.
template <typename Item, typename Read, typename Take>
bool readXmlPieces(QByteArrayView data, const std::vector<std::pair<qsizetype, qsizetype>>& pieces, Read read,
                   Take take, unsigned options = pugi::parse_default)
{
    return readPiecesAsFound<Item>(
        data, qsizetype(pieces.size()),
        [&pieces](const auto& place) {
            for (const auto& [from, to] : pieces)
                place(from, to);
            return pieces.empty() ? qsizetype(-1) : qsizetype(pieces.size());
        },
        read, take, options);
}

// Reads the outermost elements named element of XML text in their pieces
// (xmlPieces) side by side, as readPiecesAsFound does; the first are
// parsed while the rest of the text is still being looked through. False
// when the text cannot be looked through or a piece is no XML: the whole
// document is parsed then.
template <typename Item, typename Read, typename Take>
bool readXmlPieces(QByteArrayView data, QByteArrayView element, Read read, Take take,
                   unsigned options = pugi::parse_default)
{
    // Room for the pieces of a file whose elements stand together, and
    // many more; a file of more pieces is looked through first.
    const qsizetype capacity = data.size() / 16384 + 256;
    bool tooMany = false;
    const bool all = readPiecesAsFound<Item>(
        data, capacity,
        [&](const auto& place) {
            qsizetype count = 0;
            const bool found = findXmlPieces(data, element, [&](qsizetype from, qsizetype to) {
                tooMany = !place(from, to);
                count += tooMany ? 0 : 1;
                return !tooMany;
            });
            return found ? count : qsizetype(-1);
        },
        read, take, options);
    return tooMany ? readXmlPieces<Item>(data, xmlPieces(data, element), read, take, options) : all;
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
