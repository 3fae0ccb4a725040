// What one tool run changed, as it was before the run; kept while `nxsim play`
// journals a run, so that a failed run can be taken back and a good one summed up.
#pragma once

#include <functional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "export.h"
#include "parts.h"

namespace nxsim {

class NXSIM_EXPORT Journal {
public:
    struct Before {
        bool live = false;  // present (not removed, in a part not discarded) when first met
        Attributes attributes;
        bool values_kept = false;  // its own data is kept for the undo (once per run is enough)
    };

    Journal(Part *display_before, Part *work_before) : display(display_before), work(work_before) {}

    Part *display = nullptr;  // the displayed and work parts before the run
    Part *work = nullptr;
    std::unordered_map<const Instance *, Before> instances;
    std::unordered_map<const Part *, Before> parts;

    // As first met in the run: whether it was live, and its attributes.
    Before *first_sight(const Instance *instance);
    Before *first_sight(const Part *part);
    // Before its own data first changes in the run: kept, to be put back.
    void keep(Instance *instance);
    void keep(Part *part);
    // A part or an instance the run made: not there before it, gone with `undo`.
    void made(const Part *part, std::function<void()> undo);
    void made(const Instance *instance, std::function<void()> undo);
    // A change of the store, taken back by `undo`.
    void on_undo(std::function<void()> undo);
    // Takes the run back, last change first.
    void take_back();
    // The parts whose component lists the run changed.
    std::unordered_set<Part *> parents() const;

private:
    std::vector<std::function<void()>> undo_;
};

}  // namespace nxsim
