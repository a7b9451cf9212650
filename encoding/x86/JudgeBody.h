// The encoding judge's vector step, written once over an instruction set I (JudgeSse42.cpp,
// JudgeAvx2.cpp, JudgeAvx512.cpp): I sorts 64 bytes into classes, one bit a byte in 64-bit
// masks, and the rest is arithmetic on those masks. Each file that includes this compiles
// it for its own instruction set, with traits of its own, so no code is shared between
// them.
//
// The events are those of the reference, found from each byte and the three before it: a
// UTF-8 character ends at its last byte, a sequence is cut at the first byte that does
// not continue it, a two-byte character is told apart at the byte after it; a Shift-JIS
// lead byte takes the next byte, every other one in a run of bytes that can lead. The
// verdict is taken after each byte only in a step where the margin could reach the other
// side, or where the first byte above 0x7F or the byte-order mark is.
#pragma once

#include "JudgeSteps.h"

#include <algorithm>

namespace {

using judge::detail::TState;

// The classes of 64 bytes that every step reads, one bit a byte.
struct TClasses {
    std::uint64_t High, Cr, Lf;
    // UTF-8: continuation bytes; lead bytes of two, three or four, four bytes; lead bytes
    // that narrow the range of the second byte: E0, ED, F0, F4.
    std::uint64_t Cont, Lead2, Lead34, Lead4, Narrow;
    // Shift-JIS: lead bytes, second bytes, invalid single bytes, half-width katakana;
    // lead bytes by their rows.
    std::uint64_t SjisLead, SjisTrail, SjisBad, SjisHalf, SjisCommon, SjisUnassigned;
};

// The classes read only after lead bytes that narrow the second byte's range: second
// bytes 80..8F, 90..9F, A0..BF; lead bytes whose second byte may not be 80..8F (E0, F0),
// 90..9F (E0, F4), A0..BF (ED, F4).
struct TNarrowClasses {
    std::uint64_t To8F, To9F, ToBF, No8x, No9x, NoAB;
};

// The classes that tell two-byte characters apart, read only where there are some: lead
// bytes C3..CC, C3, CD; second bytes A1..BF, A1..AF, B7; ASCII letters.
struct TTwoByteClasses {
    std::uint64_t Latin, C3, Cd, HalfWidth, ToAf, Divide, Letter;
};

// A mask moved up by K bytes, the last K bits of the step before (Carry, its last byte on
// top) coming in at the bottom: bit P tells about the byte K before P.
template <unsigned K>
std::uint64_t Back(std::uint64_t M, std::uint64_t Carry) {
    return M << K | Carry >> (64 - K);
}

// The bits below Bit (< 64).
std::uint64_t Below(unsigned Bit) {
    return (std::uint64_t{1} << Bit) - 1;
}

std::uint64_t Count(std::uint64_t M) {
    return static_cast<std::uint64_t>(__builtin_popcountll(M));
}

constexpr std::uint64_t EvenBits = 0x5555555555555555ull, OddBits = ~EvenBits;

// The events of a step, one bit at the byte where each counts, in the order of the weights
// below.
struct TEvents {
    enum : unsigned {
        Stray,     // UTF-8: a continuation byte no character takes
        Bad,       // ... a byte that is neither: C0, C1, F5..FF
        Cut,       // ... a lead byte and what continued it, cut short by this byte
        Three,     // ... the last byte of a three-byte character
        Four,      // ... of a four-byte character
        InWord,    // ... the byte after a two-byte character beside an ASCII letter
        Alone,     // ... after a two-byte letter apart that is half-width katakana too
        TwoByte,   // ... after another two-byte character
        LeadAlone, // Shift-JIS: a lead byte's second byte that is none
        SjisBad,   // ... an invalid single byte
        Common,    // ... the second byte of a double-byte character, by its row
        Rare,      //
        Unassigned,
        HalfWidth, // ... a half-width katakana
        Kinds
    };
    std::uint64_t At[Kinds] = {};
    // The start of the sequence each cut ends: 1..3 bytes back.
    std::uint64_t Cut1 = 0, Cut2 = 0, Cut3 = 0;

