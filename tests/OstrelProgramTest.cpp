// The ostrel program itself on a pseudo-terminal, answering its prompt the ways a person
// can, over a hive in a folder of its own.
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

struct TRun {
    std::string Output;
    int Status = -1;
};

// Runs ostrel with XDG_CONFIG_HOME=Config; on a terminal that receives Input once the
// prompt is out, or with standard input from /dev/null when Terminal is false.
TRun RunOstrel(const fs::path& Config, const std::string& Input, bool Terminal = true) {
    const std::string XdgVar = "XDG_CONFIG_HOME=" + Config.string();
    char* const Env[] = {const_cast<char*>(XdgVar.c_str()), const_cast<char*>("LC_ALL=C.UTF-8"),
                         const_cast<char*>("PATH=/usr/bin:/bin"), nullptr};
    char* const Args[] = {const_cast<char*>("ostrel"), nullptr};
    TRun R;
    int Master = -1;
    std::string Slave = "/dev/null";
    if (Terminal) {
        Master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (Master < 0 || ::grantpt(Master) != 0 || ::unlockpt(Master) != 0) return R;
        Slave = ::ptsname(Master);
    }
    const pid_t Pid = ::fork();
    if (Pid == 0) {
        ::setsid(); // the terminal becomes the child's own, so Ctrl+C reaches it
        const int S = ::open(Slave.c_str(), O_RDWR);
        ::dup2(S, 0);
        ::dup2(S, 1);
        ::dup2(S, 2);
        ::execve(OSTREL_PROGRAM, Args, Env);
        ::_exit(127);
    }
    if (Terminal) {
        // Read what the program writes until it ends (EIO); answer once the prompt is out.
        bool Answered = false;
        for (;;) {
            pollfd P{Master, POLLIN, 0};
            if (::poll(&P, 1, 20000) <= 0) {
                ::kill(Pid, SIGKILL); // hung: fail rather than wait forever
                break;
            }
            char Buf[256];
            const ssize_t N = ::read(Master, Buf, sizeof Buf);
            if (N <= 0) break;
            R.Output.append(Buf, static_cast<std::size_t>(N));
            if (!Answered && R.Output.find("Cancel") != std::string::npos) {
                Answered = ::write(Master, Input.data(), Input.size()) ==
                           static_cast<ssize_t>(Input.size());
            }
        }
        ::close(Master);
    }
    ::waitpid(Pid, &R.Status, 0);
    return R;
}

TEST(OstrelProgram, OnlyEnterRemovesTheSettings) {
    char Name[] = "/tmp/ostrel-test-XXXXXX";
    ASSERT_NE(::mkdtemp(Name), nullptr);
    const fs::path Config = Name;
    const fs::path Velbrook = Config / "registry/HKEY_CURRENT_USER/Software/Velbrook";
    const fs::path Key = Velbrook / "\x82\xA9\x82\xC8";

    struct TCase {
        const char* Why;
        std::string Input;
        bool Terminal;
        bool Removed;
    };
    const TCase Cases[] = {
        {"another answer", "n\n", true, false}, {"a space before Enter", " \n", true, false},
        {"end of input", "\x04", true, false},  {"Ctrl+C", "\x03", true, false},
        {"no terminal", "", false, false},      {"Enter", "\n", true, true},
    };
    for (const TCase& C : Cases) {
        fs::create_directories(Key / "Sub");
        std::ofstream(Key / "Sub/Value") << "data";
        fs::create_directories(Velbrook / "Other");
        const TRun R = RunOstrel(Config, C.Input, C.Terminal);
        EXPECT_TRUE(WIFEXITED(R.Status) && WEXITSTATUS(R.Status) == 0) << C.Why;
        EXPECT_EQ(!fs::exists(Key), C.Removed) << C.Why;
        EXPECT_TRUE(fs::exists(Velbrook / "Other")) << C.Why;
        if (C.Terminal) // the text in the terminal's character set, its two lines intact
            EXPECT_NE(R.Output.find("かなの\r\n設定を削除しますか？\r\n"), std::string::npos)
                << C.Why << ": " << R.Output;
        else
            EXPECT_EQ(R.Output, "") << C.Why;
    }
    fs::remove_all(Config);
}

} // namespace
