// Holds a machine file against the displayed assembly before it goes to the cell:
// the engineer names the file as the export names it and picks the routes, and
// every way in which the file differs from what the export would write today is one
// line of the log. Changes nothing in the parts or the file.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/component.h"
#include "common/fpdf_reader.h"
#include "common/host_records.h"
#include "common/route_selection.h"
#include "common/steps.h"
#include "common/text_dialog.h"
#include "common/tool_run.h"
#include "fpdf_verify.h"
#include "uf.h"
#include "uf_part.h"
#include "uf_styler.h"
#include "uf_ugmgr.h"
#include "uf_ui.h"
#include "win_crt.h"

namespace {

constexpr int TEXT_SIZE = DIALOG_TEXT_SIZE;
constexpr int TEXT_MAX = DIALOG_TEXT_MAX;
constexpr int FPDF_NAME_MAX = 90;  // name and suffix together, so the path fits
constexpr int TEMPLATE_FPDF_SIZE = 100;
constexpr int DISP_NAME_SIZE = 300;
constexpr int MESSAGE_SIZE = 400;
constexpr int NO_REASON = 1;  // a file call failed and the run-time gives no reason
constexpr size_t READ_CHUNK = 65536;

char fpdf_name[TEXT_SIZE];
char add_fpdf_name[TEXT_SIZE];
char assembly_name[TEXT_SIZE];
char template_fpdf[TEMPLATE_FPDF_SIZE];
char path_name[PATH_NAME_SIZE];

// The file's bytes, as read.
std::string file_bytes;

const char *const field_items[] = {"FPDF_NAME", "ADD_FPDF_NAME"};

text_dialog name_fields = {
    .fields = field_items,
    .field_count = sizeof field_items / sizeof field_items[0],
    .report = report_error,
};

// The name the export gives the file by default: the assembly's number and "aaa".
int FPDF_VERIFY_construct_cb(int dialog_id, void *, UF_STYLER_item_value_type_p_t) {
    if (!show_text_field(name_fields, dialog_id, "FPDF_NAME", assembly_name, fpdf_name) ||
        !show_text_field(name_fields, dialog_id, "ADD_FPDF_NAME", "aaa", add_fpdf_name))
        return 1;
    return 0;
}

int FPDF_VERIFY_apply_cb(int dialog_id, void *, UF_STYLER_item_value_type_p_t) {
    return apply_text_fields(name_fields, dialog_id);
}

int FPDF_VERIFY_fpdf_name_cb(int dialog_id, void *, UF_STYLER_item_value_type_p_t) {
    return take_text_field(name_fields, dialog_id, "FPDF_NAME", fpdf_name, "\n\tFPDF_name = \t%s\n\n");
}

int FPDF_VERIFY_add_fpdf_name_cb(int dialog_id, void *, UF_STYLER_item_value_type_p_t) {
    return take_text_field(name_fields, dialog_id, "ADD_FPDF_NAME", add_fpdf_name, "\n\tadd_FPDF_name = \t%s\n\n");
}

constexpr int CALLBACK_COUNT = 5;

UF_STYLER_callback_info_t fpdf_verify_callbacks[CALLBACK_COUNT] = {
    styler_callback(UF_STYLER_DIALOG_INDEX, UF_STYLER_CONSTRUCTOR_CB, 0, FPDF_VERIFY_construct_cb),
    styler_callback(UF_STYLER_DIALOG_INDEX, UF_STYLER_APPLY_CB, 0, FPDF_VERIFY_apply_cb),
    styler_callback("FPDF_NAME", UF_STYLER_ACTIVATE_CB, 0, FPDF_VERIFY_fpdf_name_cb),
    styler_callback("ADD_FPDF_NAME", UF_STYLER_ACTIVATE_CB, 0, FPDF_VERIFY_add_fpdf_name_cb),
    styler_callback(UF_STYLER_NULL_OBJECT, UF_STYLER_NO_CB, 0, nullptr),
};

// Composes D:\<name><suffix>.fpdf as the export does; false when name and suffix
// are too long.
bool compose_fpdf_path() {
    size_t length = strlen(fpdf_name) + strlen(add_fpdf_name);
    if (length > static_cast<size_t>(FPDF_NAME_MAX)) {
        char message[MESSAGE_SIZE];
        snprintf(message, sizeof message, "имя файла заклепок <*.fpdf> длиннее %d знаков", FPDF_NAME_MAX);
        uc1601(message, 1);
        fprintf(error_log, "\n\tимя файла заклепок длиннее %d знаков: %s%s\tline=%d\n", FPDF_NAME_MAX, fpdf_name,
                add_fpdf_name, __LINE__);
        return false;
    }
    int written = snprintf(template_fpdf, sizeof template_fpdf, "D:\\%s%s.fpdf", fpdf_name, add_fpdf_name);
    return written > 0 && written < TEMPLATE_FPDF_SIZE;  // GCOVR_EXCL_BR_LINE: 3 + 90 + 5 < 100, checked above
}

// The run-time's reason for a failed file call, as the run's result.
int file_error() { return errno != 0 ? errno : NO_REASON; }  // GCOVR_EXCL_BR_LINE: the run-time sets errno

// The whole file into file_bytes, at most one byte past the reader's limit (the
// reader refuses it then). False when it cannot be opened or read: one box and one
// log line, and the run-time's reason in error_code.
bool read_file_bytes() {
    file_bytes.clear();
    errno = 0;
    FILE *file = fopen(template_fpdf, "rb");
    bool read = file != nullptr;
    if (read) {
        char chunk[READ_CHUNK];
        size_t got = 0;
        while (file_bytes.size() <= fpdf::MAX_FILE_BYTES && (got = fread(chunk, 1, sizeof chunk, file)) > 0)
            file_bytes.append(chunk, got);
        read = ferror(file) == 0;
        fclose(file);
    }
    if (read) return true;
    char message[MESSAGE_SIZE];
    snprintf(message, sizeof message, "не могу прочитать файл заклепок %s", template_fpdf);
    uc1601(message, 1);
    fprintf(error_log, "\n\tне могу прочитать файл заклепок %s\tline=%d\n", template_fpdf, __LINE__);
    error_code = file_error();
    return false;
}

// The file's routes and records, or the reader's refusal told in one box and one
// log line (false).
bool read_file_routes() {
    file_read = fpdf::file();
    fpdf::problem refusal;
    if (!fpdf::read(file_bytes, file_read, refusal)) {
        char message[MESSAGE_SIZE];
        snprintf(message, sizeof message, "файл заклепок %s не прочитан: строка %ld: %s", template_fpdf, refusal.line,
                 refusal.why.c_str());
        uc1601(message, 1);
        fprintf(error_log, "\n\tфайл заклепок %s не прочитан: строка %ld: %s\tline=%d\n", template_fpdf, refusal.line,
                refusal.why.c_str(), __LINE__);
        return false;
    }
    return true;
}

const component_selection routes_to_verify = {
    .cue = "укажи маршруты для сверки с файлом",
    .title = "укажи маршруты для сверки с файлом",
    .init = path_selection_init,
    .nothing_selected = "не выбрал маршрут, да?",
    .report = report_error,
};

// Each picked route against the file, in the order picked; the box at the end says
// whether the file matches.
int verify_routes(const host_tags &routes) {
    if (unhighlight(routes.items, routes.count, report_error) != 0) return error_code;
    int differences = 0;
    int routes_differing = 0;
    for (int i = 0; i < routes.count; ++i) {
        char part_number[UF_UGMGR_PARTNO_SIZE + 1];
        if (ask_component_part_number(routes.items[i], part_number) != 0) return error_code;
        snprintf(path_name, sizeof path_name, "%.*s", PATH_NAME_LEN, part_number);
        int before = differences;
        if (verify_route(routes.items[i], path_name, &differences) != 0) return error_code;
        if (differences > before) ++routes_differing;
    }
    char message[MESSAGE_SIZE];
    if (differences == 0) {
        snprintf(message, sizeof message, "файл заклепок %s совпадает со сборкой", template_fpdf);
        uc1601(message, 1);
        fprintf(error_log, "\n\tфайл заклепок %s совпадает со сборкой: маршрутов %d\tline=%d\n", template_fpdf,
                routes.count, __LINE__);
        return error_code;
    }
    snprintf(message, sizeof message, "файл заклепок %s расходится со сборкой: расхождений %d в маршрутах: %d из %d",
             template_fpdf, differences, routes_differing, routes.count);
    uc1601(message, 1);
    fprintf(error_log, "\n\tфайл заклепок %s расходится со сборкой: расхождений %d в маршрутах: %d из %d\tline=%d\n",
            template_fpdf, differences, routes_differing, routes.count, __LINE__);
    return error_code;
}

int verify_file() {
    char disp_name[DISP_NAME_SIZE];
    error_code = UF_PART_ask_part_name(display_part, disp_name);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return error_code;
    }
    char part_number[UF_UGMGR_PARTNO_SIZE + 1];
    if (decode_part_number(disp_name, part_number) != 0) return error_code;
    // The export cuts a longer number to the field the same way.
    snprintf(assembly_name, sizeof assembly_name, "%.*s", TEXT_MAX, part_number);

