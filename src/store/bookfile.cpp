#include "store/bookfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

void removeStaleSaves(const QString& path)
{
    const QFileInfo book(path);
    const QString prefix = book.fileName() + QLatin1Char('.');
    QDir folder = book.absoluteDir();
    for (const QString& name : folder.entryList({prefix + QStringLiteral("??????")}, QDir::Files | QDir::Hidden)) {
        // The random part mixes letters of both cases and digits; a name a
        // person gave ("backup", "bad12") does not look like that.
        const QString tail = name.mid(prefix.size());
        int lower = 0, upper = 0, digit = 0, other = 0;
        for (const QChar c : tail) {
            const ushort u = c.unicode();
            (u >= 'a' && u <= 'z' ? lower : u >= 'A' && u <= 'Z' ? upper : u >= '0' && u <= '9' ? digit : other)++;
        }
        const int kinds = (lower > 0) + (upper > 0) + (digit > 0);
        if (other == 0 && kinds >= 2 && !tail.startsWith(QLatin1String("bad")))
            folder.remove(name);
    }
}

QString setAside(const QString& path)
{
    QString target = path + QStringLiteral(".bad");
    for (int n = 2; QFile::exists(target); ++n)
        target = path + QStringLiteral(".bad") + QString::number(n);
    return QFile::rename(path, target) ? target : QString();
}

} // namespace bd
