// Letter size: Latin case and small kana, in both widths.
#include "HanZen.h"
#include "Sjis.h"

#include <gtest/gtest.h>

#include <map>

namespace {

const THanZen H(nullptr);

TEST(LetterSize, SingleByteTwinsAreInverses) {
    int Changed = 0;
    for (int B = 0; B < 256; ++B) {
        const auto Big = H.HanToBig(B), Small = H.HanToSmall(B);
        EXPECT_TRUE(Big == B || H.HanToSmall(Big) == B) << B;
        EXPECT_TRUE(Small == B || H.HanToBig(Small) == B) << B;
        EXPECT_TRUE(Big == B || Small == B) << B; // no byte is both
        Changed += Big != B;
    }
    EXPECT_EQ(Changed, 26 + 9);
    EXPECT_EQ(H.StrToBig("ab" + "ｧｯｬ"_sjis), "AB" + "ｱﾂﾔ"_sjis);
    EXPECT_EQ(H.StrToSmall("AB" + "ｱﾂﾔｶｹﾜ"_sjis), "ab" + "ｧｯｬｶｹﾜ"_sjis);
}

// The small kana of Unicode that code page 932 holds, and the letter each is the small
// form of; everything else that changes must be a full-width Latin letter.
const std::map<long, long> SmallToBig = {
    {0x3041, 0x3042}, {0x3043, 0x3044}, {0x3045, 0x3046}, {0x3047, 0x3048}, {0x3049, 0x304A},
    {0x3063, 0x3064}, {0x3083, 0x3084}, {0x3085, 0x3086}, {0x3087, 0x3088}, {0x308E, 0x308F},
    {0x30A1, 0x30A2}, {0x30A3, 0x30A4}, {0x30A5, 0x30A6}, {0x30A7, 0x30A8}, {0x30A9, 0x30AA},
    {0x30C3, 0x30C4}, {0x30E3, 0x30E4}, {0x30E5, 0x30E6}, {0x30E7, 0x30E8}, {0x30EE, 0x30EF},
    {0x30F5, 0x30AB}, {0x30F6, 0x30B1}};

TEST(LetterSize, DoubleByteTwinsAgreeWithTheCodePage) {
    int Changed = 0;
    for (int Lead = 0; Lead < 256; ++Lead)
        for (int Trail = 0; Trail < 256; ++Trail) {
            const auto Code = static_cast<std::uint16_t>(Lead << 8 | Trail);
            const auto Big = H.ZenToBig(Lead, Trail), Small = H.ZenToSmall(Lead, Trail);
            ASSERT_EQ(Big >> 8, Lead);
            ASSERT_EQ(Small >> 8, Lead);
            EXPECT_TRUE(Small == Code || H.ZenToBig(Lead, Small & 0xFF) == Code) << Code;
            if (Big == Code) continue;
            ++Changed;
            EXPECT_EQ(H.ZenToSmall(Lead, Big & 0xFF), Code) << Hex(Bytes({Lead, Trail}));
            const long From = CodePoint(Bytes({Lead, Trail})),
                       To = CodePoint(Bytes({Lead, Big & 0xFF}));
            const long Expected = From >= 0xFF41 && From <= 0xFF5A ? From - 0x20
                                  : SmallToBig.count(From)         ? SmallToBig.at(From)
                                                                   : -1;
            EXPECT_EQ(To, Expected) << Hex(Bytes({Lead, Trail}));
        }
    EXPECT_EQ(Changed, 26 + static_cast<int>(SmallToBig.size()));
}

// The walk: pairs of leads 0x82 and 0x83 by their code, never by their trail byte (ア is
// 83 41, ヂ 83 61), other pairs unchanged.
TEST(LetterSize, Strings) {
    EXPECT_EQ(Hex(H.StrToBig("ａｂｚぁゃっゎァャッヮヵヶヂαЖ０＠亜"_sjis)),
              Hex("ＡＢＺあやつわアヤツワカケヂαЖ０＠亜"_sjis));
    EXPECT_EQ(Hex(H.StrToSmall("ＡＢＺカケかけヰヱヴアΑЖ０＠亜"_sjis)),
              Hex("ａｂｚヵヶかけヰヱヴァΑЖ０＠亜"_sjis));
}

} // namespace
