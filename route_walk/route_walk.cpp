// Orders the rivets of one route by nearest neighbour from a rivet the engineer
// picks, shows the order rivet by rivet and stamps each rivet with its point_id.
#include <cstdio>

#include "common/component.h"
#include "common/frame.h"
#include "common/vocabulary.h"
#include "uf.h"
#include "uf_assem.h"
#include "uf_attr.h"
#include "uf_disp.h"
#include "uf_modl.h"
#include "uf_ui.h"
#include "uf_ugmgr.h"
#include "uf_vec.h"

namespace {

constexpr int MAX_ROUTE_RIVETS = 99;
constexpr int POINT_ID_BUFFER_SIZE = 30;
constexpr int POINT_ID_LENGTH = 12;  // the point field of the machine file
constexpr double FAR_AWAY = 1.0e15;

static_assert(POINT_ID_LENGTH < POINT_ID_BUFFER_SIZE, "the cut must lie inside the buffer");

// The route's children: the first-rivet filter consults them while its dialog is open.
tag_t *child_array = nullptr;
int child_count = 0;

enum class outcome { go_on, ended, failed };

void release_children() {
    UF_free(child_array);
    child_array = nullptr;
    child_count = 0;
}

// Deletes a list on the way out of a failed walk; the failure being reported is
// the one that ended the walk, so error_code is left alone.
void drop_list(uf_list_p_t &list) {
    if (list == nullptr) return;
    int rc = UF_MODL_delete_list(&list);
    if (rc != 0) report_error(rc, __LINE__);
    list = nullptr;
}


int first_rivet_filter(tag_t object, int /*type*/[3], void * /*user_data*/, UF_UI_selection_p_t /*select*/) {
    for (int i = 0; i < child_count; ++i)
        if (child_array[i] == object) return UF_UI_SEL_ACCEPT;
    return UF_UI_SEL_REJECT;
}

int init_with_filter(UF_UI_selection_p_t select, void *user_data, UF_UI_sel_filter_fn_t filter) {
    UF_UI_mask_t mask_triples[] = {{UF_component_type, 0, 0}};
    error_code = UF_UI_set_sel_mask(select, UF_UI_SEL_MASK_CLEAR_AND_ENABLE_SPECIFIC, 1, mask_triples);
    if (error_code != 0) return 0;
    error_code = UF_UI_set_sel_procs(select, filter, nullptr, user_data);
    return error_code == 0 ? 1 : 0;
}

int route_init(UF_UI_selection_p_t select, void *user_data) { return init_with_filter(select, user_data, unmarked_filter); }

int first_rivet_init(UF_UI_selection_p_t select, void *user_data) {
    return init_with_filter(select, user_data, first_rivet_filter);
}

int ask_origin(tag_t component, double origin[3]) {
    char part_name[MAX_FSPEC_SIZE + 1];
    char refset_name[MAX_ENTITY_NAME_SIZE + 1];
    char instance_name[MAX_ENTITY_NAME_SIZE + 1];
    double csys_matrix[9];
    double transform[4][4];
    return UF_ASSEM_ask_component_data(component, part_name, refset_name, instance_name, origin, csys_matrix,
                                       transform);
}

// Steps 1 to 7: a route whose children are 1 to 99 rivets. On go_on the children
// array is held.
outcome choose_route(tag_t &route) {
    for (;;) {
        int response = 0;
        tag_t object = NULL_TAG;
        double cursor[3];
        tag_t view = NULL_TAG;
        error_code = UF_UI_select_with_single_dialog("Выбери маршрут-компонент", "Выбери маршрут-компонент",
                                                     UF_UI_SEL_SCOPE_ANY_IN_ASSEMBLY, route_init, nullptr, &response,
                                                     &object, cursor, &view);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return outcome::failed;
        }
        if (response == UF_UI_CANCEL) return outcome::ended;
        if (response == UF_UI_BACK) continue;
        if (object == NULL_TAG) {
            uc1601("будьте любезны выбрать маршрут-компонент", 1);
            continue;
        }
        error_code = UF_DISP_set_highlight(object, 0);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return outcome::failed;
        }

