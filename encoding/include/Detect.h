// The encoding of a text judged from its bytes: ASCII alone, UTF-8 or Shift-JIS (code page
// 932). The judge reads the text both ways and scores each reading by what it finds; the
// reading with the higher score wins, UTF-8 on a tie.
//
// Read as UTF-8 (the weights in judge::, below):
//   +4  each character of three or four bytes;
//   +5  each two-byte character beside an ASCII letter (café, naïve, Müller);
//    0  each two-byte character standing apart from ASCII letters that is a Latin or IPA
//       letter, a modifier letter or a combining mark (U+00C0..U+036F but ÷) and whose
//       two bytes Shift-JIS reads as two half-width katakana: ﾊｲ ﾃｽ (CA B2 20 C3 BD) is
//       also ʲ ý, and the Shift-JIS reading scores it higher;
//   +3  each other two-byte character (©, °, Greek, Cyrillic, É);
//   -4  each invalid sequence: a byte that starts no character, or the longest start of a
//       character that does not complete (as many as a decoder would give U+FFFD for).
// Read as Shift-JIS:
//   +2  each double-byte character whose first byte is 0x81..0x84 or 0x88..0x9F (symbols,
//       full-width letters, kana, the first level of kanji);
//   +1  each one whose first byte is 0x87, 0xE0..0xEA, 0xED, 0xEE or 0xFA..0xFC (the second
//       level of kanji and the extensions);
//   -1  each one in the rows code page 932 leaves empty or to users (0x85, 0x86, 0xEB,
//       0xEC, 0xEF, 0xF0..0xF9);
//   +1  each half-width katakana (0xA1..0xDF);
//   -4  each invalid byte: 0x80, 0xA0, 0xFD..0xFF, a lead byte without a second byte.
// A text that starts with a UTF-8 byte-order mark is UTF-8; a text without a byte above
// 0x7F is ASCII, the same in both.
//
// So Japanese in UTF-8 scores 4 a character against about 2 for the same bytes read as
// Shift-JIS (second-level kanji and half-width katakana, with the odd invalid byte). A
// stray byte costs the UTF-8 reading 4 and may give the Shift-JIS reading a pair: Japanese
// in UTF-8 stays UTF-8 with a stray byte as often as every third character (in the lines
// of the edict dictionary, mostly ASCII, as often as every twelfth character). Japanese in
// Shift-JIS scores 2 a character against about -4 read as UTF-8, where nearly every first
// byte is invalid. The invalid sequences of a text judged UTF-8 pass through as they are;
// the evidence tells how many there are and where the first one starts.
//
// Every event counts at the byte where it becomes known (a character at its last byte, a
// two-byte character at the byte after it, which tells whether an ASCII letter follows;
// a sequence cut short at the byte that cuts it), and the end of the text counts as a NUL
// byte after the last. The verdict after each byte is what the evidence up to it gives,
// so it never depends on how the text is cut into blocks.
#pragma once

#include <cstdint>
#include <string_view>

namespace kana::detail {
enum class TEngineLevel : std::uint8_t;
}

enum class TJudgedEncoding : std::uint8_t {
    Ascii, // no byte above 0x7F: either encoding reads it the same
    Utf8,
    Sjis, // Shift-JIS, code page 932
};

// The weights of the judge's evidence, as documented above.
namespace judge {
constexpr int ThreeByte = 4, FourByte = 4, TwoByteInWord = 5, TwoByteAlone = 0, TwoByteOther = 3,
              Utf8Invalid = -4;
constexpr int SjisCommon = 2, SjisRare = 1, SjisUnassigned = -1, SjisHalfWidth = 1,
              SjisInvalid = -4;
} // namespace judge

// A place in a text: the byte offset from 0, the line and the column from 1. Lines end at
// LF, CR LF or a lone CR; columns count characters, an invalid sequence as one.
struct TTextPlace {
    std::uint64_t Offset = 0, Line = 0, Column = 0;
    friend bool operator==(const TTextPlace&, const TTextPlace&) = default;
};

