#include "exchange/importfile.h"

#include "exchange/formats/cooklang.h"
#include "exchange/formats/mastercook.h"
#include "exchange/formats/mealmaster.h"
#include "exchange/formats/recipeml.h"
#include "exchange/formats/schemaorg.h"
#include "exchange/otherprograms.h"
#include "app/base/text.h"
#include "store/charscan.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QBuffer>
#include <QImageReader>
#include <QMimeDatabase>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace bd {

namespace {

enum class SmallFile {
    Read,   // read whole into bytes
    Larger, // or not read for another reason: QFile reads it
    NoFile, // a pipe, a device or a socket, which is never read: it may not end
};

// A regular file of at most limit bytes, read whole with as few calls to
// the system as there can be: QFile asks for the file's status twice, and
// for a folder of thousands of small recipe files those calls cost more
// than the reading. Larger also on systems without these calls.
// folder: an open folder that path is a file of (its name after the last
// slash), or -1; a name is looked up faster in its folder than from the root.
// regular: whether the folder's listing, just made, named only regular files.
SmallFile readSmallFile(const QString& path, qint64 limit, QByteArray& bytes, int folder = -1, bool regular = false)
{
#ifdef Q_OS_UNIX
    // Not waiting for a writer where the file is a pipe.
    const int fd = folder >= 0
                       ? ::openat(
                             folder,
                             // the name encoded as QFile::encodeName encodes it
                             QStringView(path).mid(path.lastIndexOf(QLatin1Char('/')) + 1).toLocal8Bit().constData(),
                             O_RDONLY | O_CLOEXEC | O_NONBLOCK)
                       : ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return SmallFile::Larger;
    if (regular) {
        // A regular file reads short only at its end: a small one is read
        // at once, without asking its size first. A larger one (or a read
        // that failed) is read from its start as any other.
        thread_local std::vector<char> start(64 * 1024);
        ssize_t n;
        do
            n = ::read(fd, start.data(), start.size());
        while (n < 0 && errno == EINTR);
        if (n >= 0 && size_t(n) < start.size() && n <= limit) {
            ::close(fd);
            bytes = QByteArray(start.data(), qsizetype(n));
            return SmallFile::Read;
        }
        if (::lseek(fd, 0, SEEK_SET) != 0) {
            ::close(fd);
            return SmallFile::Larger;
        }
    }
    struct stat status;
    const bool known = ::fstat(fd, &status) == 0;
    if (known && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode)) {
        ::close(fd);
        return SmallFile::NoFile;
    }
    bool ok = known && S_ISREG(status.st_mode) && status.st_size <= limit;
    if (ok) {
        bytes.resize(qsizetype(status.st_size));
        qsizetype got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            ok = n >= 0;
            if (n <= 0)
                break; // a failure, or the file made shorter meanwhile
            got += qsizetype(n);
        }
        bytes.truncate(got);
    }
    ::close(fd);
    return ok ? SmallFile::Read : SmallFile::Larger;
#else
    Q_UNUSED(path);
    Q_UNUSED(limit);
    Q_UNUSED(bytes);
    Q_UNUSED(folder);
    Q_UNUSED(regular);
    return SmallFile::Larger;
#endif
}

// Folders held open while their files are read, each opened once; -1 for
// one that cannot be, and on systems without such handles.
class OpenFolders {
public:
    OpenFolders() = default;
    OpenFolders(const OpenFolders&) = delete;
    OpenFolders& operator=(const OpenFolders&) = delete;
    ~OpenFolders()
    {
#ifdef Q_OS_UNIX
        for (const int fd : std::as_const(fds_))
            if (fd >= 0)
                ::close(fd);
#endif
    }

    int open(const QString& folder)
    {
        auto it = fds_.constFind(folder);
        if (it != fds_.constEnd())
            return *it;
#ifdef Q_OS_UNIX
        const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#else
        const int fd = -1;
#endif
        fds_.insert(folder, fd);
        return fd;
    }

private:
    QHash<QString, int> fds_;
};

// The endings of the pictures a file's own name may have.
constexpr const char* kPictureEndings[] = {".jpg", ".jpeg", ".png", ".gif", ".bmp", ".webp"};

// What readImportFiles needs to know of a folder.
struct FolderListing {
    QSet<QString> pictures; // their names, lower-cased, without their endings
    bool regular = true;    // whether all it holds, but for folders, are regular files
};

