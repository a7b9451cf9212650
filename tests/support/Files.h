// Test support: a scratch folder removed with everything in it, whole-file reads and
// writes, the names in a folder, a file's extended attributes, and a check run where
// memory is bounded.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <string>

class TempDir {
public:
    // A fresh name in the system's temporary folder, tried until one is free.
    TempDir() {
        std::random_device Random;
        for (unsigned Try = 0; FPath.empty(); ++Try) {
            const std::filesystem::path Candidate =
                std::filesystem::temp_directory_path() / ("kana-test-" + std::to_string(Random()));
            if (std::filesystem::create_directory(Candidate)) FPath = Candidate;
            if (Try > 1000) throw std::runtime_error("no scratch folder");
        }
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

#ifdef _WIN32
const std::string NullDevice = "NUL";
#else
const std::string NullDevice = "/dev/null";
#endif

// The names in a folder: after a conversion, nothing but what the test put there.
inline std::set<std::string> Entries(const std::filesystem::path& Folder) {
    std::set<std::string> Names;
    for (const auto& E : std::filesystem::directory_iterator(Folder))
        Names.insert(E.path().filename().string());
    return Names;
}

#ifndef _WIN32
// Every extended attribute of a file (its POSIX ACL among them), by name.
inline std::map<std::string, std::string> ExtendedAttributes(const std::string& Path) {
    std::map<std::string, std::string> Attributes;
    std::string Names(1 << 16, '\0'), Value(1 << 16, '\0');
    const ssize_t N = listxattr(Path.c_str(), Names.data(), Names.size());
    if (N < 0) throw std::runtime_error("cannot list the attributes of " + Path);
    for (std::size_t At = 0; At < static_cast<std::size_t>(N); At = Names.find('\0', At) + 1) {
        const char* Name = Names.c_str() + At;
        const ssize_t Size = getxattr(Path.c_str(), Name, Value.data(), Value.size());
        if (Size < 0) throw std::runtime_error(std::string("cannot read ") + Name + " of " + Path);
        Attributes[Name] = Value.substr(0, static_cast<std::size_t>(Size));
    }
    return Attributes;
}
#endif

// Runs Check where memory is bounded, so that it runs out soon and for certain: in a child
// process whose address space is limited to 1 GiB (under Windows in this process, whose
// 32-bit address space is the bound). True when Check returned true and the child ended
// normally, not on a signal.
inline bool WithBoundedMemory(const std::function<bool()>& Check) {
#ifdef _WIN32
    return Check();
#else
    const pid_t Child = fork();
    if (Child == 0) {
        const rlimit Limit{1u << 30, 1u << 30};
        setrlimit(RLIMIT_AS, &Limit);
        _exit(Check() ? 0 : 1);
    }
    int Status = 0;
    return Child > 0 && waitpid(Child, &Status, 0) == Child && WIFEXITED(Status) &&
           WEXITSTATUS(Status) == 0;
#endif
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
