// LineFile: a text file read line by line or written in pieces, through a 128-byte buffer.
//
// Bytes are moved unchanged. A line ends at CR or CR LF; an LF alone is an ordinary byte;
// 0x1A ends the input wherever it stands. Every operation stores its failure in the file
// (IOError.h) and returns normally; the caller runs IOCheck.
#pragma once

#include "IOError.h"
#include "Platform.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class LineFile {
public:
    static constexpr std::uint32_t BufferSize = 128;

    LineFile() = default;
    LineFile(const LineFile&) = delete;
    LineFile& operator=(const LineFile&) = delete;
    // Releases a handle still open; what is buffered for writing is not written.
    ~LineFile();

    // Names the file; an empty name stands for standard input or output. Any length.
    void BindName(std::string Name);
    const std::string& Name() const { return FName; }

    void OpenForReading();
    // Creates the file, or truncates an existing one.
    void CreateForWriting();

    // True when the input is exhausted: no further byte, or the next byte is 0x1A.
    bool AtEnd();
    // The rest of the current line, without its line end, which is consumed.
    std::string ReadLine();
    // The same into Line, whose storage is reused.
    void ReadLine(std::string& Line);
    // Appends Text; reaches the platform in blocks of 128 bytes (at once on a
    // character device).
    void WriteText(std::string_view Text);
    // Reading: closes. Writing: writes out the buffer, then closes.
    void CloseLineFile();

    // Writing only: writes out the buffer, forces the file to disk, puts it in Dest's
    // place in one step and closes it. On failure the file is removed and Dest untouched.
    void Commit(const std::string& Dest);
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
    // Stores a failure (Code 0: none) of Op; Path is the file's name unless given.
    void Fail(std::uint32_t Code, TFileOp Op, const std::string* Path = nullptr);

    std::string FName;
    TMode FMode = TMode::Closed;
    TFileHandle FHandle = InvalidFileHandle;
    bool FStdHandle = false;
    bool FFlushEachWrite = false;
    bool FInputEnded = false; // the data ended or a read failed: as if 0x1A stood here
    std::uint32_t FPos = 0;   // next byte to take (reading) or next free byte (writing)
    std::uint32_t FEnd = 0;   // valid bytes in the buffer (reading)
    int FCode = 0;            // the stored failure: its code, what was done, on which file
    TFileOp FOp = TFileOp::Open;
    std::string FFailedPath;
    char FBuffer[BufferSize];
};
