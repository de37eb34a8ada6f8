#include "exchange/frmExp.h"

#include "app/ui/controls.h"
#include "app/base/dialogs.h"
#include "app/base/globals.h"
#include "store/listsort.h"
#include "app/ui/workprogress.h"
#include "exchange/exchange.h"
#include "resources/apply.h"
#include "resources/captions.h"
#include "app/base/text.h"
#include "store/bookfolder.h"
#include "store/store.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>

namespace bd {

namespace {
constexpr double kWidth = 6480;
constexpr double kChooseStrip = 3705, kChooseHeight = 4800; // page 0
constexpr double kFileStrip = 2025, kFileHeight = 3100;     // pages 1 and 2
constexpr double kOptionsStrip = 2625, kOptionsHeight = 3700; // page 2 of the other formats

QPushButton* mover(QWidget* parent, const char* name, const char* caption, double top)
{
    auto* b = named(new QPushButton(QLatin1String(caption), parent), name);
    b->setGeometry(toPixels({2940, top, 480, 375}));
    return b;
}
} // namespace

frmExp::frmExp(QWidget* parent) : Wizard("frmExp", WindowKind::Br, kWidth)
{
    setParent(parent, Qt::Window);
    picChoose = addPage("picChoose");
    cboCats = named(new NameBox(picChoose), "cboCats");
    lblAvail = label(picChoose, "lblAvail");
    lstRecs = named(new QListWidget(picChoose), "lstRecs");
    cmdROne = mover(picChoose, "cmdROne", ">", 1000);
    cmdRAll = mover(picChoose, "cmdRAll", ">>", 1450);
    cmdLOne = mover(picChoose, "cmdLOne", "<", 1900);
    cmdLAll = mover(picChoose, "cmdLAll", "<<", 2350);
    lblRec2Exp = label(picChoose, "lblRec2Exp");
    lstExp = named(new QListWidget(picChoose), "lstExp");
    lstHid = named(new QListWidget(picChoose), "lstHid");
    lstHid->hide();
    wrapLongEntries(lstRecs);
    wrapLongEntries(lstExp);
    place(cboCats, {120, 60, 2700, 330});
    place(lblAvail, {120, 450, 2700, 255});
    place(lstRecs, {120, 720, 2700, 2445});
    place(lblRec2Exp, {3540, 450, 2820, 255});
    place(lstExp, {3540, 720, 2820, 2445});

    picFileName = addFilePage("picFileName", lblBrowseFolder, "lblBrowseFolder", cmdSaveAs, "cmdSaveAs");
    picImages = addChoicePage("picImages", lblExpOmit, "lblExpOmit", optNoImg, "optNoImg", optImg, "optImg");
    picOptions = addChoicePage("picOptions", lblOptions, "lblOptions", optFirst, "optFirst", optSecond, "optSecond");
    txtTitle = named(new QLineEdit(picOptions), "txtTitle");
    optThird = named(new QRadioButton(picOptions), "optThird");
    place(txtTitle, {240, 800, kWidth - 480, 330});

    // Form load.
    currentPage_ = 0;
    applyCaptions(this, kExpCaptions);
    applyColours(this, kExpColours);
    showPage(picChoose, fetchText(Str::ChooseExportRecipes), kChooseStrip, kChooseHeight);
    cmdBack->setEnabled(false);

    connect(cboCats, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] { cboCats_Click(); });
    connect(cmdROne, &QPushButton::clicked, this, &frmExp::cmdROne_Click);
    connect(cmdRAll, &QPushButton::clicked, this, &frmExp::cmdRAll_Click);
    connect(cmdLOne, &QPushButton::clicked, this, &frmExp::cmdLOne_Click);
    connect(cmdLAll, &QPushButton::clicked, this, &frmExp::cmdLAll_Click);
    connect(lstRecs, &QListWidget::itemDoubleClicked, this, &frmExp::cmdROne_Click);
    connect(lstExp, &QListWidget::itemDoubleClicked, this, &frmExp::cmdLOne_Click);
    connect(cmdSaveAs, &QPushButton::clicked, this, &frmExp::cmdSaveAs_Click);
    InitXML();
    lstRecs->setFocus();
}

void frmExp::InitXML()
{
    for (const auto& [name, position] : categoryListEntries(G.xmlDoc))
        cboCats->addItem(name, position);
    if (cboCats->count() > 0) {
        cboCats->setCurrentIndex(0);
        cboCats_Click();
    }
}

