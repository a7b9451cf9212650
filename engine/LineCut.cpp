// Where a long line may be cut into pieces that convert on their own.
#include "HanZen.h"

#include "SjisBytes.h"

#include <algorithm>

namespace kana::detail {

std::size_t LastCut(std::string_view S) {
    const auto* Begin = reinterpret_cast<const std::uint8_t*>(S.data());
    const auto* End = Begin + S.size();
    // A byte below 0x40 is never a lead byte, a trail byte or a voicing mark: whether it
    // stands alone or ends a lead byte's character, a character ends with it. Only a CR
    // may take the byte after it.
    const auto Low = std::find_if(std::make_reverse_iterator(End), std::make_reverse_iterator(Begin),
                                  [](std::uint8_t B) { return B < 0x40 && B != 0x0D; });
    if (Low.base() != Begin) return static_cast<std::size_t>(Low.base() - Begin);
    // None: walk the characters, a lead byte with the byte after it and a kana-area byte
    // with a voicing mark after it, and cut before the last whole one.
    std::size_t Cut = 0;
    for (std::size_t I = 0; I < S.size();) {
        const std::uint8_t B = Begin[I];
        const bool Pair = sjis::IsLeadByte(B) || (B >= 0xA0 && B <= 0xDF && I + 1 < S.size() &&
                                                  sjis::IsVoicingMark(Begin[I + 1]));
        const std::size_t Next = I + (Pair ? 2 : 1);
        if (Next >= S.size()) break;
        I = Next;
        if (Begin[I - 1] != 0x0D) Cut = I;
    }
    return Cut;
}

} // namespace kana::detail
