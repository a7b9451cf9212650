#include "FileConvert.h"

#include "LineFile.h"
#include "WinErrors.h"

#include <memory>
#include <new>
#include <stdexcept>

namespace {

TComponent TheApplication(nullptr);

// Reads every line of Source and writes its conversion, each line ended by CR LF. The
// two strings are reused, so a steady stream of lines allocates nothing.
void ConvertLines(LineFile& Source, LineFile& Target, const THanZen& HanZen) {
    std::string Line, Text;
    for (;;) {
        const bool End = Source.AtEnd();
        Source.IOCheck();
        if (End) break;
        Source.ReadLine(Line);
        Source.IOCheck();
        // An empty line is written as CR LF alone, without passing through the component.
        if (Line.empty())
            Text.clear();
        else
            HanZen.ConvertLine(Line, Text);
        Text += "\r\n";
        Target.WriteText(Text);
        Target.IOCheck();
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

TConvertResult ConvertFile(std::string_view SrcFile, std::string_view DestFile, bool CheckSame,
                           const TOptions& Options) noexcept {
    TConvertResult Result;
    // The first failure wins; every later one only runs the clean-up to its end.
    const auto Note = [&Result](std::optional<EInOutError> Failure) {
        if (Failure && !Result.Failure) {
            Result.Outcome = TOutcome::Failed;
            Result.Failure = std::move(Failure);
        }
    };
    LineFile Source, Target;
    std::unique_ptr<THanZen> HanZen;
    bool Direct = DestFile.empty();
    std::string Replaced, TempPath;
    try {
        // Standard output, a device or a pipe is written directly; a file is replaced by a
        // temporary file beside it. The paths come first, before anything is opened.
        if (!Direct) Replaced = Platform().ReplaceTarget(std::string(DestFile), Direct);
        if (!Direct) TempPath = Platform().TempPathFor(Replaced);
        if (CheckSame && SameIgnoringAsciiCase(SrcFile, DestFile)) return {TOutcome::Refused, {}};

        Source.BindName(std::string(SrcFile));
        Source.OpenForReading();
        Source.IOCheck();
        Target.BindName(Direct ? std::string(DestFile) : TempPath);
        Target.CreateForWriting();
        Target.IOCheck();
        HanZen = std::make_unique<THanZen>(&Application());
        HanZenObj.store(HanZen.get());
        HanZen->SetOptions(Options);
        ConvertLines(Source, Target, *HanZen);
    } catch (EInOutError& E) {
        Note(std::move(E));
    } catch (const std::bad_alloc&) {
        Note(EInOutError(ERROR_NOT_ENOUGH_MEMORY, TFileOp::Convert));
    } catch (const std::length_error&) { // a string longer than memory can hold
        Note(EInOutError(ERROR_NOT_ENOUGH_MEMORY, TFileOp::Convert));
    } catch (...) {
        Note(EInOutError(ERROR_GEN_FAILURE, TFileOp::Convert));
    }

    // The clean-up closes only what opened and always runs to the end.
    if (Source.IsOpen()) {
        Source.CloseLineFile();
        Note(Source.TakeFailure());
    }
    if (Target.IsOpen()) {
        if (Direct) {
            Target.CloseLineFile();
        } else if (Result.Failure) {
            Target.Discard(); // no half-written temporary file stays behind
        } else if (!Platform().FileExists(TempPath)) {
            Target.CloseLineFile(); // it vanished during the call: nothing to put in place
            Target.TakeFailure();
            Result.Outcome = TOutcome::Vanished;
        } else {
            Target.Commit(Replaced);
        }
        Note(Target.TakeFailure());
    }
    THanZen* Mine = HanZen.get();
    HanZenObj.compare_exchange_strong(Mine, nullptr); // unless a later call took the slot
    return Result;
}
