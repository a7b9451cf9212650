/*
 * kana: Japanese text conversion, Shift-JIS (code page 932) and UTF-8.
 *
 * The library converts text between half-width and full-width characters, hiragana and
 * katakana, big and small letters, and tabs into spaces: one text file into another
 * (KanaConvert, Shift-JIS, the library's own rules), or text in memory (kana_convert and
 * kana_converter, UTF-8 or Shift-JIS). Usable from C and C++; kana.hpp wraps the text
 * calls for C++17.
 */
#ifndef KANA_H
#define KANA_H

#include <stddef.h>
#include <stdint.h>

#ifdef _WIN32
#define KANA_CALL __stdcall
#else
#define KANA_CALL
#endif

#if defined(KANA_BUILDING_LIBRARY) && !defined(_WIN32)
#define KANA_API __attribute__((visibility("default")))
#else
#define KANA_API
#endif

/* ConvSize: letter size after every other conversion. */
#define KANA_CV_NONE 0
#define KANA_CV_SMALL 1 /* small letters and small kana */
#define KANA_CV_BIG 2   /* big letters and normal kana */
/* Space */
#define KANA_SP_NONE 0
#define KANA_SP_1BYTE 1 /* full-width space to " " */
#define KANA_SP_2BYTE 2 /* " " (and the spaces of a tab) to the full-width space */
/* Tab */
#define KANA_TB_NONE 0
#define KANA_TB_SPACE 1 /* a tab becomes SpLen spaces; none when SpLen <= 0 */
/* Kata */
#define KANA_K_NONE 0
#define KANA_K_1BYTE 1 /* katakana and kana punctuation to half width */
#define KANA_K_2BYTE 2 /* half-width katakana to full width, voicing marks merged */
#define KANA_K_HIRA 3  /* katakana to hiragana, for the widths ToHira selects */
/* ToHira, with KANA_K_HIRA */
#define KANA_TH_ALL 0
#define KANA_TH_1ONLY 1 /* half-width katakana only */
#define KANA_TH_2ONLY 2 /* full-width katakana only */
/* Hira */
#define KANA_H_NONE 0
#define KANA_H_1KATA 1 /* hiragana to half-width katakana */
#define KANA_H_2KATA 2 /* hiragana to full-width katakana */
/* Mark */
#define KANA_M_NONE 0
#define KANA_M_1ALL 1 /* full-width letters, digits and symbols to ASCII */
#define KANA_M_2ALL 2 /* ASCII letters, digits and symbols to full width */

/* Codes of the file layer's own; every other code is a Windows error code
 * (2 file not found, 3 path not found, 5 access denied, 8 not enough memory,
 * 32 sharing violation, 112 disk full, ...). */
#define KANA_E_FILE_NOT_OPEN 103
#define KANA_E_NOT_OPEN_FOR_INPUT 104
#define KANA_E_NOT_OPEN_FOR_OUTPUT 105