    std::uint64_t Utf8Invalid() const { return At[Stray] | At[Bad] | At[Cut]; }
};

// What each event adds to the margin (UTF-8's score less Shift-JIS's).
constexpr int Weights[TEvents::Kinds] = {
    judge::Utf8Invalid,     judge::Utf8Invalid,   judge::Utf8Invalid,  judge::ThreeByte,
    judge::FourByte,        judge::TwoByteInWord, judge::TwoByteAlone, judge::TwoByteOther,
    -judge::SjisInvalid,    -judge::SjisInvalid,  -judge::SjisCommon,  -judge::SjisRare,
    -judge::SjisUnassigned, -judge::SjisHalfWidth};

// A range of byte values, Low..High.
struct TRange {
    std::uint8_t Low, High;
};

// The classes by compares of byte ranges, for instruction sets whose compares are cheaper
// than lookups in a table of 128 entries: I::In(X, Ranges...) gives the mask of the bytes
// in any of the ranges, I::High(X) that of the bytes above 0x7F.
template <class I>
[[gnu::always_inline]] inline TClasses ClassifyByRanges(const typename I::Block& X) {
    TClasses K;
    K.High = I::High(X);
    K.Cr = I::In(X, TRange{'\r', '\r'});
    K.Lf = I::In(X, TRange{'\n', '\n'});
    K.Cont = I::In(X, TRange{0x80, 0xBF});
    K.Lead2 = I::In(X, TRange{0xC2, 0xDF});
    K.Lead34 = I::In(X, TRange{0xE0, 0xF4});
    K.Lead4 = I::In(X, TRange{0xF0, 0xF4});
    K.Narrow = K.Lead34 ? I::In(X, TRange{0xE0, 0xE0}, TRange{0xED, 0xED}, TRange{0xF0, 0xF0},
                                TRange{0xF4, 0xF4})
                        : 0;
    const std::uint64_t FdFf = I::In(X, TRange{0xFD, 0xFF});
    K.SjisLead = I::In(X, TRange{0x81, 0x9F}, TRange{0xE0, 0xFC});
    K.SjisTrail = (K.High & ~FdFf) | I::In(X, TRange{0x40, 0x7E});
    K.SjisBad = I::In(X, TRange{0x80, 0x80}, TRange{0xA0, 0xA0}, TRange{0xFD, 0xFF});
    K.SjisHalf = I::In(X, TRange{0xA1, 0xDF});
    K.SjisCommon = I::In(X, TRange{0x81, 0x84}, TRange{0x88, 0x9F});
    K.SjisUnassigned =
        I::In(X, TRange{0x85, 0x86}, TRange{0xEB, 0xEC}, TRange{0xEF, 0xEF}, TRange{0xF0, 0xF9});
    return K;
}

template <class I>
[[gnu::always_inline]] inline TNarrowClasses NarrowByRanges(const typename I::Block& X) {
    return {I::In(X, TRange{0x80, 0x8F}),
            I::In(X, TRange{0x90, 0x9F}),
            I::In(X, TRange{0xA0, 0xBF}),
            I::In(X, TRange{0xE0, 0xE0}, TRange{0xF0, 0xF0}),
            I::In(X, TRange{0xE0, 0xE0}, TRange{0xF4, 0xF4}),
            I::In(X, TRange{0xED, 0xED}, TRange{0xF4, 0xF4})};
}

template <class I>
[[gnu::always_inline]] inline TTwoByteClasses TwoByteByRanges(const typename I::Block& X) {
    return {I::In(X, TRange{0xC3, 0xCC}),
            I::In(X, TRange{0xC3, 0xC3}),
            I::In(X, TRange{0xCD, 0xCD}),
            I::In(X, TRange{0xA1, 0xBF}),
            I::In(X, TRange{0xA1, 0xAF}),
            I::In(X, TRange{0xB7, 0xB7}),
            I::Letter(X)};
}

// The classes of the bytes 0x80..0xFF, a byte of class bits for each: for lookups of a
// whole table, as AVX-512 VBMI's permutes do. Bits: [0] continuation, lead 2, lead 3 or 4,
// lead 4, narrowing lead, Shift-JIS lead, half-width katakana, no Shift-JIS second byte;
// [1] invalid Shift-JIS single, common row, unassigned row, 80..8F, 90..9F, no 8x, no 9x,
// no A0..BF after it; [2] C3..CC, C3, CD, A1..BF, A1..AF, B7.
struct TClassTable {
    alignas(64) std::uint8_t Bits[3][128];
};

constexpr TClassTable ClassTable() {
    TClassTable T{};
    for (unsigned B = 0x80; B <= 0xFF; ++B) {
        const auto In = [B](unsigned Low, unsigned High) { return B >= Low && B <= High; };
        const bool Flags[3][8] = {{In(0x80, 0xBF), In(0xC2, 0xDF), In(0xE0, 0xF4), In(0xF0, 0xF4),
                                   B == 0xE0 || B == 0xED || B == 0xF0 || B == 0xF4,
                                   In(0x81, 0x9F) || In(0xE0, 0xFC), In(0xA1, 0xDF), B >= 0xFD},
                                  {B == 0x80 || B == 0xA0 || B >= 0xFD,
                                   In(0x81, 0x84) || In(0x88, 0x9F),
                                   In(0x85, 0x86) || In(0xEB, 0xEC) || B == 0xEF || In(0xF0, 0xF9),
                                   In(0x80, 0x8F), In(0x90, 0x9F), B == 0xE0 || B == 0xF0,
                                   B == 0xE0 || B == 0xF4, B == 0xED || B == 0xF4},
                                  {In(0xC3, 0xCC), B == 0xC3, B == 0xCD, In(0xA1, 0xBF),
                                   In(0xA1, 0xAF), B == 0xB7, false, false}};
        for (unsigned Byte = 0; Byte < 3; ++Byte)
            for (unsigned Bit = 0; Bit < 8; ++Bit)
                T.Bits[Byte][B - 0x80] |= static_cast<std::uint8_t>(Flags[Byte][Bit] << Bit);
    }
    return T;
}

template <class I>
class TJudgeSteps {
public:
    // Works on a copy of the state, which the compiler may keep in registers: the
    // caller's state is written back once, at the end.
    static void Run(TState& State, const std::uint8_t* P, std::size_t N) {
        TJudgeSteps Steps(State);
        for (; N >= 64; P += 64, N -= 64) Steps.template Step<true>(I::Load(P), 64);
        if (N)
            Steps.template Step<false>(I::LoadTail(P, static_cast<unsigned>(N)),
                                       static_cast<unsigned>(N));
        Steps.S.Margin = Steps.ExactMargin();
        State = Steps.S;
    }

private:
    using TCarried = judge::detail::TCarried;

