// Throughput of THanZen::ConvertLine, in bytes of input per second, at every kernel level
// of the machine (the plan alone first), on the virtual path (a descendant, which walks
// the virtual mappings), and of copying the same lines, side by side; then the same lines
// as one text of many lines converted in one call (line ends kept), with LF and with CR LF;
// and that text in UTF-8 through the UTF-8 plan, in one call.
//
// Inputs: 4,000 lines of Japanese prose in Shift-JIS, about 60 bytes each, built from
// phrases that mix kanji, hiragana, full-width katakana, half-width katakana with voiced
// and semi-voiced marks, ASCII words and numbers, full-width letters, digits and symbols,
// and the odd tab ("sample"); and 4,000 lines of mostly half-width text: ASCII, half-width
// katakana with marks ("halfwidth"). The same seed always gives the same text. Every
// option set but the first expands a tab to 4 spaces.
//
// After Google Benchmark's own lines, a table gives MB/s per option set and level: the
// median of the repetitions when there are several (--benchmark_repetitions=N).
#include "Cp932.h"
#include "EngineLevels.h"
#include "HanZen.h"
#include "SjisBytes.h"
#include "Utf8Chars.h"
#include "Utf8Plan.h"
#include "Reference.h"
#include "SampleText.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace kana::detail;

namespace {

struct TText {
    const char* Name;
    std::vector<std::string> Lines;
};

struct TSet {
    const char* Name;
    TOptions Options;
};

const TSet Sets[] = {
    {"AllOptionsZero", {}},
    {"tbSpace", {.Tab = tbSpace, .SpLen = 4}},
    {"k2byte_m2All", {.Tab = tbSpace, .Kata = k2byte, .Mark = m2All, .SpLen = 4}},
    {"k1byte_m1All_cvBig",
     {.ConvSize = cvBig, .Tab = tbSpace, .Kata = k1byte, .Mark = m1All, .SpLen = 4}},
    {"kHira", {.Tab = tbSpace, .Kata = kHira, .SpLen = 4}},
    {"h1Kata", {.Tab = tbSpace, .Hira = h1Kata, .SpLen = 4}},
};

template <class HanZen>
void Convert(benchmark::State& State, const TText* Text, TOptions O, TEngineLevel Level) {
    SetEngineLevel(Level);
    HanZen H(nullptr);
    H.SetOptions(O);
    std::string Out;
    std::size_t Bytes = 0;
    for (auto _ : State) {
        for (const std::string& Line : Text->Lines) {
            H.ConvertLine(Line, Out);
            benchmark::DoNotOptimize(Out.data());
            Bytes += Line.size();
        }
    }
    State.SetBytesProcessed(static_cast<std::int64_t>(Bytes));
}

// The lines as one text, each ended by End.
std::string Joined(const TText* Text, std::string_view End) {
    std::string All;
    for (const std::string& Line : Text->Lines) (All += Line) += End;
    return All;
}

// Shift-JIS text as UTF-8.
std::string AsUtf8(std::string_view Sjis) {
    std::string Out;
    for (std::size_t I = 0; I < Sjis.size();) {
        const auto B = static_cast<std::uint8_t>(Sjis[I]);
        const bool Pair = sjis::IsLeadByte(B) && I + 1 < Sjis.size();
        const char32_t C = cp932::ToUnicode[Pair ? B << 8 | static_cast<std::uint8_t>(Sjis[I + 1]) : B];
        char U[4];
        Out.append(U, EncodeUtf8(C, U));
        I += Pair ? 2 : 1;
    }
    return Out;
}

// The lines as one text of many lines, converted in one call with their ends kept.
void ConvertText(benchmark::State& State, const TText* Text, TOptions O, TEngineLevel Level,
                 const char* End) {
    SetEngineLevel(Level);
    THanZen H(nullptr);
    O.LineEnds = leKeep;
    H.SetOptions(O);
    const std::string In = Joined(Text, End);
    std::string Out;
    for (auto _ : State) {
        H.ConvertLine(In, Out);
        benchmark::DoNotOptimize(Out.data());
    }
    State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * In.size()));
}

// The same text in UTF-8, through the UTF-8 plan in one call.
void ConvertUtf8(benchmark::State& State, const TText* Text, TOptions O) {
    O.LineEnds = leKeep;
    const auto Plan = Utf8PlanFor(O, TUtf8Output::Utf8);
    const std::string In = AsUtf8(Joined(Text, "\n"));
    std::string Out;
    std::uint64_t Folded = 0;
    for (auto _ : State) {
        Out.clear();
        Plan->Append(In, O.SpLen, Out, Folded);
        benchmark::DoNotOptimize(Out.data());
    }
    State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * In.size()));
}

