// The kernel for x86-64 processors with AVX-512 VBMI and VBMI2 (byte permutes across the
// whole register, byte compression): 64 bytes a step. A lookup reads a whole 256-entry
// table with two permutes, and the text of a step is squeezed together in the register.
#include "KernelBody.h"

#include <immintrin.h>

namespace kana::detail {

namespace {

struct Avx512 {
    using Vec = __m512i;
    // Whether a step does every lookup the plan may need, rather than branch on what
    // its bytes need: cheaper than a mispredicted branch when lookups are cheap.
    static constexpr bool Steady = true;
    static constexpr unsigned V = 64;
    struct Nibbles {
        Vec Classes; // the class bits of every byte
    };

    static Vec Load(const void* P) { return _mm512_loadu_si512(P); }
    // The Count < V bytes at P, zeros after them, and the same one byte further on; the
    // masked loads touch no byte past them.
    static void LoadTail(const std::uint8_t* P, unsigned Count, Vec& Bytes, Vec& Next) {
        const std::uint64_t Mask = ~std::uint64_t{0} >> (64 - Count);
        Bytes = _mm512_maskz_loadu_epi8(_cvtu64_mask64(Mask), P);
        Next = _mm512_maskz_loadu_epi8(_cvtu64_mask64(Mask >> 1), P + 1);
    }
    static void Store(char* W, Vec X) { _mm512_storeu_si512(W, X); }
    static Vec Zero() { return _mm512_setzero_si512(); }
    static Vec Set1(std::uint8_t B) { return _mm512_set1_epi8(static_cast<char>(B)); }
    static Vec Set2(std::uint8_t First, std::uint8_t Second) {
        return _mm512_set1_epi16(static_cast<short>(First | Second << 8));
    }
    static Vec And(Vec A, Vec B) { return _mm512_and_si512(A, B); }
    static Vec Or(Vec A, Vec B) { return _mm512_or_si512(A, B); }
    static Vec Xor(Vec A, Vec B) { return _mm512_xor_si512(A, B); }
    static Vec AndNot(Vec Mask, Vec X) { return _mm512_andnot_si512(Mask, X); }
    using Mask = __mmask64;
    static Mask Eq(Vec A, Vec B) { return _mm512_cmpeq_epi8_mask(A, B); }
    static Mask MaskOf(std::uint64_t Bits) { return _cvtu64_mask64(Bits); }
    static std::uint64_t Bits(Mask M) { return _cvtmask64_u64(M); }
    static Vec Select(Mask M, Vec IfSet, Vec Else) {
        return _mm512_mask_blend_epi8(M, Else, IfSet);
    }
    static Vec ShiftIn1(Vec X) {
        alignas(64) static constexpr std::uint8_t Down[64] = {
            0,  0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
            21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42,
            43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62};
        return _mm512_maskz_permutexvar_epi8(_cvtu64_mask64(~std::uint64_t{1}), Load(Down), X);
    }
    static Nibbles Split(const TKernelTables& T, Vec Bytes) {
        return {Lookup256(T.Classes, Bytes)};
    }
    static std::uint64_t Member(const TKernelTables&, TKernelTables::TSet S, const Nibbles& N) {
        return _cvtmask64_u64(
            _mm512_test_epi8_mask(N.Classes, Set1(static_cast<std::uint8_t>(1u << S))));
    }
    // Table[Key] for every byte: two permutes across two registers each, picked by the
    // key's top bit.
    static Vec Lookup256(const std::uint8_t* Table, Vec Key) {
        return _mm512_mask_blend_epi8(
            _mm512_movepi8_mask(Key), _mm512_permutex2var_epi8(Load(Table), Key, Load(Table + 64)),
            _mm512_permutex2var_epi8(Load(Table + 128), Key, Load(Table + 192)));
    }
    // The entries for the keys (all of them: Need only says which will be used).
    template <unsigned Count>
    static void Lookup(const std::uint8_t (*Tables)[256], std::uint16_t Nibbles, Vec Key,
                       std::uint64_t, Vec (&Found)[Count]) {
        const __mmask64 Upper = _mm512_movepi8_mask(Key);
        for (unsigned K = 0; K < Count; ++K) {
            const std::uint8_t* Table = Tables[K];
            const Vec Below = (Nibbles & 0x00FF)
                                  ? _mm512_permutex2var_epi8(Load(Table), Key, Load(Table + 64))
                                  : Zero();
            const Vec Above = (Nibbles & 0xFF00) ? _mm512_permutex2var_epi8(Load(Table + 128), Key,
                                                                            Load(Table + 192))
                                                 : Zero();
            Found[K] = _mm512_mask_blend_epi8(Upper, Below, Above);
        }
    }
    // The text of the bytes Begin..End - 1.
    static void Emit(char*& W, Vec Text0, Vec Text1, Vec Count, unsigned Begin, unsigned End) {
        const std::uint64_t Range =
            (End == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << End) - 1) &
            ~((std::uint64_t{1} << Begin) - 1);
        const std::uint64_t One = _cvtmask64_u64(_mm512_cmpgt_epi8_mask(Count, Zero())) & Range;
        const std::uint64_t Two = _cvtmask64_u64(_mm512_cmpeq_epi8_mask(Count, Set1(2))) & Range;
        if (Begin == 0 && Two == 0 && One == Range) {
            Store(W, Text0);
            W += End;
            return;
        }
        // Both candidates of the first 32 bytes, then of the last 32.
        alignas(64) static constexpr std::uint8_t Interleave[2][64] = {
            {0,  64, 1,  65, 2,  66, 3,  67, 4,  68, 5,  69, 6,  70, 7,  71, 8,  72, 9,  73, 10, 74,
             11, 75, 12, 76, 13, 77, 14, 78, 15, 79, 16, 80, 17, 81, 18, 82, 19, 83, 20, 84, 21, 85,
             22, 86, 23, 87, 24, 88, 25, 89, 26, 90, 27, 91, 28, 92, 29, 93, 30, 94, 31, 95},
            {32, 96,  33, 97,  34, 98,  35, 99,  36, 100, 37, 101, 38, 102, 39, 103,
             40, 104, 41, 105, 42, 106, 43, 107, 44, 108, 45, 109, 46, 110, 47, 111,
             48, 112, 49, 113, 50, 114, 51, 115, 52, 116, 53, 117, 54, 118, 55, 119,
             56, 120, 57, 121, 58, 122, 59, 123, 60, 124, 61, 125, 62, 126, 63, 127}};
        const Vec First = _mm512_permutex2var_epi8(Text0, Load(Interleave[0]), Text1);
        const Vec Last = _mm512_permutex2var_epi8(Text0, Load(Interleave[1]), Text1);
        if (Begin == 0 && Two == Range) {
            Store(W, First);
            Store(W + 64, Last);
            W += 2 * End;
            return;
        }
        constexpr std::uint64_t Even = 0x5555555555555555ull;
        const std::uint64_t WantFirst = _pdep_u64(One, Even) | _pdep_u64(Two, Even << 1);
        const std::uint64_t WantLast = _pdep_u64(One >> 32, Even) | _pdep_u64(Two >> 32, Even << 1);
        Store(W, _mm512_maskz_compress_epi8(_cvtu64_mask64(WantFirst), First));
        W += __builtin_popcountll(WantFirst);
        if (WantLast) {
            Store(W, _mm512_maskz_compress_epi8(_cvtu64_mask64(WantLast), Last));
            W += __builtin_popcountll(WantLast);
        }
    }
};

} // namespace

const std::uint8_t* x86::ConvertAvx512(const TKernelTables& T, const std::uint8_t* P,
                                       const std::uint8_t* End, char*& W, const char* Limit,
                                       std::int32_t SpLen) {
    return ConvertWith<Avx512>(T, P, End, W, Limit, SpLen);
}

} // namespace kana::detail