    explicit TJudgeSteps(const TState& State) : S(State), Known(State.Margin) {}

    // Keeps the mask of a step's N bytes for the next step, the last byte on top.
    template <bool Full>
    void Carry(TCarried C, std::uint64_t M, unsigned N) {
        std::uint64_t& To = S.Carry[C];
        To = Full ? M : M << (64 - N) | To >> N;
    }

    template <bool Full>
    [[gnu::always_inline]] void Step(const typename I::Block& X, unsigned N) {
        using namespace judge::detail;
        const std::uint64_t Valid = Full ? ~std::uint64_t{0} : Below(N);
        const std::uint64_t* const C = S.Carry;
        const std::uint64_t High = I::High(X);
        // Bytes below 0x80 that no character before them waits for: lines alone.
        if (High == 0 && (C[cHigh] >> 61) == 0) {
            const std::uint64_t Cr = I::In(X, TRange{'\r', '\r'}),
                                Lf = I::In(X, TRange{'\n', '\n'});
            Lines(Cr | (Lf & ~Back<1>(Cr, C[cCr])), Cr | Lf, Valid);
            // The other classes are of bytes above 0x7F: the last three bits of each are
            // zero already, and only those are read.
            Carry<Full>(cLetter, I::Letter(X), N);
            Carry<Full>(cCr, Cr, N);
            Since += N;
            S.Offset += N;
            return;
        }
        // The bytes after the N of a step are zeros, in no class.
        const TClasses K = I::Classify(X);
        const std::uint64_t LineEnds = K.Cr | (K.Lf & ~Back<1>(K.Cr, C[cCr]));
        TEvents V;

        // Read as UTF-8. The second byte's range is narrower after E0, ED, F0 and F4.
        TNarrowClasses R{};
        std::uint64_t OutOfRange = 0;
        if ((K.Narrow | (C[cNo8x] | C[cNo9x] | C[cNoAB]) >> 63) != 0) [[unlikely]] {
            R = I::Narrow(X);
            OutOfRange = (Back<1>(R.No8x, C[cNo8x]) & R.To8F) |
                         (Back<1>(R.No9x, C[cNo9x]) & R.To9F) |
                         (Back<1>(R.NoAB, C[cNoAB]) & R.ToBF);
        }
        const std::uint64_t Lead = K.Lead2 | K.Lead34;
        const std::uint64_t LeadBack = Back<1>(Lead, C[cLead]);
        const std::uint64_t Second = K.Cont & LeadBack & ~OutOfRange;
        const std::uint64_t SecondBack = Back<1>(Second, C[cSecond]);
        const std::uint64_t Lead34Back2 = Back<2>(K.Lead34, C[cLead34]);
        const std::uint64_t Third = K.Cont & SecondBack & Lead34Back2;
        std::uint64_t Fourth = 0, Lead4Back2 = 0;
        V.Cut1 = LeadBack & ~Second & Valid;
        V.Cut2 = SecondBack & Lead34Back2 & ~Third & Valid;
        if ((K.Lead4 | C[cLead4] >> 61) != 0) [[unlikely]] {
            const std::uint64_t ThirdBack = Back<1>(Third, C[cThird]);
            const std::uint64_t Lead4Back3 = Back<3>(K.Lead4, C[cLead4]);
            Lead4Back2 = Back<2>(K.Lead4, C[cLead4]);
            Fourth = K.Cont & ThirdBack & Lead4Back3;
            V.Cut3 = ThirdBack & Lead4Back3 & ~Fourth & Valid;
        }
        V.At[TEvents::Stray] = K.Cont & ~(Second | Third | Fourth);
        V.At[TEvents::Bad] = High & ~K.Cont & ~Lead;
        V.At[TEvents::Cut] = V.Cut1 | V.Cut2 | V.Cut3; // one at a byte: one lead byte before
        V.At[TEvents::Three] = Third & ~Lead4Back2;
        V.At[TEvents::Four] = Fourth;

        // Two-byte characters, told apart at the byte after them.
        TTwoByteClasses T{};
        std::uint64_t TwoByteEnd = 0, AlonePair = 0;
        if ((K.Lead2 | (C[cLead2] | C[cTwoByteEnd]) >> 63) != 0) [[unlikely]] {
            T = I::TwoByte(X);
            TwoByteEnd = Second & Back<1>(K.Lead2, C[cLead2]);
            AlonePair = TwoByteEnd & T.HalfWidth &
                        ((Back<1>(T.Latin, C[cLatin]) & ~(Back<1>(T.C3, C[cC3]) & T.Divide)) |
                         (Back<1>(T.Cd, C[cCd]) & T.ToAf));
            const std::uint64_t Two = Back<1>(TwoByteEnd, C[cTwoByteEnd]) & Valid;
            V.At[TEvents::InWord] = Two & (Back<3>(T.Letter, C[cLetter]) | T.Letter);
            V.At[TEvents::Alone] = Two & ~V.At[TEvents::InWord] & Back<1>(AlonePair, C[cAlonePair]);
            V.At[TEvents::TwoByte] = Two & ~V.At[TEvents::InWord] & ~V.At[TEvents::Alone];
        } else {
            T.Letter = I::Letter(X); // for a two-byte character at the next step's start
        }

        // Read as Shift-JIS. In a run of bytes that can lead, every other one takes the
        // byte after it, starting with the first; the parity comes from adding each run's
        // first bit, which clears the run.
        const std::uint64_t TrailIn = C[cSjisLead] >> 63;
        const std::uint64_t CanLead = K.SjisLead & ~TrailIn;
        const std::uint64_t Starts = CanLead & ~(CanLead << 1);
        const std::uint64_t Leads = (CanLead & ~(CanLead + (Starts & EvenBits)) & EvenBits) |
                                    (CanLead & ~(CanLead + (Starts & OddBits)) & OddBits);
        const std::uint64_t Trails = Leads << 1 | TrailIn;
        const std::uint64_t Pairs = Trails & K.SjisTrail;
        const std::uint64_t Singles = Valid & ~Leads & ~Pairs;
        V.At[TEvents::LeadAlone] = Trails & ~K.SjisTrail & Valid;
        V.At[TEvents::SjisBad] = Singles & K.SjisBad;
        V.At[TEvents::HalfWidth] = Singles & K.SjisHalf;
        V.At[TEvents::Common] = Pairs & Back<1>(K.SjisCommon, C[cSjisCommon]);
        V.At[TEvents::Unassigned] = Pairs & Back<1>(K.SjisUnassigned, C[cSjisUnassigned]);
        V.At[TEvents::Rare] = Pairs & ~V.At[TEvents::Common] & ~V.At[TEvents::Unassigned];

        if (!Found && V.Utf8Invalid() != 0) [[unlikely]]
            FirstInvalid(V, LineEnds, K.Cr | K.Lf, ~K.Cont);
        Decide(V, High, LineEnds, N);
        Tally(V, Pairs);
        Lines(LineEnds, K.Cr | K.Lf, ~K.Cont & Valid);

        Carry<Full>(cHigh, High, N);
        Carry<Full>(cCr, K.Cr, N);
        Carry<Full>(cLead, Lead, N);
        Carry<Full>(cLead34, K.Lead34, N);
        if (Lead4Seen || K.Lead4) { // else zero already
            Carry<Full>(cLead4, K.Lead4, N);
            Carry<Full>(cThird, Third, N);
            Lead4Seen = K.Lead4 != 0;
        }
        Carry<Full>(cLead2, K.Lead2, N);
        if (NarrowSeen || K.Narrow) {
            Carry<Full>(cNo8x, R.No8x, N);
            Carry<Full>(cNo9x, R.No9x, N);
            Carry<Full>(cNoAB, R.NoAB, N);
            NarrowSeen = K.Narrow != 0;
        }
        Carry<Full>(cSecond, Second, N);
        if (TwoByteSeen || K.Lead2) {
            Carry<Full>(cTwoByteEnd, TwoByteEnd, N);
            Carry<Full>(cLatin, T.Latin, N);
            Carry<Full>(cC3, T.C3, N);
            Carry<Full>(cCd, T.Cd, N);
            Carry<Full>(cAlonePair, AlonePair, N);
            TwoByteSeen = K.Lead2 != 0;
        }
        Carry<Full>(cLetter, T.Letter, N);
        Carry<Full>(cSjisCommon, K.SjisCommon, N);
        Carry<Full>(cSjisUnassigned, K.SjisUnassigned, N);
        Carry<Full>(cSjisLead, Leads, N);
        S.Offset += N;
    }

