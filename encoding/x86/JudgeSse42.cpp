// The encoding judge for x86-64 processors with SSE4.2: 64 bytes in four registers; a class
// is a signed compare of the bytes moved so that its range starts at -128.
#include "JudgeBody.h"

#include <cstring>
#include <nmmintrin.h>

namespace {

struct Sse42 {
    struct Block {
        __m128i Part[4];
    };

    static Block Load(const std::uint8_t* P) {
        Block X;
        for (int I = 0; I < 4; ++I)
            X.Part[I] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P + 16 * I));
        return X;
    }
    // The Count < 64 bytes at P, zeros after them.
    static Block LoadTail(const std::uint8_t* P, unsigned Count) {
        alignas(16) std::uint8_t Buffer[64] = {};
        std::memcpy(Buffer, P, Count);
        return Load(Buffer);
    }
    template <class F>
    static std::uint64_t Bits(const Block& X, F&& Test) {
        std::uint64_t M = 0;
        for (int I = 0; I < 4; ++I)
            M |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(Test(X.Part[I])))}
                 << (16 * I);
        return M;
    }
    static std::uint64_t High(const Block& X) {
        return Bits(X, [](__m128i V) { return V; });
    }
    static std::uint64_t Eq(const Block& X, std::uint8_t B) {
        const __m128i Byte = _mm_set1_epi8(static_cast<char>(B));
        return Bits(X, [Byte](__m128i V) { return _mm_cmpeq_epi8(V, Byte); });
    }
    static std::uint64_t Range(const Block& X, std::uint8_t Low, std::uint8_t High) {
        const __m128i Move = _mm_set1_epi8(static_cast<char>(0x80 - Low));
        const __m128i Last = _mm_set1_epi8(static_cast<char>(High - Low - 0x80));
        return ~Bits(X, [&](__m128i V) { return _mm_cmpgt_epi8(_mm_add_epi8(V, Move), Last); });
    }
    static std::uint64_t Letter(const Block& X) {
        Block Folded;
        for (int I = 0; I < 4; ++I) Folded.Part[I] = _mm_or_si128(X.Part[I], _mm_set1_epi8(0x20));
        return Range(Folded, 'a', 'z');
    }
};

} // namespace

void x86::JudgeSse42(judge::detail::TState& S, const std::uint8_t* P, std::size_t N) {
    TJudgeSteps<Sse42>(S).Run(P, N);
}
