#pragma once
// The rules for the names a cook gives and the program derives: recipe
// titles and category names (the ten forbidden characters, the order of
// the checks on a recipe about to be saved) and picture file names (the
// stored name derived from category and title, the names that may be used
// as files in the images folder, the files the picture dialog accepts).

#include "resources/strings.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace bd {

class RecipeBook;

// The ten characters no title or category name may hold: " ' ? \ / : * | < >
extern const QString kForbiddenNameChars;

// The text of a one-line field as it shows: each line break (CR LF, LF or
// CR) becomes a space.
QString oneLine(QString text);

// Whether QString::simplified would leave text as it is (a line break,
// too, is a space it replaces).
bool isSimplified(QStringView text);

// Text as QString::simplified makes it; text that is so already is kept,
// not copied.
QString simplifiedText(QString&& text);
QString simplifiedText(QStringView text);

// Text as the book holds it: characters XML cannot carry are dropped.
// Names and titles are checked in this form, so that what is compared is
// what is stored.
QString storableText(const QString& s);

// True if s holds none of the forbidden characters.
bool nameAllowed(const QString& s);

// The lists of forbidden characters that follow the messages about them,
// as each place has always shown them.
enum class CharsList { Title, AddCategory, EditCategory, RenameCategory };
QString forbiddenCharsText(CharsList where);

// A title or category name as the book may hold it: the characters names
// may not carry become their nearest allowed form (’ for ', “ ” for ",
// - for / \ |, " - " for :, ( ) for < >) or are dropped (? *); spaces are
// simplified.
QString allowedName(QStringView name);
QString allowedName(const QString& name);

// The title the book may take a recipe under when title is taken: title
// with " (2)", " (3)", ... the first number free (taken says whether a
// title is); a title ending in " (n)" already counts on from n + 1.
QString freeTitle(const QString& title, const std::function<bool(const QString&)>& taken);

// True if no entry of a category list equals candidate when both are
// lower-cased.
bool categoryNameFree(const QStringList& listEntries, const QString& candidate);

// The control a failed check puts the focus on.
enum class EntryFocus { None, Title, Category };

struct EntryCheck {
    Str message = Str::None; // English string id; None when every check passed
    QString suffix;          // text shown after the message
    EntryFocus focus = EntryFocus::None;
    bool selectTitle = false; // the whole title is selected
    bool ok() const { return message == Str::None; }
};

// The add window's checks, in order: empty title, no real category,
// forbidden characters, a title already in book in any letter case. title
// is already trimmed.
EntryCheck checkNewRecipe(const RecipeBook& book, const QString& title, bool categoryChosen);

// The edit window's checks, in order: no real category, empty title,
// forbidden characters, and a duplicate title only when the title changed
// other than in letter case (oldTitle being the title before editing).
EntryCheck checkEditedRecipe(const RecipeBook& book, const QString& title, bool categoryChosen,
                             const QString& oldTitle);

// prefix + "_" + category + "_" + title + ext, ext being the last four
// characters of sourcePath, with a ".jpeg" source stored as ".jpg".
// Characters that would make the name reach outside the images folder
// become "_". The name never carries the endings of the program's own
// files there (".bdnew-XXXXXX", ".bdsave-XXXXXX", ".renaming"), nor is it
// ".bdretired".
QString storedPictureName(const QString& prefix, const QString& category, const QString& title,
                          const QString& sourcePath);

// True when name can name a file in the images folder: not empty, not "."
// or "..", and free of folder separators, drive prefixes and NUL. The
// picture names in a book are used only when they pass this test.
bool safePictureName(const QString& name);
// folder + "/" + name, or an empty string when name is not safe.
QString picturePathIn(const QString& folder, const QString& name);

// name's stem up to and including its second "_", then middle, then name's
// extension (from its last "."). A name with fewer than two "_" keeps its
// base name followed by "_". The result is always a bare file name, or
// empty when none can be made. The endings of the program's own files are
// taken off name first and off the result (see storedPictureName), so that
// an imported picture never looks like an unfinished one.
QString getNewFileName(const QString& name, const QString& middle);

// True for names the picture dialog accepts: the last three characters,
// lower-cased, are gif, jpg, bmp, peg or jpe.
bool pictureNameAccepted(const QString& path);
// The file types pictureNameAccepted() takes, as file-dialog patterns
// ("*.jpg", ...).
QStringList picturePatterns();

// True when path lies directly in folder (both compared as cleaned
// absolute paths, through symbolic links when both exist).
bool inFolder(const QString& path, const QString& folder);

} // namespace bd
