// Writes the FPDF file for the riveting machine: the engineer names the file and
// the header texts in a dialog, then picks verified routes; each route gets its
// route line and the records of its rivets.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/component.h"
#include "common/host_records.h"
#include "common/route_selection.h"
#include "common/steps.h"
#include "common/text_dialog.h"
#include "common/tool_run.h"
#include "fpdf_export.h"
#include "uf.h"
#include "uf_disp.h"
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
constexpr int DATE_SIZE = 20;
constexpr int STRDATE_SIZE = 16;  // _strdate needs 9
constexpr int MESSAGE_SIZE = 200;
constexpr int NO_REASON = 1;  // a file call failed and the run-time gives no reason

char fpdf_name[TEXT_SIZE];
char add_fpdf_name[TEXT_SIZE];
char assembly_name[TEXT_SIZE];
char area_name[TEXT_SIZE];
char date_text[TEXT_SIZE];
char Date_Of_Programming[DATE_SIZE];
char template_fpdf[TEMPLATE_FPDF_SIZE];
int routes_written = 0;  // routes written whole into the open machine file

char path_name[PATH_NAME_SIZE];
tag_t member_array[MEMBER_ROOM];
int member_count = 0;
tag_t member = NULL_TAG;

// _strdate gives MM/DD/YY; the machine wants DD-MM-20YY.
void build_date() {
    char strdate[STRDATE_SIZE] = "";
    _tzset();
    _strdate(strdate);
    char year[STRDATE_SIZE] = "";
    char day[STRDATE_SIZE] = "";
    char *slash = strrchr(strdate, '/');
    if (slash != nullptr) {  // GCOVR_EXCL_BR_LINE: the host's _strdate always has its slashes
        snprintf(year, sizeof year, "%s", slash + 1);
        *slash = '\0';
    }
    slash = strrchr(strdate, '/');
    if (slash != nullptr) {  // GCOVR_EXCL_BR_LINE: the host's _strdate always has its slashes
        snprintf(day, sizeof day, "%s", slash + 1);
        *slash = '\0';
    }
    // _strdate's fields are two digits each, so the text always fits; a longer one is cut.
    // GCOVR_EXCL_START: "%s" never fails
    if (snprintf(Date_Of_Programming, sizeof Date_Of_Programming, "%s-%s-20%s", day, strdate, year) < 0)
        Date_Of_Programming[0] = '\0';
    // GCOVR_EXCL_STOP
}

const char *const field_items[] = {"FPDF_NAME", "ADD_FPDF_NAME", "ASSEMBLY_NAME", "AREA_NAME", "DATE"};

text_dialog name_fields = {
    .fields = field_items,
    .field_count = sizeof field_items / sizeof field_items[0],
    .report = report_error,
};

int FPDF_NAME_construct_cb(int dialog_id, void *, UF_STYLER_item_value_type_p_t) {
    // The assembly name may be set here from itself: copy through a temporary.
    char name[TEXT_SIZE];
    snprintf(name, sizeof name, "%s", assembly_name);

    if (!show_text_field(name_fields, dialog_id, "FPDF_NAME", name, fpdf_name) ||
        !show_text_field(name_fields, dialog_id, "ADD_FPDF_NAME", "aaa", add_fpdf_name) ||
        !show_text_field(name_fields, dialog_id, "ASSEMBLY_NAME", name, assembly_name) ||
        !show_text_field(name_fields, dialog_id, "AREA_NAME", "A", area_name))
        return 1;
    build_date();
    if (!show_text_field(name_fields, dialog_id, "DATE", Date_Of_Programming, date_text)) return 1;
    return 0;
}

int FPDF_NAME_apply_cb(int dialog_id, void *, UF_STYLER_item_value_type_p_t) {
    return apply_text_fields(name_fields, dialog_id);
}

int FPDF_NAME_fpdf_name_cb(int dialog_id, void *, UF_STYLER_item_value_type_p_t) {
    return take_text_field(name_fields, dialog_id, "FPDF_NAME", fpdf_name, "\n\tFPDF_name = \t%s\n\n");
}

int FPDF_NAME_add_fpdf_name_cb(int dialog_id, void *, UF_STYLER_item_value_type_p_t) {
    return take_text_field(name_fields, dialog_id, "ADD_FPDF_NAME", add_fpdf_name, "\n\tadd_FPDF_name = \t%s\n\n");
}

int FPDF_NAME_assembly_name_cb(int dialog_id, void *, UF_STYLER_item_value_type_p_t) {
    return take_text_field(name_fields, dialog_id, "ASSEMBLY_NAME", assembly_name, "\n\tassembly_name = \t%s\n\n");
}

int FPDF_NAME_area_name_cb(int dialog_id, void *, UF_STYLER_item_value_type_p_t) {
    return take_text_field(name_fields, dialog_id, "AREA_NAME", area_name, "\n\tarea_name = \t%s\n\n");
}

