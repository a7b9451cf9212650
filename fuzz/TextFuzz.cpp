// The text on its way through the engine, as kanaconv converts it: in Shift-JIS and in
// UTF-8, a text converted in pieces cut where the converter allows gives the bytes of the
// whole text converted at once, and a text of many lines converted as one (its line ends
// kept) gives the bytes of its lines converted one by one. Input: the option bytes
// (FuzzSupport.h), a byte whose low bits pick the largest piece (1..64), then the text.
#include "FuzzSupport.h"
#include "LineModel.h"
#include "Pieces.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr std::size_t MaxText = 1 << 14;

TOptions Current;
std::size_t Largest;
std::string_view Text;

std::string Input() {
    return fuzz::Describe(Current) + "largest piece: " + std::to_string(Largest) + "\n" +
           fuzz::Show("text", Text);
}

// S converted in pieces of at most Max bytes, each cut as the converter allows (0: whole).
std::string Converted(TEncoding From, std::string_view S, std::size_t Max) {
    const auto C = TextConverter(Current, From, From);
    return ConvertInPieces(*C, S, Max);
}

void Expect(bool Holds, std::string_view What, std::string_view Expected, std::string_view Got) {
    if (!Holds)
        fuzz::Fail(What, Input() + fuzz::Show("expected", Expected) + fuzz::Show("got", Got));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size < fuzz::OptionBytes + 1 || Size > fuzz::OptionBytes + 1 + MaxText) return 0;
    Current = fuzz::DecodeOptions(Data);
    Largest = 1 + Data[fuzz::OptionBytes] % 64;
    Text = std::string_view(reinterpret_cast<const char*>(Data) + fuzz::OptionBytes + 1,
                            Size - fuzz::OptionBytes - 1);
    if (fuzz::Printing()) fuzz::Print(Input());
    for (const TEncoding From : {TEncoding::Sjis, TEncoding::Utf8}) {
        const std::string Whole = Converted(From, Text, 0);
        const std::string Pieces = Converted(From, Text, Largest);
        Expect(Pieces == Whole, From == TEncoding::Sjis ? "Shift-JIS pieces" : "UTF-8 pieces", Whole,
               Pieces);
        std::string ByLine;
        for (const auto& [Line, End] : LineModel(Text, false))
            ByLine += Converted(From, Line, 0) + End;
        Expect(ByLine == Whole,
               From == TEncoding::Sjis ? "Shift-JIS line by line" : "UTF-8 line by line", ByLine,
               Whole);
    }
    return 0;
}
