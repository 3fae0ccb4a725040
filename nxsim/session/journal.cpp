#include "journal.h"

#include <algorithm>
#include <utility>

namespace nxsim {

Journal::Before *Journal::first_sight(const Instance *instance) {
    auto [it, fresh] = instances.try_emplace(instance);
    if (fresh) {
        it->second.live = !instance->removed && !instance->parent->discarded;
        it->second.attributes = instance->attributes;
    }
    return &it->second;
}

Journal::Before *Journal::first_sight(const Part *part) {
    auto [it, fresh] = parts.try_emplace(part);
    if (fresh) {
        it->second.live = !part->discarded;
        it->second.attributes = part->attributes;
    }
    return &it->second;
}

// The first change in a run keeps what there was before; later ones need nothing more.
void Journal::keep(Instance *instance) {
    Before *before = first_sight(instance);
    if (before->values_kept) return;
    before->values_kept = true;
    undo_.emplace_back([instance, before, refset = instance->refset, object_name = instance->object_name,
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

void Journal::keep(Part *part) {
    Before *before = first_sight(part);
    if (before->values_kept) return;
    before->values_kept = true;
    undo_.emplace_back([part, before, units = part->units, loaded = part->loaded, saved = part->saved, wcs = part->wcs,
                        colors = part->colors, default_colors = part->default_colors, bodies = part->bodies] {
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

void Journal::made(const Part *part, std::function<void()> undo) {
    parts[part].values_kept = true;
    undo_.push_back(std::move(undo));
}

void Journal::made(const Instance *instance, std::function<void()> undo) {
    instances[instance].values_kept = true;
    undo_.push_back(std::move(undo));
}

void Journal::on_undo(std::function<void()> undo) { undo_.push_back(std::move(undo)); }

void Journal::take_back() {
    std::for_each(undo_.rbegin(), undo_.rend(), [](const std::function<void()> &undo) { undo(); });
    undo_.clear();
}

std::unordered_set<Part *> Journal::parents() const {
    std::unordered_set<Part *> out;
    for (const auto &[inst, before] : instances) out.insert(inst->parent);
    return out;
}

}  // namespace nxsim
