// The text of a file or a buffer on its way through the engine: read in one encoding,
// converted by that encoding's rules, written in one encoding. Shift-JIS text goes through
// the engine's Shift-JIS plan, UTF-8 text through its UTF-8 plan (the faithful rules and
// Unicode's width pairs); text whose encoding is not known yet is judged as it comes.
#pragma once

#include "Detect.h"
#include "HanZen.h"

namespace kana::detail {
class TUtf8Plan;
}

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

enum class TEncoding : std::uint8_t {
    Auto, // input: decided by the text; output: as read
    Sjis, // Shift-JIS, code page 932
    Utf8,
};

// How each line is written.
enum class TNewline : std::uint8_t {
    CrLf, // with CR LF, the last line too
    Keep, // with the line end it was read with; a last line without one stays without
    Lf,   // with LF; a last line without a line end stays without one
};

// A character that the output's encoding cannot hold, or (reading Shift-JIS to write
// UTF-8) bytes that are no code page 932 character. Line and Column count from 1, Column in
// characters of the input; Bytes are the character's bytes as read.
class ETextError : public std::exception {
public:
    ETextError(std::uint64_t Line, std::uint64_t Column, std::string Bytes)
        : Line(Line), Column(Column), Bytes(std::move(Bytes)) {}
    const char* what() const noexcept override { return "a character the output cannot hold"; }

    std::uint64_t Line, Column;
    std::string Bytes;
};

// Input whose encoding was judged one way and then, further on, the other way, after
// text had been written in the first: Line is where the second verdict was reached.
class EMixedEncoding : public std::exception {
public:
    EMixedEncoding(TEncoding Written, std::uint64_t Line) : Written(Written), Line(Line) {}
    const char* what() const noexcept override { return "the input changes its encoding"; }

    TEncoding Written; // the encoding the text already written is in
    std::uint64_t Line;
};

// Text judged UTF-8 where only Shift-JIS is converted (the library's rules).
class EUtf8Refused : public std::exception {
public:
    const char* what() const noexcept override { return "the text is UTF-8, not Shift-JIS"; }
};

// Where a long output is handed on while it grows (a tab of millions of spaces): the
// text so far, which the sink writes and clears.
using TTextFlush = std::function<void(std::string& Out)>;

class TTextConverter {
public:
    virtual ~TTextConverter() = default;

    // The length of the longest prefix of Text after which its line may be cut, the rest
    // to be converted with what follows; Text starts where its line or a cut did.
    virtual std::size_t Cut(std::string_view Text) const = 0;
    // Appends the conversion of Text, a line or a piece of one (line ends inside it stay
    // as they are), to Out. Throws ETextError for a character the output's encoding cannot
    // hold. When Sink is set, Out is handed to it whenever it has grown past a megabyte.
    virtual void Convert(std::string_view Text, std::string& Out, const TTextFlush* Sink = nullptr) = 0;
    // The current line has ended; the caller wrote its line end.
    virtual void EndLine() = 0;
    // How the input is read: Auto as long as it held nothing but ASCII.
    virtual TEncoding ReadAs() const = 0;
    // How many characters were written as their code page 932 twins (〜 as ～, ...).
    virtual std::uint64_t Folded() const { return 0; }
    // Text judged as it came: what the judge found so far; null otherwise.
    virtual const TEvidence* Evidence() const { return nullptr; }
};

// Shift-JIS in and out through Engine (not owned), line by line as the library converts:
// the library's own conversion.
std::unique_ptr<TTextConverter> ShiftJisText(const THanZen& Engine);

// Text read as From and written as To (Auto: as read), under Options, with every line end
// kept. Auto input is judged as it comes, by what it holds so far; text with nothing but
// ASCII is converted as AsciiAs (UTF-8 or Shift-JIS) says until its encoding is known.
// Once text in one encoding has been written, a verdict for the other throws
// EMixedEncoding; with Utf8Refused, a verdict for UTF-8 throws EUtf8Refused.
std::unique_ptr<TTextConverter> TextConverter(const TOptions& Options, TEncoding From,
                                              TEncoding To, TEncoding AsciiAs = TEncoding::Utf8,
                                              bool Utf8Refused = false);

// The encoding a judgement reads text as: Auto for ASCII alone.
TEncoding ReadAs(TJudgedEncoding Judged);

// What a whole text in memory came to.
struct TBufferResult {
    TEncoding ReadAs = TEncoding::Auto; // Auto: the text held nothing but ASCII
    std::uint64_t Folded = 0;           // characters written as their code page 932 twins
    std::uint64_t LeftOut = 0;          // under TNewline::CrLf, bytes from a 0x1A on
};

// A whole text in memory, converted again and again under one set of options.
class TBufferConverter {
public:
    // From: how the text is read (Auto: judged on the whole text; text with nothing but
    // ASCII is read as AsciiAs). To: how it is written (Auto: as read). Newline: Keep
    // converts the text as it is, line ends and all; CrLf follows the library's rules
    // (lines end at CR or CR LF, a 0x1A ends the text, every line gets CR LF); Lf ends
    // lines at LF, CR LF or CR and writes LF (a last line without an end stays without).
    TBufferConverter(const TOptions& Options, TEncoding From, TEncoding To, TEncoding AsciiAs,
                     TNewline Newline);

    // Appends the conversion of Text to Out. Throws ETextError for a character the output
    // cannot hold. Safe to call from several threads at once.
    TBufferResult Convert(std::string_view Text, std::string& Out) const;
    // The most bytes the conversion of Size bytes may take.
    std::uint64_t Bound(std::uint64_t Size) const;

private:
    // Text read as From converted in one pass, line ends kept, written as To: straight
    // through the encoding's plan when nothing else is asked; true when it was.
    bool ConvertDirectly(TEncoding From, std::string_view Text, std::string& Out,
                         TBufferResult& Result) const;

    TOptions FOptions;
    TEncoding FFrom, FTo, FAsciiAs;
    TNewline FNewline;
    // The plans a direct conversion runs: UTF-8's, and Shift-JIS's through a THanZen.
    std::shared_ptr<const kana::detail::TUtf8Plan> FUtf8Plan;
    std::shared_ptr<const THanZen> FSjisEngine;
};

// The encoding of a whole text: Utf8 or Sjis, or Auto when it holds nothing but ASCII.
TEncoding JudgeWholeText(std::string_view Text);
