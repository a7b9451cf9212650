// A set of byte values as a few ranges, tested 16 bytes at a time with SSE2 (which every
// x86-64 processor has, and which WebAssembly SIMD provides): what the plans' scalar paths
// use to find the next byte that needs a look. Private to the engine.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kana::detail {

struct TByteRanges {
    std::uint8_t Count = 0; // 0 when the set takes more ranges than this holds
    alignas(16) std::uint8_t Low[8][16]; // each bound repeated 16 times, ready to load
    alignas(16) std::uint8_t High[8][16];

    // The ranges of the bytes B for which Member[B]; the empty set is one range no byte
    // fits.
    static TByteRanges Of(const bool (&Member)[256]) {
        TByteRanges R;
        const auto Add = [&R](int Lo, int Hi) {
            std::memset(R.Low[R.Count], Lo, sizeof R.Low[0]);
            std::memset(R.High[R.Count], Hi, sizeof R.High[0]);
            ++R.Count;
        };
        for (int B = 0; B < 256; ++B) {
            if (!Member[B] || (B > 0 && Member[B - 1])) continue;
            if (R.Count == 8) return TByteRanges{};
            int Last = B;
            while (Last < 255 && Member[Last + 1]) ++Last;
            Add(B, Last);
        }
        if (R.Count == 0) Add(1, 0);
        return R;
    }

#if defined(__SSE2__)
    // One bit per byte of V: is it in the set?
    std::uint32_t In(__m128i V) const {
        __m128i Hit = _mm_setzero_si128();
        for (unsigned I = 0; I < Count; ++I) {
            const __m128i L = _mm_load_si128(reinterpret_cast<const __m128i*>(Low[I]));
            const __m128i H = _mm_load_si128(reinterpret_cast<const __m128i*>(High[I]));
            const __m128i AtLeast = _mm_cmpeq_epi8(_mm_max_epu8(V, L), V);
            const __m128i AtMost = _mm_cmpeq_epi8(_mm_min_epu8(V, H), V);
            Hit = _mm_or_si128(Hit, _mm_and_si128(AtLeast, AtMost));
        }
        return static_cast<std::uint32_t>(_mm_movemask_epi8(Hit));
    }
#endif
};

} // namespace kana::detail
