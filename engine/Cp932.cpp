// The code page 932 tables, both built at compile time from the committed decoding table.
#include "Cp932.h"

namespace kana::detail::cp932 {

namespace {

#include "generated/Cp932Data.inc"

constexpr bool IsNecCopy(unsigned Code) {
    return (Code >> 8) == 0xED || (Code >> 8) == 0xEE;
}

using TTable = std::array<std::uint16_t, 0x10000>;

consteval TTable MakeToUnicode() {
    TTable T{};
    for (std::uint16_t& C : T) C = None;
    for (unsigned B = 0; B < 0x100; ++B) T[B] = SingleByteData[B];
    unsigned Row = 0;
    for (unsigned Lead = 0x81; Lead <= 0xFC; ++Lead) {
        if (Lead == 0xA0) Lead = 0xE0;
        for (unsigned Trail = 0x40; Trail <= 0xFF; ++Trail)
            T[Lead << 8 | Trail] = DoubleByteData[Row][Trail - 0x40];
        ++Row;
    }
    return T;
}

consteval TTable MakeFromUnicode() {
    const TTable Decode = MakeToUnicode();
    TTable T{};
    for (std::uint16_t& C : T) C = None;
    // Lower codes first, so that a later duplicate replaces an earlier one only when it
    // is preferred: IBM's extensions over NEC's copies of them.
    for (unsigned Code = 0; Code < 0x10000; ++Code) {
        const std::uint16_t C = Decode[Code];
        if (C == None) continue;
        const std::uint16_t Had = T[C];
        if (Had == None || (IsNecCopy(Had) && !IsNecCopy(Code))) T[C] = static_cast<std::uint16_t>(Code);
    }
    return T;
}

} // namespace

constinit const TTable ToUnicode = MakeToUnicode();
constinit const TTable FromUnicode = MakeFromUnicode();

char32_t JisTwin(char32_t C) {
    switch (C) {
    case 0x301C: return 0xFF5E; // 〜 ～
    case 0x2212: return 0xFF0D; // − －
    case 0x2016: return 0x2225; // ‖ ∥
    case 0x00A2: return 0xFFE0; // ¢ ￠
    case 0x00A3: return 0xFFE1; // £ ￡
    case 0x00AC: return 0xFFE2; // ¬ ￢
    case 0x2014: return 0x2015; // — ―
    default: return 0;
    }
}

} // namespace kana::detail::cp932
