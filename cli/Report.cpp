#include "Report.h"

#include "TerminalText.h"
#include "WinErrors.h"

#include <clocale>
#include <cstring>

namespace {

// A file as a message names it: standard input or output for "", quoted when it holds
// a space or a quote.
std::string Shown(const std::string& Name, bool Input) {
    if (Name.empty()) return Input ? "standard input" : "standard output";
    if (Name.find_first_of(" '\"\t") == std::string::npos) return Name;
    std::string Quoted = "'";
    for (char C : Name) Quoted += C == '\'' ? std::string("'\\''") : std::string(1, C);
    return Quoted + "'";
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
    const char* Text;
};

constexpr TReasonText Reasons[] = {
    {ERROR_FILE_NOT_FOUND, "no such file"},
    {ERROR_PATH_NOT_FOUND, "no such folder"},
    {ERROR_TOO_MANY_OPEN_FILES, "too many open files"},
    {ERROR_ACCESS_DENIED, "permission denied"},
    {ERROR_NOT_ENOUGH_MEMORY, "out of memory"},
    {ERROR_NOT_SAME_DEVICE, "not on the same device"},
    {ERROR_NOT_SUPPORTED, "not supported"},
    {ERROR_SHARING_VIOLATION, "in use by another conversion"},
    {ERROR_FILE_EXISTS, "the file exists"},
    {ERROR_BROKEN_PIPE, "the pipe is closed"},
    {ERROR_DISK_FULL, "the disk is full"},
    {ERROR_INVALID_NAME, "not a valid name"},
    {ERROR_FILENAME_EXCED_RANGE, "the name is too long"},
    {ERROR_FILE_TOO_LARGE, "the file is too large"},
    {ERROR_IO_DEVICE, "input/output error"},
    {ERROR_CANT_RESOLVE_FILENAME, "too many symbolic links"},
    {103, "the file is not open"},
    {105, "not a file that can be written"},
};

bool JapaneseLocale() {
    const char* Name = std::setlocale(LC_MESSAGES, nullptr);
    if (!Name || std::strncmp(Name, "ja", 2) != 0) return false;
    bool Lossless = false;
    ToTerminal("変換", "UTF-8", {}, &Lossless);
    return Lossless;
}

} // namespace

TReport::TReport() : FJapanese(JapaneseLocale()) {}

std::string TReport::Ja(std::string_view Utf8) const {
    return ToTerminal(Utf8, "UTF-8");
}

std::string TReport::Reason(int Code) const {
    if (FJapanese) return SjisToTerminal(InOutErrorMessage(Code));
    for (const TReasonText& R : Reasons)
        if (R.Code == Code) return R.Text;
    return "error " + std::to_string(Code);
}

std::string TReport::Failure(const EInOutError& E, const std::string& Source,
                             const std::string& Dest, const TArguments& A) const {
    const std::string From = Shown(Source, true), To = Shown(Dest, false);
    const std::string Why = ": " + Reason(E.ErrorCode);
    const bool J = FJapanese;
    switch (E.Op) {
    case TFileOp::Open: return J ? From + Ja(" を開けません") + Why : "cannot open " + From + Why;
    case TFileOp::Read: return J ? From + Ja(" を読めません") + Why : "cannot read " + From + Why;
    case TFileOp::Close:
        if (E.Path == Source) return J ? From + Ja(" を読めません") + Why : "cannot read " + From + Why;
        return J ? To + Ja(" に書けません") + Why : "cannot write " + To + Why;
    case TFileOp::Write: return J ? To + Ja(" に書けません") + Why : "cannot write " + To + Why;
    case TFileOp::Create: {
        if (E.Path == Dest) return J ? To + Ja(" に書けません") + Why : "cannot write " + To + Why;
        const std::string Folder = FolderOf(E.Path);
        if (J)
            return (Folder.empty() ? Ja("現在のフォルダー") : Shown(Folder, false)) +
                   Ja(" に一時ファイルを作れません") + Why;
        return "cannot create the temporary file in " +
               (Folder.empty() ? "the current folder" : Shown(Folder, false)) + Why;
    }
    case TFileOp::Replace:
        return J ? To + Ja(" を置き換えられません") + Why : "cannot replace " + To + Why;
    case TFileOp::Backup: {
        const std::string Kept = Shown(E.Path, false);
        const bool IsSource = E.ErrorCode == ERROR_FILE_EXISTS; // the backup would replace it
        if (J)
            return To + Ja(" のバックアップ ") + Kept + Ja(" を作れません") +
                   (IsSource ? Ja(": 変換元のファイルです") : Why);
        return "cannot back up " + To + " as " + Kept + (IsSource ? ": that is the source" : Why);
    }
    case TFileOp::Convert: break;
    }
    if (E.ErrorCode == ERROR_NO_UNICODE_TRANSLATION) {
        const bool ToSjis = A.To == TEncoding::Sjis;
        const std::string Where = From + ", line " + std::to_string(E.Line) + ", column " +
                                  std::to_string(E.Column) + ": ";
        if (J)
            return From + Ja(" の ") + std::to_string(E.Line) + Ja(" 行 ") +
                   std::to_string(E.Column) + Ja(" 文字目 (") + HexBytes(E.Bytes) +
                   Ja(ToSjis ? ") はシフトJISにない文字です。変換しませんでした"
                             : ") はシフトJIS (コードページ932) の文字ではありません。変換しませんでした");
        return Where + (ToSjis ? "the character " + HexBytes(E.Bytes) + " has no Shift-JIS form"
                               : "the bytes " + HexBytes(E.Bytes) +
                                     " are not Shift-JIS (code page 932)") +
               "; nothing converted";
    }
    if (E.ErrorCode == ERROR_NOT_ENOUGH_MEMORY)
        return J ? From + Ja(" の変換中にメモリーが足りなくなりました")
                 : "out of memory while converting " + From;
    return J ? From + Ja(" を変換できません") + Why : "cannot convert " + From + Why;
}

std::string TReport::About(const TConvertResult& R, const std::string& Source,
                           const std::string& Dest, const TArguments& A) const {
    const std::string From = Shown(Source, true), To = Shown(Dest, false);
    const bool J = FJapanese;
    switch (R.Outcome) {
    case TOutcome::Failed: return "kanaconv: " + Failure(*R.Failure, Source, Dest, A) + "\n";
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
    }
    return Said;
}

std::string TReport::Warnings(const TConvertResult& R) const {
    std::string Said;
    for (const TConvertWarning& W : R.Warnings) {
        if (W.Kind != TWarning::AttributeLost) continue;
        const std::string File = Shown(W.Path, false), Why = ": " + Reason(W.ErrorCode);
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
