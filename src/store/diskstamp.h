#pragma once
// What the book file was like when the program last read or wrote it, so
// that a change made by another program (a sync service, a second
// computer, an editor) is noticed before it would be overwritten.

#include <QByteArray>
#include <QDateTime>
#include <QIODevice>
#include <QString>

namespace bd {

struct DiskStamp {
    qint64 size = -1; // -1: no file known
    QDateTime modified;
    quint64 hash = 0; // of the content, in blocks (see ContentHash)
    bool known() const { return size >= 0; }
};

// A hash of bytes fed in any pieces: the same bytes give the same hash
// however they were cut.
class ContentHash {
public:
    void add(const char* data, qint64 size);
    quint64 result() const;

private:
    QByteArray block_;
    quint64 hash_ = 0;
    qint64 total_ = 0;
};

// The stamp of the file at path now (unknown when it cannot be read).
DiskStamp stampOfFile(const QString& path);
// The stamp of data read from a file whose time was modified before it was read.
DiskStamp stampOfData(const QDateTime& modified, const char* data, qint64 size);
// The file's modification time.
QDateTime modifiedTime(const QString& path);

// True when the file at path is still the one known describes: the same
// size and time, or, when only the time moved, the same content.
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
