// ostrel: asks once, and on OK removes the settings key HKEY_CURRENT_USER
// "\Software\Velbrook\かな" with all its subkeys. Reads no command line; always exits 0.
#include "Removal.h"

#ifdef _WIN32
#include "Win32Layer.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        TWin32RegApi Api;
        TMessageBoxConfirmation Confirm;
        RemoveSettings(Api, Confirm);
    } catch (...) {
    }
    return 0;
}
#else
#include "HiveRegistry.h"
#include "TerminalConfirmation.h"

#include <clocale>
#include <unistd.h>

int main() {
    try {
        std::setlocale(LC_ALL, "");
        THiveRegApi Api(THiveRegApi::DefaultRoot());
        TTerminalConfirmation Confirm(STDIN_FILENO, STDERR_FILENO,
                                      {ConfirmTextEnglish, ConfirmCaptionEnglish});
        RemoveSettings(Api, Confirm);
    } catch (...) {
    }
    return 0;
}
#endif
