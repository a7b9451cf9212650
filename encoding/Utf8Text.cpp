// UTF-8 text through the Shift-JIS engine, and Shift-JIS text written as UTF-8.
//
// A UTF-8 line reaches the engine as code page 932 text: each character that has a code
// page 932 form decoding back to it becomes that form; every run of other characters,
// invalid bytes and NULs becomes one NUL, which the engine passes through unchanged and
// which ends every context (a voicing mark after it is not merged). On the way back each
// NUL becomes its run's bytes again, as they were read.
#include "Cp932.h"
#include "SjisBytes.h"
#include "TextConverter.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
constexpr char32_t VoicedMark = 0xFF9E, SemiVoicedMark = 0xFF9F; // ﾞ ﾟ

// One UTF-8 character: its length and code point; Length 0 for bytes that are no
// well-formed sequence (overlong, a surrogate, past U+10FFFF, or cut short).
struct TChar {
    std::size_t Length;
    char32_t Code;
};

TChar DecodeUtf8(const std::uint8_t* P, std::size_t Left) {
    const std::uint8_t B = P[0];
    if (B < 0x80) return {1, B};
    std::size_t N;
    char32_t C, Min;
    if (B >= 0xC2 && B <= 0xDF)
        N = 2, C = B & 0x1F, Min = 0x80;
    else if (B >= 0xE0 && B <= 0xEF)
        N = 3, C = B & 0x0F, Min = 0x800;
    else if (B >= 0xF0 && B <= 0xF4)
        N = 4, C = B & 0x07, Min = 0x10000;
    else
        return {0, 0};
    if (Left < N) return {0, 0};
    for (std::size_t I = 1; I < N; ++I) {
        if ((P[I] & 0xC0) != 0x80) return {0, 0};
        C = C << 6 | (P[I] & 0x3F);
    }
    if (C < Min || C > 0x10FFFF || (C >= 0xD800 && C <= 0xDFFF)) return {0, 0};
    return {N, C};
}

// True when the Left bytes at P are the start of a well-formed sequence, cut short.
bool CutShort(const std::uint8_t* P, std::size_t Left) {
    std::uint8_t Padded[4] = {P[0], 0x80, 0x80, 0x80}; // the smallest continuation bytes
    for (std::size_t I = 1; I < Left && I < 4; ++I) Padded[I] = P[I];
    // 0x80 continuations may be too small after E0, F0 (overlong) but not too large
    // after ED, F4: try the largest as well.
    std::uint8_t High[4] = {P[0], 0xBF, 0xBF, 0xBF};
    for (std::size_t I = 1; I < Left && I < 4; ++I) High[I] = P[I];
    const TChar A = DecodeUtf8(Padded, 4), B = DecodeUtf8(High, 4);
    return (A.Length > Left) || (B.Length > Left);
}

// The code page 932 code of a character, None when it has none.
std::uint16_t Cp932Of(char32_t C) {
    return C < 0x10000 ? cp932::FromUnicode[C] : cp932::None;
}

void AppendUtf8(std::string& Out, char32_t C) {
    if (C < 0x80) {
        Out += static_cast<char>(C);
    } else if (C < 0x800) {
        const char S[2] = {static_cast<char>(0xC0 | C >> 6), static_cast<char>(0x80 | (C & 0x3F))};
        Out.append(S, 2);
    } else {
        const char S[3] = {static_cast<char>(0xE0 | C >> 12),
                           static_cast<char>(0x80 | (C >> 6 & 0x3F)),
                           static_cast<char>(0x80 | (C & 0x3F))};
        Out.append(S, 3);
    }
}

void AppendCode(std::string& Out, std::uint16_t Code) {
    if (Code >= 0x100) Out += static_cast<char>(Code >> 8);
    Out += static_cast<char>(Code);
}

// The end of the run of ASCII bytes other than NUL that starts at P.
const std::uint8_t* AsciiRun(const std::uint8_t* P, const std::uint8_t* End) {
    while (P < End && *P < 0x80 && *P != 0) ++P;
    return P;
}

// The number of characters in UTF-8 text: bytes that are no continuation byte.
std::uint64_t Utf8Characters(std::string_view S) {
    return static_cast<std::uint64_t>(
        std::count_if(S.begin(), S.end(), [](char C) { return (C & 0xC0) != 0x80; }));
}

// The number of characters in Shift-JIS text: a lead byte takes the byte after it.
std::uint64_t SjisCharacters(std::string_view S) {
    std::uint64_t N = 0;
    for (std::size_t I = 0; I < S.size(); ++N)
        I += sjis::IsLeadByte(static_cast<std::uint8_t>(S[I])) && I + 1 < S.size() ? 2 : 1;
    return N;
}

// A run of bytes that went through the engine as one NUL: where it stands in the input.
struct TOpaque {
    std::size_t At, Length;
};

