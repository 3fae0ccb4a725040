// fpdf_diff: what a new issue of a machine file changes for the riveting cell.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "command_line.h"
#include "common/fpdf_file.h"
#include "common/fpdf_reader.h"
#include "compare.h"

namespace {

// The file read whole, or one line on the error stream naming it, the line and why.
bool read_machine_file(const std::string &path, fpdf::file &f) {
    std::string bytes;
    fpdf::problem why;
    if (fpdf::read_file(path.c_str(), bytes, why) && fpdf::read(bytes, f, why)) return true;
    if (why.line > 0)
        std::fprintf(stderr, "%s:%ld: not compared: %s\n", path.c_str(), why.line, why.why.c_str());
    else
        std::fprintf(stderr, "%s: not compared: %s\n", path.c_str(), why.why.c_str());
    return false;
}

int run_program(int argc, char **argv) {
    CLI::App app{
        "Compares two issues of a machine file route by route and rivet by rivet: routes added or removed\n"
        "or with another rivet count; rivets added, removed, moved (position or axis beyond the file's five\n"
        "decimals), recoded (process code, add code, fastener, grip) and re-sequenced (the same rivet, found\n"
        "by its position, under another point identifier or at another place in the order); header changes.\n"
        "Prints one line per change and a summary.",
        "fpdf_diff"};
    app.footer(
        "Exit status: 0 the files are the same for the cell, 1 differences, 2 wrong usage or a file that could\n"
        "not be read (missing, a folder, unreadable, empty, cut short, binary, not FPDF, a line that is no\n"
        "header, route line or record). Put -- before a file name that begins with -.");
    app.set_version_flag("--version", std::string("fpdf_diff ") + RIVET_VERSION, "Print the version and exit");
    std::string old_path, new_path;
    bool as_json = false;
    app.add_option("OLD", old_path, "The machine file the cell has")->required();
    app.add_option("NEW", new_path, "The new issue")->required();
    app.add_flag("--json", as_json, "Print the changes as one JSON document instead");
    if (auto status = command_line::parse(app, argc, argv, " (put -- before a file name that begins with -)"))
        return *status;

    fpdf::file old_file, new_file;
    bool old_read = read_machine_file(old_path, old_file);
    bool new_read = read_machine_file(new_path, new_file);
    if (!old_read || !new_read) return command_line::EXIT_USAGE;

    std::vector<change> changes = compare(old_file, new_file);
    if (as_json) {
        std::fputs(changes_json(old_path, new_path, changes).c_str(), stdout);
    } else {
        for (const change &c : changes) std::printf("%s\n", change_line(c).c_str());
        std::printf("%s\n", summary_line(old_path, new_path, new_file, changes).c_str());
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "fpdf_diff: the report could not be written\n");
        return command_line::EXIT_USAGE;
    }
    return changes.empty() ? command_line::EXIT_OK : command_line::EXIT_FOUND;
}

}  // namespace

// What escapes (out of memory) ends with a line and status 2, not with an abort.
int main(int argc, char **argv) {
    try {
        return run_program(argc, argv);
        // GCOVR_EXCL_START: only running out of memory gets here
    } catch (const std::exception &e) {
        std::fprintf(stderr, "fpdf_diff: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "fpdf_diff: unexpected failure\n");
    }
    return command_line::EXIT_USAGE;
    // GCOVR_EXCL_STOP
}
