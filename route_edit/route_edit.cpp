// Edits the order of a walked route: reverse it, walk it again from a picked rivet,
// move one rivet next to another, shorten it, split it at a rivet into a new route,
// or join a second route to it. Every route it touched is numbered again 01..NN as
// the walk numbers it, so the check and the export read it unchanged. A split or a
// merge that fails part way is taken back: no rivet is lost or doubled.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/component.h"
#include "common/host_records.h"
#include "common/rivet_move.h"
#include "common/route_order.h"
#include "common/route_part.h"
#include "common/steps.h"
#include "common/styler_items.h"
#include "common/tool_run.h"
#include "common/vocabulary.h"
#include "common/walk_rule.h"
#include "uf.h"
#include "uf_assem.h"
#include "uf_attr.h"
#include "uf_disp.h"
#include "uf_modl.h"
#include "uf_part.h"
#include "uf_styler.h"
#include "uf_ugmgr.h"
#include "uf_ui.h"

namespace {

constexpr int MAX_ROUTE_RIVETS = 99;
constexpr int POINT_ID_READ_SIZE = 20;  // as the route check holds them
constexpr int MESSAGE_SIZE = 133;
constexpr int NEW_ASSEM_NAME_SIZE = 200;
constexpr int ROUTE_NAME_MAX = MAX_ENTITY_NAME_SIZE;  // the part number is also the instance name
constexpr int NUMBER_TRIES = 1000;                    // free route numbers looked for after the route's own
constexpr int CALLBACK_COUNT = 2;
constexpr double MM_PER_INCH = 25.4;
static_assert(ROUTE_ORDER_MAX_POINTS >= MAX_ROUTE_RIVETS);

const char dialog_path[] = "\\\\appsrv\\server\\user_tools\\win\\application\\route_edit.dlg";
const char item_operation[] = "OPERATION";
const char item_place[] = "PLACE";

// The entries of OPERATION, in the dialog file's order.
enum operation { op_reverse, op_start_at, op_move, op_shortest, op_split, op_merge, operation_count };
// The entries of PLACE.
enum place { place_before, place_after };

// Chosen in the dialog; -1 until OK has taken them.
int chosen_operation = -1;
int chosen_place = -1;
int dialog_failure = 0;

// A walked route: its rivets in point_id order.
struct route_state {
    tag_t occurrence = NULL_TAG;
    tag_t part = NULL_TAG;
    char instance_name[MAX_ENTITY_NAME_SIZE + 1] = "";
    char part_name[MAX_FSPEC_SIZE + 1] = "";
    char part_number[UF_UGMGR_PARTNO_SIZE + 1] = "";
    int count = 0;
    tag_t rivets[MAX_ROUTE_RIVETS] = {};
    char point_ids[MAX_ROUTE_RIVETS][POINT_ID_READ_SIZE] = {};
};

route_state route;   // the route being edited
route_state second;  // the route joined to it (merge)
route_state made;    // the route a split makes

// Every point_id written, with the value it replaced, so a failure can put them back.
struct written_id {
    tag_t rivet;
    char old_id[UF_ATTR_MAX_STRING_LEN + 1];
};
constexpr int WRITTEN_MAX = 2 * MAX_ROUTE_RIVETS;
written_id written[WRITTEN_MAX];
int written_count = 0;

enum class taken { accepted, refused, failed };

step failed_at(int line) {
    report_error(error_code, line);
    return step::failed;
}

// --- Selections ------------------------------------------------------------------

// Accepts only the route's children, which come as the selection's user data.
int route_rivet_filter(tag_t object, int /*type*/[3], void *user_data, UF_UI_selection_p_t /*select*/) {
    const host_tags &children = *static_cast<const host_tags *>(user_data);
    for (int i = 0; i < children.count; ++i)
        if (children.items[i] == object) return UF_UI_SEL_ACCEPT;
    return UF_UI_SEL_REJECT;
}

// Anything but a rivet and but the route being edited (given as the user data).
int other_route_filter(tag_t object, int type[3], void *user_data, UF_UI_selection_p_t select) {
    if (object == *static_cast<const tag_t *>(user_data)) return UF_UI_SEL_REJECT;
    return unmarked_filter(object, type, user_data, select);
}

// A failing set-up is answered by the dialog itself.
int route_init(UF_UI_selection_p_t select, void *user_data) {
    return init_component_selection(select, unmarked_filter, nullptr, user_data, nullptr);
}

int other_route_init(UF_UI_selection_p_t select, void *user_data) {
    return init_component_selection(select, other_route_filter, nullptr, user_data, nullptr);
}

int route_rivet_init(UF_UI_selection_p_t select, void *user_data) {
    return init_component_selection(select, route_rivet_filter, nullptr, user_data, nullptr);
}

// One object from a single selection, un-highlighted. Cancel ends, Back answers back;
// an empty pick shows `nothing` and the dialog again.
step pick_one(const char *cue, const char *title, UF_UI_sel_init_fn_t init, void *user_data, const char *nothing,
              tag_t &picked) {
    const component_selection dialog = {
        .cue = cue,
        .title = title,
        .init = init,
        .nothing_selected = nothing,
        .report = report_error,
    };
    return select_component(dialog, user_data, picked);
}

step pick_rivet(const char *cue, const char *title, const host_tags &children, tag_t &rivet) {
    return pick_one(cue, title, route_rivet_init, const_cast<host_tags *>(&children),
                    "будьте любезны выбрать заклепку маршрута", rivet);
}

// --- Reading a walked route --------------------------------------------------------

// The text of a point_id read as a string; "" when the rivet has none.
const char *point_id_text(const UF_ATTR_value_t &value) {
    if (value.type != UF_ATTR_string) return "";
    // GCOVR_EXCL_BR_START: a string attribute reads back with its text
    return value.value.string != nullptr ? value.value.string : "";
    // GCOVR_EXCL_BR_STOP
}

void refuse(const char *message) { uc1601(message, 1); }

// The point_id the walk writes at some place of this route: the route's prefix and
// two digits 01 to 99.
bool walk_wrote(const route_state &r, const char *point_id) {
    char first[POINT_ID_BUFFER_SIZE];
    format_point_id(r.part_number, 1, first);
    size_t prefix = std::strlen(first) - 2;
    if (std::strlen(point_id) != prefix + 2 || std::strncmp(point_id, first, prefix) != 0) return false;
    char tens = point_id[prefix];
    char ones = point_id[prefix + 1];
    if (tens < '0' || tens > '9' || ones < '0' || ones > '9') return false;
    return tens != '0' || ones != '0';
}

// Reads the route's rivets and orders them by point_id, as the export does. A route
// that is empty, holds more than 99 rivets or something else, or is not walked
// (a rivet without the walk's point_id, or one point_id twice) is refused with a box.
taken read_route(tag_t occurrence, route_state &r, host_tags &children) {
    r = route_state{};
    r.occurrence = occurrence;
    component_data data;
    if (ask_component_data(occurrence, data) != 0) {
        report_error(error_code, __LINE__);
        return taken::failed;
    }
    snprintf(r.instance_name, sizeof r.instance_name, "%s", data.instance_name);
    snprintf(r.part_name, sizeof r.part_name, "%s", data.part_name);
    if (decode_part_number(r.part_name, r.part_number) != 0) return taken::failed;

    if (ask_occurrence_children(occurrence, children, report_error) != 0) return taken::failed;
    if (children.count == 0) {
        refuse("в маршруте нет заклепок");
        return taken::refused;
    }
    if (children.count > MAX_ROUTE_RIVETS) {
        refuse("в маршруте больше 99 заклепок");
        fprintf(error_log, "\n\tв маршруте <%s> больше 99 заклепок\tline=%d\n", r.instance_name, __LINE__);
        return taken::refused;
    }
    for (int i = 0; i < children.count; ++i) {
        tag_t child = children.items[i];
        int title_type = 0;
        error_code = UF_ATTR_find_attribute(child, UF_ATTR_string, RIVET_MARK_TITLE, &title_type);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return taken::failed;
        }
        if (title_type != UF_ATTR_string) {
            refuse("в агрегате присутствует компонент НЕ - заклепка");
            return taken::refused;
        }
        UF_ATTR_value_t value{};
        error_code = UF_ATTR_read_value(child, POINT_ID_TITLE, UF_ATTR_string, &value);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return taken::failed;
        }
        const char *text = point_id_text(value);
        bool walked = walk_wrote(r, text);
        snprintf(r.point_ids[i], sizeof r.point_ids[i], "%s", text);
        UF_free(value.value.string);
        if (!walked) {
            refuse("маршрут не пронумерован обходом: выполни route_walk");
            fprintf(error_log, "\n\tв маршруте <%s> заклепка с point_id <%s> не пронумерована обходом\tline=%d\n",
                    r.instance_name, r.point_ids[i], __LINE__);
            return taken::refused;
        }
        r.rivets[i] = child;
    }
    r.count = children.count;

    // Insertion sort by point_id: 99 at most, and equal identifiers end up side by side.
    for (int i = 1; i < r.count; ++i)
        for (int j = i; j > 0 && std::strcmp(r.point_ids[j - 1], r.point_ids[j]) > 0; --j) {
            char id[POINT_ID_READ_SIZE];
            std::memcpy(id, r.point_ids[j], sizeof id);
            std::memcpy(r.point_ids[j], r.point_ids[j - 1], sizeof id);
            std::memcpy(r.point_ids[j - 1], id, sizeof id);
            tag_t rivet = r.rivets[j];
            r.rivets[j] = r.rivets[j - 1];
            r.rivets[j - 1] = rivet;
        }
    for (int i = 1; i < r.count; ++i)
        if (std::strcmp(r.point_ids[i - 1], r.point_ids[i]) == 0) {
            refuse("в маршруте повторяются point_id: выполни route_walk");
            fprintf(error_log, "\n\tв маршруте <%s> point_id <%s> повторяется\tline=%d\n", r.instance_name,
                    r.point_ids[i], __LINE__);
            return taken::refused;
        }
    return taken::accepted;
}

