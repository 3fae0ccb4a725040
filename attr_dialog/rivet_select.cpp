#include "attr_dialog/rivet_select.h"

#include <cstring>

#include "common/frame.h"
#include "common/vocabulary.h"
#include "uf_attr.h"

int rivet_selection_init(UF_UI_selection_p_t select, void * /*user_data*/) {
    UF_UI_mask_t mask_triples[] = {{UF_component_type, 0, 0}};
    error_code = UF_UI_set_sel_mask(select, UF_UI_SEL_MASK_CLEAR_AND_ENABLE_SPECIFIC, 1, mask_triples);
    if (error_code != 0) {
        report_error_logic(error_code, __LINE__);
        return 0;
    }
    error_code = UF_UI_set_sel_procs(select, rivet_filter, nullptr, nullptr);
    if (error_code != 0) {
        report_error_logic(error_code, __LINE__);
        return 0;
    }
    return 1;
}

int rivet_filter(tag_t object, int * /*type*/, void * /*user_data*/, UF_UI_selection_p_t /*select*/) {
    int index = 0;
    for (;;) {
        char title[UF_ATTR_MAX_TITLE_LEN + 1] = "";
        UF_ATTR_value_t value;
        value.type = 0;
        value.value.string = nullptr;
        error_code = UF_ATTR_cycle(object, &index, UF_ATTR_string, title, &value);
        if (error_code != 0) {
            report_error_logic(error_code, __LINE__);
            return UF_UI_SEL_REJECT;
        }
        if (value.type == UF_ATTR_string) UF_free(value.value.string);
        // The walk answers index 0 once it is past the last attribute.
        if (index == 0) return UF_UI_SEL_REJECT;
        if (std::strcmp(title, RIVET_MARK_TITLE) == 0) return UF_UI_SEL_ACCEPT;
    }
}
