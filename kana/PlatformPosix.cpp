// The platform layer over POSIX. Windows' share modes become flock() locks: reading
// admits no other reader and writing no other writer, and a second open that meets a
// lock fails with 32 (sharing violation), as under Windows.
#include "Messages.h"
#include "Platform.h"
#include "PosixErrors.h"
#include "WinErrors.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <random>
#include <set>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string FolderOf(const std::string& Path) {
    const std::size_t Slash = Path.rfind('/');
    if (Slash == std::string::npos) return ".";
    return Slash == 0 ? "/" : Path.substr(0, Slash);
}

// A mode without any write bit counts as read-only, like the Windows attribute. Read
// from the mode because root passes every permission check.
bool ReadOnly(const struct stat& St) {
    return (St.st_mode & 0222) == 0;
}

// The code for a failed call on Path: a missing file in a missing folder is a missing
// folder (3), as Windows reports it.
std::uint32_t Failure(int Errno, const std::string& Path) {
    if (Errno == ENOENT) {
        struct stat St;
        if (stat(FolderOf(Path).c_str(), &St) != 0 || !S_ISDIR(St.st_mode))
            return ERROR_PATH_NOT_FOUND;
    }
    return WindowsCodeFromErrno(Errno);
}

// Takes the exclusive lock that stands for the share mode, on a regular file only: a
// lock on a device (/dev/zero, a terminal) or a pipe would bar every other process on
// the machine from it. A file system that has no locks leaves the file unlocked.
std::uint32_t Lock(int Fd, const struct stat& St) {
    if (!S_ISREG(St.st_mode)) return 0;
    while (flock(Fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno == EWOULDBLOCK) return ERROR_SHARING_VIOLATION;
        return 0;
    }
    return 0;
}

