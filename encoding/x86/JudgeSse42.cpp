// The encoding judge for x86-64 processors with SSE4.2: 64 bytes in four registers; a class
// is a union of ranges, each a compare.
#include "JudgeBody.h"

#include <cstring>
#include <nmmintrin.h>

namespace {

struct Sse42 {
    struct Block {
        __m128i Part[4];
    };

    [[gnu::always_inline]] static Block Load(const std::uint8_t* P) {
        Block X;
        for (int I = 0; I < 4; ++I)
            X.Part[I] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P + 16 * I));
        return X;
    }
    // The Count < 64 bytes at P, zeros after them.
    [[gnu::always_inline]] static Block LoadTail(const std::uint8_t* P, unsigned Count) {
        alignas(16) std::uint8_t Buffer[64] = {};
        std::memcpy(Buffer, P, Count);
        return Load(Buffer);
    }
    template <class F>
    [[gnu::always_inline]] static std::uint64_t Bits(const Block& X, F&& Test) {
        std::uint64_t M = 0;
        for (int I = 0; I < 4; ++I)
            M |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(Test(X.Part[I])))}
                 << (16 * I);
        return M;
    }
    [[gnu::always_inline]] static std::uint64_t High(const Block& X) {
        return Bits(X, [](__m128i V) { return V; });
    }
    // The bytes of V in R: equal, or below its end once moved so that R starts at -128.
    [[gnu::always_inline]] static __m128i Inside(__m128i V, TRange R) {
        const auto Set = [](int B) { return _mm_set1_epi8(static_cast<char>(B)); };
        if (R.Low == R.High) return _mm_cmpeq_epi8(V, Set(R.Low));
        return _mm_cmpgt_epi8(Set(R.High - R.Low - 0x7F), _mm_add_epi8(V, Set(0x80 - R.Low)));
    }
    template <class... TRanges>
    [[gnu::always_inline]] static std::uint64_t In(const Block& X, TRanges... Ranges) {
        return Bits(X, [&](__m128i V) {
            __m128i Found = _mm_setzero_si128();
            ((Found = _mm_or_si128(Found, Inside(V, Ranges))), ...);
            return Found;
        });
    }
    [[gnu::always_inline]] static std::uint64_t Letter(const Block& X) {
        Block Folded;
        for (int I = 0; I < 4; ++I) Folded.Part[I] = _mm_or_si128(X.Part[I], _mm_set1_epi8(0x20));
        return In(Folded, TRange{'a', 'z'});
    }
    [[gnu::always_inline]] static TClasses Classify(const Block& X) {
        return ClassifyByRanges<Sse42>(X);
    }
    [[gnu::always_inline]] static TNarrowClasses Narrow(const Block& X) {
        return NarrowByRanges<Sse42>(X);
    }
    [[gnu::always_inline]] static TTwoByteClasses TwoByte(const Block& X) {
        return TwoByteByRanges<Sse42>(X);
    }
};

} // namespace

void x86::JudgeSse42(judge::detail::TState& S, const std::uint8_t* P, std::size_t N) {
    TJudgeSteps<Sse42>::Run(S, P, N);
}
