#include "entry/entrywindow.h"

#include "app/ui/controls.h"
#include "app/base/dialogs.h"
#include "app/base/globals.h"
#include "app/ui/picturelabel.h"
#include "app/base/twips.h"
#include "entry/entrylayout.h"
#include "resources/apply.h"
#include "resources/captions.h"
#include "resources/colours.h"
#include "app/base/text.h"
#include "store/picture.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>

namespace bd {

using namespace EntryDesign;

namespace {

QLineEdit* lineBox(QWidget* parent, const char* name, int maxLength)
{
    auto* t = named(new QLineEdit(parent), name);
    t->setMaxLength(maxLength);
    t->setProperty("typingLimit", maxLength);
    return t;
}

QPlainTextEdit* textBox(QWidget* parent, const char* name)
{
    auto* t = named(new QPlainTextEdit(parent), name);
    t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    t->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    t->setTabChangesFocus(true); // Tab moves on, as in every other field
    return t;
}

QFrame* frame(QWidget* parent, const char* name)
{
    auto* f = named(new QFrame(parent), name);
    f->setFrameShape(QFrame::NoFrame);
    return f;
}

} // namespace

EntryWindow::EntryWindow(Twin twin, QWidget* parent) : MainWindow(parent), twin_(twin)
{
    buildControls();
    QMenuBar* bar = menuBar();
    mnuAFile = named(bar->addMenu(QString()), "mnuAFile");
    mnuAExit = action(mnuAFile, "mnuAExit");
    connect(mnuAExit, &QAction::triggered, this, &EntryWindow::exitProgram);
}

void EntryWindow::buildControls()
{
    inner_ = named(new QWidget(this), "inner");
    setCentralWidget(inner_);
    inner_->installEventFilter(this);

    buildBanner(inner_, lblBorder);

    fraDyn = frame(inner_, "fraDyn");
    lblTitle = label(fraDyn, "lblTitle");
    txtTitle = lineBox(fraDyn, "txtTitle", 32);
    lblIng = label(fraDyn, "lblIng");
    txtIng = textBox(fraDyn, "txtIng");
    lblPrep = label(fraDyn, "lblPrep");
    txtPrep = textBox(fraDyn, "txtPrep");
    lblOther = label(fraDyn, "lblOther");
    txtOther = textBox(fraDyn, "txtOther");
    for (QLabel* l : {lblTitle, lblIng, lblPrep, lblOther})
        l->setFont(headingFont(l, font().pointSize()));
    lblDeg = label(fraDyn, "lblDeg", Qt::AlignRight | Qt::AlignVCenter);
    lblDeg->setCursor(Qt::PointingHandCursor);
    lblDeg->installEventFilter(this);
    txtPrep->installEventFilter(this);

    fraStatic = frame(fraDyn, "fraStatic");
    lblCat = label(fraStatic, "lblCat", Qt::AlignCenter);
    lblCat->setFont(headingFont(lblCat, font().pointSize()));
    cboACats = named(new NameBox(fraStatic), "cboACats");
    cboACats->setEditable(false);
    Label7 = label(fraDyn, "Label7", Qt::AlignRight | Qt::AlignVCenter);
    txtPT = lineBox(fraStatic, "txtPT", 13);
    Label9 = label(fraDyn, "Label9", Qt::AlignRight | Qt::AlignVCenter);
    txtCT = lineBox(fraStatic, "txtCT", 13);
    Label8 = label(fraDyn, "Label8", Qt::AlignRight | Qt::AlignVCenter);
    txtY = lineBox(fraStatic, "txtY", 13);
    picAddImg = frame(fraStatic, "picAddImg");
    cmdAddImg = named(new QPushButton(picAddImg), "cmdAddImg");
    buildPictureFrame(fraStatic, this, Frame1, Image1, lblClickImg);
    picRecipe = label(fraStatic, "picRecipe");
    picRecipe->hide();
    picImgVal = label(fraStatic, "picImgVal");
    picImgVal->hide();
    Picture2 = frame(fraStatic, "Picture2");
    cmdAdd = named(new QPushButton(Picture2), "cmdAdd");

    const std::pair<QWidget*, TRect> fixed[] = {
        {lblCat, EntryDesign::lblCat},   {cboACats, EntryDesign::cboACats},
        {txtPT, EntryDesign::txtPT},     {txtCT, EntryDesign::txtCT},
        {txtY, EntryDesign::txtY},
        {picAddImg, EntryDesign::picAddImg}, {cmdAddImg, EntryDesign::cmdAddImg},
        {Frame1, EntryDesign::Frame1},   {lblClickImg, EntryDesign::lblClickImg},
        {Picture2, EntryDesign::Picture2}, {cmdAdd, EntryDesign::cmdAdd},
    };
    for (const auto& [w, r] : fixed)
        w->setGeometry(toPixels(r));
    for (QPushButton* b : {cmdAddImg, cmdAdd})
        b->setFont(headingFont(b, font().pointSize()));

    connect(cboACats, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] { newCategory(); });
    connect(cmdAddImg, &QPushButton::clicked, this, &EntryWindow::pictureButton);

