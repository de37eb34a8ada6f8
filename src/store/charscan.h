#pragma once
// Tests of eight UTF-16 characters at a time, for the scans of long texts
// for the few characters that matter. Each test gives a mask with two bits
// for each character it is true of (so the first such character is at the
// lowest set bit / 2); a text with none of them is passed over at once, and
// only the blocks that have one are looked at character by character. On
// processors without SSE2 (kBlocks false) the callers look at every
// character.
//
// Below them, the same for UTF-8 bytes sixteen at a time (one bit for each
// byte), and firstOf, which finds the next byte of interest in a whole
// book's text that way. Last, copyBytes and sameBytes, for the short
// pieces that those scans' callers copy and compare by the hundred
// thousand.

#include <QtAlgorithms>

#include <cstdint>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define BD_CHARSCAN_SSE2 1
#endif

namespace bd::charscan {

#ifdef BD_CHARSCAN_SSE2
constexpr bool kBlocks = true;
using Block = __m128i;

// The eight characters from p on.
inline Block load(const char16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// The characters below n, compared as unsigned numbers.
inline unsigned below(Block b, char16_t n)
{
    const __m128i flip = _mm_set1_epi16(short(0x8000));
    return unsigned(
        _mm_movemask_epi8(_mm_cmplt_epi16(_mm_xor_si128(b, flip), _mm_set1_epi16(short(std::uint16_t(n ^ 0x8000u))))));
}

// The characters from n up.
inline unsigned atLeast(Block b, char16_t n) { return ~below(b, n) & 0xFFFFu; }

// The characters that are c.
inline unsigned equal(Block b, char16_t c)
{
    return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi16(b, _mm_set1_epi16(short(c)))));
}
#else
constexpr bool kBlocks = false;
struct Block {};
inline Block load(const char16_t*) { return {}; }
inline unsigned below(Block, char16_t) { return 0xFFFFu; }
inline unsigned atLeast(Block, char16_t) { return 0xFFFFu; }
inline unsigned equal(Block, char16_t) { return 0xFFFFu; }
#endif

// The characters a book may not hold as they stand, looked at closely
// where they are found: those below 0x20 but tab, line feed and carriage
// return, and those from 0xD800 up (surrogates, in pairs or not, and the
// last two characters).
constexpr bool storeSuspect(char16_t u) { return (u < 0x20 && u != 0x09 && u != 0x0A && u != 0x0D) || u >= 0xD800; }
inline unsigned storeSuspects(Block b)
{
    const unsigned spaces = equal(b, 0x09) | equal(b, 0x0A) | equal(b, 0x0D);
    return (below(b, 0x20) & ~spaces) | atLeast(b, 0xD800);
}

// Whether a text may hold a suspect, looked for block by block in a scan
// that reads its blocks for something else: the blocks are only gathered
// (all from 0x8000 up, a few compares cheaper, count as suspects too).
class SuspectLook {
public:
#ifdef BD_CHARSCAN_SSE2
    void add(Block b)
    {
        const __m128i spaces = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi16(b, _mm_set1_epi16(0x09)), _mm_cmpeq_epi16(b, _mm_set1_epi16(0x0A))),
            _mm_cmpeq_epi16(b, _mm_set1_epi16(0x0D)));
        // Compared as signed numbers, those from 0x8000 up are below 0x20.
        found_ = _mm_or_si128(found_, _mm_andnot_si128(spaces, _mm_cmplt_epi16(b, _mm_set1_epi16(0x20))));
    }
    bool found() const { return _mm_movemask_epi8(found_) != 0 || one_; }
#else
    void add(Block) {}
    bool found() const { return one_; }
#endif
    void add(char16_t u) { one_ = one_ || storeSuspect(u); }

private:
#ifdef BD_CHARSCAN_SSE2
    __m128i found_ = _mm_setzero_si128();
#endif
    bool one_ = false;
};

// The bytes a look over UTF-8 text may stop at: those from 0x80 up (the
// parts of every character beyond ASCII), and those XML needs a closer look
// at: '&', which may start a character reference, and the control
// characters XML 1.0 forbids (all below 0x20 but tab, line feed and
// carriage return).
enum ByteKinds : unsigned { kHighBytes = 1, kXmlSuspects = 2 };

inline bool ofKinds(unsigned char c, unsigned kinds)
{
    if (c >= 0x80)
        return kinds & kHighBytes;
    return (kinds & kXmlSuspects) && (c == '&' || (c < 0x20 && c != 0x09 && c != 0x0A && c != 0x0D));
}

#ifdef BD_CHARSCAN_SSE2
constexpr int kByteBlock = 16;

// The bytes from p to p + kByteBlock of the kinds asked for, as a mask with
// one bit for each.
inline unsigned bytesOfKinds(const unsigned char* p, unsigned kinds)
{
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const unsigned high = unsigned(_mm_movemask_epi8(b));
    unsigned out = kinds & kHighBytes ? high : 0;
    if (kinds & kXmlSuspects) {
        // Compared as signed numbers, the high bytes are below 0x20 too.
        const __m128i low = _mm_cmplt_epi8(b, _mm_set1_epi8(0x20));
        const __m128i allowed = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(b, _mm_set1_epi8(0x09)), _mm_cmpeq_epi8(b, _mm_set1_epi8(0x0A))),
            _mm_cmpeq_epi8(b, _mm_set1_epi8(0x0D)));
        const __m128i suspects = _mm_or_si128(_mm_andnot_si128(allowed, low), _mm_cmpeq_epi8(b, _mm_set1_epi8('&')));
        out |= unsigned(_mm_movemask_epi8(suspects)) & ~high;
    }
    return out;
}
#endif

