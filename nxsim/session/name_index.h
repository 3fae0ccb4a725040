// The components of one part by instance name, in the order of the names: an exact
// name, or a pattern that begins with plain characters ("S001R*"), is answered from
// its range of names instead of by matching every component of the part.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "export.h"

namespace nxsim {

struct Instance;

class NXSIM_EXPORT NameIndex {
public:
    // Siblings of one name stay in list order (by their slot).
    void insert(Instance *instance);
    void erase(const Instance *instance);
    void clear() { by_name_.clear(); }
    size_t names() const { return by_name_.size(); }

    // The components of this name, in list order.
    const std::vector<Instance *> &exact(std::string_view name) const;
    // The components whose names match `pattern` (`*` any run of characters, `?` one),
    // in list order: O(log n + what the pattern's plain beginning takes in). A pattern
    // that begins with a wildcard takes in every name.
    std::vector<Instance *> match(std::string_view pattern) const;

    // The plain characters a pattern begins with, before its first `*` or `?`.
    static std::string_view plain_prefix(std::string_view pattern);

private:
    std::map<std::string, std::vector<Instance *>, std::less<>> by_name_;
};

}  // namespace nxsim
