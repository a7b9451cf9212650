// The platform layer over POSIX. Windows' share modes become flock() locks: reading
// alone admits no other reader and writing no other writer, reading among readers a
// shared lock, and a second open that meets a lock fails with 32 (sharing violation), as
// under Windows.
#include "Messages.h"
#include "Platform.h"
#include "PosixErrors.h"
#include "WinErrors.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <functional>
#include <mutex>
#include <random>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

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

bool Same(const struct stat& A, const struct stat& B) {
    return A.st_dev == B.st_dev && A.st_ino == B.st_ino;
}

// The links followed from a destination before giving up, as the kernel does.
constexpr int MaxLinks = 40;

// Takes the lock (LOCK_EX or LOCK_SH) that stands for the share mode, on a regular file
// only: a lock on a device (/dev/zero, a terminal) or a pipe would bar every other
// process on the machine from it. A file system that has no locks leaves the file
// unlocked.
std::uint32_t Lock(int Fd, const struct stat& St, int Kind) {
    if (!S_ISREG(St.st_mode)) return 0;
    while (flock(Fd, Kind | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno == EWOULDBLOCK) return ERROR_SHARING_VIOLATION;
        return 0;
    }
    return 0;
}

// Reads a value of unknown size through Get (a listxattr or getxattr call given a buffer
// and its size) into Out, again as long as the value grows between the two calls.
bool ReadSized(const std::function<ssize_t(char*, std::size_t)>& Get, std::vector<char>& Out) {
    for (;;) {
        const ssize_t Size = Get(nullptr, 0);
        if (Size < 0) return false;
        Out.resize(static_cast<std::size_t>(Size));
        if (Size == 0) return true;
        const ssize_t Got = Get(Out.data(), Out.size());
        if (Got >= 0) {
            Out.resize(static_cast<std::size_t>(Got));
            return true;
        }
        if (errno != ERANGE) return false;
    }
}

// The names in a list of extended attributes, each ended by a NUL.
std::set<std::string> Names(const std::vector<char>& List) {
    std::set<std::string> Set;
    for (std::size_t At = 0; At < List.size(); At += std::strlen(List.data() + At) + 1)
        Set.insert(List.data() + At);
    return Set;
}

// Gives the file open as To every extended attribute of the file From (its POSIX ACL
// among them) and takes away the ones From lacks (an ACL that the folder's default gave
// the new file); Shown names To in Lost, which gets each attribute that could not be
// given. A file system without extended attributes has none to give.
void CopyExtendedAttributes(const std::string& From, int To, const std::string& Shown,
                            std::vector<TLostAttribute>& Lost) {
    std::vector<char> List, Value, Present;
    if (!ReadSized([&](char* B, std::size_t N) { return listxattr(From.c_str(), B, N); }, List)) {
        if (errno != ENOTSUP) Lost.push_back({Shown, "", WindowsCodeFromErrno(errno)});
        return;
    }
    const std::set<std::string> Wanted = Names(List);
    // What only the new file has goes, as far as it can (a label that the system gives
    // every file stays).
    if (ReadSized([&](char* B, std::size_t N) { return flistxattr(To, B, N); }, Present))
        for (const std::string& Name : Names(Present))
            if (!Wanted.count(Name)) (void)fremovexattr(To, Name.c_str());
    for (const std::string& Name : Wanted) {
        const char* N = Name.c_str();
        if (!ReadSized([&](char* B, std::size_t S) { return getxattr(From.c_str(), N, B, S); },
                       Value)) {
            if (errno != ENODATA) Lost.push_back({Shown, Name, WindowsCodeFromErrno(errno)});
            continue; // ENODATA: removed from the old file meanwhile
        }
        // An equal value stays untouched: a security label the process may not set itself
        // is often the one the new file has already.
        const bool Equal =
            ReadSized([&](char* B, std::size_t S) { return fgetxattr(To, N, B, S); }, Present) &&
            Present == Value;
        if (!Equal && fsetxattr(To, N, Value.data(), Value.size(), 0) != 0)
            Lost.push_back({Shown, Name, WindowsCodeFromErrno(errno)});
    }
}

// Gives the file open as To the owner and group (as far as this process may), the mode
// and the extended attributes of the file From, described by St. The owner comes before
// the mode, since a new owner clears the set-ID bits; the attributes after it, since an
// access ACL holds the mode's bits and must have the last word.
std::uint32_t TakeAttributes(int To, const std::string& From, const struct stat& St,
                             const std::string& Shown, std::vector<TLostAttribute>& Lost) {
    if (fchown(To, St.st_uid, St.st_gid) != 0) (void)!fchown(To, static_cast<uid_t>(-1), St.st_gid);
    if (fchmod(To, St.st_mode & 07777) != 0) return WindowsCodeFromErrno(errno);
    CopyExtendedAttributes(From, To, Shown, Lost);
    return 0;
}

