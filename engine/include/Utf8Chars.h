// UTF-8 characters one at a time: decoding with every malformed sequence refused, and
// encoding. Internal to the engine and the text layer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kana::detail {

// One UTF-8 character: its length and code point; Length 0 for bytes that are no
// well-formed sequence (overlong, a surrogate, past U+10FFFF, or cut short).
struct TUtf8Char {
    std::size_t Length;
    char32_t Code;
};

inline TUtf8Char DecodeUtf8(const std::uint8_t* P, std::size_t Left) {
    const std::uint8_t B = P[0];
    if (B < 0x80) return {1, B};
    const auto Continues = [P](std::size_t I) { return (P[I] & 0xC0) == 0x80; };
    if (B >= 0xC2 && B <= 0xDF) {
        if (Left < 2 || !Continues(1)) return {0, 0};
        return {2, static_cast<char32_t>((B & 0x1F) << 6 | (P[1] & 0x3F))};
    }
    if (B >= 0xE0 && B <= 0xEF) {
        if (Left < 3 || !Continues(1) || !Continues(2)) return {0, 0};
        const char32_t C = (B & 0x0F) << 12 | (P[1] & 0x3F) << 6 | (P[2] & 0x3F);
        if (C < 0x800 || (C >= 0xD800 && C <= 0xDFFF)) return {0, 0};
        return {3, C};
    }
    if (B >= 0xF0 && B <= 0xF4) {
        if (Left < 4 || !Continues(1) || !Continues(2) || !Continues(3)) return {0, 0};
        const char32_t C =
            (B & 0x07) << 18 | (P[1] & 0x3F) << 12 | (P[2] & 0x3F) << 6 | (P[3] & 0x3F);
        if (C < 0x10000 || C > 0x10FFFF) return {0, 0};
        return {4, C};
    }
    return {0, 0};
}

// Writes the UTF-8 form of C (a code point other than a surrogate) at W, which has room
// for four bytes; returns the end.
inline char* EncodeUtf8(char32_t C, char* W) {
    if (C < 0x80) {
        *W++ = static_cast<char>(C);
    } else if (C < 0x800) {
        *W++ = static_cast<char>(0xC0 | C >> 6);
        *W++ = static_cast<char>(0x80 | (C & 0x3F));
    } else if (C < 0x10000) {
        *W++ = static_cast<char>(0xE0 | C >> 12);
        *W++ = static_cast<char>(0x80 | (C >> 6 & 0x3F));
        *W++ = static_cast<char>(0x80 | (C & 0x3F));
    } else {
        *W++ = static_cast<char>(0xF0 | C >> 18);
        *W++ = static_cast<char>(0x80 | (C >> 12 & 0x3F));
        *W++ = static_cast<char>(0x80 | (C >> 6 & 0x3F));
        *W++ = static_cast<char>(0x80 | (C & 0x3F));
    }
    return W;
}

// True when the Left bytes at P are the start of a well-formed sequence, cut short.
inline bool CutShort(const std::uint8_t* P, std::size_t Left) {
    std::uint8_t Low[4] = {P[0], 0x80, 0x80, 0x80}; // the smallest continuation bytes
    std::uint8_t High[4] = {P[0], 0xBF, 0xBF, 0xBF}; // and the largest
    for (std::size_t I = 1; I < Left && I < 4; ++I) Low[I] = High[I] = P[I];
    // 0x80 continuations may be too small after E0, F0 (overlong) but not too large
    // after ED, F4: one of the two decodes when the start is good.
    return DecodeUtf8(Low, 4).Length > Left || DecodeUtf8(High, 4).Length > Left;
}

} // namespace kana::detail
