// The component itself: construction, options and the Shift-JIS character model.
#include "HanZen.h"

#include "SjisBytes.h"

THanZen::THanZen(TComponent* AOwner) : TComponent(AOwner) {}

namespace {
template <class T>
void Store(T& Field, T Value) {
    if (Value != Field) Field = Value;
}
} // namespace

void THanZen::SetConvSize(TConvSize Value) {
    Store(FOptions.ConvSize, Value);
}
void THanZen::SetSpace(TSpace Value) {
    Store(FOptions.Space, Value);
}
void THanZen::SetTab(TTab Value) {
    Store(FOptions.Tab, Value);
}
void THanZen::SetKata(TKata Value) {
    Store(FOptions.Kata, Value);
}
void THanZen::SetToHira(TToHira Value) {
    Store(FOptions.ToHira, Value);
}
void THanZen::SetHira(THira Value) {
    Store(FOptions.Hira, Value);
}
void THanZen::SetMark(TMark Value) {
    Store(FOptions.Mark, Value);
}

bool THanZen::IsDBCSPair(std::uint8_t Lead, std::uint8_t Trail) const {
    return sjis::IsLeadByte(Lead) && sjis::IsTrailByte(Trail);
}

int THanZen::CharKind(std::string_view S) const {
    const auto Ch = S.empty() ? std::uint8_t{0} : static_cast<std::uint8_t>(S[0]);
    if (Ch >= 0x21 && Ch <= 0x7E) return 1;
    if (Ch >= 0xA0 && Ch <= 0xDF) return 2;
    if (sjis::IsLeadByte(Ch)) return 3;
    return 0;
}