int place_of(const route_state &r, tag_t rivet) {
    for (int i = 0; i < r.count; ++i)  // GCOVR_EXCL_BR_LINE: the pick takes only the route's rivets
        if (r.rivets[i] == rivet) return i;
    return -1;  // GCOVR_EXCL_LINE: the pick takes only the route's rivets
}

// --- The operation dialog ------------------------------------------------------------

int dialog_failed(int line) {
    report_error(error_code, line);
    dialog_failure = error_code;  // the callback's answer closes the dialog: one failure at most
    return 1;
}

int ask_list_index(int dialog_id, const char *item, int *index) {
    UF_STYLER_item_value_type_t record = item_record(item, UF_STYLER_VALUE);
    error_code = UF_STYLER_ask_value(dialog_id, &record);
    *index = error_code == 0 ? record.value.integer : -1;
    return error_code;
}

int ROUTE_EDIT_ok_cb(int dialog_id, void * /*client_data*/, UF_STYLER_item_value_type_p_t /*data*/) {
    if (ask_list_index(dialog_id, item_operation, &chosen_operation) != 0) return dialog_failed(__LINE__);
    if (ask_list_index(dialog_id, item_place, &chosen_place) != 0) return dialog_failed(__LINE__);
    return 1;
}

UF_STYLER_callback_info_t route_edit_cbs[CALLBACK_COUNT] = {
    styler_callback(UF_STYLER_DIALOG_INDEX, UF_STYLER_OK_CB, 0, ROUTE_EDIT_ok_cb),
    styler_callback(UF_STYLER_NULL_OBJECT, UF_STYLER_NO_CB, 0, nullptr),
};

