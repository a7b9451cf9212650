// A conversion plan: ConvertLine's per-character decisions for one set of options,
// compiled into tables. It is the fast path for objects of exactly THanZen; a descendant
// may override any mapping and always takes the virtual path.
//
// Every entry is made by the reference step (ConvertChar.h) on a probe object with the
// same options, so the tables cannot drift from the mappings. What the plan assumes is only
// which following bytes a character's text may depend on: the second byte of a lead
// byte, a voicing mark (0xDE, 0xDF) after a kana-area byte, LF after CR. The identity
// tests check that against the virtual path for every (Ch, NextCh).
#pragma once

#include "ByteRanges.h"
#include "HanZen.h"
#include "Kernels.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kana::detail {

class TConvertPlan {
public:
    // The plan for the options (SpLen aside, which is applied when converting), or null
    // when they produce text the plan cannot hold.
    static std::unique_ptr<TConvertPlan> Build(const TOptions& O);

    // Converts one line as THanZen::ConvertLine would under the same options and SpLen
    // (TabStops aside), with Kernel where it can (none: the plan alone); appended to Out.
    void Append(std::string_view S, std::int32_t SpLen, std::string& Out, TKernel Kernel) const;

private:
    // One unit of output: the text for a character, up to four bytes, and how many
    // input bytes it uses.
    struct TUnit {
        char Bytes[4];
        std::uint8_t Len;
        std::uint8_t Used;
        std::uint8_t Flags;
    };
    static constexpr std::uint8_t Unchanged = 1; // the text is the input bytes themselves
    static constexpr std::uint8_t TabUnit = 2;   // an expanded tab: SpLen times FTabText

    // How the byte after a character picks its unit: not at all, as the second byte of a
    // pair, as a voicing mark, or as the LF of a CR LF. Index 256 stands for the end of
    // the line.
    enum TFollow : std::uint8_t { NoFollow, PairFollow, MarkFollow, LfFollow };
    static constexpr unsigned LineEnd = 256;

    static constexpr std::size_t MaxUnit = sizeof(TUnit::Bytes);
    // Room for whole-word writes past the text: the plan's own, and a kernel's.
    static constexpr std::size_t PlanSlack = 16, Slack = KernelSlack, TabRoom = 64;
    // Texts of ProbedSize bytes or more have their first ProbeSize converted by the plan
    // to see how densely they change.
    static constexpr std::size_t ProbedSize = 16384, ProbeSize = 4096;


    // One bit per byte of the N <= 64 bytes at P: lead bytes, and stops (bytes that an
    // unchanged run must look at).
    void Classify(const std::uint8_t* P, std::size_t N, std::uint64_t& Leads,
                  std::uint64_t& Stops) const;
    const TUnit& UnitAt(const std::uint8_t* Q, const std::uint8_t* End) const {
        const unsigned Next = Q + 1 < End ? Q[1] : LineEnd;
        return UnitAt(*Q, Next);
    }
    const TUnit& UnitAt(std::uint8_t Ch, unsigned Next) const {
        return FUnits[FFirstUnit[Ch] + FFollowIndex[FFollow[Ch]][Next]];
    }
    // Appends SpLen copies of the tab's text at W, Rest input bytes still to come.
    char* AppendTab(std::int32_t SpLen, std::size_t Rest, std::string& Out, char* W) const;
    // Converts the 64-byte blocks from P (a character's start) while P < Limit; returns
    // the start of the next character. Adds the characters it changed to Changed.
    const std::uint8_t* ConvertBlocks(const std::uint8_t* P, const std::uint8_t* Limit,
                                      const std::uint8_t* End, std::int32_t SpLen, std::string& Out,
                                      char*& W, std::size_t& Changed) const;
    // Recasts the units as the kernels' tables.
    void BuildKernelTables();

    std::vector<TUnit> FUnits;
    std::uint16_t FFirstUnit[256];      // a byte's units start here in FUnits
    TFollow FFollow[256];               // which following byte selects among them
    std::uint16_t FFollowIndex[4][257]; // per TFollow: following byte -> unit offset
    std::uint8_t FLead[256];            // 1 for a lead byte
    std::uint8_t FStop[256];            // 1 for a stop
    TByteRanges FLeadRanges, FStopRanges;
    std::string FTabText;    // the text of one space of an expanded tab
    std::size_t FGrowth = 1; // most output bytes per input byte, tabs aside
    bool FIdentity = false;  // no byte is a stop: every text comes out as it went in
    TKernelTables FKernelTables;
};

// The plan for the options, from a process-wide cache; null when none can be made. Safe
// to call from several threads.
const TConvertPlan* PlanFor(const TOptions& O);

} // namespace kana::detail
