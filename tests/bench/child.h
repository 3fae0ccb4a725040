// Runs a program of the suite as a child process (through the tests' runner) and
// measures it: wall time, CPU time (user and system) and peak resident memory, as the
// kernel accounts them.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace bench {

struct Measure {
    int status = -1;     // exit status; -1 when the child did not exit normally
    double wall = 0;     // seconds
    double cpu = 0;      // seconds, user + system
    double peak_mb = 0;  // peak resident set, MiB
};

// stdout and stderr go to `output` (appended), so a failing run can be read afterwards.
Measure run_child(const std::vector<std::string> &argv, const std::filesystem::path &output);

// The last lines of a file, for a message when a child failed.
std::string tail_of(const std::filesystem::path &file, size_t lines = 8);

}  // namespace bench
