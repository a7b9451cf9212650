// The text calls of libkana, through kana.hpp: options by name, the buffer protocol, every
// error code, the library's line rules against KanaConvert itself, LF lines against the
// line model, and one converter shared by threads.
#include "Files.h"
#include "LineModel.h"
#include "Sjis.h"
#include "kana.hpp"

#include <gtest/gtest.h>

#include <random>
#include <thread>
#include <tuple>

namespace {

kana_options Named(const std::vector<std::pair<const char*, const char*>>& Values) {
    kana_options O = KANA_OPTIONS_INIT;
    for (const auto& [Name, Value] : Values)
        EXPECT_EQ(kana_options_set(&O, Name, Value), KANA_OK) << Name << "=" << Value;
    return O;
}

std::string Convert(const kana_options& O, std::string_view In) {
    std::size_t Size = 0;
    kana_error E{};
    if (kana_convert(&O, In.data(), In.size(), nullptr, 0, &Size, &E) != KANA_OK) throw kana::Error(E);
    std::string Out(Size, '\0');
    if (kana_convert(&O, In.data(), In.size(), Out.data(), Out.size(), &Size, &E) != KANA_OK)
        throw kana::Error(E);
    return Out;
}

// Every option by every spelling of its name, every value; unknown ones are refused with
// the option's name.
TEST(StringApi, OptionsByName) {
    const struct {
        std::vector<const char*> Names;
        std::vector<const char*> Values;
    } Options[] = {
        {{"kata", "KATA"}, {"none", "1byte", "2byte", "hira"}},
        {{"to-hira", "to_hira", "toHira"}, {"all", "1only", "2only"}},
        {{"hira"}, {"none", "1kata", "2kata"}},
        {{"mark"}, {"none", "1all", "2all"}},
        {{"letters"}, {"mark", "none", "1byte", "2byte"}},
        {{"digits"}, {"mark", "none", "1byte", "2byte"}},
        {{"symbols"}, {"mark", "none", "1byte", "2byte"}},
        {{"space"}, {"none", "1byte", "2byte"}},
        {{"conv-size", "conv_size", "convSize"}, {"none", "small", "big"}},
        {{"newline"}, {"keep", "crlf", "lf"}},
        {{"classic"}, {"true", "false", "1", "0"}},
        {{"tab"}, {"none", "0", "4", "-3"}},
        {{"tab-stops", "tabStops"}, {"none", "8"}},
        {{"from", "encoding"}, {"auto", "UTF-8", "utf8", "sjis", "Shift_JIS", "shift-jis", "cp932", "Windows-31J", "MS932"}},
        {{"to"}, {"same", "auto", "utf-8", "sjis"}},
    };
    kana_options O = KANA_OPTIONS_INIT;
    for (const auto& Option : Options)
        for (const char* Name : Option.Names) {
            for (const char* Value : Option.Values)
                EXPECT_EQ(kana_options_set(&O, Name, Value), KANA_OK) << Name << "=" << Value;
            EXPECT_EQ(kana_options_set(&O, Name, "3byte"), KANA_E_OPTION) << Name;
        }
    EXPECT_EQ(kana_options_set(&O, "katakana", "1byte"), KANA_E_OPTION);
    EXPECT_EQ(kana_options_set(&O, "tab", "4x"), KANA_E_OPTION);
    EXPECT_EQ(kana_options_set(&O, "tab-stops", "-1"), KANA_E_OPTION);
    EXPECT_EQ(kana_options_set(nullptr, "kata", "1byte"), KANA_E_ARGUMENT);
    EXPECT_EQ(kana_encoding_named("CP932"), KANA_ENCODING_SJIS);
    EXPECT_EQ(kana_encoding_named("latin1"), -1);
    try {
        kana::Options().set("mark", "3all");
        ADD_FAILURE() << "no error";
    } catch (const kana::Error& E) {
        EXPECT_EQ(E.Code, KANA_E_OPTION);
        EXPECT_EQ(E.Option, "mark");
    }
    // Out of range in the struct itself: refused at conversion, named.
    kana_options Bad = KANA_OPTIONS_INIT;
    Bad.conv_size = 3;
    kana_error E{};
    std::size_t Size;
    EXPECT_EQ(kana_convert(&Bad, "a", 1, nullptr, 0, &Size, &E), KANA_E_OPTION);
    EXPECT_STREQ(E.option, "conv-size");
    Bad = KANA_OPTIONS_INIT;
    Bad.keep = "\xFF";
    EXPECT_EQ(kana_convert(&Bad, "a", 1, nullptr, 0, &Size, &E), KANA_E_OPTION);
    EXPECT_STREQ(E.option, "keep");
    // Options that do not go together: the one that would be ignored is named, as
    // kanaconv refuses them.
    const std::vector<std::pair<std::vector<std::pair<const char*, const char*>>, const char*>>
        Together = {{{{"tab", "4"}, {"tab-stops", "8"}}, "tab-stops"},
                    {{{"classic", "1"}, {"to", "utf-8"}}, "to"},
                    {{{"classic", "1"}, {"newline", "lf"}}, "newline"},
                    {{{"classic", "1"}, {"letters", "1byte"}}, "letters"},
                    {{{"classic", "1"}, {"digits", "none"}}, "digits"},
                    {{{"classic", "1"}, {"symbols", "2byte"}}, "symbols"},
                    {{{"classic", "1"}, {"tab-stops", "4"}}, "tab-stops"},
                    {{{"classic", "1"}, {"keep", "ー"}}, "keep"}};
    // Without a kana_error, the result code alone tells the cause.
    kana_options Utf8Classic = Named({{"classic", "1"}, {"from", "utf-8"}});
    EXPECT_EQ(kana_convert(&Utf8Classic, "a", 1, nullptr, 0, &Size, nullptr), KANA_E_CLASSIC);
    EXPECT_EQ(kana_convert(nullptr, "a", 1, nullptr, 0, &Size, nullptr), KANA_E_ARGUMENT);
    for (const auto& [Set, Which] : Together) {
        const kana_options Both = Named(Set);
        EXPECT_EQ(kana_convert(&Both, "a", 1, nullptr, 0, &Size, &E), KANA_E_OPTION) << Which;
        EXPECT_STREQ(E.option, Which);
        kana_options Alone = Both;
        Alone.classic = 0;
        if (Which == std::string("tab-stops") && !Both.classic) Alone.expand_tabs = 0;
        EXPECT_EQ(kana_convert(&Alone, "a", 1, nullptr, 0, &Size, &E), KANA_OK) << Which;
    }
}

// The size asked first is the size written; a buffer too small is refused with the size
// needed; the bound holds for every text.
TEST(StringApi, BufferProtocol) {
    std::mt19937 Random(3);
    const std::vector<std::string> Pool = {"ｶﾞｰﾙ", "ガール", "abc", "\t", " ", "ＡＢ", "漢字", "\r\n"};
    for (int Round = 0; Round < 500; ++Round) {
        kana_options O = Named({{"kata", Random() % 2 ? "1byte" : "2byte"},
                                {"mark", Random() % 2 ? "2all" : "none"},
                                {"space", "2byte"},
                                {Random() % 2 ? "tab" : "tab-stops", Random() % 2 ? "3" : "8"},
                                {"newline", Random() % 2 ? "crlf" : "keep"}});
        std::string In;
        for (int N = Random() % 20; N > 0; --N) In += Pool[Random() % Pool.size()];
        std::size_t Size = 0, Written = 0;
        ASSERT_EQ(kana_convert(&O, In.data(), In.size(), nullptr, 0, &Size, nullptr), KANA_OK);
        ASSERT_LE(Size, kana_convert_bound(&O, In.size()));
        std::string Out(Size + 1, '#');
        ASSERT_EQ(kana_convert(&O, In.data(), In.size(), Out.data(), Size, &Written, nullptr), KANA_OK);
        ASSERT_EQ(Written, Size);
        EXPECT_EQ(Out.back(), '#'); // nothing past the end
        if (Size == 0) continue;
        kana_error E{};
        ASSERT_EQ(kana_convert(&O, In.data(), In.size(), Out.data(), Size - 1, &Written, &E),
                  KANA_E_BUFFER);
        EXPECT_EQ(Written, Size);
        EXPECT_EQ(E.code, KANA_E_BUFFER);
    }
    kana_options O = KANA_OPTIONS_INIT;
    std::size_t Size;
    EXPECT_EQ(kana_convert(&O, nullptr, 3, nullptr, 0, &Size, nullptr), KANA_E_ARGUMENT);
    EXPECT_EQ(kana_convert(&O, nullptr, 0, nullptr, 0, &Size, nullptr), KANA_OK);
    EXPECT_EQ(Size, 0u);
}

// A character the output cannot hold: its line, column and bytes; the classic rules on
// UTF-8 text; both encodings of text in and out.
TEST(StringApi, ErrorsSayWhatAndWhere) {
    kana_error E{};
    std::size_t Size;
    const kana_options ToSjis = Named({{"from", "utf-8"}, {"to", "sjis"}});
    const std::string Text = "abc\nde😀f";
    EXPECT_EQ(kana_convert(&ToSjis, Text.data(), Text.size(), nullptr, 0, &Size, &E), KANA_E_UNWRITABLE);
    EXPECT_EQ(E.line, 2u);
    EXPECT_EQ(E.column, 3u);
    EXPECT_EQ(Hex(std::string_view(reinterpret_cast<char*>(E.bytes), E.size)), "F0 9F 98 80");
    const kana_options Classic = Named({{"classic", "true"}});
    EXPECT_EQ(kana_convert(&Classic, "ガ", 3, nullptr, 0, &Size, &E), KANA_E_CLASSIC);
    EXPECT_EQ(Convert(Classic, "abc"), "abc\r\n"); // ASCII is Shift-JIS too
    EXPECT_THROW(kana::Converter(kana::Options().set("classic", "1").set("from", "utf-8")), kana::Error);
    EXPECT_EQ(Convert(Named({{"from", "sjis"}, {"to", "utf-8"}, {"kata", "2byte"}}), "\xB6\xDE"), "ガ");
    EXPECT_EQ(Convert(Named({{"to", "sjis"}, {"kata", "1byte"}}), "ガ"), "\xB6\xDE");
}

// Classic conversion of Shift-JIS text writes what KanaConvert writes to a file, under
// random options: the library's rules and line ends, 0x1A and all.
TEST(StringApi, ClassicIsWhatTheLibraryWrites) {
    TempDir Dir;
    std::mt19937 Random(17);
    const std::vector<std::string> Pool = {
        "ｶﾞｰﾙ°", "ガール", "ab C", "\t", "　", "ＡＢ１", "漢字", "\r\n", "\n", "\r", "\x1A", "ヮゎ"};
    const char* Katas[] = {"none", "1byte", "2byte", "hira"};
    const char* Marks[] = {"none", "1all", "2all"};
    for (int Round = 0; Round < 200; ++Round) {
        std::string In;
        for (int N = Random() % 12; N > 0; --N) In += Sjis(Pool[Random() % Pool.size()]);
        const unsigned Kata = Random() % 4, Mark = Random() % 3, SpLen = Random() % 4;
        WriteAll(Dir / "in", In);
        ASSERT_EQ(KanaConvert((Dir / "in").c_str(), (Dir / "out").c_str(), 0, 0, 2, 1, SpLen, Kata,
                              0, 0, Mark),
                  1);
        const kana_options O = Named({{"classic", "true"}, {"from", "sjis"}, {"space", "2byte"},
                                      {"tab", std::to_string(SpLen).c_str()},
                                      {"kata", Katas[Kata]}, {"mark", Marks[Mark]}});
        ASSERT_EQ(Hex(Convert(O, In)), Hex(ReadAll(Dir / "out"))) << Hex(In);
    }
}

// Lines under LF: each line of the line model converted, ended by LF when it had an end.
TEST(StringApi, LfLinesFollowTheLineModel) {
    std::mt19937 Random(23);
    const std::vector<std::string> Pool = {"ｶﾞ", "ﾞ", "a", "\r", "\n", "\r\n", "\x1A", "漢"};
    const kana_options Lf = Named({{"newline", "lf"}, {"kata", "2byte"}, {"from", "utf-8"}});
    const kana_options Keep = Named({{"kata", "2byte"}, {"from", "utf-8"}});
    for (int Round = 0; Round < 500; ++Round) {
        std::string In, Expected;
        for (int N = Random() % 10; N > 0; --N) In += Pool[Random() % Pool.size()];
        for (const auto& [Line, End] : LineModel(In, false))
            Expected += Convert(Keep, Line) + (End.empty() ? "" : "\n");
        ASSERT_EQ(Hex(Convert(Lf, In)), Hex(Expected)) << Hex(In);
    }
}

// One converter used by several threads at once gives each what it gives alone.
TEST(StringApi, OneConverterManyThreads) {
    const kana::Converter C(kana::Options().set("kata", "hira").set("mark", "2all"));
    std::vector<std::string> Texts;
    for (int I = 0; I < 64; ++I) Texts.push_back(std::string(I * 7, 'a') + "カタカナ ｶﾞ" + std::to_string(I));
    std::vector<std::string> Alone;
    for (const auto& T : Texts) Alone.push_back(C(T));
    std::vector<std::thread> Threads;
    std::atomic<int> Wrong{0};
    for (int T = 0; T < 4; ++T)
        Threads.emplace_back([&] {
            for (int Round = 0; Round < 200; ++Round)
                for (std::size_t I = 0; I < Texts.size(); ++I) Wrong += C(Texts[I]) != Alone[I];
        });
    for (auto& T : Threads) T.join();
    EXPECT_EQ(Wrong, 0);
}

// The judge: ASCII alone, UTF-8, Shift-JIS.
TEST(StringApi, JudgesTheEncoding) {
    const struct {
        std::string Text;
        int Encoding;
    } Cases[] = {{"plain", KANA_ENCODING_AUTO}, {"データ", KANA_ENCODING_UTF8},
                 {Sjis("データ"), KANA_ENCODING_SJIS}};
    for (const auto& C : Cases) EXPECT_EQ(kana::judge(C.Text).encoding, C.Encoding) << C.Text;
    // Text judged UTF-8 with bytes that are none: how many, and where the first is.
    const kana_judgment J = kana::judge("カタカナのテキスト\ncaf\xe9 and \xff\n");
    EXPECT_EQ(J.encoding, KANA_ENCODING_UTF8);
    EXPECT_EQ(std::make_tuple(J.invalid, J.first_offset, J.first_line, J.first_column),
              std::make_tuple(2u, 31u, 2u, 4u));
    EXPECT_EQ(kana_judge(nullptr, 1, nullptr), KANA_E_ARGUMENT);
}

} // namespace
