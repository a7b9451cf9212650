#include "PosixErrors.h"

#include "WinErrors.h"

#include <cerrno>

namespace {

struct TErrnoCode {
    int Errno;
    std::int32_t Code;
};

// The one table of errno values and Windows codes; README.md lists it for users.
constexpr TErrnoCode ErrnoCodes[] = {
    {ENOENT, ERROR_FILE_NOT_FOUND}, // 3 when the folder is missing, see the callers
    {ENOTDIR, ERROR_PATH_NOT_FOUND},
    {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
    {EACCES, ERROR_ACCESS_DENIED},
    {EPERM, ERROR_ACCESS_DENIED},
    {EISDIR, ERROR_ACCESS_DENIED},
    {EROFS, ERROR_ACCESS_DENIED},
    {EBADF, ERROR_INVALID_HANDLE},
    {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {EXDEV, ERROR_NOT_SAME_DEVICE},
    {EWOULDBLOCK, ERROR_SHARING_VIOLATION}, // a lock held by another open
    {ETXTBSY, ERROR_SHARING_VIOLATION},
    {ENOTSUP, ERROR_NOT_SUPPORTED}, // an extended attribute the file system cannot hold
    {EEXIST, ERROR_FILE_EXISTS},
    {EINVAL, ERROR_INVALID_PARAMETER},
    {EPIPE, ERROR_BROKEN_PIPE},
    {ENOSPC, ERROR_DISK_FULL},
    {EDQUOT, ERROR_DISK_FULL},
    {EILSEQ, ERROR_INVALID_NAME},
    {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},
    {EBUSY, ERROR_BUSY},
    {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
    {EFBIG, ERROR_FILE_TOO_LARGE},
    {EIO, ERROR_IO_DEVICE},
    {ELOOP, ERROR_CANT_RESOLVE_FILENAME},
};

} // namespace

std::uint32_t WindowsCodeFromErrno(int Errno) {
    for (const TErrnoCode& E : ErrnoCodes)
        if (E.Errno == Errno) return static_cast<std::uint32_t>(E.Code);
    return ERROR_GEN_FAILURE;
}
