#include "ConvertPlan.h"

#include "ConvertChar.h"
#include "SjisBytes.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <vector>


namespace kana::detail {

namespace {

constexpr std::uint8_t CR = 0x0D, LF = 0x0A, TabByte = 0x09;
using sjis::SemiVoicedMark;
using sjis::VoicedMark;

// The options a plan is made for: all but SpLen and TabStops, which it leaves to the
// conversion.
TOptions PlanOptions(TOptions O) {
    O.SpLen = 0;
    O.TabStops = 0;
    return O;
}

} // namespace

std::unique_ptr<TConvertPlan> TConvertPlan::Build(const TOptions& O) {
    auto Plan = std::make_unique<TConvertPlan>();
    THanZen Probe(nullptr);
    Probe.SetOptions(O);
    Probe.SetSpLen(1);

    std::string Text;
    bool Fits = true;
    // The unit for Ch followed by Next (LineEnd: Ch ends the line).
    const auto Make = [&](std::uint8_t Ch, unsigned Next) {
        const bool HasNext = Next != LineEnd;
        const char Input[2] = {static_cast<char>(Ch), static_cast<char>(HasNext ? Next : 0)};
        Text.clear();
        TUnit U{};
        U.Used = static_cast<std::uint8_t>(
            ConvertChar(Probe, Ch, static_cast<std::uint8_t>(Input[1]), HasNext, Text));
        if (Text.size() > MaxUnit || U.Used > 1 + HasNext) Fits = false;
        U.Len = static_cast<std::uint8_t>(std::min(Text.size(), MaxUnit));
        std::memcpy(U.Bytes, Text.data(), U.Len);
        if (Text == std::string_view(Input, U.Used)) U.Flags = Unchanged;
        Plan->FGrowth = std::max<std::size_t>(Plan->FGrowth, (U.Len + U.Used - 1) / U.Used);
        return U;
    };
    const auto Same = [](const TUnit& A, const TUnit& B) {
        return A.Len == B.Len && A.Used == B.Used && std::memcmp(A.Bytes, B.Bytes, A.Len) == 0;
    };

    for (unsigned Next = 0; Next <= LineEnd; ++Next) {
        Plan->FFollowIndex[NoFollow][Next] = 0;
        Plan->FFollowIndex[PairFollow][Next] = static_cast<std::uint16_t>(Next);
        Plan->FFollowIndex[MarkFollow][Next] = Next == VoicedMark       ? 1
                                               : Next == SemiVoicedMark ? 2
                                                                        : 0;
        Plan->FFollowIndex[LfFollow][Next] = Next == LF ? 1 : 0;
    }

    std::vector<TUnit>& Units = Plan->FUnits;
    for (int I = 0; I < 256; ++I) {
        const auto B = static_cast<std::uint8_t>(I);
        const char One = static_cast<char>(B);
        const int Class = Probe.CharKind(std::string_view(&One, 1));
        Plan->FFirstUnit[B] = static_cast<std::uint16_t>(Units.size());
        TFollow& Follow = Plan->FFollow[B];
        Follow = NoFollow;
        const TUnit Alone = Make(B, LineEnd);
        Units.push_back(Alone);

        if (B == TabByte) {
            // A tab's text either never changes with SpLen, or is SpLen copies of a text.
            Probe.SetSpLen(0);
            const TUnit None = Make(B, LineEnd);
            Probe.SetSpLen(1);
            if (!Same(None, Alone)) {
                if (None.Len != 0) return nullptr;
                Plan->FTabText.assign(Alone.Bytes, Alone.Len);
                Units.back().Flags = TabUnit;
            }
        } else if (Class == 3) {
            Follow = PairFollow;
            Units.pop_back();
            for (unsigned Trail = 0; Trail < 256; ++Trail) Units.push_back(Make(B, Trail));
            Units.push_back(Alone); // at LineEnd
        } else if (Class == 2) {
            const TUnit Voiced = Make(B, VoicedMark), SemiVoiced = Make(B, SemiVoicedMark);
            if (!Same(Voiced, Alone) || !Same(SemiVoiced, Alone)) {
                Follow = MarkFollow;
                Units.push_back(Voiced);
                Units.push_back(SemiVoiced);
            }
        } else {
            const TUnit AfterLf = Make(B, LF);
            if (!Same(AfterLf, Alone)) {
                if (B != CR) return nullptr;
                Follow = LfFollow;
                Units.push_back(AfterLf);
            }
        }
        if (Units.size() > 0xFFFF) return nullptr;

        // A stop is a byte an unchanged run must look at: one of its units changes, or
        // takes the next byte, which the run would otherwise see on its own.
        bool Stop = false;
        for (std::size_t U = Plan->FFirstUnit[B]; U < Units.size(); ++U)
            Stop |= !(Units[U].Flags & Unchanged) || (Follow == MarkFollow && Units[U].Used > 1);
        Plan->FStop[B] = Stop;
        Plan->FLead[B] = Follow == PairFollow;
    }
    if (!Fits) return nullptr;

    bool IsLead[256], IsStop[256];
    for (int B = 0; B < 256; ++B) IsLead[B] = Plan->FLead[B], IsStop[B] = Plan->FStop[B];
    Plan->FLeadRanges = TByteRanges::Of(IsLead);
    Plan->FStopRanges = TByteRanges::Of(IsStop);
    Plan->FIdentity = std::none_of(std::begin(IsStop), std::end(IsStop), [](bool B) { return B; });
    Plan->BuildKernelTables();
    return Plan;
}

void TConvertPlan::Append(std::string_view S, std::int32_t SpLen, std::string& Out,
                          TKernel Kernel) const {
    if (FIdentity) { // no byte changes or takes another: the text is copied
        Out += S;
        return;
    }
    const auto* P = reinterpret_cast<const std::uint8_t*>(S.data());
    const auto* const End = P + S.size();
    // Writes may run up to Slack bytes past the text they keep (the plan alone: PlanSlack);
    // a kernel gets room for a few tabs besides.
    const std::size_t Start = Out.size();
    Out.resize(Start + S.size() * FGrowth + (Kernel ? Slack + TabRoom : PlanSlack));
    char* W = Out.data() + Start;
    // A kernel pays where characters change densely; where they change seldom, the plan's
    // blocks, which copy the runs between them, may be faster. A long text is probed: its
    // start converted by the plan, counting the changes.
    std::size_t Changed = 0;
    if (const unsigned Density = Kernel ? KernelDensity(Kernel) : 0; Density && S.size() >= ProbedSize) {
        const std::uint8_t* const Start = P;
        P = ConvertBlocks(P, P + ProbeSize, End, SpLen, Out, W, Changed);
        if (Changed * 1024 < Density * static_cast<std::size_t>(P - Start)) Kernel = nullptr;
    }
    if (Kernel) {
        ++KernelCalls;
        bool Stuck = false;
        while (P < End) {
            const std::uint8_t* const Q =
                Kernel(FKernelTables, P, End, W, Out.data() + Out.size(), SpLen);
            if (Q == End) break;
            // A character the kernel leaves to the plan: that one alone, or the plan's
            // whole block when the kernel stops twice running without headway, so that
            // text the kernel cannot take never costs much more than the plan alone.
            if (Q == P && Stuck) {
                P = ConvertBlocks(Q, Q + 1, End, SpLen, Out, W, Changed);
                Stuck = false;
                continue;
            }
            Stuck = Q == P;
            const TUnit& U = UnitAt(Q, End);
            P = Q + U.Used;
            if (U.Flags & TabUnit) {
                W = AppendTab(SpLen, static_cast<std::size_t>(End - P), Out, W);
            } else {
                std::memcpy(W, U.Bytes, MaxUnit); // keeps Len of them
                W += U.Len;
            }
        }
    } else {
        ConvertBlocks(P, End, End, SpLen, Out, W, Changed);
    }
    Out.resize(static_cast<std::size_t>(W - Out.data()));
}

const std::uint8_t* TConvertPlan::ConvertBlocks(const std::uint8_t* P, const std::uint8_t* Limit,
                                                const std::uint8_t* End, std::int32_t SpLen,
                                                std::string& Out, char*& W,
                                                std::size_t& Changed) const {
    constexpr std::uint64_t OddBits = 0xAAAAAAAAAAAAAAAAull;
    // Runs between units are mostly short: copied as one 16-byte move when the input
    // has 16 bytes to read there.
    const auto Copy = [&W, End](const std::uint8_t* From, const std::uint8_t* To) {
        const auto N = static_cast<std::size_t>(To - From);
        if (N <= 16 && End - From >= 16)
            std::memcpy(W, From, 16);
        else
            std::memcpy(W, From, N);
        W += N;
    };

    // Blocks of 64 bytes, one bit per byte. Bytes and pairs that come out unchanged are
    // copied in runs; only a stop byte that starts a character ends a run. P always
    // starts a character; Taken tells whether the block's first byte is a second byte.
    std::uint64_t Taken = 0;
    while (P < Limit) {
        const std::uint8_t* const Block = P;
        const std::size_t N = std::min<std::size_t>(64, static_cast<std::size_t>(End - P));
        const std::uint8_t* const BlockEnd = Block + N;
        std::uint64_t Leads, Stops;
        Classify(Block, N, Leads, Stops);
        // A lead byte that starts a character takes the next byte; in a run of lead
        // bytes every other one does (the arithmetic that finds escaped characters in
        // JSON).
        const std::uint64_t Starting = Leads & ~Taken;
        const std::uint64_t Codes = (((Starting << 1) | OddBits) - Starting) ^ OddBits;
        const std::uint64_t Seconds = Codes ^ (Leads | Taken);
        Taken = (Codes & Leads) >> 63;

        const std::uint8_t* Run = P;
        for (std::uint64_t Pending = Stops & ~Seconds; Pending != 0; Pending &= Pending - 1) {
            const std::uint8_t* const Q = Block + std::countr_zero(Pending);
            if (Q < P) continue; // taken by the unit before
            const TUnit& U = UnitAt(Q, End);
            if (U.Flags & Unchanged) { // stays in the run
                P = Q + U.Used;
                continue;
            }
            if (Run < Q) Copy(Run, Q);
            P = Run = Q + U.Used;
            ++Changed;
            if (U.Flags & TabUnit) {
                W = AppendTab(SpLen, static_cast<std::size_t>(End - P), Out, W);
                continue;
            }
            std::memcpy(W, U.Bytes, MaxUnit); // keeps Len of them
            W += U.Len;
        }
        // A unit that took the next block's first byte leaves P past the block.
        const std::uint8_t* const Next = std::max(P, BlockEnd);
        Copy(Run, Next);
        if (P > BlockEnd) Taken = 0;
        P = Next;
    }
    // An unchanged pair across the last block's end: its second byte too.
    if (Taken && P < End) *W++ = static_cast<char>(*P++);
    return P;
}

namespace {

void AddToSet(TKernelTables& T, TKernelTables::TSet Set, unsigned B) {
    T.Sets[Set].Lo[B >> 7][B & 15] |= static_cast<std::uint8_t>(1u << (B >> 4 & 7));
    T.Classes[B] |= static_cast<std::uint8_t>(1u << Set);
}

// The high nibbles under which any of the tables holds a non-zero entry.
template <std::size_t Count>
std::uint16_t NibblesOf(const std::uint8_t (&Tables)[Count][256]) {
    std::uint16_t Nibbles = 0;
    for (const auto& Table : Tables)
        for (unsigned B = 0; B < 256; ++B)
            if (Table[B]) Nibbles = static_cast<std::uint16_t>(Nibbles | 1u << (B >> 4));
    return Nibbles;
}

} // namespace

void TConvertPlan::BuildKernelTables() {
    TKernelTables& T = FKernelTables;
    T = TKernelTables{};
    const auto Fits = [](const TUnit& U, unsigned Used, unsigned MinLen) {
        return !(U.Flags & TabUnit) && U.Used == Used && U.Len >= MinLen && U.Len <= 2;
    };
    const auto SetSingle = [&T](unsigned Key, unsigned Ch, const TUnit& U, unsigned Len) {
        T.Single[0][Key] = static_cast<std::uint8_t>((Len >= 1 ? U.Bytes[0] : 0) ^ Ch);
        T.Single[1][Key] = static_cast<std::uint8_t>(Len == 2 ? U.Bytes[1] : 0);
        T.Single[2][Key] = static_cast<std::uint8_t>(Len ^ 1);
    };
    // A letter followed by a voicing mark it takes gets a key of its own among the lead
    // bytes, which never key a single-byte character.
    std::vector<unsigned> FreeKeys;
    for (unsigned B = 256; B-- > 0;)
        if (FLead[B]) FreeKeys.push_back(B);

    for (unsigned B = 0; B < 256; ++B) {
        if (FStop[B]) AddToSet(T, T.Stop, B);
        if (FLead[B]) {
            AddToSet(T, T.Lead, B);
            continue;
        }
        const TUnit& Alone = UnitAt(static_cast<std::uint8_t>(B), 0);
        if ((Alone.Flags & TabUnit) && FTabText.size() <= 2) {
            AddToSet(T, T.Tab, B);
            T.TabLen = static_cast<std::uint8_t>(FTabText.size());
            T.TabText[0] = static_cast<std::uint8_t>(FTabText[0]);
            T.TabText[1] = static_cast<std::uint8_t>(FTabText.back());
            continue;
        }
        if ((FFollow[B] != NoFollow && FFollow[B] != MarkFollow) || !Fits(Alone, 1, 0)) {
            AddToSet(T, T.Unhandled, B);
            continue;
        }
        SetSingle(B, B, Alone, Alone.Len);
        if (FFollow[B] != MarkFollow) continue;
        AddToSet(T, T.MarkTaker, B);
        for (unsigned M = 0; M < 2; ++M) {
            const TUnit& U = UnitAt(static_cast<std::uint8_t>(B), M ? SemiVoicedMark : VoicedMark);
            if (!Fits(U, 2, 0) || FreeKeys.empty()) {
                AddToSet(T, M ? T.SemiVoicedBack : T.VoicedBack, B);
                continue;
            }
            const unsigned Key = FreeKeys.back();
            FreeKeys.pop_back();
            SetSingle(Key, Key, U, U.Len);
            T.MarkKey[M][B] = static_cast<std::uint8_t>(Key ^ B);
        }
    }

    // Lead bytes: a pair of an unchanged lead comes out as it is; the others need tables.
    for (unsigned B = 0; B < 256; ++B) {
        if (!FLead[B]) continue;
        bool Same = true, AllFit = true;
        for (unsigned Trail = 0; Trail < 256; ++Trail) {
            const TUnit& U = UnitAt(static_cast<std::uint8_t>(B), Trail);
            Same = Same && (U.Flags & Unchanged);
            AllFit = AllFit && Fits(U, 2, 1);
        }
        if (Same) continue;
        if (!AllFit || T.GroupCount == TKernelTables::MaxGroups) {
            AddToSet(T, T.Unhandled, B);
            continue;
        }
        const unsigned G = T.GroupCount++;
        T.GroupLead[G] = static_cast<std::uint8_t>(B);
        for (unsigned Trail = 0; Trail < 256; ++Trail) {
            const TUnit& U = UnitAt(static_cast<std::uint8_t>(B), Trail);
            T.Group[G][0][Trail] = static_cast<std::uint8_t>(U.Bytes[0] ^ B);
            T.Group[G][1][Trail] = static_cast<std::uint8_t>(U.Len == 2 ? U.Bytes[1] ^ Trail : 0);
            T.Group[G][2][Trail] = static_cast<std::uint8_t>(U.Len ^ 2);
        }
        T.GroupNibbles[G] = NibblesOf(T.Group[G]);
    }
    T.Growth = static_cast<std::uint8_t>(FGrowth);
    T.SingleNibbles = NibblesOf(T.Single);
    T.MarkKeyNibbles = NibblesOf(T.MarkKey);
}

void TConvertPlan::Classify(const std::uint8_t* P, std::size_t N, std::uint64_t& Leads,
                            std::uint64_t& Stops) const {
    Leads = Stops = 0;
#if defined(__SSE2__)
    if (N >= 16 && FLeadRanges.Count && FStopRanges.Count) {
        const auto Both = [&](const std::uint8_t* At, unsigned Shift, unsigned Drop) {
            const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(At));
            Leads |= std::uint64_t{FLeadRanges.In(V)} >> Drop << Shift;
            Stops |= std::uint64_t{FStopRanges.In(V)} >> Drop << Shift;
        };
        std::size_t I = 0;
        for (; I + 16 <= N; I += 16) Both(P + I, static_cast<unsigned>(I), 0);
        // The tail: the last 16 bytes again, keeping the bits not yet seen.
        if (I < N) Both(P + N - 16, static_cast<unsigned>(I), static_cast<unsigned>(16 - (N - I)));
        return;
    }
#endif
    for (std::size_t I = 0; I < N; ++I) {
        Leads |= std::uint64_t{FLead[P[I]]} << I;
        Stops |= std::uint64_t{FStop[P[I]]} << I;
    }
}