int FPDF_NAME_date_cb(int dialog_id, void *, UF_STYLER_item_value_type_p_t) {
    return take_text_field(name_fields, dialog_id, "DATE", date_text, "\n\tdate = \t%s\n\n");
}

constexpr int CALLBACK_COUNT = 8;

UF_STYLER_callback_info_t fpdf_name_callbacks[CALLBACK_COUNT] = {
    styler_callback(UF_STYLER_DIALOG_INDEX, UF_STYLER_CONSTRUCTOR_CB, 0, FPDF_NAME_construct_cb),
    styler_callback(UF_STYLER_DIALOG_INDEX, UF_STYLER_APPLY_CB, 0, FPDF_NAME_apply_cb),
    styler_callback("FPDF_NAME", UF_STYLER_ACTIVATE_CB, 0, FPDF_NAME_fpdf_name_cb),
    styler_callback("ADD_FPDF_NAME", UF_STYLER_ACTIVATE_CB, 0, FPDF_NAME_add_fpdf_name_cb),
    styler_callback("ASSEMBLY_NAME", UF_STYLER_ACTIVATE_CB, 0, FPDF_NAME_assembly_name_cb),
    styler_callback("AREA_NAME", UF_STYLER_ACTIVATE_CB, 0, FPDF_NAME_area_name_cb),
    styler_callback("DATE", UF_STYLER_ACTIVATE_CB, 0, FPDF_NAME_date_cb),
    styler_callback(UF_STYLER_NULL_OBJECT, UF_STYLER_NO_CB, 0, nullptr),
};

// The run-time's reason for a failed file call, as the run's result.
int file_error() { return errno != 0 ? errno : NO_REASON; }  // GCOVR_EXCL_BR_LINE: the run-time sets errno

void close_fpdf_file() {
    if (fpdf_file == nullptr) return;  // GCOVR_EXCL_BR_LINE: called only with the file open
    fflush(fpdf_file);
    fclose(fpdf_file);
    fpdf_file = nullptr;
}

// One picked route: its route line and its records. Any other answer than go_on
// ends the export; what is written stays.
step export_route(tag_t route) {
    char part_number[UF_UGMGR_PARTNO_SIZE + 1];
    if (ask_component_part_number(route, part_number) != 0) return step::failed;
    snprintf(path_name, sizeof path_name, "%.*s", PATH_NAME_LEN, part_number);

    member_count = 0;
    member = NULL_TAG;
    for (;;) {
        if (next_rivet_member(route, member, report_error) != 0) return step::failed;
        if (member == NULL_TAG) break;
        // Counting goes on past the table, so an over-full route is refused below.
        if (member_count < MEMBER_ROOM) member_array[member_count] = member;
        ++member_count;
    }

    if (member_count > MAX_RIVETS) {
        uc1601("в маршруте более 99 заклепок", 1);
        fprintf(error_log, "\n\tв маршруте %s более 99 заклепок\tline=%d\n", path_name, __LINE__);
        return step::ended;
    }

    fprintf(error_log, "\n\tpath_name= %s\t   memeber_count= %d\n", path_name, member_count);
    bool written = false;
    error_code = write_path_rivets(path_name, member_array, member_count, &written);
    if (written)
        ++routes_written;
    else if (error_code == 0)
        fprintf(error_log, "\n\tмаршрут %s не записан в файл\tline=%d\n", path_name, __LINE__);
    return error_code != 0 ? step::failed : step::go_on;
}

// Closes and removes the open machine file, which holds no route: the cell never gets
// a file without routes. The box of the removal is shown when `tell_engineer` (the run
// failed or wrote nothing); an engineer who pressed Cancel or Back needs none. A file
// that cannot be removed is always told, and then the run is no success. Answers
// true when the file is gone; error_code keeps a failure from before.
bool remove_routeless_file(bool tell_engineer) {
    int failure = error_code;
    close_fpdf_file();
    if (remove(template_fpdf) != 0) {
        uc1601("ни один маршрут не записан: файл заклепок без маршрутов не удален", 1);
        fprintf(error_log, "\n\tни один маршрут не записан: не могу удалить файл %s\tline=%d\n", template_fpdf,
                __LINE__);
        error_code = failure != 0 ? failure : file_error();
        return false;
    }
    if (tell_engineer) uc1601("ни один маршрут не записан: файла заклепок нет", 1);
    fprintf(error_log, "\n\tни один маршрут не записан: файл %s удален\tline=%d\n", template_fpdf, __LINE__);
    error_code = failure;
    return true;
}

// The machine file after the export of the picked routes ended, early or not: the
// routes written whole stay. A file with no route at all is removed, nor does the
// cell get one whose counts disagree with its records.
void finish_fpdf_file(int picked, bool ended_early) {
    if (routes_written > 0) {
        if (!ended_early) return;
        char message[MESSAGE_SIZE];
        snprintf(message, sizeof message, "экспорт прерван: в файле %d из %d маршрутов", routes_written, picked);
        uc1601(message, 1);
        fprintf(error_log, "\n\tэкспорт прерван: в файле %s первые %d из %d выбранных маршрутов\tline=%d\n",
                template_fpdf, routes_written, picked, __LINE__);
        return;
    }
    remove_routeless_file(true);
}

