#include "browse/frmBr.h"

#include "app/ui/controls.h"
#include "app/base/dialogs.h"
#include "app/base/globals.h"
#include "app/base/preferences.h"
#include "app/base/text.h"
#include "app/ui/controls.h"
#include "app/ui/helpwindow.h"
#include "app/ui/picturelabel.h"
#include "app/base/settings.h"
#include "app/base/twips.h"
#include "app/ui/workprogress.h"
#include "browse/backup.h"
#include "browse/brlayout.h"
#include "browse/categories.h"
#include "browse/browsing.h"
#include "output/emailtext.h"
#include "output/printpage.h"
#include "resources/apply.h"
#include "resources/captions.h"
#include "resources/colours.h"
#include "resources/strings.h"
#include "store/names.h"
#include "store/picture.h"
#include "store/store.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QTextCursor>

#include <memory>

namespace bd {

namespace {

QPlainTextEdit* recipeBox(QWidget* parent, const char* name)
{
    auto* t = named(new QPlainTextEdit(parent), name);
    t->setReadOnly(true);
    t->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    t->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    return t;
}

} // namespace

frmBr::frmBr(QWidget* parent) : MainWindow(parent)
{
    buildControls();
    buildMenus();

    // Window load.
    G.endOnUnload = true;
    restorePlacement();
    applyColoursAndCaptions();
    loadCategories();
    G.addWinActive = false;
    setSizeLimits(9700, 6900, 50000, 50000);
    lstRecs->setFocus();
}

void frmBr::buildControls()
{
    inner_ = new QWidget(this);
    inner_->setObjectName(QStringLiteral("inner"));
    setCentralWidget(inner_);
    inner_->installEventFilter(this);

    buildBanner(inner_, lblBorder);

    fraBack = named(new QFrame(inner_), "fraBack");
    fraTopLeft = named(new QFrame(fraBack), "fraTopLeft");
    fraBotLeft = named(new QFrame(fraBack), "fraBotLeft");
    fraRight = named(new QFrame(fraBack), "fraRight");

    cboCats = named(new NameBox(fraTopLeft), "cboCats");
    cboCats->setEditable(false);
    lstRecs = named(new QListWidget(fraTopLeft), "lstRecs");
    lstRecs->setSelectionMode(QAbstractItemView::SingleSelection);
    lstRecs->setUniformItemSizes(true);
    shortenLongEntries(lstRecs);
    lstRecs->setMouseTracking(true);
    lstRecs->viewport()->installEventFilter(this);
    lstRecs->installEventFilter(this);
    buildPictureFrame(fraTopLeft, this, Frame1, Image1, lblClickImg);

    // Field names and values under the left column.
    const double rowTop[] = {60, 330, 600, 870};
    QLabel** names[] = {&Label4, &Label5, &Label7, &Label6};
    QLabel** values[] = {&lblPT, &lblCT, &lblYld, &lblDC};
    const char* nameIds[] = {"Label4", "Label5", "Label7", "Label6"};
    const char* valueIds[] = {"lblPT", "lblCT", "lblYld", "lblDC"};
    for (int i = 0; i < 4; ++i) {
        *names[i] = label(fraBotLeft, nameIds[i], Qt::AlignRight | Qt::AlignVCenter);
        (*names[i])->setGeometry(toPixels({0, rowTop[i], 1620, 255}));
        *values[i] = label(fraBotLeft, valueIds[i]);
        (*values[i])->setGeometry(toPixels({1700, rowTop[i], 1540, 255}));
        (*values[i])->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    lblImgLoc = label(fraBotLeft, "lblImgLoc");
    lblImgLoc->hide();

    lblIng = label(fraRight, "lblIng");
    lblPrep = label(fraRight, "lblPrep");
    lblOther = label(fraRight, "lblOther");
    for (QLabel* l : {lblIng, lblPrep, lblOther}) {
        l->setFont(headingFont(l, 12));
        l->setIndent(pxX(120));
    }
    txtIng = recipeBox(fraRight, "txtIng");
    txtPrep = recipeBox(fraRight, "txtPrep");
    txtOther = recipeBox(fraRight, "txtOther");
    for (QPlainTextEdit* t : {txtIng, txtPrep, txtOther})
        t->installEventFilter(this);

    // The view: servings and units, and the way back to the recipe as written.
    spnServings = named(new QSpinBox(fraRight), "spnServings");
    spnServings->setAccelerated(true);
    cboUnits = named(new QComboBox(fraRight), "cboUnits");
    cboUnits->addItems({QString(), QString(), QString()});
    cboUnits->setCurrentIndex(unitsPreference());
    cmdAsWritten = named(new QToolButton(fraRight), "cmdAsWritten");
    cmdAsWritten->setText(QString::fromUtf8("\u21BA"));
    setServingsFor(Recipe());

    Picture1 = named(new QFrame(fraRight), "Picture1");
    cmdPrint = named(new QPushButton(Picture1), "cmdPrint");
    cmdEdit = named(new QPushButton(Picture1), "cmdEdit");
    cmdRem = named(new QPushButton(Picture1), "cmdRem");
    const double buttonLeft[] = {180, 1530, 2850};
    QPushButton* buttons[] = {cmdPrint, cmdEdit, cmdRem};
    for (int i = 0; i < 3; ++i) {
        buttons[i]->setGeometry(toPixels({buttonLeft[i], 120, 1215, 390}));
        buttons[i]->setFont(headingFont(buttons[i], font().pointSize()));
    }

    picRecipe = label(fraBack, "picRecipe");
    picRecipe->hide();

    setTabOrder(cboCats, lstRecs);
    setTabOrder(lstRecs, spnServings);
    setTabOrder(spnServings, cboUnits);
    setTabOrder(cboUnits, cmdAsWritten);
    setTabOrder(cmdAsWritten, txtIng);
    setTabOrder(txtIng, txtPrep);
    setTabOrder(txtPrep, txtOther);
    setTabOrder(txtOther, cmdPrint);
    setTabOrder(cmdPrint, cmdEdit);
    setTabOrder(cmdEdit, cmdRem);

    connect(cboCats, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] { categoryChanged(); });
    connect(lstRecs, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            showRecipe(selectedCategory());
    });
    connect(spnServings, QOverload<int>::of(&QSpinBox::valueChanged), this, [this] { showView(); });
    connect(cboUnits, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int units) {
        saveUnitsPreference(units);
        showView();
    });
    connect(cmdAsWritten, &QToolButton::clicked, this, &frmBr::showAsWritten);
    connect(cmdEdit, &QPushButton::clicked, this, &frmBr::edit);
    connect(cmdRem, &QPushButton::clicked, this, &frmBr::remove);
    connect(cmdPrint, &QPushButton::clicked, this, [this] { mnuPrint->trigger(); });

    resize(pxX(BrDesign::innerWidth), pxY(BrDesign::innerHeight));
}