// The entries of folder, but for folders (and links to them); fd: the
// folder open, or -1. Where it is open, its entries are read from it
// straight: the type of most comes with the name, and only the names of
// pictures are decoded. A list of thousands of recipe files is made in a
// third of the time QDirIterator takes.
FolderListing listFolder(const QString& folder, int fd)
{
    FolderListing listing;
#ifdef Q_OS_UNIX
    const int copy = fd >= 0 ? ::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    if (DIR* dir = copy >= 0 ? ::fdopendir(copy) : nullptr) {
        while (const dirent* entry = ::readdir(dir)) {
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            unsigned char type = entry->d_type;
            if (type == DT_LNK || type == DT_UNKNOWN) {
                // Where a link leads (a broken one is no regular file).
                struct stat status;
                type = ::fstatat(fd, name, &status, 0) != 0 ? DT_UNKNOWN
                       : S_ISREG(status.st_mode)            ? DT_REG
                       : S_ISDIR(status.st_mode)            ? DT_DIR
                                                            : DT_UNKNOWN;
            }
            if (type == DT_DIR)
                continue;
            listing.regular = listing.regular && type == DT_REG;
            // The endings are ASCII, which no other character's UTF-8 holds.
            const size_t length = std::strlen(name);
            for (const char* ending : kPictureEndings) {
                const size_t n = std::strlen(ending);
                if (length >= n && qstrnicmp(name + length - n, ending, n) == 0)
                    listing.pictures.insert(QFile::decodeName(QByteArray(name, qsizetype(length - n))).toLower());
            }
        }
        ::closedir(dir);
        return listing;
    }
    if (copy >= 0)
        ::close(copy);
#else
    Q_UNUSED(fd);
#endif
    for (QDirIterator entry(folder, QDir::Files | QDir::System | QDir::Hidden); entry.hasNext();) {
        entry.next();
        // A pipe, a device, a socket or a broken link.
        if (!entry.fileInfo().isFile())
            listing.regular = false;
        const QString file = entry.fileName();
        for (const char* ending : kPictureEndings)
            if (file.endsWith(QLatin1String(ending), Qt::CaseInsensitive))
                listing.pictures.insert(file.chopped(qsizetype(qstrlen(ending))).toLower());
    }
    return listing;
}

// The name of the first element of XML text, lower-cased ("" when the text
// is no XML): past the declaration, comments and the document type.
QString rootName(QStringView text)
{
    qsizetype i = 0;
    for (int guard = 0; guard < 64; ++guard) {
        while (i < text.size() && text[i].isSpace())
            ++i;
        if (i >= text.size() || text[i] != QLatin1Char('<'))
            return QString();
        if (text.mid(i).startsWith(QLatin1String("<!--"))) {
            const qsizetype end = text.indexOf(QLatin1String("-->"), i);
            if (end < 0)
                return QString();
            i = end + 3;
            continue;
        }
        if (text.mid(i).startsWith(QLatin1String("<!doctype"), Qt::CaseInsensitive)) {
            // "<!DOCTYPE html>" names the root.
            qsizetype j = i + 9;
            while (j < text.size() && text[j].isSpace())
                ++j;
            qsizetype k = j;
            while (k < text.size() &&
                   (text[k].isLetterOrNumber() || text[k] == QLatin1Char(':') || text[k] == QLatin1Char('-')))
                ++k;
            return text.mid(j, k - j).toString().toLower();
        }
        if (i + 1 < text.size() && (text[i + 1] == QLatin1Char('?') || text[i + 1] == QLatin1Char('!'))) {
            const qsizetype end = text.indexOf(QLatin1Char('>'), i);
            if (end < 0)
                return QString();
            i = end + 1;
            continue;
        }
        qsizetype k = i + 1;
        while (k < text.size() && (text[k].isLetterOrNumber() || text[k] == QLatin1Char(':') ||
                                   text[k] == QLatin1Char('-') || text[k] == QLatin1Char('_')))
            ++k;
        return text.mid(i + 1, k - i - 1).toString().toLower();
    }
    return QString();
}

// Text that is no text: NUL characters, or many other control characters,
// near its start.
bool binary(QStringView text)
{
    using namespace charscan;
    const QStringView head = text.left(65536);
    const char16_t* p = head.utf16();
    const qsizetype n = head.size();
    qsizetype control = 0;
    bool nul = false;
    auto look = [&](char16_t u) {
        nul = nul || u == 0;
        if (u < 0x20 && u != '\n' && u != '\r' && u != '\t' && u != '\f')
            ++control;
    };
    qsizetype i = 0;
    if constexpr (kBlocks) {
        // Nearly all of a text: eight characters at once, none below 0x20.
        for (; i + 8 <= n && !nul; i += 8) {
            if (!below(load(p + i), 0x20))
                continue;
            for (qsizetype k = i; k < i + 8; ++k)
                look(p[k]);
        }
    }
    for (; i < n; ++i)
        look(p[i]);
    return nul || control * 100 > n;
}

// Cooklang marks: "@word" followed by braces, or ">>" metadata lines.
bool looksLikeCooklang(QStringView text)
{
    const QStringView head = text.left(65536);
    if (head.contains(QLatin1String("\n>> ")) || head.startsWith(QLatin1String(">> ")))
        return true;
    const qsizetype at = head.indexOf(QLatin1Char('@'));
    return at >= 0 && head.indexOf(QLatin1Char('{'), at) > at && head.indexOf(QLatin1Char('}'), at) > at;
}

