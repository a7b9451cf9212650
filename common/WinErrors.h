// The Windows error codes by their Windows names. Failures carry these codes on every
// platform: the Win32 layer gets them from the system, the POSIX file layer and ostrel's
// directory hive translate errno values into them (each with its own table, as a file
// and a registry key report the same errno differently).
#pragma once

#ifdef _WIN32
#include <winerror.h>
#else
#include <cstdint>

constexpr std::int32_t ERROR_SUCCESS = 0;
constexpr std::int32_t ERROR_FILE_NOT_FOUND = 2;
constexpr std::int32_t ERROR_PATH_NOT_FOUND = 3;
constexpr std::int32_t ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr std::int32_t ERROR_ACCESS_DENIED = 5;
constexpr std::int32_t ERROR_INVALID_HANDLE = 6;
constexpr std::int32_t ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr std::int32_t ERROR_INVALID_DATA = 13;
constexpr std::int32_t ERROR_NOT_SAME_DEVICE = 17;
constexpr std::int32_t ERROR_GEN_FAILURE = 31;
constexpr std::int32_t ERROR_SHARING_VIOLATION = 32;
constexpr std::int32_t ERROR_NOT_SUPPORTED = 50;
constexpr std::int32_t ERROR_FILE_EXISTS = 80;
constexpr std::int32_t ERROR_INVALID_PARAMETER = 87;
constexpr std::int32_t ERROR_BROKEN_PIPE = 109;
constexpr std::int32_t ERROR_DISK_FULL = 112;
constexpr std::int32_t ERROR_INVALID_NAME = 123;
constexpr std::int32_t ERROR_DIR_NOT_EMPTY = 145;
constexpr std::int32_t ERROR_BAD_PATHNAME = 161;
constexpr std::int32_t ERROR_BUSY = 170;
constexpr std::int32_t ERROR_FILENAME_EXCED_RANGE = 206;
constexpr std::int32_t ERROR_FILE_TOO_LARGE = 223;
constexpr std::int32_t ERROR_MORE_DATA = 234;
constexpr std::int32_t ERROR_NO_MORE_ITEMS = 259;
constexpr std::int32_t ERROR_NO_UNICODE_TRANSLATION = 1113;
constexpr std::int32_t ERROR_IO_DEVICE = 1117;
constexpr std::int32_t ERROR_CANT_RESOLVE_FILENAME = 1921;
#endif
