// The Windows side: the system's registry functions and its message box.
#pragma once

#include "Confirmation.h"
#include "RegApi.h"

class TWin32RegApi : public TRegApi {
public:
    LONG RegCreateKeyExA(HKEY Key, LPCSTR SubKey, DWORD Reserved, LPSTR Class, DWORD Options,
                         REGSAM Desired, LPSECURITY_ATTRIBUTES Security, PHKEY Result,
                         LPDWORD Disposition) override;
    LONG RegOpenKeyExA(HKEY Key, LPCSTR SubKey, DWORD Options, REGSAM Desired,
                       PHKEY Result) override;
    LONG RegQueryInfoKeyA(HKEY Key, LPSTR Class, LPDWORD ClassLen, LPDWORD Reserved,
                          LPDWORD SubKeys, LPDWORD MaxSubKeyLen, LPDWORD MaxClassLen,
                          LPDWORD Values, LPDWORD MaxValueNameLen, LPDWORD MaxValueLen,
                          LPDWORD SecurityDescriptor, PFILETIME LastWriteTime) override;
    LONG RegEnumKeyExA(HKEY Key, DWORD Index, LPSTR Name, LPDWORD NameLen, LPDWORD Reserved,
                       LPSTR Class, LPDWORD ClassLen, PFILETIME LastWriteTime) override;
    LONG RegDeleteKeyA(HKEY Key, LPCSTR SubKey) override;
    LONG RegCloseKey(HKEY Key) override;
};

// MessageBoxA without an owner window.
class TMessageBoxConfirmation : public TConfirmation {
public:
    int Ask(LPCSTR Text, LPCSTR Caption, unsigned Type) override;
};
