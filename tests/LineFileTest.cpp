// LineFile: the line rules against a model, the blocks, the codes and the messages.
#include "LineFile.h"
#include "Files.h"
#include "IOError.h"
#include "LineModel.h"
#include "Sjis.h"
#include "TestPlatform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <vector>

namespace {

// Random files of line ends, 0x1A, NUL and runs across the blocks, read under both rules
// with blocks of any size, whole lines (ReadLine) and pieces of lines.
TEST(LineFile, LinesFollowTheRules) {
    TempDir Dir;
    const std::string Nul(1, '\0'), Short(127, 'x'), Long(300, 'y');
    const std::string Parts[] = {"a", "\r", "\n", "\r\n", "\x1A", Nul, "\n\r", Short, Long};
    std::mt19937 Random(5);
    for (int Round = 0; Round < 300; ++Round) {
        std::string File;
        for (int N = Random() % 12; N > 0; --N) File += Parts[Random() % std::size(Parts)];
        WriteAll(Dir / "in", File);
        const auto Rule = Round % 2 ? TLineRule::AnyEnd : TLineRule::CrOrCrLf;
        const std::uint32_t Block = Round % 3 ? 128 : 1 + Random() % 40;
        ASSERT_EQ(
            ReadLines(Dir / "in", Block, Rule, Round % 4 ? std::string::npos : 1 + Random() % 9),
            LineModel(File, Rule == TLineRule::CrOrCrLf))
            << Hex(File) << " block " << Block;
    }
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

// Calls on a file that is not open, or not open that way, fail with the file layer's own
// codes; a name is never shortened, so one too long for the system fails as a whole.
TEST(LineFile, FailureCodesAndMessages) {
    TempDir Dir;
    LineFile F;
    F.BindName(Dir / "missing");
    EXPECT_EQ(Raised(F, [&] { F.OpenForReading(); }),
              std::make_pair(2, Sjis("ﾌｧｲﾙが見つかりません")));
    EXPECT_EQ(Raised(F, [&] { F.CloseLineFile(); }), std::make_pair(103, Sjis("I/O ｴﾗｰ (103)")));
    EXPECT_EQ(Raised(F, [&] { F.AtEnd(); }).first, 104);
    EXPECT_EQ(Raised(F, [&] { F.ReadLine(); }).first, 104);
    EXPECT_EQ(Raised(F, [&] { F.WriteText("x"); }).first, 103);
    EXPECT_EQ(Raised(F, [&] { F.Commit(Dir / "x"); }).first, 103);
    F.BindName(Dir / std::string(300, 'n'));
    EXPECT_EQ(Raised(F, [&] { F.CreateForWriting(); }).first, 206);
    EXPECT_TRUE(std::filesystem::is_empty(Dir.Path()));
    WriteAll(Dir / "in", "abc");
    F.BindName(Dir / "in");
    F.OpenForReading();
    EXPECT_EQ(Raised(F, [&] { F.WriteText("x"); }).first, 105);

    EXPECT_EQ(InOutErrorMessage(5), Sjis("ﾌｧｲﾙへのｱｸｾｽが拒否されました"));
}

// Share modes: a file being read alone admits no second reader, a file being written no
// second writer (whose open does not truncate it); under Windows a reader and a writer
// may share a file. Readers that admit readers share a file with each other, but not with
// a reader that reads alone. A device is never locked: a second reader of it, here or in
// any other process on the machine, is not turned away.
TEST(LineFile, FilesAreSharedAsTheirOpensAllow) {
    TempDir Dir;
    LineFile Reader, Writer, Second;
    for (LineFile* F : {&Reader, &Writer, &Second}) F->BindName(Dir / "f");
    EXPECT_EQ(Raised(Writer, [&] { Writer.CreateForWriting(); }).first, 0);
    Writer.WriteText(std::string(200, 'a'));
    EXPECT_EQ(Raised(Second, [&] { Second.CreateForWriting(); }).first, 32);
#ifdef _WIN32
    EXPECT_EQ(Raised(Reader, [&] { Reader.OpenForReading(); }).first, 0);
    EXPECT_EQ(Raised(Second, [&] { Second.OpenForReading(); }).first, 32);
    Reader.CloseLineFile();
#endif
    Writer.CloseLineFile();
    EXPECT_EQ(ReadAll(Dir / "f"), std::string(200, 'a'));
    EXPECT_EQ(Raised(Reader, [&] { Reader.OpenForReading(); }).first, 0);
    EXPECT_EQ(Raised(Second, [&] { Second.OpenForReading(); }).first, 32);
    EXPECT_EQ(Raised(Second, [&] { Second.OpenForReading(TReadShare::Readers); }).first, 32);
    Reader.CloseLineFile();
    EXPECT_EQ(Raised(Reader, [&] { Reader.OpenForReading(TReadShare::Readers); }).first, 0);
    EXPECT_EQ(Raised(Second, [&] { Second.OpenForReading(TReadShare::Readers); }).first, 0);
    EXPECT_EQ(Second.ReadLine(), std::string(200, 'a'));
    EXPECT_EQ(Raised(Writer, [&] { Writer.OpenForReading(); }).first, 32);
    Reader.CloseLineFile();
    Second.CloseLineFile();
    for (LineFile* F : {&Reader, &Second}) {
        F->BindName(NullDevice);
        EXPECT_EQ(Raised(*F, [&] { F->OpenForReading(); }).first, 0);
    }
}

// Blocks reach the platform whole, and a character device gets each WriteText at once. A
// failed read ends the input and is reported; a failed write drops the rest of its call's
// bytes.
TEST(LineFile, BlocksAndFailedBlocks) {
    TempDir Dir;
    TestPlatform Watch;
    LineFile F;
    F.BindName(Dir / "out");
    F.CreateForWriting();
    F.WriteText(std::string(100, 'a'));
    F.WriteText(std::string(200, 'b'));
    F.CloseLineFile();
    F.IOCheck();
    F.BindName(Dir / "out");
    F.OpenForReading();
    EXPECT_EQ(F.ReadLine(), std::string(100, 'a') + std::string(200, 'b'));
    F.CloseLineFile();
    F.BindName(NullDevice);
    F.CreateForWriting();
    F.WriteText("abc");
    F.WriteText("de");
    F.CloseLineFile();
    F.IOCheck();

    int Reads = 0;
    Watch.Before = [&](const std::string& Op, std::uint32_t) -> std::uint32_t {
        if (Op == "Read") return ++Reads == 2 ? 23 : 0; // ERROR_CRC on the second block
        return Op == "Write" ? 112 : 0;
    };
    F.BindName(Dir / "out");
    F.OpenForReading();
    EXPECT_EQ(Raised(F, [&] { F.ReadLine(); }).first, 23);
    EXPECT_TRUE(F.AtEnd());
    F.CloseLineFile();
    F.CreateForWriting();
    EXPECT_EQ(Raised(F, [&] { F.WriteText(std::string(1000, 'w')); }).first, 112);
    F.CloseLineFile();
    EXPECT_EQ(Watch.Calls(),
              (std::vector<std::string>{
                  "CreateWrite", "Write:128",   "Write:128", "Write:44", "Close",    "OpenRead",
                  "Read:128",    "Read:128",    "Read:128",  "Read:128", "Close",    "CreateWrite",
                  "Write:3",     "Write:2",     "Close",     "OpenRead", "Read:128", "Read:128",
                  "Close",       "CreateWrite", "Write:128", "Close"}));
}

#ifdef _WIN32
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
    TLines Lines;
    try {
        Lines = ReadLines("");
    } catch (const EInOutError& E) {
        ADD_FAILURE() << "code " << E.ErrorCode;
    }
    SetStdHandle(STD_INPUT_HANDLE, Previous);
    CloseHandle(ReadEnd);
    EXPECT_EQ(Lines, (TLines{{std::string(300, 'p'), "\r\n"}, {"last", ""}}));
}
#endif

} // namespace
