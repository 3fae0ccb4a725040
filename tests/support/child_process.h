// Starting nxsim and making scratch folders, for Linux and for Windows (under Wine).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace scenario {

// A new empty folder in the system's temporary folder, its name starting with prefix.
std::filesystem::path make_temp_dir(const std::string &prefix);

// Runs program with args and waits; its standard error goes to stderr_file (when not
// empty), its standard output to output (when given). The exit code, 128 + signal
// number for a program killed by a signal, -1 when it cannot be started.
int run_program(const std::filesystem::path &program, const std::vector<std::string> &args,
                const std::filesystem::path &stderr_file, std::string *output = nullptr);

// A command line run by the shell (Linux): its exit code (-1 when it did not exit)
// and its standard output and error together.
struct shell_result {
    int exit_code;
    std::string out;
};
shell_result run_shell(const std::string &line);

}  // namespace scenario
