#include "EncodingNames.h"

#include <algorithm>

namespace {

constexpr TEncodingName Names[] = {
    {"utf-8", TEncoding::Utf8},       {"utf8", TEncoding::Utf8},      {"sjis", TEncoding::Sjis},
    {"shift_jis", TEncoding::Sjis},   {"shift-jis", TEncoding::Sjis}, {"cp932", TEncoding::Sjis},
    {"windows-31j", TEncoding::Sjis}, {"ms932", TEncoding::Sjis},
};

char AsciiLower(char C) {
    return C >= 'A' && C <= 'Z' ? static_cast<char>(C + ('a' - 'A')) : C;
}

} // namespace

std::span<const TEncodingName> EncodingNames() {
    return Names;
}

std::optional<TEncoding> EncodingNamed(std::string_view Name) {
    for (const TEncodingName& N : Names)
        if (std::equal(N.Name.begin(), N.Name.end(), Name.begin(), Name.end(),
                       [](char A, char B) { return A == AsciiLower(B); }))
            return N.Encoding;
    return std::nullopt;
}
