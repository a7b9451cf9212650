// The engine: ConvertLine's compiled fast path, at every kernel level of the machine,
// against the virtual path, and what holds for every line whatever the options. Input: the
// option bytes (FuzzSupport.h), then the line. The per-character mappings are swept over
// every byte and pair by the unit tests.
#include "EngineLevels.h"
#include "FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace kana::detail;

namespace {

constexpr std::size_t MaxLine = 8192;
// Bytes placed after the line in its buffer: a converter that looks past the line's end
// meets an LF, voicing marks and a second byte, and its text changes.
constexpr std::string_view Canary = "\n\xDE\xDF\x40\x0D\x0A\x81\x40";

// The input being run, described only when a check fails.
TOptions Current;
std::string_view Line;

std::string Input() {
    return fuzz::Describe(Current) + "level: " + EngineLevelName(EngineLevel()) + "\n" +
           fuzz::Show("line", Line);
}

// ConvertedAs: the line converted, when it is not the input's line.
void Expect(bool Holds, std::string_view What, std::string_view Got = {},
            std::string_view Expected = {}, std::string_view ConvertedAs = Line) {
    if (!Holds)
        fuzz::Fail(What, Input() +
                             (ConvertedAs == Line ? "" : fuzz::Show("converted as", ConvertedAs)) +
                             fuzz::Show("expected", Expected) + fuzz::Show("got", Got));
}

// Both paths on S (the input's line or a line made from it), plainly and into a string
// that still holds an earlier line's text, from a buffer with canary bytes after S; the
// fast path at every level.
void CheckPaths(const THanZen& Fast, const THanZen& Virtual, std::string_view S) {
    const std::string Expected = Virtual.ConvertLine(S);
    static std::string Reused;
    const std::string Padded = std::string(S) + std::string(Canary);
    const std::string_view InPadded = std::string_view(Padded).substr(0, S.size());
    Virtual.ConvertLine(InPadded, Reused);
    Expect(Reused == Expected, "virtual path, reused string, canary after the line", Reused,
           Expected, S);
    for (TEngineLevel Level : EngineLevelsAvailable()) {
        SetEngineLevel(Level);
        const std::string Got = Fast.ConvertLine(S);
        Expect(Got == Expected, "fast path equals virtual path", Got, Expected, S);
        Fast.ConvertLine(InPadded, Reused);
        Expect(Reused == Expected, "fast path, reused string, canary after the line", Reused,
               Expected, S);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size < fuzz::OptionBytes || Size > fuzz::OptionBytes + MaxLine) return 0;
    Current = fuzz::DecodeOptions(Data);
    // The line ends where the input does, so that ASan sees any read past it.
    Line = std::string_view(reinterpret_cast<const char*>(Data) + fuzz::OptionBytes,
                            Size - fuzz::OptionBytes);
    if (fuzz::Printing()) fuzz::Print(Input());

    THanZen Fast(nullptr);
    VirtualHanZen Virtual(nullptr);
    Fast.SetOptions(Current);
    Virtual.SetOptions(Current);
    // A plan costs far more to build than a line to convert: the same options also
    // convert the line moved within the 16-, 32- and 64-byte steps, behind a lead byte
    // that takes its first byte, behind letters that take a voicing mark, and twice over.
    const std::string L(Line);
    for (const std::string& S : {L, "\x81" + L, std::string(15, 'x') + L, std::string(31, 'x') + L,
                                 std::string(63, 'x') + L, std::string(64, '\xB6') + L, L + L})
        CheckPaths(Fast, Virtual, S);

    const THanZen Zero(nullptr);
    const std::string Same = Zero.ConvertLine(Line), Identical = model::Identity(Line);
    Expect(Same == Identical, "identity with all options 0", Same, Identical);

    const std::string Narrow = Zero.ZenToHan(Line), Wide = Zero.HanToZen(Line);
    Expect(Narrow.size() <= Line.size(), "ZenToHan never longer than its input", Narrow);
    Expect(Wide.size() >= Line.size(), "HanToZen never shorter than its input", Wide);
    for (const std::string& S :
         {Zero.StrToBig(Line), Zero.StrToSmall(Line), Zero.HiraToKata(Line), Zero.KataToHira(Line)})
        Expect(S.size() == Line.size(), "letter size and kana kind keep the length", S);

    return 0;
}