class TUtf8Text final : public TTextConverter {
public:
    TUtf8Text(const TOptions& Options, TComponent* Owner, TEncoding From, TEncoding To)
        : FEngine(Owner), FReadAs(From), FTo(To) {
        FEngine.SetOptions(Options);
    }

    THanZen& Engine() override { return FEngine; }
    TEncoding ReadAs() const override { return FReadAs; }

    void SeeInput(std::string_view Block) override {
        if (FReadAs != TEncoding::Auto || Block.empty()) return;
        const bool First = !FSeenInput;
        FSeenInput = true;
        if (First && Block.starts_with(ByteOrderMark)) {
            FReadAs = TEncoding::Utf8;
            return;
        }
        const auto NonAscii = std::find_if(Block.begin(), Block.end(),
                                           [](char C) { return static_cast<std::uint8_t>(C) >= 0x80; });
        if (NonAscii == Block.end()) return; // ASCII reads the same either way
        FReadAs = Utf8From(Block.substr(static_cast<std::size_t>(NonAscii - Block.begin())))
                      ? TEncoding::Utf8
                      : TEncoding::Sjis;
    }

    std::size_t Cut(std::string_view Text) const override {
        return FReadAs == TEncoding::Utf8 ? Utf8Cut(Text) : LastCut(Text);
    }

    void Convert(std::string_view Text, std::string& Out) override {
        if (FReadAs == TEncoding::Utf8) {
            if (FTo == TEncoding::Sjis && FLine == 1 && FColumn == 0 &&
                Text.starts_with(ByteOrderMark))
                Text.remove_prefix(ByteOrderMark.size()); // no character of the text
            ConvertUtf8(Text, Out);
        } else {
            ConvertSjis(Text, Out);
        }
        // Columns count only where a character may fail to convert (ASCII counts the same
        // both ways while the input is undecided).
        if (FTo != TEncoding::Auto && FTo != FReadAs)
            FColumn += FReadAs == TEncoding::Utf8 ? Utf8Characters(Text) : SjisCharacters(Text);
    }

    void EndLine() override {
        ++FLine;
        FColumn = 0;
    }

private:
    TEncoding Writes() const { return FTo == TEncoding::Auto ? FReadAs : FTo; }

    [[noreturn]] void Fail(std::string_view Text, std::size_t At, std::size_t Length,
                           bool Utf8) const {
        const std::string_view Before = Text.substr(0, At);
        const std::uint64_t Column =
            FColumn + (Utf8 ? Utf8Characters(Before) : SjisCharacters(Before)) + 1;
        throw ETextError(FLine, Column, std::string(Text.substr(At, Length)));
    }

    // Shift-JIS in; out as Shift-JIS, or as UTF-8 when every character has a form there.
    void ConvertSjis(std::string_view Text, std::string& Out) {
        if (Writes() != TEncoding::Utf8) {
            FEngine.ConvertLine(Text, FSjis);
            Out += FSjis;
            return;
        }
        const auto* P = reinterpret_cast<const std::uint8_t*>(Text.data());
        for (std::size_t I = 0; I < Text.size();) {
            const bool Pair = sjis::IsLeadByte(P[I]) && I + 1 < Text.size();
            const unsigned Code = Pair ? P[I] << 8 | P[I + 1] : P[I];
            if (cp932::ToUnicode[Code] == cp932::None) Fail(Text, I, Pair ? 2 : 1, false);
            I += Pair ? 2 : 1;
        }
        FEngine.ConvertLine(Text, FSjis);
        ToUtf8(FSjis, {}, Out);
    }

    // UTF-8 in, through the engine as code page 932; out as UTF-8, or as Shift-JIS when
    // every character has a form there.
    void ConvertUtf8(std::string_view Text, std::string& Out) {
        FSjis.clear();
        FOpaque.clear();
        const auto* Begin = reinterpret_cast<const std::uint8_t*>(Text.data());
        const auto* const End = Begin + Text.size();
        for (const auto* P = Begin; P < End;) {
            const auto* Q = AsciiRun(P, End);
            FSjis.append(reinterpret_cast<const char*>(P), static_cast<std::size_t>(Q - P));
            P = Q;
            const auto* Run = P;
            while (P < End && (*P == 0 || *P >= 0x80)) {
                const TChar C = *P == 0 ? TChar{1, 0} : DecodeUtf8(P, static_cast<std::size_t>(End - P));
                // A NUL goes through as itself into Shift-JIS, and with the runs into UTF-8.
                const std::uint16_t Code = *P == 0 ? (Writes() == TEncoding::Sjis ? 0 : cp932::None)
                                           : C.Length ? Cp932Of(C.Code)
                                                      : cp932::None;
                if (Code != cp932::None) {
                    if (Run < P) break;
                    AppendCode(FSjis, Code);
                    Run = P += C.Length;
                    continue;
                }
                if (Writes() == TEncoding::Sjis)
                    Fail(Text, static_cast<std::size_t>(P - Begin), C.Length ? C.Length : 1, true);
                P += C.Length ? C.Length : 1;
            }
            if (Run < P) {
                FSjis += '\0';
                FOpaque.push_back({static_cast<std::size_t>(Run - Begin),
                                   static_cast<std::size_t>(P - Run)});
            }
        }
        FEngine.ConvertLine(FSjis, FConverted);
        if (Writes() == TEncoding::Sjis) {
            Out += FConverted; // no runs: every character had its form
        } else if (FConverted == FSjis) {
            Out += Text; // nothing changed: the bytes as read
        } else {
            ToUtf8(FConverted, Text, Out);
        }
    }

