// A tool built without -fno-gnu-unique: its inline variable becomes a unique
// symbol, which keeps the library loaded after dlclose.
#include "uf.h"

template <class T>
struct counter {
    static inline int value = 0;
};

extern "C" __attribute__((visibility("default"))) void ufusr(char *, int *retcod, int) {
    *retcod = ++counter<int>::value;
}

extern "C" __attribute__((visibility("default"))) int ufusr_ask_unload(void) { return UF_UNLOAD_IMMEDIATELY; }
