// One run of one tool: lay out the run folder, load the tool, call ufusr, unload
// it, and keep the outcome only if all went well.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "export.h"
#include "model.h"
#include "script.h"

namespace nxsim {

class Engineer;

// What one call of a tool left behind.
struct ToolOutcome {
    bool ok = false;
    std::string error;  // one line, when not ok
    bool return_code_written = false;
    int return_code = 0;
    long host_calls = 0;
    std::vector<std::string> transcript;
    // Files the tool wrote, as (temporary, final) pairs, for the caller to put in place.
    std::vector<std::pair<std::filesystem::path, std::filesystem::path>> files;
    // Files from before the run that the tool removed: they go when the rest is put in place.
    std::vector<std::filesystem::path> removed;
};

// Creates the run folder's drives and the application share, and lays the dialog
// files in; folders named in `missing` must not exist.
NXSIM_EXPORT void prepare_run_dir(const std::filesystem::path &run_dir, const std::vector<MissingFolder> &missing,
                                  const std::filesystem::path &dialogs_dir);

// Runs a tool module against `session`, answered by `engineer`, with the clock and
// faults of `script`. Files it writes are left as temporaries in the outcome when the run
// succeeds (every write whole), and removed when it fails; files it removed are named
// in the outcome and still there.
NXSIM_EXPORT ToolOutcome run_tool(Session &session, const Script &script, Engineer &engineer,
                                  const std::filesystem::path &module, const std::filesystem::path &run_dir,
                                  const std::string &tool);

// The module of a tool in tools_dir; throws InputError for an unknown tool.
NXSIM_EXPORT std::filesystem::path tool_module(const std::filesystem::path &tools_dir, const std::string &tool);

}  // namespace nxsim
