#include "store/picturefiles.h"

#include "store/bookfile.h"
#include "store/diskstamp.h"
#include "store/leftovers.h"
#include "store/names.h"
#include "store/recipebook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cstdio>
#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace bd {

namespace {

// The mark of files and folders on their way to their names, followed by
// six random letters and digits.
const QLatin1String kNewMark(".bdnew-");
constexpr int kMarkLength = 7 + 6;

QString randomSuffix()
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString s;
    for (int i = 0; i < 6; ++i)
        s += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))]);
    return s;
}

// name + the mark, or an empty string when name carries none.
QString unmarked(const QString& name)
{
    if (name.size() <= kMarkLength || name.mid(name.size() - kMarkLength, kNewMark.size()) != kNewMark)
        return QString();
    for (const QChar c : name.right(6))
        if (!(c.isDigit() || (c.unicode() < 128 && c.isLetter())))
            return QString();
    return name.left(name.size() - kMarkLength);
}

// A name beside path that no file takes: path + the mark + six random characters.
QString markedPath(const QString& path)
{
    QString candidate;
    do
        candidate = path + kNewMark + randomSuffix();
    while (QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink());
    return candidate;
}

// Removes a file itself (a link, never what it points to) or a folder
// this program built; what stays is met again by the next clean-up.
void removeEntry(const QString& path)
{
    if (!QFileInfo(path).isDir() || QFileInfo(path).isSymLink())
        removeLeftover(path);
    else if (!QDir(path).removeRecursively())
        qWarning("could not remove %s", qPrintable(path));
}

// Swaps two folders in one step where the system can; false otherwise.
bool exchangeFolders(const QString& a, const QString& b)
{
#if defined(Q_OS_LINUX) && defined(RENAME_EXCHANGE)
    return ::renameat2(AT_FDCWD, QFile::encodeName(a).constData(), AT_FDCWD, QFile::encodeName(b).constData(),
                       RENAME_EXCHANGE) == 0;
#else
    Q_UNUSED(a);
    Q_UNUSED(b);
    return false;
#endif
}

} // namespace

bool regularFile(const QString& path)
{
#ifdef Q_OS_WIN
    const QFileInfo fi(path);
    return fi.isFile() && !fi.isSymLink();
#else
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
#endif
}

bool sameFile(const QString& a, const QString& b)
{
#ifdef Q_OS_WIN
    return QFileInfo::exists(a) && QFileInfo::exists(b) &&
           QFileInfo(a).canonicalFilePath().compare(QFileInfo(b).canonicalFilePath(), Qt::CaseInsensitive) == 0;
#else
    struct stat sa {
    }, sb{};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
#endif
}

