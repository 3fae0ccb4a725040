// Machine-file lines for the tests of the programs that read them: records with the
// formats the export writes them with, and one field of a line replaced.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace scenario {

// One rivet record with the formats the export writes it with, CR LF included.
inline std::string fpdf_record(const char *pr, const char *ad, const char *fast, const char *grip, const char *id,
                               double x, double y, double z, double i, double j, double k) {
    char line[512];
    std::snprintf(
        line, sizeof line,
        "%1.1s,\t%1.1s,\t%12.12s,\t%3.3s,\t%12.12s,\t0,\t%15.5f,\t%15.5f,\t%15.5f,\t%15.5f,\t%15.5f,\t%15.5f,\t"
        "1, 0, 0\r\n",
        pr, ad, fast, grip, id, x, y, z, i, j, k);
    return line;
}

// Field n (from 0; fields separated by a comma and a tab) of a line ending in CR LF
// replaced.
inline void set_fpdf_field(std::string &line, size_t n, const std::string &value) {
    std::string body = line.substr(0, line.size() - 2);
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = body.find(",\t", start)) != std::string::npos; start = at + 2)
        parts.push_back(body.substr(start, at - start));
    parts.push_back(body.substr(start));
    parts.at(n) = value;  // a field the line does not have fails the test
    line.clear();
    for (size_t i = 0; i < parts.size(); ++i) line += (i ? ",\t" : "") + parts[i];
    line += "\r\n";
}

inline std::string joined_lines(const std::vector<std::string> &lines) {
    std::string bytes;
    for (const std::string &l : lines) bytes += l;
    return bytes;
}

}  // namespace scenario