qsizetype findChar(QStringView text, char c, qsizetype from) { return text.indexOf(QLatin1Char(c), from); }
qsizetype findChar(QByteArrayView bytes, char c, qsizetype from) { return bytes.indexOf(c, from); }
char16_t unitAt(QStringView text, qsizetype i) { return text[i].unicode(); }
char16_t unitAt(QByteArrayView bytes, qsizetype i) { return static_cast<unsigned char>(bytes[i]); }

// Whether text (or the bytes of UTF-8 or Windows-1252 text) holds
// "MMMMM-----" or a line starting "---------- ", the marks MealMaster
// recipes start with. Large digests are looked through for the rare first
// characters of the marks, which is quick.
template <typename View>
bool holdsMealMasterMarks(View text)
{
    static constexpr char kMark[] = "MMMMM-----";
    for (qsizetype i = findChar(text, 'M', 0); i >= 0; i = findChar(text, 'M', i + 1)) {
        qsizetype k = 0;
        while (k < 10 && i + k < text.size() && unitAt(text, i + k) == char16_t(kMark[k]))
            ++k;
        if (k == 10)
            return true;
    }
    // A run of exactly ten dashes at the start of a line, then a space.
    for (qsizetype i = findChar(text, '-', 0); i >= 0;) {
        qsizetype end = i;
        while (end < text.size() && unitAt(text, end) == '-')
            ++end;
        if (end - i == 10 && (i == 0 || unitAt(text, i - 1) == '\n') && end < text.size() && unitAt(text, end) == ' ')
            return true;
        i = findChar(text, '-', end);
    }
    return false;
}

struct TextRead {
    ImportKind kind = ImportKind::None;
    RecipeList read;
};

// A text file: MasterCook's text export and MealMaster (a digest may hold
// both), else Cooklang.
// masterCook: whether the text holds a MasterCook export line.
TextRead readText(const QString& text, const QString& fileTitle, bool cookFile, bool masterCook,
                  const ReadContext& context)
{
    TextRead out;
    if (cookFile) {
        out.read = readCooklang(text, fileTitle, context);
        out.kind = ImportKind::Cooklang;
        return out;
    }
    if (masterCook) {
        out.read = readMasterCookText(text, context);
        out.kind = ImportKind::MasterCook;
        // MealMaster recipes after the MasterCook ones, where there are any.
        if (!holdsMealMasterMarks(QStringView(text)))
            return out;
        RecipeList mm = readMealMaster(text, context);
        // Without a MealMaster recipe, what it could not read was other text.
        if (!mm.isEmpty()) {
            if (out.read.isEmpty())
                out.kind = ImportKind::MealMaster;
            out.read.append(std::move(mm));
            std::sort(out.read.skipped.begin(), out.read.skipped.end());
        }
        return out;
    }
    out.read = readMealMaster(text, context);
    out.kind = ImportKind::MealMaster;
    if (out.read.isEmpty() && looksLikeCooklang(text)) {
        out.read = readCooklang(text, fileTitle, context);
        out.kind = ImportKind::Cooklang;
    }
    return out;
}

bool plainFile(const QString& path)
{
    const QFileInfo fi(path);
    return fi.isFile() && !fi.isSymLink();
}

