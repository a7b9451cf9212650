// The encoding judge's reference: each byte goes through a UTF-8 decoder and a Shift-JIS
// decoder side by side, each event scored at the byte where it becomes known, and the
// verdict taken again after every byte.
#include "JudgeSteps.h"
#include "SjisBytes.h"

namespace judge::detail {
namespace {

bool IsLetter(std::uint8_t B) {
    return (B >= 'A' && B <= 'Z') || (B >= 'a' && B <= 'z');
}

// The bytes that follow a UTF-8 lead byte, and the range of the first of them.
struct TLead {
    std::uint8_t Need, Low, High;
};

TLead LeadOf(std::uint8_t B) {
    if (B >= 0xC2 && B <= 0xDF) return {1, 0x80, 0xBF};
    if (B == 0xE0) return {2, 0xA0, 0xBF}; // not overlong
    if (B == 0xED) return {2, 0x80, 0x9F}; // no surrogate
    if (B >= 0xE1 && B <= 0xEF) return {2, 0x80, 0xBF};
    if (B == 0xF0) return {3, 0x90, 0xBF}; // not overlong
    if (B >= 0xF1 && B <= 0xF3) return {3, 0x80, 0xBF};
    if (B == 0xF4) return {3, 0x80, 0x8F}; // not past U+10FFFF
    return {0, 0, 0};
}

class TStep {
public:
    explicit TStep(TState& S) : S(S), E(S.Judgement.Evidence) {}

    void operator()(std::uint8_t B) {
        const TTextPlace Here{S.Offset, S.Line, S.Column + 1};
        if (S.Offset < 3) S.Start[S.Offset] = B;
        if (S.Offset == 2 && StartsWithMark(S)) E.ByteOrderMark = true;
        if (B >= 0x80) E.NonAscii = true;
        if (!Utf8(B, Here)) ++S.Column; // a character starts at B
        Sjis(B);

        const TJudgedEncoding Now = VerdictOf(E.NonAscii, E.ByteOrderMark, S.Margin);
        if (Now != S.Judgement.Encoding) {
            S.Judgement.Encoding = Now;
            S.Judgement.ChangedAtLine = S.Line;
        }
        if (B == '\r' || (B == '\n' && S.Last != '\r')) ++S.Line;
        if (B == '\r' || B == '\n') S.Column = 0;
        S.Last = B;
        ++S.Offset;
    }

private:
    // Reads B as UTF-8; true when B continues the character before it.
    bool Utf8(std::uint8_t B, const TTextPlace& Here) {
        if (S.TwoByteLead) { // a two-byte character, told apart by the byte after it
            TwoByte(S.TwoByteBefore, S.TwoByteLead, S.TwoByteTrail, B);
            S.TwoByteLead = 0;
        }
        if (S.Need) {
            const bool Continues = S.Have == 0 ? B >= LeadOf(S.Lead).Low && B <= LeadOf(S.Lead).High
                                               : (B & 0xC0) == 0x80;
            if (Continues) {
                if (++S.Have == S.Need) {
                    if (S.Need == 1) {
                        S.TwoByteLead = S.Lead;
                        S.TwoByteTrail = B;
                        S.TwoByteBefore = S.Before;
                    } else if (S.Need == 2) {
                        Count(E.Utf8ThreeByte, judge::ThreeByte);
                    } else {
                        Count(E.Utf8FourByte, judge::FourByte);
                    }
                    S.Need = 0;
                }
                return true;
            }
            Invalid(S.LeadPlace); // cut short: B starts what comes next
            S.Need = 0;
        }
        if (B < 0x80) return false;
        const TLead L = LeadOf(B);
        if (L.Need == 0) {
            Invalid(Here);
        } else {
            S.Lead = B;
            S.Need = L.Need;
            S.Have = 0;
            S.Before = S.Last;
            S.LeadPlace = Here;
        }
        return false;
    }

    void TwoByte(std::uint8_t Before, std::uint8_t Lead, std::uint8_t Trail, std::uint8_t After) {
        // Shift-JIS reads the two bytes as half-width katakana when the second is A1..BF;
        // the first is then C3..CC for U+00E1..U+033F, or CD for U+0361..U+036F.
        const bool HalfWidth = Trail >= 0xA1;
        const bool Letter = (Lead >= 0xC3 && Lead <= 0xCC && !(Lead == 0xC3 && Trail == 0xB7)) ||
                            (Lead == 0xCD && Trail <= 0xAF);
        if (IsLetter(Before) || IsLetter(After))
            Count(E.Utf8InWord, judge::TwoByteInWord);
        else if (HalfWidth && Letter)
            Count(E.Utf8Alone, judge::TwoByteAlone);
        else
            Count(E.Utf8TwoByte, judge::TwoByteOther);
    }

    void Invalid(const TTextPlace& At) {
        if (E.Utf8Invalid == 0) E.FirstInvalid = At;
        Count(E.Utf8Invalid, judge::Utf8Invalid);
    }

    void Sjis(std::uint8_t B) {
        if (S.SjisLead) {
            const std::uint8_t Lead = S.SjisLead;
            S.SjisLead = 0;
            if (sjis::IsTrailByte(B)) {
                if ((Lead >= 0x81 && Lead <= 0x84) || (Lead >= 0x88 && Lead <= 0x9F))
                    Count(E.SjisCommon, judge::SjisCommon, true);
                else if (Lead == 0x85 || Lead == 0x86 || Lead == 0xEB || Lead == 0xEC ||
                         Lead == 0xEF || (Lead >= 0xF0 && Lead <= 0xF9))
                    Count(E.SjisUnassigned, judge::SjisUnassigned, true);
                else
                    Count(E.SjisRare, judge::SjisRare, true);
                return;
            }
            Count(E.SjisInvalid, judge::SjisInvalid, true); // B starts what comes next
        }
        if (sjis::IsLeadByte(B))
            S.SjisLead = B;
        else if (B >= 0xA1 && B <= 0xDF)
            Count(E.SjisHalfWidth, judge::SjisHalfWidth, true);
        else if (B >= 0x80)
            Count(E.SjisInvalid, judge::SjisInvalid, true);
    }

    void Count(std::uint64_t& Counter, int Weight, bool ForSjis = false) {
        ++Counter;
        S.Margin += ForSjis ? -Weight : Weight;
    }

    TState& S;
    TEvidence& E;
};

} // namespace

void StepsReference(TState& S, const std::uint8_t* P, std::size_t N) {
    TStep Step(S);
    for (std::size_t I = 0; I < N;) {
        // ASCII that no character waits for moves only the place.
        if (S.Need == 0 && S.TwoByteLead == 0 && S.SjisLead == 0 && S.Offset >= 3) {
            for (; I < N && P[I] < 0x80; ++I) {
                const std::uint8_t B = P[I];
                if (B == '\r' || (B == '\n' && S.Last != '\r')) ++S.Line;
                S.Column = B == '\r' || B == '\n' ? 0 : S.Column + 1;
                S.Last = B;
                ++S.Offset;
            }
            if (I == N) break;
        }
        Step(P[I++]);
    }
}

} // namespace judge::detail
