// libnxsim is built with hidden visibility: what the tools and the nxsim program
// call is marked, and host/libnxsim.map lists it once more for the linker.
#pragma once

#define NXSIM_EXPORT __attribute__((visibility("default")))
