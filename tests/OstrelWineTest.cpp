// ostrel.exe under Wine, against Wine's registry: this program starts it, reads its box
// (caption, text, buttons), presses a button as a user would, and looks at the registry
// afterwards. Runs from the folder of ostrel.exe, on a display: see cmake/wine-x-run.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string Velbrook = "Software\\Velbrook", Settings = Velbrook + "\\\x82\xA9\x82\xC8";

bool Exists(const std::string& Key) { // every key made here holds a value "Value"
    return !RegGetValueA(HKEY_CURRENT_USER, Key.c_str(), "Value", RRF_RT_ANY, nullptr, nullptr,
                         nullptr);
}

// The message box once it is shown: the dialog exists before its texts and buttons are
// set, and is shown only after.
BOOL CALLBACK FindBox(HWND Wnd, LPARAM Found) {
    char Class[8];
    if (GetClassNameA(Wnd, Class, sizeof Class) && std::string(Class) == "#32770" &&
        IsWindowVisible(Wnd))
        *reinterpret_cast<HWND*>(Found) = Wnd;
    return !*reinterpret_cast<HWND*>(Found);
}

TEST(OstrelExe, TheBoxAsksAndOnlyOkRemovesTheTree) {
    for (const int Button : {IDCANCEL, IDOK}) {
        RegDeleteTreeA(HKEY_CURRENT_USER, Velbrook.c_str());
        for (const std::string& Path : {Settings, Settings + "\\A\\A1\\A11", Settings + "\\A\\A2",
                                        Settings + "\\\x83\x5C\x83\x5C\\\x83\x5C", // 0x5C second
                                        Velbrook + "\\Other"}) {
            HKEY Key;
            ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, Path.c_str(), &Key), 0);
            RegSetValueExA(Key, "Value", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
            RegCloseKey(Key);
        }
        STARTUPINFOA Si{};
        Si.cb = sizeof Si;
        PROCESS_INFORMATION Pi{};
        char Cmd[] = "ostrel.exe"; // from the current folder
        ASSERT_TRUE(
            CreateProcessA(nullptr, Cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Si, &Pi));
        HWND Box = nullptr; // waited for up to a minute: Wine starts its desktop first
        for (int I = 0; I < 600 && !Box && WaitForSingleObject(Pi.hProcess, 100); ++I)
            EnumThreadWindows(Pi.dwThreadId, FindBox, reinterpret_cast<LPARAM>(&Box));
        EXPECT_TRUE(Box) << "no message box (is there a display?)";
        char Text[256];
        EXPECT_EQ(std::string(Text, GetWindowTextA(Box, Text, sizeof Text)), "\x82\xA9\x82\xC8");
        EXPECT_EQ(std::string(Text, GetDlgItemTextA(Box, 0xFFFF, Text, sizeof Text)),
                  "\x82\xA9\x82\xC8\x82\xCC\r\n\x90\xDD\x92\xE8\x82\xF0\x8D\xED\x8F\x9C"
                  "\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81\x48");
        EXPECT_EQ(SendMessageA(Box, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
        EXPECT_TRUE(GetDlgItem(Box, IDOK) && GetDlgItem(Box, IDCANCEL));
        PostMessageA(Box, WM_COMMAND, MAKEWPARAM(Button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(Box, Button)));
        if (WaitForSingleObject(Pi.hProcess, 60000)) TerminateProcess(Pi.hProcess, 98);
        DWORD Code = 99;
        GetExitCodeProcess(Pi.hProcess, &Code);
        CloseHandle(Pi.hThread);
        CloseHandle(Pi.hProcess);
        EXPECT_EQ(Code, 0u);
        EXPECT_EQ(Exists(Settings), Button != IDOK);
        EXPECT_TRUE(Exists(Velbrook + "\\Other"));
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, Velbrook.c_str());
}

} // namespace
