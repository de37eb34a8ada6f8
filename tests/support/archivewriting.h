#pragma once
// Zip archives and gzip streams written in tests and benchmarks, as export
// programs write theirs.

#include <QBuffer>
#include <QByteArray>
#include <QList>
#include <QString>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <zlib.h>

namespace bdtest {

struct ZipEntry {
    QString name;
    QByteArray bytes;
    quint32 unixMode = 0; // 0: a plain file; else the mode in the external attributes
    bool stored = false;  // kept as it is rather than deflated
};

// A zip of the entries (deflated, or stored where they say so), in their
// order; empty when it cannot be written.
inline QByteArray zipOf(const QList<ZipEntry>& entries)
{
    QByteArray out;
    QBuffer buffer(&out);
    QuaZip zip(&buffer);
    // Names past ASCII marked as UTF-8, as today's zip writers mark them.
    zip.setUtf8Enabled(true);
    if (!zip.open(QuaZip::mdCreate))
        return {};
    for (const ZipEntry& e : entries) {
        QuaZipNewInfo info(e.name);
        if (e.unixMode != 0)
            info.externalAttr = e.unixMode << 16;
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::WriteOnly, info, nullptr, 0, e.stored ? 0 : Z_DEFLATED) ||
            file.write(e.bytes) != e.bytes.size())
            return {};
        file.close();
    }
    zip.close();
    return out;
}

// bytes as one gzip stream.
inline QByteArray gzipOf(const QByteArray& bytes)
{
    z_stream s{};
    deflateInit2(&s, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&s, uLong(bytes.size()))) + 32, '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    s.avail_in = uInt(bytes.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = uInt(out.size());
    deflate(&s, Z_FINISH);
    out.resize(qsizetype(s.total_out));
    deflateEnd(&s);
    return out;
}

} // namespace bdtest
