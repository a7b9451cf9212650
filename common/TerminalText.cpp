#include "TerminalText.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <langinfo.h>

namespace {

// Converts In with Cd, appending to Out. Where Cd stops at a character it cannot take,
// "?" stands for it and Skip(the bytes from there) tells how many bytes it spans; false
// when that happened at least once.
template <class TSkip>
bool Convert(iconv_t Cd, std::string_view In, std::string& Out, TSkip Skip) {
    bool Lossless = true;
    char* Src = const_cast<char*>(In.data()); // iconv takes char**, reads only
    std::size_t SrcLeft = In.size();
    char Buffer[256];
    for (bool Final = false;;) {
        char* Dst = Buffer;
        std::size_t DstLeft = sizeof Buffer;
        const std::size_t R = Final ? ::iconv(Cd, nullptr, nullptr, &Dst, &DstLeft)
                                    : ::iconv(Cd, &Src, &SrcLeft, &Dst, &DstLeft);
        const int Error = errno;
        Out.append(Buffer, static_cast<std::size_t>(Dst - Buffer));
        if (R == static_cast<std::size_t>(-1) && Error == E2BIG) continue;
        if (R == static_cast<std::size_t>(-1) && !Final) {
            const std::size_t N = std::min(SrcLeft, Skip(std::string_view(Src, SrcLeft)));
            Out += '?';
            Lossless = false;
            Src += N;
            SrcLeft -= N;
        } else if (SrcLeft == 0) {
            if (Final) return Lossless;
            Final = true;
        }
    }
}

// The length of the UTF-8 sequence that S starts with (S is valid UTF-8).
std::size_t Utf8Length(std::string_view S) {
    const auto Lead = static_cast<unsigned char>(S[0]);
    return Lead < 0xC0 ? 1 : Lead < 0xE0 ? 2 : Lead < 0xF0 ? 3 : 4;
}

struct TIconv {
    explicit TIconv(const char* To, const char* From) : Cd(::iconv_open(To, From)) {}
    ~TIconv() {
        if (*this) ::iconv_close(Cd);
    }
    TIconv(const TIconv&) = delete;
    TIconv& operator=(const TIconv&) = delete;
    explicit operator bool() const { return Cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t Cd;
};

} // namespace

std::string ToTerminal(std::string_view Text, const char* From, const std::string& Codeset,
                       bool* Lossless) {
    if (Lossless) *Lossless = true;
    std::string In;
    for (std::size_t I = 0; I < Text.size(); ++I)
        if (!(Text[I] == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n')) In += Text[I];
    // Through UTF-8, so that a character the terminal's set lacks is known whole: it
    // becomes one "?", and none of its bytes (a trail byte that looks like ASCII) shows.
    const TIconv Decode("UTF-8", From);
    if (!Decode) return In;
    std::string Utf8;
    bool Whole = Convert(Decode.Cd, In, Utf8, [](std::string_view) { return std::size_t{1}; });
    const std::string Set = Codeset.empty() ? ::nl_langinfo(CODESET) : Codeset;
    std::string Out;
    const TIconv Encode(Set.c_str(), "UTF-8");
    if (Encode) Whole = Convert(Encode.Cd, Utf8, Out, Utf8Length) && Whole;
    if (Lossless) *Lossless = Whole;
    return Encode ? Out : Utf8;
}
