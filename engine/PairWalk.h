// The pair walk: the one loop by which every string operation of THanZen cuts a
// Shift-JIS string into characters. Private to the engine.
#pragma once

#include "HanZen.h"

namespace kana::detail {

// Pair(Lead, Trail, Out) appends the text for a pair that H.IsDBCSPair accepts.
// Single(Ch, Next, HasNext, Out) appends the text for a byte that starts no pair and
// returns true when it also used Next (only HanToZen's voicing marks do); HasNext is
// false for the last byte of S.
//
// A byte is taken for a lead byte only at a character boundary, so the trail byte of
// an accepted pair never reaches the single step. The pair test goes through the
// object, so a descendant's IsDBCSPair changes every walk.
template <class PairStep, class SingleStep>
std::string PairWalk(const THanZen& H, std::string_view S, PairStep Pair, SingleStep Single) {
    std::string Out;
    Out.reserve(S.size());
    const std::size_t N = S.size();
    std::size_t I = 0;
    while (I + 1 < N) {
        const auto B0 = static_cast<std::uint8_t>(S[I]);
        const auto B1 = static_cast<std::uint8_t>(S[I + 1]);
        if (H.IsDBCSPair(B0, B1)) {
            Pair(B0, B1, Out);
            I += 2;
        } else {
            I += Single(B0, B1, true, Out) ? 2 : 1;
        }
    }
    if (I < N) Single(static_cast<std::uint8_t>(S[I]), std::uint8_t{0}, false, Out);
    return Out;
}

// Single step of the operations that pass a lone byte through unchanged.
inline bool CopyByte(std::uint8_t Ch, std::uint8_t, bool, std::string& Out) {
    Out.push_back(static_cast<char>(Ch));
    return false;
}

inline void AppendPair(std::string& Out, std::uint8_t Lead, std::uint8_t Trail) {
    Out.push_back(static_cast<char>(Lead));
    Out.push_back(static_cast<char>(Trail));
}

} // namespace kana::detail
