// The language of kanaconv's messages: Japanese where the locale's messages are Japanese
// and its character set can show Japanese, English otherwise. kanaconv's texts are its own
// (the library's Shift-JIS texts are for the library's hosts) and written here in UTF-8.
#pragma once

#include <string>
#include <string_view>

// True when messages are to be Japanese: LC_MESSAGES names a Japanese locale and the
// character set of LC_CTYPE holds Japanese. Call after setlocale.
bool JapaneseLocale();

// Text written in UTF-8, in the terminal's (the locale's) character set.
std::string OnTerminal(std::string_view Utf8);
