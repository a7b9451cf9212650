// Test support: a scratch folder removed with everything in it, and whole-file reads
// and writes.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

class TempDir {
public:
    TempDir() {
        std::string Template =
            (std::filesystem::temp_directory_path() / "kana-test-XXXXXX").string();
        if (!mkdtemp(Template.data())) throw std::runtime_error("mkdtemp failed");
        FPath = Template;
    }
    ~TempDir() {
        std::error_code Ignored;
        // Give back write permission first, so that read-only parts go too.
        for (auto& E : std::filesystem::recursive_directory_iterator(FPath, Ignored))
            std::filesystem::permissions(E.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, Ignored);
        std::filesystem::remove_all(FPath, Ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return FPath; }
    std::string operator/(const std::string& Name) const { return (FPath / Name).string(); }

private:
    std::filesystem::path FPath;
};

inline void WriteAll(const std::string& Path, const std::string& Bytes) {
    std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
    Out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    if (!Out) throw std::runtime_error("cannot write " + Path);
}

inline std::string ReadAll(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    if (!In) throw std::runtime_error("cannot read " + Path);
    return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

inline bool Exists(const std::string& Path) {
    return std::filesystem::exists(Path);
}
