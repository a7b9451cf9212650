// --check and --diff: what converting a file would change, nothing written. The file
// layer converts as it would for real and hands its text to a sink here instead of a
// destination.
#pragma once

#include "Arguments.h"
#include "FileConvert.h"

#include <string>

// Whether a conversion changes its input, decided as both come: the converted text is
// compared with the input, only the part of one that the other has not reached yet is
// held, and the conversion stops at the first difference.
class TChangeCheck final : public TTextSink {
public:
    void Read(std::string_view Block) override { Meet(Block, true); }
    bool Write(std::string_view Text) override { return Meet(Text, false); }
    // After the conversion: its text differs from the input.
    bool Changed() const { return FDiffers || FStart < FAhead.size(); }

private:
    // Compares the next bytes of one side with what the other side has already given;
    // false once they differ.
    bool Meet(std::string_view Bytes, bool Input);

    std::string FAhead;     // the bytes of one side that the other has not reached
    std::size_t FStart = 0; // where they start in FAhead
    bool FInputAhead = true;
    bool FDiffers = false;
};

// Keeps the input and its conversion whole, for a diff.
class TCapture final : public TTextSink {
public:
    void Read(std::string_view Block) override { Input += Block; }
    bool Write(std::string_view Text) override {
        Output += Text;
        return true;
    }
    std::string Input, Output;
};

struct TPreview {
    TConvertResult Result;
    bool Changed = false;
    // For standard output when Changed: the file's name and a line end (--check), or its
    // diff (--diff).
    std::string Shown;
};

// What converting Source ("": standard input) under A and Settings would change. A diff
// shows both sides in the terminal's character set, whatever the file's encoding; its
// headers and the list name standard input "-".
TPreview Preview(const std::string& Source, const TArguments& A, TFileSettings Settings);
