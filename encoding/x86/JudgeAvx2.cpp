// The encoding judge for x86-64 processors with AVX2: 64 bytes in two registers; a class is
// a union of ranges, each a compare.
#include "JudgeBody.h"

#include <cstring>
#include <immintrin.h>

namespace {

struct Avx2 {
    struct Block {
        __m256i Low, High;
    };

    [[gnu::always_inline]] static Block Load(const std::uint8_t* P) {
        return {_mm256_loadu_si256(reinterpret_cast<const __m256i*>(P)),
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(P + 32))};
    }
    // The Count < 64 bytes at P, zeros after them.
    [[gnu::always_inline]] static Block LoadTail(const std::uint8_t* P, unsigned Count) {
        alignas(32) std::uint8_t Buffer[64] = {};
        std::memcpy(Buffer, P, Count);
        return Load(Buffer);
    }
    [[gnu::always_inline]] static std::uint64_t Bits(__m256i Low, __m256i High) {
        return static_cast<std::uint32_t>(_mm256_movemask_epi8(Low)) |
               std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(High))} << 32;
    }
    [[gnu::always_inline]] static std::uint64_t High(const Block& X) { return Bits(X.Low, X.High); }
    // The bytes of V in R: equal, or below its end once moved so that R starts at -128.
    [[gnu::always_inline]] static __m256i Inside(__m256i V, TRange R) {
        const auto Set = [](int B) { return _mm256_set1_epi8(static_cast<char>(B)); };
        if (R.Low == R.High) return _mm256_cmpeq_epi8(V, Set(R.Low));
        return _mm256_cmpgt_epi8(Set(R.High - R.Low - 0x7F), _mm256_add_epi8(V, Set(0x80 - R.Low)));
    }
    template <class... TRanges>
    [[gnu::always_inline]] static std::uint64_t In(const Block& X, TRanges... Ranges) {
        const auto Any = [&](__m256i V) {
            __m256i Found = _mm256_setzero_si256();
            ((Found = _mm256_or_si256(Found, Inside(V, Ranges))), ...);
            return Found;
        };
        return Bits(Any(X.Low), Any(X.High));
    }
    [[gnu::always_inline]] static std::uint64_t Letter(const Block& X) {
        const __m256i Case = _mm256_set1_epi8(0x20);
        return In(Block{_mm256_or_si256(X.Low, Case), _mm256_or_si256(X.High, Case)},
                  TRange{'a', 'z'});
    }
    [[gnu::always_inline]] static TClasses Classify(const Block& X) {
        return ClassifyByRanges<Avx2>(X);
    }
    [[gnu::always_inline]] static TNarrowClasses Narrow(const Block& X) {
        return NarrowByRanges<Avx2>(X);
    }
    [[gnu::always_inline]] static TTwoByteClasses TwoByte(const Block& X) {
        return TwoByteByRanges<Avx2>(X);
    }
};

} // namespace

void x86::JudgeAvx2(judge::detail::TState& S, const std::uint8_t* P, std::size_t N) {
    TJudgeSteps<Avx2>::Run(S, P, N);
}
