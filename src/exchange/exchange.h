#pragma once
// Exporting recipes to a recipe-book file and importing them from one,
// without windows. Both build their result in memory and write each file
// once, at the end; both take what they work on as arguments: the export
// a book, the import the list of recipes a reader made of a file.

#include "store/bookfile.h"
#include "store/names.h"
#include "store/booksave.h"
#include "store/recipebook.h"

#include "exchange/formats/readers.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <optional>

namespace bd {

class NewPictures;

// Told after each recipe how many of total are done; returns false when the
// user cancels. May be empty.
using StepFn = std::function<bool(int done, int total)>;

enum class RunOutcome { Done, Failed, Cancelled };

// ---------------------------------------------------------------------------
// Export

struct ExportJob {
    QString path;          // the file written (replaced only when complete)
    QString imagesFolder;  // where the book's pictures are
    QString pictureFolder; // exp_img beside the file; empty = omit pictures
    QString date;          // written into every recipe
};

struct ExportResult {
    RunOutcome outcome = RunOutcome::Done;
    int written = 0;   // recipes in the file
    SaveResult saved;  // writing the file
    bool keptExisting = false; // stopped part-way: the file already there was left as it was
    int replaced = 0;          // characters the file's encoding lacks, written as "?"
};

// The picture folder of an export or backup file: exp_img beside it.
QString exchangePictureFolder(const QString& file);

// Writes the listed recipes of book to job.path: one category per distinct
// category name, in the order first met in items, each holding its recipes
// in list order, dated job.date. A recipe gets an image element only when
// pictures are copied and it has one. When a picture cannot be copied or a
// listed recipe is missing, or step cancels, the recipes done so far are
// still written as a complete file.
ExportResult exportRecipes(const RecipeBook& book, const QVector<RecipeRef>& items, const ExportJob& job,
                           const StepFn& step = {});

// ---------------------------------------------------------------------------
// Import

// The titles of the source's recipes, in their order: the entries of the
// import check list. Entry i is recipe i of importRecipes' selection.
QStringList importList(const RecipeList& source);

// The entries of source (as importList numbers them) whose recipe is
// already in book: the same title (letter case ignored) and the same
// ingredients (spaces ignored; a recipe without ingredients is never
// taken for one in the book). The check list shows them as such and
// leaves them unticked, so that a file imported twice adds nothing.
QSet<int> entriesInBook(const RecipeBook& book, const RecipeList& source);

// Book: the program's own file; the others are other programs' formats
// (exchange/importfile.h), WebPage also a saved page or JSON file.
enum class ImportKind {
    None,
    Book,
    MealMaster,
    MasterCook,
    MasterCookXml,
    RecipeML,
    WebPage,
    Cooklang,
    // Other programs' exports (exchange/otherprograms.h).
    Paprika,
    LivingCookbook,
    RecipeKeeper,
    Nextcloud,
    Mealie,
    Tandoor,
    MacGourmet,
    Mela,
    Crouton,
    CopyMeThat,
    PlanToEat,
    MyRecipeBox,
    NowYoureCooking,
    RezKonv,
    BigOven,
    Saffron,
};

// The file check of the import: reads the recipes of path into source, as
// a recipe book or, failing that, as a file of another program holding at
// least one readable recipe (recipes without a category go to
// context.uncategorised; the first lines of those that cannot be read go
// to unreadable). None leaves source empty. readImportFile
// (exchange/importfile.h) says more.
ImportKind loadImportFile(const QString& path, RecipeList& source, const ReadContext& context,
                          QVector<int>* unreadable = nullptr);

// Asks for a new title for a recipe whose title clashes or is not allowed;
// nullopt or an empty answer skips the recipe. Without an asker, clashes are skipped.
using TitleAsker = std::function<std::optional<QString>(const QString& shownTitle)>;

struct ImportJob {
    QSet<int> selected;        // indexes into importList(source)
    bool pictures = false;     // copy pictures from pictureFolder
    QString pictureFolder;     // the source's exp_img folder
    QString imagesFolder;      // the book's images folder
    QString bookPath;          // where the book is saved; empty = not saved
    QString date;              // written into every imported recipe
    QString uncategorised;     // the category of recipes whose category has no usable name
    SnapshotRule snapshots;    // daily copies of the book kept on saving
    // Where the pictures wait for the save of a caller that saves the book
    // itself (bookPath empty); without one, they are in place at the end.
    NewPictures* newPictures = nullptr;
};

enum class ImportFault { None, Corrupt, PictureNotCopied };

struct ImportResult {
    RunOutcome outcome = RunOutcome::Done;
    ImportFault fault = ImportFault::None;
    int imported = 0;
    int skipped = 0;
    QSet<int> handled; // selected entries imported or skipped by the user
    QSet<int> skippedEntries; // those of them left out for their title
    // Those imported under a title the asker gave, other than their own
    // with the characters a title may not hold cleaned away.
    QSet<int> renamed;
    SaveResult saved; // the one save of the book
};

// Appends the selected recipes of source to book, creating missing
// categories at the end (names cleaned as allowedName cleans them; one
// left empty is uncategorised). A title that is taken (letter case
// ignored), empty or not allowed is replaced by ask's answer; pictures
// (regular files of a real pictureFolder) are copied into imagesFolder
// under getNewFileName(image, title) (a name derived before, ending in
// "_" and the title, derived again from what it was derived from, so that
// it never grows), or a free name with " (2)", ... when
// a file or a recipe of the book has it; they take their names only once
// the book is saved, and go when it cannot be. A recipe
// of a book file with more than eleven fields, or a clashing one with
// fewer than eight (source.fieldCounts), stops the run (Corrupt), as does a picture that cannot be copied. However
// the run ends, the book is saved once with what was imported.
ImportResult importRecipes(RecipeBook& book, const RecipeList& source, const ImportJob& job, const TitleAsker& ask = {},
                           const StepFn& step = {});

// The last message of a MealMaster import: how many recipes were imported,
// how many were skipped (by the user, or unreadable) and the lines the
// first five unreadable ones start on.
QString importSummary(int imported, int skippedByUser, const QVector<int>& unreadable);

} // namespace bd
