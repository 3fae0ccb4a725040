#include <cstdio>
#include <cstring>
#include <ctime>

#include "common/tool_run.h"
#include "uf_part.h"
#include "uf_ui.h"
#include "win_crt.h"

static_assert("Ж"[0] == '\xC6' && sizeof("Ж") == 2,
              "tool texts must be compiled to Windows-1251 (-fexec-charset=CP1251)");

namespace {

void write_units_line(int part_units) {
    if (part_units == UF_PART_METRIC)
        fprintf(error_log, "\n\t входной файл выполнен в ===МЕТРИЧЕСКИХ=== единицах\n");
    else if (part_units == UF_PART_ENGLISH)
        fprintf(error_log, "\n\t входной файл выполнен в ===ДЮЙМОВЫХ=== единицах\n");
}

void close_stream(FILE **stream) {
    if (stream == nullptr || *stream == nullptr) return;
    fflush(*stream);
    fclose(*stream);
    *stream = nullptr;
}

}  // namespace

void run_plain_tool(const plain_run_variant &variant, tool_routine tool, int *retcod) {
    time_t start_time = time(nullptr);

    for (int i = 0; i < variant.log_path_count && error_log == nullptr; ++i)
        error_log = fopen(variant.log_paths[i], "w");
    if (error_log == nullptr) {
        uc1601("не могу разместить файл ошибок", 1);
        return;
    }

    time_t now = time(nullptr);
    struct tm *aclock = localtime(&now);
    fprintf(error_log, variant.start_banner, __LINE__);
    fprintf(error_log, "\n время начала работы программы:\t%s\n\n", asctime(aclock));

    error_code = UF_initialize();
    if (error_code != 0) {
        report_error(error_code, __LINE__);
    } else {
        bool run_tool = true;
        if (variant.requires_display) {
            display_part = UF_PART_ask_display_part();
            if (display_part == NULL_TAG) {
                uc1601("открой файл сборки", 1);
                fprintf(error_log, "\n\tне открыт файл сборки\tline=%d\n", __LINE__);
                run_tool = false;
            }
        }
        if (run_tool && variant.logs_units) {
            int part_units = 0;
            error_code = UF_PART_ask_units(display_part, &part_units);
            if (error_code != 0) {
                report_error(error_code, __LINE__);
                run_tool = false;
            } else {
                write_units_line(part_units);
            }
        }
        if (run_tool) {
            int result = tool();
            *retcod = variant.returns_tool_result ? result : 0;
        }
        error_code = UF_terminate();
        if (error_code != 0) report_error(error_code, __LINE__);
    }

    time_t finish_time = time(nullptr);
    double elapsed = difftime(finish_time, start_time);
    unsigned minutes = static_cast<unsigned>(elapsed) / 60;
    unsigned seconds = static_cast<unsigned>(elapsed - minutes * 60.0);
    fprintf(error_log, variant.finish_banner, __LINE__);
    fprintf(error_log, "\n working time is %u min   %u sec\n", minutes, seconds);

    close_stream(&error_log);
    close_stream(variant.also_close);
}

void run_timed_tool(const timed_run_variant &variant, tool_routine tool_loop, const char *source_file) {
    static const char *const paths[] = {"D:\\prterr.txt", "C:\\Temp\\prterr.txt", "C:\\temp\\prterr.txt"};
    static const char *const locations[] = {
        "файл ошибок находится по маршруту - D:\\prterr.txt",
        "файл ошибок находится по маршруту - C:\\Temp\\prterr.txt",
        "файл ошибок находится по маршруту - C:\\temp\\prterr.txt",
    };
    constexpr int LOG_LOCATION_SIZE = 200;
    char log_location[LOG_LOCATION_SIZE] = "";

    for (int i = 0; i < 3 && error_log == nullptr; ++i) {
        error_log = fopen(paths[i], "w");
        if (error_log != nullptr) snprintf(log_location, sizeof log_location, "%s", locations[i]);
    }
    if (error_log == nullptr) {
        uc1601("для файла ошибок недоступны маршруты - D:\\, C:\\Temp\\, C:\\temp\\", 1);
        return;
    }

    fprintf(error_log, variant.start_banner, __LINE__);
    time_t now = time(nullptr);
    fprintf(error_log, "The current date and time are:\t%s\n", asctime(localtime(&now)));

    UF_timer_t timer = 0;
    UF_timer_values_t values = {0.0, 0.0};
    error_code = UF_initialize();
    if (error_code != 0) {
        report_error_timed(error_code, __LINE__, source_file);
        error_code = 0;
    } else {
        error_code = UF_begin_timer(&timer);
        if (error_code != 0) {
            report_error_timed(error_code, __LINE__, source_file);
            error_code = 0;
        } else if (UF_PART_ask_display_part() == NULL_TAG) {
            uc1601("Откройте сборочный файл!!!", 1);
            fprintf(error_log, "%s", variant.no_part_line);
        } else {
            tool_loop();
        }
    }

    // Closing sequence: runs on every path once the log is open.
    error_code = UF_end_timer(timer, &values);
    if (error_code != 0) report_error_timed(error_code, __LINE__, source_file);
    fprintf(error_log, "\n\n");
    int cpu = static_cast<int>(values.cpu_time);
    int real = static_cast<int>(values.real_time);
    fprintf(error_log, "\nCPU_time   =\tминуты %d    секунды = %d\nReal_time  = \tминуты %d    секунды = %d\n",
            cpu / 60, cpu % 60, real / 60, real % 60);
    error_code = UF_UI_set_status(log_location);
    if (error_code != 0) report_error_timed(error_code, __LINE__, source_file);
    error_code = UF_terminate();
    if (error_code != 0) report_error_timed(error_code, __LINE__, source_file);
    fprintf(error_log, variant.finish_banner, __LINE__);
    close_stream(&error_log);
}