void frmExp::cboCats_Click()
{
    if (cboCats->currentIndex() >= 0)
        updateRecipes(cboCats->currentData().toInt());
}

void frmExp::updateRecipes(int position)
{
    // Titles already in the export list stay out of the available list.
    QSet<QString> chosen;
    for (int i = 0; i < lstHid->count(); ++i)
        if (lstHid->item(i)->data(Qt::UserRole).toInt() == position)
            chosen.insert(lstHid->item(i)->text());
    QStringList titles;
    for (const QString& t : G.xmlDoc.recipeTitles(position))
        if (!chosen.contains(t))
            titles << t;
    sortForList(titles);
    lstRecs->clear();
    for (const QString& t : std::as_const(titles)) {
        auto* item = new QListWidgetItem(t, lstRecs);
        item->setData(Qt::UserRole, position);
    }
    if (lstRecs->count() > 0)
        lstRecs->setCurrentRow(0);
}

void frmExp::addToExport(const QString& title, int position)
{
    for (QListWidget* list : {lstExp, lstHid}) {
        auto* item = new QListWidgetItem(title, list);
        item->setData(Qt::UserRole, position);
    }
}

void frmExp::cmdROne_Click()
{
    QListWidgetItem* item = lstRecs->currentItem();
    if (!item || item->text().isEmpty())
        return;
    const int row = lstRecs->row(item);
    addToExport(item->text(), cboCats->currentData().toInt());
    delete lstRecs->takeItem(row);
    lstRecs->setFocus();
    if (lstRecs->count() > 0)
        lstRecs->setCurrentRow(0);
}

void frmExp::cmdRAll_Click()
{
    const int position = cboCats->currentData().toInt();
    for (int i = 0; i < lstRecs->count(); ++i)
        addToExport(lstRecs->item(i)->text(), position);
    lstRecs->clear();
}

void frmExp::cmdLOne_Click()
{
    const int row = lstExp->currentRow();
    if (row < 0)
        return;
    delete lstHid->takeItem(row);
    delete lstExp->takeItem(row);
    cboCats_Click();
}

void frmExp::cmdLAll_Click()
{
    if (lstExp->count() == 0)
        return;
    lstExp->clear();
    lstHid->clear();
    cboCats_Click();
}

void frmExp::cmdSaveAs_Click()
{
    const Command command(this);
    if (!command)
        return;
    // The file's type chooses the format.
    const QString filter = fetchText(Str::RecipeBooksFilter) + QStringLiteral("|*.xml|") +
                           fetchText(Str::MealMasterFilter) + QStringLiteral("|*.mmf|") +
                           fetchText(Str::CookbookFilter) + QStringLiteral("|*.pdf|") + fetchText(Str::WebPageFilter) +
                           QStringLiteral("|*.html;*.htm|");
    const std::optional<QString> chosen = chooseBookFile(true, QStringLiteral("BD"), Str::PrimaryBookRefused, filter);
    if (!chosen)
        return;
    // Never over the book's trash, a snapshot or a picture, by any name.
    if (insideBookFolder(*chosen, G.appPath)) {
        msgBox(Str::ExportIntoBookFolder, Buttons::Ok, Icon::Exclamation);
        setFile(QString(), QString());
        return;
    }
    // The old file is replaced only when the export has been written.
    if (QFileInfo::exists(*chosen) && msgBox(Str::FileExists, Buttons::YesNo) == Answer::No) {
        setFile(QString(), QString());
        return;
    }
    setFile(*chosen, QStringLiteral(":  "));
}

void frmExp::NextPage()
{
    switch (currentPage_) {
    case 0:
        if (lstExp->count() == 0) {
            msgBox(Str::NothingToExport);
            return;
        }
        showPage(picFileName, fetchText(Str::NoExportFile), kFileStrip, kFileHeight);
        cmdBack->setEnabled(true);
        currentPage_ = 1;
        cmdSaveAs->setFocus();
        break;
    case 1:
        if (file_.isEmpty()) {
            msgBox(Str::NoExportFile);
            return;
        }
        currentPage_ = 2;
        if (format() != ExportFormat::Book) {
            showOptions();
            break;
        }
        showPage(picImages, fetchText(Str::ExportPictures), kFileStrip, kFileHeight);
        (optImg->isChecked() ? optImg : optNoImg)->setFocus();
        break;
    case 2:
        HidePages();
        Picture1->setEnabled(false);
        currentPage_ = 3;
        ExportRecipes();
        QCoreApplication::processEvents();
        finish();
        break;
    default:
        break;
    }
}

