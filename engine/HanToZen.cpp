// Half-width to full-width: ASCII graphic characters and the half-width kana area.
#include "HanZen.h"
#include "HanZenTables.h"
#include "PairWalk.h"
#include "SjisBytes.h"

using namespace kana::detail;
using namespace kana::detail::HanZenTables;

namespace {

using sjis::SemiVoicedMark;
using sjis::VoicedMark;

bool InRange(std::uint8_t B, std::uint8_t Low, std::uint8_t High) {
    return B >= Low && B <= High;
}

// The letters that take a voiced mark: ｳ, ｶ..ﾄ and ﾊ..ﾎ.
bool TakesVoicedMark(std::uint8_t Ch) {
    return Ch == 0xB3 || InRange(Ch, 0xB6, 0xC4) || InRange(Ch, 0xCA, 0xCE);
}

// The letters that take a semi-voiced mark: ﾊ..ﾎ.
bool TakesSemiVoicedMark(std::uint8_t Ch) {
    return InRange(Ch, 0xCA, 0xCE);
}

bool HasFullWidthForm(std::uint8_t Ch) {
    return InRange(Ch, 0x20, 0x7E) || InRange(Ch, 0xA0, 0xDF);
}

std::string KanaToZen(std::uint8_t Ch, std::uint8_t Next) {
    if (Next == VoicedMark && Ch == 0xB3) return "\x83\x94"; // ｳﾞ ヴ
    if (Next == VoicedMark && TakesVoicedMark(Ch)) return std::string(ZenDakuonTable[Ch - 0xB6]);
    if (Next == SemiVoicedMark && TakesSemiVoicedMark(Ch))
        return std::string(ZenHandakuonTable[Ch - 0xCA]);
    return std::string(ZenKanaTable[Ch - 0xA0]);
}

} // namespace

std::string THanZen::HanCharToZen(std::uint8_t Ch, std::uint8_t Next) const {
    if (InRange(Ch, 0x30, 0x39) || InRange(Ch, 0x41, 0x5A)) // digits, capitals
        return {'\x82', static_cast<char>(Ch + 0x1F)};
    if (InRange(Ch, 0x61, 0x7A)) // small letters
        return {'\x82', static_cast<char>(Ch + 0x20)};
    if (InRange(Ch, 0x20, 0x7F)) return std::string(ZenSymbolTable[Ch]);
    if (InRange(Ch, 0xA0, 0xDF)) return KanaToZen(Ch, Next);
    return {}; // controls, 0x80..0x9F, 0xE0..0xFF
}

// A voicing mark is taken together with the letter before it only when the two make
// one full-width letter (ｶﾞ ガ); a mark that does not combine (ｶﾟ, ｱﾞ) is converted in its
// own turn, so it is never lost. A byte without a full-width form passes through as it
// is, wherever it stands.
std::string THanZen::HanToZen(std::string_view S) const {
    return PairWalk(
        *this, S,
        [](std::uint8_t Lead, std::uint8_t Trail, std::string& Out) {
            AppendPair(Out, Lead, Trail);
        },
        [this](std::uint8_t Ch, std::uint8_t Next, bool HasNext, std::string& Out) {
            if (!HasFullWidthForm(Ch)) {
                Out.push_back(static_cast<char>(Ch));
                return false;
            }
            Out += HanCharToZen(Ch, Next);
            return HasNext && ((Next == VoicedMark && TakesVoicedMark(Ch)) ||
                               (Next == SemiVoicedMark && TakesSemiVoicedMark(Ch)));
        });
}
