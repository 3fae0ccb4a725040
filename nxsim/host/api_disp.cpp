// Display: highlight, display suppression and the displayed part's colour table.
#include <cmath>

#include "export.h"
#include "host.h"
#include "uf_disp.h"

using namespace nxsim;

extern "C" {

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
