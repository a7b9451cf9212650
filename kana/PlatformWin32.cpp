// The platform layer over Win32. Names are ANSI (code page 932 on the systems this
// library serves) and go to the system unchanged; every failure is the GetLastError
// code of the call that failed.
#include "Platform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>

// The image (DLL or program) that this code is linked into; its string table holds the
// message texts (kana.rc).
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

HANDLE AsHandle(TFileHandle Handle) {
    return reinterpret_cast<HANDLE>(Handle);
}

TFileHandle FromHandle(HANDLE Handle) {
    return reinterpret_cast<TFileHandle>(Handle);
}

std::uint32_t LastError() {
    const DWORD Code = GetLastError();
    return Code != ERROR_SUCCESS ? Code : ERROR_GEN_FAILURE; // a failure is never 0
}

std::uint32_t Open(const std::string& Name, DWORD Access, DWORD Share, DWORD Disposition,
                   TFileHandle& Handle) {
    const HANDLE H = CreateFileA(Name.c_str(), Access, Share, nullptr, Disposition,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (H == INVALID_HANDLE_VALUE) return LastError();
    Handle = FromHandle(H);
    return 0;
}

std::uint32_t StdHandle(DWORD Which, TFileHandle& Handle) {
    const HANDLE H = GetStdHandle(Which);
    if (H == INVALID_HANDLE_VALUE) return LastError();
    Handle = FromHandle(H); // a process without one gets null, which no call accepts
    return 0;
}

// Win32 takes '/' for '\' in a path.
bool IsSeparator(char C) {
    return C == '\\' || C == '/';
}

struct TFolderPart {
    std::size_t Length = 0;       // leading bytes of the path
    bool EndsInSeparator = false; // its last character is a separator
};

// The folder part of Path. A lead byte of the ANSI code page takes the byte after it
// along, so the second byte 0x5C of a double-byte character is never taken for a
// separator. A separator that follows a separator or a drive colon stays in the folder
// part ("C:\", "\\server"), and so does one that starts the path.
TFolderPart FolderPart(const std::string& Path) {
    TFolderPart Part;
    for (std::size_t I = 0; I < Path.size(); ++I) {
        const char C = Path[I];
        if (IsDBCSLeadByte(static_cast<BYTE>(C))) {
            ++I;
            continue;
        }
        if (C != ':' && !IsSeparator(C)) continue;
        const std::size_t Position = I + 1; // counted from 1
        if (I + 1 < Path.size() && IsSeparator(Path[I + 1])) {
            Part = {Position + 1, true};
            ++I;
        } else if (C == ':') {
            Part = {Position, false};
        } else if (Position > 1) {
            Part = {Position - 1, false};
        } else {
            Part = {1, true};
        }
    }
    return Part;
}

// The volume and index of the file Name, opened for neither reading nor writing.
bool Identify(const std::string& Name, BY_HANDLE_FILE_INFORMATION& Info) {
    const HANDLE H =
        CreateFileA(Name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (H == INVALID_HANDLE_VALUE) return false;
    const bool Got = GetFileInformationByHandle(H, &Info);
    CloseHandle(H);
    return Got;
}

class TWin32Platform final : public TPlatform {
public:
    std::uint32_t OpenRead(const std::string& Name, TFileHandle& Handle,
                           TReadShare Share) override {
        // Other writers are admitted; other readers only when they are asked for.
        const DWORD Others = Share == TReadShare::Readers ? FILE_SHARE_READ : 0;
        return Open(Name, GENERIC_READ, FILE_SHARE_WRITE | Others, OPEN_EXISTING, Handle);
    }

    std::uint32_t CreateWrite(const std::string& Name, TFileHandle& Handle) override {
        // Other readers are admitted, other writers are not; the share check comes
        // before the truncation, so a second writer never destroys the first one's data.
        return Open(Name, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS, Handle);
    }

    std::uint32_t StdInput(TFileHandle& Handle) override {
        return StdHandle(STD_INPUT_HANDLE, Handle);
    }
    std::uint32_t StdOutput(TFileHandle& Handle) override {
        return StdHandle(STD_OUTPUT_HANDLE, Handle);
    }

    TFileType FileType(TFileHandle Handle) override {
        switch (GetFileType(AsHandle(Handle)) & ~FILE_TYPE_REMOTE) {
        case FILE_TYPE_DISK: return TFileType::Disk;
        case FILE_TYPE_CHAR: return TFileType::Char;
        case FILE_TYPE_PIPE: return TFileType::Pipe;
        default: return TFileType::Unknown;
        }
    }

    std::uint32_t Position(TFileHandle Handle, std::uint64_t& Offset) override {
        LARGE_INTEGER Zero{}, At{};
        if (!SetFilePointerEx(AsHandle(Handle), Zero, &At, FILE_CURRENT)) return GetLastError();
        Offset = static_cast<std::uint64_t>(At.QuadPart);
        return 0;
    }
    std::uint32_t SetPosition(TFileHandle Handle, std::uint64_t Offset) override {
        LARGE_INTEGER To{};
        To.QuadPart = static_cast<LONGLONG>(Offset);
        return SetFilePointerEx(AsHandle(Handle), To, nullptr, FILE_BEGIN) ? 0 : GetLastError();
    }

    bool WouldWait(TFileHandle Handle) override {
        // A pipe tells how much it holds; anything else is read as it comes.
        DWORD Available = 0;
        if (GetFileType(AsHandle(Handle)) != FILE_TYPE_PIPE) return false;
        return PeekNamedPipe(AsHandle(Handle), nullptr, 0, nullptr, &Available,
                             nullptr) &&
               Available == 0;
    }

    std::uint32_t Read(TFileHandle Handle, char* Buffer, std::uint32_t Size,
                       std::uint32_t& Got) override {
        DWORD N = 0;
        if (!ReadFile(AsHandle(Handle), Buffer, Size, &N, nullptr)) {
            // A pipe whose writer has closed it reports its end as this error.
            if (GetLastError() != ERROR_BROKEN_PIPE) return LastError();
            N = 0;
        }
        Got = N;
        return 0;
    }

    std::uint32_t Write(TFileHandle Handle, const char* Buffer, std::uint32_t Size) override {
        while (Size > 0) {
            DWORD N = 0;
            if (!WriteFile(AsHandle(Handle), Buffer, Size, &N, nullptr)) return LastError();
            if (N == 0) return ERROR_DISK_FULL; // no progress: the device takes no more
            Buffer += N;
            Size -= N;
        }
        return 0;
    }

    std::uint32_t Close(TFileHandle Handle) override {
        return CloseHandle(AsHandle(Handle)) ? 0 : LastError();
    }

    std::uint32_t CreateBeside(const std::string& Dest, std::string& Path,
                               TFileHandle& Handle) override {
        const std::string Folder = Dest.substr(0, FolderPart(Dest).Length);
        const std::string Prefix =
            Folder + (Folder.empty() || IsSeparator(Folder.back()) || Folder.back() == ':' ? "" : "\\");
        for (unsigned Try = 0;; ++Try) {
            char Name[32];
            std::snprintf(Name, sizeof Name, ".kanaconv-%08lx.tmp",
                          static_cast<unsigned long>(GetTickCount() * 2654435761u + Try));
            const std::uint32_t Code =
                Open(Prefix + Name, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW, Handle);
            if (Code == ERROR_FILE_EXISTS && Try < 100) continue;
            if (Code == 0) Path = Prefix + Name;
            return Code;
        }
    }

    // The file system's own attributes move with MoveFileExA; there are no others to copy.
    std::uint32_t Commit(TFileHandle Handle, const std::string& Path, const std::string& Dest,
                         std::vector<TLostAttribute>&) override {
        std::uint32_t Code = FlushFileBuffers(AsHandle(Handle)) ? 0 : LastError();
        // The file must be closed before it can be moved: it was opened without
        // FILE_SHARE_DELETE.
        if (!CloseHandle(AsHandle(Handle)) && Code == 0) Code = LastError();
        // A read-only Dest, or a folder, is refused and keeps its content (not every
        // system's MoveFileExA refuses them itself).
        const DWORD Attributes = GetFileAttributesA(Dest.c_str());
        if (Code == 0 && Attributes != INVALID_FILE_ATTRIBUTES &&
            (Attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
            Code = ERROR_ACCESS_DENIED;
        // One step, and durable: Dest is either its old or its whole new content.
        if (Code == 0 && !MoveFileExA(Path.c_str(), Dest.c_str(),
                                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            Code = LastError();
        if (Code != 0) DeleteFileA(Path.c_str());
        return Code;
    }

    std::uint32_t Backup(const std::string& Dest, const std::string& Backup,
                         std::vector<TLostAttribute>&) override {
        const DWORD Attributes = GetFileAttributesA(Dest.c_str());
        if (Attributes == INVALID_FILE_ATTRIBUTES ||
            (Attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
            SameFile(Dest, Backup))
            return 0;
        // A second name for the file, or a copy, made beside the backup (its name and
        // ".~kn"), then moved onto the backup's name in one step.
        const std::string Temp = Backup + ".~kn";
        DeleteFileA(Temp.c_str());
        if (!CreateHardLinkA(Temp.c_str(), Dest.c_str(), nullptr) &&
            !CopyFileA(Dest.c_str(), Temp.c_str(), TRUE))
            return LastError();
        if (MoveFileExA(Temp.c_str(), Backup.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return 0;
        const std::uint32_t Code = LastError();
        DeleteFileA(Temp.c_str());
        return Code;
    }

    std::uint32_t Discard(TFileHandle Handle, const std::string& Path) override {
        CloseHandle(AsHandle(Handle)); // an open file cannot be deleted
        if (DeleteFileA(Path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND) return 0;
        return LastError();
    }

    bool FileExists(const std::string& Path) override {
        WIN32_FIND_DATAA Found;
        const HANDLE Search = FindFirstFileA(Path.c_str(), &Found);
        if (Search == INVALID_HANDLE_VALUE) return false;
        FindClose(Search);
        return (Found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }

    bool SameFile(const std::string& A, const std::string& B) override {
        BY_HANDLE_FILE_INFORMATION X, Y;
        return Identify(A, X) && Identify(B, Y) &&
               X.dwVolumeSerialNumber == Y.dwVolumeSerialNumber &&
               X.nFileIndexHigh == Y.nFileIndexHigh && X.nFileIndexLow == Y.nFileIndexLow;
    }

    std::uint32_t ReplaceTarget(const std::string& Dest, std::string& Target,
                                bool& Direct) override {
        Target = Dest;
        Direct = false;
        return 0;
    }

    // The temporary file goes into Dest's folder part. Without a folder part it stays in
    // the current folder ("out.txt"), and after a bare drive in that drive's current
    // folder ("C:out.txt" gives "C:$$$$$$$$.~kn"); a folder part that ends in a
    // separator takes no second one (for "\out.txt" a second one would make the network
    // name "\\$$$$$$$$.~kn").
    std::string TempPathFor(const std::string& Dest) override {
        const TFolderPart Part = FolderPart(Dest);
        std::string Path = Dest.substr(0, Part.Length);
        const bool Drive = Path.size() == 2 && Path[1] == ':';
        if (!Path.empty() && !Drive && !Part.EndsInSeparator) Path += '\\';
        return Path + TempFileName;
    }

    std::string LoadMessage(int Id) override {
        char Text[256];
        const int N = LoadStringA(reinterpret_cast<HINSTANCE>(&__ImageBase), static_cast<UINT>(Id),
                                  Text, sizeof Text);
        return std::string(Text, N > 0 ? static_cast<std::size_t>(N) : 0);
    }
};

} // namespace

TPlatform& SystemPlatform() {
    static TWin32Platform System;
    return System;
}
