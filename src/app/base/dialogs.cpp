#include "app/base/dialogs.h"

#include "app/base/globals.h"
#include "app/base/settings.h"
#include "app/base/text.h"
#include "store/booksave.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QCursor>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QList>
#include <QSet>
#include <QStringList>

#include <utility>

namespace bd {

Dialogs::~Dialogs() = default;

namespace {

// Without a GUI nothing can be asked: every question is declined.
class SilentDialogs final : public Dialogs {
public:
    Answer message(Str, const QString&, Buttons b, Icon, const QString&) override
    {
        switch (b) {
        case Buttons::Ok: return Answer::Ok;
        case Buttons::OkCancel:
        case Buttons::RetryCancel: return Answer::Cancel;
        case Buttons::YesNo: return Answer::No;
        }
        return Answer::Cancel;
    }
    std::optional<QString> input(Str, const QString&, const QString&, const QString&) override { return std::nullopt; }
    std::optional<QString> openFile(const FileRequest&) override { return std::nullopt; }
    std::optional<QString> saveFile(const FileRequest&) override { return std::nullopt; }
    bool print(QTextDocument&) override { return false; }
    bool preview(QTextDocument&) override { return false; }
};

SilentDialogs silent;
Dialogs* current = &silent;

int openDialogs = 0;
QList<DialogWatcher*> watchers;

bool withCursor() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

// Counts the dialogs open; the watchers hear of the first and the last.
// Over a busy cursor, a dialog has the ordinary arrow while it is open.
class Opening {
    KeepWindows keep_;
    bool arrow_ = withCursor() && QGuiApplication::overrideCursor();

public:
    Opening()
    {
        if (arrow_)
            QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
        if (openDialogs++ == 0)
            for (DialogWatcher* w : QList<DialogWatcher*>(watchers))
                if (watchers.contains(w))
                    w->dialogsOpened();
    }
    ~Opening()
    {
        if (arrow_)
            QGuiApplication::restoreOverrideCursor();
        if (--openDialogs == 0)
            for (DialogWatcher* w : QList<DialogWatcher*>(watchers))
                if (watchers.contains(w))
                    w->dialogsClosed();
    }
    Opening(const Opening&) = delete;
    Opening& operator=(const Opening&) = delete;
};

// Shows a file dialog in the folder of its kind, and remembers the chosen
// file's folder for the next one.
template <typename Show>
std::optional<QString> inKindsFolder(const FileRequest& request, Show show)
{
    FileRequest r = request;
    if (r.folder.isEmpty())
        r.folder = startFolder(r.kind);
    std::optional<QString> chosen = show(r);
    if (chosen && !chosen->isEmpty())
        rememberFolder(r.kind, *chosen);
    return chosen;
}

// What dialogs() hands out: the installed dialogs, counted.
class CountedDialogs final : public Dialogs {
public:
    Answer message(Str id, const QString& text, Buttons buttons, Icon icon, const QString& title) override
    {
        const Opening open;
        return current->message(id, text, buttons, icon, title);
    }
    std::optional<QString> input(Str id, const QString& prompt, const QString& title,
                                 const QString& defaultAnswer) override
    {
        const Opening open;
        return current->input(id, prompt, title, defaultAnswer);
    }
    std::optional<QString> openFile(const FileRequest& request) override
    {
        const Opening open;
        return inKindsFolder(request, [](const FileRequest& r) { return current->openFile(r); });
    }
    std::optional<QString> saveFile(const FileRequest& request) override
    {
        const Opening open;
        return inKindsFolder(request, [](const FileRequest& r) { return current->saveFile(r); });
    }
    bool print(QTextDocument& doc) override
    {
        const Opening open;
        return current->print(doc);
    }
    bool preview(QTextDocument& doc) override
    {
        const Opening open;
        return current->preview(doc);
    }
};

CountedDialogs counted;

QSet<const QObject*>& runningCommands()
{
    static QSet<const QObject*> windows;
    return windows;
}

// Takes the deferred deletion of windows and gives it back when asked.
class WindowKeeper final : public QObject {
public:
    QList<QPointer<QObject>> held;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::DeferredDelete || !watched->isWidgetType() || watched->parent())
            return false;
        held.append(watched);
        return true;
    }
};

int keeping = 0;

WindowKeeper& keeper()
{
    static WindowKeeper k;
    return k;
}

} // namespace

Dialogs& dialogs() { return counted; }

void setDialogs(Dialogs* d) { current = d ? d : &silent; }

bool dialogOpen() { return openDialogs > 0; }

