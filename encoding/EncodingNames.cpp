#include "EncodingNames.h"

#include <algorithm>
#include <cctype>

std::optional<TEncoding> EncodingNamed(std::string_view Name) {
    static constexpr struct {
        std::string_view Name;
        TEncoding Encoding;
    } Names[] = {
        {"utf-8", TEncoding::Utf8},       {"utf8", TEncoding::Utf8},
        {"sjis", TEncoding::Sjis},        {"shift_jis", TEncoding::Sjis},
        {"shift-jis", TEncoding::Sjis},   {"cp932", TEncoding::Sjis},
        {"windows-31j", TEncoding::Sjis}, {"ms932", TEncoding::Sjis},
        {"auto", TEncoding::Auto},
    };
    const auto Same = [Name](std::string_view Known) {
        return Known.size() == Name.size() &&
               std::equal(Known.begin(), Known.end(), Name.begin(), [](char K, char N) {
                   return K == std::tolower(static_cast<unsigned char>(N));
               });
    };
    for (const auto& N : Names)
        if (Same(N.Name)) return N.Encoding;
    return std::nullopt;
}
