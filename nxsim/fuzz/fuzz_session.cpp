// Any bytes given as a session file end in a result or in one InputError, never a crash;
// the quick loader and the careful one agree, and what was loaded saves and loads back
// to the same session.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "session_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string text(reinterpret_cast<const char *>(data), size);
    std::unique_ptr<nxsim::Session> careful, quick;
    std::string careful_error, quick_error;
    try {
        careful = nxsim::session_from_json(nxsim::parse_json_text(text, "fuzz"), "fuzz");
    } catch (const nxsim::InputError &e) {
        careful_error = e.what();
    }
    try {
        quick = nxsim::session_from_text(text, "fuzz");
    } catch (const nxsim::InputError &e) {
        quick_error = e.what();
    }
    if (quick_error != careful_error || (careful == nullptr) != (quick == nullptr)) std::abort();
    if (careful == nullptr) return 0;
    std::string saved = nxsim::session_text(*careful);
    if (nxsim::session_text(*quick) != saved) std::abort();
    if (nxsim::session_text(*nxsim::session_from_text(saved, "saved")) != saved) std::abort();
    return 0;
}
