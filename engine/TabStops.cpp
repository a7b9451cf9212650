#include "TabStops.h"

#include "Cp932.h"
#include "SjisBytes.h"
#include "Utf8Chars.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace kana::detail {

namespace {

#include "generated/WideRanges.inc"

bool Wide(char32_t C) {
    const auto* End = std::end(WideRanges);
    const auto* It = std::upper_bound(std::begin(WideRanges), End, C,
                                      [](char32_t X, const char32_t(&R)[2]) { return X < R[0]; });
    return It != std::begin(WideRanges) && C <= (It - 1)[0][1];
}

} // namespace

int Utf8Columns(char32_t C) {
    if (C < 0x80) return 1;
    const std::uint16_t Code = cp932::Encode(C);
    if (Code != cp932::None) return Code >= 0x100 ? 2 : 1;
    return Wide(C) ? 2 : 1;
}

void AppendCopies(std::string_view Text, std::uint64_t Count, std::string& Out,
                  const std::function<void(std::string&)>* Flush) {
    constexpr std::size_t Megabyte = std::size_t{1} << 20;
    while (Count > 0) {
        std::uint64_t N = Count;
        if (Flush) {
            if (Out.size() >= Megabyte) (*Flush)(Out);
            N = std::min<std::uint64_t>(N, (Megabyte - std::min(Out.size(), Megabyte)) / Text.size() + 1);
        }
        if (N > (Out.max_size() - Out.size()) / Text.size())
            throw std::length_error("a run of spaces longer than a string can hold");
        // One copy, then the copies made so far again, doubling.
        const std::size_t Start = Out.size(), Total = static_cast<std::size_t>(N) * Text.size();
        Out.reserve(Start + Total);
        Out += Text;
        while (Out.size() - Start < Total)
            Out.append(Out, Start, std::min(Out.size() - Start, Total - (Out.size() - Start)));
        Count -= N;
    }
}

void ExpandTabStops(std::string_view Text, bool Utf8, std::int32_t Stops, std::uint64_t& Column,
                    std::string& Out, const std::function<void(std::string&)>* Flush) {
    const auto* P = reinterpret_cast<const std::uint8_t*>(Text.data());
    const auto* const End = P + Text.size();
    const auto N = static_cast<std::uint64_t>(Stops);
    while (P < End) {
        // Runs without a tab, CR or LF are copied as they are, their columns counted.
        const auto* Run = P;
        while (P < End && *P != '\t' && *P != '\r' && *P != '\n') {
            if (*P < 0x80) {
                ++P, ++Column;
            } else if (Utf8) {
                const TUtf8Char C = DecodeUtf8(P, static_cast<std::size_t>(End - P));
                Column += C.Length ? static_cast<std::uint64_t>(Utf8Columns(C.Code)) : 1;
                P += C.Length ? C.Length : 1;
            } else {
                const bool Pair = sjis::IsLeadByte(*P) && End - P >= 2;
                Column += Pair ? 2 : 1;
                P += Pair ? 2 : 1;
            }
        }
        Out.append(reinterpret_cast<const char*>(Run), static_cast<std::size_t>(P - Run));
        if (P == End) break;
        if (*P == '\t') {
            const std::uint64_t Spaces = N - Column % N;
            AppendCopies(" ", Spaces, Out, Flush);
            Column += Spaces;
        } else {
            Out += static_cast<char>(*P);
            Column = 0;
        }
        ++P;
    }
}

} // namespace kana::detail
