#include "common/fpdf_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <new>

namespace fpdf {
namespace {

constexpr std::string_view SEPARATOR = ",\t";
constexpr std::string_view HEAD_KEY = "$$HEAD";
constexpr std::string_view PATH_KEY = "$$PATH";
constexpr std::size_t HEAD_FIELDS = 5;
constexpr std::size_t ROUTE_FIELDS = 3;
constexpr std::size_t RECORD_FIELDS = 13;
constexpr std::size_t COUNT_DIGITS_MAX = 9;  // fits a long on every platform
constexpr std::size_t FIRST_NUMBER = 6;      // position X among a record's fields
const char *const NUMBER_NAMES[6] = {"position X", "position Y", "position Z", "axis I", "axis J", "axis K"};

long line_of(std::string_view bytes, std::size_t offset) {
    return 1 + static_cast<long>(std::count(bytes.begin(), bytes.begin() + static_cast<long>(offset), '\n'));
}

bool fail(problem &why, long line, std::string text) {
    why.line = line;
    why.why = std::move(text);
    return false;
}

// Out of memory: the one text that needs none of its own.
void out_of_memory(problem &why) noexcept {
    why.line = 0;
    try {
        why.why = "the file cannot be held in memory";
    } catch (...) {  // GCOVR_EXCL_LINE
        why.why.clear();
    }
}

bool read_header(const line &l, file &out, problem &why) {
    fields f = split(l.text);
    if (f.count != HEAD_FIELDS || f.at[0] != HEAD_KEY)
        return fail(why, l.number,
                    "the header is not \"$$HEAD\", assembly, area, cell and date, each field followed by a comma "
                    "and a tab");
    out.head.line = l.number;
    out.head.assembly = f.at[1];
    out.head.area = f.at[2];
    out.head.cell = f.at[3];
    out.head.date = f.at[4];
    return true;
}

bool read_route(const line &l, file &out, problem &why) {
    fields f = split(l.text);
    if (f.count != ROUTE_FIELDS || f.at[0] != PATH_KEY)
        return fail(why, l.number,
                    "the route line is not \"$$PATH\", route name and rivet count, each field followed by a comma "
                    "and a tab");
    std::string_view count = f.at[2];
    route r;
    r.line = l.number;
    r.name = f.at[1];
    r.first = out.records.size();
    if (r.name.empty()) return fail(why, l.number, "the route name is empty");
    auto [end, error] = std::from_chars(count.data(), count.data() + count.size(), r.count);
    if (count.empty() || count.size() > COUNT_DIGITS_MAX || count[0] == '-' || error != std::errc() ||
        end != count.data() + count.size())
        return fail(why, l.number, "the rivet count is not a decimal number of at most 9 digits");
    out.routes.push_back(std::move(r));
    return true;
}

bool read_record(const line &l, file &out, problem &why) {
    if (out.routes.empty()) return fail(why, l.number, "a rivet record before any route line");
    fields f = split(l.text);
    if (f.count != RECORD_FIELDS)
        return fail(why, l.number,
                    "the line is not a rivet record: it has " + std::to_string(f.count) + " fields, a record has " +
                        std::to_string(RECORD_FIELDS) + ", each but the last followed by a comma and a tab");
    record r;
    r.line = l.number;
    r.route = out.routes.size() - 1;
    r.process = unpadded(f.at[0]);
    r.add = unpadded(f.at[1]);
    r.fastener = unpadded(f.at[2]);
    r.grip = unpadded(f.at[3]);
    r.point_id = unpadded(f.at[4]);
    for (std::size_t i = 0; i < 6; ++i) {
        double &value = i < 3 ? r.position[i] : r.axis[i - 3];
        if (!number(f.at[FIRST_NUMBER + i], value))
            return fail(why, l.number, std::string("the ") + NUMBER_NAMES[i] + " is not a number");
    }
    out.routes.back().size++;
    out.records.push_back(std::move(r));
    return true;
}

bool read_line(const line &l, file &out, problem &why) {
    if (!l.crlf) return fail(why, l.number, "the line ends in LF alone; the export ends every line in CR LF");
    if (l.text.find('\r') != std::string_view::npos) return fail(why, l.number, "a CR inside the line");
    if (l.number == 1) return read_header(l, out, why);
    if (l.text.empty()) return fail(why, l.number, "an empty line");
    if (l.text.starts_with(PATH_KEY)) return read_route(l, out, why);
    if (l.text.starts_with(HEAD_KEY)) return fail(why, l.number, "a second header line (the header is line 1)");
    if (l.text.starts_with("$$")) return fail(why, l.number, "an unknown line: it begins with \"$$\"");
    return read_record(l, out, why);
}

}  // namespace

bool refuse(std::string_view bytes, problem &why) noexcept {
    try {
        why.line = 0;
        if (bytes.size() > MAX_FILE_BYTES) {
            why.why = "the file is larger than " + std::to_string(MAX_FILE_BYTES) + " bytes: no FPDF file is that long";
            return true;
        }
        if (bytes.empty()) {
            why.why = "the file is empty";
            return true;
        }
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            auto byte = static_cast<unsigned char>(bytes[i]);
            if ((byte < 0x20 && byte != '\t' && byte != '\r' && byte != '\n') || byte == 0x7F) {
                char text[128];
                std::snprintf(text, sizeof text, "binary data: byte 0x%02X at offset %zu; an FPDF file is text", byte,
                              i);
                why.line = line_of(bytes, i);
                why.why = text;
                return true;
            }
        }
        if (!bytes.starts_with(HEAD_KEY)) {
            why.line = 1;
            why.why = "not an FPDF file: it does not begin with \"$$HEAD\"";
            return true;
        }
        if (bytes.back() != '\n') {
            why.line = line_of(bytes, bytes.size() - 1);
            why.why = bytes.find('\n') == std::string_view::npos && bytes.find('\r') != std::string_view::npos
                          ? "the lines end in CR alone; an FPDF file ends every line in CR LF"
                          : "the file is cut short: its last line has no line end";
            return true;
        }
        return false;
        // GCOVR_EXCL_START: only running out of memory gets here
    } catch (...) {
        out_of_memory(why);
        return true;
    }
    // GCOVR_EXCL_STOP
}

