// TRegistry and the removal against a recording stand-in of the six registry functions:
// an in-memory key tree that answers like Windows (lengths of names in characters, so a
// double-byte name is longer in bytes than reported; no deletion of a key with subkeys)
// and writes every call, with its arguments, into one log.
#include "Registry.h"
#include "Removal.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

struct TNode {
    std::map<std::string, TNode> Keys;
};

bool IsLead(unsigned char C) {
    return (C >= 0x81 && C <= 0x9F) || (C >= 0xE0 && C <= 0xFC);
}

std::vector<std::string> Split(const std::string& Path) {
    std::vector<std::string> Names(1);
    for (std::size_t I = 0; I < Path.size(); ++I) {
        if (Path[I] == '\\') {
            Names.emplace_back();
            continue;
        }
        Names.back() += Path[I];
        if (IsLead(static_cast<unsigned char>(Path[I])) && I + 1 < Path.size())
            Names.back() += Path[++I];
    }
    if (Path.empty()) Names.clear();
    return Names;
}

DWORD Chars(const std::string& Name) {
    DWORD N = 0;
    for (std::size_t I = 0; I < Name.size(); ++I, ++N)
        if (IsLead(static_cast<unsigned char>(Name[I]))) ++I;
    return N;
}

std::string Shown(const std::string& S) {
    return "\"" + S + "\"";
}

class TRecordingApi : public TRegApi {
public:
    TNode Root;
    std::vector<std::string> Log;
    std::set<std::string> FailOpen, FailQuery, FailDelete; // full paths
    bool FailCreate = false;
    std::map<HKEY, std::string> Open; // handle -> full path

    TNode* Find(const std::string& Path, bool Create = false) {
        TNode* N = &Root;
        for (const std::string& Name : Split(Path)) {
            const auto It = N->Keys.find(Name);
            if (It == N->Keys.end() && !Create) return nullptr;
            N = &N->Keys[Name];
        }
        return N;
    }
    std::string Name(HKEY Key) {
        if (Key == HKEY_CURRENT_USER) return "HKCU";
        return Open.count(Key) ? "h" + std::to_string(Handles[Key]) : "bad";
    }
    std::string Join(HKEY Key, LPCSTR SubKey) {
        const std::string Base = Key == HKEY_CURRENT_USER ? "" : Open.at(Key);
        return Base.empty() || !*SubKey ? Base + SubKey : Base + "\\" + SubKey;
    }
    HKEY NewHandle(const std::string& Path) {
        const HKEY H = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x1000 + ++Count));
        Open[H] = Path;
        Handles[H] = Count;
        return H;
    }

    LONG RegCreateKeyExA(HKEY Key, LPCSTR SubKey, DWORD Reserved, LPSTR Class, DWORD Options,
                         REGSAM Desired, LPSECURITY_ATTRIBUTES Security, PHKEY Result,
                         LPDWORD Disposition) override {
        std::string Line = "Create(" + Name(Key) + ", " + Shown(SubKey) + ", " +
                           std::to_string(Reserved) + ", " + (Class ? "class" : "null") + ", " +
                           std::to_string(Options) + ", " + std::to_string(Desired) + ", " +
                           (Security ? "sa" : "null") + (Disposition ? ", &disp)" : ", null)");
        if (FailCreate) return Log.push_back(Line + " = 5"), ERROR_ACCESS_DENIED;
        const std::string Path = Join(Key, SubKey);
        Find(Path, true);
        *Result = NewHandle(Path);
        Log.push_back(Line + " = h" + std::to_string(Count));
        return ERROR_SUCCESS;
    }
    LONG RegOpenKeyExA(HKEY Key, LPCSTR SubKey, DWORD Options, REGSAM Desired,
                       PHKEY Result) override {
        std::string Line = "Open(" + Name(Key) + ", " + Shown(SubKey) + ", " +
                           std::to_string(Options) + ", " + std::to_string(Desired) +
                           (*Result ? ", uncleared)" : ")");
        const std::string Path = Join(Key, SubKey);
        if (!Find(Path) || FailOpen.count(Path)) return Log.push_back(Line + " = 2"), 2;
        *Result = NewHandle(Path);
        Log.push_back(Line + " = h" + std::to_string(Count));
        return ERROR_SUCCESS;
    }
    LONG RegQueryInfoKeyA(HKEY Key, LPSTR Class, LPDWORD ClassLen, LPDWORD Reserved,
                          LPDWORD SubKeys, LPDWORD MaxSubKeyLen, LPDWORD MaxClassLen, LPDWORD,
                          LPDWORD, LPDWORD, LPDWORD SecurityDescriptor, PFILETIME) override {
        const bool NullsRight = !Class && !ClassLen && !Reserved && !MaxClassLen &&
                                !SecurityDescriptor && SubKeys && MaxSubKeyLen;
        const std::string Line = "Query(" + Name(Key) + (NullsRight ? ")" : ", bad arguments)");
        const TNode* N = Find(Open.at(Key));
        if (!N) return Log.push_back(Line + " = 1018"), 1018; // deleted meanwhile
        if (FailQuery.count(Open.at(Key))) return Log.push_back(Line + " = 5"), 5;
        *SubKeys = static_cast<DWORD>(N->Keys.size());
        *MaxSubKeyLen = 0;
        for (const auto& [Sub, Node] : N->Keys) *MaxSubKeyLen = std::max(*MaxSubKeyLen, Chars(Sub));
        Log.push_back(Line + " = " + std::to_string(*SubKeys) + ", " +
                      std::to_string(*MaxSubKeyLen));
        return ERROR_SUCCESS;
    }
    LONG RegEnumKeyExA(HKEY Key, DWORD Index, LPSTR Name, LPDWORD NameLen, LPDWORD Reserved,
                       LPSTR Class, LPDWORD ClassLen, PFILETIME LastWrite) override {
        std::string Line = "Enum(" + this->Name(Key) + ", " + std::to_string(Index) + ", " +
                           std::to_string(*NameLen) +
                           (Reserved || Class || ClassLen || LastWrite ? ", bad arguments)" : ")");
        const TNode* N = Find(Open.at(Key));
        if (!N) return Log.push_back(Line + " = 1018"), 1018;
        auto It = N->Keys.begin();
        std::advance(It, std::min<std::size_t>(Index, N->Keys.size()));
        if (It == N->Keys.end()) return Log.push_back(Line + " = 259"), 259;
        if (It->first.size() + 1 > *NameLen) return Log.push_back(Line + " = 234"), 234;
        std::memcpy(Name, It->first.c_str(), It->first.size() + 1);
        *NameLen = static_cast<DWORD>(It->first.size());
        Log.push_back(Line + " = " + Shown(It->first));
        return ERROR_SUCCESS;
    }
    LONG RegDeleteKeyA(HKEY Key, LPCSTR SubKey) override {
        const std::string Line = "Delete(" + Name(Key) + ", " + Shown(SubKey) + ")";
        const std::string Path = Join(Key, SubKey);
        std::vector<std::string> Names = Split(Path);
        TNode* Parent =
            Names.empty()
                ? nullptr
                : Find(Path.substr(0, Path.size() - Names.back().size() - (Names.size() > 1)));
        if (!Parent || !Parent->Keys.count(Names.back())) return Log.push_back(Line + " = 2"), 2;
        if (!Parent->Keys[Names.back()].Keys.empty() || FailDelete.count(Path))
            return Log.push_back(Line + " = 5"), 5;
        Parent->Keys.erase(Names.back());
        Log.push_back(Line + " = 0");
        return ERROR_SUCCESS;
    }
    LONG RegCloseKey(HKEY Key) override {
        Log.push_back("Close(" + Name(Key) + ")");
        return Open.erase(Key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    }

private:
    std::map<HKEY, int> Handles;
    int Count = 0;
};

