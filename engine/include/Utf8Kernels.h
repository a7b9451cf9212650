// What the UTF-8 vector kernel shares with the UTF-8 plan: the plan's units for ASCII and
// for the rows of kana and full-width forms (where Japanese text lives) recast as tables a
// kernel reads 64 bytes at a time. Private to the engine; data and declarations only, as
// the kernel files are compiled for their own instruction sets.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kana::detail {

// A character's text is handed out by its bytes, in order: a three-byte character's bytes
// write one byte each of a text of one to three bytes, and the first ones two each of a
// longer one (up to six); an ASCII byte writes up to three. Longer texts, and characters
// the tables do not hold, go to the plan.
struct TUtf8KernelTables {
    // ASCII by byte: the text's bytes and their count (1..3; AsciiBack: left to the plan;
    // AsciiTab: a tab that becomes SpLen spaces).
    static constexpr std::uint8_t AsciiBack = 4, AsciiTab = 5;
    alignas(64) std::uint8_t Ascii[4][128];
    // The rows E3 80..E3 83 (U+3000..U+30FF) and EF BC..EF BF (U+FF00..U+FFFF) as slots 0..7,
    // each character by slot * 64 + (third byte & 0x3F): the text as its bytes hand it out
    // (byte K's first and second candidate at 2 K and 2 K + 1) and its count at 6 (1..6;
    // RowBack: left to the plan). Groups 0 and 1 (the E3 rows) and 2 and 3 (the EF rows)
    // make the two tables of 256 that a step reads.
    static constexpr std::uint8_t RowBack = 7;
    alignas(64) std::uint8_t Row[7][4][128];
    // The half-width letters (slots 5 and 6, EF BD and EF BE) followed by ﾞ ([0]) or ﾟ ([1])
    // that take the mark: the text of both, by (slot - 5) * 64 + (third byte & 0x3F), and
    // its count; NoMerge where the letter does not take that mark.
    static constexpr std::uint8_t NoMerge = 0xFF;
    alignas(64) std::uint8_t Merged[2][7][128];
    // 1 for the first bytes of characters outside those rows that the plan changes: the
    // kernel leaves them to the plan.
    alignas(64) std::uint8_t BackLead[256];
    // 1 for the ASCII bytes whose text differs from themselves; by slot (E3 rows 0..3, EF rows
    // 4..7, as the table's index), 1 for the rows where some character changes or takes a
    // mark: a step whose characters are all elsewhere is copied as it is.
    alignas(64) std::uint8_t AsciiChanges[128];
    alignas(64) std::uint8_t SlotChanges[64];
    // An expanded tab's spaces (a space, or a full-width one of three bytes) as a run of
    // whole copies, stored TabStep bytes apart: 64 copies of one byte, or 21 of three.
    alignas(64) char TabRun[64] = {};
    std::uint8_t TabLen = 0, TabStep = 0;
};

// Converts characters from P on, writing their text at W and advancing it, while each is
// one the tables hold; returns where it stopped: the start of a character the plan must
// convert (End - P < 70 included: the kernel leaves the last bytes to the plan). Writes up
// to Utf8KernelSlack bytes past the text, and at most 3 bytes of text per byte read; a tab's
// SpLen spaces only while the buffer, which ends at Limit, keeps room for them,
// 3 bytes per byte of the rest and the slack.
using TUtf8Kernel = const std::uint8_t* (*)(const TUtf8KernelTables& T, const std::uint8_t* P,
                                            const std::uint8_t* End, char*& W, const char* Limit,
                                            std::int32_t SpLen);
constexpr std::size_t Utf8KernelSlack = 256;

// The UTF-8 kernel of the level in force, or null for the plan alone.
TUtf8Kernel ActiveUtf8Kernel();
enum class TEngineLevel : std::uint8_t;
TUtf8Kernel Utf8KernelOf(TEngineLevel Level);

#if defined(KANA_X86_KERNELS)
namespace x86 {
const std::uint8_t* ConvertUtf8Avx512(const TUtf8KernelTables& T, const std::uint8_t* P,
                                      const std::uint8_t* End, char*& W, const char* Limit,
                                      std::int32_t SpLen);
} // namespace x86
#endif

} // namespace kana::detail
