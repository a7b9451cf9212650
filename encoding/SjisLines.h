// Shift-JIS text through the engine with its line ends kept. Private to the encoding
// bridge.
#pragma once

#include "HanZen.h"

#include <string>
#include <string_view>

// Appends the conversion of Text to Out. A CR in Text ends a line that keeps its end as it
// is (the engine would give a lone CR an LF); Scratch is working storage.
void AppendConverted(const THanZen& H, std::string_view Text, std::string& Scratch,
                     std::string& Out);
