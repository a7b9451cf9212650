// LineFile: the line rules, the 128-byte blocks, the codes and the messages.
#include "LineFile.h"
#include "Files.h"
#include "IOError.h"
#include "Sjis.h"
#include "TestPlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

namespace {

// The lines LineFile reads from the file named Name; every call followed by IOCheck.
std::vector<std::string> LinesOfFile(const std::string& Name) {
    LineFile F;
    F.BindName(Name);
    F.OpenForReading();
    F.IOCheck();
    std::vector<std::string> Lines;
    for (;;) {
        const bool End = F.AtEnd();
        F.IOCheck();
        if (End) break;
        Lines.push_back(F.ReadLine());
        F.IOCheck();
    }
    F.CloseLineFile();
    F.IOCheck();
    return Lines;
}

// The lines LineFile reads from a file holding Bytes.
std::vector<std::string> LinesOf(const std::string& Bytes) {
    TempDir Dir;
    WriteAll(Dir / "in", Bytes);
    return LinesOfFile(Dir / "in");
}

using Lines = std::vector<std::string>;

TEST(LineFile, LineEnds) {
    EXPECT_EQ(LinesOf(""), Lines{});
    EXPECT_EQ(LinesOf("abc"), Lines{"abc"});
    EXPECT_EQ(LinesOf("abc\r\n"), Lines{"abc"});
    EXPECT_EQ(LinesOf("\r\n"), Lines{""});
    EXPECT_EQ(LinesOf("a\rb"), (Lines{"a", "b"}));
    EXPECT_EQ(LinesOf("a\nb\r\n"), Lines{"a\nb"});
    EXPECT_EQ(LinesOf("a\r\r\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(LinesOf("\r\rx\n\r"), (Lines{"", "", "x\n"}));
    EXPECT_EQ(LinesOf(std::string("a\0b\r\n", 5)), Lines{std::string("a\0b", 3)});
}

TEST(LineFile, CtrlZEndsTheInput) {
    EXPECT_EQ(LinesOf("ab\x1A"
                      "cd\r\n"),
              Lines{"ab"});
    EXPECT_EQ(LinesOf("\x1A"
                      "abc\r\n"),
              Lines{});
    EXPECT_EQ(LinesOf("ab\r\n\x1A\r\n"), Lines{"ab"});
    EXPECT_EQ(LinesOf("ab\r\x1A"), Lines{"ab"});
}

// Line ends and Ctrl-Z at every position around the 128-byte refills.
TEST(LineFile, LinesOfEveryLengthAcrossBlocks) {
    for (std::size_t Length : {1u, 2u, 126u, 127u, 128u, 129u, 255u, 256u, 257u, 5000u}) {
        const std::string Line(Length, 'x');
        EXPECT_EQ(LinesOf(Line + "\r\n" + Line + "\r" + Line), (Lines{Line, Line, Line})) << Length;
        EXPECT_EQ(LinesOf(Line + "\r\n" + Line + "\x1A" + Line), (Lines{Line, Line})) << Length;
    }
    const std::string Long(1 << 20, 'y'); // no limit on a line's length
    EXPECT_EQ(LinesOf(Long + "\r\nz"), (Lines{Long, "z"}));
}

TEST(LineFile, WritesReachThePlatformIn128ByteBlocks) {
    TempDir Dir;
    TestPlatform Watch;
    LineFile F;
    F.BindName(Dir / "out");
    F.CreateForWriting();
    F.IOCheck();
    F.WriteText(std::string(100, 'a'));
    F.WriteText(std::string(200, 'b'));
    EXPECT_EQ(Watch.Calls(), (std::vector<std::string>{"CreateWrite", "Write:128", "Write:128"}));
    F.CloseLineFile();
    F.IOCheck();
    EXPECT_EQ(Watch.Calls().back(), "Close");
    EXPECT_EQ(Watch.Calls()[3], "Write:44");
    EXPECT_EQ(ReadAll(Dir / "out"), std::string(100, 'a') + std::string(200, 'b'));
}

TEST(LineFile, ReadsReachThePlatformIn128ByteBlocks) {
    TempDir Dir;
    WriteAll(Dir / "in", std::string(300, 'r'));
    TestPlatform Watch;
    LineFile F;
    F.BindName(Dir / "in");
    F.OpenForReading();
    EXPECT_EQ(F.ReadLine(), std::string(300, 'r'));
    EXPECT_EQ(Watch.Calls(), (std::vector<std::string>{"OpenRead", "Read:128", "Read:128",
                                                       "Read:128", "Read:128"}));
    F.CloseLineFile();
}

// The code and the exact Shift-JIS message that IOCheck raises after Operation on F.
template <class Operation>
std::pair<int, std::string> Raised(LineFile& F, Operation Op) {
    Op();
    try {
        F.IOCheck();
    } catch (const EInOutError& E) {
        EXPECT_FALSE(F.TakeFailure()); // the failure is forgotten once raised
        return {E.ErrorCode, E.Message()};
    }
    return {0, ""};
}

TEST(LineFile, FailureCodesAndMessages) {
    TempDir Dir;
    LineFile F;
    F.BindName(Dir / "missing");
    EXPECT_EQ(Raised(F, [&] { F.OpenForReading(); }),
              std::make_pair(2, Sjis("ﾌｧｲﾙが見つかりません")));
    EXPECT_EQ(Raised(F, [&] { F.CloseLineFile(); }), std::make_pair(103, Sjis("I/O ｴﾗｰ (103)")));
    EXPECT_EQ(Raised(F, [&] { F.AtEnd(); }), std::make_pair(104, Sjis("I/O ｴﾗｰ (104)")));
    EXPECT_EQ(Raised(F, [&] { F.ReadLine(); }), std::make_pair(104, Sjis("I/O ｴﾗｰ (104)")));
    EXPECT_EQ(Raised(F, [&] { F.WriteText("x"); }), std::make_pair(103, Sjis("I/O ｴﾗｰ (103)")));
    F.BindName(Dir / "no-folder/file");
    EXPECT_EQ(Raised(F, [&] { F.OpenForReading(); }), std::make_pair(3, Sjis("不正なﾌｧｲﾙ名です")));
    EXPECT_EQ(Raised(F, [&] { F.CreateForWriting(); }),
              std::make_pair(3, Sjis("不正なﾌｧｲﾙ名です")));
    F.BindName(Dir.Path().string());
    EXPECT_EQ(Raised(F, [&] { F.OpenForReading(); }),
              std::make_pair(5, Sjis("ﾌｧｲﾙへのｱｸｾｽが拒否されました")));

    WriteAll(Dir / "in", "abc");
    F.BindName(Dir / "in");
    F.OpenForReading();
    EXPECT_EQ(Raised(F, [&] { F.WriteText("x"); }), std::make_pair(105, Sjis("I/O ｴﾗｰ (105)")));
    LineFile Second; // a second reader of the same file: sharing violation
    Second.BindName(Dir / "in");
    EXPECT_EQ(Raised(Second, [&] { Second.OpenForReading(); }).first, 32);
    F.CloseLineFile();
    EXPECT_EQ(Raised(Second, [&] { Second.OpenForReading(); }).first, 0);
    Second.CloseLineFile();

    // The other texts of the table, by code.
    EXPECT_EQ(InOutErrorMessage(4), Sjis("ｵｰﾌﾟﾝしたﾌｧｲﾙが多すぎます"));
    EXPECT_EQ(InOutErrorMessage(100), Sjis("ﾌｧｲﾙの末尾以降を読み込みました"));
    EXPECT_EQ(InOutErrorMessage(101), Sjis("ﾃﾞｨｽｸがいっぱいです"));
    EXPECT_EQ(InOutErrorMessage(106), Sjis("入力値が数値ではありません"));
    EXPECT_EQ(InOutErrorMessage(112), Sjis("I/O ｴﾗｰ (112)"));
}

// A character device gets each WriteText at once; a disk file gets 128-byte blocks.
TEST(LineFile, CharacterDeviceIsWrittenAtOnce) {
#ifdef _WIN32
    const std::string Device = "NUL";
#else
    const std::string Device = "/dev/null";
#endif
    TestPlatform Watch;
    LineFile F;
    F.BindName(Device);
    F.CreateForWriting();
    F.IOCheck();
    F.WriteText("abc");
    F.WriteText("de");
    EXPECT_EQ(Watch.Calls(), (std::vector<std::string>{"CreateWrite", "Write:3", "Write:2"}));
    F.CloseLineFile();
    F.IOCheck();
}

#ifndef _WIN32
// A device is never locked: a second reader of /dev/zero, here or in any other process
// on the machine, is not turned away as by a regular file's share mode.
TEST(LineFile, DevicesAdmitEveryReader) {
    LineFile First, Second;
    First.BindName("/dev/zero");
    Second.BindName("/dev/zero");
    EXPECT_EQ(Raised(First, [&] { First.OpenForReading(); }).first, 0);
    EXPECT_EQ(Raised(Second, [&] { Second.OpenForReading(); }).first, 0);
    First.CloseLineFile();
    Second.CloseLineFile();
}
#endif

// A name is never shortened: a name too long for the system fails as a whole.
TEST(LineFile, OverlongNameFailsAndCreatesNothing) {
    TempDir Dir;
    LineFile F;
    F.BindName(Dir / std::string(300, 'n'));
    EXPECT_EQ(Raised(F, [&] { F.CreateForWriting(); }).first, 206);
    EXPECT_TRUE(std::filesystem::is_empty(Dir.Path()));
}

TEST(LineFile, SecondWriterFailsAndLeavesTheFirstIntact) {
    TempDir Dir;
    LineFile First, Second;
    First.BindName(Dir / "out");
    First.CreateForWriting();
    First.WriteText(std::string(200, 'a'));
    Second.BindName(Dir / "out");
    EXPECT_EQ(Raised(Second, [&] { Second.CreateForWriting(); }).first, 32);
    First.CloseLineFile();
    First.IOCheck();
    EXPECT_EQ(ReadAll(Dir / "out"), std::string(200, 'a')); // not truncated by the second open
}

TEST(LineFile, FailedReadEndsTheInputAndIsReported) {
    TempDir Dir;
    WriteAll(Dir / "in", std::string(200, 'x') + "\r\n");
    TestPlatform Faults;
    int Reads = 0;
    Faults.Before = [&](const std::string& Op, std::uint32_t) -> std::uint32_t {
        return Op == "Read" && ++Reads == 2 ? 23 : 0; // ERROR_CRC on the second block
    };
    LineFile F;
    F.BindName(Dir / "in");
    F.OpenForReading();
    EXPECT_EQ(Raised(F, [&] { F.ReadLine(); }).first, 23);
    EXPECT_TRUE(F.AtEnd());
    F.CloseLineFile();
}

TEST(LineFile, FailedWriteDropsTheRestOfTheCall) {
    TempDir Dir;
    TestPlatform Faults;
    Faults.Before = [](const std::string& Op, std::uint32_t) -> std::uint32_t {
        return Op == "Write" ? 112 : 0;
    };
    LineFile F;
    F.BindName(Dir / "out");
    F.CreateForWriting();
    EXPECT_EQ(Raised(F, [&] { F.WriteText(std::string(1000, 'w')); }),
              std::make_pair(112, Sjis("I/O ｴﾗｰ (112)")));
    const auto Calls = Faults.Calls();
    EXPECT_EQ(std::count(Calls.begin(), Calls.end(), "Write:128"), 1);
    F.CloseLineFile();
}

#ifdef _WIN32
// The share modes: a file being read admits a writer but no second reader; a file being
// written admits a reader but no second writer.
TEST(LineFile, ReadersAndWritersShareAsTheirOpensAllow) {
    TempDir Dir;
    WriteAll(Dir / "f", "abc");
    LineFile Reader, Writer, Second;
    Reader.BindName(Dir / "f");
    Writer.BindName(Dir / "f");
    Second.BindName(Dir / "f");
    EXPECT_EQ(Raised(Reader, [&] { Reader.OpenForReading(); }).first, 0);
    EXPECT_EQ(Raised(Writer, [&] { Writer.CreateForWriting(); }).first, 0);
    EXPECT_EQ(Raised(Second, [&] { Second.OpenForReading(); }).first, 32);
    EXPECT_EQ(Raised(Second, [&] { Second.CreateForWriting(); }).first, 32);
    Reader.CloseLineFile();
    EXPECT_EQ(Raised(Second, [&] { Second.OpenForReading(); }).first, 0);
    Second.CloseLineFile();
    Writer.CloseLineFile();
    Writer.IOCheck();
}

// Standard input from a pipe: the writer's closing ends the input and is no failure.
TEST(LineFile, StandardInputFromAPipe) {
    HANDLE ReadEnd, WriteEnd;
    ASSERT_TRUE(CreatePipe(&ReadEnd, &WriteEnd, nullptr, 0));
    const std::string Text = std::string(300, 'p') + "\r\nlast";
    DWORD Written = 0;
    ASSERT_TRUE(
        WriteFile(WriteEnd, Text.data(), static_cast<DWORD>(Text.size()), &Written, nullptr));
    CloseHandle(WriteEnd);
    const HANDLE Previous = GetStdHandle(STD_INPUT_HANDLE);
    SetStdHandle(STD_INPUT_HANDLE, ReadEnd);
    std::vector<std::string> Lines;
    try {
        Lines = LinesOfFile("");
    } catch (const EInOutError& E) {
        ADD_FAILURE() << "code " << E.ErrorCode;
    }
    SetStdHandle(STD_INPUT_HANDLE, Previous);
    CloseHandle(ReadEnd);
    EXPECT_EQ(Lines, (std::vector<std::string>{std::string(300, 'p'), "last"}));
}
#endif

} // namespace
