// One picked route held against its section of the machine file: the rivets as
// the export would write them today (codes cut to their fields, position and axis
// in the current WCS to the file's five decimals) against the records the file holds.
#include <cstdio>
#include <cstring>
#include <string_view>

#include "common/component.h"
#include "common/fpdf_record.h"
#include "common/steps.h"
#include "common/tool_run.h"
#include "common/vocabulary.h"
#include "fpdf_verify.h"
#include "uf.h"
#include "uf_attr.h"

fpdf::file file_read;

namespace {

constexpr int CODE_COUNT = 4;
// Each field as the record holds it, and its terminator.
constexpr int FIELD_SIZE = FPDF_POINT_ID_WIDTH + 1;
// The longest "%.5f" text of a double, and its terminator.
constexpr int NUMBER_SIZE = 1 + 309 + 1 + FPDF_NUMBER_DECIMALS + 1;
constexpr int POSITION_SIZE = 3 * NUMBER_SIZE + 8;

struct code_field {
    const char *title;
    int width;
    std::string fpdf::record::*in_file;
};

const code_field code_fields[CODE_COUNT] = {
    {PR_CODE_TITLE, FPDF_PROCESS_CODE_WIDTH, &fpdf::record::process},
    {AD_CODE_TITLE, FPDF_PROCESS_CODE_WIDTH, &fpdf::record::add},
    {FAST_CODE_TITLE, FPDF_FAST_CODE_WIDTH, &fpdf::record::fastener},
    {GRIP_LNG_TITLE, FPDF_GRIP_WIDTH, &fpdf::record::grip},
};

// A rivet of the route as the export would write it today.
struct assembly_rivet {
    tag_t rivet;
    bool has_point_id;
    char point_id[FIELD_SIZE];  // what the record's field holds of it, without padding
    char instance_name[MAX_ENTITY_NAME_SIZE + 1];
    bool has_code[CODE_COUNT];
    char code[CODE_COUNT][FIELD_SIZE];
    double position[3];
    double axis[3];
};

tag_t member_array[MEMBER_ROOM];
int member_count = 0;
assembly_rivet rivets[MEMBER_ROOM];

// The field's text as the export writes it ("%W.Ws"), the padding left out.
void field_text(const char *value, int width, char (&field)[FIELD_SIZE]) {
    char padded[FIELD_SIZE];
    record_text record = {padded, sizeof padded, 0};
    padded[0] = '\0';
    append_cut(record, value, width);
    const char *text = padded;
    while (*text == ' ') ++text;
    snprintf(field, sizeof field, "%s", text);
}

// A number as the export writes it, without the padding; no minus before a zero, which
// the cell reads as the same place.
void number_text(double value, char (&text)[NUMBER_SIZE]) {
    record_text record = {text, sizeof text, 0};
    text[0] = '\0';
    append_fixed(record, value, 0, FPDF_NUMBER_DECIMALS);
    if (text[0] == '-' && strspn(text + 1, "0.") == strlen(text + 1)) memmove(text, text + 1, strlen(text));
}

void triple_text(const double (&values)[3], char (&text)[POSITION_SIZE]) {
    char x[NUMBER_SIZE], y[NUMBER_SIZE], z[NUMBER_SIZE];
    number_text(values[0], x);
    number_text(values[1], y);
    number_text(values[2], z);
    snprintf(text, sizeof text, "(%s, %s, %s)", x, y, z);
}

// Reads a string attribute whole into a field as the export cuts it. False on a
// failing host call (reported); *found tells whether the rivet carries it.
bool read_field(tag_t rivet, const char *title, int width, bool *found, char (&field)[FIELD_SIZE]) {
    field[0] = '\0';
    int title_type = 0;
    error_code = UF_ATTR_find_attribute(rivet, UF_ATTR_string, title, &title_type);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return false;
    }
    *found = title_type == UF_ATTR_string;
    if (!*found) return true;
    UF_ATTR_value_t value = {};
    error_code = UF_ATTR_read_value(rivet, title, UF_ATTR_any, &value);
    if (error_code != 0) {
        report_error(error_code, __LINE__);
        return false;
    }
    // GCOVR_EXCL_BR_START: found as a string, the value reads back as one
    if (value.type != UF_ATTR_string || value.value.string == nullptr) return true;
    // GCOVR_EXCL_BR_STOP
    field_text(value.value.string, width, field);
    UF_free(value.value.string);
    return true;
}

