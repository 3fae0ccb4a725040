// fpdf_check: checks machine files before they go to the riveting cell.
#include <cstdio>
#include <cstring>

#include "check.h"

namespace {

const char USAGE[] =
    "usage: fpdf_check FILE.fpdf...\n"
    "Checks each machine file as the FPDF export writes it: the header, every route's\n"
    "rivet count, the order and uniqueness of point identifiers, the width and the\n"
    "catalogue value of every field, and CR LF line ends. Prints one line per finding\n"
    "(file:line: what is wrong) and a summary of each file.\n"
    "Exit status: 0 every file is clean, 1 findings, 2 a file could not be checked\n"
    "(missing, unreadable, empty, cut short, binary, not FPDF) or wrong usage.\n";

}  // namespace

int main(int argc, char **argv) {
    int first = 1;
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(USAGE, stdout);
        return CHECK_CLEAN;
    }
    if (argc > 1 && std::strcmp(argv[1], "--") == 0) first = 2;
    if (first >= argc) {
        std::fputs(USAGE, stderr);
        return CHECK_UNREADABLE;
    }
    for (int i = first; i < argc && first == 1; ++i)
        if (argv[i][0] == '-' && argv[i][1] != '\0') {
            std::fprintf(stderr, "fpdf_check: unknown option %s (put -- before a file name that begins with -)\n",
                         argv[i]);
            return CHECK_UNREADABLE;
        }

    int status = CHECK_CLEAN;
    for (int i = first; i < argc; ++i) {
        int result = check_file(argv[i], stdout, stderr);
        if (result > status) status = result;
        std::fflush(stdout);
    }
    if (std::ferror(stdout)) {
        std::fprintf(stderr, "fpdf_check: the report could not be written\n");
        return CHECK_UNREADABLE;
    }
    return status;
}
