# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64).
# The posix flavour of the compiler: its C++ run-time threads through winpthreads,
# which is linked statically like the GCC run-time itself.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RIVET_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${RIVET_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RIVET_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${RIVET_MINGW_PREFIX}-windres)
set(CMAKE_OBJDUMP ${RIVET_MINGW_PREFIX}-objdump CACHE FILEPATH "objdump for Windows binaries")

set(CMAKE_FIND_ROOT_PATH /usr/${RIVET_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Each DLL and program needs nothing beside the host and the Windows run-time.
# -static takes winpthreads from its archive too; msvcrt and kernel32 stay imports.
set(RIVET_STATIC_RUNTIME "-static-libgcc -static-libstdc++ -static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${RIVET_STATIC_RUNTIME}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${RIVET_STATIC_RUNTIME}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${RIVET_STATIC_RUNTIME}")

# Programs built here run under Wine (tests, gtest discovery), through the script that
# gives Wine the engineers' code page and starts a program once more when Wine itself
# could not start it.
find_program(RIVET_WINE wine)
if(RIVET_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/under-wine.sh)
endif()
