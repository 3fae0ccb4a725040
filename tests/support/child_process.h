// Starting the suite's programs from the tests, for Linux and for Windows (under Wine):
// the one child-process runner, the one shell quoting and the scratch folders.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace scenario {

// A new empty folder in the system's temporary folder, its name starting with prefix.
// The caller removes it (see temp_dir.h for one that removes itself).
std::filesystem::path make_temp_dir(const std::string &prefix);

// How a child is started: child_options().from(FILE).output_to(FILE).with("NAME=value").
struct child_options {
    std::filesystem::path input;  // standard input from this file; empty: nothing (/dev/null, NUL)
    // Standard output and error go to these files when given; otherwise they are
    // collected into child_result::out and ::err.
    std::filesystem::path out_file;
    std::filesystem::path err_file;
    bool errors_with_output = false;       // standard error into standard output's file or text
    bool append = false;                   // add to out_file and err_file instead of replacing them
    std::vector<std::string> environment;  // NAME=value, over the caller's environment (Linux)
    int timeout_seconds = 0;               // killed when still running after so long (Linux); 0: no limit

    child_options &from(std::filesystem::path file) { return input = std::move(file), *this; }
    child_options &output_to(std::filesystem::path file) { return out_file = std::move(file), *this; }
    child_options &errors_to(std::filesystem::path file) { return err_file = std::move(file), *this; }
    child_options &errors_into_output() { return errors_with_output = true, *this; }
    child_options &appending() { return append = true, *this; }
    child_options &with(std::string name_value) { return environment.push_back(std::move(name_value)), *this; }
    child_options &time_limit(int seconds) { return timeout_seconds = seconds, *this; }
};

struct child_result {
    int exit_code = -1;      // exit status; 128 + N when killed by signal N; -1 when it could not start
    bool signalled = false;  // killed by a signal (a crash, or the time limit)
    bool timed_out = false;
    std::string out;  // standard output, when not sent to a file
    std::string err;  // standard error, when not sent to a file or to the output
    // Linux: as the kernel accounts the child.
    double wall_seconds = 0;
    double cpu_seconds = 0;  // user + system
    double peak_mb = 0;      // peak resident set, MiB
};

// Runs argv[0] (a path, no search) with the rest as its arguments and waits for it.
child_result run_child(const std::vector<std::string> &argv, const child_options &options = {});

// A text as one word for the POSIX shell.
std::string shell_quote(const std::string &text);

// A command line run by /bin/sh (Linux); by default its standard error comes with
// its output.
child_result run_shell(const std::string &line, const child_options &options = child_options().errors_into_output());

#ifndef _WIN32
// Starts a child without waiting (a run to be signalled or raced); wait_child collects it.
// Its output must go to files.
int start_child(const std::vector<std::string> &argv, const child_options &options = {});
child_result wait_child(int pid);
#endif

}  // namespace scenario
