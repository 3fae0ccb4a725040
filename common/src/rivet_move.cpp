#include "common/rivet_move.h"

#include <cstdio>
#include <cstring>

#include "common/component.h"
#include "common/steps.h"
#include "common/tool_run.h"
#include "common/vocabulary.h"
#include "uf_assem.h"
#include "uf_attr.h"
#include "uf_csys.h"
#include "uf_obj.h"
#include "uf_part.h"

namespace {

constexpr int MESSAGE_SIZE = 133;

// Reports a failure after the rivet's new instance exists and takes that instance out
// again, so the rivet is not doubled; answers the failure's code.
int drop_new_instance(tag_t instance, const char *instance_name, int line) {
    if (!take_back_instance(instance, line, report_error)) {
        // Nothing more can be done here: the engineer has to remove one of the two by hand.
        char message[MESSAGE_SIZE];
        snprintf(message, sizeof message, "заклепка %.30s осталась и на старом месте, и в маршруте", instance_name);
        uc1601(message, 1);
        fprintf(error_log, "\n\tзаклепка <%s> осталась и на старом месте, и в маршруте\tline=%d\n", instance_name,
                __LINE__);
    }
    return error_code;
}

bool same_value(const UF_ATTR_value_t &a, const UF_ATTR_value_t &b) {
    if (a.type != b.type) return false;
    if (a.type == UF_ATTR_string)
        return a.value.string != nullptr && b.value.string != nullptr &&
               std::strcmp(a.value.string, b.value.string) == 0;
    if (a.type == UF_ATTR_integer) return a.value.integer == b.value.integer;
    return a.type == UF_ATTR_real && a.value.real == b.value.real;
}

void free_value(UF_ATTR_value_t &value) {
    if (value.type == UF_ATTR_string) UF_free(value.value.string);
    value.value.string = nullptr;
}

// Every attribute of the old occurrence onto the new one. What the new one reads
// already (the mark just written, what the shared part carries) is left as it is, so
// a part's attribute does not become the instance's. Answers error_code, not reported.
int copy_attributes(tag_t from, tag_t to) {
    int index = 0;
    for (;;) {
        char title[UF_ATTR_MAX_TITLE_LEN + 1] = "";
        UF_ATTR_value_t value{};
        error_code = UF_ATTR_cycle(from, &index, UF_ATTR_any, title, &value);
        if (error_code != 0) return error_code;
        if (index == 0) return 0;  // no attribute left
        UF_ATTR_value_t there{};
        error_code = UF_ATTR_read_value(to, title, UF_ATTR_any, &there);
        if (error_code == 0) {
            bool already = same_value(value, there);
            free_value(there);
            if (!already) error_code = UF_ATTR_assign(to, title, value);
        }
        free_value(value);
        if (error_code != 0) return error_code;
    }
}

}  // namespace

int ask_rivet_look(tag_t rivet, rivet_look &look) {
    error_code = UF_OBJ_ask_name(rivet, look.name);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return error_code;
    }
    error_code = UF_OBJ_ask_name_origin(rivet, look.name_origin);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return error_code;
    }
    UF_OBJ_disp_props_t props;
    error_code = UF_OBJ_ask_display_properties(rivet, &props);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return error_code;
    }
    look.color = props.color;
    return 0;
}

int move_rivet(tag_t route, tag_t route_part, tag_t rivet, rivet_look &look, rivet_attributes attributes,
               tag_t *moved) {
    component_data data;
    if (ask_component_data(rivet, data) != 0) {
        report_error(error_code, __LINE__);
        return error_code;
    }
    tag_t old_instance = UF_ASSEM_ask_inst_of_part_occ(rivet);

    // From the displayed part's absolute coordinates into the route part's: the X and Y
    // axes turn with a turned route as the origin moves with it.
    double origin[3];
    if (map_point(UF_CSYS_ROOT_COORDS, data.origin, UF_CSYS_WORK_COORDS, origin) != 0) {
        report_error(error_code, __LINE__);
        return error_code;
    }
    double axes[6];
    if (map_axis(UF_CSYS_ROOT_COORDS, data.origin, &data.csys_matrix[0], UF_CSYS_WORK_COORDS, origin, &axes[0]) != 0 ||
        map_axis(UF_CSYS_ROOT_COORDS, data.origin, &data.csys_matrix[3], UF_CSYS_WORK_COORDS, origin, &axes[3]) != 0) {
        report_error(error_code, __LINE__);
        return error_code;
    }

    tag_t new_instance = NULL_TAG;
    UF_PART_load_status_t load_status{};
    error_code = UF_ASSEM_add_part_to_assembly(route_part, data.part_name, data.refset_name, data.instance_name, origin,
                                               axes, UF_ASSEM_WORK_LAYER, &new_instance, &load_status);
    UF_PART_free_load_status(&load_status);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return error_code;
    }

    tag_t new_rivet = UF_ASSEM_ask_part_occ_of_inst(route, new_instance);
    UF_ATTR_value_t value;
    value.type = UF_ATTR_string;
    value.value.string = const_cast<char *>(RIVET_MARK_VALUE);  // the host only reads it
    error_code = UF_ATTR_assign(new_rivet, RIVET_MARK_TITLE, value);
    if (error_code != 0) return drop_new_instance(new_instance, data.instance_name, __LINE__);
    error_code = UF_OBJ_set_color(new_rivet, look.color);
    if (error_code != 0) return drop_new_instance(new_instance, data.instance_name, __LINE__);
    error_code = UF_OBJ_set_name(new_rivet, look.name);
    if (error_code != 0) return drop_new_instance(new_instance, data.instance_name, __LINE__);
    if (map_point(UF_CSYS_ROOT_COORDS, look.name_origin, UF_CSYS_WORK_COORDS, look.name_origin) != 0)
        return drop_new_instance(new_instance, data.instance_name, __LINE__);
    error_code = UF_OBJ_set_name_origin(new_rivet, look.name_origin);
    if (error_code != 0) return drop_new_instance(new_instance, data.instance_name, __LINE__);
    if (attributes == rivet_attributes::all && copy_attributes(rivet, new_rivet) != 0)
        return drop_new_instance(new_instance, data.instance_name, __LINE__);

    error_code = UF_ASSEM_remove_instance(old_instance);
    if (error_code != 0) return drop_new_instance(new_instance, data.instance_name, __LINE__);
    if (moved != nullptr) *moved = new_rivet;
    return 0;
}
