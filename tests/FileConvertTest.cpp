// File conversion: the whole road from a source file to its converted destination, and
// what a failure on that road leaves behind.
#include "FileConvert.h"
#include "Files.h"
#include "IOError.h"
#include "LineModel.h"
#include "Sjis.h"
#include "TestPlatform.h"

#ifndef _WIN32
#include "Arguments.h"

#include <sys/stat.h>
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <cctype>
#include <condition_variable>
#include <filesystem>
#include <thread>
#include <vector>

namespace {

const std::string Temp = "$$$$$$$$.~kn";

constexpr TOutcome Converted = TOutcome::Converted;

// The code of a conversion's failure; 0 when it did not fail.
int CodeOf(const TConvertResult& R) {
    return R.Failure ? R.Failure->ErrorCode : 0;
}

class FileConvert : public ::testing::Test {
protected:
    TempDir Dir;
    std::string In = Dir / "in.txt", Out = Dir / "out.txt";
};

// The library's conversion of a file is each line, as the line rules cut it, through the
// component and ended by CR LF: random files of mixed text and line ends.
TEST_F(FileConvert, EveryLineThroughTheComponentWithCrLf) {
    const std::string Parts[] = {Sjis("ｶﾞｷﾞ"), Sjis("アイウ　ＡＢＣ"), "\t", "abc", "\r\n", "\r", "\n",
                                 "\x1A", std::string(300, 'z'), "\x82"};
    std::mt19937 Random(9);
    THanZen H(nullptr);
    for (int Round = 0; Round < 30; ++Round) {
        const TOptions O{.Tab = tbSpace, .Kata = TKata(Random() % 4), .Mark = TMark(Random() % 3),
                         .SpLen = 2};
        H.SetOptions(O);
        std::string File, Expected;
        for (int N = Round ? Random() % 40 : 0; N > 0; --N) File += Parts[Random() % std::size(Parts)];
        for (const auto& [Line, End] : LineModel(File, true)) Expected += H.ConvertLine(Line) + "\r\n";
        WriteAll(In, File);
        WriteAll(Out, "old");
        ASSERT_EQ(ConvertFile(In, Out, false, O).Outcome, Converted);
        ASSERT_EQ(Hex(ReadAll(Out)), Hex(Expected)) << Hex(File);
    }
    EXPECT_FALSE(Exists(Dir / Temp));
}

// In place, or refused under CheckSame for names equal apart from ASCII case; a failure
// reports the real code and leaves the destination.
TEST_F(FileConvert, SamePathsMissingFilesAndReadOnlyDestinations) {
    WriteAll(In, "abc\r\n");
    std::string Shouting = In;
    for (char& C : Shouting) C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
    EXPECT_EQ(ConvertFile(In, Shouting, true, {.ConvSize = cvBig}).Outcome, TOutcome::Refused);
    EXPECT_EQ(ConvertFile(In, In, false, {.ConvSize = cvBig}).Outcome, Converted);
    EXPECT_EQ(ReadAll(In), "ABC\r\n");
    EXPECT_TRUE(SameIgnoringAsciiCase("dir/ab\x82\x61", "DIR/AB\x82\x41")); // second bytes too
    EXPECT_FALSE(SameIgnoringAsciiCase("\x82\xA0", "\x82\x80"));            // no other folding
    WriteAll(Out, "old");
    EXPECT_EQ(CodeOf(ConvertFile(Dir / "missing.txt", Out, false, {})), 2);
    EXPECT_EQ(CodeOf(ConvertFile(In, Dir / "no/out.txt", false, {})), 3);
    MakeReadOnly(Out);
    EXPECT_EQ(CodeOf(ConvertFile(In, Out, false, {})), 5);
    EXPECT_EQ(ReadAll(Out), "old");
    EXPECT_FALSE(Exists(Dir / Temp));
}

#ifndef _WIN32
TEST_F(FileConvert, TemporaryPathIsInTheDestinationsFolder) {
    EXPECT_EQ(Platform().TempPathFor("out.txt"), Temp);
    EXPECT_EQ(Platform().TempPathFor("a/b/out.txt"), "a/b/" + Temp);
    EXPECT_EQ(Platform().TempPathFor("/out.txt"), "/" + Temp);
}
#else
TEST_F(FileConvert, TemporaryPathIsInTheDestinationsFolder) {
    const auto TempFor = [](const std::string& Dest) { return Platform().TempPathFor(Dest); };
    EXPECT_EQ(TempFor("C:\\data\\out.txt"), "C:\\data\\" + Temp);
    EXPECT_EQ(TempFor("C:\\out.txt"), "C:\\" + Temp);
    EXPECT_EQ(TempFor("\\out.txt"), "\\" + Temp); // not the network name \\$$$$$$$$.~kn
    EXPECT_EQ(TempFor("\\\\server\\share\\out.txt"), "\\\\server\\share\\" + Temp);
    EXPECT_EQ(TempFor("C:/data/out.txt"), "C:/data\\" + Temp);
    // No folder part: the current folder, of the drive named if one is.
    EXPECT_EQ(TempFor("out.txt"), Temp);
    EXPECT_EQ(TempFor("C:out.txt"), "C:" + Temp);
    EXPECT_EQ(TempFor("C:data\\out.txt"), "C:data\\" + Temp);
    // 0x5C as the second byte of a double-byte character is no separator; a half-width
    // katakana is a single byte and the separator after it is one.
    const std::string Hyou = Sjis("表"), So = Sjis("ソ");
    ASSERT_EQ(Hex(Hyou + So), "95 5C 83 5C");
    EXPECT_EQ(TempFor(Hyou + ".txt"), Temp);
    EXPECT_EQ(TempFor("C:\\" + Hyou + "\\" + So + "\\out.txt"),
              "C:\\" + Hyou + "\\" + So + "\\" + Temp);
    EXPECT_EQ(TempFor("C:\\" + Hyou + So + ".txt"), "C:\\" + Temp);
    EXPECT_EQ(TempFor(Sjis("ｱ\\out.txt")), Sjis("ｱ\\") + Temp);
}
#endif

// The temporary file lives in the destination's folder, the current one when the
// destination names none (under Windows also when it names only a drive).
TEST_F(FileConvert, TemporaryFileLivesInTheDestinationsFolder) {
    WriteAll(In, "abc");
    const std::string Here = Dir / "";
    std::vector<std::pair<std::string, std::string>> Cases = {{"out.txt", Here}}; // Dest, folder
#ifdef _WIN32
    Cases.push_back({Here.substr(0, 2) + "out.txt", Here}); // "C:out.txt"
    const std::string Hyou = Here + Sjis("表");             // a folder name ending in 0x5C
    ASSERT_TRUE(CreateDirectoryA(Hyou.c_str(), nullptr));
    Cases.push_back({Hyou + "\\out.txt", Hyou + "\\"});
#endif
    for (const auto& [Dest, Folder] : Cases) {
        const std::filesystem::path Previous = std::filesystem::current_path();
        std::filesystem::current_path(Dir.Path());
        TestPlatform Watch;
        bool TempSeen = false;
        Watch.Before = [&](const std::string& Op, std::uint32_t) -> std::uint32_t {
            if (Op == "Write") TempSeen = Platform().FileExists(Folder + Temp);
            return 0;
        };
        const TOutcome Result = ConvertFile("in.txt", Dest, false, {}).Outcome;
        std::filesystem::current_path(Previous);
        EXPECT_EQ(Result, Converted) << Dest;
        EXPECT_TRUE(TempSeen) << Dest;
        EXPECT_EQ(ReadAll(Folder + "out.txt"), "abc\r\n") << Dest;
        EXPECT_FALSE(Platform().FileExists(Folder + Temp)) << Dest;
    }
}

// A failure at any step of the road: the caller gets its code, the destination keeps
// its old content, and nothing half-written stays behind.
TEST_F(FileConvert, FailuresLeaveTheDestinationAndNoTemporaryFile) {
    WriteAll(In, std::string(1000, 'x') + "\r\n" + std::string(1000, 'y'));
    for (const char* Op : {"OpenRead", "CreateWrite", "Read", "Write", "Commit", "Close"}) {
        for (int Nth = 1; Nth <= 3; ++Nth) {
            WriteAll(Out, "old");
            TestPlatform Faults;
            int Seen = 0;
            Faults.Before = [&](const std::string& Name, std::uint32_t) -> std::uint32_t {
                return Name == Op && ++Seen == Nth ? 112 : 0;
            };
            const int Code = CodeOf(ConvertFile(In, Out, false, {}));
            if (Seen < Nth) continue; // the conversion has no such call
            EXPECT_EQ(Code, 112) << Op << " #" << Nth;
            EXPECT_EQ(ReadAll(Out), "old") << Op << " #" << Nth;
            EXPECT_FALSE(Exists(Dir / Temp)) << Op << " #" << Nth;
        }
    }
}

TEST_F(FileConvert, FirstFailureWinsAndTheCleanUpRunsToTheEnd) {
    WriteAll(In, std::string(500, 'x'));
    TestPlatform Faults;
    Faults.Before = [](const std::string& Op, std::uint32_t) -> std::uint32_t {
        return Op == "Write" ? 112 : Op == "Close" ? 6 : 0;
    };
    EXPECT_EQ(CodeOf(ConvertFile(In, Out, false, {})), 112);
    const auto Calls = Faults.Calls();
    EXPECT_NE(std::find(Calls.begin(), Calls.end(), "Close"), Calls.end());   // the source
    EXPECT_NE(std::find(Calls.begin(), Calls.end(), "Discard"), Calls.end()); // the temporary
    EXPECT_EQ(HanZenObj.load(), nullptr);
    EXPECT_EQ(Application().ComponentCount(), 0u);
}

#ifndef _WIN32 // an open file cannot be removed under Windows
TEST_F(FileConvert, TemporaryFileThatVanishesGivesZero) {
    WriteAll(In, std::string(300, 'a')); // long enough to be written before the end
    WriteAll(Out, "old");
    TestPlatform Watch;
    Watch.Before = [&](const std::string& Op, std::uint32_t) -> std::uint32_t {
        if (Op == "Write") std::filesystem::remove(Dir / Temp);
        return 0;
    };
    EXPECT_EQ(ConvertFile(In, Out, false, {}).Outcome, TOutcome::Vanished);
    EXPECT_EQ(ReadAll(Out), "old");
}
#endif

#ifndef _WIN32
// kanaconv's settings for its command line.
TArguments Args(std::vector<std::string> Line) {
    Line.insert(Line.begin(), "kanaconv");
    std::vector<char*> Argv;
    for (std::string& A : Line) Argv.push_back(A.data());
    return ParseArguments(static_cast<int>(Argv.size()), Argv.data());
}

// Every newline rule on text that ends with and without a line end, 0x1A inside.
TEST_F(FileConvert, LineEndsUnderEachNewlineRule) {
    const struct {
        const char* Newline;
        std::string In, Out;
        std::uint64_t LeftOut;
    } Cases[] = {
        {"keep", "a\nb\r\nc\rd\x1A" "e", "a\nb\r\nc\rd\x1A" "e", 0},
        {"keep", "a\n\n", "a\n\n", 0},
        {"lf", "a\nb\r\nc\rd\x1A" "e", "a\nb\nc\nd\x1A" "e", 0},
        {"lf", "a\r\n\r", "a\n\n", 0},
        {"crlf", "a\nb\r\nc\rd\x1A" "e\r\n", "a\nb\r\nc\r\nd\r\n", 4},
        {"crlf", "x\n", "x\n\r\n", 0},
    };
    for (const auto& C : Cases) {
        WriteAll(In, C.In);
        const TArguments A = Args({std::string("--newline=") + C.Newline});
        const TConvertResult R = ConvertFile(In, Out, false, A.Options, SettingsFor(A));
        EXPECT_EQ(R.Outcome, Converted);
        EXPECT_EQ(Hex(ReadAll(Out)), Hex(C.Out)) << C.Newline << " " << Hex(C.In);
        EXPECT_EQ(R.LeftOut, C.LeftOut);
    }
}

// Long lines converted in pieces, through blocks of any size, give the bytes of whole
// lines: kanaconv --classic writes what the library writes, and UTF-8 text in pieces
// what it gives whole.
TEST_F(FileConvert, PiecesAndBlocksChangeNoByte) {
    const std::string Parts[] = {"漢字", "ｶﾞﾊﾟ", "ﾞﾞﾟ", "ｰ°", "カタカナ", "abc 09", "\t", "\n", "\r\n", "\r"};
    std::mt19937 Random(3);
    std::string Text;
    for (int Lines = 0; Lines < 30; ++Lines)
        for (int N = Random() % 400; N > 0; --N) Text += Parts[Random() % std::size(Parts)];
    const std::string Utf8Text = Text, SjisText = Sjis(Text);
    for (int Round = 0; Round < 20; ++Round) {
        const TOptions O{TConvSize(Random() % 3), TSpace(Random() % 3), TTab(Random() % 2),
                         TKata(Random() % 4),     TToHira(Random() % 3), THira(Random() % 3),
                         TMark(Random() % 3),     2};
        TArguments Classic = Args({"--classic"});
        Classic.Options = O;
        TFileSettings Pieces = SettingsFor(Classic);
        Pieces.BlockSize = 1 + Random() % 200;
        Pieces.Piece = 1 + Random() % 64;
        WriteAll(In, SjisText);
        ASSERT_EQ(ConvertFile(In, Out, false, O).Outcome, Converted);
        ASSERT_EQ(ConvertFile(In, Dir / "pieces", false, O, Pieces).Outcome, Converted);
        ASSERT_TRUE(ReadAll(Out) == ReadAll(Dir / "pieces")) << "round " << Round;

        TArguments Tool = Args({});
        Tool.Options = O;
        Pieces = SettingsFor(Tool);
        TFileSettings Whole = Pieces;
        Whole.Piece = 0;
        Pieces.BlockSize = 1 + Random() % 200;
        Pieces.Piece = 1 + Random() % 64;
        WriteAll(In, Utf8Text);
        ASSERT_EQ(ConvertFile(In, Out, false, O, Whole).Outcome, Converted);
        ASSERT_EQ(ConvertFile(In, Dir / "pieces", false, O, Pieces).Outcome, Converted);
        ASSERT_TRUE(ReadAll(Out) == ReadAll(Dir / "pieces")) << "round " << Round;
    }
}

// A replaced file keeps its mode (the library's conversion and kanaconv's); a new one
// gets the usual mode under the umask.
TEST_F(FileConvert, ReplacedFileKeepsItsMode) {
    const TArguments Tool = Args({});
    for (const TFileSettings& Settings : {TFileSettings{}, SettingsFor(Tool)}) {
        for (const mode_t Mode : {0600, 0755, 0640}) {
            WriteAll(Out, "old");
            ASSERT_EQ(chmod(Out.c_str(), Mode), 0);
            WriteAll(In, "new");
            ASSERT_EQ(ConvertFile(In, Out, false, {}, Settings).Outcome, Converted);
            struct stat St;
            ASSERT_EQ(stat(Out.c_str(), &St), 0);
            EXPECT_EQ(St.st_mode & 07777, Mode);
        }
        const mode_t Old = umask(027);
        std::filesystem::remove(Out);
        EXPECT_EQ(ConvertFile(In, Out, false, {}, Settings).Outcome, Converted);
        umask(Old);
        struct stat St;
        ASSERT_EQ(stat(Out.c_str(), &St), 0);
        EXPECT_EQ(St.st_mode & 07777, 0640u);
    }
}
#endif

} // namespace
