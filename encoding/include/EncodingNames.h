// The names of the text encodings, as every face takes them: kanaconv's --from and --to,
// and the encoding arguments of the string API and the modules over it. ASCII letter case
// is ignored; the names are those that iconv, Python and the web give these encodings.
#pragma once

#include "TextConverter.h"

#include <optional>
#include <span>
#include <string_view>

struct TEncodingName {
    std::string_view Name; // in lower case
    TEncoding Encoding;
};

// Every name: utf-8 and utf8 for UTF-8; sjis, shift_jis, shift-jis, cp932, windows-31j
// and ms932 for Shift-JIS (code page 932). The usual name of each encoding comes first.
std::span<const TEncodingName> EncodingNames();

// The encoding Name stands for, ASCII letter case ignored (whatever the locale); none
// for a name of no encoding.
std::optional<TEncoding> EncodingNamed(std::string_view Name);
