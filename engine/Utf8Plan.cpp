#include "Utf8Plan.h"

#include "Cp932.h"
#include "Utf8Chars.h"
#include "Utf8Reference.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <stdexcept>

namespace kana::detail {

namespace {

constexpr char32_t VoicedMark = 0xFF9E, SemiVoicedMark = 0xFF9F;
constexpr std::size_t Slack = 32; // room for whole-unit writes past the text

// The characters an option set may touch besides those of code page 932: the full-width
// forms without a code page 932 code, the narrow symbols, and the kana that Shift-JIS
// cannot hold.
bool BeyondCp932(char32_t C) {
    return (C >= 0xFF01 && C <= 0xFF5E) || (C >= 0xFFE0 && C <= 0xFFE6) || C == 0x00A2 ||
           C == 0x00A3 || C == 0x00A5 || C == 0x00A6 || C == 0x00AC || C == 0x00AF ||
           C == 0x20A9 || (C >= 0x30F7 && C <= 0x30FA) || (C >= 0x3094 && C <= 0x3096);
}

// The code page 932 form of C, folding a JIS form into its twin (Folds counts it);
// cp932::None when it has none.
std::uint16_t SjisCode(char32_t C, std::uint8_t& Folds) {
    std::uint16_t Code = cp932::Encode(C);
    if (Code == cp932::None) {
        if (const char32_t Twin = cp932::JisTwin(C)) {
            Code = cp932::Encode(Twin);
            ++Folds;
        }
    }
    return Code;
}

char* PutSjis(std::uint16_t Code, char* W) {
    if (Code >= 0x100) *W++ = static_cast<char>(Code >> 8);
    *W++ = static_cast<char>(Code);
    return W;
}

} // namespace

std::unique_ptr<TUtf8Plan> TUtf8Plan::Build(const TOptions& Options, TUtf8Output Output) {
    auto Plan = std::make_unique<TUtf8Plan>();
    Plan->FOutput = Output;
    TOptions O = Options;
    O.SpLen = 1;
    O.TabStops = 0;
    const TUtf8Reference Reference(O);
    O.SpLen = 0;
    const TUtf8Reference NoTab(O);

    // The text of Chars in the output's encoding, as a unit using Used input bytes.
    const auto Make = [Output](const std::u32string& Chars, std::size_t Used) {
        TUnit U{};
        char Text[64];
        char* W = Text;
        for (const char32_t C : Chars) {
            if (W - Text > 48) throw std::logic_error("a unit longer than the UTF-8 plan holds");
            if (Output == TUtf8Output::Utf8) {
                W = EncodeUtf8(C, W);
                continue;
            }
            const std::uint16_t Code = SjisCode(C, U.Folds);
            if (Code == cp932::None) U.Flags |= Unwritable;
            W = PutSjis(Code == cp932::None ? 0 : Code, W);
        }
        U.Len = static_cast<std::uint8_t>(W - Text);
        if (U.Len > sizeof U.Bytes) throw std::logic_error("a unit longer than the UTF-8 plan holds");
        std::memcpy(U.Bytes, Text, U.Len);
        U.Used = static_cast<std::uint8_t>(Used);
        return U;
    };
    const auto Utf8Length = [](char32_t C) -> std::size_t {
        return C < 0x80 ? 1 : C < 0x800 ? 2 : 3;
    };

    std::u32string Alone, Marked;
    for (char32_t C = 0; C < 0x10000; ++C) {
        if ((C >= 0xD800 && C <= 0xDFFF) ||
            (C >= 0x80 && cp932::Encode(C) == cp932::None && !BeyondCp932(C)))
            continue; // no option touches it
        Alone.clear();
        Reference.Convert(C, 0, false, Alone);
        std::vector<TUnit> Units{Make(Alone, Utf8Length(C))};
        bool Touched = Alone != std::u32string(1, C);
        if (C == '\t') {
            Marked.clear();
            NoTab.Convert(C, 0, false, Marked);
            if (Marked != Alone) {
                if (!Marked.empty()) throw std::logic_error("a tab whose text is not SpLen copies");
                Plan->FTabText.assign(Units[0].Bytes, Units[0].Len);
                Units[0].Flags |= TabUnit;
            }
        }
        bool TakesAMark = false;
        for (const char32_t Mark : {VoicedMark, SemiVoicedMark}) {
            Marked.clear();
            const bool Takes = Reference.Convert(C, Mark, true, Marked) == 2;
            Units.push_back(Takes ? Make(Marked, Utf8Length(C) + 3) : Units[0]);
            TakesAMark |= Takes;
        }
        if (!TakesAMark) Units.resize(1);
        if (!Touched && !TakesAMark && Output == TUtf8Output::Utf8) continue;
        if (TakesAMark) Units[0].Flags |= TakesMark;
        Plan->FIdentity = false;

        if (Plan->FUnits.size() + Units.size() > 0xFFFF)
            throw std::logic_error("too many units in the UTF-8 plan");
        Plan->FIndex[C] = static_cast<std::uint16_t>(Plan->FUnits.size());
        Plan->FUnits.insert(Plan->FUnits.end(), Units.begin(), Units.end());
        for (const TUnit& U : Units)
            Plan->FGrowth = std::max<std::size_t>(Plan->FGrowth, (U.Len + U.Used - 1u) / U.Used);

        // Where a run of characters left alone must stop to look.
        std::uint8_t First[4];
        EncodeUtf8(C, reinterpret_cast<char*>(First));
        if (First[0] == 0xE3)
            Plan->FSecondAfterE3[First[1]] = true;
        else if (First[0] == 0xEF)
            Plan->FSecondAfterEF[First[1]] = true;
        else
            Plan->FStop[First[0]] = true;
    }
    Plan->FStopRanges = TByteRanges::Of(Plan->FStop);
    Plan->FE3Ranges = TByteRanges::Of(Plan->FSecondAfterE3);
    Plan->FEFRanges = TByteRanges::Of(Plan->FSecondAfterEF);
    if (Output == TUtf8Output::Utf8 && !Plan->FIdentity) Plan->FKernel = Plan->BuildKernelTables();
    return Plan;
}

bool TUtf8Plan::BuildKernelTables() {
    auto T = std::make_unique<TUtf8KernelTables>();
    // A character's unit, or its own bytes when the plan leaves it alone.
    const auto UnitOf = [this](char32_t C) {
        TUnit Same{};
        Same.Len = Same.Used = static_cast<std::uint8_t>(EncodeUtf8(C, Same.Bytes) - Same.Bytes);
        return FIndex[C] ? FUnits[FIndex[C]] : Same;
    };
    // Writes a text of at most Most bytes into Cells[0..Most - 1] and its count into
    // Cells[Most]; Back for one that does not fit.
    const auto Put = [](const TUnit& U, unsigned Most, std::uint8_t Back, auto Cell) {
        const bool Fits = !(U.Flags & (TabUnit | Unwritable)) && U.Len > 0 && U.Len <= Most;
        for (unsigned K = 0; K < Most; ++K)
            Cell(K) = Fits && K < U.Len ? static_cast<std::uint8_t>(U.Bytes[K]) : 0;
        Cell(Most) = Fits ? U.Len : Back;
    };
    // The same for a three-byte character, its text handed out by its three bytes in order:
    // one byte each for three, and the first ones two each for more (Cells: byte K's first
    // and second candidate at 2 K and 2 K + 1, the count at 6).
    const auto PutThree = [](const TUnit& U, std::uint8_t Back, auto Cell) {
        const bool Fits = !(U.Flags & (TabUnit | Unwritable)) && U.Len > 0 && U.Len <= 6;
        for (unsigned K = 0; K < 6; ++K) Cell(K) = 0;
        unsigned Next = 0;
        for (unsigned Byte = 0; Fits && Byte < 3; ++Byte)
            for (unsigned Candidate = 0; Candidate < (U.Len > 3 + Byte ? 2u : 1u); ++Candidate)
                if (Next < U.Len) Cell(2 * Byte + Candidate) = static_cast<std::uint8_t>(U.Bytes[Next++]);
        Cell(6) = Fits ? U.Len : Back;
    };
    for (unsigned B = 0; B < 0x80; ++B) {
        const TUnit U = UnitOf(B);
        Put(U, 3, TUtf8KernelTables::AsciiBack, [&](unsigned K) -> std::uint8_t& { return T->Ascii[K][B]; });
        if (U.Used != 1 || (U.Flags & TakesMark)) T->Ascii[3][B] = TUtf8KernelTables::AsciiBack;
        if ((U.Flags & TabUnit) && (FTabText.size() == 1 || FTabText.size() == 3)) {
            T->Ascii[3][B] = TUtf8KernelTables::AsciiTab;
            T->TabLen = static_cast<std::uint8_t>(FTabText.size());
            T->TabStep = static_cast<std::uint8_t>(64 / T->TabLen * T->TabLen);
            for (unsigned I = 0; I < T->TabStep; ++I) T->TabRun[I] = FTabText[I % T->TabLen];
        }
        T->AsciiChanges[B] = FIndex[B] != 0;
    }
    for (auto& Mark : T->Merged)
        for (std::uint8_t& Count : Mark[6]) Count = TUtf8KernelTables::NoMerge;
    for (unsigned Slot = 0; Slot < 8; ++Slot)
        for (unsigned Third = 0; Third < 64; ++Third) {
            const char32_t C = (Slot < 4 ? 0x3000 + Slot * 64 : 0xFF00 + (Slot - 4) * 64) + Third;
            const TUnit U = UnitOf(C);
            const unsigned Group = Slot / 2, At = (Slot % 2) * 64 + Third;
            PutThree(U, TUtf8KernelTables::RowBack,
                     [&](unsigned K) -> std::uint8_t& { return T->Row[K][Group][At]; });
            if (FIndex[C]) T->SlotChanges[Slot] = 1;
            if (U.Used != 3) T->Row[6][Group][At] = TUtf8KernelTables::RowBack;
            if (!(U.Flags & TakesMark)) continue;
            // A half-width letter that takes a mark: its text with each mark it takes.
            if (Slot != 5 && Slot != 6) return false;
            const unsigned Key = (Slot - 5) * 64 + Third;
            for (unsigned M = 0; M < 2; ++M) {
                const TUnit& Both = FUnits[FIndex[C] + 1 + M];
                if (Both.Used != 6) continue; // the mark stays apart
                PutThree(Both, TUtf8KernelTables::RowBack,
                         [&](unsigned K) -> std::uint8_t& { return T->Merged[M][K][Key]; });
            }
        }
    // Characters outside the rows that the plan changes: their first bytes are left to the
    // plan; in the rows' own first bytes E3 and EF, none may be.
    for (char32_t C = 0x80; C < 0x10000; ++C) {
        if (!FIndex[C] || (C >= 0x3000 && C <= 0x30FF) || C >= 0xFF00) continue;
        std::uint8_t First[4];
        EncodeUtf8(C, reinterpret_cast<char*>(First));
        if (First[0] == 0xE3 || First[0] == 0xEF) return false;
        T->BackLead[First[0]] = 1;
    }
    FKernelTables = std::move(T);
    return true;
}

const std::uint8_t* TUtf8Plan::Skip(const std::uint8_t* P, const std::uint8_t* End) const {
#if defined(__SSE2__)
    // Sixteen bytes at a time, each with the byte after it.
    if (FStopRanges.Count && FE3Ranges.Count && FEFRanges.Count) {
        const __m128i E3 = _mm_set1_epi8(static_cast<char>(0xE3));
        const __m128i EF = _mm_set1_epi8(static_cast<char>(0xEF));
        for (; End - P > 16; P += 16) {
            const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
            const __m128i Next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P + 1));
            const std::uint32_t LedByE3 = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(V, E3)));
            const std::uint32_t LedByEF = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(V, EF)));
            std::uint32_t Stops = FStopRanges.In(V);
            if (LedByE3) Stops |= LedByE3 & FE3Ranges.In(Next);
            if (LedByEF) Stops |= LedByEF & FEFRanges.In(Next);
            if (Stops) return P + __builtin_ctz(Stops);
        }
    }
