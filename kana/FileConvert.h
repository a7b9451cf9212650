// File conversion: one Shift-JIS text file into another, line by line, through a
// temporary file beside the destination that finally takes the destination's place.
#pragma once

#include "HanZen.h"

#include <atomic>
#include <cstdint>
#include <string_view>

struct TConvertOptions {
    TConvSize ConvSize = cvNone;
    TSpace Space = spNone;
    TTab Tab = tbNone;
    std::int32_t SpLen = 0;
    TKata Kata = kNone;
    TToHira ToHira = thAll;
    THira Hira = hNone;
    TMark Mark = mNone;
};

// The library's application object: owner of every conversion component, from load to
// unload.
TComponent& Application();

// The component of the conversion in progress on some thread (null when none).
extern std::atomic<THanZen*> HanZenObj;

// Converts SrcFile into DestFile and returns 1; returns 0 when CheckSame refuses two
// paths that are equal apart from ASCII letter case, or when the temporary file vanished
// during the call. An empty SrcFile is standard input; an empty DestFile is standard
// output. Standard output, a device or a pipe is written directly; a symbolic link keeps
// its place, and the file it names is replaced. Raises EInOutError on every failure, after the
// clean-up: the destination is then untouched and no temporary file is left behind.
int ConvertFile(std::string_view SrcFile, std::string_view DestFile, bool CheckSame,
                const TConvertOptions& Options);

// True when A and B are equal after mapping 'a'..'z' to 'A'..'Z' in both.
bool SameIgnoringAsciiCase(std::string_view A, std::string_view B);
