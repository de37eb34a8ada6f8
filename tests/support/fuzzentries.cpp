#include "fuzzentries.h"

#include "app/globals.h"
#include "browse/browsing.h"
#include "output/plaintext.h"
#include "search/search.h"
#include "store/store.h"

#include <QStringDecoder>

#include <cstdio>
#include <cstdlib>

namespace bdtest {

using namespace bd;

namespace {

[[noreturn]] void broken(const char* promise)
{
    std::fprintf(stderr, "broken promise: %s\n", promise);
    std::abort();
}

// The search's meaning, spelled out plainly: the lower-cased keyword inside
// the lower-cased title, ingredients, preparation or notes.
int plainSearchCount(const RecipeBook& book, const QString& keyword)
{
    const QString key = keyword.toLower();
    int found = 0;
    for (pugi::xml_node c = book.root().first_child(); c; c = c.next_sibling()) {
        if (std::strcmp(c.name(), "category") != 0)
            continue;
        for (pugi::xml_node r = c.child("recipe"); r; r = r.next_sibling("recipe")) {
            for (int field : {RTitle, RIng, RPrep, ROther}) {
                if (RecipeBook::childText(r, field).toLower().contains(key)) {
                    ++found;
                    break;
                }
            }
        }
    }
    return found;
}

bool validUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError() && !text.contains(QChar(0xFFFD));
}

} // namespace

void readBook(const QByteArray& bytes)
{
    G.appPath = QStringLiteral("/nonexistent/book");
    if (!G.xmlDoc.loadBuffer(bytes))
        return;

    for (const auto& category : categoryListEntries()) {
        for (const QString& title : recipeListEntries(category.second)) {
            const RecipeFields f = RecipeBook::fields(G.xmlDoc.findRecipe(category.second, title));
            const QString picture = storedPicturePath(f.image);
            if (!picture.isEmpty() && !picture.startsWith(imagesFolder() + QLatin1Char('/')))
                broken("a picture path stays in the images folder");
            G.xmlDoc.titleExists(title);
            plainTextRecipe({f.title, f.preptime, f.cooktime, f.yield, fixLineBreaks(f.ing), fixLineBreaks(f.prep),
                             fixLineBreaks(f.other)});
        }
    }

    const QString keyword = QString::fromUtf8(bytes.left(6));
    const SearchHits hits = searchRecs(G.xmlDoc, keyword);
    if (hits.titles.size() != hits.categories.size())
        broken("each hit has its category");
    if (validUtf8(bytes) && !keyword.contains(QChar(0xFFFD)) && !keyword.contains(QChar(0)) &&
        hits.titles.size() != plainSearchCount(G.xmlDoc, keyword))
        broken("the search finds what lower-casing both sides finds");

    // What the program writes it reads back, with the same categories.
    const QByteArray saved = G.xmlDoc.serialize();
    RecipeBook again;
    if (!again.loadBuffer(saved))
        broken("a saved book opens again");
    if (again.categoryCount() != G.xmlDoc.categoryCount() || again.recipeCount() != G.xmlDoc.recipeCount())
        broken("a saved book keeps its categories and recipes");
}

} // namespace bdtest