    // The place of the first invalid sequence, which starts at a step's byte or, cut short
    // by one of its first bytes, up to three bytes before it (a lead byte and continuation
    // bytes: no line end, one character).
    [[gnu::noinline]] void FirstInvalid(const TEvents& V, std::uint64_t LineEnds,
                                        std::uint64_t Breaks, std::uint64_t NonCont) {
        Found = true;
        const auto At = static_cast<unsigned>(__builtin_ctzll(V.Utf8Invalid()));
        const unsigned Cut = (V.Cut1 >> At & 1)   ? 1
                             : (V.Cut2 >> At & 1) ? 2
                             : (V.Cut3 >> At & 1) ? 3
                                                  : 0;
        TTextPlace& F = S.Judgement.Evidence.FirstInvalid;
        F.Offset = S.Offset + At - Cut;
        if (At < Cut) {
            F.Line = S.Line;
            F.Column = S.Column;
            return;
        }
        const unsigned Start = At - Cut;
        F.Line = S.Line + Count(LineEnds & Below(Start));
        const std::uint64_t Before = Breaks & Below(Start);
        const std::uint64_t Line =
            Before ? Below(Start) & ~Below(64 - static_cast<unsigned>(__builtin_clzll(Before)))
                   : Below(Start);
        F.Column = 1 + (Before ? 0 : S.Column) + Count(NonCont & Line);
    }

