// Throughput of THanZen::ConvertLine, in bytes of input per second.
//
// Input: 4,000 lines of Japanese prose in Shift-JIS, about 60 bytes each, built from
// phrases that mix kanji, hiragana, full-width katakana, half-width katakana with voiced
// and semi-voiced marks, ASCII words and numbers, full-width letters, digits and symbols,
// and the odd tab. The same seed always gives the same text.
#include "HanZen.h"
#include "Sjis.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

std::vector<std::string> MakeLines() {
    const char* Phrases[] = {
        "今日は",
        "東京都千代田区",
        "の会議で",
        "新しいシステム",
        "について話しました。",
        "ｺﾝﾋﾟｭｰﾀｰ",
        "ﾃﾞｰﾀﾍﾞｰｽ",
        "ﾊﾟｽﾜｰﾄﾞ",
        "ガイドライン",
        "プログラム",
        "ＡＢＣ株式会社",
        "２０２６年１２月",
        "（予定）",
        "「確認」",
        "version 2.1",
        "ID: 48213",
        "Hello, world",
        "\t",
        "、",
        "。",
        "ですが、",
        "ヴァイオリン",
        "ｳﾞｧｲｵﾘﾝ",
        "ぁぃぅ",
        "＠＃％",
        "ｶﾞｷﾞｸﾞ",
    };
    std::vector<std::string> Sjised;
    for (const char* P : Phrases) Sjised.push_back(Sjis(P));
    std::mt19937 Random(2026);
    std::vector<std::string> Lines;
    for (int I = 0; I < 4000; ++I) {
        std::string Line;
        while (Line.size() < 60) Line += Sjised[Random() % Sjised.size()];
        Lines.push_back(std::move(Line));
    }
    return Lines;
}

void Run(benchmark::State& State, TConvSize ConvSize, TKata Kata, TMark Mark) {
    static const std::vector<std::string> Lines = MakeLines();
    THanZen H(nullptr);
    H.SetConvSize(ConvSize);
    H.SetKata(Kata);
    H.SetMark(Mark);
    H.SetTab(tbSpace);
    H.SetSpLen(4);
    std::size_t Bytes = 0;
    for (auto _ : State) {
        for (const std::string& Line : Lines) {
            benchmark::DoNotOptimize(H.ConvertLine(Line));
            Bytes += Line.size();
        }
    }
    State.SetBytesProcessed(static_cast<std::int64_t>(Bytes));
}

} // namespace

BENCHMARK_CAPTURE(Run, AllOptionsZero, cvNone, kNone, mNone);
BENCHMARK_CAPTURE(Run, Widen_k2byte_m2All, cvNone, k2byte, m2All);
BENCHMARK_CAPTURE(Run, Narrow_k1byte_m1All_cvBig, cvBig, k1byte, m1All);

BENCHMARK_MAIN();
