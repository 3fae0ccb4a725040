#include "files.h"

#include <fcntl.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): kill() is POSIX, not <csignal>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "json_error.h"

namespace nxsim {
namespace fs = std::filesystem;
namespace {

// The handler may only touch what is async-signal-safe: fixed slots of plain bytes.
constexpr size_t kSlots = 128;
constexpr size_t kPathBytes = 1024;
struct Slot {
    volatile sig_atomic_t used;
    char path[kPathBytes];
};
Slot slots[kSlots];

// The handler found before ours: libnxsim and the nxsim program each hold a copy of
// this file, and each copy's handler hands on to the other's.
struct sigaction previous[2];

extern "C" void remove_temporaries_and_stop(int signal_number) {
    for (Slot &s : slots)
        if (s.used) ::unlink(s.path);
    const struct sigaction &before = previous[signal_number == SIGINT ? 0 : 1];
    if ((before.sa_flags & SA_SIGINFO) == 0 && before.sa_handler != SIG_DFL && before.sa_handler != SIG_IGN) {
        before.sa_handler(signal_number);
        return;
    }
    ::signal(signal_number, SIG_DFL);
    ::raise(signal_number);
}

void install_handler() {
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

std::string reason() { return std::strerror(errno); }

}  // namespace

void track_temporary(const fs::path &temp) {
    install_handler();
    const std::string &p = temp.native();
    if (p.size() >= kPathBytes) return;  // too long to keep: left behind, cleaned as stale
    for (Slot &s : slots) {
        if (s.used) continue;
        std::memcpy(s.path, p.c_str(), p.size() + 1);
        s.used = 1;
        return;
    }
}

void untrack_temporary(const fs::path &temp) {
    for (Slot &s : slots)
        if (s.used && temp.native() == s.path) s.used = 0;
}

void remove_stale_temporaries(const fs::path &path) {
    fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    std::string prefix = path.filename().string() + ".tmp-";
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        std::string digits = name.substr(prefix.size());
        if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
        auto pid = static_cast<pid_t>(std::stol(digits));
        if (pid <= 0 || pid == ::getpid()) continue;
        if (::kill(pid, 0) == 0 || errno != ESRCH) continue;  // alive, or not ours to judge
        std::error_code ignored;
        fs::remove(it->path(), ignored);
    }
}

void refuse_read_only(const fs::path &path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0)
        throw InputError(path.string() + ": read-only: nxsim does not save over it");
}

FileSet::~FileSet() {
    for (const auto &[temp, target] : files_) {
        std::error_code ec;
        fs::remove(temp, ec);
        untrack_temporary(temp);
    }
}

void FileSet::adopt(const fs::path &temp, const fs::path &target) { files_.emplace_back(temp, target); }

void FileSet::write(const fs::path &target, const std::string &bytes) {
    remove_stale_temporaries(target);
    fs::path temp = target;
    temp += ".tmp-" + std::to_string(::getpid());
    track_temporary(temp);
    files_.emplace_back(temp, target);
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) throw InputError(target.string() + ": cannot be written");
    out << bytes;
    out.close();
    if (!out) throw InputError(target.string() + ": cannot be written in full (" + reason() + ")");
}

std::optional<std::string> FileSet::bytes_for(const fs::path &target) const {
    fs::path from = target;
    for (const auto &[temp, to] : files_)
        if (to == target) from = temp;
    std::ifstream in(from, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void FileSet::commit() {
    // What would stop a rename half-way is refused before the first one.
    for (const auto &[temp, target] : files_) {
        std::error_code ec;
        if (fs::is_directory(target, ec)) throw InputError(target.string() + ": is a folder: cannot be replaced");
        refuse_read_only(target);
    }
    for (const auto &[temp, target] : files_) {
        std::error_code ec;
        fs::rename(temp, target, ec);
        if (ec) throw InputError(target.string() + ": cannot be put in place (" + ec.message() + ")");
        untrack_temporary(temp);
    }
    files_.clear();
}

SessionLock::SessionLock(const fs::path &path) {
    // A run that saved in the meantime put a new file in place: lock that one.
    for (int attempt = 0; attempt < 10; ++attempt) {
        int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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
        if (::stat(path.c_str(), &named) == 0 && named.st_ino == held.st_ino && named.st_dev == held.st_dev) {
            fd_ = fd;
            return;
        }
        ::close(fd);
    }
    throw InputError(path.string() + ": replaced again and again by another run");
}

SessionLock::~SessionLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace nxsim
