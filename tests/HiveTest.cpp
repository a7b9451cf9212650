// ostrel on POSIX, over a hive in a folder of its own: the directory hive's own rules
// (names no folder can carry, links and folders that are no keys, keys that still have
// subkeys, the depth limit, what a key reports, no descriptor left open), and the program
// on a pseudo-terminal, answered the ways a person can.
#include "HiveRegistry.h"
#include "Registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <locale.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class Hive : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(Dir); // left by a crashed run of the same process number
        ASSERT_EQ(Create("K\\Sub"), ERROR_SUCCESS); // from nothing: the hive's folder too
        Fds = Tree("/proc/self/fd");
    }
    void TearDown() override {
        EXPECT_EQ(Tree("/proc/self/fd"), Fds); // every call closes what it opens
        fs::remove_all(Dir);
    }
    std::set<fs::path> Tree(const fs::path& Top) { // links not followed
        return {fs::recursive_directory_iterator(Top), fs::recursive_directory_iterator()};
    }
    LONG Create(const std::string& Path, HKEY Base = HKEY_CURRENT_USER) {
        HKEY Key = nullptr;
        const LONG R = Api.RegCreateKeyExA(Base, Path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, &Key, nullptr);
        if (R == ERROR_SUCCESS) Api.RegCloseKey(Key);
        return R;
    }
    const fs::path Dir = fs::temp_directory_path() / ("ostrel-test-" + std::to_string(::getpid()));
    const fs::path Root = Dir / "registry/HKEY_CURRENT_USER", Key = Root / "K";
    THiveRegApi Api{Root};
    std::set<fs::path> Fds;
};

