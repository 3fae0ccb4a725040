// The reference language: how people name the objects below the displayed part.
#include "references.h"

#include <functional>
#include <string>

namespace nxsim {
namespace {

std::string occurrence_path(const Session &s, const Occurrence &occ) {
    // Names from the occurrence up to the root, joined root first: linear in the depth.
    std::vector<const Occurrence *> chain;
    for (const Occurrence *o = &occ;; o = &s.above(*o)) {
        chain.push_back(o);
        if (o->parent == NULL_TAG) break;
    }
    std::string path;
    for (size_t k = chain.size(); k-- > 0;) {  // root first
        const Instance *inst = chain[k]->instance;
        int same = 0, position = 0;
        for (const Instance *i : s.names(inst->parent).exact(inst->name)) {
            ++same;
            if (i == inst) position = same;
        }
        if (!path.empty()) path += '/';
        path += inst->name;
        if (same > 1) path += '[' + std::to_string(position) + ']';
    }
    return path;
}

}  // namespace

std::string describe(const Session &s, tag_t tag) {
    switch (s.kind(tag)) {
    case Kind::Part: return s.part(tag)->name;
    case Kind::Instance: {
        const Instance *i = s.instance(tag);
        return "instance " + i->name + " of " + i->parent->name;
    }
    case Kind::Occurrence: return occurrence_path(s, *s.occurrence(tag));
    case Kind::Body: {
        const Body *b = s.body(tag);
        std::string owner = s.kind(b->owner) == Kind::Occurrence ? describe(s, b->owner) + "/" : std::string();
        return owner + "#" + std::to_string(b->index);
    }
    default: {
        // Appended rather than "#" + text: GCC 12 at -O3 sees a false overlap there (-Wrestrict).
        std::string text = "#";
        text += std::to_string(tag);
        return text;
    }
    }
}

bool glob_match(std::string_view pattern, std::string_view text) {
    size_t p = 0, t = 0, star = std::string_view::npos, mark = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::vector<tag_t> resolve(Session &s, std::string_view reference) {
    std::vector<tag_t> result;
    if (s.display == nullptr || reference.empty()) return result;
    std::vector<std::string> segments;
    size_t start = 0;
    while (start <= reference.size()) {
        size_t end = reference.find('/', start);
        if (end == std::string_view::npos) end = reference.size();
        segments.emplace_back(reference.substr(start, end - start));
        start = end + 1;
    }
    std::function<void(tag_t, size_t)> walk = [&](tag_t from, size_t level) {
        const std::string &seg = segments[level];
        bool last = level + 1 == segments.size();
        if (!seg.empty() && seg[0] == '#') {
            if (!last) return;
            Part *contents = s.contents_of(from);
            if (contents == nullptr) return;
            int index = -1;
            try {
                size_t used = 0;
                index = std::stoi(seg.substr(1), &used);
                if (used + 1 != seg.size()) index = -1;
            } catch (...) {
                index = -1;
            }
            if (index >= 0 && index < contents->bodies) result.push_back(s.body_of(from, index));
            return;
        }
        std::string name = seg;
        int nth = 0;
        size_t open = seg.find('[');
        if (open != std::string::npos && seg.back() == ']') {
            name = seg.substr(0, open);
            try {
                nth = std::stoi(seg.substr(open + 1, seg.size() - open - 2));
            } catch (...) {
                return;
            }
            if (nth < 1) return;
        }
        Part *contents = s.contents_of(from);
        if (contents == nullptr) return;
        Part *root = contents;
        tag_t parent = NULL_TAG;
        if (const Occurrence *occ = s.occurrence(from)) {
            root = occ->root;
            parent = occ->tag;
        }
        // A plain name is looked up; a pattern is matched against the names before any
        // occurrence is made.
        std::vector<Instance *> matches = s.matching(contents, name);
        int seen = 0;
        for (Instance *inst : matches) {
            if (nth > 0 && ++seen != nth) continue;
            tag_t child = s.occurrence_of(root, parent, inst);
            if (last)
                result.push_back(child);
            else
                walk(child, level + 1);
        }
    };
    walk(s.display->tag, 0);
    return result;
}

}  // namespace nxsim