// The operation: go_on with chosen_operation set, back to the route, ended by Cancel.
step choose_operation() {
    for (;;) {
        chosen_operation = -1;
        chosen_place = -1;
        int response = 0;
        error_code = UF_STYLER_create_dialog(dialog_path, route_edit_cbs, CALLBACK_COUNT, nullptr, &response);
        if (error_code != 0) return failed_at(__LINE__);
        if (dialog_failure != 0) {
            error_code = dialog_failure;
            return step::failed;
        }
        if (response == UF_UI_CANCEL) return step::ended;
        if (response == UF_UI_BACK) return step::back;
        if (response != UF_UI_OK) continue;
        // -1 when OK came without the OK callback taking the lists.
        bool chosen = chosen_operation >= 0;
        // GCOVR_EXCL_BR_START: the dialog's lists hold only these entries
        chosen = chosen && chosen_operation < operation_count &&
                 (chosen_operation != op_move || chosen_place == place_before || chosen_place == place_after);
        // GCOVR_EXCL_BR_STOP
        if (chosen) return step::go_on;
        uc1601("выбери операцию правки маршрута", 1);
    }
}

// --- Numbering -----------------------------------------------------------------------

// Puts back every point_id written so far, last first. Failures are reported, and a
// box says the numbering is left mixed (the walk numbers it again); the one that
// started it stays in error_code.
void restore_point_ids() {
    int failure = error_code;
    int left = 0;
    for (int i = written_count - 1; i >= 0; --i) {
        UF_ATTR_value_t value;
        value.type = UF_ATTR_string;
        value.value.string = written[i].old_id;
        int rc = UF_ATTR_assign(written[i].rivet, POINT_ID_TITLE, value);
        if (rc != 0) {
            report_error(rc, __LINE__);
            ++left;
        }
    }
    written_count = 0;
    if (left != 0) {
        uc1601("нумерация не восстановлена до конца: выполни route_walk", 1);
        fprintf(error_log, "\n\tнумерация не восстановлена до конца: point_id не возвращены: заклепок %d\tline=%d\n",
                left, __LINE__);
    }
    error_code = failure;
}

