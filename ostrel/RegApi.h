// The six registry functions that TRegistry is written against, as an interface with one
// implementation per platform: the system's own functions on Windows, a directory hive on
// POSIX systems (HiveRegistry.h). Arguments, results and error codes are those of the
// Windows ANSI functions, so TRegistry reads the same on both.
#pragma once

#include "WinErrors.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdint>

// The Windows types the registry functions use, for systems without windows.h.
struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using LONG = std::int32_t;
using DWORD = std::uint32_t;
using LPDWORD = DWORD*;
using REGSAM = DWORD;
using LPSTR = char*;
using LPCSTR = const char*;
struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};
using PFILETIME = FILETIME*;
struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

// A predefined key is a 32-bit value, sign-extended to pointer width as Windows does.
#define HKEY_CURRENT_USER                                                                          \
    (reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000001u))))

constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

#endif

class TRegApi {
public:
    virtual ~TRegApi() = default;

    virtual LONG RegCreateKeyExA(HKEY Key, LPCSTR SubKey, DWORD Reserved, LPSTR Class,
                                 DWORD Options, REGSAM Desired, LPSECURITY_ATTRIBUTES Security,
                                 PHKEY Result, LPDWORD Disposition) = 0;
    virtual LONG RegOpenKeyExA(HKEY Key, LPCSTR SubKey, DWORD Options, REGSAM Desired,
                               PHKEY Result) = 0;
    virtual LONG RegQueryInfoKeyA(HKEY Key, LPSTR Class, LPDWORD ClassLen, LPDWORD Reserved,
                                  LPDWORD SubKeys, LPDWORD MaxSubKeyLen, LPDWORD MaxClassLen,
                                  LPDWORD Values, LPDWORD MaxValueNameLen, LPDWORD MaxValueLen,
                                  LPDWORD SecurityDescriptor, PFILETIME LastWriteTime) = 0;
    virtual LONG RegEnumKeyExA(HKEY Key, DWORD Index, LPSTR Name, LPDWORD NameLen, LPDWORD Reserved,
                               LPSTR Class, LPDWORD ClassLen, PFILETIME LastWriteTime) = 0;
    virtual LONG RegDeleteKeyA(HKEY Key, LPCSTR SubKey) = 0;
    virtual LONG RegCloseKey(HKEY Key) = 0;
};
