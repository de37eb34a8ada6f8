#include "exchange/formats/archive.h"

#include <QFileInfo>
#include <QHash>

#include <libdeflate.h>
#include <quazip/unzip.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace bd {

bool junkEntry(const QString& name)
{
#ifdef Q_OS_WIN
    const QString file = QFileInfo(name).fileName();
#else
    // The last part, as QFileInfo names it, without the object it costs.
    const QStringView file = QStringView(name).sliced(name.lastIndexOf(QLatin1Char('/')) + 1);
#endif
    return name.startsWith(QLatin1String("__MACOSX/")) || file.startsWith(QLatin1String("._")) ||
           name.endsWith(QLatin1String(".DS_Store"));
}

bool isZip(QByteArrayView bytes)
{
    // A local file header, or the end record of an empty archive.
    return bytes.startsWith("PK\x03\x04") || bytes.startsWith("PK\x05\x06");
}

bool isGzip(QByteArrayView bytes) { return bytes.size() >= 2 && bytes[0] == '\x1f' && bytes[1] == '\x8b'; }

namespace {

struct DecompressorFree {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// What libdeflate unpacks with on this thread, made when first needed: an
// archive's files and gzip streams alike.
libdeflate_decompressor* threadDecompressor()
{
    thread_local std::unique_ptr<libdeflate_decompressor, DecompressorFree> d;
    if (!d)
        d.reset(libdeflate_alloc_decompressor());
    return d.get();
}

// No deflate stream unpacks to more than about a thousand times its size.
constexpr qint64 kMostDeflateRatio = 1032;

// Unpacks packed (in the form unpack reads, from the start of packed) into
// out after its first done bytes, with room first for expected bytes and
// then more, never past limit bytes in all. Returns the bytes of packed
// used, or -1 when the data is damaged (fault Damaged) or unpacks to more
// than limit (fault TooLarge).
template <typename Unpack>
qsizetype unpackInto(QByteArray& out, qsizetype& done, QByteArrayView packed, qint64 expected, qint64 limit,
                     Unpack unpack, ArchiveFault& fault)
{
    qint64 room = qBound<qint64>(1, expected, qMax<qint64>(1, limit - done + 1));
    room = qMin(room, qMax<qint64>(1, kMostDeflateRatio * packed.size()));
    for (;;) {
        out.resize(qsizetype(done + room));
        size_t used = 0, made = 0;
        const libdeflate_result r = unpack(packed.data(), size_t(packed.size()), out.data() + done, size_t(room), &used,
                                           &made);
        if (r == LIBDEFLATE_SUCCESS) {
            done += qsizetype(made);
            if (done > limit) {
                fault = ArchiveFault::TooLarge;
                return -1;
            }
            return qsizetype(used);
        }
        if (r != LIBDEFLATE_INSUFFICIENT_SPACE) {
            fault = ArchiveFault::Damaged;
            return -1;
        }
        // More than there was room for: unpacked again into more room.
        if (done + room > limit) {
            fault = ArchiveFault::TooLarge;
            return -1;
        }
        room = qMin(qMax<qint64>(2 * room, room + 4096), limit - done + 1);
    }
}

} // namespace

std::optional<QByteArray> gunzip(QByteArrayView bytes, qint64 limit)
{
    libdeflate_decompressor* d = threadDecompressor();
    if (!d)
        return std::nullopt;
    QByteArray out;
    qsizetype done = 0, at = 0;
    ArchiveFault fault = ArchiveFault::None;
    while (at < bytes.size()) {
        const QByteArrayView rest = bytes.sliced(at);
        // A stream ends with the size it unpacks to (modulo 2^32): where
        // the bytes hold one stream, as they mostly do, that is the room.
        qint64 expected = 64 * 1024;
        if (rest.size() >= 18) {
            const auto* end = reinterpret_cast<const uchar*>(rest.data() + rest.size() - 4);
            expected = qint64(end[0]) | qint64(end[1]) << 8 | qint64(end[2]) << 16 | qint64(end[3]) << 24;
        }
        const qsizetype used = unpackInto(
            out, done, rest, expected, limit,
            [d](const void* in, size_t inSize, void* to, size_t room, size_t* used, size_t* made) {
                return libdeflate_gzip_decompress_ex(d, in, inSize, to, room, used, made);
            },
            fault);
        if (used < 0)
            return std::nullopt;
        at += used;
        // Another stream may follow, as gzip allows; anything else is
        // padding after the stream, and what came before is whole.
        if (!isGzip(bytes.sliced(at)))
            break;
    }
    if (at == 0)
        return std::nullopt; // nothing at all
    out.truncate(done);
    return out;
}

namespace {

// Whether a name is safe as it is: no backslash, no drive, no control
// character, and no part empty, "." or "..". Most names of most archives are.
bool safeAsItIs(QStringView name)
{
    if (name.isEmpty() || (name.size() >= 2 && name[1] == QLatin1Char(':')))
        return false;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        if (i == name.size() || name[i] == QLatin1Char('/')) {
            const QStringView part = name.sliced(start, i - start);
            if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
                return false;
            start = i + 1;
            continue;
        }
        const char16_t c = name[i].unicode();
        if (c < 0x20 || c == 0x7f || c == '\\')
            return false;
    }
    return true;
}

} // namespace

