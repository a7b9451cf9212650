// Text whose encoding is judged as it comes (a pipe): converted as ASCII until a piece
// shows otherwise, then as what the pieces so far say. Once text in one encoding has been
// written, a verdict for the other is an error: one output never holds two encodings.
#include "TextBase.h"

#include "Detect.h"

#include <algorithm>

namespace kana::detail {

std::unique_ptr<TTextConverter> SjisText(const TOptions& Options, bool ToUtf8);
std::unique_ptr<TTextConverter> Utf8Text(const TOptions& Options, bool ToSjis);

namespace {

bool AllAscii(std::string_view S) {
    return std::all_of(S.begin(), S.end(), [](char C) { return static_cast<std::uint8_t>(C) < 0x80; });
}

class TAutoText final : public TTextConverter {
public:
    TAutoText(const TOptions& Options, TEncoding To, TEncoding AsciiAs, bool Utf8Refused)
        : FOptions(Options), FTo(To), FAsciiAs(AsciiAs), FUtf8Refused(Utf8Refused) {
        FText = Make(AsciiAs);
    }

    std::size_t Cut(std::string_view Text) const override {
        if (FJudge.Encoding() != TJudgedEncoding::Ascii || AllAscii(Text)) return FText->Cut(Text);
        // Undecided, and the text holds what will decide it: a cut that both encodings
        // allow, after a byte that is ASCII in both and never joins the next.
        const auto Last = std::find_if(Text.rbegin(), Text.rend(), [](char C) {
            return static_cast<std::uint8_t>(C) < 0x40 && C != '\r';
        });
        if (Last != Text.rend()) return static_cast<std::size_t>(Text.rend() - Last);
        TEncodingJudge Ahead = FJudge;
        Ahead.See(Text);
        return Make(::ReadAs(SoFar(Ahead).Encoding))->Cut(Text);
    }

    void Convert(std::string_view Text, std::string& Out, const TTextFlush* Sink) override {
        FJudge.See(Text);
        const TJudgement Judged = SoFar(FJudge);
        const TEncoding Verdict = ::ReadAs(Judged.Encoding);
        if (Verdict == TEncoding::Utf8 && FUtf8Refused) throw EUtf8Refused();
        if (Verdict != TEncoding::Auto && Verdict != FReadAs) {
            // Only ASCII written so far reads the same in either encoding.
            // The judge counts the line ends it sees; the ones the caller took off the
            // lines it counts here.
            if (FWroteNonAscii && Verdict != Writes())
                throw EMixedEncoding(Writes(), FLines + Judged.ChangedAtLine);
            FText = Make(Verdict);
            FReadAs = Verdict;
            for (std::uint64_t I = 0; I < FLines; ++I) FText->EndLine();
        }
        const std::size_t Start = Out.size();
        FText->Convert(Text, Out, Sink);
        if (!FWroteNonAscii && Out.size() > Start)
            FWroteNonAscii = !AllAscii(std::string_view(Out).substr(Start));
    }

    void EndLine() override {
        ++FLines;
        FText->EndLine();
    }
    TEncoding ReadAs() const override { return FReadAs; }
    std::uint64_t Folded() const override { return FText->Folded(); }
    const TEvidence* Evidence() const override { return &FJudge.Evidence(); }

private:
    // The verdict on the text so far as if it ended here: a character whose reading waits
    // for the byte after it (a two-byte UTF-8 character at the end of a line that comes
    // without its end) counts as the text's last.
    static TJudgement SoFar(TEncodingJudge Judge) {
        Judge.Finish();
        return Judge.Judgement();
    }

    // What the text written so far is in.
    TEncoding Writes() const {
        const TEncoding Read = FReadAs == TEncoding::Auto ? FAsciiAs : FReadAs;
        return FTo == TEncoding::Auto ? Read : FTo;
    }
    std::unique_ptr<TTextConverter> Make(TEncoding Read) const {
        if (Read == TEncoding::Auto) Read = FAsciiAs;
        const TEncoding To = FTo == TEncoding::Auto ? Read : FTo;
        return Read == TEncoding::Utf8 ? Utf8Text(FOptions, To == TEncoding::Sjis)
                                       : SjisText(FOptions, To == TEncoding::Utf8);
    }

    TOptions FOptions;
    TEncoding FTo, FAsciiAs;
    bool FUtf8Refused;
    TEncoding FReadAs = TEncoding::Auto;
    TEncodingJudge FJudge;
    std::unique_ptr<TTextConverter> FText;
    std::uint64_t FLines = 0;
    bool FWroteNonAscii = false;
};

} // namespace

} // namespace kana::detail

TEncoding ReadAs(TJudgedEncoding Judged) {
    switch (Judged) {
    case TJudgedEncoding::Utf8: return TEncoding::Utf8;
    case TJudgedEncoding::Sjis: return TEncoding::Sjis;
    default: return TEncoding::Auto;
    }
}

std::unique_ptr<TTextConverter> TextConverter(const TOptions& Options, TEncoding From, TEncoding To,
                                              TEncoding AsciiAs, bool Utf8Refused) {
    using namespace kana::detail;
    TOptions O = Options;
    O.LineEnds = leKeep;
    if (From == TEncoding::Auto) return std::make_unique<TAutoText>(O, To, AsciiAs, Utf8Refused);
    const TEncoding Writes = To == TEncoding::Auto ? From : To;
    return From == TEncoding::Utf8 ? Utf8Text(O, Writes == TEncoding::Sjis)
                                   : SjisText(O, Writes == TEncoding::Utf8);
}
