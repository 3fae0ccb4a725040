#include "engineer.h"

#include "host.h"

namespace nxsim {

const Action *ScriptEngineer::next(const DialogView &view) {
    Host &h = Host::get();
    const ActionKind kind = view.kind;
    const std::string &dialog = view.line;
    if (h.aborted()) {
        h.count_aborted_dialog();
        return nullptr;
    }
    while (position_ < script_.actions.size() && script_.actions[position_].kind == ActionKind::Wait) {
        const Action &w = script_.actions[position_++];
        h.advance(w.seconds, w.cpu);
        h.note("wait " + std::to_string(static_cast<long long>(w.seconds)));
    }
    if (position_ >= script_.actions.size()) {
        h.fail_script(script_.source + ": the script ran out; the tool shows " + dialog);
        return nullptr;
    }
    const Action &a = script_.actions[position_];
    if (a.kind != kind) {
        h.fail_script(a.where + ": a " + action_name(a.kind) + " action, but the tool shows " + dialog);
        return nullptr;
    }
    ++position_;
    return &a;
}

const std::string *ScriptEngineer::next_pick(const Action &a, size_t k, const DialogView &) {
    return k < a.picks.size() ? &a.picks[k] : nullptr;
}

const StylerStep *ScriptEngineer::next_step(const Action &a, size_t k, const Dialog &) {
    return k < a.steps.size() ? &a.steps[k] : nullptr;
}

std::vector<std::string> ScriptEngineer::unused() const {
    std::vector<std::string> out;
    for (size_t i = position_; i < script_.actions.size(); ++i)
        out.push_back(script_.actions[i].where + " (" + action_name(script_.actions[i].kind) + ")");
    return out;
}

}  // namespace nxsim
