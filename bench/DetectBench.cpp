// Throughput of the encoding judge, in MB of input per second, at every level of the machine
// (the reference first), on whole texts of about 8 MB: the benchmarks' Japanese sample text
// and its half-width-heavy text in Shift-JIS, the same texts in UTF-8 (through iconv), and
// ASCII. Each text is judged whole, as kanaconv judges a regular file before it writes.
//
// After Google Benchmark's own lines, a table gives MB/s per text and level: the best of
// the repetitions when there are several (--benchmark_repetitions=N).
#include "Detect.h"
#include "EngineLevels.h"
#include "SampleText.h"
#include "Sjis.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

using namespace kana::detail;

namespace {

struct TText {
    const char* Name;
    std::string Bytes;
};

// Lines joined with LF into about Size bytes, through Recode when it is given.
std::string Joined(const std::vector<std::string>& Lines, std::size_t Size, bool AsUtf8) {
    std::string Block;
    for (const std::string& Line : Lines) Block += (AsUtf8 ? Utf8(Line) : Line) + '\n';
    std::string Text;
    while (Text.size() < Size) Text += Block;
    return Text;
}

void Judge(benchmark::State& State, const TText* Text, TEngineLevel Level) {
    for (auto _ : State) {
        TEncodingJudge J(Level);
        J.See(Text->Bytes);
        J.Finish();
        benchmark::DoNotOptimize(J.Judgement());
    }
    State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * Text->Bytes.size()));
}

// Google Benchmark's console output, and the rates kept for the table at the end.
class TTableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& Runs) override {
        ConsoleReporter::ReportRuns(Runs);
        for (const Run& R : Runs) {
            const std::string Name = R.run_name.str();
            const auto Cut = Name.rfind('/');
            if (R.run_type != Run::RT_Iteration || Cut == std::string::npos) continue;
            double& Rate = Rates[Name.substr(0, Cut)][Name.substr(Cut + 1)];
            Rate = std::max(Rate, R.counters.at("bytes_per_second") / 1e6);
        }
    }
    void Table(const std::vector<std::string>& Columns) const {
        std::printf("\nMB/s of input        ");
        for (const std::string& C : Columns) std::printf("%10s", C.c_str());
        std::printf("\n");
        for (const auto& [Row, ByColumn] : Rates) {
            std::printf("%-21s", Row.c_str());
            for (const std::string& C : Columns) {
                const auto It = ByColumn.find(C);
                if (It == ByColumn.end())
                    std::printf("%10s", "");
                else
                    std::printf("%10.0f", It->second);
            }
            std::printf("\n");
        }
    }

private:
    std::map<std::string, std::map<std::string, double>> Rates;
};

} // namespace

int main(int Argc, char** Argv) {
    constexpr std::size_t Size = 8 << 20;
    const std::vector<std::string> Sample = SampleLines(4000, 60), Half = HalfWidthLines(4000, 60);
    static const TText Texts[] = {
        {"sample, UTF-8", Joined(Sample, Size, true)},
        {"sample, Shift-JIS", Joined(Sample, Size, false)},
        {"half-width, UTF-8", Joined(Half, Size, true)},
        {"half-width, Shift-JIS", Joined(Half, Size, false)},
        {"ASCII",
         Joined({"The quick brown fox jumps over the lazy dog, 0123456789 times."}, Size, false)},
    };
    std::vector<std::string> Columns;
    for (const TEngineLevel Level : EngineLevelsAvailable()) {
        Columns.push_back(EngineLevelName(Level));
        for (const TText& Text : Texts)
            benchmark::RegisterBenchmark(
                (std::string(Text.Name) + "/" + EngineLevelName(Level)).c_str(), Judge, &Text,
                Level);
    }
    benchmark::Initialize(&Argc, Argv);
    TTableReporter Reporter;
    benchmark::RunSpecifiedBenchmarks(&Reporter);
    Reporter.Table(Columns);
    benchmark::Shutdown();
    return 0;
}
