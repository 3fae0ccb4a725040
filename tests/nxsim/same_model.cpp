// same_model OLD NEW [OLD NEW ...]: whether each pair of session files loads to the
// same model, to the last bit, through both loaders (the quick one and the careful
// one). For a change of the session writer: the old golden files against the new.
// Exit status 0 when every pair is the same, 1 when one is not (the first differing
// line is shown), 2 when a file cannot be read.
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include "files.h"
#include "model_text.h"
#include "session_file.h"

namespace {

std::string first_difference(const std::string &a, const std::string &b) {
    std::istringstream sa(a), sb(b);
    std::string la, lb;
    for (int line = 1;; ++line) {
        bool ha = static_cast<bool>(std::getline(sa, la)), hb = static_cast<bool>(std::getline(sb, lb));
        if (!ha && !hb) return "";
        if (ha != hb || la != lb)
            return "model line " + std::to_string(line) + ":\n  " + (ha ? la : "<end>") + "\n  " + (hb ? lb : "<end>");
    }
}

// The model by both ways in; they must agree before anything else is compared.
std::string load_both(const std::string &path, std::string &why) {
    std::string quick = model_text::of(*nxsim::load_session(path));
    std::string careful = model_text::of(
        *nxsim::session_from_json(nxsim::parse_json_text(nxsim::read_regular_file(path, "session"), path), path));
    why = first_difference(quick, careful);
    return quick;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 3 || argc % 2 == 0) {
        std::cerr << "usage: same_model OLD NEW [OLD NEW ...]\n";
        return 2;
    }
    int status = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        try {
            std::string why_old, why_new;
            std::string was = load_both(argv[i], why_old), is = load_both(argv[i + 1], why_new);
            std::string why = !why_old.empty()   ? std::string(argv[i]) + ": the two loaders differ, " + why_old
                              : !why_new.empty() ? std::string(argv[i + 1]) + ": the two loaders differ, " + why_new
                                                 : first_difference(was, is);
            if (!why.empty()) {
                std::cout << "differ: " << argv[i] << " " << argv[i + 1] << "\n" << why << "\n";
                status = 1;
            }
        } catch (const std::exception &e) {
            std::cerr << e.what() << "\n";
            return 2;
        }
    }
    return status;
}
