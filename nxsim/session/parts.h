// What the session stores: parts, their components (instances), the occurrences and
// bodies the host hands out by tag, with their attributes. Texts are held as the host
// holds them, in Windows-1251.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "export.h"
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
class NXSIM_EXPORT Attributes {
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
class NXSIM_EXPORT ComponentList {
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

NXSIM_EXPORT std::vector<Vec3> default_color_table();

}  // namespace nxsim