class TPosixPlatform final : public TPlatform {
public:
    std::uint32_t OpenRead(const std::string& Name, TFileHandle& Handle) override {
        const int Fd = open(Name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
        if (Fd < 0) return Failure(errno, Name);
        struct stat St;
        std::uint32_t Code = fstat(Fd, &St) != 0   ? WindowsCodeFromErrno(errno)
                             : S_ISDIR(St.st_mode) ? ERROR_ACCESS_DENIED
                                                   : Lock(Fd, St);
        if (Code != 0) {
            close(Fd);
            return Code;
        }
        Handle = Fd;
        return 0;
    }

    std::uint32_t CreateWrite(const std::string& Name, TFileHandle& Handle) override {
        struct stat St;
        if (stat(Name.c_str(), &St) == 0) {
            if (S_ISDIR(St.st_mode) || (S_ISREG(St.st_mode) && ReadOnly(St)))
                return ERROR_ACCESS_DENIED;
        } else if (stat(FolderOf(Name).c_str(), &St) == 0 && ReadOnly(St)) {
            return ERROR_ACCESS_DENIED; // no new file in a read-only folder
        }
        // Not O_TRUNC: the file is truncated only once its lock is held, so a second
        // writer never destroys what the first one is writing.
        const int Fd = open(Name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
        if (Fd < 0) return Failure(errno, Name);
        struct stat Opened, Named;
        std::uint32_t Code =
            fstat(Fd, &Opened) != 0 ? WindowsCodeFromErrno(errno) : Lock(Fd, Opened);
        // The file may have been renamed away by its writer between the open and the
        // lock; then the name belongs to someone else now.
        if (Code == 0 && S_ISREG(Opened.st_mode) &&
            (stat(Name.c_str(), &Named) != 0 || Named.st_ino != Opened.st_ino ||
             Named.st_dev != Opened.st_dev))
            Code = ERROR_SHARING_VIOLATION;
        if (Code == 0 && S_ISREG(Opened.st_mode) && ftruncate(Fd, 0) != 0)
            Code = WindowsCodeFromErrno(errno);
        if (Code != 0) {
            close(Fd);
            return Code;
        }
        Handle = Fd;
        return 0;
    }

    std::uint32_t StdInput(TFileHandle& Handle) override { return StdHandle(STDIN_FILENO, Handle); }
    std::uint32_t StdOutput(TFileHandle& Handle) override {
        return StdHandle(STDOUT_FILENO, Handle);
    }

    TFileType FileType(TFileHandle Handle) override {
        struct stat St;
        if (fstat(static_cast<int>(Handle), &St) != 0) return TFileType::Unknown;
        if (S_ISCHR(St.st_mode)) return TFileType::Char;
        if (S_ISFIFO(St.st_mode) || S_ISSOCK(St.st_mode)) return TFileType::Pipe;
        return TFileType::Disk;
    }

    std::uint32_t Read(TFileHandle Handle, char* Buffer, std::uint32_t Size,
                       std::uint32_t& Got) override {
        for (;;) {
            const ssize_t N = read(static_cast<int>(Handle), Buffer, Size);
            if (N >= 0) {
                Got = static_cast<std::uint32_t>(N);
                return 0;
            }
            if (errno != EINTR) return WindowsCodeFromErrno(errno);
        }
    }

    std::uint32_t Write(TFileHandle Handle, const char* Buffer, std::uint32_t Size) override {
        while (Size > 0) {
            const ssize_t N = write(static_cast<int>(Handle), Buffer, Size);
            if (N < 0) {
                if (errno == EINTR) continue;
                return WindowsCodeFromErrno(errno);
            }
            Buffer += N;
            Size -= static_cast<std::uint32_t>(N);
        }
        return 0;
    }

    std::uint32_t Close(TFileHandle Handle) override {
        return close(static_cast<int>(Handle)) != 0 && errno != EINTR ? WindowsCodeFromErrno(errno)
                                                                      : 0;
    }

    std::uint32_t CreateBeside(const std::string& Dest, std::string& Path,
                               TFileHandle& Handle) override {
        // Path names the file tried, also when none could be made.
        const std::string Prefix = Dest.substr(0, Dest.rfind('/') + 1) + ".kanaconv-";
        Path = Prefix;
        struct stat St;
        if (stat(FolderOf(Dest).c_str(), &St) == 0 && ReadOnly(St)) return ERROR_ACCESS_DENIED;
        std::lock_guard<std::mutex> Guard(FTemporaryLock);
        for (int Try = 0;; ++Try) {
            Path = Prefix;
            for (int I = 0; I < 8; ++I) Path += "abcdefghijklmnopqrstuvwxyz234567"[FRandom() % 32];
            Path += ".tmp";
            const int Fd = open(Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
            if (Fd < 0 && errno == EEXIST && Try < 100) continue;
            if (Fd < 0) return Failure(errno, Path);
            if (const std::uint32_t Code = fstat(Fd, &St) != 0 ? WindowsCodeFromErrno(errno)
                                                               : Lock(Fd, St)) {
                unlink(Path.c_str());
                close(Fd);
                return Code;
            }
            FTemporaryFiles.insert(Path);
            Handle = Fd;
            return 0;
        }
    }

    std::uint32_t Commit(TFileHandle Handle, const std::string& Path,
                         const std::string& Dest) override {
        const int Fd = static_cast<int>(Handle);
        std::uint32_t Code = 0;
        if (fsync(Fd) != 0 && errno != EINVAL) Code = WindowsCodeFromErrno(errno);
        struct stat St;
        if (Code == 0 && stat(Dest.c_str(), &St) == 0) {
            if (S_ISDIR(St.st_mode) || ReadOnly(St)) Code = ERROR_ACCESS_DENIED;
            // The new file takes the old one's mode, and its owner and group as far as
            // this process may give them (the owner before the mode: a new owner clears
            // the set-ID bits).
            if (Code == 0 && S_ISREG(St.st_mode)) {
                if (fchown(Fd, St.st_uid, St.st_gid) != 0) (void)!fchown(Fd, static_cast<uid_t>(-1), St.st_gid);
                if (fchmod(Fd, St.st_mode & 07777) != 0) Code = WindowsCodeFromErrno(errno);
            }
        }
        {
            // rename() replaces Dest in one step; the file is still open and locked here,
            // so no other conversion can take over the temporary name in between.
            std::lock_guard<std::mutex> Guard(FTemporaryLock);
            if (Code == 0 && rename(Path.c_str(), Dest.c_str()) != 0) Code = Failure(errno, Dest);
            if (Code != 0) unlink(Path.c_str());
            FTemporaryFiles.erase(Path);
        }
        if (Code == 0) SyncFolder(FolderOf(Dest)); // makes the rename itself durable
        close(Fd);
        return Code;
    }

    std::uint32_t Discard(TFileHandle Handle, const std::string& Path) override {
        std::uint32_t Code;
        {
            std::lock_guard<std::mutex> Guard(FTemporaryLock);
            Code = unlink(Path.c_str()) != 0 && errno != ENOENT ? WindowsCodeFromErrno(errno) : 0;
            FTemporaryFiles.erase(Path);
        }
        close(static_cast<int>(Handle));
        return Code;
    }

    void RemoveTemporaryFiles() {
        FTemporaryLock.lock(); // never given back: the process is ending
        for (const std::string& Name : FTemporaryFiles) unlink(Name.c_str());
    }

    bool FileExists(const std::string& Path) override {
        struct stat St;
        return stat(Path.c_str(), &St) == 0 && !S_ISDIR(St.st_mode);
    }

    std::string ReplaceTarget(const std::string& Dest, bool& InPlace) override {
        std::string Target = Dest;
        struct stat St;
        if (lstat(Dest.c_str(), &St) == 0 && S_ISLNK(St.st_mode)) {
            // Replace the file, not the link: renaming onto the link would cut it.
            if (char* Real = realpath(Dest.c_str(), nullptr)) {
                Target = Real;
                std::free(Real);
            }
        }
        InPlace = stat(Target.c_str(), &St) == 0 && !S_ISREG(St.st_mode) && !S_ISDIR(St.st_mode);
        return Target;
    }

    std::string TempPathFor(const std::string& Dest) override {
        const std::size_t Slash = Dest.rfind('/');
        return (Slash == std::string::npos ? std::string() : Dest.substr(0, Slash + 1)) +
               TempFileName;
    }

    std::string LoadMessage(int Id) override {
#define KANA_MESSAGE_TEXT(MessageId, Text)                                                         \
    if (Id == MessageId) return Text;
        KANA_MESSAGES(KANA_MESSAGE_TEXT)
#undef KANA_MESSAGE_TEXT
        return {};
    }

private:
    std::mutex FTemporaryLock; // guards the names below, and every create, rename and unlink of them
    std::set<std::string> FTemporaryFiles;
    std::mt19937_64 FRandom{std::random_device{}()};

    static std::uint32_t StdHandle(int Fd, TFileHandle& Handle) {
        if (fcntl(Fd, F_GETFD) < 0) return WindowsCodeFromErrno(errno);
        Handle = Fd;
        return 0;
    }

    static void SyncFolder(const std::string& Folder) {
        const int Fd = open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (Fd < 0) return;
        fsync(Fd);
        close(Fd);
    }
};

} // namespace

namespace {
TPosixPlatform& System() {
    static TPosixPlatform Platform;
    return Platform;
}
} // namespace

TPlatform& SystemPlatform() {
    return System();
}

void RemoveTemporaryFiles() {
    System().RemoveTemporaryFiles();
}