void frmBr::buildMenus()
{
    QMenuBar* bar = menuBar();
    mnuFile = named(bar->addMenu(QString()), "mnuFile");
    mnuPrint = action(mnuFile, "mnuPrint");
    mnuPrintPrev = action(mnuFile, "mnuPrintPrev");
    mnuPrintCat = action(mnuFile, "mnuPrintCat");
    mnuseppy = separator(mnuFile, "mnuseppy");
    mnuBackup = action(mnuFile, "mnuBackup");
    mnuSnapshots = action(mnuFile, "mnuSnapshots");
    mnuseppy22 = separator(mnuFile, "mnuseppy22");
    mnuBrExit = action(mnuFile, "mnuBrExit");

    mnuBrEdit = named(bar->addMenu(QString()), "mnuBrEdit");
    mnuBrCopy = action(mnuBrEdit, "mnuBrCopy");
    mnuBrCopy->setEnabled(false);

    mnuRecipe = named(bar->addMenu(QString()), "mnuRecipe");
    mnuRecipeAdd = action(mnuRecipe, "mnuRecipeAdd");
    mnuBrEditRec = action(mnuRecipe, "mnuBrEditRec");
    mnuBrRemRec = action(mnuRecipe, "mnuBrRemRec");
    mnuEmail = action(mnuRecipe, "mnuEmail");
    mnuPlainText = action(mnuRecipe, "mnuPlainText");
    mnuSaveScaled = action(mnuRecipe, "mnuSaveScaled");
    mnuCook = action(mnuRecipe, "mnuCook");
    mnuCook->setShortcut(QKeySequence(Qt::Key_F11));
    mnuRecipe->addSeparator();
    mnuTrash = action(mnuRecipe, "mnuTrash");

    mnuCateg = named(bar->addMenu(QString()), "mnuCateg");
    mnuCatEdit = action(mnuCateg, "mnuCatEdit");
    mnuCatDel = action(mnuCateg, "mnuCatDel");

    mnuTools = named(bar->addMenu(QString()), "mnuTools");
    mnuExport = action(mnuTools, "mnuExport");
    mnuSearch = action(mnuTools, "mnuSearch");
    mnuShopping = action(mnuTools, "mnuShopping");
    mnuPaste = action(mnuTools, "mnuPaste");
    mnuOps = action(mnuTools, "mnuOps");

    mnuHelp = named(bar->addMenu(QString()), "mnuHelp");
    mnuBrAbout = action(mnuHelp, "mnuBrAbout");
    mnuBrContents = action(mnuHelp, "mnuBrContents");

    connect(mnuBrExit, &QAction::triggered, this, [this] {
        G.endOnUnload = true;
        close();
    });
    connect(mnuBrEdit, &QMenu::aboutToShow, this, &frmBr::updateEditMenu);
    connect(mnuBrCopy, &QAction::triggered, this, &frmBr::copy);
    connect(mnuRecipeAdd, &QAction::triggered, this, [this] { switchTo(this, WindowKind::Add); });
    connect(mnuBackup, &QAction::triggered, this, &frmBr::backup);
    connect(mnuSnapshots, &QAction::triggered, this, [this] { openOver(this, WindowKind::Snapshots); });
    connect(mnuTrash, &QAction::triggered, this, [this] { openOver(this, WindowKind::Trash); });
    connect(mnuCatEdit, &QAction::triggered, this, &frmBr::catEdit);
    connect(mnuCatDel, &QAction::triggered, this, &frmBr::catDel);
    connect(mnuBrEditRec, &QAction::triggered, this, &frmBr::edit);
    connect(mnuBrRemRec, &QAction::triggered, this, &frmBr::remove);
    connect(mnuPrint, &QAction::triggered, this, [this] { print(false); });
    connect(mnuPrintPrev, &QAction::triggered, this, [this] { print(true); });
    connect(mnuPrintCat, &QAction::triggered, this, [this] {
        if (cboCats->currentIndex() >= 0)
            printCategory(cboCats->currentData().toInt());
    });
    connect(mnuEmail, &QAction::triggered, this, [this] {
        // The shown recipe goes as it is shown.
        setEmailView({selectedCategory(), stored_.title}, cookView());
        switchTo(this, WindowKind::Email);
    });
    connect(mnuPlainText, &QAction::triggered, this, [this] { openOver(this, WindowKind::PlainText); });
    connect(mnuSaveScaled, &QAction::triggered, this, &frmBr::saveAsNewRecipe);
    connect(mnuCook, &QAction::triggered, this, [this] {
        if (!stored_.title.isEmpty())
            openOver(this, WindowKind::Cook);
    });
    connect(mnuShopping, &QAction::triggered, this, [this] { openOver(this, WindowKind::Shop); });
    connect(mnuPaste, &QAction::triggered, this, [this] { openOver(this, WindowKind::Paste); });
    connect(mnuExport, &QAction::triggered, this, [this] { switchTo(this, WindowKind::Exp); });
    connect(mnuSearch, &QAction::triggered, this, [this] { openOver(this, WindowKind::Search); });
    connect(mnuOps, &QAction::triggered, this, [this] { switchTo(this, WindowKind::Ops); });
    connect(mnuBrAbout, &QAction::triggered, this, [this] {
        if (!windowAvailable(WindowKind::About))
            return;
        G.calledFromBr = true;
        openOver(this, WindowKind::About);
    });
    connect(mnuBrContents, &QAction::triggered, this, [this] { helpContents(this); });
}

