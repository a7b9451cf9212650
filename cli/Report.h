// What kanaconv tells its user about a conversion: in English, or in Japanese where the
// locale is Japanese and the terminal's character set can show it; never as question
// marks. Every text is one or more lines, each starting "kanaconv: ".
#pragma once

#include "Arguments.h"
#include "FileConvert.h"

#include <string>

class TReport {
public:
    // Picks the language from the locale (LC_MESSAGES) and its character set.
    TReport();
    explicit TReport(bool Japanese) : FJapanese(Japanese) {}

    // The messages about converting Source into Dest ("": standard input, output):
    // the failure, the refusal, the bytes that a 0x1A left out, and with Verbose how the
    // input was read. "" when there is nothing to say; Quiet keeps only failures.
    std::string About(const TConvertResult& R, const std::string& Source, const std::string& Dest,
                      const TArguments& A) const;

    // One line for each warning of R: an extended attribute a replaced file lost. Said
    // even under Quiet: something was lost.
    std::string Warnings(const TConvertResult& R, const std::string& Source) const;

private:
    std::string Failure(const EInOutError& E, const std::string& Source, const std::string& Dest,
                        const TArguments& A, const TConvertResult& R) const;
    // Why a call failed, in the user's language.
    std::string Reason(const EInOutError& E) const;
    // Japanese written here in UTF-8, on the terminal.
    std::string Ja(std::string_view Utf8) const;

    bool FJapanese;
};
