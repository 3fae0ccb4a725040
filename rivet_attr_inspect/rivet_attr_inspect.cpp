// Shows the process attributes of one rivet at a time in the attribute dialog,
// flags what the catalogue does not confirm and writes the values back on OK.
#include <cstdio>
#include <cstring>

#include "attr_dialog/attr_dialog.h"
#include "attr_dialog/rivet_select.h"
#include "common/catalogue.h"
#include "common/steps.h"
#include "common/styler_items.h"
#include "common/tool_run.h"
#include "common/vocabulary.h"
#include "uf.h"
#include "uf_attr.h"
#include "uf_disp.h"
#include "uf_ui.h"

int INSPECT_constructor_cb(int dialog_id, void *client_data, UF_STYLER_item_value_type_p_t callback_data);

namespace {

constexpr int READ_BUFFER_SIZE = 136;
// Seven blanks never equal a catalogue value, so an absent or empty attribute
// is never confirmed.
const char READ_BUFFER_RESET[] = "       ";

tag_t selected_rivet = NULL_TAG;
char find_rivet[READ_BUFFER_SIZE];
char find_pr_code[READ_BUFFER_SIZE];
char find_ad_code[READ_BUFFER_SIZE];
char find_fast_code[READ_BUFFER_SIZE];
char find_grip_lng[READ_BUFFER_SIZE];

const char ITEM_RIVET_INI[] = "RIVET_INI";
const char ITEM_PROCESS_INI[] = "PROCESS_INI";
const char ITEM_ADD_INI[] = "ADD_INI";
const char ITEM_FAST_INI[] = "FAST_INI";
const char ITEM_GRIP_INI[] = "GRIP_INI";

attr_dialog_callbacks INSPECT_callbacks =
    make_attr_dialog_callbacks(INSPECT_constructor_cb, INSPECT_OK_cb, INSPECT_apply_cb);

struct read_title {
    const char *title;
    char *buffer;
    const char *absent_line;
    const char *empty_line;
    const char *value_line;  // one %s: the value
};

const read_title read_titles[] = {
    {RIVET_MARK_TITLE, find_rivet, "\nread_attr() -> attribute\t<RIVET>\t\tНЕ НАЙДЕН",
     "\nread_attr() -> НЕ ПРИСВОЕНО значение атрибуту\t<RIVET>", "\nread_attr() -> 1. -> find_rivet=%s\n"},
    {PR_CODE_TITLE, find_pr_code, "\nread_attr()-> attribute\t<pr_code>\t\tНЕ НАЙДЕН",
     "\nread_attr() -> НЕ ПРИСВОЕНО значение атрибуту\t<pr_code>", "\nread_attr() -> 2. -> find_pr_code=%s\n"},
    {AD_CODE_TITLE, find_ad_code, "\nread_attr() -> attribute\t<ad_code>\t\tНЕ НАЙДЕН",
     "\nread_attr() -> НЕ ПРИСВОЕНО значение атрибуту\t<ad_code>", "\nread_attr() -> 3. -> find_ad_code=%s\n"},
    {FAST_CODE_TITLE, find_fast_code, "\nread_attr() -> attribute\t<fast_code>\t\tНЕ НАЙДЕН",
     "\nread_attr() -> НЕ ПРИСВОЕНО значение атрибуту\t<find_fast_code>", "\nread_attr() -> 4. -> find_fast_code=%s\n"},
    {GRIP_LNG_TITLE, find_grip_lng, "\nread_attr() -> attribute\t<grip_lng>\t\tНЕ НАЙДЕН",
     "\nread_attr() -> НЕ ПРИСВОЕНО значение атрибуту\t<grip_lng>", "\nread_attr() -> 5. -> find_grip_lng=%s\n"},
};

int read_failed(int line) {
    report_error_logic(error_code, line);
    fprintf(error_log, "\n\nread_attr() -> Выход по ошибке");
    fprintf(error_log, "\nread_attr  - отработал\n");
    return 1;
}

int read_attr() {
    for (const read_title &t : read_titles) copy_text_cut(t.buffer, READ_BUFFER_SIZE, READ_BUFFER_RESET);

    for (const read_title &t : read_titles) {
        int title_type = 0;
        error_code = UF_ATTR_find_attribute(selected_rivet, UF_ATTR_string, t.title, &title_type);
        if (error_code != 0) return read_failed(__LINE__);
        if (title_type != UF_ATTR_string) {
            fprintf(error_log, "%s", t.absent_line);
            continue;
        }
        UF_ATTR_value_t value;
        value.type = 0;
        value.value.string = nullptr;
        error_code = UF_ATTR_read_value(selected_rivet, t.title, UF_ATTR_any, &value);
        if (error_code != 0) return read_failed(__LINE__);
        const char *text = "";
        // GCOVR_EXCL_BR_START: a title found as a string reads back as a string
        if (value.type == UF_ATTR_string && value.value.string != nullptr) text = value.value.string;
        // GCOVR_EXCL_BR_STOP
        if (text[0] != '\0') {
            // A value longer than the buffer is cut; it cannot match the catalogue either way.
            // GCOVR_EXCL_START: the host holds at most 132 characters
            if (!copy_text_cut(t.buffer, READ_BUFFER_SIZE, text))
                fprintf(error_log, "\nread_attr() -> значение атрибута <%s> длиннее %d символов - обрезано", t.title,
                        READ_BUFFER_SIZE - 1);
            // GCOVR_EXCL_STOP
            fprintf(error_log, t.value_line, t.buffer);
        } else {
            fprintf(error_log, "%s", t.empty_line);
        }
        if (value.type == UF_ATTR_string) UF_free(value.value.string);  // GCOVR_EXCL_BR_LINE: read as a string above
    }
    fprintf(error_log, "\nread_attr  - отработал\n");
    return 0;
}

// One rivet picked and its attributes read (go_on). The log names this step
// find_comp_and_her_attr and the numbers it answered: 1 ended (Cancel or a failed
// dialog), 2 reading failed, 3 nothing picked (back: the selection again).
step pick_rivet_and_read() {
    for (;;) {
        int response = 0;
        tag_t object = NULL_TAG;
        double cursor[3] = {0.0, 0.0, 0.0};
        tag_t view = NULL_TAG;
        error_code = UF_UI_select_with_single_dialog("Выбери компонент - заклепку", "Компонент - заклепка",
                                                     UF_UI_SEL_SCOPE_ANY_IN_ASSEMBLY, rivet_selection_init, nullptr,
                                                     &response, &object, cursor, &view);
        if (error_code != 0) {
            report_error_logic(error_code, __LINE__);
            return step::ended;
        }
        if (response == UF_UI_CANCEL) return step::ended;
        if (response == UF_UI_BACK) continue;
        if (object == NULL_TAG) {
            uc1601("Компонент не выбран", 1);
            fprintf(error_log, "\nfind_comp_and_her_attr() - отработала -> return 3\n");
            fprintf(error_log, "\nfind_comp_and_her_attr ->  отработала-  return 3\n");
            return step::back;
        }
        selected_rivet = object;
        if (read_attr() == 1) {
            fprintf(error_log, "\n\nfind_comp_and_her_attr -> Проблемы с считыванием - read_attr ВЕРНУЛА 1");
            fprintf(error_log, "\nfind_comp_and_her_attr ->  отработала-  return 2\n");
            return step::failed;
        }
        return step::go_on;
    }
}

// Writes the five chosen values; the first failure ends the writing.
int write_attr() {
    for (const chosen_value &chosen : chosen_values) {
        UF_ATTR_value_t value;
        value.type = UF_ATTR_string;
        value.value.string = const_cast<char *>(chosen.value);  // the host only reads it
        error_code = UF_ATTR_assign(selected_rivet, chosen.title, value);
        if (error_code != 0) {
            report_error_logic(error_code, __LINE__);
            return 1;
        }
    }
    return 0;
}

int inspect_loop() {
    bool loop_on = true;
    while (loop_on) {
        flag_ok = 0;
        flag_err = 0;
        step found = pick_rivet_and_read();
        if (found == step::ended) {
            fprintf(error_log, "\nГлавная программа ПРЕКРАЩАЕТ РАБОТУ(find_comp_and_her_attr вернула 1-Cansel) \n");
            loop_on = false;
            continue;
        }
        if (found == step::failed) {
            fprintf(error_log, "\nГлавная программа ПРЕКРАЩАЕТ РАБОТУ(find_comp_and_her_attr вернула 2-ошибка) \n");
            break;
        }
        if (found == step::back) {
            fprintf(error_log, "\nГлавная программа ПОПРОБУЙТЕ выбрать ЕЩЕ (find_comp_and_her_attr вернула 3) \n");
            continue;
        }
        int response = 0;
        DIALOG_set_attributes(INSPECT_DIALOG_FILE, INSPECT_callbacks.data(), &response);
        if (flag_err != 0) break;
        if (flag_ok == 1) write_attr();
        error_code = UF_DISP_set_highlight(selected_rivet, 0);
        if (error_code != 0) {
            report_error_timed(error_code, __LINE__, __FILE__);
            break;
        }
    }
    return error_code;
}

// The failing call has been reported already.
int constructor_failed() {
    flag_err = 1;
    fprintf(error_log, "\nINSPECT_konstr_dialog - Ошибка конструктора диалога. Завершите задачу.\n");
    uc1601("Ошибка конструктора диалога. Завершите задачу.", 1);
    end_callback();
    return 0;
}

// Selects the matched entry, or entry 0 with the list's indicator on. Answers 0,
// or the failing call's code after reporting it.
int preset_list(int dialog_id, const char *item, const char *indicator, int index, const char *unconfirmed_line) {
    if (index != NOT_FOUND) {
        error_code = select_list_entry(dialog_id, item, index);
        if (error_code != 0) report_error_dialog(error_code, __LINE__);
        return error_code;
    }
    fprintf(error_log, "%s", unconfirmed_line);
    error_code = select_list_entry(dialog_id, item, 0);
    if (error_code != 0) {
        report_error_dialog(error_code, __LINE__);
        return error_code;
    }
    error_code = set_toggle(dialog_id, indicator, 1);
    if (error_code != 0) report_error_dialog(error_code, __LINE__);
    return error_code;
}

int fill_list(int dialog_id, const char *item, int count, const char *const *texts) {
    error_code = set_list_entries(dialog_id, item, count, texts);
    if (error_code != 0) report_error_dialog(error_code, __LINE__);
    return error_code;
}

// The list text and then the catalogue row's code must both equal the value read.
int match_fastener() {
    for (int i = 0; i < FAST_COUNT; ++i) {
        if (std::strcmp(find_fast_code, fast_codes[i]) != 0) continue;
        // GCOVR_EXCL_START: the list texts are the rows' own codes
        if (std::strcmp(find_fast_code, all_fast[i].code) == 0) return i;
        fprintf(error_log, "\nINSPECT_konstr -> Такого знач. Fastener нет в описании all_fast[i]- инициализация");
        // GCOVR_EXCL_STOP
    }
    return NOT_FOUND;
}

const timed_run_variant variant = {
    .start_banner = "rivet_attr_inspect\t\tstarted\t\tline=%d\n",
    .finish_banner = "rivet_attr_inspect\t\tended\t\tline=%d\n",
    .no_part_line = "\nrivet_attr_inspect -> Откройте сборочный файл!!!",
};

}  // namespace

