// The I/O error model of the file layer: each operation stores a code in the calling
// thread's I/O code and returns normally; IOCheck turns a stored code into EInOutError.
#pragma once

#include <exception>
#include <string>

// Codes of the file layer's own (the others are the platform's Windows error codes).
constexpr int IoFileNotOpen = 103;          // closing a file that is not open; writing to it
constexpr int IoFileNotOpenForInput = 104;  // reading a file that is not open for reading
constexpr int IoFileNotOpenForOutput = 105; // writing a file open for reading; unusable handle
constexpr int IoNotEnoughMemory = 8;        // the platform's code for exhausted memory

class EInOutError : public std::exception {
public:
    EInOutError(int Code, std::string Message) : ErrorCode(Code), FMessage(std::move(Message)) {}
    // Shift-JIS text.
    const std::string& Message() const { return FMessage; }
    const char* what() const noexcept override { return FMessage.c_str(); }

    int ErrorCode;

private:
    std::string FMessage;
};

// The calling thread's I/O code; 0 means no error.
int& InOutRes();

// The Shift-JIS message for a code: the platform's text for the codes that have one,
// "I/O ｴﾗｰ (code)" for the others.
std::string InOutErrorMessage(int Code);

// Raises EInOutError when the thread's I/O code is set, and clears the code.
void IOCheck();