// What the judge found, reading the text both ways.
struct TEvidence {
    // Read as UTF-8.
    std::uint64_t Utf8Invalid = 0;   // invalid sequences
    std::uint64_t Utf8ThreeByte = 0; // three-byte characters
    std::uint64_t Utf8FourByte = 0;  // four-byte characters
    std::uint64_t Utf8InWord = 0;    // two-byte characters beside an ASCII letter
    std::uint64_t Utf8Alone = 0;     // two-byte letters apart that are half-width katakana too
    std::uint64_t Utf8TwoByte = 0;   // the other two-byte characters
    TTextPlace FirstInvalid;         // where the first invalid sequence starts, if any

    // Read as Shift-JIS.
    std::uint64_t SjisInvalid = 0;    // invalid bytes and lead bytes without a second byte
    std::uint64_t SjisCommon = 0;     // double-byte characters by their first byte, as above
    std::uint64_t SjisRare = 0;       //
    std::uint64_t SjisUnassigned = 0; //
    std::uint64_t SjisHalfWidth = 0;  // half-width katakana

    bool NonAscii = false;      // a byte above 0x7F
    bool ByteOrderMark = false; // the text starts with EF BB BF

    std::int64_t Utf8Score() const;
    std::int64_t SjisScore() const;
    TJudgedEncoding Encoding() const;

    friend bool operator==(const TEvidence&, const TEvidence&) = default;
};

struct TJudgement {
    TJudgedEncoding Encoding = TJudgedEncoding::Ascii;
    // The line of the byte after which Encoding last changed (from Ascii at the first byte
    // above 0x7F, then between UTF-8 and Shift-JIS); 0 while it is Ascii.
    std::uint64_t ChangedAtLine = 0;
    TEvidence Evidence;

    friend bool operator==(const TJudgement&, const TJudgement&) = default;
};

namespace judge::detail {

// What the judge carries from one block to the next: the evidence, the place, and the
// last bytes' classes that an event at the next bytes depends on. Opaque to callers.
struct TState {
    TJudgement Judgement;
    std::int64_t Margin = 0;    // Utf8Score() - SjisScore()
    std::uint64_t Offset = 0;   // bytes seen
    std::uint64_t Line = 1;     // the line of the next byte
    std::uint64_t Column = 0;   // characters of that line before it, until an invalid one
    std::uint8_t Start[3] = {}; // the first three bytes
    // The reference's readings, each in the middle of a character or not.
    std::uint8_t Lead = 0, Need = 0, Have = 0, Before = 0, Last = 0, SjisLead = 0;
    std::uint8_t TwoByteLead = 0, TwoByteTrail = 0, TwoByteBefore = 0;
    TTextPlace LeadPlace;
    // The vector levels' classes of the last 64 bytes, one bit a byte, the last byte on top.
    std::uint64_t Carry[20] = {};
};

} // namespace judge::detail

// The judgement of a whole text.
TJudgement JudgeEncoding(std::string_view Text);

// A judge fed a text block by block, cut anywhere: after each block, the verdict on the
// text so far; after Finish, the judgement JudgeEncoding gives for the whole text. Memory
// stays the same whatever the text. The verdict may swing inside the first characters of
// a line (a Shift-JIS pair completes a byte before the UTF-8 character it overlaps); a
// caller that writes decides at line ends.
class TEncodingJudge {
public:
    // Judges at the vector level the engine uses (EngineLevel()).
    TEncodingJudge();
    // Judges at Level, one of EngineLevelsAvailable() (for tests and benchmarks).
    explicit TEncodingJudge(kana::detail::TEngineLevel Level);

    void See(std::string_view Block);
    // The text has ended; See may no more be called.
    void Finish();

    TJudgedEncoding Encoding() const { return FState.Judgement.Encoding; }
    std::uint64_t ChangedAtLine() const { return FState.Judgement.ChangedAtLine; }
    const TEvidence& Evidence() const { return FState.Judgement.Evidence; }
    const TJudgement& Judgement() const { return FState.Judgement; }

private:
    using TSteps = void (*)(judge::detail::TState&, const std::uint8_t*, std::size_t);
    TSteps FSteps;
    judge::detail::TState FState;
    bool FFinished = false;
};