#endif
    while (P < End && !MayStop(P, End)) ++P;
    return P;
}

void TUtf8Plan::AppendTab(std::int32_t SpLen, std::string& Out) const {
    if (SpLen <= 0) return;
    const auto Spaces = static_cast<std::size_t>(SpLen);
    if (Spaces > (Out.max_size() - Out.size()) / FTabText.size())
        throw std::length_error("a tab longer than a string can hold");
    Out.reserve(Out.size() + Spaces * FTabText.size());
    for (std::size_t I = 0; I < Spaces; ++I) Out += FTabText;
}

std::size_t TUtf8Plan::Append(std::string_view S, std::int32_t SpLen, std::string& Out,
                              std::uint64_t& Folded) const {
    return AppendAt(S, SpLen, Out, Folded, ActiveUtf8Kernel());
}

std::size_t TUtf8Plan::AppendAt(std::string_view S, std::int32_t SpLen, std::string& Out,
                                std::uint64_t& Folded, TUtf8Kernel Kernel) const {
    if (FOutput == TUtf8Output::Sjis) return AppendSjis(S, SpLen, Out, Folded);
    if (FIdentity) {
        Out += S;
        return S.size();
    }
    if (!FKernel) Kernel = nullptr;
    const std::size_t Margin = Kernel ? Utf8KernelSlack : Slack;
    const auto* P = reinterpret_cast<const std::uint8_t*>(S.data());
    const auto* const End = P + S.size();
    // Room for Extra bytes and the rest of the text from W on; Out grows only when short.
    const auto Room = [&](char* W, std::size_t Extra) {
        const auto Done = static_cast<std::size_t>(W - Out.data());
        const std::size_t Rest = static_cast<std::size_t>(End - P);
        if (Extra > Out.max_size() / 2 || Rest > (Out.max_size() / 2 - Extra) / FGrowth)
            throw std::length_error("a text longer than a string can hold");
        const std::size_t Need = Done + Extra + Rest * FGrowth + Margin;
        if (Out.size() < Need) Out.resize(std::max(Need, Out.size() + Out.size() / 2));
        return Out.data() + Done;
    };
    char* W = Room(Out.data() + Out.size(), 0);
    while (P < End) {
        if (Kernel) {
            P = Kernel(*FKernelTables, P, End, W, Out.data() + Out.size(), SpLen);
            if (P == End) break;
            // A character the kernel leaves to the plan, alone; near the end, all the rest.
            if (End - P >= 70) {
                P = ConvertRun(P, End, W, SpLen, Room, true);
                continue;
            }
        }
        const std::uint8_t* const Q = Skip(P, End);
        std::memcpy(W, P, static_cast<std::size_t>(Q - P));
        W += Q - P;
        P = Q;
        if (P < End) P = ConvertRun(P, End, W, SpLen, Room, false);
    }
    Out.resize(static_cast<std::size_t>(W - Out.data()));
    return S.size();
}

