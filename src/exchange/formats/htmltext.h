#pragma once
// Recipe texts that come as HTML: character references and markup made
// plain text.

#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace bd {

// Text with its HTML character references (named, decimal, hexadecimal)
// replaced by their characters; unknown ones are kept as written.
QString decodeEntities(QStringView text);

// Text that may hold HTML markup as plain text: tags dropped, <br> and the
// ends of paragraphs and list items as line breaks, entities decoded (also
// those encoded twice, "&amp;eacute;"),
// spaces in each line simplified, at most one blank line in a row.
QString htmlText(QStringView text);
QString htmlText(QString&& text);

// Whether text is one line with nothing to do, as htmlText gives it as it
// stands: no markup, references or line breaks, spaces simplified. Most
// texts of pages are such.
bool plainSimpleLine(QStringView text);
// The same for UTF-8 text that is ASCII (and so Latin-1 as it stands);
// false for any other.
bool plainSimpleAscii(QByteArrayView text);

} // namespace bd
