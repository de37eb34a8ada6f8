#pragma once
// What the program leaves behind when work is cut short or done with: a
// temporary, a copy made for a moment, a picture no recipe names any more.
// Such a file costs nothing but room when it stays, and the next clean-up
// meets it again, so one that cannot be removed is only logged.

#include "store/booksave.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QtGlobal>

namespace bd {

// Removes the file (a link itself, never what it points to); false, and
// logged, when it is still there.
inline bool removeLeftover(const QString& path)
{
    if (QFile::remove(path))
        return true;
    const QFileInfo left(path);
    if (!left.exists() && !left.isSymLink())
        return true; // nothing was there
    qWarning("could not remove %s", qPrintable(path));
    return false;
}

// Keeps another program's version of a file, left at other by a save,
// beside path as its conflict copy: the copy's path, or empty (logged)
// when the rename failed and the version stays at other.
inline QString keepOtherVersion(const QString& other, const QString& path)
{
    const QString copy = conflictCopyPath(path, QDateTime::currentDateTime());
    if (QFile::rename(other, copy))
        return copy;
    qWarning("could not keep %s as %s", qPrintable(other), qPrintable(copy));
    return QString();
}

} // namespace bd
