// The session: parts (the part store and what is loaded), their components, and
// the tags by which the host hands objects to the tools. Texts are held as the
// host holds them, in Windows-1251.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "geometry.h"
#include "name_index.h"
#include "uf.h"

namespace nxsim {

constexpr int kMaxNameLength = MAX_ENTITY_NAME_SIZE;  // instance, reference set, object names
constexpr int kMaxPartNameLength = MAX_FSPEC_SIZE;
constexpr int kMaxTitleLength = 50;
constexpr int kMaxStringValueLength = 132;
// Levels of components below any part. Far deeper than any airframe assembly; the
// tools walk assemblies recursively, and a reference path stays readable.
constexpr int kMaxAssemblyDepth = 1000;

enum class AttrType { Integer = 3, Real = 4, String = 5 };

struct Attribute {
    std::string title;
    AttrType type = AttrType::String;
    std::string text;
    long long integer = 0;
    double real = 0.0;
};

// Ordered as assigned: the order in which the host cycles them.
class Attributes {
public:
    const Attribute *find(std::string_view title) const;
    void set(Attribute attribute);
    const std::vector<Attribute> &all() const { return list_; }
    bool empty() const { return list_.empty(); }

private:
    std::vector<Attribute> list_;
};

struct Part;

struct Instance {
    tag_t tag = NULL_TAG;
    Part *parent = nullptr;
    std::string name;
    std::string part_name;
    std::string refset;
    std::string object_name;
    Frame place;  // in the parent's coordinates
    int layer = 1;
    int color = 1;
    Vec3 name_origin{0, 0, 0};  // in the parent's coordinates
    Attributes attributes;
    bool removed = false;
    size_t slot = 0;  // place in the parent's component list
    // The other instances of the same child part, kept by Session.
    Instance *next_user = nullptr;
    Instance *prev_user = nullptr;
    // Its child part as last found by name, valid while the session's parts_epoch is
    // unchanged: every attribute read and every occurrence check asks for it.
    mutable Part *child = nullptr;
    mutable unsigned long long child_epoch = 0;
};

// A part's components in order. Removing one leaves a hole, so removal and the
// step to the next sibling cost O(1); holes are squeezed out when they outnumber
// the components, never while a run may still be undone.
class ComponentList {
public:
    class iterator {
    public:
        using value_type = Instance *;
        using difference_type = std::ptrdiff_t;
        iterator() = default;
        iterator(Instance *const *at, Instance *const *end) : at_(at), end_(end) { skip(); }
        Instance *operator*() const { return *at_; }
        iterator &operator++() {
            ++at_;
            skip();
            return *this;
        }
        iterator operator++(int) {
            iterator old = *this;
            ++*this;
            return old;
        }
        bool operator==(const iterator &o) const { return at_ == o.at_; }

    private:
        void skip() {
            while (at_ != end_ && *at_ == nullptr) ++at_;
        }
        Instance *const *at_ = nullptr;
        Instance *const *end_ = nullptr;
    };

    iterator begin() const { return {slots_.data(), slots_.data() + slots_.size()}; }
    iterator end() const { return {slots_.data() + slots_.size(), slots_.data() + slots_.size()}; }
    size_t size() const { return live_; }
    bool empty() const { return live_ == 0; }
    // The component after `after` (the first one for nullptr), or nullptr.
    Instance *next(const Instance *after) const;

    void push_back(Instance *instance);
    void remove(Instance *instance);
    // Undo, in reverse order: the last push_back, or a remove (its slot is still free).
    void unpush(Instance *instance);
    void restore(Instance *instance);
    void squeeze();

private:
    std::vector<Instance *> slots_;
    size_t live_ = 0;
};

struct Part {
    tag_t tag = NULL_TAG;
    std::string name;
    int units = 1;
    bool loaded = true;
    bool saved = true;       // present in the part store
    bool discarded = false;  // closed before it was ever saved: gone
    Attributes attributes;
    Frame wcs;
    std::vector<Vec3> colors;
    bool default_colors = true;
    int bodies = 0;
    ComponentList components;
    // Components by instance name, for naming siblings ("R[2]") and for picks by
    // pattern ("S001R*"): built by Session when first asked for, then kept up to date.
    mutable NameIndex by_name;
    mutable bool by_name_built = false;
};

struct Occurrence {
    tag_t tag = NULL_TAG;
    tag_t parent = NULL_TAG;  // NULL_TAG: directly under the root part
    Instance *instance = nullptr;
    Part *root = nullptr;
};

struct Body {
    tag_t tag = NULL_TAG;
    tag_t owner = NULL_TAG;  // a part or a component occurrence
    int index = 0;
};

enum class Kind { None, Part, Instance, Occurrence, Body };

std::vector<Vec3> default_color_table();

// What one tool run changed, as it was before the run; kept while `nxsim play`
// journals a run, so that a failed run can be taken back and a good one summed up.
struct Journal {
    struct Before {
        bool live = false;  // present (not removed, in a part not discarded) when first met
        Attributes attributes;
        bool values_kept = false;  // its own data is kept for the undo (once per run is enough)
    };
    Part *display = nullptr;
    Part *work = nullptr;
    std::vector<std::function<void()>> undo;  // taken back last to first
    std::unordered_map<const Instance *, Before> instances;
    std::unordered_map<const Part *, Before> parts;
};

class Session {
public:
    Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    bool managed = true;
    Part *display = nullptr;
    Part *work = nullptr;

