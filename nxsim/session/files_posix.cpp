// Linux: what the session's files need of the system. Temporaries removed on SIGINT
// and SIGTERM, processes asked with kill(pid, 0), files and folders flushed with
// fsync, the session locked with flock. files_windows.cpp serves Windows.
#include <fcntl.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): kill() is POSIX, not <csignal>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "files.h"
#include "files_system.h"
#include "json_error.h"

namespace nxsim {
namespace fs = std::filesystem;
namespace {

// The handler found before ours (one the embedding program put in place), handed on to.
struct sigaction previous[2];

extern "C" void remove_temporaries_and_stop(int signal_number) {
    for (files_system::Slot &s : files_system::slots)
        if (s.used) ::unlink(s.path);
    const struct sigaction &before = previous[signal_number == SIGINT ? 0 : 1];
    if ((before.sa_flags & SA_SIGINFO) == 0 && before.sa_handler != SIG_DFL && before.sa_handler != SIG_IGN) {
        before.sa_handler(signal_number);
        return;
    }
    ::signal(signal_number, SIG_DFL);
    ::raise(signal_number);
}

}  // namespace

void files_system::install_stop_handler() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (int signal_number : {SIGINT, SIGTERM}) {
        struct sigaction &old = previous[signal_number == SIGINT ? 0 : 1];
        ::sigaction(signal_number, nullptr, &old);
        if (old.sa_handler == SIG_IGN) continue;  // started to ignore it: stays so
        struct sigaction on {};
        on.sa_handler = remove_temporaries_and_stop;
        sigemptyset(&on.sa_mask);
        ::sigaction(signal_number, &on, nullptr);
    }
}

bool files_system::flush_file(const fs::path &path, std::string &why) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    // The data and what reading it needs (its size); the folder's entry is flushed apart.
    if (fd < 0 || ::fdatasync(fd) != 0) {
        why = std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return false;
    }
    ::close(fd);
    return true;
}

// A folder that cannot be flushed is one the renames have already failed in.
void files_system::flush_folder(const fs::path &folder) {
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool files_system::rename_onto(const fs::path &temp, const fs::path &target, std::string &why) {
    if (::rename(temp.c_str(), target.c_str()) == 0) return true;
    why = std::strerror(errno);
    return false;
}

void files_system::stop_at_once() {
    ::kill(::getpid(), SIGKILL);
    ::_exit(137);
}

std::string files_system::path_bytes(const fs::path &path) { return path.native(); }
fs::path files_system::bytes_path(const std::string &bytes) { return fs::path(bytes); }

long process_id() { return static_cast<long>(::getpid()); }

bool process_ended(long pid) { return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }

bool folder_writable(const fs::path &folder) { return ::access(folder.c_str(), W_OK) == 0; }

void refuse_read_only(const fs::path &path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0)
        throw InputError(path.string() + ": read-only: nxsim does not save over it");
}

std::string read_regular_file(const std::filesystem::path &path, const char *what) {
    auto refuse = [&](const std::string &why) {
        return InputError(path.string() + ": cannot read the " + what + ": " + why);
    };
    // Not blocking on a FIFO without a writer; what it is is asked of the open file.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        std::string why = unreadable_reason(path);
        throw refuse(why.empty() ? std::strerror(errno) : why);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        bool folder = S_ISDIR(st.st_mode);
        ::close(fd);
        throw refuse(folder ? "it is a folder" : "not a regular file (a FIFO or a device)");
    }
    std::string bytes;
    bytes.reserve(static_cast<size_t>(st.st_size));
    char chunk[65536];
    for (;;) {
        ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            int error = errno;
            ::close(fd);
            throw refuse(std::strerror(error));
        }
        if (got == 0) break;
        bytes.append(chunk, static_cast<size_t>(got));
    }
    ::close(fd);
    return bytes;
}

namespace {

bool same_file(const struct stat &a, const struct stat &b) { return a.st_ino == b.st_ino && a.st_dev == b.st_dev; }

}  // namespace

SessionLock::SessionLock(const fs::path &path) : path_(path) {
    // A run that saved in the meantime put a new file in place: lock that one.
    for (int attempt = 0; attempt < 10; ++attempt) {
        int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT) {
            if (lock_absent()) return;
            continue;
        }
        if (fd < 0) return;
        struct stat held {
        }, named{};
        if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
            ::close(fd);
            return;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            throw InputError(path.string() + ": in use by another run: try again when it has ended");
        }
        if (::stat(path.c_str(), &named) == 0 && same_file(named, held)) {
            held_ = fd;
            remove_stale_lock();
            return;
        }
        ::close(fd);
    }
    throw InputError(path.string() + ": replaced again and again by another run");
}

// A session not made yet is locked through "NAME.lock" beside it, which goes with the
// run; a run that finds the session made meanwhile locks the session itself. False:
// try again.
bool SessionLock::lock_absent() {
    fs::path lock = path_;
    lock += ".lock";
    int fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return true;  // no folder to save in: its save fails, nothing to lock against
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        throw InputError(path_.string() + ": in use by another run: try again when it has ended");
    }
    // The lock file of a run that ended and removed it, or a session made meanwhile.
    struct stat held {
    }, named{};
    if (::fstat(fd, &held) == 0 && ::stat(lock.c_str(), &named) == 0 && same_file(named, held) &&
        ::access(path_.c_str(), F_OK) != 0) {
        absent_ = fd;
        return true;
    }
    ::close(fd);
    return false;
}

// The lock file of a killed run that made the session: no run holds it, none needs it.
void SessionLock::remove_stale_lock() {
    fs::path lock = path_;
    lock += ".lock";
    int fd = ::open(lock.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(lock.c_str());
    ::close(fd);
}

void SessionLock::carry_to(const fs::path &temp) {
    // Of the two held, the one that is the session now stays (a save that failed left
    // the old one in place); the other is let go.
    struct stat named {};
    bool present = ::stat(path_.c_str(), &named) == 0;
    auto is_session = [&](std::intptr_t fd) {
        struct stat held {};
        return fd >= 0 && present && ::fstat(static_cast<int>(fd), &held) == 0 && same_file(held, named);
    };
    if (is_session(next_)) std::swap(held_, next_);
    if (next_ >= 0) ::close(static_cast<int>(next_));
    next_ = -1;
    int fd = ::open(temp.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return;
    }
    next_ = fd;
}

SessionLock::~SessionLock() {
    if (absent_ >= 0) {
        // Removed while still held: a run waiting on it finds it gone and looks again.
        fs::path lock = path_;
        lock += ".lock";
        ::unlink(lock.c_str());
        ::close(static_cast<int>(absent_));
    }
    if (held_ >= 0) ::close(static_cast<int>(held_));
    if (next_ >= 0) ::close(static_cast<int>(next_));
}

}  // namespace nxsim