void frmBr::applyColoursAndCaptions()
{
    applyColours(this, kBrColours);
    colourBannerShadow(lblBorder[1]);
    applyCaptions(this, kBrCaptions);
    const Str units[] = {Str::UnitsAsWritten, Str::UnitsMetric, Str::UnitsUS};
    for (int i = 0; i < 3; ++i)
        cboUnits->setItemText(i, fetchText(units[i]));
    updateViewCommands();
}

void frmBr::arrange()
{
    if (isMinimized())
        return;
    const BrLayout l = layoutBr(twipsX(inner_->width()), twipsY(inner_->height()));
    lblBorder[0]->setGeometry(toPixels(l.lblBorder[0]));
    lblBorder[1]->setGeometry(toPixels(l.lblBorder[1]));
    fraBack->setGeometry(toPixels(l.fraBack));
    fraTopLeft->setGeometry(toPixels(l.fraTopLeft));
    fraBotLeft->setGeometry(toPixels(l.fraBotLeft));
    fraRight->setGeometry(toPixels(l.fraRight));
    cboCats->setGeometry(toPixels(l.cboCats));
    lstRecs->setGeometry(toPixels(l.lstRecs));
    Frame1->setGeometry(toPixels(l.frame1));
    lblClickImg->setGeometry(toPixels(l.lblClickImg));
    lblIng->setGeometry(toPixels(l.lblIng));
    txtIng->setGeometry(toPixels(l.txtIng));
    lblPrep->setGeometry(toPixels(l.lblPrep));
    txtPrep->setGeometry(toPixels(l.txtPrep));
    lblOther->setGeometry(toPixels(l.lblOther));
    txtOther->setGeometry(toPixels(l.txtOther));
    Picture1->setGeometry(toPixels(l.picture1));
    spnServings->setGeometry(toPixels(l.spnServings));
    cboUnits->setGeometry(toPixels(l.cboUnits));
    cmdAsWritten->setGeometry(toPixels(l.cmdAsWritten));
    if (!lblImgLoc->text().isEmpty())
        showRecipeImage(lblImgLoc->text());
}

