// Between files.cpp and what it needs of the system (files_posix.cpp, files_windows.cpp).
#pragma once

#include <csignal>
#include <cstddef>
#include <filesystem>

namespace nxsim::files_system {

// The temporaries to remove when the process is stopped. A signal handler may only
// touch plain bytes: fixed slots, not a container.
constexpr std::size_t kSlots = 128;
constexpr std::size_t kPathChars = 1024;
struct Slot {
    volatile std::sig_atomic_t used;
    std::filesystem::path::value_type path[kPathChars];
};
extern Slot slots[kSlots];

// Once per process: a stop (SIGINT, SIGTERM; Ctrl+C on Windows) removes the slots' files.
void install_stop_handler();

}  // namespace nxsim::files_system
