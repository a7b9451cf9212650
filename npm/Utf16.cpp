// JavaScript strings in and out of the module as UTF-16, which the script copies at the
// speed of memory, where its own UTF-8 decoding is slow. A lone surrogate, which is no
// character, becomes the three bytes UTF-8 would give it: the converter passes them
// through as bytes that are no UTF-8, and they come back as the same surrogate.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::uint16_t Replacement = 0xFFFD;

bool Continuation(std::uint8_t B) {
    return (B & 0xC0) == 0x80;
}

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
