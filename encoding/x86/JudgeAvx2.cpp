// The encoding judge for x86-64 processors with AVX2: 64 bytes in two registers; a class is
// a signed compare of the bytes moved so that its range starts at -128.
#include "JudgeBody.h"

#include <cstring>
#include <immintrin.h>

namespace {

struct Avx2 {
    struct Block {
        __m256i Low, High;
    };

    static Block Load(const std::uint8_t* P) {
        return {_mm256_loadu_si256(reinterpret_cast<const __m256i*>(P)),
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(P + 32))};
    }
    // The Count < 64 bytes at P, zeros after them.
    static Block LoadTail(const std::uint8_t* P, unsigned Count) {
        alignas(32) std::uint8_t Buffer[64] = {};
        std::memcpy(Buffer, P, Count);
        return Load(Buffer);
    }
    static std::uint64_t Bits(__m256i Low, __m256i High) {
        return static_cast<std::uint32_t>(_mm256_movemask_epi8(Low)) |
               std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(High))} << 32;
    }
    static std::uint64_t High(const Block& X) { return Bits(X.Low, X.High); }
    static std::uint64_t Eq(const Block& X, std::uint8_t B) {
        const __m256i Byte = _mm256_set1_epi8(static_cast<char>(B));
        return Bits(_mm256_cmpeq_epi8(X.Low, Byte), _mm256_cmpeq_epi8(X.High, Byte));
    }
    static std::uint64_t Range(const Block& X, std::uint8_t Low, std::uint8_t High) {
        const __m256i Move = _mm256_set1_epi8(static_cast<char>(0x80 - Low));
        const __m256i Last = _mm256_set1_epi8(static_cast<char>(High - Low - 0x80));
        return ~Bits(_mm256_cmpgt_epi8(_mm256_add_epi8(X.Low, Move), Last),
                     _mm256_cmpgt_epi8(_mm256_add_epi8(X.High, Move), Last));
    }
    static std::uint64_t Letter(const Block& X) {
        const __m256i Case = _mm256_set1_epi8(0x20);
        return Range({_mm256_or_si256(X.Low, Case), _mm256_or_si256(X.High, Case)}, 'a', 'z');
    }
};

} // namespace

void x86::JudgeAvx2(judge::detail::TState& S, const std::uint8_t* P, std::size_t N) {
    TJudgeSteps<Avx2>(S).Run(P, N);
}