QWidget* frmBr::defaultFocus() const { return lstRecs; }

int frmBr::selectedCategory() const
{
    return cboCats->currentIndex() < 0 ? -1 : cboCats->currentData().toInt();
}

void frmBr::loadCategories()
{
    {
        const QSignalBlocker block(cboCats);
        cboCats->clear();
        for (const auto& entry : categoryListEntries(G.xmlDoc))
            cboCats->addItem(entry.first, entry.second);
        cboCats->setCurrentIndex(cboCats->count() > 0 ? 0 : -1);
    }
    // Selecting the first category fills the recipe list and shows its first recipe.
    categoryChanged();
}

void frmBr::showBookAgain()
{
    const Recipe shown = shownRecipe();
    loadCategories();
    selectRecipe(shown.category, shown.title);
}

void frmBr::categoryChanged()
{
    clearRecipe();
    const int position = selectedCategory();
    if (position >= 0)
        loadRecipeList(position);
    else {
        const QSignalBlocker block(lstRecs);
        lstRecs->clear();
    }
}

void frmBr::loadRecipeList(int position)
{
    {
        const QSignalBlocker block(lstRecs);
        lstRecs->clear();
        lstRecs->addItems(recipeListEntries(position));
    }
    if (lstRecs->count() > 0)
        lstRecs->setCurrentRow(0); // shows it
}

void frmBr::clearRecipe()
{
    for (QLabel* l : {lblPT, lblCT, lblYld, lblDC, lblImgLoc})
        l->clear();
    for (QPlainTextEdit* t : {txtIng, txtPrep, txtOther}) {
        t->clear();
        t->setExtraSelections({});
    }
    Image1->clear();
    Image1->hide();
    picRecipe->clear();
    picture_ = QImage();
    pictureName_.clear();
    setServingsFor(Recipe());
    yieldText_.clear();
    lblYld->setToolTip(QString());
    updateViewCommands();
}

