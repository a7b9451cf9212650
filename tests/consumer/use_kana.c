/* Converts a file of half-width katakana through the library, then fails on a source in a
   missing folder; converts text in memory, sized first, and meets a character Shift-JIS
   cannot hold. Argument: a scratch folder. Built against the build tree (the header
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
    if (KanaConvert(src, dest, 0, 0, 0, 0, 0, 0, 0, 0, 0) != 0 ||
        KanaLastError(message, sizeof message) != 3)
        return 1;

    /* Text in memory: UTF-8 ｶﾞｰﾙ widened, the size asked first. */
    kana_options options = KANA_OPTIONS_INIT;
    kana_error error;
    size_t size = 0;
    const char *text = "\xEF\xBD\xB6\xEF\xBE\x9E\xEF\xBD\xB0\xEF\xBE\x99";
    if (kana_options_set(&options, "kata", "2byte") != KANA_OK ||
        kana_convert(&options, text, strlen(text), NULL, 0, &size, &error) != KANA_OK || size != 9 ||
        kana_convert(&options, text, strlen(text), out, sizeof out, &size, &error) != KANA_OK ||
        memcmp(out, "\xE3\x82\xAC\xE3\x83\xBC\xE3\x83\xAB", 9) != 0) /* ガール */
        return 1;
    /* An emoji has no Shift-JIS form: line 1, column 2. */
    if (kana_options_set(&options, "to", "sjis") != KANA_OK ||
        kana_convert(&options, "a\xF0\x9F\x98\x80", 5, out, sizeof out, &size, &error) !=
            KANA_E_UNWRITABLE ||
        error.line != 1 || error.column != 2)
        return 1;
    return 0;
}
