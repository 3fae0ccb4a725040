// Gives the five process attributes chosen in the attribute dialog to whole
// groups of rivets, group after group.
#include <cstdio>

#include "attr_dialog/attr_dialog.h"
#include "attr_dialog/rivet_select.h"
#include "common/steps.h"
#include "common/tool_run.h"
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

constexpr int QUESTION_TYPE = 2;
constexpr int ANSWER_NEXT = 1;
constexpr int ANSWER_STOP = 3;

// The log keeps the numbers the group step answered: 0 done, 1 cancelled, 2 failed.
step closing_failed() {
    fprintf(error_log, "\nset_attr_to_component - отработала; возвращает 2\n");
    return step::failed;
}

// Un-highlights what a refused selection left highlighted and frees it. Answers
// false after a failed un-highlight (already reported).
bool release_selection(host_tags &objects) {
    bool released = unhighlight(objects.items, objects.count, report_error_logic) == 0;
    objects.release();
    return released;
}

// Unlike the other tools' selections, a refused selection is un-highlighted before it goes.
const component_selection rivet_group = {
    .cue = "Выбери группу компонент - заклепок",
    .title = "Группа компонент - заклепок",
    .init = rivet_selection_init,
    .nothing_selected = "Kомпоненты не выбраны",
    .report = report_error_logic,
    .unhighlight_refused = true,
};

// A group of rivets picked, un-highlighted and given the five values.
step set_attr_to_comp() {
    host_tags objects;
    for (;;) {
        switch (select_components(rivet_group, objects)) {  // GCOVR_EXCL_BR_LINE: no step outside the four
        case step::go_on: break;
        case step::failed: return closing_failed();
        case step::ended:
            fprintf(error_log, "\nset_attr_to_comp -> Пользователь выбрал CANCEL - возвращает 1\n");
            return step::ended;
        case step::back: fprintf(error_log, "\nset_attr_to_comp -> Пользователь выбрал BACK\n"); continue;
        }
        int count = objects.count;
        if (count > RIVET_ARRAY_CAPACITY) {
            char message[160];
            snprintf(message, sizeof message, "Выбрано %d компонент, в группе не более %d. Выберите группу меньше.",
                     count, RIVET_ARRAY_CAPACITY);
            fprintf(error_log, "\nset_attr_to_comp -> Выбрано %d компонент, больше допустимых %d\n", count,
                    RIVET_ARRAY_CAPACITY);
            uc1601(message, 1);
            if (!release_selection(objects)) return closing_failed();
            continue;
        }
        break;
    }

    group_count = objects.count;
    rivet_count = objects.count;
    for (int i = 0; i < rivet_count; ++i) rivet_array[i] = objects.items[i];
    if (unhighlight(rivet_array, rivet_count, report_error_logic) != 0) return closing_failed();
    objects.release();

    // One attribute at a time over the whole group.
    for (const chosen_value &pass : chosen_values) {
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
        // GCOVR_EXCL_START: a failed assignment has returned above; the check stays for the log
        if (made != group_count) {
            fprintf(error_log, "\nset_attr_to_comp -> Атрибут %s назначен %d раз, но выбрано компонент %d", pass.title,
                    made, group_count);
            return closing_failed();
        }
        // GCOVR_EXCL_STOP
    }
    fprintf(error_log, "\nset_attr_to_component - отработала; возвращает 0\n");
    return step::go_on;
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
        DIALOG_set_attributes(GROUP_DIALOG_FILE, TOLVSETALLATTR_callbacks.data(), &response);
        if (flag_err != 0) break;
        if (flag_ok == 1) {
            char message[96];
            switch (set_attr_to_comp()) {  // GCOVR_EXCL_BR_LINE: it never answers Back
            case step::go_on:
                fprintf(error_log, "\nrivet_group_attr -> Обработана группа из %d заклепок", group_count);
                snprintf(message, sizeof message, "Обработана группа из  %d заклепок\n", group_count);
                uc1601(message, 1);
                break;
            case step::ended: uc1601("ОТМЕНА назначения атрибутов", 1); break;
            case step::back:  // never answered: Back shows the selection again
            case step::failed:
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

const timed_run_variant variant = {
    .start_banner = "rivet_group_attr\t\tstarted\t\tline=%d\n",
    .finish_banner = "rivet_group_attr\t\tended\t\tline=%d\n",
    .no_part_line = "\nrivet_group_attr -> Откройте сборочный файл!!!",
};

}  // namespace

UFUSR_EXPORT void ufusr(char * /*param*/, int * /*retcod*/, int /*param_len*/) {
    run_timed_tool(variant, group_loop, __FILE__);
}

UFUSR_EXPORT int ufusr_ask_unload(void) { return UF_UNLOAD_IMMEDIATELY; }

UFUSR_EXPORT void ufusr_cleanup(void) {}  // GCOVR_EXCL_LINE: nxsim unloads without calling it
