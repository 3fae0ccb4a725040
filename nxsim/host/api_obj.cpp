// Object names, name origins, display properties and colours of components.
#include <cstring>

#include "export.h"
#include "host.h"
#include "ops.h"
#include "uf_obj.h"

using namespace nxsim;

namespace {

// The frame in which a component's instance keeps its name origin (its parent
// part), expressed in absolute coordinates of the displayed part.
bool parent_frame(Session &s, const Occurrence &occ, Frame &f) {
    if (occ.parent == NULL_TAG) {
        f = Frame();
        return true;
    }
    const Occurrence *up = s.occurrence(occ.parent);
    if (up == nullptr) return false;
    f = s.absolute(*up);
    return true;
}

}  // namespace

namespace {

Instance *instance_of(Session &s, tag_t object) {
    if (const Occurrence *occ = s.occurrence(object)) return occ->instance;
    return s.instance(object);
}

}  // namespace

extern "C" {

NXSIM_EXPORT int UF_OBJ_ask_name(tag_t object, char name[MAX_ENTITY_NAME_SIZE + 1]) {
    return guarded("UF_OBJ_ask_name", true, [&](Host &h) {
        if (name == nullptr) return code::kInvalidArgument;
        name[0] = '\0';
        Instance *inst = instance_of(*h.session, object);
        if (inst == nullptr) return h.session->kind(object) == Kind::None ? code::kInvalidTag : 0;
        copy_text(name, MAX_ENTITY_NAME_SIZE + 1, inst->object_name);
        return 0;
    });
}

NXSIM_EXPORT int UF_OBJ_set_name(tag_t object, const char *name) {
    return guarded("UF_OBJ_set_name", true, [&](Host &h) {
        Instance *inst = instance_of(*h.session, object);
        if (inst == nullptr) return code::kInvalidTag;
        if (name == nullptr) return code::kInvalidArgument;
        if (std::strlen(name) > MAX_ENTITY_NAME_SIZE) return code::kNameTooLong;
        h.session->touch(inst);
        inst->object_name = name;
        return 0;
    });
}

NXSIM_EXPORT int UF_OBJ_ask_name_origin(tag_t object, double origin[3]) {
    return guarded("UF_OBJ_ask_name_origin", true, [&](Host &h) {
        if (origin == nullptr) return code::kInvalidArgument;
        Session &s = *h.session;
        Vec3 p;
        if (const Occurrence *occ = s.occurrence(object)) {
            Frame parent, work;
            if (!parent_frame(s, *occ, parent)) return code::kInvalidTag;
            if (int rc = work_frame(s, work)) return rc;
            p = work.from_parent(parent.to_parent(occ->instance->name_origin));
        } else if (Instance *inst = s.instance(object)) {
            p = inst->name_origin;
        } else {
            return code::kInvalidTag;
        }
        for (int i = 0; i < 3; ++i) origin[i] = p[i];
        return 0;
    });
}

NXSIM_EXPORT int UF_OBJ_set_name_origin(tag_t object, double origin[3]) {
    return guarded("UF_OBJ_set_name_origin", true, [&](Host &h) {
        if (origin == nullptr) return code::kInvalidArgument;
        Session &s = *h.session;
        Vec3 p{origin[0], origin[1], origin[2]};
        if (const Occurrence *occ = s.occurrence(object)) {
            Frame parent, work;
            if (!parent_frame(s, *occ, parent)) return code::kInvalidTag;
            if (int rc = work_frame(s, work)) return rc;
            s.touch(occ->instance);
            occ->instance->name_origin = parent.from_parent(work.to_parent(p));
        } else if (Instance *inst = s.instance(object)) {
            s.touch(inst);
            inst->name_origin = p;
        } else {
            return code::kInvalidTag;
        }
        return 0;
    });
}

NXSIM_EXPORT int UF_OBJ_ask_display_properties(tag_t object, UF_OBJ_disp_props_p_t props) {
    return guarded("UF_OBJ_ask_display_properties", true, [&](Host &h) {
        if (props == nullptr) return code::kInvalidArgument;
        Instance *inst = instance_of(*h.session, object);
        if (inst == nullptr) return code::kInvalidTag;
        props->layer = inst->layer;
        props->color = inst->color;
        props->blank_status = 0;
        props->line_width = 0;
        props->font = 1;
        props->highlight_status = h.highlighted.contains(object) ? TRUE : FALSE;
        return 0;
    });
}

NXSIM_EXPORT int UF_OBJ_set_color(tag_t object, int color) {
    return guarded("UF_OBJ_set_color", true, [&](Host &h) {
        Instance *inst = instance_of(*h.session, object);
        if (inst == nullptr) return code::kInvalidTag;
        Part *display = h.session->display;
        if (color < 0 || display == nullptr || color >= static_cast<int>(display->colors.size()))
            return code::kInvalidColor;
        h.session->touch(inst);
        inst->color = color;
        return 0;
    });
}

}  // extern "C"