    // The margin of the evidence so far.
    std::int64_t ExactMargin() const {
        const TEvidence& E = S.Judgement.Evidence;
        return E.Utf8Score() - E.SjisScore();
    }

    // Whether the margin may reach the other side of zero within a step: the margin is
    // known exactly at some step, and no byte since moves it by more than Swing. At one
    // byte count at most one UTF-8 character, or a cut and a stray byte; and a Shift-JIS
    // character, or a lead byte alone and an invalid byte.
    static constexpr std::int64_t Swing = [] {
        using namespace judge;
        static_assert(Utf8Invalid < 0 && SjisInvalid < 0, "invalid sequences count against");
        const int Up = std::max({ThreeByte, FourByte, TwoByteInWord, TwoByteAlone, TwoByteOther}) +
                       std::max(-2 * SjisInvalid, -SjisUnassigned);
        const int Down = -2 * Utf8Invalid + std::max({SjisCommon, SjisRare, SjisHalfWidth});
        return std::int64_t{std::max(Up, Down)};
    }();
    void Decide(const TEvents& V, std::uint64_t High, std::uint64_t LineEnds, unsigned N) {
        const TEvidence& E = S.Judgement.Evidence;
        const bool Start = S.Offset <= 2; // where the byte-order mark may end
        const bool NonAsciiBefore = E.NonAscii;
        const auto Reach = static_cast<std::int64_t>(Since + N) * Swing;
        if (!Start && (E.ByteOrderMark || (!NonAsciiBefore && High == 0) ||
                       (NonAsciiBefore && (Known - Reach >= 0 || Known + Reach < 0)))) {
            Since += N;
            return;
        }
        // Near zero, or the first byte above 0x7F, or the byte-order mark: exactly.
        Known = ExactMargin();
        Since = N;
        std::int64_t Up = 0, Down = 0;
        for (unsigned K = 0; K < TEvents::Kinds; ++K) {
            const std::int64_t Change = static_cast<std::int64_t>(Count(V.At[K])) * Weights[K];
            (Change > 0 ? Up : Down) += Change > 0 ? Change : -Change;
        }
        if (!Start && NonAsciiBefore && (Known - Down >= 0 || Known + Up < 0)) return;
        Walk(V, High, LineEnds, N);
    }

