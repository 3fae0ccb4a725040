// Copies every leaf component below a picked group of components into a one-level
// assembly, new or opened, keeping each leaf's part, reference set, instance name,
// absolute place, colour look, object name and name origin.
#include <cstdio>
#include <cstring>
#include <unordered_set>

#include "common/component.h"
#include "common/steps.h"
#include "common/tool_run.h"
#include "uf.h"
#include "uf_assem.h"
#include "uf_disp.h"
#include "uf_modl.h"
#include "uf_obj.h"
#include "uf_part.h"
#include "uf_ugmgr.h"
#include "uf_ui.h"

namespace {

constexpr int COLOR_TABLE_SIZE = 220;
constexpr int STATUS_TEXT_SIZE = 50;
constexpr int PROGRESS_STEPS = 100;
constexpr int NO_COLOR = -1;  // the new component keeps the target's default colour

// Answers of the NEW/OPEN choice.
constexpr int CHOICE_BACK = 1;
constexpr int CHOICE_CANCEL = 2;
constexpr int CHOICE_NEW = 5;
constexpr int CHOICE_OPEN = 6;
constexpr int CHOICE_DISALLOWED = 19;

constexpr int CHOICE_DEFAULT = 1;
constexpr int CHOICE_OPTIONS = 2;

// Layer code -1: the work layer of the target part.
constexpr int TARGET_LAYER = UF_ASSEM_WORK_LAYER;

char part_file_type[] = "master";
char part_file_name[] = "aa";
char none_refset[] = "None";

// Source colour table, read while the source part is still displayed.
int source_color_count = 0;    // as the host answers it
int source_colors_stored = 0;  // colours held in the table: at most COLOR_TABLE_SIZE
double source_color_values[COLOR_TABLE_SIZE][3];

// Leaf list in collection order, and the same tags as a set so that the
// once-only check stays constant-time for assemblies of many thousand leaves.
host_list leaf_list(report_error);
std::unordered_set<tag_t> listed_leaves;

tag_t part_tag = NULL_TAG;
int target_color_count = -1;  // asked only when a leaf's colour is not in the source table
char status_text[STATUS_TEXT_SIZE];

int read_source_colors() {
    error_code = UF_DISP_ask_color_count(&source_color_count);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return error_code;
    }
    source_colors_stored = source_color_count < 0 ? 0 : source_color_count;
    if (source_colors_stored > COLOR_TABLE_SIZE) source_colors_stored = COLOR_TABLE_SIZE;
    for (int i = 0; i < source_colors_stored; ++i) {
        char *color_name = nullptr;
        error_code = UF_DISP_ask_color(i, UF_DISP_rgb_model, &color_name, source_color_values[i]);
        if (color_name != nullptr) UF_free(color_name);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return error_code;
        }
    }
    // Colours beyond the table cannot be matched by look: they keep their number.
    if (source_color_count > COLOR_TABLE_SIZE)
        fprintf(error_log,
                "\n\t в исходном файле %d цветов, прочитаны первые %d: цвета с номерами от %d "
                "переносятся без подбора\tline=%d\n",
                source_color_count, COLOR_TABLE_SIZE, COLOR_TABLE_SIZE, __LINE__);
    return 0;
}

const component_selection component_group = {
    .cue = "выбери группу компонент",
    .title = "группа компонент",
    .init = component_mask_init,
    .nothing_selected = "компоненты не выбраны!",
    .report = report_error,
};

// Any failure ends the collection: a branch whose children could not be listed
// would be copied as one leaf, and a leaf not listed would be lost without a word.
// Returns 0 or the host's code.
int collect_leaves(tag_t occurrence) {
    host_tags children;
    if (ask_occurrence_children(occurrence, children, report_error) != 0) return error_code;
    if (children.count > 0) {
        int result = 0;
        for (int i = 0; i < children.count && result == 0; ++i) result = collect_leaves(children.items[i]);
        return result;
    }
    children.release();

    if (listed_leaves.count(occurrence) != 0) return 0;
    error_code = UF_MODL_put_list_item(leaf_list.list, occurrence);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return error_code;
    }
    listed_leaves.insert(occurrence);
    return 0;
}

int create_leaf_list() {
    if (leaf_list.create() != 0) return error_code;
    listed_leaves.clear();
    return 0;
}

