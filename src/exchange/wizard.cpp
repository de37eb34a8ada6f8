#include "exchange/wizard.h"

#include "app/ui/controls.h"
#include "app/base/dialogs.h"
#include "app/base/globals.h"
#include "browse/backup.h"
#include "app/base/text.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QRadioButton>
#include <QShortcut>

namespace bd {

namespace {
// Form heights include the title bar and borders; the client area is this
// much smaller.
constexpr double kTitleAndBorders = 480;
constexpr double kStripHeight = 600;
} // namespace

Wizard::Wizard(const char* name, WindowKind back, double width) : QWidget(nullptr, Qt::Window), width_(width), back_(back)
{
    setObjectName(QLatin1String(name));
    lblHeader = label(this, "lblHeader");
    lblFile = nullptr;
    lblHeader->setFont(headingFont(lblHeader, 12));
    place(lblHeader, {120, 60, width - 240, kHeaderHeight - 60});
    Picture1 = named(new QFrame(this), "Picture1");
    cmdBack = named(new QPushButton(QStringLiteral("<<"), Picture1), "cmdBack");
    cmdNext = named(new QPushButton(QStringLiteral(">>"), Picture1), "cmdNext");
    cmdCancel = named(new QPushButton(Picture1), "cmdCancel");
    place(cmdBack, {width - 3960, 90, 1200, 420});
    place(cmdNext, {width - 2640, 90, 1200, 420});
    place(cmdCancel, {width - 1320, 90, 1200, 420});
    cmdNext->setDefault(true);
    cmdBack->setEnabled(false);
    // One at a time: a page's question or long work is never left half way.
    auto oneAtATime = [this](void (Wizard::*run)()) {
        return [this, run] {
            const Command command(this);
            if (command)
                (this->*run)();
        };
    };
    connect(cmdNext, &QPushButton::clicked, this, oneAtATime(&Wizard::NextPage));
    connect(cmdBack, &QPushButton::clicked, this, oneAtATime(&Wizard::PrevPage));
    connect(cmdCancel, &QPushButton::clicked, this, oneAtATime(&Wizard::finish));
    // Keyboard: Enter or Alt+Right goes on, Alt+Left back, Escape cancels.
    auto press = [this](QKeySequence keys, QPushButton* button) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, button, [button] {
            if (button->isEnabled())
                button->click();
        });
    };
    // Enter presses the button that has the focus (browse on the file
    // page), and Next from anywhere else.
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, this, [this] {
            auto* focused = qobject_cast<QPushButton*>(focusWidget());
            QPushButton* button = focused && focused->isVisible() ? focused : cmdNext;
            if (button->isEnabled())
                button->click();
        });
    }
    press(QKeySequence(Qt::ALT | Qt::Key_Right), cmdNext);
    press(QKeySequence(Qt::ALT | Qt::Key_Left), cmdBack);
    press(QKeySequence(Qt::Key_Escape), cmdCancel);
}

QFrame* Wizard::addPage(const char* name)
{
    QFrame* page = named(new QFrame(this), name);
    pages_ << page;
    page->hide();
    return page;
}

QFrame* Wizard::addFilePage(const char* name, QLabel*& text, const char* textName, QPushButton*& button,
                            const char* buttonName)
{
    QFrame* page = addPage(name);
    text = label(page, textName, Qt::AlignLeft | Qt::AlignTop);
    text->setWordWrap(true);
    button = named(new QPushButton(page), buttonName);
    lblFile = label(page, "lblFile");
    place(text, {120, 120, width_ - 240, 560});
    place(button, {120, 780, 1300, 420});
    place(lblFile, {1560, 780, width_ - 1680, 420});
    return page;
}

QFrame* Wizard::addChoicePage(const char* name, QLabel*& question, const char* questionName, QRadioButton*& first,
                              const char* firstName, QRadioButton*& second, const char* secondName)
{
    QFrame* page = addPage(name);
    question = label(page, questionName, Qt::AlignLeft | Qt::AlignTop);
    question->setWordWrap(true);
    first = named(new QRadioButton(page), firstName);
    second = named(new QRadioButton(page), secondName);
    first->setChecked(true);
    place(question, {120, 60, width_ - 240, 700});
    place(first, {240, 800, width_ - 480, 300});
    place(second, {240, 1140, width_ - 480, 300});
    return page;
}

void Wizard::HidePages()
{
    for (QFrame* p : std::as_const(pages_))
        p->hide();
}

void Wizard::showPage(QFrame* page, const QString& header, double stripTop, double height)
{
    HidePages();
    place(page, {0, kHeaderHeight, width_, stripTop - kHeaderHeight});
    place(Picture1, {0, stripTop, width_, kStripHeight});
    lblHeader->setText(header);
    setFixedSize(pxX(width_), pxY(height - kTitleAndBorders));
    if (!placed_) {
        // The first page is the tallest: centred on the screen, every page fits.
        placed_ = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    page->show();
}

void Wizard::place(QWidget* w, const TRect& r) { w->setGeometry(toPixels(r)); }

std::optional<QString> Wizard::chooseBookFile(bool forSaving, const QString& title, Str primaryId,
                                              const QString& filter)
{
    FileRequest request;
    request.title = title;
    request.filter = filter.isEmpty()
                         ? QStringLiteral("BD XML|*.xml|") + fetchText(Str::AllFilesFilter) + QStringLiteral("|*")
                         : filter;
    request.kind = forSaving ? FileKind::Export : FileKind::Import;
    request.fileName = file_.isEmpty() ? QStringLiteral("*.xml") : file_;
    request.defaultExt = QStringLiteral("xml");
    request.askBeforeReplacing = false; // the export asks once the file is chosen
    const std::optional<QString> chosen = forSaving ? dialogs().saveFile(request) : dialogs().openFile(request);
    if (!chosen || chosen->isEmpty())
        return std::nullopt;
    if (isPrimaryBook(*chosen)) {
        msgBox(primaryId, Buttons::Ok, Icon::Exclamation);
        setFile(QString(), QString());
        return std::nullopt;
    }
    return chosen;
}

void Wizard::setFile(const QString& path, const QString& separator)
{
    file_ = path;
    lblFile->setText(fetchText(Str::FileNameLabel) +
                     (path.isEmpty() ? QStringLiteral(": ") : separator + QFileInfo(path).fileName()));
}

void Wizard::finish()
{
    if (leaving_)
        return;
    leaving_ = true;
    hide();
    if (!switchTo(this, back_))
        close();
}

void Wizard::closeEvent(QCloseEvent* event)
{
    if (!leaving_ && Command::running(this)) {
        event->ignore();
        return;
    }
    event->accept();
    if (leaving_)
        return;
    // The close box: back to the main window, as Cancel does.
    leaving_ = true;
    G.endOnUnload = false;
    if (windowAvailable(back_))
        showWindow(back_);
}

QString firstUpper(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

} // namespace bd
