// The names of the encodings, as kanaconv, the C and C++ text calls, the Python module and
// the npm package take them: case-insensitive; UTF-8 is utf-8 or utf8, Shift-JIS is sjis,
// shift_jis, shift-jis, cp932, windows-31j or ms932, and auto stands for "judged by the
// text".
#pragma once

#include "TextConverter.h"

#include <optional>
#include <string_view>

std::optional<TEncoding> EncodingNamed(std::string_view Name);
