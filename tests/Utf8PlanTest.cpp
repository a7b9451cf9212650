// UTF-8 text: the plan against the reference step it is compiled from, on every character
// an option set can touch; the two encodings against each other through iconv; and the
// rules of UTF-8's own checked against Unicode's arithmetic, not against a table.
#include "Cp932.h"
#include "Sjis.h"
#include "TextConverter.h"
#include "Utf8Chars.h"
#include "EngineLevels.h"
#include "Utf8Plan.h"
#include "Utf8Reference.h"

#include <gtest/gtest.h>

#include <random>

using namespace kana::detail;

namespace {

std::string Utf8Of(char32_t C) {
    char B[4];
    return std::string(B, EncodeUtf8(C, B));
}

// UTF-8 text converted whole under O, written as UTF-8.
std::string Converted(const TOptions& O, std::string_view Text) {
    std::string Out;
    TextConverter(O, TEncoding::Utf8, TEncoding::Utf8)->Convert(Text, Out);
    return Out;
}

// The reference's reading of a UTF-8 text: character after character through the
// reference step, a byte that is no UTF-8 copied as it is and taking no mark.
std::string Walked(const TOptions& O, std::string_view Text) {
    const TUtf8Reference Reference(O);
    const auto* P = reinterpret_cast<const std::uint8_t*>(Text.data());
    const auto* const End = P + Text.size();
    std::string Out;
    std::u32string Chars;
    while (P < End) {
        const TUtf8Char C = DecodeUtf8(P, static_cast<std::size_t>(End - P));
        if (C.Length == 0) {
            Out += static_cast<char>(*P++);
            continue;
        }
        const TUtf8Char Next =
            P + C.Length < End ? DecodeUtf8(P + C.Length, static_cast<std::size_t>(End - P - C.Length))
                               : TUtf8Char{0, 0};
        Chars.clear();
        const int Used = Reference.Convert(C.Code, Next.Code, Next.Length != 0, Chars);
        for (const char32_t X : Chars) Out += Utf8Of(X);
        P += C.Length + (Used == 2 ? Next.Length : 0);
    }
    return Out;
}

// Every character an option may touch, each alone, before each voicing mark, and before a
// byte that is no UTF-8; and the marks alone.
const std::string& EveryTouchable() {
    static const std::string Text = [] {
        std::string T;
        for (char32_t C = 0; C < 0x10000; ++C) {
            const bool Touchable = C < 0x80 || cp932::Encode(C) != cp932::None ||
                                   (C >= 0xFF01 && C <= 0xFFEF) || (C >= 0x3094 && C <= 0x30FF) ||
                                   (C >= 0xA0 && C <= 0xFF) || C == 0x20A9;
            if (!Touchable || C == '\r' || (C >= 0xD800 && C <= 0xDFFF)) continue;
            const std::string U = Utf8Of(C);
            T += U + U + "\uFF9E" + U + "\uFF9F" + U + "\xFF" + U + "\n";
        }
        return T;
    }();
    return Text;
}

// Option sets: every value of each option next to the others at their first values, and
// random sets of every option, keep sets and tabs among them.
std::vector<TOptions> OptionSets() {
    std::vector<TOptions> Sets;
    const auto Each = [&Sets](auto Field, int Count) {
        for (int V = 0; V <= Count; ++V) {
            TOptions O{.Tab = tbSpace, .SpLen = 2};
            O.*Field = static_cast<std::remove_reference_t<decltype(O.*Field)>>(V == Count ? 0xFF : V);
            Sets.push_back(O);
        }
    };
    Each(&TOptions::ConvSize, 3);
    Each(&TOptions::Space, 3);
    Each(&TOptions::Kata, 4);
    Each(&TOptions::Hira, 3);
    Each(&TOptions::Mark, 3);
    Each(&TOptions::Letters, 4);
    Each(&TOptions::Digits, 4);
    Each(&TOptions::Symbols, 4);
    std::mt19937 Random(5);
    const std::u32string Keeps[] = {U"", U"\uFF9E", U"\u30FC\uFF21a\\ \t\u30AC\u3042"};
    for (int I = 0; I < 24; ++I)
        Sets.push_back({TConvSize(Random() % 3), TSpace(Random() % 3), TTab(Random() % 2),
                        TKata(Random() % 4), TToHira(Random() % 3), THira(Random() % 3),
                        TMark(Random() % 3), static_cast<std::int32_t>(Random() % 3),
                        mpFaithful, TClassWidth(Random() % 4), TClassWidth(Random() % 4),
                        TClassWidth(Random() % 4), leKeep, 0, Keeps[Random() % 3]});
    return Sets;
}

TEST(Utf8Plan, EveryCharacterAsTheReferenceStepConvertsIt) {
    for (const TOptions& O : OptionSets())
        ASSERT_EQ(Converted(O, EveryTouchable()), Walked(O, EveryTouchable()))
            << "Kata " << int(O.Kata) << " Hira " << int(O.Hira) << " Mark " << int(O.Mark)
            << " size " << int(O.ConvSize);
}

// Where code page 932 holds every character and the rules of UTF-8's own do not apply,
// the UTF-8 plan writes what the Shift-JIS plan writes, read through iconv: random lines
// of such characters under every kana, width and size option.
TEST(Utf8Plan, AgreesWithShiftJisThroughIconv) {
    // ヴ ヵ ヶ か け (and カ ケ, which may become them) ｳ ﾜ ｦ meet rules of UTF-8's own;
    // the marks of Mark differ by design.
    const std::vector<std::string> Pool = {
        "漢字", "ひらがな", "タテナニ", "ｻﾞﾊﾟｷﾟ", "ﾟﾞ", "ー ｰ °", "ゝゞヽヾゎヮゐヰ", "ぁァｧ",
        "、。「」・", "ＡＢｃ１２", "abc 123", "\t", "　", "Ωω Жж", "①㈱"};
    std::mt19937 Random(9);
    THanZen Sjis(nullptr);
    for (int Round = 0; Round < 3000; ++Round) {
        const TOptions O{TConvSize(Random() % 3), TSpace(Random() % 3), TTab(Random() % 2),
                         TKata(Random() % 4),     TToHira(Random() % 3), THira(Random() % 3),
                         mNone,                   static_cast<std::int32_t>(Random() % 3),
                         mpFaithful,              cwNone, cwNone, cwNone, leKeep};
        std::string Line;
        for (int N = Random() % 10; N > 0; --N) Line += Pool[Random() % Pool.size()];
        Sjis.SetOptions(O);
        ASSERT_EQ(Hex(Converted(O, Line)), Hex(Utf8(Sjis.ConvertLine(::Sjis(Line))))) << Line;
    }
}

// Mark pairs each ASCII graphic with one full-width form, and ¢ £ ¬ ¯ ¦ ¥ ₩ with
// U+FFE0..U+FFE6; it touches no other character, in either direction.
TEST(Utf8Plan, MarkFollowsUnicodesWidthPairsAndNothingElse) {
    const char32_t Narrow[] = {0xA2, 0xA3, 0xAC, 0xAF, 0xA6, 0xA5, 0x20A9};
    std::string Text, Wide, Narrowed;
    for (char32_t C = 0; C < 0x10000; ++C) {
        if ((C >= 0xD800 && C <= 0xDFFF) || C == '\r') continue;
        const std::string U = Utf8Of(C);
        Text += U;
        const auto Symbol = std::find(std::begin(Narrow), std::end(Narrow), C);
        Wide += C >= 0x21 && C <= 0x7E ? Utf8Of(C + 0xFEE0)
                : Symbol != std::end(Narrow) ? Utf8Of(0xFFE0 + static_cast<char32_t>(Symbol - Narrow))
                                             : U;
        Narrowed += C >= 0xFF01 && C <= 0xFF5E ? Utf8Of(C - 0xFEE0)
                    : C >= 0xFFE0 && C <= 0xFFE6 ? Utf8Of(Narrow[C - 0xFFE0])
                                                 : U;
    }
    EXPECT_EQ(Converted({.Mark = m2All}, Text), Wide);
    EXPECT_EQ(Converted({.Mark = m1All}, Text), Narrowed);
}

// Each class option alone, and classes going different ways, give every character what
// Mark would give it when its class is chosen, and leave it otherwise; in both encodings.
// A character's class is that of its ASCII partner: letter, digit, or any other symbol.
TEST(Utf8Plan, EachClassIsMarkRestrictedToIt) {
    const auto ClassOf = [](char32_t C) {
        const char32_t A = C >= 0xFF01 && C <= 0xFF5E ? C - 0xFEE0 : C;
        return (A >= 'A' && A <= 'Z') || (A >= 'a' && A <= 'z') ? 0 : A >= '0' && A <= '9' ? 1 : 2;
    };
    std::vector<char32_t> Chars;
    for (char32_t C = 0x21; C < 0x7F; ++C) Chars.push_back(C);
    for (char32_t C = 0xFF01; C < 0xFF5F; ++C) Chars.push_back(C);
    for (char32_t C : {0xA2, 0xA3, 0xA5, 0xAC, 0xFFE0, 0xFFE5, 0x2018, 0x201D, 0x3042}) Chars.push_back(C);
    const TMark Marks[] = {mNone, m1All, m2All};
    const TClassWidth Widths[] = {cwNone, cw1byte, cw2byte};
    THanZen Sjis(nullptr);
    for (int L = 0; L < 3; ++L)
        for (int D = 0; D < 3; ++D)
            for (int S = 0; S < 3; ++S) {
                const TOptions O{.Letters = Widths[L], .Digits = Widths[D], .Symbols = Widths[S]};
                const int Chosen[3] = {L, D, S};
                for (const char32_t C : Chars) {
                    const TOptions AsMark{.Mark = Marks[Chosen[ClassOf(C)]]};
                    const std::string U = Utf8Of(C);
                    ASSERT_EQ(Converted(O, U), Converted(AsMark, U)) << U << " " << L << D << S;
                    const std::uint16_t Code = cp932::Encode(C);
                    if (Code == cp932::None) continue;
                    const std::string B = Code > 0xFF ? Bytes({Code >> 8, Code & 0xFF}) : Bytes({Code});
                    Sjis.SetOptions(O);
                    const std::string Classes = Sjis.ConvertLine(B);
                    Sjis.SetOptions(AsMark);
                    ASSERT_EQ(Hex(Classes), Hex(Sjis.ConvertLine(B))) << U << " " << L << D << S;
                }
            }
}

// Kept characters come out as they went in, whatever the options, and a kept voicing
// mark merges into nothing.
TEST(Utf8Plan, KeptCharactersStay) {
    const std::string Text = "ｶﾞｰﾙ ガール ＡＢ１ ab1\\ ¥ ひらがな ヴ ﾜﾞ\t。";
    std::u32string All;
    for (const char* P = Text.data(); P < Text.data() + Text.size();) {
        const TUtf8Char C = DecodeUtf8(reinterpret_cast<const std::uint8_t*>(P), Text.size());
        All += C.Code;
        P += C.Length;
    }
    std::sort(All.begin(), All.end());
    All.erase(std::unique(All.begin(), All.end()), All.end());
    for (const TOptions& O : OptionSets()) {
        TOptions K = O;
        K.Keep = All;
        ASSERT_EQ(Converted(K, Text), Text);
    }
    EXPECT_EQ(Converted({.Kata = k2byte, .Keep = U"\uFF9E"}, "ｶﾞﾊﾟ"), "カﾞパ");
}

// Widening then narrowing gives half-width katakana back, ﾜﾞ and ｦﾞ through ヷ and ヺ;
// every full-width katakana that has a half-width form comes back from it.
TEST(Utf8Plan, KatakanaWidthsRoundTrip) {
    std::string Half, Full;
    for (char32_t C = 0xFF61; C <= 0xFF9D; ++C) {
        if (C == 0xFF70) continue; // ｰ widens to ー, which narrows back: below
        Half += Utf8Of(C) + "\uFF9E" + Utf8Of(C) + "\uFF9F" + Utf8Of(C) + " ";
    }
    EXPECT_EQ(Converted({.Kata = k1byte}, Converted({.Kata = k2byte}, Half)), Half);
    EXPECT_EQ(Converted({.Kata = k2byte}, "ﾜﾞｦﾞｳﾞｰﾞﾟ"), "ヷヺヴー゛゜");
    for (char32_t C = 0x30A1; C <= 0x30FA; ++C) Full += Utf8Of(C);
    const std::string Narrow = Converted({.Kata = k1byte}, Full);
    EXPECT_EQ(Converted({.Kata = k2byte}, Narrow), Full);
}

// The kana moves Shift-JIS cannot hold: every hiragana to its katakana (U+3041..U+3096 to
// U+30A1..U+30F6) and back; small and big kana as Unicode pairs them, ゕ ゖ ヵ ヶ among them.
TEST(Utf8Plan, KanaMovesThatOnlyUnicodeHolds) {
    std::string Hiragana, Katakana;
    for (char32_t C = 0x3041; C <= 0x3096; ++C) {
        Hiragana += Utf8Of(C);
        Katakana += Utf8Of(C + 0x60);
    }
    EXPECT_EQ(Converted({.Hira = h2Kata}, Hiragana), Katakana);
    EXPECT_EQ(Converted({.Kata = kHira}, Katakana), Hiragana);
    const std::string Big = "あいうえおつやゆよわかけアイウエオツヤユヨワカケ";
    const std::string Small = "ぁぃぅぇぉっゃゅょゎゕゖァィゥェォッャュョヮヵヶ";
    EXPECT_EQ(Converted({.ConvSize = cvSmall}, Big), Small);
    EXPECT_EQ(Converted({.ConvSize = cvBig}, Small), Big);
}

} // namespace

