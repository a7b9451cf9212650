// Throughput of THanZen::ConvertLine, in bytes of input per second, on the compiled fast
// path (an object of exactly THanZen) and on the virtual path (a descendant, which walks
// the virtual mappings), side by side.
//
// Input: 4,000 lines of Japanese prose in Shift-JIS, about 60 bytes each, built from
// phrases that mix kanji, hiragana, full-width katakana, half-width katakana with voiced
// and semi-voiced marks, ASCII words and numbers, full-width letters, digits and symbols,
// and the odd tab. The same seed always gives the same text.
#include "HanZen.h"
#include "Reference.h"
#include "SampleText.h"

#include <benchmark/benchmark.h>

namespace {

template <class HanZen>
void Run(benchmark::State& State, TOptions O) {
    static const std::vector<std::string> Lines = SampleLines(4000, 60);
    HanZen H(nullptr);
    O.Tab = tbSpace;
    O.SpLen = 4;
    H.SetOptions(O);
    std::string Out;
    std::size_t Bytes = 0;
    for (auto _ : State) {
        for (const std::string& Line : Lines) {
            H.ConvertLine(Line, Out);
            benchmark::DoNotOptimize(Out.data());
            Bytes += Line.size();
        }
    }
    State.SetBytesProcessed(static_cast<std::int64_t>(Bytes));
}

const TOptions AllZero{};
const TOptions Widen{.Kata = k2byte, .Mark = m2All};
const TOptions Narrow{.ConvSize = cvBig, .Kata = k1byte, .Mark = m1All};
const TOptions ToHiragana{.Kata = kHira};
const TOptions ToHalfKatakana{.Hira = h1Kata};

void Fast(benchmark::State& State, TOptions O) {
    Run<THanZen>(State, O);
}
void Virtual(benchmark::State& State, TOptions O) {
    Run<VirtualHanZen>(State, O);
}

} // namespace

BENCHMARK_CAPTURE(Fast, AllOptionsZero, AllZero);
BENCHMARK_CAPTURE(Virtual, AllOptionsZero, AllZero);
BENCHMARK_CAPTURE(Fast, k2byte_m2All, Widen);
BENCHMARK_CAPTURE(Virtual, k2byte_m2All, Widen);
BENCHMARK_CAPTURE(Fast, k1byte_m1All_cvBig, Narrow);
BENCHMARK_CAPTURE(Virtual, k1byte_m1All_cvBig, Narrow);
BENCHMARK_CAPTURE(Fast, kHira, ToHiragana);
BENCHMARK_CAPTURE(Virtual, kHira, ToHiragana);
BENCHMARK_CAPTURE(Fast, h1Kata, ToHalfKatakana);
BENCHMARK_CAPTURE(Virtual, h1Kata, ToHalfKatakana);

BENCHMARK_MAIN();
