#pragma once
// What the book file was like when the program last read or wrote it, so
// that a change made by another program (a sync service, a second
// computer, an editor) is noticed before it would be overwritten.

#include <QByteArray>
#include <QIODevice>
#include <QString>

class QFile;

namespace bd {

// Which file a name finds and when it last changed. A file replaced by
// renaming another over it has another inode; one written in place gets a
// new change time, which no program can set back, even when it keeps its
// size and sets its modification time back.
struct FileIdentity {
    bool exists = false;
    bool regular = false; // a regular file itself, not a link, folder, FIFO or device
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    bool sameFileAs(const FileIdentity& o) const
    {
        return exists && o.exists && device == o.device && inode == o.inode;
    }
    bool operator==(const FileIdentity& o) const
    {
        return exists == o.exists && regular == o.regular && device == o.device && inode == o.inode && size == o.size &&
               modifiedNs == o.modifiedNs && changedNs == o.changedNs;
    }
    bool operator!=(const FileIdentity& o) const { return !(*this == o); }
};

// The entry at path itself (a link is not followed).
FileIdentity identityOf(const QString& path);
// The file open as f.
FileIdentity identityOf(QFile& f);

struct DiskStamp {
    FileIdentity file; // as it was when read or written
    quint64 hash = 0;  // of the content, in blocks (see ContentHash)
    qint64 size = -1;  // -1: no file known
    bool known() const { return size >= 0; }
};

// A hash of bytes fed in any pieces: the same bytes give the same hash
// however they were cut.
class ContentHash {
public:
    void add(const char* data, qint64 size);
    quint64 result() const;

private:
    void addBlock(const char* data); // a whole block

    QByteArray block_;
    quint64 hash_ = 0;
    qint64 total_ = 0;
};

quint64 contentHash(const char* data, qint64 size);

// Opens path for reading only when it is a regular file (never a FIFO or
// a device, which could keep the program waiting for ever); with
// followLinks false, a link is refused too. False with f's error set.
bool openRegularFile(QFile& f, const QString& path, bool followLinks);

// The stamp of the file at path now (unknown when it cannot be read).
DiskStamp stampOfFile(const QString& path);
// The stamp of data read from a file whose identity was taken before it was read.
DiskStamp stampOfData(const FileIdentity& file, const char* data, qint64 size);

// True when the file at path is still the one known describes: the same
// file untouched, or, when it was touched, the same content.
bool sameOnDisk(const DiskStamp& known, const QString& path);

// Passes everything written on to a target device and hashes it, so a
// save learns the stamp of what it wrote without reading it back.
class HashingWriter : public QIODevice {
public:
    explicit HashingWriter(QIODevice& target);
    quint64 hash() const { return hash_.result(); }
    qint64 written() const { return written_; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    QIODevice& target_;
    ContentHash hash_;
    qint64 written_ = 0;
};

} // namespace bd
