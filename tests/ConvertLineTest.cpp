// The option-driven line converter: the decision of each byte class under each option.
#include "HanZen.h"
#include "Reference.h"
#include "Sjis.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::string Convert(const TOptions& O, std::string_view Line) {
    THanZen H(nullptr);
    H.SetOptions(O);
    return H.ConvertLine(Line);
}

struct Case {
    const char* Name;
    TOptions O;
    std::string In, Out;
};

void Check(const std::vector<Case>& Cases) {
    for (const Case& C : Cases) EXPECT_EQ(Hex(Convert(C.O, C.In)), Hex(C.Out)) << C.Name;
}

TEST(ConvertLine, ControlsSpacesAndTabs) {
    const std::string Wide4 = Sjis("　　　　");
    Check({
        {"tab kept", {.Tab = tbNone, .SpLen = 4}, "a\tb", "a\tb"},
        {"tab to SpLen spaces, no tab stops",
         {.Tab = tbSpace, .SpLen = 4},
         "ab\t\tc",
         "ab        c"},
        {"tab to full-width spaces", {.Space = sp2byte, .Tab = tbSpace, .SpLen = 4}, "\t", Wide4},
        {"tab gone at SpLen 0", {.Tab = tbSpace, .SpLen = 0}, "a\tb", "ab"},
        {"tab gone at negative SpLen",
         {.Space = sp2byte, .Tab = tbSpace, .SpLen = -5},
         "a\tb",
         "ab"},
        {"any non-zero Tab expands", {.Tab = TTab(5), .SpLen = 2}, "\t", "  "},
        {"space widened", {.Space = sp2byte}, "a b", "a" + Sjis("　") + "b"},
        {"space kept", {.Space = sp1byte, .Mark = m2All}, " ", " "},
        {"full-width space narrowed, no size step",
         {.ConvSize = cvBig, .Space = sp1byte},
         Sjis("　"),
         " "},
        {"full-width space kept by sp2byte", {.Space = sp2byte}, Sjis("　"), Sjis("　")},
        {"lone CR becomes CR LF", {}, "a\r", "a\r\n"},
        {"CR LF stays one line end", {}, "a\r\nb", "a\r\nb"},
        {"byte after CR is kept", {.ConvSize = cvBig}, "\ra\r\r\n", "\r\nA\r\n\r\n"},
        {"LF alone passes", {.Mark = m2All}, "\n", "\n"},
        {"NUL is an ordinary byte",
         {.ConvSize = cvBig},
         std::string("a\0b\0", 4),
         std::string("A\0B\0", 4)},
        {"line starting with NUL",
         {.Mark = m2All},
         std::string("\0a", 2),
         std::string("\0", 1) + Sjis("ａ")},
        {"bytes that start nothing",
         {.ConvSize = cvBig, .Kata = k2byte, .Mark = m2All},
         Bytes({0x7F, 0x80, 0xFD, 0xFE, 0xFF, 0x01}),
         Bytes({0x7F, 0x80, 0xFD, 0xFE, 0xFF, 0x01})},
    });
}

TEST(ConvertLine, AsciiGraphics) {
    Check({
        {"widened by m2All", {.Mark = m2All}, "A1!\\~", Sjis("Ａ１！￥～")},
        {"then made small", {.ConvSize = cvSmall, .Mark = m2All}, "Ab", Sjis("ａｂ")},
        {"case only", {.ConvSize = cvBig}, "ab1", "AB1"},
        {"m1All leaves them", {.Mark = m1All}, "a!", "a!"},
    });
}

TEST(ConvertLine, HalfWidthKana) {
    const std::string Ga = Sjis("ｶﾞ");
    Check({
        {"k2byte merges the mark", {.Kata = k2byte}, Ga + Sjis("ﾊﾟｱ"), Sjis("ガパア")},
        {"k2byte keeps a mark that does not combine",
         {.Kata = k2byte},
         Sjis("ｶﾟｱﾞ"),
         Sjis("カ゜ア゛")},
        {"kNone leaves the unit", {}, Ga, Ga},
        {"k1byte leaves the unit", {.Kata = k1byte}, Ga, Ga},
        {"kHira thAll", {.Kata = kHira}, Ga + Sjis("ｱｳﾞ｡"), Sjis("があヴ。")},
        {"kHira th1Only", {.Kata = kHira, .ToHira = th1Only}, Ga, Sjis("が")},
        {"kHira th2Only leaves it", {.Kata = kHira, .ToHira = th2Only}, Ga, Ga},
        {"small after widening", {.ConvSize = cvSmall, .Kata = k2byte}, Sjis("ｱﾂ"), Sjis("ァッ")},
        {"small without widening", {.ConvSize = cvSmall}, Sjis("ｱﾂｶ"), Sjis("ｧｯｶ")},
        {"big after hiragana", {.ConvSize = cvBig, .Kata = kHira}, Sjis("ｧ"), Sjis("あ")},
        {"mark at the end", {.Kata = k2byte}, Sjis("ﾞ"), Sjis("゛")},
    });
}

