#include "store/bookfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>
#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace bd {

namespace {

// What a path finds on disk, links followed: its device and file number;
// on Windows its full path without links, in small letters.
#ifdef Q_OS_WIN
using FileId = QString;

std::optional<FileId> identityOf(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty())
        return std::nullopt;
    return canonical.toLower();
}
#else
struct FileId {
    dev_t device;
    ino_t node;
    bool operator==(const FileId& o) const { return device == o.device && node == o.node; }
};

std::optional<FileId> identityOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return FileId{st.st_dev, st.st_ino};
}
#endif

// True when path, or a folder it is in, is folder. The part of path that
// does not exist yet is taken by its name; the part that does is taken as
// it is on disk, its links followed.
bool withinFolder(const QString& path, const FileId& folder)
{
    QFileInfo at(path);
    while (!at.exists()) {
        const QString up = at.absolutePath();
        if (up == at.absoluteFilePath())
            return false;
        at = QFileInfo(up);
    }
    // A name without links: the folder above each part is its real folder.
    QString part = at.canonicalFilePath();
    while (!part.isEmpty()) {
        if (identityOf(part) == folder)
            return true;
        const QString up = QFileInfo(part).absolutePath();
        if (up == part)
            break;
        part = up;
    }
    return false;
}

// True when file is one of those the program keeps in the book folder:
// its own files and those of its images and snapshots folders.
bool keptThere(const FileId& file, const QString& bookFolder)
{
    for (const QString& sub : {QString(), QStringLiteral("/images"), QStringLiteral("/snapshots")}) {
        const QDir dir(bookFolder + sub);
        for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
            if (identityOf(dir.filePath(name)) == file)
                return true;
    }
    return false;
}

} // namespace

bool insideBookFolder(const QString& target, const QString& bookFolder)
{
    const std::optional<FileId> book = identityOf(bookFolder);
    if (!book || target.isEmpty())
        return false;
    // The target and, when it is a symbolic link, what it leads to, even
    // where that does not exist yet.
    QString path = QFileInfo(target).absoluteFilePath();
    for (int hops = 0; hops < 40; ++hops) {
        if (withinFolder(path, *book))
            return true;
        const QFileInfo link(path);
        if (!link.isSymLink())
            break;
        path = link.symLinkTarget();
    }
    // A file outside with another name there (a hard link).
    const std::optional<FileId> file = identityOf(target);
    return file && QFileInfo(target).isFile() && keptThere(*file, bookFolder);
}

} // namespace bd
