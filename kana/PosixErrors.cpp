#include "PosixErrors.h"

#include <cerrno>

namespace {

struct TErrnoCode {
    int Errno;
    std::uint32_t Code;
};

// The one table of errno values and Windows codes; README.md lists it for users.
constexpr TErrnoCode ErrnoCodes[] = {
    {ENOENT, 2},         // ERROR_FILE_NOT_FOUND (3 when the folder is missing, see callers)
    {ENOTDIR, 3},        // ERROR_PATH_NOT_FOUND
    {EMFILE, 4},         // ERROR_TOO_MANY_OPEN_FILES
    {ENFILE, 4},         //
    {EACCES, 5},         // ERROR_ACCESS_DENIED
    {EPERM, 5},          //
    {EISDIR, 5},         //
    {EROFS, 5},          //
    {EBADF, 6},          // ERROR_INVALID_HANDLE
    {ENOMEM, 8},         // ERROR_NOT_ENOUGH_MEMORY
    {EXDEV, 17},         // ERROR_NOT_SAME_DEVICE
    {EWOULDBLOCK, 32},   // ERROR_SHARING_VIOLATION (a lock held by another open)
    {ETXTBSY, 32},       //
    {EEXIST, 80},        // ERROR_FILE_EXISTS
    {EINVAL, 87},        // ERROR_INVALID_PARAMETER
    {EPIPE, 109},        // ERROR_BROKEN_PIPE
    {ENOSPC, 112},       // ERROR_DISK_FULL
    {EDQUOT, 112},       //
    {EILSEQ, 123},       // ERROR_INVALID_NAME
    {ENOTEMPTY, 145},    // ERROR_DIR_NOT_EMPTY
    {EBUSY, 170},        // ERROR_BUSY
    {ENAMETOOLONG, 206}, // ERROR_FILENAME_EXCED_RANGE
    {EFBIG, 223},        // ERROR_FILE_TOO_LARGE
    {EIO, 1117},         // ERROR_IO_DEVICE
    {ELOOP, 1921},       // ERROR_CANT_RESOLVE_FILENAME
};

constexpr std::uint32_t GeneralFailure = 31; // ERROR_GEN_FAILURE

} // namespace

std::uint32_t WindowsCodeFromErrno(int Errno) {
    for (const TErrnoCode& E : ErrnoCodes)
        if (E.Errno == Errno) return E.Code;
    return GeneralFailure;
}
