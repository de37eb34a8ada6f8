#include "exchange/formats/archive.h"

#include "exchange/formats/parallel.h"

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

namespace {

// A handle of the unzip functions on an archive in memory; false where
// they do not take it for a zip.
bool openHandle(ZipHandle& zip, const QByteArray& bytes)
{
    zip.memory = Memory{bytes.constData(), ZPOS64_T(bytes.size()), 0};
    zlib_filefunc64_def io{};
    io.zopen64_file = memoryOpen;
    io.zread_file = memoryRead;
    io.zwrite_file = memoryWrite;
    io.ztell64_file = memoryTell;
    io.zseek64_file = memorySeek;
    io.zclose_file = memoryClose;
    io.zerror_file = memoryError;
    io.zfakeclose_file = memoryClose;
    zip.unz = unzOpen2_64(&zip.memory, &io);
    return zip.unz != nullptr;
}

// An entry of the listing as the unzip functions read it, and its names
// as the archive's table of files keeps them.
struct Listed {
    unz_file_info64 info{};
    unz64_file_pos pos{};
    bool read = false;  // whether its description could be read
    bool found = false; // whether its place could be told
    bool folder = false;
    bool leftOut = false;       // a link, encrypted, or a name safeEntryName refuses
    QString name, safe, folded; // as the archive spells it, safe, safe in small letters
};

// Bit 11 of an entry's flags: its name is UTF-8.
constexpr uLong kUtf8Name = 1u << 11;

// Fills in the names of an entry whose description was read, its name's
// bytes in raw, and what it is.
void describe(Listed& e, QByteArrayView raw)
{
    const unz_file_info64& info = e.info;
    e.name = (info.flag & kUtf8Name) ? QString::fromUtf8(raw) : QString::fromLocal8Bit(raw);
    e.folder = e.name.endsWith(QLatin1Char('/')) || e.name.endsWith(QLatin1Char('\\'));
    if (e.folder)
        return;
    e.safe = safeEntryName(e.name);
    // Unix keeps the file's type and mode in the high half of the
    // external attributes; 0120000 is a link.
    const bool link = ((info.external_fa >> 16) & 0170000) == 0120000;
    const bool encrypted = (info.flag & 1) != 0;
    e.leftOut = e.safe.isEmpty() || link || encrypted;
    if (!e.leftOut)
        e.folded = e.safe.toLower();
}

// Lists the entries from unz's current one on (at: how going to it went)
// into out, until the walk ends, out holds more than most, or it comes to
// the entry at stop (a place in the listing, as unzGetOffset64 tells it;
// 0 for none). Returns whether it came to stop.
bool listEntries(unzFile unz, int at, std::vector<Listed>& out, size_t most, ZPOS64_T stop)
{
    std::vector<char> name(0x10000); // a name's length has 16 bits
    for (; at == UNZ_OK && out.size() <= most; at = unzGoToNextFile(unz)) {
        if (stop != 0) {
            const ZPOS64_T here = unzGetOffset64(unz);
            if (here >= stop)
                return here == stop;
        }
        Listed e;
        e.read = unzGetCurrentFileInfo64(unz, &e.info, name.data(), uLong(name.size()), nullptr, 0, nullptr, 0) ==
                 UNZ_OK;
        if (e.read) {
            describe(e, QByteArrayView(name.data(), qsizetype(e.info.size_filename)));
            e.found = unzGetFilePos64(unz, &e.pos) == UNZ_OK;
        }
        out.push_back(std::move(e));
    }
    return false;
}

// A listing of this many entries or more is read in two halves side by side.
constexpr ZPOS64_T kHalvedListing = 512;

// The archive's entries (at most most + 1 of them), in order, as a walk
// through its listing finds them. A long listing is read in two halves
// side by side: the second from where an entry's signature stands halfway
// through the rest of the archive, taken only where the walk through the
// first half comes to that very place (a name may hold the signature's
// bytes too).
std::vector<Listed> listing(ZipHandle& zip, const QByteArray& bytes, const unz_global_info64& global, size_t most)
{
    std::vector<Listed> first;
    const int at = unzGoToFirstFile(zip.unz);
    const ZPOS64_T start = at == UNZ_OK ? unzGetOffset64(zip.unz) : 0;
    static const QByteArrayView kSignature("PK\x01\x02");
    qsizetype half = -1;
    if (at == UNZ_OK && global.number_entry >= kHalvedListing && global.number_entry != 0xffff &&
        start < ZPOS64_T(bytes.size()) && QByteArrayView(bytes).sliced(qsizetype(start)).startsWith(kSignature))
        half = QByteArrayView(bytes).indexOf(kSignature, qsizetype(start) + (bytes.size() - qsizetype(start)) / 2);
    ZipHandle other;
    if (half <= 0 || !openHandle(other, bytes) || unzSetOffset64(other.unz, ZPOS64_T(half)) != UNZ_OK) {
        listEntries(zip.unz, at, first, most, 0);
        return first;
    }
    std::vector<Listed> second;
    bool met = false;
    inParallelInOrder(
        2,
        [&](qsizetype k) {
            if (k == 0)
                met = listEntries(zip.unz, at, first, most, ZPOS64_T(half));
            else
                listEntries(other.unz, UNZ_OK, second, most, 0);
        },
        [](qsizetype) {});
    if (!met) {
        // The second half did not start at an entry: the listing is walked
        // again from its start, as one walk.
        first.clear();
        listEntries(zip.unz, unzGoToFirstFile(zip.unz), first, most, 0);
        return first;
    }
    // Counted on from the first half (the second's walk counts from the
    // entries declared), and no more entries than declared, as one walk
    // lists them.
    for (size_t k = 0; k < second.size(); ++k)
        second[k].pos.num_of_file = first.size() + k;
    first.insert(first.end(), std::make_move_iterator(second.begin()), std::make_move_iterator(second.end()));
    if (first.size() > global.number_entry)
        first.resize(size_t(global.number_entry));
    return first;
}

} // namespace

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
    if (!openHandle(*zip, bytes_)) {
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
    // The count the archive declares may lie: every entry listed counts,
    // folders and entries left out too.
    const std::vector<Listed> entries = listing(*zip, bytes_, global, size_t(budget_->limits.entries));
    if (entries.size() > size_t(budget_->limits.entries)) {
        fault_ = ArchiveFault::TooManyEntries;
        return;
    }
    ArchivePlaces places;
    // Room for every entry listed, so that a long listing's tables are not
    // grown again and again.
    places.places.reserve(entries.size());
    places.byName.reserve(qsizetype(entries.size()));
    places.byFoldedName.reserve(qsizetype(entries.size()));
    names_.reserve(qsizetype(entries.size()));
    rawNames_.reserve(qsizetype(entries.size()));
    for (const Listed& e : entries) {
        if (!e.read || e.folder)
            continue;
        if (e.leftOut) {
            ++leftOut_;
            continue;
        }
        if (!e.found)
            continue;
        const unz_file_info64& info = e.info;
        const QString& safe = e.safe;
        Place place{};
        place.pos = e.pos;
        place.size = qint64(info.uncompressed_size);
        place.packed = qint64(info.compressed_size);
        place.crc = quint32(info.crc);
        place.method = int(info.compression_method);
        // Each name is looked up once, and a new one given its place.
        const int index = int(places.places.size());
        const qsizetype known = places.byName.size();
        int& named = places.byName[safe];
        if (places.byName.size() == known)
            continue; // the first of two files of one name is kept
        named = index;
        const qsizetype knownFolded = places.byFoldedName.size();
        int& folded = places.byFoldedName[e.folded];
        if (places.byFoldedName.size() > knownFolded)
            folded = index;
        places.places.push_back(place);
        names_ << safe;
        rawNames_ << e.name;
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
