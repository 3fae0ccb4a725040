// Preloaded into the nxsim program: every handler put on SIGINT, whoever puts it,
// is one line in the file HANDLER_COUNT_FILE names. One copy of the core in the
// process installs one.
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): sigaction is POSIX
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace {

using Sigaction = int (*)(int, const struct sigaction *, struct sigaction *);

void note_handler() {
    const char *file = std::getenv("HANDLER_COUNT_FILE");
    if (file == nullptr) return;
    int fd = ::open(file, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    const char line[] = "SIGINT handler\n";
    ssize_t written = ::write(fd, line, sizeof line - 1);
    (void)written;
    ::close(fd);
}

}  // namespace

extern "C" int sigaction(int signal_number, const struct sigaction *act, struct sigaction *old) {
    static auto real = reinterpret_cast<Sigaction>(::dlsym(RTLD_NEXT, "sigaction"));
    if (signal_number == SIGINT && act != nullptr && act->sa_handler != SIG_DFL && act->sa_handler != SIG_IGN)
        note_handler();
    return real(signal_number, act, old);
}
