// The encoding judge: its evidence against texts built from known characters, its verdict on
// the texts that decide between UTF-8 and Shift-JIS at many sizes and places, and every
// vector level against the reference on random texts, whole and cut anywhere.
#include "Detect.h"
#include "EngineLevels.h"
#include "SampleText.h"
#include "Sjis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>

using namespace kana::detail;

namespace {

const char* Name(TJudgedEncoding E) {
    return E == TJudgedEncoding::Ascii  ? "ASCII"
           : E == TJudgedEncoding::Utf8 ? "UTF-8"
                                        : "Shift-JIS";
}

} // namespace

void PrintTo(const TJudgement& J, std::ostream* Out) {
    const TEvidence& E = J.Evidence;
    *Out << Name(J.Encoding) << " (changed at line " << J.ChangedAtLine
         << "); UTF-8: " << E.Utf8Invalid << " invalid (first at offset " << E.FirstInvalid.Offset
         << ", line " << E.FirstInvalid.Line << ", column " << E.FirstInvalid.Column << "), "
         << E.Utf8ThreeByte << " three-byte, " << E.Utf8FourByte << " four-byte, " << E.Utf8InWord
         << " in words, " << E.Utf8Alone << " alone, " << E.Utf8TwoByte
         << " other two-byte; Shift-JIS: " << E.SjisInvalid << " invalid, " << E.SjisCommon
         << " common, " << E.SjisRare << " rare, " << E.SjisUnassigned << " unassigned, "
         << E.SjisHalfWidth << " half-width" << (E.NonAscii ? "" : "; ASCII")
         << (E.ByteOrderMark ? "; byte-order mark" : "");
}

namespace {

TJudgement Judge(TEngineLevel Level, std::string_view Text) {
    TEncodingJudge J(Level);
    J.See(Text);
    J.Finish();
    return J.Judgement();
}

std::string Utf8Of(char32_t C) {
    std::string S;
    if (C < 0x80) {
        S += static_cast<char>(C);
    } else if (C < 0x800) {
        S += static_cast<char>(0xC0 | C >> 6);
        S += static_cast<char>(0x80 | (C & 0x3F));
    } else if (C < 0x10000) {
        S += static_cast<char>(0xE0 | C >> 12);
        S += static_cast<char>(0x80 | (C >> 6 & 0x3F));
        S += static_cast<char>(0x80 | (C & 0x3F));
    } else {
        S += static_cast<char>(0xF0 | C >> 18);
        S += static_cast<char>(0x80 | (C >> 12 & 0x3F));
        S += static_cast<char>(0x80 | (C >> 6 & 0x3F));
        S += static_cast<char>(0x80 | (C & 0x3F));
    }
    return S;
}

// Malformed UTF-8 and the number of replacement characters a decoder gives it (Unicode's
// maximal subparts, as Python's decoder counts them).
struct TMalformed {
    std::string Bytes;
    std::uint64_t Invalid;
};
const TMalformed Malformed[] = {
    {"\x80", 1},
    {"\xBF", 1},
    {"\xC0\xAF", 2},
    {"\xC1\xBF", 2},
    {"\xC3", 1},
    {"\xE3\x81", 1},
    {"\xF0\x9F\x98", 1},
    {"\xE0\x80\x80", 3},
    {"\xE0\x9F\xBF", 3},
    {"\xED\xA0\x80", 3},
    {"\xF0\x80\x80\x80", 4},
    {"\xF4\x90\x80\x80", 4},
    {"\xF5", 1},
    {"\xFF", 1},
    {"\xF8\x88\x80\x80\x80", 5},
};

// Random pieces of text: ASCII, UTF-8 characters of every length, malformed UTF-8, and
// Shift-JIS characters, made from a seed.
class TPieces {
public:
    explicit TPieces(std::uint32_t Seed) : R(Seed) {}

    std::uint32_t Below(std::uint32_t N) { return R() % N; }

