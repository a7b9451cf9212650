// Code page 932 and Unicode, both ways. The decoding table is iconv's, read off once and
// committed (engine/generated/); the encoder is its inverse. Internal to the engine and
// the text layer: hosts never need it.
#pragma once

#include <array>
#include <cstdint>

namespace kana::detail::cp932 {

constexpr std::uint16_t None = 0xFFFF;

// The code point of a single byte (index: the byte) or of a double-byte character
// (index: lead << 8 | trail); None where code page 932 has no character.
extern const std::array<std::uint16_t, 0x10000> ToUnicode;

// The code page 932 code of a character of the Basic Multilingual Plane: a single byte
// (below 0x100) or lead << 8 | trail; None when it has none. Where several codes decode
// to one character, the one Windows writes: lead 0x81 before the NEC row 0x87, and IBM's
// extensions (0xFA..0xFC) before NEC's copies of them (0xED, 0xEE). Never a one-way
// mapping: ¥ and ‾ have no code here (0x5C and 0x7E are \ and ~).
extern const std::array<std::uint16_t, 0x10000> FromUnicode;

inline std::uint16_t Encode(char32_t C) {
    return C < 0x10000 ? FromUnicode[C] : None;
}

// Characters that text from EUC-JP or ISO-2022-JP holds in their JIS forms, where code page
// 932 has a twin: 〜 − ‖ ¢ £ ¬ — become ～ － ∥ ￠ ￡ ￢ ―. 0 for any other character.
char32_t JisTwin(char32_t C);

} // namespace kana::detail::cp932
