/* Only the classic entry points: the program must not take this for a usable converter. */
#include <string.h>

int SetNkfOption(const char* option) { return option ? 0 : 3; }
void NkfConvert(char* out, const char* in) { strcpy(out, in); }
