#include "exchange/frmImp.h"

#include "app/ui/controls.h"
#include "app/base/dialogs.h"
#include "app/base/globals.h"
#include "app/ui/workprogress.h"
#include "exchange/formats/mealmaster.h"
#include "exchange/formats/readers.h"
#include "resources/apply.h"
#include "resources/captions.h"
#include "app/base/text.h"
#include "store/store.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace bd {

std::optional<QString> askTitleInstead(const QString& shownTitle, const QString& proposed)
{
    const QString prompt = fetchText(Str::TitleClash) + QStringLiteral(" [") + shownTitle + QStringLiteral("] ") +
                           fetchText(Str::TitleClashAsk);
    return dialogs().input(Str::TitleClash, prompt, QStringLiteral("BD"), proposed);
}

std::optional<QString> askNewTitle(const QString& shownTitle)
{
    return askTitleInstead(shownTitle, fetchText(Str::NewTitleDefault));
}

namespace {
constexpr double kWidth = 6480;
constexpr double kListStrip = 3705, kListHeight = 4800; // the recipe page
constexpr double kStrip = 2025, kHeight = 3100;         // the file and picture pages
} // namespace

frmImp::frmImp(QWidget* parent) : Wizard("frmImp", WindowKind::Add, kWidth)
{
    setParent(parent, Qt::Window);
    picFile = addFilePage("picFile", lblImpBrowse, "lblImpBrowse", cmdBrowse, "cmdBrowse");
    picRecipes = addPage("picRecipes");
    lstImpRecs = named(new QListWidget(picRecipes), "lstImpRecs");
    // One line each: a long title is cut short in its middle, so that
    // "(already in the book)" after it stays in sight, and shows whole as a tip.
    shortenLongEntries(lstImpRecs);
    lstImpRecs->setTextElideMode(Qt::ElideMiddle);
    cmdChkAll = named(new QPushButton(picRecipes), "cmdChkAll");
    cmdUnchkAll = named(new QPushButton(picRecipes), "cmdUnchkAll");
    place(lstImpRecs, {120, 60, kWidth - 1920, 3165});
    place(cmdChkAll, {kWidth - 1680, 60, 1560, 420});
    place(cmdUnchkAll, {kWidth - 1680, 540, 1560, 420});

    picImages = addChoicePage("picImages", lblImpImg, "lblImpImg", optYesImg, "optYesImg", optNoImg, "optNoImg");

    // Form load.
    currentPage_ = 0;
    applyCaptions(this, kImpCaptions);
    applyColours(this, kImpColours);
    showPage(picFile, fetchText(Str::LocateImportFile), kStrip, kHeight);
    cmdBack->setEnabled(false);

    cmdWeb = named(new QPushButton(fetchText(Str::WebAddressButton), picFile), "cmdWeb");
    place(cmdWeb, {120, 1250, 1800, 340});
    connect(cmdBrowse, &QPushButton::clicked, this, &frmImp::cmdBrowse_Click);
    connect(cmdWeb, &QPushButton::clicked, this, &frmImp::cmdWeb_Click);
    connect(cmdChkAll, &QPushButton::clicked, this, &frmImp::cmdChkAll_Click);
    connect(cmdUnchkAll, &QPushButton::clicked, this, &frmImp::cmdUnchkAll_Click);
    cmdBrowse->setFocus();
}

void frmImp::cmdBrowse_Click()
{
    const Command command(this);
    if (!command)
        return;
    const std::optional<QString> chosen = chooseBookFile(false, QStringLiteral("BD XML"), Str::PrimaryBookNotImported,
                                                         importFileFilter());
    if (!chosen || !QFileInfo(*chosen).isFile())
        return;
    fromWeb_ = false;
    tickNew_ = false;
    setFile(*chosen, QStringLiteral(": "));
    readSource();
}

void frmImp::importFrom(const QString& path)
{
    fromWeb_ = false;
    setFile(path, QStringLiteral(": "));
    tickNew_ = true;
    NextPage();
}

void frmImp::cmdWeb_Click()
{
    const Command command(this);
    if (!command)
        return;
    const std::optional<QString> typed = dialogs().input(Str::WebAddressPrompt, fetchText(Str::WebAddressPrompt),
                                                         QStringLiteral("BD"), fromWeb_ ? file_ : QString());
    if (!typed || typed->trimmed().isEmpty())
        return;
    importWeb(*typed);
}

