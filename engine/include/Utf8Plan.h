// The UTF-8 plan: the reference step for UTF-8 (Utf8Reference.h) compiled into tables for
// one set of options, the way the Shift-JIS plan is compiled from its reference step.
// Every character an option set can touch is run through the reference step once; the
// rest, and every byte that is no UTF-8, pass through as they are and end the context
// around them (a voicing mark after them is not merged). Private to the engine; the text
// layer reaches it through Utf8Convert.h.
#pragma once

#include "ByteRanges.h"
#include "Utf8Kernels.h"
#include "HanZen.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kana::detail {

// What a UTF-8 conversion writes.
enum class TUtf8Output : std::uint8_t {
    Utf8,
    Sjis, // code page 932; the JIS forms 〜 − ‖ ¢ £ ¬ — become their twins ～ － ∥ ￠ ￡ ￢ ―
};

class TUtf8Plan {
public:
    // The plan for the options (SpLen and TabStops aside, which the conversion applies).
    static std::unique_ptr<TUtf8Plan> Build(const TOptions& O, TUtf8Output Output);

    // Appends the conversion of the UTF-8 text S to Out. Writing Shift-JIS, it stops at the
    // first character that has no Shift-JIS form after its conversion, or that is no UTF-8,
    // and returns its offset in S (Out then holds the text before it); otherwise it returns
    // S.size(). Folded counts the JIS forms written as their code page 932 twins.
    std::size_t Append(std::string_view S, std::int32_t SpLen, std::string& Out,
                       std::uint64_t& Folded) const;
    // The same at the vector level given (null: the plan alone), whatever the level in
    // force: for tests and benchmarks.
    std::size_t AppendAt(std::string_view S, std::int32_t SpLen, std::string& Out,
                         std::uint64_t& Folded, TUtf8Kernel Kernel) const;

    // True when the plan changes no character at all: the text is copied as it is.
    bool Identity() const { return FIdentity; }

private:
    // The text one character (with a voicing mark it takes) becomes; 16 bytes, stored
    // whole, so that writing a unit is one move.
    struct TUnit {
        char Bytes[12];
        std::uint8_t Len;
        std::uint8_t Used;  // input bytes: the character's, and the mark's when it takes one
        std::uint8_t Flags; // the flags below
        std::uint8_t Folds; // JIS forms among the characters written
    };
    static constexpr std::uint8_t TakesMark = 1;  // the next two units: with ﾞ, with ﾟ
    static constexpr std::uint8_t TabUnit = 2;    // SpLen copies of FTabText
    static constexpr std::uint8_t Unwritable = 4; // writing Shift-JIS: no form there

    // The unit of the character C of Length bytes at P, given what follows; null for a
    // character the plan leaves alone.
    const TUnit* UnitFor(char32_t C, const std::uint8_t* P, std::size_t Length,
                         const std::uint8_t* End) const {
        const std::uint16_t Index = C < 0x10000 ? FIndex[C] : 0;
        if (Index == 0) return nullptr;
        const TUnit* U = &FUnits[Index];
        // ﾞ and ﾟ are EF BE 9E and EF BE 9F.
        const std::uint8_t* Next = P + Length;
        if ((U->Flags & TakesMark) && End - Next >= 3 && Next[0] == 0xEF && Next[1] == 0xBE &&
            (Next[2] & 0xFE) == 0x9E)
            U += Next[2] == 0x9E ? 1 : 2;
        return U;
    }
    // Converts the character at P (with a voicing mark it takes) and, unless One, what
    // follows it up to the next character that may start a run left alone; returns where it
    // stopped. Room(W, Extra) makes room for Extra more bytes and the rest.
    template <class TRoom>
    const std::uint8_t* ConvertRun(const std::uint8_t* P, const std::uint8_t* End, char*& W,
                                   std::int32_t SpLen, const TRoom& Room, bool One) const;
    // Recasts the units as the kernel's tables; false when a kernel cannot run the plan.
    bool BuildKernelTables();
    // The first byte at or after P that may start a character the plan changes.
    const std::uint8_t* Skip(const std::uint8_t* P, const std::uint8_t* End) const;
    // True when the byte at P may start a character the plan changes.
    bool MayStop(const std::uint8_t* P, const std::uint8_t* End) const {
        const std::uint8_t B = *P;
        if (FStop[B]) return true;
        return (B == 0xE3 || B == 0xEF) && End - P >= 2 &&
               (B == 0xE3 ? FSecondAfterE3 : FSecondAfterEF)[P[1]];
    }
    std::size_t AppendSjis(std::string_view S, std::int32_t SpLen, std::string& Out,
                           std::uint64_t& Folded) const;
    void AppendTab(std::int32_t SpLen, std::string& Out) const;

    TUtf8Output FOutput;
    bool FIdentity = true;
    std::vector<TUnit> FUnits{TUnit{}}; // unit 0: the character is left as it is
    std::vector<std::uint16_t> FIndex = std::vector<std::uint16_t>(0x10000); // code point -> unit
    // Where a run of characters left alone must stop to look: first bytes of touched
    // characters, and for those of three bytes led by E3 or EF (kana and the full-width
    // forms, where Japanese text lives), the second bytes too.
    bool FStop[256] = {};
    bool FSecondAfterE3[256] = {}, FSecondAfterEF[256] = {};
    TByteRanges FStopRanges, FE3Ranges, FEFRanges;
    std::string FTabText;    // one space of an expanded tab
    std::size_t FGrowth = 1; // most output bytes per input byte, tabs aside
    bool FKernel = false;    // a vector kernel may run the plan
    std::unique_ptr<TUtf8KernelTables> FKernelTables;
};

// The plan for the options and output, from a process-wide cache; safe from any thread.
std::shared_ptr<const TUtf8Plan> Utf8PlanFor(const TOptions& O, TUtf8Output Output);

} // namespace kana::detail
