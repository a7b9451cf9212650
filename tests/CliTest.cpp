// kanaconv from the outside: arguments, exit status, standard input and output.
#include "Files.h"
#include "Sjis.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <iostream>
#include <random>
#include <thread>
#include <vector>

namespace {

struct TRun {
    int Status;
    std::string Out, Err;
};

// Starts kanaconv with Args in Dir, feeding it Input on standard input; -1 when it
// cannot start.
pid_t Start(const TempDir& Dir, std::vector<std::string> Args, const std::string& Input = "") {
    WriteAll(Dir / ".stdin", Input);
    posix_spawn_file_actions_t Files;
    posix_spawn_file_actions_init(&Files);
    posix_spawn_file_actions_addopen(&Files, 0, (Dir / ".stdin").c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&Files, 1, (Dir / ".stdout").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&Files, 2, (Dir / ".stderr").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Args.insert(Args.begin(), KANACONV);
    std::vector<char*> Argv;
    for (std::string& A : Args) Argv.push_back(A.data());
    Argv.push_back(nullptr);
    std::string Locale = "LC_ALL=C.UTF-8";
    char* Env[] = {Locale.data(), nullptr};
    pid_t Pid;
    const int Spawned = posix_spawn(&Pid, KANACONV, &Files, nullptr, Argv.data(), Env);
    posix_spawn_file_actions_destroy(&Files);
    return Spawned == 0 ? Pid : -1;
}

// Runs kanaconv to its end, or kills it after a minute: a kanaconv that loops must fail
// its test, not fill the disk.
TRun Kanaconv(const TempDir& Dir, std::vector<std::string> Args, const std::string& Input = "") {
    const pid_t Pid = Start(Dir, std::move(Args), Input);
    if (Pid < 0) return {-1, "", "spawn failed"};
    int Status = 0;
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (waitpid(Pid, &Status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > Deadline) {
            kill(Pid, SIGKILL);
            waitpid(Pid, &Status, 0);
            return {-1, "", "kanaconv did not end within a minute"};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return {WIFEXITED(Status) ? WEXITSTATUS(Status) : -1, ReadAll(Dir / ".stdout"),
            ReadAll(Dir / ".stderr")};
}

TEST(Kanaconv, ConvertsFilesWithEveryOption) {
    TempDir Dir;
    WriteAll(Dir / "in", Sjis("ｶﾞｰﾙ　ABC\tがっこう"));
    const TRun R =
        Kanaconv(Dir, {"--kata=2byte", "--mark=2all", "--space=1byte", "--conv-size=small",
                       "--tab=2", "--hira=2kata", Dir / "in", Dir / "out"});
    EXPECT_EQ(R.Status, 0) << R.Err;
    EXPECT_EQ(Hex(ReadAll(Dir / "out")), Hex(Sjis("ガ－ル ａｂｃ  ガッコゥ\r\n")));
    EXPECT_EQ(R.Out + R.Err, "");

    // --to-hira picks the width that becomes hiragana.
    WriteAll(Dir / "in", Sjis("ｶﾞアｯ"));
    for (const auto& [Width, Expected] :
         {std::pair{"all", "があっ"}, {"1only", "がアっ"}, {"2only", "ｶﾞあｯ"}}) {
        const std::string ToHira = std::string("--to-hira=") + Width;
        const TRun Hira = Kanaconv(Dir, {"--kata", "hira", ToHira, Dir / "in", Dir / "out"});
        EXPECT_EQ(Hira.Status, 0) << Hira.Err;
        EXPECT_EQ(Hex(ReadAll(Dir / "out")), Hex(Sjis(std::string(Expected) + "\r\n"))) << Width;
    }
}

TEST(Kanaconv, StreamsFromStandardInputToStandardOutput) {
    TempDir Dir;
    const TRun R =
        Kanaconv(Dir, {"--mark=1all", "-", "-"}, Sjis("ＡＢ\r\nｃ\n１") + "\x1A" + "rest");
    EXPECT_EQ(R.Status, 0) << R.Err;
    EXPECT_EQ(R.Out, "AB\r\nc\n1\r\n");
    EXPECT_FALSE(Exists(Dir / "$$$$$$$$.~kn"));
}

TEST(Kanaconv, ExitStatusTellsWhatHappened) {
    TempDir Dir;
    WriteAll(Dir / "in", "abc");
    const TRun Missing = Kanaconv(Dir, {Dir / "missing", Dir / "out"});
    EXPECT_EQ(Missing.Status, 1);
    EXPECT_NE(Missing.Err.find("(code 2)"), std::string::npos) << Missing.Err;
    EXPECT_NE(Missing.Err.find(Utf8(Sjis("ﾌｧｲﾙが見つかりません"))), std::string::npos)
        << Missing.Err;

    // Paths equal apart from ASCII case count as the same.
    for (const std::string& Dest : {Dir / "in", Dir / "IN"}) {
        const TRun Refused = Kanaconv(Dir, {"--check-same", Dir / "in", Dest});
        EXPECT_EQ(Refused.Status, 3) << Refused.Err;
    }
    EXPECT_EQ(ReadAll(Dir / "in"), "abc");

    for (std::vector<std::string> Bad : {std::vector<std::string>{"--kata=3byte", "a", "b"},
                                         {"--tab=four", "a", "b"},
                                         {"--bogus", "a", "b"},
                                         {"only-one"},
                                         {"a", "b", "c"},
                                         {"", "b"}}) {
        const TRun R = Kanaconv(Dir, Bad);
        EXPECT_EQ(R.Status, 2) << Bad[0];
        EXPECT_NE(R.Err.find("kanaconv: "), std::string::npos);
    }
    const TRun Help = Kanaconv(Dir, {"--help"});
    EXPECT_EQ(Help.Status, 0);
    EXPECT_NE(Help.Out.find("Usage: kanaconv"), std::string::npos);
}

// kanaconv killed (SIGKILL) at random moments while it replaces a destination: the
// destination is always the whole old file or the whole new one.
TEST(Kanaconv, KilledAnywhereLeavesTheOldOrTheNewFile) {
    TempDir Dir;
    std::string Text;
    while (Text.size() < (6u << 20)) Text += Sjis("ｶﾞｷﾞｸﾞ 漢字とひらがな ABC\r\n");
    WriteAll(Dir / "in", Text);
    ASSERT_EQ(Kanaconv(Dir, {"--kata=2byte", Dir / "in", Dir / "new"}).Status, 0);
    const std::string Old = "the old content\r\n", New = ReadAll(Dir / "new");
    WriteAll(Dir / "out", Old);
    std::mt19937 Random(42);
    int Olds = 0, News = 0;
    for (int Round = 0; Round < 30; ++Round) {
        const pid_t Pid = Start(Dir, {"--kata=2byte", Dir / "in", Dir / "out"});
        ASSERT_GT(Pid, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(Random() % 150000));
        kill(Pid, SIGKILL);
        waitpid(Pid, nullptr, 0);
        const std::string Now = ReadAll(Dir / "out");
        ASSERT_TRUE(Now == Old || Now == New)
            << "round " << Round << ": " << Now.size() << " bytes";
        if (Now == New) {
            ++News;
            WriteAll(Dir / "out", Old);
        } else {
            ++Olds;
        }
    }
    EXPECT_GT(Olds, 0);
    // A killed conversion may leave its temporary file; the next one takes it over.
    ASSERT_EQ(Kanaconv(Dir, {"--kata=2byte", Dir / "in", Dir / "out"}).Status, 0);
    EXPECT_TRUE(ReadAll(Dir / "out") == New);
    EXPECT_FALSE(Exists(Dir / "$$$$$$$$.~kn"));
    std::cout << "killed runs that had replaced the file: " << News << " of 30\n";
}

} // namespace
