// Shift-JIS in and out: each line, or piece of one, through the engine.
#include "TextConverter.h"

namespace {

class TSjisText final : public TTextConverter {
public:
    TSjisText(const TOptions& Options, TComponent* Owner) : FEngine(Owner) {
        FEngine.SetOptions(Options);
    }
    THanZen& Engine() override { return FEngine; }
    std::size_t Cut(std::string_view Text) const override { return LastCut(Text); }
    void Convert(std::string_view Text, std::string& Out) override {
        if (Out.empty()) return FEngine.ConvertLine(Text, Out);
        FEngine.ConvertLine(Text, FText);
        Out += FText;
    }

private:
    THanZen FEngine;
    std::string FText;
};

} // namespace

std::unique_ptr<TTextConverter> ShiftJisText(const TOptions& Options, TComponent* Owner) {
    return std::make_unique<TSjisText>(Options, Owner);
}