    for (;;) {
        if (show_text_dialog(name_fields, "D:\\application\\fpdf_verify.dlg", fpdf_verify_callbacks, CALLBACK_COUNT) !=
            step::go_on)
            return error_code;
        if (!compose_fpdf_path()) continue;
        if (!read_file_bytes()) return error_code;
        if (!read_file_routes()) return error_code;

        host_tags routes;
        step picked = select_components(routes_to_verify, routes);
        if (picked == step::go_on) return verify_routes(routes);
        // Back shows the name dialog again; Cancel or a failure ends.
        if (picked != step::back) return error_code;
    }
}

// The file and its routes live for one run only.
int run_fpdf_verify() {
    int result = verify_file();
    std::string().swap(file_bytes);
    file_read = fpdf::file();
    return result;
}

const char *const log_paths[] = {"D:\\prterr.txt"};

const plain_run_variant variant = {
    .start_banner = "\n <fpdf_verify>\tHAS STARTED\t\tline=%d\n",
    .finish_banner = "\n <fpdf_verify>\tHAS FINISHED\tline=%d\n",
    .log_paths = log_paths,
    .log_path_count = 1,
    .requires_display = true,
    .logs_units = false,
    .returns_tool_result = true,
    .also_close = nullptr,
};

}  // namespace

UFUSR_EXPORT void ufusr(char * /*param*/, int *retcod, int /*param_len*/) {
    run_plain_tool(variant, run_fpdf_verify, retcod);
}

UFUSR_EXPORT int ufusr_ask_unload(void) { return UF_UNLOAD_IMMEDIATELY; }
