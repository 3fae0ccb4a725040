// The session: the part store and its indexes (parts by name, the users of each part,
// occurrences and bodies by what they stand for), with the run's journal.
#include "model.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <unordered_set>

#include "references.h"

namespace nxsim {

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
        journal_->made(raw, [this, raw] {
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
        for (Instance *i : part->components) journal_->first_sight(i);
        journal_->on_undo([this, part] {
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
        journal_->made(raw, [this, raw] {
            unlink(raw);
            raw->parent->components.unpush(raw);
        });
    }
    return raw;
}

void Session::remove_instance(Instance *instance) {
    if (instance->removed) return;
    if (journal_) journal_->first_sight(instance);
    instance->parent->components.remove(instance);
    unlink(instance);
    if (journal_) {
        journal_->on_undo([this, instance] {
            instance->parent->components.restore(instance);
            link(instance);
        });
    } else {
        instance->parent->components.squeeze();
    }
}

void Session::touch(Instance *instance) {
    if (journal_) journal_->keep(instance);
}

void Session::touch(Part *part) {
    if (journal_) journal_->keep(part);
}

void Session::begin_journal() { journal_ = std::make_unique<Journal>(display, work); }

void Session::commit_journal() {
    if (!journal_) return;
    std::unordered_set<Part *> parents = journal_->parents();
    journal_.reset();
    for (Part *p : parents) p->components.squeeze();
}

void Session::rollback_journal() {
    if (!journal_) return;
    std::unique_ptr<Journal> j = std::move(journal_);
    j->take_back();
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

std::vector<Instance *> Session::matching(const Part *part, std::string_view pattern) const {
    if (pattern.find_first_of("*?") == std::string_view::npos) return names(part).exact(std::string(pattern));
    // Only a plain beginning narrows the names; without one, the list is read in order.
    if (!NameIndex::plain_prefix(pattern).empty()) return names(part).match(pattern);
    std::vector<Instance *> found;
    for (Instance *inst : part->components)
        if (glob_match(pattern, inst->name)) found.push_back(inst);
    return found;
}

const Occurrence &Session::above(const Occurrence &occ) const { return occurrences_[objects_[occ.parent].index]; }

}  // namespace nxsim
