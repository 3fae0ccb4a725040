// The fields of the machine file's records, written as printf writes "%15.5f" and
// "%12.12s" to the byte, without its cost: a route file holds six numbers a rivet.
#pragma once

#include <cstddef>

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