bool webAddress(const QString& named)
{
    const QString t = named.trimmed();
    return t.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           t.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

// Where a picture a recipe names may be: the path it gives, below the
// file's folder; for a web address, its file name beside the file or in
// the folder a browser saves a page's files in ("Page_files").
QString localPicture(const QString& named, const QFileInfo& file)
{
    if (named.isEmpty())
        return QString();
    const QDir dir = file.absoluteDir();
    QStringList candidates;
    if (named.contains(QLatin1String("://"))) {
        const QString name = QFileInfo(QUrl(named).path()).fileName();
        if (!name.isEmpty())
            for (const QString& folder : {file.completeBaseName() + QStringLiteral("_files"),
                                          file.baseName() + QStringLiteral("_files"), QString()})
                candidates << dir.filePath(folder.isEmpty() ? name : folder + QLatin1Char('/') + name);
    } else if (!named.isEmpty()) {
        candidates << dir.filePath(QUrl::fromPercentEncoding(named.toUtf8())) << dir.filePath(named);
    }
    if (candidates.isEmpty())
        return QString();
    const QString root = dir.canonicalPath() + QLatin1Char('/');
    for (const QString& path : std::as_const(candidates)) {
        const QFileInfo fi(path);
        // Never a file outside the folder the imported file is in.
        if (plainFile(path) && fi.canonicalFilePath().startsWith(root))
            return fi.canonicalFilePath();
    }
    return QString();
}

// Pictures the recipes name, looked for beside the file (or, for a recipe
// naming none, a picture with the file's own name, as Cooklang keeps them).
// The first one found fixes the picture folder; image fields become bare
// names there, or empty.
QString findPictures(std::vector<Recipe>& recipes, const QString& file, bool ownName,
                     const QSet<QString>* picturesBeside, int langOffset)
{
    const QFileInfo info(file);
    // A listing of the folder spares looking for a picture it lacks.
    if (picturesBeside && !picturesBeside->contains(info.completeBaseName().toLower()))
        ownName = false;
    QString folder;
    for (Recipe& r : recipes) {
        // Most recipes name no picture and have none of their file's name.
        if (r.image.isEmpty() && !ownName)
            continue;
        QString found = localPicture(r.image.trimmed(), info);
        if (found.isEmpty() && ownName) {
            // Cameras write their endings in capitals (".JPG").
            for (const char* ext : kPictureEndings) {
                for (const QString& ending : {QString::fromLatin1(ext), QString::fromLatin1(ext).toUpper()}) {
                    const QString path = info.absoluteDir().filePath(info.completeBaseName() + ending);
                    if (found.isEmpty() && plainFile(path))
                        found = path;
                }
            }
        }
        QString bare;
        if (!found.isEmpty()) {
            const QString at = QFileInfo(found).absolutePath();
            if (folder.isEmpty())
                folder = at;
            if (at == folder)
                bare = storableText(QFileInfo(found).fileName());
        } else if (webAddress(r.image)) {
            // A picture on the web that the saved page does not hold: its
            // address stays in the notes.
            addLine(r.other, fetchText(Str::NotePicture, langOffset).arg(storableText(r.image.trimmed())));
        }
        r.image = bare;
    }
    return folder;
}

// A picture's file extension from its address or its content type.
QString pictureExtension(const FetchedPage& picture)
{
    const QString suffix = QFileInfo(picture.url.path()).suffix().toLower();
    for (const char* known : {"jpg", "jpeg", "png", "gif", "bmp", "webp"})
        if (suffix == QLatin1String(known))
            return QLatin1Char('.') + suffix;
    const QMimeType type = QMimeDatabase().mimeTypeForData(picture.body);
    const QString preferred = type.preferredSuffix();
    return preferred.isEmpty() ? QStringLiteral(".jpg") : QLatin1Char('.') + preferred;
}

// The pictures the recipes' file held itself, each checked and written
// into a folder of the read's own under a name of its own; the image field
// of the recipe of each names it there. One that is no picture is left
// out and counted.
void unpackPictures(RecipeList& source, ImportFileRead& result)
{
    if (source.pictureBytes.isEmpty())
        return;
    auto folder = std::make_shared<QTemporaryDir>();
    if (!folder->isValid())
        return;
    int number = 0;
    for (auto it = source.pictureBytes.cbegin(); it != source.pictureBytes.cend(); ++it) {
        if (it.key() < 0 || it.key() >= source.count())
            continue;
        QBuffer buffer;
        buffer.setData(it.value());
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        const QByteArray format = reader.format().toLower();
        // A picture the reader can decode, not merely one whose header it knows.
        if (format.isEmpty() || !reader.canRead() || reader.size().isEmpty()) {
            ++result.notPictures;
            continue;
        }
        const QString ending = format == "jpeg" ? QStringLiteral("jpg") : QString::fromLatin1(format);
        const QString name = QStringLiteral("picture%1.%2").arg(++number).arg(ending);
        QFile out(QDir(folder->path()).filePath(name));
        if (!out.open(QIODevice::WriteOnly) || out.write(it.value()) != it.value().size() || !out.flush())
            continue;
        source.recipes[size_t(it.key())].image = name;
    }
    source.pictureBytes.clear();
    if (number > 0) {
        result.unpacked = std::move(folder);
        result.pictureFolder = result.unpacked->path();
    }
}

// What a reader read (into source): nothing (None), or recipes whose
// pictures are looked for beside the file (pictures) or dropped.
// info: path's, asked once for all the file's looks at its name.
ImportFileRead finishRead(ImportFileRead result, RecipeList&& read, RecipeList& source, const QString& path,
                          const QFileInfo& info, bool pictures, bool ownName, const QSet<QString>* picturesBeside,
                          int langOffset)
{
    result.unreadable = read.skipped;
    if (read.isEmpty()) {
        source.clear();
        source.skipped = read.skipped;
        result.kind = ImportKind::None;
        return result;
    }
    source = std::move(read);
    if (!source.pictureBytes.isEmpty()) {
        // The file held its pictures: others it names are not looked for,
        // but an address on the web stays in the notes.
        const QMap<int, QByteArray> held = source.pictureBytes;
        for (int i = 0; i < source.count(); ++i) {
            Recipe& r = source.recipes[size_t(i)];
            if (!held.contains(i) && webAddress(r.image))
                addLine(r.other, fetchText(Str::NotePicture, langOffset).arg(storableText(r.image.trimmed())));
            r.image.clear();
        }
        if (pictures)
            unpackPictures(source, result);
        source.pictureBytes.clear();
        return result;
    }
    // Without a picture named (nor one of the file's name) there is
    // nothing to look for or to drop.
    if (ownName && picturesBeside && !picturesBeside->contains(info.completeBaseName().toLower()))
        ownName = false;
    if (!source.picturesNamed && !ownName)
        return result;
    if (pictures) {
        result.pictureFolder = findPictures(source.recipes, path, ownName, picturesBeside, langOffset);
    } else {
        for (Recipe& r : source.recipes)
            r.image.clear();
    }
    return result;
}

// The file's bytes, all of them, read by one of the other programs'
// readers into source, which reader telling by root (the name of the
// first element of XML, else ""), the content, and path's extension.
ImportFileRead readOtherFormat(const QByteArray& bytes, const QString& root, const QString& path, RecipeList& source,
                               const ReadContext& context, const QSet<QString>* picturesBeside);

// picturesBeside: the names (lower-cased, without their endings) of the
// pictures in path's folder, or null to look on the disk.
ImportFileRead readImportFile(const QString& path, RecipeList& source, const ReadContext& context,
                              const QSet<QString>* picturesBeside, int folder = -1, bool regular = false)
{
    ImportFileRead result;
    source.clear();
    // A small file is read at once; of a larger one its start first, as
    // a book is read by the book's own loader.
    constexpr qint64 kReadAtOnce = 1 << 20;
    QByteArray bytes;
    std::optional<QFile> file;
    const SmallFile small = readSmallFile(path, kReadAtOnce, bytes, folder, regular);
    if (small == SmallFile::NoFile)
        return result;
    const bool whole = small == SmallFile::Read;
    qint64 size = bytes.size();
    if (!whole) {
        // Read straight into the buffers below, without one of the file's own.
        file.emplace(path);
        if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            return result;
        size = file->size();
        bytes = file->read(size > 0 && size <= kReadAtOnce ? size : 4096);
    }
    // Only what may be a book is offered to the book parser.
    QByteArrayView head = QByteArrayView(bytes).first(qMin<qsizetype>(bytes.size(), 4096));
    if (head.startsWith("\xef\xbb\xbf"))
        head = head.sliced(3);
    const QByteArrayView trimmedHead = head.trimmed();
    // An archive (its bytes hold NULs) is never offered to the book parser.
    const bool archive = isZip(head) || isGzip(head);
    const bool mayBeXml = !archive && (head.contains('\0') || head.startsWith("\xfe\xff") ||
                                       head.startsWith("\xff\xfe") || trimmedHead.startsWith('<'));
    // Text that starts with no tag (nor with a space past ASCII) has no
    // root element to name.
    const bool mayHaveRoot = mayBeXml ||
                             (!trimmedHead.isEmpty() && static_cast<unsigned char>(trimmedHead.front()) >= 0x80);
    const QString root = mayHaveRoot ? rootName(decodeAnyText(head.toByteArray())) : QString();
    if (mayBeXml && (root.isEmpty() || root == QLatin1String("recipebook"))) {
        // The program's own book, read by the store.
        RecipeBook book;
        if (book.loadFile(path)) {
            source.recipes = book.allRecipes(&source.fieldCounts);
            result.kind = ImportKind::Book;
            return result;
        }
    }
    if (!whole && bytes.size() != size) {
        // The rest: read again whole, into one buffer of the file's size.
        if (!file->isSequential() && file->seek(0))
            bytes = file->readAll();
        else
            bytes += file->readAll();
    }
    file.reset();
    return readOtherFormat(bytes, root, path, source, context, picturesBeside);
}

// What a damaged book still holds: the recipes that were whole before the
// fault, each in its category, read as a whole book is read. Empty when
// there are none.
RecipeList readDamagedBook(const QByteArray& bytes)
{
    RecipeList read;
    const QByteArray data = xmlAsUtf8(bytes);
    pugi::xml_document damaged;
    // The parser keeps what it read before the fault.
    const pugi::xml_parse_result parsed = damaged.load_buffer(data.constData(), size_t(data.size()),
                                                              pugi::parse_default, pugi::encoding_utf8);
    // The parser names the last character it read (the last one of the
    // file when the file ends too soon).
    const qsizetype readUpTo = parsed ? data.size() : qsizetype(parsed.offset) + 1;
    static const QByteArray kRecipeEnd = QByteArrayLiteral("</recipe>");
    pugi::xml_document whole;
    pugi::xml_node book = whole.append_child("recipebook");
    for (pugi::xml_node c = damaged.child("recipebook").child("category"); c; c = c.next_sibling("category")) {
        pugi::xml_node category;
        for (pugi::xml_node r = c.child("recipe"); r; r = r.next_sibling("recipe")) {
            const qsizetype end = data.indexOf(kRecipeEnd, qsizetype(qMax<ptrdiff_t>(r.offset_debug(), 0)));
            if (end < 0 || end + kRecipeEnd.size() > readUpTo)
                break;
            if (!category) {
                category = book.append_child("category");
                for (pugi::xml_attribute a : c.attributes())
                    category.append_copy(a);
            }
            category.append_copy(r);
        }
    }
    struct Bytes final : pugi::xml_writer {
        QByteArray out;
        void write(const void* data, size_t size) override
        {
            out.append(static_cast<const char*>(data), qsizetype(size));
        }
    } written;
    whole.save(written, "", pugi::format_raw, pugi::encoding_utf8);
    RecipeBook salvaged;
    if (book.first_child() && salvaged.loadBuffer(written.out)) {
        read.recipes = salvaged.allRecipes(&read.fieldCounts);
        read.picturesNamed = std::any_of(read.recipes.cbegin(), read.recipes.cend(),
                                         [](const Recipe& r) { return !r.image.isEmpty(); });
    }
    return read;
}

ImportFileRead readOtherFormat(const QByteArray& bytes, const QString& root, const QString& path, RecipeList& source,
                               const ReadContext& context, const QSet<QString>* picturesBeside)
{
    ImportFileRead result;
    if (root == QLatin1String("recipebook")) {
        // A book the store cannot read: what it still holds, read as a
        // book, so that the recipes the book has are known as such.
        source = readDamagedBook(bytes);
        if (!source.isEmpty())
            result.kind = ImportKind::Book;
        return result;
    }
    const QFileInfo info(path);
    const QString suffix = info.suffix().toLower();
    {
        // Other programs' exports: archives, property lists, pages and
        // tables of their own.
        std::unique_ptr<Archive> archive = isZip(bytes) ? std::make_unique<Archive>(bytes) : nullptr;
        const FileLook look{bytes, root, suffix, path, archive.get()};
        if (std::optional<OtherRead> other = readOtherProgram(look, context)) {
            result.kind = other->kind;
            result.ownCookbook = other->ownCookbook;
            if (archive)
                result.archiveFault = archive->fault();
            return finishRead(result, std::move(other->read), source, path, info, true, false, picturesBeside,
                              context.langOffset);
        }
        if (archive) {
            // An archive none of the readers knows.
            result.archiveFault = archive->fault() == ArchiveFault::None ? ArchiveFault::NotArchive : archive->fault();
            return result;
        }
    }
    RecipeList read;
    bool pictures = false, ownName = false;
    if (root == QLatin1String("mx2") || root == QLatin1String("recipeml")) {
        // XML the readers decode themselves.
        read = root == QLatin1String("mx2") ? readMasterCookXml(bytes, context) : readRecipeML(bytes, context);
        result.kind = root == QLatin1String("mx2") ? ImportKind::MasterCookXml : ImportKind::RecipeML;
        pictures = true;
        return finishRead(result, std::move(read), source, path, info, pictures, false, picturesBeside,
                          context.langOffset);
    }
    if (root.isEmpty() && suffix != QLatin1String("cook") && suffix != QLatin1String("mx2")) {
        // A JSON file in UTF-8 is parsed from its bytes, never decoded whole.
        const QByteArray utf8 = bytes.startsWith("\xef\xbb\xbf") ? bytes.mid(3) : bytes;
        const QByteArray start = utf8.left(64).trimmed();
        if ((start.startsWith('{') || start.startsWith('[')) && !binary(QString::fromUtf8(utf8.left(65536))) &&
            validUtf8(utf8)) {
            read = readSchemaOrgJson(utf8, context);
            result.kind = ImportKind::WebPage;
            return finishRead(result, std::move(read), source, path, info, true, false, picturesBeside,
                              context.langOffset);
        }
    }
    // A MasterCook export (without MealMaster recipes) is read from its
    // bytes, never decoded whole: the start is decoded for the looks at
    // it, as far as its first 64K characters go.
    if (const std::optional<NarrowText> narrow = root.isEmpty() && suffix != QLatin1String("cook") &&
                                                         suffix != QLatin1String("mx2")
                                                     ? narrowText(bytes)
                                                     : std::nullopt) {
        const auto [body, utf8] = *narrow;
        const qsizetype decoded = qMin<qsizetype>(body.size(), 3 * 65536);
        const QString start = decodeRecipeText(body.first(decoded), utf8);
        const QStringView first = QStringView(start).trimmed();
        if ((!first.isEmpty() || decoded == body.size()) && !first.startsWith(QLatin1Char('{')) &&
            !first.startsWith(QLatin1Char('[')) && !binary(start) && !holdsMealMasterMarks(body)) {
            if (std::optional<RecipeList> got = readMasterCookText(body, utf8, context)) {
                result.kind = ImportKind::MasterCook;
                return finishRead(result, std::move(*got), source, path, info, false, false, picturesBeside,
                                  context.langOffset);
            }
        }
    }
    const QString text = decodeAnyText(bytes);
    if (binary(text))
        return result;
    // The look for MasterCook's export lines goes through the whole text:
    // it is made once.
    int holdsExportLine = -1;
    auto masterCook = [&] {
        if (holdsExportLine < 0)
            holdsExportLine = looksLikeMasterCookText(text) ? 1 : 0;
        return holdsExportLine == 1;
    };
    if (root.isEmpty() && suffix == QLatin1String("cook")) {
        // A folder of Cooklang files is read file by file: no other look at them.
        TextRead t = readText(text, info.completeBaseName(), true, false, context);
        read = std::move(t.read);
        result.kind = t.kind;
        pictures = ownName = true;
    } else if (root == QLatin1String("mx2") || (root.isEmpty() && suffix == QLatin1String("mx2"))) {
        read = readMasterCookXml(bytes, context);
        result.kind = ImportKind::MasterCookXml;
        pictures = true;
    } else if (root == QLatin1String("recipeml") ||
               (!root.isEmpty() && root != QLatin1String("html") &&
                text.contains(QLatin1String("<recipe"), Qt::CaseInsensitive) && !looksLikeSchemaOrg(text))) {
        read = readRecipeML(bytes, context);
        result.kind = ImportKind::RecipeML;
    } else if (root.isEmpty() && !QStringView(text).trimmed().startsWith(QLatin1Char('{')) &&
               !QStringView(text).trimmed().startsWith(QLatin1Char('[')) && masterCook()) {
        TextRead t = readText(text, QString(), false, true, context);
        read = std::move(t.read);
        result.kind = t.kind;
    } else if (looksLikeSchemaOrg(text)) {
        read = readSchemaOrg(text, context);
        result.kind = ImportKind::WebPage;
        pictures = true;
    } else {
        const bool cookFile = suffix == QLatin1String("cook");
        TextRead t = readText(text, info.completeBaseName(), cookFile, !cookFile && masterCook(), context);
        read = std::move(t.read);
        result.kind = t.kind;
        pictures = ownName = t.kind == ImportKind::Cooklang;
    }
    return finishRead(result, std::move(read), source, path, info, pictures, ownName, picturesBeside,
                      context.langOffset);
}

} // namespace

