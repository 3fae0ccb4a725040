// What both systems share of starting children.
#include "child_process.h"

namespace scenario {

std::string shell_quote(const std::string &text) {
    std::string q = "'";
    for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace scenario
