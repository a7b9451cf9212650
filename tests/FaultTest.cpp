// Injected faults: every open, read, write, flush to disk, close, rename and hard link
// that a conversion makes fails in turn, and the conversion must still leave the
// destination whole (old or new), its backup (when one is kept) whole, no temporary file,
// and no open file behind. An extended attribute that cannot be copied is a warning. The
// system calls are wrapped at link time (-Wl,--wrap), so the real platform layer meets
// the failures.
#include "Arguments.h"
#include "FileConvert.h"
#include "Files.h"
#include "Report.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <functional>
#include <map>
#include <tuple>

extern "C" {
int __real_open(const char* Path, int Flags, ...);
ssize_t __real_read(int Fd, void* Buffer, size_t Size);
ssize_t __real_write(int Fd, const void* Buffer, size_t Size);
int __real_fsync(int Fd);
int __real_close(int Fd);
int __real_rename(const char* From, const char* To);
int __real_link(const char* From, const char* To);
int __real_fsetxattr(int Fd, const char* Name, const void* Value, size_t Size, int Flags);
}

namespace {

struct TFaults {
    bool Counting = false;
    std::string Op; // the operation to fail, at its Nth call
    int Nth = 0, Errno = 0;
    bool Failed = false; // then every later close fails too, with EBADF
    std::map<std::string, int> Calls;
    bool NoHardLinks = false; // every link fails, uncounted, as on a file system without them
    std::function<void(const std::string&)> AfterOpen{}; // once, after an open that succeeded
} Injection;

// Counts the call and tells whether it fails.
bool Fails(const std::string& Op) {
    if (!Injection.Counting) return false;
    if (++Injection.Calls[Op] == Injection.Nth && Injection.Op == Op) {
        // A conversion gives up after this failure, and the closes of its clean-up fail
        // too; a copy makes up for a hard link, a warning for an attribute: no giving up.
        Injection.Failed = Op != "link" && Op != "fsetxattr";
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
    if (Fails("open")) return -1;
    const int Fd = __real_open(Path, Flags, Mode);
    if (Fd >= 0 && Injection.AfterOpen) std::exchange(Injection.AfterOpen, nullptr)(Path);
    return Fd;
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
int __wrap_link(const char* From, const char* To) {
    if (Injection.NoHardLinks) return errno = EPERM, -1;
    return Fails("link") ? -1 : __real_link(From, To);
}
int __wrap_fsetxattr(int Fd, const char* Name, const void* Value, size_t Size, int Flags) {
    return Fails("fsetxattr") ? -1 : __real_fsetxattr(Fd, Name, Value, Size, Flags);
}
}

namespace {

std::ptrdiff_t OpenFiles() {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
}

// The conversions that meet the faults: the library's; kanaconv's (bigger blocks, lines in
// pieces, a temporary file of its own name); and kanaconv's in place with a backup, made
// as a hard link or, where there are none, as a copy.
enum class TWay { Library, Kanaconv, Backup, CopiedBackup };

class Faults : public ::testing::TestWithParam<TWay> {};

// Each failure reaches the caller with its code, unless it lost nothing; a close that fails
// during the clean-up after it does not take its place. A backup, when there is one, is
// the whole old file.
TEST_P(Faults, EveryCallOfAConversionMayFail) {
    const TWay Way = GetParam();
    const bool Backup = Way == TWay::Backup || Way == TWay::CopiedBackup;
    TFileSettings Settings = Way == TWay::Library ? TFileSettings{} : SettingsFor({});
    if (Way != TWay::Library) Settings.BlockSize = 100; // a few blocks, pieces and writes
    if (Way != TWay::Library) Settings.Piece = 150;
    if (Backup) Settings.BackupSuffix = "~";
    TempDir Dir;
    const std::string In = Dir / "in.txt", Out = Dir / "out.txt", Kept = Out + "~";
    const auto Convert = [&](const std::string& Src, const std::string& Dest) {
        const TConvertResult R = ConvertFile(Src, Dest, false, {.Kata = k2byte}, Settings);
        return R.Failure ? R.Failure->ErrorCode : 0;
    };
    const std::string Text = std::string(200, 'a') + "\r\n\xB6\xDE" + std::string(150, 'b');
    WriteAll(In, Text);
    const std::string Old = Backup ? Text : "the old content";
    ASSERT_EQ(Convert(In, Dir / "new.txt"), 0);
    const std::string New = ReadAll(Dir / "new.txt");
    const std::string Source = Backup ? Out : In; // a backup comes with a conversion in place
    WriteAll(Out, Old);
    std::set<std::string> Files = Entries(Dir.Path());

    Injection = {true, "", 0, 0, false, {}, Way == TWay::CopiedBackup};
    ASSERT_EQ(Convert(Source, Out), 0);
    if (Backup) {
        ASSERT_EQ(ReadAll(Kept), Old);
    }
    const std::map<std::string, int> Calls = Injection.Calls;
    std::map<std::string, std::pair<int, int>> Injected = {
        {"open", {EACCES, 5}},    {"read", {EIO, 1117}},  {"write", {EPIPE, 109}},
        {"fsync", {ENOSPC, 112}}, {"close", {EIO, 1117}}, {"rename", {EXDEV, 17}}};
    if (Way == TWay::Backup) {
        Injected["link"] = {EMLINK, 0}; // then a copy, never a failure
        // In place with a hard link, every close comes after the new file is on disk and in
        // its place (the source is held until then): its failure loses nothing.
        Injected["close"] = {EIO, 0};
    }
    for (const auto& [Op, Failure] : Injected) {
        ASSERT_GT(Calls.count(Op), 0u) << "a conversion makes no " << Op;
        int Reported = 0;
        for (int Nth = 1; Nth <= Calls.at(Op); ++Nth) {
            WriteAll(Out, Old);
            std::filesystem::remove(Kept);
            const auto Before = OpenFiles();
            Injection = {true, Op, Nth, Failure.first, false, {}, Way == TWay::CopiedBackup};
            const int Code = Convert(Source, Out);
            Injection.Counting = false;
            const std::string Now = ReadAll(Out);
            if (Code == 0) { // a failure that loses nothing may pass unreported
                EXPECT_EQ(Now, New) << Op << " #" << Nth;
            } else {
                ++Reported;
                EXPECT_EQ(Code, Failure.second) << Op << " #" << Nth;
                EXPECT_EQ(Now, Old) << Op << " #" << Nth;
            }
            // The backup is there once the file is new, and is the whole old file.
            const bool HasBackup = std::filesystem::exists(Kept);
            EXPECT_TRUE(HasBackup || !Backup || Code != 0) << Op << " #" << Nth;
            EXPECT_EQ(HasBackup ? ReadAll(Kept) : Old, Old) << Op << " #" << Nth;
            std::filesystem::remove(Kept);
            EXPECT_EQ(Entries(Dir.Path()), Files) << Op << " #" << Nth;
            EXPECT_EQ(OpenFiles(), Before) << Op << " #" << Nth;
            EXPECT_EQ(HanZenObj.load(), nullptr);
            EXPECT_EQ(Application().ComponentCount(), 0u);
        }
        EXPECT_TRUE(Reported > 0 || Failure.second == 0)
            << "no failed " << Op << " reached the caller";
    }
}

std::string WayName(const ::testing::TestParamInfo<TWay>& Info) {
    const char* Names[] = {"Library", "Kanaconv", "Backup", "CopiedBackup"};
    return Names[static_cast<int>(Info.param)];
}

INSTANTIATE_TEST_SUITE_P(Ways, Faults,
                         ::testing::Values(TWay::Library, TWay::Kanaconv, TWay::Backup,
                                           TWay::CopiedBackup),
                         WayName);

// A conversion in place that opens its file just before another one puts a new file in its
// place, and takes the lock only after the other let it go, reads the new file: the work
// of the other is not lost. The library's conversion and kanaconv's.
TEST(Faults, AFileReplacedBeforeItIsLockedIsOpenedAgain) {
    TempDir Dir;
    const std::string File = Dir / "file.txt", Newer = Dir / "newer.txt";
    TArguments Sjis;
    Sjis.From = TEncoding::Sjis;
    for (const TFileSettings& Settings : {TFileSettings{}, SettingsFor(Sjis)}) {
        WriteAll(File, "\xB6\r\n");  // ｶ
        WriteAll(Newer, "\xB7\r\n"); // ｷ, what the other conversion wrote
        Injection = {};
        Injection.AfterOpen = [&](const std::string& Path) {
            if (Path == File) std::filesystem::rename(Newer, File);
        };
        const TConvertResult R = ConvertFile(File, File, false, {.Kata = k2byte}, Settings);
        Injection = {};
        EXPECT_EQ(R.Outcome, TOutcome::Converted);
        EXPECT_EQ(ReadAll(File), "\x83\x4C\r\n"); // キ
        EXPECT_EQ(Entries(Dir.Path()), std::set<std::string>{"file.txt"});
    }
}

// An extended attribute that cannot be given to the new file, or to the copy that backs up
// the old one, does not stop the conversion: it comes back as a warning naming the file
// and the attribute, which kanaconv prints; the library has no one to tell.
TEST(Faults, AnAttributeThatCannotBeCopiedIsAWarning) {
    TempDir Dir;
    const std::string In = Dir / "in.txt", Out = Dir / "out.txt", Kept = Out + ".bak";
    WriteAll(In, "\xB6\xDE\r\n");
    WriteAll(Out, "old");
    if (setxattr(Out.c_str(), "user.kana", "1", 1, 0) != 0)
        GTEST_SKIP() << "no extended attributes in " << Dir.Path();
    ASSERT_EQ(setxattr(Out.c_str(), "user.note", "2", 1, 0), 0);
    const auto Attributes = ExtendedAttributes(Out);
    auto Lacking = Attributes;
    Lacking.erase("user.kana");
    TFileSettings Library, Kanaconv = SettingsFor({}), Copied = SettingsFor({});
    Copied.BackupSuffix = ".bak";
    for (const TFileSettings* Settings : {&Library, &Kanaconv, &Copied}) {
        // The first attribute given fails (user.kana: they go in the order of their names);
        // with a backup, that is the backup's.
        const bool Backup = Settings == &Copied;
        Injection = {true, "fsetxattr", 1, ENOTSUP, false, {}, Backup};
        const TConvertResult R = ConvertFile(In, Out, false, {.Kata = k2byte}, *Settings);
        Injection.Counting = false;
        const std::string Lost = Backup ? Kept : Out;
        ASSERT_EQ(R.Outcome, TOutcome::Converted);
        EXPECT_EQ(ReadAll(Out), "\x83\x4B\r\n");
        ASSERT_EQ(R.Warnings.size(), 1u);
        const TConvertWarning& W = R.Warnings[0];
        EXPECT_EQ(std::make_tuple(W.Kind, W.Path, W.Name, W.ErrorCode),
                  std::make_tuple(TWarning::AttributeLost, Lost, std::string("user.kana"), 50));
        EXPECT_EQ(TReport(false).Warnings(R, In), "kanaconv: warning: " + Lost +
                                                  " lost the extended attribute user.kana: "
                                                  "not supported\n");
        EXPECT_EQ(ExtendedAttributes(Out), Backup ? Attributes : Lacking);
        if (Backup) {
            EXPECT_EQ(ExtendedAttributes(Kept), Lacking);
        }
        ASSERT_EQ(setxattr(Out.c_str(), "user.kana", "1", 1, 0), 0);
    }
}

} // namespace
