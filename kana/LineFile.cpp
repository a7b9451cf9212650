#include "LineFile.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char CR = '\r';
constexpr char LF = '\n';
constexpr char CtrlZ = '\x1A';

// The first of the bytes A and B in [Begin, End), or End.
const char* FindEither(const char* Begin, const char* End, char A, char B) {
    const auto* First =
        static_cast<const char*>(std::memchr(Begin, A, static_cast<std::size_t>(End - Begin)));
    if (!First) First = End;
    const auto* Second = static_cast<const char*>(
        std::memchr(Begin, B, static_cast<std::size_t>(First - Begin)));
    return Second ? Second : First;
}

} // namespace

LineFile::LineFile(std::uint32_t BlockSize, TLineRule Rule)
    : FBlockSize(BlockSize), FRule(Rule), FBuffer(new char[BlockSize]) {}

LineFile::~LineFile() {
    if (FMode != TMode::Closed && !FStdHandle) Platform().Close(FHandle);
}

void LineFile::BindName(std::string Name) {
    FName = std::move(Name);
    FMode = TMode::Closed;
    FPos = FEnd = 0;
}

void LineFile::OpenForReading(TReadShare Share) {
    if (IsOpen()) CloseLineFile();
    FPos = FEnd = 0;
    FInputEnded = false;
    TFileHandle Handle = InvalidFileHandle;
    const std::uint32_t Code =
        FName.empty() ? Platform().StdInput(Handle) : Platform().OpenRead(FName, Handle, Share);
    if (Code != 0) return Fail(Code, TFileOp::Open);
    Opened(Handle, TMode::Reading);
}

void LineFile::CreateForWriting() {
    if (IsOpen()) CloseLineFile();
    FPos = FEnd = 0;
    TFileHandle Handle = InvalidFileHandle;
    const std::uint32_t Code =
        FName.empty() ? Platform().StdOutput(Handle) : Platform().CreateWrite(FName, Handle);
    if (Code != 0) return Fail(Code, TFileOp::Create);
    const TFileType Type = Platform().FileType(Handle);
    if (Type == TFileType::Unknown) {
        if (!FName.empty()) Platform().Close(Handle);
        return Fail(IoFileNotOpenForOutput, TFileOp::Create);
    }
    Opened(Handle, TMode::Writing);
    FFlushEachWrite = Type == TFileType::Char;
}

void LineFile::CreateBeside(const std::string& Dest) {
    if (IsOpen()) CloseLineFile();
    FPos = FEnd = 0;
    TFileHandle Handle = InvalidFileHandle;
    const std::uint32_t Code = Platform().CreateBeside(Dest, FName, Handle);
    if (Code != 0) return Fail(Code, TFileOp::Create);
    Opened(Handle, TMode::Writing);
    FFlushEachWrite = false;
}

void LineFile::Opened(TFileHandle Handle, TMode Mode) {
    FHandle = Handle;
    FStdHandle = FName.empty();
    FMode = Mode;
}

// One read of at most a block. The end of the data, or a failed read, ends the input for
// good: from then on the file behaves as if a 0x1A stood at the current position.
bool LineFile::Refill() {
    FPos = FEnd = 0;
    if (FInputEnded) return false;
    FMayWait = false;
    std::uint32_t Got = 0;
    const std::uint32_t Code = Platform().Read(FHandle, FBuffer.get(), FBlockSize, Got);
    if (Code != 0 || Got == 0) {
        FInputEnded = true;
        Fail(Code, TFileOp::Read);
        return false;
    }
    FEnd = Got;
    if (OnRead) OnRead(std::string_view(FBuffer.get(), Got));
    return true;
}

bool LineFile::AtEnd() {
    if (FMode != TMode::Reading) {
        Fail(IoFileNotOpenForInput, TFileOp::Read);
        return true;
    }
    if (FPos == FEnd && !Refill()) return true;
    return FRule == TLineRule::CrOrCrLf && FBuffer[FPos] == CtrlZ;
}

std::string LineFile::ReadLine() {
    std::string Line;
    ReadLine(Line);
    return Line;
}

void LineFile::ReadLine(std::string& Line) {
    Line.clear();
    ReadPiece(Line, std::string::npos);
}

TLineEnd LineFile::ReadPiece(std::string& Piece, std::size_t Max) {
    if (FMode != TMode::Reading) {
        Fail(IoFileNotOpenForInput, TFileOp::Read);
        return TLineEnd::None;
    }
    // The bytes that end a line, or the input, under the rule.
    const char Stop1 = CR, Stop2 = FRule == TLineRule::CrOrCrLf ? CtrlZ : LF;
    for (;;) {
        if (FPos == FEnd && WouldWait()) {
            FMayWait = true;
            return TLineEnd::Waiting;
        }
        if (FPos == FEnd && !Refill()) return TLineEnd::None; // the last line needs no end
        const char* Begin = FBuffer.get() + FPos;
        const char* Limit = Begin + std::min<std::size_t>(FEnd - FPos, Max);
        const char* Stop =
            FRule == TLineRule::NoLines ? Limit : FindEither(Begin, Limit, Stop1, Stop2);
        Piece.append(Begin, Stop);
        Max -= static_cast<std::size_t>(Stop - Begin);
        FPos += static_cast<std::uint32_t>(Stop - Begin);
        if (Stop == Limit) {
            if (Max == 0) return TLineEnd::Open;
            continue;
        }
        if (*Stop == CtrlZ) return TLineEnd::None; // never consumed: the input ends here
        ++FPos;
        if (*Stop == LF) return TLineEnd::Lf;
        // A CR, and an LF right after it.
        if (FPos == FEnd && !Refill()) return TLineEnd::Cr;
        if (FBuffer[FPos] != LF) return TLineEnd::Cr;
        ++FPos;
        return TLineEnd::CrLf;
    }
}