QString safeEntryName(const QString& name)
{
    if (safeAsItIs(name))
        return name;
    QString n = name;
    n.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (n.isEmpty() || n.startsWith(QLatin1Char('/')) || (n.size() >= 2 && n[1] == QLatin1Char(':')))
        return QString();
    QStringList parts;
    for (const QString& part : n.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String(".."))
            return QString();
        if (part == QLatin1String("."))
            continue;
        for (const QChar c : part)
            if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                return QString();
        parts << part;
    }
    return parts.join(QLatin1Char('/'));
}

namespace {

// Where each listed file is, for going back to it without a search.
struct Place {
    unz64_file_pos pos;
    qint64 size;   // as the archive declares it
    qint64 packed; // the size of its data in the archive
    quint32 crc;
    int method; // 0: stored, 8: deflated
};

// The unzip functions read the archive straight from memory: through a
// QIODevice, each of the many small reads of the listing cost a call chain
// and a copy of its own.
struct Memory {
    const char* data = nullptr;
    ZPOS64_T size = 0;
    ZPOS64_T at = 0;
};

voidpf ZCALLBACK memoryOpen(voidpf, voidpf file, int) { return file; }

uLong ZCALLBACK memoryRead(voidpf, voidpf stream, void* buffer, uLong size)
{
    auto* m = static_cast<Memory*>(stream);
    const ZPOS64_T n = std::min<ZPOS64_T>(size, m->size - m->at);
    if (n == 1)
        *static_cast<char*>(buffer) = m->data[m->at]; // headers are read a byte at a time
    else if (n > 0)
        std::memcpy(buffer, m->data + m->at, size_t(n));
    m->at += n;
    return uLong(n);
}

uLong ZCALLBACK memoryWrite(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK memoryTell(voidpf, voidpf stream) { return static_cast<Memory*>(stream)->at; }

int ZCALLBACK memorySeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    auto* m = static_cast<Memory*>(stream);
    ZPOS64_T to = 0;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: to = offset; break;
    case ZLIB_FILEFUNC_SEEK_CUR:
        if (offset > m->size - m->at)
            return -1;
        to = m->at + offset;
        break;
    case ZLIB_FILEFUNC_SEEK_END:
        if (offset > m->size)
            return -1;
        to = m->size - offset;
        break;
    default: return -1;
    }
    if (to > m->size)
        return -1;
    m->at = to;
    return 0;
}

int ZCALLBACK memoryClose(voidpf, voidpf) { return 0; }

int ZCALLBACK memoryError(voidpf, voidpf) { return 0; }

// Bit 11 of an entry's flags: its name is UTF-8.
constexpr uLong kUtf8Name = 1u << 11;

} // namespace

