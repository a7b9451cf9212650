/*
 * kana: Shift-JIS (code page 932) text file conversion.
 *
 * The library converts one text file into another, line by line, between half-width
 * and full-width characters, hiragana and katakana, big and small letters, and tabs
 * into spaces. Usable from C and C++.
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

#ifdef __cplusplus
}
#endif

#endif /* KANA_H */
