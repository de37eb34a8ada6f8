#include "exchange/formats/htmlexports.h"

#include "exchange/formats/archive.h"

#include "exchange/formats/exportnotes.h"
#include "exchange/formats/htmltags.h"
#include "exchange/formats/parallel.h"
#include "exchange/formats/xmlreading.h"
#include "store/charscan.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <cstring>
#include <utility>
#include <vector>

namespace bd {

namespace {

// The page of an export of many recipes: recipes.html in the zip (at its
// top or in a folder of its own), or the file itself when it is a page;
// nullopt when the page lacks marker, which only the program's pages hold.
struct ExportPage {
    QString text;
    QString folder; // the page's folder in the archive: "" or "name/"
};

std::optional<ExportPage> exportPage(const FileLook& file, const char* marker)
{
    if (file.archive) {
        for (const QString& name : file.archive->names()) {
            const QString lower = name.toLower();
            if ((lower != QLatin1String("recipes.html") && !lower.endsWith(QLatin1String("/recipes.html"))) ||
                name.count(QLatin1Char('/')) > 1)
                continue;
            std::optional<QByteArray> bytes = file.archive->read(name);
            if (!bytes || !bytes->contains(marker))
                continue;
            return ExportPage{decodeRecipeText(*bytes), name.left(name.size() - 12)};
        }
        return std::nullopt;
    }
    const bool page = file.root == QLatin1String("html") || file.suffix == QLatin1String("html") ||
                      file.suffix == QLatin1String("htm");
    if (!page || !file.bytes.contains(marker))
        return std::nullopt;
    return ExportPage{decodeRecipeText(file.bytes), QString()};
}

// The picture a page in an archive names (src), from the archive.
std::optional<QByteArray> archivedPicture(const FileLook& file, const ExportPage& page, const QString& src)
{
    for (const QString& name : {src, QUrl::fromPercentEncoding(src.toUtf8())}) {
        const QString entry = safeEntryName(page.folder + name);
        if (std::optional<QByteArray> bytes = entry.isEmpty() ? std::nullopt : file.archive->read(entry, true))
            return bytes;
    }
    return std::nullopt;
}

// Adds a recipe of an export page with the picture the page names (src):
// from the archive that holds the page, else for the import to find
// beside the page.
void addWithPicture(RecipeList& list, Recipe recipe, const QString& category, const ReadContext& context,
                    const FileLook& file, const ExportPage& page, const QString& src)
{
    if (!file.archive)
        recipe.image = src;
    list.add(std::move(recipe), category, context);
    if (file.archive && !src.isEmpty())
        list.setLastPicture(archivedPicture(file, page, src).value_or(QByteArray()));
}

bool hasClass(const Tag& t, QLatin1String name)
{
    if (!t.has("class"))
        return false;
    const QString classes = t.attribute("class");
    for (QStringView c : QStringView(classes).split(QLatin1Char(' '), Qt::SkipEmptyParts))
        if (c == name)
            return true;
    return false;
}

// What stands inside the element that t opens and that ends at end,
// without its end tag (which adds no text: a line is then mostly plain).
QStringView contentOf(QStringView html, const Tag& t, qsizetype end)
{
    QStringView inner = html.mid(t.end, qMax<qsizetype>(0, end - t.end));
    const qsizetype closeSize = t.name.size() + 3;
    if (inner.size() >= closeSize && inner[inner.size() - closeSize] == QLatin1Char('<') &&
        inner[inner.size() - closeSize + 1] == QLatin1Char('/') && inner.endsWith(QLatin1Char('>')) &&
        inner.sliced(inner.size() - closeSize + 2, t.name.size()).compare(t.name, Qt::CaseInsensitive) == 0)
        inner.chop(closeSize);
    return inner;
}

// The text inside the element that t opens and that ends at end.
QString textUpTo(QStringView html, const Tag& t, qsizetype end) { return htmlText(contentOf(html, t, end)); }

// The text inside the element that t opens (ending before to).
QString innerText(QStringView html, const Tag& t, qsizetype to) { return textUpTo(html, t, elementEnd(html, t, to)); }

// A text on one line: simplifying makes each run of white space, line
// breaks too, one space.
QString oneLine(QString text) { return simplifiedText(std::move(text)); }

// How often word (ASCII, at least two letters) stands in text: its first
// and last letters looked for eight places at a time where the processor
// can, the rest compared only where both stand.
qsizetype countOf(QStringView text, QLatin1String word)
{
    const qsizetype m = word.size(), n = text.size();
    if (m < 2)
        return text.count(word);
    const char16_t* p = text.utf16();
    const char16_t first = char16_t(word.front().unicode()), last = char16_t(word.back().unicode());
    auto at = [&](qsizetype i) {
        for (qsizetype k = 0; k < m; ++k)
            if (p[i + k] != char16_t(static_cast<unsigned char>(word.data()[k])))
                return false;
        return true;
    };
    qsizetype count = 0, i = 0;
    if constexpr (charscan::kBlocks) {
        for (; i + m - 1 + 8 <= n; i += 8) {
            unsigned both = charscan::equal(charscan::load(p + i), first) &
                            charscan::equal(charscan::load(p + i + m - 1), last);
            for (; both; both &= both - 1) {
                const qsizetype start = i + qsizetype(qCountTrailingZeroBits(both) / 2);
                both &= both - 1; // the character's second bit
                count += at(start) ? 1 : 0;
            }
        }
    }
    for (; i + m <= n; ++i)
        count += at(i) ? 1 : 0;
    return count;
}

// Calls read(from, to) for each element of the page named name with the
// class cls, from and to the positions of its content.
template <typename Fn>
void forEachRecipe(QStringView html, QLatin1String name, QLatin1String cls, Fn read)
{
    for (Tag t = nextTag(html, 0); t.start >= 0; t = nextTag(html, t.end)) {
        if (t.closing || t.name != name || !hasClass(t, cls))
            continue;
        const qsizetype end = elementEnd(html, t, html.size());
        read(t.end, end);
        t.end = qMax(t.end, end);
    }
}

// ---------------------------------------------------------------------------
// Recipe Keeper

// The text of an element of <p> lines (ingredients, directions) that
// open ends: blank lines where an empty <p> stands and before a line in
// bold (a section's name). Text without <p> as it reads. The element
// ends at end.
QString paragraphLines(QStringView html, const Tag& open, qsizetype end)
{
    QString out;
    bool apart = false, any = false;
    for (Tag t = nextTag(html, open.end); t.start >= 0 && t.start < end; t = nextTag(html, t.end)) {
        if (t.closing || t.name != QLatin1String("p"))
            continue;
        any = true;
        const qsizetype pEnd = elementEnd(html, t, end);
        const QStringView inner = html.mid(t.end, qMax<qsizetype>(0, pEnd - t.end));
        // Most lines are plain text on one line, and are added as they stand.
        const QStringView content = contentOf(html, t, pEnd);
        const bool plain = plainSimpleLine(content);
        const QString made = plain ? QString() : oneLine(htmlText(content));
        const QStringView line = plain ? content : QStringView(made);
        t.end = qMax(t.end, pEnd);
        if (line.isEmpty()) {
            apart = true;
            continue;
        }
        if ((apart || inner.trimmed().startsWith(QLatin1String("<b>"), Qt::CaseInsensitive)) && !out.isEmpty())
            out += QLatin1Char('\n');
        addLine(out, line);
        apart = false;
    }
    return any ? out : textUpTo(html, open, end);
}

void readKeeperRecipe(QStringView html, qsizetype from, qsizetype to, RecipeList& list, const ReadContext& context,
                      const FileLook& file, const ExportPage& page)
{
    Recipe recipe;
    QStringList categories, courses, nutrition;
    QString picture, rating, source, collections;
    bool favourite = false;
    ExportNotes notes(context.langOffset);
    qsizetype divEnd = from; // the end of the last div's start tag
    for (Tag t = nextTag(html, from); t.start >= 0 && t.start < to; t = nextTag(html, t.end)) {
        if (t.closing)
            continue;
        if (t.name == QLatin1String("div"))
            divEnd = t.end;
        if (t.name == QLatin1String("img") && picture.isEmpty())
            picture = t.attribute("src");
        const QString prop = t.attribute("itemprop");
        if (prop.isEmpty()) {
            if (t.name == QLatin1String("div") && html.mid(t.end, 12) == QLatin1String("Collections:"))
                collections = oneLine(innerText(html, t, to).mid(12));
            continue;
        }
        if (t.name == QLatin1String("meta")) {
            const QString content = t.attribute("content");
            if (prop == QLatin1String("recipeCategory"))
                addNames(categories, content, QChar());
            else if (prop == QLatin1String("prepTime"))
                recipe.preptime = durationText(content);
            else if (prop == QLatin1String("cookTime"))
                recipe.cooktime = durationText(content);
            else if (prop == QLatin1String("recipeRating") && content != QLatin1String("0"))
                rating = content + QStringLiteral("/5");
            else if (prop == QLatin1String("recipeIsFavourite"))
                favourite = content.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
            else if (prop.startsWith(QLatin1String("recipeNut")) && !content.isEmpty())
                // The label and value the page shows before the value's meta.
                nutrition << oneLine(htmlText(html.mid(divEnd, t.start - divEnd)));
            continue;
        }
        const bool lines = prop == QLatin1String("recipeIngredients") || prop == QLatin1String("recipeDirections");
        QString* field = nullptr;
        if (lines)
            field = prop == QLatin1String("recipeIngredients") ? &recipe.ing : &recipe.prep;
        else if (prop == QLatin1String("name"))
            field = &recipe.title;
        else if (prop == QLatin1String("recipeSource"))
            field = &source;
        else if (prop == QLatin1String("recipeYield"))
            field = &recipe.yield;
        else if (prop != QLatin1String("recipeCourse") && prop != QLatin1String("recipeNotes"))
            continue;
        const qsizetype end = elementEnd(html, t, to);
        if (lines)
            *field = paragraphLines(html, t, end);
        else if (field)
            *field = oneLine(textUpTo(html, t, end));
        else if (prop == QLatin1String("recipeCourse"))
            addNames(courses, oneLine(textUpTo(html, t, end)));
        else
            notes.text(textUpTo(html, t, end));
        // What the element holds is read: its tags are not walked again.
        if (end < to)
            t.end = qMax(t.end, end);
    }
    for (const QString& c : std::as_const(courses))
        addNames(categories, c, QChar());
    notes.line(Str::NoteSource, source);
    notes.categories(categories);
    notes.line(Str::NoteCollections, collections);
    notes.line(Str::NoteRating, rating);
    if (favourite)
        notes.flag(Str::NoteFavourite);
    nutrition.removeAll(QString());
    notes.line(Str::NoteNutrition, nutrition.join(QStringLiteral(", ")));
    recipe.other = notes.notes();
    addWithPicture(list, std::move(recipe), categories.value(0), context, file, page, picture);
}

// ---------------------------------------------------------------------------
// CopyMeThat

void readCopiedRecipe(QStringView html, qsizetype from, qsizetype to, RecipeList& list, const ReadContext& context,
                      const FileLook& file, const ExportPage& page)
{
    Recipe recipe;
    QStringList categories;
    QString picture, rating, address;
    bool starred = false;
    ExportNotes notes(context.langOffset);
    for (Tag t = nextTag(html, from); t.start >= 0 && t.start < to; t = nextTag(html, t.end)) {
        if (t.closing)
            continue;
        const QString id = t.attribute("id");
        if (t.name == QLatin1String("img")) {
            if (hasClass(t, QLatin1String("recipeImage")) && picture.isEmpty())
                picture = t.attribute("src");
        } else if (id == QLatin1String("name")) {
            recipe.title = oneLine(innerText(html, t, to));
        } else if (id == QLatin1String("original_link")) {
            address = t.attribute("href");
        } else if (id == QLatin1String("recipeYield")) {
            recipe.yield = oneLine(innerText(html, t, to));
        } else if (id == QLatin1String("description") || id == QLatin1String("made_this")) {
            notes.text(innerText(html, t, to));
        } else if (id == QLatin1String("ratingValue")) {
            rating = oneLine(innerText(html, t, to)) + QStringLiteral("/5");
        } else if (id == QLatin1String("starred")) {
            starred = true;
        } else if (hasClass(t, QLatin1String("recipeCategory"))) {
            addNames(categories, oneLine(innerText(html, t, to)), QChar());
        } else if (hasClass(t, QLatin1String("recipeIngredient_subheader"))) {
            addIngredientHeading(recipe.ing, oneLine(innerText(html, t, to)));
        } else if (hasClass(t, QLatin1String("recipeIngredient")) ||
                   hasClass(t, QLatin1String("recipeIngredient_note"))) {
            addLine(recipe.ing, oneLine(innerText(html, t, to)));
        } else if (hasClass(t, QLatin1String("instruction")) || hasClass(t, QLatin1String("instruction_subheader"))) {
            addParagraph(recipe.prep, tidyLines(innerText(html, t, to)));
        } else if (hasClass(t, QLatin1String("recipeNote"))) {
            notes.text(innerText(html, t, to));
        }
    }
    notes.line(Str::NoteSource, address);
    notes.categories(categories);
    notes.line(Str::NoteRating, rating == QLatin1String("/5") ? QString() : rating);
    if (starred)
        notes.flag(Str::NoteFavourite);
    recipe.other = notes.notes();
    addWithPicture(list, std::move(recipe), categories.value(0), context, file, page, picture);
}

// ---------------------------------------------------------------------------
// BigOven

QString childText(pugi::xml_node n, const char* name) { return simplifiedText(xmlInnerText(n.child(name))); }

// A whole number the program writes with decimals ("4.00") as a cook does.
QString number(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? QString::number(value) : text;
}

Recipe bigOvenRecipe(pugi::xml_node r, QStringList& categories, int lang)
{
    Recipe recipe;
    recipe.title = childText(r, "TITLE");
    recipe.yield = childText(r, "YIELDTEXT");
    if (recipe.yield.isEmpty() && number(childText(r, "YIELDQTY")) != QLatin1String("0"))
        recipe.yield = number(childText(r, "YIELDQTY"));
    if (const QString active = number(childText(r, "ACTIVEMINUTES")); active.toInt() > 0)
        recipe.preptime = durationText(QStringLiteral("PT%1M").arg(active));
    for (pugi::xml_node i = r.child("INGREDIENTLIST").child("INGREDIENTLINE"); i;
         i = i.next_sibling("INGREDIENTLINE")) {
        if (childText(i, "BHEADING") == QLatin1String("1"))
            addIngredientHeading(recipe.ing, childText(i, "NAME"));
        else
            addLine(recipe.ing, ingredientLine({childText(i, "TEXTQTY"), childText(i, "MEASURE"), childText(i, "NAME")},
                                               childText(i, "PREPNOTES")));
    }
    recipe.prep = tidyLines(xmlInnerText(r.child("INSTRUCTIONS")), true);
    for (pugi::xml_node c = r.child("CATEGORIES").child("CATEGORYNAME"); c; c = c.next_sibling("CATEGORYNAME"))
        addNames(categories, simplifiedText(xmlInnerText(c)), QChar());

    ExportNotes notes(lang);
    const QString subhead = childText(r, "SUBHEAD");
    if (subhead.startsWith(QLatin1String("http"), Qt::CaseInsensitive))
        notes.line(Str::NoteSource, subhead);
    else
        notes.text(subhead);
    notes.text(xmlInnerText(r.child("VARIATIONS")));
    if (const QString total = number(childText(r, "TOTALMINUTES")); total.toInt() > 0)
        notes.line(Str::NoteTotalTime, durationText(QStringLiteral("PT%1M").arg(total)));
    notes.line(Str::NoteCuisine, childText(r, "CUISINE"));
    notes.line(Str::NoteKeywords, childText(r, "MAININGREDIENT"));
    notes.categories(categories);
    if (const QString taste = number(childText(r, "TASTERATING")); taste.toInt() > 0)
        notes.line(Str::NoteRating, taste + QStringLiteral("/5"));
    recipe.other = notes.notes();
    return recipe;
}

// ---------------------------------------------------------------------------
// Paprika's pages

// The lines of the <p class="line"> of an element that open starts.
QStringList lineParagraphs(QStringView html, const Tag& open, qsizetype to)
{
    const qsizetype end = elementEnd(html, open, to);
    QStringList lines;
    for (Tag t = nextTag(html, open.end); t.start >= 0 && t.start < end; t = nextTag(html, t.end))
        if (!t.closing && t.name == QLatin1String("p") && hasClass(t, QLatin1String("line"))) {
            const qsizetype pEnd = elementEnd(html, t, end);
            if (QString line = tidyLines(htmlText(html.mid(t.end, qMax<qsizetype>(0, pEnd - t.end)))); !line.isEmpty())
                lines << line;
            t.end = qMax(t.end, pEnd);
        }
    return lines;
}

// A recipe of Paprika's page: the fields its microdata and classes mark,
// the times and servings as "<b>Label: </b><span>value</span>" (the
// property named where a version names it), the notes as the program's
// own export of the recipe has them.
void readPaprikaRecipe(QStringView html, qsizetype from, qsizetype to, RecipeList& list, const ReadContext& context,
                       const FileLook& file, const ExportPage& page)
{
    Recipe recipe;
    QStringList categories, texts;
    QString picture, address, label, total, difficulty, rating, source, webPage, nutrition;
    for (Tag t = nextTag(html, from); t.start >= 0 && t.start < to; t = nextTag(html, t.end)) {
        if (t.closing)
            continue;
        const QString prop = t.attribute("itemprop");
        if (t.name == QLatin1String("img")) {
            if (picture.isEmpty())
                picture = t.attribute("src");
        } else if (t.name == QLatin1String("a") && prop.isEmpty()) {
            if (picture.isEmpty())
                address = t.attribute("href"); // the picture's address on the web, around it
        } else if (t.name == QLatin1String("b")) {
            label = oneLine(innerText(html, t, to));
            while (label.endsWith(QLatin1Char(':')))
                label.chop(1);
        } else if (prop == QLatin1String("name")) {
            recipe.title = oneLine(innerText(html, t, to));
        } else if (hasClass(t, QLatin1String("rating"))) {
            if (const QString value = t.attribute("value"); value.toDouble() > 0)
                rating = value;
        } else if (hasClass(t, QLatin1String("categories")) || prop == QLatin1String("recipeCategory")) {
            addNames(categories, oneLine(innerText(html, t, to)));
        } else if (prop == QLatin1String("author")) {
            source = oneLine(innerText(html, t, to));
        } else if (prop == QLatin1String("url") && t.name == QLatin1String("a")) {
            webPage = t.attribute("href");
        } else if (const bool ing = hasClass(t, QLatin1String("ingredients"));
                   ing || hasClass(t, QLatin1String("directions"))) {
            const QStringList lines = lineParagraphs(html, t, to);
            if (ing)
                recipe.ing = lines.join(QLatin1Char('\n'));
            else
                recipe.prep = lines.join(QStringLiteral("\n\n"));
            t.end = qMax(t.end, elementEnd(html, t, to)); // its lines read
        } else if (hasClass(t, QLatin1String("nutrition"))) {
            nutrition = innerText(html, t, to);
            t.end = qMax(t.end, elementEnd(html, t, to));
        } else if (hasClass(t, QLatin1String("description")) || hasClass(t, QLatin1String("notes")) ||
                   prop == QLatin1String("description")) {
            texts << innerText(html, t, to);
            t.end = qMax(t.end, elementEnd(html, t, to));
        } else if (t.name == QLatin1String("span") && prop != QLatin1String("author")) {
            const QString value = oneLine(innerText(html, t, to));
            const QString key = (prop.isEmpty() ? label : prop).toLower();
            if (key == QLatin1String("prep time") || key == QLatin1String("preptime"))
                recipe.preptime = value;
            else if (key == QLatin1String("cook time") || key == QLatin1String("cooktime"))
                recipe.cooktime = value;
            else if (key == QLatin1String("servings") || key == QLatin1String("recipeyield"))
                recipe.yield = value;
            else if (key == QLatin1String("total time") || key == QLatin1String("totaltime"))
                total = value;
            else if (key == QLatin1String("difficulty"))
                difficulty = value;
            else if (!label.isEmpty() && !value.isEmpty())
                texts << label + QStringLiteral(": ") + value; // a field of a version this reader does not know
            label.clear();
        }
    }
    // The notes in the order the program's own export gives them.
    ExportNotes notes(context.langOffset);
    for (const QString& t : std::as_const(texts))
        notes.text(t);
    notes.categories(categories);
    notes.line(Str::NoteTotalTime, total);
    notes.line(Str::NoteDifficulty, difficulty);
    notes.line(Str::NoteRating, rating);
    notes.line(Str::NoteSource, source);
    notes.line(Str::NoteWebPage, webPage);
    notes.lines(Str::NoteNutrition, nutrition);
    recipe.other = notes.notes();
    // The picture beside the page (Images/<id>/<name>.jpg), else its address.
    if (!file.archive && !picture.isEmpty() && !address.isEmpty() &&
        !QFileInfo(QFileInfo(file.path).dir().filePath(QUrl::fromPercentEncoding(picture.toUtf8()))).isFile())
        picture = address;
    addWithPicture(list, std::move(recipe), categories.value(0), context, file, page, picture);
}

using PageRecipeFn = void (*)(QStringView html, qsizetype from, qsizetype to, RecipeList& list,
                              const ReadContext& context, const FileLook& file, const ExportPage& page);

// The recipes of an export page that holds marker: each div of the class
// cls read by read; nullopt for a page of none.
std::optional<RecipeList> readExportPage(const FileLook& file, const ReadContext& context, const char* marker,
                                         QLatin1String cls, PageRecipeFn read)
{
    const std::optional<ExportPage> page = exportPage(file, marker);
    if (!page)
        return std::nullopt;
    // The recipes are read side by side while the page is looked through
    // for more, each as if the page stood alone: a picture it names is
    // then taken from the archive here, in order, as the archive is read
    // on this thread only. Each recipe's div names its class, so the page
    // mostly has no more recipes than words cls; one that names it in
    // character references is read again, with room for all it has.
    const QStringView html = page->text;
    const FileLook alone{file.bytes, file.root, file.suffix, file.path, nullptr};
    RecipeList list;
    for (qsizetype capacity = countOf(html, cls), found = 0;; capacity = found) {
        std::vector<std::pair<qsizetype, qsizetype>> spans(static_cast<size_t>(capacity));
        std::vector<RecipeList> pieces(static_cast<size_t>(capacity));
        list = RecipeList();
        found = 0;
        whileFound(
            capacity,
            [&](const std::function<void()>& publish) {
                forEachRecipe(html, QLatin1String("div"), cls, [&](qsizetype from, qsizetype to) {
                    if (found < capacity) {
                        spans[size_t(found)] = {from, to};
                        publish();
                    }
                    ++found;
                });
                return qMin(found, capacity);
            },
            [&](qsizetype i) {
                const auto [from, to] = spans[size_t(i)];
                read(page->text, from, to, pieces[size_t(i)], context, alone, *page);
            },
            [&](qsizetype i) {
                for (Recipe& recipe : pieces[size_t(i)].recipes) {
                    const QString src = file.archive ? std::exchange(recipe.image, QString()) : QString();
                    list.add(std::move(recipe));
                    if (!src.isEmpty())
                        list.setLastPicture(archivedPicture(file, *page, src).value_or(QByteArray()));
                }
            });
        if (found <= capacity)
            break;
    }
    // A page that only looks like one (a recipe site's own page) is left
    // to the reader of web pages.
    if (list.isEmpty() && !file.archive)
        return std::nullopt;
    return list;
}

// Whether a file that is no archive holds no tag at all, and so no page: a
// look for one character, far quicker than the look for a page's marks
// through a large text file.
bool tagless(const FileLook& file) { return !file.archive && !file.bytes.contains('<'); }

} // namespace

std::optional<RecipeList> readRecipeKeeper(const FileLook& file, const ReadContext& context)
{
    return readExportPage(file, context, "itemprop=\"recipeId\"", QLatin1String("recipe-details"), readKeeperRecipe);
}

std::optional<RecipeList> readCopyMeThat(const FileLook& file, const ReadContext& context)
{
    return readExportPage(file, context, "copymethat", QLatin1String("recipe"), readCopiedRecipe);
}

std::optional<RecipeList> readPaprikaPage(const FileLook& file, const ReadContext& context)
{
    // The program's own classes beside the microdata every recipe site has.
    if (tagless(file) || !file.bytes.contains("itemprop=\"recipeIngredient\"") ||
        !file.bytes.contains("class=\"line\""))
        return std::nullopt;
    return readExportPage(file, context, "class=\"subhead\"", QLatin1String("recipe"), readPaprikaRecipe);
}

std::optional<RecipeList> readBigOven(const FileLook& file, const ReadContext& context)
{
    static const char kBegin[] = "<!--@BOBEGIN--";
    if (file.archive || tagless(file) || !file.bytes.contains(kBegin))
        return std::nullopt;
    const QString page = decodeRecipeText(file.bytes);
    const qsizetype from = page.indexOf(QLatin1String(kBegin)) + qsizetype(sizeof kBegin) - 1;
    const qsizetype to = page.indexOf(QLatin1String("@BOEND-->"), from);
    const QString block = page.mid(from, to < 0 ? -1 : to - from);
    RecipeList list = readXmlRecipes(block.toUtf8(), "RECIPE", context, bigOvenRecipe);
    // The page shows the recipe's picture as images\<number>_<title>.jpg.
    static const QRegularExpression picture(QStringLiteral(R"(<img\s[^>]*src\s*=\s*['"]?(images[\\/]\d+_[^'">]+))"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch m = picture.match(page); m.hasMatch() && list.count() == 1) {
        list.recipes.front().image = decodeEntities(m.captured(1)).replace(QLatin1Char('\\'), QLatin1Char('/'));
        list.picturesNamed = true;
    }
    return list;
}

} // namespace bd
