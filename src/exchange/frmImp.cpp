#include "exchange/frmImp.h"

#include "app/controls.h"
#include "app/dialogs.h"
#include "app/globals.h"
#include "app/workprogress.h"
#include "exchange/mealmaster.h"
#include "resources/apply.h"
#include "resources/captions.h"
#include "resources/strings.h"
#include "store/store.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace bd {

std::optional<QString> askNewTitle(const QString& shownTitle)
{
    const QString prompt = fetchText(Str::TitleClash) + QStringLiteral(" [") + shownTitle + QStringLiteral("] ") +
                           fetchText(Str::TitleClashAsk);
    return dialogs().input(Str::TitleClash, prompt, QStringLiteral("BD"), fetchText(Str::NewTitleDefault));
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
    wrapLongEntries(lstImpRecs);
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
    showPage(picFile, fetchText(177), kStrip, kHeight);
    cmdBack->setEnabled(false);

    connect(cmdBrowse, &QPushButton::clicked, this, &frmImp::cmdBrowse_Click);
    connect(cmdChkAll, &QPushButton::clicked, this, &frmImp::cmdChkAll_Click);
    connect(cmdUnchkAll, &QPushButton::clicked, this, &frmImp::cmdUnchkAll_Click);
    cmdBrowse->setFocus();
}

void frmImp::cmdBrowse_Click()
{
    const Command command(this);
    if (!command)
        return;
    const QString filter = fetchText(Str::RecipeBooksFilter) + QStringLiteral("|*.xml|") +
                           fetchText(Str::MealMasterFilter) + QStringLiteral("|*.mmf;*.mm;*.txt|") +
                           fetchText(Str::AllFilesFilter) + QStringLiteral("|*|");
    const std::optional<QString> chosen = chooseBookFile(false, QStringLiteral("BD XML"), 306, filter);
    if (!chosen || !QFileInfo(*chosen).isFile())
        return;
    setFile(*chosen, QStringLiteral(": "));
    readSource();
}

bool frmImp::readSource()
{
    // A large file takes a moment.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    kind_ = loadImportFile(file_, source_, fetchText(Str::ImportedCategory), &unreadable_);
    QGuiApplication::restoreOverrideCursor();
    if (kind_ == ImportKind::None)
        msgBox(Str::ImportFileInvalid);
    return kind_ != ImportKind::None;
}

void frmImp::cmdChkAll_Click()
{
    if (lstImpRecs->count() == 0)
        return;
    for (int i = 0; i < lstImpRecs->count(); ++i)
        lstImpRecs->item(i)->setCheckState(Qt::Checked);
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
    for (const QString& title : importList(source_)) {
        auto* item = new QListWidgetItem(title, lstImpRecs);
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
        showPage(picRecipes, fetchText(181), kListStrip, kListHeight);
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
        if (kind_ == ImportKind::MealMaster) {
            loadrecipes();
            break;
        }
        showPage(picImages, fetchText(183), kStrip, kHeight);
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
        showPage(picFile, firstUpper(fetchText(180)), kStrip, kHeight);
        cmdBack->setEnabled(false);
        cmdBrowse->setFocus();
        break;
    case 2:
        showPage(picRecipes, fetchText(181), kListStrip, kListHeight);
        lstImpRecs->setFocus();
        break;
    default:
        return;
    }
    --currentPage_;
}

void frmImp::loadrecipes()
{
    ImportJob job;
    for (int i = 0; i < lstImpRecs->count(); ++i)
        if (lstImpRecs->item(i)->checkState() == Qt::Checked)
            job.selected.insert(i);
    job.pictures = kind_ == ImportKind::Book && optYesImg->isChecked();
    job.pictureFolder = exchangePictureFolder(file_);
    job.imagesFolder = imagesFolder();
    job.bookPath = bookPath();
    job.date = shortDateText();
    job.uncategorised = fetchText(Str::ImportedCategory);

    WorkProgress shown(this, Str::Importing);
    const ImportResult r = importRecipes(G.xmlDoc, source_, job, askNewTitle,
                                         [&shown](int done, int total) { return shown.step(done, total); });
    shown.finish();
    if (r.imported > 0 && !report(r.saved))
        return;
    switch (r.outcome) {
    case RunOutcome::Done:
        // Anything skipped or unreadable is said with the numbers.
        if (kind_ == ImportKind::MealMaster || r.skipped > 0 || !unreadable_.isEmpty())
            dialogs().message(Str::ImportedCount, importSummary(r.imported, r.skipped, unreadable_), Buttons::Ok,
                              Icon::Information, QStringLiteral("BD"));
        else
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
