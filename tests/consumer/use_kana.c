/* Converts a file of half-width katakana through the library, then fails on a source in a
   missing folder. Argument: a scratch folder. Built against the build tree (the header
   compiled as C) and against an installed copy. */
#include <kana.h>

#include <stdio.h>
#include <string.h>

int main(int argc, char **argv) {
    char src[4096], dest[4096], out[16], message[256];
    if (argc != 2) return 2;
    snprintf(src, sizeof src, "%s/in.txt", argv[1]);
    snprintf(dest, sizeof dest, "%s/out.txt", argv[1]);
    FILE *f = fopen(src, "wb");
    if (!f || fputs("\xB6\xDE\xD9\r\n", f) < 0 || fclose(f) != 0) return 1; /* ｶﾞﾙ */
    if (GetDllVersion() != 1 || KanaConvert(src, dest, 0, KANA_CV_NONE, KANA_SP_NONE, KANA_TB_NONE,
                                            0, KANA_K_2BYTE, KANA_TH_ALL, KANA_H_NONE,
                                            KANA_M_NONE) != 1) {
        fprintf(stderr, "KanaConvert failed: code %d\n", (int)KanaLastError(message, sizeof message));
        return 1;
    }
    f = fopen(dest, "rb");
    const size_t n = f ? fread(out, 1, sizeof out, f) : 0;
    if (f) fclose(f);
    if (n != 6 || memcmp(out, "\x83\x4B\x83\x8B\r\n", 6) != 0) return 1; /* ガル */
    snprintf(src, sizeof src, "%s/missing/in.txt", argv[1]);
    return KanaConvert(src, dest, 0, 0, 0, 0, 0, 0, 0, 0, 0) == 0 &&
                   KanaLastError(message, sizeof message) == 3
               ? 0
               : 1;
}
