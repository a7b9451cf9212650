// The encoding judge's steps: each takes the state after the bytes before and adds the
// evidence of the next bytes. The reference reads them one by one, as two decoders would;
// the vector levels (x86/) find the same events for 64 bytes at a time from their classes.
// Private to the text layer.
#pragma once

#include "Detect.h"

#include <cstddef>
#include <cstdint>

namespace judge::detail {

// The classes of the last bytes that the vector levels carry in TState::Carry.
enum TCarried : unsigned {
    cHigh,           // 0x80..0xFF
    cLead,           // 0xC2..0xF4: starts a UTF-8 character of two to four bytes
    cLead34,         // 0xE0..0xF4
    cLead4,          // 0xF0..0xF4
    cLead2,          // 0xC2..0xDF
    cNo8x,           // lead bytes whose second byte may not be 80..8F (E0, F0),
    cNo9x,           // 90..9F (E0, F4),
    cNoAB,           // A0..BF (ED, F4)
    cLatin,          // 0xC3..0xCC, and 0xC3, 0xCD: lead bytes of two-byte letters
    cC3,             //
    cCd,             //
    cSecond,         // the valid second byte of a UTF-8 character
    cThird,          // the valid third byte of a three- or four-byte character
    cTwoByteEnd,     // the last byte of a two-byte character
    cAlonePair,      // ... of one that is a letter and half-width katakana too
    cLetter,         // A..Z, a..z
    cSjisCommon,     // lead bytes by their rows, as Detect.h counts them
    cSjisUnassigned, //
    cSjisLead,       // a Shift-JIS lead byte that takes the next one
    cCr,             // 0x0D
    cCarried
};
static_assert(cCarried == sizeof(TState::Carry) / sizeof(TState::Carry[0]));

// The reference: every byte through a UTF-8 decoder and a Shift-JIS decoder.
void StepsReference(TState& S, const std::uint8_t* P, std::size_t N);

// The verdict that evidence gives with this margin.
constexpr TJudgedEncoding VerdictOf(bool NonAscii, bool ByteOrderMark, std::int64_t Margin) {
    return !NonAscii       ? TJudgedEncoding::Ascii
           : ByteOrderMark ? TJudgedEncoding::Utf8
           : Margin >= 0   ? TJudgedEncoding::Utf8
                           : TJudgedEncoding::Sjis;
}

// True when the first three bytes seen are a UTF-8 byte-order mark.
inline bool StartsWithMark(const TState& S) {
    return S.Start[0] == 0xEF && S.Start[1] == 0xBB && S.Start[2] == 0xBF;
}

} // namespace judge::detail

#if defined(KANA_X86_KERNELS)
namespace x86 {
void JudgeSse42(judge::detail::TState& S, const std::uint8_t* P, std::size_t N);
void JudgeAvx2(judge::detail::TState& S, const std::uint8_t* P, std::size_t N);
void JudgeAvx512(judge::detail::TState& S, const std::uint8_t* P, std::size_t N);
} // namespace x86
#endif
