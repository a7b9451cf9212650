// The encoding judge's vector step, written once over an instruction set I (JudgeSse42.cpp,
// JudgeAvx2.cpp, JudgeAvx512.cpp): I classifies 64 bytes into masks, one bit a byte, and
// the rest is arithmetic on those masks. Each file that includes this compiles it for its
// own instruction set, with traits of its own, so no code is shared between them.
//
// The events are those of the reference, found from each byte and the three before it: a
// UTF-8 character ends at its last byte, a sequence is cut at the first byte that does
// not continue it, a two-byte character is told apart at the byte after it; a Shift-JIS
// lead byte takes the next byte, every other one in a run of bytes that can lead. The
// verdict is taken after each byte only in a step where the margin could reach the other
// side, or where the first byte above 0x7F or the byte-order mark is.
#pragma once

#include "JudgeSteps.h"

namespace {

using judge::detail::TState;

constexpr std::uint64_t EvenBits = 0x5555555555555555ull, OddBits = ~EvenBits;

// The mask M of a step moved up by K bytes, the last K bits of the step before (Carry,
// its last byte on top) coming in at the bottom: bit P tells about the byte K before P.
template <unsigned K>
std::uint64_t Back(std::uint64_t M, std::uint64_t Carry) {
    return M << K | Carry >> (64 - K);
}

// The bits below Bit (< 64).
std::uint64_t Below(unsigned Bit) {
    return (std::uint64_t{1} << Bit) - 1;
}

std::int64_t Count(std::uint64_t M) {
    return __builtin_popcountll(M);
}

// The events of a step, one bit at the byte where each counts.
struct TEvents {
    // Read as UTF-8: invalid bytes, sequences cut 1..3 bytes after their lead byte,
    // characters.
    std::uint64_t Stray = 0, Bad = 0, Cut1 = 0, Cut2 = 0, Cut3 = 0;
    std::uint64_t Three = 0, Four = 0, InWord = 0, Alone = 0, TwoByte = 0;
    // Read as Shift-JIS: a lead byte without a second byte, an invalid byte, characters.
    std::uint64_t LeadAlone = 0, SjisBad = 0, Common = 0, Rare = 0, Unassigned = 0, HalfWidth = 0;

    std::uint64_t Utf8Invalid() const { return Stray | Bad | Cut1 | Cut2 | Cut3; }
    std::uint64_t All() const {
        return Utf8Invalid() | Three | Four | InWord | Alone | TwoByte | LeadAlone | SjisBad |
               Common | Rare | Unassigned | HalfWidth;
    }

    // What the events at the bytes of M add to the margin and take from it, apart.
    template <class F>
    void Weigh(std::uint64_t M, F&& Add) const {
        namespace W = judge;
        // Both cut and stray may count at one byte.
        Add(Count(Stray & M) + Count(Bad & M) + Count((Cut1 | Cut2 | Cut3) & M), W::Utf8Invalid);
        Add(Count(Three & M), W::ThreeByte);
        Add(Count(Four & M), W::FourByte);
        Add(Count(InWord & M), W::TwoByteInWord);
        Add(Count(Alone & M), W::TwoByteAlone);
        Add(Count(TwoByte & M), W::TwoByteOther);
        Add(Count(LeadAlone & M) + Count(SjisBad & M), -W::SjisInvalid); // a lead before FF: both
        Add(Count(Common & M), -W::SjisCommon);
        Add(Count(Rare & M), -W::SjisRare);
        Add(Count(Unassigned & M), -W::SjisUnassigned);
        Add(Count(HalfWidth & M), -W::SjisHalfWidth);
    }
};

template <class I>
class TJudgeSteps {
public:
    explicit TJudgeSteps(TState& S) : S(S), E(S.Judgement.Evidence) {}

    void Run(const std::uint8_t* P, std::size_t N) {
        for (; N >= 64; P += 64, N -= 64) Step(I::Load(P), 64);
        if (N) Step(I::LoadTail(P, static_cast<unsigned>(N)), static_cast<unsigned>(N));
    }

private:
    using TCarried = judge::detail::TCarried;

    std::uint64_t Carried(TCarried C) const { return S.Carry[C]; }

    // Keeps the mask of a step's N bytes for the next step, the last byte on top.
    void Carry(TCarried C, std::uint64_t M, unsigned N) {
        std::uint64_t& To = S.Carry[C];
        To = N == 64 ? M : M << (64 - N) | To >> N;
    }