#ifdef __cplusplus
extern "C" {
#endif

/* The interface version: 1. */
KANA_API int32_t KANA_CALL GetDllVersion(void);

/*
 * Converts the Shift-JIS text file SrcFile into DestFile.
 *
 * Lines end at CR or CR LF (an LF alone stays inside its line); a 0x1A byte ends the
 * input. Every line is written with CR LF. The result goes to a temporary file
 * "$$$$$$$$.~kn" in DestFile's folder (the current folder when DestFile names none),
 * which is forced to disk and then takes DestFile's place in one step: DestFile is
 * always either its old or its whole new content. SrcFile and DestFile may be the same
 * file. An empty SrcFile reads standard input; an empty DestFile writes standard output
 * directly.
 *
 * CheckSame (low 16 bits): when non-zero, the call refuses to work if the two paths are
 * equal apart from the case of ASCII letters. The options are read from their low 8 bits
 * (a value outside the named ones acts as the option's first value, except for Tab,
 * where any non-zero value expands tabs); SpLen is the number of spaces per tab.
 *
 * Returns 1 when the converted file is in place (in the low 16 bits of the result
 * register under Windows). Returns 0 when the call refused to work (same paths) or the
 * temporary file vanished during the call; on POSIX also when the conversion failed,
 * which KanaLastError then tells. Under Windows a failure leaves the call as the
 * structured exception KANA_EXCEPTION_CODE instead (below). A failed call leaves
 * DestFile untouched and no temporary file behind.
 */
KANA_API uint16_t KANA_CALL KanaConvert(const char* SrcFile, const char* DestFile,
                                        uint32_t CheckSame, uint32_t ConvSize, uint32_t Space,
                                        uint32_t Tab, int32_t SpLen, uint32_t Kata, uint32_t ToHira,
                                        uint32_t Hira, uint32_t Mark);

#ifdef _WIN32
/*
 * Under Windows a failed KanaConvert call does not return. It leaves as the structured
 * exception KANA_EXCEPTION_CODE with the flag EXCEPTION_NONCONTINUABLE, whose
 * EXCEPTION_RECORD holds KANA_EXCEPTION_PARAMETERS parameters:
 *   ExceptionInformation[0]  the error code (2 file not found, 103 file not open, ...)
 *   ExceptionInformation[1]  const char *: the message, Shift-JIS, zero-terminated; valid
 *                            until the calling thread's next KanaConvert call or its end
 *   ExceptionInformation[2]  the message's length in bytes, the zero not counted
 * A host catches it with __try/__except (or a vectored handler that leaves the call) and
 * does not resume it. No C++ exception ever leaves the library.
 */
#define KANA_EXCEPTION_CODE 0x0EEDFACEu
#define KANA_EXCEPTION_PARAMETERS 3
#else
/*
 * The error code of the last KanaConvert call on the calling thread, 0 when that call
 * failed with nothing. Copies its message (Shift-JIS, zero-terminated, truncated to
 * Size bytes) into Message when Message is not NULL and Size is not 0.
 */
KANA_API int32_t KanaLastError(char* Message, size_t Size);
#endif

/* ------------------------------------------------------------------------------------ */
/* Converting text in memory. Thread-safe; no global state: every call's result and error */
/* come back through its arguments.                                                     */

/* Encodings: the input's (`from`) and the output's (`to`). */
#define KANA_ENCODING_AUTO 0 /* from: judged by the text; to: as read */
#define KANA_ENCODING_SJIS 1 /* Shift-JIS, code page 932 */
#define KANA_ENCODING_UTF8 2
/* Letters, digits, symbols: one class of what `mark` converts, taken apart. */
#define KANA_CLASS_MARK 0 /* as `mark` says */
#define KANA_CLASS_NONE 1
#define KANA_CLASS_1BYTE 2 /* full width to ASCII (and ￠ ￡ ￢ ￣ ￤ ￥ ￦ to ¢ £ ¬ ¯ ¦ ¥ ₩) */
#define KANA_CLASS_2BYTE 3 /* ASCII to full width */
/* Line ends. */
#define KANA_NEWLINE_KEEP 0 /* every line end as it is */
#define KANA_NEWLINE_CRLF 1 /* the library's: CR or CR LF ends a line, 0x1A the text; CR LF */
#define KANA_NEWLINE_LF 2   /* LF, CR LF or CR ends a line; LF (none after a last line without) */

/*
 * Every option of a conversion. All zero (KANA_OPTIONS_INIT) converts nothing, reads the
 * encoding off the text and writes what it read, keeps line ends, and follows the
 * faithful rules: nothing is narrowed away, and in UTF-8 the marks follow Unicode's own
 * width pairs (ASCII 0x21..0x7E with U+FF01..U+FF5E, ¢ £ ¬ ¯ ¦ ¥ ₩ with U+FFE0..U+FFE6).
 */
typedef struct kana_options {
    uint8_t kata;      /* KANA_K_*: katakana width, or to hiragana */
    uint8_t to_hira;   /* KANA_TH_*, with KANA_K_HIRA */
    uint8_t hira;      /* KANA_H_*: hiragana to katakana */
    uint8_t mark;      /* KANA_M_*: letters, digits and symbols */
    uint8_t letters;   /* KANA_CLASS_*: Latin letters apart from mark */
    uint8_t digits;    /* KANA_CLASS_*: 0..9 apart from mark */
    uint8_t symbols;   /* KANA_CLASS_*: every other character mark converts */
    uint8_t space;     /* KANA_SP_* */
    uint8_t conv_size; /* KANA_CV_*: after every other conversion */
    uint8_t newline;   /* KANA_NEWLINE_* */
    uint8_t classic;   /* 1: the library's rules and line ends, for Shift-JIS text only;
                          refused with to UTF-8, newline, letters, digits, symbols,
                          tab_stops or keep */
    uint8_t from;      /* KANA_ENCODING_* */
    uint8_t to;        /* KANA_ENCODING_* */
    uint8_t expand_tabs; /* 1: every tab becomes `tab` spaces */
    int32_t tab;       /* spaces per tab; 0 or less: a tab vanishes */
    int32_t tab_stops; /* above 0: each tab becomes the spaces to the next multiple of this
                          many display columns, after every other conversion; refused
                          with expand_tabs */
    const char *keep;  /* characters no option converts, UTF-8, zero-terminated; NULL: none.
                          Not copied: it must live as long as the options are used. */
} kana_options;
#define KANA_OPTIONS_INIT {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, NULL}

/* Result codes. */
#define KANA_OK 0
#define KANA_E_OPTION 1       /* an option value out of range, or an unknown name */
#define KANA_E_BUFFER 2       /* the output does not fit: *out_len tells the size needed */
#define KANA_E_UNWRITABLE 3   /* a character the output's encoding cannot hold (line, column) */
#define KANA_E_CLASSIC 4      /* classic rules asked for text that is UTF-8 */
#define KANA_E_MEMORY 5       /* memory ran out */
#define KANA_E_ARGUMENT 6     /* a NULL pointer where one is needed */
#define KANA_E_INTERNAL 7     /* a fault of the library's own */

/* Where a conversion failed. */
typedef struct kana_error {
    int32_t code;       /* KANA_OK or KANA_E_* */
    uint64_t line;      /* KANA_E_UNWRITABLE: the character's line, from 1 */
    uint64_t column;    /* ... its column in characters, from 1 */
    uint8_t bytes[4];   /* ... its bytes as read */
    uint8_t size;       /* ... how many */
    char option[24];    /* KANA_E_OPTION: the option's name, when known */
} kana_error;

/* A text in English saying what a result code means. */
KANA_API const char *kana_error_text(int32_t code);

/*
 * Sets one option by the names kanaconv uses: kata=1byte, conv-size=big, tab=4, tab=none,
 * keep=ー, from=sjis, classic=true, ... Names are matched ignoring case, with '-', '_' and
 * a change to capitals taken alike (conv-size, conv_size, convSize); encodings by any of
 * their names (utf-8, utf8, sjis, shift_jis, cp932, windows-31j, ms932, ...). A keep value
 * is not copied. Returns KANA_OK or KANA_E_OPTION.
 */
KANA_API int32_t kana_options_set(kana_options *options, const char *name, const char *value);

/* The encoding a name stands for (KANA_ENCODING_*), or -1 for an unknown name. */
KANA_API int32_t kana_encoding_named(const char *name);

/* The most bytes converting size bytes may take under the options. */
KANA_API uint64_t kana_convert_bound(const kana_options *options, uint64_t size);

/*
 * Converts size bytes of text at `in`. With out NULL, only computes the size of the
 * result into *out_len. Otherwise writes it to out (out_size bytes, no terminating zero)
 * and its size to *out_len; when it does not fit, returns KANA_E_BUFFER with *out_len
 * the size needed (kana_convert_bound gives a size that always fits). On failure, error
 * (when not NULL) tells what and where. Returns KANA_OK or a KANA_E_* code.
 */
KANA_API int32_t kana_convert(const kana_options *options, const char *in, size_t size, char *out,
                              size_t out_size, size_t *out_len, kana_error *error);

/* A converter made once from options and used for many texts, from any thread. */
typedef struct kana_converter kana_converter;
KANA_API kana_converter *kana_converter_new(const kana_options *options, kana_error *error);
KANA_API int32_t kana_converter_convert(const kana_converter *converter, const char *in,
                                        size_t size, char *out, size_t out_size, size_t *out_len,
                                        kana_error *error);
KANA_API void kana_converter_free(kana_converter *converter);

/* How a text is judged, as kanaconv judges its input. */
typedef struct kana_judgment {
    uint8_t encoding;        /* KANA_ENCODING_UTF8, _SJIS, or _AUTO: nothing but ASCII */
    uint64_t invalid;        /* judged UTF-8: sequences that are no UTF-8 */
    uint64_t first_offset;   /* the first one's byte offset ... */
    uint64_t first_line;     /* ... line, from 1 ... */
    uint64_t first_column;   /* ... and column in characters, from 1 */
} kana_judgment;
KANA_API int32_t kana_judge(const char *in, size_t size, kana_judgment *judgment);

#ifdef __cplusplus
}
#endif

#endif /* KANA_H */
