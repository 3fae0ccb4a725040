// A tool the scenario support must find at fault although its runs exit as they
// should: when a host call fails (its one failure path) it writes what
// AddressSanitizer writes on finding an overflow, as a tool with a fault on a failure
// path does in the sanitizer build, and returns as if nothing had happened.
#include <cstdio>

#include "uf.h"

extern "C" __attribute__((visibility("default"))) void ufusr(char *, int *retcod, int) {
    if (UF_initialize() != 0) {
        std::fputs(
            "=================================================================\n"
            "==4242==ERROR: AddressSanitizer: heap-buffer-overflow on address 0x602000000014\n"
            "READ of size 4 at 0x602000000014 thread T0\n",
            stderr);
        std::fflush(stderr);
        *retcod = 0;
        return;
    }
    UF_terminate();
    *retcod = 0;
}

extern "C" __attribute__((visibility("default"))) int ufusr_ask_unload(void) { return UF_UNLOAD_IMMEDIATELY; }