bool read_rivet(tag_t member, assembly_rivet &rivet) {
    rivet.rivet = member;
    if (!read_field(member, POINT_ID_TITLE, FPDF_POINT_ID_WIDTH, &rivet.has_point_id, rivet.point_id)) return false;
    component_data data;
    if (ask_component_data(member, data) != 0) {
        report_error(error_code, __LINE__);
        return false;
    }
    snprintf(rivet.instance_name, sizeof rivet.instance_name, "%s", data.instance_name);
    for (int c = 0; c < CODE_COUNT; ++c)
        if (!read_field(member, code_fields[c].title, code_fields[c].width, &rivet.has_code[c], rivet.code[c]))
            return false;
    if (rivet_in_wcs(data.origin, data.csys_matrix, rivet.position, rivet.axis) != 0) {
        report_error(error_code, __LINE__);
        return false;
    }
    return true;
}

// The rivets under the route, as the export finds them. Counting goes on past the
// table, so that an over-full route is told by its count.
bool gather_rivets(tag_t route) {
    member_count = 0;
    tag_t member = NULL_TAG;
    for (;;) {
        if (next_rivet_member(route, member, report_error) != 0) return false;
        if (member == NULL_TAG) return true;
        if (member_count < MEMBER_ROOM) member_array[member_count] = member;
        ++member_count;
    }
}

// The export's order of the records: by point identifier, byte by byte.
void sort_rivets(int count) {
    for (int i = 0; i < count - 1; ++i)
        for (int j = i + 1; j < count; ++j)
            if (strcmp(rivets[i].point_id, rivets[j].point_id) > 0) {
                assembly_rivet swap = rivets[i];
                rivets[i] = rivets[j];
                rivets[j] = swap;
            }
}

// The records of a route section, as the reader places them.
const fpdf::record &record_at(const fpdf::route &section, size_t k) { return file_read.records[section.first + k]; }

// The section's records of this point identifier: their count, and the first in *first.
int records_under(const fpdf::route &section, std::string_view point_id, const fpdf::record **first) {
    int n = 0;
    for (size_t k = 0; k < section.size; ++k) {
        if (record_at(section, k).point_id != point_id) continue;
        if (n == 0) *first = &record_at(section, k);
        ++n;
    }
    return n;
}

int rivets_under(std::string_view point_id) {
    int n = 0;
    for (int i = 0; i < member_count; ++i) n += rivets[i].has_point_id && point_id == rivets[i].point_id ? 1 : 0;
    return n;
}

bool same_number(double in_file, double today) {
    char a[NUMBER_SIZE], b[NUMBER_SIZE];
    number_text(in_file, a);
    number_text(today, b);
    return strcmp(a, b) == 0;
}

bool same_triple(const double (&in_file)[3], const double (&today)[3]) {
    return same_number(in_file[0], today[0]) && same_number(in_file[1], today[1]) && same_number(in_file[2], today[2]);
}

// The codes, position and axis of one rivet that the file holds once.
int compare_rivet(const assembly_rivet &rivet, const fpdf::record &record, const char *path_name) {
    int found = 0;
    for (int c = 0; c < CODE_COUNT; ++c) {
        const std::string &in_file = record.*code_fields[c].in_file;
        if (!rivet.has_code[c]) {
            fprintf(error_log, "\n\tмаршрут %s, заклепка %s: <%s> в файле <%s>, в сборке атрибута нет\tline=%d\n",
                    path_name, rivet.point_id, code_fields[c].title, in_file.c_str(), __LINE__);
            ++found;
        } else if (in_file != rivet.code[c]) {
            fprintf(error_log, "\n\tмаршрут %s, заклепка %s: <%s> в файле <%s>, в сборке <%s>\tline=%d\n", path_name,
                    rivet.point_id, code_fields[c].title, in_file.c_str(), rivet.code[c], __LINE__);
            ++found;
        }
    }
    char in_file[POSITION_SIZE], today[POSITION_SIZE];
    if (!same_triple(record.position, rivet.position)) {
        triple_text(record.position, in_file);
        triple_text(rivet.position, today);
        fprintf(error_log, "\n\tмаршрут %s, заклепка %s: положение в файле %s, в сборке %s\tline=%d\n", path_name,
                rivet.point_id, in_file, today, __LINE__);
        ++found;
    }
    if (!same_triple(record.axis, rivet.axis)) {
        triple_text(record.axis, in_file);
        triple_text(rivet.axis, today);
        fprintf(error_log, "\n\tмаршрут %s, заклепка %s: ось в файле %s, в сборке %s\tline=%d\n", path_name,
                rivet.point_id, in_file, today, __LINE__);
        ++found;
    }
    return found;
}