template <class TRoom>
const std::uint8_t* TUtf8Plan::ConvertRun(const std::uint8_t* P, const std::uint8_t* End, char*& W,
                                          std::int32_t SpLen, const TRoom& Room, bool One) const {
    // The characters from P on, until one that is left alone (One: P's alone).
    do {
        const std::uint8_t B = *P;
        TUtf8Char C;
        if (B < 0x80) {
            C = {1, B};
        } else if ((B & 0xF0) == 0xE0 && End - P >= 3 && ((P[1] ^ 0x80) | (P[2] ^ 0x80)) < 0x40) {
            C = {3, static_cast<char32_t>((B & 0x0F) << 12 | (P[1] & 0x3F) << 6 | (P[2] & 0x3F))};
            if (C.Code < 0x800 || (C.Code >= 0xD800 && C.Code <= 0xDFFF)) C.Length = 0;
        } else {
            C = DecodeUtf8(P, static_cast<std::size_t>(End - P));
        }
        const TUnit* U = C.Length ? UnitFor(C.Code, P, C.Length, End) : nullptr;
        if (!U) { // left alone, or no UTF-8
            const std::size_t N = C.Length ? C.Length : 1;
            std::memcpy(W, P, N);
            W += N;
            P += N;
            // Back to the vector search only where a run of characters left alone may
            // start: dense text stays here.
            if (P < End && !MayStop(P, End)) break;
            continue;
        }
        P += U->Used;
        if (U->Flags & TabUnit) {
            if (SpLen <= 0) continue;
            const auto Spaces = static_cast<std::size_t>(SpLen);
            if (Spaces > std::string().max_size() / FTabText.size())
                throw std::length_error("a tab longer than a string can hold");
            W = Room(W, Spaces * FTabText.size());
            for (std::size_t I = 0; I < Spaces; ++I, W += FTabText.size())
                std::memcpy(W, FTabText.data(), FTabText.size());
            continue;
        }
        std::memcpy(W, U, sizeof *U); // keeps Len of its bytes
        W += U->Len;
    } while (!One && P < End);
    return P;
}

