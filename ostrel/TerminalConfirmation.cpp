#include "TerminalConfirmation.h"

#include "TerminalText.h"

#include <cerrno>
#include <csignal>
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

TTerminalConfirmation::TTerminalConfirmation(int In, int Out, TEnglish English, std::string Codeset)
    : FIn(In), FOut(Out), FEnglish(English), FCodeset(std::move(Codeset)) {}

int TTerminalConfirmation::Ask(LPCSTR Text, LPCSTR Caption, unsigned) {
    if (!::isatty(FIn)) return IDCANCEL;
    bool CaptionShown = false, TextShown = false;
    std::string Question = SjisToTerminal(Caption, FCodeset, &CaptionShown) + "\n" +
                           SjisToTerminal(Text, FCodeset, &TextShown);
    // Half a question in "?" would be no question: English, whole.
    if (!CaptionShown || !TextShown)
        Question = std::string(FEnglish.Caption) + "\n" + FEnglish.Text;
    const std::string Prompt = Question + "\n[OK: Enter / Cancel: any other input] ";
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
