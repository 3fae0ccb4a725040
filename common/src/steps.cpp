#include "common/steps.h"

#include "common/host_records.h"

#include "common/tool_run.h"
#include "common/vocabulary.h"
#include "uf_assem.h"
#include "uf_attr.h"
#include "uf_csys.h"
#include "uf_disp.h"
#include "uf_vec.h"

void host_tags::release() {
    UF_free(items);
    items = nullptr;
    count = 0;
}

host_list::~host_list() {
    if (list == nullptr) return;
    int rc = UF_MODL_delete_list(&list);
    if (rc != 0 && report != nullptr) report(rc, __LINE__);
    list = nullptr;
}

int host_list::create() {
    error_code = UF_MODL_create_list(&list);
    if (error_code != 0) {
        if (report != nullptr) report(error_code, __LINE__);
        list = nullptr;
    }
    return error_code;
}

int host_list::remove() {
    if (list == nullptr) return 0;
    error_code = UF_MODL_delete_list(&list);
    list = nullptr;
    if (error_code != 0 && report != nullptr) report(error_code, __LINE__);
    return error_code;
}

int ask_occurrence_children(tag_t occurrence, host_tags &children, error_reporter report) {
    children.release();
    int count = UF_ASSEM_ask_part_occ_children(occurrence, &children.items);
    if (count < 0) {
        error_code = -count;
        children.release();
        if (report != nullptr) report(error_code, __LINE__);
        return error_code;
    }
    children.count = count;
    error_code = 0;
    return 0;
}

int next_rivet_member(tag_t component, tag_t &member, error_reporter report) {
    for (;;) {
        error_code = UF_ASSEM_cycle_objs_in_comp(component, &member);
        if (error_code != 0) {
            if (report != nullptr) report(error_code, __LINE__);
            return error_code;
        }
        if (member == NULL_TAG) return 0;
        int title_type = 0;
        error_code = UF_ATTR_find_attribute(member, UF_ATTR_string, RIVET_MARK_TITLE, &title_type);
        if (error_code != 0) {
            if (report != nullptr) report(error_code, __LINE__);
            return error_code;
        }
        if (title_type == UF_ATTR_string) return 0;
    }
}

bool set_component_mask(UF_UI_selection_p_t select, error_reporter report) {
    UF_UI_mask_t mask_triples[] = {mask_triple(UF_component_type, 0, 0)};
    error_code = UF_UI_set_sel_mask(select, UF_UI_SEL_MASK_CLEAR_AND_ENABLE_SPECIFIC, 1, mask_triples);
    if (error_code != 0 && report != nullptr) report(error_code, __LINE__);
    return error_code == 0;
}

int component_mask_init(UF_UI_selection_p_t select, void * /*user_data*/) {
    return set_component_mask(select, nullptr) ? 1 : 0;
}

int init_component_selection(UF_UI_selection_p_t select, UF_UI_sel_filter_fn_t filter, UF_UI_sel_cb_fn_t callback,
                             void *user_data, error_reporter report) {
    if (!set_component_mask(select, report)) return 0;
    error_code = UF_UI_set_sel_procs(select, filter, callback, user_data);
    if (error_code != 0) {
        if (report != nullptr) report(error_code, __LINE__);
        return 0;
    }
    return 1;
}

namespace {

// Frees a refused selection, un-highlighted first where the dialog asks for it.
// Answers false after a failing un-highlight (reported).
bool refuse(const component_selection &dialog, host_tags &objects) {
    bool unhighlighted = !dialog.unhighlight_refused || unhighlight(objects.items, objects.count, dialog.report) == 0;
    objects.release();
    return unhighlighted;
}

}  // namespace

step select_components(const component_selection &dialog, host_tags &objects) {
    for (;;) {
        int response = 0;
        objects.release();
        error_code = UF_UI_select_with_class_dialog(dialog.cue, dialog.title, UF_UI_SEL_SCOPE_ANY_IN_ASSEMBLY,
                                                    dialog.init, nullptr, &response, &objects.count, &objects.items);
        if (error_code != 0) {
            if (dialog.report != nullptr) dialog.report(error_code, __LINE__);
            objects.release();
            return step::failed;
        }
        if (response == UF_UI_CANCEL) return refuse(dialog, objects) ? step::ended : step::failed;
        if (response == UF_UI_BACK) return refuse(dialog, objects) ? step::back : step::failed;
        if (objects.count > 0) return step::go_on;
        objects.release();
        uc1601(dialog.nothing_selected, 1);
    }
}

step select_component(const component_selection &dialog, void *user_data, tag_t &picked) {
    for (;;) {
        int response = 0;
        tag_t object = NULL_TAG;
        double cursor[3];
        tag_t view = NULL_TAG;
        error_code = UF_UI_select_with_single_dialog(dialog.cue, dialog.title, UF_UI_SEL_SCOPE_ANY_IN_ASSEMBLY,
                                                     dialog.init, user_data, &response, &object, cursor, &view);
        if (error_code != 0) {
            if (dialog.report != nullptr) dialog.report(error_code, __LINE__);
            return step::failed;
        }
        if (response == UF_UI_CANCEL) return step::ended;
        if (response == UF_UI_BACK) return step::back;
        if (object == NULL_TAG) {
            uc1601(dialog.nothing_selected, 1);
            continue;
        }
        error_code = UF_DISP_set_highlight(object, 0);
        if (error_code != 0) {
            if (dialog.report != nullptr) dialog.report(error_code, __LINE__);
            return step::failed;
        }
        picked = object;
        return step::go_on;
    }
}

int unhighlight(const tag_t *objects, int count, error_reporter report) {
    for (int i = 0; i < count; ++i) {
        error_code = UF_DISP_set_highlight(objects[i], 0);
        if (error_code != 0) {
            if (report != nullptr) report(error_code, __LINE__);
            return error_code;
        }
    }
    return 0;
}

bool take_back_instance(tag_t instance, int line, error_reporter report) {
    if (report != nullptr) report(error_code, line);
    return remove_instance_again(instance, report);
}

bool remove_instance_again(tag_t instance, error_reporter report) {
    int failure = error_code;
    error_code = UF_ASSEM_remove_instance(instance);
    bool gone = error_code == 0;
    if (!gone && report != nullptr) report(error_code, __LINE__);
    error_code = failure;
    return gone;
}

int map_point(int from, const double point[3], int to, double mapped[3]) {
    // The host only reads the point; it may be the very array that takes the image.
    error_code = UF_CSYS_map_point(from, const_cast<double *>(point), to, mapped);
    return error_code;
}

int map_axis(int from, const double from_origin[3], const double axis[3], int to, const double mapped_origin[3],
             double mapped[3]) {
    double tip[3] = {from_origin[0] + axis[0], from_origin[1] + axis[1], from_origin[2] + axis[2]};
    if (map_point(from, tip, to, tip) != 0) return error_code;
    UF_VEC3_sub(tip, mapped_origin, mapped);
    return 0;
}

int map_direction(int from, const double axis[3], int to, double mapped[3]) {
    const double zero[3] = {0.0, 0.0, 0.0};
    double tip[3];
    double mapped_zero[3];
    if (map_point(from, axis, to, tip) != 0) return error_code;
    if (map_point(from, zero, to, mapped_zero) != 0) return error_code;
    UF_VEC3_sub(tip, mapped_zero, mapped);
    return 0;
}