    void Step(const typename I::Block& X, unsigned N) {
        using namespace judge::detail;
        const std::uint64_t Valid = N == 64 ? ~std::uint64_t{0} : Below(N);
        const std::uint64_t High = I::High(X) & Valid;
        const std::uint64_t Cr = I::Eq(X, '\r') & Valid, Lf = I::Eq(X, '\n') & Valid;
        const std::uint64_t Letter = I::Letter(X) & Valid;
        const std::uint64_t LineEnds = Cr | (Lf & ~Back<1>(Cr, Carried(cCr)));
        // Bytes below 0x80 that no character before them waits for: lines alone.
        if (High == 0 && (Carried(cHigh) >> 61) == 0) {
            Lines(LineEnds, Cr | Lf, Valid, Valid);
            for (unsigned C = 0; C < cCarried; ++C)
                Carry(TCarried(C), C == cLetter ? Letter : C == cCr ? Cr : 0, N);
            S.Offset += N;
            return;
        }

        // Read as UTF-8.
        const std::uint64_t Cont = I::Range(X, 0x80, 0xBF) & Valid;
        const std::uint64_t Lead2 = I::Range(X, 0xC2, 0xDF) & Valid,
                            Lead34 = I::Range(X, 0xE0, 0xF4) & Valid,
                            Lead4 = I::Range(X, 0xF0, 0xF4) & Valid;
        const std::uint64_t Lead = Lead2 | Lead34;
        // A second byte in the range of its lead byte, where that range is narrower.
        std::uint64_t E0 = 0, Ed = 0, F0 = 0, F4 = 0, OutOfRange = 0;
        if ((Lead34 | Carried(cLead34) >> 63) != 0) {
            E0 = I::Eq(X, 0xE0), Ed = I::Eq(X, 0xED), F0 = I::Eq(X, 0xF0), F4 = I::Eq(X, 0xF4);
            const std::uint64_t To9F = I::Range(X, 0x80, 0x9F), To8F = I::Range(X, 0x80, 0x8F);
            OutOfRange =
                (Back<1>(E0, Carried(cE0)) & To9F) | (Back<1>(Ed, Carried(cEd)) & Cont & ~To9F) |
                (Back<1>(F0, Carried(cF0)) & To8F) | (Back<1>(F4, Carried(cF4)) & Cont & ~To8F);
        }
        const std::uint64_t LeadBack = Back<1>(Lead, Carried(cLead));
        const std::uint64_t Second = Cont & LeadBack & ~OutOfRange;
        const std::uint64_t SecondBack = Back<1>(Second, Carried(cSecond));
        const std::uint64_t Lead34Back2 = Back<2>(Lead34, Carried(cLead34));
        const std::uint64_t Third = Cont & SecondBack & Lead34Back2;
        const std::uint64_t ThirdBack = Back<1>(Third, Carried(cThird));
        const std::uint64_t Lead4Back2 = Back<2>(Lead4, Carried(cLead4));
        const std::uint64_t Lead4Back3 = Back<3>(Lead4, Carried(cLead4));
        const std::uint64_t Fourth = Cont & ThirdBack & Lead4Back3;
        const std::uint64_t TwoByteEnd = Second & Back<1>(Lead2, Carried(cLead2));

        TEvents V;
        V.Stray = Cont & ~(Second | Third | Fourth);
        V.Bad = High & ~Cont & ~Lead;
        V.Cut1 = LeadBack & ~Second & Valid;
        V.Cut2 = SecondBack & Lead34Back2 & ~Third & Valid;
        V.Cut3 = ThirdBack & Lead4Back3 & ~Fourth & Valid;
        V.Three = Third & ~Lead4Back2;
        V.Four = Fourth;

        // Two-byte characters, told apart at the byte after them.
        std::uint64_t Latin = 0, C3 = 0, Cd = 0, AlonePair = 0;
        if (Lead2 != 0) {
            Latin = I::Range(X, 0xC3, 0xCC), C3 = I::Eq(X, 0xC3), Cd = I::Eq(X, 0xCD);
        }
        if (TwoByteEnd != 0) {
            // Shift-JIS reads A1..BF after a lead byte as half-width katakana.
            const std::uint64_t HalfWidth = I::Range(X, 0xA1, 0xBF);
            const std::uint64_t ToAf = I::Range(X, 0xA1, 0xAF), Divide = I::Eq(X, 0xB7);
            AlonePair = TwoByteEnd & HalfWidth &
                        ((Back<1>(Latin, Carried(cLatin)) & ~(Back<1>(C3, Carried(cC3)) & Divide)) |
                         (Back<1>(Cd, Carried(cCd)) & ToAf));
        }
        if (const std::uint64_t Two = Back<1>(TwoByteEnd, Carried(cTwoByteEnd)) & Valid) {
            V.InWord = Two & (Back<3>(Letter, Carried(cLetter)) | Letter);
            V.Alone = Two & ~V.InWord & Back<1>(AlonePair, Carried(cAlonePair));
            V.TwoByte = Two & ~V.InWord & ~V.Alone;
        }

        // Read as Shift-JIS. In a run of bytes that can lead, every other one takes the
        // byte after it, starting with the first; the parity comes from adding each run's
        // first bit, which clears the run.
        const std::uint64_t SjisLead = (I::Range(X, 0x81, 0x9F) | I::Range(X, 0xE0, 0xFC)) & Valid;
        const std::uint64_t TrailIn = Carried(cSjisLead) >> 63;
        const std::uint64_t CanLead = SjisLead & ~TrailIn;
        const std::uint64_t Starts = CanLead & ~(CanLead << 1);
        const std::uint64_t Leads = (CanLead & ~(CanLead + (Starts & EvenBits)) & EvenBits) |
                                    (CanLead & ~(CanLead + (Starts & OddBits)) & OddBits);
        const std::uint64_t Trails = Leads << 1 | TrailIn;
        const std::uint64_t Trail = (I::Range(X, 0x40, 0x7E) | I::Range(X, 0x80, 0xFC)) & Valid;
        const std::uint64_t Pairs = Trails & Trail;
        const std::uint64_t Singles = Valid & ~Leads & ~Pairs;
        const std::uint64_t Common = I::Range(X, 0x81, 0x84) | I::Range(X, 0x88, 0x9F);
        const std::uint64_t Unassigned = I::Range(X, 0x85, 0x86) | I::Range(X, 0xEB, 0xEC) |
                                         I::Eq(X, 0xEF) | I::Range(X, 0xF0, 0xF9);
        V.LeadAlone = Trails & ~Trail & Valid;
        V.SjisBad = Singles & (I::Eq(X, 0x80) | I::Eq(X, 0xA0) | I::Range(X, 0xFD, 0xFF));
        V.HalfWidth = Singles & I::Range(X, 0xA1, 0xDF);
        V.Common = Pairs & Back<1>(Common, Carried(cSjisCommon));
        V.Unassigned = Pairs & Back<1>(Unassigned, Carried(cSjisUnassigned));
        V.Rare = Pairs & ~V.Common & ~V.Unassigned;

        if (E.Utf8Invalid == 0 && V.Utf8Invalid() != 0) FirstInvalid(V, LineEnds, Cr | Lf, ~Cont);
        Decide(V, High, LineEnds, N);
        Tally(V);
        Lines(LineEnds, Cr | Lf, ~Cont & Valid, Valid);

        Carry(cHigh, High, N);
        Carry(cLead, Lead, N);
        Carry(cLead34, Lead34, N);
        Carry(cLead4, Lead4, N);
        Carry(cLead2, Lead2, N);
        Carry(cE0, E0 & Valid, N);
        Carry(cEd, Ed & Valid, N);
        Carry(cF0, F0 & Valid, N);
        Carry(cF4, F4 & Valid, N);
        Carry(cLatin, Latin & Valid, N);
        Carry(cC3, C3 & Valid, N);
        Carry(cCd, Cd & Valid, N);
        Carry(cSecond, Second, N);
        Carry(cThird, Third, N);
        Carry(cTwoByteEnd, TwoByteEnd, N);
        Carry(cAlonePair, AlonePair & Valid, N);
        Carry(cLetter, Letter, N);
        Carry(cSjisCommon, Common & Valid, N);
        Carry(cSjisUnassigned, Unassigned & Valid, N);
        Carry(cSjisLead, Leads, N);
        Carry(cCr, Cr, N);
        S.Offset += N;
    }

