#include "attr_dialog/attr_dialog.h"

#include <cstdio>
#include <cstring>

#include "common/styler_items.h"
#include "common/tool_run.h"
#include "common/vocabulary.h"
#include "uf.h"
#include "uf_ui.h"

int flag_err = 0;
int flag_ok = 0;
char chosen_rivet[CHOSEN_TEXT_SIZE] = "";
char chosen_pr_code[CHOSEN_TEXT_SIZE] = "";
char chosen_ad_code[CHOSEN_TEXT_SIZE] = "";
char chosen_fast_code[CHOSEN_TEXT_SIZE] = "";
char chosen_grip_lng[CHOSEN_TEXT_SIZE] = "";
int chosen_fast_index = 0;

const chosen_value chosen_values[CHOSEN_VALUE_COUNT] = {
    {RIVET_KIND_TITLE, chosen_rivet},    {PR_CODE_TITLE, chosen_pr_code},   {AD_CODE_TITLE, chosen_ad_code},
    {FAST_CODE_TITLE, chosen_fast_code}, {GRIP_LNG_TITLE, chosen_grip_lng},
};

const char ITEM_RIVET[] = "RIVET";
const char ITEM_PROCESS_CODE[] = "PROCESS_CODE";
const char ITEM_ADD_CODE[] = "ADD_CODE";
const char ITEM_FAST_CODE[] = "FAST_CODE";
const char ITEM_GRIP_LNG[] = "GRIP_LNG";

const char GROUP_DIALOG_FILE[] = "\\\\appsrv\\server\\user_tools\\win\\application\\styler_TOLV_set_all_attr.dlg";
const char INSPECT_DIALOG_FILE[] = "\\\\appsrv\\server\\user_tools\\win\\application\\styler_inspect_attr_TOLV.dlg";

int TOLVSETALLATTR_constructor_cb(int dialog_id, void *client_data, UF_STYLER_item_value_type_p_t callback_data);
int TOLVSETALLATTR_OK_cb(int dialog_id, void *client_data, UF_STYLER_item_value_type_p_t callback_data);
int TOLVSETALLATTR_apply_cb(int dialog_id, void *client_data, UF_STYLER_item_value_type_p_t callback_data);

attr_dialog_callbacks TOLVSETALLATTR_callbacks =
    make_attr_dialog_callbacks(TOLVSETALLATTR_constructor_cb, TOLVSETALLATTR_OK_cb, TOLVSETALLATTR_apply_cb);

