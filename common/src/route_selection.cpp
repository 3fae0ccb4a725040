#include "common/route_selection.h"

#include "common/frame.h"
#include "common/vocabulary.h"
#include "uf_attr.h"

// A failing look-up is reported and the object is refused.
int path_filter(tag_t object, int /*type*/[3], void * /*user_data*/, UF_UI_selection_p_t /*select*/) {
    int title_type = 0;
    error_code = UF_ATTR_find_attribute(object, UF_ATTR_string, PATH_TITLE, &title_type);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return UF_UI_SEL_REJECT;
    }
    return title_type == UF_ATTR_string ? UF_UI_SEL_ACCEPT : UF_UI_SEL_REJECT;
}

int path_selection_init(UF_UI_selection_p_t select, void *user_data) {
    UF_UI_mask_t mask_triples[] = {{UF_component_type, 0, 0}};
    error_code = UF_UI_set_sel_mask(select, UF_UI_SEL_MASK_CLEAR_AND_ENABLE_SPECIFIC, 1, mask_triples);
    if (error_code != 0) return 0;
    error_code = UF_UI_set_sel_procs(select, path_filter, nullptr, user_data);
    return error_code == 0 ? 1 : 0;
}
