#include "store/booksave.h"

#include "resources/strings.h"
#include "store/bookmerge.h"
#include "store/leftovers.h"

#include <QDir>
#include <QThread>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace bd {

namespace {

const QLatin1String kSnapshotPrefix("recipes-");
const QLatin1String kStampFormat("yyyy-MM-dd-HHmmss");

QByteArray readAll(const QString& path, bool* ok)
{
    QFile f;
    *ok = openRegularFile(f, path, false);
    const QByteArray bytes = *ok ? f.readAll() : QByteArray();
    *ok = *ok && f.error() == QFileDevice::NoError;
    return bytes;
}

// Keeps bytes (another version of the book) beside it; the copy's path,
// or empty when it could not be written.
QString keepConflictCopy(const QString& bookPath, const QByteArray& bytes)
{
    const QString copy = conflictCopyPath(bookPath, QDateTime::currentDateTime());
    return writeFileAtomically(copy, bytes).ok ? copy : QString();
}

// Merges the other version (its bytes, read from path) into book; false,
// with outcome's message set, when the version is no book or the conflict
// copy cannot be written.
bool mergeOtherVersion(RecipeBook& book, RecipeBook& theirs, const QByteArray& bytes, const QString& path,
                       SaveResult& outcome)
{
    MergeOutcome merged = mergeInto(theirs, book);
    if (!merged.conflicts.isEmpty()) {
        const QString copy = keepConflictCopy(path, bytes);
        if (copy.isEmpty()) {
            outcome = SaveResult::failure(QStringLiteral("the other version of the book could not be kept"));
            return false;
        }
        outcome.conflictCopy = copy;
        outcome.conflicts << merged.conflicts;
        outcome.notices.removeAll(Str::OutsideChangesKept);
        if (!outcome.notices.contains(Str::OutsideRecipesConflict))
            outcome.notices << Str::OutsideRecipesConflict;
    } else if (!outcome.notices.contains(Str::OutsideRecipesConflict) &&
               !outcome.notices.contains(Str::OutsideChangesKept)) {
        outcome.notices << Str::OutsideChangesKept;
    }
    const DiskStamp stamp = theirs.diskStamp();
    book.adopt(theirs);
    book.setDiskStamp(stamp);
    book.setJournal(std::move(merged.journal));
    outcome.reloaded = true;
    return true;
}

// The same for a version a save found it had just replaced, book being
// what it put in that version's place: the merged book remembers what the
// file showed instead of that version's recipes.
bool mergeShownVersion(RecipeBook& book, RecipeBook& theirs, const QByteArray& bytes, const QString& path,
                       SaveResult& outcome)
{
    const QHash<QString, BookJournal::Shown> shown = shownWithout(book, theirs);
    if (!mergeOtherVersion(book, theirs, bytes, path, outcome))
        return false;
    BookJournal journal = book.journal();
    for (auto it = shown.cbegin(); it != shown.cend(); ++it)
        if (!journal.shown.contains(it.key()))
            journal.shown.insert(it.key(), it.value());
    book.setJournal(std::move(journal));
    return true;
}

// Keeps the other version of the book at other (if any) beside it as a conflict copy.
void keepAside(const QString& other, const QString& bookPath, SaveResult& outcome)
{
    if (other.isEmpty())
        return;
    const QString copy = keepOtherVersion(other, bookPath);
    if (!copy.isEmpty()) {
        outcome.conflictCopy = copy;
        if (!outcome.notices.contains(Str::OutsideConflictKept))
            outcome.notices << Str::OutsideConflictKept;
    }
}

} // namespace

bool readOtherVersion(const QString& path, RecipeBook& theirs, QByteArray* bytes)
{
    // Another program writing the file in place may be caught half way:
    // what is not a whole book yet is read again for up to two seconds.
    int still = 0; // reads in a row that found the same file, unchanged
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (attempt > 0)
            QThread::msleep(40);
        QFile f;
        if (!openRegularFile(f, path, false))
            return false;
        const FileIdentity identity = identityOf(f);
        *bytes = f.readAll();
        if (f.error() != QFileDevice::NoError)
            return false;
        if (theirs.loadBuffer(*bytes)) {
            theirs.setDiskStamp(stampOfData(identity, bytes->constData(), bytes->size()));
            return true;
        }
        still = identityOf(path) == identity && !bytes->isEmpty() ? still + 1 : 0;
        if (still >= 5)
            break; // not changing: it is what it is
    }
    return false;
}

bool addRecipesTo(RecipeBook& book, const QVector<Recipe>& recipes)
{
    for (const Recipe& recipe : recipes) {
        if (book.titleExists(recipe.title))
            return false;
        int position = book.categoryPosition(recipe.category);
        if (position < 0)
            position = book.appendCategory(recipe.category);
        book.appendRecipe(position, recipe);
    }
    return true;
}

namespace {
// The start of the names of this program's own conflict copies.
QString ownConflictStem(const QFileInfo& book) { return book.completeBaseName() + QStringLiteral("-conflict-"); }
} // namespace

