#include "IOError.h"

#include "Messages.h"
#include "Platform.h"

int& InOutRes() {
    thread_local int Code = 0;
    return Code;
}

std::string InOutErrorMessage(int Code) {
    for (int Own : MessageCodes)
        if (Own == Code) return Platform().LoadMessage(Code);
    std::string Text = Platform().LoadMessage(GenericIOErrorMessage);
    const std::size_t At = Text.find("%d");
    if (At != std::string::npos) Text.replace(At, 2, std::to_string(Code));
    return Text;
}

void IOCheck() {
    int& Code = InOutRes();
    if (Code == 0) return;
    const int Raised = Code;
    Code = 0;
    throw EInOutError(Raised, InOutErrorMessage(Raised));
}