int delete_leaf_list() {
    listed_leaves.clear();
    return leaf_list.remove();
}

// Ends the tool: the leaf list goes, the result stays what it was.
int end_tool(int result) {
    int code = delete_leaf_list();
    return result != 0 ? result : code;
}

int choose_target() {
    char options[CHOICE_OPTIONS][UF_CHOICE_OPTION_SIZE];
    snprintf(options[0], sizeof options[0], "%s", "new file");
    snprintf(options[1], sizeof options[1], "%s", "open file");
    return uc1603("Выбери NEW или OPEN файл", CHOICE_DEFAULT, options, CHOICE_OPTIONS);
}

// Splits "prefix/number/revision". Returns 0, or 1 after telling the engineer why
// the name cannot be used.
int split_part_name(const char *part_name, char part_number[UF_UGMGR_PARTNO_SIZE + 1],
                    char part_revision[UF_UGMGR_PARTREV_SIZE + 1]) {
    const char *first = strchr(part_name, '/');
    const char *second = first != nullptr ? strchr(first + 1, '/') : nullptr;
    if (second == nullptr || second == first + 1 || second[1] == '\0') {
        uc1601("имя детали должно иметь вид префикс/номер/ревизия", 1);
        fprintf(error_log, "\n\tимя детали \"%s\" не имеет вида префикс/номер/ревизия\tline=%d\n", part_name, __LINE__);
        return 1;
    }
    size_t number_length = static_cast<size_t>(second - first - 1);
    size_t revision_length = strlen(second + 1);
    if (number_length > UF_UGMGR_PARTNO_SIZE || revision_length > UF_UGMGR_PARTREV_SIZE) {
        char message[MAX_FSPEC_SIZE + 1];
        snprintf(message, sizeof message, "номер детали длиннее %d или ревизия длиннее %d знаков", UF_UGMGR_PARTNO_SIZE,
                 UF_UGMGR_PARTREV_SIZE);
        uc1601(message, 1);
        fprintf(error_log, "\n\t%s: \"%s\"\tline=%d\n", message, part_name, __LINE__);
        return 1;
    }
    snprintf(part_number, UF_UGMGR_PARTNO_SIZE + 1, "%.*s", static_cast<int>(number_length), first + 1);
    snprintf(part_revision, UF_UGMGR_PARTREV_SIZE + 1, "%s", second + 1);
    return 0;
}

// New target part through TeamCenter. Returns 0 with part_tag set, 0 with no part
// when the engineer cancelled, else the host's code.
int new_managed_part() {
    char part_name[MAX_FSPEC_SIZE + 1];
    char part_number[UF_UGMGR_PARTNO_SIZE + 1];
    char part_revision[UF_UGMGR_PARTREV_SIZE + 1];
    char encoded_name[MAX_FSPEC_SIZE + 1];
    int response = 0;

    // A name that does not split is asked for again: nothing exists yet to lose.
    for (;;) {
        part_name[0] = '\0';
        error_code = UF_UI_ugmgr_ask_create_part_name(nullptr, part_name, &response);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return error_code;
        }
        if (response == UF_UI_CANCEL) return 0;
        part_name[MAX_FSPEC_SIZE] = '\0';
        if (split_part_name(part_name, part_number, part_revision) == 0) break;
    }

    error_code =
        UF_UGMGR_encode_part_filename(part_number, part_revision, part_file_type, part_file_name, encoded_name);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return error_code;
    }
    error_code = UF_PART_new(encoded_name, UF_PART_METRIC, &part_tag);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        part_tag = NULL_TAG;
        return error_code;
    }
    return 0;
}

// What a part dialog left in error_code and part_tag: 0 with the part, 0 with no part
// when the engineer cancelled, else the host's code (reported).
int take_part_answer(int response) {
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        part_tag = NULL_TAG;
        return error_code;
    }
    if (response == UF_UI_CANCEL) part_tag = NULL_TAG;
    return 0;
}

int new_native_part() {
    char file_name[MAX_FSPEC_SIZE + 1] = "";
    int units = UF_PART_METRIC;
    int response = 0;
    error_code = UF_UI_create_part(nullptr, file_name, &units, &response, &part_tag);
    return take_part_answer(response);
}

