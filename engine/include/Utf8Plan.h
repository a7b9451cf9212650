// The UTF-8 plan: the reference step for UTF-8 (Utf8Reference.h) compiled into tables for
// one set of options, the way the Shift-JIS plan is compiled from its reference step.
// Every character an option set can touch is run through the reference step once; the
// rest, and every byte that is no UTF-8, pass through as they are and end the context
// around them (a voicing mark after them is not merged). Private to the engine; the text
// layer reaches it through Utf8Convert.h.
#pragma once

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

    // True when the plan changes no character at all: the text is copied as it is.
    bool Identity() const { return FIdentity; }

private:
    // The text one character (with a voicing mark it takes) becomes.
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

    // The unit for the character C of Length bytes at P, given what follows it.
    const TUnit* UnitFor(char32_t C, const std::uint8_t* P, std::size_t Length,
                         const std::uint8_t* End) const;
    std::uint16_t UnitIndex(char32_t C) const {
        return C < 0x10000 ? FPages[FPageOf[C >> 8]][C & 0xFF] : 0;
    }
    // The first byte at or after P that may start a character the plan changes.
    const std::uint8_t* Skip(const std::uint8_t* P, const std::uint8_t* End) const;
    std::size_t AppendSjis(std::string_view S, std::int32_t SpLen, std::string& Out,
                           std::uint64_t& Folded) const;
    void AppendTab(std::int32_t SpLen, std::string& Out) const;

    TUtf8Output FOutput;
    bool FIdentity = true;
    std::vector<TUnit> FUnits{TUnit{}}; // unit 0: the character is left as it is
    std::uint8_t FPageOf[256] = {};     // page (C >> 8) of the BMP -> its slot in FPages
    std::vector<std::array<std::uint16_t, 256>> FPages{std::array<std::uint16_t, 256>{}};
    bool FAsciiStop[128] = {};          // ASCII bytes whose unit changes
    bool FLeadStop[256] = {};           // first bytes of characters of touched 64-blocks
    std::vector<bool> FBlockTouched = std::vector<bool>(0x10000 / 64); // by C >> 6
    std::string FTabText;               // one space of an expanded tab
    std::size_t FGrowth = 1;            // most output bytes per input byte, tabs aside
};

// The plan for the options and output, from a process-wide cache; safe from any thread.
const TUtf8Plan& Utf8PlanFor(const TOptions& O, TUtf8Output Output);

} // namespace kana::detail
