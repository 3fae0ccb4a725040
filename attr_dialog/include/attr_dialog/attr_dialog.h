// The attribute dialog shared by the group tool and the rivet inspector: its
// state, its callbacks and the calls that show it. Each tool links its own copy,
// so the state lives for one run of one tool.
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>

#include "common/catalogue.h"
#include "common/host_records.h"
#include "uf_attr.h"
#include "uf_styler.h"

// Room for any attribute text the host stores, with its terminator.
constexpr int CHOSEN_TEXT_SIZE = UF_ATTR_MAX_STRING_LEN + 1;

// Set by the callbacks, read by the tool after the dialog has closed.
extern int flag_err;  // 1 once any callback failed since the dialog opened
extern int flag_ok;   // 1 once OK took the five values
extern char chosen_rivet[CHOSEN_TEXT_SIZE];
extern char chosen_pr_code[CHOSEN_TEXT_SIZE];
extern char chosen_ad_code[CHOSEN_TEXT_SIZE];
extern char chosen_fast_code[CHOSEN_TEXT_SIZE];
extern char chosen_grip_lng[CHOSEN_TEXT_SIZE];
extern int chosen_fast_index;  // the all_fast row the grip list belongs to

// The five chosen values with the attribute each is written to, in writing order.
struct chosen_value {
    const char *title;
    const char *value;
};
constexpr int CHOSEN_VALUE_COUNT = 5;
extern const chosen_value chosen_values[CHOSEN_VALUE_COUNT];

// Item identifiers of the dialog files.
extern const char ITEM_RIVET[];
extern const char ITEM_PROCESS_CODE[];
extern const char ITEM_ADD_CODE[];
extern const char ITEM_FAST_CODE[];
extern const char ITEM_GRIP_LNG[];

// Full network paths of the two dialog files on the application server.
extern const char GROUP_DIALOG_FILE[];
extern const char INSPECT_DIALOG_FILE[];

// Rows of a callback table, the closing null row included.
constexpr int ATTR_DIALOG_CALLBACK_COUNT = 10;
using attr_dialog_callbacks = std::array<UF_STYLER_callback_info_t, ATTR_DIALOG_CALLBACK_COUNT>;

// The group tool's table, with its constructor and fixed initial entries.
extern attr_dialog_callbacks TOLVSETALLATTR_callbacks;

// Shows the dialog and returns when it closes: 0, or the code of a dialog that
// could not be shown.
int DIALOG_set_attributes(const char *dialog_file, UF_STYLER_callback_info_t *callbacks, int *response);

// Callbacks of both dialogs.
int TOLVSETALLATTR_list_cb(int dialog_id, void *client_data, UF_STYLER_item_value_type_p_t callback_data);
int TOLVSETALLATTR_fast_code_cb(int dialog_id, void *client_data, UF_STYLER_item_value_type_p_t callback_data);
int TOLVSETALLATTR_cancel_cb(int dialog_id, void *client_data, UF_STYLER_item_value_type_p_t callback_data);
// The inspector's OK and Apply: as the group tool's, without the test of an
// earlier failure and with their own texts.
int INSPECT_OK_cb(int dialog_id, void *client_data, UF_STYLER_item_value_type_p_t callback_data);
int INSPECT_apply_cb(int dialog_id, void *client_data, UF_STYLER_item_value_type_p_t callback_data);

// A dialog's table: its own constructor, OK and Apply, and the list and Cancel
// callbacks both dialogs share. The flag column goes to the host unchanged.
constexpr attr_dialog_callbacks make_attr_dialog_callbacks(UF_STYLER_cb_t constructor, UF_STYLER_cb_t ok,
                                                           UF_STYLER_cb_t apply) {
    return {{
        styler_callback(UF_STYLER_DIALOG_INDEX, UF_STYLER_CONSTRUCTOR_CB, 0, constructor),
        styler_callback(UF_STYLER_DIALOG_INDEX, UF_STYLER_OK_CB, 0, ok),
        styler_callback(UF_STYLER_DIALOG_INDEX, UF_STYLER_APPLY_CB, 0, apply),
        styler_callback(UF_STYLER_DIALOG_INDEX, UF_STYLER_CANCEL_CB, 0, TOLVSETALLATTR_cancel_cb),
        styler_callback(ITEM_RIVET, UF_STYLER_ACTIVATE_CB, 1, TOLVSETALLATTR_list_cb),
        styler_callback(ITEM_PROCESS_CODE, UF_STYLER_ACTIVATE_CB, 0, TOLVSETALLATTR_list_cb),
        styler_callback(ITEM_ADD_CODE, UF_STYLER_ACTIVATE_CB, 0, TOLVSETALLATTR_list_cb),
        styler_callback(ITEM_FAST_CODE, UF_STYLER_ACTIVATE_CB, 1, TOLVSETALLATTR_fast_code_cb),
        styler_callback(ITEM_GRIP_LNG, UF_STYLER_ACTIVATE_CB, 0, TOLVSETALLATTR_list_cb),
        styler_callback(UF_STYLER_NULL_OBJECT, UF_STYLER_NO_CB, 0, nullptr),
    }};
}

// Every callback ends NX Open as it started it.
void end_callback();

// Copies text into dest of dest_size bytes, cutting what does not fit; answers
// true when the whole text fitted.
inline bool copy_text_cut(char *dest, std::size_t dest_size, const char *text) {
    if (dest_size == 0) return text == nullptr || *text == '\0';
    int n = std::snprintf(dest, dest_size, "%s", text != nullptr ? text : "");
    if (n < 0) return false;  // GCOVR_EXCL_BR_LINE: "%s" never fails
    return static_cast<std::size_t>(n) < dest_size;
}
