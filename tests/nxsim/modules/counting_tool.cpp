// A tool whose module state counts its runs: every run must see a count of 1.
#include <cstdio>

#include "uf.h"

namespace {
int runs = 0;
}

extern "C" __attribute__((visibility("default"))) void ufusr(char *, int *retcod, int) {
    ++runs;
    char text[32];
    std::snprintf(text, sizeof text, "run %d", runs);
    uc1601(text, 1);
    *retcod = runs;
}

extern "C" __attribute__((visibility("default"))) int ufusr_ask_unload(void) { return UF_UNLOAD_IMMEDIATELY; }
