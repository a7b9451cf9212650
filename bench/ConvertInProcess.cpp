// The conversion that kanaconv runs, in memory: reads FILE whole, then judges and converts
// it with kanaconv's options and converter as the file layer would (text whose lines keep
// their ends in pieces of many lines, other text line by line, the output emptied as it
// would be written), and prints the MB/s of input that the conversion alone reached (best
// of five passes). The measure of what kanaconv's own file handling costs on top.
//   convert_in_process [KANACONV OPTIONS] FILE
#include "Arguments.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>

int main(int Argc, char** Argv) {
    TArguments A;
    try {
        A = ParseArguments(Argc, Argv);
    } catch (const EUsage& E) {
        std::fprintf(stderr, "convert_in_process: %s\n", E.what());
        return 2;
    }
    if (A.Files.empty() || A.Files[0].empty()) {
        std::fprintf(stderr, "usage: convert_in_process [KANACONV OPTIONS] FILE\n");
        return 2;
    }
    std::ifstream In(A.Files[0], std::ios::binary);
    const std::string Text((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    const TFileSettings Settings = SettingsFor(A);
    double Best = 0;
    std::size_t Written = 0;
    for (int Pass = 0; Pass < 5; ++Pass) {
        // As kanaconv converts a file: judged whole first, then converted.
        const auto Start = std::chrono::steady_clock::now();
        const TJudgement Judged = JudgeEncoding(Text);
        const auto Converter = Settings.Text(A.Options, Settings.JudgeWhole ? &Judged : nullptr);
        // The text converted goes out as kanaconv writes it: the buffer is emptied once it
        // holds a piece or a megabyte, and only its size is kept.
        std::string Out;
        std::size_t Sent = 0;
        const auto WrittenOut = [&Out, &Sent](std::size_t Above) {
            if (Out.size() < Above) return;
            Sent += Out.size();
            Out.clear();
        };
        if (Settings.Lines == TLineRule::NoLines) {
            std::string Carry;
            for (std::string_view Rest = Text; !Rest.empty() || !Carry.empty();) {
                const std::size_t More = std::min(Rest.size(), Settings.Piece ? Settings.Piece : Rest.size());
                Carry += Rest.substr(0, More);
                Rest.remove_prefix(More);
                const std::size_t Cut = Rest.empty() ? Carry.size() : Converter->Cut(Carry);
                Converter->Convert(std::string_view(Carry).substr(0, Cut), Out);
                Carry.erase(0, Cut);
                WrittenOut(0);
            }
        }
        for (std::size_t At = 0; Settings.Lines != TLineRule::NoLines && At < Text.size();) {
            std::size_t End = Text.find_first_of("\r\n", At);
            if (End == std::string::npos) End = Text.size();
            Converter->Convert(std::string_view(Text).substr(At, End - At), Out);
            const std::size_t Ending =
                End < Text.size() && Text.compare(End, 2, "\r\n") == 0 ? 2 : 1;
            Out.append(Text, std::min(End, Text.size()), std::min(Ending, Text.size() - End));
            Converter->EndLine();
            At = End + Ending;
            WrittenOut(1 << 20);
        }
        WrittenOut(0);
        const double Seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
        Best = std::max(Best, static_cast<double>(Text.size()) / 1e6 / Seconds);
        Written = Sent;
    }
    std::printf("%.1f MB/s (%zu bytes in, %zu out)\n", Best, Text.size(), Written);
    return 0;
}
