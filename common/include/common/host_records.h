// The host's records filled in by member name: another host's headers may order the
// members otherwise, so the tools never fill them by position.
#pragma once

#include "uf_styler.h"
#include "uf_ui.h"

constexpr UF_UI_mask_t mask_triple(int object_type, int object_subtype, int solid_type) {
    UF_UI_mask_t mask{};
    mask.object_type = object_type;
    mask.object_subtype = object_subtype;
    mask.solid_type = solid_type;
    return mask;
}

constexpr UF_STYLER_callback_info_t styler_callback(const char *object_id, int type, int flag,
                                                    UF_STYLER_cb_t callback_proc) {
    UF_STYLER_callback_info_t info{};
    info.object_id = object_id;
    info.type = type;
    info.flag = flag;
    info.callback_proc = callback_proc;
    return info;
}
