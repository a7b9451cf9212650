// The UTF-8 kernel for x86-64 processors with AVX-512 VBMI and VBMI2: 64 bytes a step.
//
// A step finds where characters start, checks that the bytes are well-formed UTF-8, looks
// up the text of every ASCII character and of every character in the rows of kana and
// full-width forms (a half-width letter together with a voicing mark it takes), and writes
// the text of the characters that end inside the step, up to the first one the tables
// leave to the plan. Every other character is copied as it is. Each byte hands out up to
// two bytes of text (an ASCII byte up to three), squeezed together by byte compression.
#include "Utf8Kernels.h"

#include <algorithm>
#include <immintrin.h>

namespace kana::detail {

namespace {

using Vec = __m512i;

Vec Load(const void* P) {
    return _mm512_loadu_si512(P);
}
Vec Set1(std::uint8_t B) {
    return _mm512_set1_epi8(static_cast<char>(B));
}
std::uint64_t Eq(Vec A, std::uint8_t B) {
    return _cvtmask64_u64(_mm512_cmpeq_epi8_mask(A, Set1(B)));
}
std::uint64_t InRange(Vec A, std::uint8_t Low, std::uint8_t High) {
    return _cvtmask64_u64(_mm512_cmple_epu8_mask(_mm512_sub_epi8(A, Set1(Low)), Set1(High - Low)));
}
Vec Select(std::uint64_t Mask, Vec IfSet, Vec Else) {
    return _mm512_mask_blend_epi8(_cvtu64_mask64(Mask), Else, IfSet);
}
std::uint64_t LowBits(unsigned N) {
    return N >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << N) - 1;
}

// Table[Key & 127] for every byte.
Vec Lookup128(const std::uint8_t* Table, Vec Key) {
    return _mm512_permutex2var_epi8(Load(Table), Key, Load(Table + 64));
}
// Table[Key] for every byte of a 256-entry table.
Vec Lookup256(const std::uint8_t* Table, Vec Key) {
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(Key), Lookup128(Table, Key),
                                  Lookup128(Table + 128, Key));
}

// The permutes that move each byte up by one and by two places, zeros in.
struct TUp {
    alignas(64) std::uint8_t By[3][64];
};
constexpr TUp MakeUp() {
    TUp T{};
    for (int N = 1; N <= 2; ++N)
        for (int I = 0; I < 64; ++I) T.By[N][I] = static_cast<std::uint8_t>(I >= N ? I - N : 0);
    return T;
}
alignas(64) constexpr TUp Up = MakeUp();
template <int N>
Vec ShiftUp(Vec X) {
    return _mm512_maskz_permutexvar_epi8(_cvtu64_mask64(~std::uint64_t{0} << N), Load(Up.By[N]), X);
}

// The interleaving permutes for writing: two candidates a byte (the first or last 32
// bytes, as a pair each), and three candidates a byte (21 bytes a chunk, as a triple each).
struct TWeave {
    alignas(64) std::uint8_t Two[2][64];
    alignas(64) std::uint8_t ThreeAB[4][64]; // candidates 0 and 1, from the first two vectors
    alignas(64) std::uint8_t ThreeC[4][64];  // candidate 2 (and the count), from the third
    alignas(64) std::uint8_t Rank[64];       // which candidate of its byte a lane is: 0, 1, 2
};
constexpr TWeave MakeWeave() {
    TWeave T{};
    for (int H = 0; H < 2; ++H)
        for (int I = 0; I < 64; ++I)
            T.Two[H][I] = static_cast<std::uint8_t>(32 * H + I / 2 + (I % 2 ? 64 : 0));
    for (int C = 0; C < 4; ++C)
        for (int I = 0; I < 64; ++I) {
            const int At = 21 * C + I / 3, K = I % 3;
            const int Byte = At < 64 && I < 63 ? At : 63;
            T.ThreeAB[C][I] = static_cast<std::uint8_t>(Byte + (K == 1 ? 64 : 0));
            T.ThreeC[C][I] = static_cast<std::uint8_t>(Byte);
        }
    for (int I = 0; I < 64; ++I) T.Rank[I] = static_cast<std::uint8_t>(I % 3);
    return T;
}
alignas(64) constexpr TWeave Weave = MakeWeave();