// Numbers the rivets 01..n in this order with the route's prefix, as the walk writes
// point_id. What each held before is kept for restore_point_ids.
int number_route(const char *part_number, const tag_t *rivets, int n) {
    for (int m = 0; m < n; ++m) {
        UF_ATTR_value_t old{};
        error_code = UF_ATTR_read_value(rivets[m], POINT_ID_TITLE, UF_ATTR_string, &old);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return error_code;
        }
        written_id &w = written[written_count];
        w.rivet = rivets[m];
        snprintf(w.old_id, sizeof w.old_id, "%s", point_id_text(old));
        UF_free(old.value.string);

        char point_id[POINT_ID_BUFFER_SIZE];
        format_point_id(part_number, m + 1, point_id);
        UF_ATTR_value_t value;
        value.type = UF_ATTR_string;
        value.value.string = point_id;
        error_code = UF_ATTR_assign(rivets[m], POINT_ID_TITLE, value);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return error_code;
        }
        ++written_count;
    }
    return 0;
}

// --- Moving rivets between routes ------------------------------------------------------

int set_work_part(tag_t part, int line) {
    error_code = UF_ASSEM_set_work_part(part);
    if (error_code != 0) report_error(error_code, line);
    return error_code;
}

// The route's part becomes the work part, to take rivets; asked for by name, as the
// transfer finds a route's part (a null part fails as the work part, reported).
int set_route_work_part(route_state &r, int line) {
    if (r.part == NULL_TAG) r.part = UF_PART_ask_part_tag(r.part_name);
    return set_work_part(r.part, line);
}

// The looks of the rivets, asked while the displayed part is the work part, so that
// their name origins are absolute as the move takes them.
int ask_looks(const tag_t *rivets, int n, rivet_look *looks) {
    if (set_work_part(display_part, __LINE__) != 0) return error_code;
    for (int i = 0; i < n; ++i)
        if (ask_rivet_look(rivets[i], looks[i]) != 0) return error_code;
    return 0;
}

// Moves the rivets under `to`, in order, with every attribute; the new occurrences go
// to moved[], their count to *moved_count. Stops at the first failure (reported).
int move_rivets(route_state &to, const tag_t *rivets, int n, tag_t *moved, int *moved_count) {
    *moved_count = 0;
    rivet_look looks[MAX_ROUTE_RIVETS];
    if (ask_looks(rivets, n, looks) != 0) return error_code;
    if (set_route_work_part(to, __LINE__) != 0) return error_code;
    for (int i = 0; i < n; ++i) {
        if (move_rivet(to.occurrence, to.part, rivets[i], looks[i], rivet_attributes::all, &moved[i]) != 0)
            return error_code;
        ++*moved_count;
    }
    return set_work_part(display_part, __LINE__);
}

// Takes a half-done move back: the moved rivets go back under `from`, last first.
// The failure that started it stays in error_code. Answers true when all are back.
bool move_back(route_state &from, const route_state &to, tag_t *moved, int n) {
    int failure = error_code;
    rivet_look looks[MAX_ROUTE_RIVETS];
    bool back = ask_looks(moved, n, looks) == 0 && set_route_work_part(from, __LINE__) == 0;
    for (int i = n - 1; i >= 0 && back; --i) {
        tag_t again = NULL_TAG;
        back = move_rivet(from.occurrence, from.part, moved[i], looks[i], rivet_attributes::all, &again) == 0;
        if (back) moved[i] = again;
    }
    set_work_part(display_part, __LINE__);
    if (!back) {
        char message[MESSAGE_SIZE];
        snprintf(message, sizeof message, "правка не отменена до конца: проверь маршруты %.30s и %.30s",
                 from.instance_name, to.instance_name);
        uc1601(message, 1);
        fprintf(error_log, "\n\tправка не отменена до конца: заклепки в маршрутах <%s> и <%s>\tline=%d\n",
                from.instance_name, to.instance_name, __LINE__);
    }
    error_code = failure;
    return back;
}

