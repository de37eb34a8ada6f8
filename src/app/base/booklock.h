#pragma once
// The book folder belongs to one running copy of the program at a time:
// a lock file in it says which.

#include <QDateTime>
#include <QString>

namespace bd {

// Takes the book folder for this copy of the program alone, through a lock
// file in it. A lock left by a copy that is no longer running is taken
// over. A lock of another computer, or one that cannot be read, is taken
// over when the cook says its holder is not running (after being told who
// holds it). False, after saying so, when another copy keeps it, or when
// a folder or anything else that is no file stands where the lock goes
// (it is named; nothing is removed). When no lock can be written, the book
// is opened read-only (G.readOnly).
bool lockBookFolder(const QString& folder);

// Who holds the lock of a book folder, as its lock file says.
struct LockHolder {
    bool readable = false;     // the lock file names a process
    bool thisComputer = false; // ... on this computer
    QString computer, program;
    QDateTime since; // when the lock was taken
};
LockHolder lockHolder(const QString& folder);
// The same without a message: Taken, HeldElsewhere (another running copy
// has it), Unlockable (no lock file can be written there), or NotAFile (a
// folder, a pipe or a device stands where the lock file goes).
enum class FolderLock { Taken, HeldElsewhere, Unlockable, NotAFile };
FolderLock takeBookFolder(const QString& folder);
// Where the lock file of a book folder is.
QString lockFilePath(const QString& folder);
// Gives the folder up (at the end of the program, and in tests).
void unlockBookFolder();

} // namespace bd
