#include "output/plaintext.h"

#include "app/base/dialogs.h"
#include "app/base/text.h"

#include <QDir>

namespace bd {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString withCrLf(QString text)
{
    text.replace(kCrLf, QStringLiteral("\n"));
    text.replace(QLatin1Char('\n'), kCrLf);
    return text;
}

QString valueLine(Str labelId, const QString& value)
{
    return QLatin1Char('*') + fetchText(labelId) + QStringLiteral(": ") + withCrLf(value) + kCrLf;
}

QString section(Str headingId, const QString& text)
{
    return QLatin1Char('*') + fetchText(headingId) + kCrLf + withCrLf(text) + kCrLf + kCrLf;
}

} // namespace

QString plainTextRecipe(const Recipe& r)
{
    return withCrLf(r.title) + kCrLf + kCrLf + valueLine(Str::PrepTime, r.preptime) +
           valueLine(Str::CookTime, r.cooktime) + valueLine(Str::Yield, r.yield) + kCrLf +
           section(Str::Ingredients, r.ing) + section(Str::Preparation, r.prep) + section(Str::SpecialNotes, r.other);
}

QByteArray plainTextFileBytes(const QString& text) { return (text + kCrLf).toUtf8(); }

SaveResult savePlainText(const QString& path, const QString& text)
{
    return writeFileAtomically(path, plainTextFileBytes(text));
}

void saveTextAs(const QString& name, const QString& text)
{
    FileRequest request;
    request.title = fetchText(Str::SaveAs);
    request.filter = fetchText(Str::TextFilesFilter) + QStringLiteral("|*.txt");
    request.kind = FileKind::PlainText;
    request.fileName = name;
    const std::optional<QString> path = dialogs().saveFile(request);
    if (!path || path->isEmpty())
        return;
    const SaveResult saved = savePlainText(*path, text);
    if (!saved)
        msgBox(Str::TextFileNotSaved, Buttons::Ok, Icon::Exclamation,
               QStringLiteral("\r\n\r\n") + QDir::toNativeSeparators(*path) + QStringLiteral("\r\n") + saved.error);
}

} // namespace bd
