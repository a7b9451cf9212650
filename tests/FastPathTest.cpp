// The compiled fast path of ConvertLine against the virtual path it is compiled from:
// every (Ch, NextCh) under every combination of the options that Ch's class depends on,
// then whole lines. Each vector level against the plan alone on the same inputs.
#include "EngineLevels.h"
#include "HanZen.h"
#include "Reference.h"
#include "Sjis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <thread>
#include <vector>

namespace {

// Every named value of each option and one outside them.
const std::vector<TConvSize> ConvSizes{cvNone, cvSmall, cvBig, TConvSize(0xFF)};
const std::vector<TSpace> Spaces{spNone, sp1byte, sp2byte, TSpace(0xFF)};
const std::vector<TTab> Tabs{tbNone, tbSpace, TTab(0xFF)};
const std::vector<TKata> Katas{kNone, k1byte, k2byte, kHira, TKata(0xFF)};
const std::vector<TToHira> ToHiras{thAll, th1Only, th2Only, TToHira(0xFF)};
const std::vector<THira> Hiras{hNone, h1Kata, h2Kata, THira(0xFF)};
const std::vector<TMark> Marks{mNone, m1All, m2All, TMark(0xFF)};
const std::vector<TMapping> Mappings{mpClassic, mpFaithful};
const std::vector<std::int32_t> SpLens{-1, 0, 1, 7, 1000};

// The option sets that matter to a byte class: the others stay 0.
std::vector<TOptions> OptionSetsFor(int Class) {
    std::vector<TOptions> Sets;
    switch (Class) {
    case 0: // controls and space: Space, Tab, SpLen
        for (TSpace S : Spaces)
            for (TTab T : Tabs)
                for (std::int32_t L : SpLens) Sets.push_back({.Space = S, .Tab = T, .SpLen = L});
        break;
    case 1: // ASCII graphics: Mark, then the size step
        for (TConvSize C : ConvSizes)
            for (TMark M : Marks) Sets.push_back({.ConvSize = C, .Mark = M});
        break;
    case 2: // half-width kana: Kata, ToHira, the mapping of ｰ, then the size step
        for (TConvSize C : ConvSizes)
            for (TKata K : Katas)
                for (TToHira T : ToHiras)
                    for (TMapping P : Mappings)
                        Sets.push_back({.ConvSize = C, .Kata = K, .ToHira = T, .Mapping = P});
        break;
    default: // lead bytes: all but Tab
        for (TConvSize C : ConvSizes)
            for (TSpace S : Spaces)
                for (TKata K : Katas)
                    for (TToHira T : ToHiras)
                        for (THira H : Hiras)
                            for (TMark M : Marks)
                                for (TMapping P : Mappings)
                                    // The mapping changes ° alone: a few sets suffice.
                                    if (P == mpClassic || (S == spNone && T == thAll))
                                        Sets.push_back({C, S, tbNone, K, T, H, M, 0, P});
    }
    return Sets;
}

// Under a sanitizer, where every byte costs many times more, each level meets the pairs
// line under one option set in 16 (KernelTest.cpp runs random lines at every level).
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr std::size_t PairsEvery = 16;
#else
constexpr std::size_t PairsEvery = 1;
#endif

// The vector levels of this machine: all but the plan alone, which comes first.
const std::vector<TEngineLevel> Levels = [] {
    std::vector<TEngineLevel> L = EngineLevelsAvailable();
    return std::vector<TEngineLevel>(L.begin() + 1, L.end());
}();

// Compares the plan with the virtual path on Ch alone and on Ch followed by every byte,
// for each option set, then each vector level with the plan on one line that holds every
// such pair, each followed by a space, so that they fall at every offset of a step. The
// sets are shared out among threads.
int Mismatches(int Class) {
    const THanZen Classes(nullptr);
    std::vector<std::uint8_t> Bytes;
    for (int B = 0; B < 256; ++B)
        if (Classes.CharKind(std::string(1, static_cast<char>(B))) == Class) Bytes.push_back(B);
    const std::vector<TOptions> Sets = OptionSetsFor(Class);
    std::atomic<std::size_t> NextSet{0};
    std::atomic<int> Failures{0};
    const auto Work = [&] {
        THanZen Fast(nullptr);
        VirtualHanZen Slow(nullptr);
        std::string Line(2, '\0'), A, B, Pairs;
        for (std::uint8_t Ch : Bytes)
            for (int Next = 0; Next < 256; ++Next)
                Pairs += {static_cast<char>(Ch), static_cast<char>(Next), ' '};
        for (std::size_t I; (I = NextSet++) < Sets.size();) {
            Fast.SetOptions(Sets[I]);
            Slow.SetOptions(Sets[I]);
            for (std::uint8_t Ch : Bytes) {
                Line[0] = static_cast<char>(Ch);
                for (int Next = -1; Next < 256; ++Next) {
                    const std::string_view S(Line.data(), Next < 0 ? 1 : 2);
                    Line[1] = static_cast<char>(Next);
                    ConvertLineAt(TEngineLevel::Scalar, Fast, S, A);
                    Slow.ConvertLine(S, B);
                    if (A != B && Failures++ < 5)
                        ADD_FAILURE() << "set " << I << " line " << Hex(S) << ": fast " << Hex(A)
                                      << ", virtual " << Hex(B);
                }
            }
            if (I % PairsEvery != 0) continue;
            ConvertLineAt(TEngineLevel::Scalar, Fast, Pairs, B);
            for (TEngineLevel L : Levels) {
                ConvertLineAt(L, Fast, Pairs, A);
                if (A != B && Failures++ < 5)
                    ADD_FAILURE() << "set " << I << ", level " << EngineLevelName(L)
                                  << ": the pairs differ from the plan's from byte "
                                  << std::mismatch(A.begin(), A.end(), B.begin(), B.end()).first -
                                         A.begin();
            }
        }
    };
    std::vector<std::thread> Threads(std::max(2u, std::thread::hardware_concurrency()));
    for (auto& T : Threads) T = std::thread(Work);
    for (auto& T : Threads) T.join();
    return Failures;
}

TEST(FastPath, EveryControlAndSpaceUnderEveryOptionSet) {
    EXPECT_EQ(Mismatches(0), 0);
}
TEST(FastPath, EveryAsciiGraphicUnderEveryOptionSet) {
    EXPECT_EQ(Mismatches(1), 0);
}
TEST(FastPath, EveryHalfWidthKanaUnderEveryOptionSet) {
    EXPECT_EQ(Mismatches(2), 0);
}
TEST(FastPath, EveryLeadBytePairUnderEveryOptionSet) {
    EXPECT_EQ(Mismatches(3), 0);
}

// Whole lines of bytes that sit at character and block boundaries: lead bytes at the end
// and in runs, NUL, CR, LF, tabs, marks, across the 64-byte blocks of the fast path.
TEST(FastPath, RandomLinesUnderRandomOptions) {
    const std::string Pieces[] = {Sjis("漢字"),
                                  Sjis("ひらがな"),
                                  Sjis("カタカナヴヵヰ"),
                                  Sjis("ｶﾞﾊﾟｱﾞ"),
                                  "ASCII 09",
                                  Sjis("ＡＢ１"),
                                  Sjis("　、。"),
                                  "\t",
                                  "\r",
                                  "\r\n",
                                  "\n",
                                  std::string(1, '\0'),
                                  "\x81",
                                  "\x82\x82\x82",
                                  "\xDE",
                                  "\xDF",
                                  "\x7F\x80\xA0\xFD\xFF",
                                  "\x83\x20",
                                  "\x82\x0D"};
    std::mt19937 Random(6);
    THanZen Fast(nullptr);
    VirtualHanZen Slow(nullptr);
    std::string A, B;
    for (int Round = 0; Round < 3000; ++Round) {
        if (Round % 10 == 0) {
            const TOptions O{
                ConvSizes[Random() % ConvSizes.size()], Spaces[Random() % Spaces.size()],
                Tabs[Random() % Tabs.size()],           Katas[Random() % Katas.size()],
                ToHiras[Random() % ToHiras.size()],     Hiras[Random() % Hiras.size()],
                Marks[Random() % Marks.size()],         SpLens[Random() % SpLens.size()],
                Mappings[Random() % Mappings.size()]};
            Fast.SetOptions(O); // the same object: new options take effect at the next call
            Slow.SetOptions(O);
        }
        std::string Line;
        for (std::size_t N = Random() % 60; N > 0; --N)
            Line += Pieces[Random() % std::size(Pieces)];
        Fast.ConvertLine(Line, A);
        Slow.ConvertLine(Line, B);
        ASSERT_EQ(Hex(A), Hex(B)) << "round " << Round << ", line " << Hex(Line);
        ASSERT_EQ(Fast.ConvertLine(Line), B);
    }
}

} // namespace
