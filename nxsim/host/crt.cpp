// The host side of the tools' run-time calls, the same on both platforms: fault
// injection, drive paths mapped into the run folder, staged writing, the count of
// text streams left open. crt_posix.cpp and crt_windows.cpp do the rest.
#include "crt.h"

#include <cerrno>
#include <string>

#include "host.h"
#include "platform.h"

namespace nxsim::crt {
namespace {

bool is_dir(const std::filesystem::path &p) {
    std::error_code ec;
    return std::filesystem::is_directory(p, ec);
}

}  // namespace

std::optional<std::filesystem::path> open_target(const char *path, const char *mode) {
    Host &h = Host::get();
    if (h.enter("fopen", false)) {
        errno = EACCES;
        return std::nullopt;
    }
    if (path == nullptr || mode == nullptr) {
        errno = EINVAL;
        return std::nullopt;
    }
    auto mapped = h.map_path(path);
    if (!mapped || !is_dir(mapped->parent_path()) || is_dir(*mapped)) {
        errno = ENOENT;
        return std::nullopt;
    }
    std::string m = mode;
    bool writing = m.find('w') != std::string::npos || m.find('a') != std::string::npos;
    std::filesystem::path target = *mapped;
    if (writing && h.staging) {
        // Written beside the final name and put in place only when the run succeeds.
        std::filesystem::path temp = target;
        temp += ".nxsim-" + std::to_string(platform::process_id()) + "-" + std::to_string(h.staged.size());
        if (m.find('a') != std::string::npos) {
            std::error_code ec;
            std::filesystem::copy_file(target, temp, std::filesystem::copy_options::overwrite_existing, ec);
        }
        h.staged.emplace_back(temp, target);
        target = temp;
    }
    return target;
}

void text_stream_opened() { ++Host::get().open_text_files; }
void text_stream_closed() { --Host::get().open_text_files; }

}  // namespace nxsim::crt
