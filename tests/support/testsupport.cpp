#include "testsupport.h"

#include "app/base/booklock.h"
#include "app/base/globals.h"
#include "app/base/settings.h"
#include "output/cookbook.h"
#include "output/printpage.h"

#include <QBuffer>
#include <QEventLoop>
#include <QTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QFileInfo>
#include <QImage>
#include <QPdfWriter>
#include <QSettings>
#include <QTextDocument>

#include <utility>

namespace bdtest {

using namespace bd;

void ScriptedDialogs::record(const Call& c)
{
    calls << c;
    if (!whileOpen)
        return;
    const std::function<void()> act = std::exchange(whileOpen, {});
    bool acted = false;
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
        acted = true;
        act();
    });
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
    if (!acted) // no loop runs once the program has ended
        act();
}

Answer ScriptedDialogs::message(Str id, const QString& text, Buttons buttons, Icon icon, const QString& title)
{
    Call c;
    c.kind = Kind::Message;
    c.id = id;
    c.text = text;
    c.buttons = buttons;
    c.icon = icon;
    c.title = title;
    record(c);
    if (!answers.isEmpty())
        return answers.takeFirst();
    switch (buttons) {
    case Buttons::Ok:
    case Buttons::OkCancel: return Answer::Ok;
    case Buttons::YesNo: return Answer::Yes;
    case Buttons::RetryCancel: return Answer::Cancel;
    }
    return Answer::Ok;
}

std::optional<QString> ScriptedDialogs::input(Str id, const QString& prompt, const QString& title,
                                              const QString& defaultAnswer)
{
    Call c;
    c.kind = Kind::Input;
    c.id = id;
    c.text = prompt;
    c.title = title;
    c.defaultAnswer = defaultAnswer;
    record(c);
    return inputs.isEmpty() ? std::nullopt : inputs.takeFirst();
}

std::optional<QString> ScriptedDialogs::fileAnswer(Kind kind, const FileRequest& request)
{
    Call c;
    c.kind = kind;
    c.request = request;
    record(c);
    return files.isEmpty() ? std::nullopt : files.takeFirst();
}

std::optional<QString> ScriptedDialogs::openFile(const FileRequest& request)
{
    return fileAnswer(Kind::OpenFile, request);
}

std::optional<QString> ScriptedDialogs::saveFile(const FileRequest& request)
{
    return fileAnswer(Kind::SaveFile, request);
}

bool ScriptedDialogs::printed(Kind kind, QTextDocument& doc)
{
    Call c;
    c.kind = kind;
    // Painted as the print dialog and the preview paint it, into a PDF.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    QPdfWriter writer(&pdf);
    bd::printPages(doc, &writer);
    const auto* book = qobject_cast<const bd::Cookbook*>(&doc);
    c.pages = book ? book->pages().count : doc.pageCount();
    c.document = doc.toPlainText();
    record(c);
    return printAnswer;
}

bool ScriptedDialogs::print(QTextDocument& doc) { return printed(Kind::Print, doc); }

bool ScriptedDialogs::preview(QTextDocument& doc) { return printed(Kind::Preview, doc); }

QList<Str> ScriptedDialogs::messageIds() const
{
    QList<Str> ids;
    for (const Call& c : calls)
        if (c.kind == Kind::Message)
            ids << c.id;
    return ids;
}

void ScriptedDialogs::clear()
{
    calls.clear();
    answers.clear();
    inputs.clear();
    files.clear();
    whileOpen = {};
}

TestEnv::TestEnv()
{
    G.reset();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path() + QStringLiteral("/config"));
    QDir().mkpath(appPath() + QStringLiteral("/images"));
    G.appPath = appPath();
    G.imgPrefix = QStringLiteral("recipes");
    G.helpFolder = dir_.path() + QStringLiteral("/help");
    setDialogs(&dialogs);
}

TestEnv::~TestEnv()
{
    unlockBookFolder();
    setDialogs(nullptr);
    G.reset();
}

QString TestEnv::appPath() const { return dir_.path() + QStringLiteral("/data"); }

void TestEnv::write(const QString& relative, const QByteArray& bytes) const { writeFile(file(relative), bytes); }

QByteArray TestEnv::read(const QString& relative) const { return readFile(file(relative)); }

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

Recipe titled(const QString& title, const QString& image)
{
    Recipe f;
    f.title = title;
    f.image = image;
    return f;
}

void replaceFromOutside(const QString& path, const QByteArray& bytes)
{
    const QString temporary = QFileInfo(path).dir().filePath(QStringLiteral(".sync-tmp-") + QFileInfo(path).fileName());
#ifdef Q_OS_UNIX
    QProcess p;
    p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("cat > \"$1\" && mv \"$1\" \"$2\""),
                                        QStringLiteral("sh"), temporary, path});
    p.waitForStarted();
    p.write(bytes);
    p.closeWriteChannel();
    p.waitForFinished();
#else
    writeFile(temporary, bytes);
    QFile::remove(path);
    QFile::rename(temporary, path);
#endif
}

DiskBook::DiskBook() { loadFile(bookPath()); }

QByteArray pngBytes(int width, int height, int dotsPerMeter)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(200, 120, 40));
    if (dotsPerMeter > 0) {
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QList<bd::Recipe> recipesOf(const bd::RecipeBook& book)
{
    QList<bd::Recipe> out;
    for (pugi::xml_node c = book.root().child("category"); c; c = c.next_sibling("category"))
        for (pugi::xml_node r = c.child("recipe"); r; r = r.next_sibling("recipe"))
            out << bd::RecipeBook::fields(r);
    return out;
}

bd::RecipeList importSource(const bd::RecipeBook& book)
{
    bd::RecipeList list;
    list.recipes = book.allRecipes(&list.fieldCounts);
    return list;
}

} // namespace bdtest
