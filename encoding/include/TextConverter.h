// The text of a file on its way through the engine, in the encoding it is read in and the
// one it is written in. The engine converts Shift-JIS (code page 932); UTF-8 text reaches
// it as code page 932 characters and goes back to UTF-8, through the same rules.
#pragma once

#include "HanZen.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

enum class TEncoding : std::uint8_t {
    Auto,  // input: decided by the text; output: as read
    Sjis,  // Shift-JIS, code page 932
    Utf8,
};

// A character that the output's encoding cannot hold. Line and Column count from 1,
// Column in characters of the input; Bytes are the character's bytes as read.
class ETextError : public std::exception {
public:
    ETextError(std::uint64_t Line, std::uint64_t Column, std::string Bytes)
        : Line(Line), Column(Column), Bytes(std::move(Bytes)) {}
    const char* what() const noexcept override { return "a character the output cannot hold"; }

    std::uint64_t Line, Column;
    std::string Bytes;
};

class TTextConverter {
public:
    virtual ~TTextConverter() = default;

    // The engine that converts, configured with the options.
    virtual THanZen& Engine() = 0;
    // A block of the input as it was read, before its lines are converted.
    virtual void SeeInput(std::string_view Block) { (void)Block; }
    // The length of the longest prefix of Text after which its line may be cut, the rest
    // to be converted with what follows; Text starts where its line or a cut did.
    virtual std::size_t Cut(std::string_view Text) const = 0;
    // Appends the conversion of Text, a line or a piece of one, to Out. A CR or LF in Text
    // is a line end, kept as it is. Throws ETextError for a character the output's
    // encoding cannot hold.
    virtual void Convert(std::string_view Text, std::string& Out) = 0;
    // The current line has ended.
    virtual void EndLine() {}
    // How the input is read: Auto as long as it held nothing but ASCII, the same either way.
    virtual TEncoding ReadAs() const { return TEncoding::Sjis; }
};

// Shift-JIS in and out, the engine alone: the library's conversion. The engine is a
// component of Owner.
std::unique_ptr<TTextConverter> ShiftJisText(const TOptions& Options, TComponent* Owner);

// The input read as From and written as To (Auto: as read). Auto input is read as UTF-8
// when the first block with a byte above 0x7F is valid UTF-8 from that byte on, or the
// input starts with a UTF-8 byte-order mark; as Shift-JIS otherwise. Shift-JIS in and out
// is ShiftJisText.
std::unique_ptr<TTextConverter> TextConverter(const TOptions& Options, TComponent* Owner,
                                              TEncoding From, TEncoding To);
