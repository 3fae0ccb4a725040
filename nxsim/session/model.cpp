#include "model.h"

#include <algorithm>
#include <functional>
#include <optional>

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
    for (int i = 0; i < 216; ++i) table.push_back({((i / 36) % 6) / 5.0, ((i / 6) % 6) / 5.0, (i % 6) / 5.0});
    return table;
}

Instance *ComponentList::next(const Instance *after) const {
    for (size_t i = after == nullptr ? 0 : after->slot + 1; i < slots_.size(); ++i)
        if (slots_[i] != nullptr) return slots_[i];
    return nullptr;
}

void ComponentList::push_back(Instance *instance) {
    instance->slot = slots_.size();
    slots_.push_back(instance);
    ++live_;
}

void ComponentList::remove(Instance *instance) {
    slots_[instance->slot] = nullptr;
    --live_;
}

void ComponentList::unpush(Instance *instance) {
    if (!slots_.empty() && slots_.back() == instance) slots_.pop_back();
    --live_;
}

void ComponentList::restore(Instance *instance) {
    slots_[instance->slot] = instance;
    ++live_;
}

void ComponentList::squeeze() {
    if (slots_.size() - live_ <= live_ + 16) return;
    size_t n = 0;
    for (Instance *i : slots_) {
        if (i == nullptr) continue;
        i->slot = n;
        slots_[n++] = i;
    }
    slots_.resize(n);
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
    ++parts_epoch_;
    if (journal_) {
        journal_->parts[raw].values_kept = true;  // new: not there before the run, gone with the undo
        journal_->undo.emplace_back([this, raw] {
            raw->discarded = true;
            raw->loaded = false;
            auto it = by_name_.find(raw->name);
            if (it != by_name_.end() && it->second == raw) by_name_.erase(it);
            ++parts_epoch_;
        });
    }
    return raw;
}

Part *Session::find_part(std::string_view name) const {
    auto it = by_name_.find(name);
    if (it == by_name_.end() || it->second->discarded) return nullptr;
    return it->second;
}

void Session::discard_part(Part *part) {
    if (journal_) {
        touch(part);
        // Its components leave the session with it.
        for (Instance *i : part->components) first_sight(i);
        journal_->undo.emplace_back([this, part] {
            part->discarded = false;
            by_name_[part->name] = part;
            ++parts_epoch_;
        });
    }
    part->discarded = true;
    part->loaded = false;
    by_name_.erase(part->name);
    ++parts_epoch_;
}

void Session::link(Instance *instance) {
    Part *parent = instance->parent;
    if (parent->by_name_built) parent->by_name.insert(instance);
    Instance *&head = users_[instance->part_name];
    instance->prev_user = nullptr;
    instance->next_user = head;
    if (head != nullptr) head->prev_user = instance;
    head = instance;
    instance->removed = false;
}

void Session::unlink(Instance *instance) {
    Part *parent = instance->parent;
    if (parent->by_name_built) parent->by_name.erase(instance);
    if (instance->prev_user != nullptr)
        instance->prev_user->next_user = instance->next_user;
    else
        users_[instance->part_name] = instance->next_user;
    if (instance->next_user != nullptr) instance->next_user->prev_user = instance->prev_user;
    instance->next_user = instance->prev_user = nullptr;
    instance->removed = true;
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
    link(raw);
    if (journal_) {
        journal_->instances[raw].values_kept = true;  // new: not there before the run, gone with the undo
        journal_->undo.emplace_back([this, raw] {
            unlink(raw);
            raw->parent->components.unpush(raw);
        });
    }
    return raw;
}

void Session::remove_instance(Instance *instance) {
    if (instance->removed) return;
    if (journal_) first_sight(instance);
    instance->parent->components.remove(instance);
    unlink(instance);
    if (journal_) {
        journal_->undo.emplace_back([this, instance] {
            instance->parent->components.restore(instance);
            link(instance);
        });
    } else {
        instance->parent->components.squeeze();
    }
}

Journal::Before *Session::first_sight(const Instance *instance) {
    auto [it, fresh] = journal_->instances.try_emplace(instance);
    if (fresh) {
        it->second.live = !instance->removed && !instance->parent->discarded;
        it->second.attributes = instance->attributes;
    }
    return &it->second;
}

Journal::Before *Session::first_sight(const Part *part) {
    auto [it, fresh] = journal_->parts.try_emplace(part);
    if (fresh) {
        it->second.live = !part->discarded;
        it->second.attributes = part->attributes;
    }
    return &it->second;
}

