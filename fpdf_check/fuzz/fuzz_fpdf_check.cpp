// Any bytes given as a machine file end in a report or in one "not checked" line,
// never a crash, a hang or a report without its summary.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static std::FILE *sink = std::fopen("/dev/null", "w");
    std::string bytes(reinterpret_cast<const char *>(data), size);
    int status = check_bytes("fuzz.fpdf", bytes, sink, sink);
    if (status != CHECK_CLEAN && status != CHECK_FINDINGS && status != CHECK_UNREADABLE) std::abort();
    return 0;
}