void frmImp::importWeb(const QString& typed)
{
    const QUrl url = webAddress(typed);
    if (!url.isValid()) {
        dialogs().message(Str::NotWebAddress, fetchText(Str::NotWebAddress), Buttons::Ok, Icon::Exclamation,
                          QStringLiteral("BD"));
        return;
    }
    // The page, then its pictures all together, while the window stays
    // live: a progress dialog comes when it takes a while, and its Cancel
    // stops the page (nothing changes) or the pictures still to come (the
    // recipes come without them).
    lblFile->setText(fetchText(Str::Downloading));
    WorkProgress shown(this, Str::Downloading);
    const FetchProgress progress = [&shown](int done, int total) { return shown.step(done, total); };
    const FetchedPage page = fetchUrl(url, kFetchTimeout, kPageLimit, progress);
    ImportFileRead read;
    if (page.fault == FetchFault::None) {
        webPictures_ = std::make_unique<QTemporaryDir>();
        read = readWebImport(page, source_, {fetchText(Str::ImportedCategory), G.langOffset},
                             webPictures_->isValid() ? webPictures_->path() : QString(), kPicturesTimeout, progress);
    }
    shown.finish();
    if (page.fault != FetchFault::None || read.kind == ImportKind::None) {
        if (page.fault != FetchFault::Cancelled) {
            const Str id = page.fault != FetchFault::None ? Str::WebNoConnection : Str::WebNoRecipe;
            const QString text = page.fault != FetchFault::None ? fetchFaultText(page) : fetchText(Str::WebNoRecipe);
            dialogs().message(id, text, Buttons::Ok, Icon::Exclamation, QStringLiteral("BD"));
        }
        // What was chosen before stays chosen, unless it was a page now gone.
        if (!fromWeb_) {
            setFile(file_, QStringLiteral(": "));
        } else if (page.fault == FetchFault::Cancelled) {
            lblFile->setText(fetchText(Str::FileNameLabel) + QStringLiteral(": ") + file_);
        } else {
            fromWeb_ = false;
            kind_ = ImportKind::None;
            setFile(QString(), QString());
        }
        return;
    }
    fromWeb_ = true;
    readNotes_.clear();
    kind_ = read.kind;
    unreadable_ = read.unreadable;
    pictureFolder_ = read.pictureFolder;
    file_ = url.toString();
    lblFile->setText(fetchText(Str::FileNameLabel) + QStringLiteral(": ") + file_);
}

bool frmImp::readSource()
{
    // A fetched page was read when it came.
    if (fromWeb_)
        return kind_ != ImportKind::None;
    // A large file takes a moment.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const ImportFileRead read = readImportFile(file_, source_, {fetchText(Str::ImportedCategory), G.langOffset});
    QGuiApplication::restoreOverrideCursor();
    kind_ = read.kind;
    unreadable_ = read.unreadable;
    pictureFolder_ = read.pictureFolder;
    unpacked_ = read.unpacked;
    readNotes_ = notPicturesText(read);
    addParagraph(readNotes_, archiveFaultText(read, file_));
    if (kind_ == ImportKind::None && read.ownCookbook.message != Str::None)
        dialogs().message(read.ownCookbook.message, ownCookbookText(read, file_), Buttons::Ok, Icon::Exclamation,
                          QStringLiteral("BD"));
    else if (kind_ == ImportKind::None && read.archiveFault != ArchiveFault::None)
        dialogs().message(archiveFaultMessage(read.archiveFault), archiveFaultText(read, file_), Buttons::Ok,
                          Icon::Exclamation, QStringLiteral("BD"));
    else if (kind_ == ImportKind::None)
        msgBox(Str::ImportFileInvalid);
    return kind_ != ImportKind::None;
}

void frmImp::cmdChkAll_Click()
{
    if (lstImpRecs->count() == 0)
        return;
    // What the book already holds stays out.
    for (int i = 0; i < lstImpRecs->count(); ++i)
        lstImpRecs->item(i)->setCheckState(inBook_.contains(i) ? Qt::Unchecked : Qt::Checked);
    lstImpRecs->setCurrentRow(0);
}

void frmImp::cmdUnchkAll_Click()
{
    for (int i = 0; i < lstImpRecs->count(); ++i)
        lstImpRecs->item(i)->setCheckState(Qt::Unchecked);
}

