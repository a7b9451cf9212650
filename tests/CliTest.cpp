// kanaconv from the outside: what a user types, what lands on disk, what it says, how it
// ends.
#include "Files.h"
#include "Sjis.h"
#include "kana.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <iostream>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

namespace {

struct TRun {
    int Status; // the exit status; 128 + N after signal N; -1 when it did not end
    std::string Out, Err;
};

// Starts kanaconv with Args in Dir under the locale (or, when it holds a '=', the
// environment of assignments it lists, separated by spaces), standard input from Input (a
// file name; empty: nothing), output and errors to files; -1 when it cannot start.
pid_t Start(const TempDir& Dir, std::vector<std::string> Args, const std::string& Input = "",
            const std::string& Locale = "C.UTF-8", int InputFd = -1) {
    posix_spawn_file_actions_t Files;
    posix_spawn_file_actions_init(&Files);
    if (InputFd >= 0)
        posix_spawn_file_actions_adddup2(&Files, InputFd, 0);
    else
        posix_spawn_file_actions_addopen(&Files, 0, (Input.empty() ? NullDevice : Input).c_str(),
                                         O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&Files, 1, (Dir / ".stdout").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&Files, 2, (Dir / ".stderr").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Args.insert(Args.begin(), KANACONV);
    std::vector<char*> Argv;
    for (std::string& A : Args) Argv.push_back(A.data());
    Argv.push_back(nullptr);
    posix_spawn_file_actions_addchdir_np(&Files, Dir.Path().c_str()); // relative names are its
    std::vector<std::string> Assignments;
    std::istringstream Words(Locale.find('=') == std::string::npos ? "LC_ALL=" + Locale : Locale);
    for (std::string W; Words >> W;) Assignments.push_back(W);
    // The engine level ctest forces for the whole suite.
    if (const char* Level = std::getenv("KANA_ENGINE_LEVEL"))
        Assignments.push_back(std::string("KANA_ENGINE_LEVEL=") + Level);
    std::vector<char*> Env;
    for (std::string& A : Assignments) Env.push_back(A.data());
    Env.push_back(nullptr);
    pid_t Pid;
    const int Spawned = posix_spawn(&Pid, KANACONV, &Files, nullptr, Argv.data(), Env.data());
    posix_spawn_file_actions_destroy(&Files);
    return Spawned == 0 ? Pid : -1;
}

// Waits for kanaconv to end, or kills it after a minute: a kanaconv that loops must fail
// its test, not fill the disk.
TRun Finish(const TempDir& Dir, pid_t Pid) {
    if (Pid < 0) return {-1, "", "spawn failed"};
    int Status = 0;
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (waitpid(Pid, &Status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > Deadline) {
            kill(Pid, SIGKILL);
            waitpid(Pid, &Status, 0);
            return {-1, "", "kanaconv did not end within a minute"};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return {WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status),
            ReadAll(Dir / ".stdout"), ReadAll(Dir / ".stderr")};
}

TRun Kanaconv(const TempDir& Dir, std::vector<std::string> Args, const std::string& Input = "",
              const std::string& Locale = "C.UTF-8") {
    return Finish(Dir, Start(Dir, std::move(Args), Input, Locale));
}

// The names of the folder's temporary files.
std::vector<std::string> Temporaries(const TempDir& Dir) {
    std::vector<std::string> Names;
    for (const auto& E : std::filesystem::directory_iterator(Dir.Path()))
        if (E.path().filename().string().starts_with(".kanaconv-")) Names.push_back(E.path());
    return Names;
}

// What -v says after its first line, which names the engine's vector level: the one
// KANA_ENGINE_LEVEL forces, when set.
std::string AfterLevel(const std::string& Err) {
    std::string Level = "kanaconv: engine level ";
    if (const char* Forced = std::getenv("KANA_ENGINE_LEVEL")) Level += Forced + std::string("\n");
    EXPECT_EQ(Err.substr(0, Level.size()), Level);
    return Err.substr(std::min(Err.size(), Err.find('\n') + 1));
}

TEST(Kanaconv, ConvertsUtf8AndShiftJisAsRead) {
    TempDir Dir;
    // The example a user types first: UTF-8 with LF line ends, in place.
    WriteAll(Dir / "notes.txt", "データ ｶﾞｰﾙ 100°\n２行目\n");
    TRun R = Kanaconv(Dir, {"--kata=2byte", "--mark=1all", "-v", "notes.txt", "notes.txt"});
    EXPECT_EQ(R.Status, 0) << R.Err;
    EXPECT_EQ(ReadAll(Dir / "notes.txt"), "データ ガール 100°\n2行目\n");
    EXPECT_EQ(AfterLevel(R.Err), "kanaconv: notes.txt: read as UTF-8\n");
    // Shift-JIS stays Shift-JIS; -v says so.
    WriteAll(Dir / "sjis.txt", Sjis("ﾃﾞｰﾀ°\r\n"));
    R = Kanaconv(Dir, {"--kata=2byte", "--mark=1all", "-v", "sjis.txt", "-"});
    EXPECT_EQ(Hex(R.Out), Hex(Sjis("データ°\r\n")));
    EXPECT_EQ(AfterLevel(R.Err), "kanaconv: sjis.txt: read as Shift-JIS\n");
    // Standard input to standard output, either spelled or left out.
    R = Kanaconv(Dir, {"--kata=1byte", "-"}, Dir / "notes.txt");
    EXPECT_EQ(R.Out, "ﾃﾞｰﾀ ｶﾞｰﾙ 100°\n2行目\n");
    R = Kanaconv(Dir, {"--kata=1byte", "--to=sjis"}, Dir / "notes.txt");
    EXPECT_EQ(Hex(R.Out), Hex(Sjis("ﾃﾞｰﾀ ｶﾞｰﾙ 100°\n2行目\n")));
    // Emoji and bytes that are no UTF-8 come out as they went in.
    WriteAll(Dir / "odd.txt", "ｱ😀ﾞ\xFF\xE3ｶﾞ\n");
    EXPECT_EQ(Hex(Kanaconv(Dir, {"--from=utf-8", "--kata=2byte", "odd.txt"}).Out),
              Hex("ア😀゛\xFF\xE3ガ\n"));
    WriteAll(Dir / "in", "a\r\nb\rc\n");
    EXPECT_EQ(Kanaconv(Dir, {"--newline=lf", "in"}).Out, "a\nb\nc\n");
}

// kanaconv --classic writes the bytes that the library's KanaConvert writes, with every
// value of every option.
TEST(Kanaconv, ClassicWritesWhatTheLibraryWrites) {
    TempDir Dir;
    WriteAll(Dir / "in", Sjis("ｶﾞｰﾙ°　ＡＢ\tがっこう\nｱ\r\n漢字\r") + "\x82" + "\x1A" + "rest");
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::uint32_t>>> Sets = {
        {{}, {0, 0, 0, 0, 0, 0, 0, 0}},
        {{"--kata=2byte", "--space=2byte", "--tab=3"}, {0, 2, 1, 3, 2, 0, 0, 0}},
        {{"--kata=1byte", "--mark=1all", "--conv-size=big"}, {2, 0, 0, 0, 1, 0, 0, 1}},
        {{"--kata=hira", "--to-hira=2only", "--hira=1kata"}, {0, 0, 0, 0, 3, 2, 1, 0}},
        {{"--kata=2byte", "--mark=2all", "--space=1byte", "--conv-size=small", "--tab=2",
          "--hira=2kata"},
         {1, 1, 1, 2, 2, 0, 2, 2}},
        {{"--kata=hira", "--to-hira=1only", "--tab=none"}, {0, 0, 0, 0, 3, 1, 0, 0}},
    };
    for (const auto& [Args, V] : Sets) {
        std::vector<std::string> Line = Args;
        Line.insert(Line.end(), {"--classic", "in", "tool"});
        EXPECT_EQ(Kanaconv(Dir, Line).Status, 0);
        ASSERT_EQ(KanaConvert((Dir / "in").c_str(), (Dir / "library").c_str(), 0, V[0], V[1], V[2],
                              static_cast<std::int32_t>(V[3]), V[4], V[5], V[6], V[7]),
                  1);
        EXPECT_EQ(Hex(ReadAll(Dir / "tool")), Hex(ReadAll(Dir / "library")));
    }
}

// Failures name the file and what was being done, in English, or in Japanese under a
// Japanese locale; never as question marks. The destination stays as it was.
TEST(Kanaconv, FailuresTellWhatAndWhere) {
    TempDir Dir;
    WriteAll(Dir / "in", "a\nb😀c\n");
    WriteAll(Dir / "out", "old");
    std::filesystem::create_symlink("loop", Dir / "loop");
    const struct {
        std::vector<std::string> Args;
        const char* Locale;
        std::string Said;
    } Cases[] = {
        {{"missing", "out"}, "C", "kanaconv: cannot open missing: no such file\n"},
        {{"in", "n/out"}, "C", "kanaconv: cannot create the temporary file in n: no such folder\n"},
        {{"in", "loop"}, "C", "kanaconv: cannot write loop: too many symbolic links\n"},
        {{"--to=sjis", "in", "out"},
         "C",
         "kanaconv: in, line 2, column 2: the character F0 9F 98 80 has no Shift-JIS form; "
         "nothing converted\n"},
        {{"missing", "out"}, "ja_JP.UTF-8", "kanaconv: missing を開けません: ファイルがありません\n"},
        {{"--to=sjis", "in", "out"},
         "ja_JP.UTF-8",
         "kanaconv: in の 2 行 2 文字目 (F0 9F 98 80) "
         "はシフトJISにない文字です。変換しませんでした\n"},
    };
    for (const auto& C : Cases) {
        const TRun R = Kanaconv(Dir, C.Args, "", C.Locale);
        EXPECT_EQ(R.Status, 1);
        EXPECT_EQ(R.Err, C.Said);
        EXPECT_EQ(ReadAll(Dir / "out"), "old");
        EXPECT_EQ(Temporaries(Dir), std::vector<std::string>{});
    }
    const TRun Usage = Kanaconv(Dir, {"--kata=3byte", "in"});
    EXPECT_EQ(Usage.Status, 2);
    EXPECT_NE(Usage.Err.find("invalid value '3byte' for --kata"), std::string::npos);
    for (std::vector<std::string> Bad : {std::vector<std::string>{"--tab=four"},
                                         {"--bogus"},
                                         {"a", "b", "c"},
                                         {""},
                                         {"-i"},
                                         {"-i", "-"},
                                         {"--classic", "--newline=lf"},
                                         {"-j", "0", "-i", "a"}})
        EXPECT_EQ(Kanaconv(Dir, Bad).Status, 2) << Bad[0];
    EXPECT_NE(Kanaconv(Dir, {"--help"}).Out.find("Usage: kanaconv"), std::string::npos);
}

// --check-same refuses one file under two names, never two files.
TEST(Kanaconv, CheckSameMeansTheSameFile) {
    TempDir Dir;
    WriteAll(Dir / "Same.txt", "a\n");
    WriteAll(Dir / "same.txt", "b\n");
    std::filesystem::create_symlink("Same.txt", Dir / "link");
    for (const char* Other : {"./Same.txt", "link"})
        EXPECT_EQ(Kanaconv(Dir, {"--check-same", "Same.txt", Other}).Status, 3) << Other;
    EXPECT_EQ(Kanaconv(Dir, {"--check-same", "--conv-size=big", "Same.txt", "same.txt"}).Status, 0);
    EXPECT_EQ(ReadAll(Dir / "same.txt"), "A\n");
    EXPECT_EQ(Kanaconv(Dir, {"--check-same", "-", "-"}).Status, 0);
}

// Many files in place, several at once: each on its own, a failure reported on its own
// line in the order of the files, the others converted; the same files at any -j.
TEST(Kanaconv, ManyFilesInPlace) {
    TempDir Dir;
    std::vector<std::string> Args = {"--kata=2byte", "-i"};
    for (int I = 0; I < 12; ++I) Args.push_back(I == 5 ? "missing" : "f" + std::to_string(I));
    Args.push_back(".");
    for (const char* Jobs : {"-j1", "-j4"}) {
        for (int I = 0; I < 12; ++I) WriteAll(Dir / ("f" + std::to_string(I)), "ｶﾞ\n");
        std::vector<std::string> Line = Args;
        Line.push_back(Jobs);
        const TRun R = Kanaconv(Dir, Line);
        EXPECT_EQ(R.Status, 1);
        EXPECT_EQ(R.Err, "kanaconv: cannot open missing: no such file\n"
                         "kanaconv: cannot open .: it is a directory\n");
        for (int I = 0; I < 12; ++I) {
            if (I == 5) continue;
            EXPECT_EQ(ReadAll(Dir / ("f" + std::to_string(I))), "ガ\n") << Jobs << I;
        }
    }
}

// --backup keeps each file that kanaconv replaces as its name and the suffix: in place, and
// an existing DEST, as cp -b does; an older backup gives way, a backup that is a second
// name of the file already stays, a new DEST has nothing to keep. A backup that would
// take the source's place is refused; an empty suffix is a usage error.
TEST(Kanaconv, BackupKeepsTheFileReplaced) {
    TempDir Dir;
    const std::string Old = "ｶﾞｰﾙ\n", New = "ガール\n";
    const auto Convert = [&](std::vector<std::string> Args) {
        Args.insert(Args.begin(), "--kata=2byte");
        const TRun R = Kanaconv(Dir, Args);
        EXPECT_EQ(R.Err, "");
        return R.Status;
    };
    WriteAll(Dir / "a", Old);
    WriteAll(Dir / "b", Old);
    WriteAll(Dir / "a~", "an older backup");
    EXPECT_EQ(Convert({"-i", "--backup", "a", "b"}), 0);
    for (const char* File : {"a", "b"}) {
        EXPECT_EQ(ReadAll(Dir / File), New) << File;
        EXPECT_EQ(ReadAll(Dir / (File + std::string("~"))), Old) << File;
    }
    WriteAll(Dir / "a", Old);
    ASSERT_EQ(link((Dir / "a").c_str(), (Dir / "a.bak").c_str()), 0);
    EXPECT_EQ(Convert({"--backup=.bak", "a", "a"}), 0);
    EXPECT_EQ(ReadAll(Dir / "a") + ReadAll(Dir / "a.bak"), New + Old);
    WriteAll(Dir / "src", Old);
    EXPECT_EQ(Convert({"--backup=.orig", "src", "b"}), 0);
    EXPECT_EQ(ReadAll(Dir / "b") + ReadAll(Dir / "b.orig"), New + New);
    EXPECT_EQ(Convert({"--backup", "src", "new"}), 0);
    EXPECT_EQ(ReadAll(Dir / "new"), New);
    const std::set<std::string> Files = {".stdout", ".stderr", "a",      "a~",  "a.bak",
                                         "b",       "b~",      "b.orig", "src", "new"};
    EXPECT_EQ(Entries(Dir.Path()), Files);

    WriteAll(Dir / "b~", Old);
    const TRun Refused = Kanaconv(Dir, {"--kata=2byte", "--backup", "b~", "b"});
    EXPECT_EQ(Refused.Status, 1);
    EXPECT_EQ(Refused.Err, "kanaconv: cannot back up b as b~: that is the source\n");
    EXPECT_EQ(ReadAll(Dir / "b") + ReadAll(Dir / "b~"), New + Old);
    for (const char* Suffix : {"--backup=", "--backup=x/y"})
        EXPECT_EQ(Kanaconv(Dir, {Suffix, "-i", "a"}).Status, 2) << Suffix;
    EXPECT_EQ(Entries(Dir.Path()), Files);
}

// A file that another program reads (under a shared lock) is read alongside it, but not
// converted in place under it.
TEST(Kanaconv, ReadersShareAFile) {
    TempDir Dir;
    WriteAll(Dir / "in", "ｶ\n");
    const int Reader = open((Dir / "in").c_str(), O_RDONLY);
    ASSERT_EQ(flock(Reader, LOCK_SH), 0);
    const TRun Read = Kanaconv(Dir, {"--kata=2byte", "in", "out"});
    EXPECT_EQ(Read.Status, 0) << Read.Err;
    const TRun InPlace = Kanaconv(Dir, {"--kata=2byte", "-i", "in"});
    close(Reader);
    EXPECT_EQ(InPlace.Status, 1);
    EXPECT_EQ(InPlace.Err, "kanaconv: cannot open in: in use by another conversion\n");
    EXPECT_EQ(ReadAll(Dir / "in") + ReadAll(Dir / "out"), "ｶ\nカ\n");
}

// SIGINT, SIGTERM and SIGHUP end kanaconv with 128 + the signal and its temporary file
// removed; no progress line on a pipe; one where it is asked for.
TEST(Kanaconv, SignalsRemoveTheTemporaryFile) {
    TempDir Dir;
    const std::string Fifo = Dir / "fifo";
    ASSERT_EQ(mkfifo(Fifo.c_str(), 0600), 0);
    WriteAll(Dir / "out", "old");
    for (const int Signal : {SIGINT, SIGTERM, SIGHUP}) {
        const int Writer = open(Fifo.c_str(), O_RDWR); // input that never ends
        const pid_t Pid = Start(Dir, {"--progress", "fifo", "out"});
        ASSERT_EQ(write(Writer, "abc\n", 4), 4);
        for (int Wait = 0; Temporaries(Dir).empty() && Wait < 5000; ++Wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(Temporaries(Dir).size(), 1u);
        if (Signal == SIGINT) // past the first second: the progress line shows
            std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        kill(Pid, Signal);
        const TRun R = Finish(Dir, Pid);
        close(Writer);
        EXPECT_EQ(R.Status, 128 + Signal);
        EXPECT_EQ(Temporaries(Dir), std::vector<std::string>{});
        EXPECT_EQ(ReadAll(Dir / "out"), "old");
        EXPECT_EQ(R.Err.starts_with("kanaconv: 0.0 MB, "), Signal == SIGINT) << R.Err;
    }
    WriteAll(Dir / "in", std::string(1 << 20, 'a'));
    EXPECT_EQ(Kanaconv(Dir, {"in", "out"}).Err, ""); // standard error is a file here
}

// A conversion killed (SIGKILL) at random moments while it replaces a destination, in
// kanaconv and in a host calling KanaConvert: the destination is always the whole old
// file or the whole new one.
TEST(Kanaconv, KilledAnywhereLeavesTheOldOrTheNewFile) {
    TempDir Dir;
    std::string Text;
    while (Text.size() < (6u << 20)) Text += Sjis("ｶﾞｷﾞｸﾞ 漢字とひらがな ABC\r\n");
    WriteAll(Dir / "in", Text);
    const std::string In = Dir / "in", Out = Dir / "out";
    const auto Host = [&] {
        const pid_t Child = fork();
        if (Child == 0) _exit(KanaConvert(In.c_str(), Out.c_str(), 0, 0, 0, 0, 0, 2, 0, 0, 0));
        return Child;
    };
    const auto Tool = [&] { return Start(Dir, {"--classic", "--kata=2byte", "in", "out"}); };
    ASSERT_EQ(Kanaconv(Dir, {"--classic", "--kata=2byte", "in", "new"}).Status, 0);
    const std::string Old = "the old content\r\n", New = ReadAll(Dir / "new");
    std::mt19937 Random(42);
    for (const auto& Converter : {std::function<pid_t()>(Tool), std::function<pid_t()>(Host)}) {
        // Kills fall anywhere in a clean run's time, and a little after it.
        const auto Begin = std::chrono::steady_clock::now();
        waitpid(Converter(), nullptr, 0);
        const auto Took = std::chrono::duration_cast<std::chrono::microseconds>(
                              std::chrono::steady_clock::now() - Begin).count();
        WriteAll(Out, Old);
        int Olds = 0, News = 0;
        for (int Round = 0; Round < 20; ++Round) {
            const pid_t Pid = Converter();
            ASSERT_GT(Pid, 0);
            std::this_thread::sleep_for(std::chrono::microseconds(Random() % (Took * 5 / 4)));
            kill(Pid, SIGKILL);
            waitpid(Pid, nullptr, 0);
            const std::string Now = ReadAll(Out);
            ASSERT_TRUE(Now == Old || Now == New) << "round " << Round << ": " << Now.size();
            if (Now == New) {
                ++News;
                WriteAll(Out, Old);
            } else {
                ++Olds;
            }
        }
        EXPECT_GT(Olds, 0);
        std::cout << "killed runs that had replaced the file: " << News << " of 20\n";
    }
}

// The text after the first two lines: a diff without its headers.
std::string Hunks(const std::string& Diff) {
    std::size_t At = 0;
    for (int Line = 0; Line < 2 && At != std::string::npos; ++Line)
        if ((At = Diff.find('\n', At)) != std::string::npos) ++At;
    return At == std::string::npos ? std::string() : Diff.substr(At);
}

// --check converts nothing and lists the files that converting would change: exactly
// those whose conversion (by kanaconv itself) differs from them, for every kind of change
// the options and the encodings make, a change at the end of a long line among them.
TEST(Kanaconv, CheckListsWhatConvertingWouldChange) {
    TempDir Dir;
    const std::vector<std::pair<std::string, std::string>> Inputs = {
        {"ascii", "plain text\n"},
        {"kana", "データ ｶﾞｰﾙ\n"},
        {"sjis", Sjis("ﾃﾞｰﾀ\r\n漢字\r\n")},
        {"tabs", "a\tb\n"},
        {"crlf", "a\r\nb\r\n"},
        {"open", "a\nb"},
        {"eof", Sjis("ab\r\n") + "\x1A" + "rest"},
        {"bom", "\xEF\xBB\xBF"
                "abc\n"},
        {"empty", ""},
        {"long", std::string(1 << 20, 'a') + "ｱ"},
    };
    const std::vector<std::vector<std::string>> OptionSets = {
        {"--kata=2byte"}, {"--tab=2"},     {"--newline=crlf"},
        {"--newline=lf"}, {"--classic"},   {"--to=sjis"},
        {"--to=utf-8"},   {"--mark=2all"}, {}};
    for (const auto& Options : OptionSets) {
        std::vector<std::string> Check = Options;
        Check.insert(Check.end(), {"--check", "-i"});
        std::string Changed;
        bool Refused = false; // --classic refuses UTF-8 text (exit 2), checked or not
        for (const auto& [Name, Bytes] : Inputs) {
            WriteAll(Dir / Name, Bytes);
            std::vector<std::string> Convert = Options;
            Convert.insert(Convert.end(), {Name, "converted"});
            const int Status = Kanaconv(Dir, Convert).Status;
            Check.push_back(Name);
            if (Status == 2 && Options == std::vector<std::string>{"--classic"}) {
                Refused = true;
                continue;
            }
            ASSERT_EQ(Status, 0) << Name;
            if (ReadAll(Dir / "converted") != Bytes) Changed += Name + "\n";
        }
        const TRun R = Kanaconv(Dir, Check);
        EXPECT_EQ(R.Out, Changed) << Options.size();
        EXPECT_EQ(R.Status, Refused ? 2 : Changed.empty() ? 0 : 1);
        EXPECT_EQ(R.Err.empty(), !Refused) << R.Err;
        for (const auto& [Name, Bytes] : Inputs) EXPECT_EQ(ReadAll(Dir / Name), Bytes) << Name;
        EXPECT_EQ(Temporaries(Dir), std::vector<std::string>{});
    }
    // Standard input is "-"; a failure is reported, the other files still checked.
    TRun R = Kanaconv(Dir, {"--check", "--kata=2byte"}, Dir / "kana");
    EXPECT_EQ(R.Out, "-\n");
    EXPECT_EQ(R.Status, 1);
    R = Kanaconv(Dir, {"--check", "--kata=2byte", "-"}, Dir / "ascii");
    EXPECT_EQ(R.Out, "");
    EXPECT_EQ(R.Status, 0);
    R = Kanaconv(Dir, {"--check", "--kata=2byte", "-j2", "-i", "missing", "kana", "ascii", "long"});
    EXPECT_EQ(R.Out, "kana\nlong\n");
    EXPECT_EQ(R.Err, "kanaconv: cannot open missing: no such file\n");
    EXPECT_EQ(R.Status, 1);
    for (const char* Option : {"--check", "--diff"})
        EXPECT_EQ(Kanaconv(Dir, {Option, "kana", "out"}).Status, 2) << Option;
}

// --check compares as it converts: it stops at the first difference, without waiting for
// the end of the input, and holds no more of an unchanged input than a block or two,
// however long it is (line by line or in pieces of many lines).
TEST(Kanaconv, CheckStopsEarlyAndHoldsLittle) {
    TempDir Dir;
    // Random bytes that never end: read as Shift-JIS, their half-width katakana widen;
    // under --classic a 0x1A may end the input first, and the bytes from it on are lost.
    // (The few bytes before an early 0x1A may judge as UTF-8, which --classic refuses:
    // there the encoding is named.)
    for (const auto& Rule : {std::vector<std::string>{"--newline=keep"},
                             std::vector<std::string>{"--classic", "--from=sjis"}}) {
        std::vector<std::string> Args{"--check", "--kata=2byte", "/dev/urandom"};
        Args.insert(Args.begin() + 2, Rule.begin(), Rule.end());
        const TRun R = Kanaconv(Dir, Args);
        EXPECT_EQ(R.Status, 1) << R.Err;
        EXPECT_EQ(R.Out, "/dev/urandom\n");
    }
    const std::string Fifo = Dir / "fifo";
    ASSERT_EQ(mkfifo(Fifo.c_str(), 0600), 0);
    // The peak memory of a check of Size unchanged bytes, in KiB.
    const auto PeakKiB = [&](std::size_t Size, const std::string& Rule) {
        const pid_t Pid = Start(Dir, {"--check", "--kata=2byte", Rule, "fifo"});
        std::thread Feed([&] {
            const int Writer = open(Fifo.c_str(), O_WRONLY);
            const std::string Lines = [] {
                std::string L;
                while (L.size() < (1u << 16)) L += "a line that stays as it is\n";
                return L;
            }();
            for (std::size_t Done = 0; Done < Size; Done += Lines.size())
                if (write(Writer, Lines.data(), Lines.size()) != static_cast<ssize_t>(Lines.size()))
                    break;
            close(Writer);
        });
        int Status = 0;
        rusage Use{};
        const bool Ended = wait4(Pid, &Status, 0, &Use) == Pid;
        Feed.join();
        EXPECT_TRUE(Ended && WIFEXITED(Status) && WEXITSTATUS(Status) == 0);
        return Use.ru_maxrss;
    };
    for (const std::string Rule : {"--newline=keep", "--newline=lf"}) {
        const long Small = PeakKiB(1 << 20, Rule), Large = PeakKiB(128u << 20, Rule);
        EXPECT_LT(Large, Small + 32 * 1024) << Rule << ": " << Small << " KiB, then " << Large;
    }
}

// --diff shows what converting would change as diff -u shows the file and its conversion,
// both in the terminal's character set whatever the file's: UTF-8 under C.UTF-8,
// Shift-JIS (code page 932, backslashes kept) under ja_JP.SJIS.
TEST(Kanaconv, DiffShowsTheChangeInTheTerminalsCharacterSet) {
    TempDir Dir;
    std::string Text;
    for (int I = 0; I < 60; ++I)
        Text += (I % 9 == 4 ? "ｶﾞｰﾙ " : "行 ") + std::to_string(I) +
                (I % 13 == 0 ? "\tC:\\ﾀﾌﾞ~" : "") + "\n";
    Text += "最後の行 ｱ"; // without a line end
    const std::vector<std::string> Options = {"--kata=2byte", "--tab=2"};
    for (const bool FileInSjis : {false, true}) {
        WriteAll(Dir / "in.txt", FileInSjis ? Sjis(Text) : Text);
        std::vector<std::string> Convert = Options;
        Convert.insert(Convert.end(), {"in.txt", "converted"});
        ASSERT_EQ(Kanaconv(Dir, Convert).Status, 0);
        for (const auto& [Locale, Charset] :
             {std::pair{"C.UTF-8", "UTF-8"}, {"ja_JP.SJIS", "CP932"}}) {
            const char* FileCharset = FileInSjis ? "CP932" : "UTF-8";
            WriteAll(Dir / "old", Recode(ReadAll(Dir / "in.txt"), FileCharset, Charset));
            WriteAll(Dir / "new", Recode(ReadAll(Dir / "converted"), FileCharset, Charset));
            FILE* Diff = popen(
                ("cd '" + Dir.Path().string() + "' && LC_ALL=C diff -u old new").c_str(), "r");
            ASSERT_NE(Diff, nullptr);
            std::string Expected;
            char Buffer[4096];
            for (std::size_t N; (N = std::fread(Buffer, 1, sizeof Buffer, Diff)) > 0;)
                Expected.append(Buffer, N);
            pclose(Diff);
            std::vector<std::string> Args = Options;
            Args.push_back("--diff");
            TRun R = Kanaconv(Dir, Args, Dir / "in.txt", Locale);
            EXPECT_EQ(R.Status, 1) << R.Err;
            EXPECT_EQ(Hex(R.Out), Hex("--- -\n+++ -\n" + Hunks(Expected))) << Locale << FileInSjis;
            Args.push_back("in.txt");
            R = Kanaconv(Dir, Args, "", Locale);
            EXPECT_EQ(R.Out, "--- in.txt\n+++ in.txt\n" + Hunks(Expected)) << Locale << FileInSjis;
            EXPECT_EQ(ReadAll(Dir / "in.txt"), FileInSjis ? Sjis(Text) : Text);
        }
    }
    const TRun Same = Kanaconv(Dir, {"--diff", "--mark=1all", "in.txt"});
    EXPECT_EQ(Same.Status, 0);
    EXPECT_EQ(Same.Out, "");
}

// --from and --to take the usual names of the two encodings in any letter case.
TEST(Kanaconv, EncodingNamesInAnyLetterCase) {
    TempDir Dir;
    const std::string Text = "ｶﾞ 漢字 C:\\\n";
    WriteAll(Dir / "utf8", Text);
    WriteAll(Dir / "sjis", Sjis(Text));
    for (const std::string Name :
         {"sjis", "SJIS", "shift_jis", "Shift_JIS", "shift-jis", "SHIFT-JIS", "cp932", "CP932",
          "windows-31j", "Windows-31J", "ms932", "MS932"}) {
        EXPECT_EQ(Hex(Kanaconv(Dir, {"--to=" + Name, "utf8"}).Out), Hex(Sjis(Text))) << Name;
        EXPECT_EQ(Kanaconv(Dir, {"--from=" + Name, "--to=utf-8", "sjis"}).Out, Text) << Name;
    }
    for (const std::string Name : {"utf-8", "UTF-8", "utf8", "Utf8", "UTF8"}) {
        EXPECT_EQ(Kanaconv(Dir, {"--to=" + Name, "sjis"}).Out, Text) << Name;
        // Read as UTF-8 even though the text is no UTF-8: every byte passes through.
        EXPECT_EQ(Hex(Kanaconv(Dir, {"--from=" + Name, "--kata=2byte", "sjis"}).Out),
                  Hex(Sjis(Text)))
            << Name;
    }
    EXPECT_EQ(Kanaconv(Dir, {"--from=AUTO", "--to=Same", "utf8"}).Out, Text);
    for (const std::string Name :
         {"utf-16", "utf_8", "shiftjis", "sjis ", "cp-932", "932", "same"}) {
        const TRun R = Kanaconv(Dir, {"--from=" + Name, "utf8"});
        EXPECT_EQ(R.Status, 2) << Name;
        EXPECT_NE(R.Err.find("windows-31j"), std::string::npos) << R.Err; // the names it takes
    }
}

// Every message, usage errors and help included, is English, or Japanese where the locale
// is Japanese and its character set shows Japanese: kanaconv's own words, full-width
// katakana, the cause named, in the terminal's character set.
TEST(Kanaconv, MessagesNameTheCauseInTheUsersLanguage) {
    TempDir Dir;
    WriteAll(Dir / "in", "a\n");
    std::filesystem::create_directory(Dir / "folder");
    const struct {
        std::vector<std::string> Args;
        int Status;
        std::string English, Japanese;
    } Cases[] = {
        {{"in", "/dev/full"},
         1,
         "kanaconv: cannot write /dev/full: the disk is full\n",
         "kanaconv: /dev/full に書き込めません: ディスクがいっぱいです\n"},
        {{"in", "n/out"},
         1,
         "kanaconv: cannot create the temporary file in n: no such folder\n",
         "kanaconv: n に一時ファイルを作成できません: フォルダーがありません\n"},
        {{"folder", "out"},
         1,
         "kanaconv: cannot open folder: it is a directory\n",
         "kanaconv: folder を開けません: フォルダーです\n"},
        {{"in", "folder"},
         1,
         "kanaconv: cannot replace folder: it is a directory\n",
         "kanaconv: folder を置き換えられません: フォルダーです\n"},
        {{"-"},
         1,
         "kanaconv: cannot read standard input: it is a directory\n",
         "kanaconv: 標準入力を読めません: フォルダーです\n"},
        {{"--kata=3byte"},
         2,
         "kanaconv: invalid value '3byte' for --kata (valid: none, 1byte, 2byte, hira)\n"
         "Try 'kanaconv --help' for more information.\n",
         "kanaconv: --kata の値 '3byte' は使えません (使える値: none, 1byte, 2byte, hira)\n"
         "詳しくは 'kanaconv --help' を実行してください。\n"},
        {{"-j", "2", "in"},
         2,
         "kanaconv: -j works only with -i, which converts many files\n"
         "Try 'kanaconv --help' for more information.\n",
         "kanaconv: -j は、複数のファイルを変換する -i と一緒にしか使えません\n"
         "詳しくは 'kanaconv --help' を実行してください。\n"},
    };
    for (const auto& C : Cases) {
        const std::string Input = C.Args[0] == "-" ? Dir / "folder" : "";
        TRun R = Kanaconv(Dir, C.Args, Input, "C");
        EXPECT_EQ(R.Status, C.Status);
        EXPECT_EQ(R.Err, C.English);
        EXPECT_EQ(Kanaconv(Dir, C.Args, Input, "LC_MESSAGES=ja_JP.UTF-8 LC_CTYPE=C").Err,
                  C.English);
        EXPECT_EQ(Kanaconv(Dir, C.Args, Input, "ja_JP.UTF-8").Err, C.Japanese);
        EXPECT_EQ(Hex(Kanaconv(Dir, C.Args, Input, "ja_JP.SJIS").Err), Hex(Sjis(C.Japanese)));
    }
    // Help: -h as --help; the Japanese help lists every option the English one lists.
    const auto Options = [](const std::string& Help) {
        std::set<std::string> Found;
        const std::regex Option("(^|[ ,(|])(--[a-z-]+|-[a-z])\\b");
        for (auto It = std::sregex_iterator(Help.begin(), Help.end(), Option);
             It != std::sregex_iterator(); ++It)
            Found.insert((*It)[2]);
        return Found;
    };
    const TRun English = Kanaconv(Dir, {"-h"}, "", "C"),
               Japanese = Kanaconv(Dir, {"-h"}, "", "ja_JP.UTF-8");
    EXPECT_EQ(English.Status, 0);
    EXPECT_EQ(English.Out, Kanaconv(Dir, {"--help"}, "", "C").Out);
    EXPECT_TRUE(Japanese.Out.starts_with("使い方: kanaconv")) << Japanese.Out;
    EXPECT_EQ(Options(Japanese.Out), Options(English.Out));
    EXPECT_GT(Options(English.Out).size(), 20u);
    EXPECT_EQ(Hex(Kanaconv(Dir, {"--help"}, "", "ja_JP.SJIS").Out), Hex(Sjis(Japanese.Out)));
    EXPECT_EQ(Kanaconv(Dir, {"--help"}, "", "LC_MESSAGES=ja_JP.UTF-8 LC_CTYPE=C").Out, English.Out);
    // The progress line, shown after a second.
    const std::string Fifo = Dir / "fifo";
    ASSERT_EQ(mkfifo(Fifo.c_str(), 0600), 0);
    const int Writer = open(Fifo.c_str(), O_RDWR | O_CLOEXEC);
    const pid_t Pid = Start(Dir, {"--progress", "fifo", "out"}, "", "ja_JP.UTF-8");
    std::this_thread::sleep_for(std::chrono::milliseconds(1300));
    close(Writer);
    const TRun Progress = Finish(Dir, Pid);
    EXPECT_TRUE(Progress.Err.starts_with("kanaconv: 0.0 MB、0.0 MB/秒")) << Progress.Err;
    // No half-width katakana (U+FF61..U+FF9F, EF BD A1..EF BE 9F) in any of it.
    for (const std::string& Said : {Japanese.Out, Progress.Err})
        EXPECT_FALSE(std::regex_search(Said, std::regex("\xEF(\xBD[\xA1-\xBF]|\xBE[\x80-\x9F])")));
    for (const auto& C : Cases)
        EXPECT_FALSE(
            std::regex_search(C.Japanese, std::regex("\xEF(\xBD[\xA1-\xBF]|\xBE[\x80-\x9F])")));
}

// A character Shift-JIS lacks stops --to=sjis: a file destination is left as it was and
// nothing was converted; a stream keeps the lines before it, and the message says how many
// bytes it got.
TEST(Kanaconv, StoppedConversionSaysWhatTheStreamGot) {
    TempDir Dir;
    std::string Text = "\xEF\xBB\xBF";
    for (int I = 1; I <= 25; ++I) Text += "行 " + std::to_string(I) + " ｶﾞ\n";
    WriteAll(Dir / "in", Text + "x😀\n");
    WriteAll(Dir / "out", "old");
    const std::string Where =
        "kanaconv: in, line 26, column 2: the character F0 9F 98 80 has no Shift-JIS form; ";
    TRun R = Kanaconv(Dir, {"--to=sjis", "in", "out"});
    EXPECT_EQ(R.Err, Where + "nothing converted\n");
    EXPECT_EQ(ReadAll(Dir / "out"), "old");
    R = Kanaconv(Dir, {"--to=sjis", "in"});
    EXPECT_EQ(R.Status, 1);
    EXPECT_EQ(Hex(R.Out), Hex(Sjis(Text.substr(3))));
    const std::string Bytes = std::to_string(R.Out.size());
    EXPECT_EQ(R.Err, Where + "stopped there, after writing the " + Bytes +
                         " bytes before it to standard output\n");
    EXPECT_EQ(Kanaconv(Dir, {"--to=sjis", "in"}, "", "ja_JP.UTF-8").Err,
              "kanaconv: in の 26 行 2 文字目 (F0 9F 98 80) はシフトJISにない文字です。標準出力には"
              "その手前までの " +
                  Bytes + " バイトを書いたところで止めました\n");
    R = Kanaconv(Dir, {"--to=sjis"}, Dir / "in");
    EXPECT_NE(R.Err.find("bytes before it to standard output"), std::string::npos);
    WriteAll(Dir / "in", "😀\n");
    EXPECT_TRUE(Kanaconv(Dir, {"--to=sjis", "in"})
                    .Err.ends_with("; nothing was written to standard output\n"));
}

// One version everywhere, as packages write versions (no leading zeros), and beside it the
// interface version that the library's GetDllVersion gives.
TEST(Kanaconv, VersionIsTheProjectsWithTheLibraryInterface) {
    TempDir Dir;
    const TRun R = Kanaconv(Dir, {"--version"});
    std::smatch M;
    ASSERT_TRUE(std::regex_match(R.Out, M,
                                 std::regex("kanaconv ((0|[1-9][0-9]*)(\\.(0|[1-9][0-9]*)){2}) "
                                            "\\(library interface ([0-9]+)\\)\n")))
        << R.Out;
    EXPECT_EQ(std::stoi(M[5]), GetDllVersion());
}

} // namespace

namespace {

// Waits up to five seconds for Fd to hold data and reads what is there; "" at the end.
std::string ReadWhatCame(int Fd) {
    pollfd Poll{Fd, POLLIN, 0};
    if (poll(&Poll, 1, 5000) <= 0) return "(nothing within 5 s)";
    char Buffer[4096];
    const ssize_t N = read(Fd, Buffer, sizeof Buffer);
    return N > 0 ? std::string(Buffer, static_cast<std::size_t>(N)) : "";
}

// Input from a pipe comes out as it is converted, before kanaconv waits for more: a whole
// line at once, and of a line not yet ended, what may be cut from it (ﾄ waits for a
// voicing mark that may follow).
TEST(Kanaconv, PipesGetTheirTextAsItComes) {
    int In[2], Out[2];
    ASSERT_EQ(pipe(In), 0);
    ASSERT_EQ(pipe(Out), 0);
    posix_spawn_file_actions_t Files;
    posix_spawn_file_actions_init(&Files);
    posix_spawn_file_actions_adddup2(&Files, In[0], 0);
    posix_spawn_file_actions_adddup2(&Files, Out[1], 1);
    for (int Fd : {In[0], In[1], Out[0], Out[1]}) posix_spawn_file_actions_addclose(&Files, Fd);
    std::string Program = KANACONV, Option = "--kata=2byte";
    char* Argv[] = {Program.data(), Option.data(), nullptr};
    std::string Lc = "LC_ALL=C.UTF-8";
    char* Env[] = {Lc.data(), nullptr};
    pid_t Pid;
    ASSERT_EQ(posix_spawn(&Pid, KANACONV, &Files, nullptr, Argv, Env), 0);
    posix_spawn_file_actions_destroy(&Files);
    close(In[0]);
    close(Out[1]);
    const auto Send = [&](std::string_view Text) {
        ASSERT_EQ(write(In[1], Text.data(), Text.size()), static_cast<ssize_t>(Text.size()));
    };
    Send("ｶﾞｰﾙ\n");
    EXPECT_EQ(ReadWhatCame(Out[0]), "ガール\n");
    Send("ﾃｽﾄ");
    EXPECT_EQ(ReadWhatCame(Out[0]), "テス");
    Send("ﾞ!\n");
    EXPECT_EQ(ReadWhatCame(Out[0]), "ド!\n");
    close(In[1]);
    EXPECT_EQ(ReadWhatCame(Out[0]), "");
    int Status = 0;
    waitpid(Pid, &Status, 0);
    EXPECT_EQ(Status, 0);
    close(Out[0]);
}

} // namespace

namespace {

// kanaconv reading Input through a pipe, as from `producer | kanaconv`.
TRun KanaconvPiped(const TempDir& Dir, std::vector<std::string> Args, const std::string& Input,
                   const std::string& Locale = "C.UTF-8") {
    int Pipe[2];
    if (pipe2(Pipe, O_CLOEXEC) != 0) return {-1, "", "pipe failed"};
    const pid_t Pid = Start(Dir, std::move(Args), "", Locale, Pipe[0]);
    close(Pipe[0]);
    for (std::size_t Done = 0; Done < Input.size();) {
        const ssize_t N = write(Pipe[1], Input.data() + Done, Input.size() - Done);
        if (N <= 0) break; // kanaconv stopped reading
        Done += static_cast<std::size_t>(N);
    }
    close(Pipe[1]);
    return Finish(Dir, Pid);
}

// The encoding is decided on the evidence of the whole text for a file, and of the text so
// far for a pipe, which stops rather than write a second encoding: the cases users met, at
// several sizes and places of the deciding bytes.
TEST(Kanaconv, EncodingDecidedOnTheEvidence) {
    TempDir Dir;
    signal(SIGPIPE, SIG_IGN);
    // ASCII alone becomes UTF-8, or Shift-JIS in a Shift-JIS locale, under --classic, or
    // as --to says.
    WriteAll(Dir / "ascii", "Hello 123\r\n");
    EXPECT_EQ(Kanaconv(Dir, {"--mark=2all", "ascii"}).Out, "Ｈｅｌｌｏ １２３\r\n");
    EXPECT_EQ(Hex(Kanaconv(Dir, {"--mark=2all", "ascii"}, "", "ja_JP.SJIS").Out),
              Hex(Sjis("Ｈｅｌｌｏ １２３\r\n")));
    EXPECT_EQ(Hex(Kanaconv(Dir, {"--classic", "--mark=2all", "ascii"}).Out),
              Hex(Sjis("Ｈｅｌｌｏ １２３\r\n")));
    EXPECT_EQ(Hex(Kanaconv(Dir, {"--mark=2all", "--to=sjis", "ascii"}).Out),
              Hex(Sjis("Ｈｅｌｌｏ １２３\r\n")));
    EXPECT_EQ(KanaconvPiped(Dir, {"--tab=2", "--space=2byte"}, "a\tb c\n").Out, "a　　b　c\n");

    for (const std::size_t Head : {std::size_t{0}, std::size_t{70000}, std::size_t{300000}}) {
        const std::string Ascii(Head, 'x'), Lines = Head ? Ascii + "\n" : "";
        const std::string Wide = Head ? std::string("ｘ") + "\n" : "";
        // A long ASCII head, then UTF-8: one encoding, from a file and from a pipe.
        WriteAll(Dir / "head", Lines + "あ\n");
        for (const bool Piped : {false, true}) {
            const TRun R = Piped ? KanaconvPiped(Dir, {"--mark=2all"}, Lines + "あ\n")
                                 : Kanaconv(Dir, {"--mark=2all", "head"});
            EXPECT_EQ(R.Status, 0) << Head << R.Err;
            EXPECT_EQ(R.Out.size(), 3 * Head + (Head ? 1 : 0) + 4) << Head << " piped " << Piped;
            EXPECT_TRUE(R.Out.ends_with("あ\n"));
        }
        // The same head, then Shift-JIS: a file is Shift-JIS throughout. A pipe decides on
        // what has come: a head that had to go out before the Shift-JIS came (longer than a
        // piece) went out as UTF-8, and kanaconv stops at the line that decides, exit 1.
        const std::string Sjis2 = Lines + Sjis("あ\n");
        WriteAll(Dir / "head", Sjis2);
        TRun R = Kanaconv(Dir, {"--mark=2all", "head"});
        EXPECT_EQ(Hex(R.Out.substr(R.Out.size() - 3)), Hex(Sjis("あ\n")));
        EXPECT_EQ(R.Out.find("\xEF"), std::string::npos) << "UTF-8 in Shift-JIS output";
        R = KanaconvPiped(Dir, {"--mark=2all"}, Sjis2);
        const bool Utf8Out = R.Out.find("\xEF\xBD\x98") != std::string::npos; // ｘ in UTF-8
        EXPECT_FALSE(Utf8Out && R.Out.find("\x82\xA0") != std::string::npos) << "two encodings";
        if (Head > (256u << 10)) {
            EXPECT_EQ(R.Status, 1) << Head;
            EXPECT_NE(R.Err.find("line 2: the input turns to Shift-JIS"), std::string::npos) << R.Err;
        } else {
            EXPECT_EQ(R.Status, Utf8Out ? 1 : 0) << R.Err;
        }
        // Text that turns out Shift-JIS after a line whose ASCII became UTF-8 (a full-width
        // space), lines converted one by one as --newline=lf does: stopped at the line of
        // the change, counted with the line ends taken off.
        R = KanaconvPiped(Dir, {"--space=2byte", "--newline=lf"}, "a\nb\r\n \n\x82\xA0\x82\xA2\n");
        EXPECT_EQ(R.Status, 1);
        EXPECT_NE(R.Err.find("line 4: the input turns to Shift-JIS"), std::string::npos) << R.Err;
        // A pipe whose lines come one by one (--to changes the encoding) is judged as a file
        // would be at each line's end: é and ¥ are UTF-8, not two half-width katakana.
        R = KanaconvPiped(Dir, {"--to=utf-8"}, "caf\xC3\xA9\n");
        EXPECT_EQ(R.Out, "caf\xC3\xA9\n") << R.Err;
        R = KanaconvPiped(Dir, {"--to=sjis"}, "x\xC2\xA5\n");
        EXPECT_EQ(R.Status, 1);
        EXPECT_NE(R.Err.find("C2 A5 has no Shift-JIS form"), std::string::npos) << R.Err;
        // A stray byte among UTF-8: read as UTF-8, the byte kept, a warning says where.
        for (const std::size_t Tail : {std::size_t{0}, std::size_t{70000}}) {
            const std::string Text = Lines + "カタカナのテキスト\ncaf\xe9\n" + std::string(Tail, 'y');
            WriteAll(Dir / "stray", Text);
            R = Kanaconv(Dir, {"--kata=2byte", "stray", "-"});
            EXPECT_EQ(R.Out, Text) << Head << " " << Tail;
            const std::string Line = std::to_string(Head ? 3 : 2);
            EXPECT_NE(R.Err.find("1 sequence is no UTF-8 and passed through as it was (the "
                                 "first at line " + Line + ", column 4)"),
                      std::string::npos)
                << R.Err;
        }
    }
    // Half-width Shift-JIS that is valid UTF-8 by accident is Shift-JIS.
    WriteAll(Dir / "han", "\xCA\xB2\x20\xC3\xBD\n"); // ﾊｲ ﾃｽ, also ʲ ý
    EXPECT_EQ(Hex(Kanaconv(Dir, {"--kata=2byte", "han", "-"}).Out), Hex(Sjis("ハイ テス\n")));
}

// --classic converts Shift-JIS: UTF-8 text is refused with 2 and left as it was, unless
// --from=sjis asks for it; among many files in place, the others convert.
TEST(Kanaconv, ClassicRefusesUtf8Text) {
    TempDir Dir;
    WriteAll(Dir / "utf8", "ｶﾞｰﾙ ガール\n");
    WriteAll(Dir / "sjis", Sjis("ｶﾞｰﾙ\r\n"));
    TRun R = Kanaconv(Dir, {"--classic", "--kata=2byte", "utf8", "-"});
    EXPECT_EQ(R.Status, 2);
    EXPECT_EQ(R.Out, "");
    EXPECT_NE(R.Err.find("utf8 is UTF-8 text, and --classic converts Shift-JIS only"), std::string::npos);
    R = Kanaconv(Dir, {"--classic", "--kata=2byte", "-i", "utf8", "sjis"});
    EXPECT_EQ(R.Status, 2);
    EXPECT_EQ(ReadAll(Dir / "utf8"), "ｶﾞｰﾙ ガール\n");
    EXPECT_EQ(Hex(ReadAll(Dir / "sjis")), Hex(Sjis("ガ－ル\r\n")));
    R = Kanaconv(Dir, {"--classic", "--from=sjis", "utf8", "-"});
    EXPECT_EQ(R.Status, 0);
    EXPECT_EQ(Kanaconv(Dir, {"--classic", "--from=utf-8", "utf8"}).Status, 2);
}

} // namespace

namespace {

// Every Japanese man page, in UTF-8 and in Shift-JIS, converted in place by one kanaconv:
// each read as what it is, and written back in it.
TEST(Kanaconv, ReadsRealTextAsWhatItIs) {
    const std::filesystem::path Pages = "/usr/share/man/ja";
    if (!std::filesystem::is_directory(Pages)) GTEST_SKIP() << "manpages-ja is not installed";
    TempDir Dir;
    std::vector<std::string> Args = {"-v", "--kata=1byte", "-i"}, Expected;
    int N = 0;
    for (const auto& E : std::filesystem::recursive_directory_iterator(Pages)) {
        if (!E.is_regular_file() || E.path().extension() != ".gz") continue;
        const std::string Command = "gzip -dc '" + E.path().string() + "'";
        FILE* Pipe = popen(Command.c_str(), "r");
        std::string Text;
        char Buffer[65536];
        for (std::size_t Got; Pipe && (Got = std::fread(Buffer, 1, sizeof Buffer, Pipe)) > 0;)
            Text.append(Buffer, Got);
        if (Pipe) pclose(Pipe);
        if (std::none_of(Text.begin(), Text.end(), [](char C) { return C & 0x80; })) continue;
        const std::string Name = std::to_string(N++);
        WriteAll(Dir / ("u" + Name), Text);
        Args.push_back("u" + Name);
        Expected.push_back("u" + Name + ": read as UTF-8");
        try {
            WriteAll(Dir / ("s" + Name), Sjis(Text));
            Args.push_back("s" + Name);
            Expected.push_back("s" + Name + ": read as Shift-JIS");
        } catch (const std::runtime_error&) { // a character code page 932 lacks
        }
    }
    ASSERT_GT(N, 100);
    const TRun R = Kanaconv(Dir, Args);
    EXPECT_EQ(R.Status, 0);
    for (const std::string& Line : Expected)
        EXPECT_NE(R.Err.find("kanaconv: " + Line + "\n"), std::string::npos) << Line;
    EXPECT_EQ(R.Err.find("warning"), std::string::npos);
}

} // namespace
