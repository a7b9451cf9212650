// The encoding bridge: UTF-8 through the Shift-JIS engine, checked against the engine with
// iconv on either side; code page 932 against iconv; the input's encoding told apart.
#include "Pieces.h"
#include "Sjis.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Text (one line) converted from From to To under O, in pieces as the file layer cuts
// them when Max is not 0.
std::string Through(TEncoding From, TEncoding To, const TOptions& O, std::string_view Text,
                    std::size_t Max = 0) {
    const auto C = TextConverter(O, From, To);
    return ConvertInPieces(*C, Text, Max);
}

// Every code of code page 932, one by one: to UTF-8 as iconv decodes it, back as iconv
// encodes it; a code iconv does not know stops the conversion to UTF-8.
TEST(Text, EveryCodeAgreesWithIconv) {
    int Known = 0;
    for (int Code = 0; Code < 0x10000; ++Code) {
        const int Lead = Code >> 8, Trail = Code & 0xFF;
        if (Lead && !(Lead >= 0x81 && Lead <= 0x9F) && !(Lead >= 0xE0 && Lead <= 0xFC)) continue;
        if ((Lead && (Trail < 0x40 || Trail == 0x7F || Trail > 0xFC)) || Code == '\r') continue;
        const std::string S = Lead ? Bytes({Lead, Trail}) : Bytes({Trail});
#ifdef _WIN32
        // Windows alone decodes the single bytes 0x80, 0xA0 and 0xFD..0xFF (to U+0080 and the
        // private use area); code page 932 as iconv has it leaves them out, and so do we.
        if (!Lead && (Trail == 0x80 || Trail == 0xA0 || Trail >= 0xFD)) continue;
#endif
        std::string U;
        try {
            U = Utf8(S);
        } catch (const std::runtime_error&) {
            EXPECT_THROW(Through(TEncoding::Sjis, TEncoding::Utf8, {}, S), ETextError) << Hex(S);
            continue;
        }
        ++Known;
        ASSERT_EQ(Hex(Through(TEncoding::Sjis, TEncoding::Utf8, {}, S)), Hex(U)) << Hex(S);
        ASSERT_EQ(Hex(Through(TEncoding::Utf8, TEncoding::Sjis, {}, U)), Hex(Sjis(U))) << Hex(S);
    }
    EXPECT_GT(Known, 7000);
}

// Written as Shift-JIS, the JIS forms become their code page 932 twins, and are counted;
// the one-way mappings iconv also makes (¥ to 0x5C, ‾ to 0x7E) are no forms here.
TEST(Text, JisFormsBecomeTheirTwinsInShiftJis) {
    const auto C = TextConverter({}, TEncoding::Utf8, TEncoding::Sjis);
    std::string Out;
    C->Convert("1〜2 −3 ‖ ¢£¬ — ～", Out);
    EXPECT_EQ(Hex(Out), Hex(Sjis("1～2 －3 ∥ ￠￡￢ ― ～")));
    EXPECT_EQ(C->Folded(), 7u);
#ifndef _WIN32
    EXPECT_EQ(Hex(Recode("¥‾", "UTF-8", "CP932")), "5C 7E"); // glibc's iconv
#endif
    for (const std::string NoForm : {"¥", "‾", "¦", "¯", "₩"})
        EXPECT_THROW(Through(TEncoding::Utf8, TEncoding::Sjis, {}, NoForm), ETextError) << NoForm;
    // Narrowed by the marks' width pairs, ￢ becomes ¬, which Shift-JIS holds as ￢ again.
    EXPECT_EQ(Hex(Through(TEncoding::Utf8, TEncoding::Sjis, {.Mark = m1All}, "￢Ａ")),
              Hex(Sjis("￢A")));
}

// A character that the output cannot hold is reported with its line, its column counted
// across the pieces of a long line, and its bytes; a UTF-8 byte-order mark is no
// character of Shift-JIS text.
TEST(Text, CharacterTheOutputCannotHoldTellsWhere) {
    const auto Where = [](TEncoding From, TEncoding To, const std::vector<std::string>& Lines) {
        const auto C = TextConverter({}, From, To);
        std::string Out;
        try {
            for (const std::string& L : Lines) {
                for (std::size_t At = 0; At < L.size(); At += 6) C->Convert(L.substr(At, 6), Out);
                C->EndLine();
            }
        } catch (const ETextError& E) {
            return std::to_string(E.Line) + ":" + std::to_string(E.Column) + " " + Hex(E.Bytes);
        }
        return Hex(Out);
    };
    EXPECT_EQ(Where(TEncoding::Utf8, TEncoding::Sjis, {"\xEF\xBB\xBF" "ab", "x", "aaaaaaa\xC3\xA9"}),
              "3:8 C3 A9");
    EXPECT_EQ(Where(TEncoding::Utf8, TEncoding::Sjis, {"\xEF\xBB\xBF" "a"}), "61");
    EXPECT_EQ(Where(TEncoding::Sjis, TEncoding::Utf8, {Sjis("あいうえおか") + "\x82\xFF"}),
              "1:7 82 FF");
}

} // namespace
