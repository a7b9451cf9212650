// Writes the benchmark's Japanese sample text (with --half-width, its half-width-heavy
// text), in Shift-JIS with CR LF line ends, to standard output: at least MEGABYTES MB
// (default 50), the same bytes every time.
#include "SampleText.h"

#include <cstdio>
#include <cstdlib>

int main(int Argc, char** Argv) {
    const bool HalfWidth = Argc > 2 && std::string(Argv[2]) == "--half-width";
    const long Megabytes = Argc > 1 ? std::strtol(Argv[1], nullptr, 10) : 50;
    if (Megabytes <= 0 || (Argc > 2 && !HalfWidth)) {
        std::fprintf(stderr, "usage: make_sample_text [MEGABYTES [--half-width]]\n");
        return 2;
    }
    const std::vector<std::string> Lines =
        HalfWidth ? HalfWidthLines(10000, 60) : SampleLines(10000, 60);
    const std::size_t Want = static_cast<std::size_t>(Megabytes) << 20;
    for (std::size_t Written = 0; Written < Want;) {
        for (const std::string& Line : Lines) {
            std::fwrite(Line.data(), 1, Line.size(), stdout);
            std::fwrite("\r\n", 1, 2, stdout);
            Written += Line.size() + 2;
        }
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
