// What the fuzz harnesses share: decoding options from the input, a scratch folder, and
// failure reports that can be turned into a unit test.
//
// A harness given a single file on its command line (libFuzzer's way of running one
// input, for example a crash file) prints every input it runs, decoded, before running
// it; KANA_FUZZ_PRINT=1 does the same in any mode.
#pragma once

#include "Files.h"
#include "HanZen.h"
#include "Reference.h"
#include "Sjis.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace fuzz {

inline bool& Printing() {
    static bool On = std::getenv("KANA_FUZZ_PRINT") != nullptr;
    return On;
}

// S as a C++ string literal with every byte escaped, ready to paste into a test.
inline std::string Literal(std::string_view S) {
    std::string L = "std::string(\"";
    for (const char& C : S) L += "\\x" + Hex(std::string_view(&C, 1));
    return L + "\", " + std::to_string(S.size()) + ")";
}

// A labelled byte string, on two lines: hex, then the literal.
inline std::string Show(std::string_view Label, std::string_view S) {
    return std::string(Label) + " (" + std::to_string(S.size()) + " bytes): " + Hex(S) + "\n  " +
           Literal(S) + "\n";
}

// Prints Text when printing is on, once when the same input runs twice in a row.
inline void Print(const std::string& Text) {
    static std::string Last;
    if (!Printing() || Text == Last) return;
    std::fputs(Text.c_str(), stderr);
    Last = Text;
}

// Reports a failed check and aborts, so that libFuzzer keeps the input as a crash file.
[[noreturn]] inline void Fail(std::string_view What, const std::string& Details) {
    std::fprintf(stderr, "\n==== check failed: %.*s\n%s====\n", static_cast<int>(What.size()),
                 What.data(), Details.c_str());
    std::abort();
}

// The options at the start of an input: one byte each for ConvSize, Space, Tab, Kata,
// ToHira, Hira and Mark, then one for SpLen and the mapping.
constexpr std::size_t OptionBytes = 8;

// Each option byte picks one of the option's named values, the first value past them,
// or 0xFF (the last two act as value 0, or as tbSpace for Tab); SpLen lies in -4..64, so
// a tab's spaces stay few, and the same byte picks the mapping.
inline TOptions DecodeOptions(const std::uint8_t* Data) {
    const auto Pick = [](std::uint8_t Byte, unsigned Named) {
        const unsigned V = Byte % (Named + 2);
        return static_cast<std::uint8_t>(V <= Named ? V : 0xFF);
    };
    return {TConvSize(Pick(Data[0], 3)), TSpace(Pick(Data[1], 3)),  TTab(Pick(Data[2], 2)),
            TKata(Pick(Data[3], 4)),     TToHira(Pick(Data[4], 3)), THira(Pick(Data[5], 3)),
            TMark(Pick(Data[6], 3)),     Data[7] % 69 - 4,          TMapping(Data[7] / 69 % 2)};
}

inline std::string Describe(const TOptions& O) {
    const auto N = [](std::uint8_t V) { return std::to_string(V); };
    return "options: ConvSize=" + N(O.ConvSize) + " Space=" + N(O.Space) + " Tab=" + N(O.Tab) +
           " SpLen=" + std::to_string(O.SpLen) + " Kata=" + N(O.Kata) + " ToHira=" + N(O.ToHira) +
           " Hira=" + N(O.Hira) + " Mark=" + N(O.Mark) + " Mapping=" + N(O.Mapping) + "\n";
}

// A folder of this process's own, removed at exit.
inline const std::filesystem::path& Scratch() {
    static const TempDir Dir;
    return Dir.Path();
}

} // namespace fuzz

// Each harness is one file that includes this header: printing is on when the command
// line names a file rather than a corpus folder.
extern "C" int LLVMFuzzerInitialize(int* Argc, char*** Argv) {
    for (int I = 1; I < *Argc; ++I) {
        std::error_code Ignored;
        const char* Arg = (*Argv)[I];
        if (Arg[0] != '-' && std::filesystem::is_regular_file(Arg, Ignored))
            fuzz::Printing() = true;
    }
    return 0;
}
