// Code page 932 and Unicode, both ways, as the C library's iconv maps them: the tables are
// generated from it at build time (MakeCp932Tables.cpp), never typed in. Private to the
// encoding bridge.
#pragma once

#include <cstdint>

namespace cp932 {

constexpr std::uint16_t None = 0xFFFF;

// The code point of a single byte (index: the byte) or of a double-byte character
// (index: lead << 8 | trail); None where code page 932 has no character.
extern const std::uint16_t ToUnicode[0x10000];

// The code page 932 code of a character of the Basic Multilingual Plane whose code
// decodes back to it: a single byte (below 0x100) or lead << 8 | trail; None for every
// other character.
extern const std::uint16_t FromUnicode[0x10000];

} // namespace cp932
