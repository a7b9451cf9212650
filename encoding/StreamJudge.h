// The encoding of a stream, judged from the blocks seen so far. Private to the text layer.
#pragma once

#include "TextConverter.h"
#include "Utf8Chars.h"

#include <algorithm>

namespace kana::detail {

class TEncodingJudge {
public:
    void See(std::string_view Block) {
        if (FVerdict == TEncoding::Auto && !Block.empty()) {
            if (!FSeen && Block.starts_with("\xEF\xBB\xBF")) {
                FVerdict = TEncoding::Utf8;
            } else {
                const auto NonAscii = std::find_if(Block.begin(), Block.end(), [](char C) {
                    return static_cast<std::uint8_t>(C) >= 0x80;
                });
                if (NonAscii != Block.end()) {
                    FVerdict = Utf8From(Block.substr(static_cast<std::size_t>(NonAscii - Block.begin())))
                                   ? TEncoding::Utf8
                                   : TEncoding::Sjis;
                    FVerdictLine = FLine + static_cast<std::uint64_t>(
                                               std::count(Block.begin(), NonAscii, '\n'));
                }
            }
        }
        FSeen = true;
        FLine += static_cast<std::uint64_t>(std::count(Block.begin(), Block.end(), '\n'));
    }
    TEncoding Verdict() const { return FVerdict; }
    std::uint64_t VerdictLine() const { return FVerdictLine; }

private:
    static bool Utf8From(std::string_view Block) {
        const auto* P = reinterpret_cast<const std::uint8_t*>(Block.data());
        const auto* const End = P + Block.size();
        while (P < End) {
            const TUtf8Char C = DecodeUtf8(P, static_cast<std::size_t>(End - P));
            if (C.Length == 0) return CutShort(P, static_cast<std::size_t>(End - P));
            P += C.Length;
        }
        return true;
    }

    TEncoding FVerdict = TEncoding::Auto;
    bool FSeen = false;
    std::uint64_t FLine = 1, FVerdictLine = 1;
};

} // namespace kana::detail
