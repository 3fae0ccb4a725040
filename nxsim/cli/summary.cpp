#include "summary.h"

#include <sstream>

#include "cp1251.h"
#include "render.h"

namespace nxsim {

namespace {

// The type's letter and the value. Appended, not "s" + text: GCC 12 at -O3 sees a
// false overlap there (-Wrestrict).
std::string attr_text(const Attribute &a) {
    std::string text(1, a.type == AttrType::String ? 's' : a.type == AttrType::Integer ? 'i' : 'r');
    switch (a.type) {
    case AttrType::String: text += a.text; break;
    case AttrType::Integer: text += std::to_string(a.integer); break;
    case AttrType::Real: text += std::to_string(a.real); break;
    }
    return text;
}

}  // namespace

Snapshot snapshot(const Session &s) {
    Snapshot snap;
    for (const auto &part : s.parts()) {
        if (part->discarded) continue;
        snap.parts.insert(part->name);
        for (const auto &a : part->attributes.all()) snap.attributes[{part.get(), a.title}] = attr_text(a);
        for (const Instance *inst : part->components) {
            snap.instances[inst] = inst->name + '\n' + inst->part_name;
            for (const auto &a : inst->attributes.all()) snap.attributes[{inst, a.title}] = attr_text(a);
        }
    }
    return snap;
}

std::string changes(const Snapshot &before, const Snapshot &after) {
    std::vector<std::string> created;
    for (const auto &p : after.parts)
        if (!before.parts.count(p)) created.push_back(cp1251_to_utf8(p));
    std::multiset<std::string> removed, added;
    for (const auto &[inst, key] : before.instances)
        if (!after.instances.count(inst)) removed.insert(key);
    for (const auto &[inst, key] : after.instances)
        if (!before.instances.count(inst)) added.insert(key);
    size_t moved = 0;
    for (const auto &key : added) {
        auto it = removed.find(key);
        if (it != removed.end()) {
            removed.erase(it);
            ++moved;
        }
    }
    size_t written = 0;
    std::map<std::string, size_t> by_title;
    for (const auto &[key, value] : after.attributes) {
        auto it = before.attributes.find(key);
        if (it == before.attributes.end() || it->second != value) {
            ++written;
            ++by_title[cp1251_to_utf8(key.second)];
        }
    }
    std::ostringstream out;
    out << "parts created " << created.size();
    for (size_t i = 0; i < created.size() && i < 5; ++i) out << (i == 0 ? " (" : ", ") << created[i];
    if (!created.empty()) out << (created.size() > 5 ? ", ...)" : ")");
    out << "; components added " << (added.size() - moved) << ", moved " << moved << ", removed " << removed.size();
    out << "; attributes written " << written;
    if (!by_title.empty()) {
        out << " (";
        bool first = true;
        for (const auto &[title, n] : by_title) {
            out << (first ? "" : ", ") << title << " " << n;
            first = false;
        }
        out << ")";
    }
    return out.str();
}

std::string run_summary(const std::string &tool, const ToolOutcome &result, const Snapshot &before,
                        const Session &after, const std::filesystem::path &log) {
    size_t boxes = 0;
    for (const auto &line : result.transcript)
        if (line.rfind("message ", 0) == 0) ++boxes;
    std::ostringstream out;
    out << "return code "
        << (result.return_code_written ? std::to_string(result.return_code) : std::string("not written")) << ", "
        << boxes << " message box" << (boxes == 1 ? "" : "es") << "; " << changes(before, snapshot(after));
    if (tool == "route_check" && std::filesystem::is_regular_file(log)) {
        size_t findings = 0;
        for (const auto &[route, n] : findings_per_route(log)) findings += n;
        out << "; " << findings << (findings == 1 ? " finding" : " findings") << " in " << log.string();
    }
    return out.str();
}

}  // namespace nxsim
