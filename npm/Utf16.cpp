// JavaScript strings in and out of the module as UTF-16, which the script copies at the
// speed of memory, where its own UTF-8 decoding is slow. A lone surrogate, which is no
// character, becomes the three bytes UTF-8 would give it: the converter passes them
// through as bytes that are no UTF-8, and they come back as the same surrogate.
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__wasm_simd128__)
#include <wasm_simd128.h>
#endif

namespace {

constexpr std::uint16_t Replacement = 0xFFFD;

bool Continuation(std::uint8_t B) {
    return (B & 0xC0) == 0x80;
}

#if defined(__wasm_simd128__)
// Japanese text is mostly characters of three UTF-8 bytes: the SIMD module takes runs of
// them a block at a time.

// Writes the 24 bytes of 8 units at In when each takes three (U+0800..U+FFFF, no
// surrogate).
bool ThreeByteUnits(const std::uint16_t* In, std::uint8_t* W) {
    const v128_t U = wasm_v128_load(In);
    const v128_t Wide = wasm_u16x8_ge(U, wasm_i16x8_splat(0x800));
    const v128_t NoSurrogate =
        wasm_u16x8_ge(wasm_i16x8_sub(U, wasm_i16x8_splat(static_cast<std::int16_t>(0xD800))),
                      wasm_i16x8_splat(0x800));
    if (!wasm_i16x8_all_true(wasm_v128_and(Wide, NoSurrogate))) return false;
    const v128_t Six = wasm_i16x8_splat(0x3F), Mark = wasm_i16x8_splat(0x80);
    const v128_t B0 = wasm_v128_or(wasm_u16x8_shr(U, 12), wasm_i16x8_splat(0xE0));
    const v128_t B1 = wasm_v128_or(wasm_v128_and(wasm_u16x8_shr(U, 6), Six), Mark);
    const v128_t B2 = wasm_v128_or(wasm_v128_and(U, Six), Mark);
    const v128_t B01 = wasm_u8x16_narrow_i16x8(B0, B1); // first bytes, then second bytes
    const v128_t B22 = wasm_u8x16_narrow_i16x8(B2, B2);
    wasm_v128_store(
        W, wasm_i8x16_shuffle(B01, B22, 0, 8, 16, 1, 9, 17, 2, 10, 18, 3, 11, 19, 4, 12, 20, 5));
    const std::uint64_t Tail = static_cast<std::uint64_t>(wasm_i64x2_extract_lane(
        wasm_i8x16_shuffle(B01, B22, 13, 21, 6, 14, 22, 7, 15, 23, 0, 0, 0, 0, 0, 0, 0, 0), 0));
    std::memcpy(W + 16, &Tail, sizeof Tail);
    return true;
}

// Writes 8 units, the first 5 of them the characters of the 15 bytes at In, when those are
// 5 sequences of three bytes (no overlong one); reads 16 bytes.
bool ThreeByteSequences(const std::uint8_t* In, std::uint16_t* W) {
    const v128_t V = wasm_v128_load(In);
    const v128_t Mask = wasm_i8x16_make(-16, -64, -64, -16, -64, -64, -16, -64, -64, -16, -64, -64,
                                        -16, -64, -64, 0);
    const v128_t Want = wasm_i8x16_make(-32, -128, -128, -32, -128, -128, -32, -128, -128, -32,
                                        -128, -128, -32, -128, -128, 0);
    if (!wasm_i8x16_all_true(wasm_i8x16_eq(wasm_v128_and(V, Mask), Want))) return false;
    const v128_t First = wasm_i8x16_swizzle(
        V, wasm_i8x16_make(0, 16, 3, 16, 6, 16, 9, 16, 12, 16, 16, 16, 16, 16, 16, 16));
    const v128_t Second = wasm_i8x16_swizzle(
        V, wasm_i8x16_make(1, 16, 4, 16, 7, 16, 10, 16, 13, 16, 16, 16, 16, 16, 16, 16));
    const v128_t Third = wasm_i8x16_swizzle(
        V, wasm_i8x16_make(2, 16, 5, 16, 8, 16, 11, 16, 14, 16, 16, 16, 16, 16, 16, 16));
    const v128_t U =
        wasm_v128_or(wasm_v128_or(wasm_i16x8_shl(wasm_v128_and(First, wasm_i16x8_splat(0x0F)), 12),
                                  wasm_i16x8_shl(wasm_v128_and(Second, wasm_i16x8_splat(0x3F)), 6)),
                     wasm_v128_and(Third, wasm_i16x8_splat(0x3F)));
    if ((wasm_i16x8_bitmask(wasm_u16x8_ge(U, wasm_i16x8_splat(0x800))) & 0x1F) != 0x1F)
        return false;
    wasm_v128_store(W, U);
    return true;
}
#endif

} // namespace