void frmBr::showRecipe(int position)
{
    const QListWidgetItem* item = lstRecs->currentItem();
    if (!item)
        return;
    const std::optional<Recipe> recipe = G.xmlDoc.recipe({position, item->text()});
    if (!recipe) {
        // Never leave another recipe's texts on show under this title.
        clearRecipe();
        return;
    }
    const Recipe& f = *recipe;
    lblPT->setText(f.preptime);
    lblCT->setText(f.cooktime);
    lblDC->setText(f.date);
    setServingsFor(f);
    stored_.category = cboCats->currentText();
    showView();

    lblImgLoc->clear();
    Image1->clear();
    Image1->hide();
    picRecipe->clear();
    if (!f.image.isEmpty()) {
        lblImgLoc->setText(f.image);
        showRecipeImage(f.image);
    }
}

void frmBr::setServingsFor(const Recipe& recipe)
{
    stored_ = recipe;
    yield_ = readYield(recipe.yield);
    const QSignalBlocker block(spnServings);
    const bool counted = yield_.count > 0;
    spnServings->setEnabled(counted);
    if (counted) {
        spnServings->setSpecialValueText(QString());
        spnServings->setRange(1, 9999);
        spnServings->setValue(qMax(1, qRound(yield_.count)));
        const QString what = yield_.servings ? fetchText(Str::ServingsWord) : yield_.what;
        spnServings->setSuffix(what.isEmpty() ? QString() : QLatin1Char(' ') + what);
    } else {
        // Blank: a yield that counts nothing cannot be scaled.
        spnServings->setRange(0, 0);
        spnServings->setSpecialValueText(QStringLiteral(" "));
        spnServings->setSuffix(QString());
        spnServings->setValue(0);
    }
}

CookView frmBr::cookView() const
{
    CookView view;
    // Not isEnabled(): the box is off too while a window over this one is open.
    if (yield_.count > 0 && spnServings->value() != qMax(1, qRound(yield_.count)))
        view.servings = spnServings->value();
    view.units = UnitSystem(qBound(0, cboUnits->currentIndex(), 2));
    return view;
}

void frmBr::showView()
{
    if (!lstRecs->currentItem() || stored_.title.isEmpty()) {
        updateViewCommands();
        return;
    }
    const Recipe shown = viewedRecipe(stored_, cookView(), G.langOffset);
    // A yield with the original beside it may be longer than its place:
    // shortened there (the new count stays in sight, as in the servings
    // box), whole in the tip and in what is printed.
    yieldText_ = shown.yield;
    lblYld->setText(lblYld->fontMetrics().elidedText(shown.yield, Qt::ElideRight, lblYld->width()));
    lblYld->setToolTip(lblYld->text() == shown.yield ? QString() : shown.yield);
    txtIng->setPlainText(fixLineBreaks(shown.ing));
    txtPrep->setPlainText(fixLineBreaks(shown.prep));
    txtOther->setPlainText(fixLineBreaks(shown.other));
    applyMarks();
    updateViewCommands();
}

void frmBr::showAsWritten()
{
    {
        const QSignalBlocker blockServings(spnServings);
        const QSignalBlocker blockUnits(cboUnits);
        if (yield_.count > 0)
            spnServings->setValue(qMax(1, qRound(yield_.count)));
        cboUnits->setCurrentIndex(int(UnitSystem::AsWritten));
    }
    saveUnitsPreference(int(UnitSystem::AsWritten));
    showView();
}

void frmBr::updateViewCommands()
{
    const bool shown = !stored_.title.isEmpty();
    const bool changed = cookView() != CookView();
    mnuSaveScaled->setEnabled(shown && changed);
    mnuCook->setEnabled(shown);
    cmdAsWritten->setEnabled(changed);
}

void frmBr::saveAsNewRecipe()
{
    const Command command(this);
    if (!command)
        return;
    const CookView view = cookView();
    const int position = selectedCategory();
    if (stored_.title.isEmpty() || view == CookView() || position < 0)
        return;
    // "Bread (4 loaves, Metric)"
    QStringList what;
    if (view.servings > 0)
        what << spnServings->text().trimmed();
    if (view.units != UnitSystem::AsWritten)
        what << cboUnits->currentText();
    QString title = stored_.title + QStringLiteral(" (") + what.join(QStringLiteral(", ")) + QLatin1Char(')');
    for (;;) {
        const std::optional<QString> answer = dialogs().input(Str::SaveScaledPrompt, fetchText(Str::SaveScaledPrompt),
                                                              QStringLiteral("BD"), title);
        if (!answer)
            return;
        title = oneLine(storableText(*answer)).trimmed();
        const EntryCheck check = checkNewRecipe(G.xmlDoc, title, true);
        if (check.ok())
            break;
        msgBox(check.message, Buttons::Ok, Icon::None, check.suffix);
    }
    Recipe copy = viewedRecipe(stored_, view, G.langOffset);
    copy.title = title;
    copy.category = stored_.category;
    // The store copies the picture under the new recipe's name.
    const QString picture = storedPicturePath(stored_.image);
    copy.image = !picture.isEmpty() && QFile::exists(picture) ? picture : QString();
    const BusyCursor busy;
    report(bookStore().addRecipe(position, copy));
    loadRecipeList(position);
    selectRecipe(copy.category, title);
}

