// The compiled fast path of ConvertLine against the virtual path it is compiled from:
// every (Ch, NextCh) under every combination of the options that Ch's class depends on,
// and each vector level against the plan alone on the same pairs. KernelTest.cpp runs
// whole lines through every path.
#include "EngineLevels.h"
#include "HanZen.h"
#include "Reference.h"
#include "Sjis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <thread>
#include <vector>

using namespace kana::detail;

namespace {

// The values tried for each option, in the order of TOptions' fields: every named value
// and one outside them; for SpLen, values around 0 and a large one.
const std::vector<int> Values[] = {
    {cvNone, cvSmall, cvBig, 0xFF},  {spNone, sp1byte, sp2byte, 0xFF},
    {tbNone, tbSpace, 0xFF},         {kNone, k1byte, k2byte, kHira, 0xFF},
    {thAll, th1Only, th2Only, 0xFF}, {hNone, h1Kata, h2Kata, 0xFF},
    {mNone, m1All, m2All, 0xFF},     {-1, 0, 1, 7, 1000},
    {mpClassic, mpFaithful}};

// The options beyond the library's, each with Mark and the kana options it meets: every
// class option at each value under each Mark, the faithful rules with Kata and Hira, a
// keep set that holds a letter, a voicing mark, a tab, a space and double-byte
// characters, and CR kept.
std::vector<TOptions> FinerOptionSets() {
    std::vector<TOptions> Sets;
    const std::u32string Keeps[] = {U"", U"A\uFF9E\t \u30FC\u3042\u30AC\u3000\uFF21"};
    for (int Mark : {0, 1, 2}) // mNone, m1All, m2All
        for (int Field = 0; Field < 3; ++Field)
            for (int Width : {0, 1, 2, 3, 0xFF}) // cwMark, cwNone, cw1byte, cw2byte, other
                for (const auto& Keep : Keeps) {
                    TOptions O{.ConvSize = cvBig, .Space = sp2byte, .Mark = TMark(Mark), .Keep = Keep};
                    (Field == 0 ? O.Letters : Field == 1 ? O.Digits : O.Symbols) = TClassWidth(Width);
                    Sets.push_back(O);
                }
    for (int Kata : {0, 1, 2, 3})
        for (int Hira : {0, 1, 2})
            for (const auto& Keep : Keeps)
                Sets.push_back({.ConvSize = cvSmall, .Tab = tbSpace, .Kata = TKata(Kata),
                                .Hira = THira(Hira), .SpLen = 2, .Mapping = mpFaithful,
                                .LineEnds = leKeep, .Keep = Keep});
    return Sets;
}

// Every combination of the options that matter to a byte class, the others 0: controls
// and the space follow Space, Tab and SpLen; ASCII graphics Mark and the size step;
// half-width kana Kata, ToHira, the mapping of ｰ and the size step; lead bytes all but
// Tab and SpLen. Then the options beyond the library's.
std::vector<TOptions> OptionSetsFor(int Class) {
    static const std::vector<int> Varied[] = {
        {1, 2, 7}, {0, 6}, {0, 3, 4, 8}, {0, 1, 3, 4, 5, 6, 8}};
    std::vector<TOptions> Sets;
    for (std::size_t N = 0;; ++N) {
        int V[9] = {};
        std::size_t Rest = N;
        for (int F : Varied[Class]) {
            V[F] = Values[F][Rest % Values[F].size()];
            Rest /= Values[F].size();
        }
        if (Rest != 0) {
            for (const TOptions& O : FinerOptionSets()) Sets.push_back(O);
            return Sets;
        }
        // For a lead byte the mapping changes ° alone: a few sets suffice.
        if (Class == 3 && V[8] == mpFaithful && (V[1] != spNone || V[4] != thAll)) continue;
        Sets.push_back({TConvSize(V[0]), TSpace(V[1]), TTab(V[2]), TKata(V[3]), TToHira(V[4]),
                        THira(V[5]), TMark(V[6]), V[7], TMapping(V[8])});
    }
}

// Under a sanitizer, where every byte costs many times more, the lead bytes' thousands of
// option sets are thinned to one in 17, a stride prime to every option's count of values,
// so that each value still comes up; the optimized suite takes them all.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr std::size_t LeadSetsEvery = 17;
#else
constexpr std::size_t LeadSetsEvery = 1;
#endif

// Compares the plan with the virtual path on Ch alone and on Ch followed by every byte,
// for each option set, then each vector level with the plan on one line that holds every
// such pair, each followed by a space, so that they fall at every offset of a step. The
// sets are shared out among threads.
int Mismatches(int Class) {
    std::vector<std::uint8_t> Bytes;
    for (int B = 0; B < 256; ++B)
        if (model::Kind(B) == Class) Bytes.push_back(B);
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
            if (Class == 3 && I % LeadSetsEvery != 0) continue;
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
            ConvertLineAt(TEngineLevel::Scalar, Fast, Pairs, B);
            for (TEngineLevel L : EngineLevelsAvailable()) {
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

class FastPath : public testing::TestWithParam<int> {};

TEST_P(FastPath, EveryPairUnderEveryOptionSet) {
    EXPECT_EQ(Mismatches(GetParam()), 0);
}
INSTANTIATE_TEST_SUITE_P(ByteClass, FastPath, testing::Range(0, 4), [](const auto& Class) {
    return std::string(
        std::array{"ControlsAndSpace", "AsciiGraphics", "HalfWidthKana", "LeadBytes"}[Class.param]);
});

} // namespace
