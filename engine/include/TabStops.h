// Tabs to the next tab stop, counting display columns, after every other conversion.
// Internal to the engine and the text layer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kana::detail {

// The display columns of a character of UTF-8 text: 2 when its code page 932 form has two
// bytes or, without one, when its East Asian Width is W or F; otherwise 1.
int Utf8Columns(char32_t C);

// Appends Text (Shift-JIS, or UTF-8) to Out with every tab replaced by the spaces that
// reach the next multiple of Stops columns (Stops > 0). Column is where Text starts and
// is left where it ends; a CR or LF starts column 0. In Shift-JIS a double-byte character
// counts 2 columns and any other byte 1; in UTF-8 as Utf8Columns says, a byte that is no
// UTF-8 counting 1. When Flush is set, it is handed Out (to write and clear it) whenever a
// tab's spaces have made Out longer than a megabyte.
void ExpandTabStops(std::string_view Text, bool Utf8, std::int32_t Stops, std::uint64_t& Column,
                    std::string& Out, const std::function<void(std::string&)>* Flush = nullptr);

// Appends Count copies of Text to Out; when Flush is set, hands Out to it whenever it has
// grown longer than a megabyte, so that memory stays bounded whatever Count is.
void AppendCopies(std::string_view Text, std::uint64_t Count, std::string& Out,
                  const std::function<void(std::string&)>* Flush);

} // namespace kana::detail
