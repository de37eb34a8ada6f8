#include "exchange/formats/livingcookbook.h"

#include "exchange/formats/archive.h"

#include "exchange/formats/exportnotes.h"
#include "exchange/formats/xmlreading.h"

#include <QHash>

#include <algorithm>
#include <vector>

#include <cstring>

namespace bd {

namespace {

// An attribute's or element's text. Older versions write the whole file on
// one line with its entities escaped twice ("&amp;quot;"): what is left of
// them after the XML parser is decoded here.
QString text(const char* value)
{
    QString s = QString::fromUtf8(value);
    if (s.contains(QLatin1Char('&')))
        s = decodeEntities(s);
    return s;
}

// An element's attributes asked for in the order the program writes them
// (an ingredient's): each looked for from where the last one was found, so
// that each is found at once.
struct InOrder {
    pugi::xml_node node;
    mutable pugi::xml_attribute hint;
};

// The value of n's attribute named name, "" where there is none.
const char* valueOf(pugi::xml_node n, const char* name) { return n.attribute(name).value(); }
const char* valueOf(const XmlAttributes& n, const char* name) { return n.value(name); }
const char* valueOf(const InOrder& n, const char* name) { return n.node.attribute(name, n.hint).value(); }

template <typename Of>
QString attr(const Of& n, const char* name)
{
    return text(valueOf(n, name));
}

template <typename Of>
QString line(const Of& n, const char* name)
{
    return simplifiedText(attr(n, name));
}

// A time the program keeps in minutes, as a cook writes it.
template <typename Of>
QString minutes(const Of& n, const char* name)
{
    bool ok = false;
    const int value = attr(n, name).trimmed().toInt(&ok);
    if (!ok)
        return line(n, name);
    return value > 0 ? durationText(QStringLiteral("PT%1M").arg(value)) : QString();
}

template <typename Of>
bool heading(const Of& n)
{
    return qstricmp(valueOf(n, "Heading"), "Y") == 0;
}

QString ingredients(pugi::xml_node list)
{
    QString ing;
    for (pugi::xml_node i = list.child("RecipeIngredient"); i; i = i.next_sibling("RecipeIngredient")) {
        const InOrder in{i, {}};
        const QString l = ingredientLine({line(in, "Quantity"), line(in, "Unit"), line(in, "Ingredient")}, QString());
        if (heading(in))
            addIngredientHeading(ing, l);
        else
            addLine(ing, l);
    }
    return ing;
}

QString procedures(pugi::xml_node list)
{
    QString prep;
    for (pugi::xml_node p = list.child("RecipeProcedure"); p; p = p.next_sibling("RecipeProcedure")) {
        QString step = text(p.child("ProcedureText").child_value());
        if (step.contains(QLatin1Char('\r'))) // rarely: a look for one character spares the search
            step.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        addParagraph(prep, heading(p) ? simplifiedText(step) : tidyLines(step, true));
    }
    return prep;
}

// The nutrition values a cook looks for, as the program names them.
constexpr const char* kNutrients[] = {"Calories",          "TotalFat", "SaturatedFat", "Cholesterol", "Sodium",
                                      "TotalCarbohydrate", "Fiber",    "Sugar",        "Protein"};

// "TotalCarbohydrate" as "Total Carbohydrate".
QString spacedName(const char* name)
{
    QString out;
    for (const char* c = name; *c; ++c) {
        if (c != name && std::isupper(static_cast<unsigned char>(*c)))
            out += QLatin1Char(' ');
        out += QLatin1Char(*c);
    }
    return out;
}

QString nutrition(pugi::xml_node node)
{
    const XmlAttributes n(node);
    QStringList parts;
    for (const char* name : kNutrients) {
        const QString value = line(n, name);
        if (!value.isEmpty() && value.toDouble() != 0)
            parts << spacedName(name) + QLatin1Char(' ') + value;
    }
    if (parts.isEmpty())
        return QString();
    const QString size = line(n, "ServingSize");
    return (size.isEmpty() ? QString() : size + QStringLiteral(": ")) + parts.join(QStringLiteral(", "));
}

// What the file says of its cookbooks and chapters, by ID.
struct Books {
    QHash<QString, QString> cookbooks, chapters;
};

struct Picture {
    QByteArray inlineBase64; // the picture's text in an .fdx
    QString fileName;        // its file in an .fdxz
};

// The first picture of the recipe: its own, else one of its list.
Picture pictureOf(pugi::xml_node r)
{
    pugi::xml_node image = r.child("RecipeImage");
    if (!image)
        image = r.child("RecipeImages").child("RecipeImage");
    if (!image)
        return {};
    const char* name = image.attribute("FileName").value();
    if (*name)
        return {QByteArray(), QString::fromUtf8(name)};
    return {QByteArray(image.child_value()), QString()};
}

Recipe recipeOf(pugi::xml_node node, const Books& books, QString& category, int lang)
{
    // Some twenty attributes are asked for, most of them often missing.
    const XmlAttributes r(node);
    Recipe recipe;
    recipe.title = line(r, "Name");
    QStringList categories;
    QString group = books.chapters.value(QString::fromUtf8(r.value("CookbookChapterID")));
    if (group.isEmpty())
        group = books.cookbooks.value(QString::fromUtf8(r.value("CookbookID")));
    if (!group.isEmpty())
        categories << group;
    addNames(categories, attr(r, "RecipeTypes"));
    category = categories.value(0);

    const QString servings = line(r, "Servings"), yield = line(r, "Yield");
    recipe.yield = servings.isEmpty() || servings == QLatin1String("0") ? yield : servings;
    recipe.preptime = minutes(r, "PreparationTime");
    recipe.cooktime = minutes(r, "CookingTime");
    recipe.ing = ingredients(node.child("RecipeIngredients"));
    recipe.prep = procedures(node.child("RecipeProcedures"));

    ExportNotes notes(lang);
    notes.text(attr(r, "Comments"));
    for (const char* list : {"RecipeTips", "RecipeAuthorNotes"})
        for (pugi::xml_node n = node.child(list).first_child(); n; n = n.next_sibling())
            notes.text(text(n.child_value()));
    if (recipe.yield != yield)
        notes.line(Str::NoteYield, yield);
    notes.line(Str::NoteTotalTime, minutes(r, "ReadyInTime"));
    notes.line(Str::NoteInactiveTime, minutes(r, "InactiveTime"));
    const QString celsius = line(r, "OvenTemperatureC"), fahrenheit = line(r, "OvenTemperatureF");
    if (!celsius.isEmpty() || !fahrenheit.isEmpty()) {
        QStringList oven;
        if (!celsius.isEmpty())
            oven << celsius + QStringLiteral(" °C");
        if (!fahrenheit.isEmpty())
            oven << fahrenheit + QStringLiteral(" °F");
        notes.line(Str::NoteOven, oven.join(QStringLiteral(" / ")));
    }
    notes.line(Str::NoteDifficulty, line(r, "DegreeOfDifficulty"));
    notes.line(Str::NoteBy, line(r, "Author"));
    notes.line(Str::NoteSource, line(r, "Source"));
    notes.line(Str::NoteSource, line(r, "WebPage"));
    notes.line(Str::NoteCopyright, line(r, "Copyright"));
    notes.categories(categories);
    notes.line(Str::NoteNutrition, nutrition(node.child("RecipeNutrition")));
    for (pugi::xml_node v = node.child("RecipeReviews").child("RecipeReview"); v; v = v.next_sibling("RecipeReview")) {
        QStringList about;
        for (const char* part : {"Reviewer", "ReviewDate"})
            if (const QString p = line(v, part); !p.isEmpty())
                about << p;
        if (const QString rating = line(v, "Rating"); !rating.isEmpty() && rating != QLatin1String("0"))
            about << rating + QStringLiteral("/5");
        const QString said = simplifiedText(text(v.child_value()));
        notes.line(Str::NoteReview,
                   about.isEmpty() ? said : about.join(QStringLiteral(", ")) + QStringLiteral(": ") + said);
    }
    recipe.other = notes.notes();
    return recipe;
}

// The cookbooks and chapters of a parsed file, by their IDs.
Books booksOf(const pugi::xml_document& doc)
{
    const pugi::xml_node root = doc.document_element();
    Books books;
    for (pugi::xml_node b = root.child("Cookbooks").child("Cookbook"); b; b = b.next_sibling("Cookbook"))
        books.cookbooks.insert(QString::fromUtf8(b.attribute("ID").value()), line(b, "Name"));
    for (pugi::xml_node c = root.child("CookbookChapters").child("CookbookChapter"); c;
         c = c.next_sibling("CookbookChapter"))
        books.chapters.insert(QString::fromUtf8(c.attribute("ID").value()), line(c, "Name"));
    return books;
}

// The pieces (xmlPieces) of a file's recipes when each stands in the file's
// <Recipes>, where the reading of the whole file takes them; rest gets the
// file without them (its cookbooks and chapters) parsed. None when a
// recipe stands anywhere else, or the file cannot be looked through.
std::vector<std::pair<qsizetype, qsizetype>> recipePieces(const QByteArray& xml, pugi::xml_document& rest)
{
    std::vector<std::pair<qsizetype, qsizetype>> pieces = xmlPieces(xml, "Recipe");
    if (pieces.empty())
        return {};
    // Each piece is left out for a mark of where it stood.
    static const char kMark[] = "<brindelle-piece/>";
    QByteArray without;
    without.reserve(xml.size() / 8 + qsizetype(pieces.size() * sizeof kMark));
    qsizetype done = 0;
    for (const auto& [from, to] : pieces) {
        without.append(xml.sliced(done, from - done)).append(kMark);
        done = to;
    }
    without.append(xml.sliced(done));
    // As the whole file is parsed: what was read before any damage counts.
    rest.load_buffer(without.constData(), size_t(without.size()), pugi::parse_default, pugi::encoding_utf8);
    size_t marks = 0;
    for (pugi::xml_node m = rest.document_element().child("Recipes").child("brindelle-piece"); m;
         m = m.next_sibling("brindelle-piece"))
        ++marks;
    if (marks != pieces.size())
        return {};
    return pieces;
}

// Whether Data.xml of an archive starts as the program writes it.
bool ownDataXml(const QByteArray& data)
{
    const QByteArray head = data.left(512);
    return head.contains("<hixz") || head.contains("<fdx");
}

} // namespace

std::optional<RecipeList> readLivingCookbook(const FileLook& file, const ReadContext& context)
{
    QByteArray data;
    QString folder; // Data.xml's in the archive: "" or a folder the cook zipped it in, "name/"
    if (file.archive) {
        const QStringList& names = file.archive->names();
        const auto at = std::find_if(names.cbegin(), names.cend(), [](const QString& n) {
            return !junkEntry(n) && n.count(QLatin1Char('/')) <= 1 &&
                   n.section(QLatin1Char('/'), -1).compare(QLatin1String("Data.xml"), Qt::CaseInsensitive) == 0;
        });
        if (at == names.cend())
            return std::nullopt;
        folder = at->left(at->size() - 8);
        std::optional<QByteArray> read = file.archive->read(*at);
        if (!read || !ownDataXml(*read))
            return std::nullopt;
        data = std::move(*read);
    } else if (file.root == QLatin1String("fdx") || file.root == QLatin1String("hixz")) {
        data = file.bytes;
    } else {
        return std::nullopt;
    }

    RecipeList list;
    const QByteArray xml = xmlAsUtf8(data);
    data.clear();
    // The recipes are parsed in pieces side by side, the rest of the file
    // (its cookbooks and chapters) on its own; a file whose recipes stand
    // elsewhere is parsed whole, as is a damaged one, which then gives what
    // was read before the damage.
    pugi::xml_document doc;
    const std::vector<std::pair<qsizetype, qsizetype>> pieces = recipePieces(xml, doc);
    if (pieces.empty())
        doc.load_buffer(xml.constData(), size_t(xml.size()), pugi::parse_default, pugi::encoding_utf8);
    Books books = booksOf(doc);
    // Each recipe made ready (and its inline picture decoded) side by side;
    // the pictures an archive holds are unpacked in order.
    struct Read {
        Recipe recipe;
        Picture picture;
        QByteArray pictureBytes;
    };
    const auto make = [&](pugi::xml_node node) {
        Read r;
        QString category;
        r.recipe = readyRecipe(recipeOf(node, books, category, context.langOffset), category, context);
        r.picture = pictureOf(node);
        r.pictureBytes = pictureFromBase64(r.picture.inlineBase64);
        return r;
    };
    const auto take = [&](Read& r) {
        list.add(std::move(r.recipe));
        if (!r.pictureBytes.isEmpty())
            list.setLastPicture(std::move(r.pictureBytes));
        else if (file.archive && !r.picture.fileName.isEmpty())
            if (std::optional<QByteArray> bytes = file.archive->read(
                    folder + QStringLiteral("Images/") + r.picture.fileName, true))
                list.setLastPicture(std::move(*bytes));
        r = Read();
    };
    if (readXmlPieces<Read>(
            xml, pieces,
            [&](const pugi::xml_document& piece, std::vector<Read>& read) {
                for (pugi::xml_node r = piece.child("Recipe"); r; r = r.next_sibling("Recipe"))
                    read.push_back(make(r));
            },
            take))
        return list;
    if (!pieces.empty()) {
        // A piece that is no XML: the file is read whole.
        list = RecipeList();
        doc.load_buffer(xml.constData(), size_t(xml.size()), pugi::parse_default, pugi::encoding_utf8);
        books = booksOf(doc);
    }
    std::vector<pugi::xml_node> nodes;
    for (pugi::xml_node r = doc.document_element().child("Recipes").child("Recipe"); r; r = r.next_sibling("Recipe"))
        nodes.push_back(r);
    std::vector<Read> read(nodes.size());
    inParallelInOrder(
        qsizetype(nodes.size()), [&](qsizetype i) { read[size_t(i)] = make(nodes[size_t(i)]); },
        [&](qsizetype i) { take(read[size_t(i)]); });
    return list;
}

} // namespace bd
