// Assemblies: component data, children, objects of a component, adding and
// removing instances, and the work part.
#include <cmath>
#include <functional>

#include "cp1251.h"
#include "export.h"
#include "host.h"
#include "ops.h"
#include "uf_assem.h"

using namespace nxsim;

namespace {

bool contains(Session &s, const Part *outer, const Part *inner) {
    if (outer == inner) return true;
    for (const Instance *i : outer->components) {
        const Part *child = s.find_part(i->part_name);
        if (child != nullptr && contains(s, child, inner)) return true;
    }
    return false;
}

}  // namespace

extern "C" {

NXSIM_EXPORT int UF_ASSEM_ask_component_data(tag_t component, char part_name[MAX_FSPEC_SIZE + 1],
                                             char refset_name[MAX_ENTITY_NAME_SIZE + 1],
                                             char instance_name[MAX_ENTITY_NAME_SIZE + 1], double origin[3],
                                             double csys_matrix[9], double transform[4][4]) {
    return guarded("UF_ASSEM_ask_component_data", true, [&](Host &h) {
        const Occurrence *occ = h.session->occurrence(component);
        if (occ == nullptr) return h.session->kind(component) == Kind::None ? code::kInvalidTag : code::kNotAComponent;
        if (part_name == nullptr || refset_name == nullptr || instance_name == nullptr || origin == nullptr ||
            csys_matrix == nullptr || transform == nullptr)
            return code::kInvalidArgument;
        const Instance &inst = *occ->instance;
        copy_text(part_name, MAX_FSPEC_SIZE + 1, inst.part_name);
        copy_text(refset_name, MAX_ENTITY_NAME_SIZE + 1, inst.refset);
        copy_text(instance_name, MAX_ENTITY_NAME_SIZE + 1, inst.name);
        Frame f = h.session->absolute(*occ);
        for (int i = 0; i < 3; ++i) {
            origin[i] = f.origin[i];
            csys_matrix[i] = f.x[i];
            csys_matrix[3 + i] = f.y[i];
            csys_matrix[6 + i] = f.z[i];
        }
        // Columns are the axes, the last column the origin.
        for (int r = 0; r < 3; ++r) {
            transform[r][0] = f.x[r];
            transform[r][1] = f.y[r];
            transform[r][2] = f.z[r];
            transform[r][3] = f.origin[r];
        }
        transform[3][0] = transform[3][1] = transform[3][2] = 0.0;
        transform[3][3] = 1.0;
        return 0;
    });
}

NXSIM_EXPORT int UF_ASSEM_ask_part_occ_children(tag_t part_occurrence, tag_t **child_part_occs) {
    if (child_part_occs != nullptr) *child_part_occs = nullptr;
    Host &h = Host::get();
    // The count carries a failure too, as the failure's code negated: "no children"
    // would make a sub-assembly look like a leaf.
    if (std::optional<int> failed = h.enter("UF_ASSEM_ask_part_occ_children", true)) return -*failed;
    try {
        if (child_part_occs == nullptr) return 0;
        std::vector<tag_t> children = h.session->children(part_occurrence);
        if (children.empty()) return 0;
        *child_part_occs = host_array<tag_t>(children.size());
        std::copy(children.begin(), children.end(), *child_part_occs);
        return static_cast<int>(children.size());
    } catch (const std::exception &e) {
        h.note(std::string("internal error in UF_ASSEM_ask_part_occ_children: ") + e.what());
        return -code::kInternal;
    }
}

NXSIM_EXPORT int UF_ASSEM_cycle_objs_in_comp(tag_t component, tag_t *member) {
    return guarded("UF_ASSEM_cycle_objs_in_comp", true, [&](Host &h) {
        if (member == nullptr) return code::kInvalidArgument;
        Session &s = *h.session;
        const Occurrence *of = s.occurrence(component);
        if (of == nullptr) return code::kNotAComponent;
        // The component's own objects: its child components, then its solid bodies.
        // The next one is found from the member, not from a list of them all.
        Part *root = of->root;
        Part *contents = s.child_part(*of);
        if (contents != nullptr && !contents->loaded) contents = nullptr;
        auto child = [&](const Instance *after) {
            Instance *next = contents != nullptr ? contents->components.next(after) : nullptr;
            return next != nullptr ? s.occurrence_of(root, component, next) : NULL_TAG;
        };
        auto body = [&](int index) {
            return contents != nullptr && index < contents->bodies ? s.body_of(component, index) : NULL_TAG;
        };
        if (*member == NULL_TAG) {
            tag_t first = child(nullptr);
            *member = first != NULL_TAG ? first : body(0);
            return 0;
        }
        if (const Occurrence *occ = s.occurrence(*member); occ != nullptr && contents != nullptr &&
                                                           occ->parent == component && occ->root == root &&
                                                           occ->instance->parent == contents) {
            tag_t next = child(occ->instance);
            *member = next != NULL_TAG ? next : body(0);
            return 0;
        }
        if (const Body *b = s.body(*member);
            b != nullptr && b->owner == component && contents != nullptr && b->index < contents->bodies) {
            *member = body(b->index + 1);
            return 0;
        }
        return code::kInvalidTag;
    });
}

NXSIM_EXPORT int UF_ASSEM_add_part_to_assembly(tag_t parent_part, const char *part_name, const char *refset_name,
                                               const char *instance_name, double origin[3], double csys_matrix[6],
                                               int layer, tag_t *instance, UF_PART_load_status_t *error_status) {
    return guarded("UF_ASSEM_add_part_to_assembly", true, [&](Host &h) {
        if (error_status != nullptr) *error_status = UF_PART_load_status_t{};
        if (part_name == nullptr || origin == nullptr || csys_matrix == nullptr || instance == nullptr)
            return code::kInvalidArgument;
        *instance = NULL_TAG;
        Session &s = *h.session;
        Part *parent = s.part(parent_part);
        if (parent == nullptr) return code::kInvalidTag;
        if (!parent->loaded) return code::kPartNotLoaded;
        Part *child = s.find_part(part_name);
        if (child == nullptr) return code::kPartNotFound;
        std::string refset = refset_name != nullptr ? refset_name : "";
        std::string name = instance_name != nullptr ? instance_name : "";
        if (refset.size() > MAX_ENTITY_NAME_SIZE || name.size() > MAX_ENTITY_NAME_SIZE) return code::kNameTooLong;
        // -1 the work layer, 0 the layers the part's objects have (both layer 1 here), else 1 to 256.
        if (layer < UF_ASSEM_WORK_LAYER || layer > 256) return code::kInvalidArgument;
        Vec3 x{csys_matrix[0], csys_matrix[1], csys_matrix[2]};
        Vec3 y{csys_matrix[3], csys_matrix[4], csys_matrix[5]};
        if (std::fabs(norm(x) - 1) > 1e-6 || std::fabs(norm(y) - 1) > 1e-6 || std::fabs(dot(x, y)) > 1e-6)
            return code::kInvalidArgument;
        if (contains(s, child, parent)) return code::kPartCycle;
        if (!child->loaded) {
            s.touch(child);
            child->loaded = true;
        }
        Instance *inst = s.add_instance(parent, name, child->name);
        inst->refset = refset;
        inst->place = Frame::from_axes({origin[0], origin[1], origin[2]}, x, y);
        inst->layer = layer < 1 ? 1 : layer;
        inst->name_origin = inst->place.origin;
        *instance = inst->tag;
        return 0;
    });
}

NXSIM_EXPORT int UF_ASSEM_remove_instance(tag_t instance) {
    return guarded("UF_ASSEM_remove_instance", true, [&](Host &h) {
        Instance *inst = h.session->instance(instance);
        if (inst == nullptr) return code::kInvalidTag;
        h.session->remove_instance(inst);
        return 0;
    });
}

NXSIM_EXPORT tag_t UF_ASSEM_ask_child_of_instance(tag_t instance) {
    return guarded_value<tag_t>("UF_ASSEM_ask_child_of_instance", true, NULL_TAG, [&](Host &h) {
        Instance *inst = h.session->instance(instance);
        if (inst == nullptr) return NULL_TAG;
        Part *p = h.session->child_of(*inst);
        return p != nullptr ? p->tag : NULL_TAG;
    });
}

NXSIM_EXPORT tag_t UF_ASSEM_ask_inst_of_part_occ(tag_t part_occurrence) {
    return guarded_value<tag_t>("UF_ASSEM_ask_inst_of_part_occ", true, NULL_TAG, [&](Host &h) {
        const Occurrence *occ = h.session->occurrence(part_occurrence);
        return occ != nullptr ? occ->instance->tag : NULL_TAG;
    });
}

NXSIM_EXPORT tag_t UF_ASSEM_ask_part_occ_of_inst(tag_t parent_part_occ, tag_t instance) {
    return guarded_value<tag_t>("UF_ASSEM_ask_part_occ_of_inst", true, NULL_TAG, [&](Host &h) {
        Session &s = *h.session;
        Instance *inst = s.instance(instance);
        if (inst == nullptr) return NULL_TAG;
        if (parent_part_occ == NULL_TAG) {
            if (s.display == nullptr || inst->parent != s.display) return NULL_TAG;
            return s.occurrence_of(s.display, NULL_TAG, inst);
        }
        const Occurrence *parent = s.occurrence(parent_part_occ);
        if (parent == nullptr || s.contents_of(parent_part_occ) != inst->parent) return NULL_TAG;
        Part *root = parent->root;
        return s.occurrence_of(root, parent_part_occ, inst);
    });
}

NXSIM_EXPORT int UF_ASSEM_set_work_part(tag_t part) {
    return guarded("UF_ASSEM_set_work_part", true, [&](Host &h) {
        Part *p = h.session->part(part);
        if (p == nullptr) return code::kInvalidTag;
        if (!p->loaded) return code::kPartNotLoaded;
        if (h.session->work != p) h.note("work part " + quote(p->name));
        h.session->work = p;
        return 0;
    });
}

NXSIM_EXPORT tag_t UF_ASSEM_ask_work_part(void) {
    return guarded_value<tag_t>("UF_ASSEM_ask_work_part", true, NULL_TAG,
                                [](Host &h) { return h.session->work != nullptr ? h.session->work->tag : NULL_TAG; });
}

}  // extern "C"
