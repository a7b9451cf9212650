// The line reader and writer: a file of random bytes, read line by line with LineFile
// and each line written back with CR LF through a second LineFile, gives the file's text
// up to its first 0x1A with every line end as CR LF. Input: the file's bytes.
#include "FuzzSupport.h"
#include "LineModel.h"
#include "IOError.h"
#include "LineFile.h"

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

void Check(LineFile& F, std::string_view After) {
    if (const auto Failure = F.TakeFailure())
        fuzz::Fail("no I/O error", Input() + std::string(After) + " failed with " +
                                       std::to_string(Failure->ErrorCode) + "\n");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size > MaxFile) return 0;
    File = std::string_view(reinterpret_cast<const char*>(Data), Size);
    if (fuzz::Printing()) fuzz::Print(Input());
    const auto In = fuzz::Scratch() / "in", Out = fuzz::Scratch() / "out";
    fuzz::WriteFile(In, File);

    LineFile Source, Target;
    Source.BindName(In.string());
    Source.OpenForReading();
    Check(Source, "OpenForReading");
    Target.BindName(Out.string());
    Target.CreateForWriting();
    Check(Target, "CreateForWriting");
    std::string Line;
    for (std::size_t N = 0;; ++N) {
        const bool End = Source.AtEnd();
        Check(Source, "AtEnd");
        if (End) break;
        // Both forms of ReadLine, and both ways of writing a line and its end.
        if (N % 2)
            Source.ReadLine(Line);
        else
            Line = Source.ReadLine();
        Check(Source, "ReadLine");
        if (Line.find_first_of("\r\x1A") != std::string::npos)
            fuzz::Fail("a line holds no CR and no 0x1A", Input() + fuzz::Show("line", Line));
        if (N % 3) {
            Target.WriteText(Line);
            Target.WriteText("\r\n");
        } else {
            Target.WriteText(Line + "\r\n");
        }
        Check(Target, "WriteText");
    }
    // At the end the input stays ended, and ReadLine consumes nothing.
    const bool StillEnded = Source.AtEnd() && Source.ReadLine().empty() && Source.AtEnd();
    Check(Source, "AtEnd at the end");
    if (!StillEnded) fuzz::Fail("the end of the input stays", Input());
    Source.CloseLineFile();
    Check(Source, "CloseLineFile (source)");
    Target.CloseLineFile();
    Check(Target, "CloseLineFile (target)");

    std::string Expected;
    for (const auto& [Line, End] : LineModel(File, true)) Expected += Line + "\r\n";
    const std::string Got = fuzz::ReadFile(Out);
    if (Got != Expected)
        fuzz::Fail("lines written back with CR LF",
                   Input() + fuzz::Show("expected", Expected) + fuzz::Show("got", Got));
    return 0;
}