// The same lines copied into one reused string, as a caller that changes nothing would.
void CopyLines(benchmark::State& State, const TText* Text) {
    std::string Out;
    std::size_t Bytes = 0;
    for (auto _ : State) {
        for (const std::string& Line : Text->Lines) {
            Out.assign(Line);
            benchmark::DoNotOptimize(Out.data());
            Bytes += Line.size();
        }
    }
    State.SetBytesProcessed(static_cast<std::int64_t>(Bytes));
}

// The same bytes as one block.
void CopyBlock(benchmark::State& State, const TText* Text) {
    std::string In, Out;
    for (const std::string& Line : Text->Lines) In += Line;
    Out.resize(In.size());
    for (auto _ : State) {
        std::memcpy(Out.data(), In.data(), In.size());
        benchmark::DoNotOptimize(Out.data());
        benchmark::ClobberMemory();
    }
    State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * In.size()));
}

// Google Benchmark's console output, and the rates kept for the table at the end: the
// median of the repetitions (--benchmark_repetitions), or the one run.
class TTableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& Runs) override {
        ConsoleReporter::ReportRuns(Runs);
        for (const Run& R : Runs) {
            const std::string Name = R.run_name.str();
            const auto Cut = Name.rfind('/');
            const bool Median = R.run_type == Run::RT_Aggregate && R.aggregate_name == "median";
            if (Cut == std::string::npos || !(Median || R.run_type == Run::RT_Iteration)) continue;
            double& Rate = Rates[Name.substr(0, Cut)][Name.substr(Cut + 1)];
            if (Median || R.repetitions <= 1) Rate = R.counters.at("bytes_per_second") / 1e6;
        }
    }
    void Table(const std::vector<std::string>& Columns) const {
        std::printf("\nMB/s of input   %-28s", "");
        for (const std::string& C : Columns) std::printf("%10s", C.c_str());
        std::printf("\n");
        for (const auto& [Row, ByColumn] : Rates) {
            std::printf("%-44s", Row.c_str());
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
    static const TText Texts[] = {{"sample", SampleLines(4000, 60)},
                                  {"halfwidth", HalfWidthLines(4000, 60)}};
    std::vector<std::string> Columns;
    for (TEngineLevel Level : EngineLevelsAvailable()) Columns.push_back(EngineLevelName(Level));
    Columns.push_back("virtual");
    Columns.push_back("copy");
    Columns.push_back("utf8");
    std::printf("engine level in use: %s\n", EngineLevelName(EngineLevel()));
    for (const TText& Text : Texts) {
        const std::string Prefix = std::string(Text.Name) + "/";
        for (const TSet& Set : Sets) {
            const std::string Row = Prefix + Set.Name + "/";
            for (TEngineLevel Level : EngineLevelsAvailable())
                benchmark::RegisterBenchmark((Row + EngineLevelName(Level)).c_str(),
                                             Convert<THanZen>, &Text, Set.Options, Level);
            benchmark::RegisterBenchmark((Row + "virtual").c_str(), Convert<VirtualHanZen>, &Text,
                                         Set.Options, EngineLevelsAvailable().back());
        }
        for (const TSet& Set : Sets)
            for (const char* End : {"\n", "\r\n"}) {
                const std::string Row = std::string(Text.Name) + (End[0] == '\n' ? " LF" : " CRLF") +
                                        ", one text/" + Set.Name + "/";
                for (TEngineLevel Level : EngineLevelsAvailable())
                    benchmark::RegisterBenchmark((Row + EngineLevelName(Level)).c_str(), ConvertText,
                                                 &Text, Set.Options, Level, End);
                if (End[0] == '\n')
                    benchmark::RegisterBenchmark((Row + "utf8").c_str(), ConvertUtf8, &Text,
                                                 Set.Options);
            }
        benchmark::RegisterBenchmark((Prefix + "memcpy, line by line/copy").c_str(), CopyLines,
                                     &Text);
        benchmark::RegisterBenchmark((Prefix + "memcpy, one block/copy").c_str(), CopyBlock, &Text);
    }
    benchmark::Initialize(&Argc, Argv);
    TTableReporter Reporter;
    benchmark::RunSpecifiedBenchmarks(&Reporter);
    Reporter.Table(Columns);
    benchmark::Shutdown();
    return 0;
}