bool copyNewFile(const QString& from, const QString& to)
{
    // Opening a FIFO or a device could wait for ever.
    if (!QFileInfo(from).isFile())
        return false;
#ifndef Q_OS_WIN
    struct stat st {};
    if (::stat(QFile::encodeName(from).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
#endif
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    bool ok = copyRest(in, out) && syncToDisk(out);
    out.close();
    ok = ok && out.error() == QFileDevice::NoError;
    if (!ok)
        removeLeftover(to); // the part copied
    return ok;
}

QString freeName(const QString& wanted, const std::function<bool(const QString&)>& taken)
{
    const int dot = wanted.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? wanted.left(dot) : wanted;
    const QString ext = dot > 0 ? wanted.mid(dot) : QString();
    QString name = wanted;
    for (int n = 2; taken(name); ++n)
        name = stem + QStringLiteral(" (%1)").arg(n) + ext;
    return name;
}

// ---------------------------------------------------------------------------

NewPictures::NewPictures(QString folder) : folder_(std::move(folder)) {}

NewPictures::~NewPictures() { discard(); }

bool NewPictures::add(const QString& source, const QString& name)
{
    // Pictures go into the images folder itself, never through a link to another one.
    if (unusableFolder(folder_) || !QDir().mkpath(folder_))
        return false;
    const QString unfinished = markedPath(folder_ + QLatin1Char('/') + name);
    if (!copyNewFile(source, unfinished))
        return false;
    pending_.push_back({unfinished, name});
    return true;
}

bool NewPictures::holds(const QString& name) const
{
    for (const auto& p : pending_)
        if (p.second.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void NewPictures::keep()
{
    // A rename that fails leaves the file for the next start to finish.
    for (const auto& [unfinished, name] : std::as_const(pending_))
        if (!QFile::rename(unfinished, folder_ + QLatin1Char('/') + name))
            qWarning("could not name %s %s", qPrintable(unfinished), qPrintable(name));
    pending_.clear();
}

void NewPictures::discard()
{
    for (const auto& p : std::as_const(pending_))
        removeLeftover(p.first);
    pending_.clear();
}

QString retiredNote(const QString& folder) { return folder + QStringLiteral("/.bdretired"); }

void noteRetired(const QString& folder, const QStringList& names)
{
    // Losing the note (a crash of the system) only leaves files behind. A
    // link in its place is replaced, never written through.
    if (!unusableFolder(folder) && !writeFileAtomically(retiredNote(folder), names.join(QLatin1Char('\n')).toUtf8()))
        qWarning("could not write %s", qPrintable(retiredNote(folder)));
}

// A note that stays is read again at the next start, which finds its
// pictures gone or named again.
void retiredDone(const QString& folder) { removeLeftover(retiredNote(folder)); }

void finishNewPictures(const QString& folder, const RecipeBook& book)
{
    if (unusableFolder(folder))
        return; // a link to another folder: nothing there is this book's to remove
    QDir dir(folder);
    const QStringList unfinished = dir.entryList({QStringLiteral("*") + kNewMark + QStringLiteral("??????")},
                                                 QDir::Files | QDir::Hidden);
    // A note whose writing was cut short: the pictures it was to name are
    // still named by the book, or noted in the note before it.
    for (const QString& half : dir.entryList({QStringLiteral(".bdretired.bdsave-??????")}, QDir::Files | QDir::Hidden))
        removeLeftover(dir.filePath(half));
    QFile note;
    const bool noted = openRegularFile(note, retiredNote(folder), false);
    if (unfinished.isEmpty() && !noted) {
        if (identityOf(retiredNote(folder)).exists)
            removeLeftover(retiredNote(folder)); // a link or something else: never read
        return;
    }
    QSet<QString> named, namedLower;
    book.forEachRecipe([&](pugi::xml_node r, int) {
        const QString image = RecipeBook::childText(r, RImage);
        named.insert(image);
        namedLower.insert(image.toLower());
    });
    if (noted) {
        const QStringList retired = QString::fromUtf8(note.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString& name : retired)
            if (safePictureName(name) && !namedLower.contains(name.toLower()) && regularFile(dir.filePath(name)))
                removeLeftover(dir.filePath(name)); // one that stays is only a picture unused
        note.close();
    }
    if (identityOf(retiredNote(folder)).exists)
        removeLeftover(retiredNote(folder));
    for (const QString& file : unfinished) {
        const QString name = unmarked(file);
        if (name.isEmpty())
            continue;
        const QString target = dir.filePath(name);
        if (!named.contains(name) || QFileInfo::exists(target) || QFileInfo(target).isSymLink() ||
            !QFile::rename(dir.filePath(file), target))
            removeLeftover(dir.filePath(file));
    }
}

// ---------------------------------------------------------------------------

bool unusableFolder(const QString& path)
{
    const QFileInfo fi(path);
    return fi.isSymLink() || (fi.exists() && !fi.isDir());
}

NewPictureFolder::NewPictureFolder(QString target, bool withOld) : target_(std::move(target)), withOld_(withOld) {}

NewPictureFolder::~NewPictureFolder()
{
    if (!build_.isEmpty())
        removeEntry(build_);
}

bool NewPictureFolder::open()
{
    if (unusableFolder(target_))
        return false;
    const QFileInfo place(target_);
    QDir parent = place.absoluteDir();
    if (!parent.exists() && !QDir().mkpath(parent.absolutePath()))
        return false;
    // What builds cut short left beside the place.
    for (const QString& left :
         parent.entryList({place.fileName() + kNewMark + QStringLiteral("??????")},
                          QDir::Dirs | QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        if (unmarked(left) == place.fileName())
            removeEntry(parent.filePath(left));
    build_ = markedPath(place.absoluteFilePath());
    if (!QDir().mkdir(build_)) {
        build_.clear();
        return false;
    }
    if (withOld_ && place.isDir()) {
        QDir old(target_);
        for (const QString& name : old.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
            const QString from = old.filePath(name);
            if (!regularFile(from))
                continue;
            const QString to = build_ + QLatin1Char('/') + name;
            fromOld_.insert(name);
#ifndef Q_OS_WIN
            // The new folder shares the old files until one is replaced.
            if (::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
                continue;
#endif
            if (!copyNewFile(from, to))
                return false;
        }
    }
    return true;
}

bool NewPictureFolder::add(const QString& from, const QString& name)
{
    if (build_.isEmpty())
        return false;
    const QString to = build_ + QLatin1Char('/') + name;
    // Only the new folder's own entry; one that stays makes the copy below fail.
    if (QFileInfo::exists(to) || QFileInfo(to).isSymLink())
        removeLeftover(to);
    fromOld_.remove(name);
    return copyNewFile(from, to);
}

void NewPictureFolder::dropOld()
{
    if (unusableFolder(target_))
        return;
    for (const QString& name : std::as_const(fromOld_))
        if (regularFile(target_ + QLatin1Char('/') + name))
            removeLeftover(target_ + QLatin1Char('/') + name); // one that stays is only a picture unused
    fromOld_.clear();
}

bool NewPictureFolder::commit()
{
    if (build_.isEmpty() || unusableFolder(target_))
        return false;
    if (!QFileInfo::exists(target_)) {
        if (!QDir().rename(build_, target_))
            return false;
        build_.clear();
        return true;
    }
    // The old folder and the new one change places; the old one, now under
    // the build's name, goes.
    if (!exchangeFolders(build_, target_)) {
        const QString old = markedPath(target_);
        if (!QDir().rename(target_, old))
            return false;
        if (!QDir().rename(build_, target_)) {
            if (!QDir().rename(old, target_))
                qWarning("the pictures of %s stay in %s", qPrintable(target_), qPrintable(old));
            return false;
        }
        build_ = old;
    }
    removeEntry(build_);
    build_.clear();
    return true;
}

} // namespace bd
