#include "FileConvert.h"

#include "IOError.h"
#include "LineFile.h"

#include <memory>
#include <new>
#include <optional>
#include <stdexcept>

namespace {

TComponent TheApplication(nullptr);

// Collects the failures of one conversion; the first one wins.
class TFirstFailure {
public:
    void Note(const EInOutError& E) {
        if (!FFailure) FFailure.emplace(E);
    }
    // Runs IOCheck and notes what it raises.
    void Check() {
        try {
            IOCheck();
        } catch (const EInOutError& E) {
            Note(E);
        }
    }
    explicit operator bool() const { return FFailure.has_value(); }
    [[noreturn]] void Raise() const { throw *FFailure; }

private:
    std::optional<EInOutError> FFailure;
};

EInOutError OutOfMemory() {
    return EInOutError(IoNotEnoughMemory, InOutErrorMessage(IoNotEnoughMemory));
}

void Configure(THanZen& HanZen, const TConvertOptions& O) {
    HanZen.SetConvSize(O.ConvSize);
    HanZen.SetSpace(O.Space);
    HanZen.SetTab(O.Tab);
    HanZen.SetKata(O.Kata);
    HanZen.SetToHira(O.ToHira);
    HanZen.SetHira(O.Hira);
    HanZen.SetMark(O.Mark);
    HanZen.SetSpLen(O.SpLen);
}

// Reads every line of Source and writes its conversion, each line ended by CR LF. The
// two strings are reused, so a steady stream of lines allocates nothing.
void ConvertLines(LineFile& Source, LineFile& Target, const THanZen& HanZen) {
    std::string Line, Text;
    for (;;) {
        const bool End = Source.AtEnd();
        IOCheck();
        if (End) break;
        Source.ReadLine(Line);
        IOCheck();
        // An empty line is written as CR LF alone, without passing through the component.
        if (Line.empty())
            Text.clear();
        else
            HanZen.ConvertLine(Line, Text);
        Text += "\r\n";
        Target.WriteText(Text);
        IOCheck();
    }
}

} // namespace

std::atomic<THanZen*> HanZenObj{nullptr};

TComponent& Application() {
    return TheApplication;
}

bool SameIgnoringAsciiCase(std::string_view A, std::string_view B) {
    if (A.size() != B.size()) return false;
    const auto Upper = [](char C) {
        return C >= 'a' && C <= 'z' ? static_cast<char>(C - 0x20) : C;
    };
    for (std::size_t I = 0; I < A.size(); ++I)
        if (Upper(A[I]) != Upper(B[I])) return false;
    return true;
}

int ConvertFile(std::string_view SrcFile, std::string_view DestFile, bool CheckSame,
                const TConvertOptions& Options) {
    // Standard output, a device or a pipe is written directly; a file is replaced by a
    // temporary file beside it. The paths come first, before anything is opened.
    bool Direct = DestFile.empty();
    const std::string Replaced =
        Direct ? std::string() : Platform().ReplaceTarget(std::string(DestFile), Direct);
    const std::string TempPath = Direct ? std::string() : Platform().TempPathFor(Replaced);
    if (CheckSame && SameIgnoringAsciiCase(SrcFile, DestFile)) return 0;

    LineFile Source, Target;
    std::unique_ptr<THanZen> HanZen;
    TFirstFailure Failure;
    try {
        Source.BindName(std::string(SrcFile));
        Source.OpenForReading();
        IOCheck();
        Target.BindName(Direct ? std::string(DestFile) : TempPath);
        Target.CreateForWriting();
        IOCheck();
        HanZen = std::make_unique<THanZen>(&Application());
        HanZenObj.store(HanZen.get());
        Configure(*HanZen, Options);
        ConvertLines(Source, Target, *HanZen);
    } catch (const EInOutError& E) {
        Failure.Note(E);
    } catch (const std::bad_alloc&) {
        Failure.Note(OutOfMemory());
    } catch (const std::length_error&) { // a string longer than memory can hold
        Failure.Note(OutOfMemory());
    }

    // The clean-up closes only what opened and always runs to the end.
    int Result = 0;
    InOutRes() = 0;
    if (Source.IsOpen()) {
        Source.CloseLineFile();
        Failure.Check();
    }
    if (Target.IsOpen()) {
        if (Direct) {
            Target.CloseLineFile();
        } else if (Failure) {
            Target.Discard(); // no half-written temporary file stays behind
        } else if (!Platform().FileExists(TempPath)) {
            Target.CloseLineFile(); // it vanished during the call: nothing to put in place
            InOutRes() = 0;
        } else {
            Target.Commit(Replaced);
            Result = 1;
        }
        Failure.Check();
        if (Direct && !Failure) Result = 1;
    }
    THanZen* Mine = HanZen.get();
    HanZenObj.compare_exchange_strong(Mine, nullptr); // unless a later call took the slot
    HanZen.reset();

    if (Failure) Failure.Raise();
    return Result;
}
