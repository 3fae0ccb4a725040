// Orders the rivets of one route by nearest neighbour from a rivet the engineer
// picks, shows the order rivet by rivet and stamps each rivet with its point_id.

#include "common/component.h"
#include "common/steps.h"
#include "common/tool_run.h"
#include "common/vocabulary.h"
#include "common/walk_rule.h"
#include "uf.h"
#include "uf_attr.h"
#include "uf_disp.h"
#include "uf_modl.h"
#include "uf_ugmgr.h"
#include "uf_ui.h"

namespace {

constexpr int MAX_ROUTE_RIVETS = 99;

// Accepts only the route's children, which come as the selection's user data.
int first_rivet_filter(tag_t object, int /*type*/[3], void *user_data, UF_UI_selection_p_t /*select*/) {
    const host_tags &children = *static_cast<const host_tags *>(user_data);
    for (int i = 0; i < children.count; ++i)
        if (children.items[i] == object) return UF_UI_SEL_ACCEPT;
    return UF_UI_SEL_REJECT;
}

// A failing set-up is answered by the dialog itself.
int route_init(UF_UI_selection_p_t select, void *user_data) {
    return init_component_selection(select, unmarked_filter, nullptr, user_data, nullptr);
}

int first_rivet_init(UF_UI_selection_p_t select, void *user_data) {
    return init_component_selection(select, first_rivet_filter, nullptr, user_data, nullptr);
}

// The route: a component whose children are 1 to 99 rivets, held in `children` on go_on.
step choose_route(tag_t &route, host_tags &children) {
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
            return step::failed;
        }
        if (response == UF_UI_CANCEL) return step::ended;
        if (response == UF_UI_BACK) continue;
        if (object == NULL_TAG) {
            uc1601("будьте любезны выбрать маршрут-компонент", 1);
            continue;
        }
        error_code = UF_DISP_set_highlight(object, 0);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return step::failed;
        }

        if (ask_occurrence_children(object, children, report_error) != 0) return step::failed;
        if (children.count == 0) continue;
        if (children.count > MAX_ROUTE_RIVETS) {
            uc1601("в агрегате больше 99 компонент", 1);
            continue;
        }
        bool all_rivets = true;
        for (int i = 0; i < children.count && all_rivets; ++i) {
            int title_type = 0;
            error_code = UF_ATTR_find_attribute(children.items[i], UF_ATTR_string, RIVET_MARK_TITLE, &title_type);
            if (error_code != 0) {
                report_error(error_code, __LINE__);
                return step::failed;
            }
            all_rivets = title_type == UF_ATTR_string;
        }
        if (!all_rivets) {
            uc1601("в агрегате присутствует компонент НЕ - заклепка", 1);
            continue;
        }
        route = object;
        return step::go_on;
    }
}

// The first rivet, one of the route's children. Back shows this dialog again: there
// is no way back to the route.
step choose_first_rivet(const host_tags &children, tag_t &first) {
    for (;;) {
        int response = 0;
        tag_t object = NULL_TAG;
        double cursor[3];
        tag_t view = NULL_TAG;
        error_code = UF_UI_select_with_single_dialog(
            "выбери первую заклепку", "первая заклепка", UF_UI_SEL_SCOPE_ANY_IN_ASSEMBLY, first_rivet_init,
            const_cast<host_tags *>(&children), &response, &object, cursor, &view);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return step::failed;
        }
        if (response == UF_UI_CANCEL) return step::ended;
        if (response == UF_UI_BACK) continue;
        if (object == NULL_TAG) {
            uc1601("будьте любезны выбрать первую заклепку", 1);
            continue;
        }
        error_code = UF_DISP_set_highlight(object, 0);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return step::failed;
        }
        first = object;
        return step::go_on;
    }
}

// Shows the walk: the highlights accumulate, one rivet per acknowledged message.
step show_walk(const host_list &walk, int &walk_count) {
    error_code = UF_MODL_ask_list_count(walk.list, &walk_count);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return step::failed;
    }
    uc1601("выполняем проверку обхода маршрута", 1);
    for (int m = 0; m < walk_count; ++m) {
        tag_t rivet = NULL_TAG;
        error_code = UF_MODL_ask_list_item(walk.list, m, &rivet);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return step::failed;
        }
        error_code = UF_DISP_set_highlight(rivet, 1);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return step::failed;
        }
        uc1601("следующая заклепка", 1);
    }
    uc1601("просмотр маршрута закончен", 1);
    return step::go_on;
}

// Stamps each rivet with its point_id in walk order. Rivets numbered before a
// failure keep their identifiers.
step number_points(tag_t route, const host_list &walk, int walk_count) {
    char part_number[UF_UGMGR_PARTNO_SIZE + 1];
    if (ask_component_part_number(route, part_number) != 0) return step::failed;

    for (int m = 0; m < walk_count; ++m) {
        char point_id[POINT_ID_BUFFER_SIZE];
        format_point_id(part_number, m + 1, point_id);
        tag_t rivet = NULL_TAG;
        error_code = UF_MODL_ask_list_item(walk.list, m, &rivet);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return step::failed;
        }
        UF_ATTR_value_t value;
        value.type = UF_ATTR_string;
        value.value.string = point_id;
        error_code = UF_ATTR_assign(rivet, POINT_ID_TITLE, value);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return step::failed;
        }
        // Reported, and the numbering goes on: a highlight that stays on harms
        // nothing written.
        int highlight_code = UF_DISP_set_highlight(rivet, 0);
        if (highlight_code != 0) report_error(highlight_code, __LINE__);
    }
    return step::go_on;
}

int walk_route() {
    tag_t route = NULL_TAG;
    host_tags children;                       // the route's rivets, from the route dialog to the walk
    switch (choose_route(route, children)) {  // GCOVR_EXCL_BR_LINE: it never answers Back
    case step::go_on: break;
    case step::back:  // never answered: Back shows the route dialog again
    case step::ended: return 0;
    case step::failed: return error_code;
    }
    tag_t first = NULL_TAG;
    switch (choose_first_rivet(children, first)) {  // GCOVR_EXCL_BR_LINE: it never answers Back
    case step::go_on: break;
    case step::back:  // never answered: Back shows the first-rivet dialog again
    case step::ended: return 0;
    case step::failed: return error_code;
    }

    // A failed step leaves the walk list to its owner; the failure is the run's result.
    host_list walk(report_error);
    int walk_count = 0;
    if (walk_nearest(children, first, walk) != step::go_on || show_walk(walk, walk_count) != step::go_on ||
        number_points(route, walk, walk_count) != step::go_on)
        return error_code;
    return walk.remove();
}

const char *const log_paths[] = {"D:\\prterr.txt"};

const plain_run_variant variant = {
    .start_banner = "\n <route_walk>\tHAS STARTED\t\tline=%d\n",
    .finish_banner = "\n <route_walk>\tHAS FINISHED\tline=%d\n",
    .log_paths = log_paths,
    .log_path_count = 1,
    .requires_display = true,
    .logs_units = true,
    .returns_tool_result = true,  // the walk's result
    .also_close = nullptr,
};

}  // namespace

UFUSR_EXPORT void ufusr(char * /*param*/, int *retcod, int /*param_len*/) {
    run_plain_tool(variant, walk_route, retcod);
}

UFUSR_EXPORT int ufusr_ask_unload(void) { return UF_UNLOAD_IMMEDIATELY; }