void export_routes(const host_tags &routes) {
    if (unhighlight(routes.items, routes.count, report_error) != 0) {
        finish_fpdf_file(routes.count, true);
        return;
    }
    for (int i = 0; i < routes.count; ++i)
        if (export_route(routes.items[i]) != step::go_on) {
            finish_fpdf_file(routes.count, true);
            return;
        }
    finish_fpdf_file(routes.count, false);
}

const component_selection verified_routes = {
    .cue = "укажи маршруты (проверенные)",
    .title = "укажи маршруты (проверенные)",
    .init = path_selection_init,
    .nothing_selected = "не выбрал маршрут, да?",
    .report = report_error,
};

// Composes D:\<name><suffix>.fpdf; false when name and suffix are too long.
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
    // The suffix joins the name in place; the check above keeps it inside the buffer.
    strncat(fpdf_name, add_fpdf_name, sizeof fpdf_name - strlen(fpdf_name) - 1);
    int written = snprintf(template_fpdf, sizeof template_fpdf, "D:\\%s.fpdf", fpdf_name);
    return written > 0 && written < TEMPLATE_FPDF_SIZE;  // GCOVR_EXCL_BR_LINE: 3 + 90 + 5 < 100, checked above
}

int run_fpdf_export() {
    display_part = UF_PART_ask_display_part();
    if (display_part == NULL_TAG) {
        uc1601("не загрузил сборку?", 1);
        fprintf(error_log, "\n\tне загрузил сборку?\tline=%d\n", __LINE__);
        return error_code;
    }

    char disp_name[DISP_NAME_SIZE];
    error_code = UF_PART_ask_part_name(display_part, disp_name);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return error_code;
    }
    char part_number[UF_UGMGR_PARTNO_SIZE + 1];
    if (decode_part_number(disp_name, part_number) != 0) return error_code;
    if (strlen(part_number) > static_cast<size_t>(TEXT_MAX)) {
        // The engineer sees the cut name in the dialog and may correct it there.
        char message[MESSAGE_SIZE];
        snprintf(message, sizeof message, "номер сборки длиннее %d знаков - в диалоге его начало", TEXT_MAX);
        uc1601(message, 1);
        fprintf(error_log, "\n\tномер сборки длиннее %d знаков: %s\tline=%d\n", TEXT_MAX, part_number, __LINE__);
    }
    // Cut to the field, as announced above.
    // GCOVR_EXCL_BR_START: "%s" never fails
    if (snprintf(assembly_name, sizeof assembly_name, "%s", part_number) < 0) assembly_name[0] = '\0';
    // GCOVR_EXCL_BR_STOP

    for (;;) {
        if (show_text_dialog(name_fields, "D:\\application\\fpdf_name.dlg", fpdf_name_callbacks, CALLBACK_COUNT) !=
            step::go_on)
            return error_code;

        if (!compose_fpdf_path()) continue;
        fpdf_file = fopen(template_fpdf, "w");
        if (fpdf_file == nullptr) {
            uc1601("не могу разместить файл заклепок <*.fpdf>", 1);
            fprintf(error_log, "\n\tне могу разместить файл заклепок <*.fpdf>\tline=%d\n", __LINE__);
            // No file is no success: the run-time's reason is the result.
            error_code = file_error();
            return error_code;
        }
        routes_written = 0;
        fprintf(fpdf_file, "$$HEAD,\t%s,\t%s,\tTOLV,\t%s\n", assembly_name, area_name, date_text);

        host_tags routes;
        switch (select_components(verified_routes, routes)) {
        case step::go_on: export_routes(routes); return error_code;
        case step::failed: finish_fpdf_file(0, true); return error_code;
        case step::ended: remove_routeless_file(false); return error_code;
        case step::back:
            // The dialog opens a file again, perhaps the same one: this pass's file goes
            // first, so no header-only file stays and no two streams write one file.
            if (!remove_routeless_file(false)) return error_code;
            break;
        }
    }
}

const char *const log_paths[] = {"D:\\prterr.txt"};

const plain_run_variant variant = {
    .start_banner = "\n <fpdf_export>\tHAS STARTED\t\tline=%d\n",
    .finish_banner = "\n <fpdf_export>\tHAS FINISHED\tline=%d\n",
    .log_paths = log_paths,
    .log_path_count = 1,
    .requires_display = false,  // the tool asks itself
    .logs_units = false,
    .returns_tool_result = true,
    .also_close = &fpdf_file,
};

}  // namespace

UFUSR_EXPORT void ufusr(char * /*param*/, int *retcod, int /*param_len*/) {
    run_plain_tool(variant, run_fpdf_export, retcod);
}

UFUSR_EXPORT int ufusr_ask_unload(void) { return UF_UNLOAD_IMMEDIATELY; }
