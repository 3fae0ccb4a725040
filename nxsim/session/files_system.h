// Between files.cpp and what it needs of the system (files_posix.cpp, files_windows.cpp).
#pragma once

#include <csignal>
#include <cstddef>
#include <filesystem>
#include <string>

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

// The file's bytes on the disk, not in the system's cache (fsync, FlushFileBuffers);
// false with why when they cannot be.
bool flush_file(const std::filesystem::path &path, std::string &why);
// The folder's entries on the disk: a rename or a new file in it survives a power
// loss (fsync of the folder; nothing on Windows, whose renames write through).
void flush_folder(const std::filesystem::path &folder);
// Renames `temp` onto `target`, replacing it, on the disk when it returns (Windows:
// MoveFileEx writing through); false with why.
bool rename_onto(const std::filesystem::path &temp, const std::filesystem::path &target, std::string &why);
// Ends the process at once, as kill -9 or a power loss would: no handler runs.
[[noreturn]] void stop_at_once();

// A path as bytes and back, the same on every run of the system: Linux's own bytes,
// UTF-8 on Windows.
std::string path_bytes(const std::filesystem::path &path);
std::filesystem::path bytes_path(const std::string &bytes);

}  // namespace nxsim::files_system
