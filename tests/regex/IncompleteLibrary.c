/* A library that looks like libbregexp.so but lacks entry points. */
const char* BRegexpVersion(void) {
    return "incomplete";
}

#ifdef NO_REGFREE
int BMatch(const char* pattern, const char* subject, const char* subjectEnd, void** rxp,
           char* msg) {
    (void)pattern, (void)subject, (void)subjectEnd, (void)rxp, (void)msg;
    return 0;
}
int BMatchUtf8(const char* pattern, const char* subject, const char* subjectEnd, void** rxp,
               char* msg) {
    return BMatch(pattern, subject, subjectEnd, rxp, msg);
}
int BMatchUtf8At(const char* pattern, const char* subject, const char* subjectEnd,
                 unsigned long startOffset, void** rxp, char* msg) {
    (void)startOffset;
    return BMatch(pattern, subject, subjectEnd, rxp, msg);
}
#endif
