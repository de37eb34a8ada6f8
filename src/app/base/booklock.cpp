#include "app/base/booklock.h"

#include "app/base/dialogs.h"
#include "app/base/globals.h"
#include "app/base/text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QLockFile>
#include <QSysInfo>

#include <memory>
#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace bd {

namespace {
struct BookLock {
    QString folder;
    std::unique_ptr<QLockFile> file;
};
BookLock& bookLock()
{
    static BookLock lock;
    return lock;
}
} // namespace

QString lockFilePath(const QString& folder)
{
    return QDir::cleanPath(QDir(folder).absolutePath()) + QStringLiteral("/.brindelle.lock");
}

namespace {
// True when something that is no file (nor a link to one) stands at path:
// a folder, a pipe, a device. A lock file cannot be made there, nor taken
// over; QLockFile would take it for a lock another copy holds, and reading
// a pipe as a lock waits for ever.
bool noFileAt(const QString& path)
{
#ifdef Q_OS_WIN
    const QFileInfo fi(path);
    return fi.exists() && !fi.isFile();
#else
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode);
#endif
}

// Says what stands where the lock file of folder goes.
void reportNoLockFile(const QString& folder)
{
    msgBox(Str::LockIsNoFile, Buttons::Ok, Icon::Critical,
           QStringLiteral("\r\n\r\n") + QDir::toNativeSeparators(lockFilePath(folder)));
}
} // namespace

LockHolder lockHolder(const QString& folder)
{
    LockHolder h;
    const QString path = lockFilePath(folder);
    QLockFile file(path);
    qint64 pid = 0;
    h.readable = file.getLockInfo(&pid, &h.computer, &h.program) && pid > 0;
    h.since = QFileInfo(path).lastModified();
    h.thisComputer = h.readable && (h.computer.isEmpty() || h.computer == QSysInfo::machineHostName());
    return h;
}

bool lockBookFolder(const QString& folder)
{
    G.readOnly = false;
    FolderLock lock = takeBookFolder(folder);
    if (lock == FolderLock::NotAFile) {
        reportNoLockFile(folder);
        return false;
    }
    if (lock == FolderLock::HeldElsewhere) {
        const LockHolder holder = lockHolder(folder);
        const QString lines = QStringLiteral("\r\n\r\n") +
                              fetchText(Str::LockHolderLines)
                                  .arg(holder.computer, holder.program,
                                       programLocale().toString(holder.since, QLocale::ShortFormat)) +
                              QStringLiteral("\r\n\r\n");
        if (holder.thisComputer) {
            // Its process is running here: this is the other copy's book.
            msgBox(Str::BookInUse, Buttons::Ok, Icon::Exclamation, lines);
            return false;
        }
        // A copy on another computer, or a lock nobody can read: the cook
        // knows whether it can still be running.
        const Answer open = holder.readable ? msgBox(Str::LockHeldBy, Buttons::YesNo, Icon::Exclamation,
                                                     lines + fetchText(Str::OpenAnyway))
                                            : msgBox(Str::LockUnreadable, Buttons::YesNo, Icon::Exclamation);
        if (open != Answer::Yes)
            return false;
        QLockFile(lockFilePath(folder)).removeStaleLockFile();
        lock = takeBookFolder(folder);
        if (lock == FolderLock::NotAFile) {
            reportNoLockFile(folder);
            return false;
        }
        if (lock == FolderLock::HeldElsewhere) {
            msgBox(Str::BookInUse, Buttons::Ok, Icon::Exclamation);
            return false;
        }
    }
    if (lock == FolderLock::Unlockable) {
        // Another copy could change the book meanwhile: it is only shown.
        G.readOnly = true;
        msgBox(Str::ReadOnlyAtStart, Buttons::Ok, Icon::Exclamation);
    }
    return true;
}

FolderLock takeBookFolder(const QString& folder)
{
    BookLock& held = bookLock();
    const QString wanted = QDir::cleanPath(QDir(folder).absolutePath());
    if (held.file && held.folder == wanted)
        return FolderLock::Taken;
    unlockBookFolder();
    // A folder that cannot be made shows as the lock that cannot be taken below.
    QDir().mkpath(wanted);
    if (noFileAt(lockFilePath(wanted)))
        return FolderLock::NotAFile;
    auto file = std::make_unique<QLockFile>(lockFilePath(wanted));
    // A lock whose owner is gone is recognised at once by its process id; one
    // that names a live process is never taken over by age alone.
    file->setStaleLockTime(0);
    if (!file->tryLock(0)) {
        // A folder where no lock can be written (a full disk, a folder
        // that cannot be written).
        return file->error() == QLockFile::LockFailedError ? FolderLock::HeldElsewhere : FolderLock::Unlockable;
    }
    held.folder = wanted;
    held.file = std::move(file);
    return FolderLock::Taken;
}

void unlockBookFolder()
{
    BookLock& held = bookLock();
    if (held.file)
        held.file->unlock();
    held.file.reset();
    held.folder.clear();
}

} // namespace bd