namespace {

// Initial entries of the group tool's dialog.
constexpr int INITIAL_RIVET = 0;
constexpr int INITIAL_PROCESS = 7;  // "H - Полный цикл без герметика"
constexpr int INITIAL_ADD = 0;
constexpr int INITIAL_FAST = 0;
constexpr int INITIAL_GRIP = 0;

constexpr int LIST_COUNT = 5;
const char *const list_items[LIST_COUNT] = {ITEM_RIVET, ITEM_PROCESS_CODE, ITEM_ADD_CODE, ITEM_FAST_CODE,
                                            ITEM_GRIP_LNG};

// NX Open could not be started for a callback, so the callback did nothing: a grip
// list may still hold the previous fastener's grips, lists may stay greyed. What OK
// would store could then differ from what the engineer saw and picked, so the
// failure is reported and marks the dialog as failed, as any other failed call does.
int start_failed(int line, int result) {
    report_error_dialog(error_code, line);
    flag_err = 1;
    return result;
}

int ask_selected_index(int dialog_id, const char *item, int *index) {
    UF_STYLER_item_value_type_t record = item_record(item, UF_STYLER_VALUE);
    int rc = UF_STYLER_ask_value(dialog_id, &record);
    *index = rc == 0 ? record.value.integer : -1;
    return rc;
}

int constructor_failed(int line) {
    report_error_dialog(error_code, line);
    flag_err = 1;
    uc1601("Ошибка конструктора диалога. Завершите задачу.", 1);
    end_callback();
    return 0;
}

enum class taken { value, call_failed, bad_index };

// Asks a list's selected index and its entries and copies the entry at the index.
// The index must name an entry and a row of the catalogue table behind the list
// (limit): a list with nothing selected answers -1, and a grip list may still
// hold the grips of an earlier fastener after a failed fastener callback.
taken take_list_value(int dialog_id, const char *callback_name, const char *item, int limit, int *index, char *entry,
                      std::size_t entry_size) {
    error_code = ask_selected_index(dialog_id, item, index);
    if (error_code != 0) {
        report_error_dialog(error_code, __LINE__);
        return taken::call_failed;
    }
    UF_STYLER_item_value_type_t entries = item_record(item, UF_STYLER_SUBITEM_VALUES);
    error_code = UF_STYLER_ask_value(dialog_id, &entries);
    if (error_code != 0) {
        report_error_dialog(error_code, __LINE__);
        return taken::call_failed;
    }
    int valid_count = entries.count < limit ? entries.count : limit;
    bool valid = *index >= 0 && *index < valid_count;
    if (entries.value.strings == nullptr) valid = false;  // GCOVR_EXCL_BR_LINE: a list with entries has their texts
    if (valid)
        copy_text_cut(entry, entry_size, entries.value.strings[*index]);
    else
        fprintf(error_log, "%s -> В списке %s нет значения с индексом %d (значений %d)\n", callback_name, item, *index,
                valid_count);
    error_code = UF_STYLER_free_value(&entries);
    if (error_code != 0) report_error_dialog(error_code, __LINE__);
    return valid ? taken::value : taken::bad_index;
}

struct button_texts {
    const char *callback_name;
    bool tests_flag_err;  // the group tool refuses after an earlier failure
    const char *carried_error_log;
    const char *failure_log;
    const char *failure_box;
};

const button_texts group_ok = {"TOLVSETALLATTR_OK_cb", true, "TOLVSETALLATTR_OK_cb -> Переходящая ошибка flag_err=1.\n",
                               "TOLVSETALLATTR_OK_cb -> Ошибка отработки клавиши OK. Завершите задачу.\n",
                               "Ошибка отработки клавиши OK. Завершите задачу."};
const button_texts inspect_ok = {"INSPECT_OK_cb", false, "",
                                 "INSPECT_OK_cb -> Ошибка отработки клавиши OK. Завершите задачу.\n",
                                 "Ошибка отработки клавиши OK. Завершение задачи."};
const button_texts group_apply = {"TOLVSETALLATTR_apply_cb", true,
                                  "TOLVSETALLATTR_apply_cb -> Переходящая ошибка flag_err=1.\n",
                                  "TOLVSETALLATTR_apply_cb -> Ошибка отработки клавиши applay. Завершите задачу.\n",
                                  "Ошибка отработки клавиши applay. Завершите задачу."};
const button_texts inspect_apply = {"INSPECT_apply_cb", false, "",
                                    "INSPECT_apply_cb -> Ошибка отработки клавиши applay. Завершите задачу.\n",
                                    "Ошибка отработки клавиши applay. Завершите задачу."};

// OK and Apply close the dialog once any callback has failed.
int refuse_after_failure(const button_texts &texts) {
    fprintf(error_log, "%s", texts.carried_error_log);
    uc1601("Переходящая ошибка flag_err=1.", 1);
    end_callback();
    return 1;
}

int button_failed(const button_texts &texts) {
    flag_err = 1;
    fprintf(error_log, "%s", texts.failure_log);
    uc1601(texts.failure_box, 1);
    end_callback();
    return 1;
}

int ok_callback(int dialog_id, const button_texts &texts) {
    error_code = UF_initialize();
    if (error_code != 0) return start_failed(__LINE__, 1);
    if (texts.tests_flag_err && flag_err == 1) return refuse_after_failure(texts);

    // Taken into locals first: a failed OK leaves the shared values as they were.
    char rivet[CHOSEN_TEXT_SIZE] = "";
    char entry[CHOSEN_TEXT_SIZE] = "";
    char fast_code[CHOSEN_TEXT_SIZE] = "";
    int rivet_index = -1, process_index = -1, add_index = -1, fast_index = -1, grip_index = -1;
    const char *name = texts.callback_name;

    if (take_list_value(dialog_id, name, ITEM_RIVET, RIVET_KIND_COUNT, &rivet_index, rivet, sizeof rivet) !=
        taken::value)
        return button_failed(texts);
    if (take_list_value(dialog_id, name, ITEM_PROCESS_CODE, PROCESS_COUNT, &process_index, entry, sizeof entry) !=
        taken::value)
        return button_failed(texts);
    if (take_list_value(dialog_id, name, ITEM_ADD_CODE, ADD_COUNT, &add_index, entry, sizeof entry) != taken::value)
        return button_failed(texts);
    if (take_list_value(dialog_id, name, ITEM_FAST_CODE, FAST_COUNT, &fast_index, fast_code, sizeof fast_code) !=
        taken::value)
        return button_failed(texts);
    if (take_list_value(dialog_id, name, ITEM_GRIP_LNG, all_fast[fast_index].n, &grip_index, entry, sizeof entry) !=
        taken::value)
        return button_failed(texts);

    copy_text_cut(chosen_rivet, sizeof chosen_rivet, rivet);
    copy_text_cut(chosen_pr_code, sizeof chosen_pr_code, all_process[process_index].code);
    copy_text_cut(chosen_ad_code, sizeof chosen_ad_code, all_add[add_index].code);
    copy_text_cut(chosen_fast_code, sizeof chosen_fast_code, fast_code);
    chosen_fast_index = fast_index;
    copy_text_cut(chosen_grip_lng, sizeof chosen_grip_lng, all_fast[fast_index].grip_code[grip_index]);
    flag_ok = 1;
    end_callback();
    return 1;
}

int apply_callback(int dialog_id, UF_STYLER_item_value_type_p_t callback_data, const button_texts &texts) {
    error_code = UF_initialize();
    if (error_code != 0) return start_failed(__LINE__, 0);
    if (texts.tests_flag_err && flag_err == 1) return refuse_after_failure(texts);
    for (const char *item : list_items) {
        callback_data->item_id = item;
        callback_data->item_attr = UF_STYLER_SENSITIVITY;
        callback_data->subitem_index = -1;
        callback_data->indicator = UF_STYLER_INTEGER_VALUE;
        callback_data->value.integer = 1;
        error_code = UF_STYLER_set_value(dialog_id, callback_data);
        if (error_code != 0) {
            report_error_dialog(error_code, __LINE__);
            return button_failed(texts);
        }
    }
    end_callback();
    return 0;
}

}  // namespace

