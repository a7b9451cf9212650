// Test support: a platform layer that forwards to the system's and lets a test watch
// every call or make one fail. Installed for the lifetime of the object.
#pragma once

#include "Platform.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

class TestPlatform : public TPlatform {
public:
    // Called before each open, read, write and close with its name ("OpenRead", "Write",
    // ...) and the bytes it moves (0 when none); a non-zero result fails the operation with
    // that code.
    std::function<std::uint32_t(const std::string& Op, std::uint32_t Size)> Before;

    TestPlatform() : FSystem(SystemPlatform()) { FPrevious = SetPlatform(this); }
    ~TestPlatform() override { SetPlatform(FPrevious); }

    // The operations seen so far, in order, as "Op" or "Op:size".
    std::vector<std::string> Calls() const {
        std::lock_guard<std::mutex> Guard(FLock);
        return FCalls;
    }

    std::uint32_t OpenRead(const std::string& Name, TFileHandle& Handle,
                           TReadShare Share) override {
        if (auto Code = Hook("OpenRead")) return Code;
        return FSystem.OpenRead(Name, Handle, Share);
    }
    std::uint32_t CreateWrite(const std::string& Name, TFileHandle& Handle) override {
        if (auto Code = Hook("CreateWrite")) return Code;
        return FSystem.CreateWrite(Name, Handle);
    }
    std::uint32_t StdInput(TFileHandle& Handle) override { return FSystem.StdInput(Handle); }
    std::uint32_t StdOutput(TFileHandle& Handle) override { return FSystem.StdOutput(Handle); }
    TFileType FileType(TFileHandle Handle) override { return FSystem.FileType(Handle); }
    bool WouldWait(TFileHandle Handle) override { return FSystem.WouldWait(Handle); }
    std::uint32_t Position(TFileHandle Handle, std::uint64_t& Offset) override {
        return FSystem.Position(Handle, Offset);
    }
    std::uint32_t SetPosition(TFileHandle Handle, std::uint64_t Offset) override {
        return FSystem.SetPosition(Handle, Offset);
    }
    std::uint32_t Read(TFileHandle Handle, char* Buffer, std::uint32_t Size,
                       std::uint32_t& Got) override {
        if (auto Code = Hook("Read", Size)) return Code;
        return FSystem.Read(Handle, Buffer, Size, Got);
    }
    std::uint32_t Write(TFileHandle Handle, const char* Buffer, std::uint32_t Size) override {
        if (auto Code = Hook("Write", Size)) return Code;
        return FSystem.Write(Handle, Buffer, Size);
    }
    std::uint32_t Close(TFileHandle Handle) override {
        const std::uint32_t Code = Hook("Close");
        const std::uint32_t Closed = FSystem.Close(Handle); // a handle is released in any case
        return Code ? Code : Closed;
    }
    std::uint32_t CreateBeside(const std::string& Dest, std::string& Path,
                               TFileHandle& Handle) override {
        return FSystem.CreateBeside(Dest, Path, Handle);
    }
    std::uint32_t Commit(TFileHandle Handle, const std::string& Path, const std::string& Dest,
                         std::vector<TLostAttribute>& Lost) override {
        return FSystem.Commit(Handle, Path, Dest, Lost);
    }
    std::uint32_t Backup(const std::string& Dest, const std::string& Backup,
                         std::vector<TLostAttribute>& Lost) override {
        return FSystem.Backup(Dest, Backup, Lost);
    }
    std::uint32_t Discard(TFileHandle Handle, const std::string& Path) override {
        return FSystem.Discard(Handle, Path);
    }
    bool FileExists(const std::string& Path) override { return FSystem.FileExists(Path); }
    bool SameFile(const std::string& A, const std::string& B) override {
        return FSystem.SameFile(A, B);
    }
    std::uint32_t ReplaceTarget(const std::string& Dest, std::string& Target,
                                bool& Direct) override {
        return FSystem.ReplaceTarget(Dest, Target, Direct);
    }
    std::string TempPathFor(const std::string& Dest) override { return FSystem.TempPathFor(Dest); }
    std::string LoadMessage(int Id) override { return FSystem.LoadMessage(Id); }

private:
    std::uint32_t Hook(const char* Op, std::uint32_t Size = 0) {
        {
            std::lock_guard<std::mutex> Guard(FLock);
            FCalls.push_back(Size ? std::string(Op) + ":" + std::to_string(Size) : std::string(Op));
        }
        return Before ? Before(Op, Size) : 0;
    }

    TPlatform& FSystem;
    TPlatform* FPrevious;
    mutable std::mutex FLock;
    std::vector<std::string> FCalls;
};
