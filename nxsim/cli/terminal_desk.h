// What the engineer at the terminal sees of the running host and may do to it: the
// transcript and the clock, the objects below the displayed part by their references,
// what a selection holds, and stopping the run. The terminal meets the host here only.
#pragma once

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engineer.h"

namespace nxsim::terminal {

class Desk {
public:
    const std::vector<std::string> &transcript() const;
    // The engineer's time passes on the run's clock: a "wait N" line goes into the
    // transcript at `at` (at its end at the most); answers where it went.
    size_t wait(long long seconds, size_t at);

    // The run is stopping: every dialog from here on answers Cancel.
    bool stopping() const;
    void dialog_while_stopping();
    void stop(const std::string &why);

    // How many objects below the displayed part a reference names.
    size_t objects_named(const std::string &reference) const;
    std::string reference_of(tag_t object) const;
    // The part a component occurrence stands for, "solid body" for a body, else empty.
    std::string part_of(tag_t object) const;
    std::set<tag_t> selected(const DialogView &view) const;

    struct TreeRow {
        int depth = 0;  // 0: directly below the displayed part
        tag_t object = NULL_TAG;
        std::string name, part;
    };
    // The displayed part's name (nullopt when none is displayed) and its components
    // below it, depth first.
    std::optional<std::string> displayed() const;
    std::vector<TreeRow> tree() const;
};

}  // namespace nxsim::terminal
