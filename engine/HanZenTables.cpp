// The width tables. Byte values are what counts; the glyphs in the comments are how
// code page 932 shows them.
#include "HanZenTables.h"

#include <utility>

namespace kana::detail::HanZenTables {

namespace {

constexpr std::array<std::string_view, 0x80> MakeZenSymbolTable() {
    std::array<std::string_view, 0x80> T{};
    T[0x20] = "\x81\x40"; // full-width space
    T[0x21] = "\x81\x49"; // ！
    T[0x22] = "\x81\x68"; // ” (closing quotation mark)
    T[0x23] = "\x81\x94"; // ＃
    T[0x24] = "\x81\x90"; // ＄
    T[0x25] = "\x81\x93"; // ％
    T[0x26] = "\x81\x95"; // ＆
    T[0x27] = "\x81\x66"; // ’ (closing single quotation mark)
    T[0x28] = "\x81\x69"; // （
    T[0x29] = "\x81\x6A"; // ）
    T[0x2A] = "\x81\x96"; // ＊
    T[0x2B] = "\x81\x7B"; // ＋
    T[0x2C] = "\x81\x43"; // ，
    T[0x2D] = "\x81\x7C"; // －
    T[0x2E] = "\x81\x44"; // ．
    T[0x2F] = "\x81\x5E"; // ／
    T[0x3A] = "\x81\x46"; // ：
    T[0x3B] = "\x81\x47"; // ；
    T[0x3C] = "\x81\x83"; // ＜
    T[0x3D] = "\x81\x81"; // ＝
    T[0x3E] = "\x81\x84"; // ＞
    T[0x3F] = "\x81\x48"; // ？
    T[0x40] = "\x81\x97"; // ＠
    T[0x5B] = "\x81\x6D"; // ［
    T[0x5C] = "\x81\x8F"; // ￥ (0x5C is the yen sign in code page 932)
    T[0x5D] = "\x81\x6E"; // ］
    T[0x5E] = "\x81\x4F"; // ＾
    T[0x5F] = "\x81\x51"; // ＿
    T[0x60] = "\x81\x4D"; // ｀
    T[0x7B] = "\x81\x6F"; // ｛
    T[0x7C] = "\x81\x62"; // ｜
    T[0x7D] = "\x81\x70"; // ｝
    T[0x7E] = "\x81\x60"; // ～
    T[0x7F] = "";         // DEL has no full-width form
    return T;
}

// Half-width form of each lead-0x81 symbol that has one, as (trail, half-width byte).
constexpr std::pair<std::uint8_t, std::uint8_t> SymbolToHan[] = {
    {0x40, 0x20}, // 　 space
    {0x41, 0xA4}, // 、 ､
    {0x42, 0xA1}, // 。 ｡
    {0x43, 0x2C}, // ， ,
    {0x44, 0x2E}, // ． .
    {0x45, 0xA5}, // ・ ･
    {0x46, 0x3A}, // ： :
    {0x47, 0x3B}, // ； ;
    {0x48, 0x3F}, // ？ ?
    {0x49, 0x21}, // ！ !
    {0x4A, 0xDE}, // ゛ ﾞ
    {0x4B, 0xDF}, // ゜ ﾟ
    {0x4D, 0x60}, // ｀ `
    {0x4F, 0x5E}, // ＾ ^
    {0x51, 0x5F}, // ＿ _
    {0x5B, 0xB0}, // ー ｰ
    {0x5C, 0x2D}, // ― -
    {0x5D, 0x2D}, // ‐ -
    {0x5E, 0x2F}, // ／ /
    {0x60, 0x7E}, // ～ ~
    {0x62, 0x7C}, // ｜ |
    {0x65, 0x27}, // ‘ '
    {0x66, 0x27}, // ’ '
    {0x67, 0x22}, // “ "
    {0x68, 0x22}, // ” "
    {0x69, 0x28}, // （ (
    {0x6A, 0x29}, // ） )
    {0x6D, 0x5B}, // ［ [
    {0x6E, 0x5D}, // ］ ]
    {0x6F, 0x7B}, // ｛ {
    {0x70, 0x7D}, // ｝ }
    {0x71, 0x3C}, // 〈 <
    {0x72, 0x3E}, // 〉 >
    {0x75, 0xA2}, // 「 ｢
    {0x76, 0xA3}, // 」 ｣
    {0x7B, 0x2B}, // ＋ +
    {0x7C, 0x2D}, // － -
    {0x81, 0x3D}, // ＝ =
    {0x83, 0x3C}, // ＜ <
    {0x84, 0x3E}, // ＞ >
    {0x8B, 0xDF}, // ° ﾟ
    {0x8C, 0x27}, // ′ '
    {0x8D, 0x22}, // ″ "
    {0x8F, 0x5C}, // ￥ yen sign
    {0x90, 0x24}, // ＄ $
    {0x93, 0x25}, // ％ %
    {0x94, 0x23}, // ＃ #
    {0x95, 0x26}, // ＆ &
    {0x96, 0x2A}, // ＊ *
    {0x97, 0x40}, // ＠ @
};

// Up is the distance to a higher half-width byte, Down to a lower one; both stay 0 for a
// symbol without a half-width form.
constexpr std::array<std::uint8_t, 0x60> MakeHanSymbol(bool Up) {
    std::array<std::uint8_t, 0x60> T{};
    for (auto [Trail, Han] : SymbolToHan) {
        if (Up && Han > Trail) T[Trail - 0x40] = static_cast<std::uint8_t>(Han - Trail);
        if (!Up && Han < Trail) T[Trail - 0x40] = static_cast<std::uint8_t>(Trail - Han);
    }
    return T;
}

} // namespace

constinit const std::array<std::string_view, 0x80> ZenSymbolTable = MakeZenSymbolTable();

constinit const std::array<std::string_view, 0x40> ZenKanaTable = {
    "\x81\x40", // 0xA0 (no character): full-width space
    "\x81\x42", // ｡ 。
    "\x81\x75", // ｢ 「
    "\x81\x76", // ｣ 」
    "\x81\x41", // ､ 、
    "\x81\x45", // ･ ・
    "\x83\x92", // ｦ ヲ
    "\x83\x40", // ｧ ァ
    "\x83\x42", // ｨ ィ
    "\x83\x44", // ｩ ゥ
    "\x83\x46", // ｪ ェ
    "\x83\x48", // ｫ ォ
    "\x83\x83", // ｬ ャ
    "\x83\x85", // ｭ ュ
    "\x83\x87", // ｮ ョ
    "\x83\x62", // ｯ ッ
    "\x81\x7C", // ｰ － (the minus, not the long-vowel mark ー)
    "\x83\x41", // ｱ ア
    "\x83\x43", // ｲ イ
    "\x83\x45", // ｳ ウ
    "\x83\x47", // ｴ エ
    "\x83\x49", // ｵ オ
    "\x83\x4A", // ｶ カ
    "\x83\x4C", // ｷ キ
    "\x83\x4E", // ｸ ク
    "\x83\x50", // ｹ ケ
    "\x83\x52", // ｺ コ
    "\x83\x54", // ｻ サ
    "\x83\x56", // ｼ シ
    "\x83\x58", // ｽ ス
    "\x83\x5A", // ｾ セ
    "\x83\x5C", // ｿ ソ
    "\x83\x5E", // ﾀ タ
    "\x83\x60", // ﾁ チ
    "\x83\x63", // ﾂ ツ
    "\x83\x65", // ﾃ テ
    "\x83\x67", // ﾄ ト
    "\x83\x69", // ﾅ ナ
    "\x83\x6A", // ﾆ ニ
    "\x83\x6B", // ﾇ ヌ
    "\x83\x6C", // ﾈ ネ
    "\x83\x6D", // ﾉ ノ
    "\x83\x6E", // ﾊ ハ
    "\x83\x71", // ﾋ ヒ
    "\x83\x74", // ﾌ フ
    "\x83\x77", // ﾍ ヘ
    "\x83\x7A", // ﾎ ホ
    "\x83\x7D", // ﾏ マ
    "\x83\x7E", // ﾐ ミ
    "\x83\x80", // ﾑ ム
    "\x83\x81", // ﾒ メ
    "\x83\x82", // ﾓ モ
    "\x83\x84", // ﾔ ヤ
    "\x83\x86", // ﾕ ユ
    "\x83\x88", // ﾖ ヨ
    "\x83\x89", // ﾗ ラ
    "\x83\x8A", // ﾘ リ
    "\x83\x8B", // ﾙ ル
    "\x83\x8C", // ﾚ レ
    "\x83\x8D", // ﾛ ロ
    "\x83\x8F", // ﾜ ワ
    "\x83\x93", // ﾝ ン
    "\x81\x4A", // ﾞ ゛
    "\x81\x4B", // ﾟ ゜
};

constinit const std::array<std::string_view, 0x19> ZenDakuonTable = {
    "\x83\x4B", // ｶﾞ ガ
    "\x83\x4D", // ｷﾞ ギ
    "\x83\x4F", // ｸﾞ グ
    "\x83\x51", // ｹﾞ ゲ
    "\x83\x53", // ｺﾞ ゴ
    "\x83\x55", // ｻﾞ ザ
    "\x83\x57", // ｼﾞ ジ
    "\x83\x59", // ｽﾞ ズ
    "\x83\x5B", // ｾﾞ ゼ
    "\x83\x5D", // ｿﾞ ゾ
    "\x83\x5F", // ﾀﾞ ダ
    "\x83\x61", // ﾁﾞ ヂ
    "\x83\x64", // ﾂﾞ ヅ
    "\x83\x66", // ﾃﾞ デ
    "\x83\x68", // ﾄﾞ ド
    "",         // ﾅ..ﾉ take no voiced mark
    "",         "", "", "",
    "\x83\x6F", // ﾊﾞ バ
    "\x83\x72", // ﾋﾞ ビ
    "\x83\x75", // ﾌﾞ ブ
    "\x83\x78", // ﾍﾞ ベ
    "\x83\x7B", // ﾎﾞ ボ
};

constinit const std::array<std::string_view, 0x05> ZenHandakuonTable = {
    "\x83\x70", // ﾊﾟ パ
    "\x83\x73", // ﾋﾟ ピ
    "\x83\x76", // ﾌﾟ プ
    "\x83\x79", // ﾍﾟ ペ
    "\x83\x7C", // ﾎﾟ ポ
};

constinit const std::array<std::uint8_t, 0x60> HanSymbolUp = MakeHanSymbol(true);
constinit const std::array<std::uint8_t, 0x60> HanSymbolDown = MakeHanSymbol(false);

constinit const std::array<std::string_view, 0x55> HanKataTable = {
    "\xA7",     // 0x40 ァ ｧ
    "\xB1",     // 0x41 ア ｱ
    "\xA8",     // 0x42 ィ ｨ
    "\xB2",     // 0x43 イ ｲ
    "\xA9",     // 0x44 ゥ ｩ
    "\xB3",     // 0x45 ウ ｳ
    "\xAA",     // 0x46 ェ ｪ
    "\xB4",     // 0x47 エ ｴ
    "\xAB",     // 0x48 ォ ｫ
    "\xB5",     // 0x49 オ ｵ
    "\xB6",     // 0x4A カ ｶ
    "\xB6\xDE", // 0x4B ガ ｶﾞ
    "\xB7",     // 0x4C キ ｷ
    "\xB7\xDE", // 0x4D ギ ｷﾞ
    "\xB8",     // 0x4E ク ｸ
    "\xB8\xDE", // 0x4F グ ｸﾞ
    "\xB9",     // 0x50 ケ ｹ
    "\xB9\xDE", // 0x51 ゲ ｹﾞ
    "\xBA",     // 0x52 コ ｺ
    "\xBA\xDE", // 0x53 ゴ ｺﾞ
    "\xBB",     // 0x54 サ ｻ
    "\xBB\xDE", // 0x55 ザ ｻﾞ
    "\xBC",     // 0x56 シ ｼ
    "\xBC\xDE", // 0x57 ジ ｼﾞ
    "\xBD",     // 0x58 ス ｽ
    "\xBD\xDE", // 0x59 ズ ｽﾞ
    "\xBE",     // 0x5A セ ｾ
    "\xBE\xDE", // 0x5B ゼ ｾﾞ
    "\xBF",     // 0x5C ソ ｿ
    "\xBF\xDE", // 0x5D ゾ ｿﾞ
    "\xC0",     // 0x5E タ ﾀ
    "\xC0\xDE", // 0x5F ダ ﾀﾞ
    "\xC1",     // 0x60 チ ﾁ
    "\xC1\xDE", // 0x61 ヂ ﾁﾞ
    "\xAF",     // 0x62 ッ ｯ
    "\xC2",     // 0x63 ツ ﾂ
    "\xC2\xDE", // 0x64 ヅ ﾂﾞ
    "\xC3",     // 0x65 テ ﾃ
    "\xC3\xDE", // 0x66 デ ﾃﾞ
    "\xC4",     // 0x67 ト ﾄ
    "\xC4\xDE", // 0x68 ド ﾄﾞ
    "\xC5",     // 0x69 ナ ﾅ
    "\xC6",     // 0x6A ニ ﾆ
    "\xC7",     // 0x6B ヌ ﾇ
    "\xC8",     // 0x6C ネ ﾈ
    "\xC9",     // 0x6D ノ ﾉ
    "\xCA",     // 0x6E ハ ﾊ
    "\xCA\xDE", // 0x6F バ ﾊﾞ
    "\xCA\xDF", // 0x70 パ ﾊﾟ
    "\xCB",     // 0x71 ヒ ﾋ
    "\xCB\xDE", // 0x72 ビ ﾋﾞ
    "\xCB\xDF", // 0x73 ピ ﾋﾟ
    "\xCC",     // 0x74 フ ﾌ
    "\xCC\xDE", // 0x75 ブ ﾌﾞ
    "\xCC\xDF", // 0x76 プ ﾌﾟ
    "\xCD",     // 0x77 ヘ ﾍ
    "\xCD\xDE", // 0x78 ベ ﾍﾞ
    "\xCD\xDF", // 0x79 ペ ﾍﾟ
    "\xCE",     // 0x7A ホ ﾎ
    "\xCE\xDE", // 0x7B ボ ﾎﾞ
    "\xCE\xDF", // 0x7C ポ ﾎﾟ
    "\xCF",     // 0x7D マ ﾏ
    "\xD0",     // 0x7E ミ ﾐ
    "",         // 0x7F is no trail byte
    "\xD1",     // 0x80 ム ﾑ
    "\xD2",     // 0x81 メ ﾒ
    "\xD3",     // 0x82 モ ﾓ
    "\xAC",     // 0x83 ャ ｬ
    "\xD4",     // 0x84 ヤ ﾔ
    "\xAD",     // 0x85 ュ ｭ
    "\xD5",     // 0x86 ユ ﾕ
    "\xAE",     // 0x87 ョ ｮ
    "\xD6",     // 0x88 ヨ ﾖ
    "\xD7",     // 0x89 ラ ﾗ
    "\xD8",     // 0x8A リ ﾘ
    "\xD9",     // 0x8B ル ﾙ
    "\xDA",     // 0x8C レ ﾚ
    "\xDB",     // 0x8D ロ ﾛ
    "\xDC",     // 0x8E ヮ ﾜ
    "\xDC",     // 0x8F ワ ﾜ
    "\x83\x90", // 0x90 ヰ has no half-width form
    "\x83\x91", // 0x91 ヱ has no half-width form
    "\xA6",     // 0x92 ヲ ｦ
    "\xDD",     // 0x93 ン ﾝ
    "\xB3\xDE", // 0x94 ヴ ｳﾞ
};

} // namespace kana::detail::HanZenTables
