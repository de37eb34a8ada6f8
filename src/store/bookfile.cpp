#include "store/bookfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
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

SaveResult writeFileAtomically(const QString& path, const std::function<bool(QIODevice&)>& write,
                               const std::function<bool()>& beforePlacing)
{
    // A target that is a link is replaced by the file itself, never written through.
    QTemporaryFile file(path + kSaveMark + QStringLiteral("XXXXXX"));
    if (!file.open())
        return SaveResult::failure(file.errorString());
    errno = 0;
    if (!write(file) || !syncToDisk(file)) {
        const QString why = errno ? systemReason() : file.errorString();
        return SaveResult::failure(why); // the temporary file goes with `file`
    }
    const QFileDevice::Permissions wanted = QFileInfo::exists(path)
                                                ? QFile::permissions(path)
                                                : QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ReadGroup | QFileDevice::ReadOther;
    file.setPermissions(wanted);
    file.close();
    if (beforePlacing && !beforePlacing())
        return SaveResult::failure(QString());
    errno = 0;
    if (!replaceFile(file.fileName(), path))
        return SaveResult::failure(systemReason());
    file.setAutoRemove(false);
#ifndef Q_OS_WIN
    // The rename itself is made durable with its folder.
    const int dir = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
#endif
    return {};
}

void removeStaleSaves(const QString& path)
{
    const QFileInfo book(path);
    QDir folder = book.absoluteDir();
    const QString pattern = book.fileName() + kSaveMark + QStringLiteral("??????");
    for (const QString& name : folder.entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System))
        folder.remove(name);
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
