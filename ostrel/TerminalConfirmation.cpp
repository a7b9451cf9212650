#include "TerminalConfirmation.h"

#include <cerrno>
#include <csignal>
#include <iconv.h>
#include <langinfo.h>
#include <poll.h>
#include <unistd.h>

namespace {

bool WriteAll(int Fd, const std::string& S) {
    std::size_t Done = 0;
    while (Done < S.size()) {
        const ssize_t N = ::write(Fd, S.data() + Done, S.size() - Done);
        if (N < 0 && errno == EINTR) continue;
        if (N <= 0) return false;
        Done += static_cast<std::size_t>(N);
    }
    return true;
}

void NoteInterrupt(int) {}

// While alive, an interrupt (Ctrl+C) ends the wait for input instead of the process, so
// that it counts as Cancel. The interrupt stays blocked except inside Wait, which lets it
// in atomically: one that comes early is not lost.
class TInterruptAsCancel {
public:
    TInterruptAsCancel() {
        sigset_t Block;
        sigemptyset(&Block);
        sigaddset(&Block, SIGINT);
        ::sigprocmask(SIG_BLOCK, &Block, &FSavedMask);
        FWaitMask = FSavedMask;
        sigdelset(&FWaitMask, SIGINT);
        struct sigaction Action {};
        Action.sa_handler = NoteInterrupt;
        sigemptyset(&Action.sa_mask);
        ::sigaction(SIGINT, &Action, &FSavedAction);
    }
    ~TInterruptAsCancel() {
        ::sigaction(SIGINT, &FSavedAction, nullptr);
        ::sigprocmask(SIG_SETMASK, &FSavedMask, nullptr);
    }
    TInterruptAsCancel(const TInterruptAsCancel&) = delete;
    TInterruptAsCancel& operator=(const TInterruptAsCancel&) = delete;

    // Waits until Fd has input (or has ended); false on an interrupt or an error.
    bool Wait(int Fd) const {
        pollfd P{Fd, POLLIN, 0};
        return ::ppoll(&P, 1, nullptr, &FWaitMask) > 0;
    }

private:
    sigset_t FSavedMask, FWaitMask;
    struct sigaction FSavedAction {};
};

} // namespace

TTerminalConfirmation::TTerminalConfirmation(int In, int Out, std::string Codeset)
    : FIn(In), FOut(Out), FCodeset(std::move(Codeset)) {}

std::string TTerminalConfirmation::ToTerminal(std::string_view Sjis, const std::string& Codeset) {
    std::string In;
    for (std::size_t I = 0; I < Sjis.size(); ++I)
        if (!(Sjis[I] == '\r' && I + 1 < Sjis.size() && Sjis[I + 1] == '\n')) In += Sjis[I];
    iconv_t Cd = ::iconv_open((Codeset + "//TRANSLIT").c_str(), "CP932");
    if (Cd == reinterpret_cast<iconv_t>(-1)) Cd = ::iconv_open("UTF-8", "CP932");
    if (Cd == reinterpret_cast<iconv_t>(-1)) return In;
    std::string Out;
    char* Src = In.data();
    std::size_t SrcLeft = In.size();
    char Buffer[256];
    while (SrcLeft > 0) {
        char* Dst = Buffer;
        std::size_t DstLeft = sizeof Buffer;
        const std::size_t R = ::iconv(Cd, &Src, &SrcLeft, &Dst, &DstLeft);
        Out.append(Buffer, static_cast<std::size_t>(Dst - Buffer));
        if (R == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // A byte that starts no character here: shown as "?", the rest goes on.
            Out += '?';
            ++Src;
            --SrcLeft;
        }
    }
    char* Dst = Buffer;
    std::size_t DstLeft = sizeof Buffer;
    ::iconv(Cd, nullptr, nullptr, &Dst, &DstLeft);
    Out.append(Buffer, static_cast<std::size_t>(Dst - Buffer));
    ::iconv_close(Cd);
    return Out;
}

int TTerminalConfirmation::Ask(LPCSTR Text, LPCSTR Caption, unsigned) {
    if (!::isatty(FIn)) return IDCANCEL;
    const std::string Codeset = FCodeset.empty() ? ::nl_langinfo(CODESET) : FCodeset;
    const std::string Prompt = ToTerminal(Caption, Codeset) + "\n" + ToTerminal(Text, Codeset) +
                               "\n[OK: Enter / Cancel: any other input] ";
    const TInterruptAsCancel Interrupt;
    if (!WriteAll(FOut, Prompt)) return IDCANCEL;
    // Only whether the line is empty matters: a lone CR (a terminal that does not turn
    // Enter into LF) counts as empty.
    std::size_t Count = 0;
    bool LastIsCr = false;
    for (;;) {
        char C;
        if (!Interrupt.Wait(FIn) || ::read(FIn, &C, 1) != 1) {
            // End of input or an interrupt: the cursor still stands after the prompt.
            WriteAll(FOut, "\n");
            return IDCANCEL;
        }
        if (C == '\n') break;
        ++Count;
        LastIsCr = C == '\r';
    }
    return Count == 0 || (Count == 1 && LastIsCr) ? IDOK : IDCANCEL;
}
