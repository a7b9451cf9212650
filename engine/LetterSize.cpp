// Letter size: Latin upper and lower case, and the normal and small forms of the kana.
// Each operation towards big letters and its twin towards small letters are exact
// inverses on the characters they change; everything else comes back unchanged.
#include "HanZen.h"
#include "PairWalk.h"

using namespace kana::detail;

namespace {

bool InRange(std::uint8_t B, std::uint8_t Low, std::uint8_t High) {
    return B >= Low && B <= High;
}
bool IsOdd(std::uint8_t B) {
    return (B & 1) != 0;
}
bool IsEven(std::uint8_t B) {
    return (B & 1) == 0;
}

std::uint16_t Code(std::uint8_t Lead, std::uint8_t Trail) {
    return static_cast<std::uint16_t>(Lead << 8 | Trail);
}

} // namespace

std::uint8_t THanZen::HanToBig(std::uint8_t Ch) const {
    if (InRange(Ch, 0x61, 0x7A)) return Ch - 0x20; // a..z
    if (InRange(Ch, 0xA7, 0xAB)) return Ch + 0x0A; // ｧ..ｫ
    if (InRange(Ch, 0xAC, 0xAE)) return Ch + 0x28; // ｬ..ｮ
    if (Ch == 0xAF) return 0xC2;                   // ｯ
    return Ch;
}

std::uint8_t THanZen::HanToSmall(std::uint8_t Ch) const {
    if (InRange(Ch, 0x41, 0x5A)) return Ch + 0x20; // A..Z
    if (InRange(Ch, 0xB1, 0xB5)) return Ch - 0x0A; // ｱ..ｵ
    if (InRange(Ch, 0xD4, 0xD6)) return Ch - 0x28; // ﾔ..ﾖ
    if (Ch == 0xC2) return 0xAF;                   // ﾂ
    return Ch;
}

std::uint16_t THanZen::ZenToBig(std::uint8_t Lead, std::uint8_t Trail) const {
    if (Lead == 0x82) {
        if (InRange(Trail, 0x81, 0x9A)) return Code(Lead, Trail - 0x21); // ａ..ｚ
        // ぁぃぅぇぉ, ゃゅょ, っ, ゎ
        if ((IsOdd(Trail) && (InRange(Trail, 0x9F, 0xA7) || InRange(Trail, 0xE1, 0xE5))) ||
            Trail == 0xC1 || Trail == 0xEC)
            return Code(Lead, Trail + 1);
    } else if (Lead == 0x83) {
        // ァィゥェォ, ャュョ, ッ, ヮ
        if ((IsEven(Trail) && InRange(Trail, 0x40, 0x48)) ||
            (IsOdd(Trail) && InRange(Trail, 0x83, 0x87)) || Trail == 0x62 || Trail == 0x8E)
            return Code(Lead, Trail + 1);
        if (Trail == 0x95) return Code(Lead, 0x4A); // ヵ カ
        if (Trail == 0x96) return Code(Lead, 0x50); // ヶ ケ
    }
    return Code(Lead, Trail);
}

std::uint16_t THanZen::ZenToSmall(std::uint8_t Lead, std::uint8_t Trail) const {
    if (Lead == 0x82) {
        if (InRange(Trail, 0x60, 0x79)) return Code(Lead, Trail + 0x21); // Ａ..Ｚ
        // あいうえお, やゆよ, つ, わ
        if ((IsEven(Trail) && (InRange(Trail, 0xA0, 0xA8) || InRange(Trail, 0xE2, 0xE6))) ||
            Trail == 0xC2 || Trail == 0xED)
            return Code(Lead, Trail - 1);
    } else if (Lead == 0x83) {
        // アイウエオ, ヤユヨ, ツ, ワ
        if ((IsOdd(Trail) && InRange(Trail, 0x41, 0x49)) ||
            (IsEven(Trail) && InRange(Trail, 0x84, 0x88)) || Trail == 0x63 || Trail == 0x8F)
            return Code(Lead, Trail - 1);
        if (Trail == 0x4A) return Code(Lead, 0x95); // カ ヵ
        if (Trail == 0x50) return Code(Lead, 0x96); // ケ ヶ
    }
    return Code(Lead, Trail);
}

namespace {

// The letter-size walk: pairs with lead 0x82 or 0x83 through Zen, single bytes through Han.
template <class ZenStep, class HanStep>
std::string SizeWalk(const THanZen& H, std::string_view S, ZenStep Zen, HanStep Han) {
    return PairWalk(
        H, S,
        [&](std::uint8_t Lead, std::uint8_t Trail, std::string& Out) {
            if (Lead != 0x82 && Lead != 0x83) return AppendPair(Out, Lead, Trail);
            const std::uint16_t C = Zen(Lead, Trail);
            AppendPair(Out, static_cast<std::uint8_t>(C >> 8), static_cast<std::uint8_t>(C));
        },
        [&](std::uint8_t Ch, std::uint8_t, bool, std::string& Out) {
            Out.push_back(static_cast<char>(Han(Ch)));
            return false;
        });
}

} // namespace

std::string THanZen::StrToBig(std::string_view S) const {
    return SizeWalk(
        *this, S, [this](std::uint8_t L, std::uint8_t T) { return ZenToBig(L, T); },
        [this](std::uint8_t Ch) { return HanToBig(Ch); });
}

std::string THanZen::StrToSmall(std::string_view S) const {
    return SizeWalk(
        *this, S, [this](std::uint8_t L, std::uint8_t T) { return ZenToSmall(L, T); },
        [this](std::uint8_t Ch) { return HanToSmall(Ch); });
}
