/* libnkf32.so: kanji code conversion between Shift_JIS (CP932), EUC-JP, JIS (ISO-2022-JP)
 * and UTF-8, loaded by the program at run time.
 *
 * The option text names the codes: a capital letter the source (S, E, J, W), a small letter
 * the target (s, e, j, w), e.g. "-Es" or "-Ws". Without a source letter ("-s") the source is
 * guessed from the input. The option stays in force for the calls of the same thread that
 * follow. */
#ifndef VEXIL_NKF32_H
#define VEXIL_NKF32_H

#include <stddef.h>

#if defined(NKF32_BUILDING) && defined(__GNUC__)
#define NKF32_API __attribute__((visibility("default")))
#else
#define NKF32_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Results of NkfConvertSafe (and of SetNkfOption, which answers NKF_OK or NKF_BAD_OPTION). */
enum {
    NKF_OK = 0,         /* converted, every character had its counterpart */
    NKF_REPLACED = 1,   /* converted completely, but characters without a mapping or invalid
                           source bytes were replaced by a mark ("〓", or "?" in UTF-8) */
    NKF_TOO_SMALL = 2,  /* the output did not fit; *written tells the size needed */
    NKF_BAD_OPTION = 3, /* the option text is not understood; nothing was converted */
    NKF_FAILED = 4      /* out of memory, or the system lacks a needed converter */
};

/* Sets the conversion for the calls that follow. */
NKF32_API int SetNkfOption(const char* option);

/* Converts the zero-ended text in into out and ends it with a zero byte. The caller must make
 * out large enough and loses everything after a zero byte of the input: kept for programs
 * written against the classic interface; new callers use NkfConvertSafe. */
NKF32_API void NkfConvert(char* out, const char* in);

/* Converts inSize bytes (zero bytes are data) into out, which holds outSize bytes. No zero
 * byte is added. *written is the size of the output, or with NKF_TOO_SMALL the size needed,
 * so that the caller can retry with a buffer that fits. out may be NULL when outSize is 0. */
NKF32_API int NkfConvertSafe(char* out, size_t outSize, size_t* written, const char* in,
                             size_t inSize);

typedef int (*SetNkfOptionProc)(const char* option);
typedef void (*NkfConvertProc)(char* out, const char* in);
typedef int (*NkfConvertSafeProc)(char* out, size_t outSize, size_t* written, const char* in,
                                  size_t inSize);

#ifdef __cplusplus
}
#endif

#endif
