// The reference step: picks, character by character, which mapping applies.
#include "ConvertChar.h"

#include "Cp932.h"
#include "SjisBytes.h"

#include <algorithm>

TMark TOptions::MarkFor(std::uint8_t Ch) const {
    const bool Letter = (Ch >= 'A' && Ch <= 'Z') || (Ch >= 'a' && Ch <= 'z');
    const bool Digit = Ch >= '0' && Ch <= '9';
    switch (Letter ? Letters : Digit ? Digits : Symbols) {
    case cwNone: return mNone;
    case cw1byte: return m1All;
    case cw2byte: return m2All;
    default: return Mark;
    }
}

bool TOptions::Keeps(char32_t C) const {
    return !Keep.empty() && std::binary_search(Keep.begin(), Keep.end(), C);
}

namespace kana::detail {

namespace {

constexpr std::string_view FullWidthSpace = "\x81\x40"; // 　
constexpr std::string_view Minus = "\x81\x7C";          // －, the classic form of ｰ
constexpr std::string_view ProlongedSound = "\x81\x5B"; // ー
constexpr std::uint8_t HalfProlongedSound = 0xB0;       // ｰ

bool Faithful(const THanZen& H) {
    return H.Mapping() == mpFaithful;
}

// The character that starts with Ch (and NextCh when Ch is a lead byte) is kept.
bool KeptAt(const THanZen& H, std::uint8_t Ch, std::uint8_t NextCh, bool HasNext) {
    if (H.Options().Keep.empty()) return false;
    const unsigned Code = sjis::IsLeadByte(Ch) && HasNext ? Ch << 8 | NextCh : Ch;
    const char32_t C = cp932::ToUnicode[Code];
    return C != cp932::None && H.Options().Keeps(C);
}

// The full-width form of a half-width unit (a letter, with its voicing mark).
std::string Widen(const THanZen& H, std::string_view U) {
    std::string Wide = H.HanToZen(U);
    if (Faithful(H) && static_cast<std::uint8_t>(U[0]) == HalfProlongedSound &&
        Wide.starts_with(Minus))
        Wide.replace(0, Minus.size(), ProlongedSound);
    return Wide;
}

// Under the faithful rules, narrowing P to the half-width kana Han would lose it: Han
// widens to another character (ヮ ﾜ ワ, ° ﾟ ゜).
bool NarrowedAway(const THanZen& H, std::string_view P, std::string_view Han) {
    return Faithful(H) && H.CharKind(Han) == 2 && Widen(H, Han) != P;
}

// The half-width form of the double-byte character P, or P itself when it has none or
// would be narrowed away.
std::string NarrowKana(const THanZen& H, std::string_view P) {
    std::string Han = H.ZenToHan(P);
    if (Han != P && NarrowedAway(H, P, Han)) return std::string(P);
    return Han;
}

// The iteration marks: ヽ ヾ (0x81 0x52, 0x53) and ゝ ゞ (0x81 0x54, 0x55).
bool IsKatakanaIteration(std::string_view P) {
    return P[0] == '\x81' && (P[1] == '\x52' || P[1] == '\x53');
}
bool IsHiraganaIteration(std::string_view P) {
    return P[0] == '\x81' && (P[1] == '\x54' || P[1] == '\x55');
}

// A lead byte and the byte after it.
void ConvertDoubleByte(const THanZen& H, std::string_view P, std::string& Out) {
    if (P == FullWidthSpace) {
        Out += H.Space() == sp1byte ? std::string_view(" ") : FullWidthSpace;
        return;
    }
    const bool KataToHira = H.Kata() == kHira && H.ToHira() != th1Only;
    const std::string Z = H.ZenToHan(P);
    if (Z != P) {
        // The class of the half-width form decides which option may narrow it: ASCII
        // follows Mark (by the class of the character), the kana area follows Kata, and
        // under the faithful rules the kana punctuation also follows h1Kata.
        const int Kind = H.CharKind(Z);
        const bool Punctuation = P[0] == '\x81';
        const bool Narrows =
            (Kind == 1 && H.Options().MarkFor(static_cast<std::uint8_t>(Z[0])) == m1All) ||
            (Kind == 2 &&
             (H.Kata() == k1byte || (Faithful(H) && Punctuation && H.Hira() == h1Kata)));
        if (Narrows && !NarrowedAway(H, P, Z))
            AppendSized(H, Z, Out);
        else if (KataToHira)
            AppendSized(H, H.KataToHira(P), Out);
        else
            AppendSized(H, P, Out);
        return;
    }
    const auto Trail = static_cast<std::uint8_t>(P[1]);
    if (KataToHira && P[0] == '\x83' && (Trail == 0x90 || Trail == 0x91)) {
        // ヰ and ヱ have no half-width form but do have hiragana: ゐ and ゑ.
        const char Hira[2] = {'\x82', static_cast<char>(Trail + 0x5E)};
        AppendSized(H, std::string_view(Hira, 2), Out);
    } else if (Faithful(H) && KataToHira && IsKatakanaIteration(P)) {
        const char Hira[2] = {'\x81', static_cast<char>(Trail + 2)};
        AppendSized(H, std::string_view(Hira, 2), Out);
    } else if (Faithful(H) && H.Hira() != hNone && IsHiraganaIteration(P)) {
        const char Kata[2] = {'\x81', static_cast<char>(Trail - 2)};
        AppendSized(H, std::string_view(Kata, 2), Out);
    } else if (H.Hira() == h1Kata) {
        AppendSized(H, NarrowKana(H, H.HiraToKata(P)), Out);
    } else if (H.Hira() == h2Kata) {
        AppendSized(H, H.HiraToKata(P), Out);
    } else {
        AppendSized(H, P, Out);
    }
}

// Controls, the space and bytes that start nothing; no size step.
int ConvertControl(const THanZen& H, std::uint8_t Ch, std::uint8_t NextCh, bool HasNext,
                   std::string& Out) {
    switch (Ch) {
    case 0x09:
        if (H.Tab() == tbNone) {
            Out += '\t';
        } else if (H.SpLen() > 0) {
            // No tab stops: a tab is always SpLen spaces, wherever it stands.
            const std::string Spaces(static_cast<std::size_t>(H.SpLen()), ' ');
            Out += H.Space() == sp2byte ? H.HanToZen(Spaces) : Spaces;
        }
        return 1;
    case 0x0D:
        if (H.Options().LineEnds == leKeep) {
            Out += '\r';
            return 1;
        }
        // A CR takes the byte after it only when that byte is the LF of a CR LF.
        Out += "\r\n";
        return HasNext && NextCh == 0x0A ? 2 : 1;
    case 0x20: Out += H.Space() == sp2byte ? FullWidthSpace : std::string_view(" "); return 1;
    default: Out += static_cast<char>(Ch); return 1;
    }
}

} // namespace

void AppendSized(const THanZen& H, std::string_view Text, std::string& Out) {
    if (H.ConvSize() == cvSmall)
        Out += H.StrToSmall(Text);
    else if (H.ConvSize() == cvBig)
        Out += H.StrToBig(Text);
    else
        Out += Text;
}

int ConvertChar(const THanZen& H, std::uint8_t Ch, std::uint8_t NextCh, bool HasNext,
                std::string& Out) {
    const char Unit[2] = {static_cast<char>(Ch), static_cast<char>(NextCh)};
    const std::string_view One(Unit, 1);
    if (KeptAt(H, Ch, NextCh, HasNext)) {
        const std::size_t Used = sjis::IsLeadByte(Ch) && HasNext ? 2 : 1;
        Out.append(Unit, Used);
        return static_cast<int>(Used);
    }

    switch (H.CharKind(One)) {
    case 1: // ASCII graphic
        if (H.Options().MarkFor(Ch) == m2All)
            AppendSized(H, H.HanToZen(One), Out);
        else
            AppendSized(H, One, Out);
        return 1;

    case 2: { // half-width kana area; a following voicing mark belongs to the unit
        const bool Marked = HasNext && sjis::IsVoicingMark(NextCh) && !KeptAt(H, NextCh, 0, false);
        const std::string_view U(Unit, Marked ? 2 : 1);
        if (H.Kata() == k2byte) {
            AppendSized(H, Widen(H, U), Out);
        } else if (H.Kata() == kHira && H.ToHira() != th2Only) {
            AppendSized(H, H.KataToHira(Widen(H, U)), Out);
        } else if (H.Kata() == kHira) {
            AppendSized(H, U, Out);
        } else {
            AppendSized(H, One, Out);
            return 1;
        }
        return static_cast<int>(U.size());
    }

    case 3: // lead byte: the next byte is its second byte, whatever its value
        if (!HasNext) {
            Out += One; // a lead byte that ends the line has no character to convert
            return 1;
        }
        ConvertDoubleByte(H, std::string_view(Unit, 2), Out);
        return 2;

    default: return ConvertControl(H, Ch, NextCh, HasNext, Out);
    }
}

void AppendLineByChar(const THanZen& H, std::string_view S, std::string& Out) {
    Out.reserve(Out.size() + S.size());
    const std::size_t N = S.size();
    // Every byte is converted, a NUL like any other; a count of 2 at the last byte
    // simply ends the walk.
    for (std::size_t P = 0; P < N;) {
        const bool HasNext = P + 1 < N;
        const auto NextCh = HasNext ? static_cast<std::uint8_t>(S[P + 1]) : std::uint8_t{0};
        P += static_cast<std::size_t>(
            ConvertChar(H, static_cast<std::uint8_t>(S[P]), NextCh, HasNext, Out));
    }
}

} // namespace kana::detail
