// The directory hive under TRegistry and the removal: what a run leaves on disk, and the
// hive's own rules for names, links and keys that still have subkeys.
#include "HiveRegistry.h"
#include "Registry.h"
#include "Removal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdlib.h>
#include <utility>

namespace fs = std::filesystem;

namespace {

const std::string Kana = "\x82\xA9\x82\xC8";
const std::string So = "\x83\x5C";  // ソ: its second byte is "\"
const std::string Hyo = "\x95\x5C"; // 表
const std::string Settings = "Software\\Velbrook\\" + Kana;

class TOk : public TConfirmation {
public:
    int Ask(LPCSTR, LPCSTR, unsigned) override { return IDOK; }
};

class Hive : public ::testing::Test {
protected:
    void SetUp() override {
        char Name[] = "/tmp/hive-test-XXXXXX";
        ASSERT_NE(::mkdtemp(Name), nullptr);
        Dir = Name;
        Root = Dir / "HKEY_CURRENT_USER";
    }
    void TearDown() override { fs::remove_all(Dir); }

    // Creates the key at Path through the hive and puts a value file in it.
    void AddKey(const std::string& Path, const std::string& Value = "") {
        THiveRegApi Api(Root);
        HKEY Key = nullptr;
        ASSERT_EQ(Api.RegCreateKeyExA(HKEY_CURRENT_USER, Path.c_str(), 0, nullptr, 0,
                                      KEY_ALL_ACCESS, nullptr, &Key, nullptr),
                  ERROR_SUCCESS)
            << Path;
        if (!Value.empty()) std::ofstream(Folder(Path) / Value) << "data";
        Api.RegCloseKey(Key);
    }
    // The folder of the key at Path: split at "\" where it stands as a character.
    fs::path Folder(const std::string& Path) const {
        fs::path P = Root;
        std::string Name;
        for (std::size_t I = 0; I <= Path.size(); ++I) {
            const unsigned char C = I < Path.size() ? Path[I] : '\\';
            if (C == '\\') {
                P /= std::exchange(Name, "");
            } else {
                Name += Path[I];
                if ((C >= 0x81 && C <= 0x9F) || (C >= 0xE0 && C <= 0xFC)) Name += Path[++I];
            }
        }
        return P;
    }
    void Remove() {
        THiveRegApi Api(Root);
        TOk Ok;
        RemoveSettings(Api, Ok);
    }

