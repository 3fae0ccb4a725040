// Parts and display: the displayed part, units, names, creation, saving, closing,
// highlight, display suppression and the displayed part's colour table.
#include <cmath>
#include <cstring>

#include "cp1251.h"
#include "export.h"
#include "host.h"
#include "ops.h"
#include "uf_disp.h"
#include "uf_part.h"

namespace nxsim {

void copy_text(char *out, size_t capacity, const std::string &text) {
    size_t n = std::min(text.size(), capacity - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

void set_display(Host &h, Part *part) {
    h.session->display = part;
    h.session->work = part;
    h.note("display part " + quote(part != nullptr ? part->name : ""));
}

int create_part(Host &h, const std::string &name, int units, tag_t *part) {
    if (name.empty() || name.size() > MAX_FSPEC_SIZE) return code::kNameTooLong;
    if (units != UF_PART_METRIC && units != UF_PART_ENGLISH) return code::kInvalidArgument;
    if (h.session->find_part(name) != nullptr) return code::kPartExists;
    Part *p = h.session->add_part(name);
    p->units = units;
    p->saved = false;
    set_display(h, p);
    *part = p->tag;
    return 0;
}

int open_part(Host &h, const std::string &name, tag_t *part) {
    Part *p = h.session->find_part(name);
    if (p == nullptr) return code::kPartNotFound;
    p->loaded = true;
    set_display(h, p);
    *part = p->tag;
    return 0;
}

}  // namespace nxsim

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
        *units = p->units;
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
        if (p->saved)
            p->loaded = false;
        else
            s.discard_part(p);
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

NXSIM_EXPORT int UF_DISP_set_highlight(tag_t object, int flag) {
    return guarded("UF_DISP_set_highlight", true, [&](Host &h) {
        Kind k = h.session->kind(object);
        if (k != Kind::Occurrence && k != Kind::Body) return code::kInvalidTag;
        if (flag != 0)
            h.highlighted.insert(object);
        else
            h.highlighted.erase(object);
        h.note(std::string("highlight ") + (flag != 0 ? "on " : "off ") + h.describe(object));
        return 0;
    });
}

NXSIM_EXPORT int UF_DISP_set_display(int flag) {
    return guarded("UF_DISP_set_display", true, [&](Host &h) {
        if (flag != UF_DISP_SUPPRESS_DISPLAY && flag != UF_DISP_UNSUPPRESS_DISPLAY) return code::kInvalidArgument;
        h.display_suppressed = flag == UF_DISP_SUPPRESS_DISPLAY;
        h.note(h.display_suppressed ? "display off" : "display on");
        return 0;
    });
}

NXSIM_EXPORT int UF_DISP_ask_color_count(int *count) {
    return guarded("UF_DISP_ask_color_count", true, [&](Host &h) {
        if (count == nullptr) return code::kInvalidArgument;
        if (h.session->display == nullptr) return code::kNoDisplayedPart;
        *count = static_cast<int>(h.session->display->colors.size());
        return 0;
    });
}

NXSIM_EXPORT int UF_DISP_ask_color(int color_num, int color_model, char **color_name, double color_values[3]) {
    return guarded("UF_DISP_ask_color", true, [&](Host &h) {
        if (color_name == nullptr || color_values == nullptr || color_model != UF_DISP_rgb_model)
            return code::kInvalidArgument;
        *color_name = nullptr;
        if (h.session->display == nullptr) return code::kNoDisplayedPart;
        const auto &table = h.session->display->colors;
        if (color_num < 0 || color_num >= static_cast<int>(table.size())) return code::kInvalidColor;
        for (int i = 0; i < 3; ++i) color_values[i] = table[static_cast<size_t>(color_num)][i];
        *color_name = host_strdup("COLOR " + std::to_string(color_num));
        return 0;
    });
}

NXSIM_EXPORT int UF_DISP_ask_closest_color(int color_model, double color_values[3], int method, int *color_num) {
    return guarded("UF_DISP_ask_closest_color", true, [&](Host &h) {
        if (color_values == nullptr || color_num == nullptr || color_model != UF_DISP_rgb_model ||
            method != UF_DISP_CCM_EUCLIDEAN_DISTANCE)
            return code::kInvalidArgument;
        if (h.session->display == nullptr) return code::kNoDisplayedPart;
        const auto &table = h.session->display->colors;
        Vec3 want{color_values[0], color_values[1], color_values[2]};
        int best = 0;
        double best_d = INFINITY;
        for (size_t i = 0; i < table.size(); ++i) {
            double d = norm(table[i] - want);
            if (d < best_d) {
                best_d = d;
                best = static_cast<int>(i);
            }
        }
        *color_num = best;
        return 0;
    });
}

}  // extern "C"
