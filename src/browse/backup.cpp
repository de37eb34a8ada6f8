#include "browse/backup.h"

#include "app/dialogs.h"
#include "app/globals.h"
#include "resources/strings.h"
#include "store/bookfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace bd {

namespace {

enum class Step { Done, AskAgain, Cancelled, Failed };

QString normalised(const QString& path)
{
    const QFileInfo fi(path);
    const QString canonical = fi.canonicalFilePath();
    return QDir::cleanPath(canonical.isEmpty() ? fi.absoluteFilePath() : canonical).toLower();
}

// Ordinary files of a folder, in name order (no hidden files, no folders).
QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
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

// Empties (after asking) or creates exp_img beside the backup, then copies
// every picture of the images folder into it.
Step copyPictures(const QString& backupPath, const BackupProgress& report)
{
    const QString target = QFileInfo(backupPath).absolutePath() + QStringLiteral("/exp_img");
    QStringList old;
    if (QFileInfo(target).isDir()) {
        if (msgBox(Str::BackupPicturesExist, Buttons::YesNo) == Answer::No)
            return Step::AskAgain;
        old = filesIn(target);
    } else if (!QDir().mkpath(target)) {
        return Step::Failed;
    }
    const QString source = imagesFolder();
    const QStringList pictures = filesIn(source);
    Progress progress(report, int(old.size() + pictures.size()));

    for (const QString& name : old) {
        if (!QFile::remove(target + QLatin1Char('/') + name))
            return Step::Failed;
        if (!progress.step())
            return Step::Cancelled;
    }
    for (const QString& name : pictures) {
        const QString from = source + QLatin1Char('/') + name;
        const QString to = target + QLatin1Char('/') + name;
        if (QFileInfo(from).isFile()) {
            if (QFileInfo::exists(to) && !QFile::remove(to))
                return Step::Failed;
            if (!QFile::copy(from, to))
                return Step::Failed;
        }
        if (!progress.step())
            return Step::Cancelled;
    }
    return Step::Done;
}

// Copies the book byte for byte through a temporary file beside the target,
// which takes the target's place only once it is complete and on disk.
bool copyBook(const QString& target)
{
    QFile book(bookPath());
    if (!book.open(QIODevice::ReadOnly))
        return false;
    return writeFileAtomically(target, [&book](QIODevice& out) {
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
           })
        .ok;
}

} // namespace

bool isPrimaryBook(const QString& path) { return normalised(path) == normalised(bookPath()); }

BackupOutcome backupRecipes(QString& proposal, const BackupProgress& progress)
{
    FileRequest request;
    request.title = fetchText(285);
    request.filter = fetchText(Str::RecipeBooksFilter) + QStringLiteral("|*.xml|");
    request.kind = FileKind::Backup;
    request.defaultExt = QStringLiteral("xml");
    request.askBeforeReplacing = false; // asked below, after the book check
    BackupOutcome outcome = BackupOutcome::Cancelled;
    for (;;) {
        if (proposal.isEmpty())
            proposal = fetchText(286);
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
        if (msgBox(Str::BackupPicturesAsk, Buttons::YesNo) != Answer::No) {
            const Step step = copyPictures(path, progress);
            if (step == Step::AskAgain)
                continue;
            if (step == Step::Cancelled)
                break;
            if (step == Step::Failed) {
                outcome = BackupOutcome::Failed;
                break;
            }
        }
        if (copyBook(path)) {
            msgBox(Str::BackupDone);
            return BackupOutcome::Saved;
        }
        outcome = BackupOutcome::Failed;
        break;
    }
    if (outcome == BackupOutcome::Failed)
        msgBox(Str::FileAccessError, Buttons::Ok, Icon::Exclamation);
    msgBox(Str::OperationCancelled);
    return outcome;
}

} // namespace bd