// Writes the text of the bytes 0..Keep - 1: candidates C0, C1, C2 and their count per byte.
[[gnu::always_inline]] inline void Emit(char*& W, Vec C0, Vec C1, Vec C2, Vec Count, unsigned Keep) {
    const std::uint64_t Range = LowBits(Keep);
    const std::uint64_t NotOne = _cvtmask64_u64(_mm512_cmpneq_epi8_mask(Count, Set1(1))) & Range;
    if (NotOne == 0) {
        _mm512_storeu_si512(W, C0);
        W += Keep;
        return;
    }
    const std::uint64_t Three = _cvtmask64_u64(_mm512_cmpeq_epi8_mask(Count, Set1(3))) & Range;
    if (Three == 0) {
        const std::uint64_t One =
            _cvtmask64_u64(_mm512_cmpgt_epu8_mask(Count, _mm512_setzero_si512())) & Range;
        const std::uint64_t Two = _cvtmask64_u64(_mm512_cmpeq_epi8_mask(Count, Set1(2))) & Range;
        constexpr std::uint64_t Even = 0x5555555555555555ull;
        for (unsigned H = 0; H < 2 && 32 * H < Keep; ++H) {
            const Vec Pairs = _mm512_permutex2var_epi8(C0, Load(Weave.Two[H]), C1);
            const std::uint64_t Wanted =
                _pdep_u64(One >> (32 * H), Even) | _pdep_u64(Two >> (32 * H), Even << 1);
            _mm512_storeu_si512(W, _mm512_maskz_compress_epi8(_cvtu64_mask64(Wanted), Pairs));
            W += __builtin_popcountll(Wanted);
        }
        return;
    }
    // Bytes (ASCII widened) that write three: triples, 21 bytes a chunk.
    constexpr std::uint64_t RankTwo = 0x4924924924924924ull; // lanes 2, 5, 8, ... 62
    for (unsigned Chunk = 0; Chunk < 4 && 21 * Chunk < Keep; ++Chunk) {
        const Vec AB = _mm512_permutex2var_epi8(C0, Load(Weave.ThreeAB[Chunk]), C1);
        const Vec Triples = _mm512_mask_blend_epi8(
            _cvtu64_mask64(RankTwo), AB, _mm512_permutexvar_epi8(Load(Weave.ThreeC[Chunk]), C2));
        const Vec Counts = _mm512_permutexvar_epi8(Load(Weave.ThreeC[Chunk]), Count);
        const unsigned First = 21 * Chunk, Bytes = Keep - First < 21 ? Keep - First : 21;
        const std::uint64_t Wanted =
            _cvtmask64_u64(_mm512_cmpgt_epu8_mask(Counts, Load(Weave.Rank))) & LowBits(3 * Bytes);
        _mm512_storeu_si512(W, _mm512_maskz_compress_epi8(_cvtu64_mask64(Wanted), Triples));
        W += __builtin_popcountll(Wanted);
    }
}

} // namespace