void end_callback() {
    error_code = UF_terminate();
    if (error_code != 0) report_error_dialog(error_code, __LINE__);
}

int DIALOG_set_attributes(const char *dialog_file, UF_STYLER_callback_info_t *callbacks, int *response) {
    error_code = UF_initialize();
    if (error_code != 0) {
        // No dialog, no choice: the tool must stop, not take it for a Cancel.
        start_failed(__LINE__, 0);
        return error_code;
    }
    int create_code = UF_STYLER_create_dialog(dialog_file, callbacks, ATTR_DIALOG_CALLBACK_COUNT, nullptr, response);
    error_code = create_code;
    if (create_code != 0) {
        char message[UF_MAX_FAIL_MESSAGE_SIZE + 1] = "";
        // GCOVR_EXCL_BR_START: fails only without a buffer
        if (UF_get_fail_message(create_code, message) != 0) message[0] = '\0';
        // GCOVR_EXCL_BR_STOP
        message[UF_MAX_FAIL_MESSAGE_SIZE] = '\0';
        UF_UI_set_status(message);
        printf("%s\n", message);
        fflush(stdout);
    }
    error_code = UF_terminate();
    if (error_code != 0) report_error_dialog(error_code, __LINE__);
    fprintf(error_log, "\nDIALOG_set_attributes - отработал\n");
    return create_code;
}

int TOLVSETALLATTR_constructor_cb(int dialog_id, void * /*client_data*/, UF_STYLER_item_value_type_p_t /*data*/) {
    error_code = UF_initialize();
    flag_err = 0;
    if (error_code != 0) return start_failed(__LINE__, 0);

    struct list_start {
        const char *item;
        int count;
        const char *const *texts;
        int initial;
    };
    const list_start lists[LIST_COUNT] = {
        {ITEM_RIVET, RIVET_KIND_COUNT, all_rivet, INITIAL_RIVET},
        {ITEM_PROCESS_CODE, PROCESS_COUNT, process_texts, INITIAL_PROCESS},
        {ITEM_ADD_CODE, ADD_COUNT, add_texts, INITIAL_ADD},
        {ITEM_FAST_CODE, FAST_COUNT, fast_codes, INITIAL_FAST},
        {ITEM_GRIP_LNG, all_fast[INITIAL_FAST].n, all_fast[INITIAL_FAST].grip_mm, INITIAL_GRIP},
    };
    for (const list_start &list : lists) {
        error_code = set_list_entries(dialog_id, list.item, list.count, list.texts);
        if (error_code != 0) return constructor_failed(__LINE__);
        error_code = select_list_entry(dialog_id, list.item, list.initial);
        if (error_code != 0) return constructor_failed(__LINE__);
    }
    chosen_fast_index = INITIAL_FAST;
    end_callback();
    return 0;
}

