// The rivet records of one route in the FPDF file: sorted by point identifier,
// process attributes, position and axis in the WCS of the displayed part.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/component.h"
#include "common/fpdf_record.h"
#include "common/tool_run.h"
#include "common/vocabulary.h"
#include "fpdf_export.h"
#include "uf.h"
#include "uf_assem.h"
#include "uf_attr.h"

FILE *fpdf_file = nullptr;

namespace {

constexpr int POINT_ID_SIZE = 16;    // at most 15 characters
constexpr int SHORT_CODE_SIZE = 10;  // pr_code, ad_code
constexpr int LONG_CODE_SIZE = 20;   // fast_code, grip_lng
constexpr int MESSAGE_SIZE = 200;

struct point_entry {
    tag_t rivet;
    char point_id[POINT_ID_SIZE];
};

point_entry point_array[MEMBER_ROOM];

// One route's text is made whole before any of it reaches the file: a route that
// stops halfway leaves nothing, so the file's counts always match its records. A
// record is at most 6 numbers of 316 characters (the largest double in %15.5f) and
// about 60 more.
constexpr size_t RECORD_MAX = 2048;
constexpr size_t ROUTE_TEXT_SIZE = RECORD_MAX * (MEMBER_ROOM + 1);
char route_text[ROUTE_TEXT_SIZE];
record_text route = {route_text, sizeof route_text, 0};

char pr_code[SHORT_CODE_SIZE];
char ad_code[SHORT_CODE_SIZE];
char fast_code[LONG_CODE_SIZE];
char grip_lng[LONG_CODE_SIZE];

// The printed fields are narrower than the buffers, so a value cut to its
// buffer prints exactly as the whole value would. Answers the whole value's length.
size_t copy_value(char *target, size_t size, const UF_ATTR_value_t &value) {
    // GCOVR_EXCL_BR_START: found as a string, the value reads back as one
    const char *text = value.type == UF_ATTR_string && value.value.string != nullptr ? value.value.string : "";
    // GCOVR_EXCL_BR_STOP
    size_t whole = strlen(text);
    size_t length = whole < size - 1 ? whole : size - 1;
    memcpy(target, text, length);
    target[length] = '\0';
    return whole;
}

struct rivet_attribute {
    const char *title;
    char *buffer;
    size_t size;
    const char *box_text;
    const char *log_format;  // point identifier, route name, line
};

const rivet_attribute rivet_attributes[] = {
    {PR_CODE_TITLE, pr_code, sizeof pr_code, "не найден атрибут <pr_code>",
     "\n\tне найден атрибут <pr_code> заклепки %s маршрута %s \tline=%d\n"},
    {AD_CODE_TITLE, ad_code, sizeof ad_code, "не найден атрибут <ad_code>",
     "\n\tне найден атрибут <ad_code> заклепки %s маршрута %s \tline=%d\n"},
    {FAST_CODE_TITLE, fast_code, sizeof fast_code, "не найден атрибут <fast_code>",
     "\n\tне найден атрибут <fast_code> заклепки %s маршрута %s \tline=%d\n"},
    {GRIP_LNG_TITLE, grip_lng, sizeof grip_lng, "не найден атрибут <grip_lng>",
     "\n\tне найден атрибут <grip_lng> заклепки %s маршрута %s \tline=%d\n"},
};

bool all_finite(const double (&values)[3]) {
    return std::isfinite(values[0]) && std::isfinite(values[1]) && std::isfinite(values[2]);
}

// Plain exchange sort: it alone fixes where rivets with equal identifiers go.
void sort_points(int count) {
    for (int i = 0; i < count - 1; ++i)
        for (int j = i + 1; j < count; ++j)
            if (strcmp(point_array[i].point_id, point_array[j].point_id) > 0) {
                point_entry swap = point_array[i];
                point_array[i] = point_array[j];
                point_array[j] = swap;
            }
}

// 1 when found and copied; 0 when missing (message given); -1 on a host failure.
int read_rivet_attribute(const point_entry &entry, const rivet_attribute &attr, const char *path_name) {
    int title_type = 0;
    error_code = UF_ATTR_find_attribute(entry.rivet, UF_ATTR_string, attr.title, &title_type);
    if (error_code != 0) {
        // A failing look-up is a host failure, not a missing attribute.
        report_error(error_code, __LINE__);
        return -1;
    }
    if (title_type != UF_ATTR_string) {
        uc1601(attr.box_text, 1);
        fprintf(error_log, attr.log_format, entry.point_id, path_name, __LINE__);
        return 0;
    }
    UF_ATTR_value_t value = {};
    error_code = UF_ATTR_read_value(entry.rivet, attr.title, UF_ATTR_any, &value);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return -1;
    }
    copy_value(attr.buffer, attr.size, value);
    if (value.type == UF_ATTR_string) UF_free(value.value.string);  // GCOVR_EXCL_BR_LINE: read as a string
    return 1;
}

}  // namespace

