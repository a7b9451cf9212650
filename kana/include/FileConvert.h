// File conversion: one Shift-JIS text file into another, line by line, through a
// temporary file beside the destination that finally takes the destination's place.
#pragma once

#include "HanZen.h"
#include "IOError.h"

#include <atomic>
#include <optional>
#include <string_view>

// The library's application object: owner of every conversion component, from load to
// unload.
TComponent& Application();

// The component of the conversion in progress on some thread (null when none).
extern std::atomic<THanZen*> HanZenObj;

// What came of a conversion.
enum class TOutcome {
    Converted, // the destination holds the converted file
    Refused,   // CheckSame found the two paths the same: nothing was touched
    Vanished,  // the temporary file was gone when the conversion ended: nothing replaced
    Failed,    // Failure tells why; the destination is untouched, nothing left behind
};

struct TConvertResult {
    TOutcome Outcome = TOutcome::Converted;
    std::optional<EInOutError> Failure; // the first failure of a failed conversion
};

// Converts SrcFile into DestFile. An empty SrcFile is standard input; an empty DestFile
// is standard output. Standard output, a device or a pipe is written directly; a
// symbolic link keeps its place, and the file it names is replaced. CheckSame refuses two
// paths that are equal apart from ASCII letter case. Never throws: every failure, memory
// running out among them, comes back in the result, after the clean-up.
TConvertResult ConvertFile(std::string_view SrcFile, std::string_view DestFile, bool CheckSame,
                           const TOptions& Options) noexcept;

// True when A and B are equal after mapping 'a'..'z' to 'A'..'Z' in both.
bool SameIgnoringAsciiCase(std::string_view A, std::string_view B);