// The first change in a run keeps what there was before; later ones need nothing more.
void Session::touch(Instance *instance) {
    if (!journal_) return;
    Journal::Before *before = first_sight(instance);
    if (before->values_kept) return;
    before->values_kept = true;
    journal_->undo.emplace_back([instance, before, refset = instance->refset, object_name = instance->object_name,
                                 place = instance->place, layer = instance->layer, color = instance->color,
                                 name_origin = instance->name_origin] {
        instance->refset = refset;
        instance->object_name = object_name;
        instance->place = place;
        instance->layer = layer;
        instance->color = color;
        instance->name_origin = name_origin;
        instance->attributes = before->attributes;
    });
}

void Session::touch(Part *part) {
    if (!journal_) return;
    Journal::Before *before = first_sight(part);
    if (before->values_kept) return;
    before->values_kept = true;
    journal_->undo.emplace_back([part, before, units = part->units, loaded = part->loaded, saved = part->saved,
                                 wcs = part->wcs, colors = part->colors, default_colors = part->default_colors,
                                 bodies = part->bodies] {
        part->units = units;
        part->loaded = loaded;
        part->saved = saved;
        part->attributes = before->attributes;
        part->wcs = wcs;
        part->colors = colors;
        part->default_colors = default_colors;
        part->bodies = bodies;
    });
}

void Session::begin_journal() {
    journal_ = std::make_unique<Journal>();
    journal_->display = display;
    journal_->work = work;
}

void Session::commit_journal() {
    if (!journal_) return;
    std::unordered_set<Part *> parents;
    for (const auto &[inst, before] : journal_->instances) parents.insert(inst->parent);
    journal_.reset();
    for (Part *p : parents) p->components.squeeze();
}

void Session::rollback_journal() {
    if (!journal_) return;
    std::unique_ptr<Journal> j = std::move(journal_);
    std::for_each(j->undo.rbegin(), j->undo.rend(), [](const std::function<void()> &undo) { undo(); });
    display = j->display;
    work = j->work;
}

Instance *Session::first_user(std::string_view part_name) const {
    auto it = users_.find(part_name);
    return it == users_.end() ? nullptr : it->second;
}

Kind Session::kind(tag_t tag) const {
    if (tag == NULL_TAG || tag >= objects_.size()) return Kind::None;
    const Entry &e = objects_[tag];
    switch (e.kind) {
    case Kind::Part: return parts_[e.index]->discarded ? Kind::None : Kind::Part;
    case Kind::Instance: return instances_[e.index]->removed ? Kind::None : Kind::Instance;
    case Kind::Occurrence: return alive(occurrences_[e.index]) ? Kind::Occurrence : Kind::None;
    case Kind::Body: {
        const Body &b = bodies_[e.index];
        return kind(b.owner) == Kind::None ? Kind::None : Kind::Body;
    }
    default: return Kind::None;
    }
}

Part *Session::part(tag_t tag) const { return kind(tag) == Kind::Part ? parts_[objects_[tag].index].get() : nullptr; }

Instance *Session::instance(tag_t tag) const {
    return kind(tag) == Kind::Instance ? instances_[objects_[tag].index].get() : nullptr;
}

const Occurrence *Session::occurrence(tag_t tag) const {
    return kind(tag) == Kind::Occurrence ? &occurrences_[objects_[tag].index] : nullptr;
}

const Body *Session::body(tag_t tag) const { return kind(tag) == Kind::Body ? &bodies_[objects_[tag].index] : nullptr; }

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
    OccKey key{root->tag, parent, instance->tag};
    auto it = occ_index_.find(key);
    if (it != occ_index_.end()) return it->second;
    Occurrence occ;
    occ.parent = parent;
    occ.instance = instance;
    occ.root = root;
    occ.tag = new_tag(Kind::Occurrence, occurrences_.size());
    occurrences_.push_back(occ);
    occ_index_.emplace(key, occ.tag);
    return occ.tag;
}

tag_t Session::body_of(tag_t owner, int index) {
    OccKey key{owner, static_cast<tag_t>(index), 0};
    auto it = body_index_.find(key);
    if (it != body_index_.end()) return it->second;
    Body b;
    b.owner = owner;
    b.index = index;
    b.tag = new_tag(Kind::Body, bodies_.size());
    bodies_.push_back(b);
    body_index_.emplace(key, b.tag);
    return b.tag;
}

Part *Session::child_part(const Occurrence &occ) const { return child_of(*occ.instance); }

