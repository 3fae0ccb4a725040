// Marks a group of picked components as rivets: string attribute RIVET = "work".
#include <cstdio>

#include "common/frame.h"
#include "common/vocabulary.h"
#include "uf.h"
#include "uf_attr.h"
#include "uf_disp.h"
#include "uf_ui.h"

namespace {

int select_init(UF_UI_selection_p_t select, void * /*user_data*/) {
    UF_UI_mask_t mask_triples[] = {{UF_component_type, 0, 0}};
    return UF_UI_set_sel_mask(select, UF_UI_SEL_MASK_CLEAR_AND_ENABLE_SPECIFIC, 1, mask_triples) == 0 ? 1 : 0;
}

int mark_rivets() {
    int response = 0;
    int count = 0;
    tag_t *objects = nullptr;

    for (;;) {
        error_code = UF_UI_select_with_class_dialog("выбери группу компонент - заклепок", "компоненты - заклепки",
                                                    UF_UI_SEL_SCOPE_ANY_IN_ASSEMBLY, select_init, nullptr,
                                                    &response, &count, &objects);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            UF_free(objects);
            return error_code;
        }
        if (response == UF_UI_CANCEL) {
            UF_free(objects);
            return 0;
        }
        if (response == UF_UI_BACK) {
            UF_free(objects);
            objects = nullptr;
            continue;
        }
        if (count <= 0) {
            UF_free(objects);
            objects = nullptr;
            uc1601("будьте любезны выбрать группу компонент - заклепок", 1);
            continue;
        }
        break;
    }

    for (int i = 0; i < count; ++i) {
        error_code = UF_DISP_set_highlight(objects[i], 0);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            UF_free(objects);
            return error_code;
        }
    }

    UF_ATTR_value_t value;
    value.type = UF_ATTR_string;
    value.value.string = const_cast<char *>(RIVET_MARK_VALUE);  // the host only reads it
    for (int i = 0; i < count; ++i) {
        error_code = UF_ATTR_assign(objects[i], RIVET_MARK_TITLE, value);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            UF_free(objects);
            return error_code;
        }
    }

    UF_free(objects);
    return error_code;
}

const char *const log_paths[] = {"D:\\prterr.txt"};

const plain_frame_variant variant = {
    "\n <rivet_mark>\tHAS STARTED\t\tline=%d\n",
    "\n <rivet_mark>\tHAS FINISHED\tline=%d\n",
    log_paths,
    1,
    true,   // displayed part required
    false,  // no units line
    false,  // return code always 0
    nullptr,
};

}  // namespace

UFUSR_EXPORT void ufusr(char * /*param*/, int *retcod, int /*param_len*/) { run_plain_frame(variant, mark_rivets, retcod); }

UFUSR_EXPORT int ufusr_ask_unload(void) { return UF_UNLOAD_IMMEDIATELY; }
