// Gives the five process attributes chosen in the attribute dialog to whole
// groups of rivets, group after group.
#include <cstdio>

#include "attr_dialog/attr_dialog.h"
#include "attr_dialog/rivet_select.h"
#include "common/frame.h"
#include "common/vocabulary.h"
#include "uf.h"
#include "uf_attr.h"
#include "uf_disp.h"
#include "uf_ui.h"

namespace {

// Capacity of a group; a larger selection is refused, never cut.
constexpr int RIVET_ARRAY_CAPACITY = 30000;

tag_t rivet_array[RIVET_ARRAY_CAPACITY];
int rivet_count = 0;
int group_count = 0;

enum set_attr_result { SET_ATTR_DONE = 0, SET_ATTR_CANCELLED = 1, SET_ATTR_FAILED = 2 };

constexpr int QUESTION_TYPE = 2;
constexpr int ANSWER_NEXT = 1;
constexpr int ANSWER_STOP = 3;

int closing_failed() {
    fprintf(error_log, "\nset_attr_to_component - отработала; возвращает 2\n");
    return SET_ATTR_FAILED;
}

// Un-highlights what a selection left highlighted and releases the host's array.
// Answers false after a failed un-highlight (already reported).
bool release_selection(tag_t *objects, int count) {
    for (int i = 0; i < count; ++i) {
        error_code = UF_DISP_set_highlight(objects[i], 0);
        if (error_code != 0) {
            report_error_logic(error_code, __LINE__);
            UF_free(objects);
            return false;
        }
    }
    UF_free(objects);
    return true;
}

struct attr_pass {
    const char *title;
    const char *value;
};

int set_attr_to_comp() {
    int response = 0;
    int count = 0;
    tag_t *objects = nullptr;

    for (;;) {
        objects = nullptr;
        count = 0;
        error_code = UF_UI_select_with_class_dialog("Выбери группу компонент - заклепок", "Группа компонент - заклепок",
                                                    UF_UI_SEL_SCOPE_ANY_IN_ASSEMBLY, rivet_selection_init, nullptr,
                                                    &response, &count, &objects);
        if (error_code != 0) {
            report_error_logic(error_code, __LINE__);
            UF_free(objects);
            return closing_failed();
        }
        if (response == UF_UI_CANCEL) {
            if (!release_selection(objects, count)) return closing_failed();
            fprintf(error_log, "\nset_attr_to_comp -> Пользователь выбрал CANCEL - возвращает 1\n");
            return SET_ATTR_CANCELLED;
        }
        if (response == UF_UI_BACK) {
            if (!release_selection(objects, count)) return closing_failed();
            fprintf(error_log, "\nset_attr_to_comp -> Пользователь выбрал BACK\n");
            continue;
        }
        if (count <= 0) {
            uc1601("Kомпоненты не выбраны", 1);
            if (!release_selection(objects, count)) return closing_failed();
            continue;
        }
        if (count > RIVET_ARRAY_CAPACITY) {
            char message[160];
            snprintf(message, sizeof message, "Выбрано %d компонент, в группе не более %d. Выберите группу меньше.",
                     count, RIVET_ARRAY_CAPACITY);
            fprintf(error_log, "\nset_attr_to_comp -> Выбрано %d компонент, больше допустимых %d\n", count,
                    RIVET_ARRAY_CAPACITY);
            uc1601(message, 1);
            if (!release_selection(objects, count)) return closing_failed();
            continue;
        }
        break;
    }

    group_count = count;
    rivet_count = count;
    for (int i = 0; i < count; ++i) rivet_array[i] = objects[i];
    for (int i = 0; i < rivet_count; ++i) {
        error_code = UF_DISP_set_highlight(rivet_array[i], 0);
        if (error_code != 0) {
            report_error_logic(error_code, __LINE__);
            UF_free(objects);
            return closing_failed();
        }
    }
    UF_free(objects);

    const attr_pass passes[] = {
        {RIVET_KIND_TITLE, chosen_rivet},    {PR_CODE_TITLE, chosen_pr_code},   {AD_CODE_TITLE, chosen_ad_code},
        {FAST_CODE_TITLE, chosen_fast_code}, {GRIP_LNG_TITLE, chosen_grip_lng},
    };
    for (const attr_pass &pass : passes) {
        UF_ATTR_value_t value;
        value.type = UF_ATTR_string;
        value.value.string = const_cast<char *>(pass.value);
        int made = 0;
        for (int i = 0; i < rivet_count; ++i) {
            error_code = UF_ATTR_assign(rivet_array[i], pass.title, value);
            if (error_code != 0) {
                report_error_logic(error_code, __LINE__);
                return closing_failed();
            }
            ++made;
        }
        if (made != group_count) {
            fprintf(error_log, "\nset_attr_to_comp -> Атрибут %s назначен %d раз, но выбрано компонент %d", pass.title,
                    made, group_count);
            return closing_failed();
        }
    }
    fprintf(error_log, "\nset_attr_to_component - отработала; возвращает 0\n");
    return SET_ATTR_DONE;
}

// Answers the button, or 0 after a failed question (already reported).
int ask_next_group(bool *failed) {
    char line1[] = "Следующая группа?";
    char line2[] = "                 ";  // 17 blanks
    char *messages[] = {line1, line2};
    UF_UI_message_buttons_t buttons{};
    buttons.button1 = TRUE;
    buttons.button2 = FALSE;
    buttons.button3 = TRUE;
    buttons.label1 = "OK";
    buttons.label2 = nullptr;
    buttons.label3 = "CANCEL";
    buttons.response1 = ANSWER_NEXT;
    buttons.response2 = 0;
    buttons.response3 = ANSWER_STOP;
    int answer = 0;
    error_code = UF_UI_message_dialog("Примите решение", QUESTION_TYPE, messages, 2, FALSE, &buttons, &answer);
    *failed = error_code != 0;
    if (*failed) report_error_timed(error_code, __LINE__, __FILE__);
    return answer;
}

int group_loop() {
    bool loop_on = true;
    while (loop_on) {
        flag_ok = 0;
        flag_err = 0;
        group_count = 0;
        int response = 0;
        DIALOG_set_attributes(GROUP_DIALOG_FILE, TOLVSETALLATTR_callbacks, &response);
        if (flag_err != 0) break;
        if (flag_ok == 1) {
            char message[96];
            switch (set_attr_to_comp()) {
            case SET_ATTR_DONE:
                fprintf(error_log, "\nrivet_group_attr -> Обработана группа из %d заклепок", group_count);
                snprintf(message, sizeof message, "Обработана группа из  %d заклепок\n", group_count);
                uc1601(message, 1);
                break;
            case SET_ATTR_CANCELLED:
                uc1601("ОТМЕНА назначения атрибутов", 1);
                break;
            default:
                fprintf(error_log, "\nrivet_group_attr -> Назначение атрибутов выполнено не корректно.");
                uc1601("Назначение атрибутов выполнено не корректно.", 1);
                break;
            }
        }
        bool failed = false;
        int answer = ask_next_group(&failed);
        if (failed) break;
        if (answer == ANSWER_STOP) loop_on = false;
    }
    return error_code;
}

const timed_frame_variant variant = {
    "rivet_group_attr\t\tstarted\t\tline=%d\n",
    "rivet_group_attr\t\tended\t\tline=%d\n",
    "\nrivet_group_attr -> Откройте сборочный файл!!!",
};

}  // namespace

UFUSR_EXPORT void ufusr(char * /*param*/, int * /*retcod*/, int /*param_len*/) {
    run_timed_frame(variant, group_loop, __FILE__);
}

UFUSR_EXPORT int ufusr_ask_unload(void) { return UF_UNLOAD_IMMEDIATELY; }

UFUSR_EXPORT void ufusr_cleanup(void) {}
