#include "common/route_selection.h"

#include "common/steps.h"
#include "common/tool_run.h"
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

// A failing set-up is answered by the dialog itself.
int path_selection_init(UF_UI_selection_p_t select, void *user_data) {
    return init_component_selection(select, path_filter, nullptr, user_data, nullptr);
}
