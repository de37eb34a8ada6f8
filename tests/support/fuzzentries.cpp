#include "fuzzentries.h"

#include "app/base/globals.h"
#include "browse/browsing.h"
#include "exchange/exchange.h"
#include "exchange/otherprograms.h"
#include "exchange/formats/cooklang.h"
#include "exchange/formats/archive.h"
#include "exchange/formats/mastercook.h"
#include "exchange/formats/mealmaster.h"
#include "exchange/formats/recipeml.h"
#include "exchange/formats/schemaorg.h"
#include "output/emailtext.h"
#include "output/plaintext.h"
#include "output/printpage.h"
#include "search/fold.h"
#include "search/query.h"
#include "search/search.h"
#include "store/store.h"

#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>

#include <cstdio>
#include <cstdlib>

namespace bdtest {

using namespace bd;

namespace {

const ReadContext kContext{QStringLiteral("Imported"), 0};

bool sameRecipes(const std::vector<Recipe>& a, const std::vector<Recipe>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        for (int f = 0; f < RChildCount; ++f)
            if (a[i][f] != b[i][f] || a[i].category != b[i].category)
                return false;
    return true;
}

[[noreturn]] void broken(const char* promise)
{
    std::fprintf(stderr, "broken promise: %s\n", promise);
    std::abort();
}

// The search's meaning, spelled out plainly with folded QStrings: every
// wanted group has a term inside one of its fields, no excluded term is in
// one; a query of nothing finds every recipe with some text.
int plainSearchCount(const RecipeBook& book, const QString& text)
{
    const SearchQuery query = parseQuery(text);
    const auto holds = [](const SearchTerm& term, const QString(&fields)[5]) {
        const QString key = foldText(term.text).trimmed();
        for (int f = 0; f < 5; ++f)
            if ((term.fields >> f) & 1u && foldText(fields[f]).contains(key))
                return true;
        return false;
    };
    int found = 0;
    for (pugi::xml_node c = book.root().first_child(); c; c = c.next_sibling()) {
        if (std::strcmp(c.name(), "category") != 0)
            continue;
        for (pugi::xml_node r = c.child("recipe"); r; r = r.next_sibling("recipe")) {
            const QString fields[5] = {RecipeBook::childText(r, RTitle), RecipeBook::childText(r, RIng),
                                       RecipeBook::childText(r, RPrep), RecipeBook::childText(r, ROther),
                                       RecipeBook::categoryOf(r)};
            bool wanted = true;
            for (const QVector<SearchTerm>& group : query.required)
                wanted = wanted &&
                         std::any_of(group.begin(), group.end(), [&](const SearchTerm& t) { return holds(t, fields); });
            for (const SearchTerm& t : query.excluded)
                wanted = wanted && !holds(t, fields);
            if (query.isEmpty())
                wanted = !(fields[0] + fields[1] + fields[2] + fields[3]).isEmpty();
            found += wanted ? 1 : 0;
        }
    }
    return found;
}

bool validUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError() && !text.contains(QChar(0xFFFD));
}

// Imports every entry of source into a small open book, each clash
// skipped and no file read or written, and checks the book's promises.
void importAll(const RecipeList& source, const QStringList& entries)
{
    RecipeBook book;
    if (!book.loadBuffer("<recipebook><category cname=\"Desserts\"><recipe><title>Flan</title><preptime/>"
                         "<cooktime/><yield/><ing/><prep/><other/><date/><image/></recipe></category>"
                         "</recipebook>"))
        broken("the starting book opens");
    ImportJob job;
    for (int i = 0; i < entries.size(); ++i)
        job.selected.insert(i);
    job.pictures = true;
    job.pictureFolder = QStringLiteral("/nonexistent/exp_img");
    job.imagesFolder = QStringLiteral("/nonexistent/images");
    job.date = QStringLiteral("1/1/2026");
    importRecipes(book, source, job, [](const QString&) { return std::optional<QString>(); });

    QSet<QString> titles;
    for (const CategoryEntry& c : book.categories()) {
        for (pugi::xml_node r = book.category(c.position).child("recipe"); r; r = r.next_sibling("recipe")) {
            const Recipe f = RecipeBook::fields(r);
            if (f.title.isEmpty() || !nameAllowed(f.title))
                broken("imported titles are allowed names");
            if (titles.contains(f.title.toLower()))
                broken("titles stay unique regardless of letter case");
            titles.insert(f.title.toLower());
            if (!f.image.isEmpty() && !safePictureName(f.image))
                broken("imported picture names are bare file names");
        }
    }
    RecipeBook again;
    if (!again.loadBuffer(book.serialize()) || again.recipeCount() != book.recipeCount())
        broken("the book after an import saves and reads back");
}

// A reader's recipes hold only names the program allows; then they are imported.
void importReadRecipes(const RecipeList& source, const QStringList& entries)
{
    for (const QString& title : entries)
        if (title.isEmpty() || !nameAllowed(title) || title != title.simplified())
            broken("titles read are allowed names");
    for (const Recipe& r : source.recipes)
        if (r.category.isEmpty() || !nameAllowed(r.category))
            broken("categories read are allowed names");
    importAll(source, entries);
}

// The promises of every reader: each recipe read is an entry of the check
// list with an allowed title and category; the recipes left out are
// listed by lines of the text, in order; what was read imports.
void checkRead(const RecipeList& source, qsizetype lines)
{
    const RecipeList& read = source;
    const QStringList entries = importList(source);
    if (read.count() != entries.size())
        broken("every recipe read is an entry of the check list");
    for (int i = 0; i < read.skipped.size(); ++i)
        if (read.skipped[i] < 1 || read.skipped[i] > lines || (i > 0 && read.skipped[i] < read.skipped[i - 1]))
            broken("recipes left out are listed by lines of the text, in order");
    importReadRecipes(source, entries);
}

qsizetype lineCount(const QString& text) { return text.count(QLatin1Char('\n')) + text.count(QLatin1Char('\r')) + 1; }

} // namespace

