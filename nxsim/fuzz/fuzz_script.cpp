// Any bytes given as a script file end in a result or in one InputError, never a crash.
#include <cstddef>
#include <cstdint>
#include <string>

#include "script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string text(reinterpret_cast<const char *>(data), size);
    try {
        nxsim::script_from_json(nxsim::parse_json_text(text, "fuzz"), "fuzz");
    } catch (const nxsim::InputError &) {
    }
    return 0;
}
