#include "summary.h"

#include <map>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

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

// The line itself, from the counts.
std::string changes_line(const std::vector<std::string> &created, size_t added, size_t moved, size_t removed,
                         size_t written, const std::map<std::string, size_t> &by_title) {
    std::ostringstream out;
    out << "parts created " << created.size();
    for (size_t i = 0; i < created.size() && i < 5; ++i) out << (i == 0 ? " (" : ", ") << created[i];
    if (!created.empty()) out << (created.size() > 5 ? ", ...)" : ")");
    out << "; components added " << added << ", moved " << moved << ", removed " << removed;
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

// An instance removed and one added with the same name and part is one moved.
std::string changes_line(const std::vector<std::string> &created, const std::multiset<std::string> &added,
                         std::multiset<std::string> removed, size_t written,
                         const std::map<std::string, size_t> &by_title) {
    size_t moved = 0;
    for (const auto &key : added) {
        auto it = removed.find(key);
        if (it != removed.end()) {
            removed.erase(it);
            ++moved;
        }
    }
    return changes_line(created, added.size() - moved, moved, removed.size(), written, by_title);
}

}  // namespace

std::string changes(const Journal &j) {
    std::set<std::string> before_names, created_names;
    for (const auto &[part, before] : j.parts)
        if (before.live) before_names.insert(part->name);
    for (const auto &[part, before] : j.parts)
        if (!before.live && !part->discarded && !before_names.contains(part->name)) created_names.insert(part->name);
    std::vector<std::string> created;
    created.reserve(created_names.size());
    for (const auto &name : created_names) created.push_back(cp1251_to_utf8(name));

    size_t written = 0;
    std::map<std::string, size_t> by_title;
    auto count_written = [&](const Journal::Before &before, const Attributes &now) {
        for (const auto &a : now.all()) {
            const Attribute *old = before.live ? before.attributes.find(a.title) : nullptr;
            if (old == nullptr || attr_text(*old) != attr_text(a)) {
                ++written;
                ++by_title[cp1251_to_utf8(a.title)];
            }
        }
    };
    std::multiset<std::string> removed, added;
    for (const auto &[inst, before] : j.instances) {
        bool live = !inst->removed && !inst->parent->discarded;
        std::string key = inst->name;
        key += '\n';
        key += inst->part_name;
        if (before.live && !live) removed.insert(key);
        if (!before.live && live) added.insert(key);
        if (live) count_written(before, inst->attributes);
    }
    for (const auto &[part, before] : j.parts)
        if (!part->discarded) count_written(before, part->attributes);
    return changes_line(created, added, std::move(removed), written, by_title);
}

namespace {

std::string summary_line(const std::string &tool, const ToolOutcome &result, const std::string &changed,
                         const std::filesystem::path &log) {
    size_t boxes = 0;
    for (const auto &line : result.transcript)
        if (line.rfind("message ", 0) == 0) ++boxes;
    std::ostringstream out;
    out << "return code "
        << (result.return_code_written ? std::to_string(result.return_code) : std::string("not written")) << ", "
        << boxes << " message box" << (boxes == 1 ? "" : "es") << "; " << changed;
    if (tool == "route_check" && std::filesystem::is_regular_file(log)) {
        size_t findings = 0;
        for (const auto &[route, n] : findings_per_route(log)) findings += n;
        out << "; " << findings << (findings == 1 ? " finding" : " findings") << " in " << log.string();
    }
    return out.str();
}

}  // namespace

std::string run_summary(const std::string &tool, const ToolOutcome &result, const Journal &journal,
                        const std::filesystem::path &log) {
    return summary_line(tool, result, changes(journal), log);
}

}  // namespace nxsim
