#include "TextBase.h"

#include "SjisBytes.h"
#include "TabStops.h"

#include <algorithm>

namespace kana::detail {

namespace {

// Beyond this many spaces a tab is expanded by the text layer, in pieces, not by a plan.
constexpr std::int32_t PlanTabLimit = 4096;
constexpr std::size_t Megabyte = std::size_t{1} << 20;

// The number of characters in text: UTF-8 bytes that are no continuation byte, or
// Shift-JIS characters (a lead byte takes the byte after it).
std::uint64_t Characters(std::string_view S, bool Utf8) {
    if (Utf8)
        return static_cast<std::uint64_t>(
            std::count_if(S.begin(), S.end(), [](char C) { return (C & 0xC0) != 0x80; }));
    std::uint64_t N = 0;
    for (std::size_t I = 0; I < S.size(); ++N)
        I += sjis::IsLeadByte(static_cast<std::uint8_t>(S[I])) && I + 1 < S.size() ? 2 : 1;
    return N;
}

} // namespace

TTextBase::TTextBase(const TOptions& Options, bool Utf8In, bool Utf8Out, bool StreamsTabs)
    : FOptions(Options), FPlanOptions(Options), FUtf8In(Utf8In), FUtf8Out(Utf8Out),
      FTracksPosition(Utf8In != Utf8Out) {
    FPlanOptions.TabStops = 0;
    FExpandsTabs = StreamsTabs && Options.Tab != tbNone && Options.SpLen > PlanTabLimit &&
                   !Options.Keeps('\t');
    if (FExpandsTabs) {
        FPlanOptions.Tab = tbNone;
        const bool Wide = Options.Space == sp2byte && !Options.Keeps(' ');
        FTabText = !Wide ? " " : Utf8Out ? "\xE3\x80\x80" : "\x81\x40";
    }
}

void TTextBase::ConvertAndAdvance(std::string_view Text, std::string& Out) {
    ConvertPiece(Text, Out);
    if (FTracksPosition) FPosition.Advance(Text, FUtf8In);
}

void TTextBase::ConvertWithTabs(std::string_view Text, std::string& Out, const TTextFlush* Sink) {
    if (!FExpandsTabs) return ConvertAndAdvance(Text, Out);
    for (std::size_t Tab; (Tab = Text.find('\t')) != std::string_view::npos;) {
        ConvertAndAdvance(Text.substr(0, Tab), Out);
        AppendCopies(FTabText, static_cast<std::uint64_t>(FOptions.SpLen), Out, Sink);
        if (FTracksPosition) FPosition.Advance(Text.substr(Tab, 1), FUtf8In);
        Text.remove_prefix(Tab + 1);
    }
    ConvertAndAdvance(Text, Out);
}

void TTextBase::Convert(std::string_view Text, std::string& Out, const TTextFlush* Sink) {
    if (FOptions.TabStops <= 0) {
        ConvertWithTabs(Text, Out, Sink);
    } else {
        FScratch.clear();
        ConvertWithTabs(Text, FScratch, nullptr);
        ExpandTabStops(FScratch, FUtf8Out, FOptions.TabStops, FTabColumn, Out, Sink);
    }
    if (Sink && Out.size() >= Megabyte) (*Sink)(Out);
}

void TTextBase::EndLine() {
    FPosition = {FPosition.Line + 1, 0, false};
    FTabColumn = 0;
}

void TTextBase::TPosition::Advance(std::string_view Text, bool Utf8) {
    if (Text.empty()) return;
    // Line ends inside the text: LF, CR LF, or a CR alone (an LF right after a CR that
    // ended the last piece belongs to it).
    std::size_t LastEnd = std::string_view::npos;
    for (std::size_t I = 0; I < Text.size(); ++I) {
        if (Text[I] == '\n') {
            if (!(I == 0 && AfterCr) && !(I > 0 && Text[I - 1] == '\r')) ++Line;
            LastEnd = I;
        } else if (Text[I] == '\r') {
            ++Line;
            LastEnd = I;
        }
    }
    AfterCr = Text.back() == '\r';
    if (LastEnd == std::string_view::npos)
        Column += Characters(Text, Utf8);
    else
        Column = Characters(Text.substr(LastEnd + 1), Utf8);
}

void TTextBase::Fail(std::string_view Text, std::size_t At, std::size_t Length) const {
    TPosition Here = FPosition;
    Here.Advance(Text.substr(0, At), FUtf8In);
    throw ETextError(Here.Line, Here.Column + 1, std::string(Text.substr(At, Length)));
}

} // namespace kana::detail
