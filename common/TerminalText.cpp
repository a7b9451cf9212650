#include "TerminalText.h"

#include <cerrno>
#include <iconv.h>
#include <langinfo.h>

std::string ToTerminal(std::string_view Text, const char* From, const std::string& Codeset,
                       bool* Lossless) {
    if (Lossless) *Lossless = true;
    std::string In;
    for (std::size_t I = 0; I < Text.size(); ++I)
        if (!(Text[I] == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n')) In += Text[I];
    const std::string Set = Codeset.empty() ? ::nl_langinfo(CODESET) : Codeset;
    iconv_t Cd = ::iconv_open(Set.c_str(), From);
    if (Cd == reinterpret_cast<iconv_t>(-1)) Cd = ::iconv_open("UTF-8", From);
    if (Cd == reinterpret_cast<iconv_t>(-1)) return In;
    std::string Out;
    char* Src = In.data();
    std::size_t SrcLeft = In.size();
    char Buffer[256];
    const auto Flush = [&](bool Final) {
        char* Dst = Buffer;
        std::size_t DstLeft = sizeof Buffer;
        const std::size_t R = Final ? ::iconv(Cd, nullptr, nullptr, &Dst, &DstLeft)
                                    : ::iconv(Cd, &Src, &SrcLeft, &Dst, &DstLeft);
        Out.append(Buffer, static_cast<std::size_t>(Dst - Buffer));
        return R != static_cast<std::size_t>(-1) || errno == E2BIG;
    };
    while (SrcLeft > 0) {
        if (Flush(false)) continue;
        // A byte that starts no character here, or one the set lacks: "?", and on.
        Out += '?';
        if (Lossless) *Lossless = false;
        ++Src;
        --SrcLeft;
    }
    Flush(true);
    ::iconv_close(Cd);
    return Out;
}