struct ZipHandle {
    Memory memory;
    unzFile unz = nullptr;
    ~ZipHandle()
    {
        if (unz)
            unzClose(unz);
    }
};

struct ArchivePlaces {
    std::vector<Place> places;
    QHash<QString, int> byName;
    QHash<QString, int> byFoldedName;
};

Archive::Archive(QByteArray bytes, const ArchiveLimits& limits)
    : Archive(std::move(bytes), std::make_shared<Budget>(Budget{limits, 0}))
{
}

Archive::Archive(QByteArray bytes, std::shared_ptr<Budget> budget)
    : bytes_(std::move(bytes)), budget_(std::move(budget))
{
    open();
}

Archive::~Archive() = default;

void Archive::open()
{
    if (!isZip(bytes_)) {
        fault_ = ArchiveFault::NotArchive;
        return;
    }
    auto zip = std::make_unique<ZipHandle>();
    zip->memory = Memory{bytes_.constData(), ZPOS64_T(bytes_.size()), 0};
    zlib_filefunc64_def io{};
    io.zopen64_file = memoryOpen;
    io.zread_file = memoryRead;
    io.zwrite_file = memoryWrite;
    io.ztell64_file = memoryTell;
    io.zseek64_file = memorySeek;
    io.zclose_file = memoryClose;
    io.zerror_file = memoryError;
    io.zfakeclose_file = memoryClose;
    zip->unz = unzOpen2_64(&zip->memory, &io);
    if (!zip->unz) {
        fault_ = ArchiveFault::NotArchive;
        return;
    }
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(zip->unz, &global) != UNZ_OK) {
        fault_ = ArchiveFault::NotArchive;
        return;
    }
    if (global.number_entry > ZPOS64_T(budget_->limits.entries)) {
        fault_ = ArchiveFault::TooManyEntries;
        return;
    }
    ArchivePlaces places;
    // Room for every entry the archive declares (within the limit checked
    // above), so that a long listing's tables are not grown again and again.
    places.places.reserve(size_t(global.number_entry));
    places.byName.reserve(qsizetype(global.number_entry));
    places.byFoldedName.reserve(qsizetype(global.number_entry));
    names_.reserve(qsizetype(global.number_entry));
    rawNames_.reserve(qsizetype(global.number_entry));
    std::vector<char> rawName(0x10000); // a name's length has 16 bits
    int listed = 0;
    for (int at = unzGoToFirstFile(zip->unz); at == UNZ_OK; at = unzGoToNextFile(zip->unz)) {
        // The count the archive declares may lie: every entry listed counts,
        // folders and entries left out too.
        if (++listed > budget_->limits.entries) {
            fault_ = ArchiveFault::TooManyEntries;
            names_.clear();
            rawNames_.clear();
            leftOut_ = 0;
            return;
        }
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip->unz, &info, rawName.data(), uLong(rawName.size()), nullptr, 0, nullptr, 0) !=
            UNZ_OK)
            continue;
        const QByteArrayView bytes(rawName.data(), qsizetype(info.size_filename));
        const QString name = (info.flag & kUtf8Name) ? QString::fromUtf8(bytes) : QString::fromLocal8Bit(bytes);
        if (name.endsWith(QLatin1Char('/')) || name.endsWith(QLatin1Char('\\')))
            continue; // a folder
        const QString safe = safeEntryName(name);
        // Unix keeps the file's type and mode in the high half of the
        // external attributes; 0120000 is a link.
        const bool link = ((info.external_fa >> 16) & 0170000) == 0120000;
        const bool encrypted = (info.flag & 1) != 0;
        if (safe.isEmpty() || link || encrypted) {
            ++leftOut_;
            continue;
        }
        Place place{};
        if (unzGetFilePos64(zip->unz, &place.pos) != UNZ_OK)
            continue;
        place.size = qint64(info.uncompressed_size);
        place.packed = qint64(info.compressed_size);
        place.crc = quint32(info.crc);
        place.method = int(info.compression_method);
        if (places.byName.contains(safe))
            continue; // the first of two files of one name
        places.byName.insert(safe, int(places.places.size()));
        if (QString folded = safe.toLower(); !places.byFoldedName.contains(folded))
            places.byFoldedName.insert(std::move(folded), int(places.places.size()));
        places.places.push_back(place);
        names_ << safe;
        rawNames_ << name;
    }
    zip_ = std::move(zip);
    places_ = std::make_unique<ArchivePlaces>(std::move(places));
}

