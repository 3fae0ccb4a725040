// The Windows run-time layer: the tools' fopen, remove, time, localtime and asctime (routed
// here by the linker) and _strdate/_tzset. Files live in the run folder's drives,
// text mode writes CR LF, and the clock is the host's.
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "export.h"
#include "files.h"
#include "host.h"
#include "win_crt.h"

namespace {

using nxsim::Host;

struct TextFile {
    FILE *real = nullptr;
    bool text = true;  // "\n" becomes CR LF
    long staged = -1;  // index among the run's staged files; -1: not staged
};

// A staged file whose write failed (a full disk) is never put in place: the run
// fails and says so, though the tool, as most do, ignores what fprintf answers.
void write_failed(const TextFile &f) {
    Host &h = Host::get();
    if (f.staged < 0 || static_cast<size_t>(f.staged) >= h.staged.size()) return;
    auto &file = h.staged[static_cast<size_t>(f.staged)];
    if (file.failure.empty()) file.failure = std::strerror(errno);
}

ssize_t text_write(void *cookie, const char *buf, size_t size) {
    auto *f = static_cast<TextFile *>(cookie);
    auto put = [&](const char *from, size_t n) {
        if (std::fwrite(from, 1, n, f->real) == n) return true;
        write_failed(*f);
        return false;
    };
    if (!f->text) return size == 0 || put(buf, size) ? static_cast<ssize_t>(size) : -1;
    // Gathered into blocks with each "\n" as CR LF: one write per block, not per line.
    char block[8192];
    size_t used = 0;
    auto add = [&](const char *from, size_t n) {
        while (n > 0) {
            if (used == sizeof block) {
                if (!put(block, used)) return false;
                used = 0;
            }
            size_t step = std::min(n, sizeof block - used);
            std::memcpy(block + used, from, step);
            used += step;
            from += step;
            n -= step;
        }
        return true;
    };
    for (size_t start = 0; start < size;) {
        const auto *line_end = static_cast<const char *>(std::memchr(buf + start, '\n', size - start));
        size_t end = line_end != nullptr ? static_cast<size_t>(line_end - buf) : size;
        if (!add(buf + start, end - start)) return -1;
        if (line_end != nullptr && !add("\r\n", 2)) return -1;
        start = end + (line_end != nullptr ? 1 : 0);
    }
    if (used > 0 && !put(block, used)) return -1;
    return static_cast<ssize_t>(size);
}

ssize_t text_read(void *cookie, char *buf, size_t size) {
    auto *f = static_cast<TextFile *>(cookie);
    if (!f->text) return static_cast<ssize_t>(std::fread(buf, 1, size, f->real));
    size_t n = 0;
    while (n < size) {
        int c = std::fgetc(f->real);
        if (c == EOF) break;
        if (c == '\r') {
            int next = std::fgetc(f->real);
            if (next == '\n') {
                c = '\n';
            } else if (next != EOF) {
                std::ungetc(next, f->real);
            }
        }
        buf[n++] = static_cast<char>(c);
    }
    return static_cast<ssize_t>(n);
}

int text_close(void *cookie) {
    auto *f = static_cast<TextFile *>(cookie);
    if (f->text) --Host::get().open_text_files;
    int rc = std::fclose(f->real);  // flushes: a full disk shows here
    if (rc != 0) write_failed(*f);
    delete f;
    return rc;
}

bool is_dir(const std::filesystem::path &p) {
    std::error_code ec;
    return std::filesystem::is_directory(p, ec);
}

}  // namespace

