#include "store/diskstamp.h"

#include <QFile>
#include <QFileInfo>
#include <QHashFunctions>

namespace bd {

namespace {
constexpr qint64 kBlock = 64 * 1024;
constexpr size_t kSeed = 0x6272696e; // fixed, so stamps compare across runs
} // namespace

QDateTime modifiedTime(const QString& path) { return QFileInfo(path).fileTime(QFileDevice::FileModificationTime); }

void ContentHash::add(const char* data, qint64 size)
{
    total_ += size;
    while (size > 0) {
        const qint64 room = kBlock - block_.size();
        const qint64 take = qMin(room, size);
        block_.append(data, take);
        data += take;
        size -= take;
        if (block_.size() == kBlock) {
            hash_ = qHashMulti(kSeed, hash_, qHashBits(block_.constData(), size_t(block_.size()), kSeed));
            block_.clear();
        }
    }
}

quint64 ContentHash::result() const
{
    return qHashMulti(kSeed, hash_, qHashBits(block_.constData(), size_t(block_.size()), kSeed), total_);
}

DiskStamp stampOfData(const QDateTime& modified, const char* data, qint64 size)
{
    ContentHash h;
    h.add(data, size);
    return {size, modified, h.result()};
}

DiskStamp stampOfFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    DiskStamp s;
    s.modified = modifiedTime(path); // before reading: a change while reading shows next time
    ContentHash h;
    QByteArray buffer(int(kBlock), Qt::Uninitialized);
    qint64 got = 0;
    qint64 total = 0;
    while ((got = f.read(buffer.data(), kBlock)) > 0) {
        h.add(buffer.constData(), got);
        total += got;
    }
    if (got < 0)
        return {};
    s.size = total;
    s.hash = h.result();
    return s;
}

bool sameOnDisk(const DiskStamp& known, const QString& path)
{
    const QFileInfo info(path);
    if (!known.known() || !info.exists())
        return !known.known() && !info.exists();
    if (info.size() != known.size)
        return false;
    if (info.lastModified() == known.modified)
        return true;
    const DiskStamp now = stampOfFile(path);
    return now.size == known.size && now.hash == known.hash;
}

HashingWriter::HashingWriter(QIODevice& target) : target_(target) { open(QIODevice::WriteOnly); }

qint64 HashingWriter::writeData(const char* data, qint64 size)
{
    const qint64 n = target_.write(data, size);
    if (n > 0) {
        hash_.add(data, n);
        written_ += n;
    }
    return n;
}

} // namespace bd
