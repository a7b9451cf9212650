// Injected faults: every open, read, write, flush to disk, close and rename that a
// conversion makes fails in turn, and the conversion must still leave the destination
// whole (old or new), no temporary file, and no open file behind. The system calls are
// wrapped at link time (-Wl,--wrap), so the real platform layer meets the failures.
#include "Arguments.h"
#include "FileConvert.h"
#include "Files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <map>

extern "C" {
int __real_open(const char* Path, int Flags, ...);
ssize_t __real_read(int Fd, void* Buffer, size_t Size);
ssize_t __real_write(int Fd, const void* Buffer, size_t Size);
int __real_fsync(int Fd);
int __real_close(int Fd);
int __real_rename(const char* From, const char* To);
}

namespace {

struct TFaults {
    bool Counting = false;
    std::string Op; // the operation to fail, at its Nth call
    int Nth = 0, Errno = 0;
    bool Failed = false; // then every later close fails too, with EBADF
    std::map<std::string, int> Calls;
} Injection;

// Counts the call and tells whether it fails.
bool Fails(const std::string& Op) {
    if (!Injection.Counting) return false;
    if (++Injection.Calls[Op] == Injection.Nth && Injection.Op == Op) {
        Injection.Failed = true;
        errno = Injection.Errno;
        return true;
    }
    if (!Injection.Failed || Op != "close") return false;
    errno = EBADF;
    return true;
}

} // namespace

extern "C" {
int __wrap_open(const char* Path, int Flags, ...) {
    va_list Args;
    va_start(Args, Flags);
    const auto Mode = static_cast<mode_t>(va_arg(Args, int));
    va_end(Args);
    return Fails("open") ? -1 : __real_open(Path, Flags, Mode);
}
ssize_t __wrap_read(int Fd, void* Buffer, size_t Size) {
    return Fails("read") ? -1 : __real_read(Fd, Buffer, Size);
}
ssize_t __wrap_write(int Fd, const void* Buffer, size_t Size) {
    return Fails("write") ? -1 : __real_write(Fd, Buffer, Size);
}
int __wrap_fsync(int Fd) {
    return Fails("fsync") ? -1 : __real_fsync(Fd);
}
int __wrap_close(int Fd) {
    // Linux releases the descriptor even when close fails.
    const bool Fail = Fails("close");
    const int Result = __real_close(Fd);
    return Fail ? -1 : Result;
}
int __wrap_rename(const char* From, const char* To) {
    return Fails("rename") ? -1 : __real_rename(From, To);
}
}

namespace {

std::ptrdiff_t OpenFiles() {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
}

class Faults : public ::testing::TestWithParam<bool> {};

// Each failure reaches the caller with its code, unless it lost nothing; a close that fails
// during the clean-up after it does not take its place. The library's conversion, and
// kanaconv's: bigger blocks, lines in pieces, a temporary file of its own name.
TEST_P(Faults, EveryCallOfAConversionMayFail) {
    TFileSettings Settings = GetParam() ? SettingsFor({}) : TFileSettings{};
    if (GetParam()) Settings.BlockSize = 100; // a few blocks, pieces and writes for this text
    if (GetParam()) Settings.Piece = 150;
    TempDir Dir;
    const std::string In = Dir / "in.txt", Out = Dir / "out.txt";
    const auto Convert = [&](const std::string& Dest) {
        const TConvertResult R = ConvertFile(In, Dest, false, {.Kata = k2byte}, Settings);
        return R.Failure ? R.Failure->ErrorCode : 0;
    };
    WriteAll(In, std::string(200, 'a') + "\r\n\xB6\xDE" + std::string(150, 'b'));
    const std::string Old = "the old content";
    ASSERT_EQ(Convert(Dir / "new.txt"), 0);
    const std::string New = ReadAll(Dir / "new.txt");
    WriteAll(Out, Old);
    const std::set<std::string> Files = Entries(Dir.Path());

    Injection = {true, "", 0, 0, false, {}};
    ASSERT_EQ(Convert(Out), 0);
    const std::map<std::string, int> Calls = Injection.Calls;
    const std::map<std::string, std::pair<int, int>> Injected = {
        {"open", {EACCES, 5}},    {"read", {EIO, 1117}},  {"write", {EPIPE, 109}},
        {"fsync", {ENOSPC, 112}}, {"close", {EIO, 1117}}, {"rename", {EXDEV, 17}}};
    for (const auto& [Op, Failure] : Injected) {
        ASSERT_GT(Calls.count(Op), 0u) << "a conversion makes no " << Op;
        int Reported = 0;
        for (int Nth = 1; Nth <= Calls.at(Op); ++Nth) {
            WriteAll(Out, Old);
            const auto Before = OpenFiles();
            Injection = {true, Op, Nth, Failure.first, false, {}};
            const int Code = Convert(Out);
            Injection.Counting = false;
            const std::string Now = ReadAll(Out);
            if (Code == 0) { // a failure that loses nothing may pass unreported
                EXPECT_EQ(Now, New) << Op << " #" << Nth;
            } else {
                ++Reported;
                EXPECT_EQ(Code, Failure.second) << Op << " #" << Nth;
                EXPECT_EQ(Now, Old) << Op << " #" << Nth;
            }
            EXPECT_EQ(Entries(Dir.Path()), Files) << Op << " #" << Nth;
            EXPECT_EQ(OpenFiles(), Before) << Op << " #" << Nth;
            EXPECT_EQ(HanZenObj.load(), nullptr);
            EXPECT_EQ(Application().ComponentCount(), 0u);
        }
        EXPECT_GT(Reported, 0) << "no failed " << Op << " reached the caller";
    }
}

INSTANTIATE_TEST_SUITE_P(LibraryAndKanaconv, Faults, ::testing::Bool());

} // namespace