std::optional<QByteArray> Archive::read(const QString& name, bool caseless)
{
    if (!zip_)
        return std::nullopt;
    const int at = placeOf(name, caseless);
    if (at < 0)
        return std::nullopt;
    const Place& place = places_->places[size_t(at)];
    Budget& budget = *budget_;
    const qint64 limit = qMin(budget.limits.entryBytes, budget.limits.totalBytes - budget.unpacked);
    if (place.size > limit) {
        fault_ = ArchiveFault::TooLarge;
        return std::nullopt;
    }
    unzFile unz = zip_->unz;
    if (place.method == 0 || place.method == Z_DEFLATED)
        return readWhole(at, limit);
    if (unzGoToFilePos64(unz, &place.pos) != UNZ_OK || unzOpenCurrentFile(unz) != UNZ_OK) {
        fault_ = ArchiveFault::Damaged;
        return std::nullopt;
    }
    // The declared size may lie: what is unpacked is counted as it comes,
    // straight into the entry's bytes (one more byte than declared shows a
    // size that lies).
    QByteArray out;
    qsizetype size = 0;
    int n = 0;
    for (;;) {
        if (out.size() == size) {
            const qint64 room = size == 0 ? qMax<qint64>(0, place.size) + 1 : qMax<qint64>(2 * size, size + 4096);
            out.resize(qsizetype(qMin<qint64>(room, limit + 1)));
        }
        n = unzReadCurrentFile(unz, out.data() + size, unsigned(qMin<qsizetype>(out.size() - size, INT_MAX)));
        if (n <= 0)
            break;
        size += n;
        if (size > limit) {
            unzCloseCurrentFile(unz);
            fault_ = ArchiveFault::TooLarge;
            return std::nullopt;
        }
    }
    out.truncate(size);
    // Closing checks the file's CRC.
    if (unzCloseCurrentFile(unz) != UNZ_OK || n < 0) {
        fault_ = ArchiveFault::Damaged;
        return std::nullopt;
    }
    budget.unpacked += out.size();
    return out;
}

int Archive::placeOf(const QString& name, bool caseless) const
{
    if (!zip_)
        return -1;
    const ArchivePlaces& places = *places_;
    return caseless ? places.byFoldedName.value(name.toLower(), -1) : places.byName.value(name, -1);
}

std::optional<QByteArrayView> Archive::dataOf(int at)
{
    const Place& place = places_->places[size_t(at)];
    unzFile unz = zip_->unz;
    int method = 0, level = 0;
    if (unzGoToFilePos64(unz, &place.pos) != UNZ_OK || unzOpenCurrentFile2(unz, &method, &level, 1) != UNZ_OK) {
        fault_ = ArchiveFault::Damaged;
        return std::nullopt;
    }
    const ZPOS64_T start = unzGetCurrentFileZStreamPos64(unz);
    unzCloseCurrentFile(unz);
    if (start == 0 || start > ZPOS64_T(bytes_.size()) || place.packed < 0 ||
        ZPOS64_T(place.packed) > ZPOS64_T(bytes_.size()) - start) {
        fault_ = ArchiveFault::Damaged;
        return std::nullopt;
    }
    return QByteArrayView(bytes_.constData() + start, qsizetype(place.packed));
}

