#include "common/route_part.h"

#include <cstdio>

#include "common/tool_run.h"
#include "common/vocabulary.h"
#include "uf_assem.h"
#include "uf_attr.h"
#include "uf_disp.h"
#include "uf_part.h"
#include "uf_ugmgr.h"
#include "uf_ui.h"

namespace {

constexpr int ROUTE_LAYER = 0;  // the component's own layers

const char part_revision[] = "A";
const char part_file_type[] = "master";
const char part_file_name[] = "";

}  // namespace

int new_route_part(const char *part_number, char (&encoded_name)[ENCODED_NAME_SIZE], tag_t &part, bool &taken,
                   error_reporter report) {
    taken = false;
    error_code =
        UF_UGMGR_encode_part_filename(part_number, part_revision, part_file_type, part_file_name, encoded_name);
    if (error_code != 0) {
        if (report != nullptr) report(error_code, __LINE__);
        return error_code;
    }
    error_code = UF_PART_new(encoded_name, UF_PART_METRIC, &part);
    if (error_code == CODE_PART_EXISTS) {
        fprintf(error_log, "\n\t файл <%s> уже существует\n", part_number);
        taken = true;
        return error_code;
    }
    if (error_code == CODE_RESTART_TEAMCENTER) {
        uc1601("удалял маршрут-компоненты? Перегрузи сессию TeamCenter! ", 1);
        fprintf(error_log, "\n\tперегрузи сессию TeamCenter\n");
        fprintf(error_log, "\n\tnew_assem_name=%s\terrorCode==920007\tline=%d\n", part_number, __LINE__);
        return error_code;
    }
    if (error_code != 0 && report != nullptr) report(error_code, __LINE__);
    return error_code;
}

step add_route_part(const char *encoded_name, const char *part_number, tag_t &instance, error_reporter report) {
    // The part is named as it was created: the bare number names no part under TeamCenter.
    double origin[3] = {0.0, 0.0, 0.0};
    double csys_matrix[6] = {1.0, 0.0, 0.0, 0.0, 1.0, 0.0};
    tag_t added = NULL_TAG;
    UF_PART_load_status_t load_status{};
    error_code = UF_ASSEM_add_part_to_assembly(display_part, encoded_name, "", part_number, origin, csys_matrix,
                                               ROUTE_LAYER, &added, &load_status);
    UF_PART_free_load_status(&load_status);
    if (error_code != 0) {
        if (report != nullptr) report(error_code, __LINE__);
        return step::failed;
    }
    instance = added;

    tag_t child_of_inst = UF_ASSEM_ask_child_of_instance(added);
    if (child_of_inst == NULL_TAG) {
        uc1601("child_of_inst==NULL_TAG", 1);
        fprintf(error_log, "\n\tchild_of_inst==NULL_TAG\tline=%d\n", __LINE__);
        error_code = 0;
        return step::ended;
    }

    UF_ATTR_value_t value;
    value.type = UF_ATTR_string;
    value.value.string = const_cast<char *>(PATH_VALUE);  // the host only reads it
    error_code = UF_ATTR_assign(child_of_inst, PATH_TITLE, value);
    if (error_code != 0) {
        if (report != nullptr) report(error_code, __LINE__);
        return step::failed;
    }

    error_code = UF_PART_save();
    if (error_code != 0) {
        if (report != nullptr) report(error_code, __LINE__);
        return step::failed;
    }
    return step::go_on;
}

int display_assembly_again(error_reporter report, int &part_failure) {
    error_code = UF_DISP_set_display(UF_DISP_UNSUPPRESS_DISPLAY);
    int display_failure = error_code;
    if (display_failure != 0 && report != nullptr) report(display_failure, __LINE__);
    error_code = UF_PART_set_display_part(display_part);
    part_failure = error_code;
    if (part_failure != 0) {
        if (report != nullptr) report(part_failure, __LINE__);
        uc1601("Part is not fully loaded", 1);
        fprintf(error_log, "\n\tPart is not fully loaded\tline=%d\n", __LINE__);
    }
    error_code = display_failure;
    return display_failure;
}