        child_count = UF_ASSEM_ask_part_occ_children(object, &child_array);
        if (child_count <= 0) {
            release_children();
            continue;
        }
        if (child_count > MAX_ROUTE_RIVETS) {
            uc1601("в агрегате больше 99 компонент", 1);
            release_children();
            continue;
        }
        bool all_rivets = true;
        for (int i = 0; i < child_count && all_rivets; ++i) {
            int title_type = 0;
            error_code = UF_ATTR_find_attribute(child_array[i], UF_ATTR_string, RIVET_MARK_TITLE, &title_type);
            if (error_code != 0) {
                report_error(error_code, __LINE__);
                release_children();
                return outcome::failed;
            }
            all_rivets = title_type == UF_ATTR_string;
        }
        if (!all_rivets) {
            uc1601("в агрегате присутствует компонент НЕ - заклепка", 1);
            release_children();
            continue;
        }
        route = object;
        return outcome::go_on;
    }
}

// Steps 8 to 11. Back shows this dialog again: there is no way back to the route.
outcome choose_first_rivet(tag_t &first) {
    for (;;) {
        int response = 0;
        tag_t object = NULL_TAG;
        double cursor[3];
        tag_t view = NULL_TAG;
        error_code = UF_UI_select_with_single_dialog("выбери первую заклепку", "первая заклепка",
                                                     UF_UI_SEL_SCOPE_ANY_IN_ASSEMBLY, first_rivet_init, nullptr,
                                                     &response, &object, cursor, &view);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            release_children();
            return outcome::failed;
        }
        if (response == UF_UI_CANCEL) {
            release_children();
            return outcome::ended;
        }
        if (response == UF_UI_BACK) continue;
        if (object == NULL_TAG) {
            uc1601("будьте любезны выбрать первую заклепку", 1);
            continue;
        }
        error_code = UF_DISP_set_highlight(object, 0);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            release_children();
            return outcome::failed;
        }
        first = object;
        return outcome::go_on;
    }
}

// Steps 12 to 15: nearest neighbour from the first rivet. A candidate must be
// strictly nearer to win, so a tie keeps the one earlier in the children's order.
outcome build_walk(tag_t first, uf_list_p_t &new_rivet_list) {
    uf_list_p_t old_rivet_list = nullptr;
    error_code = UF_MODL_create_list(&old_rivet_list);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        release_children();
        return outcome::failed;
    }
    for (int i = 0; i < child_count; ++i) {
        error_code = UF_MODL_put_list_item(old_rivet_list, child_array[i]);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            release_children();
            drop_list(old_rivet_list);
            return outcome::failed;
        }
    }
    error_code = UF_MODL_delete_list_item(&old_rivet_list, first);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        release_children();
        drop_list(old_rivet_list);
        return outcome::failed;
    }
    release_children();

    error_code = UF_MODL_create_list(&new_rivet_list);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        drop_list(old_rivet_list);
        return outcome::failed;
    }
    error_code = UF_MODL_put_list_item(new_rivet_list, first);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        drop_list(old_rivet_list);
        return outcome::failed;
    }

    tag_t current = first;
    int old_count = 0;
    error_code = UF_MODL_ask_list_count(old_rivet_list, &old_count);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        drop_list(old_rivet_list);
        return outcome::failed;
    }
    while (old_count > 0) {
        double source_origin[3];
        error_code = ask_origin(current, source_origin);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            drop_list(old_rivet_list);
            return outcome::failed;
        }
        double smallest = FAR_AWAY;
        tag_t nearest_rivet = NULL_TAG;
        for (int k = 0; k < old_count; ++k) {
            tag_t dest_rivet = NULL_TAG;
            error_code = UF_MODL_ask_list_item(old_rivet_list, k, &dest_rivet);
            if (error_code != 0) {
                report_error(error_code, __LINE__);
                drop_list(old_rivet_list);
                return outcome::failed;
            }
            double dest_origin[3];
            error_code = ask_origin(dest_rivet, dest_origin);
            if (error_code != 0) {
                report_error(error_code, __LINE__);
                drop_list(old_rivet_list);
                return outcome::failed;
            }
            double work_dist = 0.0;
            UF_VEC3_distance(source_origin, dest_origin, &work_dist);
            // The first candidate is taken whatever its distance, so no step ever places
            // nothing; its distance is then the one to beat, so the nearest still wins.
            if (nearest_rivet == NULL_TAG || work_dist < smallest) {
                smallest = work_dist;
                nearest_rivet = dest_rivet;
            }
        }
        error_code = UF_MODL_put_list_item(new_rivet_list, nearest_rivet);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            drop_list(old_rivet_list);
            return outcome::failed;
        }
        error_code = UF_MODL_delete_list_item(&old_rivet_list, nearest_rivet);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            drop_list(old_rivet_list);
            return outcome::failed;
        }
        error_code = UF_MODL_ask_list_count(old_rivet_list, &old_count);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            drop_list(old_rivet_list);
            return outcome::failed;
        }
        current = nearest_rivet;
    }

    error_code = UF_MODL_delete_list(&old_rivet_list);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return outcome::failed;
    }
    return outcome::go_on;
}

