// The references for the engine: a descendant of THanZen that changes nothing, and a
// model of the Shift-JIS character written apart from the engine's own byte rules.
#pragma once

#include "HanZen.h"

#include <cstdint>
#include <string>
#include <string_view>

// ConvertLine on an object of exactly THanZen runs the plan compiled from its options;
// any descendant walks the reference step, mapping by mapping, through the virtual
// operations. So this class is the plain reading of the rules, and every faster path is
// checked against it (tests, fuzzers, benchmarks).
class VirtualHanZen : public THanZen {
public:
    using THanZen::THanZen;
};

namespace model {

inline bool IsLead(std::uint8_t B) {
    return (B >= 0x81 && B <= 0x9F) || (B >= 0xE0 && B <= 0xFC);
}
inline bool IsTrail(std::uint8_t B) {
    return B >= 0x40 && B <= 0xFC && B != 0x7F;
}
// 0 controls, the space and bytes that start nothing; 1 ASCII graphic; 2 the half-width
// kana area; 3 lead bytes.
inline int Kind(std::uint8_t B) {
    return B >= 0x21 && B <= 0x7E ? 1 : B >= 0xA0 && B <= 0xDF ? 2 : IsLead(B) ? 3 : 0;
}

// The line that all options 0 give: the line itself, except that a CR not followed by
// LF gains one. A lead byte takes the byte after it as its second byte, whatever it is.
inline std::string Identity(std::string_view S) {
    std::string Expected;
    for (std::size_t I = 0; I < S.size(); ++I) {
        Expected += S[I];
        if (IsLead(static_cast<std::uint8_t>(S[I])) && I + 1 < S.size())
            Expected += S[++I];
        else if (S[I] == '\r' && (I + 1 == S.size() || S[I + 1] != '\n'))
            Expected += '\n';
    }
    return Expected;
}

} // namespace model
