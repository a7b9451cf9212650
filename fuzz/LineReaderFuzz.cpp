// The line reader and writer: a file of random bytes, read line by line with LineFile,
// gives the lines and line ends of the model, and the lines written back each with CR LF
// through a second LineFile give the file's text up to its first 0x1A with every line end
// as CR LF. Input: the file's bytes.
#include "FuzzSupport.h"
#include "IOError.h"
#include "LineFile.h"
#include "LineModel.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

constexpr std::size_t MaxFile = 1 << 16;

// The input being run, described only when a check fails.
std::string_view File;

std::string Input() {
    return fuzz::Show("file", File);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size > MaxFile) return 0;
    File = std::string_view(reinterpret_cast<const char*>(Data), Size);
    if (fuzz::Printing()) fuzz::Print(Input());
    const auto In = fuzz::Scratch() / "in", Out = fuzz::Scratch() / "out";
    fuzz::WriteFile(In, File);

    const TLines Model = LineModel(File, true);
    std::string Expected;
    try {
        const TLines Lines = ReadLines(In.string());
        if (Lines != Model) fuzz::Fail("the lines of the model", Input());
        LineFile Target;
        Target.BindName(Out.string());
        Target.CreateForWriting();
        for (std::size_t N = 0; N < Lines.size(); ++N) {
            // Both ways of writing a line and its end.
            if (N % 2) {
                Target.WriteText(Lines[N].first);
                Target.WriteText("\r\n");
            } else {
                Target.WriteText(Lines[N].first + "\r\n");
            }
            Expected += Lines[N].first + "\r\n";
        }
        Target.CloseLineFile();
        Target.IOCheck();
    } catch (const EInOutError& E) {
        fuzz::Fail("no I/O error", Input() + "failed with " + std::to_string(E.ErrorCode) + "\n");
    }
    const std::string Got = fuzz::ReadFile(Out);
    if (Got != Expected)
        fuzz::Fail("lines written back with CR LF",
                   Input() + fuzz::Show("expected", Expected) + fuzz::Show("got", Got));
    return 0;
}
