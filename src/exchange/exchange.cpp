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

// The texts of a recipe's element children, in order.
std::vector<QString> childTexts(pugi::xml_node recipe)
{
    std::vector<QString> out;
    for (pugi::xml_node n = recipe.first_child(); n; n = n.next_sibling())
        if (n.type() == pugi::node_element)
            out.push_back(qstr(n.text().get()));
    return out;
}

} // namespace

void appendFields(pugi::xml_node cat, const Recipe& f, bool withImage)
{
    RecipeBook::appendRecipeNode(cat, f, withImage);
}

pugi::xml_node appendCategoryNode(pugi::xml_node root, const QString& name)
{
    return RecipeBook::appendCategoryNode(root, name);
}

namespace {

QString categoryNameOf(pugi::xml_node cat) { return storableText(qstr(cat.attribute("cname").value())); }

QHash<QString, pugi::xml_node> categoriesByName(const RecipeBook& book) { return book.categoriesByName(); }

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

QStringList importList(const RecipeBook& source)
{
    QStringList titles;
    for (pugi::xml_node c = source.root().child("category"); c; c = c.next_sibling("category"))
        for (pugi::xml_node r = c.child("recipe"); r; r = r.next_sibling("recipe"))
            titles << RecipeBook::childText(r, RTitle);
    return titles;
}

ImportKind loadImportFile(const QString& path, RecipeBook& source, const QString& uncategorised,
                          QVector<int>* unreadable)
{
    const ImportFileRead read = readImportFile(path, source, uncategorised);
    if (unreadable)
        *unreadable = read.unreadable;
    return read.kind;
}

ImportResult importRecipes(RecipeBook& book, const RecipeBook& source, const ImportJob& job, const TitleAsker& ask,
                           const StepFn& step)
{
    ImportResult result;
    // Titles of the book, lower-cased: a clash ignores letter case.
    QSet<QString> taken;
    for (pugi::xml_node c = book.root().child("category"); c; c = c.next_sibling("category"))
        for (pugi::xml_node r = c.child("recipe"); r; r = r.next_sibling("recipe"))
            taken.insert(storableText(RecipeBook::childText(r, RTitle)).toLower());
    QHash<QString, pugi::xml_node> categories = categoriesByName(book);

    // Pictures come in under names only this program gives, and take their
    // own names once the book naming them is saved.
    std::optional<NewPictures> ownPictures;
    NewPictures* added = job.newPictures;
    if (!added)
        added = &ownPictures.emplace(job.imagesFolder);
    // The picture names the book uses and the files of the images folder,
    // lower-cased (some disks ignore letter case); found when first needed.
    std::optional<QSet<QString>> namesTaken;
    const auto pictureNameTaken = [&](const QString& name) {
        if (!namesTaken) {
            namesTaken.emplace();
            for (pugi::xml_node c = book.root().child("category"); c; c = c.next_sibling("category"))
                for (pugi::xml_node r = c.child("recipe"); r; r = r.next_sibling("recipe"))
                    namesTaken->insert(RecipeBook::childText(r, RImage).toLower());
            const QStringList files =
                QDir(job.imagesFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            for (const QString& file : files)
                namesTaken->insert(file.toLower());
        }
        const QFileInfo file(joinPath(job.imagesFolder, name));
        return namesTaken->contains(name.toLower()) || file.exists() || file.isSymLink();
    };
    // Pictures are read only from a real folder, never through a link.
    const bool pictures = job.pictures && !unusableFolder(job.pictureFolder) && QFileInfo(job.pictureFolder).isDir();

    const int total = int(job.selected.size());
    int index = -1, done = 0;
    for (pugi::xml_node c = source.root().child("category"); c && result.outcome == RunOutcome::Done;
         c = c.next_sibling("category")) {
        for (pugi::xml_node r = c.child("recipe"); r; r = r.next_sibling("recipe")) {
            if (!job.selected.contains(++index))
                continue;
            const std::vector<QString> texts = childTexts(r);
            const int k = int(texts.size());
            if (k > 11) {
                result.outcome = RunOutcome::Failed;
                result.fault = ImportFault::Corrupt;
                break;
            }
            // Titles are compared as they will be stored.
            QString title = k > 0 ? storableText(texts[0]) : QString();
            if (title.isEmpty() || !nameAllowed(title) || taken.contains(title.toLower())) {
                if (k < 8) {
                    result.outcome = RunOutcome::Failed;
                    result.fault = ImportFault::Corrupt;
                    break;
                }
                std::optional<QString> answer;
                for (QString shown = title;;) {
                    answer = ask ? ask(shown) : std::nullopt;
                    if (!answer || answer->isEmpty())
                        break;
                    shown = storableText(*answer);
                    if (nameAllowed(shown) && !taken.contains(shown.toLower()))
                        break;
                }
                if (!answer || answer->isEmpty()) {
                    ++result.skipped;
                    result.handled.insert(index);
                    result.skippedEntries.insert(index);
                    if (step && !step(++done, total))
                        result.outcome = RunOutcome::Cancelled;
                    if (result.outcome != RunOutcome::Done)
                        break;
                    continue;
                }
                if (storableText(*answer) != allowedName(title))
                    result.renamed.insert(index);
                title = storableText(*answer);
            }

            Recipe f;
            for (int i = 1; i < k && i < RChildCount; ++i)
                f[i] = texts[size_t(i)];
            f.title = title;
            f.date = job.date;
            const QString picture = f.image;
            f.image.clear();
            // Only a bare name is looked up, and only inside the picture
            // folder; anything else comes in without its picture.
            if (pictures && safePictureName(picture) && regularFile(joinPath(job.pictureFolder, picture))) {
                const QString wanted = getNewFileName(picture, title);
                if (!wanted.isEmpty()) {
                    // Never a file already there, nor a name a recipe uses.
                    const QString name = freeName(wanted, pictureNameTaken);
                    if (!added->add(joinPath(job.pictureFolder, picture), name)) {
                        result.outcome = RunOutcome::Failed;
                        result.fault = ImportFault::PictureNotCopied;
                        break;
                    }
                    namesTaken->insert(name.toLower());
                    f.image = name;
                }
            }

            // Category names come in as the program allows them, never empty.
            QString categoryName = allowedName(categoryNameOf(c)).trimmed();
            if (categoryName.isEmpty())
                categoryName = job.uncategorised.isEmpty() ? fetchText(Str::ImportedCategory) : job.uncategorised;
            pugi::xml_node& cat = categories[categoryName];
            if (!cat)
                cat = appendCategoryNode(book.root(), categoryName);
            appendFields(cat, f, true);
            book.noteNewRecipe(title);
            taken.insert(title.toLower());
            ++result.imported;
            result.handled.insert(index);
            if (step && !step(++done, total)) {
                result.outcome = RunOutcome::Cancelled;
                break;
            }
        }
    }

    if (result.imported > 0 && !job.bookPath.isEmpty()) {
        result.saved = saveBook(book, job.bookPath, job.snapshots);
        if (result.saved)
            added->keep();
        else
            added->discard();
    } else if (ownPictures) {
        ownPictures->keep(); // the caller saves the book
    }
    return result;
}

} // namespace bd
