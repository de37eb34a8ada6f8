#pragma once
// Zip archives written in a test, as export programs write theirs.

#include <QBuffer>
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

namespace bdtest {

// A zip of the named files (deflated), in their order; empty when it
// cannot be written.
inline QByteArray zipOf(const QList<QPair<QString, QByteArray>>& files)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QuaZip zip(&buffer);
    if (!zip.open(QuaZip::mdCreate))
        return {};
    for (const auto& [name, content] : files) {
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(name)) || file.write(content) != content.size())
            return {};
        file.close();
    }
    zip.close();
    return bytes;
}

} // namespace bdtest