TEST(ConvertLine, DoubleByteCharacters) {
    Check({
        {"m1All narrows letters only", {.Mark = m1All}, Sjis("Ａ！ア"), Sjis("A!ア")},
        {"k1byte narrows kana only", {.Kata = k1byte}, Sjis("Ａ、ガ"), Sjis("Ａ､ｶﾞ")},
        {"both narrow", {.Kata = k1byte, .Mark = m1All}, Sjis("Ａア"), Sjis("Aｱ")},
        {"kHira th2Only",
         {.Kata = kHira, .ToHira = th2Only},
         Sjis("アガヵヶヴ"),
         Sjis("あがヵヶヴ")},
        {"kHira th1Only leaves full width",
         {.Kata = kHira, .ToHira = th1Only},
         Sjis("アヰ"),
         Sjis("アヰ")},
        {"kHira gives ゐ and ゑ", {.Kata = kHira}, Sjis("ヰヱ"), Sjis("ゐゑ")},
        {"narrowing wins over hiragana", {.Kata = kHira, .Mark = m1All}, Sjis("Ａア"), Sjis("Aあ")},
        {"h1Kata", {.Hira = h1Kata}, Sjis("がぱんア"), Sjis("ｶﾞﾊﾟﾝア")},
        {"h2Kata", {.Hira = h2Kata}, Sjis("がゐ"), Sjis("ガヰ")},
        {"Hira does not undo ゐ", {.Kata = kHira, .Hira = h2Kata}, Sjis("ヰ"), Sjis("ゐ")},
        {"size after narrowing", {.ConvSize = cvSmall, .Kata = k1byte}, Sjis("アＡ"), Sjis("ｧａ")},
        {"size on full width", {.ConvSize = cvBig}, Sjis("ぁｂ漢"), Sjis("あＢ漢")},
        {"a lead byte takes any second byte",
         {.Space = sp2byte},
         Bytes({0x83, 0x20, 0x20}),
         Bytes({0x83, 0x20, 0x81, 0x40})},
        {"a lead byte with NUL",
         {.ConvSize = cvBig},
         Bytes({0x82, 0x00, 'a'}),
         Bytes({0x82, 0x00, 'A'})},
        {"a lead byte at the end stays",
         {.ConvSize = cvBig, .Kata = k1byte, .Mark = m1All},
         Bytes({'a', 0x82}),
         Bytes({'A', 0x82})},
        {"ア then a digit", {.Kata = kHira, .Mark = m2All}, Sjis("ア1"), Sjis("あ１")},
    });
}

TEST(ConvertLine, UnknownOptionValuesActAsZero) {
    const std::string Line = Sjis("a ｶﾞ\tＡア　が ぁ\rx") + Bytes({0x83});
    const TOptions Zero{.SpLen = 3};
    const std::string Expected = Convert(Zero, Line);
    for (int Value : {3, 7, 0x80, 0xFF}) {
        for (int Field = 0; Field < 7; ++Field) {
            TOptions O = Zero;
            std::uint8_t* Fields[] = {&reinterpret_cast<std::uint8_t&>(O.ConvSize),
                                      &reinterpret_cast<std::uint8_t&>(O.Space),
                                      &reinterpret_cast<std::uint8_t&>(O.Kata),
                                      &reinterpret_cast<std::uint8_t&>(O.ToHira),
                                      &reinterpret_cast<std::uint8_t&>(O.Hira),
                                      &reinterpret_cast<std::uint8_t&>(O.Mark),
                                      &reinterpret_cast<std::uint8_t&>(O.Mapping)};
            if (Field == 2 && Value == 3) continue; // kHira is a real value of Kata
            *Fields[Field] = static_cast<std::uint8_t>(Value);
            EXPECT_EQ(Hex(Convert(O, Line)), Hex(Expected)) << Field << " = " << Value;
        }
        // ToHira outside its values acts as thAll.
        EXPECT_EQ(Convert({.Kata = kHira, .ToHira = TToHira(Value)}, Line),
                  Convert({.Kata = kHira}, Line));
        EXPECT_EQ(Convert({.Tab = TTab(Value), .SpLen = 3}, Line),
                  Convert({.Tab = tbSpace, .SpLen = 3}, Line));
    }
}

