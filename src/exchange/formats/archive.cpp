#include "exchange/formats/archive.h"

#include <QBuffer>
#include <QFileInfo>
#include <QHash>

#include <quazip/quazip.h>
#include <quazip/quazipfileinfo.h>
#include <quazip/unzip.h>
#include <zlib.h>

#include <vector>

namespace bd {

bool junkEntry(const QString& name)
{
    return name.startsWith(QLatin1String("__MACOSX/")) || QFileInfo(name).fileName().startsWith(QLatin1String("._")) ||
           name.endsWith(QLatin1String(".DS_Store"));
}

bool isZip(QByteArrayView bytes)
{
    // A local file header, or the end record of an empty archive.
    return bytes.startsWith("PK\x03\x04") || bytes.startsWith("PK\x05\x06");
}

bool isGzip(QByteArrayView bytes) { return bytes.size() >= 2 && bytes[0] == '\x1f' && bytes[1] == '\x8b'; }

std::optional<QByteArray> gunzip(QByteArrayView bytes, qint64 limit)
{
    z_stream stream{};
    // 16: a gzip header and trailer around the deflated data.
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return std::nullopt;
    QByteArray out;
    const auto* next = reinterpret_cast<const unsigned char*>(bytes.data());
    qsizetype left = bytes.size();
    char chunk[64 * 1024];
    int status = Z_OK;
    while (true) {
        if (stream.avail_in == 0) {
            const uInt n = uInt(qMin<qsizetype>(left, 1 << 30));
            stream.next_in = const_cast<unsigned char*>(next);
            stream.avail_in = n;
            next += n;
            left -= n;
        }
        stream.next_out = reinterpret_cast<unsigned char*>(chunk);
        stream.avail_out = sizeof chunk;
        status = inflate(&stream, Z_NO_FLUSH);
        const qsizetype got = qsizetype(sizeof chunk - stream.avail_out);
        if (out.size() + got > limit) {
            status = Z_MEM_ERROR;
            break;
        }
        out.append(chunk, got);
        if (status == Z_STREAM_END) {
            // Another member may follow, as gzip allows.
            if (stream.avail_in == 0 && left == 0)
                break;
            if (stream.avail_in >= 2 && stream.next_in[0] == 0x1f && stream.next_in[1] == 0x8b) {
                inflateReset(&stream);
                continue;
            }
            break; // padding after the stream: what came before is whole
        }
        if (status != Z_OK || (got == 0 && stream.avail_in == 0 && left == 0)) {
            // Damaged, or ended before its end.
            status = Z_DATA_ERROR;
            break;
        }
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END)
        return std::nullopt;
    return out;
}

QString safeEntryName(const QString& name)
{
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
    qint64 size; // as the archive declares it
};

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

Archive::~Archive()
{
    if (zip_)
        zip_->close();
}

void Archive::open()
{
    if (!isZip(bytes_)) {
        fault_ = ArchiveFault::NotArchive;
        return;
    }
    device_ = std::make_unique<QBuffer>(&bytes_);
    // Unbuffered: the zip code seeks before almost every small read, and a
    // buffered device would copy a block of the archive each time.
    device_->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    auto zip = std::make_unique<QuaZip>(device_.get());
    if (!zip->open(QuaZip::mdUnzip)) {
        fault_ = ArchiveFault::NotArchive;
        return;
    }
    if (zip->getEntriesCount() > budget_->limits.entries) {
        fault_ = ArchiveFault::TooManyEntries;
        zip->close();
        return;
    }
    ArchivePlaces places;
    int listed = 0;
    for (bool more = zip->goToFirstFile(); more; more = zip->goToNextFile()) {
        // The count the archive declares may lie: every entry listed counts,
        // folders and entries left out too.
        if (++listed > budget_->limits.entries) {
            fault_ = ArchiveFault::TooManyEntries;
            zip->close();
            names_.clear();
            rawNames_.clear();
            leftOut_ = 0;
            return;
        }
        QuaZipFileInfo64 info;
        if (!zip->getCurrentFileInfo(&info))
            continue;
        if (info.name.endsWith(QLatin1Char('/')) || info.name.endsWith(QLatin1Char('\\')))
            continue; // a folder
        const QString safe = safeEntryName(info.name);
        if (safe.isEmpty() || info.isSymbolicLink() || info.isEncrypted()) {
            ++leftOut_;
            continue;
        }
        Place place{};
        if (unzGetFilePos64(zip->getUnzFile(), &place.pos) != UNZ_OK)
            continue;
        place.size = qint64(info.uncompressedSize);
        if (places.byName.contains(safe))
            continue; // the first of two files of one name
        places.byName.insert(safe, int(places.places.size()));
        if (!places.byFoldedName.contains(safe.toLower()))
            places.byFoldedName.insert(safe.toLower(), int(places.places.size()));
        places.places.push_back(place);
        names_ << safe;
        rawNames_ << info.name;
    }
    zip_ = std::move(zip);
    places_ = std::make_unique<ArchivePlaces>(std::move(places));
}

std::optional<QByteArray> Archive::read(const QString& name, bool caseless)
{
    if (!zip_)
        return std::nullopt;
    const ArchivePlaces& places = *places_;
    const int at = caseless ? places.byFoldedName.value(name.toLower(), -1) : places.byName.value(name, -1);
    if (at < 0)
        return std::nullopt;
    const Place& place = places.places[size_t(at)];
    Budget& budget = *budget_;
    const qint64 limit = qMin(budget.limits.entryBytes, budget.limits.totalBytes - budget.unpacked);
    if (place.size > limit) {
        fault_ = ArchiveFault::TooLarge;
        return std::nullopt;
    }
    unzFile unz = zip_->getUnzFile();
    if (unzGoToFilePos64(unz, &place.pos) != UNZ_OK || unzOpenCurrentFile(unz) != UNZ_OK) {
        fault_ = ArchiveFault::Damaged;
        return std::nullopt;
    }
    // The declared size may lie: what is unpacked is counted as it comes.
    QByteArray out;
    out.reserve(qsizetype(qMax<qint64>(0, place.size)));
    char chunk[64 * 1024];
    int n = 0;
    while ((n = unzReadCurrentFile(unz, chunk, sizeof chunk)) > 0) {
        if (out.size() + n > limit) {
            unzCloseCurrentFile(unz);
            fault_ = ArchiveFault::TooLarge;
            return std::nullopt;
        }
        out.append(chunk, n);
    }
    // Closing checks the file's CRC.
    if (unzCloseCurrentFile(unz) != UNZ_OK || n < 0) {
        fault_ = ArchiveFault::Damaged;
        return std::nullopt;
    }
    budget.unpacked += out.size();
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
