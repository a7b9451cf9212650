// TRegistry and the removal against a recording stand-in of the six registry functions:
// an in-memory tree that answers like Windows (name lengths in characters, so a
// double-byte name is longer in bytes than reported; no deletion of a key with subkeys)
// and logs every call with its arguments.
#include "Registry.h"
#include "Removal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

class TRecordingApi : public TRegApi, public TConfirmation {
public:
    std::set<std::string> Keys; // paths, names joined with '/'
    std::set<std::string> Fail; // "Create", or an operation and a path: "Open A/B"
    std::map<HKEY, std::string> Open;
    std::vector<std::string> Log;
    int Answer = IDOK;

    void Add(const std::string& Path) {
        for (std::size_t I = Path.find('/'); I != std::string::npos; I = Path.find('/', I + 1))
            Keys.insert(Path.substr(0, I));
        Keys.insert(Path);
    }
    std::vector<std::string> Children(const std::string& Path) const {
        std::vector<std::string> Names;
        for (const std::string& K : Keys)
            if (K.compare(0, Path.size() + 1, Path + "/") == 0 &&
                K.find('/', Path.size() + 1) == std::string::npos)
                Names.push_back(K.substr(Path.size() + 1));
        return Names;
    }

    int Ask(LPCSTR Text, LPCSTR Caption, unsigned Type) override {
        Log.push_back(Call("MessageBoxA", Text, Caption, DWORD(Type)) + " = " +
                      std::to_string(Answer));
        return Answer;
    }
    LONG RegCreateKeyExA(HKEY Key, LPCSTR Sub, DWORD Res, LPSTR Class, DWORD Options, REGSAM Sam,
                         LPSECURITY_ATTRIBUTES Sa, PHKEY Out, LPDWORD Disp) override {
        const std::string C =
            Call("Create", Key, Sub, Res, Class, Options, Sam, Sa, *Out, Disp != nullptr);
        if (Fail.count("Create")) return Done(C, ERROR_ACCESS_DENIED);
        Add(Path(Key, Sub));
        return Done(C, ERROR_SUCCESS, Out, Path(Key, Sub));
    }
    LONG RegOpenKeyExA(HKEY Key, LPCSTR Sub, DWORD Options, REGSAM Sam, PHKEY Out) override {
        const std::string C = Call("Open", Key, Sub, Options, Sam, *Out), P = Path(Key, Sub);
        if (!Keys.count(P) || Fail.count("Open " + P)) return Done(C, ERROR_FILE_NOT_FOUND);
        return Done(C, ERROR_SUCCESS, Out, P);
    }
    LONG RegQueryInfoKeyA(HKEY Key, LPSTR Class, LPDWORD ClassLen, LPDWORD Res, LPDWORD SubKeys,
                          LPDWORD MaxLen, LPDWORD MaxClassLen, LPDWORD, LPDWORD, LPDWORD,
                          LPDWORD Security, PFILETIME) override {
        const std::string C = Call("Query", Key, Class, ClassLen, Res, MaxClassLen, Security);
        const std::string& P = Open.at(Key);
        if (!Keys.count(P)) return Done(C, 1018); // deleted meanwhile
        if (Fail.count("Query " + P)) return Done(C, ERROR_ACCESS_DENIED);
        const std::vector<std::string> Names = Children(P);
        *SubKeys = static_cast<DWORD>(Names.size());
        *MaxLen = 0;
        for (const std::string& N : Names) *MaxLen = std::max(*MaxLen, Chars(N));
        return Done(C + " -> " + std::to_string(*SubKeys) + ", " + std::to_string(*MaxLen), 0);
    }
    LONG RegEnumKeyExA(HKEY Key, DWORD Index, LPSTR Name, LPDWORD Len, LPDWORD Res, LPSTR Class,
                       LPDWORD ClassLen, PFILETIME Time) override {
        const std::string C = Call("Enum", Key, Index, *Len, Res, Class, ClassLen, Time);
        const std::vector<std::string> Names = Children(Open.at(Key));
        if (Index >= Names.size()) return Done(C, ERROR_NO_MORE_ITEMS);
        if (Names[Index].size() + 1 > *Len) return Done(C, ERROR_MORE_DATA);
        std::memcpy(Name, Names[Index].c_str(), Names[Index].size() + 1);
        *Len = static_cast<DWORD>(Names[Index].size());
        return Done(C + " -> " + Names[Index], ERROR_SUCCESS);
    }
    LONG RegDeleteKeyA(HKEY Key, LPCSTR Sub) override {
        const std::string C = Call("Delete", Key, Sub), P = Path(Key, Sub);
        if (!Keys.count(P)) return Done(C, ERROR_FILE_NOT_FOUND);
        if (!Children(P).empty() || Fail.count("Delete " + P)) return Done(C, ERROR_ACCESS_DENIED);
        Keys.erase(P);
        return Done(C, ERROR_SUCCESS);
    }
    LONG RegCloseKey(HKEY Key) override {
        const std::string C = Call("Close", Key);
        return Done(C, Open.erase(Key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE);
    }

private:
    std::string Show(HKEY Key) {
        if (Key == HKEY_CURRENT_USER) return "HKCU";
        return Key ? (Open.count(Key) ? Names[Key] : "stale") : "0";
    }
    std::string Show(const char* S) { return S ? "\"" + std::string(S) + "\"" : "null"; }
    std::string Show(DWORD V) { return std::to_string(V); }
    std::string Show(bool Given) { return Given ? "&" : "null"; }
    std::string Show(const void* P) { return P ? "&" : "null"; }
    template <typename... A>
    std::string Call(const char* Name, A... Args) {
        std::string S;
        ((S += (S.empty() ? "" : ", ") + Show(Args)), ...);
        return std::string(Name) + "(" + S + ")";
    }
    // A path from the root splits at every "\" (no name in these tests has a 0x5C
    // trail byte); below an open key, only bare names are used.
    std::string Path(HKEY Key, std::string Sub) {
        if (Key != HKEY_CURRENT_USER) return Sub.empty() ? Open.at(Key) : Open.at(Key) + "/" + Sub;
        std::replace(Sub.begin(), Sub.end(), '\\', '/');
        return Sub;
    }
    static DWORD Chars(const std::string& Name) {
        DWORD N = 0;
        for (std::size_t I = 0; I < Name.size(); ++I, ++N) {
            const unsigned char C = Name[I];
            if ((C >= 0x81 && C <= 0x9F) || (C >= 0xE0 && C <= 0xFC)) ++I;
        }
        return N;
    }
    LONG Done(const std::string& C, LONG Result, PHKEY Out = nullptr, const std::string& P = "") {
        if (Out && Result == ERROR_SUCCESS) {
            *Out = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x1000 + ++Count));
            Open[*Out] = P;
            Names[*Out] = "h" + std::to_string(Count);
            Log.push_back(C + " -> " + Names[*Out]);
        } else {
            Log.push_back(Result ? C + " = " + std::to_string(Result) : C);
        }
        return Result;
    }
    std::map<HKEY, std::string> Names;
    int Count = 0;
};

