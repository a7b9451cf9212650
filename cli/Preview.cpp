#include "Preview.h"

#include "EncodingNames.h"
#include "TerminalText.h"
#include "UnifiedDiff.h"

#include <langinfo.h>

namespace {

// The lines of text in Encoding on the terminal: as they are when the terminal reads
// that encoding, converted otherwise (a byte of no character becomes "?"). A Shift-JIS
// terminal gets code page 932, whose 0x5C and 0x7E are the backslash and the tilde, as
// in the files: the locale's SHIFT_JIS has neither, and would show them as "?".
TShowLine ShownIn(TEncoding Encoding) {
    const char* From = Encoding == TEncoding::Sjis ? "CP932" : "UTF-8"; // ASCII reads either way
    const std::optional<TEncoding> Terminal = EncodingNamed(::nl_langinfo(CODESET));
    if (Terminal == (Encoding == TEncoding::Sjis ? TEncoding::Sjis : TEncoding::Utf8)) return {};
    const std::string To = !Terminal ? "" : *Terminal == TEncoding::Sjis ? "CP932" : "UTF-8";
    return [From, To](std::string_view Line) { return ToTerminal(Line, From, To); };
}

} // namespace

bool TChangeCheck::Meet(std::string_view Bytes, bool Input) {
    if (FDiffers) return false;
    if (FStart == FAhead.size() || FInputAhead == Input) {
        if (FStart == FAhead.size()) FAhead.clear(), FStart = 0;
        FAhead += Bytes;
        FInputAhead = Input;
        return true;
    }
    const std::size_t N = std::min(Bytes.size(), FAhead.size() - FStart);
    if (std::string_view(FAhead).substr(FStart, N) != Bytes.substr(0, N)) {
        FDiffers = true;
        return false;
    }
    FStart += N;
    Bytes.remove_prefix(N);
    if (FStart == FAhead.size()) {
        FAhead.assign(Bytes);
        FStart = 0;
        FInputAhead = Input;
    } else if (FStart > FAhead.size() / 2) {
        FAhead.erase(0, FStart); // what is held stays within twice what is ahead
        FStart = 0;
    }
    return true;
}

TPreview Preview(const std::string& Source, const TArguments& A, TFileSettings Settings) {
    const std::string Name = Source.empty() ? "-" : Source;
    // Input that a 0x1A ended is seen all the same, and counts as a change; reading on
    // to count it would not end on an endless input.
    Settings.CountLeftOut = false;
    TPreview P;
    if (A.Diff) {
        TCapture Capture;
        Settings.Sink = &Capture;
        P.Result = ConvertFile(Source, {}, false, A.Options, Settings);
        P.Changed = P.Result.Outcome == TOutcome::Converted && Capture.Input != Capture.Output;
        if (P.Changed) {
            const TEncoding Written = A.To == TEncoding::Auto ? P.Result.ReadAs : A.To;
            P.Shown = UnifiedDiff(Capture.Input, Capture.Output, Name, Name,
                                  ShownIn(P.Result.ReadAs), ShownIn(Written));
        }
    } else {
        TChangeCheck Check;
        Settings.Sink = &Check;
        P.Result = ConvertFile(Source, {}, false, A.Options, Settings);
        P.Changed = P.Result.Outcome == TOutcome::Converted && Check.Changed();
        if (P.Changed) P.Shown = Name + "\n";
    }
    return P;
}