TEST_F(Hive, RefusesNamesNoFolderCanCarryAndKeysWithSubkeys) {
    const std::pair<const char*, LONG> Cases[] = {
        {"..", ERROR_INVALID_NAME},  {"K\\..\\..\\x", ERROR_INVALID_NAME},
        {".", ERROR_INVALID_NAME},   {"a/b", ERROR_INVALID_NAME},
        {"\\K", ERROR_BAD_PATHNAME}, {"K\\\\Sub", ERROR_BAD_PATHNAME},
        {"K\\", ERROR_BAD_PATHNAME}};
    for (const auto& [Path, Code] : Cases) {
        EXPECT_EQ(Create(Path), Code) << Path;
        EXPECT_EQ(Api.RegDeleteKeyA(HKEY_CURRENT_USER, Path), Code) << Path;
    }
    EXPECT_EQ(Api.RegDeleteKeyA(HKEY_CURRENT_USER, "K"), ERROR_ACCESS_DENIED); // has a subkey
    EXPECT_EQ(Api.RegDeleteKeyA(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);  // the hive itself
    EXPECT_EQ(Tree(Dir), (std::set<fs::path>{Dir / "registry", Root, Key, Key / "Sub"}));
}

TEST_F(Hive, LinksAndFoldersWithABackslashAreNoKeys) {
    // A link is not followed: removal takes the link, not what it points to.
    fs::create_directories(Dir / "Out/In");
    fs::create_directory_symlink(Dir / "Out", Key / "Link");
    EXPECT_EQ(Create("K\\Link\\x"), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(TRegistry(Api).DeleteKey("K"));
    EXPECT_EQ(Tree(Dir), (std::set<fs::path>{Dir / "registry", Root, Dir / "Out", Dir / "Out/In"}));
    // A folder whose name holds a "\" of its own would read back as another key's path:
    // it stays, and so does the key holding it.
    ASSERT_EQ(Create("K\\a\\b"), ERROR_SUCCESS);
    fs::create_directory(Key / "a\\b");
    EXPECT_FALSE(TRegistry(Api).DeleteKey("K"));
    EXPECT_EQ(Tree(Key), (std::set<fs::path>{Key / "a\\b"}));
}

TEST_F(Hive, KeysNestAtMost512Levels) {
    std::string Deep = "K";
    for (int I = 2; I < 512; ++I) Deep += "\\K";
    TRegistry Reg(Api);
    ASSERT_TRUE(Reg.OpenKey(Deep, true)); // 511 levels; a path below it counts from there
    EXPECT_EQ(Create("K", Reg.CurrentKey()), ERROR_SUCCESS);
    EXPECT_EQ(Create("K\\K", Reg.CurrentKey()), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Create(Deep + "\\K\\K"), ERROR_ACCESS_DENIED);
}

TEST_F(Hive, AKeyReportsItselfAndItsHandleDeletesIt) {
    std::ofstream(Key / "Value") << "1234";
    const char* Subs[] = {"c", "0", "b", "Aa", "Sub"}; // the last made by SetUp
    for (const char* Sub : Subs) fs::create_directory(Key / Sub);
    const timespec Times[] = {{1, 10100}, {1, 10100}}; // as a FILETIME: 116444736010000101
    for (const fs::path& P : {Key, Key / "0"}) ::utimensat(AT_FDCWD, P.c_str(), Times, 0);
    TRegistry Reg(Api);
    ASSERT_TRUE(Reg.OpenKey("K", false));
    const HKEY H = Reg.CurrentKey();
    char Class[4] = "x", Name[4];
    DWORD I[9] = {4, 9, 9, 9, 9, 9, 9, 9, 2}; // the last: the name length offered, "0" and NUL
    FILETIME T[2] = {};
    Api.RegQueryInfoKeyA(H, Class, &I[0], nullptr, &I[1], &I[2], &I[3], &I[4], &I[5], &I[6], &I[7],
                         &T[0]);
    Api.RegEnumKeyExA(H, 0, Name, &I[8], nullptr, nullptr, nullptr, &T[1]);
    EXPECT_EQ(std::vector<DWORD>(I, I + 9), (std::vector<DWORD>{0, 5, 3, 0, 1, 5, 4, 0, 1}));
    EXPECT_EQ(Class + std::string(Name), "0");
    for (const FILETIME& F : T)
        EXPECT_EQ(std::uint64_t(F.dwHighDateTime) << 32 | F.dwLowDateTime, 116444736010000101u);
    std::string Names; // in the order of their bytes; 3 bytes leave "Sub" no room for its NUL
    for (DWORD N = 1; N <= 5; ++N) {
        const LONG R =
            Api.RegEnumKeyExA(H, N, Name, &(I[8] = 3), nullptr, nullptr, nullptr, nullptr);
        Names += (R ? std::to_string(R) : std::string(Name)) + " ";
    }
    EXPECT_EQ(Names, "Aa 234 b c 259 ");
    EXPECT_EQ(Api.RegEnumKeyExA(H, 0, nullptr, &I[8], nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    // The handle deletes its key with its values, but not a folder that took its place.
    for (const char* Sub : Subs) fs::remove(Key / Sub);
    fs::rename(Key, Dir / "Old");
    fs::create_directory(Key);
    EXPECT_EQ(Api.RegDeleteKeyA(H, ""), ERROR_FILE_NOT_FOUND);
    fs::remove(Key);
    fs::rename(Dir / "Old", Key);
    EXPECT_EQ(Api.RegDeleteKeyA(H, ""), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(Key));
    EXPECT_EQ(Api.RegCloseKey(H), ERROR_SUCCESS);
    EXPECT_EQ(Api.RegCloseKey(H), ERROR_INVALID_HANDLE);
}

TEST_F(Hive, LivesUnderAnAbsoluteXdgConfigHomeElseTheHomeFolder) {
    for (const auto& [Xdg, Home, Config] :
         {std::tuple{"/x", "/h", "/x"}, {"x", "/h", "/h/.config"}}) {
        ::setenv("XDG_CONFIG_HOME", Xdg, 1);
        ::setenv("HOME", Home, 1);
        EXPECT_EQ(THiveRegApi::DefaultRoot(), Config + std::string("/registry/HKEY_CURRENT_USER"));
    }
}

// Runs ostrel with its configuration in Config and the locale Locale (an environment
// entry) on a terminal of its own (so that Ctrl+C reaches it), standard input on /dev/null
// when Input is null; sends Input once the prompt is out. Returns what the terminal showed.
// With Stall, a full pipe, as standard error, the prompt gets stuck there: it is
// interrupted while stuck, then let through.
std::string RunOstrel(const fs::path& Config, const char* Input,
                      const char* Locale = "LC_ALL=C.UTF-8", const int* Stall = nullptr) {
    const std::string Xdg = "XDG_CONFIG_HOME=" + Config.string();
    const char *Args[] = {"ostrel", nullptr}, *Env[] = {Xdg.c_str(), Locale, nullptr};
    int Master = -1;
    const pid_t Pid = ::forkpty(&Master, nullptr, nullptr, nullptr);
    if (Pid == 0) {
        if (!Input) ::dup2(::open("/dev/null", O_RDONLY), 0);
        if (Stall) ::dup2(Stall[1], 2);
        ::execve(OSTREL_PROGRAM, const_cast<char**>(Args), const_cast<char**>(Env));
        ::_exit(127);
    }
    std::string Shown, Wait;
    char Buf[256];
    for (int I = 0; Stall && I < 5000 && Wait.find("pipe_write") == Wait.npos; ++I, ::usleep(1000))
        std::getline(std::ifstream("/proc/" + std::to_string(Pid) + "/wchan"), Wait);
    if (Stall) ::kill(Pid, SIGINT);
    while (Stall && ::read(Stall[0], Buf, sizeof Buf) > 0) {
    }
    pollfd P{Master, POLLIN, 0};
    int Ready = 0;
    ssize_t N = 0; // read until the program ends (EIO); its prompt ends "] "
    while ((Ready = ::poll(&P, 1, 20000)) > 0 && (N = ::read(Master, Buf, 256)) > 0)
        if (Shown.append(Buf, N).ends_with("] ")) {
            EXPECT_EQ(::write(Master, Input, std::strlen(Input)), ssize_t(std::strlen(Input)));
        }
    if (Ready == 0) ::kill(Pid, SIGKILL); // hung: fail instead of waiting forever
    int Status = -1;
    ::waitpid(Pid, &Status, 0);
    EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0); // Ctrl+C included
    ::close(Master);
    return Shown;
}

using OstrelProgram = Hive;

TEST_F(OstrelProgram, OnlyEnterRemovesTheSettingsKeyWholeAndNothingElse) {
    const fs::path Velbrook = Root / "Software/Velbrook", Settings = Velbrook / "\x82\xA9\x82\xC8";
    const std::string So = "\x83\x5C"; // ソ: 0x5C as its second byte
    const std::pair<const char*, bool> Cases[] = {
        // input (null: no terminal), removed
        {"n\n", false},   {" \n", false}, {"\x04", false},   {"\x03", false},
        {nullptr, false}, {"\n", true},   {"\x16\r\n", true}}; // Ctrl+V: a CR kept as it is
    for (const auto& [Input, Removed] : Cases) {
        for (const fs::path& Value :
             {Settings / "Value", Settings / "A/A1/A11/Value", Settings / "A/A2/Value",
              Settings / So / (So + So) / "Value", Velbrook / "Other/Value"}) {
            fs::create_directories(Value.parent_path());
            std::ofstream(Value) << "data";
        }
        std::set<fs::path> Expected = Tree(Dir);
        if (Removed) // the key and everything below it
            Expected.erase(Expected.find(Settings), Expected.upper_bound(Settings / "\xFF"));
        SCOPED_TRACE(testing::PrintToString(Input ? Input : "no terminal"));
        const std::string Shown = RunOstrel(Dir, Input);
        EXPECT_EQ(Tree(Dir), Expected);
        // The caption and the text in the terminal's character set, their lines intact.
        EXPECT_TRUE(!Input ||
                    Shown.find("かな\r\nかなの\r\n設定を削除しますか？\r\n") != Shown.npos)
            << Shown;
    }
}

TEST_F(OstrelProgram, AsksInTheLocalesCharacterSetOrInEnglishWhereItHasNoJapanese) {
    const fs::path Settings = Root / "Software/Velbrook/\x82\xA9\x82\xC8";
    const std::pair<const char*, std::string> Cases[] = {
        // ASCII: not a "?" for each character, nor a trail byte (0x48 of ？) as "H"
        {"LANG=C", "kana\r\nDelete the settings of kana?\r\n"},
        {"LANG=ja_JP.UTF-8", "かな\r\nかなの\r\n設定を削除しますか？\r\n"},
        {"LANG=ja_JP.SJIS", "\x82\xA9\x82\xC8\r\n\x82\xA9\x82\xC8\x82\xCC\r\n"
                            "\x90\xDD\x92\xE8\x82\xF0\x8D\xED\x8F\x9C\x82\xB5\x82\xDC\x82\xB7"
                            "\x82\xA9\x81\x48\r\n"}};
    for (const auto& [Locale, Question] : Cases) {
        SCOPED_TRACE(Locale);
        const locale_t Available = ::newlocale(LC_ALL_MASK, std::strchr(Locale, '=') + 1, {});
        ASSERT_TRUE(Available) << "the locale is missing (.ci/run generates it)";
        ::freelocale(Available);
        fs::create_directories(Settings);
        // The prompt, then Enter echoed; the answer still counts in any character set.
        EXPECT_EQ(RunOstrel(Dir, "\n", Locale),
                  Question + "[OK: Enter / Cancel: any other input] \r\n");
        EXPECT_FALSE(fs::exists(Settings));
    }
}

TEST_F(OstrelProgram, AnInterruptWhileThePromptIsStuckIsNotLost) {
    int Pipe[2];
    ASSERT_EQ(::pipe2(Pipe, O_NONBLOCK), 0);
    while (::write(Pipe[1], "", 1) > 0) {
    }
    ::fcntl(Pipe[1], F_SETFL, 0); // full, and a writer now waits
    RunOstrel(Dir, "", "LC_ALL=C.UTF-8", Pipe);
    ::close(Pipe[0]);
    ::close(Pipe[1]);
}

} // namespace
