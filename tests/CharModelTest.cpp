// The Shift-JIS character model: pair test, byte classes and the pair walk that every
// string operation shares.
#include "HanZen.h"
#include "Sjis.h"

#include <gtest/gtest.h>

namespace {

const THanZen H(nullptr);

TEST(CharModel, PairTestAtEveryBoundary) {
    EXPECT_TRUE(H.IsDBCSPair(0x81, 0x40));
    EXPECT_TRUE(H.IsDBCSPair(0x9F, 0x7E));
    EXPECT_TRUE(H.IsDBCSPair(0xE0, 0x80));
    EXPECT_TRUE(H.IsDBCSPair(0xFC, 0xFC));
    for (int Lead : {0x80, 0xA0, 0xDF, 0xFD, 0xFF, 0x00}) EXPECT_FALSE(H.IsDBCSPair(Lead, 0x40));
    for (int Trail : {0x3F, 0x7F, 0xFD, 0xFF, 0x00}) EXPECT_FALSE(H.IsDBCSPair(0x81, Trail));
}

// Every pair that code page 932 assigns is a pair to the walk; bytes that the code page
// decodes on their own are never lead bytes.
TEST(CharModel, PairTestAgreesWithTheCodePage) {
    for (int Lead = 0; Lead < 256; ++Lead) {
        if (CodePoint(Bytes({Lead})) >= 0) {
            EXPECT_FALSE(H.IsDBCSPair(Lead, 0x40)) << Lead;
            continue;
        }
        for (int Trail = 0; Trail < 256; ++Trail)
            if (CodePoint(Pair(Lead, Trail)) >= 0) {
                EXPECT_TRUE(H.IsDBCSPair(Lead, Trail)) << Hex(Pair(Lead, Trail));
            }
    }
}

TEST(CharModel, ByteClasses) {
    EXPECT_EQ(H.CharKind(""), 0);
    EXPECT_EQ(H.CharKind("ab"), 1); // only the first byte counts
    EXPECT_EQ(H.CharKind(" "), 0);
    int Count[4] = {};
    for (int B = 0; B < 256; ++B) ++Count[H.CharKind(Bytes({B, 0x41}))];
    EXPECT_EQ(Count[1], 0x7E - 0x21 + 1);
    EXPECT_EQ(Count[2], 0xDF - 0xA0 + 1);
    EXPECT_EQ(Count[3], (0x9F - 0x81 + 1) + (0xFC - 0xE0 + 1));
    for (int B : {0x00, 0x1F, 0x20, 0x7F, 0x80, 0xFD, 0xFE, 0xFF})
        EXPECT_EQ(H.CharKind(Bytes({B})), 0) << B;
    for (int B : {0x21, 0x7E}) EXPECT_EQ(H.CharKind(Bytes({B})), 1) << B;
    for (int B : {0xA0, 0xDF}) EXPECT_EQ(H.CharKind(Bytes({B})), 2) << B;
    for (int B : {0x81, 0x9F, 0xE0, 0xFC}) EXPECT_EQ(H.CharKind(Bytes({B})), 3) << B;
}

TEST(CharModel, WalkTakesLeadBytesOnlyAtCharacterBoundaries) {
    // 82 82 is ｂ; A0 is then flushed alone.
    EXPECT_EQ(Hex(H.ZenToHan(Bytes({0x82, 0x82, 0xA0}))), Hex(Bytes({'b', 0xA0})));
    // 82 0A fails the pair test, 0A goes alone, 82 A0 is あ.
    EXPECT_EQ(Hex(H.HiraToKata(Bytes({0x82, 0x0A, 0x82, 0xA0}))),
              Hex(Bytes({0x82, 0x0A, 0x83, 0x41})));
    // 7F is no trail byte.
    EXPECT_EQ(Hex(H.StrToBig(Bytes({0x82, 0x7F}))), Hex(Bytes({0x82, 0x7F})));
    // A lead byte at the end passes the single step alone.
    EXPECT_EQ(Hex(H.StrToBig(Bytes({'a', 0x82}))), Hex(Bytes({'A', 0x82})));
    // Half-width katakana are never lead bytes.
    EXPECT_EQ(Hex(H.HiraToKata(Bytes({0xB6, 0x82, 0xA0}))), Hex(Bytes({0xB6, 0x83, 0x41})));
    // The trail byte 61 of ヂ is never taken for the letter a.
    EXPECT_EQ(Hex(H.StrToBig(Sjis("ヂa"))), Hex(Sjis("ヂA")));
    // A NUL is walked like any other byte.
    EXPECT_EQ(Hex(H.StrToBig(std::string("a\0b", 3))), Hex(std::string("A\0B", 3)));
    for (auto Op : {&THanZen::ZenToHan, &THanZen::HanToZen, &THanZen::StrToBig,
                    &THanZen::StrToSmall, &THanZen::HiraToKata, &THanZen::KataToHira})
        EXPECT_EQ((H.*Op)(""), "");
}

// A descendant that knows no double-byte characters: every string operation built on the
// pair test must follow it.
class NoPairs : public THanZen {
public:
    using THanZen::THanZen;
    bool IsDBCSPair(std::uint8_t, std::uint8_t) const override { return false; }
};

TEST(CharModel, EveryWalkUsesTheVirtualPairTest) {
    const NoPairs N(nullptr);
    const std::string Text = Sjis("ア");                         // 83 41
    EXPECT_EQ(Hex(N.ZenToHan(Text)), Hex(Text));                 // not ｱ
    EXPECT_EQ(Hex(N.StrToSmall(Text)), Hex(Bytes({0x83, 'a'}))); // the trail taken for A
    EXPECT_EQ(Hex(N.KataToHira(Text)), Hex(Text));
    EXPECT_EQ(Hex(N.HiraToKata(Sjis("あ"))), Hex(Sjis("あ")));
    EXPECT_EQ(Hex(N.StrToBig(Sjis("ぁ"))), Hex(Sjis("ぁ")));
    EXPECT_EQ(Hex(N.HanToZen(Bytes({0x83, 0x41}))), Hex(Bytes({0x83, 0x82, 0x60}))); // A widened
}

} // namespace
