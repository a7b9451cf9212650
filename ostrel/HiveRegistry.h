// The registry functions over a directory hive, for POSIX systems.
//
// HKEY_CURRENT_USER is a folder; a key is a folder in its parent key's folder, named by
// the key name's bytes; a value is any other entry (a file) in the key's folder. Paths of
// keys are split at "\" only where it stands as a character of its own: 0x5C as the
// second byte of a Shift-JIS character (ソ is 83 5C) stays inside the name. Names that
// cannot be folder names ("", ".", "..", containing "/") are refused, and symbolic links
// are never followed below the hive's folder, so no call reaches outside the hive.
#pragma once

#include "RegApi.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class THiveRegApi : public TRegApi {
public:
    // Root: the folder of HKEY_CURRENT_USER. It is created when a key is first created.
    explicit THiveRegApi(std::string Root);
    ~THiveRegApi() override; // closes the keys still open

    THiveRegApi(const THiveRegApi&) = delete;
    THiveRegApi& operator=(const THiveRegApi&) = delete;

    // ${XDG_CONFIG_HOME:-$HOME/.config}/registry/HKEY_CURRENT_USER; empty when neither
    // variable gives an absolute folder and the user database knows no home folder.
    static std::string DefaultRoot();

    // Keys nest at most this many levels below HKEY_CURRENT_USER, as in the Windows
    // registry.
    static constexpr std::size_t MaxDepth = 512;

    class TFd; // an owned file descriptor

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

private:
    // An open key: its folder and its path below the hive's folder.
    struct TOpenKey {
        int Fd;
        std::vector<std::string> Path;
    };
    LONG Base(HKEY Key, bool Create, TFd& Owned, int& Fd, std::vector<std::string>& Path);
    // RegCreateKeyExA (Create set) and RegOpenKeyExA.
    LONG OpenKey(HKEY Key, LPCSTR SubKey, bool Create, PHKEY Result, LPDWORD Disposition);
    HKEY AddKey(int Fd, std::vector<std::string> Path);

    std::string FRoot;
    std::map<std::uintptr_t, TOpenKey> FKeys;
    std::uintptr_t FNextHandle = 0x100;
};
