#include <cstdio>

#include "common/tool_run.h"
#include "uf_ui.h"

FILE *error_log = nullptr;
int error_code = 0;
tag_t display_part = NULL_TAG;

namespace {

// One layout of the log line. Every layout but the timed frame's takes code, text,
// line; the timed frame's puts the text first and the tool's source after the line.
struct report_format {
    const char *format;
    bool text_first;
    bool flush;
};

constexpr report_format report_formats[] = {
    {"\n\terrorCode=%d\tmessage=%s\tline=%d\n", false, true},   // report_layout::plain
    {"errorCode=%d\t\tmessage=%s\t\tline=%d\n", false, true},   // report_layout::logic
    {"errorCode=%d\tmessage=%s\t\tline=%d\t\n", false, false},  // report_layout::dialog
    {"%s \terrorCode=%d \tline=%d  %s\n", true, false},         // report_layout::timed
};

static_assert(sizeof report_formats / sizeof report_formats[0] == static_cast<size_t>(report_layout::timed) + 1,
              "one format for every layout");

}  // namespace

void report_in(report_layout layout, int code, int line, const char *source_file) {
    if (code == 0) return;
    char message[UF_MAX_FAIL_MESSAGE_SIZE + 1];
    message[0] = '\0';
    if (UF_get_fail_message(code, message) != 0) message[0] = '\0';  // GCOVR_EXCL_BR_LINE: fails only without a buffer
    message[UF_MAX_FAIL_MESSAGE_SIZE] = '\0';
    UF_UI_set_status(message);
    if (error_log == nullptr) return;
    const report_format &f = report_formats[static_cast<int>(layout)];
    if (f.text_first)
        fprintf(error_log, f.format, message, code, line, source_file != nullptr ? source_file : "");
    else
        fprintf(error_log, f.format, code, message, line);
    if (f.flush) fflush(error_log);
}

void report_error(int code, int line) { report_in(report_layout::plain, code, line); }
void report_error_logic(int code, int line) { report_in(report_layout::logic, code, line); }
void report_error_dialog(int code, int line) { report_in(report_layout::dialog, code, line); }
void report_error_timed(int code, int line, const char *source_file) {
    report_in(report_layout::timed, code, line, source_file);
}
