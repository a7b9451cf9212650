// The kernel for x86-64 processors with SSE4.2 and POPCNT: 16 bytes a step. Lookups
// read the tables 16 entries at a time, one high nibble after another, and only under
// the high nibbles where a table holds anything.
#include "Compress.h"
#include "KernelBody.h"

#include <immintrin.h>

namespace kana::detail {

namespace {

struct Sse42 {
    using Vec = __m128i;
    // Whether a step does every lookup the plan may need, rather than branch on what
    // its bytes need: cheaper than a mispredicted branch when lookups are cheap.
    static constexpr bool Steady = false;
    static constexpr unsigned V = 16;
    struct Nibbles {
        Vec Low, OneHot, Bytes;
    };

    static Vec Load(const std::uint8_t* P) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
    }
    // The Count < V bytes at P, zeros after them, and the same one byte further on.
    static void LoadTail(const std::uint8_t* P, unsigned Count, Vec& Bytes, Vec& Next) {
        alignas(64) std::uint8_t Buffer[2 * V];
        Store(reinterpret_cast<char*>(Buffer), Zero());
        Store(reinterpret_cast<char*>(Buffer) + V, Zero());
        std::memcpy(Buffer, P, Count);
        Bytes = Load(Buffer);
        Next = Load(Buffer + 1);
    }
    static void Store(char* W, Vec X) { _mm_storeu_si128(reinterpret_cast<__m128i*>(W), X); }
    static Vec Zero() { return _mm_setzero_si128(); }
    static Vec Set1(std::uint8_t B) { return _mm_set1_epi8(static_cast<char>(B)); }
    static Vec Set2(std::uint8_t First, std::uint8_t Second) {
        return _mm_set1_epi16(static_cast<short>(First | Second << 8));
    }
    static Vec And(Vec A, Vec B) { return _mm_and_si128(A, B); }
    static Vec Or(Vec A, Vec B) { return _mm_or_si128(A, B); }
    static Vec Xor(Vec A, Vec B) { return _mm_xor_si128(A, B); }
    static Vec AndNot(Vec Mask, Vec X) { return _mm_andnot_si128(Mask, X); }
    static Vec Eq(Vec A, Vec B) { return _mm_cmpeq_epi8(A, B); }
    using Mask = Vec; // 0xFF in the bytes it holds
    static Vec MaskOf(std::uint64_t Bits) { return Expand(Bits); }
    static Vec Select(Vec Mask, Vec IfSet, Vec Else) { return _mm_blendv_epi8(Else, IfSet, Mask); }
    static std::uint64_t Bits(Vec Mask) {
        return static_cast<std::uint16_t>(_mm_movemask_epi8(Mask));
    }
    static Vec Expand(std::uint64_t Bits) {
        const Vec Spread =
            _mm_shuffle_epi8(_mm_set1_epi16(static_cast<short>(Bits)),
                             _mm_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1));
        const Vec Bit = _mm_set1_epi64x(static_cast<long long>(0x8040201008040201ull));
        return _mm_cmpeq_epi8(_mm_and_si128(Spread, Bit), Bit);
    }
    // Each byte moved one place up; zero first.
    static Vec ShiftIn1(Vec X) { return _mm_slli_si128(X, 1); }
    static Nibbles Split(const TKernelTables&, Vec Bytes) {
        const Vec OneHot = _mm_setr_epi8(1, 2, 4, 8, 16, 32, 64, static_cast<char>(128), 1, 2, 4, 8,
                                         16, 32, 64, static_cast<char>(128));
        const Vec Low = _mm_and_si128(Bytes, Set1(0x0F));
        const Vec High = _mm_and_si128(_mm_srli_epi16(Bytes, 4), Set1(0x0F));
        return {Low, _mm_shuffle_epi8(OneHot, High), Bytes};
    }
    static std::uint64_t Member(const TKernelTables& T, TKernelTables::TSet S, const Nibbles& N) {
        const TKernelTables::TByteSet& Set = T.Sets[S];
        const Vec Row = _mm_blendv_epi8(_mm_shuffle_epi8(Load(Set.Lo[0]), N.Low),
                                        _mm_shuffle_epi8(Load(Set.Lo[1]), N.Low), N.Bytes);
        return ~Bits(Eq(And(Row, N.OneHot), Zero())) & 0xFFFFu;
    }
    // The entries for the keys at the bytes in Need; zero elsewhere. Only the high
    // nibbles that both the tables and those keys have are read.
    template <unsigned Count>
    static void Lookup(const std::uint8_t (*Tables)[256], std::uint16_t Nibbles, Vec Key,
                       std::uint64_t Need, Vec (&Found)[Count]) {
        for (Vec& F : Found) F = Zero();
        const Vec High = And(_mm_srli_epi16(Key, 4), Set1(0x0F));
        const Vec Low = And(Key, Set1(0x0F));
        for (unsigned M = Nibbles; M != 0; M &= M - 1) {
            const unsigned Nibble = static_cast<unsigned>(__builtin_ctz(M));
            const Vec Under = Eq(High, Set1(static_cast<std::uint8_t>(Nibble)));
            if (!(Bits(Under) & Need)) continue;
            // Keys under other nibbles get their top bit set, which the shuffle turns into
            // zero.
            const Vec Index = Or(Low, AndNot(Under, Set1(0x80)));
            for (unsigned K = 0; K < Count; ++K)
                Found[K] = Or(Found[K], _mm_shuffle_epi8(Load(Tables[K] + 16 * Nibble), Index));
        }
    }
    // The text of the bytes Begin..End - 1.
    static void Emit(char*& W, Vec Text0, Vec Text1, Vec Count, unsigned Begin, unsigned End) {
        const std::uint64_t Range =
            ((std::uint64_t{1} << End) - 1) & ~((std::uint64_t{1} << Begin) - 1);
        const std::uint64_t One = Bits(_mm_cmpgt_epi8(Count, Zero())) & Range;
        const std::uint64_t Two = Bits(Eq(Count, Set1(2))) & Range;
        if (Begin == 0 && Two == 0 && One == Range) {
            Store(W, Text0);
            W += End;
            return;
        }
        const Vec Low = _mm_unpacklo_epi8(Text0, Text1), High = _mm_unpackhi_epi8(Text0, Text1);
        if (Begin == 0 && Two == Range) {
            Store(W, Low);
            Store(W + 16, High);
            W += 2 * End;
            return;
        }
        if (Begin < 8) Squeeze16(W, Low, Wanted8(One, Two, 0));
        if (End > 8) Squeeze16(W, High, Wanted8(One, Two, 8));
    }
};

} // namespace

const std::uint8_t* x86::ConvertSse42(const TKernelTables& T, const std::uint8_t* P,
                                      const std::uint8_t* End, char*& W, const char* Limit,
                                      std::int32_t SpLen) {
    return ConvertWith<Sse42>(T, P, End, W, Limit, SpLen);
}

} // namespace kana::detail
