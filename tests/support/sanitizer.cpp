#include "sanitizer.h"

#include <cstdlib>
#include <cstring>

namespace scenario {

int sanitizer_exit_code(const char *options_variable) {
    const char *options = std::getenv(options_variable);
    if (options == nullptr) return -1;
    // Flags are separated by colons, commas or blanks.
    std::string text = options;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find_first_of(": ,\t\n", at);
        if (end == std::string::npos) end = text.size();
        std::string flag = text.substr(at, end - at);
        if (flag.rfind("exitcode=", 0) == 0) return std::atoi(flag.c_str() + 9);
        at = end + 1;
    }
    return -1;
}

std::string sanitizer_finding(int exit_code, const std::string &stderr_text) {
    // UndefinedBehaviorSanitizer's reports start "FILE:LINE:COL: runtime error:".
    for (const char *mark : {"AddressSanitizer", "LeakSanitizer", "UndefinedBehaviorSanitizer", "ThreadSanitizer",
                             "MemorySanitizer", "runtime error:"}) {
        size_t at = stderr_text.find(mark);
        if (at == std::string::npos) continue;
        size_t start = stderr_text.rfind('\n', at);
        start = start == std::string::npos ? 0 : start + 1;
        size_t end = stderr_text.find('\n', at);
        return stderr_text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }
    struct runtime {
        const char *variable;
        const char *name;
    };
    for (const runtime &r :
         {runtime{"ASAN_OPTIONS", "AddressSanitizer"}, runtime{"UBSAN_OPTIONS", "UndefinedBehaviorSanitizer"},
          runtime{"LSAN_OPTIONS", "LeakSanitizer"}}) {
        int code = sanitizer_exit_code(r.variable);
        // Zero is no code of its own: the program's status stays.
        if (code > 0 && exit_code == code)
            return "exit code " + std::to_string(code) + ", " + r.name + "'s (" + r.variable +
                   "), without a report on standard error";
    }
    return "";
}

}  // namespace scenario
