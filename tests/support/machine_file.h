// Machine-file lines for the tests of the programs that read them: records with the
// formats the export writes them with, one field of a line replaced, and the files
// that no program reads.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
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

// The reader's limit on a machine file's size.
inline constexpr std::size_t FPDF_FILE_LIMIT = 16 * 1024 * 1024;

// A file that no program reads: what makes it (answering its path), and the place
// ("" for the file as a whole, or ":N") and the reason each program gives.
struct bad_file {
    const char *name;
    std::function<std::string(const std::filesystem::path &dir)> make;
    std::string where;
    std::string why;
};

inline void PrintTo(const bad_file &b, std::ostream *os) { *os << b.name; }

inline std::string written(const std::filesystem::path &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path.string();
}

// The files no program reads on any system: missing, a folder, then those the caller's
// system has besides (a FIFO, a device), empty, over the limit, the caller's binary
// file, one that is no FPDF file, and the caller's file cut short.
inline std::vector<bad_file> bad_machine_files(const std::vector<bad_file> &unreadable, const bad_file &binary,
                                               const bad_file &cut_short) {
    namespace fs = std::filesystem;
    std::vector<bad_file> files = {
        bad_file{"missing", [](const fs::path &d) { return (d / "none.fpdf").string(); }, "",
                 "cannot open the machine file: no such file"},
        bad_file{"folder",
                 [](const fs::path &d) {
                     fs::create_directory(d / "folder.fpdf");
                     return (d / "folder.fpdf").string();
                 },
                 "", "cannot read the machine file: it is a folder"},
    };
    files.insert(files.end(), unreadable.begin(), unreadable.end());
    files.push_back(
        bad_file{"empty", [](const fs::path &d) { return written(d / "empty.fpdf", ""); }, "", "the file is empty"});
    files.push_back(
        bad_file{"over_the_limit",
                 [](const fs::path &d) { return written(d / "big.fpdf", std::string(FPDF_FILE_LIMIT + 1, 'A')); }, "",
                 "the file is larger than 16777216 bytes: no FPDF file is that long"});
    files.push_back(binary);
    files.push_back(bad_file{"not_fpdf", [](const fs::path &d) { return written(d / "x.fpdf", "<machine/>\r\n"); },
                             ":1", "not an FPDF file: it does not begin with \"$$HEAD\""});
    files.push_back(cut_short);
    return files;
}

}  // namespace scenario
