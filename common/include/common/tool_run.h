// The run around every tool: entry points, error log, NX Open start and end,
// the displayed-part guard and the working time. Each tool links its own copy
// of this module state, so nothing is shared between tools.
#pragma once

#include <cstdio>

#include "uf.h"

#ifdef _WIN32
#define UFUSR_EXPORT extern "C" __declspec(dllexport)
#else
#define UFUSR_EXPORT extern "C" __attribute__((visibility("default")))
#endif

extern FILE *error_log;
extern int error_code;
extern tag_t display_part;

// The layouts of the reporter's log line, one for each part of the suite that reports.
enum class report_layout {
    plain,   // plain-run tools
    logic,   // tool logic of the two timed tools
    dialog,  // attribute dialog and its callbacks (not flushed)
    timed,   // the timed run itself, naming the tool's source (not flushed)
};

// The reporter: the host's failure text to the status line and one log line in the
// layout's format (no line without a log). Code 0 does nothing. source_file: the
// timed layout's tool source (__FILE__), nullptr for the others.
void report_in(report_layout layout, int code, int line, const char *source_file = nullptr);

// The reporter in each layout, as the steps take it (an error_reporter).
void report_error(int code, int line);
void report_error_logic(int code, int line);
void report_error_dialog(int code, int line);
void report_error_timed(int code, int line, const char *source_file);

using tool_routine = int (*)();

struct plain_run_variant {
    const char *start_banner;  // formats with one %d, the source line
    const char *finish_banner;
    const char *const *log_paths;
    int log_path_count;
    bool requires_display;
    bool logs_units;
    bool returns_tool_result;  // false: the return code is always 0
    FILE **also_close;         // an output the tool leaves open, closed after the log
};

void run_plain_tool(const plain_run_variant &variant, tool_routine tool, int *retcod);

struct timed_run_variant {
    const char *start_banner;
    const char *finish_banner;
    const char *no_part_line;
};

// source_file: the tool's main source as the build records it (__FILE__).
void run_timed_tool(const timed_run_variant &variant, tool_routine tool_loop, const char *source_file);
