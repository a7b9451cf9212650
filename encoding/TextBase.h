// What every converter of the text layer shares: tabs of any length streamed out in
// bounded memory, the tab stops after every other conversion, and where a failing
// character stands (line and column). Private to the text layer.
#pragma once

#include "TextConverter.h"

namespace kana::detail {

class TTextBase : public TTextConverter {
public:
    void Convert(std::string_view Text, std::string& Out, const TTextFlush* Sink) final;
    void EndLine() override;

protected:
    // Utf8In: the text read is UTF-8 (else Shift-JIS); Utf8Out: what is written.
    // StreamsTabs: a tab of more spaces than a plan should make is expanded here, in
    // bounded memory (the library leaves every tab to its engine).
    TTextBase(const TOptions& Options, bool Utf8In, bool Utf8Out, bool StreamsTabs = true);

    // Appends the conversion of Text by the encoding's plan: tab stops are left to the
    // caller, and so is every tab when the options make more spaces of it than the plan
    // expands (a tab then never reaches this).
    virtual void ConvertPiece(std::string_view Text, std::string& Out) = 0;
    // Throws ETextError for the character of Length bytes at offset At of Text, the text
    // given to ConvertPiece.
    [[noreturn]] void Fail(std::string_view Text, std::size_t At, std::size_t Length) const;

    const TOptions& Options() const { return FOptions; }
    // The options for the plan: no tab stops, and no tabs when the caller expands them.
    const TOptions& PlanOptions() const { return FPlanOptions; }

private:
    // Where the next piece starts in the input.
    struct TPosition {
        std::uint64_t Line = 1, Column = 0; // Column: characters of the line before it
        bool AfterCr = false;               // the last piece ended with a CR
        // Moves past Text, read as UTF-8 or Shift-JIS.
        void Advance(std::string_view Text, bool Utf8);
    };

    // The piece converted, tabs that the plan leaves out expanded here.
    void ConvertWithTabs(std::string_view Text, std::string& Out, const TTextFlush* Sink);
    // Converts one piece and moves past it.
    void ConvertAndAdvance(std::string_view Text, std::string& Out);

    TOptions FOptions, FPlanOptions;
    bool FUtf8In, FUtf8Out;
    bool FTracksPosition; // a character may fail to convert: where it stands is kept
    bool FExpandsTabs;    // the options make more spaces of a tab than the plan should
    std::string FTabText; // one space of such a tab, in the output's encoding
    TPosition FPosition;
    std::uint64_t FTabColumn = 0; // display columns of the output line so far
    std::string FScratch;
};

} // namespace kana::detail
