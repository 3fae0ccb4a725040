#include "check.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "common/catalogue.h"
#include "common/fpdf_file.h"
#include "common/fpdf_reader.h"
#include "display.h"

// MinGW's printf family is the C99 one here, not the archetype GCC assumes there.
#ifdef __MINGW32__
#define FINDING_FORMAT __attribute__((format(gnu_printf, 3, 4)))
#else
#define FINDING_FORMAT __attribute__((format(printf, 3, 4)))
#endif

const char TABLE_HEADER[] = "route,sequence,point_id,process_code,add_code,fastener,grip,x,y,z,i,j,k\r\n";

namespace {

constexpr size_t MESSAGE_MAX = 2048;
// Distinct findings kept for the report; past this a broken file only counts them.
constexpr size_t FINDINGS_SHOWN = 10000;

constexpr size_t HEAD_FIELDS = 5;
constexpr size_t ROUTE_FIELDS = 3;
constexpr size_t RECORD_FIELDS = 13;
constexpr long ROUTE_LIMIT = 99;
constexpr size_t ROUTE_NAME_MAX = 9;
constexpr size_t COUNT_DIGITS_MAX = 9;  // any longer count is far past the limit anyway
constexpr int ACCEPTED_PROCESS = 24;    // "A" to "X", the letters the route check accepts

constexpr size_t CODE_WIDTH = 1;
constexpr size_t FAST_WIDTH = 12;
constexpr size_t GRIP_WIDTH = 3;
constexpr size_t POINT_WIDTH = 12;
constexpr size_t NUMBER_WIDTH = 15;
constexpr size_t NUMBER_DECIMALS = 5;
constexpr size_t NUMBER_FIELDS = 6;
constexpr size_t FIRST_NUMBER = 6;  // index of position X among the record's fields

const char HEAD_KEY[] = "$$HEAD";
const char PATH_KEY[] = "$$PATH";
const char CELL[] = "TOLV";
const char ZERO_FIELD[] = "0";
const char RECORD_TAIL[] = "1, 0, 0";
const char *const NUMBER_NAMES[NUMBER_FIELDS] = {"position X", "position Y", "position Z",
                                                 "axis I",     "axis J",     "axis K"};

// The same text on many lines (LF line ends all through a file, one unknown
// fastener in every record) is one finding: its first line and how often.
struct finding {
    long line;
    std::string text;
    long times = 1;
    long last_line = 0;
};

struct route {
    long line = 0;
    std::string name;
    bool name_usable = false;  // identifiers are held to it
    long announced = -1;       // -1: the count could not be read
    long records = 0;
    std::string last_id;
    long last_id_line = 0;
    std::map<std::string, long> ids;            // identifier -> line of its first record
    std::vector<std::array<double, 3>> points;  // the positions of its records that can be read
};

struct fastener_use {
    std::string code;  // as the record holds it, padding removed
    int row = NOT_FOUND;
    long rivets = 0;
    std::map<std::string, long> grips;
};

std::string plural(long n, const char *one, const char *many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

double distance(const std::array<double, 3> &a, const std::array<double, 3> &b) {
    return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

// Straight lines from each point to the next.
double path_length(const std::vector<std::array<double, 3>> &points) {
    double length = 0;
    for (size_t k = 1; k < points.size(); ++k) length += distance(points[k - 1], points[k]);
    return length;
}

// "176.3 s (0:02:56)": seconds for a script, hours, minutes and seconds for a person.
std::string duration(double seconds) {
    char text[96];
    if (!(seconds < 1e12)) {  // only a file of absurd coordinates
        std::snprintf(text, sizeof text, "%.1f s", seconds);
        return text;
    }
    auto whole = static_cast<long long>(std::llround(seconds));
    std::snprintf(text, sizeof text, "%.1f s (%lld:%02lld:%02lld)", seconds, whole / 3600, whole / 60 % 60, whole % 60);
    return text;
}

// A machine-file text as one field of the locations table: UTF-8, in double quotes
// (doubled inside) when it holds a comma, a quote or a line end.
std::string table_field(const std::string &bytes) {
    std::string text = to_utf8(bytes);
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string field = "\"";
    for (char c : text) field += c == '"' ? std::string("\"\"") : std::string(1, c);
    return field + "\"";
}

// The line's fields as the reader splits them; a line of more than fpdf::MAX_FIELDS
// fields keeps only those, and the count says how many it has.
struct split_line {
    std::vector<std::string> parts;
    size_t count = 0;
};

split_line split(const std::string &text) {
    fpdf::fields f = fpdf::split(text);
    split_line line{{}, f.count};
    for (size_t i = 0; i < std::min(f.count, fpdf::MAX_FIELDS); ++i) line.parts.emplace_back(f.at[i]);
    return line;
}

bool starts_with(const std::string &text, const char *prefix) { return text.rfind(prefix, 0) == 0; }

std::string unpadded(const std::string &field) {
    size_t first = field.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : field.substr(first);
}

// A value padded on the right, where the export pads on the left.
bool left_aligned(const std::string &field) {
    return field.size() > 1 && field.back() == ' ' && field.find_first_not_of(' ') != std::string::npos;
}

std::string trimmed(const std::string &field) {
    std::string value = unpadded(field);
    return value.substr(0, value.find_last_not_of(' ') + 1);
}

bool all_digits(const std::string &text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "%.5f" of a finite number: an optional minus, digits, a point, five digits.
bool is_fixed_number(const std::string &text) {
    size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
    size_t point = text.find('.', i);
    if (point == std::string::npos || point == i) return false;
    return all_digits(text.substr(i, point - i)) && text.size() - point - 1 == NUMBER_DECIMALS &&
           all_digits(text.substr(point + 1));
}

// The row of a fastener code, also when the 12-character field holds the first
// 12 characters of a longer code.
int fastener_row(const std::string &code) {
    int row = find_fast(code.c_str());
    if (row != NOT_FOUND || code.size() != FAST_WIDTH) return row;
    for (int i = 0; i < FAST_COUNT; ++i)
        if (std::strlen(all_fast[i].code) > FAST_WIDTH &&
            code.compare(0, FAST_WIDTH, all_fast[i].code, FAST_WIDTH) == 0)
            return i;
    return NOT_FOUND;
}

std::string grip_list(int row) {
    std::string list;
    for (int k = 0; k < all_fast[row].n; ++k) list += (k ? ", " : "") + std::string(all_fast[row].grip_code[k]);
    return list;
}

std::string add_list() {
    std::string list;
    for (int i = 0; i < ADD_COUNT; ++i) list += (i ? ", " : "") + std::string(all_add[i].code);
    return list;
}

// "<route name>_NN" with NN from 01 to 99, as the route walk numbers a route.
bool id_of_route(const std::string &id, const std::string &name) {
    if (id.size() != name.size() + 3 || id.compare(0, name.size(), name) != 0 || id[name.size()] != '_') return false;
    std::string number = id.substr(name.size() + 1);
    return all_digits(number) && number != "00";
}

// The check of one file: what it has read so far and what it found.
class Checker {
public:
    Checker(const char *path, const check_options &options) : file_path(path), options(options) {}
    int run(std::string_view bytes, std::FILE *out, std::FILE *err);

private:
    const char *file_path;
    const check_options &options;
    std::vector<finding> findings;
    std::map<std::string, size_t> finding_index;  // text -> its entry in findings
    long findings_not_shown = 0;
    std::vector<route> routes;
    std::map<std::string, long> route_lines;  // route name -> its first route line
    std::vector<fastener_use> fasteners;
    std::map<std::string, size_t> fastener_index;
    long rivet_count = 0;
    bool head_read = false;
    std::string head_assembly, head_area, head_date;

    FINDING_FORMAT void add_finding(long line, const char *format, ...) {
        char text[MESSAGE_MAX];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        auto known = finding_index.find(text);
        if (known != finding_index.end()) {
            finding &f = findings[known->second];
            ++f.times;
            f.line = std::min(f.line, line);
            f.last_line = std::max(f.last_line, line);
            return;
        }
        if (findings.size() >= FINDINGS_SHOWN) {
            ++findings_not_shown;
            return;
        }
        finding_index.emplace(text, findings.size());
        findings.push_back({line, text, 1, line});
    }

    // A right-aligned text field: its width is checked, its value returned unpadded.
    std::string text_field(long line, const std::string &field, size_t width, const char *what) {
        if (field.size() != width)
            add_finding(line, "the %s field is %zu characters wide; the export writes %zu", what, field.size(), width);
        if (!left_aligned(field)) return unpadded(field);
        add_finding(line, "the %s %s is not right-aligned: the export pads it on the left", what,
                    quoted(field).c_str());
        return trimmed(field);
    }

    void note_fastener(const std::string &code, int row, const std::string &grip) {
        auto known = fastener_index.find(code);
        if (known == fastener_index.end()) {
            known = fastener_index.emplace(code, fasteners.size()).first;
            fasteners.push_back({code, row, 0, {}});
        }
        fastener_use &use = fasteners[known->second];
        ++use.rivets;
        ++use.grips[grip];
    }

    void check_header(long line, const std::string &text) {
        split_line fields = split(text);
        const std::vector<std::string> &parts = fields.parts;
        if (fields.count != HEAD_FIELDS || parts[0] != HEAD_KEY) {
            add_finding(line,
                        "the header is not \"$$HEAD\", assembly, area, \"TOLV\" and date, each field followed by "
                        "a comma and a tab (it has %zu fields, the header has %zu)",
                        fields.count, HEAD_FIELDS);
            return;
        }
        head_read = true;
        head_assembly = parts[1];
        head_area = parts[2];
        head_date = parts[4];
        if (parts[3] != CELL)
            add_finding(line, "the header names the cell %s; the export writes \"TOLV\"", quoted(parts[3]).c_str());
        if (parts[1].empty()) add_finding(line, "the header's assembly name is empty");
        if (parts[2].empty()) add_finding(line, "the header's area name is empty");
        if (parts[4].empty()) add_finding(line, "the header's date is empty");
    }

    void check_route_line(long line, const std::string &text) {
        route r;
        r.line = line;
        split_line fields = split(text);
        const std::vector<std::string> &parts = fields.parts;
        if (fields.count != ROUTE_FIELDS || parts[0] != PATH_KEY) {
            add_finding(line,
                        "the route line is not \"$$PATH\", route name and rivet count, each field followed by "
                        "a comma and a tab (it has %zu fields, a route line has %zu)",
                        fields.count, ROUTE_FIELDS);
            routes.push_back(r);
            return;
        }
        r.name = parts[1];
        if (r.name.empty()) {
            add_finding(line, "the route name is empty");
        } else if (r.name.size() > ROUTE_NAME_MAX) {
            add_finding(line, "the route name %s is %zu characters long; the export writes at most %zu",
                        quoted(r.name).c_str(), r.name.size(), ROUTE_NAME_MAX);
        } else {
            r.name_usable = true;
            auto first = route_lines.emplace(r.name, line).first;
            if (first->second != line)
                add_finding(line, "route %s appears again (first at line %ld)", quoted(r.name).c_str(), first->second);
        }
        const std::string &count = parts[2];
        if (!all_digits(count) || (count.size() > 1 && count[0] == '0')) {
            add_finding(line, "the rivet count %s is not a decimal number as the export writes it",
                        quoted(count).c_str());
        } else if (count.size() > COUNT_DIGITS_MAX || std::stol(count) > ROUTE_LIMIT) {
            add_finding(line, "the route announces %s rivets; a route holds at most %ld", count.c_str(), ROUTE_LIMIT);
            if (count.size() <= COUNT_DIGITS_MAX) r.announced = std::stol(count);
        } else {
            r.announced = std::stol(count);
        }
        routes.push_back(r);
    }

    void check_point_id(long line, route *r, const std::string &id) {
        if (id.empty()) {
            add_finding(line, "the point identifier is blank");
        } else if (r != nullptr && r->name_usable && !id_of_route(id, r->name)) {
            add_finding(line,
                        "the point identifier %s is not %s_NN (the route name, an underscore, two digits 01 to 99)",
                        quoted(id).c_str(), to_utf8(r->name).c_str());
        }
        if (r == nullptr) return;
        auto seen = r->ids.find(id);
        if (seen != r->ids.end()) {
            add_finding(line, "the point identifier %s appears twice in the route (first at line %ld)",
                        quoted(id).c_str(), seen->second);
        } else {
            if (r->last_id_line != 0 && r->last_id.compare(id) > 0)
                add_finding(line,
                            "the point identifier %s is out of order: it follows %s (line %ld), and the export "
                            "writes a route's identifiers in byte order",
                            quoted(id).c_str(), quoted(r->last_id).c_str(), r->last_id_line);
            r->ids[id] = line;
        }
        r->last_id = id;
        r->last_id_line = line;
    }

    void check_number(long line, const std::string &field, const char *what) {
        std::string number = unpadded(field);
        if (left_aligned(field) && is_fixed_number(trimmed(field))) {
            number = trimmed(field);
            add_finding(line, "the %s %s is not right-aligned: the export pads it on the left", what,
                        quoted(field).c_str());
        } else if (!is_fixed_number(number)) {
            add_finding(line, "the %s %s is not a number with %zu decimals", what, quoted(field).c_str(),
                        NUMBER_DECIMALS);
            return;
        }
        size_t width = std::max(NUMBER_WIDTH, number.size());
        if (field.size() != width)
            add_finding(line, "the %s field is %zu characters wide; the export writes %zu", what, field.size(), width);
    }

    void check_record(long line, const std::string &text) {
        ++rivet_count;
        route *r = routes.empty() ? nullptr : &routes.back();
        if (r == nullptr)
            add_finding(line, "a rivet record before any route line");
        else
            ++r->records;

        split_line fields = split(text);
        const std::vector<std::string> &parts = fields.parts;
        if (fields.count != RECORD_FIELDS) {
            add_finding(line,
                        "the line is not a rivet record: it has %zu fields, a record has %zu, each but the "
                        "last followed by a comma and a tab",
                        fields.count, RECORD_FIELDS);
            return;
        }

        std::string process = text_field(line, parts[0], CODE_WIDTH, "process code");
        if (process.empty()) {
            add_finding(line, "the process code is blank");
        } else {
            int index = find_process(process.c_str());
            if (index == NOT_FOUND || index >= ACCEPTED_PROCESS)
                add_finding(line, "the process code %s is not one of the letters A to X", quoted(process).c_str());
        }

        std::string add = text_field(line, parts[1], CODE_WIDTH, "add code");
        if (add.empty())
            add_finding(line, "the add code is blank");
        else if (find_add(add.c_str()) == NOT_FOUND)
            add_finding(line, "the add code %s is not one of the catalogue's add codes (%s)", quoted(add).c_str(),
                        add_list().c_str());

        std::string fast = text_field(line, parts[2], FAST_WIDTH, "fastener code");
        int row = fastener_row(fast);
        if (fast.empty())
            add_finding(line, "the fastener code is blank");
        else if (row == NOT_FOUND)
            add_finding(line, "the fastener code %s is not in the catalogue", quoted(fast).c_str());

        std::string grip = text_field(line, parts[3], GRIP_WIDTH, "grip code");
        if (grip.empty())
            add_finding(line, "the grip code is blank");
        else if (row != NOT_FOUND && find_grip(row, grip.c_str()) == NOT_FOUND)
            add_finding(line, "the grip code %s is not a grip code of fastener %s (%s)", quoted(grip).c_str(),
                        all_fast[row].code, grip_list(row).c_str());
        note_fastener(fast, row, grip);

        check_point_id(line, r, text_field(line, parts[4], POINT_WIDTH, "point identifier"));

        if (parts[5] != ZERO_FIELD)
            add_finding(line, "field 6 is %s; the export writes the constant 0", quoted(parts[5]).c_str());
        for (size_t i = 0; i < NUMBER_FIELDS; ++i) check_number(line, parts[FIRST_NUMBER + i], NUMBER_NAMES[i]);
        if (options.table != nullptr) add_table_row(r, parts);
        std::array<double, 3> at{};
        if (r != nullptr && fpdf::number(parts[FIRST_NUMBER], at[0]) && fpdf::number(parts[FIRST_NUMBER + 1], at[1]) &&
            fpdf::number(parts[FIRST_NUMBER + 2], at[2]))
            r->points.push_back(at);
        if (parts[RECORD_FIELDS - 1] != RECORD_TAIL)
            add_finding(line, "the record ends in %s; the export writes the constant \"1, 0, 0\"",
                        quoted(parts[RECORD_FIELDS - 1]).c_str());
    }

    void check_line(long line, const std::string &text) {
        if (line == 1)
            check_header(line, text);
        else if (text.empty())
            add_finding(line, "an empty line");
        else if (starts_with(text, PATH_KEY))
            check_route_line(line, text);
        else if (starts_with(text, HEAD_KEY))
            add_finding(line, "a second header line (the header is line 1)");
        else if (starts_with(text, "$$"))
            add_finding(line, "an unknown line %s", quoted(text).c_str());
        else
            check_record(line, text);
    }

    void check_routes() {
        if (routes.empty()) add_finding(1, "the file holds no route: there is nothing for the cell");
        for (const route &r : routes) {
            if (r.announced >= 0 && r.records != r.announced)
                add_finding(r.line, "route %s announces %s, but %s", quoted(r.name).c_str(),
                            plural(r.announced, "rivet", "rivets").c_str(),
                            plural(r.records, "record follows", "records follow").c_str());
            if (r.records > ROUTE_LIMIT)
                add_finding(r.line, "route %s has %ld records; a route holds at most %ld", quoted(r.name).c_str(),
                            r.records, ROUTE_LIMIT);
        }
    }

    void add_table_row(const route *r, const std::vector<std::string> &parts) const {
        std::string &table = *options.table;
        table += table_field(r != nullptr ? r->name : std::string());
        // Appended piece by piece: "," + a temporary trips GCC 12's -Wrestrict at -O3.
        table += ',';
        table += std::to_string(r != nullptr ? r->records : rivet_count);
        for (size_t field : {size_t{4}, size_t{0}, size_t{1}, size_t{2}, size_t{3}}) {
            table += ',';
            table += table_field(std::string(fpdf::unpadded(parts[field])));
        }
        for (size_t i = 0; i < NUMBER_FIELDS; ++i) {
            table += ',';
            table += table_field(std::string(fpdf::unpadded(parts[FIRST_NUMBER + i])));
        }
        table += "\r\n";
    }

    // The travel in the file's order and the cell time of the whole file.
    void print_cell_time(std::FILE *out) {
        double within = 0;
        double between = 0;
        const std::array<double, 3> *last = nullptr;
        for (const route &r : routes) {
            within += path_length(r.points);
            if (r.points.empty()) continue;
            if (last != nullptr) between += distance(*last, r.points.front());
            last = &r.points.back();
        }
        double seconds = cell_time::route_seconds(rivet_count, options.rivet_seconds) + between / options.travel_speed;
        std::fprintf(out,
                     "%s: travel %.1f mm in the routes and %.1f mm between them; cell time %s: %s at %g s and "
                     "%.1f mm at %g mm/s\n",
                     file_path, within, between, duration(seconds).c_str(),
                     plural(rivet_count, "rivet", "rivets").c_str(), options.rivet_seconds, between,
                     options.travel_speed);
    }

    void print_summary(std::FILE *out) {
        if (head_read)
            std::fprintf(out, "%s: assembly %s, area %s, date %s\n", file_path, quoted(head_assembly).c_str(),
                         quoted(head_area).c_str(), quoted(head_date).c_str());
        for (const route &r : routes) {
            std::string announced = r.announced >= 0 ? std::to_string(r.announced) : "?";
            std::fprintf(out, "%s: route %s (line %ld): %s announced, %ld found; travel %.1f mm, cell time %s\n",
                         file_path, quoted(r.name).c_str(), r.line, announced.c_str(), r.records, path_length(r.points),
                         duration(cell_time::route_seconds(r.records, options.rivet_seconds)).c_str());
        }
        size_t grip_count = 0;
        for (const fastener_use &f : fasteners) {
            std::string grips;
            for (const auto &[grip, n] : f.grips) {
                grips += grips.empty() ? "" : ", ";
                grips += quoted(grip) + " x" + std::to_string(n);
            }
            grip_count += f.grips.size();
            std::string note;
            if (f.row == NOT_FOUND)
                note = " (not in the catalogue)";
            else if (f.code != all_fast[f.row].code)
                note =
                    std::string(" (") + all_fast[f.row].code + " cut to " + std::to_string(FAST_WIDTH) + " characters)";
            std::fprintf(out, "%s: fastener %s%s: %s; grips %s\n", file_path, quoted(f.code).c_str(), note.c_str(),
                         plural(f.rivets, "rivet", "rivets").c_str(), grips.c_str());
        }
        print_cell_time(out);
        long finding_count = static_cast<long>(findings.size()) + findings_not_shown;
        std::string verdict = finding_count == 0 ? "clean" : plural(finding_count, "finding", "findings");
        std::fprintf(out, "%s: %s, %s, %s with %s; %s\n", file_path,
                     plural(static_cast<long>(routes.size()), "route", "routes").c_str(),
                     plural(rivet_count, "rivet", "rivets").c_str(),
                     plural(static_cast<long>(fasteners.size()), "fastener", "fasteners").c_str(),
                     plural(static_cast<long>(grip_count), "grip", "grips").c_str(), verdict.c_str());
    }
};

int Checker::run(std::string_view bytes, std::FILE *out, std::FILE *err) {
    const char *path = file_path;
    fpdf::problem refused;
    if (fpdf::refuse(bytes, refused)) {
        if (refused.line > 0)
            std::fprintf(err, "%s:%ld: not checked: %s\n", path, refused.line, refused.why.c_str());
        else
            std::fprintf(err, "%s: not checked: %s\n", path, refused.why.c_str());
        return CHECK_UNREADABLE;
    }

    size_t offset = 0;
    fpdf::line l;
    while (fpdf::next_line(bytes, offset, l)) {
        if (!l.crlf) add_finding(l.number, "the line ends in LF alone; the export ends every line in CR LF");
        if (l.text.find('\r') != std::string_view::npos) add_finding(l.number, "a CR inside the line");
        check_line(l.number, std::string(l.text));
    }
    check_routes();

    std::stable_sort(findings.begin(), findings.end(),
                     [](const finding &a, const finding &b) { return a.line < b.line; });
    for (const finding &f : findings) {
        if (f.times == 1)
            std::fprintf(out, "%s:%ld: %s\n", path, f.line, f.text.c_str());
        else
            std::fprintf(out, "%s:%ld: %s (%ld times, from this line to line %ld)\n", path, f.line, f.text.c_str(),
                         f.times, f.last_line);
    }
    if (findings_not_shown > 0)
        std::fprintf(out, "%s: %s not shown\n", path,
                     plural(findings_not_shown, "more finding", "more findings").c_str());
    print_summary(out);
    return findings.empty() ? CHECK_CLEAN : CHECK_FINDINGS;
}

}  // namespace

int check_file(const char *path, std::FILE *out, std::FILE *err, const check_options &options) {
    std::string bytes;
    fpdf::problem why;
    if (!fpdf::read_file(path, bytes, why)) {
        std::fprintf(err, "%s: not checked: %s\n", path, why.why.c_str());
        return CHECK_UNREADABLE;
    }
    return check_bytes(path, bytes, out, err, options);
}

int check_bytes(const char *path, const std::string &bytes, std::FILE *out, std::FILE *err,
                const check_options &options) {
    return Checker(path, options).run(bytes, out, err);
}
