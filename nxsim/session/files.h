// Files a run leaves are written whole or not at all: each through a temporary beside
// its target, put in place together only when every one of them is complete. A
// SIGINT or SIGTERM removes the temporaries; those of ended processes are cleaned up.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace nxsim {

// A temporary removed if the process is stopped by SIGINT or SIGTERM.
void track_temporary(const std::filesystem::path &temp);
void untrack_temporary(const std::filesystem::path &temp);

// Removes "NAME.tmp-PID" beside `path` when process PID has ended.
void remove_stale_temporaries(const std::filesystem::path &path);

// A file whose write permission is off (as Windows' read-only flag) is never
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
    // Writes the bytes completely to a temporary for `target`; throws InputError.
    void write(const std::filesystem::path &target, const std::string &bytes);
    // What `target` will hold once in place: its temporary, or the file as it is.
    std::optional<std::string> bytes_for(const std::filesystem::path &target) const;
    // Renames every temporary onto its target, in the order given; throws InputError.
    void commit();

private:
    std::vector<std::pair<std::filesystem::path, std::filesystem::path>> files_;  // temporary, target
};

// Held for a run on a session file: a second run on the same file is refused
// (InputError) instead of one run's work being lost. Anything but a regular file
// is not locked (its reader says what is wrong with it).
class SessionLock {
public:
    explicit SessionLock(const std::filesystem::path &path);
    SessionLock(const SessionLock &) = delete;
    SessionLock &operator=(const SessionLock &) = delete;
    ~SessionLock();

private:
    int fd_ = -1;
};

}  // namespace nxsim
