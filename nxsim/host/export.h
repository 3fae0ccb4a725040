// libnxsim is built with hidden visibility: what the tools and the nxsim program
// call is marked, and host/libnxsim.map lists it once more for the linker.
#pragma once

#ifdef _WIN32
// nxsim.dll exports its functions as the linker finds them (the static run-time
// inside excluded): nxsim.exe and the tools import from it.
#define NXSIM_EXPORT
#else
#define NXSIM_EXPORT __attribute__((visibility("default")))
#endif