    std::string Ascii() {
        // The bounds of the letters (@ A Z [ ` a z {) and of Shift-JIS second bytes (? @ ~ DEL).
        static const char* const Words[] = {"a", "the ", "caf",   "x",  " ",    "  ",  "42", "\t",
                                            ".", "-",    "Hello", "\n", "\r\n", "\r",  "@",  "[",
                                            "`", "{",    "Zz",    "A",  "?~",   "\x7F"};
        return Words[Below(std::size(Words))];
    }
    // A two-byte character, often in the range Shift-JIS also reads as half-width katakana.
    char32_t TwoByte() {
        return Below(2) ? 0xC0 + Below(0x370 - 0xC0) : 0x80 + Below(0x800 - 0x80);
    }
    // A three-byte character, often kana or kanji.
    char32_t ThreeByte() {
        switch (Below(4)) {
        case 0: return 0x3041 + Below(0x30FF - 0x3041);
        case 1: return 0x4E00 + Below(0x9FFF - 0x4E00);
        case 2: return 0xFF61 + Below(0xFF9F - 0xFF61);
        default: {
            const char32_t C = 0x800 + Below(0x10000 - 0x800);
            return C >= 0xD800 && C <= 0xDFFF ? C - 0x800 : C;
        }
        }
    }
    char32_t FourByte() { return 0x10000 + Below(0x110000 - 0x10000); }
    // A Shift-JIS double-byte character of any lead and second byte.
    std::string SjisPair() {
        const std::uint8_t Lead = Below(2) ? 0x81 + Below(0x1F) : 0xE0 + Below(0x1D);
        const std::uint8_t Trail = Below(3) ? 0x80 + Below(0x7D) : 0x40 + Below(0x3F);
        return {static_cast<char>(Lead), static_cast<char>(Trail)};
    }
    std::string SjisHalfWidth() { return std::string(1, static_cast<char>(0xA1 + Below(0x3F))); }
    std::string AnyBytes() {
        std::string S;
        for (std::uint32_t I = Below(4) + 1; I > 0; --I) S += static_cast<char>(0x80 + Below(0x80));
        return S;
    }

