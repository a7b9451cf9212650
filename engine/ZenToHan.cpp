// Full-width to half-width: symbols (lead 0x81), digits and Latin letters (lead 0x82)
// and katakana (lead 0x83). Single bytes are never changed.
#include "HanZen.h"
#include "HanZenTables.h"
#include "PairWalk.h"

using namespace kana::detail;
using namespace kana::detail::HanZenTables;

std::string THanZen::ZenCharToHan(std::uint8_t Lead, std::uint8_t Trail) const {
    const std::string Unchanged{static_cast<char>(Lead), static_cast<char>(Trail)};
    switch (Lead) {
    case 0x81: {
        if (Trail < 0x40 || Trail > 0x9F) return Unchanged;
        const auto Han = static_cast<std::uint8_t>(Trail + HanSymbolUp[Trail - 0x40] -
                                                   HanSymbolDown[Trail - 0x40]);
        return Han == Trail ? Unchanged : std::string(1, static_cast<char>(Han));
    }
    case 0x82:
        if ((Trail >= 0x4F && Trail <= 0x58) || (Trail >= 0x60 && Trail <= 0x79))
            return std::string(1, static_cast<char>(Trail - 0x1F)); // ０..９, Ａ..Ｚ
        if (Trail >= 0x81 && Trail <= 0x9A)
            return std::string(1, static_cast<char>(Trail - 0x20)); // ａ..ｚ
        return Unchanged;
    case 0x83:
        // ヵ (0x95) and ヶ (0x96) have no half-width letter of their own and stay.
        if (Trail < 0x40 || Trail > 0x94 || Trail == 0x7F) return Unchanged;
        return std::string(HanKataTable[Trail - 0x40]);
    default: return {};
    }
}

std::string THanZen::ZenToHan(std::string_view S) const {
    return PairWalk(
        *this, S,
        [this](std::uint8_t Lead, std::uint8_t Trail, std::string& Out) {
            if (Lead >= 0x81 && Lead <= 0x83)
                Out += ZenCharToHan(Lead, Trail);
            else
                AppendPair(Out, Lead, Trail);
        },
        CopyByte);
}