// The first byte from p on (end when there is none) of the kinds asked for.
inline const unsigned char* firstOf(const unsigned char* p, const unsigned char* end, unsigned kinds)
{
#ifdef BD_CHARSCAN_SSE2
    for (; end - p >= kByteBlock; p += kByteBlock)
        if (const unsigned found = bytesOfKinds(p, kinds))
            return p + qCountTrailingZeroBits(found);
#else
    // Eight bytes at a time: a word with no byte from 0x80 up, none below
    // 0x20 and no '&' is passed over; the bytes of the others are looked at
    // one by one.
    constexpr std::uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    for (; end - p >= 8; p += 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        const std::uint64_t amp = w ^ (ones * '&');
        const std::uint64_t low = (w - ones * 0x20) & ~w & highs;
        const std::uint64_t amps = (amp - ones) & ~amp & highs;
        if ((kinds & kHighBytes ? w & highs : 0) | (kinds & kXmlSuspects ? low | amps : 0))
            for (int i = 0; i < 8; ++i)
                if (ofKinds(p[i], kinds))
                    return p + i;
    }
#endif
    for (; p < end; ++p)
        if (ofKinds(*p, kinds))
            return p;
    return end;
}

// Copies size characters from from to to (apart), each a made b.
inline void copyReplacing(char16_t* to, const char16_t* from, std::size_t size, char16_t a, char16_t b)
{
    std::size_t i = 0;
#ifdef BD_CHARSCAN_SSE2
    // b - a added where a stands.
    const __m128i as = _mm_set1_epi16(short(a)), change = _mm_set1_epi16(short(char16_t(b - a)));
    for (; i + 8 <= size; i += 8) {
        const __m128i c = load(from + i);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i),
                         _mm_add_epi16(c, _mm_and_si128(_mm_cmpeq_epi16(c, as), change)));
    }
#endif
    for (; i < size; ++i)
        to[i] = from[i] == a ? b : from[i];
}

// Copies size bytes from from to to (apart): up to 64 bytes, as most
// pieces of a line are, by moves of a known size instead of a call to
// memcpy.
Q_ALWAYS_INLINE void copyBytes(void* to, const void* from, std::size_t size)
{
    auto* t = static_cast<unsigned char*>(to);
    const auto* f = static_cast<const unsigned char*>(from);
    // Two moves that may overlap cover sizes from n to 2n.
    auto pair = [&](auto n) {
        constexpr std::size_t width = decltype(n)::value;
        unsigned char first[width], last[width];
        std::memcpy(first, f, width);
        std::memcpy(last, f + size - width, width);
        std::memcpy(t, first, width);
        std::memcpy(t + size - width, last, width);
    };
    if (size > 64)
        std::memcpy(t, f, size);
    else if (size >= 32)
        pair(std::integral_constant<std::size_t, 32>());
    else if (size >= 16)
        pair(std::integral_constant<std::size_t, 16>());
    else if (size >= 8)
        pair(std::integral_constant<std::size_t, 8>());
    else if (size >= 4)
        pair(std::integral_constant<std::size_t, 4>());
    else if (size >= 2)
        pair(std::integral_constant<std::size_t, 2>());
    else if (size == 1)
        *t = *f;
}

// Whether the size bytes at a and b are the same: up to 64 bytes, as
// most lines and names are, by loads of a known size instead of a call to
// memcmp.
Q_ALWAYS_INLINE bool sameBytes(const void* a, const void* b, std::size_t size)
{
    const auto* x = static_cast<const unsigned char*>(a);
    const auto* y = static_cast<const unsigned char*>(b);
    // Loads that may overlap cover sizes from n to 2n, as in copyBytes.
    auto same = [](const unsigned char* p, const unsigned char* q, auto n) {
        using Word = std::conditional_t<decltype(n)::value == 2, std::uint16_t,
                                        std::conditional_t<decltype(n)::value == 4, std::uint32_t, std::uint64_t>>;
        constexpr std::size_t words = decltype(n)::value / sizeof(Word);
        Word v[words], w[words];
        std::memcpy(v, p, sizeof v);
        std::memcpy(w, q, sizeof w);
        Word differ = 0;
        for (std::size_t k = 0; k < words; ++k)
            differ |= v[k] ^ w[k];
        return differ == 0;
    };
    auto pair = [&](auto n) {
        constexpr std::size_t width = decltype(n)::value;
        return same(x, y, n) && same(x + size - width, y + size - width, n);
    };
    if (size > 64)
        return std::memcmp(x, y, size) == 0;
    if (size >= 32)
        return pair(std::integral_constant<std::size_t, 32>());
    if (size >= 16)
        return pair(std::integral_constant<std::size_t, 16>());
    if (size >= 8)
        return pair(std::integral_constant<std::size_t, 8>());
    if (size >= 4)
        return pair(std::integral_constant<std::size_t, 4>());
    if (size >= 2)
        return pair(std::integral_constant<std::size_t, 2>());
    return size == 0 || *x == *y;
}

} // namespace bd::charscan
