#include "FileConvert.h"

#include "WinErrors.h"

#include <limits>
#include <new>
#include <stdexcept>

namespace {

TComponent TheApplication(nullptr);

std::string_view LineEndText(TNewline Newline, TLineEnd End) {
    switch (Newline) {
    case TNewline::CrLf: return "\r\n";
    case TNewline::Lf: return End == TLineEnd::None ? "" : "\n";
    case TNewline::Keep: break;
    }
    switch (End) {
    case TLineEnd::Lf: return "\n";
    case TLineEnd::CrLf: return "\r\n";
    case TLineEnd::Cr: return "\r";
    default: return "";
    }
}

// Where ConvertLines puts the converted text: the file written, or a sink.
class TOutput {
public:
    TOutput(LineFile& Target, TTextSink* Sink) : FTarget(Target), FSink(Sink) {}
    // False when the sink wants no more.
    bool Put(std::string_view Text) {
        if (FSink) return FSink->Write(Text);
        FTarget.WriteText(Text);
        FTarget.IOCheck();
        Written += Text.size();
        return true;
    }
    // Hands what the file buffers to the system: for a reader at the other end of a pipe.
    void Flush() {
        if (FSink) return;
        FTarget.Flush();
        FTarget.IOCheck();
    }
    std::uint64_t Written = 0; // bytes handed to the file

private:
    LineFile& FTarget;
    TTextSink* const FSink;
};

// Reads every line of Source and puts its conversion and its line end out. A line longer
// than a piece is converted in pieces, each cut where the converter allows, the rest
// carried into the next. The strings are reused, so a steady stream of lines allocates
// nothing. False when the output wanted no more before the input ended.
bool ConvertLines(LineFile& Source, TOutput& Target, TTextConverter& Text,
                  const TFileSettings& Settings) {
    const std::size_t Piece = Settings.Piece ? Settings.Piece : std::numeric_limits<std::size_t>::max();
    std::string Line, Out;
    // A long output (a tab of many spaces) goes out as it grows.
    const TTextFlush Flush = [&Target](std::string& Text) {
        Target.Put(Text);
        Text.clear();
    };
    for (;;) {
        // Everything read so far has been converted: out with it before a read waits.
        if (Source.WouldWait()) Target.Flush();
        const bool End = Source.AtEnd();
        Source.IOCheck();
        if (End) return true;
        Line.clear();
        TLineEnd Ending;
        while ((Ending = Source.ReadPiece(Line, Piece - std::min(Piece - 1, Line.size()))) ==
                   TLineEnd::Open ||
               Ending == TLineEnd::Waiting) {
            Source.IOCheck();
            const std::size_t Cut = Text.Cut(Line);
            Out.clear();
            Text.Convert(std::string_view(Line).substr(0, Cut), Out, &Flush);
            if (!Target.Put(Out)) return false;
            Line.erase(0, Cut);
            if (Ending == TLineEnd::Waiting) Target.Flush();
        }
        Source.IOCheck();
        Out.clear();
        Text.Convert(Line, Out, &Flush);
        Out += LineEndText(Settings.Newline, Ending);
        if (!Target.Put(Out)) return false;
        Text.EndLine();
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
                           const TOptions& Options, const TFileSettings& Settings) noexcept {
    TConvertResult Result;
    // The first failure wins; every later one only runs the clean-up to its end.
    const auto Note = [&Result](std::optional<EInOutError> Failure) {
        if (Failure && !Result.Failure) {
            Result.Outcome = TOutcome::Failed;
            Result.Failure = std::move(Failure);
        }
    };
    LineFile Source(Settings.BlockSize, Settings.Lines), Target(Settings.BlockSize);
    TOutput Output(Target, Settings.Sink);
    std::unique_ptr<TTextConverter> Text;
    THanZen* Component = nullptr; // the library's, owned by the application object
    const bool Sinking = Settings.Sink != nullptr;
    bool Direct = DestFile.empty();
    bool Held = false; // the source stays open, and locked, until it is replaced
    std::string Replaced, TempPath, Backup;
    std::vector<TLostAttribute> Lost;
    try {
        // Standard output, a device or a pipe is written directly; a file is replaced by a
        // temporary file beside it. The paths come first, before anything is opened.
        std::uint32_t Unresolved = 0;
        if (!Direct && !Sinking)
            Unresolved = Platform().ReplaceTarget(std::string(DestFile), Replaced, Direct);
        if (!Direct && !Sinking && !Settings.UniqueTemporary)
            TempPath = Platform().TempPathFor(Replaced);
        if (CheckSame && SameIgnoringAsciiCase(SrcFile, DestFile)) {
            Result.Outcome = TOutcome::Refused;
            return Result;
        }
        if (Unresolved)
            throw EInOutError(static_cast<int>(Unresolved), TFileOp::Create, std::string(DestFile));
        const std::string Src(SrcFile);
        const bool Sharing = Settings.SourceShare != TReadShare::Alone;
        const bool InPlace = !Direct && !Src.empty() &&
                             (Sharing || !Settings.BackupSuffix.empty()) &&
                             Platform().SameFile(Src, Replaced);
        Held = Sharing && InPlace;
        if (!Direct && !Sinking && !Settings.BackupSuffix.empty()) {
            Backup = Replaced + Settings.BackupSuffix;
            // The backup would take the place of the text still to be read.
            if (!InPlace && !Src.empty() && Platform().SameFile(Src, Backup))
                throw EInOutError(ERROR_FILE_EXISTS, TFileOp::Backup, Backup);
        }

        if (Settings.BytesRead || Settings.Sink)
            Source.OnRead = [Count = Settings.BytesRead, Sink = Settings.Sink](std::string_view Block) {
                if (Count) *Count += Block.size();
                if (Sink) Sink->Read(Block);
            };
        Source.SetLive(Settings.Live && !Sinking);
        Source.BindName(Src);
        Source.OpenForReading(Held ? TReadShare::Alone : Settings.SourceShare);
        Source.IOCheck();
        // The whole text judged before any of it is converted, where it can be read twice.
        std::optional<TJudgement> Judged;
        if (Settings.JudgeWhole) {
            TEncodingJudge Judge;
            if (Source.Preview([&Judge](std::string_view Block) { Judge.See(Block); })) {
                Source.IOCheck();
                Judge.Finish();
                Judged = Judge.Judgement();
            }
        }
        if (Settings.Text) {
            Text = Settings.Text(Options, Judged ? &*Judged : nullptr);
        } else {
            Component = new THanZen(&Application());
            Component->SetOptions(Options);
            HanZenObj.store(Component);
            Text = ShiftJisText(*Component);
        }
        Source.IOCheck();
        if (!Sinking) {
            if (!Direct && Settings.UniqueTemporary) {
                Target.CreateBeside(Replaced);
                TempPath = Target.Name();
            } else {
                Target.BindName(Direct ? std::string(DestFile) : TempPath);
                Target.CreateForWriting();
            }
            Target.IOCheck();
        }
        const bool Whole = ConvertLines(Source, Output, *Text, Settings);
        if (Whole && Settings.CountLeftOut) Result.LeftOut = Source.SkipRest();
        Result.ReadAs = Judged ? ReadAs(Judged->Encoding) : Text->ReadAs();
        Result.Folded = Text->Folded();
        const TEvidence* Evidence = Judged ? &Judged->Evidence : Text->Evidence();
        if (Evidence && Result.ReadAs == TEncoding::Utf8) {
            Result.NotUtf8 = Evidence->Utf8Invalid;
            Result.FirstNotUtf8 = Evidence->FirstInvalid;
        }
    } catch (EInOutError& E) {
        Note(std::move(E));
    } catch (const EUtf8Refused&) {
        Result.Outcome = TOutcome::Utf8Text;
        Result.ReadAs = TEncoding::Utf8;
    } catch (const EMixedEncoding& E) {
        EInOutError Failure(ERROR_INVALID_DATA, TFileOp::Judge, std::string(SrcFile));
        Failure.Line = E.Line;
        Note(std::move(Failure));
        Result.Wrote = E.Written;
        Result.ReadAs = E.Written == TEncoding::Utf8 ? TEncoding::Sjis : TEncoding::Utf8;
    } catch (ETextError& E) {
        EInOutError Failure(ERROR_NO_UNICODE_TRANSLATION, TFileOp::Convert, std::string(SrcFile));
        Failure.Line = E.Line;
        Failure.Column = E.Column;
        Failure.Bytes = std::move(E.Bytes);
        Note(std::move(Failure));
    } catch (const std::bad_alloc&) {
        Note(EInOutError(ERROR_NOT_ENOUGH_MEMORY, TFileOp::Convert));
    } catch (const std::length_error&) { // a string longer than memory can hold
        Note(EInOutError(ERROR_NOT_ENOUGH_MEMORY, TFileOp::Convert));
    } catch (...) {
        Note(EInOutError(ERROR_GEN_FAILURE, TFileOp::Convert));
    }

    // The clean-up closes only what opened and always runs to the end.
    if (Source.IsOpen() && !Held) {
        Source.CloseLineFile();
        Note(Source.TakeFailure());
    }
    if (Target.IsOpen()) {
        if (Direct) {
            Target.CloseLineFile();
        } else if (Result.Failure || Result.Outcome != TOutcome::Converted) {
            Target.Discard(); // no half-written temporary file stays behind
        } else if (!Platform().FileExists(TempPath)) {
            Target.CloseLineFile(); // it vanished during the call: nothing to put in place
            Target.TakeFailure();
            Result.Outcome = TOutcome::Vanished;
        } else {
            if (!Backup.empty())
                if (const std::uint32_t Code = Platform().Backup(Replaced, Backup, Lost))
                    Note(EInOutError(static_cast<int>(Code), TFileOp::Backup, Backup));
            if (Result.Failure)
                Target.Discard();
            else
                Target.Commit(Replaced, &Lost);
        }
        Note(Target.TakeFailure());
    }
    if (Source.IsOpen()) {
        // Held until now, and read to its end or given up: closing it loses nothing.
        Source.CloseLineFile();
        Source.TakeFailure();
    }
    for (TLostAttribute& L : Lost)
        Result.Warnings.push_back({TWarning::AttributeLost, std::move(L.Path), std::move(L.Name),
                                   static_cast<int>(L.Code)});
    Result.Direct = Direct && !Sinking;
    if (Result.Direct) Result.Streamed = Output.Written;
    Text.reset();
    if (Component) {
        THanZen* Mine = Component;
        HanZenObj.compare_exchange_strong(Mine, nullptr); // unless a later call took the slot
        delete Component; // leaves the application object's list
    }
    return Result;
}
