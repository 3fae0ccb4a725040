#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>

namespace nxsim {

// Prints the displayed assembly of a session; filter: a reference pattern, "" for all.
int show_command(const std::filesystem::path &session, const std::string &filter, std::ostream &out, std::ostream &err);

}  // namespace nxsim