    setTabOrder(txtTitle, txtIng);
    setTabOrder(txtIng, txtPrep);
    setTabOrder(txtPrep, txtOther);
    setTabOrder(txtOther, cboACats);
    setTabOrder(cboACats, txtPT);
    setTabOrder(txtPT, txtCT);
    setTabOrder(txtCT, txtY);
    setTabOrder(txtY, cmdAddImg);
    setTabOrder(cmdAddImg, cmdAdd);

    for (QWidget* box : textBoxes())
        box->installEventFilter(this);
}

void EntryWindow::useMenuItems(QMenu* edit, QAction* copy, QAction* cut, QAction* paste, QAction* pictureItem)
{
    copy_ = copy;
    cut_ = cut;
    paste_ = paste;
    pictureItem_ = pictureItem;
    copy->setShortcut(QKeySequence::Copy);
    cut->setShortcut(QKeySequence::Cut);
    paste->setShortcut(QKeySequence::Paste);
    connect(edit, &QMenu::aboutToShow, this, &EntryWindow::updateEditMenu);
    connect(copy, &QAction::triggered, this, &EntryWindow::editCopy);
    connect(cut, &QAction::triggered, this, &EntryWindow::editCut);
    connect(paste, &QAction::triggered, this, &EntryWindow::editPaste);
    connect(pictureItem, &QAction::triggered, this, &EntryWindow::pictureButton);
}

void EntryWindow::loadWindow(const CaptionTable& captions, const ColourTable& colours)
{
    G.endOnUnload = true;
    setSizeLimits(minWidth, minHeight, maxSize, maxSize);
    if (twin_ == Twin::Add)
        formSize().ResizeToMin();
    restorePlacement();
    applyCaptions(this, kEntryCaptions);
    applyCaptions(this, captions);
    applyColours(this, colours);
    // The heading is a picture of a word, not a control with an access key.
    for (QLabel* l : lblBorder)
        l->setText(l->text().remove(QLatin1Char('&')));
    colourBannerShadow(lblBorder[1]);
    lblDeg->adjustSize();
    txtTitle->setFocus();
}

void EntryWindow::arrange()
{
    if (isMinimized())
        return;
    const double degWidth = twipsX(lblDeg->sizeHint().width()) + 60;
    int caption = 0;
    for (const QLabel* l : {Label7, Label9, Label8})
        caption = qMax(caption, l->fontMetrics().horizontalAdvance(l->text()));
    const EntryLayout l = layoutEntry(twipsX(inner_->width()), twipsY(inner_->height()), degWidth, labelHeight,
                                      twipsX(caption) + 60);
    lblBorder[0]->setGeometry(toPixels(l.lblBorder[0]));
    lblBorder[1]->setGeometry(toPixels(l.lblBorder[1]));
    fraDyn->setGeometry(toPixels(l.fraDyn));
    fraStatic->setGeometry(toPixels(l.fraStatic));
    lblTitle->setGeometry(toPixels(l.lblTitle));
    txtTitle->setGeometry(toPixels(l.txtTitle));
    lblIng->setGeometry(toPixels(l.lblIng));
    txtIng->setGeometry(toPixels(l.txtIng));
    lblPrep->setGeometry(toPixels(l.lblPrep));
    txtPrep->setGeometry(toPixels(l.txtPrep));
    lblOther->setGeometry(toPixels(l.lblOther));
    txtOther->setGeometry(toPixels(l.txtOther));
    lblDeg->setGeometry(toPixels(l.lblDeg));
    Label7->setGeometry(toPixels(l.Label7));
    Label9->setGeometry(toPixels(l.Label9));
    Label8->setGeometry(toPixels(l.Label8));
    txtPT->setGeometry(toPixels(l.txtPT));
    txtCT->setGeometry(toPixels(l.txtCT));
    txtY->setGeometry(toPixels(l.txtY));
    lblDeg->raise();
}