ImportFileRead readImportFile(const QString& path, RecipeList& source, const ReadContext& context)
{
    return readImportFile(path, source, context, nullptr);
}

std::vector<ImportFileRead> readImportFiles(const QStringList& paths, RecipeList& source, const ReadContext& context)
{
    source.clear();
    const qsizetype n = paths.size();
    std::vector<ImportFileRead> reads(static_cast<size_t>(n));
    if (n == 1) {
        reads[0] = readImportFile(paths[0], source, context, nullptr);
        reads[0].recipes = source.count();
        return reads;
    }
    // Each folder is listed once for its pictures, not asked for every
    // file's, and for whether all it holds are regular files.
    QHash<QString, FolderListing> listings;
    QVector<const QSet<QString>*> beside(n, nullptr);
    OpenFolders folders;
    QVector<int> folderFds(n, -1);   // each file's open folder, where its path names it
    QVector<char> regular(n, false); // whether its folder held only regular files
    QString folder;                  // the folder of the path before
    for (qsizetype i = 0; i < n; ++i) {
        // Most paths name a file in the folder of the one before.
        const QString& path = paths[i];
        const QStringView name = QStringView(path).mid(folder.size() + 1);
        if (i == 0 || !path.startsWith(folder) || path.size() <= folder.size() + 1 ||
            path[folder.size()] != QLatin1Char('/') || name.contains(QLatin1Char('/')) || name == QLatin1String(".") ||
            name == QLatin1String(".."))
            folder = QFileInfo(path).absolutePath();
        const QStringView file = QStringView(path).mid(folder.size() + 1);
        if (path.size() > folder.size() + 1 && path.startsWith(folder) && path[folder.size()] == QLatin1Char('/') &&
            !file.contains(QLatin1Char('/')) && file != QLatin1String(".") && file != QLatin1String(".."))
            folderFds[i] = folders.open(folder);
        auto it = listings.find(folder);
        if (it == listings.end())
            it = listings.insert(folder, listFolder(folder, folders.open(folder)));
        beside[i] = &it->pictures;
        regular[i] = folderFds[i] >= 0 && it->regular;
    }
    // Files are read side by side, each into a list of its recipes, which
    // go to the end of source in file order as soon as the files before
    // are in.
    std::vector<RecipeList> lists(static_cast<size_t>(n));
    inParallelInOrder(
        n,
        [&](qsizetype i) {
            reads[size_t(i)] = readImportFile(paths[i], lists[size_t(i)], context, beside[i], folderFds[i], regular[i]);
        },
        [&](qsizetype i) {
            RecipeList& list = lists[size_t(i)];
            reads[size_t(i)].recipes = list.count();
            source.append(std::move(list));
        });
    return reads;
}

