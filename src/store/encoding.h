#pragma once
// Text that arrives in more than one encoding: books and recipe files
// written by other programs are UTF-8 as a rule, but older ones (or ones
// edited by hand) hold Windows-1252 bytes.

#include <QByteArray>

namespace bd {

// The character of byte b in Windows-1252; the five bytes it leaves
// undefined keep their C1 codes, every byte outside 0x80-0x9F is Latin-1.
char16_t windows1252Char(unsigned char b);

// Replaces every byte of bytes that is not part of a valid UTF-8 sequence
// by the UTF-8 form of its Windows-1252 character. Returns true when
// anything was replaced. Valid UTF-8 is left exactly as it is.
bool repairUtf8(QByteArray& bytes);

// The same over a buffer of size bytes; *repaired receives the new bytes
// when anything had to be replaced (and the buffer is left as it was).
bool repairUtf8(const char* data, qsizetype size, QByteArray* repaired);

// The size of the size bytes at data once repaired: greater than size
// exactly when something needs replacing, as each byte replaced becomes two
// or three.
qsizetype repairedUtf8Size(const char* data, qsizetype size);
// Writes the repaired bytes to out, which has room for repairedUtf8Size().
void repairUtf8Into(const char* data, qsizetype size, char* out);

// The length of the valid UTF-8 sequence at p (end bounds it), or 0 where
// none starts (an ASCII byte counts as none).
int utf8SequenceLength(const unsigned char* p, const unsigned char* end);

} // namespace bd
