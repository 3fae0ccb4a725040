// A tool that includes one header (REACH_HEADER). Built only by the isolation test:
// with a header of the host interface it builds, with one of nxsim's insides the
// compiler must not find it.
#include REACH_HEADER

extern "C" void ufusr(char *, int *retcod, int) { *retcod = 0; }
extern "C" int ufusr_ask_unload(void) { return 1; }
