// kanaconv's standard error: its messages, and between them, while work runs longer than
// a second, one progress line (bytes done, the total when known, MB/s, time left; files
// done of files), redrawn in place on a terminal and erased at the end.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

class TConsole {
public:
    // Progress: draw the progress line. Terminal: standard error is a terminal, where the
    // line is redrawn in place; elsewhere each update is a line of its own. Japanese: the
    // progress line is in Japanese, in the terminal's character set.
    TConsole(bool Progress, bool Terminal, bool Japanese = false)
        : FProgress(Progress), FTerminal(Terminal), FJapanese(Japanese) {}
    ~TConsole() { StopProgress(); }
    TConsole(const TConsole&) = delete;
    TConsole& operator=(const TConsole&) = delete;

    // Writes Text (whole lines) to standard error, the progress line out of its way.
    void Say(const std::string& Text);
    // Erases the progress line for good: for a process about to end.
    void Erase();

    // Counts the work: Total bytes (0 when unknown) in Files files (0: one conversion).
    void StartProgress(std::uint64_t Total, std::size_t Files);
    void StopProgress();
    std::atomic<std::uint64_t> Bytes{0};
    std::atomic<std::size_t> FilesDone{0};

private:
    std::string ProgressLine(std::chrono::steady_clock::duration Elapsed) const;
    void Draw(const std::string& Line); // with FLock held

    const bool FProgress, FTerminal, FJapanese;
    std::uint64_t FTotal = 0;
    std::size_t FFiles = 0;
    std::mutex FLock;
    std::condition_variable FStop;
    bool FStopping = false, FShown = false, FErased = false;
    std::thread FTicker;
};
