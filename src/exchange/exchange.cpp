#include "exchange/exchange.h"

#include "store/booksave.h"

#include "exchange/importfile.h"
#include "app/base/text.h"
#include "store/picturefiles.h"
#include "store/store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <optional>
#include <vector>

namespace bd {

namespace {

QString joinPath(const QString& folder, const QString& name) { return folder + QLatin1Char('/') + name; }

} // namespace

// ---------------------------------------------------------------------------
// Export

QString exchangePictureFolder(const QString& file)
{
    return QFileInfo(file).absolutePath() + QStringLiteral("/exp_img");
}

ExportResult exportRecipes(const RecipeBook& book, const QVector<RecipeRef>& items, const ExportJob& job,
                           const StepFn& step)
{
    ExportResult result;
    RecipeBook out;
    RecipeFinder finder(book);
    QHash<QString, pugi::xml_node> written; // categories of the file by name

    // The pictures go into a new exp_img (starting with the files of the
    // one there, which other exports beside this one may name), put in
    // place only after the file. A linked exp_img is never written through.
    const bool pictures = !job.pictureFolder.isEmpty();
    NewPictureFolder pictureFolder(job.pictureFolder, true);
    if (pictures && unusableFolder(job.pictureFolder)) {
        result.outcome = RunOutcome::Failed;
        result.saved = SaveResult::refused(Str::PictureFolderLinked);
        return result;
    }
    if (pictures && !pictureFolder.open())
        result.outcome = RunOutcome::Failed;

    const int total = int(items.size());
    for (int i = 0; i < total && result.outcome == RunOutcome::Done; ++i) {
        std::optional<Recipe> found = finder.find(items.at(i));
        if (!found) {
            result.outcome = RunOutcome::Failed;
            break;
        }
        Recipe& f = *found;
        f.date = job.date;
        if (!pictures || !safePictureName(f.image)) {
            f.image.clear();
        } else {
            // A picture missing from the images folder is not copied; its
            // name is still written.
            const QString from = joinPath(job.imagesFolder, f.image);
            if (regularFile(from) && !pictureFolder.add(from, f.image)) {
                result.outcome = RunOutcome::Failed;
                break;
            }
        }
        pugi::xml_node& cat = written[f.category];
        if (!cat)
            cat = out.appendCategoryNode(f.category);
        RecipeBook::appendRecipeNode(cat, f, !f.image.isEmpty());
        ++result.written;
        if (step && !step(i + 1, total))
            result.outcome = RunOutcome::Cancelled;
    }

    // A run that stops part-way writes what it did as a complete file, but
    // never in place of a file that is already there.
    result.keptExisting = result.outcome != RunOutcome::Done && QFileInfo::exists(job.path);
    if (result.keptExisting)
        result.saved = SaveResult::failure(QStringLiteral("the export stopped; the existing file was left as it was"));
    else {
        // The new pictures (with the old ones) take the old folder's place
        // just before the file takes the old file's.
        bool placed = true;
        result.saved = writeFileAtomically(
            job.path, [&out](QIODevice& device) { return out.writeTo(device); },
            [&] { return placed = !pictures || pictureFolder.commit(); });
        if (!placed)
            result.saved = SaveResult::refused(Str::PictureFolderNotReplaced);
    }
    if (!result.saved && result.outcome == RunOutcome::Done)
        result.outcome = RunOutcome::Failed;
    return result;
}

// ---------------------------------------------------------------------------
// Import

QStringList importList(const RecipeList& source)
{
    QStringList titles;
    titles.reserve(source.count());
    for (const Recipe& r : source.recipes)
        titles << r.title;
    return titles;
}

namespace {

// A recipe's key for finding it again: its title in lower case and its
// ingredients without spaces or letter case.
QString recipeKey(const Recipe& recipe)
{
    QString ing = recipe.ing.toLower();
    ing.removeIf([](QChar c) { return c.isSpace(); });
    return storableText(recipe.title).toLower() + QChar(0) + ing;
}

} // namespace

QSet<int> entriesInBook(const RecipeBook& book, const RecipeList& source)
{
    QSet<QString> keys;
    for (const Recipe& r : book.allRecipes())
        keys.insert(recipeKey(r));
    QSet<int> out;
    for (int index = 0; index < source.count(); ++index) {
        const Recipe& r = source.recipes[size_t(index)];
        if (!r.ing.trimmed().isEmpty() && keys.contains(recipeKey(r)))
            out.insert(index);
    }
    return out;
}

ImportKind loadImportFile(const QString& path, RecipeList& source, const ReadContext& context, QVector<int>* unreadable)
{
    const ImportFileRead read = readImportFile(path, source, context);
    if (unreadable)
        *unreadable = read.unreadable;
    return read.kind;
}

namespace {

// Where an import puts its pictures: copied from the source's picture
// folder into the images folder, under names no file there nor recipe of
// the book has (letter case ignored, as some disks ignore it).
class PictureCopier {
public:
    PictureCopier(const RecipeBook& book, const ImportJob& job) : book_(book), job_(job)
    {
        // Pictures come in under names only this program gives, and take
        // their own names once the book naming them is saved.
        added_ = job.newPictures;
        if (!added_)
            added_ = &own_.emplace(job.imagesFolder);
        // Pictures are read only from a real folder, never through a link.
        on_ = job.pictures && !unusableFolder(job.pictureFolder) && QFileInfo(job.pictureFolder).isDir();
    }

