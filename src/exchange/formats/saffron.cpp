#include "exchange/formats/saffron.h"

#include "exchange/formats/exportnotes.h"

namespace bd {

namespace {

// The recipe being read and where its lines go.
struct SaffronDraft {
    explicit SaffronDraft(int langOffset) : notes(langOffset) {}
    Recipe recipe;
    ExportNotes notes;
    QString section, image;
    QStringList ingredients, steps;
    enum class List { None, Ingredients, Instructions } list = List::None;
};

void finish(SaffronDraft& d, RecipeList& read, const ReadContext& context)
{
    if (d.recipe.title.isEmpty() && d.ingredients.isEmpty() && d.steps.isEmpty())
        return;
    Recipe r = std::move(d.recipe);
    r.ing = d.ingredients.join(QLatin1Char('\n'));
    for (const QString& s : d.steps)
        addParagraph(r.prep, s);
    // A picture on the web stays an address in the notes; a file's name
    // is looked for beside the file.
    if (d.image.startsWith(QLatin1String("http"), Qt::CaseInsensitive))
        d.notes.line(Str::NotePicture, d.image);
    else
        r.image = d.image;
    r.other = d.notes.notes();
    read.add(std::move(r), d.section, context);
}

} // namespace

std::optional<RecipeList> readSaffron(const QByteArray& bytes, const ReadContext& context)
{
    QByteArray head = bytes.left(64);
    if (head.startsWith("\xEF\xBB\xBF"))
        head = head.mid(3);
    // A recipe without ingredients or without directions lacks one label.
    if (!head.startsWith("Title:") || (!bytes.contains("\nIngredients:") && !bytes.contains("\nInstructions:")))
        return std::nullopt;
    const QString text = decodeRecipeText(bytes);
    RecipeList read;
    SaffronDraft d(context.langOffset);
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        // The lines of a list are indented.
        if (!line.isEmpty() && line.front().isSpace()) {
            const QString t = line.trimmed().toString();
            if (t.isEmpty())
                continue;
            if (d.list == SaffronDraft::List::Ingredients)
                d.ingredients << t;
            else if (d.list == SaffronDraft::List::Instructions)
                d.steps << t;
            else
                d.notes.line(t);
            continue;
        }
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0) {
            d.notes.line(line);
            continue;
        }
        const QString name = line.left(colon).trimmed().toString().toLower();
        const QString value = line.mid(colon + 1).trimmed().toString();
        d.list = SaffronDraft::List::None;
        if (name == QLatin1String("title")) {
            finish(d, read, context);
            d = SaffronDraft(context.langOffset);
            d.recipe.title = value;
        } else if (name == QLatin1String("ingredients")) {
            d.list = SaffronDraft::List::Ingredients;
        } else if (name == QLatin1String("instructions") || name == QLatin1String("directions")) {
            d.list = SaffronDraft::List::Instructions;
        } else if (name == QLatin1String("yield") || name == QLatin1String("servings")) {
            d.recipe.yield = value;
        } else if (name == QLatin1String("prep")) {
            d.recipe.preptime = value;
        } else if (name == QLatin1String("cook")) {
            d.recipe.cooktime = value;
        } else if (name == QLatin1String("total")) {
            d.notes.line(Str::NoteTotalTime, value);
        } else if (name == QLatin1String("description")) {
            d.notes.line(Str::NoteDescription, value);
        } else if (name == QLatin1String("source")) {
            d.notes.line(Str::NoteSource, value);
        } else if (name == QLatin1String("original url")) {
            d.notes.line(Str::NoteWebPage, value);
        } else if (name == QLatin1String("cookbook")) {
            d.notes.line(Str::NoteCookbook, value);
        } else if (name == QLatin1String("section")) {
            // The cookbook's section is the recipe's category.
            d.section = value;
        } else if (name == QLatin1String("image")) {
            d.image = value;
        } else if (!value.isEmpty()) {
            d.notes.line(line);
        }
    }
    finish(d, read, context);
    return read;
}

} // namespace bd
