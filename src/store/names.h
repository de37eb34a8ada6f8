#pragma once
// The rules for the names a cook gives and the program derives: recipe
// titles and category names (the ten forbidden characters, the order of
// the checks on a recipe about to be saved) and picture file names (the
// stored name derived from category and title, the names that may be used
// as files in the images folder, the files the picture dialog accepts).

#include <QString>
#include <QStringList>

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

// The same, and whether text holds no character refused(c) is true of,
// all in one pass.
template <typename Refused>
bool isSimplifiedWithout(QStringView text, Refused refused)
{
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    if (n == 0)
        return true;
    if (QChar(p[0]).isSpace() || QChar(p[n - 1]).isSpace())
        return false;
    for (qsizetype i = 0; i < n; ++i) {
        // Printable ASCII but the space, most of any text, at a run.
        while (i < n && char16_t(p[i] - 0x21) < 0x5F && !refused(p[i]))
            ++i;
        if (i >= n)
            break;
        const char16_t c = p[i];
        if (refused(c))
            return false;
        if (c <= ' ') {
            // The last character is no space, so a space has one after it.
            if (c != ' ' || p[i + 1] == ' ')
                return false;
        } else if (QChar(c).isSpace()) {
            return false;
        }
    }
    return true;
}

// Text as QString::simplified makes it; text that is so already is kept,
// not copied.
QString simplifiedText(QString&& text);
QString simplifiedText(QStringView text);

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

// True if no entry of a category list equals candidate when both are
// lower-cased.
bool categoryNameFree(const QStringList& listEntries, const QString& candidate);

// The control a failed check puts the focus on.
enum class EntryFocus { None, Title, Category };

struct EntryCheck {
    int message = 0; // English string id; 0 when every check passed
    QString suffix;  // text shown after the message
    EntryFocus focus = EntryFocus::None;
    bool selectTitle = false; // the whole title is selected
    bool ok() const { return message == 0; }
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
// become "_".
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
// empty when none can be made.
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
