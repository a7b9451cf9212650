// Hiragana and full-width katakana. The katakana block skips 0x83 0x7F (no trail byte),
// so the second run of each block lies one code further apart than the first.
#include "HanZen.h"
#include "PairWalk.h"

using namespace kana::detail;

std::string THanZen::HiraToKata(std::string_view S) const {
    return PairWalk(
        *this, S,
        [](std::uint8_t Lead, std::uint8_t Trail, std::string& Out) {
            if (Lead == 0x82 && Trail >= 0x9F && Trail <= 0xDD) // ぁ..み
                AppendPair(Out, 0x83, Trail - 0x5F);
            else if (Lead == 0x82 && Trail >= 0xDE && Trail <= 0xF1) // む..ん
                AppendPair(Out, 0x83, Trail - 0x5E);
            else
                AppendPair(Out, Lead, Trail);
        },
        CopyByte);
}

std::string THanZen::KataToHira(std::string_view S) const {
    return PairWalk(
        *this, S,
        [](std::uint8_t Lead, std::uint8_t Trail, std::string& Out) {
            if (Lead == 0x83 && Trail >= 0x40 && Trail <= 0x7E) // ァ..ミ
                AppendPair(Out, 0x82, Trail + 0x5F);
            else if (Lead == 0x83 && Trail >= 0x80 && Trail <= 0x93) // ム..ン
                AppendPair(Out, 0x82, Trail + 0x5E);
            else
                AppendPair(Out, Lead, Trail);
        },
        CopyByte);
}
