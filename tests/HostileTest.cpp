// Hostile inputs and paths: huge lines, files that are no files, folders that refuse,
// names that are long or end in 0x5C as a second byte. Nothing crashes, nothing is lost.
#include "Arguments.h"
#include "FileConvert.h"
#include "Files.h"
#include "IOError.h"
#include "Sjis.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <thread>

namespace {

const std::string Temp = "$$$$$$$$.~kn";

// The code of the failure, 0 when the conversion converted.
int Convert(const std::string& In, const std::string& Out, const TOptions& O = {}) {
    const TConvertResult R = ConvertFile(In, Out, false, O);
    if (R.Failure) return R.Failure->ErrorCode;
    return R.Outcome == TOutcome::Converted ? 0 : -1;
}

TEST(Hostile, LinesOfTensOfMegabytes) {
    TempDir Dir;
    const std::size_t Size = 24u << 20;
    WriteAll(Dir / "in", std::string(Size, '\xB1') + "\r\nz"); // ｱｱｱ... and no line end last
    ASSERT_EQ(Convert(Dir / "in", Dir / "out", {.Kata = k2byte}), 0);
    const std::string Out = ReadAll(Dir / "out");
    ASSERT_EQ(Out.size(), 2 * Size + 5);
    EXPECT_EQ(Out.substr(0, 4), Sjis("アア"));
    EXPECT_EQ(Out.substr(Out.size() - 7), Sjis("ア") + "\r\nz\r\n");
}

// /dev/zero is one endless line: with memory bounded, the conversion fails with 8 and
// the host lives on.
TEST(Hostile, EndlessLineRunsOutOfMemoryAndIsReported) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers reserve more address space than the limit allows";
#else
    TempDir Dir;
    WriteAll(Dir / "out", "old");
    WriteAll(Dir / "in", "x");
    EXPECT_TRUE(WithBoundedMemory([&] {
        return Convert("/dev/zero", Dir / "out") == 8 && Convert(Dir / "in", Dir / "second") == 0;
    }));
    EXPECT_EQ(ReadAll(Dir / "out"), "old");
    EXPECT_EQ(Entries(Dir.Path()), (std::set<std::string>{"in", "out", "second"}));
#endif
}

// A tab of millions of spaces: under kanaconv's settings its spaces stream out and memory
// stays bounded, whether the tab expands to a count of spaces or to a tab stop; under the
// library's, the line is built whole and memory runs out (8), as it always did.
TEST(Hostile, LongTabsStreamOutUnderKanaconv) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers reserve more address space than the limit allows";
#else
    TempDir Dir;
    WriteAll(Dir / "in", "a" + std::string(10, '\t') + "b\n");
    const auto Kanaconv = [&](std::vector<std::string> Args) {
        Args.insert(Args.begin(), "kanaconv");
        std::vector<char*> Argv;
        for (std::string& A : Args) Argv.push_back(A.data());
        const TArguments A = ParseArguments(static_cast<int>(Argv.size()), Argv.data());
        const TConvertResult R =
            ConvertFile(Dir / "in", "/dev/null", false, A.Options, SettingsFor(A));
        return R.Outcome == TOutcome::Converted;
    };
    EXPECT_TRUE(WithBoundedMemory([&] {
        return Kanaconv({"--tab=200000000", "--space=2byte"}) &&
               Kanaconv({"--tab-stops=2000000000"}) &&
               Convert(Dir / "in", "/dev/null", {.Tab = tbSpace, .SpLen = 200000000}) == 8;
    }));
#endif
}