ImportFileRead readWebImport(const FetchedPage& page, RecipeList& source, const ReadContext& context,
                             const QString& pictureFolder, int picturesTimeoutMs, const FetchProgress& progress)
{
    ImportFileRead result;
    source = readSchemaOrg(pageText(page), context, page.url.toString());
    result.unreadable = source.skipped;
    if (source.isEmpty()) {
        source.clear();
        return result;
    }
    result.kind = ImportKind::WebPage;
    // The recipes' pictures are fetched all together, within one time
    // limit; one that has not come by then is left out.
    std::vector<Recipe*> named;
    QList<QUrl> addresses;
    for (Recipe& r : source.recipes) {
        const QString picture = r.image.trimmed();
        if (!pictureFolder.isEmpty() && !picture.isEmpty()) {
            named.push_back(&r);
            addresses << page.url.resolved(QUrl(picture));
        }
        r.image.clear();
    }
    const std::vector<FetchedPage> pictures = fetchUrls(addresses, picturesTimeoutMs, kPictureLimit, progress);
    int number = 0;
    for (size_t i = 0; i < named.size(); ++i) {
        const FetchedPage& picture = pictures[i];
        if (picture.fault != FetchFault::None || picture.body.isEmpty())
            continue;
        const QString name = QStringLiteral("picture%1").arg(++number) + pictureExtension(picture);
        QFile out(QDir(pictureFolder).filePath(name));
        if (QDir().mkpath(pictureFolder) && out.open(QIODevice::WriteOnly) &&
            out.write(picture.body) == picture.body.size()) {
            named[i]->image = storableText(name);
            result.pictureFolder = pictureFolder;
        }
    }
    return result;
}

