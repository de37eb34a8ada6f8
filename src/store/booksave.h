#pragma once
// Saving the open book without losing what others wrote: before each save
// the file is compared with what the program last read or wrote. A file
// changed by another program (a sync service, a second computer) is read
// in and the cook's one change is made on it again; where that cannot be
// done, the other version is kept beside the book. Before the first save
// of each day a snapshot of the book is kept.

#include <QDateTime>
#include <QString>
#include <QVector>
#include <functional>

#include "store/bookfile.h"
#include "store/recipebook.h"

namespace bd {

// Adds recipes to book, each to the first category of its category's name
// (made when missing). False, leaving book partly changed, when a title is
// taken there.
bool addRecipesTo(RecipeBook& book, const QVector<Recipe>& recipes);

struct SnapshotRule {
    int kept = 14; // snapshots kept in the folder; 0 = none taken
    // The clock snapshots are dated by; empty: the system's.
    std::function<QDateTime()> clock;
};

// Saves book to path. A file another program changed since book was read
// or written is merged with it first (see mergeInto); the recipes both
// changed are named in the result, the other version kept as a conflict
// copy. The file is looked at again as the new one takes its place, and a
// version written at that moment is merged in and saved again. A file
// that cannot be read is not written over (unreadableOutside).
SaveResult saveBook(RecipeBook& book, const QString& path, const SnapshotRule& snapshots = {});
// Saves book over a file that another program left unreadable, keeping
// that file as a conflict copy first (renamed when it cannot be read).
SaveResult overwriteBook(RecipeBook& book, const QString& path);
// Reads the file at path into theirs for a merge: only a regular file, not
// through a link; a file caught half written is read again for a while.
// False when it cannot be read as a book.
bool readOtherVersion(const QString& path, RecipeBook& theirs, QByteArray* bytes);

// "recipes-conflict-<date>-<time>.xml" beside the book (a free name).
QString conflictCopyPath(const QString& bookPath, const QDateTime& when);

// Other versions of the book beside it: the copies sync services leave on
// a conflict ("recipes.sync-conflict-*.xml", "recipes (… conflicted copy
// …).xml", "recipes (conflict …).xml") and this program's own conflict
// copies; oldest first.
QStringList conflictCopies(const QString& bookPath);
// True when copy, one of conflictCopies(bookPath), is this program's own.
bool ownConflictCopy(const QString& bookPath, const QString& copy);

// Snapshots: "<folder of the book>/snapshots/recipes-<date>-<time>.xml".
// A snapshots folder that is a link is neither read nor written.
struct Snapshot {
    QString path;
    QDateTime taken;
    int recipes = -1; // -1: the file cannot be read as a book
    // Why it cannot: SnapshotNoAccess (it cannot be opened) or
    // SnapshotDamaged (it is no whole recipe book); None when it can.
    Str fault = Str::None;
};
QString snapshotFolder(const QString& bookPath);
// Newest first.
QVector<Snapshot> listSnapshots(const QString& bookPath);
// Keeps a copy of the book file as it is on disk now when no snapshot was
// taken today (always when force), then removes the oldest beyond rule.kept.
// True when nothing needed doing or the copy is on disk.
bool takeSnapshot(const QString& bookPath, const SnapshotRule& rule, bool force = false);
// Puts the snapshot in place of the book (a snapshot of the book as it is
// on disk is kept first; a version written at that moment is kept as a
// conflict copy) and reads it into book. Refused, changing nothing, when
// the snapshot is no readable book or the present book cannot be kept.
SaveResult restoreSnapshot(RecipeBook& book, const QString& bookPath, const QString& snapshotPath,
                           const SnapshotRule& rule);

} // namespace bd