bool LineFile::WouldWait() {
    return FLive && !FMayWait && !FInputEnded && FMode == TMode::Reading && FPos == FEnd &&
           Platform().WouldWait(FHandle);
}

bool LineFile::Preview(const std::function<void(std::string_view)>& See) {
    std::uint64_t Start = 0;
    if (FMode != TMode::Reading || FPos != FEnd || FInputEnded ||
        Platform().FileType(FHandle) != TFileType::Disk || Platform().Position(FHandle, Start) != 0)
        return false;
    for (;;) {
        std::uint32_t Got = 0;
        const std::uint32_t Code = Platform().Read(FHandle, FBuffer.get(), FBlockSize, Got);
        if (Code != 0) {
            FInputEnded = true;
            Fail(Code, TFileOp::Read);
            return true;
        }
        if (Got == 0) break;
        See(std::string_view(FBuffer.get(), Got));
    }
    if (const std::uint32_t Code = Platform().SetPosition(FHandle, Start)) {
        FInputEnded = true;
        Fail(Code, TFileOp::Read);
    }
    return true;
}

void LineFile::Flush() {
    if (FMode == TMode::Writing && FPos > 0) WriteOut();
}

std::uint64_t LineFile::SkipRest() {
    std::uint64_t Skipped = FEnd - FPos;
    FPos = FEnd;
    while (Refill()) Skipped += FEnd, FPos = FEnd;
    return Skipped;
}

void LineFile::WriteText(std::string_view Text) {
    if (FMode != TMode::Writing)
        return Fail(FMode == TMode::Reading ? IoFileNotOpenForOutput : IoFileNotOpen,
                    TFileOp::Write);
    while (!Text.empty()) {
        const std::size_t N = std::min<std::size_t>(FBlockSize - FPos, Text.size());
        std::memcpy(FBuffer.get() + FPos, Text.data(), N);
        FPos += static_cast<std::uint32_t>(N);
        Text.remove_prefix(N);
        // A failed write drops the rest of this call's bytes.
        if (FPos == FBlockSize && !WriteOut()) return;
    }
    if (FFlushEachWrite && FPos > 0) WriteOut();
}

bool LineFile::WriteOut() {
    const std::uint32_t Code = Platform().Write(FHandle, FBuffer.get(), FPos);
    FPos = 0;
    Fail(Code, TFileOp::Write);
    return Code == 0;
}

void LineFile::CloseLineFile() {
    if (FMode == TMode::Closed) return Fail(IoFileNotOpen, TFileOp::Close);
    // The handle is released even when the last block cannot be written.
    const bool Written = FMode != TMode::Writing || FPos == 0 || WriteOut();
    const std::uint32_t Code = FStdHandle ? 0 : Platform().Close(FHandle);
    if (Written) Fail(Code, TFileOp::Close);
    FHandle = InvalidFileHandle;
    FMode = TMode::Closed;
}

void LineFile::Commit(const std::string& Dest, std::vector<TLostAttribute>* Lost) {
    if (FMode != TMode::Writing || FStdHandle) return Fail(IoFileNotOpen, TFileOp::Replace, &Dest);
    if (FPos > 0 && !WriteOut()) return Discard(); // the write failure stays the one stored
    std::vector<TLostAttribute> Ignored;
    const std::uint32_t Code = Platform().Commit(FHandle, FName, Dest, Lost ? *Lost : Ignored);
    FHandle = InvalidFileHandle;
    FMode = TMode::Closed;
    Fail(Code, TFileOp::Replace, &Dest);
}

void LineFile::Discard() {
    if (FMode != TMode::Writing || FStdHandle) return Fail(IoFileNotOpen, TFileOp::Close);
    const std::uint32_t Code = Platform().Discard(FHandle, FName);
    FHandle = InvalidFileHandle;
    FMode = TMode::Closed;
    FPos = 0;
    if (FCode == 0) Fail(Code, TFileOp::Close);
}

void LineFile::Fail(std::uint32_t Code, TFileOp Op, const std::string* Path) {
    if (Code == 0) return;
    FCode = static_cast<int>(Code);
    FOp = Op;
    FFailedPath = Path ? *Path : FName;
}

std::optional<EInOutError> LineFile::TakeFailure() {
    if (FCode == 0) return std::nullopt;
    const int Code = FCode;
    FCode = 0;
    return EInOutError(Code, FOp, std::move(FFailedPath));
}

void LineFile::IOCheck() {
    if (auto Failure = TakeFailure()) throw *std::move(Failure);
}
