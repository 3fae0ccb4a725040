// The host side of the tools' Windows run-time calls, shared by both platforms:
// crt_posix.cpp imitates the run-time on Linux, crt_windows.cpp hands the calls to
// the real run-time on Windows once the path and the clock are mapped.
#pragma once

#include <filesystem>
#include <optional>

namespace nxsim::crt {

// The file fopen really opens, and its index among the run's staged files (-1: not staged).
struct Target {
    std::filesystem::path path;
    long staged = -1;
};

// fopen as the host sees it: counts the call (fault injection), maps the drive path
// into the run folder and stages what is written. nullopt with errno set when refused.
std::optional<Target> open_target(const char *path, const char *mode);

// A write to a staged file failed (a full disk; errno says why): that file is never
// put in place and the run fails, though the tool, as most do, ignores what fprintf answers.
void write_failed(long staged);

// remove() as the host sees it: counted, the drive path mapped, and a file from before
// the run removed only when the run succeeds. 0, or -1 with errno set.
int remove_file(const char *path);

// A text stream the tool opened or closed, for the note on files left open.
void text_stream_opened();
void text_stream_closed();

}  // namespace nxsim::crt
