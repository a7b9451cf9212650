// File conversion: one text file into another, line by line, through a temporary file
// beside the destination that finally takes the destination's place.
#pragma once

#include "HanZen.h"
#include "IOError.h"
#include "LineFile.h"
#include "TextConverter.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The library's application object: owner of every conversion component, from load to
// unload.
TComponent& Application();

// The component of the conversion in progress on some thread (null when none).
extern std::atomic<THanZen*> HanZenObj;

// Where a conversion's text goes instead of a destination: kanaconv compares it with the
// input, or keeps both, to tell whether and how converting a file would change it.
class TTextSink {
public:
    virtual ~TTextSink() = default;
    // Every block of the input as it was read, before any text converted from it.
    virtual void Read(std::string_view Block) = 0;
    // The next piece of the converted text. False ends the conversion here: the rest of
    // the input is neither read nor converted.
    virtual bool Write(std::string_view Text) = 0;
};

// How a conversion reads, converts and writes. The defaults are the library's: 128-byte
// blocks, CR or CR LF ends a line and 0x1A the input, every line written with CR LF, the
// temporary file "$$$$$$$$.~kn", whole lines, Shift-JIS in and out, the source read
// alone, no backup.
struct TFileSettings {
    std::uint32_t BlockSize = LineFile::LibraryBlockSize;
    TLineRule Lines = TLineRule::CrOrCrLf;
    TNewline Newline = TNewline::CrLf;
    // A temporary file of a name of its own, so that conversions into one folder do not
    // meet; otherwise "$$$$$$$$.~kn", which a second conversion finds taken (32).
    bool UniqueTemporary = false;
    // Lines longer than this are converted in pieces of about this size, in constant
    // memory; 0: whole lines, however long.
    std::size_t Piece = 0;
    // After a 0x1A ended the input, read on to count the bytes left out.
    bool CountLeftOut = false;
    // The converter of the text, given the options and, for a source judged whole before
    // it is read (JudgeWhole), the judgement; unset: the library's, Shift-JIS in and out
    // through a THanZen owned by the application object. It may throw EUtf8Refused.
    std::function<std::unique_ptr<TTextConverter>(const TOptions&, const TJudgement*)> Text;
    // A source on disk is read once through the encoding judge before it is converted, so
    // that its whole text decides how it is read.
    bool JudgeWhole = false;
    // Live reading: whenever the source (a pipe, a terminal) would make the conversion wait
    // for more, what came so far is converted, as far as the converter may cut, and
    // written out.
    bool Live = false;
    // Counts the bytes read, block by block, when set.
    std::atomic<std::uint64_t>* BytesRead = nullptr;
    // How the source is shared while it is read. Under Readers, a source that is the file
    // the conversion replaces (a conversion in place) is read alone all the same, and
    // held until the new file has taken its place: two conversions of one file in place
    // never both win. (POSIX only: Windows cannot rename onto a file held open.)
    TReadShare SourceShare = TReadShare::Alone;
    // Non-empty: an existing file that the conversion replaces is kept as its name and
    // this suffix, beside it.
    std::string BackupSuffix;
    // When set, the converted text goes here and no file is created, written or replaced
    // (the destination's name is not used).
    TTextSink* Sink = nullptr;
};

// What came of a conversion.
enum class TOutcome {
    Converted, // the destination holds the converted file
    Refused,   // CheckSame found the two paths the same: nothing was touched
    Vanished,  // the temporary file was gone when the conversion ended: nothing replaced
    Failed,    // Failure tells why; the destination is untouched, nothing left behind
    Utf8Text,  // the text is UTF-8, and the converter takes Shift-JIS only: nothing touched
};

// Something a conversion could not keep, though it went on.
enum class TWarning : std::uint8_t {
    AttributeLost, // the file at Path lacks the extended attribute Name ("": all of them)
                   // that the file it replaced (or backs up) has
};

struct TConvertWarning {
    TWarning Kind;
    std::string Path, Name;
    int ErrorCode; // why
};

struct TConvertResult {
    TOutcome Outcome = TOutcome::Converted;
    std::optional<EInOutError> Failure; // the first failure of a failed conversion
    TEncoding ReadAs = TEncoding::Sjis; // Auto: the input held nothing but ASCII
    // Read as UTF-8: how many sequences were no UTF-8 (they passed through as they were),
    // and where the first one stands.
    std::uint64_t NotUtf8 = 0;
    TTextPlace FirstNotUtf8{};
    std::uint64_t Folded = 0; // characters written as their code page 932 twins
    // A failure of TFileOp::Judge: the encoding the text already written is in.
    TEncoding Wrote = TEncoding::Auto;
    std::uint64_t LeftOut = 0;          // bytes from a 0x1A that ended the input on
    std::vector<TConvertWarning> Warnings{};
    // The destination was written directly (standard output, a device, a pipe), and
    // received Streamed bytes, which it keeps even when the conversion failed after them.
    // A file is written through its temporary file: a failure leaves it as it was.
    bool Direct = false;
    std::uint64_t Streamed = 0;
};

// Converts SrcFile into DestFile. An empty SrcFile is standard input; an empty DestFile
// is standard output. Standard output, a device or a pipe is written directly; a
// symbolic link keeps its place, and the file at the end of its chain is replaced (or
// created), by a file with its mode and extended attributes (and owner, where the process
// may set it). CheckSame refuses two paths that are equal apart from ASCII letter case.
// Never throws: every failure, memory running out among them, comes back in the result,
// after the clean-up.
TConvertResult ConvertFile(std::string_view SrcFile, std::string_view DestFile, bool CheckSame,
                           const TOptions& Options, const TFileSettings& Settings = {}) noexcept;

// True when A and B are equal after mapping 'a'..'z' to 'A'..'Z' in both.
bool SameIgnoringAsciiCase(std::string_view A, std::string_view B);
