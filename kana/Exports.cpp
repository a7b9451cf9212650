// The library's exports. Nothing but a result and the thread's last error crosses the
// boundary: no C++ exception escapes.
#define KANA_BUILDING_LIBRARY
#include "kana.h"

#include "FileConvert.h"
#include "IOError.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

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
    LastError().Code = 0;
    LastError().Message.clear();
    if (!SrcFile || !DestFile) {
        Report(InvalidParameter);
        return 0;
    }
    TConvertOptions Options;
    Options.ConvSize = Option<TConvSize>(ConvSize);
    Options.Space = Option<TSpace>(Space);
    Options.Tab = Option<TTab>(Tab);
    Options.SpLen = SpLen;
    Options.Kata = Option<TKata>(Kata);
    Options.ToHira = Option<TToHira>(ToHira);
    Options.Hira = Option<THira>(Hira);
    Options.Mark = Option<TMark>(Mark);
    try {
        return static_cast<std::uint16_t>(
            ConvertFile(SrcFile, DestFile, (CheckSame & 0xFFFF) != 0, Options));
    } catch (const EInOutError& E) {
        Report(E);
    } catch (const std::bad_alloc&) {
        Report(IoNotEnoughMemory);
    } catch (...) {
        Report(GeneralFailure);
    }
    return 0;
}

extern "C" KANA_API std::int32_t KanaLastError(char* Message, std::size_t Size) {
    const TLastError& Last = LastError();
    if (Message && Size > 0) {
        const std::size_t N = std::min(Size - 1, Last.Message.size());
        std::memcpy(Message, Last.Message.data(), N);
        Message[N] = '\0';
    }
    return Last.Code;
}