    // A text of about Size bytes, each piece chosen by weights drawn for the text, so that
    // some texts lean to either side and some stay near the middle for long.
    std::string Text(std::size_t Size) {
        std::uint32_t Weights[8];
        for (auto& W : Weights) W = Below(4) ? Below(10) : 0;
        Weights[0] += 1;
        std::uint32_t Total = 0;
        for (auto W : Weights) Total += W;
        std::string S = Below(10) == 0 ? "\xEF\xBB\xBF" : "";
        while (S.size() < Size) {
            std::uint32_t Pick = Below(Total), Kind = 0;
            while (Pick >= Weights[Kind]) Pick -= Weights[Kind++];
            switch (Kind) {
            case 0: S += Ascii(); break;
            case 1: S += Utf8Of(TwoByte()); break;
            case 2: S += Utf8Of(ThreeByte()); break;
            case 3: S += Utf8Of(FourByte()); break;
            case 4: S += Malformed[Below(std::size(Malformed))].Bytes; break;
            case 5: S += SjisPair(); break;
            case 6: S += SjisHalfWidth(); break;
            default: S += Below(8) ? AnyBytes() : std::string(1, '\0'); break;
            }
        }
        return S;
    }

private:
    std::mt19937 R;
};

// The text cut at random places, often into small blocks and blocks of one byte.
std::vector<std::string_view> Cut(std::string_view Text, TPieces& Random) {
    std::vector<std::string_view> Blocks;
    const std::uint32_t Largest = Random.Below(3) == 0 ? 4 : Random.Below(2) ? 80 : 500;
    for (std::size_t At = 0; At < Text.size();) {
        const std::size_t Size = std::min<std::size_t>(Random.Below(Largest + 1), Text.size() - At);
        Blocks.push_back(Text.substr(At, Size));
        At += Size;
    }
    return Blocks;
}

// UTF-8 text of known characters, each apart (between spaces): every count of the UTF-8
// reading is known, and the Shift-JIS reading of Shift-JIS characters likewise.
TEST(Detect, EvidenceCountsWhatTheTextHolds) {
    TPieces Random(7);
    for (int Round = 0; Round < 300; ++Round) {
        std::string Utf8, Sjis;
        TEvidence Want8, WantSjis;
        for (std::uint32_t N = Random.Below(200); N > 0; --N) {
            switch (Random.Below(5)) {
            case 0: {
                const char32_t C = Random.TwoByte();
                // Alone: a letter or mark of U+00C0..U+036F (but ÷) whose second byte is
                // A1..BF, which Shift-JIS reads as a half-width katakana.
                const bool Alone = C >= 0xC0 && C <= 0x36F && C != 0xF7 && (C & 0x3F) >= 0x21;
                ++(Alone ? Want8.Utf8Alone : Want8.Utf8TwoByte);
                Utf8 += Utf8Of(C);
                break;
            }
            case 1:
                ++Want8.Utf8ThreeByte;
                Utf8 += Utf8Of(Random.ThreeByte());
                break;
            case 2:
                ++Want8.Utf8FourByte;
                Utf8 += Utf8Of(Random.FourByte());
                break;
            default: {
                const TMalformed& M = Malformed[Random.Below(std::size(Malformed))];
                Want8.Utf8Invalid += M.Invalid;
                Utf8 += M.Bytes;
                break;
            }
            }
            Utf8 += Random.Below(10) ? " " : "\n";
            switch (Random.Below(4)) {
            case 0: {
                const std::string P = Random.SjisPair();
                const auto Lead = static_cast<std::uint8_t>(P[0]);
                if ((Lead >= 0x81 && Lead <= 0x84) || (Lead >= 0x88 && Lead <= 0x9F))
                    ++WantSjis.SjisCommon;
                else if (Lead == 0x85 || Lead == 0x86 || Lead == 0xEB || Lead == 0xEC ||
                         Lead == 0xEF || (Lead >= 0xF0 && Lead <= 0xF9))
                    ++WantSjis.SjisUnassigned;
                else
                    ++WantSjis.SjisRare;
                Sjis += P;
                break;
            }
            case 1:
                ++WantSjis.SjisHalfWidth;
                Sjis += Random.SjisHalfWidth();
                break;
            case 2: { // a lead byte with no second byte, or a byte no character has
                static const char Alone[] = {'\x81', '\xE0', '\xFC', '\x80',
                                             '\xA0', '\xFD', '\xFF'};
                ++WantSjis.SjisInvalid;
                Sjis += Alone[Random.Below(std::size(Alone))];
                break;
            }
            default: Sjis += "ab"; break;
            }
            Sjis += Random.Below(10) ? " " : "\r\n";
        }
        for (const TEngineLevel Level : EngineLevelsAvailable()) {
            const TEvidence Got8 = Judge(Level, Utf8).Evidence,
                            GotSjis = Judge(Level, Sjis).Evidence;
            EXPECT_EQ(Got8.Utf8Invalid, Want8.Utf8Invalid) << Round << " " << Hex(Utf8);
            EXPECT_EQ(Got8.Utf8ThreeByte, Want8.Utf8ThreeByte) << Round;
            EXPECT_EQ(Got8.Utf8FourByte, Want8.Utf8FourByte) << Round;
            EXPECT_EQ(Got8.Utf8InWord, 0u) << Round;
            EXPECT_EQ(Got8.Utf8Alone, Want8.Utf8Alone) << Round << " " << Hex(Utf8);
            EXPECT_EQ(Got8.Utf8TwoByte, Want8.Utf8TwoByte) << Round;
            EXPECT_EQ(GotSjis.SjisInvalid, WantSjis.SjisInvalid) << Round << " " << Hex(Sjis);
            EXPECT_EQ(GotSjis.SjisCommon, WantSjis.SjisCommon) << Round;
            EXPECT_EQ(GotSjis.SjisRare, WantSjis.SjisRare) << Round;
            EXPECT_EQ(GotSjis.SjisUnassigned, WantSjis.SjisUnassigned) << Round;
            EXPECT_EQ(GotSjis.SjisHalfWidth, WantSjis.SjisHalfWidth) << Round;
            if (HasFailure()) return;
        }
    }
}

// One malformed sequence in valid UTF-8 lines (every line end, characters of every
// length): the evidence names its offset, line and column, and counts it alone.
TEST(Detect, FirstInvalidSequenceIsWhereItStarts) {
    TPieces Random(3);
    for (int Round = 0; Round < 400; ++Round) {
        std::string Text;
        TTextPlace Want;
        std::uint64_t Line = 1, Column = 0;
        const std::uint32_t Characters = Random.Below(Random.Below(4) ? 300 : 5000);
        const std::uint32_t Bad = Random.Below(Characters + 1);
        const TMalformed& M = Malformed[Random.Below(std::size(Malformed))];
        for (std::uint32_t I = 0; I <= Characters; ++I) {
            if (I == Bad) {
                Want = {Text.size(), Line, Column + 1};
                Text += M.Bytes;
                Column += M.Invalid;
            }
            const std::uint32_t Kind = Random.Below(10);
            if (Kind < 3) {
                // (a lone CR before LF would make one line end of two)
                static const char* const Ends[] = {"\r\n", "\r", "\n"};
                Text += Ends[Random.Below(Text.ends_with('\r') ? 2 : 3)];
                ++Line;
                Column = 0;
            } else {
                Text += Kind < 6   ? Utf8Of(' ' + Random.Below(0x5F))
                        : Kind < 8 ? Utf8Of(Random.ThreeByte())
                        : Kind < 9 ? Utf8Of(Random.TwoByte())
                                   : Utf8Of(Random.FourByte());
                ++Column;
            }
        }
        for (const TEngineLevel Level : EngineLevelsAvailable()) {
            const TEvidence E = Judge(Level, Text).Evidence;
            ASSERT_EQ(E.Utf8Invalid, M.Invalid) << EngineLevelName(Level) << " " << Round;
            ASSERT_EQ(E.FirstInvalid, Want)
                << EngineLevelName(Level) << " " << Round << ": offset " << E.FirstInvalid.Offset
                << " line " << E.FirstInvalid.Line << " column " << E.FirstInvalid.Column
                << ", wanted " << Want.Offset << " " << Want.Line << " " << Want.Column;
        }
    }
}

// Fed one byte at a time, the reference's verdict changes exactly where ChangedAtLine says,
// the line counted here by LF, CR LF and a lone CR.
TEST(Detect, ChangedAtLineIsTheLineOfTheChange) {
    TPieces Random(5);
    for (int Round = 0; Round < 300; ++Round) {
        const std::string Text = Random.Text(Random.Below(2000));
        TEncodingJudge J(TEngineLevel::Scalar);
        TJudgedEncoding Was = TJudgedEncoding::Ascii;
        std::uint64_t Line = 1, ChangedAt = 0;
        for (std::size_t I = 0; I < Text.size(); ++I) {
            J.See(Text.substr(I, 1));
            if (J.Encoding() != Was) ChangedAt = Line;
            Was = J.Encoding();
            ASSERT_EQ(J.ChangedAtLine(), ChangedAt) << Round << " at " << I;
            if (Text[I] == '\r' || (Text[I] == '\n' && (I == 0 || Text[I - 1] != '\r'))) ++Line;
        }
        J.Finish();
        if (J.Encoding() != Was) ChangedAt = Line;
        ASSERT_EQ(J.ChangedAtLine(), ChangedAt) << Round;
        ASSERT_EQ(J.Encoding(), J.Evidence().Encoding()) << Round; // the margin kept right
    }
}

// Every vector level gives the reference's whole judgement, whole and fed in blocks cut
// anywhere; so does the reference fed in blocks.
TEST(Detect, EveryLevelAndEveryCutAgreesWithTheReference) {
    TPieces Random(11);
    for (int Round = 0; Round < 3000; ++Round) {
        const std::size_t Size =
            Random.Below(10) == 0 ? Random.Below(40000) : Random.Below(Random.Below(2) ? 40 : 600);
        const std::string Text = Random.Text(Size);
        const TJudgement Want = Judge(TEngineLevel::Scalar, Text);
        ASSERT_EQ(Want.Encoding, Want.Evidence.Encoding()) << Round;
        for (const TEngineLevel Level : EngineLevelsAvailable()) {
            ASSERT_EQ(Judge(Level, Text), Want) << EngineLevelName(Level) << " " << Round;
            TEncodingJudge J(Level);
            for (const std::string_view Block : Cut(Text, Random)) J.See(Block);
            J.Finish();
            ASSERT_EQ(J.Judgement(), Want) << EngineLevelName(Level) << " in blocks " << Round;
        }
    }
}

// Lines of the benchmarks' sample texts, in Shift-JIS and in UTF-8 (through iconv).
std::string SampleText(bool HalfWidth, std::size_t Bytes, bool AsUtf8) {
    std::string Text;
    for (const std::string& Line : HalfWidth ? HalfWidthLines(400, 60) : SampleLines(400, 60)) {
        Text += AsUtf8 ? Utf8(Line) : Line;
        Text += '\n';
        if (Text.size() >= Bytes) break;
    }
    while (Text.size() < Bytes) Text += Text;
    return Text.substr(0, Text.rfind('\n', Bytes) + 1);
}

struct TCase {
    const char* What;
    std::string Text;
    TJudgedEncoding Want;
    bool OnlyAtStart = false; // a byte-order mark
};

// The texts that decide, alone, after and before lines of ASCII of many sizes (across the
// vector steps and blocks), at every level.
TEST(Detect, DecidingTextsAtEverySizeAndPlace) {
    using enum TJudgedEncoding;
    const TCase Cases[] = {
        {"ASCII alone", "Hello 123\n\ta b c\r\n", Ascii},
        {"UTF-8 kana", "あ\n", Utf8},
        {"UTF-8 kana and a stray byte", "カタカナのテキスト\ncaf\xE9\n", Utf8},
        {"a stray byte before UTF-8 kana", "caf\xE9\nカタカナのテキスト\n", Utf8},
        {"a letter in a word", "café\n", Utf8},
        {"letters in words", "naïve Müller\n", Utf8},
        {"a copyright sign apart", "Copyright © 2026\n", Utf8},
        {"a byte-order mark before Shift-JIS", "\xEF\xBB\xBF" + "テストの文字列です"_sjis, Utf8,
         true},
        {"UTF-8 half-width katakana", "ｶﾞｰﾙ ガール\n", Utf8},
        {"Shift-JIS half-width katakana that is valid UTF-8", "\xCA\xB2\x20\xC3\xBD", Sjis},
        {"... on a line of its own", "\xCA\xB2\x20\xC3\xBD\n", Sjis},
        {"Shift-JIS katakana", "テスト\n"_sjis, Sjis},
        {"one Shift-JIS character among ASCII", "ab" + "ソ"_sjis + "cd\n", Sjis},
        {"Shift-JIS half-width katakana", "ｱｲｳｴｵ ﾃｽﾄ\n"_sjis, Sjis},
        {"Shift-JIS kanji and kana", "漢字とかなの文\n"_sjis, Sjis},
        {"Shift-JIS sample text", SampleText(false, 3000, false), Sjis},
        {"Shift-JIS half-width sample text", SampleText(true, 3000, false), Sjis},
        {"UTF-8 sample text", SampleText(false, 3000, true), Utf8},
        {"UTF-8 half-width sample text", SampleText(true, 3000, true), Utf8},
    };
    for (const TCase& C : Cases) {
        for (const std::size_t Before : {0, 1, 63, 64, 65, 4099, 300000}) {
            for (const std::size_t After : {0, 1, 64, 70000}) {
                if (C.OnlyAtStart && Before) continue;
                std::string Text;
                while (Text.size() < Before) Text += std::string(69, 'x') + '\n';
                Text = Text.substr(Text.size() - Before) + C.Text;
                if (After) Text += '\n';
                while (Text.size() < Before + C.Text.size() + After) Text += "ASCII after it.\n";
                for (const TEngineLevel Level : EngineLevelsAvailable())
                    ASSERT_EQ(Name(Judge(Level, Text).Encoding), Name(C.Want))
                        << C.What << ", " << Before << " bytes before, " << After << " after, "
                        << EngineLevelName(Level);
            }
        }
    }
}

// One stray byte at the start, in the middle and at the end of 1 MB of UTF-8 Japanese:
// UTF-8, with the byte counted and found; the same text in Shift-JIS stays Shift-JIS.
TEST(Detect, StrayByteAnywhereInLargeText) {
    const std::string Utf8Text = SampleText(false, 1 << 20, true);
    const std::string SjisText = SampleText(false, 1 << 20, false);
    const std::size_t Middle = Utf8Text.find('\n', Utf8Text.size() / 2) + 1;
    for (const TEngineLevel Level : EngineLevelsAvailable()) {
        for (const std::size_t At : {std::size_t{0}, Middle, Utf8Text.size()}) {
            const auto Line = static_cast<std::uint64_t>(std::count(
                Utf8Text.begin(), Utf8Text.begin() + static_cast<std::ptrdiff_t>(At), '\n'));
            for (const std::string_view Stray : {"\xE9", "\xFF", "caf\xE9\n"}) {
                const std::string Text =
                    Utf8Text.substr(0, At) + std::string(Stray) + Utf8Text.substr(At);
                const TJudgement J = Judge(Level, Text);
                ASSERT_EQ(Name(J.Encoding), Name(TJudgedEncoding::Utf8)) << At;
                ASSERT_EQ(J.Evidence.Utf8Invalid, 1u);
                ASSERT_EQ(J.Evidence.FirstInvalid.Line, Line + 1);
                ASSERT_EQ(J.Evidence.FirstInvalid.Offset, At + Stray.find_first_of("\xE9\xFF"));
            }
            std::string Sjis = SjisText;
            Sjis.insert(At * SjisText.size() / Utf8Text.size(), "caf\xE9\n");
            ASSERT_EQ(Name(Judge(Level, Sjis).Encoding), Name(TJudgedEncoding::Sjis)) << At;
        }
    }
}

// Japanese in UTF-8 with a stray byte after every third character, as the documentation
// promises, stays UTF-8: whether the stray byte is also a Shift-JIS lead byte (E9) or
// invalid either way (FF).
TEST(Detect, JapaneseKeepsUtf8WithAStrayByteInEveryThreeCharacters) {
    std::string Japanese = SampleText(false, 60000, true);
    std::erase_if(Japanese, [](char C) { return C != '\n' && !(C & 0x80); });
    for (const char Stray : {'\xE9', '\xFF'}) {
        std::string Text;
        int Characters = 0;
        for (std::size_t I = 0; I < Japanese.size(); ++I) {
            Text += Japanese[I];
            const bool Ends = I + 1 == Japanese.size() || (Japanese[I + 1] & 0xC0) != 0x80;
            if (Ends && Japanese[I] != '\n' && ++Characters % 3 == 0) Text += Stray;
        }
        for (const TEngineLevel Level : EngineLevelsAvailable()) {
            const TJudgement J = Judge(Level, Text);
            EXPECT_EQ(Name(J.Encoding), Name(TJudgedEncoding::Utf8)) << EngineLevelName(Level);
            EXPECT_EQ(J.Evidence.Utf8Invalid, static_cast<std::uint64_t>(Characters / 3));
        }
    }
}

// A text that turns from UTF-8 into Shift-JIS, read as a pipe would: the verdict changes at
// the Shift-JIS line where the evidence tips, and the judge says which line that is.
TEST(Detect, MixedTextChangesAtTheLineWhereItTips) {
    const std::string Utf8Lines = SampleText(false, 2000, true);
    const std::string SjisLines = SampleText(false, 20000, false);
    const std::string Text = Utf8Lines + SjisLines;
    const std::uint64_t Utf8LineCount =
        static_cast<std::uint64_t>(std::count(Utf8Lines.begin(), Utf8Lines.end(), '\n'));
    for (const TEngineLevel Level : EngineLevelsAvailable()) {
        TEncodingJudge J(Level);
        J.See(Utf8Lines);
        ASSERT_EQ(Name(J.Encoding()), Name(TJudgedEncoding::Utf8));
        // Line by line: the last line after which the verdict differs from the line
        // before is the line the judge names.
        std::uint64_t Line = Utf8LineCount, Changed = 0;
        TJudgedEncoding Was = J.Encoding();
        for (std::size_t At = 0; At < SjisLines.size();) {
            const std::size_t End = SjisLines.find('\n', At) + 1;
            J.See(SjisLines.substr(At, End - At));
            ++Line;
            if (J.Encoding() != Was) Changed = Line;
            Was = J.Encoding();
            At = End;
        }
        J.Finish();
        ASSERT_EQ(Name(J.Encoding()), Name(TJudgedEncoding::Sjis));
        EXPECT_GT(Changed, Utf8LineCount + 1);
        EXPECT_EQ(J.ChangedAtLine(), Changed) << EngineLevelName(Level);
    }
}

} // namespace