void frmImp::InitXML()
{
    G.imgPrefix = QStringLiteral("recipes");
    inBook_ = entriesInBook(G.xmlDoc, source_);
    const QStringList titles = importList(source_);
    for (int i = 0; i < titles.size(); ++i) {
        const QString& title = titles[i];
        auto* item = new QListWidgetItem(
            inBook_.contains(i) ? title + QLatin1Char(' ') + fetchText(Str::AlreadyInBook) : title, lstImpRecs);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    if (lstImpRecs->count() > 0)
        lstImpRecs->setCurrentRow(0);
}

void frmImp::NextPage()
{
    switch (currentPage_) {
    case 0:
        // Whether a file was chosen, not how long the label's text is.
        if (file_.isEmpty()) {
            msgBox(Str::NoImportFile);
            return;
        }
        if (!readSource())
            return;
        lstImpRecs->clear();
        InitXML();
        // A page fetched or a file handed over: the recipes the book lacks
        // come ticked.
        if (fromWeb_ || tickNew_)
            for (int i = 0; i < lstImpRecs->count(); ++i)
                if (!inBook_.contains(i))
                    lstImpRecs->item(i)->setCheckState(Qt::Checked);
        showPage(picRecipes, fetchText(Str::ChooseImportRecipes), kListStrip, kListHeight);
        cmdBack->setEnabled(true);
        currentPage_ = 1;
        lstImpRecs->setFocus();
        break;
    case 1: {
        bool ticked = false;
        for (int i = 0; i < lstImpRecs->count() && !ticked; ++i)
            ticked = lstImpRecs->item(i)->checkState() == Qt::Checked;
        if (!ticked) {
            msgBox(Str::NothingToImport);
            return;
        }
        // Only a book, or a file whose recipes name pictures, has pictures to offer.
        if (kind_ != ImportKind::Book && pictureFolder_.isEmpty()) {
            loadrecipes();
            break;
        }
        showPage(picImages, fetchText(Str::ImportPictures), kStrip, kHeight);
        currentPage_ = 2;
        (optYesImg->isChecked() ? optYesImg : optNoImg)->setFocus();
        break;
    }
    case 2:
        loadrecipes();
        break;
    default:
        break;
    }
}

void frmImp::PrevPage()
{
    switch (currentPage_) {
    case 1:
        showPage(picFile, firstUpper(fetchText(Str::NoImportFile)), kStrip, kHeight);
        cmdBack->setEnabled(false);
        cmdBrowse->setFocus();
        break;
    case 2:
        showPage(picRecipes, fetchText(Str::ChooseImportRecipes), kListStrip, kListHeight);
        lstImpRecs->setFocus();
        break;
    default:
        return;
    }
    --currentPage_;
}

void frmImp::loadrecipes()
{
    if (G.readOnly) {
        report(SaveResult::refused(Str::BookReadOnly));
        return;
    }
    ImportJob job;
    for (int i = 0; i < lstImpRecs->count(); ++i)
        if (lstImpRecs->item(i)->checkState() == Qt::Checked)
            job.selected.insert(i);
    job.pictures = (kind_ == ImportKind::Book || !pictureFolder_.isEmpty()) && optYesImg->isChecked();
    job.pictureFolder = kind_ == ImportKind::Book ? exchangePictureFolder(file_) : pictureFolder_;
    job.imagesFolder = imagesFolder();
    job.bookPath = bookPath();
    job.snapshots = bookPlace().snapshots;
    job.date = shortDateText();
    job.uncategorised = fetchText(Str::ImportedCategory);

    // The import ends in a save of the whole book.
    const BusyCursor busy;
    WorkProgress shown(this, Str::Importing);
    const ImportResult r = importRecipes(G.xmlDoc, source_, job, askNewTitle,
                                         [&shown](int done, int total) { return shown.step(done, total); });
    shown.finish();
    if (r.imported > 0 && !report(r.saved))
        return;
    switch (r.outcome) {
    case RunOutcome::Done:
        // Anything skipped or unreadable is said with the numbers.
        if (kind_ != ImportKind::Book || r.skipped > 0 || !unreadable_.isEmpty()) {
            QString summary = importSummary(r.imported, r.skipped, unreadable_);
            addParagraph(summary, readNotes_);
            dialogs().message(Str::ImportedCount, summary, Buttons::Ok, Icon::Information, QStringLiteral("BD"));
        } else
            msgBox(Str::ImportDone);
        QCoreApplication::processEvents();
        finish();
        break;
    case RunOutcome::Cancelled:
        msgBox(Str::ImportCancelled);
        finish();
        break;
    case RunOutcome::Failed:
        // The wizard stays on its page; what was imported is kept, and no
        // longer ticked, so that going on imports only the rest.
        for (int i : r.handled)
            lstImpRecs->item(i)->setCheckState(Qt::Unchecked);
        msgBox(r.fault == ImportFault::PictureNotCopied ? Str::PictureNotCopied : Str::ImportCorrupt);
        break;
    }
}

} // namespace bd