// ---- Pictures ----

void EntryWindow::setPictureCaptions(bool nextChooses)
{
    cmdAddImg->setText(fetchText(nextChooses ? Str::AddImageButton : Str::RemoveButton));
    if (pictureItem_)
        pictureItem_->setText(fetchText(nextChooses ? Str::AddImageItem : Str::RemoveImageItem));
}

void EntryWindow::clearPicture()
{
    cmdialog.fileName.clear();
    Image1->clear();
    Image1->hide();
    picRecipe->clear();
    picture_ = QImage();
    Frame1->update();
}

void EntryWindow::pictureButton()
{
    const Command command(this);
    if (!command)
        return;
    if (cmdAddImg->text() != fetchText(Str::AddImageButton)) {
        // It reads "RE&MOVE": the picture goes at once, without a question.
        clearPicture();
        setPictureCaptions(true);
        return;
    }
    setPictureCaptions(false);
    choosePicture();
    if (picture_.isNull())
        setPictureCaptions(true);
}

void EntryWindow::choosePicture()
{
    FileRequest request;
    request.title = QStringLiteral("BD");
    request.filter = fetchText(Str::PicturesFilter) + QLatin1Char('|') + picturePatterns().join(QLatin1Char(';'));
    request.defaultExt = QStringLiteral("*.jpg");
    request.kind = FileKind::Picture;
    const bool edit = twin_ == Twin::Edit;
    auto noPicture = [this] {
        setPictureCaptions(true);
        clearPicture();
    };
    for (;;) {
        const std::optional<QString> chosen = dialogs().openFile(request);
        if (!chosen) {
            noPicture();
            return;
        }
        if (!pictureNameAccepted(*chosen)) {
            msgBox(Str::PictureTypeWrong, Buttons::Ok, Icon::None,
                   QStringLiteral(" (") + picturePatterns().join(QStringLiteral(", ")) + QLatin1Char(')'));
            continue;
        }
        clearPicture();
        cmdialog.fileName = *chosen;
        // Pictures already stored for recipes are never chosen again here.
        if (edit && inFolder(*chosen, imagesFolder())) {
            msgBox(Str::PictureInBookFolder, Buttons::Ok, Icon::Exclamation);
            noPicture();
            return;
        }
        if (pictureLoads()) {
            fitPicture(*chosen);
            return;
        }
        msgBox(Str::PictureCorrupt, Buttons::Ok, edit ? Icon::Exclamation : Icon::Information);
        noPicture();
        return;
    }
}

bool EntryWindow::pictureLoads()
{
    probe_ = loadPicture(cmdialog.fileName);
    return !probe_.isNull();
}

void EntryWindow::fitPicture(const QString& path)
{
    picture_ = (!probe_.isNull() && path == cmdialog.fileName) ? probe_ : loadPicture(path);
    probe_ = QImage();
    showFittedPicture(Image1, picture_, kEntryFit, EntryDesign::Frame1.width, EntryDesign::Frame1.height);
}

void EntryWindow::pictureView()
{
    if (cmdialog.fileName.isEmpty() || !windowAvailable(WindowKind::ImgView))
        return;
    (twin_ == Twin::Add ? G.calledFromAdd : G.calledFromEdit) = true;
    G.viewImagePath = cmdialog.fileName;
    openOver(this, WindowKind::ImgView);
}

void EntryWindow::about()
{
    if (!windowAvailable(WindowKind::About))
        return;
    (twin_ == Twin::Add ? G.calledFromAdd : G.calledFromEdit) = true;
    openOver(this, WindowKind::About);
}

// ---- Categories ----

QWidget* EntryWindow::defaultFocus() const { return txtTitle; }

int EntryWindow::selectedCategory() const
{
    return cboACats->currentIndex() < 0 ? -1 : cboACats->currentData().toInt();
}

