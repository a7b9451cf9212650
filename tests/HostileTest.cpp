// Hostile inputs and paths: huge lines, files that are no files, folders that refuse,
// names that are long or end in 0x5C as a second byte. Nothing crashes, nothing is lost.
#include "FileConvert.h"
#include "Files.h"
#include "IOError.h"
#include "Sjis.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

namespace {

const std::string Temp = "$$$$$$$$.~kn";

// The code of the failure, 0 when the conversion returned Result.
int Convert(const std::string& In, const std::string& Out, int* Result = nullptr,
            const TOptions& O = {}) {
    const TConvertResult R = ConvertFile(In, Out, false, O);
    if (Result) *Result = R.Outcome == TOutcome::Converted;
    return R.Failure ? R.Failure->ErrorCode : 0;
}

TEST(Hostile, LinesOfTensOfMegabytes) {
    TempDir Dir;
    const std::size_t Size = 24u << 20;
    WriteAll(Dir / "in", std::string(Size, '\xB1') + "\r\nz"); // ｱｱｱ... and no line end last
    ASSERT_EQ(Convert(Dir / "in", Dir / "out", nullptr, {.Kata = k2byte}), 0);
    const std::string Out = ReadAll(Dir / "out");
    ASSERT_EQ(Out.size(), 2 * Size + 5);
    EXPECT_EQ(Out.substr(0, 4), Sjis("アア"));
    EXPECT_EQ(Out.substr(Out.size() - 7), Sjis("ア") + "\r\nz\r\n");
}

TEST(Hostile, SourcesThatAreNoPlainFiles) {
    TempDir Dir;
    const std::string Out = Dir / "out";
    WriteAll(Out, "old");
    EXPECT_EQ(Convert(Dir.Path().string(), Out), 5); // a folder
    EXPECT_EQ(ReadAll(Out), "old");

    int Result = -1;
    EXPECT_EQ(Convert("/dev/null", Out, &Result), 0); // no line at all
    EXPECT_EQ(Result, 1);
    EXPECT_EQ(ReadAll(Out), "");

    // A FIFO: read as it comes, until its writer closes it.
    const std::string Fifo = Dir / "fifo";
    ASSERT_EQ(mkfifo(Fifo.c_str(), 0600), 0);
    std::thread Writer([&] { WriteAll(Fifo, "a\rb\r\nc"); });
    EXPECT_EQ(Convert(Fifo, Out, &Result), 0);
    Writer.join();
    EXPECT_EQ(ReadAll(Out), "a\r\nb\r\nc\r\n");
    EXPECT_FALSE(Exists(Dir / Temp));
}

// /dev/zero is one endless line: with memory bounded, the conversion fails with 8 and
// the host lives on. In a child, whose address space is limited.
TEST(Hostile, EndlessLineRunsOutOfMemoryAndIsReported) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers reserve more address space than the limit allows";
#else
    TempDir Dir;
    WriteAll(Dir / "out", "old");
    const pid_t Child = fork();
    ASSERT_GE(Child, 0);
    if (Child == 0) {
        const rlimit Limit{1u << 30, 1u << 30};
        setrlimit(RLIMIT_AS, &Limit);
        const bool Reported = Convert("/dev/zero", Dir / "out") == 8;
        WriteAll(Dir / "in", "x");
        const bool Alive = Convert(Dir / "in", Dir / "second") == 0;
        _exit(Reported && Alive ? 0 : 1);
    }
    int Status = 0;
    waitpid(Child, &Status, 0);
    ASSERT_TRUE(WIFEXITED(Status)) << "the child died of signal " << WTERMSIG(Status);
    EXPECT_EQ(WEXITSTATUS(Status), 0);
    EXPECT_EQ(ReadAll(Dir / "out"), "old");
    EXPECT_FALSE(Exists(Dir / Temp));
#endif
}

TEST(Hostile, DestinationsThatAreNoPlainFiles) {
    TempDir Dir;
    WriteAll(Dir / "in", "abc");
    // A device is written directly, never replaced (as root, a rename would replace it).
    int Result = -1;
    EXPECT_EQ(Convert(Dir / "in", "/dev/null", &Result), 0);
    EXPECT_EQ(Result, 1);
    struct stat St;
    ASSERT_EQ(stat("/dev/null", &St), 0);
    EXPECT_TRUE(S_ISCHR(St.st_mode));
    EXPECT_FALSE(Exists("/dev/" + Temp));

    // A symbolic link keeps its place; the file it names gets the new content.
    std::filesystem::create_directory(Dir / "real");
    WriteAll(Dir / "real/file", "old");
    std::filesystem::create_symlink("real/file", Dir / "link");
    EXPECT_EQ(Convert(Dir / "in", Dir / "link"), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(Dir / "link"));
    EXPECT_EQ(ReadAll(Dir / "real/file"), "abc\r\n");
    EXPECT_FALSE(Exists(Dir / ("real/" + Temp)));

    // A folder cannot be replaced.
    std::filesystem::create_directory(Dir / "folder");
    EXPECT_EQ(Convert(Dir / "in", Dir / "folder"), 5);
    EXPECT_TRUE(std::filesystem::is_directory(Dir / "folder"));
}

// Folders that refuse, names with 0x5C as a second byte, paths far past 259 bytes: used
// whole, never cut short.
TEST(Hostile, FoldersAndNamesOfEveryShape) {
    TempDir Dir;
    WriteAll(Dir / "in", "abc");
    std::filesystem::create_directory(Dir / "locked");
    WriteAll(Dir / "locked/out", "old");
    chmod((Dir / "locked").c_str(), 0555); // read-only, even for root
    EXPECT_EQ(Convert(Dir / "in", Dir / "locked/out"), 5);
    EXPECT_EQ(ReadAll(Dir / "locked/out"), "old");
    EXPECT_FALSE(Exists(Dir / ("locked/" + Temp)));
    // ソ is 0x83 0x5C: no separator on POSIX, and the name stays whole.
    std::string Deep = Dir / "\x83\x5C";
    for (int I = 0; I < 7; ++I) {
        Deep += "/" + std::string(60, static_cast<char>('a' + I));
        std::filesystem::create_directories(Deep);
    }
    EXPECT_EQ(Convert(Dir / "in", Deep + "/\x83\x5C.txt"), 0);
    EXPECT_EQ(ReadAll(Deep + "/\x83\x5C.txt"), "abc\r\n");
    EXPECT_EQ(Convert(Dir / std::string(300, 'n'), Dir / "out"), 206);
}

} // namespace
