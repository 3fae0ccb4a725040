// The host side of the tools' Windows run-time calls, shared by both platforms:
// crt_posix.cpp imitates the run-time on Linux, crt_windows.cpp hands the calls to
// the real run-time on Windows once the path and the clock are mapped.
#pragma once

#include <filesystem>
#include <optional>

namespace nxsim::crt {

// fopen as the host sees it: counts the call (fault injection), maps the drive path
// into the run folder and stages what is written. The file to open, or nullopt
// with errno set.
std::optional<std::filesystem::path> open_target(const char *path, const char *mode);

// A text stream the tool opened or closed, for the note on files left open.
void text_stream_opened();
void text_stream_closed();

}  // namespace nxsim::crt
