#include "common/text_dialog.h"

#include <cstdio>
#include <cstring>

#include "common/styler_items.h"
#include "common/tool_run.h"
#include "uf.h"
#include "uf_ui.h"

namespace {

constexpr int MESSAGE_SIZE = 200;

}  // namespace

int text_callback_failed(text_dialog &dialog, int line) {
    if (dialog.report != nullptr) dialog.report(error_code, line);
    dialog.callback_error = error_code;
    return 1;
}

bool show_text_field(text_dialog &dialog, int dialog_id, const char *item, const char *text,
                     char (&target)[DIALOG_TEXT_SIZE]) {
    error_code = set_item_text(dialog_id, item, text);
    if (error_code != 0) {
        text_callback_failed(dialog, __LINE__);
        return false;
    }
    snprintf(target, sizeof target, "%s", text);
    return true;
}

int apply_text_fields(text_dialog &dialog, int dialog_id) {
    for (int i = 0; i < dialog.field_count; ++i) {
        error_code = set_item_sensitivity(dialog_id, dialog.fields[i], 1);
        if (error_code != 0) return text_callback_failed(dialog, __LINE__);
    }
    return 0;
}

int take_text_field(text_dialog &dialog, int dialog_id, const char *item, char (&target)[DIALOG_TEXT_SIZE],
                    const char *log_format) {
    UF_STYLER_item_value_type_t value = item_record(item, UF_STYLER_VALUE);
    error_code = UF_STYLER_ask_value(dialog_id, &value);
    if (error_code != 0) return text_callback_failed(dialog, __LINE__);
    // GCOVR_EXCL_BR_START: a text field has a text
    const char *text = value.value.string != nullptr ? value.value.string : "";
    // GCOVR_EXCL_BR_STOP

    if (strlen(text) > static_cast<size_t>(DIALOG_TEXT_MAX)) {
        char message[MESSAGE_SIZE];
        snprintf(message, sizeof message, "текст поля %s длиннее %d знаков - не принят", item, DIALOG_TEXT_MAX);
        uc1601(message, 1);
        fprintf(error_log, "\n\tтекст поля %s длиннее %d знаков - не принят\tline=%d\n", item, DIALOG_TEXT_MAX,
                __LINE__);
        error_code = UF_STYLER_free_value(&value);
        if (error_code != 0) return text_callback_failed(dialog, __LINE__);
        return 0;
    }

    snprintf(target, sizeof target, "%s", text);
    fprintf(error_log, log_format, target);
    error_code = UF_STYLER_free_value(&value);
    if (error_code != 0) return text_callback_failed(dialog, __LINE__);
    error_code = set_item_sensitivity(dialog_id, item, 0);
    if (error_code != 0) return text_callback_failed(dialog, __LINE__);
    return 0;
}

step show_text_dialog(text_dialog &dialog, const char *path, UF_STYLER_callback_info_t *callbacks, int count) {
    for (;;) {
        int response = 0;
        dialog.callback_error = 0;
        error_code = UF_STYLER_create_dialog(path, callbacks, count, nullptr, &response);
        if (error_code != 0) {
            if (dialog.report != nullptr) dialog.report(error_code, __LINE__);
            return step::failed;
        }
        switch (response) {
        case UF_UI_PICK_RESPONSE: uc1601("UF_UI_PICK_RESPONSE", 1); return step::ended;
        case UF_UI_CANCEL: return step::ended;
        case UF_UI_BACK: continue;
        case UF_UI_CB_TERMINATE:
            uc1601("UF_UI_CB_TERMINATE", 1);
            // The failing callback's code, not the dialog's own 0.
            error_code = dialog.callback_error;
            return step::failed;
        default: return step::go_on;
        }
    }
}
