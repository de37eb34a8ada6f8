#include "store/encoding.h"

#include "store/charscan.h"

#include <cstring>

namespace bd {

namespace {

constexpr char16_t kWindows1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                           0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

int utf8SequenceLength(const unsigned char* p, const unsigned char* end)
{
    const unsigned char b = *p;
    int n;
    unsigned char lo = 0x80, hi = 0xBF; // bounds of the second byte
    if (b >= 0xC2 && b <= 0xDF)
        n = 2;
    else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        if (b == 0xE0)
            lo = 0xA0; // no overlong forms
        else if (b == 0xED)
            hi = 0x9F; // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        if (b == 0xF0)
            lo = 0x90;
        else if (b == 0xF4)
            hi = 0x8F; // nothing past U+10FFFF
    } else
        return 0;
    if (end - p < n || p[1] < lo || p[1] > hi)
        return 0;
    for (int i = 2; i < n; ++i)
        if ((p[i] & 0xC0) != 0x80)
            return 0;
    return n;
}

namespace {

// Calls bad(p) for each byte of [p, end) that is not part of a valid UTF-8
// sequence. Runs of ASCII, the common case, are passed over in blocks.
template <typename Bad>
void eachByteNotUtf8(const unsigned char* p, const unsigned char* end, Bad bad)
{
    while ((p = charscan::firstOf(p, end, charscan::kHighBytes)) != end) {
        if (const int n = utf8SequenceLength(p, end)) {
            p += n;
            continue;
        }
        bad(p);
        ++p;
    }
}

// The UTF-8 form of c, a character from U+0080 up to U+FFFF (two or three bytes), written at out; returns its end.
char* putUtf8(char* out, char16_t c)
{
    if (c < 0x800) {
        *out++ = char(0xC0 | (c >> 6));
    } else {
        *out++ = char(0xE0 | (c >> 12));
        *out++ = char(0x80 | ((c >> 6) & 0x3F));
    }
    *out++ = char(0x80 | (c & 0x3F));
    return out;
}

const unsigned char* bytesOf(const char* data) { return reinterpret_cast<const unsigned char*>(data); }

} // namespace

char16_t windows1252Char(unsigned char b) { return b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : char16_t(b); }

qsizetype repairedUtf8Size(const char* data, qsizetype size)
{
    qsizetype out = size;
    eachByteNotUtf8(bytesOf(data), bytesOf(data) + size,
                    [&out](const unsigned char* p) { out += windows1252Char(*p) < 0x800 ? 1 : 2; });
    return out;
}

void repairUtf8Into(const char* data, qsizetype size, char* out)
{
    const unsigned char* copied = bytesOf(data); // bytes before this are in out
    eachByteNotUtf8(bytesOf(data), bytesOf(data) + size, [&](const unsigned char* p) {
        std::memcpy(out, copied, size_t(p - copied));
        out = putUtf8(out + (p - copied), windows1252Char(*p));
        copied = p + 1;
    });
    std::memcpy(out, copied, size_t(bytesOf(data) + size - copied));
}

bool repairUtf8(const char* data, qsizetype size, QByteArray* repaired)
{
    const qsizetype n = repairedUtf8Size(data, size);
    if (n == size)
        return false;
    repaired->resize(n);
    repairUtf8Into(data, size, repaired->data());
    return true;
}

bool repairUtf8(QByteArray& bytes)
{
    QByteArray repaired;
    if (!repairUtf8(bytes.constData(), bytes.size(), &repaired))
        return false;
    bytes = repaired;
    return true;
}

} // namespace bd
