// Files a run leaves are written whole or not at all: each through a temporary beside
// its target, put in place together only when every one of them is complete. A
// SIGINT or SIGTERM (Ctrl+C on Windows) removes the temporaries; those of ended
// processes are cleaned up. What this needs of the system is in files_posix.cpp and
// files_windows.cpp.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace nxsim {

// A temporary removed if the process is stopped by SIGINT or SIGTERM.
void track_temporary(const std::filesystem::path &temp);
void untrack_temporary(const std::filesystem::path &temp);

long process_id();
// True only when process `pid` surely has ended.
bool process_ended(long pid);
// Whether files can be made in the folder.
bool folder_writable(const std::filesystem::path &folder);

// The bytes of a regular file; throws InputError, naming the file as `what`, for
// anything else. Only a regular file is read: a FIFO or a device would block for ever.
std::string read_regular_file(const std::filesystem::path &path, const char *what = "file");
// Why a file cannot be read, in those words; empty when it can be opened.
std::string unreadable_reason(const std::filesystem::path &path);

// Removes "NAME.tmp-PID" (a save) and "NAME.nxsim-PID-N" (a tool's write) beside
// `path` when process PID has ended, as after a kill or a crash.
void remove_stale_temporaries(const std::filesystem::path &path);

// A file whose write permission is off (Windows' read-only flag) is never
// replaced, even for root; throws InputError naming it.
void refuse_read_only(const std::filesystem::path &path);

class FileSet {
public:
    FileSet() = default;
    FileSet(const FileSet &) = delete;
    FileSet &operator=(const FileSet &) = delete;
    ~FileSet();  // removes every temporary not put in place

    // A temporary written already (by a tool), to become `target`.
    void adopt(const std::filesystem::path &temp, const std::filesystem::path &target);
    // Writes the bytes completely to a temporary for `target`, which it returns; throws InputError.
    std::filesystem::path write(const std::filesystem::path &target, const std::string &bytes);
    // A file from before that goes only when the rest is put in place.
    void remove(const std::filesystem::path &target);
    // What `target` will hold once in place: its temporary, the file as it is, or
    // nothing when it is to go.
    std::optional<std::string> bytes_for(const std::filesystem::path &target) const;
    // Renames every temporary onto its target, in the order given, then removes what
    // is to go; throws InputError, and then nothing is removed.
    void commit();

private:
    std::vector<std::pair<std::filesystem::path, std::filesystem::path>> files_;  // temporary, target
    std::vector<std::filesystem::path> removals_;
};

// One file written whole through a temporary beside it, then renamed: a crash
// never leaves half of it.
void write_file_atomically(const std::filesystem::path &path, const std::string &bytes);

// Held for a run on a session file: a second run on the same file is refused
// (InputError) instead of one run's work being lost. Anything but a regular file
// is not locked (its reader says what is wrong with it). Linux locks the file itself,
// Windows a "NAME.lock" beside it that goes with the last handle.
class SessionLock {
public:
    explicit SessionLock(const std::filesystem::path &path);
    SessionLock(const SessionLock &) = delete;
    SessionLock &operator=(const SessionLock &) = delete;
    ~SessionLock();

    // `temp` is about to be put in place as the session: locked now, the lock stays
    // with the session after the save (on Linux the lock is on the file replaced).
    void carry_to(const std::filesystem::path &temp);

private:
    std::filesystem::path path_;
    std::intptr_t held_ = -1;  // the descriptor or handle held
    std::intptr_t next_ = -1;  // Linux: the temporary carry_to locked
};

}  // namespace nxsim