    Part *add_part(const std::string &name);
    Part *find_part(std::string_view name) const;  // not discarded
    void discard_part(Part *part);
    const std::vector<std::unique_ptr<Part>> &parts() const { return parts_; }

    Instance *add_instance(Part *parent, const std::string &name, const std::string &part_name);
    void remove_instance(Instance *instance);
    // Before a part's or an instance's own data change (names, place, colour, attributes,
    // loaded and saved state): lets a journalled run be taken back.
    void touch(Instance *instance);
    void touch(Part *part);

    // Journal of one run: begin, then commit (keep the changes) or roll back.
    void begin_journal();
    const Journal *journal() const { return journal_.get(); }
    void commit_journal();
    void rollback_journal();

    Kind kind(tag_t tag) const;
    Part *part(tag_t tag) const;
    Instance *instance(tag_t tag) const;
    const Occurrence *occurrence(tag_t tag) const;  // live occurrences only
    const Body *body(tag_t tag) const;

    tag_t occurrence_of(Part *root, tag_t parent, Instance *instance);
    tag_t body_of(tag_t owner, int index);
    // The part an occurrence stands for (its instance's child part), or nullptr.
    Part *child_part(const Occurrence &occ) const;
    // The part an instance stands for (find_part of its part name), or nullptr.
    Part *child_of(const Instance &instance) const;
    // The part whose contents an occurrence or part tag shows.
    Part *contents_of(tag_t tag) const;
    // Child occurrences: of a component occurrence, or of a root part's top level.
    std::vector<tag_t> children(tag_t occ_or_part);
    // The occurrence's place in its root's absolute coordinates.
    Frame absolute(const Occurrence &occ) const;
    bool alive(const Occurrence &occ) const;

    // First occurrence of `target` below `root` in depth-first order; NULL_TAG if none.
    // Found upwards through the instances of each part, not by walking the tree.
    tag_t find_occurrence_of_part(Part *root, Part *target);
    // The first of the instances whose child part has this name (then next_user), or nullptr.
    Instance *first_user(std::string_view part_name) const;

    // Reference path of an object, for people ("PANEL/SUB[2]/R7", "PANEL/#0").
    std::string describe(tag_t tag) const;
    // Objects below the displayed part named by a reference; empty if none.
    std::vector<tag_t> resolve(std::string_view reference);
    // The components of a part whose instance names match a pattern (`*`, `?`), in list
    // order; a plain name is looked up, a plain beginning narrows the names looked at.
    std::vector<Instance *> matching(const Part *part, std::string_view pattern) const;
    // A part's components by instance name, built when first asked for.
    const NameIndex &names(const Part *part) const;

private:
    struct Entry {
        Kind kind = Kind::None;
        size_t index = 0;
    };
    struct OccKey {
        tag_t root, parent, instance;
        bool operator==(const OccKey &) const = default;
    };
    struct OccKeyHash {
        size_t operator()(const OccKey &k) const {
            return std::hash<unsigned long long>()((static_cast<unsigned long long>(k.root) << 42) ^
                                                   (static_cast<unsigned long long>(k.parent) << 21) ^ k.instance);
        }
    };
    // Names looked up without building a string first.
    struct NameHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
    };
    tag_t new_tag(Kind kind, size_t index);
    std::string occurrence_path(const Occurrence &occ) const;
    // The components of a part with this instance name, in list order.
    const std::vector<Instance *> &named(const Part *part, const std::string &name) const;
    void link(Instance *instance);
    void unlink(Instance *instance);
    Journal::Before *first_sight(const Instance *instance);
    Journal::Before *first_sight(const Part *part);

    std::vector<Entry> objects_;
    std::vector<std::unique_ptr<Part>> parts_;
    std::vector<std::unique_ptr<Instance>> instances_;
    std::vector<Occurrence> occurrences_;
    std::vector<Body> bodies_;
    std::unordered_map<std::string, Part *, NameHash, std::equal_to<>> by_name_;
    std::unordered_map<std::string, Instance *, NameHash, std::equal_to<>> users_;
    std::unordered_map<OccKey, tag_t, OccKeyHash> occ_index_;
    std::unordered_map<OccKey, tag_t, OccKeyHash> body_index_;  // {owner, index, 0}
    std::unique_ptr<Journal> journal_;
    // Counts the changes of by_name_ and of parts' discarded state; starts above the
    // instances' 0, so nothing is taken as found before it was looked up.
    unsigned long long parts_epoch_ = 1;
};

bool glob_match(std::string_view pattern, std::string_view text);

}  // namespace nxsim