void importMasterCook(const QByteArray& bytes)
{
    const QString text = decodeAnyText(bytes);
    const RecipeList read = readMasterCookText(text, kContext);
    // Read from the bytes, a recipe decoded at a time: the same as from the text.
    if (const std::optional<NarrowText> narrow = narrowText(bytes)) {
        const std::optional<RecipeList> got = readMasterCookText(narrow->bytes, narrow->utf8, kContext);
        if (got ? got->skipped != read.skipped || !sameRecipes(got->recipes, read.recipes)
                : read.count() > 0 || !read.skipped.isEmpty())
            broken("a MasterCook export reads the same from its bytes as from its text");
    }
    checkRead(read, lineCount(text));
    checkRead(readMasterCookXml(bytes, kContext), bytes.count('\n') + 1);
}

void importRecipeML(const QByteArray& bytes) { checkRead(readRecipeML(bytes, kContext), bytes.count('\n') + 1); }

void importSchemaOrg(const QByteArray& bytes)
{
    const QString text = decodeAnyText(bytes);
    checkRead(readSchemaOrg(text, kContext, QStringLiteral("https://example.test/")),
              text.count(QLatin1Char('\n')) + 1);
}

void importCooklang(const QByteArray& bytes)
{
    const QString text = decodeAnyText(bytes);
    checkRead(readCooklang(text, QStringLiteral("Fuzz"), kContext), lineCount(text));
}

void importOtherPrograms(const QByteArray& bytes)
{
    struct Offer {
        const char* name;
        const char* root; // as the file check names the first element of XML
    };
    for (const Offer& offer : {Offer{"fuzz.paprikarecipes", ""}, Offer{"recipe.json", ""}, Offer{"fuzz.crumb", ""},
                               Offer{"fuzz.fdx", "fdx"}, Offer{"Data.xml", "hixz"}, Offer{"fuzz.mgourmet", "plist"},
                               Offer{"recipes.html", "html"}, Offer{"fuzz.txt", ""}, Offer{"fuzz.csv", ""}}) {
        Archive archive(bytes, ArchiveLimits{2000, 4 << 20, 16 << 20});
        const QString path = QString::fromLatin1(offer.name);
        const FileLook look{bytes, QString::fromLatin1(offer.root), QFileInfo(path).suffix(), path,
                            archive.isOpen() ? &archive : nullptr};
        if (const std::optional<OtherRead> got = readOtherProgram(look, kContext))
            // Recipes left out are counted by line, or by an archive's entry.
            checkRead(got->read, qMax<qsizetype>(bytes.count('\n') + 1, archive.names().size()));
    }
}

