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
constexpr std::size_t Slack = 16; // room for whole-unit writes past the text

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

        const unsigned Page = C >> 8;
        if (!Plan->FPageOf[Page]) {
            if (Plan->FPages.size() == 256) throw std::logic_error("too many pages in the UTF-8 plan");
            Plan->FPageOf[Page] = static_cast<std::uint8_t>(Plan->FPages.size());
            Plan->FPages.emplace_back();
        }
        if (Plan->FUnits.size() + Units.size() > 0xFFFF)
            throw std::logic_error("too many units in the UTF-8 plan");
        Plan->FPages[Plan->FPageOf[Page]][C & 0xFF] = static_cast<std::uint16_t>(Plan->FUnits.size());
        Plan->FUnits.insert(Plan->FUnits.end(), Units.begin(), Units.end());
        for (const TUnit& U : Units)
            Plan->FGrowth = std::max<std::size_t>(Plan->FGrowth, (U.Len + U.Used - 1u) / U.Used);

        // Where a run of characters left alone must stop to look.
        if (C < 0x80) {
            Plan->FAsciiStop[C] = true;
        } else {
            char First[4];
            EncodeUtf8(C, First);
            Plan->FLeadStop[static_cast<std::uint8_t>(First[0])] = true;
            Plan->FBlockTouched[C >> 6] = true;
        }
    }
    return Plan;
}

const std::uint8_t* TUtf8Plan::Skip(const std::uint8_t* P, const std::uint8_t* End) const {
    while (P < End) {
        const std::uint8_t B = *P;
        if (B < 0x80) {
            if (FAsciiStop[B]) return P;
        } else if (FLeadStop[B]) {
            // A two-byte character's block is its first byte's; a three-byte one's needs its
            // second byte. Anything that is not that well formed is looked at all the same.
            if (B < 0xE0 || End - P < 2 || (P[1] & 0xC0) != 0x80) return P;
            if (FBlockTouched[(B & 0x0F) << 6 | (P[1] & 0x3F)]) return P;
        }
        ++P;
    }
    return End;
}

const TUtf8Plan::TUnit* TUtf8Plan::UnitFor(char32_t C, const std::uint8_t* P, std::size_t Length,
                                           const std::uint8_t* End) const {
    const std::uint16_t Index = UnitIndex(C);
    if (Index == 0) return nullptr;
    const TUnit* U = &FUnits[Index];
    if (U->Flags & TakesMark) {
        const std::uint8_t* Next = P + Length;
        // ﾞ and ﾟ are EF BE 9E and EF BE 9F.
        if (End - Next >= 3 && Next[0] == 0xEF && Next[1] == 0xBE && (Next[2] & 0xFE) == 0x9E)
            U += Next[2] == 0x9E ? 1 : 2;
    }
    return U;
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
    if (FOutput == TUtf8Output::Sjis) return AppendSjis(S, SpLen, Out, Folded);
    if (FIdentity) {
        Out += S;
        return S.size();
    }
    const auto* P = reinterpret_cast<const std::uint8_t*>(S.data());
    const auto* const End = P + S.size();
    std::size_t Start = Out.size();
    Out.resize(Start + S.size() * FGrowth + Slack);
    char* W = Out.data() + Start;
    while (P < End) {
        const std::uint8_t* const Q = Skip(P, End);
        std::memcpy(W, P, static_cast<std::size_t>(Q - P));
        W += Q - P;
        if (Q == End) break;
        const TUtf8Char C = DecodeUtf8(Q, static_cast<std::size_t>(End - Q));
        const TUnit* U = C.Length ? UnitFor(C.Code, Q, C.Length, End) : nullptr;
        if (!U) { // left alone, or no UTF-8
            const std::size_t N = C.Length ? C.Length : 1;
            std::memcpy(W, Q, N);
            W += N;
            P = Q + N;
            continue;
        }
        P = Q + U->Used;
        if (U->Flags & TabUnit) {
            Out.resize(static_cast<std::size_t>(W - Out.data()));
            AppendTab(SpLen, Out);
            Start = Out.size();
            Out.resize(Start + static_cast<std::size_t>(End - P) * FGrowth + Slack);
            W = Out.data() + Start;
            continue;
        }
        std::memcpy(W, U->Bytes, sizeof U->Bytes); // keeps Len of them
        W += U->Len;
    }
    Out.resize(static_cast<std::size_t>(W - Out.data()));
    return S.size();
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

const TUtf8Plan& Utf8PlanFor(const TOptions& Options, TUtf8Output Output) {
    TOptions O = Options;
    O.SpLen = 0;
    O.TabStops = 0;
    struct TLast {
        TOptions Options;
        TUtf8Output Output;
        std::shared_ptr<const TUtf8Plan> Plan;
    };
    thread_local TLast Last;
    if (Last.Plan && Last.Output == Output && Last.Options == O) return *Last.Plan;

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
            if (Cache.size() >= 64) Cache.clear(); // plans in use live on in their threads
            Cache.push_back({O, Output, Plan});
        }
    }
    Last = {O, Output, std::move(Plan)};
    return *Last.Plan;
}

} // namespace kana::detail