    // The place of the first invalid sequence, which starts at a step's byte or, cut short
    // by one of its first bytes, up to three bytes before it (a lead byte and continuation
    // bytes: no line end, one character).
    void FirstInvalid(const TEvents& V, std::uint64_t LineEnds, std::uint64_t Breaks,
                      std::uint64_t NonCont) {
        const auto At = static_cast<unsigned>(__builtin_ctzll(V.Utf8Invalid()));
        const unsigned Cut = (V.Cut1 >> At & 1)   ? 1
                             : (V.Cut2 >> At & 1) ? 2
                             : (V.Cut3 >> At & 1) ? 3
                                                  : 0;
        TTextPlace& F = E.FirstInvalid;
        F.Offset = S.Offset + At - Cut;
        if (At < Cut) {
            F.Line = S.Line;
            F.Column = S.Column;
            return;
        }
        const unsigned Start = At - Cut;
        F.Line = S.Line + static_cast<std::uint64_t>(Count(LineEnds & Below(Start)));
        const std::uint64_t Before = Breaks & Below(Start);
        const std::uint64_t Line =
            Before ? Below(Start) & ~Below(64 - static_cast<unsigned>(__builtin_clzll(Before)))
                   : Below(Start);
        F.Column = 1 + (Before ? 0 : S.Column) + static_cast<std::uint64_t>(Count(NonCont & Line));
    }

