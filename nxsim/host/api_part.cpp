// Parts: the displayed part, units, names, creation, saving and closing.
#include <cmath>
#include <cstring>

#include "cp1251.h"
#include "export.h"
#include "host.h"
#include "meanings.h"
#include "ops.h"
#include "uf_part.h"

using namespace nxsim;

extern "C" {

NXSIM_EXPORT tag_t UF_PART_ask_display_part(void) {
    return guarded_value<tag_t>("UF_PART_ask_display_part", true, NULL_TAG, [](Host &h) {
        return h.session->display != nullptr ? h.session->display->tag : NULL_TAG;
    });
}

NXSIM_EXPORT int UF_PART_set_display_part(tag_t part) {
    return guarded("UF_PART_set_display_part", true, [&](Host &h) {
        Part *p = h.session->part(part);
        if (p == nullptr) return code::kInvalidTag;
        if (!p->loaded) return code::kPartNotLoaded;
        set_display(h, p);
        return 0;
    });
}

NXSIM_EXPORT int UF_PART_ask_units(tag_t part, int *units) {
    return guarded("UF_PART_ask_units", true, [&](Host &h) {
        Part *p = h.session->part(part);
        if (p == nullptr) return code::kInvalidTag;
        if (units == nullptr) return code::kInvalidArgument;
        int constant = meaning::units_constant(p->units);
        *units = constant != 0 ? constant : p->units;
        return 0;
    });
}

NXSIM_EXPORT int UF_PART_ask_part_name(tag_t part, char part_fspec[MAX_FSPEC_SIZE + 1]) {
    return guarded("UF_PART_ask_part_name", true, [&](Host &h) {
        Part *p = h.session->part(part);
        if (p == nullptr) return code::kInvalidTag;
        if (part_fspec == nullptr) return code::kInvalidArgument;
        copy_text(part_fspec, MAX_FSPEC_SIZE + 1, p->name);
        return 0;
    });
}

NXSIM_EXPORT tag_t UF_PART_ask_part_tag(const char *part_name) {
    return guarded_value<tag_t>("UF_PART_ask_part_tag", true, NULL_TAG, [&](Host &h) {
        if (part_name == nullptr) return NULL_TAG;
        Part *p = h.session->find_part(part_name);
        return (p != nullptr && p->loaded) ? p->tag : NULL_TAG;
    });
}

NXSIM_EXPORT int UF_PART_is_loaded(const char *part_name) {
    return guarded_value<int>("UF_PART_is_loaded", true, UF_PART_NOT_LOADED, [&](Host &h) {
        if (part_name == nullptr) return UF_PART_NOT_LOADED;
        Part *p = h.session->find_part(part_name);
        return (p != nullptr && p->loaded) ? UF_PART_FULLY_LOADED : UF_PART_NOT_LOADED;
    });
}

NXSIM_EXPORT int UF_PART_new(const char *part_name, int units, tag_t *part) {
    return guarded("UF_PART_new", true, [&](Host &h) {
        if (part_name == nullptr || part == nullptr) return code::kInvalidArgument;
        *part = NULL_TAG;
        return create_part(h, part_name, units, part);
    });
}

NXSIM_EXPORT int UF_PART_save(void) {
    return guarded("UF_PART_save", true, [](Host &h) {
        if (h.session->work == nullptr) return code::kNoDisplayedPart;
        h.session->touch(h.session->work);
        h.session->work->saved = true;
        h.note("save " + quote(h.session->work->name));
        return 0;
    });
}

NXSIM_EXPORT int UF_PART_close(tag_t part, int scope, int mode) {
    return guarded("UF_PART_close", true, [&](Host &h) {
        Part *p = h.session->part(part);
        if (p == nullptr) return code::kInvalidTag;
        if (!p->loaded) return code::kPartNotLoaded;
        (void)scope;
        (void)mode;
        h.note("close " + quote(p->name));
        Session &s = *h.session;
        if (s.display == p) s.display = nullptr;
        if (s.work == p) s.work = s.display;
        // A part never saved does not outlive its closing.
        if (p->saved) {
            s.touch(p);
            p->loaded = false;
        } else {
            s.discard_part(p);
        }
        return 0;
    });
}

NXSIM_EXPORT void UF_PART_free_load_status(UF_PART_load_status_t *status) {
    if (status == nullptr) return;
    for (int i = 0; i < status->n_parts; ++i) std::free(status->file_names[i]);
    std::free(status->file_names);
    std::free(status->statuses);
    status->n_parts = 0;
    status->file_names = nullptr;
    status->statuses = nullptr;
}

}  // extern "C"
