// The session: parts (the part store and what is loaded), their components, and
// the tags by which the host hands objects to the tools. Texts are held as the
// host holds them, in Windows-1251.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "geometry.h"
#include "uf.h"

namespace nxsim {

constexpr int kMaxNameLength = MAX_ENTITY_NAME_SIZE;  // instance, reference set, object names
constexpr int kMaxPartNameLength = MAX_FSPEC_SIZE;
constexpr int kMaxTitleLength = 50;
constexpr int kMaxStringValueLength = 132;

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
    Frame place;        // in the parent's coordinates
    int layer = 1;
    int color = 1;
    Vec3 name_origin{0, 0, 0};  // in the parent's coordinates
    Attributes attributes;
    bool removed = false;
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
    std::vector<Instance *> components;
    // Components by instance name, kept by Session for naming siblings quickly.
    std::unordered_map<std::string, std::vector<const Instance *>> by_name;
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

    Kind kind(tag_t tag) const;
    Part *part(tag_t tag) const;
    Instance *instance(tag_t tag) const;
    const Occurrence *occurrence(tag_t tag) const;  // live occurrences only
    const Body *body(tag_t tag) const;

    tag_t occurrence_of(Part *root, tag_t parent, Instance *instance);
    tag_t body_of(tag_t owner, int index);
    // The part an occurrence stands for (its instance's child part), or nullptr.
    Part *child_part(const Occurrence &occ) const;
    // The part whose contents an occurrence or part tag shows.
    Part *contents_of(tag_t tag) const;
    // Child occurrences: of a component occurrence, or of a root part's top level.
    std::vector<tag_t> children(tag_t occ_or_part);
    // The occurrence's place in its root's absolute coordinates.
    Frame absolute(const Occurrence &occ) const;
    bool alive(const Occurrence &occ) const;

    // First occurrence of `part` below `root`, depth first; NULL_TAG if none.
    tag_t find_occurrence_of_part(Part *root, Part *target);

    // Reference path of an object, for people ("PANEL/SUB[2]/R7", "PANEL/#0").
    std::string describe(tag_t tag) const;
    // Objects below the displayed part named by a reference; empty if none.
    std::vector<tag_t> resolve(std::string_view reference);

private:
    struct Entry {
        Kind kind = Kind::None;
        size_t index = 0;
    };
    tag_t new_tag(Kind kind, size_t index);
    std::string occurrence_path(const Occurrence &occ) const;

    std::vector<Entry> objects_;
    std::vector<std::unique_ptr<Part>> parts_;
    std::vector<std::unique_ptr<Instance>> instances_;
    std::vector<Occurrence> occurrences_;
    std::vector<Body> bodies_;
    std::unordered_map<std::string, Part *> by_name_;
    std::unordered_map<std::string, tag_t> occ_index_;
    std::unordered_map<std::string, tag_t> body_index_;
};

bool glob_match(std::string_view pattern, std::string_view text);

}  // namespace nxsim