extern "C" {

NXSIM_EXPORT FILE *__wrap_fopen(const char *path, const char *mode) {
    Host &h = Host::get();
    if (h.enter("fopen", false)) {
        errno = EACCES;
        return nullptr;
    }
    if (path == nullptr || mode == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    auto mapped = h.map_path(path);
    if (!mapped || !is_dir(mapped->parent_path()) || is_dir(*mapped)) {
        errno = ENOENT;
        return nullptr;
    }
    std::string m = mode;
    bool binary = m.find('b') != std::string::npos;
    bool writing = m.find('w') != std::string::npos || m.find('a') != std::string::npos;
    std::string real_mode;
    for (char c : m)
        if (c != 't' && c != 'b') real_mode += c;
    real_mode += 'b';

    std::filesystem::path target = *mapped;
    long staged = -1;
    if (writing && h.staging) {
        // Written beside the final name and put in place only when the run succeeds.
        std::filesystem::path temp = target;
        temp += ".nxsim-" + std::to_string(::getpid()) + "-" + std::to_string(h.staged.size());
        nxsim::track_temporary(temp);
        std::erase(h.removed, target);
        if (m.find('a') != std::string::npos) {
            std::error_code ec;
            std::filesystem::copy_file(target, temp, std::filesystem::copy_options::overwrite_existing, ec);
        }
        staged = static_cast<long>(h.staged.size());
        h.staged.push_back({temp, target, {}});
        target = temp;
    }
    FILE *real = std::fopen(target.c_str(), real_mode.c_str());
    if (real == nullptr) return nullptr;
    // Binary streams not staged need nothing of ours; staged ones are watched for failed writes.
    if (binary && staged < 0) return real;
    auto *cookie = new TextFile{real, !binary, staged};
    cookie_io_functions_t io{};
    io.write = text_write;
    io.read = text_read;
    io.close = text_close;
    std::string cookie_mode = real_mode.substr(0, real_mode.size() - 1);
    FILE *f = fopencookie(cookie, cookie_mode.c_str(), io);
    if (f == nullptr) {
        std::fclose(real);
        delete cookie;
        return nullptr;
    }
    if (!binary) ++h.open_text_files;
    return f;
}

NXSIM_EXPORT int __wrap_remove(const char *path) {
    Host &h = Host::get();
    if (h.enter("remove", false)) {
        errno = EACCES;
        return -1;
    }
    if (path == nullptr) {
        errno = EINVAL;
        return -1;
    }
    auto mapped = h.map_path(path);
    if (!mapped || is_dir(*mapped)) {
        errno = ENOENT;
        return -1;
    }
    const std::filesystem::path &target = *mapped;
    std::error_code ec;
    if (!h.staging) {
        if (std::filesystem::remove(target, ec)) return 0;
        errno = ENOENT;
        return -1;
    }
    // What this run wrote there goes at once; a file from before the run goes when
    // the run succeeds, like everything else the run changes.
    bool found = false;
    // Entries stay (open streams know theirs by index); one without a final name is
    // never put in place.
    for (auto &file : h.staged) {
        if (file.final_path != target) continue;
        std::filesystem::remove(file.temp, ec);
        file.final_path.clear();
        found = true;
    }
    if (std::filesystem::exists(target, ec)) {
        h.removed.push_back(target);
        found = true;
    }
    if (!found) errno = ENOENT;
    return found ? 0 : -1;
}

NXSIM_EXPORT time_t __wrap_time(time_t *out) {
    time_t now = Host::get().clock;
    if (out != nullptr) *out = now;
    return now;
}

// Host time is local time already: no zone to apply.
NXSIM_EXPORT struct tm *__wrap_localtime(const time_t *t) {
    static struct tm result;
    if (t == nullptr || gmtime_r(t, &result) == nullptr) return nullptr;
    return &result;
}

// The Windows run-time writes the day of the month with two digits ("Dec 07").
NXSIM_EXPORT char *__wrap_asctime(const struct tm *tm) {
    static char buffer[64];
    static const char *const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char *const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (tm == nullptr || tm->tm_wday < 0 || tm->tm_wday > 6 || tm->tm_mon < 0 || tm->tm_mon > 11) return nullptr;
    std::snprintf(buffer, sizeof buffer, "%s %s %02d %02d:%02d:%02d %4d\n", days[tm->tm_wday], months[tm->tm_mon],
                  tm->tm_mday, tm->tm_hour, tm->tm_min, tm->tm_sec, tm->tm_year + 1900);
    return buffer;
}

NXSIM_EXPORT char *_strdate(char *buffer) {
    time_t now = Host::get().clock;
    struct tm tm;
    gmtime_r(&now, &tm);
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d", (tm.tm_mon + 1) % 100, tm.tm_mday % 100, tm.tm_year % 100);
    std::memcpy(buffer, text, 9);
    return buffer;
}

NXSIM_EXPORT void _tzset(void) {}

}  // extern "C"
