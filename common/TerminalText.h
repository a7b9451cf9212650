// Text on a terminal: the library's Shift-JIS messages and kanaconv's own for kanaconv,
// the question for ostrel.
#pragma once

#include <string>
#include <string_view>

// Text, in the character set From, in the character set Codeset (the locale's when
// empty), every CR LF as LF. A character the set lacks, and a byte that starts no character
// in From, becomes one "?"; Lossless, when given, tells whether none did. An unknown
// character set counts as UTF-8.
std::string ToTerminal(std::string_view Text, const char* From, const std::string& Codeset = {},
                       bool* Lossless = nullptr);

// Shift-JIS (code page 932) text on the terminal.
inline std::string SjisToTerminal(std::string_view Sjis, const std::string& Codeset = {},
                                  bool* Lossless = nullptr) {
    return ToTerminal(Sjis, "CP932", Codeset, Lossless);
}
