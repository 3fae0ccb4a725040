// The engineer who answers the tool's dialogs.
#pragma once

#include <string>
#include <vector>

#include "script.h"

namespace nxsim {

class Engineer {
public:
    virtual ~Engineer() = default;
    // The answer to a modal dialog of the given kind. nullptr: the run is stopping
    // (the host answers Cancel); the reason is in Host::script_error.
    virtual const Action *next(ActionKind kind, const std::string &dialog) = 0;
    // Answers never asked for, described for a message.
    virtual std::vector<std::string> unused() const = 0;
};

// Answers from a script, in order; the waits before an answer pass the clock.
class ScriptEngineer : public Engineer {
public:
    explicit ScriptEngineer(const Script &script) : script_(script) {}
    const Action *next(ActionKind kind, const std::string &dialog) override;
    std::vector<std::string> unused() const override;

private:
    const Script &script_;
    size_t position_ = 0;
};

}  // namespace nxsim
