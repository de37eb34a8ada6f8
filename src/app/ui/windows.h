#pragma once
// Which window is shown, and how one hands over to another. One main
// window (browse, add, edit) or a tool window standing in for it is shown
// at a time, built afresh each time; secondary windows disable their opener
// until they close.

#include "app/ui/cFormSize.h"

#include <QMainWindow>
#include <functional>

class QCloseEvent;

namespace bd {

enum class WindowKind {
    Br,
    Add,
    Edit,
    Exp,
    Imp,
    Ops,
    Email,
    Search,
    PlainText,
    About,
    ImgView,
    Lang,
    Trash,
    Snapshots,
    Cook,
    Shop,
    Paste
};

using WindowFactory = std::function<QWidget*()>;

// Windows make themselves known here; a command whose window is not
// registered does nothing.
void registerWindow(WindowKind kind, WindowFactory factory);
bool windowAvailable(WindowKind kind);
// The loaded instance of a window, or nullptr.
QWidget* instance(WindowKind kind);

// Builds and shows a fresh instance of a main or tool window.
QWidget* showWindow(WindowKind kind);
// Leaves the current main window for another: endOnUnload is cleared, from
// is closed (saving its placement) and the other window is shown. Does
// nothing and returns nullptr when the other window is not available.
QWidget* switchTo(QWidget* from, WindowKind to);
// Shows a secondary window over opener, which stays disabled until it
// closes. The window must not be a child of opener: it would be disabled too.
// It is centred on the opener unless it placed itself (moved) when built.
QWidget* openOver(QWidget* opener, WindowKind kind);

// Gives the keyboard focus in window back to control, which had it before a
// secondary window took its place; to the window's usual control when
// control is gone, hidden or disabled.
void giveFocusBack(QWidget* window, QWidget* control);

// Ends the program (the event loop returns).
void endProgram();
bool endRequested();
void resetWindows(); // closes every window and forgets the registrations
// Quits once no window of the program is left open.
void installLastWindowRule();
// Lets every open main window show the book again (showBookAgain).
void showBookAgainEverywhere();
// Enter (Return or the keypad's) presses the push button that has the
// focus in every window, as it does in Qt's dialogs.
void installEnterRule();

// The browse, add and edit windows: placement restored when built and
// saved when closed; closing one while endOnUnload holds ends the program.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    // Shows the window in its restored state (normal or maximised).
    void showRestored();
    // The window's size limits.
    cFormSize& formSize() { return formSize_; }
    // The open book was replaced by a newer version from disk: lists are
    // filled again, what was chosen stays chosen where it still exists.
    virtual void showBookAgain() {}
    // The control that takes the keyboard when no other has it.
    virtual QWidget* defaultFocus() const { return nullptr; }

protected:
    void restorePlacement();
    void savePlacement();
    // Size limits in twips, handed to formSize().
    void setSizeLimits(double minWidth, double minHeight, double maxWidth, double maxHeight);
    void closeEvent(QCloseEvent* event) override;

private:
    bool maximised_ = false;
    cFormSize formSize_;
};

} // namespace bd
