#pragma once
// Tests of eight UTF-16 characters at a time, for the scans of long texts
// for the few characters that matter. Each test gives a mask with two bits
// for each character it is true of (so the first such character is at the
// lowest set bit / 2); a text with none of them is passed over at once, and
// only the blocks that have one are looked at character by character. On
// processors without SSE2 (kBlocks false) the callers look at every
// character.

#include <cstdint>

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

} // namespace bd::charscan
