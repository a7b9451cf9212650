// The narrow platform layer under the file facility and the exports. One implementation
// talks to Win32, one to POSIX; tests may put a wrapper of their own in place.
//
// Every operation that can fail returns 0 on success or the failure's Windows error
// code (2 missing file, 3 missing folder, 5 access denied, 32 sharing violation, ...).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using TFileHandle = std::intptr_t;
constexpr TFileHandle InvalidFileHandle = -1;

enum class TFileType { Unknown, Disk, Char, Pipe };

// How a file opened for reading is shared with the opens of other conversions.
enum class TReadShare : std::uint8_t {
    Alone,   // no other reader at the same time (the library's share mode)
    Readers, // other readers too; an open that reads alone or writes is kept out
};

// An extended attribute (a POSIX ACL among them) that a file made to stand for another
// could not be given.
struct TLostAttribute {
    std::string Path;   // the file that lacks it
    std::string Name;   // "user.comment", "system.posix_acl_access"; "" when none could be listed
    std::uint32_t Code; // why (a Windows error code)
};

class TPlatform {
public:
    virtual ~TPlatform() = default;

    // Opens an existing file for reading, shared as Share says. A file renamed away
    // between the open and taking the share is let go and the name opened again.
    virtual std::uint32_t OpenRead(const std::string& Name, TFileHandle& Handle,
                                   TReadShare Share) = 0;
    // Creates a file for writing or truncates an existing one, once no other writer
    // holds it.
    virtual std::uint32_t CreateWrite(const std::string& Name, TFileHandle& Handle) = 0;
    // The process's standard input or output; never closed by the file layer.
    virtual std::uint32_t StdInput(TFileHandle& Handle) = 0;
    virtual std::uint32_t StdOutput(TFileHandle& Handle) = 0;
    virtual TFileType FileType(TFileHandle Handle) = 0;
    // True when a read of Handle (a pipe, a terminal) would wait for data; false when data
    // or the end is there, or for a file, which never makes a reader wait.
    virtual bool WouldWait(TFileHandle Handle) = 0;
    // Where the next read of a file on disk (not a pipe) starts, and going there.
    virtual std::uint32_t Position(TFileHandle Handle, std::uint64_t& Offset) = 0;
    virtual std::uint32_t SetPosition(TFileHandle Handle, std::uint64_t Offset) = 0;

    // Reads at most Size bytes; Got 0 at the end of the data.
    virtual std::uint32_t Read(TFileHandle Handle, char* Buffer, std::uint32_t Size,
                               std::uint32_t& Got) = 0;
    // Writes all Size bytes or fails.
    virtual std::uint32_t Write(TFileHandle Handle, const char* Buffer, std::uint32_t Size) = 0;
    virtual std::uint32_t Close(TFileHandle Handle) = 0;

    // Creates a new file of a name of its own ("$" nowhere in it) in the folder of Dest,
    // for writing, and sets Path to its name.
    virtual std::uint32_t CreateBeside(const std::string& Dest, std::string& Path,
                                       TFileHandle& Handle) = 0;

    // Finishes a file written under Path: gives it the mode, the extended attributes (and,
    // where the process may, the owner and group) of the file Dest it replaces, forces it
    // to disk, and puts it in Dest's place in one step, so that Dest is always either its
    // old or its whole new content. An attribute that cannot be given is added to Lost and
    // stops nothing. Handle is closed in every case; on failure the file at Path is
    // removed and Dest is left as it was.
    virtual std::uint32_t Commit(TFileHandle Handle, const std::string& Path,
                                 const std::string& Dest, std::vector<TLostAttribute>& Lost) = 0;
    // Keeps the file Dest, about to be replaced, under the name Backup too: a second name
    // for it (or, where the file system has none, a copy with its attributes) made under
    // a temporary name and renamed onto Backup, so that Backup, once there, is Dest's whole
    // content. Nothing is done when Dest is no regular file, when Commit would refuse it
    // (read-only), or when Backup names it already.
    virtual std::uint32_t Backup(const std::string& Dest, const std::string& Backup,
                                 std::vector<TLostAttribute>& Lost) = 0;
    // Gives up a file written under Path: removes it and closes Handle.
    virtual std::uint32_t Discard(TFileHandle Handle, const std::string& Path) = 0;

    // True when Path names something that is not a folder.
    virtual bool FileExists(const std::string& Path) = 0;
    // True when A and B name one existing file, however they are spelled, also while a
    // new file takes its place.
    virtual bool SameFile(const std::string& A, const std::string& B) = 0;
    // Sets Target to the file a conversion into Dest replaces: Dest itself, or the file at
    // the end of the chain of symbolic links that starts at Dest (which need not exist
    // yet), so that the links keep their place. Direct is set instead when that file is a
    // device or a pipe, which is written directly and never replaced. Fails on a chain
    // that loops or is too long (1921).
    virtual std::uint32_t ReplaceTarget(const std::string& Dest, std::string& Target,
                                        bool& Direct) = 0;
    // The path of the temporary file "$$$$$$$$.~kn" in the folder of Dest (the current
    // folder when Dest has no folder part).
    virtual std::string TempPathFor(const std::string& Dest) = 0;
    // The Shift-JIS text of the message with this ID (Messages.h); empty for an unknown ID.
    virtual std::string LoadMessage(int Id) = 0;
};

// The platform in use.
TPlatform& Platform();
// Tests only: puts another platform in place (nullptr restores the system's) and returns
// the one that was in place.
TPlatform* SetPlatform(TPlatform* Replacement);
// The system's own platform.
TPlatform& SystemPlatform();

#ifndef _WIN32
// Removes every file that the system's CreateBeside made and that is neither committed
// nor discarded, and holds back every later commit and discard: for a process about to
// end on a signal.
void RemoveTemporaryFiles();
#endif

constexpr const char TempFileName[] = "$$$$$$$$.~kn";
