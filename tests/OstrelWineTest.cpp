// ostrel.exe under Wine, against Wine's registry: this program starts it, reads its box
// (caption, text, buttons), presses OK as a user would, and looks at the registry
// afterwards.
// Runs from the folder of ostrel.exe (or OSTREL_EXE names it), on a display: see
// cmake/wine-x-run.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string Kana = "\x82\xA9\x82\xC8";
const std::string So = "\x83\x5C"; // ソ
const std::string Velbrook = "Software\\Velbrook";
const std::string Settings = Velbrook + "\\" + Kana;

std::string Program() {
    char Buf[MAX_PATH];
    const DWORD N = GetEnvironmentVariableA("OSTREL_EXE", Buf, sizeof Buf);
    if (N > 0 && N < sizeof Buf) return Buf;
    GetCurrentDirectoryA(sizeof Buf, Buf);
    return std::string(Buf) + "\\ostrel.exe";
}

void AddKey(const std::string& Path, const char* Value) {
    HKEY Key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, Path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &Key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(Key, Value, 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
    RegCloseKey(Key);
}

bool Exists(const std::string& Path) {
    HKEY Key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, Path.c_str(), 0, KEY_READ, &Key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(Key);
    return true;
}

struct TBox {
    std::string Caption, Text;
    int DefaultButton = 0;
    DWORD ExitCode = 99;
};

BOOL CALLBACK FindDialog(HWND Wnd, LPARAM Found) {
    char Class[16];
    if (GetClassNameA(Wnd, Class, sizeof Class) && std::string(Class) == "#32770") {
        *reinterpret_cast<HWND*>(Found) = Wnd;
        return FALSE;
    }
    return TRUE;
}

// Starts ostrel.exe, waits for its box, reads it and presses OK.
TBox RunAndPressOk() {
    TBox Box;
    STARTUPINFOA Si{};
    Si.cb = sizeof Si;
    PROCESS_INFORMATION Pi{};
    std::string Cmd = "\"" + Program() + "\"";
    if (!CreateProcessA(nullptr, Cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Si,
                        &Pi)) {
        ADD_FAILURE() << "cannot start " << Program();
        return Box;
    }
    HWND Dialog = nullptr;
    for (int I = 0; I < 600 && !Dialog; ++I) { // up to a minute: Wine starts its desktop
        EnumThreadWindows(Pi.dwThreadId, FindDialog, reinterpret_cast<LPARAM>(&Dialog));
        if (!Dialog && WaitForSingleObject(Pi.hProcess, 100) == WAIT_OBJECT_0) break;
    }
    if (Dialog) {
        char Buf[256];
        Box.Caption.assign(Buf, GetWindowTextA(Dialog, Buf, sizeof Buf));
        Box.Text.assign(Buf, GetDlgItemTextA(Dialog, 0xFFFF, Buf, sizeof Buf));
        const LRESULT Def = SendMessageA(Dialog, DM_GETDEFID, 0, 0);
        if (HIWORD(Def) == DC_HASDEFID) Box.DefaultButton = LOWORD(Def);
        EXPECT_NE(GetDlgItem(Dialog, IDOK), nullptr);
        EXPECT_NE(GetDlgItem(Dialog, IDCANCEL), nullptr);
        PostMessageA(Dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(Dialog, IDOK)));
    } else {
        ADD_FAILURE() << "no message box appeared (is there a display?)";
    }
    if (WaitForSingleObject(Pi.hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(Pi.hProcess, 98);
    GetExitCodeProcess(Pi.hProcess, &Box.ExitCode);
    CloseHandle(Pi.hThread);
    CloseHandle(Pi.hProcess);
    return Box;
}

TEST(OstrelExe, OkRemovesTheTreeAndKeepsItsSiblings) {
    RegDeleteTreeA(HKEY_CURRENT_USER, Velbrook.c_str());
    AddKey(Settings, "Window");
    AddKey(Settings + "\\A\\A1\\A11", "Size");
    AddKey(Settings + "\\A\\A2", "Pos");
    AddKey(Settings + "\\" + So + So + So + "\\" + So, "Mode"); // 0x5C trail bytes
    AddKey(Velbrook + "\\Other", "Keep");
    const TBox Box = RunAndPressOk();
    EXPECT_EQ(Box.Caption, Kana);
    EXPECT_EQ(Box.Text, "\x82\xA9\x82\xC8\x82\xCC\r\n\x90\xDD\x92\xE8\x82\xF0\x8D\xED\x8F\x9C"
                        "\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81\x48");
    EXPECT_EQ(Box.DefaultButton, IDOK);
    EXPECT_EQ(Box.ExitCode, 0u);
    EXPECT_FALSE(Exists(Settings));
    EXPECT_TRUE(Exists(Velbrook + "\\Other"));
    RegDeleteTreeA(HKEY_CURRENT_USER, Velbrook.c_str());
}

} // namespace
