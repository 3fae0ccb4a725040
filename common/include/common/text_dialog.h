// The styler dialog in which the engineer names a machine file: text fields the tool
// shows first, each confirmed text taken into the tool's state and its field greyed
// until Apply. A failing call inside a callback is reported; the dialog then only
// answers 9, so its code is kept for the run's result.
#pragma once

#include "common/steps.h"
#include "uf_styler.h"

constexpr int DIALOG_TEXT_SIZE = 100;  // each dialog text: at most 99 characters
constexpr int DIALOG_TEXT_MAX = DIALOG_TEXT_SIZE - 1;

struct text_dialog {
    const char *const *fields;  // the text fields Apply makes sensitive again
    int field_count;
    error_reporter report;
    int callback_error = 0;  // the code of a callback's failing call, for the run's result
};

// A failing call inside a callback: error_code reported at `line` and kept. Answers 1,
// which closes the dialog.
int text_callback_failed(text_dialog &dialog, int line);

// Shows a field's first text and takes it into the tool's state; false after a
// failing call (reported).
bool show_text_field(text_dialog &dialog, int dialog_id, const char *item, const char *text,
                     char (&target)[DIALOG_TEXT_SIZE]);

// The Apply callback: every field sensitive again. Answers what the callback answers.
int apply_text_fields(text_dialog &dialog, int dialog_id);

// A confirmed field: its text goes into target, is written to the log with
// log_format, and the field is greyed until Apply. A text longer than the field is
// refused whole (a box and a log line): a cut name would silently name another
// file. Answers what the callback answers.
int take_text_field(text_dialog &dialog, int dialog_id, const char *item, char (&target)[DIALOG_TEXT_SIZE],
                    const char *log_format);

// Shows the dialog file with its callbacks until it gives an answer other than Back:
// go_on with the texts taken, ended on Cancel or a pick, failed after a failing call
// (its code in error_code; the dialog's own is reported).
step show_text_dialog(text_dialog &dialog, const char *path, UF_STYLER_callback_info_t *callbacks, int count);
