// What the route check found, as its error log (Windows-1251, CR LF) says it: the
// findings `nxsim render` rings in red.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace nxsim::render {

struct Finding {
    std::string route;     // instance name, Windows-1251 as in the log
    std::string point_id;  // empty for a finding about the whole route
    bool whole_route = false;
    std::string text;  // UTF-8, for the rivet's tooltip
    int line = 0;
    bool matched = false;
};

// The findings about one rivet or a whole route; other lines of the log are passed over.
std::vector<Finding> read_findings(const std::filesystem::path &path);

// Whether a finding's point identifier names this rivet's.
bool names_point(const std::string &named, const std::string &point_id);

}  // namespace nxsim::render