    // The name in the images folder of the picture named in the source
    // (empty when it comes in without one); false when it cannot be copied.
    bool copy(const QString& picture, const QString& title, QString& name)
    {
        name.clear();
        // Only a bare name is looked up, and only inside the picture
        // folder; anything else comes in without its picture.
        if (!on_ || !safePictureName(picture) || !regularFile(joinPath(job_.pictureFolder, picture)))
            return true;
        // A name derived before ("plain_Plain.png" for "Plain") is derived
        // again from what it was derived from, so that it never grows from
        // import to import.
        QString from = picture;
        const qsizetype dot = picture.lastIndexOf(QLatin1Char('.'));
        const qsizetype end = dot < 0 ? picture.size() : dot;
        const QString suffix = QLatin1Char('_') + title;
        if (end > suffix.size() && QStringView(picture).left(end).endsWith(suffix))
            from = picture.left(end - suffix.size()) + picture.mid(end);
        const QString wanted = getNewFileName(from, title);
        if (wanted.isEmpty())
            return true;
        // Never a file already there, nor a name a recipe uses.
        const QString free = freeName(wanted, [this](const QString& n) { return taken(n); });
        if (!added_->add(joinPath(job_.pictureFolder, picture), free))
            return false;
        names_->insert(free.toLower());
        name = free;
        return true;
    }

    // The book is saved (or not): the pictures take their names, or go.
    void saved(bool kept)
    {
        if (kept)
            added_->keep();
        else
            added_->discard();
    }
    // The caller saves the book: pictures of its own are kept in place.
    void leftToCaller()
    {
        if (own_)
            own_->keep();
    }

private:
    bool taken(const QString& name)
    {
        // The names the book uses and the files of the images folder,
        // found when first needed.
        if (!names_) {
            names_.emplace();
            for (const Recipe& r : book_.allRecipes())
                names_->insert(r.image.toLower());
            const QStringList files = QDir(job_.imagesFolder)
                                          .entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                     QDir::NoDotAndDotDot);
            for (const QString& file : files)
                names_->insert(file.toLower());
        }
        const QFileInfo file(joinPath(job_.imagesFolder, name));
        return names_->contains(name.toLower()) || file.exists() || file.isSymLink();
    }

