// Test support: a scratch folder removed with everything in it, and whole-file reads
// and writes.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

class TempDir {
public:
    TempDir() {
        const std::filesystem::path Base = std::filesystem::temp_directory_path();
#ifdef _WIN32
        // A fresh name: this process's ID and a counter, tried until one is free.
        for (unsigned Try = 0; FPath.empty(); ++Try) {
            const std::filesystem::path Candidate =
                Base / ("kana-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                        std::to_string(GetTickCount()) + "-" + std::to_string(Try));
            if (std::filesystem::create_directory(Candidate)) FPath = Candidate;
            if (Try > 1000) throw std::runtime_error("no scratch folder");
        }
#else
        std::string Template = (Base / "kana-test-XXXXXX").string();
        if (!mkdtemp(Template.data())) throw std::runtime_error("mkdtemp failed");
        FPath = Template;
#endif
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

    const std::filesystem::path& Path() const {
        return FPath;
    }
    std::string operator/(const std::string& Name) const {
        return (FPath / Name).string();
    }

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

#ifdef _WIN32
const std::string NullDevice = "NUL";
#else
const std::string NullDevice = "/dev/null";
#endif

inline bool Exists(const std::string& Path) {
    return std::filesystem::exists(Path);
}

// Makes a file read-only: the read-only attribute under Windows, no write bit elsewhere.
inline void MakeReadOnly(const std::string& Path) {
#ifdef _WIN32
    if (!SetFileAttributesA(Path.c_str(), FILE_ATTRIBUTE_READONLY))
#else
    if (chmod(Path.c_str(), 0444) != 0)
#endif
        throw std::runtime_error("cannot make " + Path + " read-only");
}
