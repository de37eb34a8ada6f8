#pragma once
// Writing book files safely: a save either replaces the whole file or
// leaves the old one byte for byte as it was.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

#include "resources/strings.h"
#include "store/diskstamp.h"

class QFile;
class QIODevice;

namespace bd {

// What a change to the book or a file did, for the caller to tell the
// user: the store and the exchange engines never ask or show anything.
struct SaveResult {
    bool ok = true;
    // The string id of the failure's message; Str::None means the book
    // could not be written (the save-failure message, followed by error).
    Str message = Str::None;
    QString error;        // the system's reason for a file failure
    QVector<Str> notices; // things that went wrong on the way, said first, in order
    // The book file had been changed by another program: its recipes were
    // read in (the open book was replaced, windows show it again), or, when
    // the change could not be made on them, that version was kept as the
    // file conflictCopy beside the book.
    bool reloaded = false;
    QString conflictCopy;
    // The recipes both the cook and the other program changed or removed:
    // the cook's versions are in the book, theirs in conflictCopy.
    QStringList conflicts;
    // The book file was changed by another program and can no longer be
    // read: nothing was written; overwriting it needs the cook's word.
    bool unreadableOutside = false;
    explicit operator bool() const { return ok; }
    static SaveResult failure(const QString& why)
    {
        SaveResult r;
        r.ok = false;
        r.error = why;
        return r;
    }
    // Refused with its own message; nothing was changed.
    static SaveResult refused(Str message)
    {
        SaveResult r;
        r.ok = false;
        r.message = message;
        return r;
    }
};

// Writes data to path through a temporary file in the same folder
// ("<name>.bdsave-XXXXXX"), flushed and synced to disk before it takes the
// old file's place in one rename. A failure carries the system's reason
// ("No space left on device") and leaves the old file as it was.
SaveResult writeFileAtomically(const QString& path, const QByteArray& data);
// The same, with the content written by write(); it returns false on failure.
// beforePlacing, when given, runs once the new content is complete and on
// disk, just before it takes the old file's place (for files that go with
// it, such as a backup's picture folder); false stops there, the old file
// kept.
SaveResult writeFileAtomically(const QString& path, const std::function<bool(QIODevice&)>& write,
                               const std::function<bool()>& beforePlacing = {});

// What placeFile found and did.
struct Placed {
    SaveResult result;
    DiskStamp written; // the new file as it stands at path now
    // What stood at path was not the expected file: another program wrote
    // it between the check and the rename. Where the system swaps the two
    // files in one step, result is ok, the new file stands in its place and
    // the other one is on disk as otherAt, for the caller to read and merge.
    // Elsewhere the change is seen just before the rename: result is a
    // failure, nothing is replaced, and the caller reads the file again.
    bool replacedOther = false;
    QString otherAt;
};

// Writes a new file as writeFileAtomically does and puts it at path in one
// step, checking that the file it replaces is still the one expected
// describes (unknown: none may be there). Where the system can swap two
// names in one step, the file taken out is looked at after the swap, so no
// version written at any moment before it is lost; elsewhere it is looked
// at just before the rename. Without expected, whatever is at path is
// replaced. beforePlacing as for writeFileAtomically.
Placed placeFile(const QString& path, const DiskStamp* expected, const std::function<bool(QIODevice&)>& write,
                 const std::function<bool()>& beforePlacing = {});

// Waits until the old versions that saves replaced are removed: a large
// one goes on a thread of its own once the new file is in its place (a
// crash meanwhile leaves it for removeStaleSaves).
void waitForOldVersions();

// Makes the bytes written to file durable (flushed and synced to disk).
bool syncToDisk(QFile& file);

// Writes what is left to read from in to out, a block at a time, so that a
// large file is never held whole. False when reading or writing fails.
bool copyRest(QIODevice& in, QIODevice& out);

// Removes what saves of path cut short by a crash left beside it: the
// files "<name>.bdsave-XXXXXX" only this program writes. Every other file
// is kept. Only the copy of the program that holds the folder may call this.
void removeStaleSaves(const QString& path);

// Moves an unreadable file aside as path + ".bad" (or ".bad2", ".bad3", ...
// when that name is taken). Returns the new name, or an empty string.
QString setAside(const QString& path);

// Large books and imports go through buffers of tens of megabytes. The C
// library gives each such buffer back to the system when it is freed and
// has it mapped in again page by page the next time, which on some
// machines costs more than the work done in it. Called once at start, this
// keeps buffers up to 64 MB in the program's own memory instead.
void keepLargeBuffers();

} // namespace bd