const std::string Kana = "\x82\xA9\x82\xC8";
const std::string So3 = "\x83\x5C\x83\x5C\x83\x5C"; // ソソソ: 3 characters, 6 bytes
const std::string Settings = "Software/Velbrook/" + Kana;
const std::string Quoted = "\"Software\\Velbrook\\" + Kana + "\"";

TEST(Registry, ConfirmedRunMakesTheCallsInOrder) {
    TRecordingApi Api;
    Api.Add(Settings + "/A/B");
    Api.Add(Settings + "/" + So3);
    Api.Add("Software/Velbrook/Other");
    RemoveSettings(Api, Api);
    const std::vector<std::string> Expected = {
        "MessageBoxA(\"\x82\xA9\x82\xC8\x82\xCC\r\n\x90\xDD\x92\xE8\x82\xF0\x8D\xED\x8F\x9C"
        "\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81\x48\", \"\x82\xA9\x82\xC8\", 65) = 1",
        "Create(HKCU, " + Quoted + ", 0, null, 0, 983103, null, 0, &) -> h1",
        "Close(h1)",
        "Open(HKCU, " + Quoted + ", 0, 983103, 0) -> h2",
        "Query(h2, null, null, null, null, null) -> 2, 3",
        "Enum(h2, 0, 7, null, null, null, null) -> A", // 3 characters, doubled, plus one
        "Enum(h2, 1, 7, null, null, null, null) -> " + So3,
        "Open(h2, \"A\", 0, 983103, 0) -> h3",
        "Query(h3, null, null, null, null, null) -> 1, 1",
        "Enum(h3, 0, 3, null, null, null, null) -> B",
        "Open(h3, \"B\", 0, 983103, 0) -> h4",
        "Query(h4, null, null, null, null, null) -> 0, 0",
        "Close(h4)",
        "Delete(h3, \"B\")",
        "Close(h3)",
        "Delete(h2, \"A\")",
        "Open(h2, \"" + So3 + "\", 0, 983103, 0) -> h5",
        "Query(h5, null, null, null, null, null) -> 0, 0",
        "Close(h5)",
        "Delete(h2, \"" + So3 + "\")",
        "Close(h2)",
        "Delete(HKCU, " + Quoted + ")",
    };
    EXPECT_EQ(Api.Log, Expected);
    EXPECT_TRUE(Api.Open.empty()); // every handle opened was closed
    EXPECT_EQ(Api.Keys,
              (std::set<std::string>{"Software", "Software/Velbrook", "Software/Velbrook/Other"}));

    Api.Log.clear();
    Api.Answer = IDCANCEL;
    RemoveSettings(Api, Api);
    EXPECT_EQ(Api.Log.size(), 1u); // the question only
}

TEST(Registry, FailuresStayLocal) {
    TRecordingApi Api;
    for (const char* Sub : {"/Locked/In", "/Mute/In", "/Fine/In", "/Stuck", "/\\Software", "//x"})
        Api.Add(Settings + Sub);
    Api.Add("Software/Velbrook/Other");
    Api.Fail = {"Create", "Open " + Settings + "/Locked", "Query " + Settings + "/Mute",
                "Delete " + Settings + "/Stuck"};
    RemoveSettings(Api, Api);

    EXPECT_EQ(Api.Log[1], "Create(HKCU, " + Quoted + ", 0, null, 0, 983103, null, 0, &) = 5");
    EXPECT_EQ(Api.Log[2], "Open(HKCU, " + Quoted + ", 0, 983103, 0) -> h1"); // no Close
    EXPECT_NE(std::find(Api.Log.begin(), Api.Log.end(), "Delete(h1, \"Locked\") = 5"),
              Api.Log.end());
    EXPECT_EQ(Api.Log.back(), "Delete(HKCU, " + Quoted + ") = 5");
    // What could not be opened, queried or deleted stays, and so does what an empty name
    // or one starting with "\" would have led to: the key itself and the root.
    EXPECT_EQ(Api.Children(Settings),
              (std::vector<std::string>{"", "Locked", "Mute", "Stuck", "\\Software"}));
    EXPECT_TRUE(Api.Keys.count("Software/Velbrook/Other"));
    EXPECT_TRUE(Api.Open.empty());
}

} // namespace
