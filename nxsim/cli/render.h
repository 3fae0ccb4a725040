// `nxsim render`: the displayed assembly of a session as an SVG picture in a plane
// of the displayed part's WCS, with the routes' walk order and the route check's
// findings marked.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>

namespace nxsim {

struct RenderOptions {
    std::filesystem::path session;
    std::filesystem::path out;
    std::optional<std::string> plane;               // "xy" (default), "yz" or "zx"
    std::optional<std::filesystem::path> findings;  // the route check's error log
    bool by_fastener = false;                       // rivets coloured by fastener, not by route
};

// The route check's findings in its error log, counted by the route they name
// (the instance name, Windows-1251). Throws InputError when the log cannot be read.
std::map<std::string, size_t> findings_per_route(const std::filesystem::path &log);

// Writes the picture, and a one-line summary to out. Bad input: one line on err,
// exit 1, and no picture is written.
int render_command(const RenderOptions &options, std::ostream &out, std::ostream &err);

}  // namespace nxsim
