#include "store/bookfile.h"

#include "store/leftovers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QThreadPool>

#include <cerrno>
#include <cstdio>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace bd {

SaveResult writeFileAtomically(const QString& path, const QByteArray& data)
{
    return writeFileAtomically(path, [&data](QIODevice& out) { return out.write(data) == data.size(); });
}

namespace {

// What this program calls the files a save writes before they take the
// target's place: "<name>.bdsave-XXXXXX". No other program, and no cook,
// gives a file such a name, so a crash's leftovers can be told apart.
const QLatin1String kSaveMark(".bdsave-");

QString systemReason() { return qt_error_string(errno); }

// Puts from in place of to in one step, replacing it.
bool replaceFile(const QString& from, const QString& to)
{
#ifdef Q_OS_WIN
    return MoveFileExW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(from).utf16()),
                       reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(to).utf16()),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
#else
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#endif
}

} // namespace

bool syncToDisk(QFile& file)
{
    if (!file.flush())
        return false;
#ifdef Q_OS_WIN
    return FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(file.handle())));
#else
    return ::fsync(file.handle()) == 0;
#endif
}

bool copyRest(QIODevice& in, QIODevice& out)
{
    char buffer[64 * 1024];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n <= 0)
            return n == 0;
        if (out.write(buffer, n) != n)
            return false;
    }
}

namespace {

// The permissions of a new file taking path's place: the old file's, as
// long as its owner may read and write it (a file another program left
// unreadable never passes that on), otherwise the usual ones.
QFileDevice::Permissions permissionsFor(const QString& path)
{
    const QFileDevice::Permissions usual = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                           QFileDevice::ReadOther;
    const FileIdentity old = identityOf(path);
    if (!old.regular)
        return usual;
    const QFileDevice::Permissions p = QFile::permissions(path);
    return p.testFlag(QFileDevice::ReadOwner) && p.testFlag(QFileDevice::WriteOwner) ? p : usual;
}

enum class Swap { Done, Unsupported, Failed };
enum class OneStep { Exchange, IfFree };

// Exchange: swaps the names from and to, both staying on disk. IfFree:
// renames from to to only when to does not exist. Unsupported where the
// system cannot do it in one step.
Swap renameInOneStep(const QString& from, const QString& to, OneStep how)
{
#if defined(Q_OS_LINUX) && defined(RENAME_EXCHANGE) && defined(RENAME_NOREPLACE)
    if (::renameat2(AT_FDCWD, QFile::encodeName(from).constData(), AT_FDCWD, QFile::encodeName(to).constData(),
                    how == OneStep::Exchange ? RENAME_EXCHANGE : RENAME_NOREPLACE) == 0)
        return Swap::Done;
    return errno == EINVAL || errno == ENOSYS || errno == ENOTSUP ? Swap::Unsupported : Swap::Failed;
#else
    Q_UNUSED(from);
    Q_UNUSED(to);
    Q_UNUSED(how);
    return Swap::Unsupported;
#endif
}

void syncFolderOf(const QString& path)
{
#ifndef Q_OS_WIN
    // The rename itself is made durable with its folder.
    const int dir = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
#else
    Q_UNUSED(path);
#endif
}

// True when the file at path now is the one expected describes.
bool stillExpected(const QString& path, const DiskStamp& expected)
{
    return expected.known() ? sameOnDisk(expected, path) : !identityOf(path).exists;
}

// Old versions of at least this many bytes are removed on a thread of
// their own: giving back the room of a large file takes the system tens of
// milliseconds, which a save need not wait for.
constexpr qint64 kRemovedBeside = 16 * 1024 * 1024;

// One thread, so that the removals never take the cores a save's writing uses.
Q_GLOBAL_STATIC_WITH_ARGS(QThreadPool, removals, (nullptr))

void removeOldVersion(const QString& path, qint64 size)
{
    QThreadPool* pool = removals();
    if (!pool || size < kRemovedBeside) {
        removeLeftover(path);
        return;
    }
    pool->setMaxThreadCount(1);
    pool->start([path] { removeLeftover(path); });
}

// Writes to file, handing what it has written to the disk every few
// megabytes while the rest is still being written, so that the sync at the
// end waits only for the last part.
class WritingBack : public QIODevice {
public:
    explicit WritingBack(QFile& file) : file_(file) { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        const qint64 n = file_.write(data, size);
        if (n > 0)
            written_ += n;
#if defined(Q_OS_LINUX) && defined(SYNC_FILE_RANGE_WRITE)
        constexpr qint64 kStep = 4 * 1024 * 1024;
        if (written_ - started_ >= kStep && file_.flush()) {
            // Only a hint: the sync at the end still waits for every byte.
            ::sync_file_range(file_.handle(), started_, written_ - started_, SYNC_FILE_RANGE_WRITE);
            started_ = written_;
        }
#endif
        return n;
    }

private:
    QFile& file_;
    qint64 written_ = 0;
    qint64 started_ = 0; // bytes before it are on their way to the disk
};

} // namespace

