// Half-width <-> full-width: HanCharToZen/HanToZen and ZenCharToHan/ZenToHan, checked by
// round trips and against the C library's code page 932 decoder rather than by restating
// the tables.
#include "HanZen.h"
#include "Sjis.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

const THanZen H(nullptr);

// Every single byte with a full-width form widens to one pair that narrows back, but for
// 0xA0 and ｰ, which narrow to the space and the hyphen; every other byte passes through.
// The full-width form of an ASCII graphic c is U+FF01..U+FF5E at c + 0xFEE0, apart from
// the forms that code page 932 spells with other characters.
TEST(Width, EverySingleByteWidensAndNarrowsBack) {
    const std::map<int, long> Other = {
        {0x20, 0x3000}, {0x22, 0x201D}, {0x27, 0x2019}, {0x5C, 0xFFE5}};
    for (int B = 0; B < 256; ++B) {
        const std::string One = Bytes({B});
        const std::string Zen = H.HanToZen(One);
        if (!((B >= 0x20 && B <= 0x7E) || (B >= 0xA0 && B <= 0xDF))) {
            EXPECT_EQ(H.HanCharToZen(B, 0), "") << B;
            EXPECT_EQ(Zen, One) << B; // passes through, never dropped
            continue;
        }
        ASSERT_EQ(Zen.size(), 2u) << B;
        EXPECT_TRUE(H.IsDBCSPair(Zen[0], Zen[1])) << B;
        const std::string Back = B == 0xA0 ? " " : B == 0xB0 ? "-" : One;
        EXPECT_EQ(Hex(H.ZenToHan(Zen)), Hex(Back)) << B;
        const long Code = CodePoint(Zen);
        EXPECT_EQ(Code, B > 0x7E ? Code : Other.count(B) ? Other.at(B) : B + 0xFEE0) << B;
    }
}

// Every double-byte character of leads 0x81..0x83 stays or narrows to one or two bytes:
// to an ASCII graphic c when it is U+FF01..U+FF5E at c + 0xFEE0, to kana that widen back
// to it, or to one of the look-alikes named here and checked below. Other leads have no
// half-width form at all.
TEST(Width, DoubleByteCharactersNarrowByTheCodePage) {
    const std::set<int> LookAlikes = {0x8140, 0x815B, 0x815C, 0x815D, 0x8165,
                                      0x8166, 0x8167, 0x8168, 0x8171, 0x8172,
                                      0x818B, 0x818C, 0x818D, 0x818F, 0x838E};
    int Narrowed[3] = {};
    for (int Lead = 0x81; Lead <= 0x84; ++Lead)
        for (int Trail = 0; Trail < 256; ++Trail) {
            const std::string Zen = Bytes({Lead, Trail}), Han = H.ZenCharToHan(Lead, Trail);
            EXPECT_TRUE(Lead != 0x84 || Han.empty()) << Trail;
            if (Lead == 0x84 || Han == Zen) continue;
            ++Narrowed[Lead - 0x81];
            ASSERT_TRUE(Han.size() == 1 || Han.size() == 2) << Hex(Zen);
            if (LookAlikes.count(Lead << 8 | Trail)) continue;
            if (static_cast<std::uint8_t>(Han[0]) < 0x80)
                EXPECT_EQ(CodePoint(Zen), Han[0] + 0xFEE0) << Hex(Zen);
            else
                EXPECT_EQ(Hex(H.HanToZen(Han)), Hex(Zen));
        }
    EXPECT_EQ(Narrowed[0], 50); // symbols
    EXPECT_EQ(Narrowed[1], 62); // digits and Latin letters
    EXPECT_EQ(Narrowed[2], 82); // katakana but ヰ ヱ ヵ ヶ
    EXPECT_EQ(H.ZenToHan("　－―‐“”‘’′″〈〉＜＞￥"_sjis), " ---\"\"'''\"<><>\\");
    EXPECT_EQ(Hex(H.ZenToHan("ー°゜゛、。「」・"_sjis)), Hex("ｰﾟﾟﾞ､｡｢｣･"_sjis));
    EXPECT_EQ(Hex(H.ZenToHan("＼…々〆漢あαЖヰヱヵヶ"_sjis)), Hex("＼…々〆漢あαЖヰヱヵヶ"_sjis));
    EXPECT_EQ(Hex(H.ZenToHan("ガパヴヂヮワァッ"_sjis)), Hex("ｶﾞﾊﾟｳﾞﾁﾞﾜﾜｧｯ"_sjis));
    // Single bytes are never changed by narrowing.
    EXPECT_EQ(Hex(H.ZenToHan("ｶﾞA"_sjis + "\x83\x20")), Hex("ｶﾞA"_sjis + "\x83\x20"));
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
    // Bytes without a full-width form pass through wherever they stand, a lead byte before
    // a byte that is no second byte and at the end too; double-byte characters pass
    // unchanged, a lead byte with a kana-area trail too.
    EXPECT_EQ(
        Hex(H.HanToZen(Bytes({'A', 0x09, 0x7F, 0x80, 0x82, 0x20, 0xFD, 'B', 0, 0x82}))),
        Hex(Bytes({0x82, 0x60, 0x09, 0x7F, 0x80, 0x82, 0x81, 0x40, 0xFD, 0x82, 0x61, 0, 0x82})));
    EXPECT_EQ(Hex(H.HanToZen("漢ア"_sjis + "\x83\xB6")), Hex("漢ア"_sjis + "\x83\xB6"));
}

} // namespace
