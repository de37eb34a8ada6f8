#include "browse/backup.h"

#include "app/base/dialogs.h"
#include "app/base/globals.h"
#include "app/base/text.h"
#include "exchange/exchange.h"
#include "store/bookfile.h"
#include "store/picturefiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <optional>

namespace bd {

namespace {

QString normalised(const QString& path)
{
    const QFileInfo fi(path);
    const QString canonical = fi.canonicalFilePath();
    return QDir::cleanPath(canonical.isEmpty() ? fi.absoluteFilePath() : canonical).toLower();
}

// The regular files of a folder, in name order (no hidden files, no
// folders, no links that could lead anywhere on the disk).
QStringList filesIn(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::NoSymLinks, QDir::Name);
    names.erase(std::remove_if(names.begin(), names.end(),
                               [&folder](const QString& n) { return !regularFile(folder + QLatin1Char('/') + n); }),
                names.end());
    return names;
}

class Progress {
public:
    Progress(const BackupProgress& report, int total) : report_(report), total_(total) {}
    ~Progress()
    {
        if (report_.finished)
            report_.finished();
    }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    // False when the user cancelled.
    bool step()
    {
        ++done_;
        if (report_.step)
            return report_.step(done_, total_);
        QCoreApplication::processEvents();
        return true;
    }

private:
    const BackupProgress& report_;
    int total_;
    int done_ = 0;
};

// Copies the book byte for byte through a temporary file beside the target,
// which takes the target's place only once it is complete and on disk.
bool copyBook(const QString& from, const QString& target, const std::function<bool()>& beforePlacing)
{
    QFile book(from);
    if (!book.open(QIODevice::ReadOnly))
        return false;
    return writeFileAtomically(
               target,
               [&book](QIODevice& out) {
                   char buffer[64 * 1024];
                   for (;;) {
                       const qint64 n = book.read(buffer, sizeof buffer);
                       if (n < 0)
                           return false;
                       if (n == 0)
                           return true;
                       if (out.write(buffer, n) != n)
                           return false;
                   }
               },
               beforePlacing)
        .ok;
}

} // namespace

BackupOutcome writeBackup(const QString& book, const QString& images, const QString& path, const BackupProgress& report)
{
    std::optional<NewPictureFolder> pictures;
    if (!images.isEmpty()) {
        pictures.emplace(exchangePictureFolder(path), true);
        if (!pictures->open())
            return BackupOutcome::Failed;
        const QStringList names = filesIn(images);
        Progress progress(report, int(names.size()));
        for (const QString& name : names) {
            if (!pictures->add(images + QLatin1Char('/') + name, name))
                return BackupOutcome::Failed;
            if (!progress.step())
                return BackupOutcome::Cancelled; // the old backup stays whole
        }
    }
    // The new folder, holding the old pictures too, takes the old one's
    // place just before the book copy takes the old copy's: either book
    // finds its pictures there. The old ones go once the new book is there.
    if (!copyBook(book, path, [&] { return !pictures || pictures->commit(); }))
        return BackupOutcome::Failed;
    if (pictures)
        pictures->dropOld();
    return BackupOutcome::Saved;
}

bool isPrimaryBook(const QString& path) { return normalised(path) == normalised(bookPath()); }

BackupOutcome backupRecipes(QString& proposal, const BackupProgress& progress)
{
    FileRequest request;
    request.title = fetchText(Str::BackupDialogTitle);
    request.filter = fetchText(Str::RecipeBooksFilter) + QStringLiteral("|*.xml|");
    request.kind = FileKind::Backup;
    request.defaultExt = QStringLiteral("xml");
    request.askBeforeReplacing = false; // asked below, after the book check
    BackupOutcome outcome = BackupOutcome::Cancelled;
    for (;;) {
        if (proposal.isEmpty())
            proposal = fetchText(Str::BackupFileName);
        request.fileName = proposal;
        const std::optional<QString> chosen = dialogs().saveFile(request);
        if (!chosen || chosen->isEmpty())
            break;
        const QString path = *chosen;
        proposal = path;
        if (isPrimaryBook(path)) {
            msgBox(Str::PrimaryBookRefused, Buttons::Ok, Icon::Exclamation);
            continue;
        }
        // The old file stays until the new copy replaces it.
        if (QFileInfo::exists(path) && msgBox(Str::FileExists, Buttons::YesNo) == Answer::No)
            continue;
        QString images;
        if (msgBox(Str::BackupPicturesAsk, Buttons::YesNo) != Answer::No) {
            const QString target = exchangePictureFolder(path);
            // A linked exp_img is never emptied or written through (a file
            // of that name fails below).
            if (QFileInfo(target).isSymLink()) {
                msgBox(Str::PictureFolderLinked, Buttons::Ok, Icon::Exclamation);
                continue;
            }
            if (QFileInfo(target).isDir() && msgBox(Str::BackupPicturesExist, Buttons::YesNo) == Answer::No)
                continue;
            images = imagesFolder();
        }
        outcome = writeBackup(bookPath(), images, path, progress);
        if (outcome == BackupOutcome::Saved) {
            msgBox(Str::BackupDone);
            return outcome;
        }
        break;
    }
    if (outcome == BackupOutcome::Failed)
        msgBox(Str::FileAccessError, Buttons::Ok, Icon::Exclamation);
    msgBox(Str::OperationCancelled);
    return outcome;
}

} // namespace bd
