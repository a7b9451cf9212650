#include "HiveRegistry.h"

#include "SjisBytes.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <new>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

class THiveRegApi::TFd {
public:
    explicit TFd(int Fd = -1) : FFd(Fd) {}
    ~TFd() {
        if (FFd >= 0) ::close(FFd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    void Reset(int Fd) {
        if (FFd >= 0) ::close(FFd);
        FFd = Fd;
    }
    int Get() const { return FFd; }
    int Release() { return std::exchange(FFd, -1); }

private:
    int FFd;
};

namespace {

using TFd = THiveRegApi::TFd;

// The registry's code for an errno value. Not the file layer's table: the registry
// functions report a missing key at any depth as 2, never 3 (or 1921 for a loop), and
// refuse what cannot be done to a key (it still has subkeys, it is a value, it is in use)
// as 5.
LONG FromErrno(int E) {
    switch (E) {
    case ENOENT:
    case ENOTDIR:
    case ELOOP: return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EEXIST:
    case ENOTEMPTY:
    case EISDIR:
    case EBUSY: return ERROR_ACCESS_DENIED;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    default: return ERROR_GEN_FAILURE;
    }
}

// Splits a key path into names at each "\" that is a character of its own. "" gives no
// names; an empty name (a leading, trailing or doubled "\") and a name that no folder can
// carry are refused.
LONG SplitPath(LPCSTR SubKey, std::vector<std::string>& Names) {
    Names.clear();
    if (!SubKey || !*SubKey) return ERROR_SUCCESS;
    std::string Name;
    for (const char* P = SubKey;; ++P) {
        if (*P == '\\' || *P == '\0') {
            if (Name.empty()) return ERROR_BAD_PATHNAME;
            if (Name == "." || Name == ".." || Name.find('/') != std::string::npos)
                return ERROR_INVALID_NAME;
            Names.push_back(std::move(Name));
            Name.clear();
            if (*P == '\0') return ERROR_SUCCESS;
        } else {
            Name += *P;
            if (sjis::IsLeadByte(static_cast<std::uint8_t>(*P)) && P[1] != '\0') Name += *++P;
        }
    }
}

// Whether a folder name is one key name; a folder whose name holds a "\" of its own is
// not a key (its name would read back as a path).
bool IsKeyName(const std::string& Name) {
    std::vector<std::string> Names;
    return SplitPath(Name.c_str(), Names) == ERROR_SUCCESS && Names.size() == 1 && Names[0] == Name;
}

int OpenFolder(int Parent, const std::string& Name) {
    return ::openat(Parent, Name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Walks Names down from the folder Fd; with Create set, makes the folders that are
// missing. On success Out holds the last folder and Created tells whether it is new.
LONG Walk(int Fd, const std::vector<std::string>& Names, std::size_t Count, bool Create, TFd& Out,
          bool* Created = nullptr) {
    Out.Reset(::fcntl(Fd, F_DUPFD_CLOEXEC, 0));
    if (Out.Get() < 0) return FromErrno(errno);
    for (std::size_t I = 0; I < Count; ++I) {
        bool Made = false;
        if (Create) {
            if (::mkdirat(Out.Get(), Names[I].c_str(), 0700) == 0)
                Made = true;
            else if (errno != EEXIST)
                return FromErrno(errno);
        }
        const int Next = OpenFolder(Out.Get(), Names[I]);
        if (Next < 0) {
            // With Create, the name is taken by a value or a link: no key can go there.
            if (Create && (errno == ENOTDIR || errno == ELOOP)) return ERROR_ACCESS_DENIED;
            return FromErrno(errno);
        }
        Out.Reset(Next);
        if (Created) *Created = Made;
    }
    return ERROR_SUCCESS;
}

// The entries of a folder other than "." and "..", each with whether it is a folder
// (a symbolic link never counts as one).
struct TEntry {
    std::string Name;
    bool IsFolder;
    struct stat Stat;
};

LONG ReadFolder(int Fd, std::vector<TEntry>& Entries) {
    Entries.clear();
    const int Own = ::openat(Fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (Own < 0) return FromErrno(errno);
    DIR* D = ::fdopendir(Own);
    if (!D) {
        const int E = errno;
        ::close(Own);
        return FromErrno(E);
    }
    LONG Result = ERROR_SUCCESS;
    try {
        errno = 0;
        while (const dirent* Ent = ::readdir(D)) {
            const std::string Name = Ent->d_name;
            if (Name == "." || Name == "..") continue;
            TEntry E{Name, false, {}};
            if (::fstatat(::dirfd(D), Ent->d_name, &E.Stat, AT_SYMLINK_NOFOLLOW) != 0) continue;
            E.IsFolder = S_ISDIR(E.Stat.st_mode);
            Entries.push_back(std::move(E));
            errno = 0;
        }
        if (errno != 0) Result = FromErrno(errno);
    } catch (...) {
        ::closedir(D);
        throw;
    }
    ::closedir(D);
    return Result;
}

std::vector<std::string> SubKeyNames(const std::vector<TEntry>& Entries) {
    std::vector<std::string> Names;
    for (const TEntry& E : Entries)
        if (E.IsFolder && IsKeyName(E.Name)) Names.push_back(E.Name);
    std::sort(Names.begin(), Names.end());
    return Names;
}

FILETIME ToFileTime(const struct timespec& T) {
    // 100-nanosecond steps since 1601-01-01.
    const std::uint64_t V = (static_cast<std::uint64_t>(T.tv_sec) + 11644473600u) * 10000000u +
                            static_cast<std::uint64_t>(T.tv_nsec) / 100u;
    return {static_cast<DWORD>(V), static_cast<DWORD>(V >> 32)};
}

DWORD Clamp(std::uint64_t V) {
    return V > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(V);
}

// Creates Folder and the folders above it.
LONG MakeFolders(const std::string& Folder) {
    for (std::size_t I = 1; I <= Folder.size(); ++I) {
        if (I < Folder.size() && Folder[I] != '/') continue;
        const std::string Part = Folder.substr(0, I);
        if (::mkdir(Part.c_str(), 0700) != 0 && errno != EEXIST) return FromErrno(errno);
    }
    return ERROR_SUCCESS;
}

// Runs Body, turning memory exhaustion into its error code: like the functions it stands
// for, no call ends in an exception.
template <typename F>
LONG Guarded(F Body) {
    try {
        return Body();
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

} // namespace

THiveRegApi::THiveRegApi(std::string Root) : FRoot(std::move(Root)) {}

THiveRegApi::~THiveRegApi() {
    for (auto& [Handle, Key] : FKeys) ::close(Key.Fd);
}

std::string THiveRegApi::DefaultRoot() {
    std::string Config;
    if (const char* X = std::getenv("XDG_CONFIG_HOME"); X && X[0] == '/') {
        Config = X;
    } else {
        const char* Home = std::getenv("HOME");
        if (!Home || Home[0] != '/') {
            const passwd* Pw = ::getpwuid(::getuid());
            Home = Pw ? Pw->pw_dir : nullptr;
        }
        if (!Home || Home[0] != '/') return {};
        Config = std::string(Home) + "/.config";
    }
    return Config + "/registry/HKEY_CURRENT_USER";
}

LONG THiveRegApi::Base(HKEY Key, bool Create, TFd& Owned, int& Fd, std::vector<std::string>& Path) {
    if (Key == HKEY_CURRENT_USER) {
        if (FRoot.empty()) return ERROR_FILE_NOT_FOUND;
        if (Create) {
            if (const LONG R = MakeFolders(FRoot); R != ERROR_SUCCESS) return R;
        }
        Owned.Reset(::open(FRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (Owned.Get() < 0) return FromErrno(errno);
        Fd = Owned.Get();
        Path.clear();
        return ERROR_SUCCESS;
    }
    const auto It = FKeys.find(reinterpret_cast<std::uintptr_t>(Key));
    if (It == FKeys.end()) return ERROR_INVALID_HANDLE;
    Fd = It->second.Fd;
    Path = It->second.Path;
    return ERROR_SUCCESS;
}

HKEY THiveRegApi::AddKey(int Fd, std::vector<std::string> Path) {
    TFd Owned(Fd);
    const std::uintptr_t Handle = FNextHandle;
    FKeys.emplace(Handle, TOpenKey{Fd, std::move(Path)});
    Owned.Release();
    FNextHandle += 4;
    return reinterpret_cast<HKEY>(Handle);
}

LONG THiveRegApi::OpenKey(HKEY Key, LPCSTR SubKey, bool Create, PHKEY Result, LPDWORD Disposition) {
    *Result = nullptr;
    return Guarded([&] {
        std::vector<std::string> Names, Path;
        if (const LONG R = SplitPath(SubKey, Names); R != ERROR_SUCCESS) return R;
        const bool Itself = Names.empty() && Key == HKEY_CURRENT_USER;
        if (Itself && !Create) {
            *Result = Key;
            return ERROR_SUCCESS;
        }
        TFd Owned, Out;
        int Fd = -1;
        // Creating makes the hive's own folder first, even for HKEY_CURRENT_USER itself.
        if (const LONG R = Base(Key, Create, Owned, Fd, Path); R != ERROR_SUCCESS) return R;
        bool Created = false;
        if (Itself) {
            *Result = Key;
        } else {
            if (Path.size() + Names.size() > MaxDepth) return ERROR_ACCESS_DENIED;
            if (const LONG R = Walk(Fd, Names, Names.size(), Create, Out, &Created);
                R != ERROR_SUCCESS)
                return R;
            Path.insert(Path.end(), Names.begin(), Names.end());
            *Result = AddKey(Out.Release(), std::move(Path));
        }
        if (Disposition) *Disposition = Created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
        return ERROR_SUCCESS;
    });
}

LONG THiveRegApi::RegCreateKeyExA(HKEY Key, LPCSTR SubKey, DWORD, LPSTR, DWORD, REGSAM,
                                  LPSECURITY_ATTRIBUTES, PHKEY Result, LPDWORD Disposition) {
    if (!Result || !SubKey) return ERROR_INVALID_PARAMETER;
    return OpenKey(Key, SubKey, true, Result, Disposition);
}

LONG THiveRegApi::RegOpenKeyExA(HKEY Key, LPCSTR SubKey, DWORD, REGSAM, PHKEY Result) {
    if (!Result) return ERROR_INVALID_PARAMETER;
    return OpenKey(Key, SubKey, false, Result, nullptr);
}

LONG THiveRegApi::RegQueryInfoKeyA(HKEY Key, LPSTR Class, LPDWORD ClassLen, LPDWORD,
                                   LPDWORD SubKeys, LPDWORD MaxSubKeyLen, LPDWORD MaxClassLen,
                                   LPDWORD Values, LPDWORD MaxValueNameLen, LPDWORD MaxValueLen,
                                   LPDWORD SecurityDescriptor, PFILETIME LastWriteTime) {
    return Guarded([&] {
        std::vector<std::string> Path;
        std::vector<TEntry> Entries;
        TFd Owned;
        int Fd = -1;
        if (const LONG R = Base(Key, false, Owned, Fd, Path); R != ERROR_SUCCESS) return R;
        if (const LONG R = ReadFolder(Fd, Entries); R != ERROR_SUCCESS) return R;
        struct stat Self;
        if (::fstat(Fd, &Self) != 0) return FromErrno(errno);
        DWORD NSub = 0, NVal = 0, MaxSub = 0, MaxName = 0, MaxData = 0;
        for (const TEntry& E : Entries) {
            if (E.IsFolder) {
                if (!IsKeyName(E.Name)) continue;
                ++NSub;
                MaxSub = std::max(MaxSub, Clamp(E.Name.size()));
            } else {
                ++NVal;
                MaxName = std::max(MaxName, Clamp(E.Name.size()));
                MaxData = std::max(MaxData, Clamp(static_cast<std::uint64_t>(E.Stat.st_size)));
            }
        }
        if (Class && ClassLen && *ClassLen > 0) Class[0] = '\0';
        if (ClassLen) *ClassLen = 0;
        if (SubKeys) *SubKeys = NSub;
        if (MaxSubKeyLen) *MaxSubKeyLen = MaxSub;
        if (MaxClassLen) *MaxClassLen = 0;
        if (Values) *Values = NVal;
        if (MaxValueNameLen) *MaxValueNameLen = MaxName;
        if (MaxValueLen) *MaxValueLen = MaxData;
        if (SecurityDescriptor) *SecurityDescriptor = 0;
        if (LastWriteTime) *LastWriteTime = ToFileTime(Self.st_mtim);
        return ERROR_SUCCESS;
    });
}

LONG THiveRegApi::RegEnumKeyExA(HKEY Key, DWORD Index, LPSTR Name, LPDWORD NameLen, LPDWORD,
                                LPSTR Class, LPDWORD ClassLen, PFILETIME LastWriteTime) {
    if (!Name || !NameLen) return ERROR_INVALID_PARAMETER;
    return Guarded([&] {
        std::vector<std::string> Path;
        std::vector<TEntry> Entries;
        TFd Owned;
        int Fd = -1;
        if (const LONG R = Base(Key, false, Owned, Fd, Path); R != ERROR_SUCCESS) return R;
        if (const LONG R = ReadFolder(Fd, Entries); R != ERROR_SUCCESS) return R;
        const std::vector<std::string> Names = SubKeyNames(Entries);
        if (Index >= Names.size()) return ERROR_NO_MORE_ITEMS;
        const std::string& N = Names[Index];
        if (N.size() + 1 > *NameLen) return ERROR_MORE_DATA;
        std::memcpy(Name, N.c_str(), N.size() + 1);
        *NameLen = static_cast<DWORD>(N.size());
        if (Class && ClassLen && *ClassLen > 0) Class[0] = '\0';
        if (ClassLen) *ClassLen = 0;
        if (LastWriteTime) {
            for (const TEntry& E : Entries)
                if (E.Name == N) *LastWriteTime = ToFileTime(E.Stat.st_mtim);
        }
        return ERROR_SUCCESS;
    });
}

LONG THiveRegApi::RegDeleteKeyA(HKEY Key, LPCSTR SubKey) {
    if (!SubKey) return ERROR_INVALID_PARAMETER;
    return Guarded([&] {
        std::vector<std::string> Names, Path;
        if (const LONG R = SplitPath(SubKey, Names); R != ERROR_SUCCESS) return R;
        TFd Owned, Parent;
        int Fd = -1;
        if (const LONG R = Base(Key, false, Owned, Fd, Path); R != ERROR_SUCCESS) return R;
        std::string Name;
        if (!Names.empty()) {
            if (const LONG R = Walk(Fd, Names, Names.size() - 1, false, Parent); R != ERROR_SUCCESS)
                return R;
            Name = Names.back();
        } else {
            // The key of the handle itself; the hive's own folder is never deleted.
            if (Path.empty()) return ERROR_ACCESS_DENIED;
            TFd Root(::open(FRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (Root.Get() < 0) return FromErrno(errno);
            if (const LONG R = Walk(Root.Get(), Path, Path.size() - 1, false, Parent);
                R != ERROR_SUCCESS)
                return R;
            Name = Path.back();
            // The folder at that path now must still be the handle's own.
            struct stat Mine, There;
            if (::fstat(Fd, &Mine) != 0 ||
                ::fstatat(Parent.Get(), Name.c_str(), &There, AT_SYMLINK_NOFOLLOW) != 0 ||
                Mine.st_dev != There.st_dev || Mine.st_ino != There.st_ino)
                return ERROR_FILE_NOT_FOUND;
        }
        const TFd Target(OpenFolder(Parent.Get(), Name));
        if (Target.Get() < 0) return FromErrno(errno);
        std::vector<TEntry> Entries;
        if (const LONG R = ReadFolder(Target.Get(), Entries); R != ERROR_SUCCESS) return R;
        // Like the Windows registry: a key that still has subkeys is not deleted.
        for (const TEntry& E : Entries)
            if (E.IsFolder) return ERROR_ACCESS_DENIED;
        for (const TEntry& E : Entries)
            if (::unlinkat(Target.Get(), E.Name.c_str(), 0) != 0) return FromErrno(errno);
        if (::unlinkat(Parent.Get(), Name.c_str(), AT_REMOVEDIR) != 0) return FromErrno(errno);
        return ERROR_SUCCESS;
    });
}

LONG THiveRegApi::RegCloseKey(HKEY Key) {
    if (Key == HKEY_CURRENT_USER) return ERROR_SUCCESS;
    const auto It = FKeys.find(reinterpret_cast<std::uintptr_t>(Key));
    if (It == FKeys.end()) return ERROR_INVALID_HANDLE;
    ::close(It->second.Fd);
    FKeys.erase(It);
    return ERROR_SUCCESS;
}
