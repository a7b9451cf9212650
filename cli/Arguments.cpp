#include "Arguments.h"

#include "EncodingNames.h"

#include <getopt.h>
#include <iconv.h>
#include <langinfo.h>

#include <algorithm>
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
    "Conversion (none unless given):\n"
    "  --kata=none|1byte|2byte|hira  katakana to half width, half-width katakana to full\n"
    "                                width (voicing marks merged), or katakana to hiragana\n"
    "  --to-hira=all|1only|2only     with --kata=hira: both widths, half-width only or\n"
    "                                full-width only\n"
    "  --hira=none|1kata|2kata       hiragana to half-width or full-width katakana\n"
    "  --mark=none|1all|2all         full-width letters, digits and symbols to ASCII, or\n"
    "                                ASCII to full width\n"
    "  --letters=none|1byte|2byte    Latin letters alone: to ASCII or to full width\n"
    "  --digits=none|1byte|2byte     the digits 0-9 alone\n"
    "  --symbols=none|1byte|2byte    every other character --mark converts\n"
    "                                (each decides its own class; left out, --mark does)\n"
    "  --space=none|1byte|2byte      full-width space to ' ', or ' ' to full width\n"
    "  --conv-size=none|small|big    small or big letters and kana, after the rest\n"
    "  --tab=none|N                  each tab becomes N spaces (none when N <= 0)\n"
    "  --tab-stops=none|N            each tab becomes the spaces to the next multiple of\n"
    "                                N columns, after the rest (a double-byte character\n"
    "                                counts 2 columns)\n"
    "  --keep=CHARS                  characters no option converts\n"
    "Text:\n"
    "  --from=auto|sjis|utf-8        how the input is read (auto: its bytes read both\n"
    "                                ways, the reading that scores higher wins, UTF-8\n"
    "                                on a tie)\n"
    "  --to=same|sjis|utf-8          how the output is written (same: as read)\n"
    "                                Either takes utf8, shift_jis, shift-jis, cp932,\n"
    "                                windows-31j and ms932 too, in any letter case.\n"
    "  --newline=keep|crlf|lf        keep each line end; or CR and CR LF end lines, 0x1A\n"
    "                                the input, and every line gets CR LF; or LF\n"
    "  --classic                     exactly what the library writes: Shift-JIS,\n"
    "                                --newline=crlf, the half-width prolonged sound mark\n"
    "                                widened to a minus sign and the degree sign narrowed\n"
    "                                to the voicing mark; Shift-JIS text only (UTF-8 is\n"
    "                                refused unless --from=sjis)\n"
    "Files:\n"
    "  -i, --in-place                convert each FILE in place\n"
    "  -j, --jobs=N                  with -i, convert up to N files at once (1 to 1024;\n"
    "                                default: one per processor)\n"
    "      --check-same              refuse when SOURCE and DEST are the same file\n"
    "      --backup[=SUFFIX]         keep each file replaced (in place, or an existing\n"
    "                                DEST) as its name and SUFFIX (default ~)\n"
    "Checking (nothing is written):\n"
    "      --check                   list each file that the conversion would change,\n"
    "                                one name a line (- for standard input)\n"
    "      --diff                    show how each file would change, as a unified diff\n"
    "                                in the terminal's character set (implies --check)\n"
    "Messages:\n"
    "  -v, --verbose                 say how each input was read\n"
    "  -q, --quiet                   say nothing but errors and warnings; no progress\n"
    "      --progress                show progress even when standard error is no terminal\n"
    "  -u, --unbuffered              write what has been converted whenever reading\n"
    "                                would wait (the default for a pipe or terminal)\n"
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
const TChoice<TClassWidth> ClassWidths[] = {{"none", cwNone}, {"1byte", cw1byte}, {"2byte", cw2byte}};
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

