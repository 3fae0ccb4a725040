// Attributes. An occurrence's attributes live on its last instance; a title the
// instance lacks is looked up on the instance's part.
#include <cstring>

#include "export.h"
#include "host.h"
#include "ops.h"
#include "uf_attr.h"

using namespace nxsim;

namespace {

struct Target {
    Instance *instance = nullptr;  // the owner of `own`: an instance or a part
    Part *part = nullptr;
    Attributes *own = nullptr;             // written here
    const Attributes *fallback = nullptr;  // read here too
    bool valid = false;
};

Target target_of(Host &h, tag_t object) {
    Session &s = *h.session;
    Target t;
    Instance *inst = nullptr;
    // Occurrences first, checked once: every attribute call of a tool starts here.
    if (const Occurrence *occ = s.occurrence(object)) {
        inst = occ->instance;
    } else {
        switch (s.kind(object)) {
        case Kind::Instance: inst = s.instance(object); break;
        case Kind::Part:
            t.part = s.part(object);
            t.own = &t.part->attributes;
            t.valid = true;
            return t;
        case Kind::Body:
            t.valid = true;  // bodies carry no attributes here
            return t;
        default: return t;
        }
    }
    t.instance = inst;
    t.own = &inst->attributes;
    if (Part *p = s.child_of(*inst)) t.fallback = &p->attributes;
    t.valid = true;
    return t;
}

const Attribute *lookup(const Target &t, const char *title) {
    if (t.own != nullptr)
        if (const Attribute *a = t.own->find(title)) return a;
    if (t.fallback != nullptr) return t.fallback->find(title);
    return nullptr;
}

// The interface's constant for the session's attribute type, whatever its value.
int type_constant(AttrType type) {
    switch (type) {
    case AttrType::Integer: return UF_ATTR_integer;
    case AttrType::Real: return UF_ATTR_real;
    case AttrType::String: break;
    }
    return UF_ATTR_string;
}

bool type_matches(const Attribute &a, int type) { return type == UF_ATTR_any || type_constant(a.type) == type; }

void fill_value(const Attribute &a, UF_ATTR_value_t *value) {
    value->type = type_constant(a.type);
    switch (a.type) {
    case AttrType::String: value->value.string = host_strdup(a.text); break;
    case AttrType::Integer: value->value.integer = static_cast<int>(a.integer); break;
    case AttrType::Real: value->value.real = a.real; break;
    }
}

bool valid_title(const char *title) {
    return title != nullptr && *title != '\0' && std::strlen(title) <= static_cast<size_t>(kMaxTitleLength);
}

}  // namespace

extern "C" {

NXSIM_EXPORT int UF_ATTR_assign(tag_t object, const char *title, UF_ATTR_value_t value) {
    return guarded("UF_ATTR_assign", true, [&](Host &h) {
        Target t = target_of(h, object);
        if (!t.valid) return code::kInvalidTag;
        if (t.own == nullptr) return code::kAttrAssign;
        if (!valid_title(title)) return code::kAttrTitle;
        Attribute a;
        a.title = title;
        switch (value.type) {
        case UF_ATTR_string:
            if (value.value.string == nullptr ||
                std::strlen(value.value.string) > static_cast<size_t>(kMaxStringValueLength))
                return code::kAttrValue;
            a.type = AttrType::String;
            a.text = value.value.string;
            break;
        case UF_ATTR_integer:
            a.type = AttrType::Integer;
            a.integer = value.value.integer;
            break;
        case UF_ATTR_real:
            a.type = AttrType::Real;
            a.real = value.value.real;
            break;
        default: return code::kAttrValue;
        }
        if (t.instance != nullptr) h.session->touch(t.instance);
        if (t.part != nullptr) h.session->touch(t.part);
        t.own->set(std::move(a));
        return 0;
    });
}

NXSIM_EXPORT int UF_ATTR_find_attribute(tag_t object, int type, const char *title, int *title_type) {
    return guarded("UF_ATTR_find_attribute", true, [&](Host &h) {
        if (title_type == nullptr) return code::kInvalidArgument;
        *title_type = 0;
        Target t = target_of(h, object);
        if (!t.valid) return code::kInvalidTag;
        if (!valid_title(title)) return code::kAttrTitle;
        const Attribute *a = lookup(t, title);
        if (a != nullptr && type_matches(*a, type)) *title_type = type_constant(a->type);
        return 0;
    });
}

NXSIM_EXPORT int UF_ATTR_read_value(tag_t object, const char *title, int type, UF_ATTR_value_t *value) {
    return guarded("UF_ATTR_read_value", true, [&](Host &h) {
        if (value == nullptr) return code::kInvalidArgument;
        value->type = 0;
        value->value.string = nullptr;
        Target t = target_of(h, object);
        if (!t.valid) return code::kInvalidTag;
        if (!valid_title(title)) return code::kAttrTitle;
        const Attribute *a = lookup(t, title);
        if (a != nullptr && type_matches(*a, type)) fill_value(*a, value);
        return 0;
    });
}

NXSIM_EXPORT int UF_ATTR_cycle(tag_t object, int *index, int type, char title[UF_ATTR_MAX_TITLE_LEN + 1],
                               UF_ATTR_value_t *value) {
    return guarded("UF_ATTR_cycle", true, [&](Host &h) {
        if (index == nullptr || title == nullptr || value == nullptr || *index < 0) return code::kInvalidArgument;
        Target t = target_of(h, object);
        if (!t.valid) return code::kInvalidTag;
        // The instance's own attributes, then those of its part it does not shadow.
        std::vector<const Attribute *> all;
        if (t.own != nullptr)
            for (const auto &a : t.own->all())
                if (type_matches(a, type)) all.push_back(&a);
        if (t.fallback != nullptr)
            for (const auto &a : t.fallback->all())
                if (type_matches(a, type) && (t.own == nullptr || t.own->find(a.title) == nullptr)) all.push_back(&a);
        value->type = 0;
        value->value.string = nullptr;
        title[0] = '\0';
        if (static_cast<size_t>(*index) >= all.size()) {
            *index = 0;
            return 0;
        }
        const Attribute &a = *all[static_cast<size_t>(*index)];
        copy_text(title, UF_ATTR_MAX_TITLE_LEN + 1, a.title);
        fill_value(a, value);
        ++*index;
        return 0;
    });
}

}  // extern "C"
