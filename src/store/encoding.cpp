#include "store/encoding.h"

#include <cstdint>
#include <cstring>

namespace bd {

namespace {

constexpr char16_t kWindows1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                           0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Length of the valid UTF-8 sequence at p (end bounds it), or 0.
int sequenceLength(const unsigned char* p, const unsigned char* end)
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

void appendUtf8(QByteArray& out, char16_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

} // namespace

char16_t windows1252Char(unsigned char b) { return b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : char16_t(b); }

bool repairUtf8(const char* data, qsizetype size, QByteArray* repaired)
{
    const auto* begin = reinterpret_cast<const unsigned char*>(data);
    const auto* end = begin + size;
    const unsigned char* p = begin;
    const unsigned char* copied = begin; // bytes before this are in *repaired
    bool changed = false;
    while (p < end) {
        // Runs of ASCII, the common case, eight bytes at a time.
        if (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            if (!(word & 0x8080808080808080ull)) {
                p += 8;
                continue;
            }
        }
        if (*p < 0x80) {
            ++p;
            continue;
        }
        if (const int n = sequenceLength(p, end)) {
            p += n;
            continue;
        }
        if (!changed) {
            repaired->clear();
            repaired->reserve(size + size / 16 + 16);
            changed = true;
        }
        repaired->append(reinterpret_cast<const char*>(copied), p - copied);
        appendUtf8(*repaired, windows1252Char(*p));
        copied = ++p;
    }
    if (changed)
        repaired->append(reinterpret_cast<const char*>(copied), end - copied);
    return changed;
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
