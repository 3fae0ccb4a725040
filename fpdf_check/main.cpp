// fpdf_check: checks machine files before they go to the riveting cell.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "check.h"
#include "command_line.h"

static_assert(CHECK_CLEAN == command_line::EXIT_OK && CHECK_FINDINGS == command_line::EXIT_FOUND &&
              CHECK_UNREADABLE == command_line::EXIT_USAGE);

static int run_program(int argc, char **argv) {
    CLI::App app{
        "Checks each machine file as the FPDF export writes it: the header, every route's rivet count,\n"
        "the order and uniqueness of point identifiers, the width and the catalogue value of every\n"
        "field, and CR LF line ends. Prints one line per finding (file:line: what is wrong) and a\n"
        "summary of each file.",
        "fpdf_check"};
    app.footer(
        "Exit status: 0 every file is clean, 1 findings, 2 wrong usage or a file that could not be checked\n"
        "(missing, a folder, unreadable, empty, cut short, binary, not FPDF). With several files the highest\n"
        "status counts. Put -- before a file name that begins with -.");
    app.set_version_flag("--version", std::string("fpdf_check ") + RIVET_VERSION, "Print the version and exit");
    std::vector<std::string> files;
    app.add_option("FILE", files, "Machine files (.fpdf) to check")->required();
    if (auto status = command_line::parse(app, argc, argv, " (put -- before a file name that begins with -)"))
        return *status;

    int status = CHECK_CLEAN;
    for (const std::string &file : files) {
        int result = check_file(file.c_str(), stdout, stderr);
        if (result > status) status = result;
        std::fflush(stdout);
    }
    if (std::ferror(stdout)) {
        std::fprintf(stderr, "fpdf_check: the report could not be written\n");
        return CHECK_UNREADABLE;
    }
    return status;
}

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
