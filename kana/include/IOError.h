// Failures of the file layer, and where each may happen.
//
// Every operation of a LineFile stores the code of its failure in the file and returns
// normally; IOCheck raises the stored code as EInOutError, the one exception of the layer.
// - Opening and creating fail with the platform's code: 2 missing file, 3 missing folder,
//   5 access denied (a folder, a read-only file or folder), 32 held by another
//   conversion, 123 bad name, 206 name too long.
// - Reading and writing fail with the platform's code (112: the disk is full).
// - Using a file that is not open fails with the layer's own codes 103..105.
// - Putting a finished file in its destination's place fails with the platform's code
//   (5: the destination is read-only or a folder), and so does keeping the file it
//   replaces as a backup (80: the backup's name is the source's). A destination whose
//   symbolic links loop fails at the create with 1921.
// - Memory running out while converting is code 8; a character that the output's
//   encoding cannot hold (kanaconv's UTF-8 and Shift-JIS) is 1113.
// ConvertFile (FileConvert.h) keeps the first failure of a conversion and hands it to its
// caller, which reports it once: as the last error, a structured exception or a message.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

// Codes of the file layer's own (the others are the platform's Windows error codes).
constexpr int IoFileNotOpen = 103;          // closing a file that is not open; writing to it
constexpr int IoFileNotOpenForInput = 104;  // reading a file that is not open for reading
constexpr int IoFileNotOpenForOutput = 105; // writing a file open for reading; unusable handle

// What was being done when a failure happened.
enum class TFileOp : std::uint8_t {
    Open,    // opening the source for reading
    Create,  // creating the file written (a temporary file, or the destination itself)
    Read,    // reading the source
    Write,   // writing the file written
    Close,   // closing a file
    Replace, // putting the finished file in the destination's place
    Backup,  // keeping the file replaced under its backup name (Path)
    Convert, // converting, with no file at fault (memory ran out)
    Judge,   // the input turned to the other encoding after text had been written (Line)
};

class EInOutError : public std::exception {
public:
    // The message is the one InOutErrorMessage gives for Code. Path names the file the
    // operation was on: for Replace the destination, for every other operation on the
    // file written the file as it was opened (a temporary file, usually).
    EInOutError(int Code, TFileOp Op, std::string Path = {});
    // Shift-JIS text.
    const std::string& Message() const& { return FMessage; }
    std::string Message() && { return std::move(FMessage); }
    const char* what() const noexcept override { return FMessage.c_str(); }

    int ErrorCode;
    TFileOp Op;
    std::string Path;
    // For a character that the output's encoding cannot hold: where it stands in the
    // source (from 1; Line 0 for every other failure) and its bytes as read.
    std::uint64_t Line = 0, Column = 0;
    std::string Bytes;

private:
    std::string FMessage;
};

// The Shift-JIS message for a code: the platform's text for the codes that have one,
// "I/O ｴﾗｰ (code)" for the others.
std::string InOutErrorMessage(int Code);