Part *Session::child_of(const Instance &instance) const {
    if (instance.child_epoch != parts_epoch_) {
        instance.child = find_part(instance.part_name);
        instance.child_epoch = parts_epoch_;
    }
    return instance.child;
}

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
    for (Instance *inst : contents->components) result.push_back(occurrence_of(root, parent, inst));
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
    // The depth-first first occurrence is the path of least slots, level by level.
    // Paths are found upwards from the target: the cost follows its ancestors, not
    // the size of the assembly.
    using Path = std::vector<Instance *>;
    std::unordered_map<const Part *, std::optional<Path>> best;
    std::unordered_set<const Part *> on_path;
    auto less = [](const Path &a, const Path &b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                            [](const Instance *x, const Instance *y) { return x->slot < y->slot; });
    };
    // The least path from root down to a loaded part whose components are listed.
    std::function<const std::optional<Path> &(const Part *)> path_to =
        [&](const Part *p) -> const std::optional<Path> & {
        auto found = best.find(p);
        if (found != best.end()) return found->second;
        static const std::optional<Path> none;
        if (p != root && !on_path.insert(p).second) return none;  // a cycle: the loader refuses them
        std::optional<Path> result;
        if (p == root) {
            result = Path{};
        } else {
            for (Instance *u = first_user(p->name); u != nullptr; u = u->next_user) {
                const Part *up = u->parent;
                if (up->discarded || !up->loaded) continue;
                const auto &above = path_to(up);
                if (!above) continue;
                Path candidate = *above;
                candidate.push_back(u);
                if (!result || less(candidate, *result)) result = std::move(candidate);
            }
            on_path.erase(p);
        }
        return best[p] = std::move(result);
    };
    if (root->discarded || !root->loaded || target == root) return NULL_TAG;
    const std::optional<Path> &found = path_to(target);
    if (!found) return NULL_TAG;
    tag_t occ = NULL_TAG;
    for (Instance *i : *found) occ = occurrence_of(root, occ, i);
    return occ;
}

const NameIndex &Session::names(const Part *part) const {
    if (!part->by_name_built) {
        for (Instance *i : part->components) part->by_name.insert(i);
        part->by_name_built = true;
    }
    return part->by_name;
}

const std::vector<Instance *> &Session::named(const Part *part, const std::string &name) const {
    return names(part).exact(name);
}

std::vector<Instance *> Session::matching(const Part *part, std::string_view pattern) const {
    if (pattern.find_first_of("*?") == std::string_view::npos) return named(part, std::string(pattern));
    // Only a plain beginning narrows the names; without one, the list is read in order.
    if (!NameIndex::plain_prefix(pattern).empty()) return names(part).match(pattern);
    std::vector<Instance *> found;
    for (Instance *inst : part->components)
        if (glob_match(pattern, inst->name)) found.push_back(inst);
    return found;
}

std::string Session::occurrence_path(const Occurrence &occ) const {
    // Names from the occurrence up to the root, joined root first: linear in the depth.
    std::vector<const Occurrence *> chain;
    for (const Occurrence *o = &occ;; o = &occurrences_[objects_[o->parent].index]) {
        chain.push_back(o);
        if (o->parent == NULL_TAG) break;
    }
    std::string path;
    for (size_t k = chain.size(); k-- > 0;) {  // root first
        const Instance *inst = chain[k]->instance;
        int same = 0, position = 0;
        for (const Instance *i : named(inst->parent, inst->name)) {
            ++same;
            if (i == inst) position = same;
        }
        if (!path.empty()) path += '/';
        path += inst->name;
        if (same > 1) path += '[' + std::to_string(position) + ']';
    }
    return path;
}

std::string Session::describe(tag_t tag) const {
    switch (kind(tag)) {
    case Kind::Part: return part(tag)->name;
    case Kind::Instance: {
        const Instance *i = instance(tag);
        return "instance " + i->name + " of " + i->parent->name;
    }
    case Kind::Occurrence: return occurrence_path(*occurrence(tag));
    case Kind::Body: {
        const Body *b = body(tag);
        std::string owner = kind(b->owner) == Kind::Occurrence ? describe(b->owner) + "/" : std::string();
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
        Part *contents = contents_of(from);
        if (contents == nullptr) return;
        Part *root = contents;
        tag_t parent = NULL_TAG;
        if (const Occurrence *occ = occurrence(from)) {
            root = occ->root;
            parent = occ->tag;
        }
        // A plain name is looked up; a pattern is matched against the names before any
        // occurrence is made.
        std::vector<Instance *> matches = matching(contents, name);
        int seen = 0;
        for (Instance *inst : matches) {
            if (nth > 0 && ++seen != nth) continue;
            tag_t child = occurrence_of(root, parent, inst);
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
