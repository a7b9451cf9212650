// kanaconv: converts a Shift-JIS text file from the command line. It only parses
// arguments and reports; the conversion is the library's own (FileConvert.h).
#include "FileConvert.h"
#include "TerminalText.h"
#include "Version.h"

#include <getopt.h>

#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;
constexpr int ExitRefused = 3;

const char Usage[] =
    "Usage: kanaconv [OPTIONS] SOURCE DEST\n"
    "Converts the Shift-JIS (code page 932) text file SOURCE into DEST. Lines are written\n"
    "with CR LF; a 0x1A byte ends the input. SOURCE - reads standard input, DEST - writes\n"
    "standard output. DEST may be SOURCE itself: it is replaced only once the whole\n"
    "converted file is on disk.\n"
    "\n"
    "Options (each defaults to none):\n"
    "  --kata=none|1byte|2byte|hira  katakana to half width, half-width katakana to full\n"
    "                                width (voicing marks merged), or katakana to hiragana\n"
    "  --to-hira=all|1only|2only     with --kata=hira: both widths, half-width only or\n"
    "                                full-width only\n"
    "  --hira=none|1kata|2kata       hiragana to half-width or full-width katakana\n"
    "  --mark=none|1all|2all         full-width letters, digits and symbols to ASCII, or\n"
    "                                ASCII to full width\n"
    "  --space=none|1byte|2byte      full-width space to ' ', or ' ' to full width\n"
    "  --conv-size=none|small|big    small or big letters and kana, after the rest\n"
    "  --tab=none|N                  each tab becomes N spaces (none when N <= 0)\n"
    "  --check-same                  refuse when SOURCE and DEST are the same path\n"
    "                                (ASCII letter case ignored)\n"
    "  --help                        show this help and exit\n"
    "  --version                     show the version and exit\n"
    "\n"
    "Exit status: 0 converted, 1 I/O failure, 2 usage error, 3 refused (same paths).\n";

template <class T>
struct TChoice {
    const char* Name;
    T Value;
};

const TChoice<TConvSize> ConvSizes[] = {{"none", cvNone}, {"small", cvSmall}, {"big", cvBig}};
const TChoice<TSpace> Spaces[] = {{"none", spNone}, {"1byte", sp1byte}, {"2byte", sp2byte}};
const TChoice<TKata> Katas[] = {
    {"none", kNone}, {"1byte", k1byte}, {"2byte", k2byte}, {"hira", kHira}};
const TChoice<TToHira> ToHiras[] = {{"all", thAll}, {"1only", th1Only}, {"2only", th2Only}};
const TChoice<THira> Hiras[] = {{"none", hNone}, {"1kata", h1Kata}, {"2kata", h2Kata}};
const TChoice<TMark> Marks[] = {{"none", mNone}, {"1all", m1All}, {"2all", m2All}};

struct TArguments {
    TOptions Options;
    bool CheckSame = false;
    std::string Source, Dest;
};

[[noreturn]] void UsageError(const std::string& Problem) {
    std::fprintf(stderr, "kanaconv: %s\nTry 'kanaconv --help' for more information.\n",
                 Problem.c_str());
    std::exit(ExitUsage);
}

template <class T, std::size_t N>
T Pick(const char* Option, const char* Value, const TChoice<T> (&Choices)[N]) {
    std::string Valid;
    for (const TChoice<T>& C : Choices) {
        if (std::strcmp(C.Name, Value) == 0) return C.Value;
        Valid += Valid.empty() ? "" : ", ";
        Valid += C.Name;
    }
    UsageError(std::string("invalid value '") + Value + "' for --" + Option + " (valid: " + Valid +
               ")");
}

std::int32_t SpacesPerTab(const char* Value) {
    errno = 0;
    char* End = nullptr;
    const long N = std::strtol(Value, &End, 10);
    if (*Value == '\0' || *End != '\0' || errno == ERANGE || N < INT32_MIN || N > INT32_MAX)
        UsageError(std::string("invalid value '") + Value + "' for --tab (none or a number)");
    return static_cast<std::int32_t>(N);
}

