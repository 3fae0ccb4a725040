// Moves a group of picked rivets under one route component: each rivet gets a new
// instance in the route's part at the same place and orientation in space, with its
// colour, name, name position and rivet mark, and its old instance goes.
#include <cstdio>

#include "common/component.h"
#include "common/rivet_move.h"
#include "common/steps.h"
#include "common/tool_run.h"
#include "uf.h"
#include "uf_assem.h"
#include "uf_part.h"
#include "uf_ui.h"

namespace {

constexpr int MAX_RIVETS = 99;  // a route holds at most 99 rivets
constexpr int RIVET_TABLE_SIZE = 100;
constexpr int STATUS_TEXT_SIZE = 100;
constexpr int PART_NAME_SIZE = 300;
constexpr int REFSET_NAME_SIZE = 40;
constexpr int INSTANCE_NAME_SIZE = 130;
constexpr int CODE_NO_ASSEMBLY = 1105012;
static_assert(RIVET_TABLE_SIZE > MAX_RIVETS);
static_assert(PART_NAME_SIZE > MAX_FSPEC_SIZE && REFSET_NAME_SIZE > MAX_ENTITY_NAME_SIZE &&
              INSTANCE_NAME_SIZE > MAX_ENTITY_NAME_SIZE);

const char rivet_cue[] = "Выбери группу заклепок одного маршрута";
const char route_cue[] = "Выбери компоненту - маршрут";

rivet_look rivet_table[RIVET_TABLE_SIZE];

// Refreshed by the selection callback after every pick.
int selection_count = 0;
char status_text[STATUS_TEXT_SIZE] = "";

// Component data of the route.
char part_name[PART_NAME_SIZE];
char refset_name[REFSET_NAME_SIZE];
char instance_name[INSTANCE_NAME_SIZE];
double origin[3];
double csys_matrix[9];
double transform[4][4];

step failed_at(int line) {
    report_error(error_code, line);
    return step::failed;
}

// Keeps the selection at 99 rivets or fewer: a pick that goes over drops out whole.
int rivet_sel_cb(int num_selected, tag_p_t selected_objects, int /*num_deselected*/, tag_p_t /*deselected_objects*/,
                 void * /*user_data*/, UF_UI_selection_p_t select) {
    error_code = UF_UI_ask_sel_list_count(select, &selection_count);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return UF_UI_CB_EXIT_DIALOG;
    }
    if (selection_count > MAX_RIVETS) {
        uc1601("выбрал больше 99 заклепок?", 1);
        error_code = UF_UI_remove_from_sel_list(select, num_selected, selected_objects, TRUE);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return UF_UI_CB_EXIT_DIALOG;
        }
    }
    error_code = UF_UI_ask_sel_list_count(select, &selection_count);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return UF_UI_CB_EXIT_DIALOG;
    }
    snprintf(status_text, sizeof status_text, "выбрано %d заклепок", selection_count);
    error_code = UF_UI_set_status(status_text);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return UF_UI_CB_EXIT_DIALOG;
    }
    return UF_UI_CB_CONTINUE_DIALOG;
}

int rivet_sel_init(UF_UI_selection_p_t select, void *user_data) {
    return init_component_selection(select, marked_rivet_filter, rivet_sel_cb, user_data, report_error);
}

int route_sel_init(UF_UI_selection_p_t select, void *user_data) {
    return init_component_selection(select, unmarked_filter, nullptr, user_data, report_error);
}

// A rivet dialog that fails for want of an assembly tells the engineer so first.
void report_rivet_dialog_error(int code, int line) {
    if (code == CODE_NO_ASSEMBLY) uc1601("открой сборочный файл!!!", 1);
    report_error(code, line);
}

const component_selection rivet_group = {
    .cue = rivet_cue,
    .title = rivet_cue,
    .init = rivet_sel_init,
    .nothing_selected = "будьте любезны выбрать заклепки!!!",
    .report = report_rivet_dialog_error,
};

const component_selection route_pick = {
    .cue = route_cue,
    .title = route_cue,
    .init = route_sel_init,
    .nothing_selected = "будьте любезны выбрать маршрут",
    .report = report_error,
};

// Rivet dialog until a usable group of rivets is picked; their table entries are filled.
step choose_rivets(host_tags &rivets) {
    for (;;) {
        step got = select_components(rivet_group, rivets);
        if (got == step::back) continue;
        if (got != step::go_on) return got;
        if (rivets.count <= MAX_RIVETS) break;
        uc1601("выбрано более 99 заклепок!!!", 1);
        if (unhighlight(rivets.items, rivets.count, report_error) != 0) return step::failed;
    }

    if (unhighlight(rivets.items, rivets.count, report_error) != 0) return step::failed;

    for (int i = 0; i < rivets.count; ++i)
        if (ask_rivet_look(rivets.items[i], rivet_table[i]) != 0) return step::failed;
    return step::go_on;
}

// Route dialog until a loaded route is picked; its part becomes the work part.
step choose_route(tag_t *route, tag_t *route_part) {
    for (;;) {
        step got = select_component(route_pick, nullptr, *route);
        if (got != step::go_on) return got;

        error_code =
            UF_ASSEM_ask_component_data(*route, part_name, refset_name, instance_name, origin, csys_matrix, transform);
        if (error_code != 0) return failed_at(__LINE__);
        fprintf(error_log, "\n\tpart_name=\t%s\n", part_name);

        if (UF_PART_is_loaded(part_name) == UF_PART_NOT_LOADED) {
            uc1601("компонент не загружен", 1);
            fprintf(error_log, "\n\tкомпонент не загружен\t%s\t%d", part_name, __LINE__);
            continue;
        }

        *route_part = UF_PART_ask_part_tag(part_name);
        error_code = UF_ASSEM_set_work_part(*route_part);
        if (error_code != 0) return failed_at(__LINE__);
        return step::go_on;
    }
}

int transfer_rivets() {
    host_tags rivets;
    tag_t route = NULL_TAG;
    tag_t route_part = NULL_TAG;

    // Back at the route picks the rivets again.
    for (;;) {
        step got = choose_rivets(rivets);
        if (got == step::go_on) got = choose_route(&route, &route_part);
        if (got == step::back) continue;
        if (got == step::ended) return 0;
        if (got == step::failed) return error_code;
        break;
    }

    int result = 0;
    for (int i = 0; i < rivets.count && result == 0; ++i)
        result = move_rivet(route, route_part, rivets.items[i], rivet_table[i], rivet_attributes::mark_only);

    // The displayed part is the work part again on every way out, as it was at the start.
    error_code = UF_ASSEM_set_work_part(display_part);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        if (result == 0) result = error_code;
    }
    error_code = result;
    return error_code;
}

const char *const log_paths[] = {"D:\\prterr.txt"};

const plain_run_variant variant = {
    .start_banner = "\n <rivet_transfer>\tHAS STARTED\t\tline=%d\n",
    .finish_banner = "\n <rivet_transfer>\tHAS FINISHED\tline=%d\n",
    .log_paths = log_paths,
    .log_path_count = 1,
    .requires_display = true,
    .logs_units = true,
    .returns_tool_result = true,
    .also_close = nullptr,
};

}  // namespace

UFUSR_EXPORT void ufusr(char * /*param*/, int *retcod, int /*param_len*/) {
    run_plain_tool(variant, transfer_rivets, retcod);
}

UFUSR_EXPORT int ufusr_ask_unload(void) { return UF_UNLOAD_IMMEDIATELY; }
