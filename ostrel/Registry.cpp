#include "Registry.h"

#include <cstring>
#include <vector>

TRegistry::TRegistry(TRegApi& Api) : FApi(Api), FRootKey(HKEY_CURRENT_USER) {}

TRegistry::~TRegistry() {
    CloseKey();
}

void TRegistry::SetRootKey(HKEY Value) {
    if (Value == FRootKey) return;
    FRootKey = Value;
    CloseKey();
}

HKEY TRegistry::BaseKey(std::string_view Path, std::string& S) const {
    if (!Path.empty() && Path.front() == '\\') {
        S.assign(Path.substr(1));
        return FRootKey;
    }
    S.assign(Path);
    return FCurrentKey ? FCurrentKey : FRootKey;
}

bool TRegistry::OpenKey(std::string_view Path, bool CanCreate) {
    std::string S;
    const HKEY Base = BaseKey(Path, S);
    HKEY Key = nullptr;
    LONG Result;
    if (CanCreate && !S.empty()) {
        DWORD Disposition = 0;
        Result = FApi.RegCreateKeyExA(Base, S.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_ALL_ACCESS, nullptr, &Key, &Disposition);
    } else {
        Result = FApi.RegOpenKeyExA(Base, S.c_str(), 0, KEY_ALL_ACCESS, &Key);
    }
    if (Result != ERROR_SUCCESS) return false;
    CloseKey();
    FCurrentKey = Key;
    return true;
}

void TRegistry::CloseKey() {
    if (!FCurrentKey) return;
    FApi.RegCloseKey(FCurrentKey);
    FCurrentKey = nullptr;
}

namespace {

// While alive, Key stands in as the open key; on leaving, even by an exception, the
// previous open key comes back and Key is closed.
class TSwappedKey {
public:
    TSwappedKey(TRegApi& Api, HKEY& Current, HKEY Key)
        : FApi(Api), FCurrent(Current), FSaved(Current), FKey(Key) {
        FCurrent = FKey;
    }
    ~TSwappedKey() {
        FCurrent = FSaved;
        FApi.RegCloseKey(FKey);
    }
    TSwappedKey(const TSwappedKey&) = delete;
    TSwappedKey& operator=(const TSwappedKey&) = delete;

private:
    TRegApi& FApi;
    HKEY& FCurrent;
    HKEY FSaved;
    HKEY FKey;
};

} // namespace

bool TRegistry::DeleteKey(std::string_view Path) {
    std::string S;
    HKEY Base = BaseKey(Path, S);
    HKEY Key = nullptr;
    if (FApi.RegOpenKeyExA(Base, S.c_str(), 0, KEY_ALL_ACCESS, &Key) == ERROR_SUCCESS && Key) {
        TSwappedKey Swap(FApi, FCurrentKey, Key);
        DWORD SubKeys = 0, MaxSubKeyLen = 0, Values = 0, MaxValueNameLen = 0, MaxValueLen = 0;
        FILETIME LastWrite{};
        if (FApi.RegQueryInfoKeyA(Key, nullptr, nullptr, nullptr, &SubKeys, &MaxSubKeyLen, nullptr,
                                  &Values, &MaxValueNameLen, &MaxValueLen, nullptr,
                                  &LastWrite) == ERROR_SUCCESS &&
            MaxSubKeyLen < 0x7FFFFFFF) {
            // The lengths come in characters; a double-byte name needs up to twice as
            // many bytes, so both are doubled whatever the platform reports.
            MaxSubKeyLen *= 2;
            MaxValueNameLen *= 2;
            std::vector<char> Buffer(MaxSubKeyLen + 1);
            std::vector<std::string> Names;
            for (DWORD I = 0; I < SubKeys; ++I) {
                DWORD Len = MaxSubKeyLen + 1;
                if (FApi.RegEnumKeyExA(Key, I, Buffer.data(), &Len, nullptr, nullptr, nullptr,
                                       nullptr) != ERROR_SUCCESS)
                    continue;
                std::string Name(Buffer.data(), strnlen(Buffer.data(), Buffer.size()));
                // An empty name, or one starting with "\", would resolve to this key itself
                // or to the root key. No registry reports such a name; it is never followed.
                if (!Name.empty() && Name.front() != '\\') Names.push_back(std::move(Name));
            }
            for (const std::string& Name : Names) DeleteKey(Name);
        }
    }
    Base = BaseKey(Path, S);
    return FApi.RegDeleteKeyA(Base, S.c_str()) == ERROR_SUCCESS;
}
