// The vector kernels against the plan alone: random lines of the bytes that sit at
// character and step boundaries, under random options, shifted by 0..63 bytes of mixed
// text (which may cut a pair), at every level of this machine. FastPathTest.cpp checks
// the plan against the virtual path, and every level on every (byte, next byte) pair.
#include "EngineLevels.h"
#include "HanZen.h"
#include "Sjis.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Under a sanitizer, where the plan runs unoptimized, fewer lines.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int Rounds = 1000;
#else
constexpr int Rounds = 4000;
#endif

TEST(Kernels, EveryLevelGivesThePlansBytes) {
    const std::string Pieces[] = {Sjis("漢字ひらがな"),
                                  Sjis("カタカナヴヵヰぁゎ"),
                                  Sjis("ｶﾞﾊﾟｱﾞｳﾞｧ"),
                                  Sjis("ＡＢ１ａ"),
                                  "ASCII 09 az~\\",
                                  "\t",
                                  "\r",
                                  "\r\n",
                                  std::string(1, '\0'),
                                  "\x81",
                                  "\x82\x82\x82",
                                  "\xDE\xDF\xDE",
                                  Sjis("　、。ー°"),
                                  "\x7F\x80\xA0\xFD\xFF",
                                  "\x83\x20"};
    std::string Filler;
    for (int I = 0; I < 8; ++I) Filler += Sjis("ｶﾞab漢ア");
    // Each option: one of its named values or a value outside them.
    std::mt19937 Random(15);
    const auto Pick = [&Random](unsigned Named) {
        const unsigned V = Random() % (Named + 1);
        return static_cast<std::uint8_t>(V < Named ? V : 0xFF);
    };
    // A kernel expands a tab itself when its spaces fit, else the plan does.
    const std::int32_t SpLens[] = {-1, 0, 1, 4, 40, 1000};
    const std::vector<TEngineLevel> Levels = EngineLevelsAvailable();
    THanZen H(nullptr);
    std::string Plan, Kernel;
    for (int Round = 0; Round < Rounds; ++Round) {
        if (Round % 10 == 0)
            H.SetOptions({TConvSize(Pick(3)), TSpace(Pick(3)), TTab(Pick(2)), TKata(Pick(4)),
                          TToHira(Pick(3)), THira(Pick(3)), TMark(Pick(3)),
                          SpLens[Random() % std::size(SpLens)], TMapping(Pick(2))});
        std::string Line = Filler.substr(0, Round % 64);
        for (std::size_t N = Random() % 40; N > 0; --N)
            Line += Pieces[Random() % std::size(Pieces)];
        ConvertLineAt(TEngineLevel::Scalar, H, Line, Plan);
        for (TEngineLevel L : Levels) {
            ConvertLineAt(L, H, Line, Kernel);
            ASSERT_EQ(Hex(Kernel), Hex(Plan))
                << EngineLevelName(L) << ", round " << Round << ", line " << Hex(Line);
        }
    }
}

// The switch: each level in turn is the one ConvertLine takes.
TEST(Kernels, TheLevelSetIsTheLevelInForce) {
    const std::vector<TEngineLevel> Levels = EngineLevelsAvailable();
    ASSERT_EQ(Levels.front(), TEngineLevel::Scalar);
    for (TEngineLevel L : Levels) {
        SetEngineLevel(L);
        EXPECT_EQ(EngineLevel(), L);
    }
    EXPECT_THROW(SetEngineLevel(TEngineLevel(200)), std::invalid_argument);
    SetEngineLevel(Levels.back());
}

} // namespace
