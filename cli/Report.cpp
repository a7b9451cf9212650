#include "Report.h"

#include "Language.h"
#include "WinErrors.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file as a message names it: standard input or output for "", quoted when it holds
// a space or a quote.
std::string Shown(const std::string& Name, bool Input, bool Japanese) {
    if (Name.empty()) {
        if (Japanese) return OnTerminal(Input ? "標準入力" : "標準出力");
        return Input ? "standard input" : "standard output";
    }
    if (Name.find_first_of(" '\"\t") == std::string::npos) return Name;
    std::string Quoted = "'";
    for (char C : Name) Quoted += C == '\'' ? std::string("'\\''") : std::string(1, C);
    return Quoted + "'";
}

// Japanese puts no space between 標準入力 or 標準出力 and the words after it, as it does
// after a file's name.
std::string Tidied(std::string Text) {
    for (const char* Stream : {"標準入力", "標準出力"}) {
        const std::string Spaced = OnTerminal(std::string(Stream) + " "), Bare = OnTerminal(Stream);
        for (std::size_t At; (At = Text.find(Spaced)) != std::string::npos;)
            Text.replace(At, Spaced.size(), Bare);
    }
    return Text;
}

// The folder part of Path, "" for the current folder.
std::string FolderOf(const std::string& Path) {
    const std::size_t Slash = Path.rfind('/');
    if (Slash == std::string::npos) return {};
    return Slash == 0 ? "/" : Path.substr(0, Slash);
}

std::string HexBytes(std::string_view Bytes) {
    static const char Digits[] = "0123456789ABCDEF";
    std::string H;
    for (unsigned char C : Bytes) {
        if (!H.empty()) H += ' ';
        H += Digits[C >> 4];
        H += Digits[C & 15];
    }
    return H;
}

struct TReasonText {
    int Code;
    const char *English, *Japanese;
};

// Why a call failed, by its code: kanaconv's own words, which name the cause.
constexpr TReasonText Reasons[] = {
    {ERROR_FILE_NOT_FOUND, "no such file", "ファイルがありません"},
    {ERROR_PATH_NOT_FOUND, "no such folder", "フォルダーがありません"},
    {ERROR_TOO_MANY_OPEN_FILES, "too many open files", "開いているファイルが多すぎます"},
    {ERROR_ACCESS_DENIED, "permission denied", "アクセスが拒否されました"},
    {ERROR_NOT_ENOUGH_MEMORY, "out of memory", "メモリーが足りません"},
    {ERROR_NOT_SAME_DEVICE, "not on the same device", "同じデバイスにありません"},
    {ERROR_NOT_SUPPORTED, "not supported", "サポートされていません"},
    {ERROR_SHARING_VIOLATION, "in use by another conversion", "ほかの変換が使用中です"},
    {ERROR_FILE_EXISTS, "the file exists", "ファイルがすでにあります"},
    {ERROR_BROKEN_PIPE, "the pipe is closed", "パイプが閉じられました"},
    {ERROR_DISK_FULL, "the disk is full", "ディスクがいっぱいです"},
    {ERROR_INVALID_NAME, "not a valid name", "名前が正しくありません"},
    {ERROR_FILENAME_EXCED_RANGE, "the name is too long", "名前が長すぎます"},
    {ERROR_FILE_TOO_LARGE, "the file is too large", "ファイルが大きすぎます"},
    {ERROR_IO_DEVICE, "input/output error", "入出力エラーが起きました"},
    {ERROR_CANT_RESOLVE_FILENAME, "too many symbolic links", "シンボリックリンクが多すぎます"},
    {IoFileNotOpen, "the file is not open", "ファイルが開かれていません"},
    {IoFileNotOpenForOutput, "not a file that can be written", "書き込めるファイルではありません"},
};

// True when Path ("": standard input) is a directory: the platform reports one as
// access denied, which would misname the cause.
bool IsDirectory(const std::string& Path) {
    struct stat St;
    const int Got = Path.empty() ? fstat(STDIN_FILENO, &St) : stat(Path.c_str(), &St);
    return Got == 0 && S_ISDIR(St.st_mode);
}

} // namespace

TReport::TReport() : FJapanese(JapaneseLocale()) {}

std::string TReport::Ja(std::string_view Utf8) const {
    return OnTerminal(Utf8);
}

std::string TReport::Reason(const EInOutError& E) const {
    const bool OnFile = E.Op == TFileOp::Open || E.Op == TFileOp::Read || E.Op == TFileOp::Replace;
    if (E.ErrorCode == ERROR_ACCESS_DENIED && OnFile && IsDirectory(E.Path))
        return FJapanese ? Ja("フォルダーです") : "it is a directory";
    for (const TReasonText& R : Reasons)
        if (R.Code == E.ErrorCode) return FJapanese ? Ja(R.Japanese) : R.English;
    return FJapanese ? Ja("エラー (コード ") + std::to_string(E.ErrorCode) + ")"
                     : "error " + std::to_string(E.ErrorCode);
}

