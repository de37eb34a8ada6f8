#pragma once
// The bytes of other programs' files as text: byte order marks, UTF-8 or
// Windows-1252, and XML re-encoded for pugixml.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace bd {

// The text of a file: UTF-8 when the bytes are valid UTF-8 (a leading byte
// order mark dropped), Windows-1252 otherwise.
QString decodeRecipeText(const QByteArray& bytes);
// Part of such a text (whole characters), the whole's encoding known:
// UTF-8 (utf8) or Windows-1252, no byte order mark dropped.
QString decodeRecipeText(QByteArrayView part, bool utf8);

// The text of a file: UTF-16 or UTF-32 when it starts with their byte
// order mark, otherwise as decodeRecipeText reads it (UTF-8, with or
// without its mark, or Windows-1252).
QString decodeAnyText(const QByteArray& bytes);

// Whether bytes are valid UTF-8; a long text is looked through in halves
// side by side.
bool validUtf8(QByteArrayView bytes);

// Whether bytes start with a UTF-16 or UTF-32 byte order mark.
bool wideText(QByteArrayView bytes);

// Text of bytes that decodeAnyText reads as decodeRecipeText does, not yet
// decoded: whether as UTF-8 (else Windows-1252), and its bytes after a
// UTF-8 byte order mark. Nothing for UTF-16 and UTF-32 text.
struct NarrowText {
    QByteArrayView bytes;
    bool utf8 = true;
};
std::optional<NarrowText> narrowText(const QByteArray& bytes);

// XML bytes ready for pugixml: UTF-16 and UTF-32 with a byte order mark,
// anything declared in an encoding pugixml does not know (such as
// windows-1252), and bytes that are not the UTF-8 they claim (read as
// Windows-1252) become UTF-8 with the declaration's encoding dropped.
QByteArray xmlAsUtf8(const QByteArray& bytes);

} // namespace bd
