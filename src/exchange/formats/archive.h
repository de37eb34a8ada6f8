#pragma once
// Zip archives and gzip streams that other programs export recipes in,
// listed in memory through QuaZip's unzip functions and unpacked by
// libdeflate (zlib for other methods), within limits: a hostile archive
// (a zip bomb, tens of thousands of entries, names reaching outside the
// archive, links) is refused with a reason and never fills memory or disk.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace bd {

struct ArchivePlaces;
struct ZipHandle;

// What one archive (with the archives inside it) may unpack.
struct ArchiveLimits {
    int entries = 50000;                  // files it lists
    qint64 entryBytes = qint64(64) << 20; // one file unpacked
    qint64 totalBytes = qint64(1) << 30;  // all its files unpacked together
};

enum class ArchiveFault {
    None,
    NotArchive,     // no zip, or one too damaged to list
    Damaged,        // a file that cannot be unpacked
    TooManyEntries, // more files than the limit
    TooLarge,       // a file, or the files together, unpack to more than the limit
};

// Whether an archive's entry is one that nobody put there: macOS's
// resource forks and folder settings.
bool junkEntry(const QString& name);

// Whether bytes start as a zip archive (or an empty one) does.
bool isZip(QByteArrayView bytes);
// Whether bytes start as a gzip stream does.
bool isGzip(QByteArrayView bytes);

// The bytes a gzip stream (or several, one after another) unpacks to; nullopt
// when it is damaged or unpacks to more than limit bytes.
std::optional<QByteArray> gunzip(QByteArrayView bytes, qint64 limit = ArchiveLimits().entryBytes);

// An entry's name as a relative path with '/' between its parts, or empty
// when it may not become one: absolute ("/x", "C:x", "\\x"), with a ".."
// part, or with control characters.
QString safeEntryName(const QString& name);

// A zip archive held in memory. Its files are listed when it opens; a
// folder, a link, or a name that safeEntryName refuses is left out and
// counted.
class Archive {
public:
    explicit Archive(QByteArray bytes, const ArchiveLimits& limits = ArchiveLimits());
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    // Whether the archive could be listed (fault() says why not).
    bool isOpen() const { return zip_ != nullptr; }
    // The first fault met, opening or reading; None while there is none.
    ArchiveFault fault() const { return fault_; }
    // Its files, in the archive's order, with safe names.
    const QStringList& names() const { return names_; }
    // Files left out as folders are not: links and unsafe names.
    int leftOut() const { return leftOut_; }
    // The file named name (compared as names() gives them, or without letter
    // case when caseless), unpacked; nullopt when there is none, when it is
    // damaged, or when it would pass a limit (fault() tells).
    std::optional<QByteArray> read(const QString& name, bool caseless = false);
    // An archive inside this one, unpacking within what this one has left.
    std::unique_ptr<Archive> nested(const QString& name);

    // A file found for unpacking on any thread (unpack): its data where it
    // stands in the archive's bytes, as the archive describes it.
    struct Packed {
        QByteArrayView data;
        qint64 size = 0; // as declared
        quint32 crc = 0;
        bool deflated = false;
    };
    // The file named name (as read() finds it), stored or deflated, found
    // and counted at once at its declared size against the limits; nullopt
    // when there is none, when it is packed in another way (read() reads
    // it then), or when it is damaged or would pass a limit (fault() tells).
    std::optional<Packed> find(const QString& name, bool caseless = false);
    // Its bytes, on any thread; nullopt where they are damaged or are more
    // than declared (readAgain then reads them as read() does).
    static std::optional<QByteArray> unpack(const Packed& file);
    // A found file read as read() reads it, its count taken back first.
    std::optional<QByteArray> readAgain(const Packed& file, const QString& name, bool caseless = false);

private:
    struct Budget {
        ArchiveLimits limits;
        qint64 unpacked = 0;
    };
    Archive(QByteArray bytes, std::shared_ptr<Budget> budget);
    void open();
    // The listed file at place, stored or deflated, unpacked from where
    // its data stands.
    std::optional<QByteArray> readWhole(int place, qint64 limit);
    // Where the data of the listed file at place stands in bytes_ (fault
    // Damaged when it stands nowhere).
    std::optional<QByteArrayView> dataOf(int place);
    // The place of the file named name, or -1.
    int placeOf(const QString& name, bool caseless) const;

    QByteArray bytes_;
    std::unique_ptr<ZipHandle> zip_; // the archive's listing, read in bytes_
    std::shared_ptr<Budget> budget_;
    std::unique_ptr<ArchivePlaces> places_; // where each listed file is
    QStringList names_;
    QStringList rawNames_; // names_ as the archive spells them
    int leftOut_ = 0;
    ArchiveFault fault_ = ArchiveFault::None;
};

} // namespace bd