const std::uint8_t* x86::ConvertUtf8Avx512(const TUtf8KernelTables& T, const std::uint8_t* P,
                                           const std::uint8_t* End, char*& Wref, const char* Limit,
                                           std::int32_t SpLen) {
    const std::size_t TabBytes = SpLen > 0 ? static_cast<std::size_t>(SpLen) * T.TabLen : 0;
    char* W = Wref;
    const Vec Low6 = Set1(0x3F);
    while (End - P >= 70) {
        const Vec V = Load(P), V1 = Load(P + 1), V2 = Load(P + 2);
        const Vec V3 = Load(P + 3), V4 = Load(P + 4), V5 = Load(P + 5);
        const std::uint64_t Ascii = ~_cvtmask64_u64(_mm512_movepi8_mask(V));
        const std::uint64_t Cont = InRange(V, 0x80, 0xBF);
        const std::uint64_t Lead2 = InRange(V, 0xC2, 0xDF), Lead3 = InRange(V, 0xE0, 0xEF),
                            Lead4 = InRange(V, 0xF0, 0xF4);
        const std::uint64_t Starts = ~Cont;
        // Well-formed: continuation bytes exactly where the leads want them, no byte that
        // starts nothing, nothing overlong, no surrogate, nothing past U+10FFFF.
        const std::uint64_t Expected =
            ((Lead2 | Lead3 | Lead4) << 1) | ((Lead3 | Lead4) << 2) | (Lead4 << 3);
        const std::uint64_t Bad =
            (Cont ^ Expected) | InRange(V, 0xC0, 0xC1) | InRange(V, 0xF5, 0xFF) |
            (Eq(V, 0xE0) & InRange(V1, 0x80, 0x9F)) | (Eq(V, 0xED) & InRange(V1, 0xA0, 0xBF)) |
            (Eq(V, 0xF0) & InRange(V1, 0x80, 0x8F)) | (Eq(V, 0xF4) & InRange(V1, 0x90, 0xBF));
        unsigned Keep = 64;
        bool Stops = false; // a character the plan converts comes next
        if (Bad) {
            Stops = true;
            // The characters before the first bad byte's own are well formed.
            const unsigned First = static_cast<unsigned>(__builtin_ctzll(Bad));
            const std::uint64_t Before = Starts & LowBits(First >= 3 ? First - 2 : 0);
            Keep = Before ? 63 - static_cast<unsigned>(__builtin_clzll(Before)) : 0;
        }
        // A character that reaches past the step waits for the next.
        const std::uint64_t Cross =
            (Lead2 & (1ull << 63)) | (Lead3 & (3ull << 62)) | (Lead4 & (7ull << 61));
        if (Cross) Keep = std::min(Keep, static_cast<unsigned>(__builtin_ctzll(Cross)));

        // The rows: E3 80..83 are slots 0..3, EF BC..BF slots 4..7; only the characters of
        // rows where some character changes are looked up.
        const std::uint64_t LedE3 = Eq(V, 0xE3), LedEF = Eq(V, 0xEF);
        const Vec Second = _mm512_and_si512(V1, Set1(0xFC));
        const std::uint64_t AnyRow =
            ((LedE3 & Eq(Second, 0x80)) | (LedEF & Eq(Second, 0xBC))) & Starts;
        std::uint64_t InRow = 0;
        if (AnyRow) {
            const Vec Slot = _mm512_or_si512(_mm512_and_si512(V1, Set1(3)),
                                             _mm512_and_si512(V, Set1(4))); // EF has bit 2, E3 not
            InRow = AnyRow & _cvtmask64_u64(_mm512_test_epi8_mask(
                                 _mm512_permutexvar_epi8(Slot, Load(T.SlotChanges)), Set1(1)));
        }
        const std::uint64_t AsciiChanges =
            Ascii ? Ascii & _cvtmask64_u64(_mm512_test_epi8_mask(Lookup128(T.AsciiChanges, V), Set1(1)))
                  : 0;
        const std::uint64_t OtherLeads = Starts & ~Ascii & ~AnyRow & (Lead2 | Lead3 | Lead4);
        std::uint64_t Back =
            OtherLeads ? OtherLeads & _cvtmask64_u64(_mm512_test_epi8_mask(Lookup256(T.BackLead, V),
                                                                            Set1(1)))
                       : 0;
        if (!(AsciiChanges | InRow | Back | Bad | Cross)) { // nothing changes: copied
            _mm512_storeu_si512(W, V);
            W += 64;
            P += 64;
            continue;
        }

        Vec C0 = V, C1 = _mm512_setzero_si512(), C2 = C1, Count = Set1(1);
        std::uint64_t Tabs = 0; // tabs whose spaces are written here
        std::uint64_t Takes = 0; // letters that take the voicing mark after them
        if (AsciiChanges & LowBits(Keep)) {
            const Vec AsciiCount = Lookup128(T.Ascii[3], V);
            Back |= Ascii & Eq(AsciiCount, TUtf8KernelTables::AsciiBack);
            Tabs = Ascii & Eq(AsciiCount, TUtf8KernelTables::AsciiTab);
            C0 = Select(Ascii, Lookup128(T.Ascii[0], V), C0);
            C1 = Select(Ascii, Lookup128(T.Ascii[1], V), C1);
            C2 = Select(Ascii, Lookup128(T.Ascii[2], V), C2);
            Count = Select(Ascii, AsciiCount, Count);
        }
        if (InRow & LowBits(Keep)) {
            // Key: the slot's two low bits and the third byte's six; E3 and EF rows have a
            // table of 256 each.
            const Vec Key = _mm512_or_si512(_mm512_and_si512(V2, Low6),
                                            _mm512_and_si512(_mm512_slli_epi16(V1, 6), Set1(0xC0)));
            const std::uint64_t OfEF = LedEF & InRow, OfE3 = InRow & ~OfEF;
            const __mmask64 UpperHalf = _mm512_movepi8_mask(Key);
            const auto Half = [&](const std::uint8_t* Table) {
                return _mm512_mask_blend_epi8(UpperHalf, Lookup128(Table, Key), Lookup128(Table + 128, Key));
            };
            const auto RowTable = [&](int K) {
                Vec U = OfE3 ? Half(T.Row[K][0]) : _mm512_setzero_si512();
                return OfEF ? Select(OfEF, Half(T.Row[K][2]), U) : U;
            };
            // Texts of up to three bytes take one candidate a byte; the second candidates
            // are read only for a step that holds a longer one.
            Vec Unit[7];
            Unit[6] = RowTable(6);
            const bool Long = InRow & _cvtmask64_u64(_mm512_cmpgt_epu8_mask(Unit[6], Set1(3)));
            for (int K = 0; K < 6; ++K)
                Unit[K] = K % 2 == 0 || Long ? RowTable(K) : _mm512_setzero_si512();
            // A half-width letter (EF BD, EF BE) followed by ﾞ or ﾟ (EF BE 9E, 9F) that it
            // takes: the two as one text; the mark writes nothing of its own.
            const std::uint64_t MarkNext = Eq(V3, 0xEF) & Eq(V4, 0xBE) &
                                           Eq(_mm512_and_si512(V5, Set1(0xFE)), 0x9E);
            const std::uint64_t Letters =
                InRow & LedEF & (Eq(V1, 0xBD) | Eq(V1, 0xBE)) & MarkNext;
            if (Letters) {
                const Vec MergeKey = _mm512_or_si512(
                    _mm512_and_si512(V2, Low6),
                    _mm512_and_si512(_mm512_slli_epi16(_mm512_sub_epi8(V1, Set1(1)), 6), Set1(0x40)));
                const std::uint64_t Semi = Eq(_mm512_and_si512(V5, Set1(1)), 1);
                Vec Merged[7];
                for (int K = 0; K < 7; ++K)
                    Merged[K] = Select(Semi, Lookup128(T.Merged[1][K], MergeKey),
                                       Lookup128(T.Merged[0][K], MergeKey));
                Takes = Letters & ~Eq(Merged[6], TUtf8KernelTables::NoMerge);
                // A mark takes a mark after it too: where a taker is itself taken, which
                // pairs go together depends on the run, left to the plan from its first.
                Back |= (Takes & (Takes << 3)) >> 3;
                for (int K = 0; K < 7; ++K) Unit[K] = Select(Takes, Merged[K], Unit[K]);
                // A letter whose mark reaches past the step waits for the next.
                const std::uint64_t TakesCross = Takes & (~std::uint64_t{0} << 58);
                if (TakesCross)
                    Keep = std::min(Keep, static_cast<unsigned>(__builtin_ctzll(TakesCross)));
            }
            const Vec Total = Unit[6];
            Back |= InRow & Eq(Total, TUtf8KernelTables::RowBack);
            // How many bytes of the text each of the character's bytes hands out: byte K one
            // when the text has more than K, and another when it has more than K + 3.
            const auto Share = [&Total](std::uint8_t K) {
                const Vec One = Set1(1);
                return _mm512_add_epi8(
                    _mm512_maskz_mov_epi8(_mm512_cmpgt_epu8_mask(Total, Set1(K)), One),
                    _mm512_maskz_mov_epi8(_mm512_cmpgt_epu8_mask(Total, Set1(K + 3)), One));
            };
            const Vec Count0 = Share(0), Count1 = Share(1), Count2 = Share(2);
            const std::uint64_t Second1 = InRow << 1, Third = InRow << 2;
            C0 = Select(InRow, Unit[0], Select(Second1, ShiftUp<1>(Unit[2]),
                                               Select(Third, ShiftUp<2>(Unit[4]), C0)));
            C1 = Select(InRow, Unit[1], Select(Second1, ShiftUp<1>(Unit[3]),
                                               Select(Third, ShiftUp<2>(Unit[5]), C1)));
            C2 = Select(InRow | Second1 | Third, _mm512_setzero_si512(), C2);
            Count = Select(InRow, Count0, Select(Second1, ShiftUp<1>(Count1),
                                                 Select(Third, ShiftUp<2>(Count2), Count)));
            const std::uint64_t Taken = (Takes << 3) | (Takes << 4) | (Takes << 5);
            Count = Select(Taken, _mm512_setzero_si512(), Count);
        }
        if (Back & LowBits(Keep)) {
            Keep = static_cast<unsigned>(__builtin_ctzll(Back));
            Stops = true;
        }
        // Never between a letter and the mark it takes.
        if (const std::uint64_t Split = Takes & LowBits(Keep) & ~LowBits(Keep > 5 ? Keep - 5 : 0))
            Keep = static_cast<unsigned>(__builtin_ctzll(Split));
        // The text up to each tab, the tab's spaces (while they leave room for the rest), and
        // so on.
        unsigned Begin = 0;
        Count = Select(Tabs, _mm512_setzero_si512(), Count);
        for (std::uint64_t Pending = Tabs & LowBits(Keep); Pending != 0; Pending &= Pending - 1) {
            const auto At = static_cast<unsigned>(__builtin_ctzll(Pending));
            const std::size_t Rest = static_cast<std::size_t>(End - P) - At - 1;
            const auto Room = static_cast<std::size_t>(Limit - W);
            if (TabBytes > Room || Room - TabBytes < 3 * Rest + 3 * 64 + Utf8KernelSlack) {
                Keep = At; // the plan makes room
                Stops = true;
                break;
            }
            Emit(W, C0, C1, C2, _mm512_maskz_mov_epi8(_cvtu64_mask64(LowBits(At) & ~LowBits(Begin)), Count), At);
            const Vec Run = _mm512_load_si512(T.TabRun);
            for (std::size_t I = 0; I < TabBytes; I += T.TabStep) _mm512_storeu_si512(W + I, Run);
            W += TabBytes;
            Begin = At + 1;
        }
        if (Keep > Begin)
            Emit(W, C0, C1, C2, _mm512_maskz_mov_epi8(_cvtu64_mask64(~LowBits(Begin)), Count), Keep);
        P += Keep;
        if (Stops || Keep == 0) break;
    }
    Wref = W;
    return P;
}

} // namespace kana::detail
