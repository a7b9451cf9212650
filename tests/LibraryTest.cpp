// The library as a host sees it: loaded by name, its exports called through pointers of
// their declared types, a failure received the way the platform delivers it (Windows: a
// structured exception; elsewhere: result 0 and KanaLastError).
#include "Files.h"
#include "Sjis.h"
#include "Version.h"
#include "kana.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <csetjmp>
#else
#include <dlfcn.h>
#endif

#include <cstdio>
#include <cstring>
#include <optional>
#include <set>
#include <tuple>
#include <vector>

namespace {

using TGetDllVersion = std::int32_t(KANA_CALL*)();
using TKanaConvert = std::uint16_t(KANA_CALL*)(const char*, const char*, std::uint32_t,
                                               std::uint32_t, std::uint32_t, std::uint32_t,
                                               std::int32_t, std::uint32_t, std::uint32_t,
                                               std::uint32_t, std::uint32_t);
using TKanaLastError = std::int32_t (*)(char*, std::size_t);

struct TLibrary {
    TGetDllVersion GetDllVersion = nullptr;
    TKanaConvert KanaConvert = nullptr;
    TKanaLastError KanaLastError = nullptr; // POSIX only
#ifdef _WIN32
    HMODULE Module = nullptr;
#endif
};

// What the host learns of a failed call.
struct TFailure {
    int Code = 0; // 0: the call did not fail
    std::string Message;
#ifdef _WIN32
    DWORD Flags = 0;
    DWORD Parameters = 0;
    std::size_t Length = 0;     // parameter 2
    const char* Text = nullptr; // parameter 1
#endif
};

#ifdef _WIN32
// The host's __except: it takes KANA_EXCEPTION_CODE raised during Call and leaves the
// call through the landing that Call set up.
thread_local std::jmp_buf* Landing = nullptr;
thread_local TFailure* Caught = nullptr;

LONG CALLBACK CatchKanaException(EXCEPTION_POINTERS* Pointers) {
    const EXCEPTION_RECORD& R = *Pointers->ExceptionRecord;
    if (!Landing || R.ExceptionCode != KANA_EXCEPTION_CODE) return EXCEPTION_CONTINUE_SEARCH;
    TFailure& F = *Caught;
    F.Flags = R.ExceptionFlags;
    F.Parameters = R.NumberParameters;
    if (R.NumberParameters == KANA_EXCEPTION_PARAMETERS) {
        F.Code = static_cast<int>(R.ExceptionInformation[0]);
        F.Text = reinterpret_cast<const char*>(R.ExceptionInformation[1]);
        F.Length = R.ExceptionInformation[2];
        F.Message = F.Text ? F.Text : "";
    } else {
        F.Code = -1;
    }
    std::longjmp(*Landing, 1);
}
#endif

template <class T, class P>
T As(P Pointer) {
    return reinterpret_cast<T>(reinterpret_cast<void (*)()>(Pointer));
}

// The library, loaded once by name, as a host loads it.
const TLibrary& Library() {
    static const TLibrary Loaded = [] {
        TLibrary L;
#ifdef _WIN32
        AddVectoredExceptionHandler(1, CatchKanaException);
        L.Module = LoadLibraryA("Kana.dll"); // from the program's folder
        const auto Find = [&](const char* Name) { return GetProcAddress(L.Module, Name); };
#else
        void* Module = dlopen(KANA_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        const auto Find = [&](const char* Name) { return Module ? dlsym(Module, Name) : nullptr; };
        L.KanaLastError = As<TKanaLastError>(Find("KanaLastError"));
#endif
        L.GetDllVersion = As<TGetDllVersion>(Find("GetDllVersion"));
        L.KanaConvert = As<TKanaConvert>(Find("KanaConvert"));
        return L;
    }();
    return Loaded;
}

// Calls KanaConvert through the loaded library (a path left out is a null pointer).
// Failure receives what a failed call tells the host (code 0 when the call did not fail).
std::uint16_t Call(TFailure& Failure, const std::optional<std::string>& Src,
                   const std::optional<std::string>& Dest, std::uint32_t CheckSame = 0,
                   std::uint32_t ConvSize = 0, std::uint32_t Space = 0, std::uint32_t Tab = 0,
                   std::int32_t SpLen = 0, std::uint32_t Kata = 0) {
    Failure = TFailure();
#ifdef _WIN32
    // The host's __try: the handler comes back here. No object with a destructor lives
    // in this frame.
    std::jmp_buf Here;
    Caught = &Failure;
    Landing = &Here;
    if (setjmp(Here) != 0) {
        Landing = nullptr;
        return 0;
    }
#endif
    const std::uint16_t Result =
        Library().KanaConvert(Src ? Src->c_str() : nullptr, Dest ? Dest->c_str() : nullptr,
                              CheckSame, ConvSize, Space, Tab, SpLen, Kata, 0, 0, 0);
#ifdef _WIN32
    Landing = nullptr;
#else
    char Message[256];
    Failure.Code = Library().KanaLastError(Message, sizeof Message);
    Failure.Message = Failure.Code ? Message : "";
#endif
    return Result;
}

// The options, each read from its low 8 bits (CheckSame from its low 16, SpLen from all
// 32), reach the engine in their places.
TEST(Library, LoadedByNameAndArgumentsReadFromTheirLowBits) {
    ASSERT_TRUE(Library().GetDllVersion && Library().KanaConvert);
    EXPECT_EQ(Library().GetDllVersion(), 1);
    TempDir Dir;
    const std::string In = Dir / "in", Out = Dir / "out";
    WriteAll(In, Sjis("ｶﾞ a\tb"));
    TFailure F;
    EXPECT_EQ(Call(F, In, Out, 0, 0xABCD0100 | KANA_CV_BIG, 0x200 | KANA_SP_2BYTE, 0x100, 4,
                   0xFF00 | KANA_K_2BYTE),
              1);
    EXPECT_EQ(F.Code, 0);
    EXPECT_EQ(Hex(ReadAll(Out)), Hex(Sjis("ガ　A\tB\r\n")));
    // A negative SpLen is kept as given: the tab disappears.
    EXPECT_EQ(Call(F, In, Out, 0, 0, 0, KANA_TB_SPACE, -1), 1);
    EXPECT_EQ(Hex(ReadAll(Out)), Hex(Sjis("ｶﾞ ab\r\n")));
    // The same file as source and destination: CheckSame 0x10000 counts as zero and
    // converts in place; a refusal is no failure.
    WriteAll(In, "a\tb");
    for (const std::uint32_t CheckSame : {0x0u, 0x10000u, 0xFFFF0000u}) {
        EXPECT_EQ(Call(F, In, In, CheckSame, KANA_CV_BIG), 1) << CheckSame;
        EXPECT_EQ(ReadAll(In), "A\tB\r\n") << CheckSame;
    }
    for (const std::uint32_t CheckSame : {0x1u, 0x8000u, 0xFFFFu, 0x10001u, 0xFFFFFFFFu}) {
        EXPECT_EQ(Call(F, In, In, CheckSame, KANA_CV_SMALL), 0) << CheckSame;
        EXPECT_EQ(F.Code, 0);
        EXPECT_EQ(ReadAll(In), "A\tB\r\n") << CheckSame;
    }
}

// A failure tells its code and message and leaves the destination; the caller goes on:
// the next call succeeds, and the one after fails anew. Memory running out while a tab
// becomes 2,147,483,647 spaces is code 8, and the host lives on.
TEST(Library, FailuresTellTheCodeAndTheMessage) {
    TempDir Dir;
    WriteAll(Dir / "in", "a\tb\r\n");
    WriteAll(Dir / "out", "old");
    TFailure F;
    EXPECT_EQ(Call(F, Dir / "missing", Dir / "out"), 0);
    EXPECT_EQ(std::tie(F.Code, F.Message), std::make_tuple(2, Sjis("ﾌｧｲﾙが見つかりません")));
#ifdef _WIN32
    // A noncontinuable structured exception whose message stays readable after the call,
    // until the thread's next one.
    EXPECT_EQ(F.Flags & EXCEPTION_NONCONTINUABLE, static_cast<DWORD>(EXCEPTION_NONCONTINUABLE));
    EXPECT_EQ(F.Parameters, 3u);
    EXPECT_EQ(F.Length, F.Message.size());
    ASSERT_NE(F.Text, nullptr);
    EXPECT_EQ(std::string(F.Text), F.Message);
#else
    char Short[5];
    EXPECT_EQ(Library().KanaLastError(Short, sizeof Short), 2);
    EXPECT_EQ(std::string(Short), Sjis("ﾌｧｲﾙ")); // truncated, zero-terminated
    EXPECT_EQ(Library().KanaLastError(nullptr, 0), 2);
#endif
    EXPECT_EQ(Call(F, Dir / "in", Dir / "no/out"), 0);
    EXPECT_EQ(std::tie(F.Code, F.Message), std::make_tuple(3, Sjis("不正なﾌｧｲﾙ名です")));
    EXPECT_EQ(Call(F, std::nullopt, "x"), 0);
    EXPECT_EQ(std::tie(F.Code, F.Message), std::make_tuple(87, Sjis("I/O ｴﾗｰ (87)")));
    EXPECT_EQ(ReadAll(Dir / "out"), "old");
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // The sanitizers reserve more address space than the bound allows.
#else
    EXPECT_TRUE(WithBoundedMemory([&] {
        TFailure G;
        const auto Result =
            Call(G, Dir / "in", Dir / "out", 0, 0, KANA_SP_2BYTE, KANA_TB_SPACE, 2147483647);
        return Result == 0 &&
               std::tie(G.Code, G.Message) == std::make_tuple(8, Sjis("I/O ｴﾗｰ (8)")) &&
               Call(G, Dir / "in", Dir / "out", 0, KANA_CV_BIG) == 1;
    }));
    EXPECT_EQ(ReadAll(Dir / "out"), "A\tB\r\n");
#endif
    EXPECT_EQ(Call(F, Dir / "in", Dir / "out", 0, KANA_CV_BIG), 1);
    EXPECT_EQ(F.Code, 0);
    EXPECT_EQ(Entries(Dir.Path()), (std::set<std::string>{"in", "out"}));
}

#ifdef _WIN32
// Calls Function with eleven arguments pushed last to first, as a stdcall caller does.
// Returns how far the stack pointer moved across the call (0 when the callee removed
// all 44 bytes) and the result register in Eax.
std::int32_t StackMovedByCall(void* Function, const std::uint32_t (&Arguments)[11],
                              std::uint32_t& Eax) {
    std::int32_t Moved;
    asm volatile("movl %%esp, %%esi\n\t"
                 ".irp Offset, 40, 36, 32, 28, 24, 20, 16, 12, 8, 4, 0\n\t"
                 "pushl \\Offset(%[Args])\n\t"
                 ".endr\n\t"
                 "call *%[Function]\n\t"
                 "movl %%esp, %[Moved]\n\t"
                 "subl %%esi, %[Moved]\n\t"
                 "movl %%esi, %%esp"
                 : "=a"(Eax), [Moved] "=&d"(Moved)
                 : [Args] "b"(&Arguments[0]), [Function] "D"(Function)
                 : "ecx", "esi", "memory", "cc");
    return Moved;
}

// A cdecl function of eleven arguments: it leaves them to its caller.
__attribute__((cdecl, noinline)) std::uint32_t
LeavesItsArguments(std::uint32_t First, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                   std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                   std::uint32_t) {
    return First;
}

TEST(Library, KanaConvertRemoves44BytesAndAnswersIn16Bits) {
    TempDir Dir;
    const std::string In = Dir / "in", Out = Dir / "out";
    WriteAll(In, "abc");
    std::uint32_t Arguments[11] = {};
    Arguments[0] = reinterpret_cast<std::uint32_t>(In.c_str());
    Arguments[1] = reinterpret_cast<std::uint32_t>(Out.c_str());
    Arguments[3] = KANA_CV_BIG;
    std::uint32_t Eax = 0;
    EXPECT_EQ(StackMovedByCall(reinterpret_cast<void*>(Library().KanaConvert), Arguments, Eax), 0);
    EXPECT_EQ(Eax & 0xFFFF, 1u);
    EXPECT_EQ(ReadAll(Out), "ABC\r\n");
    // The measure tells the difference: a cdecl callee leaves the 44 bytes behind.
    EXPECT_EQ(StackMovedByCall(reinterpret_cast<void*>(&LeavesItsArguments), Arguments, Eax), -44);
    EXPECT_EQ(Eax, Arguments[0]);
}

// The version record, read as a host reads it on a code page 932 system.
TEST(Library, VersionRecord) {
    char Path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(Library().Module, Path, sizeof Path), 0u);
    DWORD Ignored = 0;
    const DWORD Size = GetFileVersionInfoSizeA(Path, &Ignored);
    ASSERT_GT(Size, 0u);
    std::vector<char> Record(Size);
    ASSERT_TRUE(GetFileVersionInfoA(Path, 0, Size, Record.data()));

    void* Value = nullptr;
    UINT Length = 0;
    ASSERT_TRUE(VerQueryValueA(Record.data(), "\\", &Value, &Length));
    const auto& Fixed = *static_cast<const VS_FIXEDFILEINFO*>(Value);
    const DWORD High = KANA_VERSION_MAJOR << 16 | KANA_VERSION_MINOR,
                Low = KANA_VERSION_PATCH << 16;
    EXPECT_EQ(
        (std::vector<DWORD>{Fixed.dwFileVersionMS, Fixed.dwFileVersionLS, Fixed.dwProductVersionMS,
                            Fixed.dwProductVersionLS, Fixed.dwFileType}),
        (std::vector<DWORD>{High, Low, High, Low, VFT_DLL}));

    ASSERT_TRUE(VerQueryValueA(Record.data(), "\\VarFileInfo\\Translation", &Value, &Length));
    ASSERT_EQ(Length, 4u);
    const WORD* Translation = static_cast<const WORD*>(Value);
    EXPECT_EQ(Translation[0], 0x0411); // Japanese
    EXPECT_EQ(Translation[1], 932);

    const std::pair<const char*, std::string> Strings[] = {
        {"Comments", Sjis("カナ変換用ダイナミックリンクライブラリ")},
        {"CompanyName", "Velbrook"},
        {"FileDescription", Sjis("文字変換 Dll")},
        {"FileVersion", KANA_VERSION_TEXT},
        {"InternalName", "kana"},
        {"OriginalFilename", "kana.dll"},
        {"ProductName", "kana"},
        {"ProductVersion", KANA_VERSION_TEXT},
    };
    for (const auto& [Name, Expected] : Strings) {
        const std::string Key = std::string("\\StringFileInfo\\041103A4\\") + Name;
        ASSERT_TRUE(VerQueryValueA(Record.data(), Key.c_str(), &Value, &Length)) << Name;
        EXPECT_EQ(Hex(static_cast<const char*>(Value)), Hex(Expected)) << Name;
    }
}
#else
TEST(Library, ExportsExactlyItsFunctions) {
    const std::string Command =
        std::string("nm -D --defined-only --format=just-symbols ") + KANA_LIBRARY;
    FILE* Pipe = popen(Command.c_str(), "r");
    ASSERT_NE(Pipe, nullptr);
    std::set<std::string> Names;
    char Line[512];
    while (std::fgets(Line, sizeof Line, Pipe))
        Names.insert(std::string(Line, std::strcspn(Line, "\n")));
    EXPECT_EQ(pclose(Pipe), 0);
    EXPECT_EQ(Names, (std::set<std::string>{
                         "GetDllVersion", "KanaConvert", "KanaLastError", "kana_convert",
                         "kana_convert_bound", "kana_converter_convert", "kana_converter_free",
                         "kana_converter_new", "kana_encoding_named", "kana_error_text",
                         "kana_judge", "kana_options_set"}));
}

#endif

} // namespace
