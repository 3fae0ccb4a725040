// A tool that pins itself in the process, so FreeLibrary leaves it mapped with its
// module state: nxsim must notice and fail the run.
#include <windows.h>

#include "uf.h"

static int runs = 0;

extern "C" __declspec(dllexport) void ufusr(char *, int *retcod, int) {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&runs), &self);
    *retcod = ++runs;
}

extern "C" __declspec(dllexport) int ufusr_ask_unload(void) { return UF_UNLOAD_IMMEDIATELY; }
