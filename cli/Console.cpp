#include "Console.h"

#include "Language.h"

#include <cstdio>
#include <unistd.h>

namespace {

constexpr auto FirstShown = std::chrono::seconds(1);

void WriteAll(const std::string& Text) {
    for (std::size_t Done = 0; Done < Text.size();) {
        const ssize_t N = ::write(STDERR_FILENO, Text.data() + Done, Text.size() - Done);
        if (N <= 0) return;
        Done += static_cast<std::size_t>(N);
    }
}

std::string Megabytes(std::uint64_t Bytes) {
    char Text[32];
    std::snprintf(Text, sizeof Text, "%.1f", static_cast<double>(Bytes) / 1e6);
    return Text;
}

} // namespace

void TConsole::Say(const std::string& Text) {
    if (Text.empty()) return;
    std::lock_guard<std::mutex> Guard(FLock);
    if (FErased) return;
    if (FShown && FTerminal) WriteAll("\r\033[K");
    FShown = false;
    WriteAll(Text);
}

void TConsole::Erase() {
    std::lock_guard<std::mutex> Guard(FLock);
    if (FShown && FTerminal) WriteAll("\r\033[K");
    FShown = false;
    FErased = true;
}

void TConsole::StartProgress(std::uint64_t Total, std::size_t Files) {
    if (!FProgress) return;
    FTotal = Total;
    FFiles = Files;
    FTicker = std::thread([this] {
        const auto Start = std::chrono::steady_clock::now();
        // On a terminal the line changes four times a second; elsewhere once.
        const auto Every = FTerminal ? std::chrono::milliseconds(250) : std::chrono::milliseconds(1000);
        std::unique_lock<std::mutex> Guard(FLock);
        if (FStop.wait_for(Guard, FirstShown, [this] { return FStopping; })) return;
        do {
            if (!FErased) Draw(ProgressLine(std::chrono::steady_clock::now() - Start));
        } while (!FStop.wait_for(Guard, Every, [this] { return FStopping; }));
    });
}

void TConsole::StopProgress() {
    if (!FTicker.joinable()) return;
    {
        std::lock_guard<std::mutex> Guard(FLock);
        FStopping = true;
    }
    FStop.notify_all();
    FTicker.join();
    std::lock_guard<std::mutex> Guard(FLock);
    if (FShown && FTerminal) WriteAll("\r\033[K");
    FShown = false;
}

void TConsole::Draw(const std::string& Line) {
    WriteAll(FTerminal ? "\r" + Line + "\033[K" : Line + "\n");
    FShown = true;
}

std::string TConsole::ProgressLine(std::chrono::steady_clock::duration Elapsed) const {
    const std::uint64_t Done = Bytes;
    const double Seconds = std::chrono::duration<double>(Elapsed).count();
    const double Rate = Seconds > 0 ? static_cast<double>(Done) / Seconds : 0;
    const std::string Left =
        FTotal > Done && Rate > 0
            ? std::to_string(static_cast<std::uint64_t>((FTotal - Done) / Rate) + 1)
            : "";
    std::string Line = "kanaconv: ";
    if (FJapanese) {
        if (FFiles > 0)
            Line += std::to_string(FilesDone) + " / " + std::to_string(FFiles) + " ファイル、";
        Line += Megabytes(Done) + (FTotal > 0 ? " / " + Megabytes(FTotal) : "") + " MB、" +
                Megabytes(static_cast<std::uint64_t>(Rate)) + " MB/秒";
        if (!Left.empty()) Line += "、残り " + Left + " 秒";
        return OnTerminal(Line);
    }
    if (FFiles > 0)
        Line += std::to_string(FilesDone) + " of " + std::to_string(FFiles) + " files, ";
    Line += Megabytes(Done) + (FTotal > 0 ? " of " + Megabytes(FTotal) : "") + " MB, " +
            Megabytes(static_cast<std::uint64_t>(Rate)) + " MB/s";
    if (!Left.empty()) Line += ", " + Left + " s left";
    return Line;
}