    // The verdict after each byte: taken byte by byte only where it may change.
    void Decide(const TEvents& V, std::uint64_t High, std::uint64_t LineEnds, unsigned N) {
        using judge::detail::VerdictOf;
        const std::uint64_t FirstHigh = E.NonAscii ? 0 : High & (~High + 1);
        const std::uint64_t Mark = S.Offset <= 2 && S.Offset + N > 2 &&
                                           judge::detail::StartsWithMark(S) && !E.ByteOrderMark
                                       ? std::uint64_t{1} << (2 - S.Offset)
                                       : 0;
        std::int64_t Up = 0, Down = 0;
        V.Weigh(~std::uint64_t{0}, [&](std::int64_t N, int Weight) {
            (Weight > 0 ? Up : Down) += N * (Weight > 0 ? Weight : -Weight);
        });
        const bool Settled = E.ByteOrderMark || (!E.NonAscii && FirstHigh == 0) ||
                             (E.NonAscii && (S.Margin - Down >= 0 || S.Margin + Up < 0));
        if (Settled && FirstHigh == 0 && Mark == 0) {
            S.Margin += Up - Down;
            return;
        }
        bool NonAscii = E.NonAscii, ByteOrderMark = E.ByteOrderMark;
        for (std::uint64_t Points = V.All() | FirstHigh | Mark; Points != 0; Points &= Points - 1) {
            const std::uint64_t Bit = Points & (~Points + 1);
            V.Weigh(Bit, [&](std::int64_t N, int Weight) { S.Margin += N * Weight; });
            NonAscii = NonAscii || (Bit & FirstHigh) != 0;
            ByteOrderMark = ByteOrderMark || (Bit & Mark) != 0;
            const TJudgedEncoding Now = VerdictOf(NonAscii, ByteOrderMark, S.Margin);
            if (Now != S.Judgement.Encoding) {
                S.Judgement.Encoding = Now;
                S.Judgement.ChangedAtLine =
                    S.Line + static_cast<std::uint64_t>(Count(LineEnds & (Bit - 1)));
            }
        }
        E.NonAscii = NonAscii;
        E.ByteOrderMark = ByteOrderMark;
    }

    void Tally(const TEvents& V) {
        E.Utf8Invalid += Count(V.Stray) + Count(V.Bad) + Count(V.Cut1 | V.Cut2 | V.Cut3);
        E.Utf8ThreeByte += Count(V.Three);
        E.Utf8FourByte += Count(V.Four);
        E.Utf8InWord += Count(V.InWord);
        E.Utf8Alone += Count(V.Alone);
        E.Utf8TwoByte += Count(V.TwoByte);
        E.SjisInvalid += Count(V.LeadAlone) + Count(V.SjisBad);
        E.SjisCommon += Count(V.Common);
        E.SjisRare += Count(V.Rare);
        E.SjisUnassigned += Count(V.Unassigned);
        E.SjisHalfWidth += Count(V.HalfWidth);
    }

    // The line of the next byte, and the characters of that line before it (before an
    // invalid sequence, a character is a byte that is no continuation byte).
    void Lines(std::uint64_t LineEnds, std::uint64_t Breaks, std::uint64_t NonCont,
               std::uint64_t Valid) {
        S.Line += static_cast<std::uint64_t>(Count(LineEnds));
        if (Breaks == 0) {
            S.Column += static_cast<std::uint64_t>(Count(NonCont));
            return;
        }
        const auto Last = 63 - static_cast<unsigned>(__builtin_clzll(Breaks));
        S.Column =
            Last == 63 ? 0 : static_cast<std::uint64_t>(Count(NonCont & Valid & ~Below(Last + 1)));
    }

    TState& S;
    TEvidence& E;
};

} // namespace
