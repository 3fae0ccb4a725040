// Linux: the Windows run-time imitated for the tools' fopen, remove, time, localtime
// and asctime (routed here by the linker) and _strdate/_tzset. Text mode writes CR LF,
// and the clock is the host's.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "calendar.h"
#include "crt.h"
#include "export.h"
#include "host.h"
#include "win_crt.h"

namespace {

using nxsim::Host;

struct TextFile {
    FILE *real = nullptr;
    bool text = true;  // "\n" becomes CR LF
    long staged = -1;  // index among the run's staged files; -1: not staged
};

ssize_t text_write(void *cookie, const char *buf, size_t size) {
    auto *f = static_cast<TextFile *>(cookie);
    auto put = [&](const char *from, size_t n) {
        if (std::fwrite(from, 1, n, f->real) == n) return true;
        nxsim::crt::write_failed(f->staged);
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
    if (f->text) nxsim::crt::text_stream_closed();
    int rc = std::fclose(f->real);  // flushes: a full disk shows here
    if (rc != 0) nxsim::crt::write_failed(f->staged);
    delete f;
    return rc;
}

}  // namespace

extern "C" {

NXSIM_EXPORT FILE *__wrap_fopen(const char *path, const char *mode) {
    auto target = nxsim::crt::open_target(path, mode);
    if (!target) return nullptr;
    std::string m = mode;
    bool binary = m.find('b') != std::string::npos;
    std::string real_mode;
    for (char c : m)
        if (c != 't' && c != 'b') real_mode += c;
    real_mode += 'b';
    FILE *real = std::fopen(target->path.c_str(), real_mode.c_str());
    if (real == nullptr) return nullptr;
    // Binary streams not staged need nothing of ours; staged ones are watched for failed writes.
    if (binary && target->staged < 0) return real;
    auto *cookie = new TextFile{real, !binary, target->staged};
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
    if (!binary) nxsim::crt::text_stream_opened();
    return f;
}

NXSIM_EXPORT int __wrap_remove(const char *path) { return nxsim::crt::remove_file(path); }

NXSIM_EXPORT time_t __wrap_time(time_t *out) {
    time_t now = Host::get().clock;
    if (out != nullptr) *out = now;
    return now;
}

// Host time is local time already: no zone to apply.
NXSIM_EXPORT struct tm *__wrap_localtime(const time_t *t) {
    static struct tm result;
    if (t == nullptr) return nullptr;
    result = nxsim::utc_fields(*t);
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
    std::tm tm = nxsim::utc_fields(Host::get().clock);
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d", (tm.tm_mon + 1) % 100, tm.tm_mday % 100, tm.tm_year % 100);
    std::memcpy(buffer, text, 9);
    return buffer;
}

NXSIM_EXPORT void _tzset(void) {}

}  // extern "C"
