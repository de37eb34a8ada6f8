#include "app/ui/windows.h"

#include "app/base/dialogs.h"
#include "app/base/globals.h"
#include "app/base/settings.h"
#include "app/base/twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QKeyEvent>
#include <QPushButton>
#include <QHash>
#include <QPointer>
#include <QScreen>
#include <QTimer>

namespace bd {

namespace {

struct Registry {
    QHash<int, WindowFactory> factories;
    QHash<int, QPointer<QWidget>> instances;
    QList<QPointer<QWidget>> built; // every window built, for resetWindows
    bool ended = false;
};

Registry& registry()
{
    static Registry r;
    return r;
}

QWidget* build(WindowKind kind)
{
    const WindowFactory f = registry().factories.value(int(kind));
    if (!f)
        return nullptr;
    QWidget* w = f();
    w->setAttribute(Qt::WA_DeleteOnClose);
    registry().instances[int(kind)] = w;
    QList<QPointer<QWidget>>& built = registry().built;
    built.removeIf([](const QPointer<QWidget>& p) { return p.isNull(); });
    built.append(w);
    return w;
}

} // namespace

void registerWindow(WindowKind kind, WindowFactory factory) { registry().factories[int(kind)] = std::move(factory); }

bool windowAvailable(WindowKind kind) { return registry().factories.contains(int(kind)); }

QWidget* instance(WindowKind kind) { return registry().instances.value(int(kind)).data(); }

QWidget* showWindow(WindowKind kind)
{
    QWidget* w = build(kind);
    if (!w)
        return nullptr;
    if (auto* main = qobject_cast<MainWindow*>(w))
        main->showRestored();
    else
        w->show();
    w->activateWindow();
    return w;
}

QWidget* switchTo(QWidget* from, WindowKind to)
{
    if (!windowAvailable(to))
        return nullptr;
    const bool endOnUnload = G.endOnUnload;
    G.endOnUnload = false;
    if (from && !from->close()) {
        // It stays while it waits for an answer.
        G.endOnUnload = endOnUnload;
        return nullptr;
    }
    return showWindow(to);
}

QWidget* openOver(QWidget* opener, WindowKind kind)
{
    QWidget* w = build(kind);
    if (!w)
        return nullptr;
    if (opener) {
        // Disabling the opener takes the keyboard from its control; that
        // control gets it back when the window closes.
        const QPointer<QWidget> had = opener->focusWidget();
        opener->setEnabled(false);
        QPointer<QWidget> guard(opener);
        QObject::connect(w, &QObject::destroyed, [guard, had] {
            if (guard) {
                guard->setEnabled(true);
                guard->activateWindow();
                giveFocusBack(guard, had);
            }
        });
    }
    const bool placed = w->testAttribute(Qt::WA_Moved);
    w->show();
    if (opener && !placed) // over the opener, which (being disabled) must not be its parent
        w->move(opener->frameGeometry().center() - w->rect().center());
    w->activateWindow();
    return w;
}

void giveFocusBack(QWidget* window, QWidget* control)
{
    QWidget* target = control;
    if (!target || target->window() != window || !target->isEnabled() || !target->isVisible()) {
        const auto* main = qobject_cast<const MainWindow*>(window);
        target = main ? main->defaultFocus() : nullptr;
    }
    (target ? target : window)->setFocus(Qt::OtherFocusReason);
}

void endProgram()
{
    registry().ended = true;
    QCoreApplication::exit(0);
}

bool endRequested() { return registry().ended; }

void resetWindows()
{
    // Windows closed but not yet deleted, and ones replaced as the instance
    // of their kind, go too.
    for (const QPointer<QWidget>& w : std::as_const(registry().built))
        delete w.data();
    registry().built.clear();
    registry().instances.clear();
    registry().factories.clear();
    registry().ended = false;
}

void installLastWindowRule()
{
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(qApp, &QGuiApplication::lastWindowClosed, qApp, [] {
        // A hand-over shows the next window right after closing the last one.
        QTimer::singleShot(0, qApp, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible())
                    return;
            endProgram();
        });
    });
}

namespace {

class EnterPressesButtons final : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        auto* button = qobject_cast<QPushButton*>(watched);
        if (!button || (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
            (key->modifiers() & ~Qt::KeypadModifier) || key->isAutoRepeat() || !button->isEnabled())
            return false;
        // Qt's dialogs do this themselves.
        if (qobject_cast<const QDialog*>(button->window()))
            return false;
        button->click();
        return true;
    }
};

} // namespace

void installEnterRule()
{
    static QPointer<EnterPressesButtons> rule; // gone with the application
    if (!rule) {
        rule = new EnterPressesButtons;
        rule->setParent(qApp);
        qApp->installEventFilter(rule);
    }
}

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {}

void showBookAgainEverywhere()
{
    for (WindowKind kind : {WindowKind::Br, WindowKind::Add, WindowKind::Edit})
        if (auto* w = qobject_cast<MainWindow*>(instance(kind)))
            w->showBookAgain();
}

namespace {
// Main windows are placed within the screen's free area (without panels and
// docks), and their placement is kept relative to its top-left corner.
QRect freeArea(const QScreen* s) { return s ? s->availableGeometry() : QRect(0, 0, 1024, 768); }
} // namespace

void MainWindow::restorePlacement()
{
    const QRect area = freeArea(screen());
    const double areaWidth = twipsX(area.width()), areaHeight = twipsY(area.height());
    const Placement p = keepWithin(readPlacement(areaWidth, areaHeight), areaWidth, areaHeight);
    resize(pxX(p.width), pxY(p.height));
    move(area.left() + pxX(p.left), area.top() + pxY(p.top));
    maximised_ = p.state == StateMaximised;
}

void MainWindow::showRestored()
{
    if (maximised_)
        showMaximized();
    else
        show();
}

void MainWindow::savePlacement()
{
    Placement p;
    p.state = isMinimized() ? StateMinimised : (isMaximized() ? StateMaximised : StateNormal);
    const QPoint origin = freeArea(screen()).topLeft();
    p.width = twipsX(width());
    p.height = twipsY(height());
    p.left = twipsX(x() - origin.x());
    p.top = twipsY(y() - origin.y());
    bd::savePlacement(p);
}

void MainWindow::setSizeLimits(double minWidth, double minHeight, double maxWidth, double maxHeight)
{
    formSize_.Init(this);
    formSize_.MaxWidth(maxWidth);
    formSize_.MaxHeight(maxHeight);
    formSize_.MinHeight(minHeight);
    formSize_.MinWidth(minWidth);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (dialogOpen()) { // a question is open; it goes on with this window
        event->ignore();
        return;
    }
    savePlacement();
    event->accept();
    if (G.endOnUnload)
        endProgram();
}

} // namespace bd
