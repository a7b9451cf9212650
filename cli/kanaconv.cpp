// kanaconv: converts Japanese text files from the command line: one file into another (or
// standard input into standard output), or many files in place, several at once; or
// tells which files a conversion would change, and how. It parses, reports and
// schedules; the conversion is the file layer's (FileConvert.h).
#include "Arguments.h"
#include "EngineLevels.h"
#include "Console.h"
#include "Interrupt.h"
#include "Language.h"
#include "Preview.h"
#include "Report.h"
#include "Version.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
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
constexpr int ExitChanged = 1; // --check, --diff: a file would change

int ExitFor(const TConvertResult& R) {
    switch (R.Outcome) {
    case TOutcome::Converted: return ExitOk;
    case TOutcome::Refused: return ExitRefused;
    case TOutcome::Utf8Text: return ExitUsage; // --classic on UTF-8 text
    default: return ExitFailed;
    }
}

// One file's work: converted, or with --check or --diff looked at; Shown goes to standard
// output.
TPreview Process(const std::string& Source, const std::string& Dest, const TArguments& A,
                 const TFileSettings& Settings) {
    if (A.Check) return Preview(Source, A, Settings);
    return {ConvertFile(Source, Dest, false, A.Options, Settings), false, {}};
}

// Writes Text to standard output through the file layer, which reports a failure.
std::optional<EInOutError> WriteOut(const std::string& Text) {
    LineFile Out(1 << 16);
    Out.BindName({});
    Out.CreateForWriting();
    Out.WriteText(Text);
    Out.CloseLineFile();
    return Out.TakeFailure();
}

// Reports one file's outcome and shows what it has for standard output; its exit status.
int Finish(TPreview P, const std::string& Source, const std::string& Dest, const TArguments& A,
           TConsole& Console, const TReport& Report) {
    if (P.Changed) {
        if (std::optional<EInOutError> Failure = WriteOut(P.Shown)) {
            P.Result.Outcome = TOutcome::Failed;
            P.Result.Failure = std::move(Failure);
            Console.Say(Report.About(P.Result, Source, "", A));
            return ExitFailed;
        }
    }
    Console.Say(Report.Warnings(P.Result, Source) + Report.About(P.Result, Source, Dest, A));
    if (P.Result.Outcome == TOutcome::Converted && P.Changed) return ExitChanged;
    return ExitFor(P.Result);
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
    // A pipe or a terminal as input is converted as it comes: what arrived goes out
    // before kanaconv waits for more.
    struct stat In;
    Settings.Live = A.Unbuffered || (Source.empty() && fstat(STDIN_FILENO, &In) == 0 &&
                                     (S_ISFIFO(In.st_mode) || S_ISSOCK(In.st_mode) ||
                                      S_ISCHR(In.st_mode)));
    Console.StartProgress(SizeOf(Source), 0);
    TPreview P = Process(Source, Dest, A, Settings);
    Console.StopProgress();
    return Finish(std::move(P), Source, Dest, A, Console, Report);
}

// Each file in place, up to Jobs at once; the messages in the order of the files.
int ConvertInPlace(const TArguments& A, TConsole& Console, const TReport& Report) {
    const std::vector<std::string>& Files = A.Files;
    TFileSettings Settings = SettingsFor(A);
    Settings.BytesRead = &Console.Bytes;
    std::uint64_t Total = 0;
    for (const std::string& F : Files) Total += SizeOf(F);
    Console.StartProgress(Total, Files.size());

    std::vector<TPreview> Results(Files.size());
    std::vector<bool> Done(Files.size());
    std::mutex Lock;
    std::condition_variable Finished;
    std::atomic<std::size_t> Next{0};
    const auto Work = [&] {
        for (std::size_t I; (I = Next++) < Files.size();) {
            TPreview R = Process(Files[I], Files[I], A, Settings);
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
        TPreview R = std::move(Results[I]);
        Guard.unlock();
        // A failure and a change both end with 1; a file --classic refuses as UTF-8, with 2.
        const int Ended = Finish(std::move(R), Files[I], Files[I], A, Console, Report);
        if (Ended == ExitUsage)
            Status = ExitUsage;
        else if (Ended != ExitOk && Status != ExitUsage)
            Status = ExitFailed;
    }
    for (std::thread& W : Workers) W.join();
    Console.StopProgress();
    return Status;
}

} // namespace

int main(int Argc, char** Argv) {
    std::setlocale(LC_ALL, "");
    const bool Japanese = JapaneseLocale();
    TArguments A;
    try {
        A = ParseArguments(Argc, Argv);
    } catch (const EUsage& E) {
        const std::string Said =
            Japanese && !E.Japanese.empty()
                ? "kanaconv: " + OnTerminal(E.Japanese) + "\n" +
                      OnTerminal("詳しくは 'kanaconv --help' を実行してください。\n")
                : "kanaconv: " + std::string(E.what()) +
                      "\nTry 'kanaconv --help' for more information.\n";
        std::fputs(Said.c_str(), stderr);
        return ExitUsage;
    }
    if (A.Help) {
        const std::string Help = Japanese ? OnTerminal(UsageTextJapanese) : UsageText;
        return WriteOut(Help) ? ExitFailed : ExitOk;
    }
    if (A.Version) {
        const std::string Version = "kanaconv " KANA_PROJECT_VERSION " (library interface " +
                                    std::to_string(KANA_INTERFACE_VERSION) + ")\n";
        return WriteOut(Version) ? ExitFailed : ExitOk;
    }
    // The engine takes the vector level KANA_ENGINE_LEVEL names (for tests) when this
    // processor has it; a name it does not take is an error here.
    if (const char* Level = std::getenv("KANA_ENGINE_LEVEL"); Level && !kana::detail::EngineLevelNamed(Level)) {
        std::fprintf(stderr, "kanaconv: KANA_ENGINE_LEVEL=%s: no such level on this processor\n", Level);
        return ExitUsage;
    }
    if (A.Verbose && !A.Quiet)
        std::fprintf(stderr, "kanaconv: %s %s\n", Japanese ? OnTerminal("変換のレベル:").c_str() : "engine level",
                     kana::detail::EngineLevelName(kana::detail::EngineLevel()));
    const bool Terminal = isatty(STDERR_FILENO);
    TConsole Console(!A.Quiet && (A.Progress || Terminal), Terminal, Japanese);
    EndOnInterrupt([&Console] { Console.Erase(); });
    const TReport Report;
    return A.InPlace ? ConvertInPlace(A, Console, Report) : ConvertOne(A, Console, Report);
}