QString importFileFilter()
{
    struct Type {
        Str text;
        const char* patterns;
    };
    static const Type types[] = {
        {Str::RecipeBooksFilter, "*.xml"},
        {Str::MealMasterFilter, "*.mmf;*.mm;*.txt"},
        {Str::MasterCookFilter, "*.mxp;*.mx2;*.txt"},
        {Str::RecipeMLFilter, "*.xml;*.rml;*.recipeml"},
        {Str::WebPageFilter, "*.html;*.htm;*.json"},
        {Str::CooklangFilter, "*.cook"},
        {Str::JsonExportsFilter, "*.paprikarecipes;*.paprikarecipe;*.melarecipes;*.melarecipe;*.crumb;*.zip;*.json"},
        {Str::LivingCookbookFilter, "*.fdx;*.fdxz"},
        {Str::MacGourmetFilter, "*.mgourmet"},
        {Str::ExportPagesFilter, "*.html;*.htm;*.zip"},
        {Str::NowYoureCookingFilter, "*.txt"},
        {Str::SaffronFilter, "*.txt"},
        {Str::CsvRecipesFilter, "*.csv;*.zip"},
        {Str::RezKonvFilter, "*.txt;*.rk"}};
    QStringList all;
    QString filter;
    for (const Type& t : types) {
        for (const QString& p : QString::fromLatin1(t.patterns).split(QLatin1Char(';')))
            if (!all.contains(p))
                all << p;
        filter += fetchText(t.text) + QLatin1Char('|') + QLatin1String(t.patterns) + QLatin1Char('|');
    }
    return fetchText(Str::AllRecipeFilesFilter) + QLatin1Char('|') + all.join(QLatin1Char(';')) + QLatin1Char('|') +
           filter + fetchText(Str::AllFilesFilter) + QStringLiteral("|*|");
}

