// The option-driven line converter: picks, character by character, which mapping applies.
#include "HanZen.h"

#include "ConvertPlan.h"

#include <typeinfo>

namespace {

constexpr std::string_view FullWidthSpace = "\x81\x40"; // 　

std::string_view Bytes(const char* P, std::size_t N) {
    return {P, N};
}

} // namespace

std::string THanZen::ConvertLine(std::string_view S) const {
    std::string Out;
    ConvertLine(S, Out);
    return Out;
}

void THanZen::ConvertLine(std::string_view S, std::string& Out) const {
    // An object of exactly this class takes the plan compiled from its options; a
    // descendant may override any mapping and walks the virtual operations.
    if (typeid(*this) == typeid(THanZen)) {
        if (const TConvertPlan* Plan = PlanFor(*this)) return Plan->Convert(S, FSpLen, Out);
    }
    Out.clear();
    Out.reserve(S.size());
    const std::size_t N = S.size();
    // Every byte is converted, a NUL like any other; a count of 2 at the last byte
    // simply ends the walk.
    for (std::size_t P = 0; P < N;) {
        const bool HasNext = P + 1 < N;
        const auto NextCh = HasNext ? static_cast<std::uint8_t>(S[P + 1]) : std::uint8_t{0};
        P += static_cast<std::size_t>(
            ConvertChar(static_cast<std::uint8_t>(S[P]), NextCh, HasNext, Out));
    }
}

void THanZen::AppendSized(std::string_view Text, std::string& Out) const {
    if (FConvSize == cvSmall)
        Out += StrToSmall(Text);
    else if (FConvSize == cvBig)
        Out += StrToBig(Text);
    else
        Out += Text;
}

int THanZen::ConvertChar(std::uint8_t Ch, std::uint8_t NextCh, bool HasNext,
                         std::string& Out) const {
    const char Unit[2] = {static_cast<char>(Ch), static_cast<char>(NextCh)};
    const std::string_view One = Bytes(Unit, 1);

    switch (CharKind(One)) {
    case 1: // ASCII graphic
        if (FMark == m2All)
            AppendSized(HanToZen(One), Out);
        else
            AppendSized(One, Out);
        return 1;

    case 2: { // half-width kana area; a following voicing mark belongs to the unit
        const bool Marked = HasNext && (NextCh == 0xDE || NextCh == 0xDF);
        const std::string_view U = Bytes(Unit, Marked ? 2 : 1);
        if (FKata == k2byte) {
            AppendSized(HanToZen(U), Out);
        } else if (FKata == kHira) {
            if (FToHira != th2Only)
                AppendSized(KataToHira(HanToZen(U)), Out);
            else
                AppendSized(U, Out);
        } else {
            AppendSized(One, Out);
            return 1;
        }
        return static_cast<int>(U.size());
    }

    case 3: // lead byte: the next byte is its second byte, whatever its value
        if (!HasNext) {
            Out += One; // a lead byte that ends the line has no character to convert
            return 1;
        }
        ConvertDoubleByte(Bytes(Unit, 2), Out);
        return 2;

    default: // controls, space and bytes that start nothing; no size step
        switch (Ch) {
        case 0x09:
            if (FTab == tbNone) {
                Out += One;
            } else if (FSpLen > 0) {
                // No tab stops: a tab is always SpLen spaces, wherever it stands.
                const std::string Spaces(static_cast<std::size_t>(FSpLen), ' ');
                Out += FSpace == sp2byte ? HanToZen(Spaces) : Spaces;
            }
            return 1;
        case 0x0D:
            // A CR takes the byte after it only when that byte is the LF of a CR LF.
            Out += "\r\n";
            return HasNext && NextCh == 0x0A ? 2 : 1;
        case 0x20: Out += FSpace == sp2byte ? FullWidthSpace : One; return 1;
        default: Out += One; return 1;
        }
    }
}

void THanZen::ConvertDoubleByte(std::string_view P, std::string& Out) const {
    if (P == FullWidthSpace) {
        Out += FSpace == sp1byte ? std::string_view(" ") : FullWidthSpace;
        return;
    }
    const bool KataToHiraOn = FKata == kHira && FToHira != th1Only;
    const std::string Z = ZenToHan(P);
    if (Z != P) {
        // The class of the half-width form decides which option may narrow it: ASCII
        // follows Mark, the kana area follows Kata.
        const int Kind = CharKind(Z);
        if ((Kind == 1 && FMark == m1All) || (Kind == 2 && FKata == k1byte))
            AppendSized(Z, Out);
        else if (KataToHiraOn)
            AppendSized(KataToHira(P), Out);
        else
            AppendSized(P, Out);
        return;
    }
    const auto Trail = static_cast<std::uint8_t>(P[1]);
    if (KataToHiraOn && P[0] == '\x83' && (Trail == 0x90 || Trail == 0x91)) {
        // ヰ and ヱ have no half-width form but do have hiragana: ゐ and ゑ.
        const char Hira[2] = {'\x82', static_cast<char>(Trail + 0x5E)};
        AppendSized(Bytes(Hira, 2), Out);
    } else if (FHira == h1Kata) {
        AppendSized(ZenToHan(HiraToKata(P)), Out);
    } else if (FHira == h2Kata) {
        AppendSized(HiraToKata(P), Out);
    } else {
        AppendSized(P, Out);
    }
}