    fs::path Dir, Root;
};

TEST_F(Hive, RemovalTakesTheWholeTreeAndNothingElse) {
    AddKey(Settings, "Window");
    AddKey(Settings + "\\A\\A1\\A11", "Size");
    AddKey(Settings + "\\A\\A2", "Pos");
    AddKey(Settings + "\\B\\B1", "Font");
    AddKey(Settings + "\\" + So + "\\" + Hyo + So, "Mode"); // 0x5C trail bytes in names
    AddKey("Software\\Velbrook\\Other", "Keep");
    AddKey("Software\\Velbrook\\" + Kana + "2", "Keep");
    // The double-byte names are single folders, read and written whole.
    EXPECT_TRUE(fs::is_directory(Root / "Software/Velbrook" / Kana / So / (Hyo + So)));

    Remove();
    EXPECT_FALSE(fs::exists(Root / "Software/Velbrook" / Kana));
    EXPECT_TRUE(fs::exists(Root / "Software/Velbrook/Other/Keep"));
    EXPECT_TRUE(fs::exists(Root / "Software/Velbrook" / (Kana + "2") / "Keep"));
}

TEST_F(Hive, MissingKeyIsCreatedAndRemovedAgain) {
    Remove(); // not even the hive's folder exists yet
    EXPECT_TRUE(fs::is_directory(Root / "Software/Velbrook"));
    EXPECT_FALSE(fs::exists(Root / "Software/Velbrook" / Kana));
}

TEST_F(Hive, BothSpellingsNameOneKey) {
    THiveRegApi Api(Root);
    TRegistry Reg(Api);
    ASSERT_TRUE(Reg.OpenKey("\\" + Settings, true));
    Reg.CloseKey();
    ASSERT_TRUE(Reg.OpenKey(Settings, false));
    Reg.CloseKey();
    EXPECT_TRUE(Reg.DeleteKey(Settings));
    EXPECT_FALSE(Reg.OpenKey("\\" + Settings, false));
}

TEST_F(Hive, KeysAndNamesFollowTheRegistrysRules) {
    AddKey(Settings + "\\Sub", "Value");
    THiveRegApi Api(Root);
    // A key with a subkey stays, values and all; without it, it goes with its values.
    EXPECT_EQ(Api.RegDeleteKeyA(HKEY_CURRENT_USER, Settings.c_str()), ERROR_ACCESS_DENIED);
    AddKey(Settings, "Value");
    EXPECT_EQ(Api.RegDeleteKeyA(HKEY_CURRENT_USER, (Settings + "\\Sub").c_str()), ERROR_SUCCESS);
    EXPECT_EQ(Api.RegDeleteKeyA(HKEY_CURRENT_USER, Settings.c_str()), ERROR_SUCCESS);
    EXPECT_EQ(Api.RegDeleteKeyA(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED); // the hive itself

    // Names that are no folder's, and paths with empty names, never reach outside.
    HKEY Key = nullptr;
    for (const char* Bad :
         {"..", "Software\\..\\..\\x", ".", "a/b", "\\Software", "a\\\\b", "a\\"}) {
        EXPECT_NE(Api.RegCreateKeyExA(HKEY_CURRENT_USER, Bad, 0, nullptr, 0, KEY_ALL_ACCESS,
                                      nullptr, &Key, nullptr),
                  ERROR_SUCCESS)
            << Bad;
        EXPECT_NE(Api.RegDeleteKeyA(HKEY_CURRENT_USER, Bad), ERROR_SUCCESS) << Bad;
    }
    EXPECT_FALSE(fs::exists(Dir / "x"));
    EXPECT_FALSE(fs::exists(Root / "a"));

    // A link in the hive is no key: removal takes the link, not what it points to.
    fs::create_directories(Dir / "outside/Inner");
    std::ofstream(Dir / "outside/file") << "keep";
    AddKey(Settings);
    fs::create_directory_symlink(Dir / "outside", Folder(Settings) / "Link");
    Remove();
    EXPECT_FALSE(fs::exists(Folder(Settings)));
    EXPECT_TRUE(fs::exists(Dir / "outside/file"));
    EXPECT_TRUE(fs::exists(Dir / "outside/Inner"));

    // A folder whose name holds a "\" of its own is no key either: its name would read
    // back as a path to another key.
    AddKey(Settings + "\\a\\b");
    fs::create_directory(Folder(Settings) / "a\\b");
    THiveRegApi Api2(Root);
    ASSERT_EQ(Api2.RegOpenKeyExA(HKEY_CURRENT_USER, Settings.c_str(), 0, KEY_ALL_ACCESS, &Key),
              ERROR_SUCCESS);
    DWORD SubKeys = 0, MaxLen = 0;
    ASSERT_EQ(Api2.RegQueryInfoKeyA(Key, nullptr, nullptr, nullptr, &SubKeys, &MaxLen, nullptr,
                                    nullptr, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(SubKeys, 1u);
    char Name[2];
    DWORD Len = sizeof Name; // "a" fits; nothing more is there
    EXPECT_EQ(Api2.RegEnumKeyExA(Key, 0, Name, &Len, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(Api2.RegEnumKeyExA(Key, 1, Name, &Len, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(Api2.RegCloseKey(Key), ERROR_SUCCESS);
    EXPECT_EQ(Api2.RegCloseKey(Key), ERROR_INVALID_HANDLE);
}

TEST_F(Hive, NestingStopsAtTheRegistrysDepth) {
    std::string Path = "k";
    for (std::size_t I = 1; I < THiveRegApi::MaxDepth; ++I) Path += "\\k";
    THiveRegApi Api(Root);
    HKEY Key = nullptr;
    ASSERT_EQ(Api.RegCreateKeyExA(HKEY_CURRENT_USER, Path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &Key, nullptr),
              ERROR_SUCCESS);
    HKEY Deeper = nullptr;
    EXPECT_NE(
        Api.RegCreateKeyExA(Key, "k", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &Deeper, nullptr),
        ERROR_SUCCESS);
    EXPECT_EQ(Deeper, nullptr);
}

} // namespace
