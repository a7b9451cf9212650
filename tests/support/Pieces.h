// Test support: text fed to a text converter as the file layer feeds it, in pieces, each
// cut where the converter allows and the rest carried into the next.
#pragma once

#include "TextConverter.h"

#include <algorithm>
#include <string>
#include <string_view>

// S converted by C in pieces of at most Max bytes (0: all at once).
inline std::string ConvertInPieces(TTextConverter& C, std::string_view S, std::size_t Max) {
    std::string Out, Carry;
    while (Max && !S.empty()) {
        const std::size_t More = std::min(S.size(), Max - std::min(Max - 1, Carry.size()));
        Carry += S.substr(0, More);
        S.remove_prefix(More);
        const std::size_t Cut = C.Cut(Carry);
        C.Convert(std::string_view(Carry).substr(0, Cut), Out);
        Carry.erase(0, Cut);
    }
    C.Convert(Max ? std::string_view(Carry) : S, Out);
    return Out;
}