    // The verdict after each byte where something counts, the first byte above 0x7F is or
    // the byte-order mark ends.
    [[gnu::noinline]] void Walk(const TEvents& V, std::uint64_t High, std::uint64_t LineEnds,
                                unsigned N) {
        using judge::detail::VerdictOf;
        TEvidence& E = S.Judgement.Evidence;
        const std::uint64_t FirstHigh = E.NonAscii ? 0 : High & (~High + 1);
        const std::uint64_t Mark = S.Offset <= 2 && S.Offset + N > 2 &&
                                           judge::detail::StartsWithMark(S) && !E.ByteOrderMark
                                       ? std::uint64_t{1} << (2 - S.Offset)
                                       : 0;
        std::int64_t Margin = Known;
        std::uint64_t Points = FirstHigh | Mark;
        for (const std::uint64_t M : V.At) Points |= M;
        for (; Points != 0; Points &= Points - 1) {
            const std::uint64_t Bit = Points & (~Points + 1);
            for (unsigned K = 0; K < TEvents::Kinds; ++K)
                Margin += static_cast<std::int64_t>(Count(V.At[K] & Bit)) * Weights[K];
            E.NonAscii = E.NonAscii || (Bit & FirstHigh) != 0;
            E.ByteOrderMark = E.ByteOrderMark || (Bit & Mark) != 0;
            const TJudgedEncoding Now = VerdictOf(E.NonAscii, E.ByteOrderMark, Margin);
            if (Now != S.Judgement.Encoding) {
                S.Judgement.Encoding = Now;
                S.Judgement.ChangedAtLine = S.Line + Count(LineEnds & (Bit - 1));
            }
        }
    }

