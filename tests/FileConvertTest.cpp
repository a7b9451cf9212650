// File conversion: the whole road from a source file to its converted destination, and
// what a failure on that road leaves behind.
#include "FileConvert.h"
#include "Files.h"
#include "IOError.h"
#include "Sjis.h"
#include "TestPlatform.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

#include <condition_variable>
#include <thread>

namespace {

const std::string Temp = "$$$$$$$$.~kn";

// The code of the EInOutError that Call raises; 0 when it raises none.
template <class Call>
int CodeOf(Call C) {
    try {
        C();
    } catch (const EInOutError& E) {
        return E.ErrorCode;
    }
    return 0;
}

class FileConvert : public ::testing::Test {
protected:
    TempDir Dir;
    std::string In = Dir / "in.txt", Out = Dir / "out.txt";
};

TEST_F(FileConvert, ConvertsEveryLineAndEndsEachWithCrLf) {
    WriteAll(In, Sjis("ｶﾞｷﾞ\tabc\r\n\r\nｱ\rlast"));
    TConvertOptions O;
    O.Kata = k2byte;
    O.Tab = tbSpace;
    O.SpLen = 2;
    EXPECT_EQ(ConvertFile(In, Out, false, O), 1);
    EXPECT_EQ(Hex(ReadAll(Out)), Hex(Sjis("ガギ  abc\r\n\r\nア\r\nlast\r\n")));
    EXPECT_FALSE(Exists(Dir / Temp));

    WriteAll(In, "");
    WriteAll(Out, "old");
    EXPECT_EQ(ConvertFile(In, Out, false, O), 1);
    EXPECT_EQ(ReadAll(Out), "");
}

TEST_F(FileConvert, LongFileMatchesTheLineConverter) {
    THanZen H(nullptr);
    H.SetKata(k1byte);
    H.SetMark(m1All);
    std::string Source, Expected;
    for (int I = 0; I < 5000; ++I) {
        const std::string Line =
            Sjis("アイウ　ＡＢＣ　") + std::to_string(I) + std::string(I % 300, 'z');
        Source += Line + (I % 3 ? "\r\n" : "\r");
        Expected += H.ConvertLine(Line) + "\r\n";
    }
    WriteAll(In, Source);
    TConvertOptions O;
    O.Kata = k1byte;
    O.Mark = m1All;
    EXPECT_EQ(ConvertFile(In, Out, false, O), 1);
    EXPECT_TRUE(ReadAll(Out) == Expected);
}

TEST_F(FileConvert, SamePathConvertsInPlaceOrIsRefused) {
    WriteAll(In, "abc\r\n");
    TConvertOptions Big;
    Big.ConvSize = cvBig;
    EXPECT_EQ(ConvertFile(In, In, false, Big), 1);
    EXPECT_EQ(ReadAll(In), "ABC\r\n");
    EXPECT_FALSE(Exists(Dir / Temp));

    WriteAll(In, "abc\r\n");
    std::string Shouting = In;
    for (char& C : Shouting) C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
    EXPECT_EQ(ConvertFile(In, Shouting, true, Big), 0); // equal apart from ASCII case
    EXPECT_EQ(ConvertFile(In, In, true, Big), 0);
    EXPECT_EQ(ReadAll(In), "abc\r\n");
    EXPECT_FALSE(Exists(Dir / Temp));
    EXPECT_TRUE(SameIgnoringAsciiCase("dir/ab\x82\x61", "DIR/AB\x82\x41")); // second bytes too
    EXPECT_FALSE(SameIgnoringAsciiCase("\x82\xA0", "\x82\x80"));            // no other folding
}

TEST_F(FileConvert, MissingSourceOrFolderReportsTheRealCode) {
    WriteAll(Out, "old");
    EXPECT_EQ(CodeOf([&] { ConvertFile(Dir / "missing.txt", Out, false, {}); }), 2);
    WriteAll(In, "abc");
    EXPECT_EQ(CodeOf([&] { ConvertFile(In, Dir / "no/out.txt", false, {}); }), 3);
    EXPECT_EQ(ReadAll(Out), "old");
    EXPECT_FALSE(Exists(Dir / Temp));
}

TEST_F(FileConvert, ReadOnlyDestinationFailsAndKeepsItsContent) {
    WriteAll(In, "new\r\n");
    WriteAll(Out, "old");
    chmod(Out.c_str(), 0444);
    EXPECT_EQ(CodeOf([&] { ConvertFile(In, Out, false, {}); }), 5);
    EXPECT_EQ(ReadAll(Out), "old");
    EXPECT_FALSE(Exists(Dir / Temp));
}

TEST_F(FileConvert, TemporaryFileLivesInTheDestinationsFolder) {
    EXPECT_EQ(Platform().TempPathFor("out.txt"), Temp);
    EXPECT_EQ(Platform().TempPathFor("a/b/out.txt"), "a/b/" + Temp);
    EXPECT_EQ(Platform().TempPathFor("/out.txt"), "/" + Temp);

    // A destination without a folder part: the temporary file goes to the current folder.
    WriteAll(In, "abc");
    char Previous[4096];
    ASSERT_TRUE(getcwd(Previous, sizeof Previous));
    ASSERT_EQ(chdir(Dir.Path().c_str()), 0);
    TestPlatform Watch;
    std::string SeenTemp;
    Watch.Before = [&](const std::string& Op, std::uint32_t) -> std::uint32_t {
        if (Op == "Write") SeenTemp = Platform().FileExists(Temp) ? Temp : "";
        return 0;
    };
    const int Result = ConvertFile("in.txt", "out.txt", false, {});
    ASSERT_EQ(chdir(Previous), 0);
    EXPECT_EQ(Result, 1);
    EXPECT_EQ(SeenTemp, Temp);
    EXPECT_EQ(ReadAll(Out), "abc\r\n");
    EXPECT_FALSE(Exists(Dir / Temp));
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
            const int Code = CodeOf([&] { ConvertFile(In, Out, false, {}); });
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
    EXPECT_EQ(CodeOf([&] { ConvertFile(In, Out, false, {}); }), 112);
    const auto Calls = Faults.Calls();
    EXPECT_NE(std::find(Calls.begin(), Calls.end(), "Close"), Calls.end());   // the source
    EXPECT_NE(std::find(Calls.begin(), Calls.end(), "Discard"), Calls.end()); // the temporary
    EXPECT_EQ(HanZenObj.load(), nullptr);
    EXPECT_EQ(Application().ComponentCount(), 0u);
}

TEST_F(FileConvert, TemporaryFileThatVanishesGivesZero) {
    WriteAll(In, std::string(300, 'a')); // long enough to be written before the end
    WriteAll(Out, "old");
    TestPlatform Watch;
    Watch.Before = [&](const std::string& Op, std::uint32_t) -> std::uint32_t {
        if (Op == "Write") unlink((Dir / Temp).c_str());
        return 0;
    };
    EXPECT_EQ(ConvertFile(In, Out, false, {}), 0);
    EXPECT_EQ(ReadAll(Out), "old");
}

// Two conversions into one folder at once: the second cannot take the temporary file
// and fails with 32; the first completes intact.
TEST_F(FileConvert, SecondConversionIntoTheSameFolderFails) {
    WriteAll(In, std::string(1000, 'a'));
    WriteAll(Dir / "in2.txt", "b");
    std::mutex Lock;
    std::condition_variable Changed;
    bool FirstWriting = false, SecondDone = false;
    TestPlatform Watch;
    const auto FirstThread = std::this_thread::get_id();
    Watch.Before = [&](const std::string& Op, std::uint32_t) -> std::uint32_t {
        if (Op != "Write" || std::this_thread::get_id() != FirstThread) return 0;
        std::unique_lock<std::mutex> Guard(Lock);
        FirstWriting = true;
        Changed.notify_all();
        Changed.wait(Guard, [&] { return SecondDone; });
        return 0;
    };
    int SecondCode = -1;
    std::thread Second([&] {
        {
            std::unique_lock<std::mutex> Guard(Lock);
            Changed.wait(Guard, [&] { return FirstWriting; });
        }
        SecondCode = CodeOf([&] { ConvertFile(Dir / "in2.txt", Dir / "out2.txt", false, {}); });
        std::lock_guard<std::mutex> Guard(Lock);
        SecondDone = true;
        Changed.notify_all();
    });
    EXPECT_EQ(ConvertFile(In, Out, false, {}), 1);
    Second.join();
    EXPECT_EQ(SecondCode, 32);
    EXPECT_EQ(ReadAll(Out), std::string(1000, 'a') + "\r\n");
    EXPECT_FALSE(Exists(Dir / "out2.txt"));
    EXPECT_FALSE(Exists(Dir / Temp));
}

} // namespace
