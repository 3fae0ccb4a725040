// Checks every rivet of the picked routes against the fastener catalogue and logs
// each fault. Changes nothing in the parts.
#include <cstdio>

#include "common/catalogue.h"
#include "common/route_selection.h"
#include "common/steps.h"
#include "common/tool_run.h"
#include "common/vocabulary.h"
#include "uf.h"
#include "uf_assem.h"
#include "uf_attr.h"
#include "uf_disp.h"
#include "uf_ui.h"

namespace {

constexpr int MAX_ROUTE_RIVETS = 99;
constexpr int POINT_ID_SIZE = 20;       // 19 characters and the terminator
constexpr int ROUTE_NAME_SIZE = 129;    // instance names of up to 128 characters
constexpr int CHECK_LETTER_COUNT = 24;  // "A".."X": the last two process letters are not for the machine

static_assert(ROUTE_NAME_SIZE >= MAX_ENTITY_NAME_SIZE + 1, "the host writes up to MAX_ENTITY_NAME_SIZE characters");

// The route check's own copy of the fastener rows, with room for 20 grips.
constexpr fast_table_t<CHECK_GRIP_CAPACITY> check_fast = make_fast_table<CHECK_GRIP_CAPACITY>();

// Per route, rebuilt for every route.
tag_t member_array[MAX_ROUTE_RIVETS];
int member_count = 0;
char point_id_array[MAX_ROUTE_RIVETS][POINT_ID_SIZE];

// Asks whether the rivet carries a string attribute of that title. False when the
// host call failed (reported; the route's check ends).
bool has_string(tag_t rivet, const char *title, bool &found) {
    int title_type = 0;
    error_code = UF_ATTR_find_attribute(rivet, UF_ATTR_string, title, &title_type);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return false;
    }
    found = title_type == UF_ATTR_string;
    return true;
}

// Reads a string attribute; the text belongs to the caller (UF_free). False when
// the host call failed (reported).
bool read_string(tag_t rivet, const char *title, int type, char *&text) {
    UF_ATTR_value_t value;
    value.type = 0;
    value.value.string = nullptr;
    error_code = UF_ATTR_read_value(rivet, title, type, &value);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return false;
    }
    text = value.type == UF_ATTR_string ? value.value.string : nullptr;
    return true;
}

const char *shown(const char *text) { return text != nullptr ? text : ""; }

// Gathers the route's rivets. A route with more than 99 rivets is refused whole:
// the 100th rivet met is never stored.
bool gather_rivets(tag_t route, const char *route_name) {
    member_count = 0;
    tag_t member = NULL_TAG;
    for (;;) {
        if (next_rivet_member(route, member, report_error) != 0) return false;
        if (member == NULL_TAG) return true;
        if (member_count >= MAX_ROUTE_RIVETS) {
            uc1601("в маршруте больше 99 заклепок", 1);
            fprintf(error_log, "\n\t в маршруте <%s> больше 99 заклепок\tline=%d \n", route_name, __LINE__);
            error_code = 0;
            return false;
        }
        member_array[member_count++] = member;
    }
}

// Every rivet must carry its point_id, which names it in the findings. A longer identifier than the table holds is cut:
// it only names the rivet in the findings.
bool check_point_ids(const char *route_name) {
    for (int i = 0; i < member_count; ++i) {
        bool found = false;
        if (!has_string(member_array[i], POINT_ID_TITLE, found)) return false;
        if (!found) {
            fprintf(error_log, "\n\t отсутствие атрибута <point_id> у заклепки в маршруте <%s>\n", route_name);
            return false;
        }
        char *text = nullptr;
        if (!read_string(member_array[i], POINT_ID_TITLE, UF_ATTR_any, text)) return false;
        snprintf(point_id_array[i], POINT_ID_SIZE, "%s", shown(text));
        UF_free(text);
    }
    return true;
}

bool accepted_letter(const char *text) {
    int index = find_process(text);
    return index != NOT_FOUND && index < CHECK_LETTER_COUNT;
}

// Process codes: one of the machine's 24 letters.
bool check_process_codes(const char *route_name) {
    for (int i = 0; i < member_count; ++i) {
        bool found = false;
        if (!has_string(member_array[i], PR_CODE_TITLE, found)) return false;
        if (!found) {
            fprintf(error_log, "\n\t в маршруте <%s> заклепка <%s> - отсутствует атрибут <pr_code>\n", route_name,
                    point_id_array[i]);
            continue;
        }
        char *text = nullptr;
        if (!read_string(member_array[i], PR_CODE_TITLE, UF_ATTR_string, text)) return false;
        if (!accepted_letter(shown(text)))
            fprintf(error_log,
                    "\n\t в маршруте <%s> заклепка <%s> - неправильное значение атрибута <pr_code> <%s>\tline=%d\n",
                    route_name, point_id_array[i], shown(text), __LINE__);
        UF_free(text);
    }
    return true;
}