// The characters of Text, written in the locale's character set (UTF-8 where that is
// ASCII), as code points in ascending order.
std::u32string LocaleCharacters(const char* Option, const char* Text) {
    const char* Charset = nl_langinfo(CODESET);
    if (!Charset || std::strcmp(Charset, "ANSI_X3.4-1968") == 0) Charset = "UTF-8";
    const iconv_t Cd = iconv_open("UTF-32LE", Charset);
    if (Cd == reinterpret_cast<iconv_t>(-1))
        throw EUsage(std::string("cannot read --") + Option,
                     std::string("--") + Option + " を読めません");
    std::string In = Text;
    std::u32string Out(In.size() + 1, U'\0');
    char* InP = In.data();
    auto* OutP = reinterpret_cast<char*>(Out.data());
    std::size_t InLeft = In.size(), OutLeft = Out.size() * sizeof(char32_t);
    const std::size_t Done = iconv(Cd, &InP, &InLeft, &OutP, &OutLeft);
    iconv_close(Cd);
    if (Done == static_cast<std::size_t>(-1))
        throw EUsage(std::string("--") + Option + " holds bytes that are no characters of " + Charset,
                     std::string("--") + Option + " に " + Charset + " の文字ではないバイトがあります");
    Out.resize(Out.size() - OutLeft / sizeof(char32_t));
    std::sort(Out.begin(), Out.end());
    Out.erase(std::unique(Out.begin(), Out.end()), Out.end());
    return Out;
}

} // namespace

