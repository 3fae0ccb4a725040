#include "terminal_recorder.h"

#include <utility>

#include "script.h"

namespace nxsim::terminal {

Recorder::Entry Recorder::add(Json action) { return actions_.insert(actions_.end(), std::move(action)); }

void Recorder::wait_before(Entry entry, long long seconds) { actions_.insert(entry, Json{{"wait", seconds}}); }

std::string Recorder::script(std::time_t clock) const {
    std::string out = "{\n \"clock\": \"" + clock_text(clock) + "\",\n \"actions\": [";
    bool first = true;
    for (const Json &action : actions_) {
        out += (first ? "\n  " : ",\n  ") + action.dump();
        first = false;
    }
    out += actions_.empty() ? "]\n}\n" : "\n ]\n}\n";
    return out;
}

}  // namespace nxsim::terminal
