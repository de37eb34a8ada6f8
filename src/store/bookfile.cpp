#include "store/bookfile.h"

#include <QFile>
#include <QSaveFile>

namespace bd {

SaveResult writeFileAtomically(const QString& path, const QByteArray& data)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return SaveResult::failure(file.errorString());
    if (file.write(data) != data.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return SaveResult::failure(why);
    }
    // commit() flushes, syncs to disk and renames over the old file.
    if (!file.commit())
        return SaveResult::failure(file.errorString());
    return {};
}

QString setAside(const QString& path)
{
    QString target = path + QStringLiteral(".bad");
    for (int n = 2; QFile::exists(target); ++n)
        target = path + QStringLiteral(".bad") + QString::number(n);
    return QFile::rename(path, target) ? target : QString();
}

} // namespace bd
