// Shift-JIS text on a terminal: the library's messages for kanaconv, the question for
// ostrel.
#pragma once

#include <string>
#include <string_view>

// Sjis in the character set Codeset (the locale's when empty), every CR LF as LF. A
// character the set lacks becomes "?"; Lossless, when given, tells whether none did. An
// unknown character set counts as UTF-8.
std::string SjisToTerminal(std::string_view Sjis, const std::string& Codeset = {},
                           bool* Lossless = nullptr);
