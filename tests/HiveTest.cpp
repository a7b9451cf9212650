// The directory hive under the removal: what a run leaves on disk, and the hive's own
// rules for names, links and keys that still have subkeys.
#include "HiveRegistry.h"
#include "Registry.h"
#include "Removal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdlib.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string Kana = "\x82\xA9\x82\xC8";
const std::string So = "\x83\x5C"; // ソ: its second byte is "\"
const std::string Settings = "Software\\Velbrook\\" + Kana;

class Hive : public ::testing::Test, public TConfirmation {
protected:
    void SetUp() override {
        char Name[] = "/tmp/hive-test-XXXXXX";
        ASSERT_NE(::mkdtemp(Name), nullptr);
        Dir = Name;
        Root = Dir / "HKEY_CURRENT_USER";
        Key = Root / "Software/Velbrook" / Kana;
    }
    void TearDown() override { fs::remove_all(Dir); }
    int Ask(LPCSTR, LPCSTR, unsigned) override { return IDOK; }

    LONG Create(THiveRegApi& Api, const std::string& Path) {
        HKEY K = nullptr;
        const LONG R = Api.RegCreateKeyExA(HKEY_CURRENT_USER, Path.c_str(), 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &K, nullptr);
        if (R == ERROR_SUCCESS) Api.RegCloseKey(K);
        return R;
    }
    void Remove() {
        THiveRegApi Api(Root);
        RemoveSettings(Api, *this);
    }
    fs::path Dir, Root, Key;
};

TEST_F(Hive, RemovalTakesTheWholeTreeAndNothingElse) {
    THiveRegApi Api(Root);
    for (const std::string& Sub :
         std::vector<std::string>{"\\A\\A1\\A11", "\\A\\A2", "\\B\\B1", "\\" + So + "\\" + So + So})
        ASSERT_EQ(Create(Api, Settings + Sub), ERROR_SUCCESS);
    ASSERT_EQ(Create(Api, "Software\\Velbrook\\Other"), ERROR_SUCCESS);
    // The names with 0x5C trail bytes are single folders.
    ASSERT_TRUE(fs::is_directory(Key / So / (So + So)));
    for (const fs::path& Value : {Key / "Window", Key / "A/A1/A11/Size", Key / So / "Mode",
                                  Root / "Software/Velbrook/Other/Keep"})
        std::ofstream(Value) << "data";

    Remove();
    EXPECT_FALSE(fs::exists(Key));
    EXPECT_TRUE(fs::exists(Root / "Software/Velbrook/Other/Keep"));

    fs::remove_all(Root); // not even the hive's folder: the key is created, then removed
    Remove();
    EXPECT_TRUE(fs::is_directory(Root / "Software/Velbrook"));
    EXPECT_FALSE(fs::exists(Key));
}

TEST_F(Hive, BothSpellingsNameOneKeyWhileNoneIsOpen) {
    THiveRegApi Api(Root);
    TRegistry Reg(Api);
    ASSERT_TRUE(Reg.OpenKey("\\" + Settings, true));
    Reg.CloseKey();
    EXPECT_TRUE(Reg.DeleteKey(Settings));
    EXPECT_FALSE(fs::exists(Key));
}

TEST_F(Hive, NoCallReachesOutsideTheHive) {
    THiveRegApi Api(Root);
    ASSERT_EQ(Create(Api, Settings + "\\Sub"), ERROR_SUCCESS);
    // Like the Windows registry: a key with a subkey stays; the hive itself is never deleted.
    EXPECT_EQ(Api.RegDeleteKeyA(HKEY_CURRENT_USER, Settings.c_str()), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Api.RegDeleteKeyA(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);
    for (const char* Bad : {"..", "Software\\..\\..\\x", ".", "a/b", "\\Software", "a\\\\b"}) {
        EXPECT_NE(Create(Api, Bad), ERROR_SUCCESS) << Bad;
        EXPECT_NE(Api.RegDeleteKeyA(HKEY_CURRENT_USER, Bad), ERROR_SUCCESS) << Bad;
    }
    EXPECT_TRUE(fs::exists(Key / "Sub"));
    EXPECT_FALSE(fs::exists(Dir / "x"));
    EXPECT_FALSE(fs::exists(Root / "a"));

    // A link is no key: removal takes the link, not what it points to.
    fs::create_directories(Dir / "outside/Inner");
    std::ofstream(Dir / "outside/file") << "keep";
    fs::create_directory_symlink(Dir / "outside", Key / "Link");
    Remove();
    EXPECT_FALSE(fs::exists(Key));
    EXPECT_TRUE(fs::exists(Dir / "outside/file"));
    EXPECT_TRUE(fs::exists(Dir / "outside/Inner"));

    // A folder whose name holds a "\" of its own is no key: its name would read back as
    // the path of another key. It stays, and the key holding it.
    ASSERT_EQ(Create(Api, Settings + "\\a\\b"), ERROR_SUCCESS);
    fs::create_directory(Key / "a\\b");
    HKEY K = nullptr;
    ASSERT_EQ(Api.RegOpenKeyExA(HKEY_CURRENT_USER, Settings.c_str(), 0, KEY_ALL_ACCESS, &K), 0);
    DWORD SubKeys = 0, MaxLen = 0;
    EXPECT_EQ(Api.RegQueryInfoKeyA(K, nullptr, nullptr, nullptr, &SubKeys, &MaxLen, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(SubKeys, 1u);
    EXPECT_EQ(Api.RegCloseKey(K), ERROR_SUCCESS);
    EXPECT_EQ(Api.RegCloseKey(K), ERROR_INVALID_HANDLE);
    Remove();
    EXPECT_TRUE(fs::exists(Key / "a\\b"));
    EXPECT_FALSE(fs::exists(Key / "a"));

    // Keys nest at most 512 levels.
    std::string Deep = "k";
    for (std::size_t I = 1; I < THiveRegApi::MaxDepth; ++I) Deep += "\\k";
    EXPECT_EQ(Create(Api, Deep), ERROR_SUCCESS);
    EXPECT_NE(Create(Api, Deep + "\\k"), ERROR_SUCCESS);
}

} // namespace
