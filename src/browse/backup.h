#pragma once
// File > Backup Recipes without the window: a copy of the book at a path the
// user chooses and, if wished, the pictures in an exp_img folder beside it.

#include <QString>
#include <functional>

namespace bd {

// Told after each picture file is copied to exp_img how
// many of total are done (step returns false when the user cancels), and
// when the work on the pictures has ended, however it ended.
struct BackupProgress {
    std::function<bool(int done, int total)> step;
    std::function<void()> finished;
};

enum class BackupOutcome { Saved, Cancelled, Failed };

// Runs the whole command, dialogs and messages included. proposal is the
// file name the save dialog proposes; it becomes the last chosen path.
// Without a step, pending events run after each picture file.
// An existing file at the chosen path is replaced only by a complete copy.
BackupOutcome backupRecipes(QString& proposal, const BackupProgress& progress = {});

// The work of the backup without questions: copies the book file book to
// path and, unless images is empty, every regular file of images into a new
// exp_img beside path, which takes the old one's place only after the book
// copy is in place. A run that fails or is cancelled leaves the old backup
// as it was; so does a kill at any moment.
BackupOutcome writeBackup(const QString& book, const QString& images, const QString& path,
                          const BackupProgress& progress = {});

// True if path names the book itself, letter case ignored.
bool isPrimaryBook(const QString& path);

} // namespace bd