int write_path_rivets(const char *path_name, const tag_t *member_array, int member_count, bool *written) {
    *written = false;
    // GCOVR_EXCL_BR_START: routes over 99 rivets are refused before
    if (member_count > MEMBER_ROOM) member_count = MEMBER_ROOM;
    // GCOVR_EXCL_BR_STOP
    char path_line[PATH_NAME_SIZE + 32];
    snprintf(path_line, sizeof path_line, "$$PATH,\t%s,\t%d\n", path_name, member_count);
    route.length = 0;
    route_text[0] = '\0';
    append_plain(route, path_line);

    // Every identifier is read before the first record: a route with a missing
    // one gets no records at all.
    for (int i = 0; i < member_count; ++i) {
        int title_type = 0;
        error_code = UF_ATTR_find_attribute(member_array[i], UF_ATTR_string, POINT_ID_TITLE, &title_type);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return error_code;
        }
        if (title_type != UF_ATTR_string) {
            uc1601("не найден атрибут point_id", 1);
            fprintf(error_log, "\n\tне найден атрибут point_id в маршруте %s\tline=%d\n", path_name, __LINE__);
            return 0;
        }
        UF_ATTR_value_t value = {};
        error_code = UF_ATTR_read_value(member_array[i], POINT_ID_TITLE, UF_ATTR_any, &value);
        if (error_code != 0) {
            report_error(error_code, __LINE__);
            return error_code;
        }
        point_array[i].rivet = member_array[i];
        if (copy_value(point_array[i].point_id, sizeof point_array[i].point_id, value) >=
            sizeof point_array[i].point_id)
            fprintf(error_log, "\n\tатрибут point_id длиннее %d знаков в маршруте %s, взяты первые: %s\tline=%d\n",
                    POINT_ID_SIZE - 1, path_name, point_array[i].point_id, __LINE__);
        if (value.type == UF_ATTR_string) UF_free(value.value.string);  // GCOVR_EXCL_BR_LINE: read as a string
    }

    sort_points(member_count);

    for (int i = 0; i < member_count; ++i) {
        const point_entry &entry = point_array[i];
        component_data rivet;
        if (ask_component_data(entry.rivet, rivet) != 0) {
            report_error(error_code, __LINE__);
            return error_code;
        }

        for (const rivet_attribute &attr : rivet_attributes) {
            int found = read_rivet_attribute(entry, attr, path_name);
            if (found < 0) return error_code;
            if (found == 0) return 0;
        }

        // Position and rivet axis (the Z row) in the WCS.
        rivet_record record = {pr_code, ad_code, fast_code, grip_lng, entry.point_id, {}, {}};
        if (rivet_in_wcs(rivet.origin, rivet.csys_matrix, record.position, record.axis) != 0) {
            report_error(error_code, __LINE__);
            return error_code;
        }
        // A frame far out of range gives no number: the cell would get no position.
        if (!all_finite(record.position) || !all_finite(record.axis)) {
            char message[MESSAGE_SIZE];
            snprintf(message, sizeof message, "положение или ось заклепки %s в WCS вне диапазона чисел",
                     entry.point_id);
            uc1601(message, 1);
            fprintf(error_log, "\n\tположение или ось заклепки %s маршрута %s в WCS вне диапазона чисел\tline=%d\n",
                    entry.point_id, path_name, __LINE__);
            return 0;
        }

        // GCOVR_EXCL_START: the route's room holds 99 records of the widest kind; longer routes are refused earlier
        bool fits = append_rivet_record(route, record);
        if (!fits) {
            fprintf(error_log, "\n\tзаписи маршрута %s не помещаются в буфер\tline=%d\n", path_name, __LINE__);
            return 0;
        }
        // GCOVR_EXCL_STOP
    }
    fwrite(route_text, 1, route.length, fpdf_file);
    *written = true;
    return 0;
}
