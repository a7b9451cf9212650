#include "Language.h"

#include "TerminalText.h"

#include <clocale>
#include <cstring>

bool JapaneseLocale() {
    const char* Name = std::setlocale(LC_MESSAGES, nullptr);
    if (!Name || std::strncmp(Name, "ja", 2) != 0) return false;
    bool Lossless = false;
    ToTerminal("変換できません", "UTF-8", {}, &Lossless);
    return Lossless;
}

std::string OnTerminal(std::string_view Utf8) {
    return ToTerminal(Utf8, "UTF-8");
}