Placed placeFile(const QString& path, const DiskStamp* expected, const std::function<bool(QIODevice&)>& write,
                 const std::function<bool()>& beforePlacing)
{
    Placed out;
    // A target that is a link is replaced by the file itself, never written through.
    QTemporaryFile file(path + kSaveMark + QStringLiteral("XXXXXX"));
    if (!file.open()) {
        out.result = SaveResult::failure(file.errorString());
        return out;
    }
    errno = 0;
    WritingBack back(file);
    HashingWriter writer(back);
    if (!write(writer) || !syncToDisk(file)) {
        const QString why = errno ? systemReason() : file.errorString();
        out.result = SaveResult::failure(why); // the temporary file goes with `file`
        return out;
    }
    // A file that keeps the temporary's permissions is still the whole
    // book, only readable by fewer users: the save goes on.
    if (!file.setPermissions(permissionsFor(path)))
        qWarning("could not set the permissions of %s", qPrintable(file.fileName()));
    const QString temporary = file.fileName();
    if (beforePlacing && !beforePlacing()) {
        out.result = SaveResult::failure(QString());
        return out;
    }

    errno = 0;
    bool placed = false;
    if (expected && expected->known()) {
        // The rename gives the old file a new change time, so it is
        // compared with what was expected just before.
        const FileIdentity before = identityOf(path);
        const Swap swapped = renameInOneStep(temporary, path, OneStep::Exchange);
        if (swapped == Swap::Done) {
            // The old file now has the temporary name: is it the one expected?
            file.setAutoRemove(false);
            placed = true;
            const FileIdentity old = identityOf(temporary);
            const bool untouched = before == expected->file && old.sameFileAs(before) &&
                                   old.modifiedNs == before.modifiedNs;
            const bool same = old.regular && old.size == expected->size &&
                              (untouched || stampOfFile(temporary).hash == expected->hash);
            if (same) {
                removeOldVersion(temporary, old.size); // under a name removeStaleSaves knows
            } else {
                // Another version came in meanwhile: the new file stays, and
                // the other is left for the caller to read and merge. It is
                // never put back, as a program writing in place may have
                // opened the new file in that moment and be writing into it.
                out.replacedOther = true;
                out.otherAt = temporary;
            }
        } else if (swapped == Swap::Failed && errno != ENOENT) {
            out.result = SaveResult::failure(systemReason());
            return out;
        }
    }
    if (!placed) {
        if (expected && !stillExpected(path, *expected)) {
            // Changed at the last moment: nothing is replaced, the caller reads it.
            out.replacedOther = true;
            out.result = SaveResult::failure(QStringLiteral("the file changed while it was being saved"));
            return out;
        }
        const bool mustBeFree = expected && !expected->known();
        const Swap free = mustBeFree ? renameInOneStep(temporary, path, OneStep::IfFree) : Swap::Unsupported;
        if (free == Swap::Failed) {
            out.replacedOther = errno == EEXIST;
            out.result = SaveResult::failure(systemReason());
            return out;
        }
        if (free == Swap::Unsupported && !replaceFile(temporary, path)) {
            out.result = SaveResult::failure(systemReason());
            return out;
        }
        file.setAutoRemove(false);
    }
    // The new file's own stamp, taken through its handle: another file
    // put at path meanwhile is never taken for it.
    out.written.file = identityOf(file);
    out.written.size = writer.written();
    out.written.hash = writer.hash();
    file.close();
    syncFolderOf(path);
    return out;
}

SaveResult writeFileAtomically(const QString& path, const std::function<bool(QIODevice&)>& write,
                               const std::function<bool()>& beforePlacing)
{
    return placeFile(path, nullptr, write, beforePlacing).result;
}

void waitForOldVersions()
{
    if (QThreadPool* pool = removals())
        pool->waitForDone();
}

void removeStaleSaves(const QString& path)
{
    const QFileInfo book(path);
    QDir folder = book.absoluteDir();
    const QString pattern = book.fileName() + kSaveMark + QStringLiteral("??????");
    for (const QString& name : folder.entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System))
        removeLeftover(folder.filePath(name));
}

QString setAside(const QString& path)
{
    QString target = path + QStringLiteral(".bad");
    for (int n = 2; QFile::exists(target); ++n)
        target = path + QStringLiteral(".bad") + QString::number(n);
    return QFile::rename(path, target) ? target : QString();
}

void keepLargeBuffers()
{
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
#endif
}

} // namespace bd
