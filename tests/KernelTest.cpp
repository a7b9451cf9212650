// Whole lines through every path: the plan alone, each vector kernel of this machine and
// ConvertLine itself against the virtual path, on random lines of the bytes that sit at
// character and step boundaries, under random options, shifted by 0..63 bytes of mixed
// text (which may cut a pair). FastPathTest.cpp checks the plan against the virtual path,
// and every level against the plan, on every (byte, next byte) pair.
#include "EngineLevels.h"
#include "HanZen.h"
#include "Reference.h"
#include "Sjis.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

using namespace kana::detail;

using namespace std::string_literals;

namespace {

// Under a sanitizer, where the plan runs unoptimized, fewer lines.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int Rounds = 1000;
#else
constexpr int Rounds = 4000;
#endif

TEST(Kernels, EveryPathGivesTheVirtualPathsBytes) {
    // A line is 0..63 bytes of this text, then runs of it, which may start inside a
    // character, and runs of bytes that sit at boundaries.
    const std::string Text =
        "漢字ひらがなカタカナヴヵヰぁゎｶﾞﾊﾟｱﾞｳﾞｧＡＢ１ａ　、。ー°ｰ ASCII 09 az~\\"_sjis;
    const std::string Odd = "\t\r\n \x81\x82\x83\xDE\xDF\x7F\x80\xA0\xFD\xFF"s + '\0';
    // Each option: one of its named values or a value outside them.
    std::mt19937 Random(15);
    const auto Pick = [&Random](unsigned Named) {
        const unsigned V = Random() % (Named + 1);
        return static_cast<std::uint8_t>(V < Named ? V : 0xFF);
    };
    // A kernel expands a tab itself when its spaces fit, else the plan does.
    const std::int32_t SpLens[] = {-1, 0, 1, 4, 40, 1000};
    THanZen H(nullptr);
    VirtualHanZen Virtual(nullptr);
    std::string Expected, Got;
    for (int Round = 0; Round < Rounds; ++Round) {
        if (Round % 10 == 0) { // the same objects: new options take effect at the next call
            H.SetOptions({TConvSize(Pick(3)), TSpace(Pick(3)), TTab(Pick(2)), TKata(Pick(4)),
                          TToHira(Pick(3)), THira(Pick(3)), TMark(Pick(3)),
                          SpLens[Random() % std::size(SpLens)], TMapping(Pick(2))});
            Virtual.SetOptions(H.Options());
        }
        std::string Line = Text.substr(0, Round % 64);
        for (std::size_t N = Random() % 24; N > 0; --N) {
            if (Random() % 2) Line += Text.substr(Random() % Text.size(), Random() % 12);
            for (std::size_t K = Random() % 4; K > 0; --K) Line += Odd[Random() % Odd.size()];
        }
        Virtual.ConvertLine(Line, Expected);
        ASSERT_EQ(Hex(H.ConvertLine(Line)), Hex(Expected)) << "round " << Round << Hex(Line);
        for (TEngineLevel L : EngineLevelsAvailable()) {
            ConvertLineAt(L, H, Line, Got);
            ASSERT_EQ(Hex(Got), Hex(Expected))
                << EngineLevelName(L) << ", round " << Round << ", line " << Hex(Line);
        }
    }
}

// Long texts, whose start tells a level whether its kernel pays: text that changes seldom
// at first and densely after, and the other way round, with a pair cut at every place
// near where the look ends. AVX2 takes its kernel only where the start changes densely.
TEST(Kernels, LongTextsAtEveryDensity) {
    const std::string Sparse = "漢字ひらがなのテキスト、ASCII text and more of it. "_sjis;
    const std::string Dense = "ｶﾞｰﾙ　ＡＢＣ１２３ｱｲｳｴｵｧｨ"_sjis;
    THanZen H(nullptr);
    H.SetOptions({.Kata = k2byte, .Mark = m1All});
    VirtualHanZen Virtual(nullptr);
    Virtual.SetOptions(H.Options());
    std::string Expected, Got;
    for (const bool DenseFirst : {false, true})
        for (std::size_t Cut = 4090; Cut < 4100; ++Cut) {
            std::string Text;
            while (Text.size() < Cut) Text += DenseFirst ? Dense : Sparse;
            Text.resize(Cut);
            Text += "\x82\xA0"; // a pair around the cut, or its second byte alone after it
            while (Text.size() < 40000) Text += DenseFirst ? Sparse : Dense;
            Virtual.ConvertLine(Text, Expected);
            for (TEngineLevel L : EngineLevelsAvailable()) {
                const std::uint64_t Before = KernelCallsOnThisThread();
                ConvertLineAt(L, H, Text, Got);
                ASSERT_EQ(Hex(Got), Hex(Expected)) << EngineLevelName(L) << ", cut " << Cut;
                if (L == TEngineLevel::Avx2) {
                    EXPECT_EQ(KernelCallsOnThisThread() - Before, DenseFirst ? 1u : 0u) << Cut;
                }
            }
        }
}

// KANA_ENGINE_LEVEL, where it names a level of this processor, is the level a program
// starts at (ctest runs the end-to-end suites so at every level).
const TEngineLevel LevelAtStart = EngineLevel();

TEST(Kernels, TheEnvironmentNamesTheLevel) {
    const char* Name = std::getenv("KANA_ENGINE_LEVEL");
    if (!Name) GTEST_SKIP() << "KANA_ENGINE_LEVEL is not set";
    ASSERT_TRUE(EngineLevelNamed(Name).has_value()) << Name;
    EXPECT_STREQ(EngineLevelName(LevelAtStart), Name);
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
    for (TEngineLevel L : Levels) EXPECT_EQ(EngineLevelNamed(EngineLevelName(L)), L);
    EXPECT_EQ(EngineLevelNamed("mmx"), std::nullopt);
}

// A program runs the best level its processor has, and a conversion there enters the
// kernel: on x86-64 with SSE4.2 or better, a line that changes is never left to the plan
// alone.
TEST(Kernels, ProductionTakesTheBestKernel) {
    const std::vector<TEngineLevel> Levels = EngineLevelsAvailable();
    SetEngineLevel(Levels.back());
    THanZen H(nullptr);
    H.SetOptions({.Kata = k2byte});
    const std::uint64_t Before = KernelCallsOnThisThread();
    EXPECT_EQ(H.ConvertLine("ｶﾞｰﾙ"_sjis), "ガ－ル"_sjis);
    EXPECT_EQ(KernelCallsOnThisThread() - Before, Levels.back() >= TEngineLevel::Avx2 ? 1u : 0u);
#if defined(__x86_64__)
    EXPECT_NE(Levels.back(), TEngineLevel::Scalar) << "an x86-64 processor without SSE4.2";
#endif
}

} // namespace
