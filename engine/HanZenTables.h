// The mapping tables, constants shared by every instance. Entries are Shift-JIS bytes.
// Private to the engine.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kana::detail::HanZenTables {
// Full-width forms of the ASCII punctuation, indexed by the byte (0x20..0x2F, 0x3A..0x40,
// 0x5B..0x60, 0x7B..0x7F); digits and letters are computed, and 0x7F has no form.
extern const std::array<std::string_view, 0x80> ZenSymbolTable;
// Full-width forms of 0xA0..0xDF, indexed by byte - 0xA0.
extern const std::array<std::string_view, 0x40> ZenKanaTable;
// Voiced forms (letter + 0xDE) of 0xB6..0xC4 and 0xCA..0xCE, indexed by byte - 0xB6;
// the slots 0xC5..0xC9 between the two runs are empty.
extern const std::array<std::string_view, 0x19> ZenDakuonTable;
// Semi-voiced forms (letter + 0xDF) of 0xCA..0xCE, indexed by byte - 0xCA.
extern const std::array<std::string_view, 0x05> ZenHandakuonTable;
// Half-width forms of lead-0x81 symbols: (Trail + Up - Down) mod 256, indexed by
// Trail - 0x40 over 0x40..0x9F; a result equal to Trail means no half-width form.
extern const std::array<std::uint8_t, 0x60> HanSymbolUp;
extern const std::array<std::uint8_t, 0x60> HanSymbolDown;
// Half-width forms of lead-0x83 katakana, indexed by Trail - 0x40 over 0x40..0x94
// (0x7F has no entry).
extern const std::array<std::string_view, 0x55> HanKataTable;
} // namespace kana::detail::HanZenTables