    void Tally(const TEvents& V, std::uint64_t Pairs) {
        TEvidence& E = S.Judgement.Evidence;
        // Stray and bad bytes never meet; a cut may end at either.
        E.Utf8Invalid +=
            Count(V.At[TEvents::Stray] | V.At[TEvents::Bad]) + Count(V.At[TEvents::Cut]);
        E.Utf8ThreeByte += Count(V.At[TEvents::Three]);
        if (V.At[TEvents::Four] | V.At[TEvents::InWord] | V.At[TEvents::Alone] |
            V.At[TEvents::TwoByte]) [[unlikely]] {
            E.Utf8FourByte += Count(V.At[TEvents::Four]);
            E.Utf8InWord += Count(V.At[TEvents::InWord]);
            E.Utf8Alone += Count(V.At[TEvents::Alone]);
            E.Utf8TwoByte += Count(V.At[TEvents::TwoByte]);
        }
        E.SjisInvalid += Count(V.At[TEvents::LeadAlone]) + Count(V.At[TEvents::SjisBad]);
        const std::uint64_t Common = Count(V.At[TEvents::Common]),
                            Unassigned = Count(V.At[TEvents::Unassigned]);
        E.SjisCommon += Common;
        E.SjisUnassigned += Unassigned;
        E.SjisRare += Count(Pairs) - Common - Unassigned;
        E.SjisHalfWidth += Count(V.At[TEvents::HalfWidth]);
    }

    // The line of the next byte, and the characters of that line before it (before an
    // invalid sequence, a character is a byte that is no continuation byte).
    void Lines(std::uint64_t LineEnds, std::uint64_t Breaks, std::uint64_t NonCont) {
        S.Line += Count(LineEnds);
        if (Breaks == 0) {
            S.Column += Count(NonCont);
            return;
        }
        const auto Last = 63 - static_cast<unsigned>(__builtin_clzll(Breaks));
        S.Column = Last == 63 ? 0 : Count(NonCont & ~Below(Last + 1));
    }

    TState S;
    std::int64_t Known;                                 // the margin after some step
    std::uint64_t Since = 0;                            // the bytes after that step
    bool Found = S.Judgement.Evidence.Utf8Invalid != 0; // the first invalid sequence
    // Whether the last step carried classes of these rare groups, which are zero after a
    // step without them: four-byte lead bytes, lead bytes that narrow the second byte,
    // two-byte characters.
    bool Lead4Seen = true, NarrowSeen = true, TwoByteSeen = true;
};

} // namespace