std::uint32_t CopyData(int From, int To) {
    std::vector<char> Buffer(1 << 16);
    for (;;) {
        const ssize_t N = read(From, Buffer.data(), Buffer.size());
        if (N == 0) return 0;
        if (N < 0) {
            if (errno == EINTR) continue;
            return WindowsCodeFromErrno(errno);
        }
        for (ssize_t Done = 0; Done < N;) {
            const ssize_t W = write(To, Buffer.data() + Done, static_cast<std::size_t>(N - Done));
            if (W < 0 && errno != EINTR) return WindowsCodeFromErrno(errno);
            if (W > 0) Done += W;
        }
    }
}

class TPosixPlatform final : public TPlatform {
public:
    std::uint32_t OpenRead(const std::string& Name, TFileHandle& Handle,
                           TReadShare Share) override {
        for (int Try = 0;; ++Try) {
            const int Fd = open(Name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
            if (Fd < 0) return Failure(errno, Name);
            struct stat St, Named;
            const int Kind = Share == TReadShare::Alone ? LOCK_EX : LOCK_SH;
            const std::uint32_t Code = fstat(Fd, &St) != 0   ? WindowsCodeFromErrno(errno)
                                       : S_ISDIR(St.st_mode) ? ERROR_ACCESS_DENIED
                                                             : Lock(Fd, St, Kind);
            // A conversion in place may have put a new file in the name's place before the
            // lock was held here: the old one is no longer the file to read.
            const bool Replaced = Code == 0 && S_ISREG(St.st_mode) &&
                                  stat(Name.c_str(), &Named) == 0 && !Same(St, Named);
            if (Code == 0 && !Replaced) {
                Handle = Fd;
                return 0;
            }
            close(Fd);
            if (!Replaced) return Code;
            if (Try == 100) return ERROR_SHARING_VIOLATION;
        }
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
            fstat(Fd, &Opened) != 0 ? WindowsCodeFromErrno(errno) : Lock(Fd, Opened, LOCK_EX);
        // The file may have been renamed away by its writer between the open and the
        // lock; then the name belongs to someone else now.
        if (Code == 0 && S_ISREG(Opened.st_mode) &&
            (stat(Name.c_str(), &Named) != 0 || !Same(Named, Opened)))
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

    bool WouldWait(TFileHandle Handle) override {
        pollfd Poll{static_cast<int>(Handle), POLLIN, 0};
        for (;;) {
            const int Ready = poll(&Poll, 1, 0);
            if (Ready >= 0) return Ready == 0;
            if (errno != EINTR) return false; // the read itself will tell
        }
    }

    std::uint32_t Position(TFileHandle Handle, std::uint64_t& Offset) override {
        const off_t At = lseek(static_cast<int>(Handle), 0, SEEK_CUR);
        if (At < 0) return WindowsCodeFromErrno(errno);
        Offset = static_cast<std::uint64_t>(At);
        return 0;
    }
    std::uint32_t SetPosition(TFileHandle Handle, std::uint64_t Offset) override {
        return lseek(static_cast<int>(Handle), static_cast<off_t>(Offset), SEEK_SET) >= 0
                   ? 0
                   : WindowsCodeFromErrno(errno);
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
        Path = Dest.substr(0, Dest.rfind('/') + 1) + ".kanaconv-";
        struct stat St;
        if (stat(FolderOf(Dest).c_str(), &St) == 0 && ReadOnly(St)) return ERROR_ACCESS_DENIED;
        int Fd = -1;
        if (const std::uint32_t Code = MakeBeside(Dest, Path, [&Fd](const std::string& Name) {
                Fd = open(Name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
                return Fd < 0 ? errno : 0;
            }))
            return Code;
        if (const std::uint32_t Code =
                fstat(Fd, &St) != 0 ? WindowsCodeFromErrno(errno) : Lock(Fd, St, LOCK_EX)) {
            Remove(Path);
            close(Fd);
            return Code;
        }
        Handle = Fd;
        return 0;
    }

    std::uint32_t Commit(TFileHandle Handle, const std::string& Path, const std::string& Dest,
                         std::vector<TLostAttribute>& Lost) override {
        const int Fd = static_cast<int>(Handle);
        std::uint32_t Code = 0;
        struct stat St;
        if (stat(Dest.c_str(), &St) == 0) {
            if (S_ISDIR(St.st_mode) || ReadOnly(St))
                Code = ERROR_ACCESS_DENIED;
            else if (S_ISREG(St.st_mode))
                Code = TakeAttributes(Fd, Dest, St, Dest, Lost);
        }
        // After the attributes, so that they reach the disk with the data.
        if (Code == 0 && fsync(Fd) != 0 && errno != EINVAL) Code = WindowsCodeFromErrno(errno);
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

    std::uint32_t Backup(const std::string& Dest, const std::string& Backup,
                         std::vector<TLostAttribute>& Lost) override {
        struct stat St, Kept;
        if (stat(Dest.c_str(), &St) != 0 || !S_ISREG(St.st_mode) || ReadOnly(St)) return 0;
        if (stat(Backup.c_str(), &Kept) == 0 && Same(St, Kept)) return 0;
        std::string Temp;
        std::uint32_t Code = MakeBeside(Backup, Temp, [&Dest](const std::string& Name) {
            return link(Dest.c_str(), Name.c_str()) == 0 ? 0 : errno;
        });
        if (Code != 0) Code = CopyBeside(Dest, St, Backup, Temp, Lost); // no hard links here
        if (Code != 0) return Code;
        std::lock_guard<std::mutex> Guard(FTemporaryLock);
        if (rename(Temp.c_str(), Backup.c_str()) != 0) {
            Code = Failure(errno, Backup);
            unlink(Temp.c_str());
        }
        FTemporaryFiles.erase(Temp);
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

    bool SameFile(const std::string& A, const std::string& B) override {
        // A is looked at again after B: a new file put in the place of the one they name
        // in between (a conversion in place finishing) would make one file look like two.
        struct stat X, Y, Again;
        for (int Try = 0; Try < 100; ++Try) {
            if (stat(A.c_str(), &X) != 0 || stat(B.c_str(), &Y) != 0) return false;
            if (Same(X, Y)) return true;
            if (stat(A.c_str(), &Again) != 0 || Same(X, Again)) return false;
        }
        return false;
    }

    std::uint32_t ReplaceTarget(const std::string& Dest, std::string& Target,
                                bool& Direct) override {
        // The links are followed one by one, not resolved at once: the file at the end of
        // a dangling link does not exist yet, and is the one to create.
        Target = Dest;
        Direct = false;
        struct stat St;
        for (int Links = 0;; ++Links) {
            if (lstat(Target.c_str(), &St) != 0) {
                if (errno == ELOOP) return ERROR_CANT_RESOLVE_FILENAME; // a folder on the way
                break; // nothing there: creating the file will tell why, if it cannot be
            }
            if (!S_ISLNK(St.st_mode)) break;
            if (Links == MaxLinks) return ERROR_CANT_RESOLVE_FILENAME;
            std::string Link(PATH_MAX, '\0');
            const ssize_t N = readlink(Target.c_str(), Link.data(), Link.size());
            if (N < 0) return Failure(errno, Target);
            Link.resize(static_cast<std::size_t>(N));
            // A relative link is relative to the folder that holds it.
            Target = Link.starts_with('/') ? Link : Target.substr(0, Target.rfind('/') + 1) + Link;
        }
        Direct = stat(Target.c_str(), &St) == 0 && !S_ISREG(St.st_mode) && !S_ISDIR(St.st_mode);
        return 0;
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

    // Makes a new file of a name of its own (".kanaconv-XXXXXXXX.tmp") in the folder of
    // Near through Make, which returns 0 or the errno value of its failure (EEXIST: the
    // name is taken, try another), and records it as a temporary file. Path is the last
    // name tried.
    std::uint32_t MakeBeside(const std::string& Near, std::string& Path,
                             const std::function<int(const std::string&)>& Make) {
        const std::string Prefix = Near.substr(0, Near.rfind('/') + 1) + ".kanaconv-";
        std::lock_guard<std::mutex> Guard(FTemporaryLock);
        for (int Try = 0;; ++Try) {
            Path = Prefix;
            for (int I = 0; I < 8; ++I) Path += "abcdefghijklmnopqrstuvwxyz234567"[FRandom() % 32];
            Path += ".tmp";
            const int Errno = Make(Path);
            if (Errno == EEXIST && Try < 100) continue;
            if (Errno != 0) return Failure(Errno, Path);
            FTemporaryFiles.insert(Path);
            return 0;
        }
    }

    // Removes a temporary file that MakeBeside made.
    void Remove(const std::string& Path) {
        std::lock_guard<std::mutex> Guard(FTemporaryLock);
        unlink(Path.c_str());
        FTemporaryFiles.erase(Path);
    }

    // A copy of the file From (described by St) with its attributes, forced to disk, under
    // a temporary name Temp in the folder of Near.
    std::uint32_t CopyBeside(const std::string& From, const struct stat& St,
                             const std::string& Near, std::string& Temp,
                             std::vector<TLostAttribute>& Lost) {
        const int In = open(From.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
        if (In < 0) return Failure(errno, From);
        int Out = -1;
        std::uint32_t Code = MakeBeside(Near, Temp, [&Out](const std::string& Name) {
            Out = open(Name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
            return Out < 0 ? errno : 0;
        });
        if (Code == 0) Code = CopyData(In, Out);
        if (Code == 0) Code = TakeAttributes(Out, From, St, Near, Lost);
        if (Code == 0 && fsync(Out) != 0 && errno != EINVAL) Code = WindowsCodeFromErrno(errno);
        if (Out >= 0 && close(Out) != 0 && Code == 0) Code = WindowsCodeFromErrno(errno);
        close(In); // read only: its failure loses nothing
        if (Code != 0 && Out >= 0) Remove(Temp);
        return Code;
    }

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
