#include "common/component.h"

#include "common/tool_run.h"
#include "common/vocabulary.h"
#include "uf_assem.h"
#include "uf_attr.h"

int ask_component_data(tag_t component, component_data &data) {
    error_code = UF_ASSEM_ask_component_data(component, data.part_name, data.refset_name, data.instance_name,
                                             data.origin, data.csys_matrix, data.transform);
    return error_code;
}

int decode_part_number(const char *part_name, char (&part_number)[UF_UGMGR_PARTNO_SIZE + 1]) {
    char part_revision[UF_UGMGR_PARTREV_SIZE + 1];
    char part_file_type[UF_UGMGR_FTYPE_SIZE + 1];
    char part_file_name[UF_UGMGR_FNAME_SIZE + 1];
    error_code = UF_UGMGR_decode_part_filename(part_name, part_number, part_revision, part_file_type, part_file_name);
    if (error_code != 0) report_error(error_code, __LINE__);
    return error_code;
}

int ask_component_part_number(tag_t component, char (&part_number)[UF_UGMGR_PARTNO_SIZE + 1]) {
    component_data data;
    if (ask_component_data(component, data) != 0) {
        report_error(error_code, __LINE__);
        return error_code;
    }
    return decode_part_number(data.part_name, part_number);
}

int marked_rivet_filter(tag_t object, int /*type*/[3], void * /*user_data*/, UF_UI_selection_p_t /*select*/) {
    int title_type = 0;
    error_code = UF_ATTR_find_attribute(object, UF_ATTR_string, RIVET_MARK_TITLE, &title_type);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return UF_UI_SEL_REJECT;
    }
    return title_type == UF_ATTR_string ? UF_UI_SEL_ACCEPT : UF_UI_SEL_REJECT;
}

int unmarked_filter(tag_t object, int /*type*/[3], void * /*user_data*/, UF_UI_selection_p_t /*select*/) {
    int title_type = 0;
    error_code = UF_ATTR_find_attribute(object, UF_ATTR_string, RIVET_MARK_TITLE, &title_type);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return UF_UI_SEL_ACCEPT;
    }
    return title_type == UF_ATTR_string ? UF_UI_SEL_REJECT : UF_UI_SEL_ACCEPT;
}
