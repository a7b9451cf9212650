// Test support: how a file splits into lines, written plainly, and the lines that LineFile
// reads, for the tests and fuzzers of the file layer.
#pragma once

#include "LineFile.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

using TLines = std::vector<std::pair<std::string, std::string>>; // each line and its end

// The lines of a file. Library rule: CR or CR LF ends a line, 0x1A the input, an LF alone
// is a byte of its line. Otherwise: LF, CR LF or CR ends a line, 0x1A is a byte.
inline TLines LineModel(std::string_view File, bool LibraryRule) {
    if (LibraryRule) File = File.substr(0, File.find('\x1A'));
    TLines Lines;
    std::string Line;
    for (std::size_t I = 0; I < File.size(); ++I) {
        if (File[I] != '\r' && (File[I] != '\n' || LibraryRule)) {
            Line += File[I];
            continue;
        }
        const bool CrLf = File[I] == '\r' && I + 1 < File.size() && File[I + 1] == '\n';
        Lines.emplace_back(std::move(Line), CrLf ? "\r\n" : std::string(1, File[I]));
        Line.clear();
        I += CrLf;
    }
    if (!Line.empty()) Lines.emplace_back(std::move(Line), "");
    return Lines;
}

// The lines that a LineFile of this block size and rule reads from the file Name, in pieces
// of at most Max bytes; every call followed by IOCheck, which throws the first failure.
inline TLines ReadLines(const std::string& Name,
                        std::uint32_t BlockSize = LineFile::LibraryBlockSize,
                        TLineRule Rule = TLineRule::CrOrCrLf, std::size_t Max = std::string::npos) {
    LineFile F(BlockSize, Rule);
    F.BindName(Name);
    F.OpenForReading();
    F.IOCheck();
    TLines Lines;
    while (!F.AtEnd()) {
        F.IOCheck();
        std::string Line;
        TLineEnd End;
        while ((End = F.ReadPiece(Line, Max)) == TLineEnd::Open) F.IOCheck();
        F.IOCheck();
        const char* Ends[] = {"", "", "\n", "\r\n", "\r"};
        Lines.emplace_back(std::move(Line), Ends[static_cast<int>(End)]);
    }
    F.CloseLineFile();
    F.IOCheck();
    return Lines;
}
