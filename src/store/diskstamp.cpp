#include "store/diskstamp.h"

#include <QFile>
#include <QFileInfo>
#include <QHashFunctions>

#ifdef Q_OS_WIN
#include <QDateTime>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace bd {

namespace {
constexpr qint64 kBlock = 64 * 1024;
constexpr size_t kSeed = 0x6272696e; // fixed, so stamps compare across runs

#ifndef Q_OS_WIN
FileIdentity fromStat(const struct stat& st)
{
    FileIdentity id;
    id.exists = true;
    id.regular = S_ISREG(st.st_mode);
    id.device = quint64(st.st_dev);
    id.inode = quint64(st.st_ino);
    id.size = qint64(st.st_size);
    id.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id.changedNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return id;
}
#else
FileIdentity fromInfo(const QFileInfo& fi)
{
    FileIdentity id;
    id.exists = fi.exists() || fi.isSymLink();
    id.regular = fi.isFile() && !fi.isSymLink();
    id.size = fi.size();
    id.modifiedNs = fi.fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch() * 1000000;
    id.changedNs = fi.fileTime(QFileDevice::FileMetadataChangeTime).toMSecsSinceEpoch() * 1000000;
    return id;
}
#endif
} // namespace

FileIdentity identityOf(const QString& path)
{
#ifdef Q_OS_WIN
    return fromInfo(QFileInfo(path));
#else
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return fromStat(st);
#endif
}

FileIdentity identityOf(QFile& f)
{
#ifdef Q_OS_WIN
    return fromInfo(QFileInfo(f.fileName()));
#else
    struct stat st {};
    if (f.handle() < 0 || ::fstat(f.handle(), &st) != 0)
        return {};
    return fromStat(st);
#endif
}

void ContentHash::add(const char* data, qint64 size)
{
    total_ += size;
    while (size > 0) {
        // Whole blocks are hashed where they lie, the rest gathered first.
        if (block_.isEmpty() && size >= kBlock) {
            addBlock(data);
            data += kBlock;
            size -= kBlock;
            continue;
        }
        const qint64 take = qMin(kBlock - block_.size(), size);
        block_.append(data, take);
        data += take;
        size -= take;
        if (block_.size() == kBlock) {
            addBlock(block_.constData());
            block_.clear();
        }
    }
}

void ContentHash::addBlock(const char* data)
{
    hash_ = qHashMulti(kSeed, hash_, qHashBits(data, size_t(kBlock), kSeed));
}

quint64 ContentHash::result() const
{
    return qHashMulti(kSeed, hash_, qHashBits(block_.constData(), size_t(block_.size()), kSeed), total_);
}

quint64 contentHash(const char* data, qint64 size)
{
    ContentHash h;
    h.add(data, size);
    return h.result();
}

bool openRegularFile(QFile& f, const QString& path, bool followLinks)
{
#ifdef Q_OS_WIN
    const QFileInfo fi(path);
    if (!fi.isFile() || (!followLinks && fi.isSymLink())) {
        f.setFileName(path);
        return false;
    }
    f.setFileName(path);
    return f.open(QIODevice::ReadOnly);
#else
    // Not blocking: a FIFO put in the file's place would otherwise wait for
    // a writer for ever. A regular file reads as ever.
    int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
    if (!followLinks)
        flags |= O_NOFOLLOW;
    const int fd = ::open(QFile::encodeName(path).constData(), flags);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0)
            ::close(fd);
        f.setFileName(path);
        return false;
    }
    f.setFileName(path);
    return f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
#endif
}

DiskStamp stampOfData(const FileIdentity& file, const char* data, qint64 size)
{
    DiskStamp s;
    s.file = file;
    s.size = size;
    s.hash = contentHash(data, size);
    return s;
}

DiskStamp stampOfFile(const QString& path)
{
    QFile f;
    if (!openRegularFile(f, path, false))
        return {};
    DiskStamp s;
    s.file = identityOf(f); // before reading: a change while reading shows next time
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
    const FileIdentity now = identityOf(path);
    if (!known.known() || !now.exists)
        return !known.known() && !now.exists;
    if (!now.regular || now.size != known.size)
        return false;
    if (now == known.file)
        return true;
    // Touched: the same bytes are the same book.
    const DiskStamp read = stampOfFile(path);
    return read.size == known.size && read.hash == known.hash;
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
