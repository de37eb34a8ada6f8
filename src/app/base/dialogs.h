#pragma once
// The one way any part of the program asks the user something. Production
// shows Qt's dialogs (QtDialogs); tests install a scripted stand-in that
// answers from a queue and records every call.

#include <QString>
#include <functional>
#include <optional>

#include "resources/strings.h"
#include "store/bookfile.h"

class QObject;
class QTextDocument;

namespace bd {

enum class Buttons { Ok, OkCancel, YesNo, RetryCancel };
enum class Icon { None, Information, Exclamation, Critical, Question };
enum class Answer { Ok, Cancel, Yes, No, Retry };

// What a file dialog is for. Each kind opens where the cook last chose a
// file of that kind.
enum class FileKind { Other, Picture, Export, Import, Backup, PlainText };

struct FileRequest {
    QString title;
    QString filter;   // "Recipe books|*.xml|" style: description|patterns|...
    QString fileName; // proposed name or path
    QString defaultExt;
    FileKind kind = FileKind::Other;
    // The folder the dialog opens in; dialogs() fills it in from kind when
    // it is empty (the dialog's own choice for FileKind::Other).
    QString folder;
    // Saving: an existing file is replaced only when the user says so.
    // Off where the program asks its own question (Str::FileExists) after the
    // dialog, so that nobody is asked twice.
    bool askBeforeReplacing = true;
};

class Dialogs {
public:
    virtual ~Dialogs();
    // id: the English string id of the message (Str::None for a text of its own).
    virtual Answer message(Str id, const QString& text, Buttons buttons, Icon icon, const QString& title) = 0;
    // nullopt when cancelled; an empty string when OK was pressed on nothing.
    virtual std::optional<QString> input(Str id, const QString& prompt, const QString& title,
                                         const QString& defaultAnswer) = 0;
    virtual std::optional<QString> openFile(const FileRequest& request) = 0;
    virtual std::optional<QString> saveFile(const FileRequest& request) = 0;
    // The print dialog (a printer or a PDF file) and the print preview for a
    // laid-out document; true when the document was printed.
    virtual bool print(QTextDocument& doc) = 0;
    virtual bool preview(QTextDocument& doc) = 0;
};

// Every question goes through here, whichever dialogs are installed: it
// knows while one is open.
Dialogs& dialogs();
// Installs d (not owned). Passing nullptr restores the previous default.
void setDialogs(Dialogs* d);

// True while a dialog asked for through dialogs() is open.
bool dialogOpen();

// Told when the first dialog of dialogs() opens and when the last one has
// closed, for as long as it exists. What runs in the background (a progress
// dialog) stays out of the way of a question.
class DialogWatcher {
public:
    DialogWatcher();
    virtual ~DialogWatcher();
    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;
    virtual void dialogsOpened() = 0;
    virtual void dialogsClosed() = 0;
};

// A window's commands that ask the user something run one at a time: while
// one runs, a second press of its button or another such command of the
// window does nothing (assistive technology can press buttons behind a
// modal dialog), so that the first goes on with the window as it left it.
//     const Command command(this);
//     if (!command)
//         return;
class Command {
public:
    explicit Command(const QObject* window);
    ~Command();
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;
    explicit operator bool() const { return entered_; }
    // True while a command of window runs.
    static bool running(const QObject* window);

private:
    const QObject* window_;
    bool entered_;
};

// While one exists, a window (a widget without a parent) closed for
// deletion is kept until the last one is gone. Every open dialog of
// dialogs() holds one, and so does long work that lets events run: a window
// deleted under them would take the dialog, its child, with it and leave
// the code waiting below on a dead window.
class KeepWindows {
public:
    KeepWindows();
    ~KeepWindows();
    KeepWindows(const KeepWindows&) = delete;
    KeepWindows& operator=(const KeepWindows&) = delete;
};

// The busy cursor from now until it goes out of scope, over every window
// of the program (a dialog opened meanwhile has the arrow): for a save,
// which at a few hundred thousand recipes takes most of a second, held
// from the press of the button until the windows show the book as saved.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    bool shown_;
};

// A message box titled "BD" whose text is string id (in the current
// language) with optional text before and after it.
Answer msgBox(Str id, Buttons buttons = Buttons::Ok, Icon icon = Icon::None, const QString& suffix = QString(),
              const QString& prefix = QString());

// Tells the user what went wrong in r: its notices in order, then its
// failure message (the save failure with the system's reason when r names
// none). Returns r.ok.
// A result whose book file had been changed outside (reloaded) first lets
// the windows show the book again (see setBookReloadedHandler). A book
// file left unreadable by another program is overwritten only when the
// user says so, the unreadable file kept beside it.
bool report(const SaveResult& r);
// What refreshes the windows when the open book was replaced by a newer
// version read from disk.
void setBookReloadedHandler(std::function<void()> handler);
void bookReloaded();

// Converts "desc|patterns|desc|patterns|" to Qt's "desc (patterns);;..." form.
// A description that ends in its own "(patterns)" is shown without them, so
// that each label lists its patterns once.
QString qtFilter(const QString& filter);

// The folder a file dialog of kind opens in: the one the cook last chose a
// file of that kind in, while it exists; else Pictures for pictures and
// Documents for the rest (the home folder when there is no such folder).
// Empty for FileKind::Other.
QString startFolder(FileKind kind);
// Remembers the folder of file, chosen in a dialog of kind.
void rememberFolder(FileKind kind, const QString& file);

} // namespace bd
