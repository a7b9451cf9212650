#include "Win32Layer.h"

LONG TWin32RegApi::RegCreateKeyExA(HKEY Key, LPCSTR SubKey, DWORD Reserved, LPSTR Class,
                                   DWORD Options, REGSAM Desired, LPSECURITY_ATTRIBUTES Security,
                                   PHKEY Result, LPDWORD Disposition) {
    return ::RegCreateKeyExA(Key, SubKey, Reserved, Class, Options, Desired, Security, Result,
                             Disposition);
}

LONG TWin32RegApi::RegOpenKeyExA(HKEY Key, LPCSTR SubKey, DWORD Options, REGSAM Desired,
                                 PHKEY Result) {
    return ::RegOpenKeyExA(Key, SubKey, Options, Desired, Result);
}

LONG TWin32RegApi::RegQueryInfoKeyA(HKEY Key, LPSTR Class, LPDWORD ClassLen, LPDWORD Reserved,
                                    LPDWORD SubKeys, LPDWORD MaxSubKeyLen, LPDWORD MaxClassLen,
                                    LPDWORD Values, LPDWORD MaxValueNameLen, LPDWORD MaxValueLen,
                                    LPDWORD SecurityDescriptor, PFILETIME LastWriteTime) {
    return ::RegQueryInfoKeyA(Key, Class, ClassLen, Reserved, SubKeys, MaxSubKeyLen, MaxClassLen,
                              Values, MaxValueNameLen, MaxValueLen, SecurityDescriptor,
                              LastWriteTime);
}

LONG TWin32RegApi::RegEnumKeyExA(HKEY Key, DWORD Index, LPSTR Name, LPDWORD NameLen,
                                 LPDWORD Reserved, LPSTR Class, LPDWORD ClassLen,
                                 PFILETIME LastWriteTime) {
    return ::RegEnumKeyExA(Key, Index, Name, NameLen, Reserved, Class, ClassLen, LastWriteTime);
}

LONG TWin32RegApi::RegDeleteKeyA(HKEY Key, LPCSTR SubKey) {
    return ::RegDeleteKeyA(Key, SubKey);
}

LONG TWin32RegApi::RegCloseKey(HKEY Key) {
    return ::RegCloseKey(Key);
}

int TMessageBoxConfirmation::Ask(LPCSTR Text, LPCSTR Caption, unsigned Type) {
    return ::MessageBoxA(nullptr, Text, Caption, Type);
}
