// The kernel, written once over an instruction set I (Avx2.cpp, Avx512.cpp): I::V
// bytes a step, one bit per byte in 64-bit masks. Each file that includes this compiles it
// for its own instruction set, with traits of its own, so no code is shared between them.
//
// A step reads the bytes at P and the bytes one further on, finds which bytes start a
// character (a lead byte takes the next byte; a letter takes a voicing mark that follows
// it), looks up each character's text in the tables, and writes the text of every
// character that ends inside the step, up to the first one the tables leave to the plan.
// P always starts a character, so no state crosses steps.
#pragma once

#include "Kernels.h"

#include <cstring>

namespace kana::detail {

// Writes SpLen copies of the tab's text at W when they leave room for Rest more input
// bytes and the slack before Limit.
template <class I>
bool ExpandTab(const TKernelTables& T, char*& W, const char* Limit, std::int32_t SpLen,
               std::size_t Rest) {
    const std::size_t Bytes = SpLen > 0 ? static_cast<std::size_t>(SpLen) * T.TabLen : 0;
    const auto Room = static_cast<std::size_t>(Limit - W);
    if (Bytes > Room || Room - Bytes < Rest * T.Growth + KernelSlack) return false;
    const auto Text = I::Set2(T.TabText[0], T.TabText[1]);
    for (std::size_t At = 0; At < Bytes; At += I::V) I::Store(W + At, Text);
    W += Bytes;
    return true;
}

template <class I>
const std::uint8_t* ConvertWith(const TKernelTables& T, const std::uint8_t* P,
                                const std::uint8_t* End, char*& Wref, const char* Limit,
                                std::int32_t SpLen) {
    using Vec = typename I::Vec;
    constexpr unsigned V = I::V;
    constexpr std::uint64_t OddBits = 0xAAAAAAAAAAAAAAAAull;
    constexpr std::uint64_t AllBits = V == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << V) - 1;
    char* W = Wref;
    while (P < End) {
        const auto Avail = static_cast<std::size_t>(End - P);
        unsigned Valid = V;
        const bool More = Avail > V; // the step's last character may reach past it
        Vec Bytes, Next;
        if (More) {
            Bytes = I::Load(P);
            Next = I::Load(P + 1);
        } else {
            Valid = static_cast<unsigned>(Avail);
            I::LoadTail(P, Valid, Bytes, Next);
        }
        const std::uint64_t ValidBits =
            Valid == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << Valid) - 1;
        const typename I::Nibbles N = I::Split(T, Bytes);

        // A lead byte that starts a character takes the next; in a run of lead bytes
        // every other one does.
        const std::uint64_t Leads = I::Member(T, T.Lead, N) & ValidBits;
        const std::uint64_t Codes = (((Leads << 1) | OddBits) - Leads) ^ OddBits;
        std::uint64_t Starts = ~(Codes ^ Leads) & ValidBits;
        const std::uint64_t LeadStarts = Leads & Starts;
        const std::uint64_t LastBit = std::uint64_t{1} << (Valid - 1);
        // A step ends before a pair that reaches past it.
        unsigned Keep = More && (LeadStarts & LastBit) ? V - 1 : Valid;

        if ((I::Member(T, T.Stop, N) & Starts) == 0) { // nothing changes
            I::Store(W, Bytes);
            W += Keep;
            P += Keep;
            continue;
        }

        // Letters that take the voicing mark after them. A mark that takes a mark is left
        // to the plan, which knows which of a run of marks pair up.
        const std::uint64_t Voiced = I::Bits(I::Eq(Next, I::Set1(0xDE)));
        const std::uint64_t SemiVoiced = I::Bits(I::Eq(Next, I::Set1(0xDF)));
        const std::uint64_t Takers = I::Member(T, T.MarkTaker, N) & Starts & (Voiced | SemiVoiced);
        std::uint64_t Back = (Takers & (Takers << 1)) >> 1; // characters left to the plan
        if (Takers)
            Back |= Takers & ((I::Member(T, T.VoicedBack, N) & Voiced) |
                              (I::Member(T, T.SemiVoicedBack, N) & SemiVoiced));
        if (More && (Takers & LastBit)) Keep = V - 1;
        const std::uint64_t Taken = (Takers << 1) & AllBits;
        Starts &= ~Taken;
        Back |= I::Member(T, T.Unhandled, N) & Starts;
        const std::uint64_t Tabs = I::Member(T, T.Tab, N) & Starts;
        if (!More && (LeadStarts & LastBit)) Back |= LastBit; // a lead byte that ends the line
        bool Stopped = false;
        if (Back && static_cast<unsigned>(__builtin_ctzll(Back)) < Keep) {
            Keep = static_cast<unsigned>(__builtin_ctzll(Back));
            Stopped = true;
        }