void frmBr::markFound(FoundMarker marker)
{
    marker_ = std::move(marker);
    applyMarks();
    if (marker_)
        markEntries(lstRecs, [this](const QString& title) { return marker_(RTitle, title); });
    else
        markEntries(lstRecs, {});
}

void frmBr::applyMarks()
{
    const std::pair<QPlainTextEdit*, int> boxes[] = {{txtIng, RIng}, {txtPrep, RPrep}, {txtOther, ROther}};
    for (const auto& [box, child] : boxes) {
        QList<QTextEdit::ExtraSelection> marks;
        if (marker_) {
            for (const QPair<int, int>& range : marker_(child, box->toPlainText())) {
                QTextEdit::ExtraSelection mark;
                mark.cursor = QTextCursor(box->document());
                mark.cursor.setPosition(range.first);
                mark.cursor.setPosition(range.first + range.second, QTextCursor::KeepAnchor);
                // Dark on light yellow reads in every colour scheme.
                mark.format.setBackground(QColor(255, 226, 64));
                mark.format.setForeground(Qt::black);
                marks << mark;
            }
        }
        box->setExtraSelections(marks);
        // The first mark in sight.
        QTextCursor at(box->document());
        if (!marks.isEmpty())
            at.setPosition(marks.first().cursor.selectionStart());
        box->setTextCursor(at);
        box->ensureCursorVisible();
    }
}

void frmBr::showRecipeImage(const QString& name)
{
    Image1->hide();
    const QString path = storedPicturePath(name);
    if (path.isEmpty() || !QFile::exists(path)) {
        lblImgLoc->clear();
        return;
    }
    if (name != pictureName_ || picture_.isNull()) {
        picture_ = loadPicture(path);
        pictureName_ = name;
    }
    if (picture_.isNull())
        return; // not a picture the loader understands: no thumbnail
    fitThumbnail();
}

void frmBr::fitThumbnail()
{
    showFittedPicture(Image1, picture_, kThumbnailFit, twipsX(Frame1->width()), twipsY(Frame1->height()));
}

void frmBr::saveInfoToEdit()
{
    G.setEditRecipe(shownRecipe());
    QApplication::processEvents();
}

Recipe frmBr::shownRecipe() const
{
    Recipe r;
    if (const QListWidgetItem* item = lstRecs->currentItem())
        r.title = item->text();
    r.preptime = lblPT->text();
    r.cooktime = lblCT->text();
    r.yield = yieldText_;
    r.ing = txtIng->toPlainText();
    r.prep = txtPrep->toPlainText();
    r.other = txtOther->toPlainText();
    r.image = lblImgLoc->text();
    r.category = cboCats->currentText();
    return r;
}

