/* The public header compiled as C, and the exports called from C. */
#include "kana.h"

#include <stdio.h>

int main(void) {
    char Message[64];
    if (GetDllVersion() != 1) return 1;
    /* A source in a missing folder: result 0, code 3. */
    if (KanaConvert("/nonexistent/kana-c-test/in", "/nonexistent/kana-c-test/out", 0, KANA_CV_NONE,
                    KANA_SP_NONE, KANA_TB_NONE, 0, KANA_K_NONE, KANA_TH_ALL, KANA_H_NONE,
                    KANA_M_NONE) != 0)
        return 2;
    if (KanaLastError(Message, sizeof Message) != 3) return 3;
    puts("C API: ok");
    return 0;
}
