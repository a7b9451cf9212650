// UTF-8 text through the Shift-JIS engine, and Shift-JIS text written as UTF-8.
//
// A UTF-8 character whose code page 932 form decodes back to it reaches the engine as that
// form. Every other character, and every byte that is no UTF-8, passes through as read and
// ends every context: a voicing mark after it is not merged. Characters that the options
// leave alone pass through too, without a trip through the engine: only the runs of the
// others go to code page 932 and back.
#include "Cp932.h"
#include "SjisBytes.h"
#include "SjisLines.h"
#include "TextConverter.h"

#include <algorithm>
#include <cstring>
#include <mutex>
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

inline TChar DecodeUtf8(const std::uint8_t* P, std::size_t Left) {
    const std::uint8_t B = P[0];
    if (B < 0x80) return {1, B};
    const auto Continues = [P](std::size_t I) { return (P[I] & 0xC0) == 0x80; };
    if (B >= 0xC2 && B <= 0xDF) {
        if (Left < 2 || !Continues(1)) return {0, 0};
        return {2, static_cast<char32_t>((B & 0x1F) << 6 | (P[1] & 0x3F))};
    }
    if (B >= 0xE0 && B <= 0xEF) {
        if (Left < 3 || !Continues(1) || !Continues(2)) return {0, 0};
        const char32_t C = (B & 0x0F) << 12 | (P[1] & 0x3F) << 6 | (P[2] & 0x3F);
        if (C < 0x800 || (C >= 0xD800 && C <= 0xDFFF)) return {0, 0};
        return {3, C};
    }
    if (B >= 0xF0 && B <= 0xF4) {
        if (Left < 4 || !Continues(1) || !Continues(2) || !Continues(3)) return {0, 0};
        const char32_t C =
            (B & 0x07) << 18 | (P[1] & 0x3F) << 12 | (P[2] & 0x3F) << 6 | (P[3] & 0x3F);
        if (C < 0x10000 || C > 0x10FFFF) return {0, 0};
        return {4, C};
    }
    return {0, 0};
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

// The UTF-8 bytes of every code page 932 code (a single byte, or lead << 8 | trail), up
// to three, with their number in the top byte; 0 for a code without a character.
const std::uint32_t* Utf8Of() {
    static const std::vector<std::uint32_t> Table = [] {
        std::vector<std::uint32_t> T(0x10000);
        for (std::size_t Code = 0; Code < T.size(); ++Code) {
            const char32_t C = cp932::ToUnicode[Code];
            if (C == cp932::None) continue;
            if (C < 0x80)
                T[Code] = 1u << 24 | C;
            else if (C < 0x800)
                T[Code] = 2u << 24 | (0x80 | (C & 0x3F)) << 8 | (0xC0 | C >> 6);
            else
                T[Code] = 3u << 24 | (0x80 | (C & 0x3F)) << 16 | (0x80 | (C >> 6 & 0x3F)) << 8 |
                          (0xE0 | C >> 12);
        }
        return T;
    }();
    return Table.data();
}

// The end of the run of ASCII bytes other than NUL that starts at P, eight at a time.
inline const std::uint8_t* AsciiRun(const std::uint8_t* P, const std::uint8_t* End) {
    constexpr std::uint64_t High = 0x8080808080808080ull, Low = 0x0101010101010101ull;
    if (P == End || *P >= 0x80 || *P == 0) return P; // the common case in Japanese text
    while (End - P >= 8) {
        std::uint64_t V;
        std::memcpy(&V, P, 8);
        if ((V & High) != 0 || ((V - Low) & ~V & High) != 0) break; // a high bit, or a NUL
        P += 8;
    }
    while (P < End && *P < 0x80 && *P != 0) ++P;
    return P;
}

// Working storage written through a pointer, grown but never cleared: unlike a string's
// resize, making room costs nothing.
class TScratch {
public:
    char* Room(std::size_t Size) {
        if (Size > FSize) {
            FData.reset(new char[Size]); // left as it is: every byte is written before it is read
            FSize = Size;
        }
        return FData.get();
    }

private:
    std::unique_ptr<char[]> FData;
    std::size_t FSize = 0;
};

// Copies N bytes from From to W, as one move of sixteen where W has room for it and
// From has sixteen to read before Last: the runs are mostly short.
inline char* CopyRun(char* W, const char* From, std::size_t N, const char* Last) {
    if (N <= 16 && Last - From >= 16)
        std::memcpy(W, From, 16);
    else
        std::memcpy(W, From, N);
    return W + N;
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

// The characters that a set of options leaves alone wherever they stand: each converts to
// itself whatever follows it, and none is a voicing mark, which the letter before it may
// take. Characters without a code page 932 form and bytes that are no UTF-8 are left
// alone as well.
class TLeftAlone {
public:
    explicit TLeftAlone(const THanZen& H) : FChars(0x10000 / 64, ~std::uint64_t{0}) {
        std::string Out, Mark;
        const auto Converted = [&](std::string_view S) -> const std::string& {
            H.ConvertLine(S, Out);
            return Out;
        };
        // Only the characters the engine sees need asking, by their code page 932 forms.
        for (unsigned Code = 0; Code < 0x10000; ++Code) {
            const char32_t C = cp932::ToUnicode[Code];
            if (C == cp932::None || cp932::FromUnicode[C] != Code) continue;
            bool Alone;
            if (Code == '\r') {
                Alone = true; // no line holds one: the file layer ends lines there
            } else if (Code >= 0x100) {
                const char Pair[2] = {static_cast<char>(Code >> 8), static_cast<char>(Code)};
                Alone = Converted({Pair, 2}) == std::string_view(Pair, 2);
            } else {
                const char B = static_cast<char>(Code);
                Alone = !sjis::IsVoicingMark(static_cast<std::uint8_t>(B)) &&
                        Converted({&B, 1}) == std::string_view(&B, 1);
                for (const char M : {'\xDE', '\xDF'}) {
                    Mark = Converted({&M, 1});
                    const char Both[2] = {B, M};
                    Alone = Alone && Converted({Both, 2}) == B + Mark;
                }
            }
            if (!Alone) FChars[C / 64] &= ~(std::uint64_t{1} << C % 64);
        }
        FAscii = true;
        for (char32_t C = 1; C < 0x80; ++C) FAscii = FAscii && (*this)(C);
        // The first bytes of the characters that are not left alone.
        for (char32_t C = 0; C < 0x10000; ++C) {
            if ((*this)(C)) continue;
            const std::uint8_t First = C < 0x80 ? C : C < 0x800 ? 0xC0 | C >> 6 : 0xE0 | C >> 12;
            if (!FStarts[First]) FOnlyStart = FStartCount++ == 0 ? First : -1;
            FStarts[First] = true;
        }
    }
    bool operator()(char32_t C) const { return C >= 0x10000 || (FChars[C / 64] >> C % 64 & 1); }
    // Every ASCII character but NUL is left alone.
    bool Ascii() const { return FAscii; }

    // The first character at or after P that is not left alone (End when none). Bytes
    // that are no UTF-8 are left alone.
    const std::uint8_t* Skip(const std::uint8_t* P, const std::uint8_t* End) const {
        for (;;) {
            // Only a byte that starts a character not left alone stops the search; it is
            // never a continuation byte, so it starts a character wherever it stands.
            if (FOnlyStart >= 0) {
                const void* Found = std::memchr(P, FOnlyStart, static_cast<std::size_t>(End - P));
                P = Found ? static_cast<const std::uint8_t*>(Found) : End;
            } else {
                while (P < End && !FStarts[*P]) ++P;
            }
            if (P == End) return End;
            // Three bytes, the length of kana and kanji: their code point picks its bit.
            if ((*P & 0xF0) == 0xE0 && End - P >= 3 && ((P[1] ^ 0x80) | (P[2] ^ 0x80)) < 0x40 &&
                (FChars[(P[0] & 0x0F) << 6 | (P[1] & 0x3F)] >> (P[2] & 0x3F) & 1)) {
                P += 3;
                continue;
            }
            const TChar C = DecodeUtf8(P, static_cast<std::size_t>(End - P));
            if (C.Length && !(*this)(C.Code)) return P;
            P += C.Length ? C.Length : 1;
        }
    }

private:
    std::vector<std::uint64_t> FChars;
    bool FAscii;
    bool FStarts[256] = {};
    int FStartCount = 0, FOnlyStart = -1; // the one such first byte, when there is one
};

// The characters left alone under H's options, made once per set of options for the
// whole process.
std::shared_ptr<const TLeftAlone> LeftAloneFor(const THanZen& H) {
    static std::mutex Lock;
    static std::vector<std::pair<TOptions, std::shared_ptr<const TLeftAlone>>> Made;
    std::lock_guard<std::mutex> Guard(Lock);
    for (const auto& [Options, LeftAlone] : Made)
        if (Options == H.Options()) return LeftAlone;
    if (Made.size() >= 64) Made.clear(); // those in use live on with their converters
    return Made.emplace_back(H.Options(), std::make_shared<const TLeftAlone>(H)).second;
}

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
            if (Writes() == TEncoding::Sjis)
                ConvertUtf8ToSjis(Text, Out);
            else
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
        if (Writes() != TEncoding::Utf8) return AppendConverted(FEngine, Text, FSjis, Out);
        const auto* P = reinterpret_cast<const std::uint8_t*>(Text.data());
        for (std::size_t I = 0; I < Text.size();) {
            const bool Pair = sjis::IsLeadByte(P[I]) && I + 1 < Text.size();
            const unsigned Code = Pair ? P[I] << 8 | P[I + 1] : P[I];
            if (cp932::ToUnicode[Code] == cp932::None) Fail(Text, I, Pair ? 2 : 1, false);
            I += Pair ? 2 : 1;
        }
        FConverted.clear();
        AppendConverted(FEngine, Text, FSjis, FConverted);
        ToUtf8(FConverted, Out);
    }

    // UTF-8 in, every character through the engine as code page 932, out as Shift-JIS.
    void ConvertUtf8ToSjis(std::string_view Text, std::string& Out) {
        FSjis.clear();
        AppendCp932(Text, Text);
        FEngine.ConvertLine(FSjis, FConverted);
        Out += FConverted;
    }

    // UTF-8 in and out: the characters left alone are copied as read; each run of the
    // others goes through the engine as code page 932 and back.
    void ConvertUtf8(std::string_view Text, std::string& Out) {
        if (!FLeftAlone) FLeftAlone = LeftAloneFor(FEngine);
        const TLeftAlone& LeftAlone = *FLeftAlone;
        const auto* const Begin = reinterpret_cast<const std::uint8_t*>(Text.data());
        const auto* const End = Begin + Text.size();
        // The runs of characters that are not left alone, in code page 932 one after
        // another, each ended by a NUL (which none of them holds) for one trip through
        // the engine.
        FRuns.clear();
        // A run is never longer than its UTF-8, with its NUL.
        char* const Sjis = FSjisRoom.Room(Text.size() + 1);
        char* W = Sjis;
        for (const auto* P = LeftAlone.Skip(Begin, End); P < End; P = LeftAlone.Skip(P, End)) {
            const auto* Run = P;
            // Every character not left alone has a code page 932 form.
            for (TChar C; P < End && (C = DecodeUtf8(P, static_cast<std::size_t>(End - P))).Length &&
                          !LeftAlone(C.Code);
                 P += C.Length) {
                const std::uint16_t Code = cp932::FromUnicode[C.Code];
                if (Code >= 0x100) *W++ = static_cast<char>(Code >> 8);
                *W++ = static_cast<char>(Code);
            }
            FRuns.push_back({static_cast<std::size_t>(Run - Begin), static_cast<std::size_t>(P - Begin)});
            *W++ = '\0';
        }
        if (FRuns.empty()) {
            Out += Text;
            return;
        }
        FEngine.ConvertLine({Sjis, static_cast<std::size_t>(W - Sjis)}, FConverted);
        // The text as read around the runs, each run as the engine gave it back, in UTF-8:
        // at most three bytes for each of its bytes, and room to copy sixteen at a time.
        char* const Done = FOutRoom.Room(Text.size() + 3 * FConverted.size() + 16);
        W = Done;
        const char* Converted = FConverted.data();
        std::size_t Copied = 0;
        for (const auto& [RunBegin, RunEnd] : FRuns) {
            W = CopyRun(W, Text.data() + Copied, RunBegin - Copied, Text.data() + Text.size());
            const std::size_t Length = std::strlen(Converted);
            W = ToUtf8({Converted, Length}, W);
            Converted += Length + 1;
            Copied = RunEnd;
        }
        W = CopyRun(W, Text.data() + Copied, Text.size() - Copied, Text.data() + Text.size());
        Out.append(Done, static_cast<std::size_t>(W - Done));
    }

    // Appends the code page 932 form of UTF-8 text, a part of Line, to FSjis; a character
    // without one fails.
    void AppendCp932(std::string_view Utf8, std::string_view Line) {
        const std::size_t Start = FSjis.size();
        FSjis.resize(Start + Utf8.size()); // never longer than the UTF-8 it comes from
        char* W = FSjis.data() + Start;
        const auto* P = reinterpret_cast<const std::uint8_t*>(Utf8.data());
        const auto* const End = P + Utf8.size();
        while (P < End) {
            const auto* Q = AsciiRun(P, End);
            std::memcpy(W, P, static_cast<std::size_t>(Q - P));
            W += Q - P;
            if ((P = Q) == End) break;
            const TChar C = DecodeUtf8(P, static_cast<std::size_t>(End - P));
            const std::uint16_t Code = *P == 0 ? 0 : C.Length ? Cp932Of(C.Code) : cp932::None;
            if (Code == cp932::None)
                Fail(Line, static_cast<std::size_t>(reinterpret_cast<const char*>(P) - Line.data()),
                     C.Length ? C.Length : 1, true);
            if (Code >= 0x100) *W++ = static_cast<char>(Code >> 8);
            *W++ = static_cast<char>(Code);
            P += C.Length;
        }
        FSjis.resize(static_cast<std::size_t>(W - FSjis.data()));
    }

    // Writes code page 932 text as UTF-8 at W, which has room for three bytes for each
    // of its bytes and four more; returns the end.
    static char* ToUtf8(std::string_view Sjis, char* W) {
        const std::uint32_t* Utf8 = Utf8Of();
        const auto* P = reinterpret_cast<const std::uint8_t*>(Sjis.data());
        const auto* const End = P + Sjis.size();
        while (P < End) {
            const auto* Q = AsciiRun(P, End);
            std::memcpy(W, P, static_cast<std::size_t>(Q - P));
            W += Q - P;
            if ((P = Q) == End) break;
            const bool Pair = sjis::IsLeadByte(*P) && P + 1 < End;
            const std::uint32_t Bytes = Utf8[Pair ? P[0] << 8 | P[1] : P[0]];
            if (Bytes == 0) throw std::logic_error("the engine wrote no code page 932");
            std::memcpy(W, &Bytes, 4); // keeps the first Bytes >> 24 of them
            W += Bytes >> 24;
            P += Pair ? 2 : 1;
        }
        return W;
    }

    // Appends code page 932 text as UTF-8.
    void ToUtf8(std::string_view Sjis, std::string& Out) {
        char* const Done = FOutRoom.Room(3 * Sjis.size() + 4);
        Out.append(Done, static_cast<std::size_t>(ToUtf8(Sjis, Done) - Done));
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

    // Where a UTF-8 line may be cut: after its last ASCII byte, which ends its character
    // and never joins the next (a CR never reaches the engine in UTF-8 text); without
    // one, before the last whole unit of the engine (a character, or a kana-area letter
    // and the voicing mark after it).
    static std::size_t Utf8Cut(std::string_view Text) {
        const auto Last = std::find_if(Text.rbegin(), Text.rend(),
                                       [](char C) { return static_cast<std::uint8_t>(C) < 0x80; });
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
    TScratch FSjisRoom, FOutRoom;
    std::shared_ptr<const TLeftAlone> FLeftAlone; // taken when first needed
    std::vector<std::pair<std::size_t, std::size_t>> FRuns;
};

} // namespace

std::unique_ptr<TTextConverter> TextConverter(const TOptions& Options, TComponent* Owner,
                                              TEncoding From, TEncoding To) {
    if (From == TEncoding::Sjis && To != TEncoding::Utf8) return ShiftJisText(Options, Owner);
    return std::make_unique<TUtf8Text>(Options, Owner, From, To);
}
