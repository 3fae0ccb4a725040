// Reads a machine file (FPDF) as the export writes it: from bytes the caller has
// read, into its header, routes and records, or the line it cannot read and why.
// For the tools and the programs alike: plain structs and functions, nothing kept
// between calls, no exception out of it, and a bounded file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace fpdf {

// The largest file read; a file of many full routes stays far below it.
constexpr std::size_t MAX_FILE_BYTES = std::size_t{16} * 1024 * 1024;
// Fields kept of one line; a longer line is still counted whole.
constexpr std::size_t MAX_FIELDS = 16;

// What could not be read: its line (0 for the file as a whole) and why. The texts
// are ASCII and name fields, never quote them, so they read alike in any code page.
struct problem {
    long line = 0;
    std::string why;
};

// One line: its number from 1 and its text without the line end.
struct line {
    long number = 0;
    std::string_view text;
    bool crlf = false;  // ended in CR LF; false: in LF alone, or in nothing at the end
};

// The fields of a line, each followed by a comma and a tab but the last.
struct fields {
    std::string_view at[MAX_FIELDS];
    std::size_t count = 0;  // all fields of the line, also past MAX_FIELDS
};

struct header {
    long line = 0;
    std::string assembly, area, cell, date;
};

struct route {
    long line = 0;
    std::string name;
    long count = 0;         // the rivet count the route line states
    std::size_t first = 0;  // its records: records[first] to records[first + size - 1]
    std::size_t size = 0;
};

// A record's texts without the padding the export adds; the position and axis in
// the WCS of the assembly, as the file holds them.
struct record {
    long line = 0;
    std::size_t route = 0;  // index into the routes
    std::string process, add, fastener, grip, point_id;
    double position[3] = {0, 0, 0};
    double axis[3] = {0, 0, 0};
};

struct file {
    header head;
    std::vector<route> routes;
    std::vector<record> records;
};

// What makes the bytes no machine file at all: larger than MAX_FILE_BYTES, empty,
// binary, not beginning with "$$HEAD", or cut short. True when refused.
bool refuse(std::string_view bytes, problem &why) noexcept;

// The line at `offset`, moving the offset past it; false when no line is left.
bool next_line(std::string_view bytes, std::size_t &offset, line &out) noexcept;

// The line's fields; they point into the text.
fields split(std::string_view text) noexcept;

// A field without the blanks around it.
std::string_view unpadded(std::string_view field) noexcept;

// A number in fixed notation ("-12.50000"), blanks around it allowed; false for
// anything else, also for a value out of range.
bool number(std::string_view field, double &value) noexcept;

// Reads the whole file. False with the first thing it cannot read: what refuse()
// refuses, a line end other than CR LF, a line that is no header, route line or
// record of the export, a record before any route. A route's count and its records
// are given as they are, also when they differ. On false `out` is empty.
bool read(std::string_view bytes, file &out, problem &why) noexcept;

}  // namespace fpdf