    // Appends code page 932 text as UTF-8; with Opaque, each NUL stands for the next
    // run of Input in FOpaque.
    void ToUtf8(std::string_view Sjis, std::string_view Input, std::string& Out) const {
        const bool Opaque = !Input.empty();
        std::size_t Next = 0;
        const auto* P = reinterpret_cast<const std::uint8_t*>(Sjis.data());
        const auto* const End = P + Sjis.size();
        while (P < End) {
            const auto* Q = AsciiRun(P, End);
            Out.append(reinterpret_cast<const char*>(P), static_cast<std::size_t>(Q - P));
            if ((P = Q) == End) break;
            if (*P == 0 && Opaque) {
                const TOpaque& Run = FOpaque.at(Next++);
                Out.append(Input.substr(Run.At, Run.Length));
                ++P;
                continue;
            }
            const bool Pair = sjis::IsLeadByte(*P) && P + 1 < End;
            const std::uint16_t C = cp932::ToUnicode[Pair ? P[0] << 8 | P[1] : P[0]];
            if (C == cp932::None) throw std::logic_error("the engine wrote no code page 932");
            AppendUtf8(Out, C);
            P += Pair ? 2 : 1;
        }
    }

    // True when Block is UTF-8, a sequence cut short at its end allowed.
    static bool Utf8From(std::string_view Block) {
        const auto* P = reinterpret_cast<const std::uint8_t*>(Block.data());
        const auto* const End = P + Block.size();
        while (P < End) {
            const TChar C = DecodeUtf8(P, static_cast<std::size_t>(End - P));
            if (C.Length == 0) return CutShort(P, static_cast<std::size_t>(End - P));
            P += C.Length;
        }
        return true;
    }

    // Where a UTF-8 line may be cut: after its last ASCII byte other than CR, which ends
    // its character and never joins the next; without one, before the last whole unit
    // of the engine (a character, or a kana-area letter and the voicing mark after it).
    static std::size_t Utf8Cut(std::string_view Text) {
        const auto Last = std::find_if(Text.rbegin(), Text.rend(), [](char C) {
            return static_cast<std::uint8_t>(C) < 0x80 && C != '\r';
        });
        if (Last != Text.rend()) return static_cast<std::size_t>(Text.rend() - Last);
        const auto* Begin = reinterpret_cast<const std::uint8_t*>(Text.data());
        const auto* const End = Begin + Text.size();
        // A character cut short at the end is the last unit too; an invalid byte is one.
        const auto Step = [End](const std::uint8_t* P) {
            const auto Left = static_cast<std::size_t>(End - P);
            const TChar C = DecodeUtf8(P, Left);
            if (C.Length) return C;
            return TChar{CutShort(P, Left) ? Left : 1, 0};
        };
        std::size_t Cut = 0;
        for (const auto* P = Begin; P < End;) {
            const TChar C = Step(P);
            const std::uint16_t Code = Cp932Of(C.Code);
            const auto* Next = P + C.Length;
            if (Code >= 0xA0 && Code <= 0xDF && Next < End) {
                // A mark, or what may yet become one: a character cut short at the end.
                const TChar Mark = Step(Next);
                if (Mark.Code == VoicedMark || Mark.Code == SemiVoicedMark ||
                    Next + Mark.Length == End)
                    Next += Mark.Length;
            }
            if (Next >= End) break;
            P = Next;
            Cut = static_cast<std::size_t>(P - Begin);
        }
        return Cut;
    }

    THanZen FEngine;
    TEncoding FReadAs, FTo;
    bool FSeenInput = false;
    std::uint64_t FLine = 1, FColumn = 0; // characters of the line before the current piece
    std::string FSjis, FConverted;
    std::vector<TOpaque> FOpaque;
};

} // namespace

std::unique_ptr<TTextConverter> TextConverter(const TOptions& Options, TComponent* Owner,
                                              TEncoding From, TEncoding To) {
    if (From == TEncoding::Sjis && To != TEncoding::Utf8) return ShiftJisText(Options, Owner);
    return std::make_unique<TUtf8Text>(Options, Owner, From, To);
}
