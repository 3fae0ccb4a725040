// Creates a series of numbered route components in the displayed assembly: new
// TeamCenter parts "<name>_<number><suffix>" marked PATH = "work", each added to the
// assembly at its origin, saved and closed.
#include <cstdio>
#include <cstring>

#include "common/host_records.h"
#include "common/route_part.h"
#include "common/styler_items.h"
#include "common/tool_run.h"
#include "uf.h"
#include "uf_disp.h"
#include "uf_part.h"
#include "uf_styler.h"
#include "uf_ui.h"

namespace {

constexpr int ROUTE_TEXT_SIZE = 12;  // route name and suffix: 11 characters
constexpr int ROUTE_TEXT_MAX = ROUTE_TEXT_SIZE - 1;
constexpr int NEW_ASSEM_NAME_SIZE = 200;
constexpr int MESSAGE_SIZE = 133;
// The part number is also the instance name, which the host holds to this length.
constexpr int ROUTE_NAME_MAX = MAX_ENTITY_NAME_SIZE;
constexpr int CALLBACK_COUNT = 8;

const char dialog_path[] = "\\\\appsrv\\server\\user_tools\\win\\application\\create_path.dlg";

const char item_path_name[] = "PATH_NAME";
const char item_init_path[] = "INIT_PATH";
const char item_path_count[] = "PATH_COUNT";
const char item_suffix[] = "SUFFIX";

char path_name[ROUTE_TEXT_SIZE] = "AAAAB";
char suffix[ROUTE_TEXT_SIZE] = "CCCCC";
int init_path = 1;
int path_count = 1;
// First NX failure met inside a dialog callback: the dialog's values cannot be trusted.
int dialog_failure = 0;

int callback_failed(int code, int line) {
    report_error(code, line);
    // GCOVR_EXCL_BR_START: the first failure closes the dialog and ends the run
    if (dialog_failure == 0) dialog_failure = code;
    // GCOVR_EXCL_BR_STOP
    return 1;
}

// Longer input is cut to what the module text holds; the engineer is told what was taken.
void tell_cut(const char *item, const char *taken) {
    char message[MESSAGE_SIZE];
    if (std::strcmp(item, item_path_name) == 0)
        snprintf(message, sizeof message, "имя маршрута длиннее %d знаков, принято: %s", ROUTE_TEXT_MAX, taken);
    else
        snprintf(message, sizeof message, "суффикс длиннее %d знаков, принято: %s", ROUTE_TEXT_MAX, taken);
    uc1601(message, 1);
    fprintf(error_log, "\n\t%s длиннее %d знаков, принято <%s>\tline=%d\n", item, ROUTE_TEXT_MAX, taken, __LINE__);
}

// Reads a text item into its module text. *cut tells whether the input was longer.
int take_text(int dialog_id, const char *item, char (&text)[ROUTE_TEXT_SIZE], bool *cut) {
    UF_STYLER_item_value_type_t data = item_record(item, UF_STYLER_VALUE);
    error_code = UF_STYLER_ask_value(dialog_id, &data);
    if (error_code != 0) return error_code;
    // GCOVR_EXCL_BR_START: a text item has a text
    const char *value = data.value.string != nullptr ? data.value.string : "";
    // GCOVR_EXCL_BR_STOP
    *cut = std::strlen(value) > static_cast<size_t>(ROUTE_TEXT_MAX);
    snprintf(text, sizeof text, "%s", value);
    error_code = UF_STYLER_free_value(&data);
    if (*cut) tell_cut(item, text);
    return error_code;
}

int take_integer(int dialog_id, const char *item, int *number) {
    UF_STYLER_item_value_type_t data = item_record(item, UF_STYLER_VALUE);
    error_code = UF_STYLER_ask_value(dialog_id, &data);
    if (error_code != 0) return error_code;
    *number = data.value.integer;
    error_code = UF_STYLER_free_value(&data);
    return error_code;
}

int CREATE_PATH_constructor_cb(int dialog_id, void * /*client_data*/, UF_STYLER_item_value_type_p_t /*data*/) {
    error_code = set_item_text(dialog_id, item_path_name, path_name);
    if (error_code != 0) return callback_failed(error_code, __LINE__);
    error_code = set_item_text(dialog_id, item_suffix, suffix);
    if (error_code != 0) return callback_failed(error_code, __LINE__);
    return 0;
}

int CREATE_PATH_ok_cb(int dialog_id, void * /*client_data*/, UF_STYLER_item_value_type_p_t /*data*/) {
    bool cut = false;
    if (take_text(dialog_id, item_path_name, path_name, &cut) != 0) return callback_failed(error_code, __LINE__);
    if (take_text(dialog_id, item_suffix, suffix, &cut) != 0) return callback_failed(error_code, __LINE__);
    return 1;
}

int CREATE_PATH_apply_cb(int dialog_id, void * /*client_data*/, UF_STYLER_item_value_type_p_t /*data*/) {
    error_code = set_item_sensitivity(dialog_id, item_path_name, 1);
    if (error_code != 0) return callback_failed(error_code, __LINE__);
    error_code = set_item_sensitivity(dialog_id, item_suffix, 1);
    if (error_code != 0) return callback_failed(error_code, __LINE__);
    return 0;
}

// A confirmed text is taken and greyed out until Apply; a cut text is shown as taken.
int confirm_text(int dialog_id, const char *item, char (&text)[ROUTE_TEXT_SIZE]) {
    bool cut = false;
    if (take_text(dialog_id, item, text, &cut) != 0) return callback_failed(error_code, __LINE__);
    if (cut) {
        error_code = set_item_text(dialog_id, item, text);
        if (error_code != 0) return callback_failed(error_code, __LINE__);
    }
    error_code = set_item_sensitivity(dialog_id, item, 0);
    if (error_code != 0) return callback_failed(error_code, __LINE__);
    return 0;
}

int CREATE_PATH_path_name_act_cb(int dialog_id, void * /*client_data*/, UF_STYLER_item_value_type_p_t /*data*/) {
    return confirm_text(dialog_id, item_path_name, path_name);
}

int CREATE_PATH_init_path_act_cb(int dialog_id, void * /*client_data*/, UF_STYLER_item_value_type_p_t /*data*/) {
    if (take_integer(dialog_id, item_init_path, &init_path) != 0) return callback_failed(error_code, __LINE__);
    return 0;
}

int CREATE_PATH_path_count_act_cb(int dialog_id, void * /*client_data*/, UF_STYLER_item_value_type_p_t /*data*/) {
    if (take_integer(dialog_id, item_path_count, &path_count) != 0) return callback_failed(error_code, __LINE__);
    return 0;
}

int CREATE_PATH_suffix_act_cb(int dialog_id, void * /*client_data*/, UF_STYLER_item_value_type_p_t /*data*/) {
    return confirm_text(dialog_id, item_suffix, suffix);
}

UF_STYLER_callback_info_t create_path_cbs[CALLBACK_COUNT] = {
    styler_callback(UF_STYLER_DIALOG_INDEX, UF_STYLER_CONSTRUCTOR_CB, 0, CREATE_PATH_constructor_cb),
    styler_callback(UF_STYLER_DIALOG_INDEX, UF_STYLER_OK_CB, 0, CREATE_PATH_ok_cb),
    styler_callback(UF_STYLER_DIALOG_INDEX, UF_STYLER_APPLY_CB, 0, CREATE_PATH_apply_cb),
    styler_callback(item_path_name, UF_STYLER_ACTIVATE_CB, 0, CREATE_PATH_path_name_act_cb),
    styler_callback(item_init_path, UF_STYLER_ACTIVATE_CB, 0, CREATE_PATH_init_path_act_cb),
    styler_callback(item_path_count, UF_STYLER_ACTIVATE_CB, 0, CREATE_PATH_path_count_act_cb),
    styler_callback(item_suffix, UF_STYLER_ACTIVATE_CB, 0, CREATE_PATH_suffix_act_cb),
    styler_callback(UF_STYLER_NULL_OBJECT, UF_STYLER_NO_CB, 0, nullptr),
};

// Route numbers run in long long: the first number plus the count may pass the int range.
int route_name(char (&new_assem_name)[NEW_ASSEM_NAME_SIZE], long long number) {
    return snprintf(new_assem_name, sizeof new_assem_name, "%s_%03lld%s", path_name, number, suffix);
}

// Creates the routes; the display is suppressed around it by the caller.
int create_series() {
    char new_assem_name[NEW_ASSEM_NAME_SIZE];
    char encoded_name[ENCODED_NAME_SIZE];

    for (int i = 0; i < path_count; ++i) {
        route_name(new_assem_name, static_cast<long long>(init_path) + i);

        tag_t part_tag = NULL_TAG;
        bool taken = false;
        if (new_route_part(new_assem_name, encoded_name, part_tag, taken, report_error) != 0) {
            if (taken) continue;
            return error_code;
        }

        tag_t instance = NULL_TAG;
        if (add_route_part(encoded_name, new_assem_name, instance, report_error) != step::go_on) return error_code;

        error_code = UF_PART_close(part_tag, UF_PART_close_this_part, UF_PART_close_unload);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return error_code;
        }
    }
    return 0;
}