// Removes a route's component from the assembly; answers error_code, reported.
int remove_route_component(const route_state &r) {
    tag_t instance = UF_ASSEM_ask_inst_of_part_occ(r.occurrence);
    error_code = UF_ASSEM_remove_instance(instance);
    if (error_code != 0) report_error(error_code, __LINE__);
    return error_code;
}

// --- Making a route component as route creation makes one ----------------------------------

// The route name, number and suffix of a part number "<name>_<number><suffix>", the
// number of three digits or more after the last underscore that has them.
bool split_route_name(const char *part_number, char (&name)[NEW_ASSEM_NAME_SIZE], long long *number,
                      char (&suffix)[NEW_ASSEM_NAME_SIZE]) {
    for (size_t at = std::strlen(part_number); at-- > 0;) {
        if (part_number[at] != '_') continue;
        size_t digits = 0;
        while (part_number[at + 1 + digits] >= '0' && part_number[at + 1 + digits] <= '9') ++digits;
        if (digits < 3 || digits > 9) continue;
        snprintf(name, sizeof name, "%.*s", static_cast<int>(at), part_number);
        *number = std::strtoll(part_number + at + 1, nullptr, 10);
        snprintf(suffix, sizeof suffix, "%s", part_number + at + 1 + digits);
        return true;
    }
    return false;
}

// Creates the part of the next free number of the route's name, adds it to the
// assembly, marks it PATH = "work" and saves it; it stays loaded for the rivets.
// Answers accepted (made filled in), refused (nothing made, told) or failed.
taken create_part_of_route(const route_state &from, tag_t &instance) {
    char name[NEW_ASSEM_NAME_SIZE];
    char suffix[NEW_ASSEM_NAME_SIZE];
    long long number = 0;
    if (!split_route_name(from.part_number, name, &number, suffix)) {
        char message[MESSAGE_SIZE];
        snprintf(message, sizeof message, "имя маршрута %.40s не из route_create: маршрут не делится",
                 from.part_number);
        uc1601(message, 1);
        fprintf(error_log, "\n\tимя маршрута <%s> не из route_create, маршрут не разделен\tline=%d\n", from.part_number,
                __LINE__);
        return taken::refused;
    }
    char new_assem_name[NEW_ASSEM_NAME_SIZE];
    char encoded_name[ENCODED_NAME_SIZE];
    tag_t part_tag = NULL_TAG;
    for (int tries = 0;; ++tries) {
        ++number;
        int length = snprintf(new_assem_name, sizeof new_assem_name, "%s_%03lld%s", name, number, suffix);
        if (tries == NUMBER_TRIES || length > ROUTE_NAME_MAX) {
            char message[MESSAGE_SIZE];
            snprintf(message, sizeof message, "нет свободного номера маршрута %.40s", from.part_number);
            uc1601(message, 1);
            fprintf(error_log, "\n\tнет свободного номера маршрута <%s>, маршрут не разделен\tline=%d\n",
                    from.part_number, __LINE__);
            error_code = 0;  // the numbers found taken are no failure of the run
            return taken::refused;
        }
        bool number_taken = false;
        if (new_route_part(new_assem_name, encoded_name, part_tag, number_taken, report_error) == 0) break;
        if (!number_taken) return taken::failed;
    }

    switch (add_route_part(encoded_name, new_assem_name, instance, report_error)) {
    case step::go_on: break;
    case step::ended:
        error_code = UF_ASSEM_remove_instance(instance);
        if (error_code != 0) report_error(error_code, __LINE__);
        return error_code != 0 ? taken::failed : taken::refused;
    default:
        // Added but not marked or saved: the instance goes again.
        if (instance != NULL_TAG) remove_instance_again(instance, report_error);
        return taken::failed;
    }

    made = route_state{};
    made.part = part_tag;
    snprintf(made.instance_name, sizeof made.instance_name, "%.*s", ROUTE_NAME_MAX, new_assem_name);
    snprintf(made.part_name, sizeof made.part_name, "%s", encoded_name);
    snprintf(made.part_number, sizeof made.part_number, "%.*s", ROUTE_NAME_MAX, new_assem_name);
    return taken::accepted;
}

