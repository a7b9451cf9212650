// The byte facts of Shift-JIS (code page 932) that the engine and ostrel's hive share:
// which bytes start a double-byte character, which may follow one, and the half-width
// voicing marks.
#pragma once

#include <cstdint>

namespace sjis {

// 0x81..0x9F and 0xE0..0xFC.
constexpr bool IsLeadByte(std::uint8_t B) {
    return (B >= 0x81 && B <= 0x9F) || (B >= 0xE0 && B <= 0xFC);
}

// 0x40..0x7E and 0x80..0xFC; 0x7F is none.
constexpr bool IsTrailByte(std::uint8_t B) {
    return B >= 0x40 && B <= 0xFC && B != 0x7F;
}

constexpr std::uint8_t VoicedMark = 0xDE;     // ﾞ
constexpr std::uint8_t SemiVoicedMark = 0xDF; // ﾟ

constexpr bool IsVoicingMark(std::uint8_t B) {
    return B == VoicedMark || B == SemiVoicedMark;
}

} // namespace sjis
