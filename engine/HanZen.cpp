// The component itself: construction, options and the Shift-JIS character model.
#include "HanZen.h"

THanZen::THanZen(TComponent* AOwner) : TComponent(AOwner) {}

void THanZen::SetConvSize(TConvSize Value) {
    if (Value != FConvSize) FConvSize = Value;
}
void THanZen::SetSpace(TSpace Value) {
    if (Value != FSpace) FSpace = Value;
}
void THanZen::SetTab(TTab Value) {
    if (Value != FTab) FTab = Value;
}
void THanZen::SetKata(TKata Value) {
    if (Value != FKata) FKata = Value;
}
void THanZen::SetToHira(TToHira Value) {
    if (Value != FToHira) FToHira = Value;
}
void THanZen::SetHira(THira Value) {
    if (Value != FHira) FHira = Value;
}
void THanZen::SetMark(TMark Value) {
    if (Value != FMark) FMark = Value;
}

bool THanZen::IsDBCSPair(std::uint8_t Lead, std::uint8_t Trail) const {
    const bool LeadByte = (Lead >= 0x81 && Lead <= 0x9F) || (Lead >= 0xE0 && Lead <= 0xFC);
    const bool TrailByte = Trail >= 0x40 && Trail <= 0xFC && Trail != 0x7F;
    return LeadByte && TrailByte;
}

int THanZen::CharKind(std::string_view S) const {
    const auto Ch = S.empty() ? std::uint8_t{0} : static_cast<std::uint8_t>(S[0]);
    if (Ch >= 0x21 && Ch <= 0x7E) return 1;
    if (Ch >= 0xA0 && Ch <= 0xDF) return 2;
    if ((Ch >= 0x81 && Ch <= 0x9F) || (Ch >= 0xE0 && Ch <= 0xFC)) return 3;
    return 0;
}