DialogWatcher::DialogWatcher() { watchers.append(this); }

DialogWatcher::~DialogWatcher() { watchers.removeOne(this); }

Command::Command(const QObject* window) : window_(window), entered_(window && !runningCommands().contains(window))
{
    if (entered_)
        runningCommands().insert(window);
}

Command::~Command()
{
    if (entered_)
        runningCommands().remove(window_);
}

bool Command::running(const QObject* window) { return runningCommands().contains(window); }

KeepWindows::KeepWindows()
{
    if (keeping++ == 0 && QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(&keeper());
}

KeepWindows::~KeepWindows()
{
    if (--keeping > 0)
        return;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(&keeper());
    const QList<QPointer<QObject>> held = std::exchange(keeper().held, {});
    for (const QPointer<QObject>& w : held)
        if (w)
            w->deleteLater();
}

BusyCursor::BusyCursor() : shown_(withCursor())
{
    if (shown_)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

BusyCursor::~BusyCursor()
{
    if (shown_)
        QGuiApplication::restoreOverrideCursor();
}

Answer msgBox(Str id, Buttons buttons, Icon icon, const QString& suffix, const QString& prefix)
{
    return dialogs().message(id, prefix + fetchText(id) + suffix, buttons, icon, QStringLiteral("BD"));
}

namespace {
std::function<void()>& reloadedHandler()
{
    static std::function<void()> handler;
    return handler;
}
} // namespace

void setBookReloadedHandler(std::function<void()> handler) { reloadedHandler() = std::move(handler); }

void bookReloaded()
{
    if (reloadedHandler())
        reloadedHandler()();
}

bool report(const SaveResult& r)
{
    if (r.unreadableOutside) {
        if (msgBox(Str::BookUnreadableOutside, Buttons::YesNo, Icon::Exclamation) != Answer::Yes)
            return false;
        return report(overwriteBook(G.xmlDoc, bookPath()));
    }
    if (r.reloaded)
        bookReloaded();
    for (Str notice : r.notices) {
        const QString copy = QStringLiteral("\r\n") + QDir::toNativeSeparators(r.conflictCopy);
        if (notice == Str::OutsideRecipesConflict)
            dialogs().message(notice, fetchText(notice).arg(r.conflicts.join(QStringLiteral("\r\n"))) + copy,
                              Buttons::Ok, Icon::Exclamation, QStringLiteral("BD"));
        else
            msgBox(notice, Buttons::Ok, Icon::None, notice == Str::OutsideConflictKept ? copy : QString());
    }
    if (!r.ok) {
        if (r.message != Str::None)
            msgBox(r.message, Buttons::Ok, Icon::Exclamation);
        else
            msgBox(Str::SaveFailed, Buttons::Ok, Icon::Exclamation,
                   r.error.isEmpty() ? QString() : QStringLiteral("\r\n\r\n") + r.error);
    }
    return r.ok;
}

QString qtFilter(const QString& filter)
{
    // "(*.jpg, *.gif)" at the end of a description: its own list of patterns.
    static const QRegularExpression ownPatterns(QStringLiteral(R"(\s*\([^()]*\*[^()]*\)\s*$)"));
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString desc = parts[i];
        desc.remove(ownPatterns);
        desc = desc.trimmed();
        QString patterns = parts[i + 1].trimmed();
        if (patterns.isEmpty())
            continue;
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << (desc.isEmpty() ? QString() : desc + QLatin1Char(' ')) + QLatin1Char('(') + patterns + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

namespace {

const char* folderSetting(FileKind kind)
{
    switch (kind) {
    case FileKind::Picture: return "folderPicture";
    case FileKind::Export: return "folderExport";
    case FileKind::Import: return "folderImport";
    case FileKind::Backup: return "folderBackup";
    case FileKind::PlainText: return "folderPlainText";
    case FileKind::Other: break;
    }
    return nullptr;
}

} // namespace

QString startFolder(FileKind kind)
{
    const char* setting = folderSetting(kind);
    if (!setting)
        return QString();
    const QString last = readValue(QLatin1String(setting));
    if (fileExists(last, true))
        return last;
    const QString standard = QStandardPaths::writableLocation(
        kind == FileKind::Picture ? QStandardPaths::PicturesLocation : QStandardPaths::DocumentsLocation);
    return fileExists(standard, true) ? standard : QDir::homePath();
}

void rememberFolder(FileKind kind, const QString& file)
{
    if (const char* setting = folderSetting(kind))
        writeValue(QLatin1String(setting), QFileInfo(file).absolutePath());
}

} // namespace bd
