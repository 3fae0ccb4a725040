// `nxsim show`: the assembly tree of a session with the attributes that matter.
#include <functional>
#include <iostream>

#include "common/vocabulary.h"
#include "cp1251.h"
#include "references.h"
#include "session_file.h"
#include "show.h"

namespace nxsim {

namespace {

// The titles shown, in this order.
const char *const kTitles[] = {RIVET_MARK_TITLE, RIVET_KIND_TITLE, PATH_TITLE,     PR_CODE_TITLE,
                               AD_CODE_TITLE,    FAST_CODE_TITLE,  GRIP_LNG_TITLE, POINT_ID_TITLE};

std::string attributes_line(const Attributes &own, const Attributes *part) {
    std::string line;
    for (const char *title : kTitles) {
        const Attribute *a = own.find(title);
        if (a == nullptr && part != nullptr) a = part->find(title);
        if (a == nullptr) continue;
        std::string value = a->type == AttrType::String    ? cp1251_to_utf8(a->text)
                            : a->type == AttrType::Integer ? std::to_string(a->integer)
                                                           : std::to_string(a->real);
        line += std::string("  ") + title + "=" + value;
    }
    return line;
}

// A filter matches a path level by level ("*" and "?" within a level); a node
// is shown when its path or one of its ancestors' paths matches.
bool matches(const std::vector<std::string> &filter, const std::vector<std::string> &path) {
    if (filter.size() > path.size()) return false;
    for (size_t i = 0; i < filter.size(); ++i)
        if (!glob_match(filter[i], path[i])) return false;
    return true;
}

}  // namespace

int show_command(const std::filesystem::path &session_path, const std::string &filter_utf8, std::ostream &out,
                 std::ostream &err) {
    std::unique_ptr<Session> session;
    std::vector<std::string> filter;
    try {
        session = load_session(session_path);
        auto converted = utf8_to_cp1251(filter_utf8);
        if (!converted) throw InputError("--path: not a Windows-1251 text");
        size_t start = 0;
        while (!converted->empty() && start <= converted->size()) {
            size_t slash = converted->find('/', start);
            if (slash == std::string::npos) slash = converted->size();
            filter.push_back(converted->substr(start, slash - start));
            start = slash + 1;
        }
    } catch (const InputError &e) {
        err << e.what() << "\n";
        return 2;
    }
    Session &s = *session;
    if (s.display == nullptr) {
        out << "no part displayed\n";
        return 0;
    }
    out << cp1251_to_utf8(s.display->name) << "  (displayed, " << (s.display->units == 2 ? "inch" : "metric")
        << (s.work != s.display && s.work != nullptr ? ", work part " + cp1251_to_utf8(s.work->name) : "") << ")"
        << attributes_line(s.display->attributes, nullptr) << "\n";
    size_t shown = 0;
    std::vector<std::string> path;
    std::function<void(tag_t, int)> walk = [&](tag_t from, int depth) {
        for (tag_t child : s.children(from)) {
            const Occurrence *occ = s.occurrence(child);
            const Instance &inst = *occ->instance;
            path.push_back(inst.name);
            if (filter.empty() || matches(filter, path)) {
                Part *part = s.find_part(inst.part_name);
                out << std::string(static_cast<size_t>(depth) * 2 + 2, ' ') << cp1251_to_utf8(describe(s, child))
                    << "  " << cp1251_to_utf8(inst.part_name)
                    << (part != nullptr && !part->loaded ? " (not loaded)" : "")
                    << attributes_line(inst.attributes, part != nullptr ? &part->attributes : nullptr) << "\n";
                ++shown;
            }
            walk(child, depth + 1);
            path.pop_back();
        }
    };
    walk(s.display->tag, 0);
    if (!filter.empty() && shown == 0) out << "  nothing matches " << filter_utf8 << "\n";
    return 0;
}

}  // namespace nxsim
