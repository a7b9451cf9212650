// LineFile: a text file read line by line or written in pieces, through a buffer of one
// block (128 bytes for the library, larger for kanaconv).
//
// Bytes are moved unchanged. Under the library's line rule a line ends at CR or CR LF,
// an LF alone is an ordinary byte and 0x1A ends the input wherever it stands; under the
// other rule a line ends at LF, CR LF or a lone CR and 0x1A is an ordinary byte. Every
// operation stores its failure in the file (IOError.h) and returns normally; the caller
// runs IOCheck.
#pragma once

#include "IOError.h"
#include "Platform.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class TLineRule : std::uint8_t {
    CrOrCrLf, // CR or CR LF ends a line; 0x1A ends the input
    AnyEnd,   // LF, CR LF or CR ends a line; 0x1A is an ordinary byte
    NoLines,  // the input is one line, line ends and all: read in pieces as it comes
};

// How a line read ended.
enum class TLineEnd : std::uint8_t {
    Open, // it has not: the piece read was as long as asked for
    None, // the input ended without a line end (or at a 0x1A)
    Lf,
    CrLf,
    Cr,
    Waiting, // reading on would wait for more data (live reading only): nothing more came
};

class LineFile {
public:
    static constexpr std::uint32_t LibraryBlockSize = 128;

    explicit LineFile(std::uint32_t BlockSize = LibraryBlockSize,
                      TLineRule Rule = TLineRule::CrOrCrLf);
    LineFile(const LineFile&) = delete;
    LineFile& operator=(const LineFile&) = delete;
    // Releases a handle still open; what is buffered for writing is not written.
    ~LineFile();

    // Names the file; an empty name stands for standard input or output. Any length.
    void BindName(std::string Name);
    const std::string& Name() const { return FName; }

    // Opens the file for reading, shared with other opens as Share says.
    void OpenForReading(TReadShare Share = TReadShare::Alone);
    // Creates the file, or truncates an existing one.
    void CreateForWriting();
    // Creates a new file of a name of its own in the folder of Dest and names this
    // object after it.
    void CreateBeside(const std::string& Dest);

    // Called with every block read, as read.
    std::function<void(std::string_view)> OnRead;
    // Live reading: where a read of a pipe or terminal would wait for more data, ReadPiece
    // returns TLineEnd::Waiting first (once: the next call waits), so that what came so far
    // can go out.
    void SetLive(bool Live) { FLive = Live; }
    // Live reading: true when nothing is buffered and a read would wait.
    bool WouldWait();
    // Reading a file on disk, before anything else is read: hands every block of the rest
    // of the file to See, then goes back to where it was. False, with nothing read, for a
    // source that cannot go back (a pipe, a device).
    bool Preview(const std::function<void(std::string_view)>& See);

    // True when the input is exhausted: no further byte, or (library rule) the next
    // byte is 0x1A.
    bool AtEnd();
    // The rest of the current line, without its line end, which is consumed.
    std::string ReadLine();
    // The same into Line, whose storage is reused.
    void ReadLine(std::string& Line);
    // Appends at most Max bytes of the current line to Piece and consumes them; when the
    // line ends within them, its line end is consumed too and tells how it ended.
    TLineEnd ReadPiece(std::string& Piece, std::size_t Max);
    // After the input ended at a 0x1A: reads the rest of the file and returns how many
    // bytes it holds, the 0x1A included.
    std::uint64_t SkipRest();
    // Appends Text; reaches the platform in blocks (at once on a character device).
    void WriteText(std::string_view Text);
    // Writing: writes out what is buffered.
    void Flush();
    // Reading: closes. Writing: writes out the buffer, then closes.
    void CloseLineFile();

    // Writing only: writes out the buffer, gives the file the mode, owner and extended
    // attributes of Dest, forces it to disk, puts it in Dest's place in one step and
    // closes it. On failure the file is removed and Dest untouched. The attributes that
    // could not be given are added to Lost, when given.
    void Commit(const std::string& Dest, std::vector<TLostAttribute>* Lost = nullptr);
    // Writing only: removes the file and closes it.
    void Discard();

    bool IsOpen() const { return FMode != TMode::Closed; }

    // Raises the failure stored by the operations since the last check, if any, as
    // EInOutError, and forgets it.
    void IOCheck();
    // The same failure as a value, forgotten as well.
    std::optional<EInOutError> TakeFailure();

private:
    enum class TMode { Closed, Reading, Writing };

    bool Refill();
    bool WriteOut();
    void Opened(TFileHandle Handle, TMode Mode);
    // Stores a failure (Code 0: none) of Op; Path is the file's name unless given.
    void Fail(std::uint32_t Code, TFileOp Op, const std::string* Path = nullptr);

    const std::uint32_t FBlockSize;
    const TLineRule FRule;
    std::string FName;
    TMode FMode = TMode::Closed;
    TFileHandle FHandle = InvalidFileHandle;
    bool FStdHandle = false;
    bool FFlushEachWrite = false;
    bool FInputEnded = false; // the data ended or a read failed: as if 0x1A stood here
    bool FLive = false;       // a read that would wait is announced first
    bool FMayWait = false;    // announced: the next read waits
    std::uint32_t FPos = 0;   // next byte to take (reading) or next free byte (writing)
    std::uint32_t FEnd = 0;   // valid bytes in the buffer (reading)
    int FCode = 0;            // the stored failure: its code, what was done, on which file
    TFileOp FOp = TFileOp::Open;
    std::string FFailedPath;
    std::unique_ptr<char[]> FBuffer;
};