int open_target_part() {
    char file_name[MAX_FSPEC_SIZE + 1] = "";
    int response = 0;
    error_code = UF_UI_open_part(nullptr, file_name, &response, &part_tag);
    return take_part_answer(response);
}

int log_target_units() {
    int units = 0;
    error_code = UF_PART_ask_units(part_tag, &units);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return error_code;
    }
    if (units == UF_PART_METRIC)
        fprintf(error_log, "\n\t ВЫходной файл выполнен в ===МЕТРИЧЕСКИХ=== единицах\n");
    else if (units == UF_PART_ENGLISH)
        fprintf(error_log, "\n\t ВЫходной файл выполнен в ===ДЮЙМОВЫХ=== единицах\n");
    return 0;
}

// A copy that could not be finished (colour, name, name origin) is taken out again,
// so the target holds whole copies only. Reports the failure and keeps its code.
int drop_new_instance(tag_t instance, const char *instance_name, int line) {
    if (!take_back_instance(instance, line, report_error)) {
        // Nothing more can be done here: the engineer has to remove it by hand.
        char message[STATUS_TEXT_SIZE + MAX_ENTITY_NAME_SIZE];
        snprintf(message, sizeof message, "компонент %.30s скопирован не полностью", instance_name);
        uc1601(message, 1);
        fprintf(error_log, "\n\tкомпонент <%s> скопирован не полностью: удалите его\tline=%d\n", instance_name,
                __LINE__);
    }
    return error_code;
}

// Copies the leaf at `index` under the target part's root.
int copy_leaf(int index) {
    tag_t leaf = NULL_TAG;
    error_code = UF_MODL_ask_list_item(leaf_list.list, index, &leaf);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return error_code;
    }

    char name_item[MAX_ENTITY_NAME_SIZE + 1] = "";
    double name_origin[3] = {0.0, 0.0, 0.0};
    UF_OBJ_disp_props_t disp_props = {};
    error_code = UF_OBJ_ask_name(leaf, name_item);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return error_code;
    }
    error_code = UF_OBJ_ask_name_origin(leaf, name_origin);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return error_code;
    }
    error_code = UF_OBJ_ask_display_properties(leaf, &disp_props);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return error_code;
    }

    // The target part is displayed now, so the match is made in its own table.
    int clr_num = disp_props.color;
    bool stored = disp_props.color < source_colors_stored;
    if (disp_props.color < 0) stored = false;  // GCOVR_EXCL_BR_LINE: colour numbers are never negative
    if (stored) {
        error_code = UF_DISP_ask_closest_color(UF_DISP_rgb_model, source_color_values[disp_props.color],
                                               UF_DISP_CCM_EUCLIDEAN_DISTANCE, &clr_num);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return error_code;
        }
    } else {
        // No look to match: keep the number if the target has it, else its default colour.
        if (target_color_count < 0) {
            error_code = UF_DISP_ask_color_count(&target_color_count);
            if (error_code != 0) {
                report_error(error_code, __LINE__);
                return error_code;
            }
        }
        if (clr_num < 0) clr_num = NO_COLOR;  // GCOVR_EXCL_BR_LINE: colour numbers are never negative
        if (clr_num >= target_color_count) clr_num = NO_COLOR;
    }

    component_data source{};
    if (ask_component_data(leaf, source) != 0) {
        report_error(error_code, __LINE__);
        return error_code;
    }
    if (strcmp(source.refset_name, none_refset) == 0) source.refset_name[0] = '\0';
    if (clr_num == NO_COLOR)
        fprintf(error_log, "\n\tцвета %d компонента %s нет в таблицах цветов: оставлен цвет по умолчанию\tline=%d\n",
                disp_props.color, source.instance_name, __LINE__);

    tag_t new_instance = NULL_TAG;
    UF_PART_load_status_t error_status = {};
    error_code =
        UF_ASSEM_add_part_to_assembly(part_tag, source.part_name, source.refset_name, source.instance_name,
                                      source.origin, source.csys_matrix, TARGET_LAYER, &new_instance, &error_status);
    UF_PART_free_load_status(&error_status);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return error_code;
    }

    tag_t new_occurrence = UF_ASSEM_ask_part_occ_of_inst(NULL_TAG, new_instance);
    if (clr_num != NO_COLOR) {
        error_code = UF_OBJ_set_color(new_occurrence, clr_num);
        if (error_code != 0) return drop_new_instance(new_instance, source.instance_name, __LINE__);
    }
    error_code = UF_OBJ_set_name(new_occurrence, name_item);
    if (error_code != 0) return drop_new_instance(new_instance, source.instance_name, __LINE__);
    error_code = UF_OBJ_set_name_origin(new_occurrence, name_origin);
    if (error_code != 0) return drop_new_instance(new_instance, source.instance_name, __LINE__);
    return 0;
}