namespace {

// A list callback that failed (reported already): the dialog's values cannot be trusted.
int list_callback_failed() {
    flag_err = 1;
    end_callback();
    return 0;
}

// A list greys out once the engineer has picked from it; Apply opens it again.
int grey_out_picked_list(int dialog_id, UF_STYLER_item_value_type_p_t callback_data) {
    callback_data->item_attr = UF_STYLER_SENSITIVITY;
    callback_data->indicator = UF_STYLER_INTEGER_VALUE;
    callback_data->value.integer = 0;
    error_code = UF_STYLER_set_value(dialog_id, callback_data);
    if (error_code != 0) report_error_dialog(error_code, __LINE__);
    return error_code;
}

}  // namespace

int TOLVSETALLATTR_list_cb(int dialog_id, void * /*client_data*/, UF_STYLER_item_value_type_p_t callback_data) {
    error_code = UF_initialize();
    if (error_code != 0) return start_failed(__LINE__, 0);
    if (grey_out_picked_list(dialog_id, callback_data) != 0) return list_callback_failed();
    end_callback();
    return 0;
}

// The grip list follows the fastener picked.
int TOLVSETALLATTR_fast_code_cb(int dialog_id, void * /*client_data*/, UF_STYLER_item_value_type_p_t callback_data) {
    error_code = UF_initialize();
    if (error_code != 0) return start_failed(__LINE__, 0);
    if (grey_out_picked_list(dialog_id, callback_data) != 0) return list_callback_failed();
    int index = -1;
    error_code = ask_selected_index(dialog_id, ITEM_FAST_CODE, &index);
    if (error_code != 0) {
        report_error_dialog(error_code, __LINE__);
        return list_callback_failed();
    }
    // GCOVR_EXCL_START: the pick is one of the FAST_COUNT entries the constructor listed
    if (index < 0 || index >= FAST_COUNT) {
        // No catalogue row to take the grip lengths from.
        fprintf(error_log, "TOLVSETALLATTR_fast_code_cb -> В списке FAST_CODE нет крепежа с индексом %d\n", index);
        return list_callback_failed();
    }
    // GCOVR_EXCL_STOP
    chosen_fast_index = index;
    error_code = set_list_entries(dialog_id, ITEM_GRIP_LNG, all_fast[index].n, all_fast[index].grip_mm);
    if (error_code != 0) {
        report_error_dialog(error_code, __LINE__);
        return list_callback_failed();
    }
    error_code = select_list_entry(dialog_id, ITEM_GRIP_LNG, 0);
    if (error_code != 0) {
        report_error_dialog(error_code, __LINE__);
        return list_callback_failed();
    }
    end_callback();
    return 0;
}

int TOLVSETALLATTR_OK_cb(int dialog_id, void * /*client_data*/, UF_STYLER_item_value_type_p_t /*data*/) {
    return ok_callback(dialog_id, group_ok);
}

int TOLVSETALLATTR_apply_cb(int dialog_id, void * /*client_data*/, UF_STYLER_item_value_type_p_t callback_data) {
    return apply_callback(dialog_id, callback_data, group_apply);
}

int INSPECT_OK_cb(int dialog_id, void * /*client_data*/, UF_STYLER_item_value_type_p_t /*data*/) {
    return ok_callback(dialog_id, inspect_ok);
}

int INSPECT_apply_cb(int dialog_id, void * /*client_data*/, UF_STYLER_item_value_type_p_t callback_data) {
    return apply_callback(dialog_id, callback_data, inspect_apply);
}

int TOLVSETALLATTR_cancel_cb(int /*dialog_id*/, void * /*client_data*/, UF_STYLER_item_value_type_p_t /*data*/) {
    error_code = UF_initialize();
    flag_ok = 0;
    if (error_code != 0) return start_failed(__LINE__, 1);
    end_callback();
    return 1;
}
