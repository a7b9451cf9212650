// Converts a line through the installed engine.
#include "HanZen.h"

int main() {
    THanZen H(nullptr);
    H.SetKata(k2byte);
    return H.ConvertLine("\xB6\xDE\xD9") == "\x83\x4B\x83\x8B" ? 0 : 1; // ｶﾞﾙ to ガル
}