// Devices, pipes and links. An empty device is a file without lines; a FIFO is read as
// it comes, until its writer closes it. A device as destination is written directly,
// never replaced (as root, a rename would replace it); a symbolic link keeps its place
// and the file it names gets the new content.
TEST(Hostile, DevicesPipesAndLinks) {
    TempDir Dir;
    WriteAll(Dir / "out", "old");
    EXPECT_EQ(Convert("/dev/null", Dir / "out"), 0);
    EXPECT_EQ(ReadAll(Dir / "out"), "");
    const std::string Fifo = Dir / "fifo";
    ASSERT_EQ(mkfifo(Fifo.c_str(), 0600), 0);
    std::thread Writer([&] { WriteAll(Fifo, "a\rb\r\nc"); });
    EXPECT_EQ(Convert(Fifo, Dir / "out"), 0);
    Writer.join();
    EXPECT_EQ(ReadAll(Dir / "out"), "a\r\nb\r\nc\r\n");

    EXPECT_EQ(Convert(Dir / "out", "/dev/null"), 0);
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
    EXPECT_FALSE(std::filesystem::exists("/dev/" + Temp));
    std::filesystem::create_directory(Dir / "real");
    WriteAll(Dir / "real/file", "old");
    std::filesystem::create_symlink("real/file", Dir / "link");
    EXPECT_EQ(Convert(Dir / "out", Dir / "link"), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(Dir / "link"));
    EXPECT_EQ(ReadAll(Dir / "real/file"), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(Entries(Dir / "real"), std::set<std::string>{"file"});
}

// A destination at the start of a chain of symbolic links: the text goes to the file at
// its end, created when the chain dangles (a relative link is relative to its own folder),
// with the temporary file beside it; the links stay links. A chain that loops, or runs
// through a folder that loops, fails with 1921 and creates nothing.
TEST(Hostile, ChainsOfLinksAsDestination) {
    TempDir Dir;
    WriteAll(Dir / "in", "abc");
    for (const char* Folder : {"a", "a/b", "real"}) std::filesystem::create_directory(Dir / Folder);
    const std::pair<std::string, std::string> Links[] = {
        {"exists", "real/file"},
        {"first", "a/second"},
        {"a/second", "b/third"},
        {"a/b/third", "../../real/new"},
        {"absolute", Dir / "real/absolute"},
        {"loop", "a/loop"},
        {"a/loop", "../loop"},
        {"self", "self"},
        {"dir", "dir"},
        {"through", "dir/file"},
    };
    for (const auto& [Link, To] : Links) std::filesystem::create_symlink(To, Dir / Link);
    WriteAll(Dir / "real/file", "old");
    const std::set<std::string> Names = Entries(Dir.Path()), Deeper = Entries(Dir / "a");
    const std::pair<std::string, int> Cases[] = {
        {"exists", 0},  {"first", 0},   {"absolute", 0},
        {"loop", 1921}, {"self", 1921}, {"through", 1921},
    };
    for (const auto& [Dest, Code] : Cases) EXPECT_EQ(Convert(Dir / "in", Dir / Dest), Code) << Dest;
    for (const char* Real : {"file", "new", "absolute"})
        EXPECT_EQ(ReadAll(Dir / ("real/" + std::string(Real))), "abc\r\n") << Real;
    EXPECT_EQ(Entries(Dir / "real"), (std::set<std::string>{"file", "new", "absolute"}));
    EXPECT_EQ(Entries(Dir.Path()), Names);
    EXPECT_EQ(Entries(Dir / "a"), Deeper);
    for (const auto& [Link, To] : Links)
        EXPECT_TRUE(std::filesystem::is_symlink(Dir / Link)) << Link;
}

// Names with 0x5C as a second byte and paths far past 259 bytes are used whole, never
// cut short.
TEST(Hostile, DeepPathsAndNamesEndingIn0x5C) {
    TempDir Dir;
    WriteAll(Dir / "in", "abc");
    // ソ is 0x83 0x5C: no separator on POSIX, and the name stays whole.
    std::string Deep = Dir / "\x83\x5C";
    for (int I = 0; I < 7; ++I) {
        Deep += "/" + std::string(60, static_cast<char>('a' + I));
        std::filesystem::create_directories(Deep);
    }
    EXPECT_EQ(Convert(Dir / "in", Deep + "/\x83\x5C.txt"), 0);
    EXPECT_EQ(ReadAll(Deep + "/\x83\x5C.txt"), "abc\r\n");
    EXPECT_EQ(Entries(Deep), std::set<std::string>{"\x83\x5C.txt"});
}

} // namespace
