#include "name_index.h"

#include <algorithm>

#include "model.h"
#include "references.h"

namespace nxsim {

void NameIndex::insert(Instance *instance) {
    auto found = by_name_.find(instance->name);
    if (found == by_name_.end()) found = by_name_.emplace(instance->name, std::vector<Instance *>()).first;
    std::vector<Instance *> &same = found->second;
    auto at = std::find_if(same.begin(), same.end(), [&](const Instance *i) { return i->slot > instance->slot; });
    same.insert(at, instance);
}

void NameIndex::erase(const Instance *instance) {
    auto found = by_name_.find(instance->name);
    if (found == by_name_.end()) return;
    std::vector<Instance *> &same = found->second;
    same.erase(std::remove(same.begin(), same.end(), instance), same.end());
    if (same.empty()) by_name_.erase(found);
}

const std::vector<Instance *> &NameIndex::exact(std::string_view name) const {
    static const std::vector<Instance *> none;
    auto found = by_name_.find(name);
    return found == by_name_.end() ? none : found->second;
}

std::string_view NameIndex::plain_prefix(std::string_view pattern) {
    return pattern.substr(0, std::min(pattern.find_first_of("*?"), pattern.size()));
}

std::vector<Instance *> NameIndex::match(std::string_view pattern) const {
    std::string_view prefix = plain_prefix(pattern);
    std::vector<Instance *> found;
    // The names that begin with the prefix lie together, from its lower bound on.
    for (auto it = by_name_.lower_bound(prefix); it != by_name_.end() && it->first.starts_with(prefix); ++it)
        if (glob_match(pattern, it->first)) found.insert(found.end(), it->second.begin(), it->second.end());
    // Back in list order; slots only grow along the list.
    std::sort(found.begin(), found.end(), [](const Instance *a, const Instance *b) { return a->slot < b->slot; });
    return found;
}

}  // namespace nxsim
