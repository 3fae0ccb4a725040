// What the sanitizer build's run-times say when they find something, in a child's
// standard error or its exit code. The test preset asan gives each run-time an exit
// code of its own (exitcode= in ASAN_OPTIONS, UBSAN_OPTIONS, LSAN_OPTIONS); they are
// read from this process's environment, which every child inherits.
#pragma once

#include <string>

namespace scenario {

// One line saying what the sanitizers found (the report's first line, or whose exit
// code it is); empty when they found nothing.
std::string sanitizer_finding(int exit_code, const std::string &stderr_text);

// The exit code a run-time is given in its options variable (ASAN_OPTIONS, ...), -1
// when none.
int sanitizer_exit_code(const char *options_variable);

}  // namespace scenario