// The new route component, with the display suppressed around its making.
taken create_route(const route_state &from, tag_t &instance) {
    error_code = UF_DISP_set_display(UF_DISP_SUPPRESS_DISPLAY);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return taken::failed;
    }
    taken got = create_part_of_route(from, instance);
    // As route creation leaves it; an assembly not displayed again is a failure too
    // here, since the new route's component is found from the displayed assembly.
    int failure = error_code;
    int part_failure = 0;
    int shown = display_assembly_again(report_error, part_failure);
    if (failure == 0) failure = shown != 0 ? shown : part_failure;
    error_code = failure;
    if (got == taken::accepted && error_code != 0) {
        remove_instance_again(instance, report_error);
        return taken::failed;
    }
    if (got != taken::accepted) return got;
    made.occurrence = UF_ASSEM_ask_part_occ_of_inst(NULL_TAG, instance);
    if (made.occurrence == NULL_TAG) {
        uc1601("компонент нового маршрута не найден в сборке: маршрут не разделен", 1);
        fprintf(error_log, "\n\tнет компонента нового маршрута <%s>\tline=%d\n", made.instance_name, __LINE__);
        error_code = UF_ASSEM_remove_instance(instance);
        if (error_code != 0) report_error(error_code, __LINE__);
        return error_code != 0 ? taken::failed : taken::refused;
    }
    return taken::accepted;
}

// --- The operations ----------------------------------------------------------------------

void tell_done(const char *message) {
    uc1601(message, 1);
    fprintf(error_log, "\n\t%s\tline=%d\n", message, __LINE__);
}

// Writes the new order of the route being edited, or puts every identifier back.
int renumber(const tag_t *order, const char *what) {
    written_count = 0;
    if (number_route(route.part_number, order, route.count) != 0) {
        restore_point_ids();
        return error_code;
    }
    char message[MESSAGE_SIZE];
    // What was done is cut to what the box holds beside the route and the count.
    snprintf(message, sizeof message, "маршрут %.30s: %.49s, %d заклепок пронумерованы заново", route.instance_name,
             what, route.count);
    tell_done(message);
    return 0;
}

int reverse_route() {
    tag_t order[MAX_ROUTE_RIVETS];
    for (int i = 0; i < route.count; ++i) order[i] = route.rivets[route.count - 1 - i];
    return renumber(order, "обратный порядок");
}

step start_at(const host_tags &children, int &result) {
    tag_t first = NULL_TAG;
    step got = pick_rivet("выбери первую заклепку", "первая заклепка", children, first);
    if (got != step::go_on) return got;
    host_list walk(report_error);
    if (walk_nearest(children, first, walk) != step::go_on) return step::failed;
    tag_t order[MAX_ROUTE_RIVETS];
    for (int m = 0; m < route.count; ++m) {
        error_code = UF_MODL_ask_list_item(walk.list, m, &order[m]);
        if (error_code != 0) return failed_at(__LINE__);
    }
    if (walk.remove() != 0) return step::failed;
    result = renumber(order, "обход с выбранной заклепки");
    return step::go_on;
}

// Back at the first rivet returns to the operation dialog, at the second to the first.
step move_one(const host_tags &children, int &result) {
    for (;;) {
        tag_t moving = NULL_TAG;
        step got = pick_rivet("выбери заклепку, которую переставить", "перестановка заклепки", children, moving);
        if (got != step::go_on) return got;
        const char *cue = chosen_place == place_before ? "выбери заклепку, перед которой ее поставить"
                                                       : "выбери заклепку, после которой ее поставить";
        tag_t beside = NULL_TAG;
        for (;;) {
            got = pick_rivet(cue, "перестановка заклепки", children, beside);
            if (got != step::go_on || beside != moving) break;
            uc1601("заклепку нельзя поставить рядом с ней самой", 1);
        }
        if (got == step::back) continue;
        if (got != step::go_on) return got;

        tag_t order[MAX_ROUTE_RIVETS];
        int n = 0;
        for (int i = 0; i < route.count; ++i) {
            tag_t rivet = route.rivets[i];
            if (rivet == moving) continue;
            if (rivet == beside && chosen_place == place_before) order[n++] = moving;
            order[n++] = rivet;
            if (rivet == beside && chosen_place == place_after) order[n++] = moving;
        }
        result = renumber(order, "заклепка переставлена");
        return step::go_on;
    }
}

