// The one line that says what a run did, printed by `nxsim run` at its end and by
// `nxsim play` for each run of a workflow.
#pragma once

#include <filesystem>
#include <string>

#include "model.h"
#include "run_tool.h"

namespace nxsim {

// "parts created 0; components added 0, moved 2, removed 0; attributes written 3 (RIVET 3)",
// read from a run's journal: its cost follows what the run touched, not the size of
// the session.
std::string changes(const Journal &journal);

// "return code 0, 2 message boxes; <changes>", and for the route check the number of
// its findings and the log that holds them.
std::string run_summary(const std::string &tool, const ToolOutcome &result, const Journal &journal,
                        const std::filesystem::path &log);

}  // namespace nxsim