// The route's rivets against its section, in the export's order, then the records
// of rivets the route no longer has, in file order.
int compare_rivets(const fpdf::route &section, const char *path_name) {
    int found = 0;
    for (int i = 0; i < member_count; ++i) {
        const assembly_rivet &rivet = rivets[i];
        if (!rivet.has_point_id) {
            fprintf(error_log, "\n\tмаршрут %s, заклепка %s: нет атрибута point_id, в файле ее не найти\tline=%d\n",
                    path_name, rivet.instance_name, __LINE__);
            ++found;
            continue;
        }
        // Sorted: rivets with one identifier follow each other, and the first tells.
        if (i > 0 && rivets[i - 1].has_point_id && strcmp(rivets[i - 1].point_id, rivet.point_id) == 0) continue;
        int in_route = rivets_under(rivet.point_id);
        const fpdf::record *record = nullptr;
        int in_file = records_under(section, rivet.point_id, &record);
        if (in_route == 1 && in_file == 1) {
            found += compare_rivet(rivet, *record, path_name);
        } else if (in_route == 1 && in_file == 0) {
            fprintf(error_log, "\n\tмаршрут %s, заклепка %s: в файле нет, в сборке есть\tline=%d\n", path_name,
                    rivet.point_id, __LINE__);
            ++found;
        } else {
            fprintf(error_log, "\n\tмаршрут %s, заклепка %s: записей в файле %d, заклепок в сборке %d\tline=%d\n",
                    path_name, rivet.point_id, in_file, in_route, __LINE__);
            ++found;
        }
    }
    for (size_t k = 0; k < section.size; ++k) {
        const std::string &point_id = record_at(section, k).point_id;
        if (rivets_under(point_id) > 0) continue;
        bool told = false;
        for (size_t before = 0; before < k && !told; ++before) told = record_at(section, before).point_id == point_id;
        if (told) continue;
        fprintf(error_log, "\n\tмаршрут %s, заклепка %s: в файле есть, в сборке нет\tline=%d\n", path_name,
                point_id.c_str(), __LINE__);
        ++found;
    }
    return found;
}

}  // namespace

int verify_route(tag_t route, const char *path_name, int *differences) {
    const fpdf::route *section = nullptr;
    int sections = 0;
    for (const fpdf::route &in_file : file_read.routes) {
        if (in_file.name != path_name) continue;
        if (section == nullptr) section = &in_file;
        ++sections;
    }
    if (section == nullptr) {
        fprintf(error_log, "\n\tмаршрут %s: в файле нет, в сборке есть\tline=%d\n", path_name, __LINE__);
        ++*differences;
        return 0;
    }

    if (!gather_rivets(route)) return error_code;
    int found = 0;
    if (sections > 1) {
        fprintf(error_log, "\n\tмаршрут %s: разделов в файле %d, в сборке 1\tline=%d\n", path_name, sections, __LINE__);
        ++found;
    }
    if (section->count != member_count) {
        fprintf(error_log, "\n\tмаршрут %s: заклепок в файле %ld, в сборке %d\tline=%d\n", path_name, section->count,
                member_count, __LINE__);
        ++found;
    }
    if (member_count > MAX_RIVETS) {
        // The export refuses such a route: there is nothing it would write to hold against.
        fprintf(error_log, "\n\tв маршруте %s более 99 заклепок: заклепки не сверены\tline=%d\n", path_name, __LINE__);
        *differences += found + 1;
        return 0;
    }
    for (int i = 0; i < member_count; ++i)
        if (!read_rivet(member_array[i], rivets[i])) return error_code;
    sort_rivets(member_count);
    found += compare_rivets(*section, path_name);
    *differences += found;
    return 0;
}
