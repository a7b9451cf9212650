// Conversions at the same time: threads and processes writing into one folder, and the
// shared plans of the fast path. Run under ThreadSanitizer as well (label concurrency).
#include "Arguments.h"
#include "FileConvert.h"
#include "Files.h"
#include "Reference.h"
#include "Sjis.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <new>
#include <thread>
#include <vector>

namespace {

struct TTally {
    std::atomic<int> Converted{0}, Refused{0}, Wrong{0};
};

// Threads of this process and other processes convert into one folder at once. Under the
// library's settings each reads a source of its own (a file it reads admits no second
// reader), and a conversion goes through with the expected content or is refused with 32
// while another one writes the temporary file; under kanaconv's all read one source, and
// every conversion has a temporary file of its own and goes through. One tally, in memory
// the processes share.
class Concurrency : public ::testing::TestWithParam<bool> {};

TEST_P(Concurrency, ThreadsAndProcessesIntoOneFolder) {
    TempDir Dir;
    const TFileSettings Settings = GetParam() ? SettingsFor({}) : TFileSettings{};
    const TOptions Options{.ConvSize = cvSmall, .Kata = k2byte};
    const auto Name = [&](const char* Base, int Worker) {
        return Dir / (Base + std::to_string(Worker));
    };
    for (int W = 0; W < 8; ++W) WriteAll(Name("in", W), std::string(5000, '\xB1') + "\r\nABC\r\n");
    ASSERT_EQ(ConvertFile(Name("in", 0), Dir / "expected", false, Options, Settings).Outcome,
              TOutcome::Converted);
    const std::string Expected = ReadAll(Dir / "expected");
    void* Shared =
        mmap(nullptr, sizeof(TTally), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(Shared, MAP_FAILED);
    TTally& Tally = *new (Shared) TTally;
    const auto Work = [&](int W) {
        for (int I = 0; I < 30; ++I) {
            const TConvertResult R = ConvertFile(Name("in", GetParam() ? 0 : W), Name("out", W),
                                                 false, Options, Settings);
            const bool Converted =
                R.Outcome == TOutcome::Converted && ReadAll(Name("out", W)) == Expected;
            const bool Refused = R.Failure && R.Failure->ErrorCode == 32;
            ++(Converted ? Tally.Converted : Refused ? Tally.Refused : Tally.Wrong);
        }
    };
    std::vector<pid_t> Children;
    for (int W = 5; W < 8; ++W) {
        Children.push_back(fork());
        ASSERT_GE(Children.back(), 0);
        if (Children.back() == 0) Work(W), _exit(0);
    }
    std::vector<std::thread> Threads;
    for (int W = 0; W < 5; ++W) Threads.emplace_back(Work, W);
    for (auto& T : Threads) T.join();
    for (pid_t Child : Children) {
        int Status = 0;
        waitpid(Child, &Status, 0);
        EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0);
    }
    EXPECT_EQ(Tally.Wrong, 0);
    EXPECT_EQ(Tally.Converted + Tally.Refused, 8 * 30);
    EXPECT_TRUE(!GetParam() || Tally.Refused == 0) << Tally.Refused;
    EXPECT_GT(Tally.Converted, 0);
    munmap(Shared, sizeof(TTally));
    for (const std::string& Entry : Entries(Dir.Path())) // no temporary file
        EXPECT_TRUE(Entry.starts_with("in") || Entry.starts_with("out") || Entry == "expected");
    EXPECT_EQ(HanZenObj.load(), nullptr);
    EXPECT_EQ(Application().ComponentCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(LibraryAndKanaconv, Concurrency, ::testing::Bool());

// Conversions of one file in place at once, under kanaconv's settings, each with options
// that change a part of the text of its own and each tried again while another holds the
// file (32). A conversion in place reads the file alone and holds it until its new file
// has taken the name, so none reads a text that another is replacing: in the end the file
// is the text converted by each in turn, whatever the order.
TEST(ConcurrentInPlace, NoConversionOfOneFileIsLost) {
    TempDir Dir;
    TArguments A;
    A.From = TEncoding::Sjis;
    const TFileSettings Settings = SettingsFor(A);
    const TOptions Options[] = {{.Kata = k2byte}, {.Hira = h2Kata}, {.Mark = m1All}};
    const std::string Text = "\xB1\xB2 \x82\xA0\x82\xA2 \x82\x60\x82\x61\r\n"; // ｱｲ あい ＡＢ
    const std::string File = Dir / "file", Expected = Dir / "expected";
    WriteAll(Expected, Text);
    for (const TOptions& O : Options)
        ASSERT_EQ(ConvertFile(Expected, Expected, false, O, Settings).Outcome, TOutcome::Converted);
    ASSERT_NE(ReadAll(Expected), Text);
    std::atomic<int> Wrong{0};
    for (int Round = 0; Round < 20; ++Round) {
        WriteAll(File, Text);
        std::vector<std::thread> Threads;
        for (const TOptions& O : Options)
            Threads.emplace_back([&, O] {
                for (;;) {
                    const TConvertResult R = ConvertFile(File, File, false, O, Settings);
                    if (R.Outcome == TOutcome::Converted) return;
                    if (!R.Failure || R.Failure->ErrorCode != 32) return void(++Wrong);
                    std::this_thread::yield();
                }
            });
        for (auto& T : Threads) T.join();
        ASSERT_EQ(Hex(ReadAll(File)), Hex(ReadAll(Expected))) << "round " << Round;
    }
    EXPECT_EQ(Wrong, 0);
    EXPECT_EQ(Entries(Dir.Path()), (std::set<std::string>{"expected", "file"}));
}

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