    const RecipeBook& book_;
    const ImportJob& job_;
    std::optional<NewPictures> own_;
    NewPictures* added_ = nullptr;
    std::optional<QSet<QString>> names_;
    bool on_ = false;
};

// The title a recipe comes in under: its own (as it will be stored) when
// allowed and free, else the asker's answer; nullopt when it is skipped.
std::optional<QString> titleToUse(const QString& title, const RecipeBook& book, const TitleAsker& ask)
{
    if (!title.isEmpty() && nameAllowed(title) && !book.titleExists(title))
        return title;
    std::optional<QString> answer;
    for (QString shown = title;;) {
        answer = ask ? ask(shown) : std::nullopt;
        if (!answer || answer->isEmpty())
            return std::nullopt;
        shown = storableText(*answer);
        if (nameAllowed(shown) && !book.titleExists(shown))
            return shown;
    }
}

} // namespace

ImportResult importRecipes(RecipeBook& book, const RecipeList& source, const ImportJob& job, const TitleAsker& ask,
                           const StepFn& step)
{
    ImportResult result;
    // A clash of titles ignores letter case (titleExists); the recipes
    // imported are in the book's titles as soon as they are added.
    QHash<QString, pugi::xml_node> categories = book.categoriesByName();
    PictureCopier pictures(book, job);

    const int total = int(job.selected.size());
    int done = 0;
    // A step done; false when the run stops there.
    const auto stepped = [&] {
        if (step && !step(++done, total))
            result.outcome = RunOutcome::Cancelled;
        return result.outcome == RunOutcome::Done;
    };
    const auto stop = [&](ImportFault fault) {
        result.outcome = RunOutcome::Failed;
        result.fault = fault;
    };
    for (int index = 0; index < source.count(); ++index) {
        if (!job.selected.contains(index))
            continue;
        const Recipe& r = source.recipes[size_t(index)];
        const int fields = source.fieldCounts.value(index, RChildCount);
        if (fields > 11) {
            stop(ImportFault::Corrupt);
            break;
        }
        // Titles are compared as they will be stored.
        const QString own = storableText(r.title);
        if ((own.isEmpty() || !nameAllowed(own) || book.titleExists(own)) && fields < 8) {
            stop(ImportFault::Corrupt);
            break;
        }
        const std::optional<QString> title = titleToUse(own, book, ask);
        if (!title) {
            ++result.skipped;
            result.handled.insert(index);
            result.skippedEntries.insert(index);
            if (!stepped())
                break;
            continue;
        }
        if (*title != own && *title != allowedName(own))
            result.renamed.insert(index);

        Recipe f = r;
        f.title = *title;
        f.date = job.date;
        if (!pictures.copy(r.image, *title, f.image)) {
            stop(ImportFault::PictureNotCopied);
            break;
        }

        // Category names come in as the program allows them, never empty.
        QString categoryName = allowedName(r.category).trimmed();
        if (categoryName.isEmpty())
            categoryName = job.uncategorised.isEmpty() ? fetchText(Str::ImportedCategory) : job.uncategorised;
        pugi::xml_node& cat = categories[categoryName];
        if (!cat)
            cat = RecipeBook::appendCategoryNode(book.root(), categoryName);
        book.noteNewRecipe(RecipeBook::appendRecipeNode(cat, f, true));
        ++result.imported;
        result.handled.insert(index);
        if (!stepped())
            break;
    }

    if (result.imported > 0 && !job.bookPath.isEmpty()) {
        result.saved = saveBook(book, job.bookPath, job.snapshots);
        pictures.saved(bool(result.saved));
    } else {
        pictures.leftToCaller();
    }
    return result;
}

QString importSummary(int imported, int skippedByUser, const QVector<int>& unreadable)
{
    constexpr int kShown = 5;
    QString text = fetchText(Str::ImportedCount).arg(imported) + QLatin1Char('\n') +
                   fetchText(Str::SkippedCount).arg(skippedByUser + unreadable.size());
    if (unreadable.isEmpty())
        return text;
    QStringList lines;
    for (int i = 0; i < unreadable.size() && i < kShown; ++i)
        lines << QString::number(unreadable[i]);
    QString list = lines.join(QStringLiteral(", "));
    if (unreadable.size() > kShown)
        list += QLatin1Char(' ') + fetchText(Str::AndMore).arg(unreadable.size() - kShown);
    return text + QLatin1Char('\n') + fetchText(Str::UnreadableLines).arg(list);
}

} // namespace bd
