#include "attr_dialog/rivet_select.h"

#include <cstring>

#include "common/steps.h"
#include "common/tool_run.h"
#include "common/vocabulary.h"
#include "uf_attr.h"

int rivet_selection_init(UF_UI_selection_p_t select, void * /*user_data*/) {
    return init_component_selection(select, rivet_filter, nullptr, nullptr, report_error_logic);
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
