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
    const auto C = TextConverter(O, nullptr, From, To);
    C->SeeInput(Text);
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

// UTF-8 goes through the engine as the Shift-JIS the same characters have: the reference
// cuts a line at every run of characters without a Shift-JIS form (and invalid bytes,
// and NULs), converts the rest through iconv and the engine, and keeps the runs as read.
TEST(Text, Utf8GoesThroughTheEngineAsShiftJis) {
    const std::vector<std::string> Convertible = {
        "データ", "ｶﾞｰﾙ", "ﾊﾟﾋﾟ", "ひらがな", "漢字", "ＡＢ１", "abc ", "°ー－", "ﾞﾟ", "ヴヰ", "\t"};
    const std::vector<std::string> Opaque = {"😀", "é", "¥", "\xFF", "\xE3\x81", std::string(1, '\0')};
    std::mt19937 Random(11);
    TOptions O;
    THanZen Engine(nullptr);
    for (int Round = 0; Round < 2000; ++Round) {
        if (Round % 10 == 0)
            O = {TConvSize(Random() % 3), TSpace(Random() % 3), TTab(Random() % 2),
                 TKata(Random() % 4),     TToHira(Random() % 3), THira(Random() % 3),
                 TMark(Random() % 3),     3,                     TMapping(Random() % 2)};
        std::string Line, Expected, Run;
        bool Held = true; // every character has a Shift-JIS form (a NUL has one)
        const auto Flush = [&] {
            Engine.SetOptions(O);
            Expected += Utf8(Engine.ConvertLine(Sjis(Run)));
            Run.clear();
        };
        for (int I = Random() % 12; I > 0; --I) {
            if (Random() % 4 == 0) {
                const std::string& P = Opaque[Random() % Opaque.size()];
                Held = Held && P[0] == '\0';
                Flush();
                Line += P, Expected += P;
            } else {
                const std::string& P = Convertible[Random() % Convertible.size()];
                Line += P, Run += P;
            }
        }
        Flush();
        ASSERT_EQ(Hex(Through(TEncoding::Utf8, TEncoding::Auto, O, Line, 1 + Random() % 8)),
                  Hex(Expected))
            << Hex(Line);
        if (Held) {
            ASSERT_EQ(Hex(Through(TEncoding::Utf8, TEncoding::Sjis, O, Line)), Hex(Sjis(Expected)));
        }
    }
}

TEST(Text, InputIsReadAsUtf8OnlyWhenItIsUtf8) {
    const struct {
        std::string Block;
        TEncoding ReadAs;
    } Cases[] = {
        {"plain ASCII", TEncoding::Auto},
        {"ASCII then " + std::string("データ"), TEncoding::Utf8},
        {"データ" + std::string("\xE3\x83"), TEncoding::Utf8}, // cut short at the end
        {"\xEF\xBB\xBF" "abc", TEncoding::Utf8},               // a byte-order mark
        {Sjis("データ"), TEncoding::Sjis},
        {"\xE0\xA0\x80\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", TEncoding::Utf8}, // the edges
        {"\xE0\x9F\xBF", TEncoding::Sjis}, // U+07FF in three bytes
        {"\xE3\x83\xE3", TEncoding::Sjis}, // cut short in the middle
        {"\xC3\xBD" + Sjis("ｱ"), TEncoding::Sjis},
    };
    for (const auto& C : Cases) {
        const auto T = TextConverter({}, nullptr, TEncoding::Auto, TEncoding::Auto);
        T->SeeInput(C.Block);
        EXPECT_EQ(T->ReadAs(), C.ReadAs) << Hex(C.Block);
    }
}

// A character that the output cannot hold is reported with its line, its column counted
// across the pieces of a long line, and its bytes; a UTF-8 byte-order mark is no
// character of Shift-JIS text.
TEST(Text, CharacterTheOutputCannotHoldTellsWhere) {
    const auto Where = [](TEncoding From, TEncoding To, const std::vector<std::string>& Lines) {
        const auto C = TextConverter({}, nullptr, From, To);
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
