// The question asked before the settings are removed: a message box on Windows, a prompt
// on the terminal elsewhere (TerminalConfirmation.h).
#pragma once

#include "RegApi.h"

#ifndef _WIN32
constexpr unsigned MB_OKCANCEL = 0x01;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
#endif

class TConfirmation {
public:
    virtual ~TConfirmation() = default;
    // Shows Text (Shift-JIS, lines broken by CR LF) under Caption with the buttons and icon
    // of Type; returns the button chosen, IDOK or another value.
    virtual int Ask(LPCSTR Text, LPCSTR Caption, unsigned Type) = 0;
};