void frmExp::PrevPage()
{
    switch (currentPage_) {
    case 1:
        showPage(picChoose, fetchText(Str::ChooseExportRecipes), kChooseStrip, kChooseHeight);
        cmdBack->setEnabled(false);
        lstRecs->setFocus();
        break;
    case 2:
        showPage(picFileName, firstUpper(fetchText(Str::NoExportFile)), kFileStrip, kFileHeight);
        cmdSaveAs->setFocus();
        break;
    default:
        return;
    }
    --currentPage_;
}

ExportFormat frmExp::format() const { return exportFormatOf(file_).value_or(ExportFormat::Book); }

void frmExp::showOptions()
{
    // Each format asks its own question; the choices keep what the cook
    // picked while the format stays the same.
    const ExportFormat f = format();
    struct Texts {
        Str question, first, second, third;
    };
    const Texts t = f == ExportFormat::MealMaster
                        ? Texts{Str::MealMasterEncoding, Str::EncodingUtf8, Str::EncodingWindows1252, Str::None}
                    : f == ExportFormat::Cookbook
                        ? Texts{Str::CookbookLayout, Str::RecipesFlowOn, Str::RecipePerPage, Str::None}
                        : Texts{Str::WebPictures, Str::WebPicturesFolder, Str::WebPicturesEmbedded,
                                Str::WebPicturesNone};
    if (lblOptions->property("format").toInt() != int(f) + 1) {
        lblOptions->setProperty("format", int(f) + 1);
        optFirst->setChecked(true);
    }
    lblOptions->setText(fetchText(t.question));
    optFirst->setText(fetchText(t.first));
    optSecond->setText(fetchText(t.second));
    optThird->setText(t.third != Str::None ? fetchText(t.third) : QString());
    optThird->setVisible(t.third != Str::None);
    const bool titled = f == ExportFormat::Cookbook;
    txtTitle->setVisible(titled);
    if (titled && txtTitle->text().isEmpty())
        txtTitle->setText(fetchText(Str::CookbookTitle));
    // The choices sit below the title when there is one.
    const double top = titled ? 1240 : 800;
    place(optFirst, {240, top, kWidth - 480, 300});
    place(optSecond, {240, top + 340, kWidth - 480, 300});
    place(optThird, {240, top + 680, kWidth - 480, 300});
    showPage(picOptions, fetchText(Str::ExportOptions), kOptionsStrip, kOptionsHeight);
    (titled ? static_cast<QWidget*>(txtTitle) : optFirst)->setFocus();
}

void frmExp::ExportRecipes()
{
    if (file_.isEmpty())
        return;
    QVector<RecipeRef> items;
    items.reserve(lstHid->count());
    for (int i = 0; i < lstHid->count(); ++i)
        items.push_back({lstHid->item(i)->data(Qt::UserRole).toInt(), lstHid->item(i)->text()});
    ExportJob job;
    job.path = file_;
    job.imagesFolder = imagesFolder();
    job.pictureFolder = optImg->isChecked() ? exchangePictureFolder(file_) : QString();
    job.date = shortDateText();

    // The wizard stays on screen until it hands back to the browse window:
    // with no window shown the program would end.
    ExportOptions options;
    options.format = format();
    options.encoding = optSecond->isChecked() ? TextEncoding::Windows1252 : TextEncoding::Utf8;
    options.title = txtTitle->text();
    options.recipePerPage = optSecond->isChecked();
    options.webPictures = optSecond->isChecked()  ? WebPictures::Embedded
                          : optThird->isChecked() ? WebPictures::None
                                                  : WebPictures::Folder;

    WorkProgress shown(this, Str::Exporting);
    const ExportResult r = exportAs(G.xmlDoc, items, job, options,
                                    [&shown](int done, int total) { return shown.step(done, total); });
    shown.finish();
    switch (r.outcome) {
    case RunOutcome::Done:
        msgBox(Str::ExportDone, Buttons::Ok, Icon::None,
               r.replaced ? QStringLiteral("\n\n") + replacedText(r.replaced) : QString());
        break;
    case RunOutcome::Cancelled:
        msgBox(r.saved ? Str::ExportCancelled : r.keptExisting ? Str::OperationCancelled : Str::ExportFailed);
        break;
    case RunOutcome::Failed:
        if (r.saved.message != Str::None) // why, when it is known (a linked exp_img, ...)
            msgBox(r.saved.message, Buttons::Ok, Icon::Exclamation);
        msgBox(Str::ExportFailed);
        break;
    }
}

} // namespace bd
