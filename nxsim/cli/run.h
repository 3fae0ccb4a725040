// The program's commands that run tools: `nxsim run` (one tool, answered by a script
// or at the terminal) and `nxsim play` (a workflow of runs on one session).
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>

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

// One rule for nxsim and fpdf_check: 0 success; 1 the run went wrong (the script
// out of step with the tool, the tool stayed loaded; nothing saved); 2 wrong usage or
// input that cannot be read (nothing run).
enum Exit { kExitOk = 0, kExitRunFailed = 1, kExitBadInput = 2 };

struct PlayOptions {
    std::filesystem::path workflow;
    std::filesystem::path session;  // empty: the workflow's own, copied into the run folder
    std::filesystem::path run_dir;
    std::filesystem::path tools_dir;
    std::filesystem::path dialogs_dir;
    bool save_each = false;  // write the session after every run, not only at the end
};

// `nxsim play`: a list of tool runs on one session, stopping at the first that fails.
int play_command(const PlayOptions &options, std::ostream &out, std::ostream &err);

// `nxsim run`: messages go to err; answers an Exit code.
int run_command(const RunOptions &options, std::ostream &err);

std::filesystem::path default_tools_dir();

// Where `nxsim run --record OUT.json` keeps the session the run started from:
// OUT.session.json beside the recording.
std::filesystem::path recorded_session(const std::filesystem::path &record);

}  // namespace nxsim
