#include "IOError.h"

#include "Messages.h"
#include "Platform.h"

namespace {
#define KANA_MESSAGE_ID(Id, Text) Id,
constexpr int MessageIds[] = {KANA_MESSAGES(KANA_MESSAGE_ID)};
#undef KANA_MESSAGE_ID
} // namespace

std::string InOutErrorMessage(int Code) {
    for (int Id : MessageIds)
        if (Id == Code && Id != KANA_MESSAGE_GENERIC_ID) return Platform().LoadMessage(Code);
    std::string Text = Platform().LoadMessage(KANA_MESSAGE_GENERIC_ID);
    const std::size_t At = Text.find("%d");
    if (At != std::string::npos) Text.replace(At, 2, std::to_string(Code));
    return Text;
}

EInOutError::EInOutError(int Code, TFileOp Operation, std::string OnPath)
    : ErrorCode(Code), Op(Operation), Path(std::move(OnPath)), FMessage(InOutErrorMessage(Code)) {}