Str archiveFaultMessage(ArchiveFault fault)
{
    switch (fault) {
    case ArchiveFault::None: break;
    case ArchiveFault::NotArchive: return Str::ArchiveUnknown;
    case ArchiveFault::Damaged: return Str::ArchiveDamaged;
    case ArchiveFault::TooManyEntries: return Str::ArchiveTooManyEntries;
    case ArchiveFault::TooLarge: return Str::ArchiveTooLarge;
    }
    return Str::None;
}

QString archiveFaultText(const ImportFileRead& read, const QString& file)
{
    const Str message = archiveFaultMessage(read.archiveFault);
    return message == Str::None ? QString() : fetchText(message).arg(QDir::toNativeSeparators(file));
}

QString ownCookbookText(const ImportFileRead& read, const QString& file)
{
    if (read.ownCookbook.message == Str::None)
        return QString();
    return fetchText(read.ownCookbook.message).arg(QDir::toNativeSeparators(file), read.ownCookbook.program);
}

QString notPicturesText(const ImportFileRead& read)
{
    if (read.notPictures <= 0)
        return QString();
    return read.notPictures == 1 ? fetchText(Str::ImportNotPicture)
                                 : fetchText(Str::ImportNotPictures).arg(read.notPictures);
}

} // namespace bd
