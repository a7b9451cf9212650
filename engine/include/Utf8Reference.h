// The reference step for UTF-8 text: what one character becomes under a set of options,
// read plainly. The UTF-8 plan (Utf8Plan.h) is compiled from it. Private to the engine.
//
// UTF-8 text follows the faithful rules and Unicode's own width pairs:
// - Mark and its classes pair ASCII 0x21..0x7E with U+FF01..U+FF5E, and ¢ £ ¬ ¯ ¦ ¥ ₩ with
//   U+FFE0..U+FFE6; no other character (quotation marks, dashes, ′ ″, °) is touched by them.
// - Katakana widths follow U+FF61..U+FF9F, with ﾜﾞ ⇄ ヷ and ｦﾞ ⇄ ヺ; a lone ﾞ ﾟ widens to
//   the spacing marks ゛ ゜.
// - The kana moves include ヴ ⇄ ゔ and ヵ ヶ ⇄ ゕ ゖ, and the letter sizes か ⇄ ゕ, け ⇄ ゖ.
// Every other character that code page 932 holds goes through the Shift-JIS reference step
// as its code page 932 form, so the two encodings share every other rule.
#pragma once

#include "HanZen.h"

#include <string>

namespace kana::detail {

class TUtf8Reference {
public:
    explicit TUtf8Reference(const TOptions& Options);

    // Appends what the character C becomes to Out and returns how many characters it used:
    // 2 when it took Next (a voicing mark that merges into C), else 1. HasNext is false
    // when C ends the text.
    int Convert(char32_t C, char32_t Next, bool HasNext, std::u32string& Out) const;

private:
    // The letter-size step for text made by the rules of UTF-8's own.
    void AppendSized(char32_t C, std::u32string& Out) const;
    // C through the Shift-JIS reference step, as its code page 932 form Code.
    int ConvertAsCp932(std::uint16_t Code, char32_t Next, bool HasNext, std::u32string& Out) const;

    TOptions FOptions;
    THanZen FEngine; // the same options under the faithful rules, Mark and its classes off
};

} // namespace kana::detail
