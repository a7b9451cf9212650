// TRegistry and the removal against a scripted stand-in of the six registry functions and
// the box. The script lists the calls expected, in order, each with what it answers, as
// Windows would: "Enum h2 0 7 -> A" (a name, a handle, or counts), "Open h1 B = 2" (a
// failure). Each call is logged the same way, so the log equals the script exactly when
// the calls were those. Name lengths are in characters, as Windows reports them.
#include "Registry.h"
#include "Removal.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

namespace {

class TScriptedApi : public TRegApi, public TConfirmation {
public:
    explicit TScriptedApi(std::string S) : Script(std::move(S)) {}
    std::string Script, Log; // calls separated by "; "

    int Ask(LPCSTR Text, LPCSTR Caption, unsigned Type) override {
        EXPECT_EQ(std::string(Text) + "|" + Caption + "|" + std::to_string(Type),
                  "\x82\xA9\x82\xC8\x82\xCC\r\n\x90\xDD\x92\xE8\x82\xF0\x8D\xED\x8F\x9C"
                  "\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81\x48|\x82\xA9\x82\xC8|65");
        Next("Ask");
        return std::stoi("0" + Answer);
    }
    LONG RegCreateKeyExA(HKEY Key, LPCSTR Sub, DWORD Res, LPSTR Class, DWORD Options, REGSAM Sam,
                         LPSECURITY_ATTRIBUTES Sa, PHKEY Out, LPDWORD Disp) override {
        EXPECT_TRUE(!Res && !Class && !Options && Sam == 0xF003F && !Sa && Disp && !*Out);
        return Handle(Next("Create " + Show(Key) + " " + Sub), Out);
    }
    LONG RegOpenKeyExA(HKEY Key, LPCSTR Sub, DWORD Options, REGSAM Sam, PHKEY Out) override {
        EXPECT_TRUE(!Options && Sam == 0xF003F && !*Out);
        return Handle(Next("Open " + Show(Key) + " " + Sub), Out);
    }
    LONG RegQueryInfoKeyA(HKEY Key, LPSTR Class, LPDWORD ClassLen, LPDWORD Res, LPDWORD SubKeys,
                          LPDWORD MaxLen, LPDWORD MaxClassLen, LPDWORD, LPDWORD, LPDWORD,
                          LPDWORD Security, PFILETIME) override {
        EXPECT_TRUE(!Class && !ClassLen && !Res && !MaxClassLen && !Security);
        const LONG Result = Next("Query " + Show(Key));
        std::istringstream(Answer) >> *SubKeys >> *MaxLen; // filled even on failure
        return Result;
    }
    LONG RegEnumKeyExA(HKEY Key, DWORD Index, LPSTR Name, LPDWORD Len, LPDWORD Res, LPSTR Class,
                       LPDWORD ClassLen, PFILETIME Time) override {
        EXPECT_TRUE(!Res && !Class && !ClassLen && !Time);
        const LONG Result = Next("Enum " + Show(Key) + " " + std::to_string(Index) + " " +
                                 std::to_string(*Len)); // the length offered, in bytes
        std::memcpy(Name, Answer.c_str(), Answer.size() + 1);
        *Len = static_cast<DWORD>(Answer.size());
        return Result;
    }
    LONG RegDeleteKeyA(HKEY Key, LPCSTR Sub) override {
        return Next("Delete " + Show(Key) + " " + Sub);
    }
    LONG RegCloseKey(HKEY Key) override { return Next("Close " + Show(Key)); }

private:
    static std::string Show(HKEY Key) {
        return Key == HKEY_CURRENT_USER ? "HKCU" : "h" + std::to_string(std::uintptr_t(Key));
    }
    // Logs the call C and returns the code the script answers to it; Answer receives what
    // follows " -> ". A call the script does not expect there fails.
    LONG Next(const std::string& C) {
        const std::size_t End = std::min(Script.find("; ", At), Script.size());
        const std::string E = Script.substr(At, End - At);
        const bool Expected = (E + " ").starts_with(C + " ");
        At = std::min(End + 2, Script.size());
        Log += (Log.empty() ? "" : "; ") + (Expected ? E : C);
        const std::string A = Expected ? E.substr(C.size()) : " = 31";
        const std::size_t Code = A.find(" = ");
        Answer = A.starts_with(" -> ") ? A.substr(4, Code - 4) : "";
        return Code == std::string::npos ? ERROR_SUCCESS : std::stoi(A.substr(Code + 3));
    }
    LONG Handle(LONG Result, PHKEY Out) {
        if (Result == ERROR_SUCCESS) *Out = HKEY(std::stoul(Answer.substr(1)));
        return Result;
    }
    std::size_t At = 0;
    std::string Answer;
};

const std::string So3 = "\x83\x5C\x83\x5C\x83\x5C"; // ソソソ: 3 characters, 6 bytes
const std::string S = "Software\\Velbrook\\\x82\xA9\x82\xC8";

TEST(Registry, ConfirmedRunDeletesDepthFirstAndClosesEveryHandle) {
    // The name buffer: the longest name, 3 characters, doubled, plus one byte.
    TScriptedApi Api("Ask -> 1; Create HKCU " + S + " -> h1; Close h1; Open HKCU " + S +
                     " -> h2; Query h2 -> 2 3; Enum h2 0 7 -> A; Enum h2 1 7 -> " + So3 +
                     "; Open h2 A -> h3; Query h3 -> 1 1; Enum h3 0 3 -> B; Open h3 B -> h4; "
                     "Query h4 -> 0 0; Close h4; Delete h3 B; Close h3; Delete h2 A; Open h2 " +
                     So3 + " -> h5; Query h5 -> 0 0; Close h5; Delete h2 " + So3 +
                     "; Close h2; Delete HKCU " + S);
    RemoveSettings(Api, Api);
    EXPECT_EQ(Api.Log, Api.Script);

    TScriptedApi Cancel("Ask -> 2"); // the question only
    RemoveSettings(Cancel, Cancel);
    EXPECT_EQ(Cancel.Log, Cancel.Script);
}

TEST(Registry, FailuresStayLocal) {
    // Not created, so nothing to close; a key that cannot be opened, or queried (its
    // counts then mean nothing), or that reports a name length no buffer can double, is
    // still deleted, without its subkeys; a name that cannot be read is skipped; a subkey
    // that cannot be deleted stays, its siblings go; an empty name, or one starting with
    // "\" (this key itself and the root), is not followed.
    TScriptedApi Api("Ask -> 1; Create HKCU " + S + " = 5; Open HKCU " + S +
                     " -> h1; Query h1 -> 7 9; Enum h1 0 19 -> ; Enum h1 1 19 -> \\Software; "
                     "Enum h1 2 19 -> Locked; Enum h1 3 19 -> Mute; Enum h1 4 19 = 234; "
                     "Enum h1 5 19 -> Stuck; Enum h1 6 19 -> Fine; Open h1 Locked = 5; "
                     "Delete h1 Locked = 5; Open h1 Mute -> h2; Query h2 -> 1 2 = 5; Close h2; "
                     "Delete h1 Mute = 5; Open h1 Stuck -> h3; Query h3 -> 1 2147483647; Close h3; "
                     "Delete h1 Stuck = 5; Open h1 Fine -> h4; Query h4 -> 0 0; Close h4; "
                     "Delete h1 Fine; Close h1; Delete HKCU " +
                     S + " = 5");
    RemoveSettings(Api, Api);
    EXPECT_EQ(Api.Log, Api.Script);

    // Without an open key a relative path starts at the root; a failed open opens nothing.
    TScriptedApi Rel("Open HKCU Missing = 2; Open HKCU New -> h1; Query h1 -> 0 0; Close h1; "
                     "Delete HKCU New");
    TRegistry Reg(Rel);
    EXPECT_FALSE(Reg.OpenKey("Missing", false));
    EXPECT_TRUE(Reg.DeleteKey("New"));
    EXPECT_EQ(Rel.Log, Rel.Script);
}

} // namespace