char* TConvertPlan::AppendTab(std::int32_t SpLen, std::size_t Rest, std::string& Out,
                              char* W) const {
    if (SpLen <= 0) return W;
    const std::size_t Done = static_cast<std::size_t>(W - Out.data());
    const std::size_t Spaces = static_cast<std::size_t>(SpLen);
    if (Spaces > (Out.max_size() - Done - Rest * FGrowth - Slack) / FTabText.size())
        throw std::length_error("a tab longer than a string can hold");
    Out.resize(Done + Spaces * FTabText.size() + Rest * FGrowth + Slack);
    W = Out.data() + Done;
    for (std::size_t I = 0; I < Spaces; ++I, W += FTabText.size())
        std::memcpy(W, FTabText.data(), FTabText.size());
    return W;
}

const TConvertPlan* PlanFor(const TOptions& Options) {
    // A thread asks the shared cache only when its options change.
    struct TLast {
        TOptions Options;
        std::shared_ptr<const TConvertPlan> Plan;
        bool Known = false;
    };
    thread_local TLast Last;
    const TOptions O = PlanOptions(Options);
    if (Last.Known && Last.Options == O) return Last.Plan.get();

    static std::mutex Lock;
    static std::vector<std::pair<TOptions, std::shared_ptr<const TConvertPlan>>> Cache;
    std::shared_ptr<const TConvertPlan> Plan;
    {
        std::lock_guard<std::mutex> Guard(Lock);
        const auto It = std::find_if(Cache.begin(), Cache.end(),
                                     [&O](const auto& Entry) { return Entry.first == O; });
        if (It != Cache.end()) {
            Plan = It->second;
        } else {
            Plan = TConvertPlan::Build(O);
            if (Cache.size() >= 64) Cache.clear(); // plans in use live on in their threads
            Cache.emplace_back(O, Plan);
        }
    }
    Last = {O, std::move(Plan), true};
    return Last.Plan.get();
}

} // namespace kana::detail
