// The confirmation as a prompt on a terminal: the caption and the text, converted from
// Shift-JIS to the terminal's character set (or in English, where that set cannot show
// them), then a line of input. An empty line (Enter)
// is OK, the default button; any other line, end of input, an interrupt, or input that
// is not a terminal is Cancel.
#pragma once

#include "Confirmation.h"

#include <string>

class TTerminalConfirmation : public TConfirmation {
public:
    // The question in English (ASCII): the one asked, for a terminal that cannot show it.
    struct TEnglish {
        const char* Text;
        const char* Caption;
    };

    // Reads the answer from In and writes the prompt to Out; Codeset names the terminal's
    // character set (the locale's when empty).
    TTerminalConfirmation(int In, int Out, TEnglish English, std::string Codeset = {});

    int Ask(LPCSTR Text, LPCSTR Caption, unsigned Type) override;

private:
    int FIn;
    int FOut;
    TEnglish FEnglish;
    std::string FCodeset;
};
