#include "Utf8Reference.h"

#include "ConvertChar.h"
#include "Cp932.h"
#include "SjisBytes.h"

namespace kana::detail {

namespace {

constexpr char32_t VoicedMark = 0xFF9E, SemiVoicedMark = 0xFF9F; // ﾞ ﾟ
constexpr char32_t HalfWa = 0xFF9C, HalfWo = 0xFF66, HalfU = 0xFF73; // ﾜ ｦ ｳ
constexpr char32_t WaVoiced = 0x30F7, WoVoiced = 0x30FA;              // ヷ ヺ
constexpr char32_t Vu = 0x30F4, HiraganaVu = 0x3094;                  // ヴ ゔ
constexpr char32_t SmallKa = 0x30F5, SmallKe = 0x30F6;                // ヵ ヶ
constexpr char32_t HiraganaSmallKa = 0x3095, HiraganaSmallKe = 0x3096; // ゕ ゖ
constexpr char32_t HiraganaKa = 0x304B, HiraganaKe = 0x3051;           // か け
constexpr char32_t FullWidthOffset = 0xFEE0; // ASCII 0x21..0x7E to U+FF01..U+FF5E

// ¢ £ ¬ ¯ ¦ ¥ ₩, the narrow partners of U+FFE0..U+FFE6 in that order.
constexpr char32_t NarrowSymbols[] = {0x00A2, 0x00A3, 0x00AC, 0x00AF, 0x00A6, 0x00A5, 0x20A9};

int NarrowSymbolIndex(char32_t C) {
    for (int I = 0; I < 7; ++I)
        if (NarrowSymbols[I] == C) return I;
    return -1;
}

TOptions EngineOptions(TOptions O) {
    O.Mapping = mpFaithful;
    O.Mark = mNone;
    O.Letters = O.Digits = O.Symbols = cwNone;
    O.LineEnds = leKeep;
    O.TabStops = 0;
    return O;
}

} // namespace

TUtf8Reference::TUtf8Reference(const TOptions& Options) : FOptions(Options), FEngine(nullptr) {
    FEngine.SetOptions(EngineOptions(Options));
}

void TUtf8Reference::AppendSized(char32_t C, std::u32string& Out) const {
    const TConvSize Size = FOptions.ConvSize;
    if (Size == cvBig && (C == HiraganaSmallKa || C == HiraganaSmallKe)) {
        Out += C == HiraganaSmallKa ? HiraganaKa : HiraganaKe;
        return;
    }
    if (Size == cvSmall && (C == HiraganaKa || C == HiraganaKe)) {
        Out += C == HiraganaKa ? HiraganaSmallKa : HiraganaSmallKe;
        return;
    }
    const std::uint16_t Code = cp932::Encode(C);
    if ((Size != cvSmall && Size != cvBig) || Code == cp932::None) {
        Out += C;
        return;
    }
    const char Bytes[2] = {static_cast<char>(Code >> 8), static_cast<char>(Code)};
    std::string Sized;
    kana::detail::AppendSized(FEngine, Code >= 0x100 ? std::string_view(Bytes, 2)
                                                     : std::string_view(Bytes + 1, 1),
                              Sized);
    for (std::size_t I = 0; I < Sized.size();) {
        const auto B = static_cast<std::uint8_t>(Sized[I]);
        const bool Pair = sjis::IsLeadByte(B) && I + 1 < Sized.size();
        Out += cp932::ToUnicode[Pair ? B << 8 | static_cast<std::uint8_t>(Sized[I + 1]) : B];
        I += Pair ? 2 : 1;
    }
}

int TUtf8Reference::ConvertAsCp932(std::uint16_t Code, char32_t Next, bool HasNext,
                                   std::u32string& Out) const {
    const bool Pair = Code >= 0x100;
    // A half-width letter takes a voicing mark after it; no other character of code page
    // 932 depends on the next one once CR stays as it is.
    const bool Marked = !Pair && HasNext && (Next == VoicedMark || Next == SemiVoicedMark);
    const auto First = static_cast<std::uint8_t>(Pair ? Code >> 8 : Code);
    const auto Second = static_cast<std::uint8_t>(Pair                ? Code
                                                  : !Marked           ? 0
                                                  : Next == VoicedMark ? sjis::VoicedMark
                                                                       : sjis::SemiVoicedMark);
    std::string Sjis;
    const int Used = ConvertChar(FEngine, First, Second, Pair || Marked, Sjis);
    for (std::size_t I = 0; I < Sjis.size();) {
        const auto B = static_cast<std::uint8_t>(Sjis[I]);
        const bool Double = sjis::IsLeadByte(B) && I + 1 < Sjis.size();
        const char32_t C = cp932::ToUnicode[Double ? B << 8 | static_cast<std::uint8_t>(Sjis[I + 1]) : B];
        // Letter sizes that only Unicode has: か け become ゕ ゖ.
        if (FOptions.ConvSize == cvSmall && (C == HiraganaKa || C == HiraganaKe))
            Out += C == HiraganaKa ? HiraganaSmallKa : HiraganaSmallKe;
        else
            Out += C;
        I += Double ? 2 : 1;
    }
    return Pair ? 1 : Used;
}

int TUtf8Reference::Convert(char32_t C, char32_t Next, bool HasNext, std::u32string& Out) const {
    if (FOptions.Keeps(C)) {
        Out += C;
        return 1;
    }
    // A kept voicing mark stays on its own.
    if (HasNext && (Next == VoicedMark || Next == SemiVoicedMark) && FOptions.Keeps(Next))
        HasNext = false;
    const bool Voiced = HasNext && Next == VoicedMark;

    // Mark and its classes, by Unicode's width pairs.
    if (C >= 0x21 && C <= 0x7E && FOptions.MarkFor(static_cast<std::uint8_t>(C)) == m2All) {
        AppendSized(C + FullWidthOffset, Out);
        return 1;
    }
    if (C >= 0xFF01 && C <= 0xFF5E &&
        FOptions.MarkFor(static_cast<std::uint8_t>(C - FullWidthOffset)) == m1All) {
        AppendSized(C - FullWidthOffset, Out);
        return 1;
    }
    const TMark SymbolMark = FOptions.MarkFor('!');
    if (const int I = NarrowSymbolIndex(C); I >= 0) {
        Out += SymbolMark == m2All ? 0xFFE0 + static_cast<char32_t>(I) : C;
        return 1;
    }
    if (C >= 0xFFE0 && C <= 0xFFE6 && SymbolMark == m1All) {
        Out += NarrowSymbols[C - 0xFFE0];
        return 1;
    }

    // Kana that code page 932 cannot hold.
    const TKata Kata = FOptions.Kata;
    const bool HalfToHira = Kata == kHira && FOptions.ToHira != th2Only;
    const bool FullToHira = Kata == kHira && FOptions.ToHira != th1Only;
    const THira Hira = FOptions.Hira;
    if ((C == HalfWa || C == HalfWo) && Voiced && (Kata == k2byte || HalfToHira)) {
        Out += C == HalfWa ? WaVoiced : WoVoiced; // no hiragana has this form
        return 2;
    }
    if ((C == WaVoiced || C == WoVoiced) && Kata == k1byte) {
        Out += C == WaVoiced ? HalfWa : HalfWo;
        Out += VoicedMark;
        return 1;
    }
    if (C == HalfU && Voiced && HalfToHira) {
        Out += HiraganaVu;
        return 2;
    }
    if (C == Vu && FullToHira) {
        Out += HiraganaVu;
        return 1;
    }
    if ((C == SmallKa || C == SmallKe) && FullToHira) {
        AppendSized(C == SmallKa ? HiraganaSmallKa : HiraganaSmallKe, Out);
        return 1;
    }
    if (C == HiraganaVu && Hira != hNone) {
        if (Hira == h1Kata) {
            Out += HalfU;
            Out += VoicedMark;
        } else {
            Out += Vu;
        }
        return 1;
    }
    if (C == HiraganaSmallKa || C == HiraganaSmallKe) {
        const char32_t Kana = Hira != hNone ? (C == HiraganaSmallKa ? SmallKa : SmallKe) : C;
        AppendSized(Kana, Out);
        return 1;
    }

    const std::uint16_t Code = cp932::Encode(C);
    if (Code == cp932::None) {
        Out += C;
        return 1;
    }
    return ConvertAsCp932(Code, Next, HasNext, Out);
}

} // namespace kana::detail