void EntryWindow::fillCategoryEntries()
{
    const QSignalBlocker block(cboACats);
    cboACats->clear();
    for (const auto& entry : bd::fillCategoryList(G.xmlDoc, fetchText(Str::NewCategoryEntry)))
        cboACats->addItem(entry.first, entry.second);
    cboACats->setCurrentIndex(-1);
}

void EntryWindow::showBookAgain()
{
    // Nothing is asked on the way: the choice is only found again.
    const QString chosen = cboACats->currentText();
    fillCategoryEntries();
    const QSignalBlocker block(cboACats);
    cboACats->setCurrentIndex(cboACats->findText(chosen, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void EntryWindow::fillCategoryList(const QString& nameToSelect)
{
    fillCategoryEntries();
    // Selecting "[new category..]" asks for a new category at once.
    if (twin_ == Twin::Add && cboACats->count() > 0)
        cboACats->setCurrentIndex(0);
    if (!nameToSelect.isEmpty()) {
        const int i = cboACats->findText(nameToSelect, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (i >= 0)
            cboACats->setCurrentIndex(i);
    }
}

void EntryWindow::newCategory()
{
    if (cboACats->currentIndex() < 0 || cboACats->currentText() != fetchText(Str::NewCategoryEntry))
        return;
    const QString added = addNewCategory();
    // The refill selects "[new category..]" first: the add window asks once more.
    if (!added.isEmpty())
        fillCategoryList(added);
}

QString EntryWindow::addNewCategory()
{
    const Command command(this);
    if (!command)
        return QString();
    const QString name = storableText(dialogs()
                                          .input(Str::NewCategoryName, fetchText(Str::NewCategoryName),
                                                 QStringLiteral("BD"), QString())
                                          .value_or(QString()))
                             .trimmed();
    if (name.isEmpty())
        return QString();
    if (!nameAllowed(name)) {
        msgBox(Str::CategoryChars, Buttons::Ok, Icon::None,
               forbiddenCharsText(twin_ == Twin::Add ? CharsList::AddCategory : CharsList::EditCategory));
        return QString();
    }
    QStringList entries;
    for (int i = 0; i < cboACats->count(); ++i)
        entries << cboACats->itemText(i);
    if (!categoryNameFree(entries, name)) {
        msgBox(Str::CategoryExists);
        return QString();
    }
    // A failed save is reported; the category stays in the open book.
    const BusyCursor busy;
    report(bookStore().addCategory(name));
    return name;
}

// ---- Text ----

void EntryWindow::insertDegree()
{
    // The add window replaces a selection in the preparation box; the edit
    // window puts the sign in front of a selection in the ingredients box.
    const bool replace = twin_ == Twin::Add;
    QPlainTextEdit* box = replace ? txtPrep : txtIng;
    QTextCursor c = box->textCursor();
    const int start = c.selectionStart(), end = c.selectionEnd();
    c.setPosition(start);
    if (replace)
        c.setPosition(end, QTextCursor::KeepAnchor);
    c.insertText(QString(QChar(0x00B0)));
    c.setPosition(start + 1);
    box->setTextCursor(c);
}

std::array<QWidget*, 7> EntryWindow::textBoxes() const
{
    return {txtIng, txtPrep, txtOther, txtTitle, txtPT, txtCT, txtY};
}

QWidget* EntryWindow::activeBox() const
{
    QWidget* active = focusWidget();
    for (QWidget* box : textBoxes())
        if (active == box)
            return box;
    return nullptr;
}

namespace {

QString selectedText(QWidget* box)
{
    if (auto* line = qobject_cast<QLineEdit*>(box))
        return line->selectedText();
    QString text = static_cast<QPlainTextEdit*>(box)->textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

void replaceSelection(QWidget* box, const QString& text)
{
    if (auto* line = qobject_cast<QLineEdit*>(box))
        line->insert(text);
    else
        static_cast<QPlainTextEdit*>(box)->insertPlainText(text);
}

} // namespace

QWidget* EntryWindow::editTarget()
{
    if (QWidget* box = activeBox())
        return box;
    if (focusWidget() != menuBar())
        return nullptr;
    restoreMenuSelection();
    return menuFocus_.box;
}

void EntryWindow::restoreMenuSelection()
{
    auto* line = qobject_cast<QLineEdit*>(menuFocus_.box.data());
    if (!line || menuFocus_.start < 0 || line->hasSelectedText() || line->text() != menuFocus_.text)
        return;
    const bool forward = menuFocus_.cursor != menuFocus_.start;
    line->setSelection(forward ? menuFocus_.start : menuFocus_.start + menuFocus_.length,
                       forward ? menuFocus_.length : -menuFocus_.length);
}

void EntryWindow::watchMenuFocus(QWidget* box, const QFocusEvent* event)
{
    const bool menuBarsTurn = event->reason() == Qt::MenuBarFocusReason;
    if (event->type() == QEvent::FocusOut) {
        if (!menuBarsTurn)
            return;
        menuFocus_ = {box, QString(), -1, 0, 0};
        if (auto* line = qobject_cast<QLineEdit*>(box); line && line->hasSelectedText())
            menuFocus_ = {box, line->text(), line->selectionStart(), int(line->selectedText().size()),
                          line->cursorPosition()};
        return;
    }
    if (menuBarsTurn && box == menuFocus_.box)
        restoreMenuSelection();
    menuFocus_ = {};
}

void EntryWindow::updateEditMenu()
{
    QWidget* box = editTarget();
    const bool selection = box && !selectedText(box).isEmpty();
    copy_->setEnabled(selection);
    cut_->setEnabled(selection);
    paste_->setEnabled(box && !QGuiApplication::clipboard()->text().isEmpty());
}

void EntryWindow::editCopy()
{
    QWidget* box = editTarget();
    if (!box)
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(selectedText(box));
}

void EntryWindow::editCut()
{
    QWidget* box = editTarget();
    if (!box)
        return;
    editCopy();
    replaceSelection(box, QString());
}

void EntryWindow::editPaste()
{
    if (QWidget* box = editTarget())
        replaceSelection(box, QGuiApplication::clipboard()->text());
}

// ---- Saving ----

void EntryWindow::setLineText(QLineEdit* box, const QString& text)
{
    // The box's limit holds back typing; a longer value already stored
    // loads whole and is saved unchanged unless the cook edits it.
    box->setMaxLength(qBound(box->property("typingLimit").toInt(), int(text.size()), 32767));
    box->setText(text);
    box->setCursorPosition(0); // a value wider than its box shows its beginning
}

QString EntryWindow::enteredTitle() const { return oneLine(storableText(txtTitle->text())).trimmed(); }

Recipe EntryWindow::recipeInput() const
{
    Recipe in;
    in.title = oneLine(txtTitle->text());
    in.preptime = oneLine(txtPT->text());
    in.cooktime = oneLine(txtCT->text());
    in.yield = oneLine(txtY->text());
    in.ing = txtIng->toPlainText();
    in.prep = txtPrep->toPlainText();
    in.other = txtOther->toPlainText();
    in.image = cmdialog.fileName;
    in.category = cboACats->currentText();
    return in;
}

void EntryWindow::showCheckFailure(const EntryCheck& check)
{
    msgBox(check.message, Buttons::Ok, Icon::None, check.suffix);
    if (check.focus == EntryFocus::Category) {
        cboACats->setFocus();
        return;
    }
    txtTitle->setFocus();
    if (check.selectTitle)
        txtTitle->selectAll();
}

void EntryWindow::exitProgram()
{
    G.endOnUnload = true;
    close();
}

bool EntryWindow::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Resize:
        if (watched == inner_)
            arrange();
        break;
    case QEvent::MouseButtonPress:
        if (watched == lblDeg) {
            insertDegree();
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (watched == Frame1 || watched == Image1 || watched == lblClickImg) {
            pictureView();
            return true;
        }
        break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        // Before the box itself sees it: a one-line box drops its selection.
        for (QWidget* box : textBoxes())
            if (watched == box)
                watchMenuFocus(box, static_cast<QFocusEvent*>(event));
        break;
    case QEvent::KeyPress:
        if (watched == txtPrep && twin_ == Twin::Add && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            insertDegree();
            return true;
        }
        break;
    default:
        break;
    }
    return MainWindow::eventFilter(watched, event);
}

} // namespace bd
