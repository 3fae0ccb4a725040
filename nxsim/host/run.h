// One run of one tool: load the session and the script, lay out the run folder,
// load the tool, call ufusr, unload it, and keep the outcome only if all went well.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "model.h"
#include "script.h"

namespace nxsim {

struct RunOptions {
    std::filesystem::path session;
    std::filesystem::path script;
    std::filesystem::path run_dir;
    std::filesystem::path tools_dir;
    std::filesystem::path dialogs_dir;
    std::filesystem::path save_as;  // empty: the session file itself
    std::string tool;
    // No script: the engineer answers at the terminal (in, out: UTF-8; default the
    // standard streams), and `record` receives the answers as a script.
    std::filesystem::path record;
    std::istream *in = nullptr;
    std::ostream *out = nullptr;
};

enum Exit { kExitOk = 0, kExitBadInput = 1, kExitToolFailed = 2 };

// What one call of a tool left behind.
struct ToolOutcome {
    bool ok = false;
    std::string error;            // one line, when not ok
    bool return_code_written = false;
    int return_code = 0;
    long host_calls = 0;
    std::vector<std::string> transcript;
};

// Creates the run folder's drives and the application share, and lays the dialog
// files in; folders named in `missing` must not exist.
void prepare_run_dir(const std::filesystem::path &run_dir, const std::vector<std::string> &missing,
                     const std::filesystem::path &dialogs_dir);

class Engineer;

// Runs a tool module against `session`, answered by `engineer`, with the clock and
// faults of `script`; files it writes are put in place only if the run succeeds.
ToolOutcome run_tool(Session &session, const Script &script, Engineer &engineer, const std::filesystem::path &module,
                     const std::filesystem::path &run_dir, const std::string &tool);

// The module of a tool in tools_dir; throws InputError for an unknown tool.
std::filesystem::path tool_module(const std::filesystem::path &tools_dir, const std::string &tool);

struct PlayOptions {
    std::filesystem::path workflow;
    std::filesystem::path session;   // empty: the workflow's own, copied into the run folder
    std::filesystem::path run_dir;
    std::filesystem::path tools_dir;
    std::filesystem::path dialogs_dir;
};

// `nxsim play`: a list of tool runs on one session, stopping at the first that fails.
int play_command(const PlayOptions &options, std::ostream &out, std::ostream &err);

// `nxsim run`: messages go to err; answers an Exit code.
int run_command(const RunOptions &options, std::ostream &err);

std::filesystem::path default_tools_dir();

}  // namespace nxsim
