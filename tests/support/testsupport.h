#pragma once
// Shared test fixtures: a scripted dialog seam and a throw-away program
// environment (settings, book folder, global state).

#include "app/base/clock.h"
#include "app/base/dialogs.h"
#include "exchange/formats/readers.h"
#include "store/recipebook.h"

#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <optional>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace bdtest {

// Answers questions from queues and records every call.
class ScriptedDialogs final : public bd::Dialogs {
public:
    enum class Kind { Message, Input, OpenFile, SaveFile, Print, Preview };
    struct Call {
        Kind kind = Kind::Message;
        bd::Str id = bd::Str::None;
        QString text; // message text or input prompt
        bd::Buttons buttons = bd::Buttons::Ok;
        bd::Icon icon = bd::Icon::None;
        QString title;
        QString defaultAnswer;
        bd::FileRequest request;
        QString document; // the printed or previewed document as plain text
        int pages = 0;    // ... and its pages
    };

    QList<Call> calls;
    QList<bd::Answer> answers;                 // next message answers
    QList<std::optional<QString>> inputs;      // next input box answers
    QList<std::optional<QString>> files;       // next file dialog answers
    bool printAnswer = true;                   // the print dialog's outcome
    // Runs inside the next dialog, in an event loop of the dialog's own as
    // a real modal dialog runs, as if the user did it while the dialog was
    // open (a button pressed behind it, a window closed, time passing).
    std::function<void()> whileOpen;

    bd::Answer message(bd::Str id, const QString& text, bd::Buttons buttons, bd::Icon icon,
                       const QString& title) override;
    std::optional<QString> input(bd::Str id, const QString& prompt, const QString& title,
                                 const QString& defaultAnswer) override;
    std::optional<QString> openFile(const bd::FileRequest& request) override;
    std::optional<QString> saveFile(const bd::FileRequest& request) override;
    bool print(QTextDocument& doc) override;
    bool preview(QTextDocument& doc) override;

    // Ids of the messages shown, in order.
    QList<bd::Str> messageIds() const;
    bool shown(bd::Str id) const { return messageIds().contains(id); }
    const Call* last() const { return calls.isEmpty() ? nullptr : &calls.last(); }
    void clear();

private:
    void record(const Call& c);
    std::optional<QString> fileAnswer(Kind kind, const bd::FileRequest& request);
    bool printed(Kind kind, QTextDocument& doc);
};

// A fresh program state: globals reset, settings in a private folder, the
// book folder (appPath) an empty folder with an empty book loaded, and the
// scripted dialogs installed. Undone on destruction.
class TestEnv {
public:
    TestEnv();
    ~TestEnv();
    TestEnv(const TestEnv&) = delete;
    TestEnv& operator=(const TestEnv&) = delete;

    QString root() const { return dir_.path(); }
    QString appPath() const;
    QString file(const QString& relative) const { return appPath() + QLatin1Char('/') + relative; }
    // Writes bytes to a file below appPath, creating folders.
    void write(const QString& relative, const QByteArray& bytes) const;
    QByteArray read(const QString& relative) const;

    ScriptedDialogs dialogs;

private:
    QTemporaryDir dir_;
};

// A small valid picture file (PNG) of the given pixel size.
QByteArray pngBytes(int width, int height, int dotsPerMeter = 0);

// Any file by its full path; writing makes the folders.
QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);
// Replaces the file at path as a sync service does, from another process:
// the bytes go into a temporary file beside it, which is renamed over it.
void replaceFromOutside(const QString& path, const QByteArray& bytes);

// A recipe with only a title and, if given, a picture name.
bd::Recipe titled(const QString& title, const QString& image = {});

// Every recipe of book, category by category in document order.
QList<bd::Recipe> recipesOf(const bd::RecipeBook& book);
// A book's recipes as the import reads them from a book file.
bd::RecipeList importSource(const bd::RecipeBook& book);

// The book as it is on disk now (empty if it cannot be read).
// The clock work in progress is measured by, standing still until a test
// moves it on; the system's is back once it goes.
struct StillClock {
    qint64 now = 1000;
    StillClock()
    {
        bd::setSteadyClock([this] { return now; });
    }
    ~StillClock() { bd::setSteadyClock({}); }
    StillClock(const StillClock&) = delete;
    StillClock& operator=(const StillClock&) = delete;
};

struct DiskBook : bd::RecipeBook {
    DiskBook();
};

#ifdef Q_OS_UNIX
// Runs f with files limited to bytes, as on a nearly full disk.
template <typename F>
auto withFileLimit(rlim_t bytes, F f)
{
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small{bytes, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    auto result = f();
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    return result;
}
#endif

} // namespace bdtest
