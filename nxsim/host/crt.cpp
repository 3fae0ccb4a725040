// The host side of the tools' run-time calls, the same on both platforms: fault
// injection, drive paths mapped into the run folder, staged writing and removal, the
// count of text streams left open. crt_posix.cpp and crt_windows.cpp do the rest.
#include "crt.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "files.h"
#include "host.h"

namespace nxsim::crt {
namespace {

bool is_dir(const std::filesystem::path &p) {
    std::error_code ec;
    return std::filesystem::is_directory(p, ec);
}

}  // namespace

std::optional<Target> open_target(const char *path, const char *mode) {
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
    Target target{*mapped};
    // The file as the tool left it so far: what it last wrote there, or nothing when it
    // removed it (a file from before stays on the disk until the run is put in place).
    bool gone = h.staging && std::find(h.removed.begin(), h.removed.end(), target.path) != h.removed.end();
    std::filesystem::path latest = gone ? std::filesystem::path() : target.path;
    if (h.staging)
        for (const auto &file : h.staged)
            if (file.final_path == target.path) latest = file.temp;
    if (!writing && latest != target.path) {
        if (latest.empty()) {
            errno = ENOENT;
            return std::nullopt;
        }
        target.path = latest;
    }
    if (writing && h.staging) {
        // Written beside the final name and put in place only when the run succeeds.
        remove_stale_temporaries(target.path);
        std::filesystem::path temp = target.path;
        temp += ".nxsim-" + std::to_string(process_id()) + "-" + std::to_string(h.staged.size());
        track_temporary(temp);
        std::erase(h.removed, target.path);
        if (m.find('a') != std::string::npos && !latest.empty()) {
            std::error_code ec;
            std::filesystem::copy_file(latest, temp, std::filesystem::copy_options::overwrite_existing, ec);
        }
        target.staged = static_cast<long>(h.staged.size());
        h.staged.push_back({temp, target.path, {}});
        target.path = temp;
    }
    return target;
}

void write_failed(long staged) {
    Host &h = Host::get();
    if (staged < 0 || static_cast<size_t>(staged) >= h.staged.size()) return;
    auto &file = h.staged[static_cast<size_t>(staged)];
    if (file.failure.empty()) file.failure = std::strerror(errno);
}

int remove_file(const char *path) {
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
    if (std::find(h.removed.begin(), h.removed.end(), target) == h.removed.end() &&
        std::filesystem::exists(target, ec)) {
        h.removed.push_back(target);
        found = true;
    }
    if (!found) errno = ENOENT;
    return found ? 0 : -1;
}

void text_stream_opened() { ++Host::get().open_text_files; }
void text_stream_closed() { --Host::get().open_text_files; }

}  // namespace nxsim::crt