int shortest_route() {
    double points[MAX_ROUTE_RIVETS][3];
    int order[MAX_ROUTE_RIVETS];
    for (int i = 0; i < route.count; ++i) {
        if (ask_component_origin(route.rivets[i], points[i]) != 0) {
            report_error(error_code, __LINE__);
            return error_code;
        }
        order[i] = i;
    }
    int units = 0;
    error_code = UF_PART_ask_units(display_part, &units);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return error_code;
    }
    double to_mm = units == UF_PART_ENGLISH ? MM_PER_INCH : 1.0;
    double before = route_travel(points, order, route.count) * to_mm;
    // GCOVR_EXCL_START: at most 99 points in their own order, which it always takes
    if (shortest_order(points, order, route.count) != 0)
        for (int i = 0; i < route.count; ++i) order[i] = i;  // nothing shorter to offer
    // GCOVR_EXCL_STOP
    double after = route_travel(points, order, route.count) * to_mm;
    fprintf(error_log, "\n\tмаршрут <%s>: длина обхода %.3f мм, в кратчайшем порядке %.3f мм\tline=%d\n",
            route.instance_name, before, after, __LINE__);
    tag_t rivets[MAX_ROUTE_RIVETS];
    for (int i = 0; i < route.count; ++i) rivets[i] = route.rivets[order[i]];
    char what[MESSAGE_SIZE];
    snprintf(what, sizeof what, "длина обхода %.1f мм, стала %.1f мм", before, after);
    return renumber(rivets, what);
}

// Takes back a split or merge whose rivets moved from `from` to `to`; the new route of
// a split goes too, and a box tells when it cannot. The failure stays in error_code.
void take_back_moves(route_state &from, const route_state &to, tag_t *moved, int n, tag_t made_instance) {
    if (move_back(from, to, moved, n) && made_instance != NULL_TAG &&
        !remove_instance_again(made_instance, report_error)) {
        char message[MESSAGE_SIZE];
        snprintf(message, sizeof message, "пустой маршрут %.30s остался в сборке", to.instance_name);
        uc1601(message, 1);
    }
}

step split_route(const host_tags &children, int &result) {
    int at = 0;
    for (;;) {
        tag_t rivet = NULL_TAG;
        step got = pick_rivet("выбери первую заклепку нового маршрута", "разделение маршрута", children, rivet);
        if (got != step::go_on) return got;
        at = place_of(route, rivet);
        if (at > 0) break;
        uc1601("с первой заклепки маршрут не делится: выбери другую", 1);
    }

    tag_t instance = NULL_TAG;
    taken created = create_route(route, instance);
    if (created == taken::failed) return step::failed;
    if (created == taken::refused) {
        result = error_code;
        return step::go_on;
    }
    tag_t moved[MAX_ROUTE_RIVETS];
    int moved_count = 0;
    int n = route.count - at;
    if (move_rivets(made, route.rivets + at, n, moved, &moved_count) != 0) {
        take_back_moves(route, made, moved, moved_count, instance);
        return step::failed;
    }
    written_count = 0;
    if (number_route(route.part_number, route.rivets, at) != 0 || number_route(made.part_number, moved, n) != 0) {
        restore_point_ids();
        take_back_moves(route, made, moved, moved_count, instance);
        return step::failed;
    }
    char message[MESSAGE_SIZE];
    snprintf(message, sizeof message, "маршрут разделен: %.30s - %d заклепок, %.30s - %d заклепок", route.instance_name,
             at, made.instance_name, n);
    tell_done(message);
    result = 0;
    return step::go_on;
}