std::string TReport::Failure(const EInOutError& E, const std::string& Source,
                             const std::string& Dest, const TArguments& A,
                             const TConvertResult& R) const {
    const bool Direct = R.Direct;
    const std::uint64_t Streamed = R.Streamed;
    const bool J = FJapanese;
    const std::string From = Shown(Source, true, J), To = Shown(Dest, false, J);
    const std::string Why = ": " + Reason(E);
    switch (E.Op) {
    case TFileOp::Open: return J ? From + Ja(" を開けません") + Why : "cannot open " + From + Why;
    case TFileOp::Read: return J ? From + Ja(" を読めません") + Why : "cannot read " + From + Why;
    case TFileOp::Close:
        if (E.Path == Source) return J ? From + Ja(" を読めません") + Why : "cannot read " + From + Why;
        return J ? To + Ja(" に書き込めません") + Why : "cannot write " + To + Why;
    case TFileOp::Write: return J ? To + Ja(" に書き込めません") + Why : "cannot write " + To + Why;
    case TFileOp::Create: {
        if (E.Path == Dest)
            return J ? To + Ja(" に書き込めません") + Why : "cannot write " + To + Why;
        const std::string Folder = FolderOf(E.Path);
        if (J)
            return (Folder.empty() ? Ja("現在のフォルダー") : Shown(Folder, false, J)) +
                   Ja(" に一時ファイルを作成できません") + Why;
        return "cannot create the temporary file in " +
               (Folder.empty() ? "the current folder" : Shown(Folder, false, J)) + Why;
    }
    case TFileOp::Replace:
        return J ? To + Ja(" を置き換えられません") + Why : "cannot replace " + To + Why;
    case TFileOp::Backup: {
        const std::string Kept = Shown(E.Path, false, J);
        const bool IsSource = E.ErrorCode == ERROR_FILE_EXISTS; // the backup would replace it
        if (J)
            return To + Ja(" のバックアップ ") + Kept + Ja(" を作れません") +
                   (IsSource ? Ja(": 変換元のファイルです") : Why);
        return "cannot back up " + To + " as " + Kept + (IsSource ? ": that is the source" : Why);
    }
    case TFileOp::Judge: {
        // The input turned to the other encoding after text in the first was written.
        const bool Utf8First = E.ErrorCode == ERROR_INVALID_DATA && R.Wrote == TEncoding::Utf8;
        const char* First = Utf8First ? "UTF-8" : "Shift-JIS";
        const char* Then = Utf8First ? "Shift-JIS" : "UTF-8";
        const std::string Line = std::to_string(E.Line);
        if (J)
            return From + Ja(" の ") + Line + Ja(" 行目で、入力は ") + Ja(Utf8First ? "シフトJIS" : "UTF-8") +
                   Ja(" になりました。") + To + Ja(" にはすでに ") + Ja(Utf8First ? "UTF-8" : "シフトJIS") +
                   Ja(" で ") + std::to_string(Streamed) +
                   Ja(" バイトを書いたので、止めました (--from で読み方を決められます)");
        return From + ", line " + Line + ": the input turns to " + Then + " here, after " +
               std::to_string(Streamed) + " bytes of " + First + " went to " + To +
               "; stopped (--from decides how the input is read)";
    }
    case TFileOp::Convert: break;
    }
    if (E.ErrorCode == ERROR_NO_UNICODE_TRANSLATION) {
        const bool ToSjis = A.To == TEncoding::Sjis;
        // A file is left as it was; a stream keeps what it received before the character.
        const std::string Bytes = std::to_string(Streamed);
        if (J)
            return From + Ja(" の ") + std::to_string(E.Line) + Ja(" 行 ") +
                   std::to_string(E.Column) + Ja(" 文字目 (") + HexBytes(E.Bytes) +
                   Ja(ToSjis ? ") はシフトJISにない文字です。"
                             : ") はシフトJIS (コードページ 932) の文字ではありません。") +
                   (!Direct         ? Ja("変換しませんでした")
                    : Streamed == 0 ? To + Ja(" にはまだ何も書いていません")
                                    : To + Ja(" にはその手前までの ") + Bytes +
                                          Ja(" バイトを書いたところで止めました"));
        return From + ", line " + std::to_string(E.Line) + ", column " + std::to_string(E.Column) +
               ": " +
               (ToSjis ? "the character " + HexBytes(E.Bytes) + " has no Shift-JIS form"
                       : "the bytes " + HexBytes(E.Bytes) + " are not Shift-JIS (code page 932)") +
               (!Direct ? "; nothing converted"
                : Streamed == 0
                    ? "; nothing was written to " + To
                    : "; stopped there, after writing the " + Bytes + " bytes before it to " + To);
    }
    if (E.ErrorCode == ERROR_NOT_ENOUGH_MEMORY)
        return J ? From + Ja(" の変換中にメモリーが足りなくなりました")
                 : "out of memory while converting " + From;
    return J ? From + Ja(" を変換できません") + Why : "cannot convert " + From + Why;
}

