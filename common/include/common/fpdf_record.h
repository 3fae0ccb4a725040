// The rivet record of the machine file as the export writes it, field by field:
// one writer for the export and for the tools that hold a file against the
// assembly, so both always mean the same bytes. The fields are written as printf
// writes "%15.5f" and "%12.12s" to the byte, without its cost: a route file holds
// six numbers a rivet.
#pragma once

#include <cstddef>

#include "uf.h"

// A text being built in a fixed buffer, always ended by '\0'.
struct record_text {
    char *text;
    size_t size;
    size_t length;
};

// Each appends one field, or changes nothing and answers false when the field and
// the ending '\0' do not fit.

// The characters as they are.
bool append_plain(record_text &record, const char *value);
// At most `width` characters of value, right-aligned in `width` ("%W.Ws").
bool append_cut(record_text &record, const char *value, int width);
// The value with `precision` decimals, right-aligned in `width` ("%W.Pf").
bool append_fixed(record_text &record, double value, int width, int precision);

// The record's fields: "%15.5f" for the numbers, "%W.Ws" for the codes.
constexpr int FPDF_NUMBER_WIDTH = 15;
constexpr int FPDF_NUMBER_DECIMALS = 5;
constexpr int FPDF_PROCESS_CODE_WIDTH = 1;  // pr_code, ad_code
constexpr int FPDF_FAST_CODE_WIDTH = 12;
constexpr int FPDF_GRIP_WIDTH = 3;
constexpr int FPDF_POINT_ID_WIDTH = 12;

// What one rivet record holds: the four codes and the point identifier as the
// rivet's attributes give them (cut here to their fields), position and axis in
// the WCS of the displayed part.
struct rivet_record {
    const char *pr_code;
    const char *ad_code;
    const char *fast_code;
    const char *grip_lng;
    const char *point_id;
    double position[3];
    double axis[3];
};

// The whole record line with its line end; false (and the text cut at a field)
// when it does not fit.
bool append_rivet_record(record_text &record, const rivet_record &rivet);

// The rivet's position (its origin) and axis (the Z row of its orientation) in the
// WCS of the displayed part, from its component data in absolute coordinates: the
// two mappings the record's numbers come from. Three host calls; answers error_code
// (not reported here).
int rivet_in_wcs(const double origin[3], const double csys_matrix[9], double position[3], double axis[3]);
