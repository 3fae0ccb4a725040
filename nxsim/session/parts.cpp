#include "parts.h"

#include <algorithm>
#include <utility>

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

}  // namespace nxsim
