// fpdf_check: checks machine files before they go to the riveting cell.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "check.h"
#include "command_line.h"

static_assert(CHECK_CLEAN == command_line::EXIT_OK && CHECK_FINDINGS == command_line::EXIT_FOUND &&
              CHECK_UNREADABLE == command_line::EXIT_USAGE);

namespace {

// A figure of the cell: finite, and above zero unless zero is allowed.
CLI::Validator figure(bool zero_allowed) {
    return CLI::Validator(
        [zero_allowed](const std::string &text) -> std::string {
            double value = 0;
            try {
                size_t used = 0;
                value = std::stod(text, &used);
                if (used != text.size()) return "not a number: " + text;
            } catch (const std::exception &) {
                return "not a number: " + text;
            }
            if (!std::isfinite(value) || value < 0 || (value == 0 && !zero_allowed))
                return text + (zero_allowed ? " is not a number of zero or more" : " is not a number above zero");
            return "";
        },
        zero_allowed ? "SECONDS" : "MM/S");
}

// The table as a whole, or one line and false.
bool write_table(const std::string &path, const std::string &table) {
#ifdef _WIN32
    // The rows end in CR LF already: no second CR from a text-mode standard output.
    if (path == "-") _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::FILE *file = path == "-" ? stdout : std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "fpdf_check: cannot write the locations table %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return false;
    }
    bool ok = std::fwrite(table.data(), 1, table.size(), file) == table.size();
    ok = std::fflush(file) == 0 && ok;
    if (file != stdout) ok = std::fclose(file) == 0 && ok;
    if (!ok) std::fprintf(stderr, "fpdf_check: the locations table %s could not be written whole\n", path.c_str());
    return ok;
}

int run_program(int argc, char **argv) {
    CLI::App app{
        "Checks each machine file as the FPDF export writes it: the header, every route's rivet count,\n"
        "the order and uniqueness of point identifiers, the width and the catalogue value of every\n"
        "field, and CR LF line ends. Prints one line per finding (file:line: what is wrong) and a\n"
        "summary of each file, with the travel in the file's order and an estimated cell time.",
        "fpdf_check"};
    app.footer(
        "Cell time: every rivet at --rivet-seconds (the short move to the next rivet included), plus the\n"
        "travel from each route's last rivet to the next route's first at --travel-speed. Positions are\n"
        "taken as millimetres.\n"
        "Exit status: 0 every file is clean, 1 findings, 2 wrong usage or a file that could not be checked\n"
        "(missing, a folder, unreadable, empty, cut short, binary, not FPDF). With several files the highest\n"
        "status counts. Put -- before a file name that begins with -.");
    app.set_version_flag("--version", std::string("fpdf_check ") + RIVET_VERSION, "Print the version and exit");
    std::vector<std::string> files;
    check_options options;
    std::string table_path;
    app.add_option("FILE", files, "Machine files (.fpdf) to check")->required();
    app.add_option("--rivet-seconds", options.rivet_seconds, "Seconds per rivet, the move to the next one included")
        ->check(figure(true))
        ->capture_default_str();
    app.add_option("--travel-speed", options.travel_speed, "Travel speed between routes in mm/s")
        ->check(figure(false))
        ->capture_default_str();
    app.add_option("--csv", table_path,
                   "Write the locations table (one row per rivet, CSV in UTF-8) to this file, or - for standard "
                   "output (the report then goes to standard error); one machine file only");
    if (auto status = command_line::parse(app, argc, argv, " (put -- before a file name that begins with -)"))
        return *status;
    if (!table_path.empty() && files.size() != 1) {
        std::fprintf(stderr, "fpdf_check: --csv takes the table of one machine file; %zu are given\n", files.size());
        return CHECK_UNREADABLE;
    }

    std::string table;
    if (!table_path.empty()) options.table = &table;
    std::FILE *report = table_path == "-" ? stderr : stdout;
    int status = CHECK_CLEAN;
    for (const std::string &file : files) {
        int result = check_file(file.c_str(), report, stderr, options);
        if (result > status) status = result;
        std::fflush(report);
    }
    if (std::ferror(report)) {
        std::fprintf(stderr, "fpdf_check: the report could not be written\n");
        return CHECK_UNREADABLE;
    }
    // A file that could not be checked leaves any table of an earlier run as it was.
    if (!table_path.empty() && status != CHECK_UNREADABLE && !write_table(table_path, TABLE_HEADER + table))
        return CHECK_UNREADABLE;
    return status;
}

}  // namespace

// What escapes the commands (out of memory, a file system error) ends with a line
// and status 2, not with an abort.
int main(int argc, char **argv) {
    try {
        return run_program(argc, argv);
        // GCOVR_EXCL_START: only running out of memory gets here
    } catch (const std::exception &e) {
        std::fprintf(stderr, "fpdf_check: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "fpdf_check: unexpected failure\n");
    }
    return CHECK_UNREADABLE;
    // GCOVR_EXCL_STOP
}