int copy_leaves() {
    int leaf_count = 0;
    error_code = UF_MODL_ask_list_count(leaf_list.list, &leaf_count);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return error_code;
    }
    int progress_step = leaf_count / PROGRESS_STEPS;
    int progress_counter = 0;
    for (int i = 0; i < leaf_count; ++i) {
        if (++progress_counter >= progress_step) {
            int percent = static_cast<int>(static_cast<long long>(i) * 100 / leaf_count);
            snprintf(status_text, sizeof status_text, "процент выполнения  %03d%%", percent);
            error_code = UF_UI_set_prompt(status_text);
            if (error_code != 0) {
                report_error(error_code, __LINE__);
                return error_code;
            }
            progress_counter = 0;
        }
        if (copy_leaf(i) != 0) return error_code;
    }
    return 0;
}

int build_flat_assembly() {
    if (read_source_colors() != 0) return error_code;

    // Back at the NEW/OPEN choice picks the group again.
    int choice = CHOICE_BACK;
    while (choice == CHOICE_BACK) {
        host_tags groups;
        step got = step::back;
        while (got == step::back) got = select_components(component_group, groups);
        if (got == step::failed) return error_code;
        if (got == step::ended) return 0;

        if (unhighlight(groups.items, groups.count, report_error) != 0) return error_code;

        if (create_leaf_list() != 0) return error_code;
        int collected = 0;
        for (int i = 0; i < groups.count && collected == 0; ++i) collected = collect_leaves(groups.items[i]);
        groups.release();
        if (collected != 0) return end_tool(collected);

        choice = choose_target();
        if (choice == CHOICE_BACK && delete_leaf_list() != 0) return error_code;
    }

    switch (choice) {
    case CHOICE_CANCEL: return end_tool(0);
    case CHOICE_NEW:
    case CHOICE_OPEN: break;
    case CHOICE_DISALLOWED:
        uc1601("disallowed state, unable to bring up dialog", 1);
        fprintf(error_log, "disallowed state, unable to bring up dialog\t\tline=%d\n", __LINE__);
        // Nothing was done: the run must not look like a success.
        return end_tool(CHOICE_DISALLOWED);
    default:
        // No answer the dialog gives: the host's failure code.
        report_error(choice, __LINE__);
        fprintf(error_log, "\n\tнеизвестный ответ %d на выбор NEW или OPEN: ничего не создано\tline=%d\n", choice,
                __LINE__);
        return end_tool(choice);
    }

    logical managed = FALSE;
    error_code = UF_is_ugmanager_active(&managed);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return end_tool(error_code);
    }

    part_tag = NULL_TAG;
    int result = 0;
    if (choice == CHOICE_NEW)
        result = managed ? new_managed_part() : new_native_part();
    else
        result = open_target_part();
    if (result != 0) return end_tool(result);
    if (part_tag == NULL_TAG) return end_tool(0);  // the engineer cancelled

    if (log_target_units() != 0) return end_tool(error_code);
    if (copy_leaves() != 0) return end_tool(error_code);
    return end_tool(0);
}

const char *const log_paths[] = {"D:\\prterr.txt", "C:\\temp\\prterr.txt"};

const plain_run_variant variant = {
    .start_banner = "\n <flat_assembly>\tHAS STARTED\t\tline=%d\n",
    .finish_banner = "\n <flat_assembly>\tHAS FINISHED\tline=%d\n",
    .log_paths = log_paths,
    .log_path_count = 2,
    .requires_display = true,
    .logs_units = true,  // of the source part
    .returns_tool_result = true,
    .also_close = nullptr,
};

}  // namespace

UFUSR_EXPORT void ufusr(char * /*param*/, int *retcod, int /*param_len*/) {
    run_plain_tool(variant, build_flat_assembly, retcod);
}

UFUSR_EXPORT int ufusr_ask_unload(void) { return UF_UNLOAD_IMMEDIATELY; }