// Fills the lists and selects the values read from the rivet; what the catalogue does
// not confirm gets its indicator.
int INSPECT_constructor_cb(int dialog_id, void * /*client_data*/, UF_STYLER_item_value_type_p_t /*callback_data*/) {
    error_code = UF_initialize();
    if (error_code != 0) {
        // The lists keep the dialog file's entries, not this rivet's values: OK must not store them.
        report_error_dialog(error_code, __LINE__);
        flag_err = 1;
        return 0;
    }

    for (const char *indicator : {ITEM_RIVET_INI, ITEM_PROCESS_INI, ITEM_ADD_INI, ITEM_FAST_INI, ITEM_GRIP_INI}) {
        error_code = set_item_sensitivity(dialog_id, indicator, 0);
        if (error_code != 0) {
            report_error_dialog(error_code, __LINE__);
            return constructor_failed();
        }
    }

    if (fill_list(dialog_id, ITEM_RIVET, RIVET_KIND_COUNT, all_rivet) != 0 ||
        preset_list(dialog_id, ITEM_RIVET, ITEM_RIVET_INI, find_rivet_kind(find_rivet),
                    "\nINSPECT_konstr -> RIVET  Прочитано из файла но НЕ Подтверждено - инициализация") != 0)
        return constructor_failed();
    if (fill_list(dialog_id, ITEM_PROCESS_CODE, PROCESS_COUNT, process_texts) != 0 ||
        preset_list(dialog_id, ITEM_PROCESS_CODE, ITEM_PROCESS_INI, find_process(find_pr_code),
                    "\nINSPECT_konstr -> PROCESS_CODE Прочитано из файла но НЕ Подтверждено - инициализация") != 0)
        return constructor_failed();
    if (fill_list(dialog_id, ITEM_ADD_CODE, ADD_COUNT, add_texts) != 0 ||
        preset_list(dialog_id, ITEM_ADD_CODE, ITEM_ADD_INI, find_add(find_ad_code),
                    "\nINSPECT_konstr -> ADD_CODE Прочитано из файла но НЕ Подтверждено - инициализация") != 0)
        return constructor_failed();
    if (fill_list(dialog_id, ITEM_FAST_CODE, FAST_COUNT, fast_codes) != 0) return constructor_failed();
    int fast_index = match_fastener();
    if (preset_list(dialog_id, ITEM_FAST_CODE, ITEM_FAST_INI, fast_index,
                    "\nINSPECT_konstr -> FAST_CODE Прочитано из файла но НЕ Подтверждено - инициализация") != 0)
        return constructor_failed();

    if (fast_index != NOT_FOUND) {
        chosen_fast_index = fast_index;
        if (fill_list(dialog_id, ITEM_GRIP_LNG, all_fast[fast_index].n, all_fast[fast_index].grip_mm) != 0 ||
            preset_list(dialog_id, ITEM_GRIP_LNG, ITEM_GRIP_INI, find_grip(fast_index, find_grip_lng),
                        "\nINSPECT_konstr -> GRIP_LNG Прочитано из файла но НЕ НАЙДЕНО соответствия - инициализация") !=
                0)
            return constructor_failed();
    } else {
        chosen_fast_index = 0;
        fprintf(error_log, "\nINSPECT_konstr -> FAST_CODE НЕ подтвержден -> для GRIP_LNG инициализация");
        if (fill_list(dialog_id, ITEM_GRIP_LNG, all_fast[0].n, all_fast[0].grip_mm) != 0 ||
            preset_list(dialog_id, ITEM_GRIP_LNG, ITEM_GRIP_INI, NOT_FOUND, "") != 0)
            return constructor_failed();
    }

    fprintf(error_log, "\nINSPECT_konstr_dialog - отработал\n");
    end_callback();
    return 0;
}

UFUSR_EXPORT void ufusr(char * /*param*/, int * /*retcod*/, int /*param_len*/) {
    run_timed_tool(variant, inspect_loop, __FILE__);
}

UFUSR_EXPORT int ufusr_ask_unload(void) { return UF_UNLOAD_IMMEDIATELY; }

UFUSR_EXPORT void ufusr_cleanup(void) {}  // GCOVR_EXCL_LINE: nxsim unloads without calling it