TArguments ParseArguments(int Argc, char** Argv) {
    enum { ConvSize = 256, Space, Tab, TabStops, Kata, ToHira, Hira, Mark, Letters, Digits,
           Symbols, Keep, From, To, Newline, Classic, CheckSame, Check, Diff, Progress, Version,
           Backup };
    const option Long[] = {
        {"conv-size", required_argument, nullptr, ConvSize},
        {"space", required_argument, nullptr, Space},
        {"tab", required_argument, nullptr, Tab},
        {"tab-stops", required_argument, nullptr, TabStops},
        {"kata", required_argument, nullptr, Kata},
        {"to-hira", required_argument, nullptr, ToHira},
        {"hira", required_argument, nullptr, Hira},
        {"mark", required_argument, nullptr, Mark},
        {"letters", required_argument, nullptr, Letters},
        {"digits", required_argument, nullptr, Digits},
        {"symbols", required_argument, nullptr, Symbols},
        {"keep", required_argument, nullptr, Keep},
        {"from", required_argument, nullptr, From},
        {"to", required_argument, nullptr, To},
        {"newline", required_argument, nullptr, Newline},
        {"classic", no_argument, nullptr, Classic},
        {"in-place", no_argument, nullptr, 'i'},
        {"jobs", required_argument, nullptr, 'j'},
        {"check-same", no_argument, nullptr, CheckSame},
        {"backup", optional_argument, nullptr, Backup},
        {"check", no_argument, nullptr, Check},
        {"diff", no_argument, nullptr, Diff},
        {"verbose", no_argument, nullptr, 'v'},
        {"quiet", no_argument, nullptr, 'q'},
        {"progress", no_argument, nullptr, Progress},
        {"unbuffered", no_argument, nullptr, 'u'},
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, Version},
        {nullptr, 0, nullptr, 0},
    };
    static const char ShortOptions[] = "hij:quv";
    TArguments A;
    TOptions& O = A.Options;
    bool TextGiven = false, FromGiven = false, FinerGiven = false, TabGiven = false;
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
            TabGiven = true;
            break;
        case TabStops:
            O.TabStops = std::strcmp(optarg, "none") == 0
                             ? 0
                             : static_cast<std::int32_t>(Number("tab-stops", optarg, 1, INT32_MAX));
            FinerGiven = true;
            break;
        case Kata: O.Kata = Pick("kata", optarg, Katas); break;
        case ToHira: O.ToHira = Pick("to-hira", optarg, ToHiras); break;
        case Hira: O.Hira = Pick("hira", optarg, Hiras); break;
        case Mark: O.Mark = Pick("mark", optarg, Marks); break;
        case Letters: O.Letters = Pick("letters", optarg, ClassWidths), FinerGiven = true; break;
        case Digits: O.Digits = Pick("digits", optarg, ClassWidths), FinerGiven = true; break;
        case Symbols: O.Symbols = Pick("symbols", optarg, ClassWidths), FinerGiven = true; break;
        case Keep: O.Keep = LocaleCharacters("keep", optarg), FinerGiven = true; break;
        case From: A.From = PickEncoding("from", optarg, "auto"), FromGiven = true; break;
        case To: A.To = PickEncoding("to", optarg, "same"), TextGiven = true; break;
        case Newline: A.Newline = Pick("newline", optarg, Newlines), TextGiven = true; break;
        case Classic: A.Classic = true; break;
        case 'i': A.InPlace = true; break;
        case 'j': A.Jobs = static_cast<unsigned>(Number("jobs", optarg, 1, 1024)); break;
        case CheckSame: A.CheckSame = true; break;
        case Backup:
            A.Backup = optarg ? optarg : "~";
            if (A.Backup.empty() || A.Backup.find('/') != std::string::npos)
                throw EUsage("a backup suffix is a part of a file name: not empty, no '/'",
                             "バックアップの接尾辞はファイル名の一部です: 空でなく、'/' を含まないもの");
            break;
        case Check: A.Check = true; break;
        case Diff: A.Diff = A.Check = true; break;
        case 'v': A.Verbose = true; break;
        case 'q': A.Quiet = true; break;
        case Progress: A.Progress = true; break;
        case 'u': A.Unbuffered = true; break;
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
    if (O.TabStops > 0 && TabGiven)
        throw EUsage("--tab-stops and --tab cannot be used together",
                     "--tab-stops と --tab は一緒には使えません");
    if (A.Classic) {
        if (TextGiven)
            throw EUsage("--classic takes no --to or --newline",
                         "--classic には --to、--newline を付けられません");
        if (FromGiven && A.From != TEncoding::Sjis)
            throw EUsage("--classic reads Shift-JIS: --from=sjis or nothing",
                         "--classic はシフトJIS を読みます: --from=sjis か、なし");
        if (FinerGiven)
            throw EUsage("--classic takes no --letters, --digits, --symbols, --keep or --tab-stops",
                         "--classic には --letters、--digits、--symbols、--keep、--tab-stops を付けられません");
        A.To = TEncoding::Sjis;
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
    // Conversions may read one file at once; one that converts it in place reads it alone.
    S.SourceShare = TReadShare::Readers;
    S.BackupSuffix = A.Backup;
    S.CountLeftOut = A.Newline == TNewline::CrLf;
    // A file on disk is judged whole before it is converted; a stream as it comes.
    S.JudgeWhole = A.From == TEncoding::Auto;
    // Text of ASCII alone becomes UTF-8 where an option makes more of it, but Shift-JIS for
    // the library's rules and in a Shift-JIS locale.
    const char* Charset = nl_langinfo(CODESET);
    const TEncoding AsciiAs =
        A.Classic || (Charset && EncodingNamed(Charset) == TEncoding::Sjis) ? TEncoding::Sjis
                                                                           : TEncoding::Utf8;
    S.Text = [From = A.From, To = A.To, AsciiAs, Classic = A.Classic](const TOptions& O,
                                                                       const TJudgement* Judged) {
        TEncoding Read = From;
        if (Judged) {
            Read = ReadAs(Judged->Encoding);
            // The library's rules convert Shift-JIS: UTF-8 is refused, unless asked for.
            if (Read == TEncoding::Utf8 && Classic) throw EUtf8Refused();
            if (Read == TEncoding::Auto) Read = AsciiAs;
        }
        return TextConverter(O, Read, To, AsciiAs, Classic && Read == TEncoding::Auto);
    };
    return S;
}
