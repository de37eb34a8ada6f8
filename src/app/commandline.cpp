#include "app/commandline.h"

#include "app/base/booklock.h"
#include "app/base/globals.h"
#include "exchange/exportformats.h"
#include "exchange/importfile.h"
#include "exchange/formats/mealmaster.h"
#include "output/cookbook.h"
#include "output/cooking.h"
#include "output/plaintext.h"
#include "search/search.h"
#include "app/base/text.h"
#include "store/bookfolder.h"
#include "store/booksave.h"
#include "store/names.h"
#include "store/picturefiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace bd {

namespace {

QString native(const QString& path) { return QDir::toNativeSeparators(path); }
QString cleanPath(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

CommandResult failed(const QString& why, int code = kCommandFailed)
{
    CommandResult r;
    r.exitCode = code;
    r.err = QStringLiteral("brindelle: ") + why + QLatin1Char('\n');
    return r;
}

QString bookIn(const QString& folder) { return folder + QStringLiteral("/recipes.xml"); }

// Reads the book in folder for a command that only reads it; what went
// wrong, when it cannot.
std::optional<CommandResult> readBook(const QString& folder, RecipeBook& book, int code = kCommandFailed)
{
    if (!QFileInfo(bookIn(folder)).isFile())
        return failed(fetchText(Str::CliNoBook).arg(native(folder)), code);
    QString error;
    if (!book.loadFile(bookIn(folder), &error, false))
        return failed(fetchText(Str::CliBookUnreadable).arg(native(bookIn(folder)), error), code);
    return std::nullopt;
}

QString formatName(ExportFormat format)
{
    switch (format) {
    case ExportFormat::Book: return fetchText(Str::CliFormatBook);
    case ExportFormat::MealMaster: return fetchText(Str::CliFormatMealMaster);
    case ExportFormat::Cookbook: return fetchText(Str::CliFormatCookbook);
    case ExportFormat::WebPage: return fetchText(Str::CliFormatWebPage);
    }
    return QString();
}

QString reason(const SaveResult& saved)
{
    if (!saved.error.isEmpty())
        return saved.error;
    return fetchText(saved.message != Str::None ? saved.message : Str::CliUnknownError);
}

// "1 category", "2 categories" in the program's language.
QString categoryCount(int n) { return fetchText(n == 1 ? Str::CliOneCategory : Str::CliCategories).arg(n); }

// Answers the import's title question without asking: a clash becomes
// "Title (2)", then "Title (3)", ... until one is free; a title with
// characters names may not carry gets their allowed forms first. With
// skip, clashes are left out.
class ClashNamer {
public:
    explicit ClashNamer(bool skip) : skip_(skip) {}
    int renamed = 0;

    std::optional<QString> operator()(const QString& shown)
    {
        if (shown != last_) {
            // A new recipe's title (not one of this namer's own answers).
            if (shown.isEmpty())
                return std::nullopt;
            if (!nameAllowed(shown)) {
                base_ = allowedName(shown);
                last_ = base_;
                number_ = 1;
                counted_ = false;
                return base_.isEmpty() ? std::nullopt : std::optional<QString>(base_);
            }
            base_ = shown;
            number_ = 1;
            counted_ = false;
            if (skip_)
                return std::nullopt;
        } else if (skip_ && number_ == 1) {
            return std::nullopt; // its allowed form clashes too
        }
        if (++number_ > 100000)
            return std::nullopt;
        if (!counted_) {
            ++renamed;
            counted_ = true;
        }
        last_ = QStringLiteral("%1 (%2)").arg(base_).arg(number_);
        return last_;
    }

private:
    bool skip_;
    QString base_, last_;
    int number_ = 1;
    bool counted_ = false;
};

} // namespace

bool commandNeedsGui(const Options& options)
{
    return !options.exportFile.isEmpty() && exportFormatOf(options.exportFile) == ExportFormat::Cookbook;
}

CommandResult exportFromCommandLine(const QString& folder, const Options& options)
{
    const std::optional<ExportFormat> format = exportFormatOf(options.exportFile);
    if (!format)
        return failed(fetchText(Str::CliNotExportType).arg(native(options.exportFile)));
    const QString path = cleanPath(options.exportFile);
    // Whatever name leads there: the book, the trash, a snapshot or a
    // picture would be replaced.
    if (insideBookFolder(path, folder))
        return failed(sameFile(path, bookIn(folder))
                          ? fetchText(Str::CliExportIsBook)
                          : fetchText(Str::CliExportInBookFolder).arg(native(path), native(folder)));
    RecipeBook book;
    if (std::optional<CommandResult> unread = readBook(folder, book))
        return *unread;

    // The categories asked for: exact names first, else letter case ignored.
    const QVector<CategoryEntry> categories = book.categories();
    QVector<int> chosen;
    for (const QString& wanted : options.categories) {
        QVector<int> found;
        for (const Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
            for (const CategoryEntry& c : categories)
                if (c.name.compare(wanted.trimmed(), cs) == 0)
                    found << c.position;
            if (!found.isEmpty())
                break;
        }
        if (found.isEmpty()) {
            QStringList names;
            for (const CategoryEntry& c : categories)
                names << c.name;
            return failed(
                fetchText(Str::CliNoCategory)
                    .arg(wanted, names.isEmpty() ? fetchText(Str::CliNoCategories) : names.join(QStringLiteral(", "))));
        }
        for (int position : std::as_const(found))
            if (!chosen.contains(position))
                chosen << position;
    }
    if (options.categories.isEmpty())
        for (int i = 0; i < book.categoryCount(); ++i)
            chosen << i;

    QVector<RecipeRef> items;
    QSet<QString> titles; // equal titles in one category name one recipe
    for (int position : std::as_const(chosen)) {
        titles.clear();
        for (const QString& title : book.recipeTitles(position))
            if (!titles.contains(title)) {
                titles.insert(title);
                items.push_back({position, title});
            }
    }

    // Nothing to export writes nothing: an empty file would pass for an export.
    if (items.isEmpty()) {
        if (options.categories.isEmpty())
            return failed(fetchText(Str::CliEmptyBook));
        QStringList names;
        for (int position : std::as_const(chosen))
            names << QLatin1Char('\'') + book.categoryName(position) + QLatin1Char('\'');
        return failed(fetchText(Str::CliEmptyCategories).arg(names.join(QStringLiteral(", "))));
    }

    ExportJob job;
    job.path = path;
    job.imagesFolder = folder + QStringLiteral("/images");
    job.pictureFolder = *format == ExportFormat::Book ? exchangePictureFolder(path) : QString();
    job.date = shortDateText();
    ExportOptions exportOptions;
    exportOptions.format = *format;
    exportOptions.encoding = options.windows1252 ? TextEncoding::Windows1252 : TextEncoding::Utf8;
    exportOptions.title = options.title;
    exportOptions.recipePerPage = options.recipePerPage;
    const ExportResult r = exportAs(book, items, job, exportOptions);
    if (r.outcome != RunOutcome::Done)
        return failed(fetchText(Str::CliNotWritten)
                          .arg(native(path), r.saved ? fetchText(Str::CliPictureNotCopied) : reason(r.saved)));
    CommandResult done;
    done.out = fetchText(Str::CliExported)
                   .arg(recipeCount(r.written), categoryCount(int(chosen.size())), native(path), formatName(*format)) +
               QLatin1Char('\n');
    if (r.replaced)
        done.out += replacedText(r.replaced) + QLatin1Char('\n');
    return done;
}

CommandResult importFromCommandLine(const QString& folder, const Options& options)
{
    // Every file is read first: one that cannot be read stops the import
    // before anything changes.
    QStringList paths;
    for (const QString& file : options.importFiles) {
        paths << cleanPath(file);
        if (paths.last() == cleanPath(bookIn(folder)))
            return failed(fetchText(Str::CliIntoItself));
        const QFileInfo info(paths.last());
        if (info.isDir())
            return failed(fetchText(Str::CliIsFolder).arg(native(file)));
        if (!info.isFile())
            return failed(fetchText(Str::CliNoFile).arg(native(file)));
        // One the system will not open for this user: its reason, not
        // "no recipes".
        QFile readable(paths.last());
        if (!readable.open(QIODevice::ReadOnly))
            return failed(fetchText(Str::CliCannotRead).arg(native(file), readable.errorString()));
    }
    RecipeList source;
    const std::vector<ImportFileRead> reads = readImportFiles(paths, source,
                                                              {fetchText(Str::ImportedCategory), G.langOffset});
    for (qsizetype i = 0; i < paths.size(); ++i)
        if (reads[size_t(i)].kind == ImportKind::None)
            return failed(reads[size_t(i)].ownCookbook.message != Str::None
                              ? ownCookbookText(reads[size_t(i)], options.importFiles[i])
                          : reads[size_t(i)].archiveFault != ArchiveFault::None
                              ? archiveFaultText(reads[size_t(i)], options.importFiles[i])
                              : fetchText(Str::CliNoRecipesIn).arg(native(options.importFiles[i])));

    switch (takeBookFolder(folder)) {
    case FolderLock::HeldElsewhere: return failed(fetchText(Str::CliBookHeld).arg(native(folder)), kBookInUse);
    case FolderLock::Unlockable:
        // Without the lock another copy could change the book at the same time.
        return failed(fetchText(Str::CliNoLock).arg(native(folder)));
    case FolderLock::NotAFile:
        return failed(fetchText(Str::CliLockNotFile).arg(native(folder), native(lockFilePath(folder))));
    case FolderLock::Taken: break;
    }
    struct Unlock {
        ~Unlock() { unlockBookFolder(); }
    } unlock;
    removeStaleSaves(bookIn(folder));

    RecipeBook book;
    QString error;
    if (QFileInfo::exists(bookIn(folder)) && !book.loadFile(bookIn(folder), &error, false))
        return failed(fetchText(Str::CliBookUnreadable).arg(native(bookIn(folder)), error));
    const QString images = folder + QStringLiteral("/images");
    finishNewPictures(images, book);
    NewPictures added(images); // removed unless the book is saved

    CommandResult done;
    int imported = 0, skipped = 0;
    // Where each file's entries start in source.
    std::vector<int> first(reads.size() + 1, 0);
    for (size_t i = 0; i < reads.size(); ++i)
        first[i + 1] = first[i] + reads[i].recipes;
    for (size_t i = 0; i < reads.size();) {
        // Files of other programs go in together, as long as the pictures
        // they name are in one folder; a recipe book brings the pictures of
        // its own folder.
        size_t end = i + 1;
        QString pictures = reads[i].pictureFolder;
        if (reads[i].kind != ImportKind::Book)
            for (; end < reads.size() && reads[end].kind != ImportKind::Book; ++end) {
                const QString& at = reads[end].pictureFolder;
                if (!at.isEmpty() && !pictures.isEmpty() && at != pictures)
                    break;
                if (pictures.isEmpty())
                    pictures = at;
            }
        ImportJob job;
        for (int e = first[i]; e < first[end]; ++e)
            job.selected.insert(e);
        job.pictures = reads[i].kind == ImportKind::Book || !pictures.isEmpty();
        job.pictureFolder = reads[i].kind == ImportKind::Book ? exchangePictureFolder(paths[qsizetype(i)]) : pictures;
        job.imagesFolder = images;
        job.date = shortDateText();
        job.newPictures = &added;
        ClashNamer namer(options.skipClashes);
        const ImportResult r = importRecipes(book, source, job, std::ref(namer));
        if (r.outcome != RunOutcome::Done) {
            // The file of the first entry that did not go in.
            size_t culprit = i;
            while (culprit + 1 < end && r.handled.size() >= first[culprit + 1] - first[i])
                ++culprit;
            return failed(fetchText(Str::CliNotImported)
                              .arg(native(paths[qsizetype(culprit)]),
                                   fetchText(r.fault == ImportFault::PictureNotCopied ? Str::CliPictureNotCopied
                                                                                      : Str::CliRecipeUnreadable)));
        }
        for (size_t k = i; k < end; ++k) {
            int fileImported = 0, fileSkipped = 0, fileRenamed = 0;
            for (int e = first[k]; e < first[k + 1]; ++e) {
                if (r.skippedEntries.contains(e))
                    ++fileSkipped;
                else if (r.handled.contains(e))
                    ++fileImported;
                if (r.renamed.contains(e))
                    ++fileRenamed;
            }
            const QVector<int>& unreadable = reads[k].unreadable;
            QString line =
                fetchText(Str::CliFileImported).arg(native(paths[qsizetype(k)]), QString::number(fileImported));
            if (fileRenamed > 0)
                line += fetchText(Str::CliRenamed).arg(fileRenamed);
            line += fetchText(Str::CliSkipped).arg(fileSkipped + unreadable.size());
            if (fileSkipped > 0)
                line += fetchText(Str::CliSkippedClashes).arg(fileSkipped);
            if (!unreadable.isEmpty()) {
                QStringList lines;
                for (int n : unreadable)
                    lines << QString::number(n);
                line += fetchText(Str::CliUnreadableRecipes)
                            .arg(recipeCount(int(unreadable.size())), lines.join(QStringLiteral(", ")));
            }
            done.out += line + QLatin1Char('\n');
            // Pictures left out, and an archive read only in part.
            for (const QString& more : {notPicturesText(reads[k]), archiveFaultText(reads[k], paths[qsizetype(k)])})
                if (!more.isEmpty())
                    done.out += more + QLatin1Char('\n');
            imported += fileImported;
            skipped += fileSkipped + int(unreadable.size());
        }
        i = end;
    }

    if (imported > 0) {
        // A folder that cannot be made shows as the book that cannot be saved below.
        QDir().mkpath(folder);
        // A book another program changed meanwhile is kept beside it.
        const SaveResult saved = saveBook(book, bookIn(folder), {});
        if (!saved)
            return failed(fetchText(Str::CliNotSaved).arg(native(bookIn(folder)), reason(saved)));
        added.keep();
    }
    done.out +=
        fetchText(Str::CliImported).arg(recipeCount(imported), native(bookIn(folder)), QString::number(skipped)) +
        QLatin1Char('\n');
    return done;
}

CommandResult searchFromCommandLine(const QString& folder, const Options& options)
{
    RecipeBook book;
    if (std::optional<CommandResult> unread = readBook(folder, book, kSearchFailed))
        return *unread;
    const SearchHits hits = searchRecs(book, options.query);
    CommandResult r;
    for (int i : listOrder(hits))
        r.out += hits.category(i) + QLatin1Char('\t') + hits.title(i) + QLatin1Char('\n');
    r.exitCode = hits.size() > 0 ? 0 : kNothingFound;
    return r;
}

namespace {

// The recipes of the book titled title, exactly, in book order.
std::vector<Recipe> recipesTitled(const RecipeBook& book, const QString& title)
{
    std::vector<Recipe> found;
    for (int position = 0; position < book.categoryCount(); ++position)
        if (std::optional<Recipe> r = book.recipe({position, title}))
            found.push_back(*r);
    return found;
}

// A text with CR LF line breaks as a terminal's lines.
QString terminalLines(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

} // namespace

CommandResult showFromCommandLine(const QString& folder, const Options& options)
{
    RecipeBook book;
    if (std::optional<CommandResult> unread = readBook(folder, book))
        return *unread;
    const QString title = options.recipeTitles.value(0);
    const double servings = options.servings.value(0);
    const std::vector<Recipe> found = recipesTitled(book, title);
    if (found.empty())
        return failed(fetchText(Str::CliNoRecipeTitled).arg(title), kNothingFound);
    CommandResult r;
    for (const Recipe& recipe : found) {
        if (!r.out.isEmpty())
            r.out += QLatin1Char('\n');
        r.out += terminalLines(plainTextRecipe(viewedRecipe(recipe, {servings, options.units}, G.langOffset))) +
                 QLatin1Char('\n');
        if (servings > 0 && readYield(recipe.yield).count <= 0)
            r.err += QStringLiteral("brindelle: ") + fetchText(Str::CliNotScaled).arg(recipe.title) + QLatin1Char('\n');
    }
    return r;
}

CommandResult shoppingListFromCommandLine(const QString& folder, const Options& options)
{
    RecipeBook book;
    if (std::optional<CommandResult> unread = readBook(folder, book))
        return *unread;
    std::vector<ShoppingChoice> choices;
    for (qsizetype i = 0; i < options.recipeTitles.size(); ++i) {
        const std::vector<Recipe> found = recipesTitled(book, options.recipeTitles[i]);
        if (found.empty())
            return failed(fetchText(Str::CliNoRecipeTitled).arg(options.recipeTitles[i]), kNothingFound);
        choices.push_back({found.front(), options.servings.value(i)});
    }
    CommandResult r;
    r.out = terminalLines(shoppingListText(shoppingList(choices, options.units, G.langOffset), {}, G.langOffset));
    return r;
}

int runCommand(const Options& options)
{
    const ProgramFolders folders = programFolders(QCoreApplication::applicationDirPath());
    const QString folder = chooseAppPath(folders.portableDir, options.dataDir);
    // The cookbook speaks the language the cook chose for the program.
    languageChosen();
    const CommandResult r = options.search                 ? searchFromCommandLine(folder, options)
                            : options.show                 ? showFromCommandLine(folder, options)
                            : options.shoppingList         ? shoppingListFromCommandLine(folder, options)
                            : options.exportFile.isEmpty() ? importFromCommandLine(folder, options)
                                                           : exportFromCommandLine(folder, options);
    std::fputs(r.out.toLocal8Bit().constData(), stdout);
    std::fputs(r.err.toLocal8Bit().constData(), stderr);
    return r.exitCode;
}

} // namespace bd