extern "C" {

// Writes the UTF-8 of Units code units at In to Out, which has room for 3 bytes a unit;
// returns the bytes written.
__attribute__((used, visibility("default"))) std::size_t
kana_wasm_utf16_to_utf8(const std::uint16_t* In, std::size_t Units, std::uint8_t* Out) {
    std::uint8_t* W = Out;
    std::size_t I = 0;
    while (I < Units) {
        // Runs of ASCII, four units at a time.
        for (std::uint64_t Four; I + 4 <= Units; I += 4, W += 4) {
            std::memcpy(&Four, In + I, sizeof Four);
            if (Four & 0xFF80FF80FF80FF80u) break;
            W[0] = static_cast<std::uint8_t>(Four);
            W[1] = static_cast<std::uint8_t>(Four >> 16);
            W[2] = static_cast<std::uint8_t>(Four >> 32);
            W[3] = static_cast<std::uint8_t>(Four >> 48);
        }
#if defined(__wasm_simd128__)
        for (; I + 8 <= Units && ThreeByteUnits(In + I, W); I += 8) W += 24;
#endif
        if (I == Units) break;
        std::uint32_t C = In[I++];
        if (C < 0x80) {
            *W++ = static_cast<std::uint8_t>(C);
        } else if (C < 0x800) {
            *W++ = static_cast<std::uint8_t>(0xC0 | C >> 6);
            *W++ = static_cast<std::uint8_t>(0x80 | (C & 0x3F));
        } else if (C >= 0xD800 && C < 0xDC00 && I < Units && In[I] >= 0xDC00 && In[I] < 0xE000) {
            C = 0x10000 + ((C - 0xD800) << 10) + (In[I++] - 0xDC00);
            *W++ = static_cast<std::uint8_t>(0xF0 | C >> 18);
            *W++ = static_cast<std::uint8_t>(0x80 | (C >> 12 & 0x3F));
            *W++ = static_cast<std::uint8_t>(0x80 | (C >> 6 & 0x3F));
            *W++ = static_cast<std::uint8_t>(0x80 | (C & 0x3F));
        } else { // the rest of the first plane, and lone surrogates
            *W++ = static_cast<std::uint8_t>(0xE0 | C >> 12);
            *W++ = static_cast<std::uint8_t>(0x80 | (C >> 6 & 0x3F));
            *W++ = static_cast<std::uint8_t>(0x80 | (C & 0x3F));
        }
    }
    return static_cast<std::size_t>(W - Out);
}

// Writes the UTF-16 of Size bytes of UTF-8 at In (surrogates written as three bytes
// taken back) to Out, which has room for a unit a byte; returns the units written. A byte
// that starts no sequence becomes U+FFFD.
__attribute__((used, visibility("default"))) std::size_t
kana_wasm_utf8_to_utf16(const std::uint8_t* In, std::size_t Size, std::uint16_t* Out) {
    std::uint16_t* W = Out;
    std::size_t I = 0;
    while (I < Size) {
        for (std::uint64_t Eight; I + 8 <= Size; I += 8, W += 8) {
            std::memcpy(&Eight, In + I, sizeof Eight);
            if (Eight & 0x8080808080808080u) break;
            for (unsigned K = 0; K < 8; ++K) W[K] = static_cast<std::uint8_t>(Eight >> 8 * K);
        }
#if defined(__wasm_simd128__)
        for (; I + 16 <= Size && ThreeByteSequences(In + I, W); I += 15) W += 5;
#endif
        if (I == Size) break;
        const std::uint8_t B = In[I];
        const std::size_t Left = Size - I;
        if (B < 0x80) {
            *W++ = B;
            I += 1;
        } else if (B >= 0xC2 && B < 0xE0 && Left >= 2 && Continuation(In[I + 1])) {
            *W++ = static_cast<std::uint16_t>((B & 0x1F) << 6 | (In[I + 1] & 0x3F));
            I += 2;
        } else if (B >= 0xE0 && B < 0xF0 && Left >= 3 && Continuation(In[I + 1]) &&
                   Continuation(In[I + 2]) && (B > 0xE0 || In[I + 1] >= 0xA0)) {
            *W++ = static_cast<std::uint16_t>((B & 0x0F) << 12 | (In[I + 1] & 0x3F) << 6 |
                                              (In[I + 2] & 0x3F));
            I += 3;
        } else if (B >= 0xF0 && B < 0xF5 && Left >= 4 && Continuation(In[I + 1]) &&
                   Continuation(In[I + 2]) && Continuation(In[I + 3]) &&
                   (B > 0xF0 || In[I + 1] >= 0x90) && (B < 0xF4 || In[I + 1] < 0x90)) {
            const std::uint32_t C = ((B & 0x07u) << 18 | (In[I + 1] & 0x3Fu) << 12 |
                                     (In[I + 2] & 0x3Fu) << 6 | (In[I + 3] & 0x3Fu)) -
                                    0x10000;
            *W++ = static_cast<std::uint16_t>(0xD800 | C >> 10);
            *W++ = static_cast<std::uint16_t>(0xDC00 | (C & 0x3FF));
            I += 4;
        } else {
            *W++ = Replacement;
            I += 1;
        }
    }
    return static_cast<std::size_t>(W - Out);
}

} // extern "C"