QString conflictCopyPath(const QString& bookPath, const QDateTime& when)
{
    const QFileInfo book(bookPath);
    const QString stem = book.dir().filePath(ownConflictStem(book) + when.toString(kStampFormat));
    QString path = stem + QStringLiteral(".xml");
    for (int n = 2; identityOf(path).exists; ++n)
        path = stem + QStringLiteral("-%1.xml").arg(n);
    return path;
}

SaveResult saveBook(RecipeBook& book, const QString& path, const SnapshotRule& snapshots)
{
    SaveResult outcome;
    bool snapshotTaken = false;
    // Each round merges what another program wrote meanwhile; a file that
    // keeps changing under every save is given up on after a while.
    for (int round = 0; round < 16; ++round) {
        const FileIdentity now = identityOf(path);
        const DiskStamp known = book.diskStamp();
        if (known.known() && now.exists && !sameOnDisk(known, path)) {
            if (!now.regular)
                return SaveResult::failure(QStringLiteral("%1 is no longer a regular file (a link, a folder or a "
                                                          "special file took its place)")
                                               .arg(QDir::toNativeSeparators(path)));
            RecipeBook theirs;
            QByteArray bytes;
            if (!readOtherVersion(path, theirs, &bytes)) {
                outcome.ok = false;
                outcome.unreadableOutside = true;
                outcome.message = Str::BookUnreadableOutside;
                return outcome;
            }
            if (!mergeOtherVersion(book, theirs, bytes, path, outcome))
                return outcome;
            continue; // looked at again before writing
        }
        if (!snapshotTaken) {
            // The daily copy is a courtesy: a save never waits for it.
            if (!takeSnapshot(path, snapshots))
                qWarning("no snapshot of %s was taken", qPrintable(path));
            snapshotTaken = true;
        }
        // A book that was on disk must still be what the save replaces; one
        // gone meanwhile is written anew, but never over a file put there since.
        DiskStamp expected = known;
        if (expected.known() && !now.exists)
            expected = DiskStamp();
        const Placed placed = placeFile(path, known.known() ? &expected : nullptr,
                                        [&book](QIODevice& out) { return book.writeTo(out); });
        if (!placed.result.ok && !placed.replacedOther) {
            SaveResult failed = placed.result;
            failed.notices = outcome.notices;
            failed.reloaded = outcome.reloaded;
            return failed;
        }
        if (!placed.result.ok)
            continue; // changed at the last moment: read in the next round
        if (!placed.replacedOther) {
            book.markSaved(placed.written);
            return outcome;
        }
        // Another version was written between the check and the swap: the
        // new book stands in its place, and that version is merged into it
        // and saved again. A program that read the file in that moment saw
        // the new book without that version's changes, and they are looked
        // out for should it write that back.
        RecipeBook theirs;
        QByteArray bytes;
        if (!readOtherVersion(placed.otherAt, theirs, &bytes)) {
            // No book: kept beside it as it is.
            keepAside(placed.otherAt, path, outcome);
            book.markSaved(placed.written);
            return outcome;
        }
        removeLeftover(placed.otherAt); // read and merged below
        if (!mergeShownVersion(book, theirs, bytes, path, outcome))
            return outcome;
        book.setDiskStamp(placed.written); // what is on disk now: the save before the merge
    }
    return SaveResult::failure(QStringLiteral("the recipe book file kept changing while it was being saved"));
}

SaveResult overwriteBook(RecipeBook& book, const QString& path)
{
    SaveResult kept;
    if (identityOf(path).exists) {
        bool read = false;
        const QByteArray bytes = readAll(path, &read);
        // A file that cannot even be read is kept under the copy's name as it is.
        const QString copy = conflictCopyPath(path, QDateTime::currentDateTime());
        const bool keptIt = read ? writeFileAtomically(copy, bytes).ok : QFile::rename(path, copy);
        if (!keptIt)
            return SaveResult::failure(QStringLiteral("the other version of the book could not be kept"));
        kept.conflictCopy = copy;
    }
    const Placed placed = placeFile(path, nullptr, [&book](QIODevice& out) { return book.writeTo(out); });
    SaveResult written = placed.result;
    if (!written.ok)
        return written;
    book.markSaved(placed.written);
    written.conflictCopy = kept.conflictCopy;
    if (!kept.conflictCopy.isEmpty())
        written.notices << Str::OutsideConflictKept;
    return written;
}

QStringList conflictCopies(const QString& bookPath)
{
    const QFileInfo book(bookPath);
    const QString stem = book.completeBaseName();
    const QStringList patterns = {stem + QStringLiteral(".sync-conflict-*.xml"),
                                  stem + QStringLiteral(" (*conflict*).xml"),
                                  ownConflictStem(book) + QStringLiteral("*.xml")};
    QStringList out;
    const QFileInfoList found = book.dir().entryInfoList(patterns, QDir::Files | QDir::NoSymLinks,
                                                         QDir::Time | QDir::Reversed);
    for (const QFileInfo& f : found)
        out << f.absoluteFilePath();
    return out;
}

bool ownConflictCopy(const QString& bookPath, const QString& copy)
{
    return QFileInfo(copy).fileName().startsWith(ownConflictStem(QFileInfo(bookPath)));
}

