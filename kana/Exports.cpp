// The library's exports. Nothing but a result and, after a failure, its code and message
// cross the boundary: no C++ exception escapes. Under Windows a failure leaves
// KanaConvert as the structured exception KANA_EXCEPTION_CODE; elsewhere the call returns
// 0 and KanaLastError tells why.
#define KANA_BUILDING_LIBRARY
#include "kana.h"

#include "FileConvert.h"
#include "IOError.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

namespace {

constexpr std::uint32_t InvalidParameter = 87;
constexpr std::uint32_t GeneralFailure = 31;

struct TLastError {
    int Code = 0;
    std::string Message;
};

TLastError& LastError() {
    thread_local TLastError Last;
    return Last;
}

void Report(int Code) noexcept {
    TLastError& Last = LastError();
    Last.Code = Code;
    try {
        Last.Message = InOutErrorMessage(Code);
    } catch (...) {
        Last.Message.clear();
    }
}

void Report(const EInOutError& E) noexcept {
    TLastError& Last = LastError();
    Last.Code = E.ErrorCode;
    try {
        Last.Message = E.Message();
    } catch (...) {
        Last.Message.clear();
    }
}

template <class T>
T Option(std::uint32_t Value) {
    return static_cast<T>(Value & 0xFF);
}

// The conversion behind KanaConvert: its result, or -1 when it failed, with the failure
// recorded in LastError(). Everything the conversion built is gone when this returns.
int Convert(const char* SrcFile, const char* DestFile, std::uint32_t CheckSame,
            const TConvertOptions& Options) noexcept {
    LastError().Code = 0;
    LastError().Message.clear();
    if (!SrcFile || !DestFile) {
        Report(InvalidParameter);
        return -1;
    }
    try {
        return ConvertFile(SrcFile, DestFile, (CheckSame & 0xFFFF) != 0, Options);
    } catch (const EInOutError& E) {
        Report(E);
    } catch (const std::bad_alloc&) {
        Report(IoNotEnoughMemory);
    } catch (...) {
        Report(GeneralFailure);
    }
    return -1;
}

#ifdef _WIN32
// Raises the calling thread's last failure as KANA_EXCEPTION_CODE (layout in kana.h).
// No object of the conversion is alive here, so a host's handler may unwind past this
// frame; the message lives in thread-local storage until the thread's next call.
void RaiseFailure() {
    const TLastError& Last = LastError();
    const ULONG_PTR Parameters[KANA_EXCEPTION_PARAMETERS] = {
        static_cast<ULONG_PTR>(Last.Code), reinterpret_cast<ULONG_PTR>(Last.Message.c_str()),
        static_cast<ULONG_PTR>(Last.Message.size())};
    RaiseException(KANA_EXCEPTION_CODE, EXCEPTION_NONCONTINUABLE, KANA_EXCEPTION_PARAMETERS,
                   Parameters);
}
#endif

} // namespace

extern "C" KANA_API std::int32_t KANA_CALL GetDllVersion(void) {
    return 1;
}

extern "C" KANA_API std::uint16_t KANA_CALL KanaConvert(const char* SrcFile, const char* DestFile,
                                                        std::uint32_t CheckSame,
                                                        std::uint32_t ConvSize, std::uint32_t Space,
                                                        std::uint32_t Tab, std::int32_t SpLen,
                                                        std::uint32_t Kata, std::uint32_t ToHira,
                                                        std::uint32_t Hira, std::uint32_t Mark) {
    TConvertOptions Options;
    Options.ConvSize = Option<TConvSize>(ConvSize);
    Options.Space = Option<TSpace>(Space);
    Options.Tab = Option<TTab>(Tab);
    Options.SpLen = SpLen;
    Options.Kata = Option<TKata>(Kata);
    Options.ToHira = Option<TToHira>(ToHira);
    Options.Hira = Option<THira>(Hira);
    Options.Mark = Option<TMark>(Mark);
    const int Result = Convert(SrcFile, DestFile, CheckSame, Options);
    if (Result >= 0) return static_cast<std::uint16_t>(Result);
#ifdef _WIN32
    RaiseFailure(); // returns only when a handler resumes it all the same
#endif
    return 0;
}

#ifndef _WIN32
extern "C" KANA_API std::int32_t KanaLastError(char* Message, std::size_t Size) {
    const TLastError& Last = LastError();
    if (Message && Size > 0) {
        const std::size_t N = std::min(Size - 1, Last.Message.size());
        std::memcpy(Message, Last.Message.data(), N);
        Message[N] = '\0';
    }
    return Last.Code;
}
#endif
