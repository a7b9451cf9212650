// The ostrel program on a pseudo-terminal, answered the ways a person can, over a hive in
// a folder of its own.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Runs ostrel with XDG_CONFIG_HOME=Config and standard input, output and error on a new
// terminal (or all on /dev/null without one); sends Input once the prompt is out. Returns
// what the terminal showed; Status receives the wait status.
std::string RunOstrel(const std::string& Config, const std::string& Input, bool Terminal,
                      int& Status) {
    const std::string Xdg = "XDG_CONFIG_HOME=" + Config;
    const char* Env[] = {Xdg.c_str(), "LC_ALL=C.UTF-8", nullptr};
    const int Master = Terminal ? ::posix_openpt(O_RDWR | O_NOCTTY) : -1;
    if (Terminal && (Master < 0 || ::grantpt(Master) != 0 || ::unlockpt(Master) != 0)) return "";
    const std::string Slave = Terminal ? ::ptsname(Master) : "/dev/null";
    const pid_t Pid = ::fork();
    if (Pid == 0) {
        ::setsid(); // the terminal becomes the child's own, so Ctrl+C reaches it
        const int S = ::open(Slave.c_str(), O_RDWR);
        for (int Fd = 0; Fd < 3; ++Fd) ::dup2(S, Fd);
        const char* Args[] = {"ostrel", nullptr};
        ::execve(OSTREL_PROGRAM, const_cast<char**>(Args), const_cast<char**>(Env));
        ::_exit(127);
    }
    std::string Shown;
    char Buf[256];
    pollfd P{Master, POLLIN, 0};
    int Ready = 1;
    while (Terminal && (Ready = ::poll(&P, 1, 20000)) > 0) { // until the program ends (EIO)
        const ssize_t N = ::read(Master, Buf, sizeof Buf);
        if (N <= 0) break;
        const bool Prompted = Shown.find("Cancel") != std::string::npos;
        Shown.append(Buf, static_cast<std::size_t>(N));
        if (!Prompted && Shown.find("Cancel") != std::string::npos) {
            EXPECT_EQ(::write(Master, Input.data(), Input.size()), ssize_t(Input.size()));
        }
    }
    if (Ready == 0) ::kill(Pid, SIGKILL); // hung: fail instead of waiting forever
    ::waitpid(Pid, &Status, 0);
    if (Terminal) ::close(Master);
    return Shown;
}

TEST(OstrelProgram, OnlyEnterRemovesTheSettings) {
    char Name[] = "/tmp/ostrel-test-XXXXXX";
    ASSERT_NE(::mkdtemp(Name), nullptr);
    const fs::path Velbrook = fs::path(Name) / "registry/HKEY_CURRENT_USER/Software/Velbrook";
    const fs::path Key = Velbrook / "\x82\xA9\x82\xC8";
    struct {
        const char* Input;
        bool Terminal, Removed;
    } const Cases[] = {{"n\n", true, false},  {" \n", true, false}, {"\x04", true, false},
                       {"\x03", true, false}, {"", false, false},   {"\n", true, true}};
    for (const auto& C : Cases) {
        fs::create_directories(Key / "Sub");
        std::ofstream(Key / "Sub/Value") << "data";
        fs::create_directories(Velbrook / "Other");
        int Status = -1;
        const std::string Shown = RunOstrel(Name, C.Input, C.Terminal, Status);
        SCOPED_TRACE(testing::PrintToString(C.Input) + (C.Terminal ? "" : " without terminal"));
        EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0); // Ctrl+C included
        EXPECT_EQ(!fs::exists(Key), C.Removed);
        EXPECT_TRUE(fs::exists(Velbrook / "Other"));
        if (C.Terminal) { // the text in the terminal's character set, its lines intact
            EXPECT_NE(Shown.find("かなの\r\n設定を削除しますか？\r\n"), std::string::npos) << Shown;
        }
    }
    fs::remove_all(Name);
}

} // namespace
