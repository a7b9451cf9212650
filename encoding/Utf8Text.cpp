// UTF-8 text: through the engine's UTF-8 plan, written as UTF-8 or as Shift-JIS.
#include "TextBase.h"

#include "Utf8Chars.h"
#include "Utf8Plan.h"

#include <algorithm>

namespace kana::detail {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
constexpr char32_t VoicedMark = 0xFF9E, SemiVoicedMark = 0xFF9F; // ﾞ ﾟ

class TUtf8Text final : public TTextBase {
public:
    TUtf8Text(const TOptions& Options, bool ToSjis)
        : TTextBase(Options, true, !ToSjis),
          FPlan(Utf8PlanFor(PlanOptions(), ToSjis ? TUtf8Output::Sjis : TUtf8Output::Utf8)),
          FToSjis(ToSjis) {}

    std::size_t Cut(std::string_view Text) const override;
    TEncoding ReadAs() const override { return TEncoding::Utf8; }
    std::uint64_t Folded() const override { return FFolded; }

private:
    void ConvertPiece(std::string_view Text, std::string& Out) override {
        // A byte-order mark is no character of the text: Shift-JIS has no place for it.
        if (FAtStart && FToSjis && Text.starts_with(ByteOrderMark))
            Text.remove_prefix(ByteOrderMark.size());
        FAtStart = FAtStart && Text.empty();
        const std::size_t Done = FPlan->Append(Text, PlanOptions().SpLen, Out, FFolded);
        if (Done < Text.size()) {
            const auto* P = reinterpret_cast<const std::uint8_t*>(Text.data()) + Done;
            const TUtf8Char C = DecodeUtf8(P, Text.size() - Done);
            Fail(Text, Done, C.Length ? C.Length : 1);
        }
    }

    std::shared_ptr<const TUtf8Plan> FPlan;
    bool FToSjis;
    bool FAtStart = true;
    std::uint64_t FFolded = 0;
};

// Where a UTF-8 line may be cut: after its last ASCII byte, which ends its character and
// never joins the next; without one, before the last whole character, or before the
// letter that a voicing mark at the end may belong to.
std::size_t TUtf8Text::Cut(std::string_view Text) const {
    const auto Last = std::find_if(Text.rbegin(), Text.rend(),
                                   [](char C) { return static_cast<std::uint8_t>(C) < 0x80; });
    if (Last != Text.rend()) return static_cast<std::size_t>(Text.rend() - Last);
    const auto* Begin = reinterpret_cast<const std::uint8_t*>(Text.data());
    const auto* const End = Begin + Text.size();
    // A character cut short at the end is the last unit too; an invalid byte is one.
    const auto Step = [End](const std::uint8_t* P) {
        const auto Left = static_cast<std::size_t>(End - P);
        const TUtf8Char C = DecodeUtf8(P, Left);
        if (C.Length) return C;
        return TUtf8Char{CutShort(P, Left) ? Left : 1, 0};
    };
    std::size_t Cut = 0;
    for (const auto* P = Begin; P < End;) {
        const TUtf8Char C = Step(P);
        const auto* Next = P + C.Length;
        if (C.Code >= 0xFF61 && C.Code <= 0xFF9F && Next < End) {
            // A mark, or what may yet become one: a character cut short at the end.
            const TUtf8Char Mark = Step(Next);
            if (Mark.Code == VoicedMark || Mark.Code == SemiVoicedMark ||
                (Mark.Code == 0 && Next + Mark.Length == End))
                Next += Mark.Length;
        }
        if (Next >= End) break;
        P = Next;
        Cut = static_cast<std::size_t>(P - Begin);
    }
    return Cut;
}

} // namespace

std::unique_ptr<TTextConverter> Utf8Text(const TOptions& Options, bool ToSjis) {
    return std::make_unique<TUtf8Text>(Options, ToSjis);
}

} // namespace kana::detail
