#include "output/plaintext.h"

#include "resources/strings.h"

namespace bd {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString withCrLf(QString text)
{
    text.replace(kCrLf, QStringLiteral("\n"));
    text.replace(QLatin1Char('\n'), kCrLf);
    return text;
}

QString valueLine(int labelId, const QString& value)
{
    return QLatin1Char('*') + fetchText(labelId) + QStringLiteral(": ") + withCrLf(value) + kCrLf;
}

QString section(int headingId, const QString& text)
{
    return QLatin1Char('*') + fetchText(headingId) + kCrLf + withCrLf(text) + kCrLf + kCrLf;
}

} // namespace

QString plainTextRecipe(const Recipe& r)
{
    return withCrLf(r.title) + kCrLf + kCrLf + valueLine(108, r.preptime) + valueLine(109, r.cooktime) +
           valueLine(110, r.yield) + kCrLf + section(102, r.ing) + section(103, r.prep) + section(104, r.other);
}

QByteArray plainTextFileBytes(const QString& text) { return (text + kCrLf).toUtf8(); }

SaveResult savePlainText(const QString& path, const QString& text)
{
    return writeFileAtomically(path, plainTextFileBytes(text));
}

} // namespace bd
