// A tool that loses a block it allocated: under the sanitizers its leak report must
// name this file, which it cannot once the tool is unloaded.
#include <cstdlib>

#include "uf.h"

namespace {
void *volatile last_block = nullptr;
}

extern "C" __attribute__((visibility("default"))) void ufusr(char *, int *retcod, int) {
    last_block = std::malloc(100);
    last_block = nullptr;
    *retcod = 0;
}

extern "C" __attribute__((visibility("default"))) int ufusr_ask_unload(void) { return UF_UNLOAD_IMMEDIATELY; }
