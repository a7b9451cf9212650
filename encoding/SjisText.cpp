// Shift-JIS text: through the engine's Shift-JIS plan, written as Shift-JIS or as UTF-8.
#include "TextBase.h"

#include "Cp932.h"
#include "SjisBytes.h"
#include "Utf8Chars.h"

namespace kana::detail {

namespace {

// Every line, or piece of one, through an engine of its own (or the library's, borrowed).
class TSjisText final : public TTextBase {
public:
    TSjisText(const TOptions& Options, bool ToUtf8)
        : TTextBase(Options, false, ToUtf8), FOwn(nullptr), FEngine(FOwn), FToUtf8(ToUtf8) {
        TOptions O = PlanOptions();
        O.LineEnds = leKeep; // every line end stays as it is read
        FOwn.SetOptions(O);
    }
    // The library's conversion: its own component, whose options it set.
    explicit TSjisText(const THanZen& Engine)
        : TTextBase(Engine.Options(), false, false, false), FOwn(nullptr), FEngine(Engine), FToUtf8(false) {}

    std::size_t Cut(std::string_view Text) const override { return LastCut(Text); }
    TEncoding ReadAs() const override { return TEncoding::Sjis; }

private:
    void ConvertPiece(std::string_view Text, std::string& Out) override {
        if (!FToUtf8) return FEngine.AppendLine(Text, Out);
        // Every character must have a form in UTF-8 before anything is converted.
        const auto* P = reinterpret_cast<const std::uint8_t*>(Text.data());
        for (std::size_t I = 0; I < Text.size();) {
            const bool Pair = sjis::IsLeadByte(P[I]) && I + 1 < Text.size();
            if (cp932::ToUnicode[Pair ? P[I] << 8 | P[I + 1] : P[I]] == cp932::None)
                Fail(Text, I, Pair ? 2 : 1);
            I += Pair ? 2 : 1;
        }
        FConverted.clear();
        FEngine.AppendLine(Text, FConverted);
        AppendAsUtf8(FConverted, Out);
    }

    // Appends code page 932 text, every character of which has a code point, as UTF-8.
    static void AppendAsUtf8(std::string_view Sjis, std::string& Out) {
        const std::size_t Start = Out.size();
        Out.resize(Start + 3 * Sjis.size() + 4);
        char* W = Out.data() + Start;
        const auto* P = reinterpret_cast<const std::uint8_t*>(Sjis.data());
        const auto* const End = P + Sjis.size();
        while (P < End) {
            if (*P < 0x80) {
                *W++ = static_cast<char>(*P++);
                continue;
            }
            const bool Pair = sjis::IsLeadByte(*P) && P + 1 < End;
            W = EncodeUtf8(cp932::ToUnicode[Pair ? P[0] << 8 | P[1] : P[0]], W);
            P += Pair ? 2 : 1;
        }
        Out.resize(static_cast<std::size_t>(W - Out.data()));
    }

    THanZen FOwn;
    const THanZen& FEngine;
    bool FToUtf8;
    std::string FConverted;
};

} // namespace

std::unique_ptr<TTextConverter> SjisText(const TOptions& Options, bool ToUtf8) {
    return std::make_unique<TSjisText>(Options, ToUtf8);
}

} // namespace kana::detail

std::unique_ptr<TTextConverter> ShiftJisText(const THanZen& Engine) {
    return std::make_unique<kana::detail::TSjisText>(Engine);
}
