#include "Arguments.h"

#include "EncodingNames.h"

#include <getopt.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <strings.h>

const char UsageText[] =
    "Usage: kanaconv [OPTIONS] [SOURCE [DEST]]\n"
    "       kanaconv [OPTIONS] -i FILE...\n"
    "Converts Japanese text between half-width and full-width characters, hiragana and\n"
    "katakana, big and small letters, and tabs into spaces. The text may be UTF-8 or\n"
    "Shift-JIS (code page 932); every byte that is not converted comes out as it went in.\n"
    "A missing SOURCE or - reads standard input, a missing DEST or - writes standard\n"
    "output. A file is replaced only once its whole converted text is on disk.\n"
    "\n"
    "Conversion (each defaults to none):\n"
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
    "Text:\n"
    "  --from=auto|sjis|utf-8        how the input is read (auto: UTF-8 when its first\n"
    "                                non-ASCII block is valid UTF-8, else Shift-JIS)\n"
    "  --to=same|sjis|utf-8          how the output is written (same: as read)\n"
    "                                Either takes utf8, shift_jis, shift-jis, cp932,\n"
    "                                windows-31j and ms932 too, in any letter case.\n"
    "  --newline=keep|crlf|lf        keep each line end; or CR and CR LF end lines, 0x1A\n"
    "                                the input, and every line gets CR LF; or LF\n"
    "  --classic                     exactly what the library writes: Shift-JIS,\n"
    "                                --newline=crlf, the half-width prolonged sound mark\n"
    "                                widened to a minus sign and the degree sign narrowed\n"
    "                                to the voicing mark\n"
    "Files:\n"
    "  -i, --in-place                convert each FILE in place\n"
    "  -j, --jobs=N                  with -i, convert up to N files at once (1 to 1024;\n"
    "                                default: one per processor)\n"
    "      --check-same              refuse when SOURCE and DEST are the same file\n"
    "Checking (nothing is written):\n"
    "      --check                   list each file that the conversion would change,\n"
    "                                one name a line (- for standard input)\n"
    "      --diff                    show how each file would change, as a unified diff\n"
    "                                in the terminal's character set (implies --check)\n"
    "Messages:\n"
    "  -v, --verbose                 say how each input was read\n"
    "  -q, --quiet                   say nothing but errors; no progress\n"
    "      --progress                show progress even when standard error is no terminal\n"
    "  -h, --help                    show this help and exit\n"
    "      --version                 show the version and exit\n"
    "\n"
    "Exit status: 0 converted (--check, --diff: nothing would change), 1 a failure (of\n"
    "any file) or, with --check or --diff, a file that would change, 2 usage error,\n"
    "3 refused (the same file), 128+N ended by signal N.\n";

namespace {

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
const TChoice<TNewline> Newlines[] = {
    {"keep", TNewline::Keep}, {"crlf", TNewline::CrLf}, {"lf", TNewline::Lf}};

template <class T, std::size_t N>
T Pick(const char* Option, const char* Value, const TChoice<T> (&Choices)[N]) {
    std::string Valid;
    for (const TChoice<T>& C : Choices) {
        if (std::strcmp(C.Name, Value) == 0) return C.Value;
        Valid += Valid.empty() ? "" : ", ";
        Valid += C.Name;
    }
    throw EUsage(std::string("invalid value '") + Value + "' for --" + Option +
                     " (valid: " + Valid + ")",
                 std::string("--") + Option + " の値 '" + Value +
                     "' は使えません (使える値: " + Valid + ")");
}

// An encoding by any of its names, or kanaconv's own Own (auto for --from, same for --to),
// letter case ignored.
TEncoding PickEncoding(const char* Option, const char* Value, const char* Own) {
    if (strcasecmp(Value, Own) == 0) return TEncoding::Auto;
    if (const std::optional<TEncoding> E = EncodingNamed(Value)) return *E;
    std::string Valid = Own;
    for (const TEncodingName& N : EncodingNames()) Valid += ", " + std::string(N.Name);
    throw EUsage(std::string("invalid value '") + Value + "' for --" + Option +
                     " (valid: " + Valid + "; letter case is ignored)",
                 std::string("--") + Option + " の値 '" + Value +
                     "' は使えません (使える値: " + Valid + "。大文字と小文字は区別しません)");
}

long Number(const char* Option, const char* Value, long Min, long Max) {
    errno = 0;
    char* End = nullptr;
    const long N = std::strtol(Value, &End, 10);
    if (*Value == '\0' || *End != '\0' || errno == ERANGE || N < Min || N > Max)
        throw EUsage(std::string("invalid value '") + Value + "' for --" + Option,
                     std::string("--") + Option + " の値 '" + Value + "' は使えません");
    return N;
}

} // namespace

