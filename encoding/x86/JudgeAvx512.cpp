// The encoding judge for x86-64 processors with AVX-512 BW: 64 bytes in one register, each
// class one compare straight into a mask.
#include "JudgeBody.h"

#include <immintrin.h>

namespace {

struct Avx512 {
    using Block = __m512i;

    static Block Load(const std::uint8_t* P) { return _mm512_loadu_si512(P); }
    // The Count < 64 bytes at P, zeros after them; the masked load touches no byte past them.
    static Block LoadTail(const std::uint8_t* P, unsigned Count) {
        return _mm512_maskz_loadu_epi8(_cvtu64_mask64(~std::uint64_t{0} >> (64 - Count)), P);
    }
    static std::uint64_t High(Block X) { return _cvtmask64_u64(_mm512_movepi8_mask(X)); }
    static std::uint64_t Eq(Block X, std::uint8_t B) {
        return _cvtmask64_u64(_mm512_cmpeq_epi8_mask(X, _mm512_set1_epi8(static_cast<char>(B))));
    }
    // Low..High: the bytes whose distance above Low is at most High - Low.
    static std::uint64_t Range(Block X, std::uint8_t Low, std::uint8_t High) {
        const Block Above = _mm512_sub_epi8(X, _mm512_set1_epi8(static_cast<char>(Low)));
        return _cvtmask64_u64(
            _mm512_cmple_epu8_mask(Above, _mm512_set1_epi8(static_cast<char>(High - Low))));
    }
    static std::uint64_t Letter(Block X) {
        return Range(_mm512_or_si512(X, _mm512_set1_epi8(0x20)), 'a', 'z');
    }
};

} // namespace

void x86::JudgeAvx512(judge::detail::TState& S, const std::uint8_t* P, std::size_t N) {
    TJudgeSteps<Avx512>(S).Run(P, N);
}
