#include "common/fpdf_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace fpdf {
namespace {

constexpr std::size_t READ_CHUNK = std::size_t{64} * 1024;

#ifdef _WIN32
// A folder cannot be opened as a file there: asked first, to say so.
constexpr int OPEN_FLAGS = O_RDONLY | O_BINARY;
#else
// Opened without waiting for a FIFO's writer; fstat then refuses it.
constexpr int OPEN_FLAGS = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
#endif

// Why a file could not be opened or read, in the words of the rest of the report.
std::string reason(int error) {
    switch (error) {
    case ENOENT: return "no such file";
    case EACCES:
    case EPERM: return "permission denied";
    case ENOTDIR: return "a part of its path is not a folder";
    default: return std::strerror(error);
    }
}

bool refused(problem &why, const char *what, const std::string &detail) {
    why.line = 0;
    why.why = std::string(what) + detail;
    return false;
}

bool read_whole(const char *path, std::string &bytes, problem &why) {
    bytes.clear();
    struct stat st {};
#ifdef _WIN32
    if (::stat(path, &st) == 0 && S_ISDIR(st.st_mode))
        return refused(why, "cannot read the machine file: ", "it is a folder");
#endif
    int fd = ::open(path, OPEN_FLAGS);
    if (fd < 0) return refused(why, "cannot open the machine file: ", reason(errno));
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        bool folder = S_ISDIR(st.st_mode);
        ::close(fd);
        return refused(why, "cannot read the machine file: ",
                       folder ? "it is a folder" : "not a regular file (a FIFO or a device)");
    }
    std::FILE *file = ::fdopen(fd, "rb");
    // GCOVR_EXCL_START: a descriptor just opened for reading takes a stream
    if (file == nullptr) {
        int error = errno;
        ::close(fd);
        return refused(why, "cannot open the machine file: ", reason(error));
    }
    // GCOVR_EXCL_STOP
    char chunk[READ_CHUNK];
    bool ok = true;
    while (bytes.size() <= MAX_FILE_BYTES) {
        std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
        bytes.append(chunk, got);
        if (got < sizeof chunk) {
            if (std::ferror(file)) ok = refused(why, "cannot read the machine file: ", reason(errno));
            break;
        }
    }
    std::fclose(file);
    return ok;
}

}  // namespace

bool read_file(const char *path, std::string &bytes, problem &why) noexcept {
    try {
        return read_whole(path, bytes, why);
        // GCOVR_EXCL_START: only running out of memory gets here
    } catch (...) {
        bytes.clear();
        why.line = 0;
        try {
            why.why = "the file cannot be held in memory";
        } catch (...) {
            why.why.clear();
        }
        return false;
    }
    // GCOVR_EXCL_STOP
}

}  // namespace fpdf
