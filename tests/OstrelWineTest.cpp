// ostrel.exe under Wine, against Wine's registry: this program starts it, reads its box
// (caption, text, default button), presses a button as a user would, and looks at the
// registry afterwards. It also reads the version record and the icon from the file.
// Runs from the folder of ostrel.exe (or OSTREL_EXE names it), on a display: see
// cmake/wine-x-run.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// Starts ostrel.exe, waits for its box, reads it and presses Button.
TBox RunAndAnswer(int Button) {
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
        PostMessageA(Dialog, WM_COMMAND, MAKEWPARAM(Button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(Dialog, Button)));
    } else {
        ADD_FAILURE() << "no message box appeared (is there a display?)";
    }
    if (WaitForSingleObject(Pi.hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(Pi.hProcess, 98);
    GetExitCodeProcess(Pi.hProcess, &Box.ExitCode);
    CloseHandle(Pi.hThread);
    CloseHandle(Pi.hProcess);
    return Box;
}

class OstrelExe : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, Velbrook.c_str());
        AddKey(Settings, "Window");
        AddKey(Settings + "\\A\\A1\\A11", "Size");
        AddKey(Settings + "\\A\\A2", "Pos");
        AddKey(Settings + "\\" + So + So + So + "\\" + So, "Mode");
        AddKey(Velbrook + "\\Other", "Keep");
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, Velbrook.c_str()); }
};

TEST_F(OstrelExe, OkRemovesTheTreeAndKeepsItsSiblings) {
    const TBox Box = RunAndAnswer(IDOK);
    EXPECT_EQ(Box.Caption, Kana);
    EXPECT_EQ(Box.Text, "\x82\xA9\x82\xC8\x82\xCC\r\n\x90\xDD\x92\xE8\x82\xF0\x8D\xED\x8F\x9C"
                        "\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81\x48");
    EXPECT_EQ(Box.DefaultButton, IDOK);
    EXPECT_EQ(Box.ExitCode, 0u);
    EXPECT_FALSE(Exists(Settings));
    EXPECT_TRUE(Exists(Velbrook + "\\Other"));
}

TEST_F(OstrelExe, CancelChangesNothing) {
    EXPECT_EQ(RunAndAnswer(IDCANCEL).ExitCode, 0u);
    EXPECT_TRUE(Exists(Settings + "\\" + So + So + So + "\\" + So));
    EXPECT_TRUE(Exists(Settings + "\\A\\A1\\A11"));
}

TEST_F(OstrelExe, MissingKeyIsCreatedAndRemoved) {
    RegDeleteTreeA(HKEY_CURRENT_USER, Velbrook.c_str());
    EXPECT_EQ(RunAndAnswer(IDOK).ExitCode, 0u);
    EXPECT_TRUE(Exists(Velbrook));
    EXPECT_FALSE(Exists(Settings));
}

std::string Version(std::vector<char>& Data, const char* Name) {
    char* Value = nullptr;
    UINT Len = 0;
    const std::string Path = std::string("\\StringFileInfo\\041103A4\\") + Name;
    if (!VerQueryValueA(Data.data(), Path.c_str(), reinterpret_cast<void**>(&Value), &Len))
        return "(none)";
    return std::string(Value, Len > 0 ? Len - 1 : 0);
}

BOOL CALLBACK CountGroup(HMODULE, LPCSTR, LPSTR, LONG_PTR Count) {
    ++*reinterpret_cast<int*>(Count);
    return TRUE;
}

TEST(OstrelExeFile, VersionRecordAndIcon) {
    const std::string Exe = Program();
    std::vector<char> Data(GetFileVersionInfoSizeA(Exe.c_str(), nullptr));
    ASSERT_FALSE(Data.empty());
    ASSERT_TRUE(GetFileVersionInfoA(Exe.c_str(), 0, static_cast<DWORD>(Data.size()), Data.data()));
    // The Japanese texts come back as the same Shift-JIS bytes they were written in.
    EXPECT_EQ(Version(Data, "FileDescription"), Kana + " Delete Key");
    EXPECT_EQ(Version(Data, "Comments"), Kana + " \x90\xDD\x92\xE8\x8D\xED\x8F\x9C\x83\x76\x83\x8D"
                                                "\x83\x4F\x83\x89\x83\x80");
    EXPECT_EQ(Version(Data, "FileVersion"), "0.01");
    EXPECT_EQ(Version(Data, "ProductVersion"), "0.01");
    EXPECT_EQ(Version(Data, "InternalName"), "ostrel");
    EXPECT_EQ(Version(Data, "ProductName"), "ostrel");
    EXPECT_EQ(Version(Data, "OriginalFilename"), "ostrel.exe");
    EXPECT_EQ(Version(Data, "CompanyName"), "Velbrook");
    VS_FIXEDFILEINFO* Fixed = nullptr;
    UINT Len = 0;
    ASSERT_TRUE(VerQueryValueA(Data.data(), "\\", reinterpret_cast<void**>(&Fixed), &Len));
    EXPECT_EQ(Fixed->dwFileVersionMS, 0x00000000u);
    EXPECT_EQ(Fixed->dwFileVersionLS, 0x00010000u);
    EXPECT_EQ(Fixed->dwProductVersionLS, 0x00010000u);
    WORD* Translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(Data.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&Translation), &Len));
    ASSERT_EQ(Len, 4u);
    EXPECT_EQ(Translation[0], 0x0411);
    EXPECT_EQ(Translation[1], 932);

    // One icon group, MAINICON, holding one 32 x 32 icon of 16 colours.
    const HMODULE File = LoadLibraryExA(Exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(File, nullptr);
    int Groups = 0;
    EnumResourceNamesA(File, MAKEINTRESOURCEA(14), CountGroup, reinterpret_cast<LONG_PTR>(&Groups));
    EXPECT_EQ(Groups, 1);
    const HRSRC Res = FindResourceA(File, "MAINICON", MAKEINTRESOURCEA(14)); // RT_GROUP_ICON
    ASSERT_NE(Res, nullptr);
    const auto* Dir = static_cast<const BYTE*>(LockResource(LoadResource(File, Res)));
    EXPECT_EQ(Dir[4] | Dir[5] << 8, 1);   // one entry
    EXPECT_EQ(Dir[6], 32);                // width
    EXPECT_EQ(Dir[7], 32);                // height
    EXPECT_EQ(Dir[8], 16);                // colours
    EXPECT_EQ(Dir[12] | Dir[13] << 8, 4); // bits per pixel
    FreeLibrary(File);
}

} // namespace