void frmBr::selectRecipe(const QString& category, const QString& title)
{
    const int c = cboCats->findText(category, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (c >= 0)
        cboCats->setCurrentIndex(c);
    const QList<QListWidgetItem*> items = lstRecs->findItems(title, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (!items.isEmpty())
        lstRecs->setCurrentItem(items.first());
}

void frmBr::remove()
{
    const Command command(this);
    if (!command)
        return;
    const QListWidgetItem* item = lstRecs->currentItem();
    if (!item || item->text().isEmpty())
        return;
    const QString title = item->text();
    if (msgBox(Str::ConfirmDeletion, Buttons::YesNo, Icon::None,
               QStringLiteral(":  « ") + title + QStringLiteral(" »")) == Answer::No)
        return;
    const BusyCursor busy;
    report(bookStore().deleteRecipe({selectedCategory(), title}));
    categoryChanged();
}

void frmBr::edit()
{
    if (!windowAvailable(WindowKind::Edit))
        return;
    G.endOnUnload = false;
    if (!lstRecs->currentItem())
        return;
    // The edit window takes the recipe as written; the units chosen stay.
    if (cookView() != CookView()) {
        const int units = cboUnits->currentIndex();
        showAsWritten();
        saveUnitsPreference(units);
    }
    saveInfoToEdit();
    switchTo(this, WindowKind::Edit);
}

void frmBr::updateEditMenu()
{
    const auto* box = qobject_cast<const QPlainTextEdit*>(QApplication::focusWidget());
    const bool ours = box == txtIng || box == txtPrep || box == txtOther;
    mnuBrCopy->setEnabled(ours && box->textCursor().hasSelection());
}

void frmBr::copy()
{
    const auto* box = qobject_cast<const QPlainTextEdit*>(QApplication::focusWidget());
    if (box != txtIng && box != txtPrep && box != txtOther)
        return;
    QString text = box->textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

void frmBr::pictureView()
{
    const QString path = storedPicturePath(lblImgLoc->text());
    if (path.isEmpty() || !windowAvailable(WindowKind::ImgView))
        return;
    G.editImage = lblImgLoc->text();
    G.calledFromBr = true;
    G.viewImagePath = path;
    openOver(this, WindowKind::ImgView);
}

void frmBr::catEdit()
{
    const Command command(this);
    if (!command)
        return;
    QStringList entries;
    for (int i = 0; i < cboCats->count(); ++i)
        entries << cboCats->itemText(i);
    const QString current = cboCats->currentText();
    const std::optional<QString> newName = askNewCategoryName(entries, current);
    if (!newName)
        return;
    const BusyCursor busy;
    report(bookStore().renameCategory(current, *newName));
    loadCategories();
    const int index = cboCats->findText(*newName, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index > 0)
        cboCats->setCurrentIndex(index); // fills the recipe list and shows its first recipe
}

void frmBr::catDel()
{
    const Command command(this);
    if (!command)
        return;
    if (cboCats->count() == 0)
        return;
    const QString name = cboCats->currentText();
    if (!confirmCategoryDeletion(name, lstRecs->count() > 0))
        return;
    const BusyCursor busy;
    report(bookStore().deleteCategory(name));
    loadCategories();
}

void frmBr::backup()
{
    const Command command(this);
    if (!command)
        return;
    // Shown only when copying the pictures takes a while.
    WorkProgress shown(this, Str::CopyingPictures);
    BackupProgress progress;
    progress.step = [&shown](int done, int total) { return shown.step(done, total); };
    progress.finished = [&shown] { shown.finish(); };
    backupRecipes(backupProposal_, progress);
}

void frmBr::print(bool preview)
{
    const Command command(this);
    if (!command)
        return;
    const Recipe shown = shownRecipe();
    if (!preview && shown.title.isEmpty())
        return;
    printRecipe(shown, preview);
}

bool frmBr::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Resize:
        if (watched == inner_)
            arrange();
        break;
    case QEvent::MouseButtonRelease:
        if (watched == Frame1 || watched == Image1 || watched == lblClickImg) {
            pictureView();
            return true;
        }
        break;
    case QEvent::MouseMove:
        if (watched == lstRecs->viewport()) {
            // Long titles become readable in the list's tool tip.
            const QListWidgetItem* item = lstRecs->itemAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            if (item)
                lstRecs->setToolTip(item->text());
        }
        break;
    case QEvent::KeyPress:
        if (watched == lstRecs && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
            remove();
            return true;
        }
        break;
    case QEvent::FocusIn:
        for (QPlainTextEdit* t : {txtIng, txtPrep, txtOther}) {
            if (watched == t) {
                for (QPlainTextEdit* other : {txtIng, txtPrep, txtOther}) {
                    if (other == t)
                        continue;
                    QTextCursor c = other->textCursor();
                    c.clearSelection();
                    other->setTextCursor(c);
                }
            }
        }
        break;
    default:
        break;
    }
    return MainWindow::eventFilter(watched, event);
}

} // namespace bd
