// Files a run leaves are written whole or not at all: each through a temporary beside
// its target, put in place together only when every one of them is complete and on
// the disk, after a record of the renames that lets the next run complete a commit a
// kill or a crash cut. A SIGINT or SIGTERM (Ctrl+C on Windows) removes the
// temporaries; those of ended processes are cleaned up. What this needs of the system is in files_posix.cpp and
// files_windows.cpp.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "export.h"

namespace nxsim {

// A temporary removed if the process is stopped by SIGINT or SIGTERM.
NXSIM_EXPORT void track_temporary(const std::filesystem::path &temp);
NXSIM_EXPORT void untrack_temporary(const std::filesystem::path &temp);

NXSIM_EXPORT long process_id();
// True only when process `pid` surely has ended.
NXSIM_EXPORT bool process_ended(long pid);
// Whether files can be made in the folder.
NXSIM_EXPORT bool folder_writable(const std::filesystem::path &folder);

// The bytes of a regular file; throws InputError, naming the file as `what`, for
// anything else. Only a regular file is read: a FIFO or a device would block for ever.
NXSIM_EXPORT std::string read_regular_file(const std::filesystem::path &path, const char *what = "file");
// Why a file cannot be read, in those words; empty when it can be opened.
NXSIM_EXPORT std::string unreadable_reason(const std::filesystem::path &path);

// Removes "NAME.tmp-PID" (a save) and "NAME.nxsim-PID-N" (a tool's write) beside
// `path` when process PID has ended, as after a kill or a crash.
NXSIM_EXPORT void remove_stale_temporaries(const std::filesystem::path &path);

// A file whose write permission is off (Windows' read-only flag) is never
// replaced, even for root; throws InputError naming it.
NXSIM_EXPORT void refuse_read_only(const std::filesystem::path &path);

// Where a commit of several files is recorded before its first rename: "S.commit"
// beside the session it goes with and, when that is not in the run folder, a mark
// "nxsim.commit" in the run folder naming the record, so that the next run on either
// finds a commit that was cut.
struct CommitRecord {
    std::filesystem::path session;
    std::filesystem::path run_dir;
};

class NXSIM_EXPORT FileSet {
public:
    FileSet() = default;
    explicit FileSet(CommitRecord record) : record_(std::move(record)) {}
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
    // is to go, each on the disk before the next step (a power loss keeps the old
    // files or the new ones). Several files are recorded first (see CommitRecord).
    // Throws InputError: before the first rename with nothing in place; after it with
    // cut() true, the rest left to the next run on the session or the run folder.
    void commit();
    bool cut() const { return cut_; }

private:
    void write_record(const std::filesystem::path &record, const std::filesystem::path &mark) const;

    std::vector<std::pair<std::filesystem::path, std::filesystem::path>> files_;  // temporary, target
    std::vector<std::filesystem::path> removals_;
    CommitRecord record_;
    bool decided_ = false;  // recorded: the temporaries are the commit's, not to be removed
    bool cut_ = false;
};

// Completes the commit of a run that a kill, a crash or an I/O error cut, as recorded
// beside `session` (the session this run holds locked) or marked in `run_dir`, or takes
// it back when its record was not written whole (then nothing of it is in place); says
// so on `err` in one line. A record found through the run folder alone is left to its
// process while that still runs. Throws InputError when the commit cannot be completed.
NXSIM_EXPORT void finish_cut_commits(const std::filesystem::path &session, const std::filesystem::path &run_dir,
                                     std::ostream &err);

// One file written whole through a temporary beside it, then renamed: a crash
// never leaves half of it.
NXSIM_EXPORT void write_file_atomically(const std::filesystem::path &path, const std::string &bytes);

// Held for a run on a session file: a second run on the same file is refused
// (InputError) instead of one run's work being lost. Anything but a regular file
// is not locked (its reader says what is wrong with it). Linux locks the file itself,
// or, while it is not made yet, a "NAME.lock" beside it that the run removes; Windows
// always a "NAME.lock" beside it that goes with the last handle. A session whose
// folder does not exist yet is not locked (held() is false): lock it again once the
// folder is made.
class NXSIM_EXPORT SessionLock {
public:
    explicit SessionLock(const std::filesystem::path &path);
    SessionLock(const SessionLock &) = delete;
    SessionLock &operator=(const SessionLock &) = delete;
    ~SessionLock();

    // `temp` is about to be put in place as the session: locked now, the lock stays
    // with the session after the save (on Linux the lock is on the file replaced).
    void carry_to(const std::filesystem::path &temp);
    bool held() const { return held_ != -1 || absent_ != -1; }

private:
    bool lock_absent();
    void remove_stale_lock();

    std::filesystem::path path_;
    std::intptr_t held_ = -1;    // the descriptor or handle held
    std::intptr_t next_ = -1;    // Linux: the temporary carry_to locked
    std::intptr_t absent_ = -1;  // Linux: "NAME.lock", while the session is not made
};

}  // namespace nxsim