TArguments ParseArguments(int Argc, char** Argv) {
    enum { ConvSize = 256, Space, Tab, Kata, ToHira, Hira, Mark, From, To, Newline, Classic,
           CheckSame, Check, Diff, Progress, Version };
    const option Long[] = {
        {"conv-size", required_argument, nullptr, ConvSize},
        {"space", required_argument, nullptr, Space},
        {"tab", required_argument, nullptr, Tab},
        {"kata", required_argument, nullptr, Kata},
        {"to-hira", required_argument, nullptr, ToHira},
        {"hira", required_argument, nullptr, Hira},
        {"mark", required_argument, nullptr, Mark},
        {"from", required_argument, nullptr, From},
        {"to", required_argument, nullptr, To},
        {"newline", required_argument, nullptr, Newline},
        {"classic", no_argument, nullptr, Classic},
        {"in-place", no_argument, nullptr, 'i'},
        {"jobs", required_argument, nullptr, 'j'},
        {"check-same", no_argument, nullptr, CheckSame},
        {"check", no_argument, nullptr, Check},
        {"diff", no_argument, nullptr, Diff},
        {"verbose", no_argument, nullptr, 'v'},
        {"quiet", no_argument, nullptr, 'q'},
        {"progress", no_argument, nullptr, Progress},
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, Version},
        {nullptr, 0, nullptr, 0},
    };
    static const char ShortOptions[] = "hij:qv";
    TArguments A;
    TOptions& O = A.Options;
    bool TextGiven = false;
    opterr = 0;
    optind = 0; // from the start, every time
    for (int Opt; (Opt = getopt_long(Argc, Argv, ShortOptions, Long, nullptr)) != -1;) {
        switch (Opt) {
        case ConvSize: O.ConvSize = Pick("conv-size", optarg, ConvSizes); break;
        case Space: O.Space = Pick("space", optarg, Spaces); break;
        case Tab:
            O.Tab = std::strcmp(optarg, "none") == 0 ? tbNone : tbSpace;
            if (O.Tab == tbSpace)
                O.SpLen = static_cast<std::int32_t>(Number("tab", optarg, INT32_MIN, INT32_MAX));
            break;
        case Kata: O.Kata = Pick("kata", optarg, Katas); break;
        case ToHira: O.ToHira = Pick("to-hira", optarg, ToHiras); break;
        case Hira: O.Hira = Pick("hira", optarg, Hiras); break;
        case Mark: O.Mark = Pick("mark", optarg, Marks); break;
        case From: A.From = PickEncoding("from", optarg, "auto"), TextGiven = true; break;
        case To: A.To = PickEncoding("to", optarg, "same"), TextGiven = true; break;
        case Newline: A.Newline = Pick("newline", optarg, Newlines), TextGiven = true; break;
        case Classic: A.Classic = true; break;
        case 'i': A.InPlace = true; break;
        case 'j': A.Jobs = static_cast<unsigned>(Number("jobs", optarg, 1, 1024)); break;
        case CheckSame: A.CheckSame = true; break;
        case Check: A.Check = true; break;
        case Diff: A.Diff = A.Check = true; break;
        case 'v': A.Verbose = true; break;
        case 'q': A.Quiet = true; break;
        case Progress: A.Progress = true; break;
        case 'h': A.Help = true; return A;
        case Version: A.Version = true; return A;
        default: {
            // getopt_long names the option in optopt: 0 for an unknown long option, else
            // the letter or value of the option, whose word is the last one taken unless
            // it is a letter inside a group (-qx).
            const bool Known =
                optopt >= 256 || (optopt > 0 && std::strchr(ShortOptions, optopt) != nullptr);
            const std::string Word = Argv[optind - 1];
            const bool Long = optopt == 0 || (Known && Word.starts_with("--"));
            const std::string Given = Long ? Word : std::string("-") + static_cast<char>(optopt);
            if (!Known) throw EUsage("unknown option: " + Given, "不明なオプションです: " + Given);
            if (Long && Given.find('=') != std::string::npos) {
                const std::string Name = Given.substr(0, Given.find('='));
                throw EUsage(Name + " takes no value", Name + " に値は付けられません");
            }
            throw EUsage(Given + " needs a value", Given + " には値が必要です");
        }
        }
    }
    if (A.Classic) {
        if (TextGiven)
            throw EUsage("--classic takes no --from, --to or --newline",
                         "--classic には --from、--to、--newline を付けられません");
        A.From = A.To = TEncoding::Sjis;
        A.Newline = TNewline::CrLf;
        O.Mapping = mpClassic;
    }
    for (int I = optind; I < Argc; ++I) {
        if (*Argv[I] == '\0') throw EUsage("an empty file name", "ファイル名が空です");
        A.Files.push_back(std::strcmp(Argv[I], "-") == 0 ? std::string() : std::string(Argv[I]));
    }
    if (A.InPlace) {
        if (A.Files.empty())
            throw EUsage("-i needs at least one FILE",
                         "-i にはファイルを 1 つ以上指定してください");
        for (const std::string& F : A.Files)
            if (F.empty())
                throw EUsage("standard input cannot be converted in place",
                             "標準入力はその場で変換できません");
        if (A.CheckSame)
            throw EUsage("--check-same takes no -i", "--check-same は -i と一緒には使えません");
    } else {
        if (A.Jobs)
            throw EUsage("-j works only with -i, which converts many files",
                         "-j は、複数のファイルを変換する -i と一緒にしか使えません");
        if (A.Files.size() > 2)
            throw EUsage("more than SOURCE and DEST; to convert files in place, use -i",
                         "SOURCE と DEST のほかにも名前があります。ファイルをその場で変換するには "
                         "-i を使ってください");
        if (A.Check && A.Files.size() > 1)
            throw EUsage(
                std::string(A.Diff ? "--diff" : "--check") +
                    " takes one SOURCE and no DEST: it writes nothing",
                std::string(A.Diff ? "--diff" : "--check") +
                    " に指定できるのは SOURCE 1 つだけです (何も書かないので DEST は要りません)");
        A.Files.resize(2); // standard input and output for the missing ones
    }
    return A;
}

TFileSettings SettingsFor(const TArguments& A) {
    TFileSettings S;
    S.BlockSize = 1 << 16;
    S.Piece = 4 * S.BlockSize;
    S.Lines = A.Newline == TNewline::CrLf ? TLineRule::CrOrCrLf : TLineRule::AnyEnd;
    // Lines that keep their ends and whose characters all have a form in the output go
    // through in pieces of many lines: the converter keeps every line end as it is.
    if (A.Newline == TNewline::Keep && (A.To == TEncoding::Auto || A.To == A.From))
        S.Lines = TLineRule::NoLines;
    S.Newline = A.Newline;
    S.UniqueTemporary = true;
    S.CountLeftOut = A.Newline == TNewline::CrLf;
    S.Text = [From = A.From, To = A.To](const TOptions& O, TComponent* Owner) {
        return TextConverter(O, Owner, From, To);
    };
    return S;
}