// Refuses a series whose longest part number would not fit an instance name.
bool names_fit() {
    if (path_count <= 0) return true;
    char first_name[NEW_ASSEM_NAME_SIZE];
    char last_name[NEW_ASSEM_NAME_SIZE];
    // The widest number is at one end of the series.
    int first_length = route_name(first_name, init_path);
    int last_length = route_name(last_name, static_cast<long long>(init_path) + path_count - 1);
    const char *longest = last_length > first_length ? last_name : first_name;
    if (first_length <= ROUTE_NAME_MAX && last_length <= ROUTE_NAME_MAX) return true;
    char message[MESSAGE_SIZE];
    snprintf(message, sizeof message, "имя маршрут-компоненты длиннее %d знаков: %.60s", ROUTE_NAME_MAX, longest);
    uc1601(message, 1);
    fprintf(error_log, "\n\tимя <%s> длиннее %d знаков, маршруты не созданы\tline=%d\n", longest, ROUTE_NAME_MAX,
            __LINE__);
    return false;
}

int create_routes() {
    int response = 0;
    error_code = UF_STYLER_create_dialog(dialog_path, create_path_cbs, CALLBACK_COUNT, nullptr, &response);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return error_code;
    }
    if (response == UF_UI_CANCEL) return 0;
    // A callback that failed has closed the dialog: nothing is created from values
    // the engineer did not see taken.
    if (dialog_failure != 0) {
        error_code = dialog_failure;
        return error_code;
    }
    if (!names_fit()) {
        error_code = 0;
        return error_code;
    }

    error_code = UF_DISP_set_display(UF_DISP_SUPPRESS_DISPLAY);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return error_code;
    }

    int result = create_series();

    // On every way out the display comes back and the assembly is displayed again; an
    // assembly not displayed again is only told.
    int part_failure = 0;
    int shown = display_assembly_again(report_error, part_failure);
    if (result == 0) result = shown;
    error_code = result;
    return error_code;
}

const char *const log_paths[] = {"D:\\prterr.txt"};

const plain_run_variant variant = {
    .start_banner = "\n <route_create>\tHAS STARTED\t\tline=%d\n",
    .finish_banner = "\n <route_create>\tHAS FINISHED\tline=%d\n",
    .log_paths = log_paths,
    .log_path_count = 1,
    .requires_display = true,
    .logs_units = false,
    .returns_tool_result = true,
    .also_close = nullptr,
};

}  // namespace

UFUSR_EXPORT void ufusr(char * /*param*/, int *retcod, int /*param_len*/) {
    run_plain_tool(variant, create_routes, retcod);
}

UFUSR_EXPORT int ufusr_ask_unload(void) { return UF_UNLOAD_IMMEDIATELY; }
