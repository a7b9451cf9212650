// Shift-JIS in and out: each line, or piece of one, through the engine.
#include "SjisLines.h"
#include "TextConverter.h"

void AppendConverted(const THanZen& H, std::string_view Text, std::string& Scratch,
                     std::string& Out) {
    const auto Append = [&](std::string_view Part) {
        if (Out.empty()) return H.ConvertLine(Part, Out);
        H.ConvertLine(Part, Scratch);
        Out += Scratch;
    };
    for (std::size_t Cr; (Cr = Text.find('\r')) != std::string_view::npos;) {
        Append(Text.substr(0, Cr));
        Out += '\r';
        Text.remove_prefix(Cr + 1);
    }
    Append(Text);
}

namespace {

class TSjisText final : public TTextConverter {
public:
    TSjisText(const TOptions& Options, TComponent* Owner) : FEngine(Owner) {
        FEngine.SetOptions(Options);
    }
    THanZen& Engine() override { return FEngine; }
    std::size_t Cut(std::string_view Text) const override { return LastCut(Text); }
    void Convert(std::string_view Text, std::string& Out) override {
        AppendConverted(FEngine, Text, FText, Out);
    }

private:
    THanZen FEngine;
    std::string FText;
};

} // namespace

std::unique_ptr<TTextConverter> ShiftJisText(const TOptions& Options, TComponent* Owner) {
    return std::make_unique<TSjisText>(Options, Owner);
}
