// kanaconv: converts Japanese text files from the command line: one file into another (or
// standard input into standard output), or many files in place, several at once. It
// parses, reports and schedules; the conversion is the file layer's (FileConvert.h).
#include "Arguments.h"
#include "Console.h"
#include "Interrupt.h"
#include "Report.h"
#include "Version.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;
constexpr int ExitRefused = 3;

int ExitFor(const TConvertResult& R) {
    switch (R.Outcome) {
    case TOutcome::Converted: return ExitOk;
    case TOutcome::Refused: return ExitRefused;
    default: return ExitFailed;
    }
}

// The size of a file to read ("": standard input), 0 when it is none that has one.
std::uint64_t SizeOf(const std::string& Name) {
    struct stat St;
    const int Got = Name.empty() ? fstat(STDIN_FILENO, &St) : stat(Name.c_str(), &St);
    return Got == 0 && S_ISREG(St.st_mode) ? static_cast<std::uint64_t>(St.st_size) : 0;
}

// True when A and B name one file: the same device and inode, however they are spelled.
bool SameFile(const std::string& A, const std::string& B) {
    struct stat X, Y;
    return !A.empty() && !B.empty() && stat(A.c_str(), &X) == 0 && stat(B.c_str(), &Y) == 0 &&
           X.st_dev == Y.st_dev && X.st_ino == Y.st_ino;
}

int ConvertOne(const TArguments& A, TConsole& Console, const TReport& Report) {
    const std::string &Source = A.Files[0], &Dest = A.Files[1];
    if (A.CheckSame && SameFile(Source, Dest)) {
        Console.Say(Report.About({TOutcome::Refused, {}}, Source, Dest, A));
        return ExitRefused;
    }
    TFileSettings Settings = SettingsFor(A);
    Settings.BytesRead = &Console.Bytes;
    Console.StartProgress(SizeOf(Source), 0);
    const TConvertResult R = ConvertFile(Source, Dest, false, A.Options, Settings);
    Console.StopProgress();
    Console.Say(Report.Warnings(R) + Report.About(R, Source, Dest, A));
    return ExitFor(R);
}

// Each file in place, up to Jobs at once; the messages in the order of the files.
int ConvertInPlace(const TArguments& A, TConsole& Console, const TReport& Report) {
    const std::vector<std::string>& Files = A.Files;
    TFileSettings Settings = SettingsFor(A);
    Settings.BytesRead = &Console.Bytes;
    std::uint64_t Total = 0;
    for (const std::string& F : Files) Total += SizeOf(F);
    Console.StartProgress(Total, Files.size());

    std::vector<TConvertResult> Results(Files.size());
    std::vector<bool> Done(Files.size());
    std::mutex Lock;
    std::condition_variable Finished;
    std::atomic<std::size_t> Next{0};
    const auto Work = [&] {
        for (std::size_t I; (I = Next++) < Files.size();) {
            TConvertResult R = ConvertFile(Files[I], Files[I], false, A.Options, Settings);
            ++Console.FilesDone;
            std::lock_guard<std::mutex> Guard(Lock);
            Results[I] = std::move(R);
            Done[I] = true;
            Finished.notify_all();
        }
    };
    const unsigned Processors = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> Workers(std::min<std::size_t>(A.Jobs ? A.Jobs : Processors, Files.size()));
    for (std::thread& W : Workers) W = std::thread(Work);

    int Status = ExitOk;
    for (std::size_t I = 0; I < Files.size(); ++I) {
        std::unique_lock<std::mutex> Guard(Lock);
        Finished.wait(Guard, [&] { return Done[I]; });
        const TConvertResult R = std::move(Results[I]);
        Guard.unlock();
        Console.Say(Report.Warnings(R) + Report.About(R, Files[I], Files[I], A));
        if (R.Outcome != TOutcome::Converted) Status = ExitFailed;
    }
    for (std::thread& W : Workers) W.join();
    Console.StopProgress();
    return Status;
}

} // namespace

int main(int Argc, char** Argv) {
    std::setlocale(LC_ALL, "");
    TArguments A;
    try {
        A = ParseArguments(Argc, Argv);
    } catch (const EUsage& E) {
        std::fprintf(stderr, "kanaconv: %s\nTry 'kanaconv --help' for more information.\n",
                     E.what());
        return ExitUsage;
    }
    if (A.Help) return std::fputs(UsageText, stdout) < 0 ? ExitFailed : ExitOk;
    if (A.Version) {
        std::printf("kanaconv %s (library interface 1)\n", KANA_VERSION_TEXT);
        return ExitOk;
    }
    const bool Terminal = isatty(STDERR_FILENO);
    TConsole Console(!A.Quiet && (A.Progress || Terminal), Terminal);
    EndOnInterrupt([&Console] { Console.Erase(); });
    const TReport Report;
    return A.InPlace ? ConvertInPlace(A, Console, Report) : ConvertOne(A, Console, Report);
}