class TAnswer : public TConfirmation {
public:
    TAnswer(int Answer, std::vector<std::string>& Log) : FAnswer(Answer), FLog(Log) {}
    int Ask(LPCSTR Text, LPCSTR Caption, unsigned Type) override {
        FLog.push_back("MessageBoxA(" + Shown(Text) + ", " + Shown(Caption) + ", " +
                       std::to_string(Type) + ")");
        return FAnswer;
    }

private:
    int FAnswer;
    std::vector<std::string>& FLog;
};

const std::string Kana = "\x82\xA9\x82\xC8";
const std::string So3 = "\x83\x5C\x83\x5C\x83\x5C"; // ソソソ: 3 characters, 6 bytes
const std::string Settings = "Software\\Velbrook\\" + Kana;

TEST(Registry, ConfirmedRunMakesTheCallsInOrder) {
    TRecordingApi Api;
    Api.Find(Settings + "\\A\\B", true);
    Api.Find(Settings + "\\" + So3, true);
    Api.Find("Software\\Velbrook\\Other", true);
    TAnswer Ok(IDOK, Api.Log);
    RemoveSettings(Api, Ok);

    const std::string S = Shown(Settings);
    const std::vector<std::string> Expected = {
        "MessageBoxA(\"\x82\xA9\x82\xC8\x82\xCC\r\n\x90\xDD\x92\xE8\x82\xF0\x8D\xED\x8F\x9C"
        "\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81\x48\", \"\x82\xA9\x82\xC8\", 65)",
        "Create(HKCU, " + S + ", 0, null, 0, 983103, null, &disp) = h1",
        "Close(h1)",
        "Open(HKCU, " + S + ", 0, 983103) = h2",
        "Query(h2) = 2, 3",
        "Enum(h2, 0, 7) = \"A\"", // the longest name, 3 characters, doubled, plus one
        "Enum(h2, 1, 7) = " + Shown(So3),
        "Open(h2, \"A\", 0, 983103) = h3",
        "Query(h3) = 1, 1",
        "Enum(h3, 0, 3) = \"B\"",
        "Open(h3, \"B\", 0, 983103) = h4",
        "Query(h4) = 0, 0",
        "Close(h4)",
        "Delete(h3, \"B\") = 0",
        "Close(h3)",
        "Delete(h2, \"A\") = 0",
        "Open(h2, " + Shown(So3) + ", 0, 983103) = h5",
        "Query(h5) = 0, 0",
        "Close(h5)",
        "Delete(h2, " + Shown(So3) + ") = 0",
        "Close(h2)",
        "Delete(HKCU, " + S + ") = 0",
    };
    EXPECT_EQ(Api.Log, Expected);
    EXPECT_TRUE(Api.Open.empty()); // every handle opened was closed
    EXPECT_EQ(Api.Find(Settings), nullptr);
    EXPECT_NE(Api.Find("Software\\Velbrook\\Other"), nullptr);

    Api.Log.clear();
    TAnswer Cancel(IDCANCEL, Api.Log);
    RemoveSettings(Api, Cancel);
    EXPECT_EQ(Api.Log.size(), 1u); // the question only
}