QString snapshotFolder(const QString& bookPath)
{
    return QFileInfo(bookPath).dir().filePath(QStringLiteral("snapshots"));
}

namespace {
// The snapshots folder, when it is one: a link or a file in its place is never used.
bool usableSnapshotFolder(const QString& bookPath)
{
    const QFileInfo folder(snapshotFolder(bookPath));
    return !identityOf(folder.filePath()).exists || (folder.isDir() && !folder.isSymLink());
}
} // namespace

QVector<Snapshot> listSnapshots(const QString& bookPath)
{
    QVector<Snapshot> out;
    if (!usableSnapshotFolder(bookPath))
        return out;
    const QDir dir(snapshotFolder(bookPath));
    const QStringList names = dir.entryList({kSnapshotPrefix + QStringLiteral("*.xml")}, QDir::Files | QDir::NoSymLinks,
                                            QDir::Name);
    for (auto it = names.crbegin(); it != names.crend(); ++it) {
        const QString stamp = it->mid(kSnapshotPrefix.size(), kStampFormat.size());
        const QDateTime taken = QDateTime::fromString(stamp, kStampFormat);
        if (!taken.isValid())
            continue;
        Snapshot s;
        s.path = dir.filePath(*it);
        s.taken = taken;
        RecipeBook book;
        if (book.loadFile(s.path, nullptr, false)) {
            s.recipes = book.recipeCount();
        } else {
            QFile file(s.path);
            s.fault = file.open(QIODevice::ReadOnly) ? Str::SnapshotDamaged : Str::SnapshotNoAccess;
        }
        out.push_back(s);
    }
    return out;
}

bool takeSnapshot(const QString& bookPath, const SnapshotRule& rule, bool force)
{
    if (rule.kept <= 0 || !identityOf(bookPath).regular)
        return true;
    if (!usableSnapshotFolder(bookPath))
        return false;
    const QDateTime now = rule.clock ? rule.clock() : QDateTime::currentDateTime();
    const QDir dir(snapshotFolder(bookPath));
    const QString today = kSnapshotPrefix + now.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('-');
    QStringList names = dir.entryList({kSnapshotPrefix + QStringLiteral("*.xml")}, QDir::Files, QDir::Name);
    const bool takenToday = std::any_of(names.cbegin(), names.cend(),
                                        [&](const QString& n) { return n.startsWith(today); });
    if (takenToday && !force)
        return true;
    if (!QDir().mkpath(dir.path()))
        return false;
    // What an interrupted snapshot left.
    for (const QString& left : dir.entryList({QStringLiteral("*.bdsave-*")}, QDir::Files | QDir::Hidden))
        removeLeftover(dir.filePath(left));
    // Copied a block at a time: the book is already held once, parsed.
    QFile book;
    if (!openRegularFile(book, bookPath, false))
        return false;
    QString name = kSnapshotPrefix + now.toString(kStampFormat) + QStringLiteral(".xml");
    for (int n = 2; names.contains(name); ++n)
        name = kSnapshotPrefix + now.toString(kStampFormat) + QStringLiteral("-%1.xml").arg(n);
    if (!writeFileAtomically(dir.filePath(name), [&book](QIODevice& out) { return copyRest(book, out); }).ok)
        return false;
    names << name;
    names.sort();
    // One that cannot be removed is one snapshot more, removed next time.
    while (names.size() > rule.kept)
        removeLeftover(dir.filePath(names.takeFirst()));
    return true;
}

SaveResult restoreSnapshot(RecipeBook& book, const QString& bookPath, const QString& snapshotPath,
                           const SnapshotRule& rule)
{
    bool read = false;
    const QByteArray bytes = readAll(snapshotPath, &read);
    RecipeBook restored;
    if (!read || !restored.loadBuffer(bytes))
        return SaveResult::refused(Str::BookReloadFailed);
    SnapshotRule keepOneMore = rule;
    keepOneMore.kept = qMax(rule.kept, 1) + 1;
    if (!takeSnapshot(bookPath, keepOneMore, true))
        return SaveResult::refused(Str::BookReloadFailed);
    // The book as the snapshot just kept it is what the restore replaces;
    // a version written since is kept beside it.
    const DiskStamp onDisk = stampOfFile(bookPath);
    const Placed placed = placeFile(bookPath, onDisk.known() ? &onDisk : nullptr,
                                    [&bytes](QIODevice& out) { return out.write(bytes) == bytes.size(); });
    if (!placed.result.ok) {
        SaveResult ignored;
        keepAside(placed.otherAt, bookPath, ignored);
        return placed.replacedOther ? SaveResult::refused(Str::BookReloadFailed) : placed.result;
    }
    SaveResult written;
    if (placed.replacedOther) {
        const QString copy = keepOtherVersion(placed.otherAt, bookPath);
        if (!copy.isEmpty()) {
            written.conflictCopy = copy;
            written.notices << Str::OutsideConflictKept;
        }
    }
    restored.markSaved(placed.written);
    book.adopt(restored);
    return written;
}

} // namespace bd
