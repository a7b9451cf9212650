// kanaconv: converts a Shift-JIS text file from the command line through libkana.
// It only parses arguments and reports; the conversion is the library's KanaConvert.
#include "kana.h"

#include <getopt.h>
#include <iconv.h>
#include <langinfo.h>

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

struct TChoice {
    const char* Name;
    std::uint32_t Value;
};

const TChoice ConvSizes[] = {
    {"none", KANA_CV_NONE}, {"small", KANA_CV_SMALL}, {"big", KANA_CV_BIG}};
const TChoice Spaces[] = {
    {"none", KANA_SP_NONE}, {"1byte", KANA_SP_1BYTE}, {"2byte", KANA_SP_2BYTE}};
const TChoice Katas[] = {
    {"none", KANA_K_NONE}, {"1byte", KANA_K_1BYTE}, {"2byte", KANA_K_2BYTE}, {"hira", KANA_K_HIRA}};
const TChoice ToHiras[] = {
    {"all", KANA_TH_ALL}, {"1only", KANA_TH_1ONLY}, {"2only", KANA_TH_2ONLY}};
const TChoice Hiras[] = {{"none", KANA_H_NONE}, {"1kata", KANA_H_1KATA}, {"2kata", KANA_H_2KATA}};
const TChoice Marks[] = {{"none", KANA_M_NONE}, {"1all", KANA_M_1ALL}, {"2all", KANA_M_2ALL}};

struct TArguments {
    std::uint32_t ConvSize = KANA_CV_NONE, Space = KANA_SP_NONE, Tab = KANA_TB_NONE;
    std::int32_t SpLen = 0;
    std::uint32_t Kata = KANA_K_NONE, ToHira = KANA_TH_ALL, Hira = KANA_H_NONE, Mark = KANA_M_NONE;
    bool CheckSame = false;
    std::string Source, Dest;
};

[[noreturn]] void UsageError(const std::string& Problem) {
    std::fprintf(stderr, "kanaconv: %s\nTry 'kanaconv --help' for more information.\n",
                 Problem.c_str());
    std::exit(ExitUsage);
}

template <std::size_t N>
std::uint32_t Pick(const char* Option, const char* Value, const TChoice (&Choices)[N]) {
    std::string Valid;
    for (const TChoice& C : Choices) {
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
        switch (Opt) {
        case ConvSize: A.ConvSize = Pick("conv-size", optarg, ConvSizes); break;
        case Space: A.Space = Pick("space", optarg, Spaces); break;
        case Tab:
            if (std::strcmp(optarg, "none") == 0) {
                A.Tab = KANA_TB_NONE;
            } else {
                A.Tab = KANA_TB_SPACE;
                A.SpLen = SpacesPerTab(optarg);
            }
            break;
        case Kata: A.Kata = Pick("kata", optarg, Katas); break;
        case ToHira: A.ToHira = Pick("to-hira", optarg, ToHiras); break;
        case Hira: A.Hira = Pick("hira", optarg, Hiras); break;
        case Mark: A.Mark = Pick("mark", optarg, Marks); break;
        case CheckSame: A.CheckSame = true; break;
        case Help: std::fputs(Usage, stdout); std::exit(ExitOk);
        case Version:
            std::printf("kanaconv 0.01.1 (library interface %d)\n",
                        static_cast<int>(GetDllVersion()));
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

// The library's Shift-JIS message in the terminal's character set.
std::string ForTerminal(const std::string& Sjis) {
    const std::string Target = std::string(nl_langinfo(CODESET)) + "//TRANSLIT";
    iconv_t Cd = iconv_open(Target.c_str(), "CP932");
    if (Cd == reinterpret_cast<iconv_t>(-1)) return Sjis;
    std::string Out(Sjis.size() * 4 + 16, '\0');
    char* In = const_cast<char*>(Sjis.data());
    std::size_t InLeft = Sjis.size();
    char* OutP = Out.data();
    std::size_t OutLeft = Out.size();
    const std::size_t R = iconv(Cd, &In, &InLeft, &OutP, &OutLeft);
    iconv_close(Cd);
    if (R == static_cast<std::size_t>(-1)) return Sjis;
    Out.resize(Out.size() - OutLeft);
    return Out;
}

std::string Shown(const std::string& Name, const char* Std) {
    return Name.empty() ? Std : "'" + Name + "'";
}

} // namespace

int main(int Argc, char** Argv) {
    std::setlocale(LC_ALL, "");
    const TArguments A = Parse(Argc, Argv);
    const std::uint16_t Result =
        KanaConvert(A.Source.c_str(), A.Dest.c_str(), A.CheckSame ? 1 : 0, A.ConvSize, A.Space,
                    A.Tab, A.SpLen, A.Kata, A.ToHira, A.Hira, A.Mark);
    if (Result == 1) return ExitOk;

    char Message[512];
    const std::int32_t Code = KanaLastError(Message, sizeof Message);
    const std::string From = Shown(A.Source, "standard input");
    const std::string To = Shown(A.Dest, "standard output");
    if (Code == 0) {
        if (A.CheckSame)
            std::fprintf(stderr, "kanaconv: %s and %s are the same path; nothing converted\n",
                         From.c_str(), To.c_str());
        else
            std::fprintf(stderr,
                         "kanaconv: the temporary file beside %s vanished; nothing converted\n",
                         To.c_str());
        return ExitRefused;
    }
    std::fprintf(stderr, "kanaconv: cannot convert %s to %s: %s (code %d)\n", From.c_str(),
                 To.c_str(), ForTerminal(Message).c_str(), static_cast<int>(Code));
    return ExitFailed;
}
