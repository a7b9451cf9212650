// What the vector kernels share with the plan: the plan's units recast as per-byte tables
// that a kernel reads 16, 32 or 64 bytes at a time, and the kernels themselves. Private to
// the engine. The kernel files are compiled for their own instruction sets, so this header
// holds data and declarations only: no inline code that another file could share.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kana::detail {

// The plan's units for the characters a kernel handles, as differences from the bytes
// themselves, so that a table left zero means "unchanged". A kernel converts a character
// only when its unit is at most two bytes per byte read, or is a tab whose spaces fit;
// any other character is handed back to the plan.
struct TKernelTables {
    // Byte sets a step classifies its bytes against.
    enum TSet : unsigned {
        Lead,           // bytes that take the next byte as their second byte
        Stop,           // bytes whose character may change or take the next byte
        Unhandled,      // bytes whose characters a kernel leaves to the plan
        MarkTaker,      // single bytes whose unit changes when a voicing mark follows
        VoicedBack,     // mark takers whose unit with ﾞ a kernel leaves to the plan
        SemiVoicedBack, // the same with ﾟ
        Tab,            // a tab a kernel expands itself when its spaces fit
        SetCount
    };
    // Each set as a 16 x 16 bitmap for nibble lookups: bit (B >> 4 & 7) of
    // Lo[B >> 7][B & 15] is set when B is in the set.
    struct TByteSet {
        alignas(16) std::uint8_t Lo[2][16];
    };
    TByteSet Sets[SetCount];
    // The same, one byte per byte value, bit S for set S: for kernels that read whole
    // 256-entry tables. What a kernel hands back is known from the sets alone, before any
    // lookup.
    alignas(64) std::uint8_t Classes[256];

    // A single-byte character by key: its first output byte XOR the key, its second
    // byte, its count (0..2) XOR 1. A key is a byte, or for a letter followed by a
    // voicing mark that it takes, a lead-byte value (never a single-byte key) that
    // stands for the pair.
    alignas(64) std::uint8_t Single[3][256];
    // The key for a letter followed by ﾞ ([0]) or ﾟ ([1]), XOR the letter.
    alignas(64) std::uint8_t MarkKey[2][256];
    // Lead bytes whose pairs change and fit (at most MaxGroups; the others are Unhandled):
    // by second byte, the first output byte XOR the lead, the second XOR the second byte,
    // the count (1 or 2) XOR 2.
    static constexpr unsigned MaxGroups = 3;
    unsigned GroupCount = 0;
    std::uint8_t GroupLead[MaxGroups] = {};
    alignas(64) std::uint8_t Group[MaxGroups][3][256];

    // A tab's text is SpLen copies of TabText (1 or 2 bytes); Growth is the most output
    // bytes per input byte, tabs aside.
    std::uint8_t TabText[2] = {}, TabLen = 0, Growth = 1;

    // One bit per high nibble in which the table family above differs from zero: the
    // lookups that read 16 entries at a time read only those.
    std::uint16_t SingleNibbles = 0, MarkKeyNibbles = 0, GroupNibbles[MaxGroups] = {};
};

// Converts characters from P on, writing their text at W and advancing it, while each
// has a unit the tables hold; returns where it stopped: End, or the start of a
// character the plan must convert. May write up to KernelSlack bytes past the text.
// Expands a tab to SpLen copies of the tables' text only while the buffer, which ends
// at Limit, keeps room for the rest of the line and the slack.
using TKernel = const std::uint8_t* (*)(const TKernelTables& T, const std::uint8_t* P,
                                        const std::uint8_t* End, char*& W, const char* Limit,
                                        std::int32_t SpLen);
constexpr std::size_t KernelSlack = 128;

// The kernel of the level in force, or null for the plan alone.
TKernel ActiveKernel();
// How many conversions on this thread entered a kernel: lets a test see that the level in
// force is the one that runs.
inline thread_local std::uint64_t KernelCalls = 0;
// The kernel of a level, or null for the plan alone.
enum class TEngineLevel : std::uint8_t;
TKernel KernelOf(TEngineLevel Level);
// How many characters per KiB of text must change for a kernel to beat the plan's blocks
// (0: it always does).
unsigned KernelDensity(TKernel Kernel);

#if defined(KANA_X86_KERNELS)
namespace x86 {
const std::uint8_t* ConvertAvx2(const TKernelTables& T, const std::uint8_t* P,
                                const std::uint8_t* End, char*& W, const char* Limit,
                                std::int32_t SpLen);
const std::uint8_t* ConvertAvx512(const TKernelTables& T, const std::uint8_t* P,
                                  const std::uint8_t* End, char*& W, const char* Limit,
                                  std::int32_t SpLen);
} // namespace x86
#endif

} // namespace kana::detail
