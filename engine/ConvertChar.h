// The reference step of ConvertLine: for one character, the mapping that the options
// select, reached through the object's virtual operations. The plan (ConvertPlan.h) is
// compiled from it, and a descendant of THanZen walks it directly. Private to the engine.
#pragma once

#include "HanZen.h"

namespace kana::detail {

// Appends the text for the character that starts with Ch to Out and returns how many
// bytes it used (1 or 2). NextCh is the byte after Ch; HasNext is false when Ch ends
// the line.
int ConvertChar(const THanZen& H, std::uint8_t Ch, std::uint8_t NextCh, bool HasNext,
                std::string& Out);

// Appends Text after the letter-size step that the options select.
void AppendSized(const THanZen& H, std::string_view Text, std::string& Out);

// ConvertLine by the reference step alone, character after character, appended to Out.
void AppendLineByChar(const THanZen& H, std::string_view S, std::string& Out);

} // namespace kana::detail