// Add codes: held to the same 24 letters as a process code.
bool check_add_codes(const char *route_name) {
    for (int i = 0; i < member_count; ++i) {
        bool found = false;
        if (!has_string(member_array[i], AD_CODE_TITLE, found)) return false;
        if (!found) {
            fprintf(error_log, "\n\t в маршруте <%s> заклепка <%s> - отсутствует атрибут <ad_code>\n", route_name,
                    point_id_array[i]);
            continue;
        }
        char *text = nullptr;
        if (!read_string(member_array[i], AD_CODE_TITLE, UF_ATTR_string, text)) return false;
        if (!accepted_letter(shown(text)))
            fprintf(error_log,
                    "\n\t в маршруте <%s> заклепка <%s> - неправильное значение атрибута <ad_code> <%s>\tline=%d\n",
                    route_name, point_id_array[i], shown(text), __LINE__);
        UF_free(text);
    }
    return true;
}

// Fastener codes: a row of the route check's fastener table.
bool check_fast_codes(const char *route_name) {
    for (int i = 0; i < member_count; ++i) {
        bool found = false;
        if (!has_string(member_array[i], FAST_CODE_TITLE, found)) return false;
        if (!found) {
            fprintf(error_log, "\n\t в маршруте <%s> заклепка <%s> - отсутствует атрибут <fast_code>\n", route_name,
                    point_id_array[i]);
            continue;
        }
        char *text = nullptr;
        if (!read_string(member_array[i], FAST_CODE_TITLE, UF_ATTR_string, text)) return false;
        if (find_fast_in(check_fast, shown(text)) == NOT_FOUND)
            fprintf(error_log,
                    "\n\t в маршруте <%s> заклепка <%s> - неправильное значение атрибута <fast_code> <%s>\tline=%d\n",
                    route_name, point_id_array[i], shown(text), __LINE__);
        UF_free(text);
    }
    return true;
}

// Grip lengths: one of the fastener's grips. Rivets without a catalogue fastener were
// reported by the fastener check.
bool check_grips(const char *route_name) {
    for (int i = 0; i < member_count; ++i) {
        bool found = false;
        if (!has_string(member_array[i], FAST_CODE_TITLE, found)) return false;
        if (!found) continue;
        char *fast = nullptr;
        if (!read_string(member_array[i], FAST_CODE_TITLE, UF_ATTR_string, fast)) return false;
        int fast_index = find_fast_in(check_fast, shown(fast));
        UF_free(fast);
        if (fast_index == NOT_FOUND) continue;

        if (!has_string(member_array[i], GRIP_LNG_TITLE, found)) return false;
        if (!found) {
            fprintf(error_log, "\n\t в маршруте <%s> заклепка <%s> - отсутствует атрибут <grip_lng> \t line=%d\n",
                    route_name, point_id_array[i], __LINE__);
            continue;
        }
        char *grip = nullptr;
        if (!read_string(member_array[i], GRIP_LNG_TITLE, UF_ATTR_string, grip)) return false;
        if (find_grip_in(check_fast, fast_index, shown(grip)) == NOT_FOUND)
            fprintf(error_log, "\n\t в маршруте <%s> заклепка <%s> - неверный атрибут <grip_lng>= %s \tline=%d\n",
                    route_name, point_id_array[i], shown(grip), __LINE__);
        UF_free(grip);
    }
    return true;
}

// The checks run in fixed order; a failing host call or a missing point_id ends
// this route's check, and the findings already written stay.
int check_route(tag_t route, const char *route_name) {
    if (gather_rivets(route, route_name) && check_point_ids(route_name) && check_process_codes(route_name) &&
        check_add_codes(route_name) && check_fast_codes(route_name))
        check_grips(route_name);
    return 0;
}

const component_selection route_group = {
    .cue = "укажи маршруты для контроля",
    .title = "укажи маршруты для контроля",
    .init = path_selection_init,
    .nothing_selected = "не выбрал маршрут, да?",
    .report = report_error,
};

int run_route_check() {
    host_tags routes;
    step got = step::back;
    while (got == step::back) got = select_components(route_group, routes);
    if (got != step::go_on) return error_code;

    if (unhighlight(routes.items, routes.count, report_error) != 0) return error_code;

    for (int i = 0; i < routes.count; ++i) {
        char part_name[MAX_FSPEC_SIZE + 1];
        char refset_name[MAX_ENTITY_NAME_SIZE + 1];
        char route_name[ROUTE_NAME_SIZE];
        double origin[3];
        double csys_matrix[9];
        double transform[4][4];
        error_code = UF_ASSEM_ask_component_data(routes.items[i], part_name, refset_name, route_name, origin,
                                                 csys_matrix, transform);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return error_code;
        }
        check_route(routes.items[i], route_name);
    }
    return error_code;
}

const char *const log_paths[] = {"D:\\prterr.txt"};

const plain_run_variant variant = {
    .start_banner = "\n <route_check>\tHAS STARTED\t\tline=%d\n",
    .finish_banner = "\n <route_check>\tHAS FINISHED\tline=%d\n",
    .log_paths = log_paths,
    .log_path_count = 1,
    .requires_display = false,
    .logs_units = false,
    .returns_tool_result = true,  // the check's result
    .also_close = nullptr,
};

}  // namespace

UFUSR_EXPORT void ufusr(char * /*param*/, int *retcod, int /*param_len*/) {
    run_plain_tool(variant, run_route_check, retcod);
}

UFUSR_EXPORT int ufusr_ask_unload(void) { return UF_UNLOAD_IMMEDIATELY; }
