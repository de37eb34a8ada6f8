#include "store/booksave.h"

#include "resources/strings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace bd {

namespace {

const QLatin1String kSnapshotPrefix("recipes-");
const QLatin1String kStampFormat("yyyy-MM-dd-HHmmss");

QByteArray readAll(const QString& path, bool* ok)
{
    QFile f(path);
    *ok = f.open(QIODevice::ReadOnly);
    return *ok ? f.readAll() : QByteArray();
}

// Writes book and learns the stamp of what was written.
SaveResult writeBook(RecipeBook& book, const QString& path)
{
    quint64 hash = 0;
    qint64 size = 0;
    SaveResult r = writeFileAtomically(path, [&](QIODevice& out) {
        HashingWriter writer(out);
        const bool ok = book.writeTo(writer);
        hash = writer.hash();
        size = writer.written();
        return ok;
    });
    if (r.ok)
        book.setDiskStamp({size, modifiedTime(path), hash});
    return r;
}

// Keeps bytes (another version of the book) beside it; the copy's path,
// or empty when it could not be written.
QString keepConflictCopy(const QString& bookPath, const QByteArray& bytes)
{
    const QString copy = conflictCopyPath(bookPath, QDateTime::currentDateTime());
    return writeFileAtomically(copy, bytes).ok ? copy : QString();
}

} // namespace

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

QString conflictCopyPath(const QString& bookPath, const QDateTime& when)
{
    const QFileInfo book(bookPath);
    const QString stem = book.dir().filePath(book.completeBaseName() + QStringLiteral("-conflict-") +
                                             when.toString(kStampFormat));
    QString path = stem + QStringLiteral(".xml");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = stem + QStringLiteral("-%1.xml").arg(n);
    return path;
}

SaveResult saveBook(RecipeBook& book, const QString& path, const Replay& replay, const SnapshotRule& snapshots)
{
    SaveResult outcome;
    // Only a file that can be read is another version; anything else (gone,
    // a folder, no permission) is left to the write to report.
    bool read = false;
    const QByteArray bytes = book.diskStamp().known() && QFileInfo(path).isFile() && !sameOnDisk(book.diskStamp(), path)
                                 ? readAll(path, &read)
                                 : QByteArray();
    if (read) {
        RecipeBook theirs;
        if (!theirs.loadBuffer(bytes)) {
            outcome.ok = false;
            outcome.unreadableOutside = true;
            outcome.message = Str::BookUnreadableOutside;
            return outcome;
        }
        if (replay && replay(theirs)) {
            book.adopt(theirs);
            outcome.reloaded = true;
            outcome.notices << Str::OutsideChangesKept;
        } else {
            outcome.conflictCopy = keepConflictCopy(path, bytes);
            if (outcome.conflictCopy.isEmpty())
                return SaveResult::failure(QStringLiteral("the other version of the book could not be kept"));
            outcome.notices << Str::OutsideConflictKept;
        }
    }
    takeSnapshot(path, snapshots);
    SaveResult written = writeBook(book, path);
    written.notices = outcome.notices;
    written.reloaded = outcome.reloaded;
    written.conflictCopy = outcome.conflictCopy;
    return written;
}

SaveResult overwriteBook(RecipeBook& book, const QString& path)
{
    bool read = false;
    const QByteArray bytes = readAll(path, &read);
    SaveResult kept;
    if (read) {
        kept.conflictCopy = keepConflictCopy(path, bytes);
        if (kept.conflictCopy.isEmpty())
            return SaveResult::failure(QStringLiteral("the other version of the book could not be kept"));
    }
    SaveResult written = writeBook(book, path);
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
                                  stem + QStringLiteral(" (*conflict*).xml"), stem + QStringLiteral("-conflict-*.xml")};
    QStringList out;
    const QFileInfoList found = book.dir().entryInfoList(patterns, QDir::Files | QDir::NoSymLinks,
                                                         QDir::Time | QDir::Reversed);
    for (const QFileInfo& f : found)
        out << f.absoluteFilePath();
    return out;
}

QString snapshotFolder(const QString& bookPath)
{
    return QFileInfo(bookPath).dir().filePath(QStringLiteral("snapshots"));
}

QVector<Snapshot> listSnapshots(const QString& bookPath)
{
    QVector<Snapshot> out;
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
        if (book.loadFile(s.path))
            s.recipes = book.recipeCount();
        out.push_back(s);
    }
    return out;
}

bool takeSnapshot(const QString& bookPath, const SnapshotRule& rule, bool force)
{
    if (rule.kept <= 0 || !QFileInfo(bookPath).isFile())
        return true;
    const QDateTime now = QDateTime::currentDateTime();
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
        QFile::remove(dir.filePath(left));
    bool read = false;
    const QByteArray bytes = readAll(bookPath, &read);
    QString name = kSnapshotPrefix + now.toString(kStampFormat) + QStringLiteral(".xml");
    for (int n = 2; names.contains(name); ++n)
        name = kSnapshotPrefix + now.toString(kStampFormat) + QStringLiteral("-%1.xml").arg(n);
    if (!read || !writeFileAtomically(dir.filePath(name), bytes).ok)
        return false;
    names << name;
    names.sort();
    while (names.size() > rule.kept)
        QFile::remove(dir.filePath(names.takeFirst()));
    return true;
}

SaveResult restoreSnapshot(RecipeBook& book, const QString& bookPath, const QString& snapshotPath,
                           const SnapshotRule& rule)
{
    bool read = false;
    const QByteArray bytes = readAll(snapshotPath, &read);
    RecipeBook check;
    if (!read || !check.loadBuffer(bytes))
        return SaveResult::refused(Str::BookReloadFailed);
    if (!takeSnapshot(bookPath, {qMax(rule.kept, 1) + 1}, true))
        return SaveResult::refused(Str::BookReloadFailed);
    const SaveResult written = writeFileAtomically(bookPath, bytes);
    if (!written.ok)
        return written;
    RecipeBook restored;
    if (!restored.loadFile(bookPath))
        return SaveResult::refused(Str::BookReloadFailed);
    book.adopt(restored);
    return written;
}

} // namespace bd