std::size_t TUtf8Plan::AppendSjis(std::string_view S, std::int32_t SpLen, std::string& Out,
                                  std::uint64_t& Folded) const {
    const auto* const Begin = reinterpret_cast<const std::uint8_t*>(S.data());
    const auto* const End = Begin + S.size();
    for (const std::uint8_t* P = Begin; P < End;) {
        const TUtf8Char C = DecodeUtf8(P, static_cast<std::size_t>(End - P));
        if (C.Length == 0) return static_cast<std::size_t>(P - Begin);
        if (const TUnit* U = UnitFor(C.Code, P, C.Length, End)) {
            if (U->Flags & Unwritable) return static_cast<std::size_t>(P - Begin);
            P += U->Used;
            if (U->Flags & TabUnit) {
                AppendTab(SpLen, Out);
                continue;
            }
            Out.append(U->Bytes, U->Len);
            Folded += U->Folds;
            continue;
        }
        std::uint8_t Folds = 0;
        const std::uint16_t Code = SjisCode(C.Code, Folds);
        if (Code == cp932::None) return static_cast<std::size_t>(P - Begin);
        char Bytes[2];
        Out.append(Bytes, static_cast<std::size_t>(PutSjis(Code, Bytes) - Bytes));
        Folded += Folds;
        P += C.Length;
    }
    return S.size();
}

std::shared_ptr<const TUtf8Plan> Utf8PlanFor(const TOptions& Options, TUtf8Output Output) {
    TOptions O = Options;
    O.SpLen = 0;
    O.TabStops = 0;
    struct TLast {
        TOptions Options;
        TUtf8Output Output;
        std::shared_ptr<const TUtf8Plan> Plan;
    };
    thread_local TLast Last;
    if (Last.Plan && Last.Output == Output && Last.Options == O) return Last.Plan;

    static std::mutex Lock;
    static std::vector<TLast> Cache;
    std::shared_ptr<const TUtf8Plan> Plan;
    {
        std::lock_guard<std::mutex> Guard(Lock);
        const auto It = std::find_if(Cache.begin(), Cache.end(), [&](const TLast& Entry) {
            return Entry.Output == Output && Entry.Options == O;
        });
        if (It != Cache.end()) {
            Plan = It->Plan;
        } else {
            Plan = TUtf8Plan::Build(O, Output);
            if (Cache.size() >= 64) Cache.clear(); // plans in use live on with their users
            Cache.push_back({O, Output, Plan});
        }
    }
    Last = {O, Output, Plan};
    return Plan;
}

} // namespace kana::detail
