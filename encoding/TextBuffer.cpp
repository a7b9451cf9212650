// A whole text in memory: judged once, then converted in one pass, or line by line under
// the library's line rules or with LF.
#include "TextConverter.h"
#include "Utf8Plan.h"

#include <algorithm>
#include <limits>

TEncoding JudgeWholeText(std::string_view Text) {
    return ReadAs(JudgeEncoding(Text).Encoding);
}

TBufferConverter::TBufferConverter(const TOptions& Options, TEncoding From, TEncoding To,
                                   TEncoding AsciiAs, TNewline Newline)
    : FOptions(Options), FFrom(From), FTo(To), FAsciiAs(AsciiAs), FNewline(Newline) {
    if (Newline != TNewline::Keep || Options.TabStops > 0) return;
    TOptions O = Options;
    O.LineEnds = leKeep;
    if (From != TEncoding::Sjis && To != TEncoding::Sjis)
        FUtf8Plan = kana::detail::Utf8PlanFor(O, kana::detail::TUtf8Output::Utf8);
    if (From != TEncoding::Utf8 && To != TEncoding::Utf8) {
        auto Engine = std::make_shared<THanZen>(nullptr);
        Engine->SetOptions(O);
        FSjisEngine = std::move(Engine);
    }
}

bool TBufferConverter::ConvertDirectly(TEncoding From, std::string_view Text, std::string& Out,
                                       TBufferResult& Result) const {
    if (From == TEncoding::Utf8 && FUtf8Plan) {
        FUtf8Plan->Append(Text, FOptions.SpLen, Out, Result.Folded);
        return true;
    }
    if (From == TEncoding::Sjis && FSjisEngine) {
        FSjisEngine->AppendLine(Text, Out);
        return true;
    }
    return false;
}

TBufferResult TBufferConverter::Convert(std::string_view Text, std::string& Out) const {
    TBufferResult Result;
    TEncoding From = FFrom;
    if (From == TEncoding::Auto) {
        Result.ReadAs = JudgeWholeText(Text);
        From = Result.ReadAs == TEncoding::Auto ? FAsciiAs : Result.ReadAs;
    } else {
        Result.ReadAs = From;
    }
    if (ConvertDirectly(From, Text, Out, Result)) return Result;
    const auto Converter = TextConverter(FOptions, From, FTo);
    if (FNewline == TNewline::Keep) {
        Converter->Convert(Text, Out);
        Result.Folded = Converter->Folded();
        return Result;
    }
    // Line by line: under the library's rules CR or CR LF ends a line and a 0x1A the text;
    // otherwise LF, CR LF or CR ends a line.
    const bool Library = FNewline == TNewline::CrLf;
    const std::string_view Stops = Library ? std::string_view("\r\x1A") : std::string_view("\r\n");
    while (!Text.empty()) {
        const std::size_t Stop = Text.find_first_of(Stops);
        const std::string_view Line = Text.substr(0, Stop);
        const bool Ended = Stop != std::string_view::npos && Text[Stop] != '\x1A';
        if (Stop != std::string_view::npos && Text[Stop] == '\x1A') {
            Result.LeftOut = Text.size() - Stop;
            Text = {};
        } else {
            Text.remove_prefix(Ended ? Stop + 1 : Text.size());
            if (Ended && Line.data()[Line.size()] == '\r' && Text.starts_with('\n')) Text.remove_prefix(1);
        }
        if (Line.empty() && !Ended && !Library) break;
        if (Line.empty() && !Ended && Result.LeftOut) break;
        Converter->Convert(Line, Out);
        if (Library || Ended) Out += Library ? "\r\n" : "\n";
        Converter->EndLine();
    }
    Result.Folded = Converter->Folded();
    return Result;
}

std::uint64_t TBufferConverter::Bound(std::uint64_t Size) const {
    // A character grows at most threefold (ASCII to a full-width form in UTF-8), a tab
    // into its spaces (up to three bytes each), and a line end by one byte (CR LF).
    std::uint64_t PerByte = 3;
    if (FOptions.Tab != tbNone && FOptions.SpLen > 0)
        PerByte = std::max<std::uint64_t>(PerByte, 3 * static_cast<std::uint64_t>(FOptions.SpLen));
    if (FOptions.TabStops > 0)
        PerByte = std::max<std::uint64_t>(PerByte, static_cast<std::uint64_t>(FOptions.TabStops));
    constexpr std::uint64_t Most = std::numeric_limits<std::uint64_t>::max();
    if (Size > (Most - 2) / (PerByte + 1)) return Most;
    return Size * (PerByte + 1) + 2;
}
