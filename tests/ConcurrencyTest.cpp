// Conversions at the same time: threads and processes writing into one folder, and the
// shared plans of the fast path. Run under ThreadSanitizer as well (label concurrency).
#include "Arguments.h"
#include "FileConvert.h"
#include "Files.h"
#include "Reference.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

constexpr int SharingViolation = 32;
constexpr TOptions Options{.ConvSize = cvSmall, .Kata = k2byte};

struct TTally {
    std::atomic<int> Converted{0}, Refused{0}, Wrong{0};
};

// Converts In to Out Rounds times, tallying each outcome: success with the expected
// content, or a sharing violation over the temporary file; anything else is wrong.
void ConvertRepeatedly(const std::string& In, const std::string& Out, const std::string& Expected,
                       int Rounds, const TFileSettings& Settings, TTally& Tally) {
    for (int I = 0; I < Rounds; ++I) {
        const TConvertResult R = ConvertFile(In, Out, false, Options, Settings);
        if (R.Outcome == TOutcome::Converted && ReadAll(Out) == Expected)
            ++Tally.Converted;
        else if (R.Failure && R.Failure->ErrorCode == SharingViolation)
            ++Tally.Refused;
        else
            ++Tally.Wrong;
    }
}

// Each worker reads a source of its own: a file being read admits no second reader. The
// library's settings (a second conversion into a folder is refused while the first
// writes its temporary file) and kanaconv's (every conversion has a temporary file of
// its own and goes through).
class Concurrency : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (Tool()) {
            char Name[] = "kanaconv";
            char* Argv[] = {Name, nullptr};
            Settings = SettingsFor(ParseArguments(1, Argv));
        }
        for (int I = 0; I < 6; ++I) WriteAll(In(I), std::string(5000, '\xB1') + "\r\nABC\r\n");
        ASSERT_EQ(ConvertFile(In(0), Dir / "expected", false, Options, Settings).Outcome,
                  TOutcome::Converted);
        Expected = ReadAll(Dir / "expected");
    }
    static bool Tool() { return GetParam(); }
    std::string In(int Worker) const { return Dir / ("in" + std::to_string(Worker)); }
    // Nothing but the sources and destinations is left in the folder.
    void ExpectNoTemporaryFile() const {
        for (const auto& E : std::filesystem::directory_iterator(Dir.Path())) {
            const std::string Name = E.path().filename();
            EXPECT_TRUE(Name.starts_with("in") || Name.starts_with("out") || Name == "expected")
                << Name;
        }
    }
    TempDir Dir;
    TFileSettings Settings;
    std::string Expected;
};

TEST_P(Concurrency, ThreadsIntoOneFolder) {
    TTally Tally;
    std::vector<std::thread> Threads;
    for (int T = 0; T < 6; ++T)
        Threads.emplace_back(ConvertRepeatedly, In(T), Dir / ("out" + std::to_string(T)), Expected,
                             30, std::cref(Settings), std::ref(Tally));
    for (auto& T : Threads) T.join();
    EXPECT_EQ(Tally.Wrong, 0);
    EXPECT_EQ(Tally.Converted + Tally.Refused, 6 * 30);
    EXPECT_EQ(Tally.Converted, Tool() ? 6 * 30 : Tally.Converted.load());
    EXPECT_GT(Tally.Converted, 0);
    ExpectNoTemporaryFile();
    EXPECT_EQ(HanZenObj.load(), nullptr);
    EXPECT_EQ(Application().ComponentCount(), 0u);
}

TEST_P(Concurrency, ProcessesIntoOneFolder) {
    std::vector<pid_t> Children;
    for (int P = 0; P < 3; ++P) {
        const pid_t Child = fork();
        ASSERT_GE(Child, 0);
        if (Child == 0) {
            TTally Tally;
            ConvertRepeatedly(In(P), Dir / ("out" + std::to_string(P)), Expected, 40, Settings,
                              Tally);
            _exit(Tally.Wrong == 0 && (!Tool() || Tally.Refused == 0) ? 0 : 1);
        }
        Children.push_back(Child);
    }
    for (pid_t Child : Children) {
        int Status = 0;
        waitpid(Child, &Status, 0);
        EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0);
    }
    ExpectNoTemporaryFile();
}

INSTANTIATE_TEST_SUITE_P(LibraryAndKanaconv, Concurrency, ::testing::Bool());

// Threads that switch options all the time share the fast path's plans.
TEST(ConcurrentPlans, ThreadsWithChangingOptionsAgreeWithTheVirtualPath) {
    const std::string Line = "\xB6\xDE\x82\xA0 abc\t\x83\x41\x81\x40\r";
    std::atomic<int> Wrong{0};
    std::vector<std::thread> Threads;
    for (int T = 0; T < 4; ++T) {
        Threads.emplace_back([&, T] {
            THanZen Fast(nullptr);
            VirtualHanZen Slow(nullptr);
            std::string A, B;
            for (int I = 0; I < 2000; ++I) {
                const auto Kata = static_cast<TKata>((I + T) % 5);
                const auto Size = static_cast<TConvSize>((I / 5 + T) % 3);
                Fast.SetKata(Kata), Slow.SetKata(Kata);
                Fast.SetConvSize(Size), Slow.SetConvSize(Size);
                Fast.ConvertLine(Line, A);
                Slow.ConvertLine(Line, B);
                Wrong += A != B;
            }
        });
    }
    for (auto& T : Threads) T.join();
    EXPECT_EQ(Wrong, 0);
}

} // namespace
