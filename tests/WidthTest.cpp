// Half-width <-> full-width: HanCharToZen/HanToZen and ZenCharToHan/ZenToHan, checked by
// round trips and against the C library's code page 932 decoder rather than by restating
// the tables.
#include "HanZen.h"
#include "Sjis.h"

#include <gtest/gtest.h>

#include <set>

namespace {

const THanZen H(nullptr);

bool HasFullWidthForm(int B) {
    return (B >= 0x20 && B <= 0x7E) || (B >= 0xA0 && B <= 0xDF);
}

TEST(Width, EverySingleByteWidensAndNarrowsBack) {
    for (int B = 0; B < 256; ++B) {
        const std::string One = Bytes({B});
        const std::string Zen = H.HanToZen(One);
        if (!HasFullWidthForm(B)) {
            EXPECT_EQ(H.HanCharToZen(B, 0), "") << B;
            EXPECT_EQ(Zen, One) << B; // passes through, never dropped
            continue;
        }
        ASSERT_EQ(Zen.size(), 2u) << B;
        EXPECT_TRUE(H.IsDBCSPair(Zen[0], Zen[1])) << B;
        // The two documented exceptions: 0xA0 and ｰ narrow to the space and the hyphen.
        const std::string Back = B == 0xA0 ? " " : B == 0xB0 ? "-" : One;
        EXPECT_EQ(Hex(H.ZenToHan(Zen)), Hex(Back)) << B;
    }
}

TEST(Width, AsciiWidensToItsFullWidthCodePoint) {
    // The full-width form of an ASCII graphic c is U+FF01..U+FF5E at c + 0xFEE0, apart
    // from the forms that code page 932 spells with other characters.
    const std::map<int, long> Other = {
        {0x20, 0x3000}, {0x22, 0x201D}, {0x27, 0x2019}, {0x5C, 0xFFE5}};
    for (int C = 0x20; C <= 0x7E; ++C) {
        const long Expected = Other.count(C) ? Other.at(C) : C + 0xFEE0;
        EXPECT_EQ(CodePoint(H.HanCharToZen(C, 0)), Expected) << C;
    }
    EXPECT_EQ(H.HanCharToZen(0x7F, 0), "");
}

TEST(Width, SymbolsNarrowToTheirAsciiLookAlikes) {
    // Every lead-0x81 symbol whose half-width form is ASCII decodes to that ASCII
    // character + 0xFEE0, except the named look-alikes.
    const std::set<int> LookAlikes = {0x40, 0x5C, 0x5D, 0x65, 0x66, 0x67,
                                      0x68, 0x71, 0x72, 0x8C, 0x8D, 0x8F};
    int Narrowed = 0;
    for (int T = 0x40; T <= 0xFC; ++T) {
        if (T == 0x7F) continue;
        const std::string Zen = Pair(0x81, T), Han = H.ZenCharToHan(0x81, T);
        if (Han == Zen) continue;
        ++Narrowed;
        ASSERT_EQ(Han.size(), 1u) << T;
        const int C = static_cast<std::uint8_t>(Han[0]);
        if (C >= 0x21 && C <= 0x7E && !LookAlikes.count(T)) {
            EXPECT_EQ(CodePoint(Zen), C + 0xFEE0) << T;
        }
    }
    EXPECT_EQ(Narrowed, 50);
    EXPECT_EQ(H.ZenToHan(Sjis("　")), " ");
    EXPECT_EQ(H.ZenToHan(Sjis("－―‐")), "---");
    EXPECT_EQ(H.ZenToHan(Sjis("“”‘’′″〈〉＜＞￥")), "\"\"'''\"<><>\\");
    EXPECT_EQ(Hex(H.ZenToHan(Sjis("ー°゜゛、。「」・"))), Hex(Sjis("ｰﾟﾟﾞ､｡｢｣･")));
    EXPECT_EQ(Hex(H.ZenToHan(Sjis("＼…々〆"))), Hex(Sjis("＼…々〆"))); // no half-width form
}

TEST(Width, OnlyDigitsAndLettersOfLead82Narrow) {
    for (int T : {0x4E, 0x59, 0x5F, 0x7A, 0x80, 0x9B, 0x9F, 0xF1})
        EXPECT_EQ(H.ZenCharToHan(0x82, T), Pair(0x82, T)) << T;
    EXPECT_EQ(H.ZenCharToHan(0x84, 0x40), ""); // other leads have no half-width form at all
    EXPECT_EQ(Hex(H.ZenToHan(Sjis("漢あαЖ"))), Hex(Sjis("漢あαЖ")));
}

// A voicing mark combines with exactly the letters whose voiced or semi-voiced katakana
// exist: in Unicode those sit one (voiced) or two (semi-voiced) code points above the
// plain letter, and ヴ sits 0x4E above ウ.
TEST(Width, LettersWithMarksCombineAndNarrowBack) {
    int Combined = 0;
    for (int B = 0xA0; B <= 0xDF; ++B) {
        for (int Mark : {0xDE, 0xDF}) {
            const std::string Unit = Bytes({B, Mark});
            const std::string Zen = H.HanToZen(Unit);
            const std::string Alone = H.HanCharToZen(B, 0) + H.HanCharToZen(Mark, 0);
            if (Zen.size() == 4) { // does not combine: letter and mark both kept
                EXPECT_EQ(Hex(Zen), Hex(Alone)) << Hex(Unit);
                EXPECT_EQ(H.HanCharToZen(B, Mark), H.HanCharToZen(B, 0)) << Hex(Unit);
                continue;
            }
            ++Combined;
            ASSERT_EQ(Zen.size(), 2u) << Hex(Unit);
            EXPECT_EQ(Zen, H.HanCharToZen(B, Mark));
            EXPECT_EQ(Hex(H.ZenToHan(Zen)), Hex(Unit));
            const long Plain = CodePoint(H.HanCharToZen(B, 0));
            const long Step = B == 0xB3 ? 0x4E : Mark == 0xDE ? 1 : 2;
            EXPECT_EQ(CodePoint(Zen), Plain + Step) << Hex(Unit);
        }
    }
    EXPECT_EQ(Combined, 21 + 5);
}

TEST(Width, HanToZenKeepsEveryByte) {
    EXPECT_EQ(H.HanToZen(""), "");
    EXPECT_EQ(Hex(H.HanToZen(Sjis("ｶﾞﾊﾟｳﾞﾁﾞ"))), Hex(Sjis("ガパヴヂ")));
    // Marks that do not combine are converted in their own turn, never swallowed.
    EXPECT_EQ(Hex(H.HanToZen(Sjis("ｶﾟ"))), Hex(Bytes({0x83, 0x4A, 0x81, 0x4B})));
    EXPECT_EQ(Hex(H.HanToZen(Sjis("ｳﾟｱﾞﾞﾟ"))), Hex(Sjis("ウ゜ア゛゛゜")));
    EXPECT_EQ(Hex(H.HanToZen(Sjis("ｶｰｶ"))), Hex(Sjis("カ－カ")));
    // Bytes without a full-width form pass through wherever they stand.
    EXPECT_EQ(Hex(H.HanToZen(Bytes({'A', 0x09}))), Hex(Bytes({0x82, 0x60, 0x09})));
    EXPECT_EQ(Hex(H.HanToZen(Bytes({'A', 0x7F, 0x80, 'B', 0xFD}))),
              Hex(Bytes({0x82, 0x60, 0x7F, 0x80, 0x82, 0x61, 0xFD})));
    EXPECT_EQ(Hex(H.HanToZen(Bytes({'A', 0x82}))), Hex(Bytes({0x82, 0x60, 0x82})));
    EXPECT_EQ(Hex(H.HanToZen(Bytes({0x82, 0x20, 'A', 0}))),
              Hex(Bytes({0x82, 0x81, 0x40, 0x82, 0x60, 0})));
    // Double-byte characters pass unchanged, a lead byte with a kana-area trail too.
    EXPECT_EQ(Hex(H.HanToZen(Sjis("漢ア") + Bytes({0x83, 0xB6}))),
              Hex(Sjis("漢ア") + Bytes({0x83, 0xB6})));
}

TEST(Width, KatakanaNarrowing) {
    EXPECT_EQ(Hex(H.ZenToHan(Sjis("ガパヴヂヮワ"))), Hex(Sjis("ｶﾞﾊﾟｳﾞﾁﾞﾜﾜ")));
    EXPECT_EQ(Hex(H.ZenToHan(Sjis("ァィゥェォャュョッ"))), Hex(Sjis("ｧｨｩｪｫｬｭｮｯ")));
    // ヰ ヱ ヵ ヶ and the Greek letters have no half-width form and come back unchanged.
    EXPECT_EQ(Hex(H.ZenToHan(Sjis("ヰヱヵヶαΩ"))), Hex(Sjis("ヰヱヵヶαΩ")));
    // Every katakana of the block either narrows to half-width bytes or stays as it is.
    for (int T = 0x40; T <= 0x96; ++T) {
        if (T == 0x7F) continue;
        const std::string Han = H.ZenCharToHan(0x83, T);
        if (Han == Pair(0x83, T)) continue;
        EXPECT_EQ(H.CharKind(Han), 2) << T;
        EXPECT_EQ(Hex(H.HanToZen(Han)), Hex(T == 0x8E ? Sjis("ワ") : Pair(0x83, T))) << T;
    }
    // Single bytes are never changed by narrowing.
    EXPECT_EQ(Hex(H.ZenToHan(Sjis("ｶﾞA") + Bytes({0x83, 0x20}))),
              Hex(Sjis("ｶﾞA") + Bytes({0x83, 0x20})));
}

} // namespace
