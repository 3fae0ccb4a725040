// Transcript lines for the modal dialogs, shared by the interface calls.
#include "transcript.h"

#include "cp1251.h"
#include "host.h"

namespace nxsim {

std::string press_name(Press press, int code) {
    switch (press) {
    case Press::Ok: return "ok";
    case Press::Apply: return "apply";
    case Press::Cancel: return "cancel";
    case Press::Back: return "back";
    case Press::Code: return "respond " + std::to_string(code);
    }
    return "?";
}

std::string quoted_list(const std::vector<std::string> &cp1251_texts) {
    std::string out = "[";
    for (size_t i = 0; i < cp1251_texts.size(); ++i) {
        if (i != 0) out += ", ";
        out += quote(cp1251_texts[i]);
    }
    return out + "]";
}

}  // namespace nxsim