void readBook(const QByteArray& bytes)
{
    G.appPath = QStringLiteral("/nonexistent/book");
    if (!G.xmlDoc.loadBuffer(bytes))
        return;

    for (const auto& category : categoryListEntries(G.xmlDoc)) {
        for (const QString& title : recipeListEntries(category.second)) {
            const Recipe f = RecipeBook::fields(G.xmlDoc.findRecipe(category.second, title));
            const QString picture = storedPicturePath(f.image);
            if (!picture.isEmpty() && !picture.startsWith(imagesFolder() + QLatin1Char('/')))
                broken("a picture path stays in the images folder");
            G.xmlDoc.titleExists(title);
            Recipe shown = f;
            shown.ing = fixLineBreaks(f.ing);
            shown.prep = fixLineBreaks(f.prep);
            shown.other = fixLineBreaks(f.other);
            plainTextRecipe(shown);
            printPageText(f, true);
            for (const QString& text : {f.title, f.ing, f.prep, f.other})
                if (QString(pageText(text)).remove(QStringLiteral("<br>")).contains(QLatin1Char('<')))
                    broken("recipe texts are escaped on the print page");
            findRecipe(category.second, title);
            QString address = title;
            validEmail(address);
        }
    }

    const QString keyword = QString::fromUtf8(bytes.left(6));
    const SearchHits hits = searchRecs(G.xmlDoc, keyword);
    if (validUtf8(bytes) && !keyword.contains(QChar(0xFFFD)) && !keyword.contains(QChar(0)) &&
        hits.size() != plainSearchCount(G.xmlDoc, keyword))
        broken("the search finds what folding both sides finds");

    // What the program writes it reads back, with the same categories.
    const QByteArray saved = G.xmlDoc.serialize();
    RecipeBook again;
    if (!again.loadBuffer(saved))
        broken("a saved book opens again");
    if (again.categoryCount() != G.xmlDoc.categoryCount() || again.recipeCount() != G.xmlDoc.recipeCount())
        broken("a saved book keeps its categories and recipes");
}

void importFile(const QByteArray& bytes)
{
    const int half = int(bytes.size() / 2);
    const QString renamed = getNewFileName(QString::fromUtf8(bytes.left(half)), QString::fromUtf8(bytes.mid(half)));
    if (!renamed.isEmpty() && !safePictureName(renamed))
        broken("a renamed picture is a bare file name");

    RecipeBook book;
    if (!book.loadBuffer(bytes))
        return; // the file check refuses it
    RecipeList source;
    source.recipes = book.allRecipes(&source.fieldCounts);
    const QStringList entries = importList(source);

    importAll(source, entries);
}

void importMealMaster(const QByteArray& bytes)
{
    const QString text = decodeRecipeText(bytes);
    // Both drop one leading byte order mark.
    if (validUtf8(bytes) && text != QString::fromUtf8(bytes))
        broken("valid UTF-8 is read as UTF-8");
    const RecipeList source = readMealMaster(text, kContext);
    const RecipeList& read = source;
    const QStringList entries = importList(source);
    if (read.count() != entries.size())
        broken("every recipe read is an entry of the check list");
    const qsizetype lines = text.count(QLatin1Char('\n')) + text.count(QLatin1Char('\r')) + 1;
    for (int i = 0; i < read.skipped.size(); ++i)
        if (read.skipped[i] < 1 || read.skipped[i] > lines || (i > 0 && read.skipped[i] <= read.skipped[i - 1]))
            broken("skipped recipes are reported by their first lines, in order");
    importReadRecipes(source, entries);
}

} // namespace bdtest