// With every option 0 a line comes back as it was, but for a lone CR (one that is not
// the second byte of a lead byte), which gains its LF. Every three-byte line.
TEST(ConvertLine, IdentityWithAllOptionsZero) {
    const THanZen H(nullptr);
    const auto Check = [&H](const std::string& S) {
        std::string Expected;
        for (std::size_t I = 0; I < S.size(); ++I) {
            Expected += S[I];
            if (H.CharKind(S.substr(I, 1)) == 3 && I + 1 < S.size())
                Expected += S[++I];
            else if (S[I] == '\r' && (I + 1 == S.size() || S[I + 1] != '\n'))
                Expected += '\n';
        }
        ASSERT_EQ(H.ConvertLine(S), Expected) << Hex(S);
    };
    // Every two-byte line, and three-byte lines of the bytes at every class's edges.
    for (int A = 0; A < 0x10000; ++A) Check(Bytes({A >> 8, A & 0xFF}));
    const int Edges[] = {0x00, 0x0A, 0x0D, 0x20, 0x40, 0x7E, 0x7F, 0x80, 0x81, 0x9F,
                         0xA0, 0xB6, 0xDE, 0xDF, 0xE0, 0xFC, 0xFD, 0xFF};
    for (int A : Edges)
        for (int B : Edges)
            for (int C : Edges) Check(Bytes({A, B, C}));
}

// Widening then narrowing a realistic line gives it back, up to the documented
// exceptions; run over random lines of Shift-JIS text to exercise character boundaries.
TEST(ConvertLine, WidenThenNarrowRoundTrips) {
    THanZen Wide(nullptr), Narrow(nullptr);
    Wide.SetOptions({.Space = sp2byte, .Kata = k2byte, .Mark = m2All});
    Narrow.SetOptions({.Space = sp1byte, .Kata = k1byte, .Mark = m1All});
    const std::string Pieces[] = {Sjis("ｶﾞｷﾞ"),
                                  Sjis("ﾊﾟﾎﾟ"),
                                  Sjis("ｳﾞ"),
                                  "abc",
                                  "XYZ",
                                  "09",
                                  "!?#$%&*+,./:;<=>@[]^_`{|}~\\",
                                  " ",
                                  Sjis("漢字"),
                                  Sjis("ひらがな"),
                                  Sjis("｡｢｣､･ｦｧｯ")};
    std::mt19937 Random(12345);
    for (int Round = 0; Round < 2000; ++Round) {
        std::string Line;
        for (int I = 0; I < 12; ++I) Line += Pieces[Random() % std::size(Pieces)];
        EXPECT_EQ(Hex(Narrow.ConvertLine(Wide.ConvertLine(Line))), Hex(Line));
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
    EXPECT_EQ(Hex(C.ConvertLine(Sjis("qアz"))), Hex("!" + Sjis("ｲ") + "z"));
}

} // namespace

// A line cut where LastCut allows, and converted piece by piece, gives the bytes of the
// whole line converted at once: for every length of the first piece, on lines made of the
// bytes that carry context (lead bytes, kana with voicing marks, runs of marks), under
// option sets that span every way a byte may take the next.
TEST(LineCut, PiecesConvertAsTheWholeLine) {
    const std::string Pieces[] = {Sjis("漢字"), Sjis("カタカナ"), Sjis("ｶﾞﾊﾟｱﾞ"), "\xDE\xDE\xDF",
                                  Sjis("ｰ°"),   "ab 09",          "\t",             "\n",
                                  std::string(1, '\0'), "\x81", "\x83\x20", Sjis("ぁ")};
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
            ASSERT_TRUE(Cut > 0 || N < 3) << "no progress at " << N << " in " << Hex(Line);
            H.ConvertLine(std::string_view(Line).substr(0, Cut), First);
            H.ConvertLine(std::string_view(Line).substr(Cut), Rest);
            ASSERT_EQ(Hex(First + Rest), Hex(Whole)) << "cut at " << Cut << " in " << Hex(Line);
        }
    }
}