std::optional<Archive::Packed> Archive::find(const QString& name, bool caseless)
{
    const int at = placeOf(name, caseless);
    if (at < 0)
        return std::nullopt;
    const Place& place = places_->places[size_t(at)];
    if (place.method != 0 && place.method != Z_DEFLATED)
        return std::nullopt;
    Budget& budget = *budget_;
    const qint64 limit = qMin(budget.limits.entryBytes, budget.limits.totalBytes - budget.unpacked);
    if (place.size < 0 || place.size > limit) {
        fault_ = ArchiveFault::TooLarge;
        return std::nullopt;
    }
    const std::optional<QByteArrayView> data = dataOf(at);
    if (!data)
        return std::nullopt;
    // Counted now: files found one after another and unpacked side by side
    // never pass the limits together.
    budget.unpacked += place.size;
    return Packed{*data, place.size, place.crc, place.method == Z_DEFLATED};
}

std::optional<QByteArray> Archive::unpack(const Packed& file)
{
    // No more than the declared size is made room for: a file whose size
    // lies is read again, as read() reads it, within the limits.
    const qint64 most = file.deflated ? kMostDeflateRatio * file.data.size() : file.data.size();
    if (file.size > most || (!file.deflated && file.data.size() != file.size))
        return std::nullopt;
    QByteArray out;
    if (!file.deflated) {
        out = file.data.toByteArray();
    } else {
        libdeflate_decompressor* d = threadDecompressor();
        if (!d)
            return std::nullopt;
        out.resize(qsizetype(file.size));
        size_t made = 0;
        if (libdeflate_deflate_decompress(d, file.data.data(), size_t(file.data.size()), out.data(), size_t(file.size),
                                          &made) != LIBDEFLATE_SUCCESS)
            return std::nullopt;
        out.truncate(qsizetype(made));
    }
    if (libdeflate_crc32(0, out.constData(), size_t(out.size())) != file.crc)
        return std::nullopt;
    return out;
}

std::optional<QByteArray> Archive::readAgain(const Packed& file, const QString& name, bool caseless)
{
    budget_->unpacked -= file.size;
    return read(name, caseless);
}

std::optional<QByteArray> Archive::readWhole(int at, qint64 limit)
{
    const Place& place = places_->places[size_t(at)];
    // The file's data is found where it stands in the archive's bytes and
    // unpacked there in one step (libdeflate), far quicker than in the
    // pieces of a stream; its check sum is then compared here.
    const std::optional<QByteArrayView> found = dataOf(at);
    if (!found)
        return std::nullopt;
    const QByteArrayView packed = *found;
    QByteArray out;
    qsizetype done = 0;
    if (place.method == 0) {
        if (packed.size() > limit) {
            fault_ = ArchiveFault::TooLarge;
            return std::nullopt;
        }
        out = packed.toByteArray();
        done = out.size();
    } else {
        libdeflate_decompressor* d = threadDecompressor();
        if (!d) {
            fault_ = ArchiveFault::TooLarge; // no memory for it
            return std::nullopt;
        }
        // The declared size may lie: room for one byte more shows a size
        // that lies, and the file is then unpacked again into more room.
        const qsizetype used = unpackInto(
            out, done, packed, place.size + 1, limit,
            [d](const void* in, size_t inSize, void* to, size_t room, size_t* used, size_t* made) {
                return libdeflate_deflate_decompress_ex(d, in, inSize, to, room, used, made);
            },
            fault_);
        if (used < 0)
            return std::nullopt;
        out.truncate(done);
    }
    if (libdeflate_crc32(0, out.constData(), size_t(out.size())) != place.crc) {
        fault_ = ArchiveFault::Damaged;
        return std::nullopt;
    }
    budget_->unpacked += out.size();
    return out;
}

std::unique_ptr<Archive> Archive::nested(const QString& name)
{
    std::optional<QByteArray> bytes = read(name);
    if (!bytes)
        return nullptr;
    // The inner archive's files count against this one's limits.
    std::unique_ptr<Archive> inner(new Archive(std::move(*bytes), budget_));
    if (inner->fault() == ArchiveFault::TooManyEntries || inner->fault() == ArchiveFault::TooLarge)
        fault_ = inner->fault();
    return inner;
}

} // namespace bd
