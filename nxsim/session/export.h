// libnxsim (session and host in one shared library) is built with hidden visibility:
// what the tools, the nxsim program and nxsim's tests call is marked, and
// host/libnxsim.map lets the linker export only the host's C interface and nxsim's
// marked names.
#pragma once

#ifdef _WIN32
// nxsim.dll exports its functions as the linker finds them (the static run-time
// inside excluded): nxsim.exe and the tools import from it.
#define NXSIM_EXPORT
#else
#define NXSIM_EXPORT __attribute__((visibility("default")))
#endif