std::string TReport::About(const TConvertResult& R, const std::string& Source,
                           const std::string& Dest, const TArguments& A) const {
    const bool J = FJapanese;
    const std::string From = Shown(Source, true, J), To = Shown(Dest, false, J);
    switch (R.Outcome) {
    case TOutcome::Failed: {
        const std::string Said = Failure(*R.Failure, Source, Dest, A, R);
        return "kanaconv: " + (J ? Tidied(Said) : Said) + "\n";
    }
    case TOutcome::Refused:
        return "kanaconv: " +
               (J ? From + Ja(" と ") + To + Ja(" は同じファイルです。変換しませんでした")
                  : From + " and " + To + " are the same file; nothing converted") +
               "\n";
    case TOutcome::Vanished:
        return "kanaconv: " +
               (J ? To + Ja(" の一時ファイルが消えました。変換しませんでした")
                  : "the temporary file beside " + To + " vanished; nothing converted") +
               "\n";
    case TOutcome::Utf8Text:
        return "kanaconv: " +
               (J ? From + Ja(" は UTF-8 のテキストです。--classic はシフトJIS だけを変換します (") +
                        Ja("--from=sjis でシフトJIS として変換します)。変換しませんでした")
                  : From + " is UTF-8 text, and --classic converts Shift-JIS only (--from=sjis "
                           "converts it as Shift-JIS all the same); nothing converted") +
               "\n";
    case TOutcome::Converted: break;
    }
    if (A.Quiet) return {};
    std::string Said;
    if (R.LeftOut > 0) {
        const std::string N = std::to_string(R.LeftOut);
        Said += "kanaconv: " +
                (J ? From + Ja(": 0x1A で入力が終わりました。その後の ") + N +
                         Ja(" バイトは変換していません")
                   : From + ": a 0x1A byte ended the input; " + N +
                         " bytes from it on were left out") +
                "\n";
    }
    if (A.Verbose) {
        const char* As = R.ReadAs == TEncoding::Utf8   ? (J ? "UTF-8 として読みました" : "read as UTF-8")
                         : R.ReadAs == TEncoding::Sjis ? (J ? "シフトJIS として読みました" : "read as Shift-JIS")
                                                       : (J ? "ASCII だけでした" : "ASCII only");
        Said += "kanaconv: " + From + ": " + (J ? Ja(As) : As) + "\n";
        if (R.Folded > 0)
            Said += "kanaconv: " + From + ": " +
                    (J ? std::to_string(R.Folded) +
                             Ja(" 文字の JIS の形をコードページ 932 の形で書きました (〜 を ～ など)")
                       : std::to_string(R.Folded) +
                             " characters in their JIS forms written as their code page 932 twins "
                             "(〜 as ～, ...)") +
                    "\n";
    }
    return Said;
}

std::string TReport::Warnings(const TConvertResult& R, const std::string& Source) const {
    std::string Said;
    if (R.NotUtf8 > 0) {
        const std::string From = Shown(Source, true, FJapanese), N = std::to_string(R.NotUtf8);
        const std::string Line = std::to_string(R.FirstNotUtf8.Line),
                          Column = std::to_string(R.FirstNotUtf8.Column);
        Said += FJapanese ? "kanaconv: " + Tidied(From + Ja(" は UTF-8 として読みましたが、UTF-8 ではない ") + N +
                                Ja(" か所はそのまま残しました (最初は ") + Line + Ja(" 行 ") + Column +
                                Ja(" 文字目)")) + "\n"
                          : "kanaconv: warning: " + From + " was read as UTF-8, but " + N +
                                (R.NotUtf8 == 1 ? " sequence is no UTF-8 and passed through as it was"
                                                : " sequences are no UTF-8 and passed through as they were") +
                                " (the first at line " + Line + ", column " + Column + ")\n";
    }
    for (const TConvertWarning& W : R.Warnings) {
        if (W.Kind != TWarning::AttributeLost) continue;
        const std::string File = Shown(W.Path, false, FJapanese),
                          Why = ": " + Reason(EInOutError(W.ErrorCode, TFileOp::Replace, W.Path));
        if (FJapanese)
            Said += "kanaconv: " + File + Ja(" は拡張属性") + (W.Name.empty() ? "" : " " + W.Name) +
                    Ja(" を引き継げませんでした") + Why + "\n";
        else
            Said +=
                "kanaconv: warning: " + File + " lost " +
                (W.Name.empty() ? "its extended attributes" : "the extended attribute " + W.Name) +
                Why + "\n";
    }
    return Said;
}
