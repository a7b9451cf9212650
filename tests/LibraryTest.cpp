// libkana.so as a host sees it: the exports, their argument widths and their errors.
#include "Files.h"
#include "Sjis.h"
#include "kana.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <set>

namespace {

const std::string Temp = "$$$$$$$$.~kn";

std::uint16_t Convert(const std::string& Src, const std::string& Dest, std::uint32_t CheckSame = 0,
                      std::uint32_t ConvSize = 0, std::uint32_t Space = 0, std::uint32_t Tab = 0,
                      std::int32_t SpLen = 0, std::uint32_t Kata = 0, std::uint32_t Mark = 0) {
    return KanaConvert(Src.c_str(), Dest.c_str(), CheckSame, ConvSize, Space, Tab, SpLen, Kata, 0,
                       0, Mark);
}

std::pair<int, std::string> LastError() {
    char Message[256];
    const int Code = KanaLastError(Message, sizeof Message);
    return {Code, Message};
}

TEST(Library, ExportsExactlyItsThreeFunctions) {
    const std::string Command =
        std::string("nm -D --defined-only --format=just-symbols ") + KANA_LIBRARY;
    FILE* Pipe = popen(Command.c_str(), "r");
    ASSERT_NE(Pipe, nullptr);
    std::set<std::string> Names;
    char Line[512];
    while (std::fgets(Line, sizeof Line, Pipe))
        Names.insert(std::string(Line, std::strcspn(Line, "\n")));
    EXPECT_EQ(pclose(Pipe), 0);
    EXPECT_EQ(Names, (std::set<std::string>{"GetDllVersion", "KanaConvert", "KanaLastError"}));
}

TEST(Library, LoadedByNameAsAHostDoes) {
    void* Library = dlopen(KANA_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(Library, nullptr) << dlerror();
    using TGetDllVersion = std::int32_t (*)();
    using TKanaConvert = std::uint16_t (*)(
        const char*, const char*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
        std::int32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t);
    auto Version = reinterpret_cast<TGetDllVersion>(dlsym(Library, "GetDllVersion"));
    auto Kana = reinterpret_cast<TKanaConvert>(dlsym(Library, "KanaConvert"));
    ASSERT_TRUE(Version && Kana);
    EXPECT_EQ(Version(), 1);
    TempDir Dir;
    WriteAll(Dir / "in", Sjis("ｶﾞ abc"));
    EXPECT_EQ(Kana((Dir / "in").c_str(), (Dir / "out").c_str(), 0, KANA_CV_BIG, KANA_SP_2BYTE, 0, 0,
                   KANA_K_2BYTE, 0, 0, KANA_M_NONE),
              1);
    EXPECT_EQ(Hex(ReadAll(Dir / "out")), Hex(Sjis("ガ　ABC\r\n")));
    dlclose(Library);
}

TEST(Library, ArgumentsAreReadFromTheirLowBits) {
    TempDir Dir;
    const std::string In = Dir / "in", Out = Dir / "out";
    WriteAll(In, "a\tb");
    // Only the low byte of an option counts.
    EXPECT_EQ(Convert(In, Out, 0, 0xABCD0100 | KANA_CV_BIG, 0, 0x100, 4), 1);
    EXPECT_EQ(ReadAll(Out), "A\tB\r\n");
    // A negative SpLen is kept as given: the tab disappears.
    EXPECT_EQ(Convert(In, Out, 0, 0, 0, KANA_TB_SPACE, -1), 1);
    EXPECT_EQ(ReadAll(Out), "ab\r\n");
    // CheckSame is read from its low 16 bits: 0x10000 counts as zero.
    EXPECT_EQ(Convert(In, In, 0x10000, KANA_CV_BIG), 1);
    EXPECT_EQ(ReadAll(In), "A\tB\r\n");
    EXPECT_EQ(Convert(In, In, 0x10001, KANA_CV_SMALL), 0);
    EXPECT_EQ(LastError().first, 0);
    EXPECT_EQ(ReadAll(In), "A\tB\r\n");
}

TEST(Library, FailuresReturnZeroAndTellWhy) {
    TempDir Dir;
    WriteAll(Dir / "out", "old");
    EXPECT_EQ(Convert(Dir / "missing", Dir / "out"), 0);
    EXPECT_EQ(LastError(), std::make_pair(2, Sjis("ﾌｧｲﾙが見つかりません")));
    char Short[5];
    EXPECT_EQ(KanaLastError(Short, sizeof Short), 2);
    EXPECT_EQ(std::string(Short), Sjis("ﾌｧｲﾙ")); // truncated, zero-terminated
    EXPECT_EQ(KanaLastError(nullptr, 0), 2);
    EXPECT_EQ(ReadAll(Dir / "out"), "old");

    WriteAll(Dir / "in", "x");
    EXPECT_EQ(Convert(Dir / "in", Dir / "out"), 1);
    EXPECT_EQ(LastError().first, 0); // a successful call clears the last error
    EXPECT_EQ(KanaConvert(nullptr, "x", 0, 0, 0, 0, 0, 0, 0, 0, 0), 0);
    EXPECT_EQ(LastError().first, 87);
}

// Memory runs out while a tab becomes 2,147,483,647 spaces: the call reports code 8 and
// the host lives on. Run in a child with a limited address space.
TEST(Library, ExhaustedMemoryIsReportedWithCode8) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers reserve more address space than the limit allows";
#else
    TempDir Dir;
    WriteAll(Dir / "in", "a\tb\r\n");
    WriteAll(Dir / "out", "old");
    const pid_t Child = fork();
    ASSERT_GE(Child, 0);
    if (Child == 0) {
        const rlimit Limit{1u << 30, 1u << 30};
        setrlimit(RLIMIT_AS, &Limit);
        const bool Reported =
            Convert(Dir / "in", Dir / "out", 0, 0, KANA_SP_2BYTE, KANA_TB_SPACE, 2147483647) == 0 &&
            LastError() == std::make_pair(8, Sjis("I/O ｴﾗｰ (8)"));
        // The host goes on converting.
        const bool Alive = Convert(Dir / "in", Dir / "out", 0, KANA_CV_BIG) == 1;
        _exit(Reported && Alive ? 0 : 1);
    }
    int Status = 0;
    waitpid(Child, &Status, 0);
    ASSERT_TRUE(WIFEXITED(Status)) << "the child died of signal " << WTERMSIG(Status);
    EXPECT_EQ(WEXITSTATUS(Status), 0);
    EXPECT_EQ(ReadAll(Dir / "out"), "A\tB\r\n");
    EXPECT_FALSE(Exists(Dir / Temp));
#endif
}

} // namespace
