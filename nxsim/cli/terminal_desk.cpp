#include "terminal_desk.h"

#include <algorithm>
#include <functional>

#include "host.h"
#include "references.h"

namespace nxsim::terminal {

const std::vector<std::string> &Desk::transcript() const { return Host::get().transcript; }

size_t Desk::wait(long long seconds, size_t at) {
    Host &h = Host::get();
    h.advance(static_cast<double>(seconds), 0);
    at = std::min(at, h.transcript.size());
    h.transcript.insert(h.transcript.begin() + static_cast<std::ptrdiff_t>(at), "wait " + std::to_string(seconds));
    return at;
}

bool Desk::stopping() const { return Host::get().aborted(); }

void Desk::dialog_while_stopping() { Host::get().count_aborted_dialog(); }

void Desk::stop(const std::string &why) { Host::get().fail_script(why); }

size_t Desk::objects_named(const std::string &reference) const {
    return resolve(*Host::get().session, reference).size();
}

std::string Desk::reference_of(tag_t object) const { return describe(*Host::get().session, object); }

std::string Desk::part_of(tag_t object) const {
    const Session &s = *Host::get().session;
    if (const Occurrence *occ = s.occurrence(object)) return occ->instance->part_name;
    if (s.body(object) != nullptr) return "solid body";
    return "";
}

std::set<tag_t> Desk::selected(const DialogView &view) const {
    if (view.selection == nullptr) return {};
    return {view.selection->selected.begin(), view.selection->selected.end()};
}

std::optional<std::string> Desk::displayed() const {
    const Session &s = *Host::get().session;
    if (s.display == nullptr) return std::nullopt;
    return s.display->name;
}

std::vector<Desk::TreeRow> Desk::tree() const {
    Session &s = *Host::get().session;
    std::vector<TreeRow> rows;
    if (s.display == nullptr) return rows;
    std::function<void(tag_t, int)> walk = [&](tag_t from, int depth) {
        for (tag_t child : s.children(from)) {
            std::string path = describe(s, child);
            size_t slash = path.rfind('/');
            rows.push_back({depth, child, slash == std::string::npos ? path : path.substr(slash + 1),
                            s.occurrence(child)->instance->part_name});
            walk(child, depth + 1);
        }
    };
    walk(s.display->tag, 0);
    return rows;
}

}  // namespace nxsim::terminal
