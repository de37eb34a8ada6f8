#include "store/bookfile.h"

#include <QFile>
#include <QSaveFile>

namespace bd {

SaveResult writeFileAtomically(const QString& path, const QByteArray& data)
{
    return writeFileAtomically(path, [&data](QIODevice& out) { return out.write(data) == data.size(); });
}

SaveResult writeFileAtomically(const QString& path, const std::function<bool(QIODevice&)>& write)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return SaveResult::failure(file.errorString());
    if (!write(file)) {
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
