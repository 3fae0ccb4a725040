#include "model.h"

#include <algorithm>
#include <functional>

namespace nxsim {

const Attribute *Attributes::find(std::string_view title) const {
    for (const auto &a : list_)
        if (a.title == title) return &a;
    return nullptr;
}

void Attributes::set(Attribute attribute) {
    for (auto &a : list_) {
        if (a.title == attribute.title) {
            a = std::move(attribute);
            return;
        }
    }
    list_.push_back(std::move(attribute));
}

std::vector<Vec3> default_color_table() {
    // A 6 x 6 x 6 colour cube: 216 colours, as many as the host's default table.
    std::vector<Vec3> table;
    table.reserve(216);
    for (int i = 0; i < 216; ++i)
        table.push_back({((i / 36) % 6) / 5.0, ((i / 6) % 6) / 5.0, (i % 6) / 5.0});
    return table;
}

Session::Session() { objects_.push_back({}); }  // tag 0 is the null tag

tag_t Session::new_tag(Kind kind, size_t index) {
    objects_.push_back({kind, index});
    return static_cast<tag_t>(objects_.size() - 1);
}

Part *Session::add_part(const std::string &name) {
    auto part = std::make_unique<Part>();
    part->name = name;
    part->colors = default_color_table();
    part->tag = new_tag(Kind::Part, parts_.size());
    Part *raw = part.get();
    parts_.push_back(std::move(part));
    by_name_[name] = raw;
    return raw;
}

Part *Session::find_part(std::string_view name) const {
    auto it = by_name_.find(std::string(name));
    if (it == by_name_.end() || it->second->discarded) return nullptr;
    return it->second;
}

void Session::discard_part(Part *part) {
    part->discarded = true;
    part->loaded = false;
    by_name_.erase(part->name);
}

Instance *Session::add_instance(Part *parent, const std::string &name, const std::string &part_name) {
    auto inst = std::make_unique<Instance>();
    inst->parent = parent;
    inst->name = name;
    inst->part_name = part_name;
    inst->tag = new_tag(Kind::Instance, instances_.size());
    Instance *raw = inst.get();
    instances_.push_back(std::move(inst));
    parent->components.push_back(raw);
    parent->by_name[name].push_back(raw);
    return raw;
}

void Session::remove_instance(Instance *instance) {
    auto &list = instance->parent->components;
    list.erase(std::remove(list.begin(), list.end(), instance), list.end());
    auto &same = instance->parent->by_name[instance->name];
    same.erase(std::remove(same.begin(), same.end(), instance), same.end());
    instance->removed = true;
}

Kind Session::kind(tag_t tag) const {
    if (tag == NULL_TAG || tag >= objects_.size()) return Kind::None;
    const Entry &e = objects_[tag];
    switch (e.kind) {
    case Kind::Part:
        return parts_[e.index]->discarded ? Kind::None : Kind::Part;
    case Kind::Instance:
        return instances_[e.index]->removed ? Kind::None : Kind::Instance;
    case Kind::Occurrence:
        return alive(occurrences_[e.index]) ? Kind::Occurrence : Kind::None;
    case Kind::Body: {
        const Body &b = bodies_[e.index];
        return kind(b.owner) == Kind::None ? Kind::None : Kind::Body;
    }
    default:
        return Kind::None;
    }
}

Part *Session::part(tag_t tag) const {
    return kind(tag) == Kind::Part ? parts_[objects_[tag].index].get() : nullptr;
}

Instance *Session::instance(tag_t tag) const {
    return kind(tag) == Kind::Instance ? instances_[objects_[tag].index].get() : nullptr;
}

const Occurrence *Session::occurrence(tag_t tag) const {
    return kind(tag) == Kind::Occurrence ? &occurrences_[objects_[tag].index] : nullptr;
}

const Body *Session::body(tag_t tag) const {
    return kind(tag) == Kind::Body ? &bodies_[objects_[tag].index] : nullptr;
}

bool Session::alive(const Occurrence &occ) const {
    const Occurrence *o = &occ;
    for (;;) {
        if (o->instance->removed) return false;
        if (o->parent == NULL_TAG) return o->instance->parent == o->root && !o->root->discarded;
        const Occurrence &up = occurrences_[objects_[o->parent].index];
        // The instance must still belong to the part its parent occurrence shows.
        if (child_part(up) != o->instance->parent) return false;
        o = &up;
    }
}

tag_t Session::occurrence_of(Part *root, tag_t parent, Instance *instance) {
    std::string key = std::to_string(root->tag) + ':' + std::to_string(parent) + ':' + std::to_string(instance->tag);
    auto it = occ_index_.find(key);
    if (it != occ_index_.end()) return it->second;
    Occurrence occ;
    occ.parent = parent;
    occ.instance = instance;
    occ.root = root;
    occ.tag = new_tag(Kind::Occurrence, occurrences_.size());
    occurrences_.push_back(occ);
    occ_index_.emplace(std::move(key), occ.tag);
    return occ.tag;
}

tag_t Session::body_of(tag_t owner, int index) {
    std::string key = std::to_string(owner) + '#' + std::to_string(index);
    auto it = body_index_.find(key);
    if (it != body_index_.end()) return it->second;
    Body b;
    b.owner = owner;
    b.index = index;
    b.tag = new_tag(Kind::Body, bodies_.size());
    bodies_.push_back(b);
    body_index_.emplace(std::move(key), b.tag);
    return b.tag;
}

Part *Session::child_part(const Occurrence &occ) const { return find_part(occ.instance->part_name); }

Part *Session::contents_of(tag_t tag) const {
    if (const Occurrence *occ = occurrence(tag)) {
        Part *p = child_part(*occ);
        return (p != nullptr && p->loaded) ? p : nullptr;
    }
    Part *p = part(tag);
    return (p != nullptr && p->loaded) ? p : nullptr;
}

std::vector<tag_t> Session::children(tag_t occ_or_part) {
    std::vector<tag_t> result;
    Part *contents = contents_of(occ_or_part);
    if (contents == nullptr) return result;
    Part *root;
    tag_t parent;
    if (const Occurrence *occ = occurrence(occ_or_part)) {
        root = occ->root;
        parent = occ->tag;
    } else {
        root = contents;
        parent = NULL_TAG;
    }
    result.reserve(contents->components.size());
    // Copy: creating occurrences may grow the vectors behind occ.
    std::vector<Instance *> list = contents->components;
    for (Instance *inst : list) result.push_back(occurrence_of(root, parent, inst));
    return result;
}

Frame Session::absolute(const Occurrence &occ) const {
    Frame f = occ.instance->place;
    tag_t up = occ.parent;
    while (up != NULL_TAG) {
        const Occurrence &o = occurrences_[objects_[up].index];
        f = compose(o.instance->place, f);
        up = o.parent;
    }
    return f;
}

tag_t Session::find_occurrence_of_part(Part *root, Part *target) {
    std::function<tag_t(tag_t)> walk = [&](tag_t from) -> tag_t {
        for (tag_t child : children(from)) {
            const Occurrence *occ = occurrence(child);
            if (occ != nullptr && child_part(*occ) == target) return child;
            if (tag_t found = walk(child)) return found;
        }
        return NULL_TAG;
    };
    return walk(root->tag);
}

std::string Session::occurrence_path(const Occurrence &occ) const {
    const Part *owner = occ.instance->parent;
    int same = 0, position = 0;
    auto it = owner->by_name.find(occ.instance->name);
    if (it != owner->by_name.end()) {
        for (const Instance *i : it->second) {
            ++same;
            if (i == occ.instance) position = same;
        }
    }
    std::string name = occ.instance->name;
    if (same > 1) name += '[' + std::to_string(position) + ']';
    if (occ.parent == NULL_TAG) return name;
    return occurrence_path(occurrences_[objects_[occ.parent].index]) + '/' + name;
}

std::string Session::describe(tag_t tag) const {
    switch (kind(tag)) {
    case Kind::Part:
        return part(tag)->name;
    case Kind::Instance: {
        const Instance *i = instance(tag);
        return "instance " + i->name + " of " + i->parent->name;
    }
    case Kind::Occurrence:
        return occurrence_path(*occurrence(tag));
    case Kind::Body: {
        const Body *b = body(tag);
        std::string owner = kind(b->owner) == Kind::Occurrence ? describe(b->owner) + "/" : std::string();
        return owner + "#" + std::to_string(b->index);
    }
    default:
        return "#" + std::to_string(tag);
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

std::vector<tag_t> Session::resolve(std::string_view reference) {
    std::vector<tag_t> result;
    if (display == nullptr || reference.empty()) return result;
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
            Part *contents = contents_of(from);
            if (contents == nullptr) return;
            int index = -1;
            try {
                size_t used = 0;
                index = std::stoi(seg.substr(1), &used);
                if (used + 1 != seg.size()) index = -1;
            } catch (...) {
                index = -1;
            }
            if (index >= 0 && index < contents->bodies) result.push_back(body_of(from, index));
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
        int seen = 0;
        for (tag_t child : children(from)) {
            const Occurrence *occ = occurrence(child);
            if (!glob_match(name, occ->instance->name)) continue;
            if (nth > 0 && ++seen != nth) continue;
            if (last)
                result.push_back(child);
            else
                walk(child, level + 1);
        }
    };
    walk(display->tag, 0);
    return result;
}

}  // namespace nxsim
