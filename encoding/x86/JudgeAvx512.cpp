// The encoding judge for x86-64 processors with AVX-512 BW and VBMI: 64 bytes in one
// register; the classes of the bytes above 0x7F come from one permute of a 128-entry table
// each eight of them, the others from compares.
#include "JudgeBody.h"

#include <immintrin.h>

namespace {

struct Avx512 {
    using Block = __m512i;

    [[gnu::always_inline]] static Block Load(const void* P) { return _mm512_loadu_si512(P); }
    // The Count < 64 bytes at P, zeros after them; the masked load touches no byte past them.
    [[gnu::always_inline]] static Block LoadTail(const std::uint8_t* P, unsigned Count) {
        return _mm512_maskz_loadu_epi8(_cvtu64_mask64(~std::uint64_t{0} >> (64 - Count)), P);
    }
    [[gnu::always_inline]] static std::uint64_t High(Block X) {
        return _cvtmask64_u64(_mm512_movepi8_mask(X));
    }
    template <class... TRanges>
    [[gnu::always_inline]] static std::uint64_t In(Block X, TRanges... Ranges) {
        const auto Inside = [X](TRange Range) {
            const auto Set = [](int B) { return _mm512_set1_epi8(static_cast<char>(B)); };
            if (Range.Low == Range.High) return _mm512_cmpeq_epi8_mask(X, Set(Range.Low));
            return _mm512_cmple_epu8_mask(_mm512_sub_epi8(X, Set(Range.Low)),
                                          Set(Range.High - Range.Low));
        };
        return _cvtmask64_u64((Inside(Ranges) | ...));
    }
    [[gnu::always_inline]] static std::uint64_t Letter(Block X) {
        return In(_mm512_or_si512(X, _mm512_set1_epi8(0x20)), TRange{'a', 'z'});
    }

    static constexpr TClassTable Table = ClassTable();
    // The class bits of table Which for the bytes above 0x7F; zero for the others.
    [[gnu::always_inline]] static Block Lookup(Block X, __mmask64 High, unsigned Which) {
        return _mm512_maskz_permutex2var_epi8(High, Load(Table.Bits[Which]), X,
                                              Load(Table.Bits[Which] + 64));
    }
    [[gnu::always_inline]] static std::uint64_t Bit(Block Classes, unsigned B) {
        return _cvtmask64_u64(
            _mm512_test_epi8_mask(Classes, _mm512_set1_epi8(static_cast<char>(1 << B))));
    }
    [[gnu::always_inline]] static TClasses Classify(Block X) {
        const __mmask64 HighMask = _mm512_movepi8_mask(X);
        const Block A = Lookup(X, HighMask, 0), B = Lookup(X, HighMask, 1);
        TClasses K;
        K.High = _cvtmask64_u64(HighMask);
        K.Cr = In(X, TRange{'\r', '\r'});
        K.Lf = In(X, TRange{'\n', '\n'});
        K.Cont = Bit(A, 0);
        K.Lead2 = Bit(A, 1);
        K.Lead34 = Bit(A, 2);
        K.Lead4 = Bit(A, 3);
        K.Narrow = Bit(A, 4);
        K.SjisLead = Bit(A, 5);
        K.SjisHalf = Bit(A, 6);
        K.SjisTrail = (K.High & ~Bit(A, 7)) | In(X, TRange{0x40, 0x7E});
        K.SjisBad = Bit(B, 0);
        K.SjisCommon = Bit(B, 1);
        K.SjisUnassigned = Bit(B, 2);
        return K;
    }
    [[gnu::always_inline]] static TNarrowClasses Narrow(Block X) {
        const Block B = Lookup(X, _mm512_movepi8_mask(X), 1);
        return {Bit(B, 3),
                Bit(B, 4),
                Bit(Lookup(X, _mm512_movepi8_mask(X), 0), 0) & ~Bit(B, 3) & ~Bit(B, 4),
                Bit(B, 5),
                Bit(B, 6),
                Bit(B, 7)};
    }
    [[gnu::always_inline]] static TTwoByteClasses TwoByte(Block X) {
        const Block C = Lookup(X, _mm512_movepi8_mask(X), 2);
        return {Bit(C, 0), Bit(C, 1), Bit(C, 2), Bit(C, 3), Bit(C, 4), Bit(C, 5), Letter(X)};
    }
};

} // namespace

void x86::JudgeAvx512(judge::detail::TState& S, const std::uint8_t* P, std::size_t N) {
    TJudgeSteps<Avx512>::Run(S, P, N);
}
