// Writing the text of a step whose bytes give 0, 1 or 2 output bytes each: the two
// candidate bytes of every input byte side by side, the unwanted ones squeezed out with
// a byte shuffle from a table. Included by the kernels for 16- and 32-byte vectors; the
// code lands in each one's unnamed namespace, compiled for its instruction set.
#pragma once

#include <cstdint>
#include <immintrin.h>

namespace kana::detail {

namespace {

struct TCompressTables {
    std::uint8_t Squeeze[256][8]; // the positions of the set bits of an 8-bit mask, in order
    std::uint16_t Spread[256];    // bit I of a byte moved to bit 2 I
};

consteval TCompressTables MakeCompressTables() {
    TCompressTables T{};
    for (unsigned M = 0; M < 256; ++M) {
        unsigned N = 0;
        for (unsigned B = 0; B < 8; ++B) {
            if (M >> B & 1) T.Squeeze[M][N++] = static_cast<std::uint8_t>(B);
            if (M >> B & 1) T.Spread[M] = static_cast<std::uint16_t>(T.Spread[M] | 1u << (2 * B));
        }
    }
    return T;
}

alignas(64) constexpr TCompressTables CompressTables = MakeCompressTables();

// Writes the bytes of Candidates whose bit in Wanted is set, in order, at W; may write 16
// bytes.
inline void Squeeze16(char*& W, __m128i Candidates, unsigned Wanted) {
    const unsigned Low = Wanted & 0xFF, High = Wanted >> 8 & 0xFF;
    const __m128i Shuffle = _mm_unpacklo_epi64(
        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(CompressTables.Squeeze[Low])),
        _mm_add_epi8(
            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(CompressTables.Squeeze[High])),
            _mm_set1_epi8(8)));
    const __m128i Squeezed = _mm_shuffle_epi8(Candidates, Shuffle);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(W), Squeezed);
    W += __builtin_popcount(Low);
    _mm_storeh_pi(reinterpret_cast<__m64*>(W), _mm_castsi128_ps(Squeezed));
    W += __builtin_popcount(High);
}

// The wanted-candidate mask of 8 input bytes: first candidates where the count is at
// least 1, second candidates where it is 2.
inline unsigned Wanted8(std::uint64_t AtLeastOne, std::uint64_t Two, unsigned Shift) {
    return CompressTables.Spread[AtLeastOne >> Shift & 0xFF] |
           static_cast<unsigned>(CompressTables.Spread[Two >> Shift & 0xFF]) << 1;
}

} // namespace

} // namespace kana::detail