bool next_line(std::string_view bytes, std::size_t &offset, line &out) noexcept {
    if (offset >= bytes.size()) return false;
    std::size_t end = bytes.find('\n', offset);
    std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
    std::string_view text = bytes.substr(offset, (end == std::string_view::npos ? bytes.size() : end) - offset);
    out.number++;
    out.crlf = end != std::string_view::npos && !text.empty() && text.back() == '\r';
    if (out.crlf) text.remove_suffix(1);
    out.text = text;
    offset = next;
    return true;
}

fields split(std::string_view text) noexcept {
    fields f;
    for (;;) {
        std::size_t at = text.find(SEPARATOR);
        if (f.count < MAX_FIELDS) f.at[f.count] = text.substr(0, at);
        ++f.count;
        if (at == std::string_view::npos) return f;
        text.remove_prefix(at + SEPARATOR.size());
    }
}

std::string_view unpadded(std::string_view field) noexcept {
    std::size_t first = field.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return field.substr(first, field.find_last_not_of(' ') - first + 1);
}

bool number(std::string_view field, double &value) noexcept {
    std::string_view text = unpadded(field);
    if (text.empty()) return false;
    double parsed = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed, std::chars_format::fixed);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

bool read(std::string_view bytes, file &out, problem &why) noexcept {
    try {
        out = file();
        if (refuse(bytes, why)) return false;
        std::size_t offset = 0;
        line l;
        while (next_line(bytes, offset, l)) {
            if (!read_line(l, out, why)) {
                out = file();  // nothing half read
                return false;
            }
        }
        return true;
        // GCOVR_EXCL_START: only running out of memory gets here
    } catch (...) {
        out.routes.clear();
        out.records.clear();
        out_of_memory(why);
        return false;
    }
    // GCOVR_EXCL_STOP
}

}  // namespace fpdf
