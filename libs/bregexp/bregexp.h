/*
 * libbregexp: Perl-style regular-expression matching for CP932 (Windows Shift_JIS) text,
 * loaded at run time by the program. Built on PCRE2.
 *
 * Pattern form: "m/EXPRESSION/FLAGS" (also "/EXPRESSION/FLAGS", or "m" with another
 * punctuation delimiter; "m{...}", "m(...)", "m[...]" and "m<...>" close with their partner).
 * The closing delimiter is the last one in the pattern, so a delimiter inside the expression
 * needs no escape. Flags:
 *   k  the subject and the expression are CP932: a double-byte character is one character,
 *      and no match starts on its second byte. Without k the subject is matched byte by byte.
 *   i  ignore case
 *   m  ^ and $ also match at line breaks inside the subject
 *   s  "." also matches a line break
 *   x  blanks and #-comments in the expression are ignored
 *
 * With flag k, bytes that are not valid CP932 still count as one character each, and a lead
 * byte with a valid trail byte counts as one character even where CP932 assigns it nothing;
 * such characters match only themselves. Escapes such as \x{...} name Unicode code points.
 */
#ifndef BREGEXP_H
#define BREGEXP_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define BREGEXP_API __attribute__((visibility("default")))
#else
#define BREGEXP_API
#endif

/* The outcome of a successful match. Group 0 is the whole match, groups 1 to nparens follow
 * the order of their opening parentheses. startp[i] and endp[i] point into the subject that was
 * handed to BMatch (endp one past the group's last byte); both are NULL for a group that took
 * no part in the match. The record stays valid until BRegfree, the subject as long as the
 * caller keeps it. */
typedef struct bregexp {
    int nparens;         /* number of capturing groups of the expression */
    const char** startp; /* nparens + 1 entries */
    const char** endp;   /* nparens + 1 entries */
} BREGEXP;

/* Matches pattern against the bytes [subject, subjectEnd); zero bytes are ordinary bytes.
 *
 * *rxp must be NULL or a record from an earlier call, which is released first. On a match
 * *rxp receives a new record; otherwise it is left NULL.
 *
 * msg, if not NULL, has room for 256 bytes and receives a zero-ended text: empty after a
 * match or a plain miss, the reason otherwise.
 *
 * Returns  1 on a match;
 *          0 on no match, also when the expression needed more backtracking or memory than
 *            the library allows (msg then says which limit was hit);
 *         -1 when the pattern is invalid (bad form, unknown flag, or an expression PCRE2
 *            cannot compile: msg holds PCRE2's message and the offset in the expression) or
 *            the match failed for lack of memory. */
BREGEXP_API int BMatch(const char* pattern, const char* subject, const char* subjectEnd,
                       BREGEXP** rxp, char* msg);

/* The same for UTF-8 text, as Linux programs print it: the expression (the same m/.../ form)
 * and the subject are UTF-8, flag k is ignored, a character of any length is one character,
 * and startp/endp are byte offsets into the UTF-8 subject. Bytes of the subject that are not
 * valid UTF-8 match nothing (not even ".") but are no error. */
BREGEXP_API int BMatchUtf8(const char* pattern, const char* subject, const char* subjectEnd,
                           BREGEXP** rxp, char* msg);

/* BMatchUtf8 from startOffset on: the match starts at or after that byte of the subject, while
 * ^, \b and look-behinds still see the bytes before it, so a line is searched hit after hit
 * without looking at its beginning again. An offset inside a character or among invalid bytes
 * is allowed. Returns as BMatchUtf8, except that an expression which needed more backtracking
 * or memory than the library allows returns -2 (msg says which limit), not 0: a caller can
 * then tell "not there" from "not known". An offset past subjectEnd returns -1. */
BREGEXP_API int BMatchUtf8At(const char* pattern, const char* subject, const char* subjectEnd,
                             size_t startOffset, BREGEXP** rxp, char* msg);

/* Releases a record from BMatch or BMatchUtf8. NULL is allowed. */
BREGEXP_API void BRegfree(BREGEXP* rx);

/* Library and engine version, e.g. "libbregexp 1.0 (PCRE2 10.42)". */
BREGEXP_API const char* BRegexpVersion(void);

#ifdef __cplusplus
}
#endif

#endif
