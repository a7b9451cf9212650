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
#include <sys/xattr.h>
#endif

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <tuple>
#include <vector>

namespace {

const std::string Temp = "$$$$$$$$.~kn";

constexpr TOutcome Converted = TOutcome::Converted;


class FileConvert : public ::testing::Test {
protected:
    TempDir Dir;
    std::string In = Dir / "in.txt", Out = Dir / "out.txt";
};

// Random files of mixed text, line ends and 0x1A under random options: the library writes
// each line, as its line rule cuts it, through the component and ended by CR LF. kanaconv,
// through blocks and pieces of any size, writes the same lines ended as each of its
// newline rules says and counts the bytes that a 0x1A left out.
TEST_F(FileConvert, EveryLineAsTheLineRulesCutIt) {
    const std::string Parts[] = {
        "ｶﾞｷﾞ", "ﾞﾞﾟ", "ｰ°",   "アイウ　ＡＢＣ",      "漢字", "\t", "abc 09", "\r\n",
        "\r",   "\n",  "\x1A", std::string(300, 'z'), "\x82"};
    std::mt19937 Random(9);
    THanZen H(nullptr);
    for (int Round = 0; Round < 30; ++Round) {
        const TOptions O{
            TConvSize(Random() % 3), TSpace(Random() % 3), TTab(Random() % 2),  TKata(Random() % 4),
            TToHira(Random() % 3),   THira(Random() % 3),  TMark(Random() % 3), 2};
        H.SetOptions(O);
        std::string File;
        for (int N = Round ? Random() % 40 : 0; N > 0; --N) {
            const std::string& P = Parts[Random() % std::size(Parts)];
            File += P == "\x82" ? P : Sjis(P); // a lead byte alone, before any byte
        }
        const auto Expected = [&](TNewline Newline) {
            std::string Text;
            for (const auto& [Line, End] : LineModel(File, Newline == TNewline::CrLf))
                Text += H.ConvertLine(Line) + (Newline == TNewline::CrLf                  ? "\r\n"
                                               : Newline == TNewline::Keep || End.empty() ? End
                                                                                          : "\n");
            return Text;
        };
        WriteAll(In, File);
        WriteAll(Out, "old");
        ASSERT_EQ(ConvertFile(In, Out, false, O).Outcome, Converted);
        ASSERT_EQ(Hex(ReadAll(Out)), Hex(Expected(TNewline::CrLf))) << Hex(File);
#ifndef _WIN32
        for (const TNewline Newline : {TNewline::Keep, TNewline::Lf, TNewline::CrLf}) {
            TArguments A;
            A.From = TEncoding::Sjis;
            A.Newline = Newline;
            TFileSettings Pieces = SettingsFor(A);
            Pieces.BlockSize = 1 + Random() % 200;
            Pieces.Piece = 1 + Random() % 64;
            const TConvertResult R = ConvertFile(In, Out, false, O, Pieces);
            ASSERT_EQ(R.Outcome, Converted);
            ASSERT_EQ(Hex(ReadAll(Out)), Hex(Expected(Newline))) << Hex(File);
            const std::size_t Eof = File.find('\x1A');
            EXPECT_EQ(R.LeftOut,
                      Newline == TNewline::CrLf && Eof != File.npos ? File.size() - Eof : 0);
        }
#endif
    }
    EXPECT_EQ(Entries(Dir.Path()), (std::set<std::string>{"in.txt", "out.txt"}));
}

// In place, or refused under CheckSame for names equal apart from ASCII case. A conversion
// that cannot be done reports the real code and leaves the destination and the folder as
// they were.
TEST_F(FileConvert, SamePathsAndPathsThatFail) {
    WriteAll(In, "abc\r\n");
    std::string Shouting = In;
    for (char& C : Shouting) C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
    EXPECT_EQ(ConvertFile(In, Shouting, true, {.ConvSize = cvBig}).Outcome, TOutcome::Refused);
    EXPECT_EQ(ConvertFile(In, In, false, {.ConvSize = cvBig}).Outcome, Converted);
    EXPECT_EQ(ReadAll(In), "ABC\r\n");
    EXPECT_TRUE(SameIgnoringAsciiCase("dir/ab\x82\x61", "DIR/AB\x82\x41")); // second bytes too
    EXPECT_FALSE(SameIgnoringAsciiCase("\x82\xA0", "\x82\x80"));            // no other folding

    WriteAll(Out, "old");
    WriteAll(Dir / "read-only.txt", "old");
    MakeReadOnly(Dir / "read-only.txt");
    std::filesystem::create_directory(Dir / "folder");
    MakeReadOnly(Dir / "folder");
    const std::tuple<std::string, std::string, int> Cases[] = {
        {Dir / "missing.txt", Out, 2},
        {Dir / "no/in.txt", Out, 3},
        {In, Dir / "no/out.txt", 3},
        {Dir / "folder", Out, 5},
        {In, Dir / "folder", 5},
        {In, Dir / "read-only.txt", 5},
#ifndef _WIN32
        {In, Dir / "folder/out.txt", 5}, // a folder without write bits, even for root
        {Dir / std::string(300, 'n'), Out, 206},
#endif
    };
    const std::set<std::string> Before = Entries(Dir.Path());
    for (const auto& [Src, Dest, Code] : Cases) {
        const TConvertResult R = ConvertFile(Src, Dest, false, {});
        EXPECT_EQ(R.Failure ? R.Failure->ErrorCode : 0, Code) << Src << " into " << Dest;
        EXPECT_EQ(Entries(Dir.Path()), Before) << Src << " into " << Dest;
    }
    EXPECT_EQ(ReadAll(Out) + ReadAll(Dir / "read-only.txt"), "oldold");
    EXPECT_TRUE(std::filesystem::is_empty(Dir / "folder"));
}

// The temporary file lives in the destination's folder, the current one when the
// destination names none (under Windows also when it names only a drive).
TEST_F(FileConvert, TemporaryFileLivesInTheDestinationsFolder) {
#ifdef _WIN32
    // 0x5C as the second byte of a double-byte character is no separator; a half-width
    // katakana is a single byte and the separator after it is one.
    const std::string Hyou = Sjis("表"), So = Sjis("ソ");
    ASSERT_EQ(Hex(Hyou + So), "95 5C 83 5C");
    const std::pair<std::string, std::string> Paths[] = {
        // Dest, the temporary file's folder
        {"C:\\data\\out.txt", "C:\\data\\"},
        {"C:\\out.txt", "C:\\"},
        {"\\out.txt", "\\"}, // not the network name \\$$$$$$$$.~kn
        {"\\\\server\\share\\out.txt", "\\\\server\\share\\"},
        {"C:/data/out.txt", "C:/data\\"},
        {"out.txt", ""},
        {"C:out.txt", "C:"},
        {"C:data\\out.txt", "C:data\\"},
        {Hyou + ".txt", ""},
        {"C:\\" + Hyou + "\\" + So + "\\out.txt", "C:\\" + Hyou + "\\" + So + "\\"},
        {"C:\\" + Hyou + So + ".txt", "C:\\"},
        {Sjis("ｱ\\out.txt"), Sjis("ｱ\\")},
    };
#else
    const std::pair<std::string, std::string> Paths[] = {
        {"out.txt", ""}, {"a/b/out.txt", "a/b/"}, {"/out.txt", "/"}};
#endif
    for (const auto& [Dest, Folder] : Paths)
        EXPECT_EQ(Platform().TempPathFor(Dest), Folder + Temp) << Dest;

    // The same where a conversion writes it.
    WriteAll(In, "abc");
    const std::string Here = Dir / "";
    std::vector<std::pair<std::string, std::string>> Cases = {{"out.txt", Here}};
#ifdef _WIN32
    Cases.push_back({Here.substr(0, 2) + "out.txt", Here}); // "C:out.txt"
    ASSERT_TRUE(CreateDirectoryA((Here + Hyou).c_str(), nullptr));
    Cases.push_back({Here + Hyou + "\\out.txt", Here + Hyou + "\\"});
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

// A replaced file keeps its mode (the library's conversion and kanaconv's); a new one
// gets the usual mode under the umask.
TEST_F(FileConvert, ReplacedFileKeepsItsMode) {
    WriteAll(In, "new");
    const mode_t Umask = umask(027);
    for (const TFileSettings& Settings : {TFileSettings{}, SettingsFor({})}) {
        for (const unsigned Mode : {0600u, 0755u, 0640u, 0u}) { // 0: no file to replace
            WriteAll(Out, "old");
            if (Mode) chmod(Out.c_str(), Mode);
            if (!Mode) std::filesystem::remove(Out);
            EXPECT_EQ(ConvertFile(In, Out, false, {}, Settings).Outcome, Converted);
            const auto Now = static_cast<unsigned>(std::filesystem::status(Out).permissions());
            EXPECT_EQ(Now, Mode ? Mode : 0640u) << std::oct << Mode;
        }
    }
    umask(Umask);
}

// A replaced file keeps its extended attributes, its POSIX ACL among them, exactly: none
// is lost, and none is gained from a default ACL of the folder that the old file had
// not.
TEST_F(FileConvert, ReplacedFileKeepsItsExtendedAttributes) {
    const auto Acl = [](const std::string& Args, const std::string& Path) {
        return std::system(("setfacl " + Args + " '" + Path + "' 2>/dev/null").c_str()) == 0;
    };
    if (!Acl("-d -m u:nobody:rw", Dir.Path()))
        GTEST_SKIP() << "setfacl cannot give " << Dir.Path() << " a default ACL";
    WriteAll(In, "new\r\n");
    for (const TFileSettings& Settings : {TFileSettings{}, SettingsFor({})}) {
        for (const bool Own : {true, false}) {
            WriteAll(Out, "old"); // with the folder's ACL, or none
            if (Own) {
                ASSERT_TRUE(Acl("-m u:daemon:r,g::-", Out));
                ASSERT_EQ(setxattr(Out.c_str(), "user.kana", "\x83\x4A\0", 3, 0), 0);
            } else {
                ASSERT_TRUE(Acl("-b", Out));
            }
            const auto Before = ExtendedAttributes(Out);
            ASSERT_EQ(Before.count("system.posix_acl_access"), Own ? 1u : 0u);
            const TConvertResult R = ConvertFile(In, Out, false, {}, Settings);
            EXPECT_EQ(R.Outcome, Converted);
            EXPECT_TRUE(R.Warnings.empty());
            EXPECT_EQ(ReadAll(Out), "new\r\n");
            EXPECT_EQ(ExtendedAttributes(Out), Before) << (Own ? "its own" : "none");
        }
    }
}

// Readers share a file under kanaconv's settings; the library reads alone, and so does a
// conversion in place, through a symbolic link too: a file read by another conversion is
// not replaced under it.
TEST_F(FileConvert, ReadersShareAFileThatNoConversionReplaces) {
    WriteAll(In, "abc");
    WriteAll(Out, "old");
    std::filesystem::create_symlink("in.txt", Dir / "link");
    const TFileSettings Shared = SettingsFor({});
    LineFile Reader;
    Reader.BindName(In);
    Reader.OpenForReading(TReadShare::Readers);
    ASSERT_TRUE(Reader.IsOpen());
    const auto Code = [](const TConvertResult& R) { return R.Failure ? R.Failure->ErrorCode : 0; };
    EXPECT_EQ(Code(ConvertFile(In, Out, false, {}, Shared)), 0);
    EXPECT_EQ(Code(ConvertFile(In, Out, false, {})), 32);
    EXPECT_EQ(Code(ConvertFile(In, In, false, {}, Shared)), 32);
    EXPECT_EQ(Code(ConvertFile(In, Dir / "link", false, {}, Shared)), 32);
    EXPECT_EQ(ReadAll(In), "abc");
    Reader.CloseLineFile();
    EXPECT_EQ(Code(ConvertFile(Dir / "link", Dir / "link", false, {.ConvSize = cvBig}, Shared)), 0);
    EXPECT_EQ(ReadAll(In), "ABC");
    EXPECT_TRUE(std::filesystem::is_symlink(Dir / "link"));
}
#endif

} // namespace

// Ownership: the library's conversion makes one THanZen owned by the application object,
// in the slot HanZenObj while it runs, and frees it at the end; kanaconv's converters own
// their engines outright, so that the application object may destroy everything it owns
// (as it does when the library is unloaded) while they live.
TEST_F(FileConvert, ComponentsBelongToTheApplicationOnlyInTheLibrary) {
    WriteAll(Dir / "in", "\xB6\xDE\r\n");
    TestPlatform Watch;
    std::size_t Owned = 0;
    THanZen* InSlot = nullptr;
    Watch.Before = [&](const std::string& Op, std::uint32_t) {
        if (Op == "Read") Owned = Application().ComponentCount(), InSlot = HanZenObj.load();
        return 0u;
    };
    ASSERT_EQ(ConvertFile(Dir / "in", Dir / "out", false, {.Kata = k2byte}).Outcome,
              TOutcome::Converted);
    EXPECT_EQ(Owned, 1u);
    EXPECT_NE(InSlot, nullptr);
    EXPECT_EQ(Application().ComponentCount(), 0u);
    EXPECT_EQ(HanZenObj.load(), nullptr);

    std::vector<std::unique_ptr<TTextConverter>> Converters;
    for (const TEncoding From : {TEncoding::Sjis, TEncoding::Utf8, TEncoding::Auto})
        for (const TEncoding To : {TEncoding::Sjis, TEncoding::Utf8})
            Converters.push_back(TextConverter({.Kata = k2byte}, From, To));
    EXPECT_EQ(Application().ComponentCount(), 0u);
    while (Application().ComponentCount() > 0) delete Application().Components(0);
    for (const auto& C : Converters) {
        std::string Out;
        C->Convert("x", Out);
        EXPECT_EQ(Out, "x");
    }
}
