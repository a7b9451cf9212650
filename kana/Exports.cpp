// The library's exports. Nothing but a result and, after a failure, its code and message
// cross the boundary: no C++ exception escapes. Under Windows a failure leaves
// KanaConvert as the structured exception KANA_EXCEPTION_CODE; elsewhere the call returns
// 0 and KanaLastError tells why.
#define KANA_BUILDING_LIBRARY
#include "kana.h"

#include "FileConvert.h"
#include "Version.h"
#include "WinErrors.h"

#include <algorithm>
#include <cstring>
#include <string>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

namespace {

struct TLastError {
    int Code = 0;
    std::string Message;
};

TLastError& LastError() {
    thread_local TLastError Last;
    return Last;
}

template <class T>
T Option(std::uint32_t Value) {
    return static_cast<T>(Value & 0xFF);
}

// The conversion behind KanaConvert: its result, with a failure recorded in LastError()
// (code 0 for a refusal). Everything the conversion built is gone when this returns.
bool Convert(const char* SrcFile, const char* DestFile, std::uint32_t CheckSame,
             const TOptions& Options) noexcept {
    TLastError& Last = LastError();
    Last.Code = 0;
    Last.Message.clear();
    TConvertResult Result;
    if (!SrcFile || !DestFile)
        Result = {TOutcome::Failed, EInOutError(ERROR_INVALID_PARAMETER, TFileOp::Open)};
    else
        Result = ConvertFile(SrcFile, DestFile, (CheckSame & 0xFFFF) != 0, Options);
    if (Result.Failure) {
        Last.Code = Result.Failure->ErrorCode;
        Last.Message = std::move(*Result.Failure).Message();
    }
    return Result.Outcome == TOutcome::Converted;
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
    return KANA_INTERFACE_VERSION;
}

extern "C" KANA_API std::uint16_t KANA_CALL KanaConvert(const char* SrcFile, const char* DestFile,
                                                        std::uint32_t CheckSame,
                                                        std::uint32_t ConvSize, std::uint32_t Space,
                                                        std::uint32_t Tab, std::int32_t SpLen,
                                                        std::uint32_t Kata, std::uint32_t ToHira,
                                                        std::uint32_t Hira, std::uint32_t Mark) {
    const TOptions Options{Option<TConvSize>(ConvSize), Option<TSpace>(Space),
                           Option<TTab>(Tab),           Option<TKata>(Kata),
                           Option<TToHira>(ToHira),     Option<THira>(Hira),
                           Option<TMark>(Mark),         SpLen};
    if (Convert(SrcFile, DestFile, CheckSame, Options)) return 1;
#ifdef _WIN32
    // returns only when a handler resumes it all the same
    if (LastError().Code != 0) RaiseFailure();
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