TEST(Registry, FailuresStayLocal) {
    TRecordingApi Api;
    Api.FailCreate = true;
    Api.Find(Settings + "\\Locked\\Inner", true); // cannot be opened: Inner stays
    Api.Find(Settings + "\\Mute\\Inner", true);   // cannot be queried: Inner stays
    Api.Find(Settings + "\\Fine\\Inner", true);   // goes
    Api.Find(Settings + "\\Stuck", true);         // its deletion fails
    Api.Find("Software\\Velbrook\\Other", true);
    // Names no registry reports: they would resolve to the key itself and to the root.
    Api.Find(Settings)->Keys[""].Keys["x"];
    Api.Find(Settings)->Keys["\\Software"];
    Api.FailOpen = {Settings + "\\Locked"};
    Api.FailQuery = {Settings + "\\Mute"};
    Api.FailDelete = {Settings + "\\Stuck"};
    TAnswer Ok(IDOK, Api.Log);
    RemoveSettings(Api, Ok);

    EXPECT_EQ(Api.Log[1].substr(0, 6), "Create");
    EXPECT_EQ(Api.Log[2].substr(0, 4), "Open"); // no close after a failed create
    EXPECT_NE(std::find(Api.Log.begin(), Api.Log.end(), "Delete(h1, \"Locked\") = 5"),
              Api.Log.end());
    EXPECT_EQ(Api.Log.back(), "Delete(HKCU, " + Shown(Settings) + ") = 5");
    const TNode* Left = Api.Find(Settings);
    ASSERT_NE(Left, nullptr);
    std::vector<std::string> Names;
    for (const auto& [Name, Node] : Left->Keys) Names.push_back(Name);
    EXPECT_EQ(Names, (std::vector<std::string>{"", "Locked", "Mute", "Stuck", "\\Software"}));
    EXPECT_NE(Api.Find("Software\\Velbrook\\Other"), nullptr); // "\Software" not followed
    EXPECT_TRUE(Api.Open.empty());
}

TEST(Registry, PathsResolveAgainstRootOrOpenKey) {
    TRecordingApi Api;
    Api.Find(Settings + "\\Sub\\Leaf", true);
    TRegistry Reg(Api);
    EXPECT_EQ(Reg.RootKey(), HKEY_CURRENT_USER);
    ASSERT_TRUE(Reg.OpenKey("\\Software", false));
    ASSERT_TRUE(Reg.OpenKey("Velbrook", false)); // relative to the open key, which it replaces
    EXPECT_EQ(Api.Log[1], "Open(h1, \"Velbrook\", 0, 983103) = h2");
    EXPECT_EQ(Api.Log[2], "Close(h1)");
    const HKEY Velbrook = Reg.CurrentKey();
    EXPECT_FALSE(Reg.OpenKey("Missing", false)); // a failed open keeps the open key
    EXPECT_EQ(Reg.CurrentKey(), Velbrook);
    EXPECT_TRUE(Reg.DeleteKey(Kana + "\\Sub")); // relative: under the open key
    EXPECT_EQ(Reg.CurrentKey(), Velbrook);      // restored
    EXPECT_EQ(Api.Log.back(), "Delete(h2, " + Shown(Kana + "\\Sub") + ") = 0");
    EXPECT_FALSE(Reg.DeleteKey("\\Velbrook")); // absolute: under the root, where it is not
    Reg.SetRootKey(HKEY_CURRENT_USER);         // the same root: the open key stays
    EXPECT_EQ(Reg.CurrentKey(), Velbrook);
    Reg.CloseKey();
    // With no key open, both spellings name the same key.
    ASSERT_TRUE(Reg.OpenKey("\\" + Settings, false));
    const std::string First = Api.Open.at(Reg.CurrentKey());
    Reg.CloseKey();
    ASSERT_TRUE(Reg.OpenKey(Settings, false));
    EXPECT_EQ(Api.Open.at(Reg.CurrentKey()), First);
    Reg.SetRootKey(reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u)));
    EXPECT_EQ(Reg.CurrentKey(), nullptr); // a new root closes the open key
    EXPECT_TRUE(Api.Open.empty());
}

} // namespace
