// Test support: the eight options as plain numbers (any byte value, named or not), set
// on a THanZen in one go, and a descendant that walks the virtual mappings.
#pragma once

#include "HanZen.h"

struct Options {
    int ConvSize = 0, Space = 0, Tab = 0, Kata = 0, ToHira = 0, Hira = 0, Mark = 0;
    std::int32_t SpLen = 0;
};

inline void Apply(THanZen& H, const Options& O) {
    H.SetConvSize(static_cast<TConvSize>(O.ConvSize));
    H.SetSpace(static_cast<TSpace>(O.Space));
    H.SetTab(static_cast<TTab>(O.Tab));
    H.SetKata(static_cast<TKata>(O.Kata));
    H.SetToHira(static_cast<TToHira>(O.ToHira));
    H.SetHira(static_cast<THira>(O.Hira));
    H.SetMark(static_cast<TMark>(O.Mark));
    H.SetSpLen(O.SpLen);
}

// Changes nothing, so it takes the virtual path: the reference for the fast path.
class VirtualHanZen : public THanZen {
public:
    using THanZen::THanZen;
};