// Steps 16 to 18: the highlights accumulate, one rivet per acknowledged message.
outcome show_walk(uf_list_p_t new_rivet_list, int &walk_count) {
    error_code = UF_MODL_ask_list_count(new_rivet_list, &walk_count);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return outcome::failed;
    }
    uc1601("выполняем проверку обхода маршрута", 1);
    for (int m = 0; m < walk_count; ++m) {
        tag_t rivet = NULL_TAG;
        error_code = UF_MODL_ask_list_item(new_rivet_list, m, &rivet);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return outcome::failed;
        }
        error_code = UF_DISP_set_highlight(rivet, 1);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return outcome::failed;
        }
        uc1601("следующая заклепка", 1);
    }
    uc1601("просмотр маршрута закончен", 1);
    return outcome::go_on;
}

// Steps 19 and 20. Rivets numbered before a failure keep their identifiers.
outcome number_points(tag_t route, uf_list_p_t new_rivet_list, int walk_count) {
    char part_number[UF_UGMGR_PARTNO_SIZE + 1];
    if (ask_component_part_number(route, part_number) != 0) return outcome::failed;

    for (int m = 0; m < walk_count; ++m) {
        char point_id[POINT_ID_BUFFER_SIZE];
        snprintf(point_id, sizeof point_id, "%.9s_%02d", part_number, m + 1);
        point_id[POINT_ID_LENGTH] = '\0';
        tag_t rivet = NULL_TAG;
        error_code = UF_MODL_ask_list_item(new_rivet_list, m, &rivet);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return outcome::failed;
        }
        UF_ATTR_value_t value;
        value.type = UF_ATTR_string;
        value.value.string = point_id;
        error_code = UF_ATTR_assign(rivet, POINT_ID_TITLE, value);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return outcome::failed;
        }
        // Left unchecked: a highlight that stays on harms nothing already written.
        error_code = UF_DISP_set_highlight(rivet, 0);
    }
    return outcome::go_on;
}

int walk_route() {
    tag_t route = NULL_TAG;
    switch (choose_route(route)) {
    case outcome::go_on: break;
    case outcome::ended: return 0;
    case outcome::failed: return error_code;
    }
    tag_t first = NULL_TAG;
    switch (choose_first_rivet(first)) {
    case outcome::go_on: break;
    case outcome::ended: return 0;
    case outcome::failed: return error_code;
    }

    uf_list_p_t new_rivet_list = nullptr;
    if (build_walk(first, new_rivet_list) != outcome::go_on) {
        int failure = error_code;
        drop_list(new_rivet_list);
        return failure;
    }
    int walk_count = 0;
    if (show_walk(new_rivet_list, walk_count) != outcome::go_on ||
        number_points(route, new_rivet_list, walk_count) != outcome::go_on) {
        int failure = error_code;
        drop_list(new_rivet_list);
        return failure;
    }

    error_code = UF_MODL_delete_list(&new_rivet_list);
    if (error_code != 0) report_error(error_code, __LINE__);
    return error_code;
}

const char *const log_paths[] = {"D:\\prterr.txt"};

const plain_frame_variant variant = {
    "\n <route_walk>\tHAS STARTED\t\tline=%d\n",
    "\n <route_walk>\tHAS FINISHED\tline=%d\n",
    log_paths,
    1,
    true,  // displayed part required
    true,  // units logged
    true,  // return code is the walk's result
    nullptr,
};

}  // namespace

UFUSR_EXPORT void ufusr(char * /*param*/, int *retcod, int /*param_len*/) { run_plain_frame(variant, walk_route, retcod); }

UFUSR_EXPORT int ufusr_ask_unload(void) { return UF_UNLOAD_IMMEDIATELY; }
