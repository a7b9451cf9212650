// Unified diffs, line by line, in the form that patch reads: "---" and "+++" headers, then
// hunks of changed lines in their context.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The lines of Text, each with its LF; the last without one when Text does not end with
// one. A line that lacks its LF differs from the same line with it.
std::vector<std::string_view> SplitLines(std::string_view Text);

// Which lines of Old are removed and which lines of New are added in a shortest edit
// script from Old to New (Myers's algorithm, in linear space, after the lines that occur
// on one side only are set aside). Once the search from either end of a part passes
// CostLimit edits, it settles for a script that may be longer, so that time stays near
// linear on very different texts.
struct TLineChanges {
    std::vector<bool> Removed, Added;
};
TLineChanges ChangedLines(const std::vector<std::string_view>& Old,
                          const std::vector<std::string_view>& New, long CostLimit = 4096);

// How a line is shown, given its text without its LF; unset: as it is.
using TShowLine = std::function<std::string(std::string_view)>;

// The unified diff that turns Old into New, "" when they are equal: a "---" header naming
// OldName, a "+++" header naming NewName, and hunks of Context lines of context, two
// hunks joined when at most twice Context lines lie between them. Each line is shown by
// ShowOld or ShowNew; a line without its LF is followed by "\ No newline at end of file".
std::string UnifiedDiff(std::string_view Old, std::string_view New, std::string_view OldName,
                        std::string_view NewName, const TShowLine& ShowOld = {},
                        const TShowLine& ShowNew = {}, std::size_t Context = 3,
                        long CostLimit = 4096);