namespace {

// The vector kernels against the plan alone: random text of the characters that meet at a
// step's edges (ASCII, kana and full-width forms, half-width letters with runs of voicing
// marks, other two-, three- and four-byte characters, bytes that are no UTF-8, tabs),
// shifted by 0..63 bytes, under random options.
TEST(Utf8Plan, EveryLevelGivesThePlansBytes) {
    const std::vector<std::string> Pool = {
        "a", "Z9 ", "\t", "\r\n", "カ", "ガ", "ヷ", "ひ", "ー", "。", "ａ", "＼", "ｶ", "ﾞ", "ﾟ",
        "ﾜﾞ", "ｳﾞ", "ﾞﾞﾟ", "漢", "é", "Ω", "😀", "\xFF", "\xE3\x82", "\xC3", "\xED\xA0\x80", "¥"};
    // Tabs of a few spaces, and of more than a vector's worth.
    const std::int32_t SpLens[] = {0, 1, 2, 7, 64, 300};
    std::mt19937 Random(21);
    for (int Round = 0; Round < 1500; ++Round) {
        const TOptions O{TConvSize(Random() % 3), TSpace(Random() % 3), TTab(Random() % 2),
                         TKata(Random() % 4),     TToHira(Random() % 3), THira(Random() % 3),
                         TMark(Random() % 3),     SpLens[Random() % 6],
                         mpFaithful,              TClassWidth(Random() % 4), TClassWidth(Random() % 4),
                         TClassWidth(Random() % 4), leKeep};
        const auto Plan = Utf8PlanFor(O, TUtf8Output::Utf8);
        std::string Text(Random() % 64, 'x');
        while (Text.size() < 300) Text += Pool[Random() % Pool.size()];
        std::string Plain, Fast;
        std::uint64_t Folded = 0;
        Plan->AppendAt(Text, O.SpLen, Plain, Folded, nullptr);
        for (const TEngineLevel Level : EngineLevelsAvailable()) {
            Fast.clear();
            Plan->AppendAt(Text, O.SpLen, Fast, Folded, Utf8KernelOf(Level));
            ASSERT_EQ(Hex(Fast), Hex(Plain)) << EngineLevelName(Level) << ", round " << Round;
        }
    }
}

} // namespace
