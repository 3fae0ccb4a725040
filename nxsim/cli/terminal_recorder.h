// The engineer's answers at the terminal as an engineer script that replays the run:
// one action per answer, in the order given, with the engineer's time as waits.
#pragma once

#include <ctime>
#include <list>
#include <string>

#include "json_error.h"

namespace nxsim::terminal {

class Recorder {
public:
    // An answer's action, which stays where it is while later ones are added and
    // waits go in before it.
    using Entry = std::list<Json>::iterator;

    Entry add(Json action);
    // A wait of `seconds` before the answer at `entry`.
    void wait_before(Entry entry, long long seconds);
    // The script (UTF-8 JSON text), with the run's clock.
    std::string script(std::time_t clock) const;

private:
    std::list<Json> actions_;
};

}  // namespace nxsim::terminal
