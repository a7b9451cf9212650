// The option-driven line converter: the decision of each byte class under each option.
#include "HanZen.h"
#include "Reference.h"
#include "Sjis.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <tuple>

using namespace kana::detail;

using namespace std::string_literals;

namespace {

// One line per case: the options, the line, what it becomes.
const std::tuple<TOptions, std::string, std::string> Cases[] = {
    // Controls, spaces and tabs: no size step.
    {{.SpLen = 4}, "a\tb", "a\tb"},
    {{.Tab = tbSpace, .SpLen = 4}, "ab\t\tc", "ab        c"}, // SpLen spaces, no tab stops
    {{.Space = sp2byte, .Tab = tbSpace, .SpLen = 4}, "\t", "　　　　"_sjis},
    {{.Tab = tbSpace, .SpLen = 0}, "a\tb", "ab"},
    {{.Space = sp2byte, .Tab = tbSpace, .SpLen = -5}, "a\tb", "ab"},
    {{.Tab = TTab(5), .SpLen = 2}, "\t", "  "}, // any non-zero Tab expands
    {{.Space = sp2byte}, "a b", "a　b"_sjis},
    {{.Space = sp1byte, .Mark = m2All}, " ", " "},
    {{.ConvSize = cvBig, .Space = sp1byte}, "　"_sjis, " "},
    {{.Space = sp2byte}, "　"_sjis, "　"_sjis},
    {{.ConvSize = cvBig}, "\ra\r\r\n", "\r\nA\r\n\r\n"}, // the byte after a CR is converted
    {{.ConvSize = cvBig}, "a\0b\0"s, "A\0B\0"s},         // NUL is an ordinary byte
    {{.Mark = m2All}, "\0a"s, "\0ａ"_sjis},
    // Bytes that start nothing.
    {{.ConvSize = cvBig, .Kata = k2byte, .Mark = m2All}, "\x7F\x80\xFD\xFF", "\x7F\x80\xFD\xFF"},
    // ASCII graphics: Mark, then the size step.
    {{.Mark = m2All}, "A1!\\~", "Ａ１！￥～"_sjis},
    {{.ConvSize = cvSmall, .Mark = m2All}, "Ab", "ａｂ"_sjis},
    {{.ConvSize = cvBig}, "ab1", "AB1"},
    // Half-width kana: Kata, ToHira and the mapping of ｰ, then the size step.
    {{.Kata = k2byte}, "ｶﾞﾊﾟｱ"_sjis, "ガパア"_sjis},  // marks merged
    {{.Kata = k2byte}, "ｶﾟｱﾞ"_sjis, "カ゜ア゛"_sjis}, // a mark that does not combine stays
    {{.Kata = k2byte}, "ﾞｰ"_sjis, "゛－"_sjis},       // a mark alone; ｰ as the minus sign
    {{.Kata = k2byte, .Mapping = mpFaithful}, "ｰ"_sjis, "ー"_sjis},
    {{.Kata = k1byte}, "ｶﾞ"_sjis, "ｶﾞ"_sjis},
    {{.Kata = kHira}, "ｶﾞｱｳﾞ｡"_sjis, "があヴ。"_sjis},
    {{.Kata = kHira, .Mapping = mpFaithful}, "ｰ"_sjis, "ー"_sjis},
    {{.Kata = kHira, .ToHira = th1Only}, "ｶﾞ"_sjis, "が"_sjis},
    {{.Kata = kHira, .ToHira = th2Only}, "ｶﾞ"_sjis, "ｶﾞ"_sjis},
    {{.ConvSize = cvSmall, .Kata = k2byte}, "ｱﾂ"_sjis, "ァッ"_sjis},
    {{.ConvSize = cvSmall}, "ｱﾂｶ"_sjis, "ｧｯｶ"_sjis},
    {{.ConvSize = cvBig, .Kata = kHira}, "ｧ"_sjis, "あ"_sjis},
    // Double-byte characters: Space, Mark, Kata, ToHira, Hira, the mapping of °, then size.
    {{.Mark = m1All}, "Ａ！ア"_sjis, "A!ア"_sjis},
    {{.Kata = k1byte}, "Ａ、ガ°"_sjis, "Ａ､ｶﾞﾟ"_sjis},
    {{.Kata = k1byte, .Mapping = mpFaithful}, "°ア"_sjis, "°ｱ"_sjis},
    {{.Kata = k1byte, .Mark = m1All}, "Ａア"_sjis, "Aｱ"_sjis},
    {{.Kata = kHira, .ToHira = th2Only}, "アガヵヶヴ"_sjis, "あがヵヶヴ"_sjis},
    {{.Kata = kHira, .ToHira = th1Only}, "アヰ"_sjis, "アヰ"_sjis},
    {{.Kata = kHira}, "ヰヱ"_sjis, "ゐゑ"_sjis},
    {{.Kata = kHira, .Mark = m1All}, "Ａア"_sjis, "Aあ"_sjis}, // narrowing wins over hiragana
    {{.Hira = h1Kata}, "がぱんア"_sjis, "ｶﾞﾊﾟﾝア"_sjis},
    {{.Hira = h2Kata}, "がゐ"_sjis, "ガヰ"_sjis},
    {{.Kata = kHira, .Hira = h2Kata}, "ヰ"_sjis, "ゐ"_sjis}, // Hira does not undo ゐ
    {{.ConvSize = cvSmall, .Kata = k1byte}, "アＡ"_sjis, "ｧａ"_sjis},
    {{.ConvSize = cvBig}, "ぁｂ漢"_sjis, "あＢ漢"_sjis},
    {{.Kata = kHira, .Mark = m2All}, "ア1"_sjis, "あ１"_sjis},
    {{.Space = sp2byte}, "\x83\x20\x20", "\x83\x20\x81\x40"}, // any byte is a second byte
    {{.ConvSize = cvBig}, "\x82\0a"s, "\x82\0A"s},
    // A lead byte that ends the line stays.
    {{.ConvSize = cvBig, .Kata = k1byte, .Mark = m1All}, "a\x82", "A\x82"},
    // The faithful rules: nothing narrowed away, the kana punctuation under h1Kata, the
    // iteration marks in the kana moves.
    {{.Kata = k1byte, .Mapping = mpFaithful}, "シークヮーサー"_sjis, "ｼｰｸヮｰｻｰ"_sjis},
    {{.Kata = kHira, .Mapping = mpFaithful}, "ヮヽヾ"_sjis, "ゎゝゞ"_sjis},
    {{.Kata = kHira, .ToHira = th1Only, .Mapping = mpFaithful}, "ヽ"_sjis, "ヽ"_sjis},
    {{.Hira = h1Kata, .Mapping = mpFaithful}, "すごーい。「ゎ」、・゛゜"_sjis, "ｽｺﾞｰｲ｡｢ヮ｣､･ﾞﾟ"_sjis},
    {{.Hira = h1Kata, .Mapping = mpFaithful}, "ゝゞ"_sjis, "ヽヾ"_sjis},
    {{.Hira = h2Kata, .Mapping = mpFaithful}, "ゝゞゎ"_sjis, "ヽヾヮ"_sjis},
    {{.Hira = h1Kata}, "ーゝゎ"_sjis, "ーゝﾜ"_sjis}, // the classic rules: neither
    // Letters, digits and symbols apart; each decides its class, Mark the others.
    {{.Digits = cw1byte}, "Ａ１！ａ"_sjis, "Ａ1！ａ"_sjis},
    {{.Letters = cw2byte, .Digits = cw1byte}, "a1１!"_sjis, "ａ11!"_sjis},
    {{.Mark = m2All, .Symbols = cwNone}, "a1!"_sjis, "ａ１!"_sjis},
    {{.Mark = m1All, .Letters = cwMark, .Digits = cw2byte}, "Ａ1"_sjis, "A１"_sjis},
    {{.ConvSize = cvBig, .Letters = cw2byte}, "a"_sjis, "Ａ"_sjis},
    // Kept characters: left alone, and a kept mark merges into nothing.
    {{.Kata = k2byte, .Keep = U"\uFF9E"}, "ｶﾞﾊﾟ"_sjis, "カﾞパ"_sjis},
    {{.Kata = k1byte, .Keep = U"ー"}, "ガーゲー"_sjis, "ｶﾞーｹﾞー"_sjis},
    {{.Tab = tbSpace, .SpLen = 2, .Keep = U"\t"}, "\t", "\t"},
    {{.Mark = m2All, .Keep = U"\\"}, "a\\", "ａ\\"_sjis},
    // Line ends kept, for text that carries its own.
    {{.ConvSize = cvBig, .LineEnds = leKeep}, "a\rb\r\nc\n", "A\rB\r\nC\n"},
    // Tab stops, after every other conversion: a double-byte character counts 2 columns.
    {{.Kata = k2byte, .TabStops = 4}, "ｱ\tｶﾞ\tab\t\n\t"_sjis, "ア  ガ  ab  \n    "_sjis},
};

TEST(ConvertLine, EachByteClassUnderItsOptions) {
    THanZen H(nullptr); // new options take effect at the next line
    for (const auto& [Options, In, Out] : Cases) {
        H.SetOptions(Options);
        EXPECT_EQ(Hex(H.ConvertLine(In)), Hex(Out)) << Hex(In);
    }
}

// Every option set has a plan of its own, which gives the virtual path's bytes: each field
// takes named values and values outside them, the same with bit 7 set, next to Kata at
// kNone, k2byte and kHira. A value outside the named ones acts as the option's first, but
// any non-zero Tab expands tabs.
TEST(ConvertLine, EveryOptionValueHasItsOwnPlan) {
    const std::string Line = "a ｶﾞ\tＡア　が ぁ°ｰ\rx"_sjis + "\x83";
    // ConvSize, Space, Tab, Kata, ToHira, Hira, Mark, Mapping: the count of named values.
    const std::uint8_t Named[8] = {3, 3, 2, 4, 3, 3, 3, 2};
    const auto With = [&Line](const std::array<std::uint8_t, 8>& V) {
        THanZen Fast(nullptr);
        VirtualHanZen Virtual(nullptr);
        Fast.SetOptions({TConvSize(V[0]), TSpace(V[1]), TTab(V[2]), TKata(V[3]), TToHira(V[4]),
                         THira(V[5]), TMark(V[6]), 3, TMapping(V[7])});
        Virtual.SetOptions(Fast.Options());
        EXPECT_EQ(Hex(Fast.ConvertLine(Line)), Hex(Virtual.ConvertLine(Line)));
        return Hex(Virtual.ConvertLine(Line));
    };
    for (std::uint8_t Kata : {kNone, k2byte, kHira})
        for (std::size_t Field = 0; Field < 8; ++Field)
            for (int Value : {1, 2, 3, 7, 0x80, 0x81, 0xFF, 0x80 | (Field == 3 ? Kata : 0)}) {
                std::array<std::uint8_t, 8> V{0, 0, 0, Kata}, First = V;
                V[Field] = static_cast<std::uint8_t>(Value);
                First[Field] = Field == 2 ? tbSpace : tbNone;
                const std::string Got = With(V);
                EXPECT_EQ(Got, Value < Named[Field] ? Got : With(First)) << Field << " = " << Value;
            }
}

// With every option 0 a line comes back as it was, but for a lone CR, which gains its
// LF: every two-byte line, alone and followed by each byte at a class's edge.
TEST(ConvertLine, IdentityWithAllOptionsZero) {
    const THanZen H(nullptr);
    for (int A = 0; A < 0x10000; ++A)
        for (int C : {-1, 0x00, 0x0A, 0x0D, 0x20, 0x40, 0x7E, 0x7F, 0x80, 0x81, 0x9F, 0xA0, 0xB6,
                      0xDE, 0xDF, 0xE0, 0xFC, 0xFD, 0xFF}) {
            const std::string S = Bytes({A >> 8, A & 0xFF, C}).substr(0, C < 0 ? 2 : 3);
            ASSERT_EQ(Hex(H.ConvertLine(S)), Hex(model::Identity(S)));
        }
}

// Widening then narrowing gives a line back, but for 0xA0 and ｰ, which narrow to the
// space and the hyphen: every half-width character followed by every other, kanji and
// hiragana between them.
TEST(ConvertLine, WidenThenNarrowRoundTrips) {
    THanZen Wide(nullptr), Narrow(nullptr);
    Wide.SetOptions({.Space = sp2byte, .Kata = k2byte, .Mark = m2All});
    Narrow.SetOptions({.Space = sp1byte, .Kata = k1byte, .Mark = m1All});
    std::string Half;
    for (int B = 0x20; B < 0xE0; ++B)
        if (B < 0x7F || (B > 0xA0 && B != 0xB0)) Half += static_cast<char>(B);
    for (char A : Half) {
        std::string Line;
        for (char B : Half) Line += A + (B + "漢ひ"_sjis);
        ASSERT_EQ(Hex(Narrow.ConvertLine(Wide.ConvertLine(Line))), Hex(Line));
    }
}

// A descendant that overrides one mapping changes what ConvertLine gives.
class Custom : public THanZen {
public:
    using THanZen::THanZen;
    std::uint8_t HanToBig(std::uint8_t Ch) const override {
        return Ch == 'q' ? '!' : THanZen::HanToBig(Ch);
    }
    std::string ZenCharToHan(std::uint8_t Lead, std::uint8_t Trail) const override {
        return Lead == 0x83 && Trail == 0x41 ? std::string("\xB2")
                                             : THanZen::ZenCharToHan(Lead, Trail);
    }
    int CharKind(std::string_view S) const override {
        return !S.empty() && S[0] == 'z' ? 0 : THanZen::CharKind(S);
    }
};

TEST(ConvertLine, DescendantOverridesReachTheLine) {
    Custom C(nullptr);
    C.SetOptions({.ConvSize = cvBig, .Kata = k1byte});
    // q is made big by the descendant's HanToBig, ア narrowed by its ZenCharToHan, and z,
    // a control byte to its CharKind, skips the size step.
    EXPECT_EQ(Hex(C.ConvertLine("qアz"_sjis)), Hex("!ｲz"_sjis));
}

} // namespace