        // Single-byte characters, a letter with its mark under a key of its own.
        const std::uint64_t Singles = Starts & ~LeadStarts;
        Vec Key = Bytes;
        if (I::Steady || Takers) {
            Vec MarkKey[2];
            I::template Lookup<2>(T.MarkKey, T.MarkKeyNibbles, Bytes, Takers, MarkKey);
            const auto Semi = I::Eq(I::And(Next, I::Set1(1)), I::Set1(1));
            Key = I::Select(I::MaskOf(Takers), I::Xor(Key, I::Select(Semi, MarkKey[1], MarkKey[0])),
                            Key);
        }
        Vec Single[3];
        I::template Lookup<3>(T.Single, T.SingleNibbles, Key, Singles, Single);
        const Vec Out0 = I::Xor(Single[0], Key), Out1 = Single[1];
        Vec Count = I::Xor(Single[2], I::Set1(1));

        // Pairs: the first output byte where the lead byte was, the second where the
        // second byte was.
        const auto LeadM = I::MaskOf(LeadStarts);
        Vec PairCount = I::Set1(2), First = Bytes, Second = Next;
        if (I::Steady || LeadStarts) {
            Vec Delta[3] = {I::Zero(), I::Zero(), I::Zero()};
            for (unsigned G = 0; G < T.GroupCount; ++G) {
                const std::uint64_t Here =
                    I::Bits(I::Eq(Bytes, I::Set1(T.GroupLead[G]))) & LeadStarts;
                if (!I::Steady && !Here) continue;
                Vec Found[3];
                I::template Lookup<3>(T.Group[G], T.GroupNibbles[G], Next, Here, Found);
                const auto HereM = I::MaskOf(Here);
                for (unsigned K = 0; K < 3; ++K) Delta[K] = I::Select(HereM, Found[K], Delta[K]);
            }
            First = I::Xor(First, Delta[0]);
            Second = I::Xor(Second, Delta[1]);
            PairCount = I::Xor(PairCount, Delta[2]);
        }

        // Every byte's share of the text: a lead byte's first output byte, a second
        // byte's second output byte, nothing for a taken mark, a single character's text.
        const auto SecondM = I::MaskOf((LeadStarts << 1) & AllBits);
        Vec Text0 = I::Select(LeadM, First, Out0);
        Text0 = I::Select(SecondM, I::ShiftIn1(Second), Text0);
        const Vec SecondCount =
            I::Select(I::Eq(I::ShiftIn1(PairCount), I::Set1(2)), I::Set1(1), I::Zero());
        Count = I::Select(LeadM, I::Set1(1), Count);
        Count = I::Select(SecondM, SecondCount, Count);
        Count = I::Select(I::MaskOf(Taken), I::Zero(), Count);
        // The text up to each tab, the tab's spaces, and so on.
        unsigned Begin = 0;
        const std::uint64_t KeepBits =
            Keep == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << Keep) - 1;
        for (std::uint64_t Pending = Tabs & KeepBits; Pending != 0; Pending &= Pending - 1) {
            const auto At = static_cast<unsigned>(__builtin_ctzll(Pending));
            if (Begin < At) I::Emit(W, Text0, Out1, Count, Begin, At);
            Begin = At;
            if (!ExpandTab<I>(T, W, Limit, SpLen, static_cast<std::size_t>(End - P) - At - 1)) {
                Keep = At; // the plan makes room
                Stopped = true;
                break;
            }
            Begin = At + 1;
        }
        if (Begin < Keep) I::Emit(W, Text0, Out1, Count, Begin, Keep);
        P += Keep;
        if (Stopped) break;
    }
    Wref = W;
    return P;
}

} // namespace kana::detail
