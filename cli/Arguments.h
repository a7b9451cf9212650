// kanaconv's command line, and the conversion settings it stands for.
#pragma once

#include "FileConvert.h"

#include <stdexcept>
#include <string>
#include <vector>

struct TArguments {
    TOptions Options{.Mapping = mpFaithful};
    TEncoding From = TEncoding::Auto, To = TEncoding::Auto;
    TNewline Newline = TNewline::Keep;
    bool Classic = false;   // exactly what the library's KanaConvert writes
    bool CheckSame = false; // refuse when SOURCE and DEST are the same file
    bool InPlace = false;   // every name in Files is converted in place
    unsigned Jobs = 0;      // files converted at once; 0: one per processor
    std::string Backup;     // --backup: a file replaced is kept as its name and this; "" none
    // Nothing is written: Check lists the files the conversion would change, Diff shows
    // how (and implies Check).
    bool Check = false, Diff = false;
    bool Quiet = false, Verbose = false, Progress = false;
    bool Unbuffered = false; // what has been read goes out whenever reading would wait
    bool Help = false, Version = false;
    // SOURCE and DEST, or the files converted in place; "" is standard input or output.
    std::vector<std::string> Files;
};

// A command line that makes no sense; what() says why, in English, and Japanese says it
// in Japanese (UTF-8; empty when it has no Japanese text).
class EUsage : public std::runtime_error {
public:
    explicit EUsage(const std::string& English, std::string Japanese = {})
        : std::runtime_error(English), Japanese(std::move(Japanese)) {}
    std::string Japanese;
};

TArguments ParseArguments(int Argc, char** Argv);

// The file layer's settings for a conversion under these arguments.
TFileSettings SettingsFor(const TArguments& A);

// --help, in English and in Japanese (UTF-8).
extern const char UsageText[];
extern const char UsageTextJapanese[];