// A file argument: "-" is standard input or output, which the library names "".
std::string FileArgument(const char* Arg, const char* What) {
    if (*Arg == '\0') UsageError(std::string("empty ") + What + " name");
    return std::strcmp(Arg, "-") == 0 ? std::string() : std::string(Arg);
}

TArguments Parse(int Argc, char** Argv) {
    enum { ConvSize = 256, Space, Tab, Kata, ToHira, Hira, Mark, CheckSame, Help, Version };
    const option Options[] = {
        {"conv-size", required_argument, nullptr, ConvSize},
        {"space", required_argument, nullptr, Space},
        {"tab", required_argument, nullptr, Tab},
        {"kata", required_argument, nullptr, Kata},
        {"to-hira", required_argument, nullptr, ToHira},
        {"hira", required_argument, nullptr, Hira},
        {"mark", required_argument, nullptr, Mark},
        {"check-same", no_argument, nullptr, CheckSame},
        {"help", no_argument, nullptr, Help},
        {"version", no_argument, nullptr, Version},
        {nullptr, 0, nullptr, 0},
    };
    TArguments A;
    opterr = 0;
    int Opt;
    while ((Opt = getopt_long(Argc, Argv, "", Options, nullptr)) != -1) {
        TOptions& O = A.Options;
        switch (Opt) {
        case ConvSize: O.ConvSize = Pick("conv-size", optarg, ConvSizes); break;
        case Space: O.Space = Pick("space", optarg, Spaces); break;
        case Tab:
            if (std::strcmp(optarg, "none") == 0) {
                O.Tab = tbNone;
            } else {
                O.Tab = tbSpace;
                O.SpLen = SpacesPerTab(optarg);
            }
            break;
        case Kata: O.Kata = Pick("kata", optarg, Katas); break;
        case ToHira: O.ToHira = Pick("to-hira", optarg, ToHiras); break;
        case Hira: O.Hira = Pick("hira", optarg, Hiras); break;
        case Mark: O.Mark = Pick("mark", optarg, Marks); break;
        case CheckSame: A.CheckSame = true; break;
        case Help: std::fputs(Usage, stdout); std::exit(ExitOk);
        case Version:
            std::printf("kanaconv %s (library interface 1)\n", KANA_VERSION_TEXT);
            std::exit(ExitOk);
        default:
            UsageError(optopt
                           ? std::string("option needs a value or takes none: ") + Argv[optind - 1]
                           : std::string("unknown option: ") + Argv[optind - 1]);
        }
    }
    if (Argc - optind != 2) UsageError("expected SOURCE and DEST");
    A.Source = FileArgument(Argv[optind], "SOURCE");
    A.Dest = FileArgument(Argv[optind + 1], "DEST");
    return A;
}

std::string Shown(const std::string& Name, const char* Std) {
    return Name.empty() ? Std : "'" + Name + "'";
}

} // namespace

int main(int Argc, char** Argv) {
    std::setlocale(LC_ALL, "");
    const TArguments A = Parse(Argc, Argv);
    const TConvertResult R = ConvertFile(A.Source, A.Dest, A.CheckSame, A.Options);
    const std::string From = Shown(A.Source, "standard input");
    const std::string To = Shown(A.Dest, "standard output");
    switch (R.Outcome) {
    case TOutcome::Converted: return ExitOk;
    case TOutcome::Refused:
        std::fprintf(stderr, "kanaconv: %s and %s are the same path; nothing converted\n",
                     From.c_str(), To.c_str());
        return ExitRefused;
    case TOutcome::Vanished:
        std::fprintf(stderr, "kanaconv: the temporary file beside %s vanished; nothing converted\n",
                     To.c_str());
        return ExitFailed;
    case TOutcome::Failed: break;
    }
    std::fprintf(stderr, "kanaconv: cannot convert %s to %s: %s (code %d)\n", From.c_str(),
                 To.c_str(), SjisToTerminal(R.Failure->Message()).c_str(), R.Failure->ErrorCode);
    return ExitFailed;
}
