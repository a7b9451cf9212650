// TRegistry: a root key and at most one open key, over the six registry functions.
//
// Paths are Shift-JIS byte strings. A path that starts with "\" is taken relative to the
// root key (that one "\" removed); any other path, the empty one included, relative to
// the open key, or to the root key while none is open.
#pragma once

#include "RegApi.h"

#include <string>
#include <string_view>

class TRegistry {
public:
    explicit TRegistry(TRegApi& Api);
    ~TRegistry(); // closes the open key; the root key is never closed

    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey() const { return FRootKey; }
    HKEY CurrentKey() const { return FCurrentKey; } // nullptr while no key is open

    // A different root closes the open key; the same root changes nothing.
    void SetRootKey(HKEY Value);

    // Opens the key at Path (creating it and any missing key on its way when CanCreate is
    // set and Path is not empty) and makes it the open key, closing the previous one.
    bool OpenKey(std::string_view Path, bool CanCreate);
    void CloseKey();

    // Deletes the key at Path with all its subkeys, depth first. During the deletion the
    // open key is, level by level, the key whose subkeys are being removed; it is restored
    // afterwards. True when the key itself was deleted.
    bool DeleteKey(std::string_view Path);

private:
    // Splits off the base key of Path; S receives the rest.
    HKEY BaseKey(std::string_view Path, std::string& S) const;

    TRegApi& FApi;
    HKEY FRootKey;
    HKEY FCurrentKey = nullptr;
};
