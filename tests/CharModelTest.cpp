// The Shift-JIS character model: pair test, byte classes and the pair walk that every
// string operation shares.
#include "HanZen.h"
#include "Reference.h"
#include "Sjis.h"

#include <gtest/gtest.h>

namespace {

const THanZen H(nullptr);

// The pair test and the byte classes against the model on every byte and every pair, and
// the model against code page 932: every pair that the code page assigns is a pair, and
// a byte that it decodes on its own is never a lead byte.
TEST(CharModel, PairTestAndByteClassesFollowTheModel) {
    EXPECT_EQ(H.CharKind(""), 0);
    for (int Lead = 0; Lead < 256; ++Lead) {
        EXPECT_EQ(H.CharKind(Bytes({Lead})), model::Kind(Lead)) << Lead;
        EXPECT_EQ(H.CharKind(Bytes({Lead, 0x41})), model::Kind(Lead)) << Lead; // the first byte
        const bool Alone = CodePoint(Bytes({Lead})) >= 0;
        EXPECT_FALSE(Alone && model::IsLead(Lead)) << Lead;
        for (int Trail = 0; Trail < 256; ++Trail) {
            const bool IsPair = model::IsLead(Lead) && model::IsTrail(Trail);
            ASSERT_EQ(H.IsDBCSPair(Lead, Trail), IsPair) << Hex(Bytes({Lead, Trail}));
            EXPECT_TRUE(IsPair || Alone || CodePoint(Bytes({Lead, Trail})) < 0) << Lead;
        }
    }
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
    // A NUL is walked like any other byte.
    EXPECT_EQ(Hex(H.StrToBig(Bytes({'a', 0, 'b'}))), Hex(Bytes({'A', 0, 'B'})));
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
    const std::string Text = "ア"_sjis;                          // 83 41
    EXPECT_EQ(Hex(N.ZenToHan(Text)), Hex(Text));                 // not ｱ
    EXPECT_EQ(Hex(N.StrToSmall(Text)), Hex(Bytes({0x83, 'a'}))); // the trail taken for A
    EXPECT_EQ(Hex(N.KataToHira(Text)), Hex(Text));
    EXPECT_EQ(Hex(N.HiraToKata("あ"_sjis)), Hex("あ"_sjis));
    EXPECT_EQ(Hex(N.StrToBig("ぁ"_sjis)), Hex("ぁ"_sjis));
    EXPECT_EQ(Hex(N.HanToZen(Bytes({0x83, 0x41}))), Hex(Bytes({0x83, 0x82, 0x60}))); // A widened
}

} // namespace