// A line cut where LastCut allows, and converted piece by piece, gives the bytes of the
// whole line converted at once: for every length of the first piece, on lines made of the
// bytes that carry context (lead bytes, kana with voicing marks, runs of marks), under
// option sets that span every way a byte may take the next.
TEST(LineCut, PiecesConvertAsTheWholeLine) {
    const std::string Pieces[] = {
        "漢字"_sjis, "カタカナ"_sjis, "ｶﾞﾊﾟｱﾞ"_sjis, "\xDE\xDE\xDF", "ｰ°"_sjis, "ab 09", "\t",
        "\n",        "\0"s,           "\x81",        "\x83\x20",     "ぁ"_sjis, "\r"};
    std::mt19937 Random(7);
    THanZen H(nullptr);
    std::string Whole, First, Rest;
    for (int Round = 0; Round < 300; ++Round) {
        H.SetOptions({TConvSize(Random() % 3), TSpace(Random() % 3), TTab(Random() % 2),
                      TKata(Random() % 4), TToHira(Random() % 3), THira(Random() % 3),
                      TMark(Random() % 3), 2, TMapping(Random() % 2)});
        std::string Line;
        while (Line.size() < 40) Line += Pieces[Random() % std::size(Pieces)];
        H.ConvertLine(Line, Whole);
        for (std::size_t N = 1; N <= Line.size(); ++N) {
            const std::size_t Cut = LastCut(std::string_view(Line).substr(0, N));
            ASSERT_LE(Cut, N);
            // Three bytes hold a place to cut, unless a CR takes the byte after it.
            ASSERT_TRUE(Cut > 0 || N < 3 || Line.find('\r') < N)
                << "no progress at " << N << " in " << Hex(Line);
            H.ConvertLine(std::string_view(Line).substr(0, Cut), First);
            H.ConvertLine(std::string_view(Line).substr(Cut), Rest);
            ASSERT_EQ(Hex(First + Rest), Hex(Whole)) << "cut at " << Cut << " in " << Hex(Line);
        }
    }
}
