// The session: the part store (parts.h: parts, their components, occurrences and
// bodies), its indexes and the tags by which the host hands objects to the tools, and
// the journal of a run (journal.h). People's references to its objects are
// references.h.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "export.h"
#include "journal.h"
#include "parts.h"

namespace nxsim {

class NXSIM_EXPORT Session {
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
    // The occurrence a component occurrence lies in (its parent must not be NULL_TAG).
    const Occurrence &above(const Occurrence &occ) const;

    // First occurrence of `target` below `root` in depth-first order; NULL_TAG if none.
    // Found upwards through the instances of each part, not by walking the tree.
    tag_t find_occurrence_of_part(Part *root, Part *target);
    // The first of the instances whose child part has this name (then next_user), or nullptr.
    Instance *first_user(std::string_view part_name) const;

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
    void link(Instance *instance);
    void unlink(Instance *instance);

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

}  // namespace nxsim
