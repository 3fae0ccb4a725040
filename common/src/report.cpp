#include <cstdio>

#include "common/tool_run.h"
#include "uf_ui.h"

FILE *error_log = nullptr;
int error_code = 0;
tag_t display_part = NULL_TAG;

namespace {

// Failure text to the status line; the text is also what the log line carries.
void fail_text(int code, char (&message)[UF_MAX_FAIL_MESSAGE_SIZE + 1]) {
    message[0] = '\0';
    if (UF_get_fail_message(code, message) != 0) message[0] = '\0';  // GCOVR_EXCL_BR_LINE: fails only without a buffer
    message[UF_MAX_FAIL_MESSAGE_SIZE] = '\0';
    UF_UI_set_status(message);
}

}  // namespace

void report_error(int code, int line) {
    if (code == 0) return;
    char message[UF_MAX_FAIL_MESSAGE_SIZE + 1];
    fail_text(code, message);
    if (error_log == nullptr) return;
    fprintf(error_log, "\n\terrorCode=%d\tmessage=%s\tline=%d\n", code, message, line);
    fflush(error_log);
}

void report_error_logic(int code, int line) {
    if (code == 0) return;
    char message[UF_MAX_FAIL_MESSAGE_SIZE + 1];
    fail_text(code, message);
    if (error_log == nullptr) return;
    fprintf(error_log, "errorCode=%d\t\tmessage=%s\t\tline=%d\n", code, message, line);
    fflush(error_log);
}

void report_error_dialog(int code, int line) {
    if (code == 0) return;
    char message[UF_MAX_FAIL_MESSAGE_SIZE + 1];
    fail_text(code, message);
    if (error_log == nullptr) return;
    fprintf(error_log, "errorCode=%d\tmessage=%s\t\tline=%d\t\n", code, message, line);
}

void report_error_timed(int code, int line, const char *source_file) {
    if (code == 0) return;
    char message[UF_MAX_FAIL_MESSAGE_SIZE + 1];
    fail_text(code, message);
    if (error_log == nullptr) return;
    fprintf(error_log, "%s \terrorCode=%d \tline=%d  %s\n", message, code, line, source_file);
}
