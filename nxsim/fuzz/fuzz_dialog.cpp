// Any bytes given as a dialog file end in a result or in one InputError, never a crash.
#include <cstddef>
#include <cstdint>
#include <string>

#include "dialog_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string text(reinterpret_cast<const char *>(data), size);
    try {
        nxsim::load_dialog(text, "fuzz");
    } catch (const nxsim::InputError &) {
    }
    return 0;
}