step merge_route(int &result) {
    host_tags second_children;
    for (;;) {
        tag_t other = NULL_TAG;
        step got = pick_one("выбери маршрут, который присоединить", "объединение маршрутов", other_route_init,
                            &route.occurrence, "будьте любезны выбрать маршрут-компонент", other);
        if (got != step::go_on) return got;
        taken read = read_route(other, second, second_children);
        if (read == taken::failed) return step::failed;
        if (read == taken::refused) continue;
        if (route.count + second.count <= MAX_ROUTE_RIVETS) break;
        char message[MESSAGE_SIZE];
        snprintf(message, sizeof message, "в объединенном маршруте было бы %d заклепок, больше 99",
                 route.count + second.count);
        uc1601(message, 1);
    }
    second_children.release();

    tag_t order[MAX_ROUTE_RIVETS];
    for (int i = 0; i < route.count; ++i) order[i] = route.rivets[i];
    tag_t *moved = order + route.count;
    int moved_count = 0;
    if (move_rivets(route, second.rivets, second.count, moved, &moved_count) != 0) {
        take_back_moves(second, route, moved, moved_count, NULL_TAG);
        return step::failed;
    }
    written_count = 0;
    if (number_route(route.part_number, order, route.count + second.count) != 0) {
        restore_point_ids();
        take_back_moves(second, route, moved, moved_count, NULL_TAG);
        return step::failed;
    }
    // The rivets are all in place: an emptied route that stays is only told.
    if (remove_route_component(second) != 0) {
        char message[MESSAGE_SIZE];
        snprintf(message, sizeof message, "пустой маршрут %.30s остался в сборке", second.instance_name);
        uc1601(message, 1);
        result = error_code;
        return step::go_on;
    }
    char message[MESSAGE_SIZE];
    snprintf(message, sizeof message, "маршруты объединены: %.30s - %d заклепок, %.30s удален", route.instance_name,
             route.count + second.count, second.instance_name);
    tell_done(message);
    result = 0;
    return step::go_on;
}

// --- The tool ----------------------------------------------------------------------------

// The route dialog until a walked route is picked; its children held in `children`.
step choose_route(host_tags &children) {
    for (;;) {
        tag_t object = NULL_TAG;
        step got = pick_one("Выбери маршрут для правки", "правка маршрута", route_init, nullptr,
                            "будьте любезны выбрать маршрут-компонент", object);
        if (got == step::back) continue;
        if (got != step::go_on) return got;
        taken read = read_route(object, route, children);
        if (read == taken::failed) return step::failed;
        if (read == taken::accepted) return step::go_on;
    }
}

// One operation on the route: go_on with its result, back to the operation dialog,
// ended or failed.
step run_operation(const host_tags &children, int &result) {
    switch (chosen_operation) {
    case op_reverse: result = reverse_route(); return step::go_on;
    case op_start_at: return start_at(children, result);
    case op_move: return move_one(children, result);
    case op_shortest: result = shortest_route(); return step::go_on;
    case op_split: return split_route(children, result);
    default: return merge_route(result);
    }
}

// Back in the operation dialog shows the route dialog again; Back in a pick of an
// operation shows the operation dialog again.
int edit_route() {
    host_tags children;  // the route's rivets in NX's order, for the picks and the walk
    for (;;) {
        switch (choose_route(children)) {  // GCOVR_EXCL_BR_LINE: it never answers Back
        case step::go_on: break;
        case step::back:  // never answered: Back shows the route dialog again
        case step::ended: return 0;
        case step::failed: return error_code;
        }
        for (;;) {
            step got = choose_operation();
            if (got == step::back) break;
            if (got == step::ended) return 0;
            if (got == step::failed) return error_code;
            int result = 0;
            got = run_operation(children, result);
            if (got == step::back) continue;
            if (got == step::ended) return 0;
            if (got == step::failed) return error_code;
            error_code = result;
            return error_code;
        }
    }
}

const char *const log_paths[] = {"D:\\prterr.txt"};

const plain_run_variant variant = {
    .start_banner = "\n <route_edit>\tHAS STARTED\t\tline=%d\n",
    .finish_banner = "\n <route_edit>\tHAS FINISHED\tline=%d\n",
    .log_paths = log_paths,
    .log_path_count = 1,
    .requires_display = true,
    .logs_units = true,
    .returns_tool_result = true,
    .also_close = nullptr,
};

}  // namespace

UFUSR_EXPORT void ufusr(char * /*param*/, int *retcod, int /*param_len*/) {
    run_plain_tool(variant, edit_route, retcod);
}

UFUSR_EXPORT int ufusr_ask_unload(void) { return UF_UNLOAD_IMMEDIATELY; }
