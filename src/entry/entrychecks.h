// The checks and text edits of the add and edit windows, free of widgets:
// which message a recipe about to be saved earns, which picture file names
// are accepted.
#pragma once

#include <QString>

namespace bd {

// The control a failed check puts the focus on.
enum class EntryFocus { None, Title, Category };

struct EntryCheck {
    int message = 0;        // English string id; 0 when every check passed
    QString suffix;         // text shown after the message
    EntryFocus focus = EntryFocus::None;
    bool selectTitle = false; // the whole title is selected
    bool ok() const { return message == 0; }
};

// The add window's checks, in order: empty title, no real category,
// forbidden characters, a title already in the book in any letter case.
// title is already trimmed.
EntryCheck checkNewRecipe(const QString& title, bool categoryChosen);

// The edit window's checks, in order: no real category, empty title,
// forbidden characters, and a duplicate title only when the title changed
// other than in letter case (editTitle being the title before editing).
EntryCheck checkEditedRecipe(const QString& title, bool categoryChosen, const QString& editTitle);

// Texts that follow message 166 (titles) and 295 (category names) in the
// add and the edit window.
QString titleCharsText();
QString addCategoryCharsText();
QString editCategoryCharsText();

// True for names the picture dialog accepts: the last three characters,
// lower-cased, are gif, jpg, bmp, peg or jpe.
bool pictureNameAccepted(const QString& path);

// True when path lies directly in folder (both compared as cleaned
// absolute paths, through symbolic links when both exist).
bool inFolder(const QString& path, const QString& folder);

} // namespace bd
